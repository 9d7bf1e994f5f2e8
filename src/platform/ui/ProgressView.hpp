#pragma once
#include "platform/gfx/Image.hpp"
#include "platform/ui/View.hpp"

namespace ui {

enum class ProgressViewStyle { Default = 0, Bar = 1 };

// A horizontal bar filled to the progress (0..1).
class ProgressView : public View {
 public:
  explicit ProgressView(ProgressViewStyle style = ProgressViewStyle::Default);
  explicit ProgressView(const Rect& frame);

  ProgressViewStyle progressViewStyle() const { return style_; }
  void setProgressViewStyle(ProgressViewStyle s) { style_ = s; setNeedsDisplay(); }
  double progress() const { return progress_; }
  // Clamped to 0..1.
  void setProgress(double progress, bool animated = false);
  std::optional<gfx::Color> progressTintColor() const { return progressTint_; }
  void setProgressTintColor(std::optional<gfx::Color> c) { progressTint_ = std::move(c); setNeedsDisplay(); }
  std::optional<gfx::Color> trackTintColor() const { return trackTint_; }
  void setTrackTintColor(std::optional<gfx::Color> c) { trackTint_ = std::move(c); setNeedsDisplay(); }
  gfx::ImagePtr progressImage() const { return progressImage_; }
  void setProgressImage(gfx::ImagePtr i) { progressImage_ = std::move(i); setNeedsDisplay(); }
  gfx::ImagePtr trackImage() const { return trackImage_; }
  void setTrackImage(gfx::ImagePtr i) { trackImage_ = std::move(i); setNeedsDisplay(); }

  Size sizeThatFits(Size size) const override { return {size.width, 2}; }
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 private:
  ProgressViewStyle style_ = ProgressViewStyle::Default;
  double progress_ = 0;
  std::optional<gfx::Color> progressTint_, trackTint_;
  gfx::ImagePtr progressImage_, trackImage_;
};

}  // namespace ui
