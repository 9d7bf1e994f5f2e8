#pragma once
// The translucent information panel over the image browser: the product's
// name, SKU, price (struck through beside a discount price) and short
// description. It covers the whole screen, so a tap anywhere closes it.
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TextView.hpp"
#include "store/Entities.hpp"

namespace mv {

class ProductInfoViewDelegate {
 public:
  virtual ~ProductInfoViewDelegate() = default;
  virtual void productInfoViewClose() = 0;
};

class ProductInfoView : public ui::Control {
 public:
  static constexpr double kScreenWidth = 1024;
  static constexpr double kFadeDuration = 0.35;
  static constexpr double kRemoveDelay = 0.5;

  // Call `init` once held by a shared pointer.
  explicit ProductInfoView(const ui::Rect& frame);
  void init();

  const marvisto_product_Entity& productEntity() const { return productEntity_; }
  void setProductEntity(const marvisto_product_Entity& product);
  // The price text, and the discount price text ("" without a discount).
  void setLabelPrice(const std::string& price, const std::string& discountPrice);
  // Fades the panel out and takes it away a moment later; the delegate hears at once.
  void productInfoViewClose();
  void removeSelf();
  void updateLanguage();

  std::shared_ptr<ProductInfoViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ProductInfoViewDelegate> d) { delegate_ = std::move(d); }

  ui::Label& productNameLabel() const { return *productNameLabel_; }
  ui::Label& skuLabel() const { return *skuLabel_; }
  ui::Label& priceLabel() const { return *priceLabel_; }
  ui::Label& discountPriceLabel() const { return *discountPriceLabel_; }
  ui::TextView& descriptionView() const { return *descriptionView_; }

  // The description shown for a short description: the text of
  // "NODESCRIPTION" when it is blank.
  static std::string descriptionFor(const std::string& shortDesc);
  // The row of SKU and prices: the SKU from the left, the price ending 15
  // from the screen's right edge with the discount price just before it.
  static constexpr double kRowLeft = 670;
  static constexpr double kRowRight = kScreenWidth - 15;
  static constexpr double kPriceGap = 5;
  static constexpr double kSkuGap = 10;
  static constexpr double kPriceMinimumFontSize = 9;

 private:
  std::shared_ptr<ui::ImageView> imgViewBackground_;
  std::shared_ptr<ui::Label> productNameLabel_;
  std::shared_ptr<ui::Label> skuLabel_;
  std::shared_ptr<ui::Label> priceLabel_;
  std::shared_ptr<ui::Label> discountPriceLabel_;
  std::shared_ptr<ui::ImageView> imgProductInfoLine_;
  std::shared_ptr<ui::TextView> descriptionView_;
  marvisto_product_Entity productEntity_;
  std::weak_ptr<ProductInfoViewDelegate> delegate_;
  // The removal after closing.
  base::CancelTracker timers_;
};

}  // namespace mv
