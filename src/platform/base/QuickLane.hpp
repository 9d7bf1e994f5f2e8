#pragma once
// A thread whose work others wait on in turn (the lane that settles
// downloaded files before each goes into place): a step that may take long
// (reading a picture through) is not taken there but put off, and the lane
// hands the whole piece of work to a thread that may take long, so that one
// such piece holds up none of those behind it. Elsewhere every step may
// take as long as it needs.
namespace base {

class QuickLane {
 public:
  // The calling thread is a quick lane for as long as the scope lives
  // (scopes do not nest).
  class Scope {
   public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    // Whether a step was put off within it.
    bool putOff() const;
  };

  // Asked before a step that may take long: false on a quick lane, which
  // then hears that the step was put off; true elsewhere.
  static bool mayTakeLong();
};

}  // namespace base
