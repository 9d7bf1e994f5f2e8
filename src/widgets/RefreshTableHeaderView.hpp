#pragma once
// The view above a table's content that refreshes it when dragged down far
// enough: "Pull down to refresh...", "Release to refresh...", then
// "Loading..." with a spinner while the owner fetches, and a line telling
// how long ago the last update was.
#include <memory>
#include <optional>
#include <string>

#include "widgets/PullEdgeView.hpp"
#include "widgets/ScrollViewProxy.hpp"

namespace mv {

class RefreshTableHeaderView;

class RefreshTableHeaderDelegate {
 public:
  virtual ~RefreshTableHeaderDelegate() = default;
  // The user let go beyond the trigger distance; the header is loading already.
  virtual void refreshTableHeaderDidTriggerRefresh(RefreshTableHeaderView& /*view*/) {}
  // When the data was last updated (seconds since 1970), or nothing.
  virtual std::optional<double> refreshTableHeaderDataSourceLastUpdated(RefreshTableHeaderView& /*view*/) {
    return std::nullopt;
  }
};

class RefreshTableHeaderView : public PullEdgeView {
 public:
  static constexpr const char* kStringTable = "PullTableViewLan";

  explicit RefreshTableHeaderView(const ui::Rect& frame);

  std::shared_ptr<RefreshTableHeaderDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<RefreshTableHeaderDelegate> delegate) { delegate_ = std::move(delegate); }

  void setState(int state) override;
  // Rebuilds the date line from the delegate's last update and places the
  // status text under it (or lower when there is no date).
  void refreshLastUpdatedDate();

  void refreshScrollViewDidScroll(ScrollViewProxy& scrollView);
  void refreshScrollViewWillBeginDragging(ScrollViewProxy& scrollView);
  void refreshScrollViewDidEndDragging(ScrollViewProxy& scrollView);
  void startAnimatingWithScrollView(ScrollViewProxy& scrollView);

  ui::Label& lastUpdatedLabel() const { return *lastUpdatedLabel_; }

  // The text of the date line for an update `seconds` ago (a date in the
  // future counts as now).
  static std::string lastUpdatedText(double seconds);

 protected:
  void applyTextColor(const gfx::Color& color) override;
  void clearLoadingInset(ui::EdgeInsets& inset) const override { inset.top = 0; }

 private:
  std::weak_ptr<RefreshTableHeaderDelegate> delegate_;
  std::shared_ptr<ui::Label> lastUpdatedLabel_;
};

}  // namespace mv
