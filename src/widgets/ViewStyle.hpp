#pragma once
// The application's shared looks for views: the skin's main colour, the
// standard 34-point button and stretchable pictures.
#include "platform/base/Geometry.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"

namespace mv {

class ViewStyle {
 public:
  // The skin's main colour: the colour "topbar-bg.png" takes when drawn into
  // a single pixel; dark grey when the skin has no such picture.
  static gfx::Color colorOfMainTheme();
  // Styles the button in place: white bold 15-point centred title, clear
  // background, the skin's "Button-default_H34.png" stretched with caps
  // (0, 5, 0, 5).
  static void initializeToButtonHeight34(ui::Button& button);
  // The back button's look, 34 points high: the same title, the skin's
  // "Button-backward_H34.png" stretched with caps (0, 16, 0, 5), and the
  // title moved 10 points right, clear of the arrow.
  static void initializeToBackButtonHeight34(ui::Button& button);
  // Puts the picture into the view: drawn at its own size, centred, when it
  // is smaller than the view both ways, else fitted with its proportions
  // kept. No picture changes nothing.
  static void ImageViewFitImg(ui::ImageView& imageView, const gfx::ImagePtr& image);
  // A stretchable copy of the picture with those caps; nothing for nothing.
  static gfx::ImagePtr resizeImage(const gfx::ImagePtr& image, base::EdgeInsets capInsets);
};

}  // namespace mv
