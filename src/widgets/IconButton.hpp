#pragma once
// A badge button with a fixed icon at its right edge and two predefined
// kinds, add-to-order and save-order, that set icon and title together.
#include <memory>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "widgets/BadgeButton.hpp"

namespace mv {

enum IconButtonType : int {
  IconButtonTypeNone = 0,
  IconButtonTypeAddToOrder = 1,
  IconButtonTypeSaveOrder = 2,
};

class IconButton : public BadgeButton {
 public:
  explicit IconButton(const ui::Rect& frame = {});

  int iconType() const { return iconType_; }
  // 1 add to order, 2 save order: icon and title; anything else hides the
  // icon and keeps the title.
  void setIconType(int type);
  // Applies the current kind again (after a language change).
  void reloadText() { setIconType(iconType_); }
  const gfx::ImagePtr& iconImage() const { return iconImage_; }
  void setIconImage(gfx::ImagePtr image) { iconImage_ = std::move(image); }

  ui::ImageView& iconImageView() const { return *iconImageView_; }

 private:
  std::shared_ptr<ui::ImageView> iconImageView_;
  int iconType_ = IconButtonTypeNone;
  gfx::ImagePtr iconImage_;
};

}  // namespace mv
