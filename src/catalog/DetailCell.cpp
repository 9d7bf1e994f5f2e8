#include "catalog/DetailCell.hpp"

#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const char* font, double size, const gfx::Color& color) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(gfx::Font::named(font, size));
  l->setTextColor(color);
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

double textWidth(const std::string& text, const gfx::Font& font) {
  return gfx::sizeWithFont(text, font, ui::Size{1e6, 20}, gfx::LineBreakMode::WordWrap).width;
}

}  // namespace

DetailCell::DetailCell(const ui::Rect& frame, std::string reuseIdentifier)
    : GridViewCell(frame, std::move(reuseIdentifier)) {
  auto content = contentView();
  bgImageView_ = std::make_shared<ui::ImageView>(ui::Rect{17, 10, 160, 110});
  bgImageView_->setBackgroundColor(gfx::Color::white());
  bgImageView_->setContentMode(ui::ContentMode::Center);
  bgImageView_->setUserInteractionEnabled(true);
  productImageView_ = std::make_shared<ui::ImageView>(ui::Rect{17, 10, 160, 110});
  productImageView_->setBackgroundColor(gfx::Color::white());
  catalogNameLabel_ = label({10, 121, 173, 35}, "Arial-BoldMT", 14, gfx::Color::black());
  catalogNameLabel_->setNumberOfLines(0);
  skuContentLabel_ = label({10, 156, 130, 20}, "Arial", 13, gfx::Color::gray());
  priceContentLabel_ = label({10, 175, 120, 20}, "Arial", 14, gfx::Color::black());
  discountPriceLabel_ = label({}, "Arial", 14, gfx::Color::purple());
  // A price wider than its place is drawn smaller rather than cut.
  for (auto* price : {priceContentLabel_.get(), discountPriceLabel_.get()}) {
    price->setAdjustsFontSizeToFitWidth(true);
    price->setMinimumFontSize(kPriceMinimumFontSize);
  }
  addOrderBtn_ = std::make_shared<BadgeButton>(ui::Rect{149, 158, 34, 34});
  addOrderBtn_->setImage(SkinManager::skinFromImageName("btn-cart.png"), ui::ControlStateNormal);
  addOrderBtn_->setAccessibilityLabel(text("ADDTOORDER"));
  devideImageView_ = std::make_shared<ui::ImageView>(ui::Rect{194, 10, 1, 192});
  devideImageView_->setImage(gfx::Image::named("divideline.png"));
  smallCloseBtn_ = std::make_shared<ui::Button>(ui::Rect{frame.width() - 50, 0, 50, 50}, ui::ButtonType::Custom);
  smallCloseBtn_->setImage(gfx::Image::named("btn_remove.png"));
  smallCloseBtn_->setAccessibilityLabel(text("REMOVEFROMLIST"));
  smallCloseBtn_->setImageEdgeInsets({10, 10, 10, 10});
  smallCloseBtn_->setHidden(true);
  for (const std::shared_ptr<ui::View>& v :
       std::vector<std::shared_ptr<ui::View>>{bgImageView_, productImageView_, catalogNameLabel_, skuContentLabel_,
                                              priceContentLabel_, discountPriceLabel_, addOrderBtn_,
                                              devideImageView_, smallCloseBtn_}) {
    content->addSubview(v);
  }
  imageLoader_ = PictureLoader::create(productImageView_);
}

void DetailCell::init() {
  auto weak = ui::weakAs<DetailCell>(this);
  auto cellOf = [weak] { return weak.lock(); };
  bgImageView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([cellOf](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    auto self = cellOf();
    if (!self) return;
    if (auto d = self->detailDelegate()) d->didSelectedImage(*self);
  }));
  // The picture lies over the tap area and passes touches down to it.
  productImageView_->setUserInteractionEnabled(false);
  addOrderBtn_->addAction(
      [cellOf](ui::Control&, const ui::Event*) {
        auto self = cellOf();
        if (!self) return;
        if (auto d = self->detailDelegate()) d->addToOrder(*self);
      },
      ui::ControlEventTouchUpInside);
  smallCloseBtn_->addAction(
      [cellOf](ui::Control&, const ui::Event*) {
        auto self = cellOf();
        if (!self) return;
        if (auto d = self->detailDelegate()) d->deleteCell(*self);
      },
      ui::ControlEventTouchUpInside);
  // Shown by the screen when this login is offered the orders.
  addOrderBtn_->setHidden(true);
}

ui::Rect DetailCell::discountFrame(double priceWidth, double discountWidth) {
  if (priceWidth + discountWidth > 130) return {10, 190, 120, 20};
  return {priceWidth + 20, 175, 120, 20};
}

void DetailCell::setPriceEntity(const marvisto_product_price_Entity& price) {
  priceContentLabel_->setHidden(price.isHidden());
  priceContentLabel_->setText(price.strPrice());
  setDiscountprice(price.discount_flag ? std::optional<std::string>(price.strDiscountPrice()) : std::nullopt);
}

void DetailCell::setDiscountprice(const std::optional<std::string>& discount) {
  ViewStyle::removeDeletionLineFromLabel(*priceContentLabel_);
  if (!discount || isBlank(trimWhitespaceAndNewlines(*discount))) {
    discountPriceLabel_->setText("");
    discountPriceLabel_->setFrame({});
    return;
  }
  const gfx::Font& font = priceContentLabel_->font();
  discountPriceLabel_->setFrame(
      discountFrame(textWidth(priceContentLabel_->text(), font), textWidth(*discount, font)));
  discountPriceLabel_->setText(*discount);
  ViewStyle::addDeletionLineToLabel(*priceContentLabel_);
}

void DetailCell::setBadgeValue(const std::optional<std::string>& value, bool animated) {
  addOrderBtn_->setBadgeValue(value, animated);
}

void DetailCell::loadImageAsyncWihtAnimation(bool animation) {
  imageLoader_->loadFileImageAsyncWithName(imagename_.value_or(""), kFileTypeProductImage, animation);
}

}  // namespace mv
