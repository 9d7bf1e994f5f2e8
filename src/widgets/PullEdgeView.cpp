#include "widgets/PullEdgeView.hpp"

#include <algorithm>

#include "platform/ui/Screen.hpp"
#include "platform/ui/Transaction.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

PullEdgeView::PullEdgeView(const ui::Rect& frame) : ui::View(frame) {}

std::shared_ptr<ui::Label> PullEdgeView::makeLabel(const ui::Rect& frame, const gfx::Font& font) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setAutoresizingMask(ui::FlexibleWidth);
  label->setFont(font);
  label->setShadowOffset({0, 1});
  label->setBackgroundColor(gfx::Color::clear());
  label->setTextAlignment(gfx::TextAlignment::Center);
  return label;
}

void PullEdgeView::buildParts(const ui::Rect& statusFrame, const ui::Rect& arrowFrame,
                              const ui::Rect& spinnerFrame) {
  statusLabel_ = makeLabel(statusFrame, gfx::Font::boldSystemFont(13));
  addSubview(statusLabel_);
  arrowImage_ = std::make_shared<ui::Layer>();
  arrowImage_->setFrame(arrowFrame);
  arrowImage_->setContentsGravity("resizeAspect");
  arrowImage_->setContentsScale(ui::Screen::mainScreen().scale());
  layer().addSublayer(arrowImage_);
  activityView_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  activityView_->setFrame(spinnerFrame);
  addSubview(activityView_);
}

void PullEdgeView::setBackgroundColor(std::optional<gfx::Color> background, std::optional<gfx::Color> textColor,
                                      gfx::ImagePtr arrowImage) {
  ui::View::setBackgroundColor(background.value_or(defaultBackgroundColor()));
  applyTextColor(textColor.value_or(defaultTextColor()));
  arrowImage_->setContents(arrowImage ? std::move(arrowImage) : WidgetSkin::bundleImage("blueArrow.png"));
}

void PullEdgeView::refreshScrollViewDataSourceDidFinishedLoading(ScrollViewProxy& sv) {
  isLoading_ = false;
  ui::View::animate(0.3, [this, &sv] {
    ui::EdgeInsets inset = sv.contentInset();
    clearLoadingInset(inset);
    sv.setContentInset(inset);
    // The room kept for the spinner is gone: a content scrolled into it comes
    // back within its ends, rather than stay past them showing the edge view.
    if (!sv.isDragging()) {
      const double top = -inset.top;
      const double bottom =
          std::max(top, sv.contentSize().height + inset.bottom - sv.boundsSize().height);
      const base::Point offset = sv.contentOffset();
      const double y = std::clamp(offset.y, top, bottom);
      if (y != offset.y) sv.setContentOffset({offset.x, y}, false);
    }
  });
  setState(PullRefreshNormal);
}

void PullEdgeView::applyTextColor(const gfx::Color& color) {
  statusLabel_->setTextColor(color);
  statusLabel_->setShadowColor(color.withAlphaComponent(0.1));
}

void PullEdgeView::turnArrow(const ui::Transform3D& transform) {
  ui::Transaction::begin();
  ui::Transaction::setAnimationDuration(kFlipDuration);
  arrowImage_->setTransform(transform);
  ui::Transaction::commit();
}

void PullEdgeView::placeArrow(bool hidden, const std::optional<ui::Transform3D>& transform) {
  ui::Transaction::begin();
  ui::Transaction::setDisableActions(true);
  arrowImage_->setHidden(hidden);
  if (transform) arrowImage_->setTransform(*transform);
  ui::Transaction::commit();
}

}  // namespace mv
