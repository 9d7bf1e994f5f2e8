#include "platform/ui/Transaction.hpp"

#include <vector>

#include "platform/base/RunLoop.hpp"

namespace ui {

namespace {

struct Frame {
  double duration = 0.25;
  TimingFunction timing = TimingFunction::Default;
  bool disableActions = false;
  std::function<void()> completion;
};

std::vector<Frame>& stack() {
  static std::vector<Frame> s;
  return s;
}

}  // namespace

void Transaction::begin() {
  auto& s = stack();
  Frame f;
  if (!s.empty()) {
    f.duration = s.back().duration;
    f.timing = s.back().timing;
    f.disableActions = s.back().disableActions;
  }
  s.push_back(std::move(f));
}

void Transaction::commit() {
  auto& s = stack();
  if (s.empty()) return;
  Frame f = std::move(s.back());
  s.pop_back();
  if (f.completion) {
    double delay = f.disableActions ? 0 : f.duration;
    base::RunLoop::main().after(delay, std::move(f.completion));
  }
}

void Transaction::setAnimationDuration(double seconds) {
  if (!stack().empty()) stack().back().duration = seconds >= 0 ? seconds : 0;
}

double Transaction::animationDuration() { return stack().empty() ? 0.25 : stack().back().duration; }

void Transaction::setAnimationTimingFunction(TimingFunction f) {
  if (!stack().empty()) stack().back().timing = f;
}

TimingFunction Transaction::animationTimingFunction() {
  return stack().empty() ? TimingFunction::Default : stack().back().timing;
}

void Transaction::setDisableActions(bool disable) {
  if (!stack().empty()) stack().back().disableActions = disable;
}

bool Transaction::disableActions() { return !stack().empty() && stack().back().disableActions; }

void Transaction::setCompletionBlock(std::function<void()> block) {
  if (!stack().empty()) stack().back().completion = std::move(block);
}

int Transaction::depth() { return static_cast<int>(stack().size()); }

}  // namespace ui
