#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/IndexSet.hpp"
#include "platform/ui/IndexPath.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/TableViewCellHost.hpp"

namespace ui {

class TableView;
class SwipeGestureRecognizer;

enum class TableViewStyle { Plain = 0, Grouped = 1 };
enum class TableViewScrollPosition { None = 0, Top = 1, Middle = 2, Bottom = 3 };
enum class TableViewRowAnimation { Fade = 0, Right = 1, Left = 2, Top = 3, Bottom = 4, None = 5, Middle = 6, Automatic = 100 };

// Optional operations of the data source and the delegate, for `respondsTo`.
enum class TableViewDataSourceOp {
  NumberOfSections,
  TitleForHeader,
  TitleForFooter,
  SectionIndexTitles,
  SectionForSectionIndexTitle,
  CanEditRow,
  CommitEditingStyle,
};

enum class TableViewDelegateOp {
  HeightForRow,
  HeightForHeader,
  HeightForFooter,
  ViewForHeader,
  ViewForFooter,
  WillDisplayCell,
  WillSelectRow,
  DidSelectRow,
  WillDeselectRow,
  DidDeselectRow,
  AccessoryButtonTapped,
  EditingStyleForRow,
  TitleForDeleteConfirmationButton,
  WillBeginEditingRow,
  DidEndEditingRow,
};

// Supplies a table's rows. The row count and the cells are required; the
// rest is optional: operations that answer a value answer nothing when they
// have nothing to say (the table's own default then applies).
//
// Swipe to delete and the delete control are offered only when
// `respondsTo(CommitEditingStyle)` answers yes, which an implementation of
// `tableViewCommitEditingStyle` must say; every other operation counts as
// implemented by default.
class TableViewDataSource {
 public:
  virtual ~TableViewDataSource() = default;
  virtual bool respondsTo(TableViewDataSourceOp op) const { return op != TableViewDataSourceOp::CommitEditingStyle; }

  virtual long tableViewNumberOfRowsInSection(TableView& tableView, long section) = 0;
  // A cell for the row, usually taken from `dequeueReusableCellWithIdentifier`.
  virtual std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView& tableView,
                                                                       const IndexPath& indexPath) = 0;
  virtual long numberOfSectionsInTableView(TableView& /*tableView*/) {
    return 1;
  }
  virtual std::optional<std::string> tableViewTitleForHeaderInSection(TableView& /*tableView*/, long /*section*/) {
    return std::nullopt;
  }
  virtual std::optional<std::string> tableViewTitleForFooterInSection(TableView& /*tableView*/, long /*section*/) {
    return std::nullopt;
  }
  // The index strip down the right edge (empty: none).
  virtual std::vector<std::string> sectionIndexTitlesForTableView(TableView& /*tableView*/) {
    return {};
  }
  // The section an index entry leads to (by default the entry's position).
  virtual long tableViewSectionForSectionIndexTitle(TableView& /*tableView*/, const std::string& /*title*/, long index) {
    return index;
  }
  virtual bool tableViewCanEditRowAtIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {
    return true;
  }
  // The user confirmed a deletion (or insertion): update the data, then the
  // table (`deleteRowsAtIndexPaths`).
  virtual void tableViewCommitEditingStyle(TableView& /*tableView*/, TableViewCellEditingStyle /*style*/,
                                           const IndexPath& /*indexPath*/) {}
};

// Hears a table's events and shapes its rows. It is the table's scroll view
// delegate too. Operations answering a value answer nothing when they leave
// the decision to the table (row height, header height...).
class TableViewDelegate : public ScrollViewDelegate {
 public:
  using ScrollViewDelegate::respondsTo;
  virtual bool respondsTo(TableViewDelegateOp /*op*/) const {
    return true;
  }

  virtual std::optional<double> tableViewHeightForRowAtIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {
    return std::nullopt;
  }
  virtual std::optional<double> tableViewHeightForHeaderInSection(TableView& /*tableView*/, long /*section*/) {
    return std::nullopt;
  }
  virtual std::optional<double> tableViewHeightForFooterInSection(TableView& /*tableView*/, long /*section*/) {
    return std::nullopt;
  }
  // A header view replaces the title's standard header.
  virtual std::shared_ptr<View> tableViewViewForHeaderInSection(TableView& /*tableView*/, long /*section*/) {
    return nullptr;
  }
  virtual std::shared_ptr<View> tableViewViewForFooterInSection(TableView& /*tableView*/, long /*section*/) {
    return nullptr;
  }
  virtual void tableViewWillDisplayCell(TableView& /*tableView*/, TableViewCell& /*cell*/, const IndexPath& /*indexPath*/) {}
  // The row to select instead, or nothing to select none.
  virtual std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView& /*tableView*/, const IndexPath& indexPath) {
    return indexPath;
  }
  virtual void tableViewDidSelectRowAtIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
  virtual std::optional<IndexPath> tableViewWillDeselectRowAtIndexPath(TableView& /*tableView*/,
                                                                       const IndexPath& indexPath) {
    return indexPath;
  }
  virtual void tableViewDidDeselectRowAtIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
  virtual void tableViewAccessoryButtonTappedForRowWithIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
  virtual TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(TableView& /*tableView*/,
                                                                          const IndexPath& /*indexPath*/) {
    return TableViewCellEditingStyle::Delete;
  }
  virtual std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
      TableView& /*tableView*/, const IndexPath& /*indexPath*/) {
    return std::nullopt;
  }
  virtual void tableViewWillBeginEditingRowAtIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
  virtual void tableViewDidEndEditingRowAtIndexPath(TableView& /*tableView*/, const IndexPath& /*indexPath*/) {}
};

// Rows in sections, one below the other, in a scroll view. Plain tables have
// headers that stay at the top while their section scrolls under them;
// grouped tables have a grey background and headers and footers between the
// sections. Only rows in sight have cells: a cell that scrolls out of sight
// leaves the table and waits in the queue of its reuse identifier for
// `dequeueReusableCellWithIdentifier`.
//
// The data source is asked for counts and the delegate for heights when the
// table (re)loads, which happens at its first layout, on `reloadData`, and
// for the rows concerned by insertions and deletions; cells are asked for at
// layout. The delegate's height operations are looked up with `respondsTo`
// when the delegate is installed; a height it leaves open (nothing) is the
// table's (`rowHeight`, or the standard header and footer heights).
//
// Insertions, deletions and reloads between `beginUpdates` and `endUpdates`
// are applied together at the outermost end: deletions and reloads by the
// index paths before the batch, insertions by those after it, whatever order
// they were called in. When the data source's new counts do not match the
// batch, the table reloads everything instead of showing rows that do not
// exist.
class TableView : public ScrollView, public TableViewCellHost {
 public:
  explicit TableView(const Rect& frame = {}, TableViewStyle style = TableViewStyle::Plain);
  ~TableView() override;

  TableViewStyle style() const { return style_; }
  std::shared_ptr<TableViewDataSource> dataSource() const { return dataSource_.lock(); }
  void setDataSource(std::weak_ptr<TableViewDataSource> dataSource);
  // The delegate as a table delegate (nothing when it is only a scroll view delegate).
  std::shared_ptr<TableViewDelegate> delegate() const;
  void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) override;

  // --- Data ----------------------------------------------------------------------
  // Drops every cell, asks the data source and delegate again and lays out.
  virtual void reloadData();
  void reloadSectionIndexTitles();
  long numberOfSections();
  long numberOfRowsInSection(long section);

  // --- Geometry (content coordinates) ------------------------------------------
  double rowHeight() const { return rowHeight_; }
  void setRowHeight(double h);
  double sectionHeaderHeight() const { return sectionHeaderHeight_; }
  void setSectionHeaderHeight(double h);
  double sectionFooterHeight() const { return sectionFooterHeight_; }
  void setSectionFooterHeight(double h);
  Rect rectForSection(long section);
  Rect rectForHeaderInSection(long section);
  Rect rectForFooterInSection(long section);
  Rect rectForRowAtIndexPath(const IndexPath& indexPath);
  std::optional<IndexPath> indexPathForRowAtPoint(Point p);
  std::vector<IndexPath> indexPathsForRowsInRect(const Rect& rect);

  // --- Cells -----------------------------------------------------------------------
  // A queued cell of that identifier (after `prepareForReuse`), or nothing.
  std::shared_ptr<TableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);
  // The cell showing the row, when it is in sight (after the last layout).
  TableViewCell* cellForRowAtIndexPath(const IndexPath& indexPath) const;
  std::optional<IndexPath> indexPathForCell(const TableViewCell* cell) const;
  // Cells in sight, top to bottom, and their rows.
  std::vector<TableViewCell*> visibleCells() const;
  std::vector<IndexPath> indexPathsForVisibleRows() const;
  // The header or footer view in sight for the section (a delegate's view or the standard one).
  View* headerViewForSection(long section) const;
  View* footerViewForSection(long section) const;
  // Cells waiting in the reuse queues (all identifiers).
  std::size_t reusableCellCount() const;

  std::shared_ptr<View> tableHeaderView() const { return tableHeaderView_; }
  void setTableHeaderView(std::shared_ptr<View> v);
  std::shared_ptr<View> tableFooterView() const { return tableFooterView_; }
  void setTableFooterView(std::shared_ptr<View> v);
  std::shared_ptr<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(std::shared_ptr<View> v);

  TableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
  void setSeparatorStyle(TableViewCellSeparatorStyle s);
  std::optional<gfx::Color> separatorColor() const { return separatorColor_; }
  void setSeparatorColor(std::optional<gfx::Color> c);
  EdgeInsets separatorInset() const { return separatorInset_; }
  void setSeparatorInset(EdgeInsets e);

  // --- Scrolling ---------------------------------------------------------------------
  void scrollToRowAtIndexPath(const IndexPath& indexPath, TableViewScrollPosition position, bool animated);
  void scrollToNearestSelectedRowAtScrollPosition(TableViewScrollPosition position, bool animated);

  // --- Section index ---------------------------------------------------------------
  // The index titles shown (from the data source, at load).
  const std::vector<std::string>& sectionIndexTitles() const { return indexTitles_; }
  // As a touch on the index entry would: scrolls the section it leads to to the top.
  bool selectSectionIndexTitle(long index);
  View* sectionIndexView() const { return indexView_.get(); }
  std::optional<gfx::Color> sectionIndexColor() const { return indexColor_; }
  void setSectionIndexColor(std::optional<gfx::Color> c) { indexColor_ = std::move(c); }
  static constexpr double kSectionIndexWidth = 30;

  // --- Selection -----------------------------------------------------------------------
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool on) { allowsSelection_ = on; }
  bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
  void setAllowsMultipleSelection(bool on) { allowsMultipleSelection_ = on; }
  bool allowsSelectionDuringEditing() const { return allowsSelectionDuringEditing_; }
  void setAllowsSelectionDuringEditing(bool on) { allowsSelectionDuringEditing_ = on; }
  std::optional<IndexPath> indexPathForSelectedRow() const;
  std::vector<IndexPath> indexPathsForSelectedRows() const;
  // Selecting and deselecting by code tells the delegate nothing.
  void selectRowAtIndexPath(const std::optional<IndexPath>& indexPath, bool animated,
                            TableViewScrollPosition position);
  void deselectRowAtIndexPath(const IndexPath& indexPath, bool animated);
  // As a tap on the row would: will-select, selection, did-select (and the
  // deselection of the previous row with its delegate calls). False when the
  // row does not exist or selection is off.
  bool tapRowAtIndexPath(const IndexPath& indexPath);

  // --- Editing ---------------------------------------------------------------------------
  bool isEditing() const { return editing_; }
  virtual void setEditing(bool editing, bool animated = false);
  // The row whose delete confirmation shows (after a swipe or the delete control).
  std::optional<IndexPath> rowShowingDeleteConfirmation() const { return confirming_; }
  // As a swipe across the row would: shows its delete button when the data
  // source commits editing and the row may be deleted. False otherwise.
  bool swipeToDeleteRowAtIndexPath(const IndexPath& indexPath);
  // As a tap on the shown delete button: the data source commits the deletion.
  bool confirmDeletion();
  // Hides a shown delete button without deleting.
  void cancelDeleteConfirmation();

  // --- Updates -----------------------------------------------------------------------------
  void beginUpdates();
  void endUpdates();
  void insertSections(const base::IndexSet& sections, TableViewRowAnimation animation);
  void deleteSections(const base::IndexSet& sections, TableViewRowAnimation animation);
  void reloadSections(const base::IndexSet& sections, TableViewRowAnimation animation);
  void insertRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
  void deleteRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);
  void reloadRowsAtIndexPaths(const std::vector<IndexPath>& paths, TableViewRowAnimation animation);

  void layoutSubviews() override;
  void setFrame(const Rect& frame) override;
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;

  static constexpr double kUpdateAnimationDuration = 0.3;
  // A touch that moves further than this from where it began selects nothing.
  static constexpr double kTapSlop = 10;

 private:
  struct Section {
    long rows = 0;
    double headerHeight = 0;
    double footerHeight = 0;
    std::optional<std::string> headerTitle, footerTitle;
    // Rows all as high as this (> 0) need no offsets: a list of a few
    // hundred thousand is laid out without a value per row.
    double rowHeight = 0;
    std::vector<double> rowOffsets;  // else: top of each row, relative to the section's first row; one extra at the end
    double top = 0;                  // top of the section's header in content coordinates
    // The top of row `r` relative to the first row; `rows` gives the bottom of the last.
    double rowTop(long r) const {
      return rowHeight > 0 ? static_cast<double>(r) * rowHeight : rowOffsets[static_cast<std::size_t>(r)];
    }
    double rowsHeight() const { return rowTop(rows); }
    // The last row whose top is at or above `y` (relative to the first row),
    // -1 when none; the last row for a `y` below them all.
    long lastRowFrom(double y) const;
    double height() const { return headerHeight + rowsHeight() + footerHeight; }
  };
  struct Batch {
    std::vector<std::pair<IndexPath, TableViewRowAnimation>> insertRows, deleteRows, reloadRows;
    base::IndexSet insertSections, deleteSections, reloadSections;
    TableViewRowAnimation animation = TableViewRowAnimation::Automatic;
    bool empty() const;
  };

  void ensureLoaded();
  void loadGeometry();
  void buildSection(long s, Section& sec, TableViewDataSource* ds, TableViewDelegate* dg);
  void restack();
  void updateContentSize();
  double tableHeaderHeight() const;
  void tile();
  std::shared_ptr<TableViewCell> makeCell(const IndexPath& p);
  void enqueue(std::shared_ptr<TableViewCell> cell);
  void placeDecorations();
  std::shared_ptr<View> makeStandardHeader(const std::string& title, bool footer) const;
  // Adds a change to the open batch, or applies it at once outside one.
  void change(TableViewRowAnimation animation, const std::function<void(Batch&)>& add);
  void applyBatch(Batch batch);
  bool validIndexPath(const IndexPath& p) const;
  void cellTapped(TableViewCell* cell);
  std::optional<IndexPath> indexPathForTouch(const Touch& touch) const;
  void swipeRecognized(GestureRecognizer& g);
  void cellAccessoryButtonTapped(TableViewCell& cell) override;
  void cellEditingControlTapped(TableViewCell& cell) override;
  void cellDeleteButtonTapped(TableViewCell& cell) override;
  std::optional<gfx::Color> cellSeparatorColor() const override;
  void cacheDelegateAnswers();
  double contentWidth() const;

  TableViewStyle style_;
  std::weak_ptr<TableViewDataSource> dataSource_;
  bool delegateHeightForRow_ = false;
  bool delegateHeightForHeader_ = false;
  bool delegateHeightForFooter_ = false;
  bool delegateViewForHeader_ = false;
  bool delegateViewForFooter_ = false;

  double rowHeight_ = kDefaultRowHeight;
  double sectionHeaderHeight_;
  double sectionFooterHeight_;
  bool loaded_ = false;
  bool reloading_ = false;
  std::vector<Section> sections_;

  std::map<IndexPath, std::shared_ptr<TableViewCell>> visible_;
  std::map<std::string, std::vector<std::shared_ptr<TableViewCell>>> reuse_;
  std::map<long, std::shared_ptr<View>> headers_, footers_;
  std::shared_ptr<View> tableHeaderView_, tableFooterView_, backgroundView_;
  std::shared_ptr<View> indexView_;
  std::vector<std::string> indexTitles_;
  std::optional<gfx::Color> indexColor_;

  TableViewCellSeparatorStyle separatorStyle_ = TableViewCellSeparatorStyle::SingleLine;
  std::optional<gfx::Color> separatorColor_;
  EdgeInsets separatorInset_{0, 15, 0, 0};

  bool allowsSelection_ = true;
  bool allowsMultipleSelection_ = false;
  bool allowsSelectionDuringEditing_ = false;
  std::set<IndexPath> selected_;
  std::weak_ptr<TableViewCell> touchedCell_;

  bool editing_ = false;
  std::optional<IndexPath> confirming_;
  std::shared_ptr<SwipeGestureRecognizer> swipe_;

  int updateDepth_ = 0;
  Batch batch_;
};

}  // namespace ui
