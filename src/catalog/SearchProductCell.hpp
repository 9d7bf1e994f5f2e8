#pragma once
// One result of the catalogue search: the thumbnail, name, SKU and price,
// the price struck through beside the discount price while one applies.
#include <memory>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/View.hpp"
#include "store/Entities.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

class SearchProductCell : public ui::TableViewCell {
 public:
  static constexpr double kRowHeight = 82;

  explicit SearchProductCell(std::string reuseIdentifier);

  ui::ImageView& productImage() const { return *imageView_; }
  // Shows the product picture of that name (the stock one when there is
  // none), read at the size the row shows it.
  void loadPicture(const std::string& name);
  ui::Label& productName() const { return *productName_; }
  ui::Label& productPrice() const { return *productPrice_; }
  ui::Label& productSKU() const { return *productSKU_; }
  ui::Label& productDiscountPrice() const { return *productDiscountPrice_; }
  int productId() const { return productId_; }
  // Shows the product's price record (`price`) and lays the two prices out.
  void setProductId(int productId, const marvisto_product_price_Entity& price);

  // The frames of the price and the discount price for a price text that
  // wide: the discount 10 points after a short price, else both fixed.
  struct PriceFrames {
    ui::Rect price;
    ui::Rect discount;
  };
  static PriceFrames priceFrames(double priceTextWidth);

 private:
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<PictureLoader> picture_;
  std::shared_ptr<ui::Label> productName_, productPrice_, productSKU_, productDiscountPrice_;
  int productId_ = 0;
};

}  // namespace mv
