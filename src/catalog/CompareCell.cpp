#include "catalog/CompareCell.hpp"

#include <algorithm>

#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

gfx::Font rowFont() { return gfx::Font::named("HelveticaNeue-Light", 14); }

std::shared_ptr<ui::Label> row(const ui::Rect& frame, const gfx::Color& color) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(rowFont());
  l->setTextColor(color);
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

gfx::Color priceColor() { return gfx::Color::rgb(0.4, 0, 0.2); }

}  // namespace

CompareCell::CompareCell(const ui::Rect& frame) : ui::View(frame) {
  contentBackgroundView_ = std::make_shared<ui::View>(bounds());
  contentBackgroundView_->setBackgroundColor(gfx::Color::clear());
  productImageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 40, 200, 138});
  productImageView_->setUserInteractionEnabled(true);
  smallCloseBtn_ = std::make_shared<ui::Button>(ui::Rect{160, 10, 50, 50}, ui::ButtonType::Custom);
  smallCloseBtn_->setImage(gfx::Image::named("btn_remove.png"));
  smallCloseBtn_->setAccessibilityLabel(text("REMOVEFROMLIST"));
  smallCloseBtn_->setImageEdgeInsets({10, 10, 10, 10});
  smallCloseBtn_->setHidden(true);
  devideImageView_ = std::make_shared<ui::ImageView>(ui::Rect{205, 40, 1, 138});
  devideImageView_->setImage(gfx::Image::named("divideline.png"));
  addOrderBtn_ = std::make_shared<IconButton>(ui::Rect{30, 240, 150, 30});
  ViewStyle::initializeToButtonHeight30(*addOrderBtn_);
  addOrderBtn_->setIconType(IconButtonTypeAddToOrder);
  const auto grey = gfx::Color::white(0.2);
  productNameLabel_ = row({1, 290, 209, 32}, grey);
  productNameLabel_->setNumberOfLines(0);
  priceLabel_ = row({1, 322, 84, 32}, priceColor());
  disCountpriceLabel_ = row({86, 322, 124, 32}, priceColor());
  SKULabel_ = row({1, 354, 209, 32}, grey);
  shortDesTextView_ = std::make_shared<ui::TextView>(ui::Rect{1, 386, 209, 120});
  shortDesTextView_->setFont(rowFont());
  shortDesTextView_->setTextColor(grey);
  shortDesTextView_->setBackgroundColor(gfx::Color::clear());
  shortDesTextView_->setEditable(false);
  for (const std::shared_ptr<ui::View>& v : std::vector<std::shared_ptr<ui::View>>{
           contentBackgroundView_, productImageView_, devideImageView_, addOrderBtn_, productNameLabel_, priceLabel_,
           disCountpriceLabel_, SKULabel_, shortDesTextView_, smallCloseBtn_}) {
    addSubview(v);
  }
}

void CompareCell::init() {
  auto weak = ui::weakAs<CompareCell>(this);
  auto report = [weak](void (CompareCellDelegate::*call)(CompareCell&)) {
    auto self = weak.lock();
    if (!self) return;
    if (auto d = self->compareDelegate()) ((*d).*call)(*self);
  };
  addOrderBtn_->addAction([report](ui::Control&, const ui::Event*) { report(&CompareCellDelegate::addToOrder); },
                          ui::ControlEventTouchUpInside);
  smallCloseBtn_->addAction([report](ui::Control&, const ui::Event*) { report(&CompareCellDelegate::removeCell); },
                            ui::ControlEventTouchUpInside);
  contentBackgroundView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([report](ui::GestureRecognizer& g) {
    if (g.state() == ui::GestureRecognized) report(&CompareCellDelegate::didClickCellBackground);
  }));
  productImageView_->addGestureRecognizer(std::make_shared<ui::TapGestureRecognizer>([report](ui::GestureRecognizer& g) {
    if (g.state() == ui::GestureRecognized) report(&CompareCellDelegate::didTapImage);
  }));
  auto press = std::make_shared<ui::LongPressGestureRecognizer>([report](ui::GestureRecognizer& g) {
    if (g.state() == ui::GestureState::Began) report(&CompareCellDelegate::didLongPressImage);
  });
  press->minimumPressDuration = kLongPress;
  productImageView_->addGestureRecognizer(press);
}

double CompareCell::discountX(double priceX, double textWidth, double priceWidth) {
  return priceX + std::min(textWidth, priceWidth) + 20;
}

void CompareCell::loadPicture(const std::string& name) {
  if (!picture_) picture_ = PictureLoader::create(productImageView_);
  picture_->loadFileImageAsyncWithName(name, kFileTypeProductImage, false);
}

void CompareCell::setProductId(int productId, const marvisto_product_price_Entity& price) {
  productId_ = productId;
  priceLabel_->setHidden(price.isHidden());
  priceLabel_->setText(price.strPrice());
  setDiscountprice(price.discount_flag ? std::optional<std::string>(price.strDiscountPrice()) : std::nullopt);
}

void CompareCell::setDiscountprice(const std::optional<std::string>& discount) {
  ViewStyle::removeDeletionLineFromLabel(*priceLabel_);
  if (!discount || isBlank(trimWhitespaceAndNewlines(*discount))) {
    disCountpriceLabel_->setText("");
    disCountpriceLabel_->setFrame({});
    return;
  }
  disCountpriceLabel_->setTextColor(gfx::Color::purple());
  const ui::Rect p = priceLabel_->frame();
  const double textWidth = gfx::sizeWithFont(priceLabel_->text(), priceLabel_->font(), ui::Size{1e6, 40},
                                             gfx::LineBreakMode::WordWrap)
                               .width;
  disCountpriceLabel_->setFrame({discountX(p.x(), textWidth, p.width()), p.y(), p.width(), p.height()});
  disCountpriceLabel_->setText(*discount);
  ViewStyle::addDeletionLineToLabel(*priceLabel_);
}

void CompareCell::setBadgeValue(const std::optional<std::string>& value, bool animated) {
  addOrderBtn_->setBadgeValue(value, animated);
}

}  // namespace mv
