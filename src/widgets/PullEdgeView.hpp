#pragma once
// What the pull-to-refresh header and the load-more footer share: the
// three-state machine's state, the status text, the arrow, the spinner and
// the colours.
#include <memory>
#include <optional>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Layer.hpp"
#include "platform/ui/View.hpp"
#include "widgets/ScrollViewProxy.hpp"

namespace mv {

enum PullRefreshState : int {
  PullRefreshPulling = 0,  // dragged past the trigger distance: letting go triggers
  PullRefreshNormal = 1,
  PullRefreshLoading = 2,
};

class PullEdgeView : public ui::View {
 public:
  static constexpr double kTriggerDistance = 120;
  static constexpr double kLoadingInset = 60;
  static constexpr double kFlipDuration = 0.18;

  static gfx::Color defaultBackgroundColor() { return gfx::Color::rgb255(226, 231, 237); }
  static gfx::Color defaultTextColor() { return gfx::Color::rgb255(87, 108, 137); }

  int state() const { return state_; }
  virtual void setState(int state) = 0;
  // From the start of loading until it finishes.
  bool isLoading() const { return isLoading_; }
  // The owner's loading has finished: the room kept for the spinner closes
  // and the view is back to normal.
  void refreshScrollViewDataSourceDidFinishedLoading(ScrollViewProxy& scrollView);

  // Nothing takes the default for each: the light blue-grey background, the
  // slate text and the application's "blueArrow.png".
  using ui::View::setBackgroundColor;
  void setBackgroundColor(std::optional<gfx::Color> background, std::optional<gfx::Color> textColor,
                          gfx::ImagePtr arrowImage);

  ui::Label& statusLabel() const { return *statusLabel_; }
  ui::Layer& arrowImage() const { return *arrowImage_; }
  ui::ActivityIndicatorView& activityView() const { return *activityView_; }

 protected:
  explicit PullEdgeView(const ui::Rect& frame);
  // Builds the status label, arrow and spinner at the given places.
  void buildParts(const ui::Rect& statusFrame, const ui::Rect& arrowFrame, const ui::Rect& spinnerFrame);
  static std::shared_ptr<ui::Label> makeLabel(const ui::Rect& frame, const gfx::Font& font);
  // The arrow turned to `transform` within a 0.18 s layer transaction.
  void turnArrow(const ui::Transform3D& transform);
  // The arrow shown or hidden, set to `transform`, without implicit animation.
  void placeArrow(bool hidden, const std::optional<ui::Transform3D>& transform);
  virtual void applyTextColor(const gfx::Color& color);
  // The scroll view's inset with the room kept for the spinner taken away.
  virtual void clearLoadingInset(ui::EdgeInsets& inset) const = 0;

  int state_ = PullRefreshNormal;
  bool isLoading_ = false;
  std::shared_ptr<ui::Label> statusLabel_;
  std::shared_ptr<ui::Layer> arrowImage_;
  std::shared_ptr<ui::ActivityIndicatorView> activityView_;
};

}  // namespace mv
