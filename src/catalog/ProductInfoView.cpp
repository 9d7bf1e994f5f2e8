#include "catalog/ProductInfoView.hpp"

#include <algorithm>
#include <cmath>

#include "catalog/CatalogFeedback.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/Text.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const gfx::Font& font, gfx::TextAlignment alignment) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(font);
  l->setTextAlignment(alignment);
  l->setBackgroundColor(gfx::Color::clear());
  l->setTextColor(gfx::Color::white());
  return l;
}

}  // namespace

ProductInfoView::ProductInfoView(const ui::Rect& frame) : ui::Control(frame) {
  setAlpha(0.8);
  setBackgroundColor(gfx::Color::clear());
  imgViewBackground_ = std::make_shared<ui::ImageView>(ui::Rect{653, 533, 372, 160});
  imgViewBackground_->setImage(SkinManager::skinFromImageName("product-info-bg.png"));
  imgViewBackground_->setUserInteractionEnabled(true);
  // Within the panel's picture (653 to 1025), so a long name ends in an ellipsis there.
  productNameLabel_ = label({670, 545, 343, 20}, gfx::Font::named("Helvetica-Bold", 15), gfx::TextAlignment::Left);
  skuLabel_ = label({kRowLeft, 568, 240, 20}, gfx::Font::named("Arial", 12), gfx::TextAlignment::Left);
  priceLabel_ = label({883, 568, 130, 20}, gfx::Font::named("Arial", 16), gfx::TextAlignment::Right);
  discountPriceLabel_ = label({753, 568, 130, 20}, gfx::Font::named("Arial", 16), gfx::TextAlignment::Right);
  discountPriceLabel_->setTextColor(gfx::Color::rgb255(200, 120, 255));
  for (auto* price : {priceLabel_.get(), discountPriceLabel_.get()}) {
    price->setAdjustsFontSizeToFitWidth(true);
    price->setMinimumFontSize(kPriceMinimumFontSize);
  }
  imgProductInfoLine_ = std::make_shared<ui::ImageView>(ui::Rect{660, 592, 358, 2});
  imgProductInfoLine_->setImage(SkinManager::skinFromImageName("product-info-line.png"));
  descriptionView_ = std::make_shared<ui::TextView>(ui::Rect{666, 600, 345, 70});
  descriptionView_->setFont(gfx::Font::named("Helvetica", 16));
  descriptionView_->setTextColor(gfx::Color::white());
  descriptionView_->setBackgroundColor(gfx::Color::clear());
  descriptionView_->setEditable(false);
  for (const std::shared_ptr<ui::View>& v :
       std::vector<std::shared_ptr<ui::View>>{imgViewBackground_, productNameLabel_, skuLabel_, priceLabel_,
                                              discountPriceLabel_, imgProductInfoLine_, descriptionView_}) {
    addSubview(v);
  }
}

void ProductInfoView::init() {
  auto weak = ui::weakAs<ProductInfoView>(this);
  addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->productInfoViewClose();
      },
      ui::ControlEventTouchUpInside);
}

std::string ProductInfoView::descriptionFor(const std::string& shortDesc) {
  return isBlank(trimWhitespaceAndNewlines(shortDesc)) ? CatalogFeedback::text("NODESCRIPTION") : shortDesc;
}

void ProductInfoView::setProductEntity(const marvisto_product_Entity& product) {
  productEntity_ = product;
  productNameLabel_->setText(product.product_name);
  skuLabel_->setText(product.product_sku);
  descriptionView_->setText(descriptionFor(product.product_s_desc));
  descriptionView_->setContentOffset({0, 0});
}

void ProductInfoView::updateLanguage() { descriptionView_->setText(descriptionFor(productEntity_.product_s_desc)); }

void ProductInfoView::setLabelPrice(const std::string& price, const std::string& discountPrice) {
  priceLabel_->setText(price);
  discountPriceLabel_->setText(discountPrice);
  ViewStyle::removeDeletionLineFromLabel(*priceLabel_);
  auto& m = gfx::TextMeasurer::current();
  // The prices have the row right of the SKU's text; prices wider than that
  // share it by their widths and shrink into their parts.
  const double skuEnd =
      kRowLeft + std::min(skuLabel_->frame().width(), m.widthOf(skuLabel_->text(), skuLabel_->font()));
  const double room = std::max(0.0, kRowRight - skuEnd - kSkuGap);
  double width = std::ceil(m.widthOf(price, priceLabel_->font()));
  double discountWidth = discountPrice.empty() ? 0 : std::ceil(m.widthOf(discountPrice, discountPriceLabel_->font()));
  const double gap = discountPrice.empty() ? 0 : kPriceGap;
  if (width + gap + discountWidth > room) {
    const double scale = std::max(0.0, room - gap) / (width + discountWidth);
    width = std::floor(width * scale);
    discountWidth = std::floor(discountWidth * scale);
  }
  priceLabel_->setFrame({kRowRight - width, 568, width, 20});
  if (discountPrice.empty()) return;
  discountPriceLabel_->setFrame({kRowRight - width - gap - discountWidth, 568, discountWidth, 20});
  ViewStyle::addDeletionLineToLabel(*priceLabel_);
}

void ProductInfoView::productInfoViewClose() {
  ui::View::animate(kFadeDuration, 0, ui::AnimationOptionCurveEaseIn, [this] { setAlpha(0); });
  timers_.cancelAll();
  timers_.after(kRemoveDelay, [this] {
    auto keep = self();
    removeSelf();
  });
  if (auto d = delegate()) d->productInfoViewClose();
}

void ProductInfoView::removeSelf() { removeFromSuperview(); }

}  // namespace mv
