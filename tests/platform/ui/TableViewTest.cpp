#include <gtest/gtest.h>

#include <map>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/TableViewController.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class TableViewTest : public mv::test::UiTestEnvironment {};

// Rows of text per section, with a check mark on one row and a log of what
// the table asked and told.
struct Rows : TableViewDataSource, TableViewDelegate {
  std::vector<std::vector<std::string>> data;
  std::vector<std::optional<std::string>> headers;
  std::vector<std::string> index;
  std::optional<IndexPath> checked;
  bool commits = false;
  bool answersHeights = true;
  std::map<IndexPath, double> heights;
  std::optional<std::optional<IndexPath>> redirect;  // what will-select answers
  int made = 0;
  int heightQuestions = 0;
  std::vector<std::string> log;

  bool respondsTo(TableViewDataSourceOp op) const override {
    return op != TableViewDataSourceOp::CommitEditingStyle || commits;
  }
  bool respondsTo(TableViewDelegateOp op) const override {
    return op != TableViewDelegateOp::HeightForRow || answersHeights;
  }
  long numberOfSectionsInTableView(TableView&) override { return static_cast<long>(data.size()); }
  long tableViewNumberOfRowsInSection(TableView&, long s) override {
    return static_cast<long>(data[static_cast<std::size_t>(s)].size());
  }
  std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const IndexPath& p) override {
    auto cell = tv.dequeueReusableCellWithIdentifier("row");
    if (!cell) {
      cell = std::make_shared<TableViewCell>(TableViewCellStyle::Subtitle, "row");
      ++made;
    }
    cell->textLabel().setText(data[static_cast<std::size_t>(p.section)][static_cast<std::size_t>(p.row)]);
    cell->setAccessoryType(checked == p ? TableViewCellAccessoryType::Checkmark : TableViewCellAccessoryType::None);
    return cell;
  }
  std::optional<std::string> tableViewTitleForHeaderInSection(TableView&, long s) override {
    return static_cast<std::size_t>(s) < headers.size() ? headers[static_cast<std::size_t>(s)] : std::nullopt;
  }
  std::vector<std::string> sectionIndexTitlesForTableView(TableView&) override { return index; }
  void tableViewCommitEditingStyle(TableView& tv, TableViewCellEditingStyle style, const IndexPath& p) override {
    log.push_back("commit:" + std::to_string(p.row));
    if (style != TableViewCellEditingStyle::Delete) return;
    auto& rows = data[static_cast<std::size_t>(p.section)];
    rows.erase(rows.begin() + p.row);
    tv.deleteRowsAtIndexPaths({p}, TableViewRowAnimation::Fade);
  }
  std::optional<double> tableViewHeightForRowAtIndexPath(TableView&, const IndexPath& p) override {
    ++heightQuestions;
    auto it = heights.find(p);
    if (it == heights.end()) return std::nullopt;
    return it->second;
  }
  std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("willSelect:" + std::to_string(p.row));
    return redirect ? *redirect : std::optional<IndexPath>(p);
  }
  void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("didSelect:" + std::to_string(p.row));
  }
  std::optional<IndexPath> tableViewWillDeselectRowAtIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("willDeselect:" + std::to_string(p.row));
    return p;
  }
  void tableViewDidDeselectRowAtIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("didDeselect:" + std::to_string(p.row));
  }
  void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("accessory:" + std::to_string(p.row));
  }
  void tableViewWillBeginEditingRowAtIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("willBeginEditing:" + std::to_string(p.row));
  }
  void tableViewDidEndEditingRowAtIndexPath(TableView&, const IndexPath& p) override {
    log.push_back("didEndEditing:" + std::to_string(p.row));
  }
};

std::vector<std::string> numbered(const std::string& prefix, int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(prefix + std::to_string(i));
  return out;
}

// Every visible cell shows its own row: text, check mark and selection.
void expectCellsMatchRows(TableView& tv, const Rows& rows) {
  tv.layoutIfNeeded();
  ASSERT_FALSE(tv.visibleCells().empty());
  auto selected = tv.indexPathsForSelectedRows();
  for (auto& p : tv.indexPathsForVisibleRows()) {
    TableViewCell* c = tv.cellForRowAtIndexPath(p);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->textLabel().text(), rows.data[static_cast<std::size_t>(p.section)][static_cast<std::size_t>(p.row)]) << p;
    EXPECT_EQ(c->accessoryType() == TableViewCellAccessoryType::Checkmark, rows.checked == p) << p;
    EXPECT_EQ(c->isSelected(), std::find(selected.begin(), selected.end(), p) != selected.end()) << p;
    EXPECT_EQ(c->frame(), tv.rectForRowAtIndexPath(p)) << p;
    EXPECT_EQ(c->superview(), &tv);
  }
}

}  // namespace

TEST_F(TableViewTest, ReusedCellsNeverShowStaleContent) {
  HeadlessDriver driver;
  auto rows = std::make_shared<Rows>();
  rows->data = {numbered("row ", 100)};
  rows->checked = IndexPath{0, 3};
  auto tv = std::make_shared<TableView>(Rect{0, 0, 320, 440});
  tv->setDataSource(rows);
  tv->setDelegate(rows);
  driver.window().addSubview(tv);
  driver.flush();
  EXPECT_EQ(tv->contentSize(), (Size{320, 4400}));
  EXPECT_EQ(tv->visibleCells().size(), 10u);
  EXPECT_EQ(rows->made, 10);
  expectCellsMatchRows(*tv, *rows);

  tv->selectRowAtIndexPath(IndexPath{0, 4}, false, TableViewScrollPosition::None);
  // A page down: every cell is a reused one, showing its new row.
  tv->setContentOffset({0, 440});
  driver.flush();
  EXPECT_EQ(rows->made, 10);
  EXPECT_EQ(tv->indexPathsForVisibleRows().front(), (IndexPath{0, 10}));
  expectCellsMatchRows(*tv, *rows);
  // Half a row more shows eleven rows: one new cell.
  tv->setContentOffset({0, 462});
  driver.flush();
  EXPECT_EQ(tv->visibleCells().size(), 11u);
  EXPECT_EQ(rows->made, 11);
  expectCellsMatchRows(*tv, *rows);
  // Back to the top: the checked and selected rows show so again, and only they.
  tv->setContentOffset({0, 0});
  driver.flush();
  expectCellsMatchRows(*tv, *rows);
  EXPECT_TRUE(tv->cellForRowAtIndexPath({0, 4})->isSelected());
  EXPECT_EQ(tv->reusableCellCount() + tv->visibleCells().size(), 11u);

  // Reloading with other data redraws every row and drops the selection.
  rows->data = {numbered("item ", 5)};
  rows->checked.reset();
  tv->reloadData();
  driver.flush();
  EXPECT_EQ(tv->visibleCells().size(), 5u);
  EXPECT_TRUE(tv->indexPathsForSelectedRows().empty());
  expectCellsMatchRows(*tv, *rows);
  // A dequeued cell has had its selected look cleared.
  tv->setContentOffset({0, 0});
  auto spare = tv->dequeueReusableCellWithIdentifier("row");
  ASSERT_TRUE(spare);
  EXPECT_FALSE(spare->isSelected());
  EXPECT_FALSE(spare->isHighlighted());
  EXPECT_EQ(tv->dequeueReusableCellWithIdentifier("other"), nullptr);
}

TEST_F(TableViewTest, InsertAndDeleteKeepIndexPathsConsistent) {
  HeadlessDriver driver;
  auto rows = std::make_shared<Rows>();
  rows->data = {{"A", "B", "C", "D", "E"}, {"x", "y"}};
  auto tv = std::make_shared<TableView>(Rect{0, 0, 320, 600});
  tv->setDataSource(rows);
  tv->setDelegate(rows);
  driver.window().addSubview(tv);
  driver.flush();
  TableViewCell* cellA = tv->cellForRowAtIndexPath({0, 0});
  TableViewCell* cellC = tv->cellForRowAtIndexPath({0, 2});
  TableViewCell* cellE = tv->cellForRowAtIndexPath({0, 4});
  TableViewCell* cellY = tv->cellForRowAtIndexPath({1, 1});
  tv->selectRowAtIndexPath(IndexPath{0, 2}, false, TableViewScrollPosition::None);

  // Deletions by the old rows, insertions by the new ones, whatever the call order.
  rows->data[0] = {"X", "A", "C", "E"};
  tv->beginUpdates();
  tv->insertRowsAtIndexPaths({{0, 0}}, TableViewRowAnimation::Fade);
  tv->deleteRowsAtIndexPaths({{0, 1}, {0, 3}}, TableViewRowAnimation::Fade);
  EXPECT_EQ(tv->numberOfRowsInSection(0), 5);  // nothing happens before the end
  tv->endUpdates();
  EXPECT_EQ(tv->numberOfRowsInSection(0), 4);
  EXPECT_EQ(tv->cellForRowAtIndexPath({0, 1}), cellA);
  EXPECT_EQ(tv->cellForRowAtIndexPath({0, 2}), cellC);
  EXPECT_EQ(tv->cellForRowAtIndexPath({0, 3}), cellE);
  EXPECT_EQ(tv->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 2}}));
  driver.advance(0.5);
  expectCellsMatchRows(*tv, *rows);
  EXPECT_EQ(tv->cellForRowAtIndexPath({1, 1}), cellY);
  EXPECT_EQ(tv->indexPathForCell(cellY), (IndexPath{1, 1}));
  EXPECT_EQ(tv->rectForRowAtIndexPath({1, 0}).y(), 4 * 44.0);

  // A whole section in front, another one gone.
  rows->data = {{"new"}, {"X", "A", "C", "E"}};
  tv->beginUpdates();
  tv->deleteSections(base::IndexSet{1}, TableViewRowAnimation::None);
  tv->insertSections(base::IndexSet{0}, TableViewRowAnimation::None);
  tv->endUpdates();
  EXPECT_EQ(tv->numberOfSections(), 2);
  EXPECT_EQ(tv->cellForRowAtIndexPath({1, 2}), cellC);
  EXPECT_EQ(tv->indexPathsForSelectedRows(), (std::vector<IndexPath>{{1, 2}}));
  driver.flush();
  expectCellsMatchRows(*tv, *rows);

  // Reloading a row gives it a fresh cell from the data source.
  rows->data[1][0] = "X2";
  tv->reloadRowsAtIndexPaths({{1, 0}}, TableViewRowAnimation::None);
  driver.flush();
  EXPECT_EQ(tv->cellForRowAtIndexPath({1, 0})->textLabel().text(), "X2");

  // An update that does not match the data source reloads instead of showing rows that are not there.
  rows->data[1] = {"only"};
  tv->deleteRowsAtIndexPaths({{1, 0}}, TableViewRowAnimation::Fade);  // says 3 left, the data has 1
  driver.flush();
  EXPECT_EQ(tv->numberOfRowsInSection(1), 1);
  expectCellsMatchRows(*tv, *rows);
  tv->deleteRowsAtIndexPaths({{7, 0}}, TableViewRowAnimation::Fade);  // no such section
  tv->insertRowsAtIndexPaths({{0, -1}}, TableViewRowAnimation::Fade);
  driver.flush();
  expectCellsMatchRows(*tv, *rows);

  // A row deleted with a fade leaves once the fade is over and waits for reuse.
  std::size_t spare = tv->reusableCellCount();
  TableViewCell* leaving = tv->cellForRowAtIndexPath({0, 0});
  rows->data[0].clear();
  tv->deleteRowsAtIndexPaths({{0, 0}}, TableViewRowAnimation::Fade);
  EXPECT_EQ(leaving->superview(), tv.get());
  EXPECT_EQ(leaving->alpha(), 0);
  driver.advance(0.5);
  EXPECT_EQ(leaving->superview(), nullptr);
  EXPECT_EQ(tv->reusableCellCount(), spare + 1);
  EXPECT_EQ(leaving->alpha(), 1);
}

TEST_F(TableViewTest, GroupedHeadersIndexTitlesAndHeights) {
  HeadlessDriver driver;
  auto rows = std::make_shared<Rows>();
  rows->data = {numbered("a", 3), numbered("b", 20), numbered("c", 20)};
  rows->headers = {"Alpha", std::nullopt, "Gamma"};
  rows->index = {"A", "B", "C"};
  rows->heights[{0, 1}] = 100;
  auto tv = std::make_shared<TableView>(Rect{0, 0, 500, 400}, TableViewStyle::Grouped);
  tv->setDataSource(rows);
  tv->setDelegate(rows);
  driver.window().addSubview(tv);
  driver.flush();

  // Titled headers are taller than the plain spacing of an untitled one; footers are spacing.
  EXPECT_EQ(tv->rectForHeaderInSection(0).height(), 38);
  EXPECT_EQ(tv->rectForHeaderInSection(1).height(), 10);
  EXPECT_EQ(tv->rectForFooterInSection(0).height(), 10);
  auto* header = tv->headerViewForSection(0);
  ASSERT_NE(header, nullptr);
  EXPECT_NE(driver.findByText("Alpha", header), nullptr);
  EXPECT_EQ(tv->headerViewForSection(1), nullptr);
  // The delegate's height for one row, the table's for the rest.
  EXPECT_EQ(tv->rectForRowAtIndexPath({0, 1}).height(), 100);
  EXPECT_EQ(tv->rectForRowAtIndexPath({0, 2}).height(), 44);
  EXPECT_EQ(tv->rectForRowAtIndexPath({0, 2}).y(), 38 + 44 + 100);
  EXPECT_EQ(tv->rectForSection(1).y(), 38 + 188 + 10);
  // Rows leave room for the index on the right.
  EXPECT_EQ(tv->rectForRowAtIndexPath({0, 0}).width(), 500 - TableView::kSectionIndexWidth);
  EXPECT_EQ(tv->indexPathForRowAtPoint({10, 38 + 44 + 99}), (IndexPath{0, 1}));
  EXPECT_EQ(tv->indexPathForRowAtPoint({10, 20}), std::nullopt);  // on the header

  // The index: shown, and an entry scrolls its section to the top.
  EXPECT_EQ(tv->sectionIndexTitles(), (std::vector<std::string>{"A", "B", "C"}));
  ASSERT_NE(tv->sectionIndexView(), nullptr);
  EXPECT_FALSE(tv->sectionIndexView()->isHidden());
  EXPECT_TRUE(tv->selectSectionIndexTitle(2));
  EXPECT_EQ(tv->contentOffset().y, tv->rectForSection(2).y());
  EXPECT_FALSE(tv->selectSectionIndexTitle(3));
  // Touching the strip does the same.
  tv->setContentOffset({0, 0});
  driver.flush();
  Rect strip = tv->sectionIndexView()->convertRectToView(tv->sectionIndexView()->bounds(), nullptr);
  driver.tapAt({strip.midX(), strip.midY()});
  EXPECT_EQ(tv->contentOffset().y, tv->rectForSection(1).y());
  // A finger held on a letter while the table jumps to its section stays on
  // that letter, before the table is laid out again.
  tv->setContentOffset({0, 0});
  driver.flush();
  driver.window().touchDown(900, {strip.midX(), strip.midY()});
  EXPECT_EQ(tv->contentOffset().y, tv->rectForSection(1).y());
  driver.window().touchMove(900, {strip.midX(), strip.midY() + 1});
  EXPECT_EQ(tv->contentOffset().y, tv->rectForSection(1).y()) << "the finger's letter read against the strip's old place";
  driver.window().touchUp(900, {strip.midX(), strip.midY() + 1});
  driver.flush();

  // The height operation is looked up when the delegate is installed: one that
  // does not take part is not asked.
  rows->answersHeights = false;
  rows->heightQuestions = 0;
  tv->setDelegate(rows);
  tv->reloadData();
  EXPECT_EQ(rows->heightQuestions, 0);
  EXPECT_EQ(tv->rectForRowAtIndexPath({0, 1}).height(), 44);

  // Plain tables keep the header of the section being scrolled at the top.
  auto plain = std::make_shared<TableView>(Rect{600, 0, 300, 400});
  rows->index.clear();
  rows->headers = {"Alpha", "Beta", "Gamma"};
  plain->setDataSource(rows);
  plain->setDelegate(rows);
  driver.window().addSubview(plain);
  driver.flush();
  EXPECT_EQ(plain->rectForHeaderInSection(1).height(), 22);
  double inside = plain->rectForSection(1).y() + 200;
  plain->setContentOffset({0, inside});
  driver.flush();
  EXPECT_EQ(plain->headerViewForSection(1)->frame().y(), inside);
  EXPECT_EQ(plain->headerViewForSection(2)->frame().y(), plain->rectForSection(2).y());
}

// Rows all of the table's height are laid out without a value per row, and
// land where rows whose heights are asked one by one land: the rects, the
// rows under a point or in a rect, the footers and the content's height, in
// a list of a hundred thousand.
TEST_F(TableViewTest, RowsOfOneHeightLandWhereRowsAskedOneByOneDo) {
  HeadlessDriver driver;
  auto uniform = std::make_shared<Rows>();
  uniform->data = {numbered("a", 3), {}, numbered("c", 100000)};
  uniform->headers = {"Alpha", "Beta", "Gamma"};
  uniform->answersHeights = false;
  auto asked = std::make_shared<Rows>(*uniform);
  asked->answersHeights = true;
  std::vector<std::shared_ptr<TableView>> tables;
  for (const auto& rows : {uniform, asked}) {
    auto tv = std::make_shared<TableView>(Rect{0, 0, 320, 400});
    tv->setDataSource(rows);
    tv->setDelegate(rows);
    driver.window().addSubview(tv);
    tables.push_back(tv);
  }
  driver.flush();
  TableView& one = *tables[0];
  TableView& each = *tables[1];
  EXPECT_EQ(uniform->heightQuestions, 0);
  EXPECT_GT(asked->heightQuestions, 100000);
  EXPECT_EQ(one.contentSize(), each.contentSize());
  for (long s = 0; s < 3; ++s) EXPECT_EQ(one.rectForFooterInSection(s), each.rectForFooterInSection(s)) << s;
  for (IndexPath p : {IndexPath{0, 0}, IndexPath{0, 2}, IndexPath{2, 0}, IndexPath{2, 54321}, IndexPath{2, 99999}}) {
    const Rect r = one.rectForRowAtIndexPath(p);
    EXPECT_EQ(r, each.rectForRowAtIndexPath(p)) << p;
    EXPECT_EQ(r.height(), 44) << p;
    for (double y : {r.minY(), r.midY(), r.maxY() - 0.5, r.maxY()}) {
      EXPECT_EQ(one.indexPathForRowAtPoint({10, y}), each.indexPathForRowAtPoint({10, y})) << p << " " << y;
    }
    EXPECT_EQ(one.indexPathForRowAtPoint({10, r.midY()}), p);
    const Rect around{0, r.minY() - 50, 320, 140};
    EXPECT_EQ(one.indexPathsForRowsInRect(around), each.indexPathsForRowsInRect(around)) << p;
  }
  EXPECT_EQ(one.indexPathForRowAtPoint({10, one.contentSize().height + 5}), std::nullopt);
  // Scrolled to the end, the last rows are drawn in their places.
  for (auto* tv : {&one, &each}) {
    tv->scrollToRowAtIndexPath({2, 99999}, TableViewScrollPosition::Bottom, false);
    expectCellsMatchRows(*tv, *uniform);
  }
  EXPECT_EQ(one.indexPathsForVisibleRows(), each.indexPathsForVisibleRows());
}

TEST_F(TableViewTest, SelectionCallbacksComeInOrder) {
  HeadlessDriver driver;
  auto rows = std::make_shared<Rows>();
  rows->data = {numbered("r", 30)};
  auto tv = std::make_shared<TableView>(Rect{0, 0, 320, 440});
  tv->setDataSource(rows);
  tv->setDelegate(rows);
  driver.window().addSubview(tv);
  driver.flush();

  driver.tap(*tv->cellForRowAtIndexPath({0, 1}));
  driver.tap(*tv->cellForRowAtIndexPath({0, 3}));
  EXPECT_EQ(rows->log, (std::vector<std::string>{"willSelect:1", "didSelect:1", "willSelect:3", "willDeselect:1",
                                                 "didDeselect:1", "didSelect:3"}));
  EXPECT_EQ(tv->indexPathForSelectedRow(), (IndexPath{0, 3}));
  EXPECT_TRUE(tv->cellForRowAtIndexPath({0, 3})->isSelected());
  EXPECT_FALSE(tv->cellForRowAtIndexPath({0, 1})->isSelected());

  // Deselecting by code tells nobody.
  rows->log.clear();
  tv->deselectRowAtIndexPath({0, 3}, true);
  EXPECT_TRUE(rows->log.empty());
  EXPECT_FALSE(tv->cellForRowAtIndexPath({0, 3})->isSelected());

  // Will-select may redirect or refuse.
  rows->redirect = std::optional<IndexPath>(IndexPath{0, 5});
  driver.tap(*tv->cellForRowAtIndexPath({0, 2}));
  EXPECT_EQ(tv->indexPathForSelectedRow(), (IndexPath{0, 5}));
  EXPECT_EQ(rows->log.back(), "didSelect:5");
  rows->redirect = std::optional<IndexPath>();
  rows->log.clear();
  driver.tap(*tv->cellForRowAtIndexPath({0, 2}));
  EXPECT_EQ(rows->log, (std::vector<std::string>{"willSelect:2"}));
  EXPECT_EQ(tv->indexPathForSelectedRow(), (IndexPath{0, 5}));
  rows->redirect.reset();

  // The row lights up while touched; a drag cancels that and selects nothing.
  rows->log.clear();
  TableViewCell* c = tv->cellForRowAtIndexPath({0, 6});
  Point p = driver.centerOf(*c);
  driver.window().touchDown(50, p);
  EXPECT_TRUE(c->isHighlighted());
  driver.advance(0.02);
  driver.window().touchMove(50, {p.x, p.y - 40});
  EXPECT_FALSE(c->isHighlighted());
  driver.window().touchUp(50, {p.x, p.y - 40});
  driver.flush();
  EXPECT_TRUE(rows->log.empty());

  // Multiple selection toggles rows; no selection at all tells nothing.
  tv->setContentOffset({0, 0});
  driver.flush();
  tv->setAllowsMultipleSelection(true);
  tv->selectRowAtIndexPath(std::nullopt, false, TableViewScrollPosition::None);
  driver.tap(*tv->cellForRowAtIndexPath({0, 1}));
  driver.tap(*tv->cellForRowAtIndexPath({0, 2}));
  EXPECT_EQ(tv->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 1}, {0, 2}}));
  driver.tap(*tv->cellForRowAtIndexPath({0, 1}));
  EXPECT_EQ(tv->indexPathsForSelectedRows(), (std::vector<IndexPath>{{0, 2}}));
  EXPECT_EQ(rows->log.back(), "didDeselect:1");
  rows->log.clear();
  tv->setAllowsSelection(false);
  driver.tap(*tv->cellForRowAtIndexPath({0, 4}));
  EXPECT_TRUE(rows->log.empty());

  // Scrolling to a row by position.
  tv->scrollToRowAtIndexPath({0, 20}, TableViewScrollPosition::Top, false);
  EXPECT_EQ(tv->contentOffset().y, 20 * 44);
  tv->scrollToRowAtIndexPath({0, 20}, TableViewScrollPosition::Bottom, false);
  EXPECT_EQ(tv->contentOffset().y, 21 * 44 - 440);
  tv->scrollToRowAtIndexPath({0, 20}, TableViewScrollPosition::Middle, false);
  EXPECT_EQ(tv->contentOffset().y, 20 * 44 + 22 - 220);
  tv->scrollToRowAtIndexPath({0, 29}, TableViewScrollPosition::Top, false);  // clamped at the end
  EXPECT_EQ(tv->contentOffset().y, 30 * 44 - 440);
  tv->scrollToRowAtIndexPath({0, 2}, TableViewScrollPosition::None, false);  // least move
  EXPECT_EQ(tv->contentOffset().y, 2 * 44);
}

TEST_F(TableViewTest, SwipeToDeleteAndEditMode) {
  HeadlessDriver driver;
  auto rows = std::make_shared<Rows>();
  rows->data = {{"A", "B", "C", "D"}};
  auto tv = std::make_shared<TableView>(Rect{0, 0, 320, 400});
  tv->setDataSource(rows);
  tv->setDelegate(rows);
  driver.window().addSubview(tv);
  driver.flush();

  // Without a commit operation a swipe offers nothing.
  Rect r = tv->rectForRowAtIndexPath({0, 1});
  driver.swipe({280, r.midY()}, {60, r.midY()});
  EXPECT_EQ(tv->rowShowingDeleteConfirmation(), std::nullopt);

  rows->commits = true;
  driver.swipe({280, r.midY()}, {60, r.midY()});
  ASSERT_EQ(tv->rowShowingDeleteConfirmation(), (IndexPath{0, 1}));
  Button* del = tv->cellForRowAtIndexPath({0, 1})->deleteConfirmationButton();
  ASSERT_NE(del, nullptr);
  EXPECT_EQ(del->currentTitle(), "Delete");
  EXPECT_EQ(tv->contentOffset().y, 0);  // the swipe did not scroll
  // A touch elsewhere puts it away without selecting.
  driver.tap(*tv->cellForRowAtIndexPath({0, 3}));
  EXPECT_EQ(tv->rowShowingDeleteConfirmation(), std::nullopt);
  EXPECT_TRUE(tv->indexPathsForSelectedRows().empty());

  // Swipe again and press the delete button: the data source deletes the row.
  driver.swipe({280, r.midY()}, {60, r.midY()});
  del = tv->cellForRowAtIndexPath({0, 1})->deleteConfirmationButton();
  ASSERT_NE(del, nullptr);
  driver.tap(*del);
  EXPECT_EQ(rows->data[0], (std::vector<std::string>{"A", "C", "D"}));
  EXPECT_EQ(tv->numberOfRowsInSection(0), 3);
  driver.advance(0.5);
  expectCellsMatchRows(*tv, *rows);
  EXPECT_EQ(rows->log, (std::vector<std::string>{"willBeginEditing:1", "didEndEditing:1", "willBeginEditing:1", "commit:1",
                                                 "didEndEditing:1"}));

  // Edit mode: each row shows the delete control; its tap asks for confirmation.
  rows->log.clear();
  tv->setEditing(true, false);
  driver.flush();
  TableViewCell* c = tv->cellForRowAtIndexPath({0, 2});
  ASSERT_NE(c->editingControl(), nullptr);
  EXPECT_GT(c->contentView().frame().x(), 0);
  driver.tap(*c->editingControl());
  EXPECT_EQ(tv->rowShowingDeleteConfirmation(), (IndexPath{0, 2}));
  EXPECT_TRUE(tv->confirmDeletion());
  EXPECT_EQ(rows->data[0], (std::vector<std::string>{"A", "C"}));
  // Swiping is off while editing; rows are not selected by taps.
  driver.swipe({280, r.midY()}, {60, r.midY()});
  EXPECT_EQ(tv->rowShowingDeleteConfirmation(), std::nullopt);
  driver.tap(*tv->cellForRowAtIndexPath({0, 0}));
  EXPECT_TRUE(tv->indexPathsForSelectedRows().empty());
  tv->setEditing(false, false);
  EXPECT_EQ(tv->cellForRowAtIndexPath({0, 0})->editingControl(), nullptr);
}

TEST_F(TableViewTest, CellStylesAccessoriesAndTheController) {
  HeadlessDriver driver;
  auto value1 = std::make_shared<TableViewCell>(TableViewCellStyle::Value1, "v1");
  value1->setFrame({0, 0, 400, 44});
  value1->textLabel().setText("Version");
  value1->detailTextLabel()->setText("1.0.0");
  value1->setAccessoryType(TableViewCellAccessoryType::DisclosureIndicator);
  value1->layoutIfNeeded();
  ASSERT_NE(value1->currentAccessoryView(), nullptr);
  Rect acc = value1->currentAccessoryView()->frame();
  EXPECT_EQ(acc.maxX(), 400);
  EXPECT_EQ(value1->contentView().frame().maxX(), acc.minX());
  Rect detail = value1->detailTextLabel()->frame();
  EXPECT_NEAR(detail.maxX(), value1->contentView().bounds().maxX() - 15, 0.001);
  EXPECT_LE(value1->textLabel().frame().maxX(), detail.minX());

  auto subtitle = std::make_shared<TableViewCell>(TableViewCellStyle::Subtitle, "s");
  subtitle->setFrame({0, 0, 400, 60});
  subtitle->textLabel().setText("Title");
  subtitle->detailTextLabel()->setText("Detail");
  subtitle->layoutIfNeeded();
  EXPECT_EQ(subtitle->detailTextLabel()->frame().y(), subtitle->textLabel().frame().maxY());
  EXPECT_EQ(std::make_shared<TableViewCell>()->detailTextLabel(), nullptr);

  // A custom accessory replaces the standard one; none leaves the whole width to the content.
  auto custom = std::make_shared<View>(Rect{0, 0, 34, 34});
  subtitle->setAccessoryView(custom);
  subtitle->setAccessoryType(TableViewCellAccessoryType::Checkmark);
  subtitle->layoutIfNeeded();
  EXPECT_EQ(subtitle->currentAccessoryView(), custom.get());
  EXPECT_EQ(custom->frame().height(), 34);
  subtitle->setAccessoryView(nullptr);
  subtitle->setAccessoryType(TableViewCellAccessoryType::None);
  subtitle->layoutIfNeeded();
  EXPECT_EQ(subtitle->currentAccessoryView(), nullptr);
  EXPECT_EQ(subtitle->contentView().frame().width(), 400);

  // The detail button tells the delegate which row's it was, through a controller's table.
  struct Screen : TableViewController {
    std::vector<std::string> log;
    Screen() : TableViewController(TableViewStyle::Grouped) {}
    long tableViewNumberOfRowsInSection(TableView&, long) override { return 3; }
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tv, const IndexPath& p) override {
      auto c = tv.dequeueReusableCellWithIdentifier("c");
      if (!c) c = std::make_shared<TableViewCell>(TableViewCellStyle::Default, "c");
      c->textLabel().setText("row " + std::to_string(p.row));
      c->setAccessoryType(TableViewCellAccessoryType::DetailButton);
      return c;
    }
    void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView&, const IndexPath& p) override {
      log.push_back("accessory:" + std::to_string(p.row));
    }
    void tableViewDidSelectRowAtIndexPath(TableView&, const IndexPath& p) override {
      log.push_back("select:" + std::to_string(p.row));
    }
  };
  auto screen = std::make_shared<Screen>();
  driver.window().setRootViewController(screen);
  driver.flush();
  auto table = screen->tableView();
  ASSERT_TRUE(table);
  EXPECT_EQ(table->style(), TableViewStyle::Grouped);
  EXPECT_EQ(table->visibleCells().size(), 3u);
  auto* button = dynamic_cast<Button*>(table->cellForRowAtIndexPath({0, 2})->currentAccessoryView());
  ASSERT_NE(button, nullptr);
  driver.tap(*button);
  driver.tap(*table->cellForRowAtIndexPath({0, 1}));
  EXPECT_EQ(screen->log, (std::vector<std::string>{"accessory:2", "select:1"}));
  EXPECT_TRUE(driver.render());
  // Appearing again clears the selection.
  screen->beginAppearanceTransition(false, false);
  screen->endAppearanceTransition();
  screen->beginAppearanceTransition(true, false);
  screen->endAppearanceTransition();
  EXPECT_TRUE(table->indexPathsForSelectedRows().empty());
}
