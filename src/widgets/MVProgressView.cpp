#include "widgets/MVProgressView.hpp"

#include <algorithm>
#include <cmath>

namespace mv {

ui::Rect MVProgressView::raised(const ui::Rect& frame) {
  ui::Rect r = frame;
  r.size.width = std::max(r.size.width, kMinWidth);
  r.size.height = std::max(r.size.height, kMinHeight);
  return r;
}

MVProgressView::MVProgressView(const ui::Rect& frame, gfx::ImagePtr backgroundImage, gfx::ImagePtr progressImage)
    : ui::View(raised(frame)) {
  const ui::Rect b = bounds();
  backgroundImageView_ = std::make_shared<ui::ImageView>(b);
  backgroundImageView_->setImage(std::move(backgroundImage));
  backgroundImageView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  addSubview(backgroundImageView_);
  progressImageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, kMinWidth, b.height()});
  progressImageView_->setImage(std::move(progressImage));
  progressImageView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  progressImageView_->setHidden(true);
  addSubview(progressImageView_);
}

void MVProgressView::setProgress(float progress) {
  // 0/0 from a phase without work arrives as NaN: it is no progress at all.
  if (std::isnan(progress)) progress = 0;
  if (progress == progress_) return;
  progress_ = std::clamp(progress, 0.0f, 1.0f);
  if (!progressImageView_) return;
  progressImageView_->setHidden(progress_ == 0);
  ui::Rect f = progressImageView_->frame();
  f.size.width = targetWidth();
  auto view = progressImageView_;
  if (progress_ > 0 && progressAnimationDuration_ > 0) {
    ui::View::animate(progressAnimationDuration_, 0,
                      ui::AnimationOptionBeginFromCurrentState | ui::AnimationOptionCurveEaseOut,
                      [view, f] { view->setFrame(f); });
  } else {
    view->setFrame(f);
  }
}

void MVProgressView::setBackgroundImageView(std::shared_ptr<ui::ImageView> view) {
  if (backgroundImageView_) backgroundImageView_->removeFromSuperview();
  backgroundImageView_ = std::move(view);
  if (backgroundImageView_) insertSubview(backgroundImageView_, 0);
}

void MVProgressView::setProgressImageView(std::shared_ptr<ui::ImageView> view) {
  if (progressImageView_) progressImageView_->removeFromSuperview();
  progressImageView_ = std::move(view);
  if (progressImageView_) addSubview(progressImageView_);
}

void MVProgressView::layoutSubviews() {
  // A resized bar keeps its progress in proportion to its new width.
  if (!progressImageView_ || progressImageView_->isHidden()) return;
  ui::Rect f = progressImageView_->frame();
  f.size.width = targetWidth();
  progressImageView_->setFrame(f);
}

}  // namespace mv
