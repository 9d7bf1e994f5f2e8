#include "library/BrowserTab.hpp"

#include <algorithm>

#include "library/BrowserTabView.hpp"
#include "platform/gfx/TextMeasurer.hpp"

namespace mv {

BrowserTab::BrowserTab(std::string reuseIdentifier, BrowserTabView* delegate)
    : ui::View(ui::Rect{}), reuseIdentifier_(std::move(reuseIdentifier)), delegate_(delegate) {
  setBackgroundColor(gfx::Color::clear());
  setOpaque(false);
  tabSelectedImage_ = gfx::Image::named("bg_tab_selected.png");
  imageView_ = std::make_shared<ui::ImageView>(bounds());
  textLabel_ = std::make_shared<ui::Label>(bounds());
  textLabel_->setBackgroundColor(gfx::Color::clear());
  textLabel_->setTextAlignment(gfx::TextAlignment::Center);
  textLabel_->setFont(titleFont_);
  imageViewClose_ = std::make_shared<ui::ImageView>(gfx::Image::named("tab_close.png"));
  imageViewClose_->setHidden(true);
  addSubview(imageView_);
  addSubview(textLabel_);
  addSubview(imageViewClose_);
  setSelected(true);
}

void BrowserTab::setTitle(const std::string& title) {
  title_ = title;
  textLabel_->setText(title);
  setNeedsLayout();
}

void BrowserTab::setTitleFont(const gfx::Font& font) {
  titleFont_ = font;
  textLabel_->setFont(font);
  setNeedsLayout();
}

void BrowserTab::setSelected(bool selected) {
  selected_ = selected;
  textLabel_->setTextColor(selected ? selectedTitleColor_ : normalTitleColor_);
  imageView_->setImage(selected ? tabSelectedImage_ : tabNormalImage_);
  imageViewClose_->setHidden(!(selected && delegate_ && delegate_->numberOfTabs() >= 2));
  setNeedsLayout();
}

void BrowserTab::prepareForReuse() {
  setTitle("");
  index_ = 0;
  delegate_ = nullptr;
  setSelected(false);
}

void BrowserTab::layoutSubviews() {
  const ui::Rect b = bounds();
  title_ = textLabel_->text();
  imageView_->setFrame(b);
  // The title is centred in the part the close mark leaves free.
  const double room = imageViewClose_->isHidden() ? b.width() : kCloseMarkOffset.x();
  const double width = std::min(room, gfx::TextMeasurer::current().widthOf(title_, titleFont_));
  textLabel_->setFrame({b.x() + (room - width) / 2, b.y(), width, b.height()});
  imageViewClose_->setFrame({b.x() + kCloseMarkOffset.x(), b.y() + kCloseMarkOffset.y(), kCloseMarkOffset.width(),
                             kCloseMarkOffset.height()});
}

void BrowserTab::touchesBegan(const ui::TouchSet&, const ui::Event&) {
  setSelected(true);
  if (delegate_) delegate_->setSelectedTabIndex(index_, false);
}

}  // namespace mv
