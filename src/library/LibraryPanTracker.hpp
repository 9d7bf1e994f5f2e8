#pragma once
// A horizontal pan across the library grid shows or hides the category
// panel once the gesture has moved more than 100 points either way. The
// distance is the gesture's whole translation from where it began, and one
// gesture acts at most once, however long it goes on.
namespace mv {

class LibraryPanTracker {
 public:
  enum class Outcome { None, ShowMaster, HideMaster };
  enum class Phase { Began, Changed, Ended };
  static constexpr double kThreshold = 100;

  // `translationX`: the gesture's translation from its start, as reported.
  Outcome pan(Phase phase, double translationX);

  double panDistance = 0;

 private:
  bool acted_ = false;
};

}  // namespace mv
