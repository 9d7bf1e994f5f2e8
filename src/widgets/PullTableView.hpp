#pragma once
// A table that refreshes its content when dragged down past its top and
// loads more rows when dragged up past its end. Its header and footer edge
// views run the pull state machines; a message interceptor hands the table
// its scroll events first and everything else to the ordinary delegate.
#include <memory>
#include <optional>

#include "platform/gfx/Image.hpp"
#include "platform/ui/TableView.hpp"
#include "widgets/LoadMoreTableFooterView.hpp"
#include "widgets/MessageInterceptor.hpp"
#include "widgets/RefreshTableHeaderView.hpp"

namespace mv {

class PullTableView;

class PullTableViewDelegate {
 public:
  virtual ~PullTableViewDelegate() = default;
  // The user asked for fresh content; set `pullTableIsRefreshing` back to
  // false once it has arrived (also from inside this call).
  virtual void pullTableViewDidTriggerRefresh(PullTableView& tableView) = 0;
  // The user asked for more rows; clear `pullTableIsLoadingMore` when done.
  virtual void pullTableViewDidTriggerLoadMore(PullTableView& tableView) = 0;
};

class PullTableView : public ui::TableView {
 public:
  explicit PullTableView(const ui::Rect& frame = {}, ui::TableViewStyle style = ui::TableViewStyle::Plain);
  ~PullTableView() override;

  // The ordinary delegate: it hears every message, the scroll events after
  // the edge views.
  void setDelegate(std::weak_ptr<ui::ScrollViewDelegate> delegate) override;
  std::shared_ptr<ui::ScrollViewDelegate> ordinaryDelegate() const { return delegateInterceptor_->receiver(); }

  std::shared_ptr<PullTableViewDelegate> pullDelegate() const { return pullDelegate_.lock(); }
  void setPullDelegate(std::weak_ptr<PullTableViewDelegate> delegate) { pullDelegate_ = std::move(delegate); }

  bool pullTableIsRefreshing() const { return pullTableIsRefreshing_; }
  // From false to true the header starts loading; from true to false it finishes.
  void setPullTableIsRefreshing(bool on);
  bool pullTableIsLoadingMore() const { return pullTableIsLoadingMore_; }
  void setPullTableIsLoadingMore(bool on);

  const gfx::ImagePtr& pullArrowImage() const { return pullArrowImage_; }
  void setPullArrowImage(gfx::ImagePtr image);
  const std::optional<gfx::Color>& pullBackgroundColor() const { return pullBackgroundColor_; }
  void setPullBackgroundColor(std::optional<gfx::Color> color);
  const std::optional<gfx::Color>& pullTextColor() const { return pullTextColor_; }
  void setPullTextColor(std::optional<gfx::Color> color);
  // Seconds since 1970 of the last refresh, shown by the header.
  std::optional<double> pullLastRefreshDate() const { return pullLastRefreshDate_; }
  void setPullLastRefreshDate(std::optional<double> date);

  // Edge views take part (and show) only when enabled; both start disabled.
  bool refreshEnable() const { return refreshEnable_; }
  void setRefreshEnable(bool on);
  bool loadMoreEnable() const { return loadMoreEnable_; }
  void setLoadMoreEnable(bool on);

  RefreshTableHeaderView& refreshView() const { return *refreshView_; }
  LoadMoreTableFooterView& loadMoreView() const { return *loadMoreView_; }
  MessageInterceptor& delegateInterceptor() const { return *delegateInterceptor_; }

  // The scroll events, taken as the interceptor's middle man.
  void scrollViewDidScroll(ui::ScrollView& scrollView);
  void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate);
  void scrollViewWillBeginDragging(ui::ScrollView& scrollView);
  // The edge views' reports.
  void refreshTableHeaderDidTriggerRefresh(RefreshTableHeaderView& view);
  void loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView& view);
  std::optional<double> refreshTableHeaderDataSourceLastUpdated(RefreshTableHeaderView& view);

  void reloadData() override;
  void layoutSubviews() override;

 private:
  class Relay;
  void config();
  void configDisplayProperties();
  // The ordinary delegate when it takes part in `op` and is not the table's own relay.
  std::shared_ptr<ui::ScrollViewDelegate> receiverFor(ui::ScrollViewDelegateOp op) const;

  std::shared_ptr<RefreshTableHeaderView> refreshView_;
  std::shared_ptr<LoadMoreTableFooterView> loadMoreView_;
  std::shared_ptr<Relay> relay_;
  std::shared_ptr<MessageInterceptor> delegateInterceptor_;
  gfx::ImagePtr pullArrowImage_;
  std::optional<gfx::Color> pullBackgroundColor_;
  std::optional<gfx::Color> pullTextColor_;
  std::optional<double> pullLastRefreshDate_;
  bool pullTableIsRefreshing_ = false;
  bool pullTableIsLoadingMore_ = false;
  std::weak_ptr<PullTableViewDelegate> pullDelegate_;
  bool refreshEnable_ = false;
  bool loadMoreEnable_ = false;
};

}  // namespace mv
