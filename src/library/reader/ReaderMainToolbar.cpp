#include "library/reader/ReaderMainToolbar.hpp"

#include "platform/base/MainThread.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

std::shared_ptr<ReaderMainToolbar> ReaderMainToolbar::initWithFrame(const ui::Rect& frame,
                                                                    const std::string& documentName) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<ReaderMainToolbar> bar(new ReaderMainToolbar(frame));
  std::weak_ptr<ReaderMainToolbar> weak = bar;
  const double w = frame.width();
  auto tell = [weak](void (ReaderMainToolbarDelegate::*op)(ReaderMainToolbar&, ui::Button&)) {
    return [weak, op](ui::Control& sender, const ui::Event*) {
      auto self = weak.lock();
      if (!self) return;
      if (auto d = self->delegate()) ((*d).*op)(*self, static_cast<ui::Button&>(sender));
    };
  };

  bar->doneButton_ = bar->addBackButton();
  bar->doneButton_->addAction(tell(&ReaderMainToolbarDelegate::tappedInToolbarDoneButton),
                              ui::ControlEventTouchUpInside);
  bar->thumbsButton_ = bar->addImageButton({76, 5, 34, 34}, WidgetSkin::bundleImage("Reader-Thumbs"));
  bar->thumbsButton_->setAccessibilityLabel(text("THUMBNAILS"));
  bar->thumbsButton_->addAction(tell(&ReaderMainToolbarDelegate::tappedInToolbarThumbsButton),
                                ui::ControlEventTouchUpInside);

  bar->markButton_ = bar->addImageButton({w - 42, 5, 34, 34}, nullptr);
  bar->markButton_->setAccessibilityLabel(text("BOOKMARK"));
  bar->markButton_->setAutoresizingMask(ui::FlexibleLeftMargin);
  bar->markButton_->addAction(tell(&ReaderMainToolbarDelegate::tappedInToolbarMarkButton),
                              ui::ControlEventTouchUpInside);
  bar->markButton_->setEnabled(false);
  bar->markButton_->setTag(kNoState);
  bar->markImageN_ = WidgetSkin::bundleImage("Reader-Mark-N");
  bar->markImageY_ = WidgetSkin::bundleImage("Reader-Mark-Y");

  bar->shareButton_ = bar->addImageButton({w - 84, 5, 34, 34}, WidgetSkin::skinFromImageName("btn-share.png"));
  bar->shareButton_->setAccessibilityLabel(text("SHARE"));
  bar->shareButton_->setAutoresizingMask(ui::FlexibleLeftMargin);
  bar->shareButton_->addAction(tell(&ReaderMainToolbarDelegate::tappedInToolbarShareButton),
                               ui::ControlEventTouchUpInside);

  bar->titleLabel_ = bar->addTitleLabel({118, 7, w - 210, 30}, documentName);
  return bar;
}

void ReaderMainToolbar::setBookmarkState(bool state) {
  const long tag = state ? 1 : 0;
  if (markButton_->tag() != tag) {
    if (isBarVisible()) markButton_->setImage(state ? markImageY_ : markImageN_);
    markButton_->setTag(tag);
  }
  if (!markButton_->isEnabled()) markButton_->setEnabled(true);
}

void ReaderMainToolbar::updateBookmarkImage() {
  if (markButton_->tag() != kNoState) markButton_->setImage(markButton_->tag() ? markImageY_ : markImageN_);
  if (!markButton_->isEnabled()) markButton_->setEnabled(true);
}

void ReaderMainToolbar::hideToolbar() {
  if (!isHidden()) fadeOut(*this);
}

void ReaderMainToolbar::showToolbar() {
  if (!isHidden()) return;
  updateBookmarkImage();
  fadeIn(*this);
}

}  // namespace mv
