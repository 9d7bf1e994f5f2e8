#include "widgets/ImageLoadOperation.hpp"

#include "widgets/ViewStyle.hpp"

namespace mv {

std::shared_ptr<ImageLoadOperation> ImageLoadOperation::initWithImageName(gfx::ImagePtr image,
                                                                          std::shared_ptr<ui::ImageView> targetImageView,
                                                                          bool animation) {
  std::shared_ptr<ImageLoadOperation> op(new ImageLoadOperation());
  op->image_ = std::move(image);
  op->targetImageView_ = std::move(targetImageView);
  op->loadWithAnimation_ = animation;
  return op;
}

void ImageLoadOperation::start() {
  if (started_) return;
  started_ = true;
  if (!cancelled_) {
    executing_ = true;
    main();
    executing_ = false;
  }
  finished_ = true;
}

void ImageLoadOperation::main() {
  auto view = targetImageView_;
  if (!view || !view->superview()) return;
  ViewStyle::ImageViewFitImg(*view, image_);
  if (loadWithAnimation_) {
    ui::View::animate(kFadeDuration, 0, 0, [view] { view->setAlpha(1.0); });
  } else {
    view->setAlpha(1.0);
  }
}

}  // namespace mv
