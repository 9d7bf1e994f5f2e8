#pragma once
// One product of the comparison: its picture, a remove button for edit mode,
// the add-to-order button with the product's count in the order, and its
// name, price (struck through beside a discount price), SKU and short
// description in rows that line up with the screen's captions.
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TextView.hpp"
#include "platform/ui/View.hpp"
#include "store/Entities.hpp"
#include "widgets/IconButton.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

class CompareCell;

class CompareCellDelegate {
 public:
  virtual ~CompareCellDelegate() = default;
  virtual void addToOrder(CompareCell& cell) = 0;
  virtual void didClickCellBackground(CompareCell& /*cell*/) {}
  virtual void didLongPressImage(CompareCell& /*cell*/) {}
  virtual void didTapImage(CompareCell& /*cell*/) {}
  virtual void removeCell(CompareCell& /*cell*/) {}
};

class CompareCell : public ui::View {
 public:
  static constexpr const char* kReuseIdentifier = "Comparecell";
  static constexpr long kFirstTag = 4000;
  static constexpr double kWidth = 210;
  static constexpr double kHeight = 510;
  static constexpr double kLongPress = 0.7;

  // Call `init` once held by a shared pointer.
  explicit CompareCell(const ui::Rect& frame);
  void init();

  ui::ImageView& productImageView() const { return *productImageView_; }
  // Shows the product picture of that name, read at the size the cell shows it.
  void loadPicture(const std::string& name);
  ui::Button& smallCloseBtn() const { return *smallCloseBtn_; }
  ui::ImageView& devideImageView() const { return *devideImageView_; }
  IconButton& addOrderBtn() const { return *addOrderBtn_; }
  ui::Label& productNameLabel() const { return *productNameLabel_; }
  ui::Label& priceLabel() const { return *priceLabel_; }
  ui::Label& disCountpriceLabel() const { return *disCountpriceLabel_; }
  ui::Label& SKULabel() const { return *SKULabel_; }
  ui::TextView& shortDesTextView() const { return *shortDesTextView_; }
  int productId() const { return productId_; }

  // Stores the id and shows the product's prices (`price`, its record).
  void setProductId(int productId, const marvisto_product_price_Entity& price);
  void setDiscountprice(const std::optional<std::string>& discount);
  void setBadgeValue(const std::optional<std::string>& value, bool animated);
  // The discount price's x beside a price label at `priceX`, `priceWidth`
  // wide, whose text is `textWidth` wide.
  static double discountX(double priceX, double textWidth, double priceWidth);

  std::shared_ptr<CompareCellDelegate> compareDelegate() const { return compareDelegate_.lock(); }
  void setCompareDelegate(std::weak_ptr<CompareCellDelegate> d) { compareDelegate_ = std::move(d); }

 private:
  std::shared_ptr<ui::View> contentBackgroundView_;
  std::shared_ptr<ui::ImageView> productImageView_, devideImageView_;
  std::shared_ptr<PictureLoader> picture_;
  std::shared_ptr<ui::Button> smallCloseBtn_;
  std::shared_ptr<IconButton> addOrderBtn_;
  std::shared_ptr<ui::Label> productNameLabel_, priceLabel_, disCountpriceLabel_, SKULabel_;
  std::shared_ptr<ui::TextView> shortDesTextView_;
  std::weak_ptr<CompareCellDelegate> compareDelegate_;
  int productId_ = 0;
};

}  // namespace mv
