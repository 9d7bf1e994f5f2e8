#include "platform/base/QuickLane.hpp"

namespace base {
namespace {

struct LaneState {
  bool quick = false;
  bool putOff = false;
};

thread_local LaneState lane;

}  // namespace

QuickLane::Scope::Scope() { lane = {true, false}; }

QuickLane::Scope::~Scope() { lane = {}; }

bool QuickLane::Scope::putOff() const { return lane.putOff; }

bool QuickLane::mayTakeLong() {
  if (!lane.quick) return true;
  lane.putOff = true;
  return false;
}

}  // namespace base
