#include "widgets/IconButton.hpp"

#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

IconButton::IconButton(const ui::Rect& frame) : BadgeButton(frame) {
  iconImageView_ = std::make_shared<ui::ImageView>(ui::Rect{frame.width() - 32, 0, 30, 30});
  iconImageView_->setAutoresizingMask(ui::FlexibleLeftMargin);
  iconImageView_->setHidden(true);
  addSubview(iconImageView_);
}

void IconButton::setIconType(int type) {
  iconType_ = type;
  iconImageView_->setHidden(false);
  titleLabel().setFont(gfx::Font::boldSystemFont(14));
  titleLabel().setAdjustsFontSizeToFitWidth(true);
  if (type == IconButtonTypeAddToOrder || type == IconButtonTypeSaveOrder) {
    if (auto icon = WidgetSkin::skinFromImageName("icon_addToOrder.png")) iconImageView_->setImage(icon);
    setTitle(type == IconButtonTypeAddToOrder ? text("ADDTOORDER") : text("SAVEORDER"),
             ui::ControlStateNormal);
    setTitleEdgeInsets({0, 5, 0, 35});
    return;
  }
  iconImageView_->setHidden(true);
  setTitleEdgeInsets({});
}

}  // namespace mv
