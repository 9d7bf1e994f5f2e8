#pragma once
// A horizontal pan across the library grid shows or hides the category
// panel once its running distance passes 100 points either way. The
// translation reported counts from the gesture's start, so one long pan can
// act more than once.
namespace mv {

class LibraryPanTracker {
 public:
  enum class Outcome { None, ShowMaster, HideMaster };

  // `moving`: the gesture began or changed; `translationX` as reported.
  Outcome pan(bool moving, double translationX);

  double panDistance = 0;
};

}  // namespace mv
