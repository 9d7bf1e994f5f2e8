#pragma once
// The blocking wait box as the sync layer opens it: a text over the dimmed
// window until the work ends or the time-out passes. The shell installs its
// box; without one nothing is shown. Main thread only.
#include <memory>
#include <string>

namespace mv {

class BlockWaitBox {
 public:
  virtual ~BlockWaitBox() = default;
  // Shows the box, closing any other, and closes it by itself after
  // `timeout` seconds. Answers the box's tag.
  virtual int BeginBlockWait(const std::string& text, double timeout) = 0;
  // Closes the box of that tag only; harmless when it is already gone.
  virtual void EndBlockWait(int tag) = 0;

  static void install(std::shared_ptr<BlockWaitBox> box);
  static std::shared_ptr<BlockWaitBox> installed();
};

}  // namespace mv
