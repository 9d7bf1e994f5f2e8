#pragma once
#include "platform/ui/View.hpp"

namespace ui {

enum class ActivityIndicatorStyle { WhiteLarge = 0, White = 1, Gray = 2 };

// A spinner: 37 points across in the large style, 20 otherwise; hidden while
// stopped unless told otherwise.
class ActivityIndicatorView : public View {
 public:
  explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::White);

  ActivityIndicatorStyle activityIndicatorViewStyle() const { return style_; }
  void setActivityIndicatorViewStyle(ActivityIndicatorStyle style);
  void startAnimating();
  void stopAnimating();
  bool isAnimating() const { return animating_; }
  bool hidesWhenStopped() const { return hidesWhenStopped_; }
  void setHidesWhenStopped(bool on);
  std::optional<gfx::Color> color() const { return color_; }
  void setColor(std::optional<gfx::Color> c) { color_ = std::move(c); setNeedsDisplay(); }

  Size sizeThatFits(Size size) const override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 private:
  ActivityIndicatorStyle style_;
  bool animating_ = false;
  bool hidesWhenStopped_ = true;
  std::optional<gfx::Color> color_;
};

}  // namespace ui
