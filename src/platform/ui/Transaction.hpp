#pragma once
#include <functional>

#include "platform/ui/LayerAnimation.hpp"

namespace ui {

// Groups layer changes: the animation duration and timing function that
// animations added inside take by default, whether implicit actions are
// disabled, and a completion run after the transaction's duration once the
// outermost transaction commits.
class Transaction {
 public:
  static void begin();
  static void commit();
  static void setAnimationDuration(double seconds);
  static double animationDuration();  // 0.25 outside any transaction
  static void setAnimationTimingFunction(TimingFunction f);
  static TimingFunction animationTimingFunction();
  static void setDisableActions(bool disable);
  static bool disableActions();
  static void setCompletionBlock(std::function<void()> block);
  static int depth();
};

}  // namespace ui
