#include "library/reader/ThumbsPageThumb.hpp"

#include <cmath>

#include "platform/ui/Device.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

ThumbsPageThumb::ThumbsPageThumb(const ui::Rect& frame) : ReaderThumbView(frame) {
  imageView()->setContentMode(ui::ContentMode::Center);
  defaultRect_ = bounds().inset(kInset, kInset);
  maximumSize_ = defaultRect_.size;
  // The card before a picture arrives: three quarters as wide, same centre.
  const double narrowed = defaultRect_.width() * 0.25 * 3;
  defaultRect_ = {defaultRect_.midX() - narrowed / 2, defaultRect_.y(), narrowed, defaultRect_.height()};
  imageView()->setFrame(defaultRect_);
  imageView()->setAutoresizingMask(ui::AutoresizingNone);

  const bool pad = ui::Device::currentDevice().userInterfaceIdiom() == ui::UserInterfaceIdiom::Pad;
  textLabel_ = std::make_shared<ui::Label>(defaultRect_);
  textLabel_->setAutoresizingMask(ui::AutoresizingNone);
  textLabel_->setUserInteractionEnabled(false);
  textLabel_->setTextAlignment(gfx::TextAlignment::Center);
  textLabel_->setFont(gfx::Font::systemFont(pad ? 19 : 16));
  textLabel_->setTextColor(gfx::Color::rgb(0.24, 0.24, 0.24, 1));
  textLabel_->setBackgroundColor(gfx::Color::white());
  insertSubviewBelow(textLabel_, imageView().get());

  backView_ = std::make_shared<ui::View>(defaultRect_);
  backView_->setAutoresizingMask(ui::AutoresizingNone);
  backView_->setUserInteractionEnabled(false);
  backView_->setBackgroundColor(gfx::Color::white());
  backView_->layer().setShadowOffset({0, 1});
  backView_->layer().setShadowRadius(3);
  backView_->layer().setShadowOpacity(1);
  backView_->layer().setShadowPath(gfx::Path::rect(backView_->bounds()));
  insertSubviewBelow(backView_, textLabel_.get());

  tintView_ = std::make_shared<ui::View>(imageView()->bounds());
  tintView_->setHidden(true);
  tintView_->setAutoresizingMask(ui::AutoresizingNone);
  tintView_->setUserInteractionEnabled(false);
  tintView_->setBackgroundColor(gfx::Color::rgb(0, 0, 0, 0.25));
  imageView()->addSubview(tintView_);

  bookMark_ = std::make_shared<ui::ImageView>(WidgetSkin::bundleImage("Reader-Mark-Y"));
  bookMark_->setHidden(true);
  bookMark_->setAutoresizingMask(ui::AutoresizingNone);
  bookMark_->setUserInteractionEnabled(false);
  bookMark_->setContentMode(ui::ContentMode::Center);
  bookMark_->setFrame(markRectInImageView());
  imageView()->addSubview(bookMark_);
}

ui::Rect ThumbsPageThumb::markRectInImageView() const {
  ui::Size ribbon = bookMark_ && bookMark_->image() ? bookMark_->image()->size() : ui::Size{16, 24};
  return {imageView()->bounds().width() - ribbon.width - 8, -2, ribbon.width, ribbon.height};
}

void ThumbsPageThumb::placeCard(const ui::Rect& b, ui::Point center) {
  for (ui::View* v : {static_cast<ui::View*>(textLabel_.get()), static_cast<ui::View*>(imageView().get()),
                      backView_.get()}) {
    v->setBounds(b);
    v->setCenter(center);
  }
  bookMark_->setFrame(markRectInImageView());
  tintView_->setFrame(imageView()->bounds());
  backView_->layer().setShadowPath(gfx::Path::rect(backView_->bounds()));
}

void ThumbsPageThumb::showImage(const gfx::ImagePtr& image) {
  if (!image) return;
  ui::Size s = image->size();
  ui::Point center{std::trunc(bounds().width() / 2), std::trunc(bounds().height() / 2)};
  placeCard({0, 0, s.width, s.height}, center);
  ReaderThumbView::showImage(image);
}

void ThumbsPageThumb::reuse() {
  ReaderThumbView::reuse();
  textLabel_->setText("");
  placeCard({0, 0, defaultRect_.width(), defaultRect_.height()}, defaultRect_.center());
  bookMark_->setHidden(true);
  tintView_->setHidden(true);
}

void ThumbsPageThumb::showTouched(bool touched) { tintView_->setHidden(!touched); }

void ThumbsPageThumb::showBookmark(bool show) { bookMark_->setHidden(!show); }

void ThumbsPageThumb::showText(const std::string& text) { textLabel_->setText(text); }

}  // namespace mv
