#include "widgets/ViewStyle.hpp"

#include <cmath>

#include "platform/gfx/Context.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

gfx::Color ViewStyle::colorOfMainTheme() {
  auto image = WidgetSkin::skinFromImageName("topbar-bg.png");
  if (!image) return gfx::Color::darkGray();
  auto pixel = gfx::Context::bitmap({1, 1}, 1.0, false);
  if (!pixel) return gfx::Color::darkGray();
  pixel->drawImage(*image, base::Rect{0, 0, 1, 1});
  auto drawn = pixel->makeImage();
  if (!drawn) return gfx::Color::darkGray();
  // Whole 0-255 channels, as a colour read from a bitmap arrives.
  gfx::Color c = drawn->pixelAt(0, 0);
  return gfx::Color::rgb255(std::round(c.r() * 255), std::round(c.g() * 255), std::round(c.b() * 255), c.alpha());
}

void ViewStyle::initializeToButtonHeight34(ui::Button& button) {
  button.setTitleColor(gfx::Color::white(), ui::ControlStateNormal);
  button.titleLabel().setFont(gfx::Font::boldSystemFont(15));
  button.setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Center);
  button.titleLabel().setTextAlignment(gfx::TextAlignment::Center);
  button.setBackgroundColor(gfx::Color::clear());
  button.setBackgroundImage(resizeImage(WidgetSkin::skinFromImageName("Button-default_H34.png"), {0, 5, 0, 5}),
                            ui::ControlStateNormal);
}

void ViewStyle::initializeToBackButtonHeight34(ui::Button& button) {
  button.setTitleColor(gfx::Color::white(), ui::ControlStateNormal);
  button.titleLabel().setFont(gfx::Font::boldSystemFont(15));
  button.setBackgroundColor(gfx::Color::clear());
  button.setBackgroundImage(resizeImage(WidgetSkin::skinFromImageName("Button-backward_H34.png"), {0, 16, 0, 5}),
                            ui::ControlStateNormal);
  button.setTitleEdgeInsets({0, 10, 0, 0});
}

void ViewStyle::ImageViewFitImg(ui::ImageView& imageView, const gfx::ImagePtr& image) {
  if (!image) return;
  const base::Size view = imageView.bounds().size;
  const base::Size size = image->size();
  const bool smaller = size.width < view.width && size.height < view.height;
  imageView.setContentMode(smaller ? ui::ContentMode::Center : ui::ContentMode::ScaleAspectFit);
  imageView.setImage(image);
}

gfx::ImagePtr ViewStyle::resizeImage(const gfx::ImagePtr& image, base::EdgeInsets capInsets) {
  if (!image) return nullptr;
  return image->resizableImage(capInsets);
}

}  // namespace mv
