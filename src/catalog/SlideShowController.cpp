#include "catalog/SlideShowController.hpp"

#include <random>

#include "catalog/ImageBrowserLayout.hpp"
#include "catalog/ProductDetailImageController.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

void SlideShowController::loadView() {
  auto root = std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 768});
  root->setBackgroundColor(gfx::Color::white());
  setView(root);
}

void SlideShowController::showImage(const gfx::ImagePtr& image) {
  auto root = view();
  const auto scale = ui::AffineTransform::scale(kStartScale, kStartScale);
  if (!imageView_) {
    imageView_ = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 1024, 768});
    ViewStyle::ImageViewFitImg(*imageView_, image);
    root->addSubview(imageView_);
    imageView_->setTransform(scale);
    auto first = imageView_;
    ui::View::animate(kSettleDuration, kFirstSettleDelay, ui::AnimationOptionAllowUserInteraction,
                      [first] { first->setTransform(ui::AffineTransform::identity()); });
    return;
  }
  if (!random_) {
    random_ = [] {
      static std::minstd_rand engine{std::random_device{}()};
      return static_cast<unsigned>(engine());
    };
  }
  auto old = imageView_;
  const ui::Rect settled = old->frame();
  ui::Rect shifted = settled;
  shifted.origin.x += ImageBrowserLayout::slideOffset(random_(), kShiftX);
  shifted.origin.y += ImageBrowserLayout::slideOffset(random_(), kShiftY);
  auto next = std::make_shared<ui::ImageView>(shifted);
  ViewStyle::ImageViewFitImg(*next, image);
  next->setAlpha(0);
  next->setTransform(scale);
  root->insertSubviewAbove(next, old.get());
  imageView_ = next;
  ui::View::animate(
      kFadeDuration, 0, ui::AnimationOptionAllowUserInteraction,
      [next, old] {
        next->setAlpha(1);
        old->setAlpha(0);
      },
      [next, old, settled](bool) {
        ui::View::animate(
            kSettleDuration, 0, ui::AnimationOptionAllowUserInteraction,
            [next, settled] {
              next->setTransform(ui::AffineTransform::identity());
              next->setFrame(settled);
            },
            [old](bool) {
              old->setImage(nullptr);
              old->removeFromSuperview();
            });
      });
}

void SlideShowController::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  ui::ViewController::touchesBegan(touches, event);
  auto keep = shared_from_this();
  if (auto browser = detailImageController_.lock()) browser->endSlideShow();
  dismissViewControllerAnimated(true);
}

}  // namespace mv
