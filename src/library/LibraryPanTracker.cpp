#include "library/LibraryPanTracker.hpp"

namespace mv {

LibraryPanTracker::Outcome LibraryPanTracker::pan(Phase phase, double translationX) {
  if (phase == Phase::Began) acted_ = false;
  panDistance = translationX;
  Outcome outcome = Outcome::None;
  if (!acted_) {
    if (panDistance > kThreshold) outcome = Outcome::ShowMaster;
    if (panDistance < -kThreshold) outcome = Outcome::HideMaster;
    acted_ = outcome != Outcome::None;
  }
  if (phase == Phase::Ended) {
    panDistance = 0;
    acted_ = false;
  }
  return outcome;
}

}  // namespace mv
