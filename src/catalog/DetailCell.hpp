#pragma once
// The product card of the catalogue grid and of the favourites: the
// thumbnail, name, SKU, price with a discount price beside or under it, and
// a cart button whose badge counts the product in the current order. A tap
// on the picture opens the product; the cart button adds it.
#include <memory>
#include <optional>
#include <string>

#include "widgets/PictureLoader.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "store/Entities.hpp"
#include "widgets/BadgeButton.hpp"
#include "widgets/grid/GridViewCell.hpp"

namespace mv {

class DetailCell;

class DetailCellDelegate {
 public:
  virtual ~DetailCellDelegate() = default;
  virtual void didSelectedImage(DetailCell& cell) = 0;
  virtual void addToOrder(DetailCell& cell) = 0;
  // The delete button of an editable list (favourites).
  virtual void deleteCell(DetailCell& /*cell*/) {}
};

class DetailCell : public GridViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "mv_catalog_cell";
  static constexpr long kFirstTag = 2000;
  static constexpr double kPriceMinimumFontSize = 8;
  inline static const ui::Rect kFrame{0, 0, 200, 212};

  // Call `init` once held by a shared pointer.
  DetailCell(const ui::Rect& frame, std::string reuseIdentifier);
  void init();

  ui::ImageView& bgImageView() const { return *bgImageView_; }
  ui::ImageView& productImageView() const { return *productImageView_; }
  ui::Label& catalogNameLabel() const { return *catalogNameLabel_; }
  ui::Label& skuContentLabel() const { return *skuContentLabel_; }
  ui::Label& priceContentLabel() const { return *priceContentLabel_; }
  ui::Label& discountPriceLabel() const { return *discountPriceLabel_; }
  BadgeButton& addOrderBtn() const { return *addOrderBtn_; }
  ui::ImageView& devideImageView() const { return *devideImageView_; }
  ui::Button& smallCloseBtn() const { return *smallCloseBtn_; }

  std::shared_ptr<DetailCellDelegate> detailDelegate() const { return detailDelegate_.lock(); }
  void setDetailDelegate(std::weak_ptr<DetailCellDelegate> d) { detailDelegate_ = std::move(d); }
  int productId() const { return productId_; }
  void setProductId(int id) { productId_ = id; }
  const std::optional<std::string>& imagename() const { return imagename_; }
  void setImagename(std::optional<std::string> name) { imagename_ = std::move(name); }

  // The price label shows the record's price (hidden for a product without
  // one) and the discount price follows while the discount applies.
  void setPriceEntity(const marvisto_product_price_Entity& price);
  // Nothing or a blank text: no discount, nothing struck through.
  void setDiscountprice(const std::optional<std::string>& discount);
  void setBadgeValue(const std::optional<std::string>& value, bool animated);
  // Reads the thumbnail off the main thread and fades it in.
  void loadImageAsyncWihtAnimation(bool animation);

  // Where the discount price goes: on the price's line when both texts fit
  // in 130 points, else on a line of its own below.
  static ui::Rect discountFrame(double priceWidth, double discountWidth);

 private:
  std::shared_ptr<ui::ImageView> bgImageView_, productImageView_, devideImageView_;
  std::shared_ptr<ui::Label> catalogNameLabel_, skuContentLabel_, priceContentLabel_, discountPriceLabel_;
  std::shared_ptr<BadgeButton> addOrderBtn_;
  std::shared_ptr<ui::Button> smallCloseBtn_;
  std::weak_ptr<DetailCellDelegate> detailDelegate_;
  int productId_ = 0;
  std::optional<std::string> imagename_;
  std::shared_ptr<PictureLoader> imageLoader_;
};

}  // namespace mv
