#pragma once
// The application's shared looks for views: the skin's main colour, the
// standard 34-point button and stretchable pictures.
#include "platform/base/Geometry.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Button.hpp"

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
  // A stretchable copy of the picture with those caps; nothing for nothing.
  static gfx::ImagePtr resizeImage(const gfx::ImagePtr& image, base::EdgeInsets capInsets);
};

}  // namespace mv
