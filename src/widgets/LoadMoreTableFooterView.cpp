#include "widgets/LoadMoreTableFooterView.hpp"

#include <algorithm>
#include <numbers>

#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

LoadMoreTableFooterView::LoadMoreTableFooterView(const ui::Rect& frame) : PullEdgeView(frame) {
  const double W = frame.width();
  buildParts({0, 20, W, 20}, {25, 10, 30, 55}, {25, 22, 20, 20});
  isLoading_ = false;
  setState(PullRefreshNormal);
  setBackgroundColor(std::nullopt, std::nullopt, nullptr);
}

void LoadMoreTableFooterView::setState(int state) {
  // The arrow points the other way round from the header's.
  const ui::Transform3D flipped = ui::Transform3D::rotation(std::numbers::pi, 0, 0, 1);
  switch (state) {
    case PullRefreshPulling:
      statusLabel_->setText(text("PULLUPRELEASE"));
      turnArrow(ui::Transform3D::identity());
      break;
    case PullRefreshNormal:
      if (state_ == PullRefreshPulling) turnArrow(flipped);
      statusLabel_->setText(text("PULLUPTOLOADMORE"));
      activityView_->stopAnimating();
      placeArrow(false, flipped);
      break;
    case PullRefreshLoading:
      statusLabel_->setText(text("PULLUPLOADING"));
      activityView_->startAnimating();
      placeArrow(true, std::nullopt);
      break;
    default:
      break;
  }
  state_ = state;
}

double LoadMoreTableFooterView::scrollViewOffsetFromBottom(const ScrollViewProxy& sv) {
  const double C = sv.contentSize().height, B = sv.boundsSize().height;
  return C - (sv.contentOffset().y + std::min(B, C));
}

double LoadMoreTableFooterView::visibleTableHeightDiffWithBoundsHeight(const ScrollViewProxy& sv) {
  const double C = sv.contentSize().height, B = sv.boundsSize().height;
  return B - std::min(B, C);
}

void LoadMoreTableFooterView::refreshScrollViewDidScroll(ScrollViewProxy& sv) {
  const double D = scrollViewOffsetFromBottom(sv);
  if (state_ == PullRefreshLoading) {
    const double pulled = std::clamp(-D, 0.0, kLoadingInset);
    ui::EdgeInsets inset = sv.contentInset();
    inset.bottom = pulled == 0 ? 0 : pulled + visibleTableHeightDiffWithBoundsHeight(sv);
    sv.setContentInset(inset);
  } else if (sv.isDragging()) {
    if (state_ == PullRefreshPulling && D > -kTriggerDistance && D < 0 && !isLoading_)
      setState(PullRefreshNormal);
    else if (state_ == PullRefreshNormal && D < -kTriggerDistance && !isLoading_)
      setState(PullRefreshPulling);
    ui::EdgeInsets inset = sv.contentInset();
    if (inset.bottom != 0) {
      inset.bottom = 0;
      sv.setContentInset(inset);
    }
  }
}

void LoadMoreTableFooterView::refreshScrollViewDidEndDragging(ScrollViewProxy& sv) {
  if (scrollViewOffsetFromBottom(sv) <= -kTriggerDistance && !isLoading_) {
    // Loading starts before the owner hears of it (see the header).
    auto keep = self();
    startAnimatingWithScrollView(sv);
    if (auto d = delegate_.lock()) d->loadMoreTableFooterDidTriggerLoadMore(*this);
  }
}

void LoadMoreTableFooterView::startAnimatingWithScrollView(ScrollViewProxy& sv) {
  isLoading_ = true;
  setState(PullRefreshLoading);
  const double gap = visibleTableHeightDiffWithBoundsHeight(sv);
  ui::View::animate(0.2, [&sv, gap] {
    ui::EdgeInsets inset = sv.contentInset();
    inset.bottom = gap + kLoadingInset;
    sv.setContentInset(inset);
  });
  if (scrollViewOffsetFromBottom(sv) == 0) {
    ui::Point offset = sv.contentOffset();
    sv.setContentOffset({offset.x, offset.y + kTriggerDistance}, true);
  }
}

}  // namespace mv
