#pragma once
// The application's shared looks for views: the skin's main colour, the
// standard buttons, stretchable pictures, fitting images into views, the
// strike-through of labels, the edit-mode wiggle, the file-format badge
// colours, the busy dial over a view, and colours that read on a skin.
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

class ViewStyle {
 public:
  // The skin's main colour: the colour "topbar-bg.png" takes when drawn into
  // a single pixel, deepened where needed so that it reads as text on the
  // light grounds of the screens and white text reads on it (the segments of
  // switches, badges, the index); dark grey when the skin has no such picture.
  static gfx::Color colorOfMainTheme();

  // Text a person can read has a contrast of at least this against its ground.
  static constexpr double kReadableContrast = 4.5;
  // The contrast ratio of two opaque colours (1 to 21), from their relative
  // luminance.
  static double contrastRatio(const gfx::Color& a, const gfx::Color& b);
  // `preferred` when it reads on every colour of `ground`; else the colour
  // nearest to it, towards black or towards white, that does; when neither
  // does, the one of those that reads best.
  static gfx::Color readableColor(const gfx::Color& preferred, const std::vector<gfx::Color>& ground);
  // The colours `image` shows within `area` when it is drawn into a view of
  // `size` (stretched), sampled every few points.
  static std::vector<gfx::Color> colorsOfImage(const gfx::ImagePtr& image, base::Size size, base::Rect area);
  // Styles the button in place: white bold 15-point centred title, clear
  // background, the skin's "Button-default_H34.png" stretched with caps
  // (0, 5, 0, 5).
  static void initializeToButtonHeight34(ui::Button& button);
  // The same 30 points high, with the skin's "Button-default_H30.png".
  static void initializeToButtonHeight30(ui::Button& button);
  // A back button 34 points high: the same title and background, the skin's
  // "Button-backward_H34.png" with caps (0, 16, 0, 5), the title moved 10
  // points right.
  static void initializeToBackButtonHeight34(ui::Button& button);
  // Flat: system font 17, centred, clear background, no picture; the title
  // white, or blue (72, 129, 176).
  static void initializeToButtonFlatStyleWhite(ui::Button& button);
  static void initializeToButtonFlatStyleBlue(ui::Button& button);
  // A stretchable copy of the picture with those caps; nothing for nothing.
  static gfx::ImagePtr resizeImage(const gfx::ImagePtr& image, base::EdgeInsets capInsets);

  // Sets the image: drawn at its own size, centred, when it is smaller than
  // the view both ways, else fitted with its aspect kept. Nothing changes
  // for no image.
  static void ImageViewFitImg(ui::ImageView& view, const gfx::ImagePtr& image);
  // The same with a copy of the image redrawn at its own size.
  static void ImageViewFitImgWithRedrawedImg(ui::ImageView& view, const gfx::ImagePtr& image);
  // Empties the view; then, for an image, adds an image view of it, scaled
  // down (aspect kept) when larger than the view, centred in the view.
  static void ImageViewSetImg(ui::View& view, const gfx::ImagePtr& image);

  // Strikes the label's text through: "rightline.png" 2 points high across
  // the drawn text's width plus 10, from 5 points left of the label, at half its
  // height. Removing takes every subview of the label away.
  static void addDeletionLineToLabel(ui::Label& label);
  static void removeDeletionLineFromLabel(ui::Label& label);

  // Removes the view's animations; with `shaking` adds the endless edit-mode
  // wiggle: a rotation about z from -0.03 to +0.03 radians in 0.1 s, reversing.
  static void setViewShaking(ui::View& view, bool shaking);
  static constexpr const char* kShakingAnimationKey = "shaking";

  // The badge colour of a file format ("pdf", "DOCX", ...); the theme's main
  // colour for any other.
  static gfx::Color indicatorColorByFormat(const std::string& format);

  // The alignment of the alert's message.
  static void setTextAlignment(gfx::TextAlignment alignment, ui::AlertView& alert);

  // Puts the busy dial over the view (or to its front), turning it and
  // keeping touches from the view; hiding takes it away and gives them back.
  static void showDial(ui::View& view, const std::shared_ptr<ui::ActivityIndicatorView>& indicator);
  static void hideDial(ui::View& view, const std::shared_ptr<ui::ActivityIndicatorView>& indicator);
};

}  // namespace mv
