// The view animation API of View: blocks record what they change and run
// their completions on the main loop's clock.
#include <deque>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/View.hpp"

namespace ui {

namespace {

struct Block {
  AnimationRecord record;
  void* context = nullptr;
  bool beginsFromCurrentState = false;
  double repeatCount = 0;
  bool autoreverses = false;
  bool legacy = false;  // begin/commit form
  std::function<void(const std::string&, void*)> willStart;
  std::function<void(const std::string&, bool, void*)> didStop;
  std::function<void(bool)> completion;
};

struct AnimationState {
  std::vector<Block> stack;
  bool enabled = true;
  std::vector<AnimationRecord> log;
};

AnimationState& state() {
  static AnimationState s;
  return s;
}

constexpr std::size_t kLogLimit = 256;

AnimationCurve curveOf(unsigned options) { return static_cast<AnimationCurve>((options >> 16) & 0x7); }

void openBlock(double duration, double delay, unsigned options, bool legacy) {
  auto& s = state();
  Block b;
  b.legacy = legacy;
  b.record.duration = duration < 0 ? 0 : duration;
  b.record.delay = delay < 0 ? 0 : delay;
  b.record.options = options;
  b.record.curve = curveOf(options);
  if (!s.stack.empty()) {
    // Nested blocks take the enclosing duration and curve unless told otherwise.
    const auto& outer = s.stack.back().record;
    if (!(options & AnimationOptionOverrideInheritedDuration) && !legacy) b.record.duration = outer.duration;
    if (!(options & AnimationOptionOverrideInheritedCurve) && !legacy) b.record.curve = outer.curve;
  }
  s.stack.push_back(std::move(b));
}

void closeBlock() {
  auto& s = state();
  if (s.stack.empty()) return;
  Block b = std::move(s.stack.back());
  s.stack.pop_back();
  auto& loop = base::RunLoop::main();
  b.record.startTime = loop.now();
  bool animated = s.enabled && b.record.duration > 0;
  double repeats = b.repeatCount > 0 ? b.repeatCount : 1;
  bool forever = (b.record.options & AnimationOptionRepeat) != 0;
  double total = animated ? b.record.delay + b.record.duration * repeats * (b.autoreverses ? 2 : 1) : 0;
  if (s.log.size() >= kLogLimit) s.log.erase(s.log.begin());
  s.log.push_back(b.record);
  std::string id = b.record.identifier;
  void* ctx = b.context;
  if (b.willStart) {
    auto ws = std::move(b.willStart);
    loop.after(animated ? b.record.delay : 0, [ws, id, ctx] { ws(id, ctx); });
  }
  if (forever && animated) return;  // a repeating animation runs until removed: no completion
  if (b.completion) {
    auto c = std::move(b.completion);
    loop.after(total, [c] { c(true); });
  }
  if (b.didStop) {
    auto ds = std::move(b.didStop);
    loop.after(total, [ds, id, ctx] { ds(id, true, ctx); });
  }
}

}  // namespace

void View::noteAnimatableChange(const char* property) {
  auto& s = state();
  if (s.stack.empty() || !s.enabled) return;
  auto& changes = s.stack.back().record.changes;
  auto weak = weak_from_this();
  for (const auto& [w, p] : changes)
    if (p == property && !w.owner_before(weak) && !weak.owner_before(w)) return;
  changes.emplace_back(std::move(weak), property);
}

void View::animate(double duration, const std::function<void()>& animations, std::function<void(bool)> completion) {
  animate(duration, 0, 0, animations, std::move(completion));
}

void View::animate(double duration, double delay, unsigned options, const std::function<void()>& animations,
                   std::function<void(bool)> completion) {
  openBlock(duration, delay, options, false);
  state().stack.back().completion = std::move(completion);
  if (animations) animations();
  closeBlock();
}

void View::transition(View* view, double duration, unsigned options, const std::function<void()>& animations,
                      std::function<void(bool)> completion) {
  openBlock(duration, 0, options, false);
  auto& b = state().stack.back();
  b.completion = std::move(completion);
  b.record.identifier = "transition";
  if (view && state().enabled) b.record.changes.emplace_back(view->weak_from_this(), "contents");
  if (animations) animations();
  closeBlock();
}

void View::beginAnimations(const std::string& identifier, void* context) {
  openBlock(0.2, 0, 0, true);
  auto& b = state().stack.back();
  b.record.identifier = identifier;
  b.context = context;
}

void View::commitAnimations() { closeBlock(); }

void View::setAnimationDuration(double seconds) {
  if (!state().stack.empty()) state().stack.back().record.duration = seconds < 0 ? 0 : seconds;
}

void View::setAnimationDelay(double seconds) {
  if (!state().stack.empty()) state().stack.back().record.delay = seconds < 0 ? 0 : seconds;
}

void View::setAnimationCurve(AnimationCurve curve) {
  if (!state().stack.empty()) state().stack.back().record.curve = curve;
}

void View::setAnimationBeginsFromCurrentState(bool on) {
  if (!state().stack.empty()) state().stack.back().beginsFromCurrentState = on;
}

void View::setAnimationRepeatCount(double count) {
  if (!state().stack.empty()) state().stack.back().repeatCount = count;
}

void View::setAnimationRepeatAutoreverses(bool on) {
  if (!state().stack.empty()) state().stack.back().autoreverses = on;
}

void View::setAnimationWillStart(std::function<void(const std::string&, void*)> callback) {
  if (!state().stack.empty()) state().stack.back().willStart = std::move(callback);
}

void View::setAnimationDidStop(std::function<void(const std::string&, bool, void*)> callback) {
  if (!state().stack.empty()) state().stack.back().didStop = std::move(callback);
}

void View::setAnimationsEnabled(bool enabled) { state().enabled = enabled; }

bool View::areAnimationsEnabled() { return state().enabled; }

void View::performWithoutAnimation(const std::function<void()>& actions) {
  bool saved = state().enabled;
  state().enabled = false;
  if (actions) actions();
  state().enabled = saved;
}

bool View::isAnimating() { return !state().stack.empty() && state().enabled; }

const std::vector<AnimationRecord>& View::animationLog() { return state().log; }

void View::clearAnimationLog() { state().log.clear(); }

}  // namespace ui
