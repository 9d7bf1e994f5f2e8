#pragma once
#include "platform/ui/View.hpp"

namespace mv {

// The HUD's determinate indicator: a pie filling clockwise from the top, or
// a ring when annular.
class RoundProgressView : public ui::View {
 public:
  RoundProgressView() : RoundProgressView(ui::Rect{0, 0, 37, 37}) {}
  explicit RoundProgressView(const ui::Rect& frame);

  float progress() const { return progress_; }
  void setProgress(float progress);
  bool isAnnular() const { return annular_; }
  void setAnnular(bool annular);
  const gfx::Color& progressTintColor() const { return progressTintColor_; }
  void setProgressTintColor(const gfx::Color& color);
  const gfx::Color& backgroundTintColor() const { return backgroundTintColor_; }
  void setBackgroundTintColor(const gfx::Color& color);

  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;

 private:
  float progress_ = 0;
  bool annular_ = false;
  gfx::Color progressTintColor_ = gfx::Color::white(1.0, 1.0);
  gfx::Color backgroundTintColor_ = gfx::Color::white(1.0, 0.1);
};

}  // namespace mv
