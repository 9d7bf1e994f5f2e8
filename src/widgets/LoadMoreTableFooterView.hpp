#pragma once
// The view under a table's content that loads more rows when the table is
// dragged up past its end.
#include <memory>

#include "widgets/PullEdgeView.hpp"
#include "widgets/ScrollViewProxy.hpp"

namespace mv {

class LoadMoreTableFooterView;

class LoadMoreTableFooterDelegate {
 public:
  virtual ~LoadMoreTableFooterDelegate() = default;
  // The user let go beyond the trigger distance; the footer is loading already.
  virtual void loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView& /*view*/) {}
};

class LoadMoreTableFooterView : public PullEdgeView {
 public:
  explicit LoadMoreTableFooterView(const ui::Rect& frame);

  std::shared_ptr<LoadMoreTableFooterDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LoadMoreTableFooterDelegate> delegate) { delegate_ = std::move(delegate); }

  void setState(int state) override;

  // How far the content's end is from the view's bottom edge: negative when
  // the user has pulled past the end.
  static double scrollViewOffsetFromBottom(const ScrollViewProxy& scrollView);
  // The empty space under content shorter than the view.
  static double visibleTableHeightDiffWithBoundsHeight(const ScrollViewProxy& scrollView);

  void refreshScrollViewDidScroll(ScrollViewProxy& scrollView);
  void refreshScrollViewDidEndDragging(ScrollViewProxy& scrollView);
  void startAnimatingWithScrollView(ScrollViewProxy& scrollView);

 protected:
  void clearLoadingInset(ui::EdgeInsets& inset) const override { inset.bottom = 0; }

 private:
  std::weak_ptr<LoadMoreTableFooterDelegate> delegate_;
};

}  // namespace mv
