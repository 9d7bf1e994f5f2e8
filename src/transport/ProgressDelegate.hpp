#pragma once

namespace mv {

// Receives a growing fraction from 0 to 1 on the main thread: the share of a
// request's download or upload, or of a whole queue's work.
class ProgressDelegate {
 public:
  virtual ~ProgressDelegate() = default;
  virtual void setProgress(float progress) = 0;
};

}  // namespace mv
