#pragma once
// One tile of the related-products strip: the thumbnail, name, SKU and the
// regular price. A touch that ends on it tells the strip.
#include <memory>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"
#include "store/Entities.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

class RelateProcuctsCell;

class RelateProcuctsCellDelegate {
 public:
  virtual ~RelateProcuctsCellDelegate() = default;
  virtual void relateProcuctsCellDidSelectedImage(RelateProcuctsCell& cell) = 0;
};

class RelateProcuctsCell : public ui::View {
 public:
  static constexpr long kFirstTag = 3500;

  explicit RelateProcuctsCell(const ui::Rect& frame);

  ui::ImageView& productImageView() const { return *productImageView_; }
  // Shows the product picture of that name, read at the size the tile shows it.
  void loadPicture(const std::string& name);
  ui::Label& catalogNameLabel() const { return *catalogNameLabel_; }
  ui::Label& skuContentLabel() const { return *skuContentLabel_; }
  ui::Label& priceContentLabel() const { return *priceContentLabel_; }
  int productId() const { return productId_; }
  void setProductId(int id) { productId_ = id; }
  // The regular price, hidden for a product without one.
  void setPriceEntity(const marvisto_product_price_Entity& price);

  std::shared_ptr<RelateProcuctsCellDelegate> detailDelegate() const { return detailDelegate_.lock(); }
  void setDetailDelegate(std::weak_ptr<RelateProcuctsCellDelegate> d) { detailDelegate_ = std::move(d); }

  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  std::shared_ptr<ui::ImageView> productImageView_;
  std::shared_ptr<PictureLoader> picture_;
  std::shared_ptr<ui::Label> catalogNameLabel_, skuContentLabel_, priceContentLabel_;
  int productId_ = 0;
  std::weak_ptr<RelateProcuctsCellDelegate> detailDelegate_;
};

}  // namespace mv
