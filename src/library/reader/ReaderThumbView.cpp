#include "library/reader/ReaderThumbView.hpp"

#include "library/reader/ReaderThumbOperation.hpp"
#include "platform/base/MainThread.hpp"

namespace mv {

std::shared_ptr<ReaderThumbOperation> ReaderThumbTarget::operation() const {
  std::lock_guard lock(mutex_);
  return operation_;
}

void ReaderThumbTarget::setOperation(std::shared_ptr<ReaderThumbOperation> operation) {
  std::lock_guard lock(mutex_);
  operation_ = std::move(operation);
}

void ReaderThumbTarget::replaceOperation(const ReaderThumbOperation* current,
                                         std::shared_ptr<ReaderThumbOperation> next) {
  std::lock_guard lock(mutex_);
  if (operation_.get() == current) operation_ = std::move(next);
}

ReaderThumbView::ReaderThumbView(const ui::Rect& frame) : ui::View(frame) {
  setAutoresizesSubviews(false);
  setUserInteractionEnabled(false);
  setContentMode(ui::ContentMode::Redraw);
  setAutoresizingMask(ui::AutoresizingNone);
  setBackgroundColor(gfx::Color::clear());
  imageView_ = std::make_shared<ui::ImageView>(bounds());
  imageView_->setAutoresizingMask(ui::AutoresizingNone);
  imageView_->setUserInteractionEnabled(false);
  imageView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  addSubview(imageView_);
}

ReaderThumbView::~ReaderThumbView() { cancelWork(); }

void ReaderThumbView::cancelWork() {
  // Taken off first: cancelling clears the view's side itself.
  if (auto op = target_->operation()) op->cancel();
  target_->setOperation(nullptr);
}

void ReaderThumbView::showImage(const gfx::ImagePtr& image) {
  MV_ASSERT_MAIN_THREAD();
  imageView_->setImage(image);
}

void ReaderThumbView::reuse() {
  MV_ASSERT_MAIN_THREAD();
  targetTag_ = 0;
  cancelWork();
  imageView_->setImage(nullptr);
}

void ReaderThumbView::willMoveToSuperview(ui::View* newSuperview) {
  if (!newSuperview) {
    targetTag_ = 0;
    cancelWork();
  }
  ui::View::willMoveToSuperview(newSuperview);
}

}  // namespace mv
