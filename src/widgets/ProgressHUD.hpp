#pragma once
// A heads-up display: a translucent rounded box centred over a view, holding
// an activity indicator, a pie or ring progress, a custom view or nothing,
// with a bold main label and a smaller multi-line details label. It may dim
// the view behind it, wait a grace time before appearing (for tasks), stay a
// minimum time once shown, fade or zoom, and run a task while it shows.
//
// A HUD that has finished hiding stays hidden: a show that arrives after its
// hide (for instance one queued to the next turn by a caller who then closed
// the box in the same turn) is dropped, until `rearm` makes it showable again.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Timer.hpp"
#include "platform/ui/View.hpp"

namespace ui {
class Window;
}

namespace mv {

class ProgressHUD;

class ProgressHUDDelegate {
 public:
  virtual ~ProgressHUDDelegate() = default;
  // The HUD has been hidden (once per hide).
  virtual void hudWasHidden(ProgressHUD& /*hud*/) {}
};

enum ProgressHUDMode : int {
  ProgressHUDModeIndeterminate = 0,      // large white activity indicator
  ProgressHUDModeDeterminate = 1,        // pie
  ProgressHUDModeAnnularDeterminate = 2, // ring
  ProgressHUDModeCustomView = 3,         // `customView`
  ProgressHUDModeText = 4,               // no indicator
};

enum ProgressHUDAnimation : int {
  ProgressHUDAnimationFade = 0,
  ProgressHUDAnimationZoomOut = 1,  // comes in shrinking from 1.5x, leaves shrinking to 0.5x
  ProgressHUDAnimationZoomIn = 2,   // comes in growing from 0.5x, leaves growing to 1.5x
};

class ProgressHUD : public ui::View {
 public:
  static constexpr double kAnimationDuration = 0.30;
  static constexpr double kPadding = 4;  // between indicator, label and details

  explicit ProgressHUD(const ui::Rect& frame = {});
  ~ProgressHUD() override;

  // A HUD covering the view's bounds (not yet added to it).
  static std::shared_ptr<ProgressHUD> initWithView(ui::View& view);
  static std::shared_ptr<ProgressHUD> initWithWindow(ui::Window& window);

  // Class-level helpers over a view's subviews.
  static std::shared_ptr<ProgressHUD> showHUDAddedTo(ui::View& view, bool animated);
  // The top-most HUD among the view's subviews, or nothing.
  static std::shared_ptr<ProgressHUD> HUDForView(const ui::View& view);
  // Every HUD among the view's subviews, in subview order.
  static std::vector<std::shared_ptr<ProgressHUD>> allHUDsForView(const ui::View& view);
  // Hides (and removes, once hidden) the top-most HUD; false when there is none.
  static bool hideHUDForView(ui::View& view, bool animated);
  // The same for every HUD; answers how many there were.
  static std::size_t hideAllHUDsForView(ui::View& view, bool animated);

  // Showing and hiding.
  void show(bool animated);
  void hide(bool animated);
  void hide(bool animated, double delay);
  // Makes a finished HUD showable again.
  void rearm();

  // Runs `method` on a thread of its own while the HUD shows; the HUD hides
  // when it returns.
  void showWhileExecuting(std::function<void()> method, bool animated);
  // Runs `block` on `queue` (the shared background pool when none) while the
  // HUD shows; hides afterwards and then runs `completion` on the main loop.
  void showAnimated(bool animated, std::function<void()> block, base::WorkQueue* queue = nullptr,
                    std::function<void()> completion = {});

  // Properties. The observed ones (mode, custom view, texts, fonts,
  // progress) may be set from any thread; a change from another thread
  // reaches the display on the main loop.
  int mode() const { return mode_; }
  void setMode(int mode);
  int animationType() const { return animationType_; }
  void setAnimationType(int type) { animationType_ = type; }
  const std::shared_ptr<ui::View>& customView() const { return customView_; }
  void setCustomView(std::shared_ptr<ui::View> view);
  const std::string& labelText() const { return labelText_; }
  void setLabelText(const std::string& text);
  const std::string& detailsLabelText() const { return detailsLabelText_; }
  void setDetailsLabelText(const std::string& text);
  const gfx::Font& labelFont() const { return labelFont_; }
  void setLabelFont(const gfx::Font& font);
  const gfx::Font& detailsLabelFont() const { return detailsLabelFont_; }
  void setDetailsLabelFont(const gfx::Font& font);
  float progress() const { return progress_.load(); }
  void setProgress(float progress);

  double opacity() const { return opacity_; }
  void setOpacity(double opacity);
  const std::optional<gfx::Color>& color() const { return color_; }
  void setColor(std::optional<gfx::Color> color);
  double xOffset() const { return xOffset_; }
  void setXOffset(double v);
  double yOffset() const { return yOffset_; }
  void setYOffset(double v);
  double margin() const { return margin_; }
  void setMargin(double v);
  double graceTime() const { return graceTime_; }
  void setGraceTime(double seconds) { graceTime_ = seconds; }
  double minShowTime() const { return minShowTime_; }
  void setMinShowTime(double seconds) { minShowTime_ = seconds; }
  bool taskInProgress() const { return taskInProgress_; }
  void setTaskInProgress(bool on) { taskInProgress_ = on; }
  bool dimBackground() const { return dimBackground_; }
  void setDimBackground(bool on);
  bool isSquare() const { return square_; }
  void setSquare(bool on);
  ui::Size minSize() const { return minSize_; }
  void setMinSize(ui::Size size);
  bool removeFromSuperViewOnHide() const { return removeFromSuperViewOnHide_; }
  void setRemoveFromSuperViewOnHide(bool on) { removeFromSuperViewOnHide_ = on; }
  std::shared_ptr<ProgressHUDDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ProgressHUDDelegate> delegate) { delegate_ = std::move(delegate); }
  // Runs once, after the next hide.
  void setCompletionBlock(std::function<void()> block) { completionBlock_ = std::move(block); }
  bool hasCompletionBlock() const { return static_cast<bool>(completionBlock_); }

  // State, for the owner and tests.
  bool isFinished() const { return isFinished_; }
  // When the HUD became visible (main loop's clock); nothing while hidden.
  std::optional<double> showStarted() const { return showStarted_; }
  bool useAnimation() const { return useAnimation_; }
  bool isGraceTimerPending() const { return graceTimer_ && graceTimer_->isValid(); }
  bool isMinShowTimerPending() const { return minShowTimer_ && minShowTimer_->isValid(); }
  // The box size of the last layout.
  ui::Size size() const { return size_; }
  const std::shared_ptr<ui::View>& indicator() const { return indicator_; }
  ui::Label& label() const { return *label_; }
  ui::Label& detailsLabel() const { return *detailsLabel_; }
  const ui::AffineTransform& rotationTransform() const { return rotationTransform_; }

  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
  void didMoveToSuperview() override;

  // a / 2 rounded to the nearest whole point, halves away from zero.
  static double half(double a);

 private:
  // Runs `apply` now on the main thread, else on the main loop.
  bool forwardToMain(std::function<void(ProgressHUD&)> apply);
  void setupLabels();
  void updateIndicators();
  void showUsingAnimation(bool animated);
  void hideUsingAnimation(bool animated);
  void handleGraceTimer();
  void handleMinShowTimer();
  void done();
  void cleanUp();
  void setTransformForCurrentOrientation(bool animated);
  void invalidateTimers();

  bool useAnimation_ = false;
  std::shared_ptr<ui::Label> label_;
  std::shared_ptr<ui::Label> detailsLabel_;
  bool isFinished_ = false;
  ui::AffineTransform rotationTransform_;
  bool square_ = false;
  bool dimBackground_ = false;
  bool taskInProgress_ = false;
  bool removeFromSuperViewOnHide_ = false;
  int animationType_ = ProgressHUDAnimationFade;
  double opacity_ = 0.8;
  double xOffset_ = 0;
  double yOffset_ = 0;
  double margin_ = 20.0;
  double graceTime_ = 0;
  double minShowTime_ = 0;
  int mode_ = ProgressHUDModeIndeterminate;
  std::atomic<float> progress_{0};
  std::weak_ptr<ProgressHUDDelegate> delegate_;
  std::optional<gfx::Color> color_;
  gfx::Font labelFont_ = gfx::Font::boldSystemFont(16);
  gfx::Font detailsLabelFont_ = gfx::Font::boldSystemFont(12);
  std::shared_ptr<ui::View> indicator_;
  std::shared_ptr<ui::Timer> graceTimer_;
  std::shared_ptr<ui::Timer> minShowTimer_;
  std::shared_ptr<ui::View> customView_;
  std::optional<double> showStarted_;
  std::string labelText_;
  std::string detailsLabelText_;
  std::function<void()> completionBlock_;
  ui::Size minSize_{};
  ui::Size size_{};
  // Counts shows, so that the end of a hide animation overtaken by a new
  // show does not finish the HUD.
  std::uint64_t showSerial_ = 0;
};

}  // namespace mv
