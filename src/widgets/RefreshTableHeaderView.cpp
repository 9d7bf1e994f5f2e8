#include "widgets/RefreshTableHeaderView.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/base/Date.hpp"
#include "widgets/BundleStrings.hpp"

namespace mv {

namespace {

std::string tableText(const char* english) {
  return BundleStrings::localizedStringForKey(english, RefreshTableHeaderView::kStringTable);
}

// The count put in place of the format's "%ld"; the table's text is never
// used as a format of its own.
std::string fillCount(const std::string& format, long count) {
  std::string out = format;
  auto at = out.find("%ld");
  if (at != std::string::npos) out.replace(at, 3, std::to_string(count));
  return out;
}

}  // namespace

RefreshTableHeaderView::RefreshTableHeaderView(const ui::Rect& frame) : PullEdgeView(frame) {
  const double W = frame.width(), H = frame.height();
  lastUpdatedLabel_ = makeLabel({0, H - 30, W, 20}, gfx::Font::systemFont(12));
  addSubview(lastUpdatedLabel_);
  buildParts({0, H - 48, W, 20}, {25, H - 65, 30, 55}, {25, H - 38, 20, 20});
  isLoading_ = false;
  setState(PullRefreshNormal);
  setBackgroundColor(std::nullopt, std::nullopt, nullptr);
}

void RefreshTableHeaderView::applyTextColor(const gfx::Color& color) {
  PullEdgeView::applyTextColor(color);
  lastUpdatedLabel_->setTextColor(color);
  lastUpdatedLabel_->setShadowColor(color.withAlphaComponent(0.1));
}

std::string RefreshTableHeaderView::lastUpdatedText(double seconds) {
  if (!(seconds > 0)) seconds = 0;  // also a date that is not a number
  long count;
  const char* one;
  const char* many;
  if (seconds < 3600) {
    count = static_cast<long>(seconds / 60);
    one = "Updated %ld minute ago";
    many = "Updated %ld minutes ago";
  } else if (seconds < 86400) {
    count = static_cast<long>(seconds / 3600);
    one = "Updated %ld hour ago";
    many = "Updated %ld hours ago";
  } else {
    double days = std::min(seconds / 86400, 1e15);
    count = static_cast<long>(days);
    one = "Updated %ld day ago";
    many = "Updated %ld days ago";
  }
  return fillCount(tableText(count == 1 ? one : many), count);
}

void RefreshTableHeaderView::refreshLastUpdatedDate() {
  const double H = bounds().height(), W = bounds().width();
  std::optional<double> date;
  if (auto d = delegate_.lock()) date = d->refreshTableHeaderDataSourceLastUpdated(*this);
  if (date && std::isfinite(*date)) {
    lastUpdatedLabel_->setText(lastUpdatedText(base::Date::now() - *date));
    statusLabel_->setFrame({0, H - 48, W, 20});
  } else {
    lastUpdatedLabel_->setText("");
    statusLabel_->setFrame({0, H - 38, W, 20});
  }
}

void RefreshTableHeaderView::setState(int state) {
  const ui::Transform3D flipped = ui::Transform3D::rotation(std::numbers::pi, 0, 0, 1);
  switch (state) {
    case PullRefreshPulling:
      statusLabel_->setText(tableText("Release to refresh..."));
      turnArrow(flipped);
      break;
    case PullRefreshNormal:
      if (state_ == PullRefreshPulling) turnArrow(ui::Transform3D::identity());
      statusLabel_->setText(tableText("Pull down to refresh..."));
      activityView_->stopAnimating();
      placeArrow(false, ui::Transform3D::identity());
      refreshLastUpdatedDate();
      break;
    case PullRefreshLoading:
      statusLabel_->setText(tableText("Loading..."));
      activityView_->startAnimating();
      placeArrow(true, std::nullopt);
      break;
    default:
      break;
  }
  state_ = state;
}

void RefreshTableHeaderView::refreshScrollViewDidScroll(ScrollViewProxy& sv) {
  const double y = sv.contentOffset().y;
  if (state_ == PullRefreshLoading) {
    ui::EdgeInsets inset = sv.contentInset();
    inset.top = std::clamp(-y, 0.0, kLoadingInset);
    sv.setContentInset(inset);
  } else if (sv.isDragging()) {
    if (state_ == PullRefreshPulling && y > -kTriggerDistance && y < 0 && !isLoading_)
      setState(PullRefreshNormal);
    else if (state_ == PullRefreshNormal && y < -kTriggerDistance && !isLoading_)
      setState(PullRefreshPulling);
    ui::EdgeInsets inset = sv.contentInset();
    if (inset.top != 0) {
      inset.top = 0;
      sv.setContentInset(inset);
    }
  }
}

void RefreshTableHeaderView::refreshScrollViewWillBeginDragging(ScrollViewProxy&) { refreshLastUpdatedDate(); }

void RefreshTableHeaderView::refreshScrollViewDidEndDragging(ScrollViewProxy& sv) {
  if (sv.contentOffset().y <= -kTriggerDistance && !isLoading_) {
    // Loading starts before the owner hears of it, so an owner that is done
    // at once (and says so from inside the call) ends it for good.
    auto keep = self();
    startAnimatingWithScrollView(sv);
    if (auto d = delegate_.lock()) d->refreshTableHeaderDidTriggerRefresh(*this);
  }
}

void RefreshTableHeaderView::startAnimatingWithScrollView(ScrollViewProxy& sv) {
  isLoading_ = true;
  setState(PullRefreshLoading);
  ui::View::animate(0.2, [&sv] {
    ui::EdgeInsets inset = sv.contentInset();
    inset.top = kLoadingInset;
    sv.setContentInset(inset);
  });
  ui::Point offset = sv.contentOffset();
  if (offset.y == 0) sv.setContentOffset({offset.x, -kTriggerDistance}, true);
}

}  // namespace mv
