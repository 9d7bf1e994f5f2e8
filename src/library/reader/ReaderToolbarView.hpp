#pragma once
// The base of the reader's top bars: the skin's bar picture at alpha 0.8
// across the bar, buttons laid over it.
#include <memory>
#include <string>

#include "platform/gfx/Image.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class ReaderToolbarView : public ui::View {
 public:
  explicit ReaderToolbarView(const ui::Rect& frame);
  static constexpr double kBarAlpha = 0.8;
  static constexpr double kFadeDuration = 0.25;

  // The reader's bars fade out together (then hide) and fade in together,
  // linearly over 0.25 s, taking touches meanwhile.
  static void fadeOut(ui::View& bar);
  static void fadeIn(ui::View& bar);

 protected:
  // The standard 34-point back button titled "BACK" at (8, 5, 60, 34).
  std::shared_ptr<ui::Button> addBackButton();
  // A 34 x 34 button showing the picture.
  std::shared_ptr<ui::Button> addImageButton(const ui::Rect& frame, gfx::ImagePtr image);
  // On an iPad, the title centred in the frame (system font 17, down to 14
  // to fit, white on clear); nothing elsewhere.
  std::shared_ptr<ui::Label> addTitleLabel(const ui::Rect& frame, const std::string& title);
};

}  // namespace mv
