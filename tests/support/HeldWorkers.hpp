#pragma once
// The shared workers kept busy until released: work handed to them meanwhile
// waits in their queue, so a test sees the window as it is while that work
// is under way, however fast the machine would have done it.
#include <memory>

namespace mv::test {

class HeldWorkers {
 public:
  // Holds `workers` of them (all of the shared pool's), waiting up to a
  // minute for those busy with work of their own; `held()` says whether it
  // holds them all.
  explicit HeldWorkers(int workers = 2);
  // Releases them, as release() does.
  ~HeldWorkers();
  HeldWorkers(const HeldWorkers&) = delete;
  HeldWorkers& operator=(const HeldWorkers&) = delete;

  bool held() const { return held_; }
  // The work queued behind them goes on.
  void release();
  // Whether any are held now: a wait for work handed to the workers would
  // wait for nothing.
  static bool holding();

 private:
  struct State;
  std::shared_ptr<State> state_;
  bool held_ = false;
};

}  // namespace mv::test
