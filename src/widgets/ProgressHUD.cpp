#include "widgets/ProgressHUD.hpp"

#include <algorithm>
#include <cmath>
#include <thread>

#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/PerformRequests.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/RoundProgressView.hpp"

namespace mv {

ProgressHUD::ProgressHUD(const ui::Rect& frame) : ui::View(frame) {
  setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                      ui::FlexibleBottomMargin);
  setOpaque(false);
  setBackgroundColor(gfx::Color::clear());
  setAlpha(0);
  label_ = std::make_shared<ui::Label>(bounds());
  detailsLabel_ = std::make_shared<ui::Label>(bounds());
  setupLabels();
  updateIndicators();
}

ProgressHUD::~ProgressHUD() {
  if (graceTimer_) graceTimer_->invalidate();
  if (minShowTimer_) minShowTimer_->invalidate();
  ui::PerformRequests::cancelAll(static_cast<ui::View*>(this));
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithView(ui::View& view) {
  return std::make_shared<ProgressHUD>(view.bounds());
}

std::shared_ptr<ProgressHUD> ProgressHUD::initWithWindow(ui::Window& window) { return initWithView(window); }

// --- class helpers --------------------------------------------------------------

std::shared_ptr<ProgressHUD> ProgressHUD::showHUDAddedTo(ui::View& view, bool animated) {
  auto hud = initWithView(view);
  view.addSubview(hud);
  hud->show(animated);
  return hud;
}

std::shared_ptr<ProgressHUD> ProgressHUD::HUDForView(const ui::View& view) {
  const auto& subviews = view.subviews();
  for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
    if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(*it)) return hud;
  return nullptr;
}

std::vector<std::shared_ptr<ProgressHUD>> ProgressHUD::allHUDsForView(const ui::View& view) {
  std::vector<std::shared_ptr<ProgressHUD>> out;
  for (const auto& s : view.subviews())
    if (auto hud = std::dynamic_pointer_cast<ProgressHUD>(s)) out.push_back(hud);
  return out;
}

bool ProgressHUD::hideHUDForView(ui::View& view, bool animated) {
  auto hud = HUDForView(view);
  if (!hud) return false;
  hud->setRemoveFromSuperViewOnHide(true);
  hud->hide(animated);
  return true;
}

std::size_t ProgressHUD::hideAllHUDsForView(ui::View& view, bool animated) {
  // A copy: hiding without animation removes the HUDs from the list being walked.
  auto huds = allHUDsForView(view);
  for (auto& hud : huds) {
    hud->setRemoveFromSuperViewOnHide(true);
    hud->hide(animated);
  }
  return huds.size();
}

// --- showing and hiding ---------------------------------------------------------

void ProgressHUD::show(bool animated) {
  useAnimation_ = animated;
  if (isFinished_) {
    MV_LOG("ProgressHUD: show after hide ignored");
    return;
  }
  if (graceTime_ > 0) {
    if (graceTimer_) graceTimer_->invalidate();
    std::weak_ptr<ProgressHUD> weak = std::static_pointer_cast<ProgressHUD>(self());
    graceTimer_ = ui::Timer::scheduledTimer(graceTime_, false, [weak](ui::Timer&) {
      if (auto hud = weak.lock()) hud->handleGraceTimer();
    });
    return;
  }
  setNeedsDisplay();
  showUsingAnimation(useAnimation_);
}

void ProgressHUD::handleGraceTimer() {
  // Only a task still running is worth showing for.
  if (taskInProgress_ && !isFinished_) {
    setNeedsDisplay();
    showUsingAnimation(useAnimation_);
  }
}

void ProgressHUD::showUsingAnimation(bool animated) {
  ++showSerial_;
  if (animated && animationType_ == ProgressHUDAnimationZoomOut)
    setTransform(rotationTransform_.concat(ui::AffineTransform::scale(1.5, 1.5)));
  else if (animated && animationType_ == ProgressHUDAnimationZoomIn)
    setTransform(rotationTransform_.concat(ui::AffineTransform::scale(0.5, 0.5)));
  showStarted_ = base::RunLoop::main().now();
  if (animated) {
    ui::View::animate(kAnimationDuration, [this] {
      setAlpha(1.0);
      if (animationType_ == ProgressHUDAnimationZoomOut || animationType_ == ProgressHUDAnimationZoomIn)
        setTransform(rotationTransform_);
    });
  } else {
    setAlpha(1.0);
  }
}

void ProgressHUD::hide(bool animated) {
  useAnimation_ = animated;
  if (isFinished_) return;  // already hidden: no second report
  if (minShowTime_ > 0 && showStarted_) {
    double shown = base::RunLoop::main().now() - *showStarted_;
    if (shown < minShowTime_) {
      if (minShowTimer_) minShowTimer_->invalidate();
      std::weak_ptr<ProgressHUD> weak = std::static_pointer_cast<ProgressHUD>(self());
      minShowTimer_ = ui::Timer::scheduledTimer(minShowTime_ - shown, false, [weak](ui::Timer&) {
        if (auto hud = weak.lock()) hud->handleMinShowTimer();
      });
      return;
    }
  }
  hideUsingAnimation(useAnimation_);
}

void ProgressHUD::hide(bool animated, double delay) {
  auto keep = self();
  if (!keep) {
    hide(animated);
    return;
  }
  std::weak_ptr<ProgressHUD> weak = std::static_pointer_cast<ProgressHUD>(keep);
  ui::PerformRequests::perform(
      keep, "hideDelayed:",
      [weak, animated] {
        if (auto hud = weak.lock()) hud->hide(animated);
      },
      delay, base::Value(animated));
}

void ProgressHUD::handleMinShowTimer() { hideUsingAnimation(useAnimation_); }

void ProgressHUD::hideUsingAnimation(bool animated) {
  auto keep = self();
  if (isFinished_) return;
  if (animated && showStarted_) {
    const std::uint64_t serial = showSerial_;
    std::weak_ptr<ProgressHUD> weak = std::static_pointer_cast<ProgressHUD>(keep);
    showStarted_.reset();
    ui::View::animate(
        kAnimationDuration,
        [this] {
          if (animationType_ == ProgressHUDAnimationZoomOut)
            setTransform(rotationTransform_.concat(ui::AffineTransform::scale(0.5, 0.5)));
          else if (animationType_ == ProgressHUDAnimationZoomIn)
            setTransform(rotationTransform_.concat(ui::AffineTransform::scale(1.5, 1.5)));
          setAlpha(0.02);
        },
        [weak, serial](bool) {
          auto hud = weak.lock();
          // A show that came in meanwhile keeps the HUD up.
          if (hud && hud->showSerial_ == serial) hud->done();
        });
    return;
  }
  showStarted_.reset();
  setAlpha(0);
  done();
}

void ProgressHUD::done() {
  auto keep = self();
  if (isFinished_) return;
  invalidateTimers();
  isFinished_ = true;
  setAlpha(0);
  // Back to the plain rotation, so a rearmed HUD does not start zoomed.
  setTransform(rotationTransform_);
  if (auto d = delegate_.lock()) d->hudWasHidden(*this);
  if (completionBlock_) {
    auto block = std::move(completionBlock_);
    completionBlock_ = nullptr;
    block();
  }
  if (removeFromSuperViewOnHide_) removeFromSuperview();
}

void ProgressHUD::rearm() {
  if (!isFinished_) return;
  isFinished_ = false;
}

void ProgressHUD::invalidateTimers() {
  if (graceTimer_) graceTimer_->invalidate();
  if (minShowTimer_) minShowTimer_->invalidate();
  graceTimer_.reset();
  minShowTimer_.reset();
  ui::PerformRequests::cancelAll(static_cast<ui::View*>(this));
}

// --- tasks -------------------------------------------------------------------

void ProgressHUD::showWhileExecuting(std::function<void()> method, bool animated) {
  auto keep = std::static_pointer_cast<ProgressHUD>(self());
  if (!keep) return;  // a HUD must be held by a shared pointer to run a task
  taskInProgress_ = true;
  std::thread([keep, method = std::move(method)]() mutable {
    if (method) method();
    method = nullptr;
    // The HUD is released on the main loop, never on this thread.
    base::RunLoop::main().post([keep = std::move(keep)] { keep->cleanUp(); });
  }).detach();
  show(animated);
}

void ProgressHUD::showAnimated(bool animated, std::function<void()> block, base::WorkQueue* queue,
                               std::function<void()> completion) {
  auto keep = std::static_pointer_cast<ProgressHUD>(self());
  if (!keep) return;
  taskInProgress_ = true;
  completionBlock_ = std::move(completion);
  base::WorkQueue& q = queue ? *queue : base::WorkQueue::global();
  q.async([keep, block = std::move(block)](const base::CancelFlag&) mutable {
    if (block) block();
    block = nullptr;
    base::RunLoop::main().post([keep = std::move(keep)] { keep->cleanUp(); });
  });
  show(animated);
}

void ProgressHUD::cleanUp() {
  taskInProgress_ = false;
  hide(useAnimation_);
}

// --- properties ----------------------------------------------------------------

bool ProgressHUD::forwardToMain(std::function<void(ProgressHUD&)> apply) {
  if (base::RunLoop::main().isMainThread()) return false;
  std::weak_ptr<ProgressHUD> weak = std::static_pointer_cast<ProgressHUD>(self());
  base::RunLoop::main().post([weak, apply = std::move(apply)] {
    if (auto hud = weak.lock()) apply(*hud);
  });
  return true;
}

void ProgressHUD::setMode(int mode) {
  if (forwardToMain([mode](ProgressHUD& h) { h.setMode(mode); })) return;
  mode_ = mode;
  updateIndicators();
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setCustomView(std::shared_ptr<ui::View> view) {
  if (forwardToMain([view](ProgressHUD& h) { h.setCustomView(view); })) return;
  customView_ = std::move(view);
  updateIndicators();
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setLabelText(const std::string& text) {
  if (forwardToMain([text](ProgressHUD& h) { h.setLabelText(text); })) return;
  labelText_ = text;
  label_->setText(text);
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setDetailsLabelText(const std::string& text) {
  if (forwardToMain([text](ProgressHUD& h) { h.setDetailsLabelText(text); })) return;
  detailsLabelText_ = text;
  detailsLabel_->setText(text);
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setLabelFont(const gfx::Font& font) {
  if (forwardToMain([font](ProgressHUD& h) { h.setLabelFont(font); })) return;
  labelFont_ = font;
  label_->setFont(font);
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setDetailsLabelFont(const gfx::Font& font) {
  if (forwardToMain([font](ProgressHUD& h) { h.setDetailsLabelFont(font); })) return;
  detailsLabelFont_ = font;
  detailsLabel_->setFont(font);
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setProgress(float progress) {
  progress_.store(progress);
  if (forwardToMain([](ProgressHUD& h) { h.setProgress(h.progress()); })) return;
  if (auto round = std::dynamic_pointer_cast<RoundProgressView>(indicator_)) round->setProgress(progress);
}

void ProgressHUD::setOpacity(double opacity) {
  opacity_ = opacity;
  setNeedsDisplay();
}

void ProgressHUD::setColor(std::optional<gfx::Color> color) {
  color_ = std::move(color);
  setNeedsDisplay();
}

void ProgressHUD::setXOffset(double v) {
  xOffset_ = v;
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setYOffset(double v) {
  yOffset_ = v;
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setMargin(double v) {
  margin_ = v;
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setDimBackground(bool on) {
  dimBackground_ = on;
  setNeedsDisplay();
}

void ProgressHUD::setSquare(bool on) {
  square_ = on;
  setNeedsLayout();
  setNeedsDisplay();
}

void ProgressHUD::setMinSize(ui::Size size) {
  minSize_ = size;
  setNeedsLayout();
  setNeedsDisplay();
}

// --- building -------------------------------------------------------------------

void ProgressHUD::setupLabels() {
  for (ui::Label* l : {label_.get(), detailsLabel_.get()}) {
    l->setFrame(bounds());
    l->setAdjustsFontSizeToFitWidth(false);
    l->setTextAlignment(gfx::TextAlignment::Center);
    l->setOpaque(false);
    l->setBackgroundColor(gfx::Color::clear());
    l->setTextColor(gfx::Color::white());
  }
  label_->setFont(labelFont_);
  label_->setText(labelText_);
  detailsLabel_->setFont(detailsLabelFont_);
  detailsLabel_->setText(detailsLabelText_);
  detailsLabel_->setNumberOfLines(0);
  addSubview(label_);
  addSubview(detailsLabel_);
}

void ProgressHUD::updateIndicators() {
  auto replace = [this](std::shared_ptr<ui::View> next) {
    if (indicator_) indicator_->removeFromSuperview();
    indicator_ = std::move(next);
    if (indicator_) addSubview(indicator_);
  };
  switch (mode_) {
    case ProgressHUDModeIndeterminate:
      if (!std::dynamic_pointer_cast<ui::ActivityIndicatorView>(indicator_)) {
        auto spinner = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::WhiteLarge);
        spinner->startAnimating();
        replace(spinner);
      }
      break;
    case ProgressHUDModeDeterminate:
    case ProgressHUDModeAnnularDeterminate: {
      auto round = std::dynamic_pointer_cast<RoundProgressView>(indicator_);
      if (!round) {
        round = std::make_shared<RoundProgressView>();
        replace(round);
      }
      // Each mode sets its own look, so a ring never survives a switch back to the pie.
      round->setAnnular(mode_ == ProgressHUDModeAnnularDeterminate);
      round->setProgress(progress_.load());
      break;
    }
    case ProgressHUDModeCustomView:
      if (customView_ != indicator_) replace(customView_);
      break;
    case ProgressHUDModeText:
    default:
      replace(nullptr);
      break;
  }
}

// --- layout and drawing -----------------------------------------------------------

double ProgressHUD::half(double a) { return std::round(a / 2); }

void ProgressHUD::layoutSubviews() {
  if (ui::View* parent = superview()) setFrame(parent->bounds());
  const ui::Rect b = bounds();
  const double W = b.width(), H = b.height();
  const double m = margin_;
  const double p = kPadding;

  // 1. Indicator.
  const double maxWidth = W - 4 * m;
  ui::Size ind = indicator_ ? indicator_->bounds().size : ui::Size{};
  ind.width = std::min(ind.width, maxWidth);
  double boxW = ind.width;
  double boxH = ind.height;

  // 2. Main label: one line.
  ui::Size lab = gfx::sizeWithFont(label_->text(), label_->font());
  lab.width = std::min(lab.width, maxWidth);
  boxW = std::max(boxW, lab.width);
  boxH += lab.height;
  if (lab.height > 0 && ind.height > 0) boxH += p;

  // 3. Details: wrapped within what is left of the height.
  const double remaining = H - boxH - p - 4 * m;
  ui::Size det = gfx::sizeWithFont(detailsLabel_->text(), detailsLabel_->font(),
                                   ui::Size{maxWidth, std::max(remaining, 1.0)}, detailsLabel_->lineBreakMode());
  boxW = std::max(boxW, det.width);
  boxH += det.height;
  if (det.height > 0 && (ind.height > 0 || lab.height > 0)) boxH += p;

  // 4. Margins.
  boxW += 2 * m;
  boxH += 2 * m;

  // 5. Placement, top to bottom from the box's top margin.
  double y = half(H - boxH) + m + yOffset_;
  if (indicator_) indicator_->setFrame({half(W - ind.width) + xOffset_, y, ind.width, ind.height});
  y += ind.height;
  if (lab.height > 0 && ind.height > 0) y += p;
  label_->setFrame({half(W - lab.width) + xOffset_, y, lab.width, lab.height});
  y += lab.height;
  if (det.height > 0 && (ind.height > 0 || lab.height > 0)) y += p;
  detailsLabel_->setFrame({half(W - det.width) + xOffset_, y, det.width, det.height});

  // 6. Square when it fits.
  if (square_) {
    double s = std::max(boxW, boxH);
    if (s <= W - 2 * m) boxW = s;
    if (s <= H - 2 * m) boxH = s;
  }

  // 7. Never below the minimum.
  boxW = std::max(boxW, minSize_.width);
  boxH = std::max(boxH, minSize_.height);
  size_ = {boxW, boxH};
}

void ProgressHUD::drawRect(gfx::Context& ctx, const ui::Rect&) {
  const ui::Rect b = bounds();
  ctx.save();
  if (dimBackground_) {
    gfx::Gradient g;
    g.stops = {{0.0, gfx::Color(0, 0, 0, 0)}, {1.0, gfx::Color(0, 0, 0, 0.75)}};
    ui::Point c{b.width() / 2, b.height() / 2};
    ctx.drawRadialGradient(g, c, 0, c, std::min(b.width(), b.height()), gfx::GradientDrawsAfterEnd);
  }
  ctx.setFillColor(color_ ? *color_ : gfx::Color(0, 0, 0, opacity_));
  ui::Rect box{half(b.width() - size_.width) + xOffset_, half(b.height() - size_.height) + yOffset_, size_.width,
               size_.height};
  ctx.fillRoundedRect(box, 10);
  ctx.restore();
}

void ProgressHUD::didMoveToSuperview() {
  if (superview() && dynamic_cast<ui::Window*>(superview())) setTransformForCurrentOrientation(false);
}

void ProgressHUD::setTransformForCurrentOrientation(bool animated) {
  // Windows here are in interface coordinates already: the HUD takes the
  // window's bounds as they are and never turns with the status bar.
  if (ui::View* parent = superview()) {
    setBounds({{0, 0}, parent->bounds().size});
    setNeedsDisplay();
  }
  rotationTransform_ = ui::AffineTransform::identity();
  if (animated) {
    ui::View::animate(0.3, [this] { setTransform(rotationTransform_); });
  } else {
    setTransform(rotationTransform_);
  }
}

}  // namespace mv
