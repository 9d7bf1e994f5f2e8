#pragma once
// The view under a table's content that loads more rows when the table is
// dragged up past its end.
#include <memory>

#include "widgets/PullEdgeView.hpp"
#include "widgets/ScrollViewProxy.hpp"

namespace ui {
class ScrollView;
}

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
  void refreshScrollViewDidScroll(ui::ScrollView& scrollView);
  void refreshScrollViewDidEndDragging(ScrollViewProxy& scrollView);
  void refreshScrollViewDidEndDragging(ui::ScrollView& scrollView);
  void startAnimatingWithScrollView(ScrollViewProxy& scrollView);
  void startAnimatingWithScrollView(ui::ScrollView& scrollView);
  void refreshScrollViewDataSourceDidFinishedLoading(ScrollViewProxy& scrollView);
  void refreshScrollViewDataSourceDidFinishedLoading(ui::ScrollView& scrollView);

 private:
  std::weak_ptr<LoadMoreTableFooterDelegate> delegate_;
};

}  // namespace mv
