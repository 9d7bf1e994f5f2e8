#pragma once
// The base of every view that shows a page thumbnail (the page view's
// underlay, the page bar's thumbnails, the thumbnails screen's cells): an
// image view, the work producing its picture and the tag of its latest
// request. A picture is shown only while the tags match, so a view reused
// for another page never shows a late picture of the old one. Reusing or
// removing the view cancels its work.
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class ReaderThumbOperation;
class ReaderThumbView;

// The view's side of its thumbnail work, which the queues hold in place of
// the view itself: the work under way (set from any thread) and a weak link
// to the view, followed only on the main thread.
class ReaderThumbTarget {
 public:
  std::shared_ptr<ReaderThumbOperation> operation() const;
  void setOperation(std::shared_ptr<ReaderThumbOperation> operation);
  // Sets `next` only while `current` is the work under way; one step.
  void replaceOperation(const ReaderThumbOperation* current, std::shared_ptr<ReaderThumbOperation> next);
  std::weak_ptr<ReaderThumbView> view;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<ReaderThumbOperation> operation_;
};

class ReaderThumbView : public ui::View {
 public:
  explicit ReaderThumbView(const ui::Rect& frame = {});
  ~ReaderThumbView() override;

  const std::shared_ptr<ui::ImageView>& imageView() const { return imageView_; }
  std::uint64_t targetTag() const { return targetTag_; }
  void setTargetTag(std::uint64_t tag) { targetTag_ = tag; }
  const std::shared_ptr<ReaderThumbTarget>& target() const { return target_; }
  std::shared_ptr<ReaderThumbOperation> operation() const { return target_->operation(); }

  virtual void showImage(const gfx::ImagePtr& image);
  // Subclasses show a touch highlight.
  virtual void showTouched(bool /*touched*/) {}
  // Forgets the request, cancels its work and clears the picture.
  // Subclasses call this first, then reset their own parts.
  virtual void reuse();

  void willMoveToSuperview(ui::View* newSuperview) override;

 private:
  void cancelWork();
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ReaderThumbTarget> target_ = std::make_shared<ReaderThumbTarget>();
  std::uint64_t targetTag_ = 0;
};

}  // namespace mv
