#pragma once
// The blocking wait box as the sync layer opens it: a text over the dimmed
// window until the work ends or the time-out passes. The shell installs its
// box; without one nothing is shown. Main thread only.
#include <functional>
#include <memory>
#include <string>

namespace mv {

class BlockWaitBox {
 public:
  virtual ~BlockWaitBox() = default;
  // Shows the box, closing any other, and closes it by itself after
  // `timeout` seconds. Answers the box's tag. With a cancel action the box
  // offers the user a way out; taking it closes the box, then runs the action.
  virtual int BeginBlockWait(const std::string& text, double timeout, std::function<void()> onCancel = {}) = 0;
  // Closes the box of that tag only; harmless when it is already gone.
  virtual void EndBlockWait(int tag) = 0;

  static void install(std::shared_ptr<BlockWaitBox> box);
  static std::shared_ptr<BlockWaitBox> installed();
};

}  // namespace mv
