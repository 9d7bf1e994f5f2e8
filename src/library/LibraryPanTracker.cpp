#include "library/LibraryPanTracker.hpp"

namespace mv {

LibraryPanTracker::Outcome LibraryPanTracker::pan(bool moving, double translationX) {
  if (moving && panDistance > -100 && panDistance < 100) {
    panDistance += translationX;
    return Outcome::None;
  }
  Outcome outcome = Outcome::None;
  if (panDistance > 100) outcome = Outcome::ShowMaster;
  if (panDistance < -100) outcome = Outcome::HideMaster;
  panDistance = 0;
  return outcome;
}

}  // namespace mv
