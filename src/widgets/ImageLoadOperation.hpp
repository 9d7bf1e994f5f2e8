#pragma once
// One picture, decoded off the main thread, to be fitted into its image view
// and faded in on the main thread by the image fitting queue.
#include <memory>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"

namespace mv {

class ImageLoadOperation {
 public:
  enum class QueuePriority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };
  static constexpr double kFadeDuration = 0.2;

  // Takes the decoded picture (not a file name); the queue priority is very low.
  static std::shared_ptr<ImageLoadOperation> initWithImageName(gfx::ImagePtr image,
                                                               std::shared_ptr<ui::ImageView> targetImageView,
                                                               bool animation);

  const gfx::ImagePtr& image() const { return image_; }
  const std::shared_ptr<ui::ImageView>& targetImageView() const { return targetImageView_; }
  bool loadWithAnimation() const { return loadWithAnimation_; }
  QueuePriority queuePriority() const { return priority_; }
  void setQueuePriority(QueuePriority p) { priority_ = p; }

  // Waiting in a queue, or not yet queued.
  bool isReady() const { return !cancelled_ && !started_; }
  bool isExecuting() const { return executing_; }
  bool isFinished() const { return finished_; }
  bool isCancelled() const { return cancelled_; }
  // An operation cancelled before it starts never runs.
  void cancel() { cancelled_ = true; }

  // Runs the operation once (the queue calls it): fits the picture into the
  // view and shows the view, unless it was cancelled or the view has left
  // its superview meanwhile.
  void start();

 private:
  ImageLoadOperation() = default;
  void main();

  gfx::ImagePtr image_;
  std::shared_ptr<ui::ImageView> targetImageView_;
  bool loadWithAnimation_ = false;
  QueuePriority priority_ = QueuePriority::VeryLow;
  bool cancelled_ = false;
  bool started_ = false;
  bool executing_ = false;
  bool finished_ = false;
};

}  // namespace mv
