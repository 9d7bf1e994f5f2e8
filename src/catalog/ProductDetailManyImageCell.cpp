#include "catalog/ProductDetailManyImageCell.hpp"

#include <algorithm>

#include "platform/ui/Touch.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

ProductDetailManyImageCell::ProductDetailManyImageCell(const ui::Rect& frame) : ui::View(frame) {
  setBackgroundColor(gfx::Color::white());
  imageView_ = std::make_shared<ui::ImageView>();
  imageView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  addSubview(imageView_);
  setFrame(frame);
  applyBorder();
}

void ProductDetailManyImageCell::setFrame(const ui::Rect& frame) {
  ui::View::setFrame(frame);
  if (imageView_) {
    imageView_->setFrame(
        {kInset, kInset, std::max(0.0, frame.width() - 2 * kInset), std::max(0.0, frame.height() - 2 * kInset)});
  }
}

void ProductDetailManyImageCell::loadPicture(const std::string& name) {
  if (!picture_) picture_ = PictureLoader::create(imageView_);
  picture_->loadFileImageAsyncWithName(name, kFileTypeProductImage, false);
}

void ProductDetailManyImageCell::setIsFocus(bool focus) {
  if (focus == isFocus_) return;
  isFocus_ = focus;
  applyBorder();
}

void ProductDetailManyImageCell::applyBorder() {
  const gfx::Color theme = ViewStyle::colorOfMainTheme();
  layer().setBorderWidth(isFocus_ ? 2 : 1);
  layer().setBorderColor(isFocus_ ? theme : theme.withAlphaComponent(0.5));
}

void ProductDetailManyImageCell::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  ui::View::touchesEnded(touches, event);
  if (touches.empty() || !touches.front() || !pointInside(touches.front()->locationInView(this), &event)) return;
  auto keep = self();
  if (auto d = delegate()) d->didSelectedManyImage(*this);
}

}  // namespace mv
