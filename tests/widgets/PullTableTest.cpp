#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "UiTestEnvironment.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/LoadMoreTableFooterView.hpp"
#include "widgets/MessageInterceptor.hpp"
#include "widgets/PullTableView.hpp"
#include "widgets/RefreshTableHeaderView.hpp"

using namespace mv;

namespace {

class PullTableTest : public test::WidgetTestEnvironment {
 protected:
  void SetUp() override {
    WidgetTestEnvironment::SetUp();
    texts = {{"PULLUPTOLOADMORE", "Pull up to load more..."},
             {"PULLUPRELEASE", "Release to load more..."},
             {"PULLUPLOADING", "Loading..."}};
  }
};

// A stand-in scroll view fed with offsets.
struct FakeScroll : ScrollViewProxy {
  ui::Point offset;
  ui::Size content{320, 1000};
  ui::Size bounds{320, 300};
  ui::EdgeInsets inset;
  bool dragging = false;
  std::vector<ui::Point> animatedOffsets;
  ui::Point contentOffset() const override { return offset; }
  ui::Size contentSize() const override { return content; }
  ui::Size boundsSize() const override { return bounds; }
  ui::EdgeInsets contentInset() const override { return inset; }
  bool isDragging() const override { return dragging; }
  void setContentInset(ui::EdgeInsets e) override { inset = e; }
  void setContentOffset(ui::Point p, bool animated) override {
    offset = p;
    if (animated) animatedOffsets.push_back(p);
  }
  // The user drags to y, or lets go there.
  template <typename Edge>
  void dragTo(Edge& edge, double y) {
    dragging = true;
    offset.y = y;
    edge.refreshScrollViewDidScroll(*this);
  }
  template <typename Edge>
  void releaseAt(Edge& edge, double y) {
    offset.y = y;
    dragging = false;
    edge.refreshScrollViewDidEndDragging(*this);
  }
};

struct HeaderOwner : RefreshTableHeaderDelegate {
  int triggers = 0;
  int stateAtTrigger = -1;
  bool loadingAtTrigger = false;
  std::optional<double> lastUpdated;
  void refreshTableHeaderDidTriggerRefresh(RefreshTableHeaderView& v) override {
    ++triggers;
    stateAtTrigger = v.state();
    loadingAtTrigger = v.isLoading();
  }
  std::optional<double> refreshTableHeaderDataSourceLastUpdated(RefreshTableHeaderView&) override {
    return lastUpdated;
  }
};

struct FooterOwner : LoadMoreTableFooterDelegate {
  int triggers = 0;
  void loadMoreTableFooterDidTriggerLoadMore(LoadMoreTableFooterView&) override { ++triggers; }
};

bool isFlipped(const ui::Layer& arrow) {
  return arrow.transform() == ui::Transform3D::rotation(std::numbers::pi, 0, 0, 1);
}

}  // namespace

TEST_F(PullTableTest, HeaderStateMachine) {
  auto header = std::make_shared<RefreshTableHeaderView>(ui::Rect{0, -300, 320, 300});
  auto owner = std::make_shared<HeaderOwner>();
  header->setDelegate(owner);
  FakeScroll sv;
  EXPECT_EQ(header->state(), PullRefreshNormal);
  EXPECT_EQ(header->statusLabel().text(), "Pull down to refresh...");
  EXPECT_EQ(header->activityView().activityIndicatorViewStyle(), ui::ActivityIndicatorStyle::Gray);
  EXPECT_EQ(header->activityView().frame(), (ui::Rect{25, 262, 20, 20}));
  EXPECT_EQ(header->arrowImage().frame(), (ui::Rect{25, 235, 30, 55}));
  EXPECT_EQ(header->arrowImage().contentsGravity(), "resizeAspect");
  EXPECT_TRUE(header->arrowImage().contents());  // the application's arrow
  EXPECT_EQ(header->backgroundColor(), gfx::Color::rgb255(226, 231, 237));
  EXPECT_EQ(header->statusLabel().textColor(), gfx::Color::rgb255(87, 108, 137));

  // Exactly 120 is not yet past the trigger distance; 121 is.
  sv.dragTo(*header, -120);
  EXPECT_EQ(header->state(), PullRefreshNormal);
  sv.dragTo(*header, -121);
  EXPECT_EQ(header->state(), PullRefreshPulling);
  EXPECT_EQ(header->statusLabel().text(), "Release to refresh...");
  EXPECT_TRUE(isFlipped(header->arrowImage()));
  sv.dragTo(*header, -120);
  EXPECT_EQ(header->state(), PullRefreshPulling);
  sv.dragTo(*header, -119);
  EXPECT_EQ(header->state(), PullRefreshNormal);
  EXPECT_TRUE(header->arrowImage().transform().isIdentity());
  // Scrolling without a finger changes nothing; a drag clears a stale inset.
  sv.dragging = false;
  sv.offset.y = -200;
  header->refreshScrollViewDidScroll(sv);
  EXPECT_EQ(header->state(), PullRefreshNormal);
  sv.inset.top = 30;
  sv.dragTo(*header, -10);
  EXPECT_EQ(sv.inset.top, 0);

  // Letting go short of the distance does nothing; at exactly 120 it triggers,
  // and the header is loading before its owner hears of it.
  sv.releaseAt(*header, -119);
  EXPECT_EQ(owner->triggers, 0);
  ui::View::clearAnimationLog();
  sv.releaseAt(*header, -120);
  EXPECT_EQ(owner->triggers, 1);
  EXPECT_EQ(owner->stateAtTrigger, PullRefreshLoading);
  EXPECT_TRUE(owner->loadingAtTrigger);
  EXPECT_EQ(header->state(), PullRefreshLoading);
  EXPECT_EQ(header->statusLabel().text(), "Loading...");
  EXPECT_TRUE(header->activityView().isAnimating());
  EXPECT_TRUE(header->arrowImage().isHidden());
  EXPECT_EQ(sv.inset.top, 60);
  ASSERT_FALSE(ui::View::animationLog().empty());
  EXPECT_DOUBLE_EQ(ui::View::animationLog().front().duration, 0.2);
  EXPECT_TRUE(sv.animatedOffsets.empty());  // not at rest at 0

  // While loading the inset follows the offset within 0 ... 60.
  sv.offset.y = -30;
  header->refreshScrollViewDidScroll(sv);
  EXPECT_EQ(sv.inset.top, 30);
  sv.offset.y = -80;
  header->refreshScrollViewDidScroll(sv);
  EXPECT_EQ(sv.inset.top, 60);
  sv.offset.y = 15;
  header->refreshScrollViewDidScroll(sv);
  EXPECT_EQ(sv.inset.top, 0);

  // A second pull while loading does nothing.
  sv.dragTo(*header, -200);
  sv.releaseAt(*header, -200);
  EXPECT_EQ(owner->triggers, 1);

  // Finished: no inset, normal again.
  header->refreshScrollViewDataSourceDidFinishedLoading(sv);
  EXPECT_FALSE(header->isLoading());
  EXPECT_EQ(sv.inset.top, 0);
  EXPECT_EQ(header->state(), PullRefreshNormal);
  EXPECT_FALSE(header->activityView().isAnimating());
  EXPECT_FALSE(header->arrowImage().isHidden());

  // Started by code with the content at rest: it also scrolls to show the header.
  sv.offset = {0, 0};
  header->startAnimatingWithScrollView(sv);
  EXPECT_EQ(sv.animatedOffsets, (std::vector<ui::Point>{{0, -120}}));
}

TEST_F(PullTableTest, UpdatedAgoTexts) {
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(59), "Updated 0 minutes ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(60), "Updated 1 minute ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(3599), "Updated 59 minutes ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(90 * 60), "Updated 1 hour ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(7200), "Updated 2 hours ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(30 * 3600), "Updated 1 day ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(3 * 86400 + 5), "Updated 3 days ago");
  // A date in the future, or not a number, counts as now.
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(-7200), "Updated 0 minutes ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(std::nan("")), "Updated 0 minutes ago");
  EXPECT_EQ(RefreshTableHeaderView::lastUpdatedText(1e300), "Updated 1000000000000000 days ago");

  auto header = std::make_shared<RefreshTableHeaderView>(ui::Rect{0, -300, 320, 300});
  auto owner = std::make_shared<HeaderOwner>();
  header->setDelegate(owner);
  header->refreshLastUpdatedDate();
  EXPECT_EQ(header->lastUpdatedLabel().text(), "");
  EXPECT_EQ(header->statusLabel().frame(), (ui::Rect{0, 262, 320, 20}));
  owner->lastUpdated = base::Date::now() - 59;
  FakeScroll sv;
  header->refreshScrollViewWillBeginDragging(sv);
  EXPECT_EQ(header->lastUpdatedLabel().text(), "Updated 0 minutes ago");
  EXPECT_EQ(header->statusLabel().frame(), (ui::Rect{0, 252, 320, 20}));
  EXPECT_EQ(header->lastUpdatedLabel().frame(), (ui::Rect{0, 270, 320, 20}));
  advance(90 * 60);
  header->refreshLastUpdatedDate();
  EXPECT_EQ(header->lastUpdatedLabel().text(), "Updated 1 hour ago");

  // The Chinese table.
  base::UserDefaults::standard().setInteger("language", 2);
  header->refreshLastUpdatedDate();
  EXPECT_EQ(header->lastUpdatedLabel().text(), "1 小时前更新");
  header->setState(PullRefreshPulling);
  EXPECT_EQ(header->statusLabel().text(), "松开即可刷新...");
}

TEST_F(PullTableTest, FooterGeometryAndStateMachine) {
  auto footer = std::make_shared<LoadMoreTableFooterView>(ui::Rect{0, 500, 320, 500});
  auto owner = std::make_shared<FooterOwner>();
  footer->setDelegate(owner);
  EXPECT_EQ(footer->statusLabel().frame(), (ui::Rect{0, 20, 320, 20}));
  EXPECT_EQ(footer->statusLabel().text(), "Pull up to load more...");
  EXPECT_TRUE(isFlipped(footer->arrowImage()));

  // Content 300 high in a 500-point view: 200 empty points under it.
  FakeScroll sv;
  sv.content = {320, 300};
  sv.bounds = {320, 500};
  EXPECT_EQ(LoadMoreTableFooterView::visibleTableHeightDiffWithBoundsHeight(sv), 200);
  sv.offset.y = 121;
  EXPECT_EQ(LoadMoreTableFooterView::scrollViewOffsetFromBottom(sv), -121);

  sv.dragTo(*footer, 120);
  EXPECT_EQ(footer->state(), PullRefreshNormal);
  sv.dragTo(*footer, 121);
  EXPECT_EQ(footer->state(), PullRefreshPulling);
  EXPECT_EQ(footer->statusLabel().text(), "Release to load more...");
  EXPECT_TRUE(footer->arrowImage().transform().isIdentity());
  sv.releaseAt(*footer, 121);
  EXPECT_EQ(owner->triggers, 1);
  EXPECT_EQ(footer->state(), PullRefreshLoading);
  EXPECT_EQ(footer->statusLabel().text(), "Loading...");
  EXPECT_EQ(sv.inset.bottom, 260);

  // While loading: the pulled distance plus the gap, or nothing.
  sv.offset.y = 30;
  footer->refreshScrollViewDidScroll(sv);
  EXPECT_EQ(sv.inset.bottom, 230);
  sv.offset.y = 0;
  footer->refreshScrollViewDidScroll(sv);
  EXPECT_EQ(sv.inset.bottom, 0);
  sv.releaseAt(*footer, 300);
  EXPECT_EQ(owner->triggers, 1);
  footer->refreshScrollViewDataSourceDidFinishedLoading(sv);
  EXPECT_EQ(sv.inset.bottom, 0);
  EXPECT_EQ(footer->state(), PullRefreshNormal);
  EXPECT_TRUE(isFlipped(footer->arrowImage()));

  // Long content: D = 1000 - (y + 500).
  sv.content = {320, 1000};
  sv.dragTo(*footer, 620);
  EXPECT_EQ(footer->state(), PullRefreshNormal);
  sv.dragTo(*footer, 622);
  EXPECT_EQ(footer->state(), PullRefreshPulling);
  sv.dragTo(*footer, 600);
  EXPECT_EQ(footer->state(), PullRefreshNormal);
  sv.releaseAt(*footer, 620);
  EXPECT_EQ(owner->triggers, 2);
  EXPECT_EQ(sv.inset.bottom, 60);
  footer->refreshScrollViewDataSourceDidFinishedLoading(sv);

  // Started by code with the end at the bottom edge: scrolls 120 further.
  sv.offset.y = 500;
  footer->startAnimatingWithScrollView(sv);
  EXPECT_EQ(sv.animatedOffsets, (std::vector<ui::Point>{{0, 620}}));
}

namespace {

struct Rows : ui::TableViewDataSource {
  long count = 5;
  long tableViewNumberOfRowsInSection(ui::TableView&, long) override { return count; }
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv,
                                                                   const ui::IndexPath& ip) override {
    auto cell = tv.dequeueReusableCellWithIdentifier("row");
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, "row");
    cell->textLabel().setText("Row " + std::to_string(ip.row));
    return cell;
  }
};

struct Owner : PullTableViewDelegate {
  int refreshes = 0, loads = 0;
  bool finishAtOnce = false;
  void pullTableViewDidTriggerRefresh(PullTableView& t) override {
    ++refreshes;
    if (finishAtOnce) t.setPullTableIsRefreshing(false);
  }
  void pullTableViewDidTriggerLoadMore(PullTableView& t) override {
    ++loads;
    if (finishAtOnce) t.setPullTableIsLoadingMore(false);
  }
};

struct Ordinary : ui::TableViewDelegate {
  std::vector<ui::IndexPath> selected;
  int scrolls = 0, endDrags = 0, beginDrags = 0;
  std::optional<double> height;
  bool respondsTo(ui::TableViewDelegateOp op) const override {
    return op != ui::TableViewDelegateOp::HeightForRow || height.has_value();
  }
  using ui::TableViewDelegate::respondsTo;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
    return height;
  }
  void tableViewDidSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& ip) override { selected.push_back(ip); }
  void scrollViewDidScroll(ui::ScrollView&) override { ++scrolls; }
  void scrollViewDidEndDragging(ui::ScrollView&, bool) override { ++endDrags; }
  void scrollViewWillBeginDragging(ui::ScrollView&) override { ++beginDrags; }
};

struct Fixture {
  ui::HeadlessDriver driver;
  std::shared_ptr<PullTableView> table = std::make_shared<PullTableView>(ui::Rect{0, 0, 320, 300});
  std::shared_ptr<Rows> rows = std::make_shared<Rows>();
  std::shared_ptr<Owner> owner = std::make_shared<Owner>();
  Fixture() {
    table->setDataSource(rows);
    table->setPullDelegate(owner);
    driver.window().addSubview(table);
    driver.flush();
  }
  // A finger drag down (positive dy) or up from the table's middle.
  void drag(double dy) {
    std::vector<ui::Point> path;
    for (int i = 0; i <= 10; ++i) path.push_back({160, 150 + dy * i / 10.0});
    driver.drag(path, 0.05);
  }
};

}  // namespace

TEST_F(PullTableTest, PullingTheTableTriggersTheOwner) {
  Fixture f;
  auto& t = *f.table;
  t.setRefreshEnable(true);
  t.setLoadMoreEnable(true);

  // Down past the top: refresh, with the header loading first.
  f.drag(320);
  EXPECT_EQ(f.owner->refreshes, 1);
  EXPECT_TRUE(t.pullTableIsRefreshing());
  EXPECT_EQ(t.refreshView().state(), PullRefreshLoading);
  f.driver.advance(1);
  t.setPullTableIsRefreshing(false);
  EXPECT_EQ(t.refreshView().state(), PullRefreshNormal);
  EXPECT_EQ(t.contentInset().top, 0);
  f.driver.advance(1);

  // An owner that is done inside the call leaves nothing loading.
  f.owner->finishAtOnce = true;
  f.drag(320);
  EXPECT_EQ(f.owner->refreshes, 2);
  EXPECT_FALSE(t.pullTableIsRefreshing());
  EXPECT_EQ(t.refreshView().state(), PullRefreshNormal);
  EXPECT_FALSE(t.refreshView().isLoading());
  EXPECT_EQ(t.contentInset().top, 0);
  f.driver.advance(1);
  EXPECT_EQ(t.contentOffset().y, 0);

  // Up past the end of short content: load more, and the same early finish.
  f.drag(-320);
  EXPECT_EQ(f.owner->loads, 1);
  EXPECT_FALSE(t.pullTableIsLoadingMore());
  EXPECT_EQ(t.loadMoreView().state(), PullRefreshNormal);
  EXPECT_EQ(t.contentInset().bottom, 0);
  f.owner->finishAtOnce = false;
  f.driver.advance(1);
  f.drag(-320);
  EXPECT_EQ(f.owner->loads, 2);
  EXPECT_TRUE(t.pullTableIsLoadingMore());
  EXPECT_EQ(t.loadMoreView().state(), PullRefreshLoading);
  t.setPullTableIsLoadingMore(false);
  EXPECT_EQ(t.loadMoreView().state(), PullRefreshNormal);
}

TEST_F(PullTableTest, OrdinaryDelegateHearsEverythingElse) {
  Fixture f;
  auto& t = *f.table;
  t.setRefreshEnable(true);
  auto first = std::make_shared<Ordinary>();
  t.setDelegate(first);
  EXPECT_EQ(t.ordinaryDelegate(), first);
  EXPECT_EQ(t.delegate().get(), &t.delegateInterceptor());
  f.driver.flush();

  ASSERT_TRUE(t.tapRowAtIndexPath({0, 2}));
  EXPECT_EQ(first->selected, (std::vector<ui::IndexPath>{{0, 2}}));
  f.drag(100);
  EXPECT_GT(first->scrolls, 0);
  EXPECT_EQ(first->beginDrags, 1);
  EXPECT_EQ(first->endDrags, 1);
  f.driver.advance(1);

  // Replaced after creation: the new one hears, and its row heights count.
  auto second = std::make_shared<Ordinary>();
  second->height = 60;
  t.setDelegate(second);
  t.reloadData();
  f.driver.flush();
  EXPECT_EQ(t.rectForRowAtIndexPath({0, 1}).height(), 60);
  t.tapRowAtIndexPath({0, 4});
  EXPECT_EQ(second->selected, (std::vector<ui::IndexPath>{{0, 4}}));
  EXPECT_EQ(first->selected.size(), 1u);
  int before = first->scrolls;
  t.setContentOffset({0, 10});
  EXPECT_EQ(first->scrolls, before);
  EXPECT_EQ(second->scrolls, 1);

  // No ordinary delegate: the interceptor answers only for the table's events.
  t.setDelegate({});
  EXPECT_TRUE(t.delegateInterceptor().respondsTo(ui::ScrollViewDelegateOp::DidScroll));
  EXPECT_FALSE(t.delegateInterceptor().respondsTo(ui::ScrollViewDelegateOp::DidZoom));
  EXPECT_FALSE(t.delegateInterceptor().respondsTo(ui::TableViewDelegateOp::DidSelectRow));
  EXPECT_TRUE(t.tapRowAtIndexPath({0, 1}));
}

TEST_F(PullTableTest, InterceptorDispatchRules) {
  struct Counter : ui::TableViewDelegate {
    bool takesScroll = true;
    int scrolls = 0, zooms = 0, selects = 0;
    bool respondsTo(ui::ScrollViewDelegateOp op) const override {
      return op == ui::ScrollViewDelegateOp::DidScroll ? takesScroll : true;
    }
    bool respondsTo(ui::TableViewDelegateOp op) const override { return op == ui::TableViewDelegateOp::DidSelectRow; }
    void scrollViewDidScroll(ui::ScrollView&) override { ++scrolls; }
    void scrollViewDidZoom(ui::ScrollView&) override { ++zooms; }
    void tableViewDidSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override { ++selects; }
  };
  auto middle = std::make_shared<Counter>();
  auto receiver = std::make_shared<Counter>();
  MessageInterceptor mi;
  mi.setMiddleMan(middle);
  mi.setReceiver(receiver);
  auto sv = std::make_shared<ui::ScrollView>(ui::Rect{0, 0, 10, 10});
  auto tv = std::make_shared<ui::TableView>(ui::Rect{0, 0, 10, 10});

  // The middle man first; the receiver for what the middle man leaves.
  mi.scrollViewDidScroll(*sv);
  EXPECT_EQ(middle->scrolls, 1);
  EXPECT_EQ(receiver->scrolls, 0);
  middle->takesScroll = false;
  mi.scrollViewDidScroll(*sv);
  EXPECT_EQ(receiver->scrolls, 1);
  EXPECT_EQ(mi.forwardingTarget(ui::TableViewDelegateOp::DidSelectRow), middle);
  EXPECT_EQ(mi.forwardingTarget(ui::TableViewDelegateOp::HeightForRow), nullptr);
  EXPECT_EQ(mi.tableViewHeightForRowAtIndexPath(*tv, {0, 0}), std::nullopt);

  // A receiver that is the middle man never gets the message a second time.
  MessageInterceptor loop;
  loop.setMiddleMan(middle);
  loop.setReceiver(middle);
  middle->takesScroll = false;
  EXPECT_FALSE(loop.respondsTo(ui::ScrollViewDelegateOp::DidScroll));
  loop.scrollViewDidScroll(*sv);
  loop.scrollViewDidZoom(*sv);
  EXPECT_EQ(middle->scrolls, 1);
  EXPECT_EQ(middle->zooms, 1);

  // Gone delegates answer nothing.
  middle.reset();
  receiver.reset();
  EXPECT_FALSE(mi.respondsTo(ui::ScrollViewDelegateOp::DidScroll));
  EXPECT_TRUE(mi.scrollViewShouldScrollToTop(*sv));
  mi.scrollViewDidScroll(*sv);
}
