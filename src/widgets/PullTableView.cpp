#include "widgets/PullTableView.hpp"

#include <algorithm>

#include "widgets/ScrollViewProxy.hpp"

namespace mv {

// Answers for the table: the edge views' delegate and the interceptor's
// middle man for the three scroll events. The table owns it; it points back
// at the table only while the table lives.
class PullTableView::Relay : public RefreshTableHeaderDelegate,
                             public LoadMoreTableFooterDelegate,
                             public ui::ScrollViewDelegate {
 public:
  explicit Relay(PullTableView* table) : table(table) {}
  PullTableView* table;

  bool respondsTo(ui::ScrollViewDelegateOp op) const override {
    return op == ui::ScrollViewDelegateOp::DidScroll || op == ui::ScrollViewDelegateOp::DidEndDragging ||
           op == ui::ScrollViewDelegateOp::WillBeginDragging;
  }
  void scrollViewDidScroll(ui::ScrollView& sv) override {
    if (table) table->scrollViewDidScroll(sv);
  }
  void scrollViewDidEndDragging(ui::ScrollView& sv, bool willDecelerate) override {
    if (table) table->scrollViewDidEndDragging(sv, willDecelerate);
  }
  void scrollViewWillBeginDragging(ui::ScrollView& sv) override {
    if (table) table->scrollViewWillBeginDragging(sv);
  }
  void refreshTableHeaderDidTriggerRefresh(RefreshTableHeaderView& view) override {
    if (table) table->refreshTableHeaderDidTriggerRefresh(view);
  }
  std::optional<double> refreshTableHeaderDataSourceLastUpdated(RefreshTableHeaderView& view) override {
    return table ? table->refreshTableHeaderDataSourceLastUpdated(view) : std::nullopt;
  }
  void loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView& view) override {
    if (table) table->loadMoreTableFooterDidTriggerLoadMore(view);
  }
};

PullTableView::PullTableView(const ui::Rect& frame, ui::TableViewStyle style) : ui::TableView(frame, style) {
  config();
}

PullTableView::~PullTableView() {
  if (relay_) relay_->table = nullptr;
}

void PullTableView::config() {
  relay_ = std::make_shared<Relay>(this);
  delegateInterceptor_ = std::make_shared<MessageInterceptor>();
  delegateInterceptor_->setMiddleMan(std::static_pointer_cast<ui::ScrollViewDelegate>(relay_));
  delegateInterceptor_->setReceiver(ui::TableView::delegate());
  ui::TableView::setDelegate(delegateInterceptor_);
  pullTableIsRefreshing_ = false;
  pullTableIsLoadingMore_ = false;

  const double W = bounds().width(), H = bounds().height();
  refreshView_ = std::make_shared<RefreshTableHeaderView>(ui::Rect{0, -H, W, H});
  refreshView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleBottomMargin);
  refreshView_->setDelegate(std::static_pointer_cast<RefreshTableHeaderDelegate>(relay_));
  addSubview(refreshView_);
  loadMoreView_ = std::make_shared<LoadMoreTableFooterView>(ui::Rect{0, H, W, H});
  loadMoreView_->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleTopMargin);
  loadMoreView_->setDelegate(std::static_pointer_cast<LoadMoreTableFooterDelegate>(relay_));
  addSubview(loadMoreView_);
}

void PullTableView::setDelegate(std::weak_ptr<ui::ScrollViewDelegate> delegate) {
  if (!delegateInterceptor_) {
    ui::TableView::setDelegate(std::move(delegate));
    return;
  }
  // Installed afresh, so the table asks again which messages are answered.
  ui::TableView::setDelegate({});
  delegateInterceptor_->setReceiver(std::move(delegate));
  ui::TableView::setDelegate(delegateInterceptor_);
}

std::shared_ptr<ui::ScrollViewDelegate> PullTableView::receiverFor(ui::ScrollViewDelegateOp op) const {
  auto receiver = delegateInterceptor_->receiver();
  if (!receiver || receiver == std::static_pointer_cast<ui::ScrollViewDelegate>(relay_) ||
      receiver == std::static_pointer_cast<ui::ScrollViewDelegate>(delegateInterceptor_))
    return nullptr;
  return receiver->respondsTo(op) ? receiver : nullptr;
}

// --- scroll events ------------------------------------------------------------------

void PullTableView::scrollViewDidScroll(ui::ScrollView& sv) {
  auto keep = self();
  ScrollViewReference edge(sv);
  if (refreshEnable_) refreshView_->refreshScrollViewDidScroll(edge);
  if (loadMoreEnable_) loadMoreView_->refreshScrollViewDidScroll(edge);
  if (auto r = receiverFor(ui::ScrollViewDelegateOp::DidScroll)) r->scrollViewDidScroll(sv);
}

void PullTableView::scrollViewDidEndDragging(ui::ScrollView& sv, bool willDecelerate) {
  auto keep = self();
  ScrollViewReference edge(sv);
  if (refreshEnable_) refreshView_->refreshScrollViewDidEndDragging(edge);
  if (loadMoreEnable_) loadMoreView_->refreshScrollViewDidEndDragging(edge);
  if (auto r = receiverFor(ui::ScrollViewDelegateOp::DidEndDragging)) r->scrollViewDidEndDragging(sv, willDecelerate);
}

void PullTableView::scrollViewWillBeginDragging(ui::ScrollView& sv) {
  auto keep = self();
  ScrollViewReference edge(sv);
  if (refreshEnable_) refreshView_->refreshScrollViewWillBeginDragging(edge);
  if (auto r = receiverFor(ui::ScrollViewDelegateOp::WillBeginDragging)) r->scrollViewWillBeginDragging(sv);
}

// --- edge view reports ------------------------------------------------------------------

void PullTableView::refreshTableHeaderDidTriggerRefresh(RefreshTableHeaderView&) {
  pullTableIsRefreshing_ = true;
  if (auto d = pullDelegate_.lock()) d->pullTableViewDidTriggerRefresh(*this);
}

void PullTableView::loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView&) {
  pullTableIsLoadingMore_ = true;
  if (auto d = pullDelegate_.lock()) d->pullTableViewDidTriggerLoadMore(*this);
}

std::optional<double> PullTableView::refreshTableHeaderDataSourceLastUpdated(RefreshTableHeaderView&) {
  return pullLastRefreshDate_;
}

// --- running flags ----------------------------------------------------------------------

void PullTableView::setPullTableIsRefreshing(bool on) {
  if (on == pullTableIsRefreshing_) return;
  auto keep = self();
  ScrollViewReference edge(*this);
  if (on)
    refreshView_->startAnimatingWithScrollView(edge);
  else
    refreshView_->refreshScrollViewDataSourceDidFinishedLoading(edge);
  pullTableIsRefreshing_ = on;
}

void PullTableView::setPullTableIsLoadingMore(bool on) {
  if (on == pullTableIsLoadingMore_) return;
  auto keep = self();
  ScrollViewReference edge(*this);
  if (on)
    loadMoreView_->startAnimatingWithScrollView(edge);
  else
    loadMoreView_->refreshScrollViewDataSourceDidFinishedLoading(edge);
  pullTableIsLoadingMore_ = on;
}

// --- looks --------------------------------------------------------------------------

void PullTableView::setPullArrowImage(gfx::ImagePtr image) {
  if (image == pullArrowImage_) return;
  pullArrowImage_ = std::move(image);
  configDisplayProperties();
}

void PullTableView::setPullBackgroundColor(std::optional<gfx::Color> color) {
  if (color == pullBackgroundColor_) return;
  pullBackgroundColor_ = std::move(color);
  configDisplayProperties();
}

void PullTableView::setPullTextColor(std::optional<gfx::Color> color) {
  if (color == pullTextColor_) return;
  pullTextColor_ = std::move(color);
  configDisplayProperties();
}

void PullTableView::configDisplayProperties() {
  refreshView_->setBackgroundColor(pullBackgroundColor_, pullTextColor_, pullArrowImage_);
  loadMoreView_->setBackgroundColor(pullBackgroundColor_, pullTextColor_, pullArrowImage_);
}

void PullTableView::setPullLastRefreshDate(std::optional<double> date) {
  if (date == pullLastRefreshDate_) return;
  pullLastRefreshDate_ = date;
  refreshView_->refreshLastUpdatedDate();
}

void PullTableView::setRefreshEnable(bool on) {
  refreshEnable_ = on;
  refreshView_->setHidden(!on);
}

void PullTableView::setLoadMoreEnable(bool on) {
  loadMoreEnable_ = on;
  loadMoreView_->setHidden(!on);
}

// --- table --------------------------------------------------------------------------

void PullTableView::reloadData() {
  ui::TableView::reloadData();
  ScrollViewReference edge(*this);
  loadMoreView_->refreshScrollViewDidScroll(edge);
}

void PullTableView::layoutSubviews() {
  ui::TableView::layoutSubviews();
  ui::Rect f = loadMoreView_->frame();
  f.origin.y = std::max(bounds().height(), contentSize().height);
  loadMoreView_->setFrame(f);
}

}  // namespace mv
