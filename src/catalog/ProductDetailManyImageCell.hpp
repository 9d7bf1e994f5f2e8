#pragma once
// One thumbnail of the product screen's image strip: the picture inset 5
// points in a thin frame of the skin's colour, a heavier frame while it is
// the picture on display. A touch that ends on it tells the delegate.
#include <memory>
#include <string>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/View.hpp"
#include "widgets/PictureLoader.hpp"

namespace mv {

class ProductDetailManyImageCell;

class ProductDetailManyImageCellDelegate {
 public:
  virtual ~ProductDetailManyImageCellDelegate() = default;
  virtual void didSelectedManyImage(ProductDetailManyImageCell& cell) = 0;
};

class ProductDetailManyImageCell : public ui::View {
 public:
  static constexpr double kInset = 5;

  explicit ProductDetailManyImageCell(const ui::Rect& frame = {});

  void setFrame(const ui::Rect& frame) override;
  ui::ImageView& imageView() const { return *imageView_; }
  // Shows the product picture of that name, read at the size the strip shows it.
  void loadPicture(const std::string& name);
  bool isFocus() const { return isFocus_; }
  void setIsFocus(bool focus);

  std::shared_ptr<ProductDetailManyImageCellDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ProductDetailManyImageCellDelegate> d) { delegate_ = std::move(d); }

  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  void applyBorder();

  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<PictureLoader> picture_;
  std::weak_ptr<ProductDetailManyImageCellDelegate> delegate_;
  bool isFocus_ = false;
};

}  // namespace mv
