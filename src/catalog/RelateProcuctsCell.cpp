#include "catalog/RelateProcuctsCell.hpp"

#include "platform/ui/Touch.hpp"
#include "util/PublicFunction.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Label> label(const ui::Rect& frame, double size) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(gfx::Font::named("HelveticaNeue-Light", size));
  l->setTextColor(gfx::Color::black());
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

}  // namespace

RelateProcuctsCell::RelateProcuctsCell(const ui::Rect& frame) : ui::View(frame) {
  setClipsToBounds(true);
  setBackgroundColor(gfx::Color::white());
  layer().setBorderWidth(1);
  layer().setBorderColor(gfx::Color::rgb255(211, 211, 211));
  productImageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 5, 108, 75});
  productImageView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  catalogNameLabel_ = label({10, 95, 88, 16}, 12);
  catalogNameLabel_->setNumberOfLines(0);
  skuContentLabel_ = label({10, 111, 88, 14}, 10);
  priceContentLabel_ = label({10, 125, 88, 16}, 12);
  for (const std::shared_ptr<ui::View>& v : std::vector<std::shared_ptr<ui::View>>{
           productImageView_, catalogNameLabel_, skuContentLabel_, priceContentLabel_}) {
    addSubview(v);
  }
}

void RelateProcuctsCell::loadPicture(const std::string& name) {
  if (!picture_) picture_ = PictureLoader::create(productImageView_);
  picture_->loadFileImageAsyncWithName(name, kFileTypeProductImage, false);
}

void RelateProcuctsCell::setPriceEntity(const marvisto_product_price_Entity& price) {
  priceContentLabel_->setText(price.strPrice());
  priceContentLabel_->setHidden(price.isHidden());
}

void RelateProcuctsCell::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  ui::View::touchesEnded(touches, event);
  if (touches.empty() || !touches.front() || !pointInside(touches.front()->locationInView(this), &event)) return;
  auto keep = self();
  if (auto d = detailDelegate()) d->relateProcuctsCellDidSelectedImage(*this);
}

}  // namespace mv
