#include "catalog/SearchProductCell.hpp"

#include "platform/gfx/TextMeasurer.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

const ui::Rect kPriceFrame{85, 33, 95, 21};
const ui::Rect kDiscountFrame{195, 33, 100, 21};

std::shared_ptr<ui::Label> label(const ui::Rect& frame, const char* font, double size, const gfx::Color& color) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(gfx::Font::named(font, size));
  l->setTextColor(color);
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

}  // namespace

SearchProductCell::SearchProductCell(std::string reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, std::move(reuseIdentifier)) {
  imageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 78, 81});
  picture_ = PictureLoader::create(imageView_);
  productName_ = label({85, 5, 180, 30}, "Arial-BoldMT", 12, gfx::Color::black());
  productName_->setNumberOfLines(0);
  productPrice_ = label(kPriceFrame, "Arial", 16, gfx::Color::black());
  productSKU_ = label({85, 54, 195, 21}, "Arial", 12, gfx::Color::black());
  productDiscountPrice_ = label(kDiscountFrame, "Arial", 16, gfx::Color::purple());
  for (const std::shared_ptr<ui::View>& v : std::vector<std::shared_ptr<ui::View>>{
           imageView_, productName_, productPrice_, productSKU_, productDiscountPrice_}) {
    contentView().addSubview(v);
  }
}

void SearchProductCell::loadPicture(const std::string& name) {
  picture_->loadFileImageAsyncWithName(name, kFileTypeProductImage, false);
}

SearchProductCell::PriceFrames SearchProductCell::priceFrames(double w) {
  if (w < 100) return {{kPriceFrame.x(), kPriceFrame.y(), w, kPriceFrame.height()},
                       {kPriceFrame.x() + w + 10, kDiscountFrame.y(), kDiscountFrame.width(), kDiscountFrame.height()}};
  return {{85, 33, 100, 21}, kDiscountFrame};
}

void SearchProductCell::setProductId(int productId, const marvisto_product_price_Entity& price) {
  productId_ = productId;
  ViewStyle::removeDeletionLineFromLabel(*productPrice_);
  productPrice_->setFrame(kPriceFrame);
  productPrice_->setText(price.strPrice());
  if (!price.discount_flag) {
    productDiscountPrice_->setText("");
    return;
  }
  productDiscountPrice_->setText(price.strDiscountPrice());
  const double w = gfx::sizeWithFont(productPrice_->text(), gfx::Font::named("Arial", 16), ui::Size{1e6, 20},
                                     gfx::LineBreakMode::WordWrap)
                       .width;
  const auto frames = priceFrames(w);
  productPrice_->setFrame(frames.price);
  productDiscountPrice_->setFrame(frames.discount);
  ViewStyle::addDeletionLineToLabel(*productPrice_);
}

}  // namespace mv
