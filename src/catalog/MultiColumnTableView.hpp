#pragma once
// A grid of rows and columns fed by a data source: an optional fixed left
// header column, a column header row, optional section header rows whose
// sections fold from the left header, separator lines, columns that scroll
// sideways while the left column stays, and, when the data source can swap
// columns, a long press that highlights a column and drags it over others.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/MultiColumnTableLayout.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class MultiColumnTableView;

// The optional operations of the data source, for `respondsTo`.
enum class MultiColumnTableOp {
  NumberOfSections,
  HeightForCell,
  WidthForColumn,
  ReuseId,
  HeightForHeaderCellAtIndexPath,
  HeightForHeaderCellOfTable,
  WidthForHeaderCellOfTable,
  HeaderCellForIndexPath,
  HeaderCellForColumn,
  TopLeftHeaderCell,
  BackgroundColorAtIndexPath,
  BackgroundColorAtColumn,
  SwapColumns,
  HeightForSectionHeaderCell,
  HeightForHeaderCellInSectionHeader,
};

// Supplies the table's columns, rows and cells. The four first operations
// are required; the others count only when `respondsTo` says so (the
// presence of some of them changes the table: `HeaderCellForIndexPath` makes
// the left header column, `SwapColumns` the long-press swap).
class MultiColumnTableViewDataSource {
 public:
  virtual ~MultiColumnTableViewDataSource() = default;
  virtual bool respondsTo(MultiColumnTableOp /*op*/) const { return false; }

  virtual long numberOfColumnsInTableView(MultiColumnTableView& table) = 0;
  virtual long tableViewNumberOfRowsInSection(MultiColumnTableView& table, long section) = 0;
  // The view of a column of a regular row, made once per reused row.
  virtual std::shared_ptr<ui::View> tableViewCellForIndexPath(MultiColumnTableView& table, const ui::IndexPath& path,
                                                              long column) = 0;
  // Fills a column's view each time its row shows.
  virtual void tableViewSetContentForCell(MultiColumnTableView& table, ui::View& cell, const ui::IndexPath& path,
                                          long column) = 0;

  virtual long numberOfSectionsInTableView(MultiColumnTableView& /*table*/) { return 1; }
  virtual double tableViewHeightForCellAtIndexPath(MultiColumnTableView& /*table*/, const ui::IndexPath& /*path*/,
                                                   long /*column*/) {
    return 0;
  }
  virtual double tableViewWidthForColumn(MultiColumnTableView& /*table*/, long /*column*/) { return 0; }
  virtual std::optional<std::string> tableViewReuseIdForIndexPath(MultiColumnTableView& /*table*/,
                                                                  const ui::IndexPath& /*path*/) {
    return std::nullopt;
  }
  virtual double tableViewHeightForHeaderCellAtIndexPath(MultiColumnTableView& /*table*/,
                                                         const ui::IndexPath& /*path*/) {
    return 0;
  }
  virtual double heightForHeaderCellOfTableView(MultiColumnTableView& /*table*/) { return 0; }
  virtual double widthForHeaderCellOfTableView(MultiColumnTableView& /*table*/) { return 0; }
  // The left header column's cells.
  virtual std::shared_ptr<ui::View> tableViewHeaderCellForIndexPath(MultiColumnTableView& /*table*/,
                                                                    const ui::IndexPath& /*path*/) {
    return nullptr;
  }
  virtual void tableViewSetContentForHeaderCell(MultiColumnTableView& /*table*/, ui::View& /*cell*/,
                                                const ui::IndexPath& /*path*/) {}
  // The column header row's cells.
  virtual std::shared_ptr<ui::View> tableViewHeaderCellForColumn(MultiColumnTableView& /*table*/, long /*column*/) {
    return nullptr;
  }
  virtual std::shared_ptr<ui::View> topleftHeaderCellOfTableView(MultiColumnTableView& /*table*/) { return nullptr; }
  virtual std::optional<gfx::Color> backgroundColorAtIndexPath(MultiColumnTableView& /*table*/,
                                                               const ui::IndexPath& /*path*/) {
    return std::nullopt;
  }
  virtual std::optional<gfx::Color> backgroundColorAtIndexPathAtColumn(MultiColumnTableView& /*table*/,
                                                                       const ui::IndexPath& /*path*/,
                                                                       long /*column*/) {
    return std::nullopt;
  }
  virtual void tableViewSwapDataOfColumn(MultiColumnTableView& /*table*/, long /*column*/, long /*other*/) {}
  // Section header rows.
  virtual std::shared_ptr<ui::View> tableViewSectionHeaderCellForSection(MultiColumnTableView& /*table*/,
                                                                         long /*section*/, long /*column*/) {
    return std::make_shared<ui::View>();
  }
  virtual void tableViewSetContentForSectionHeaderCell(MultiColumnTableView& /*table*/, ui::View& /*cell*/,
                                                       long /*section*/, long /*column*/) {}
  virtual double tableViewHeightForSectionHeaderCellAtSection(MultiColumnTableView& /*table*/, long /*section*/,
                                                              long /*column*/) {
    return 0;
  }
  virtual std::shared_ptr<ui::View> tableViewHeaderCellInSectionHeaderForSection(MultiColumnTableView& /*table*/,
                                                                                 long /*section*/) {
    return std::make_shared<ui::View>();
  }
  virtual void tableViewSetContentForHeaderCellInSectionHeader(MultiColumnTableView& /*table*/, ui::View& /*cell*/,
                                                               long /*section*/) {}
  virtual double tableViewHeightForHeaderCellInSectionHeaderAtSection(MultiColumnTableView& /*table*/,
                                                                      long /*section*/) {
    return 0;
  }
};

// How one column's cell looks, as a data source describes it. What
// `cellType` means is the data source's; `message` turns a row's record into
// the cell's content.
struct MultiColumnTableCellInfo {
  int cellType = 0;
  double leftMargin = 0;
  double rightMargin = 0;
  double topMargin = 0;
  double bottomMargin = 0;
  double cellWidth = 0;
  double cellHeight = 0;
  gfx::TextAlignment alignment = gfx::TextAlignment::Left;
  std::optional<gfx::Font> textFont;
  double contentWidth() const { return cellWidth - leftMargin - rightMargin; }
  double contentHeight() const { return cellHeight - topMargin - bottomMargin; }
};

// One row of the content table: its column views in column order.
class MultiColumnTableViewCell : public ui::TableViewCell {
 public:
  using ui::TableViewCell::TableViewCell;
  std::vector<std::shared_ptr<ui::View>>& columnCells() { return columnCells_; }

 private:
  std::vector<std::shared_ptr<ui::View>> columnCells_;
};

class MultiColumnTableView : public ui::View, public ui::TableViewDataSource, public ui::TableViewDelegate {
 public:
  static constexpr const char* kDefaultReuseId = "MultiColumnCell";
  static constexpr double kLongPressDuration = 1.0;

  static std::shared_ptr<MultiColumnTableView> initWithFrame(const ui::Rect& frame);
  ~MultiColumnTableView() override;

  // Settings; change them before the data source is set.
  double cellHeight = 31.0;
  double cellWidth = 252.0;
  double topHeaderHeight = 298.0;
  double leftHeaderWidth = 111.0;
  double sectionHeaderHeight = 31.0;
  double boldSeperatorLineWidth = 3.0;
  gfx::Color boldSeperatorLineColor = gfx::Color::white(223.0f / 255.0f);
  double normalSeperatorLineWidth = 1.0;
  gfx::Color normalSeperatorLineColor = gfx::Color::white(223.0f / 255.0f);
  gfx::Color leftHeaderBackgroundColor = gfx::Color::white(249.0f / 255.0f);
  gfx::Color sectionHeaderBackgroundColor = gfx::Color::white(241.0f / 255.0f);
  gfx::Color topHeaderBackgroundColor = gfx::Color::white();
  bool sectionFoldedByDefault = false;
  bool sectionHeaderEnabled = false;

  std::shared_ptr<MultiColumnTableViewDataSource> dataSource() const { return dataSource_.lock(); }
  // Builds the folding list, the rows and the grid lines (and the left
  // header column when the data source has left header cells).
  void setDataSource(const std::shared_ptr<MultiColumnTableViewDataSource>& dataSource);
  void reloadData();
  // The rows again from the data source, the folding list fitted to its sections.
  void reset();
  void adjustWidth();

  // ---- geometry and state (tests) ---------------------------------------------------------
  std::vector<double> columnWidths() const;
  double contentWidth() const;
  double leftHeaderWidthInUse() const;
  const std::vector<MultiColumnTableLayout::Entry>& indexPathTable() const { return indexPathTable_; }
  const std::vector<bool>& sectionFoldingStatus() const { return sectionFoldingStatus_; }
  long selectedColumn() const { return selectedColumn_; }
  bool hasHighlight() const { return highlight_ != nullptr; }
  ui::TableView& contentTable() const { return *tblView_; }
  ui::TableView* headerTable() const { return headerTblView_.get(); }
  ui::ScrollView& scrollView() const { return *scrlView_; }
  // The grid lines the scroll view holds.
  std::size_t lineCount() const { return lines_.size(); }

  // A tap on a section header row of the left header column.
  void toggleFoldOfSection(long section, long headerRow);
  // The long press over the content, at a point of the scroll view.
  void columnLongPressed(ui::GestureState state, ui::Point inScrollView);

  // ---- the inner tables --------------------------------------------------------------------
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::View> tableViewViewForHeaderInSection(ui::TableView& tableView, long section) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;

 private:
  explicit MultiColumnTableView(const ui::Rect& frame);
  void build();
  bool has(MultiColumnTableOp op) const;
  double widthOfColumn(long column) const;
  double topHeaderRowHeight() const;
  void setupHeaderTblView();
  void redrawLines();
  void swapColumn(long column, long other);
  void placeHighlight();
  // Gives the cell `count` column views, making the missing ones with `make`.
  void fitColumnViews(MultiColumnTableViewCell& cell, std::size_t count,
                      const std::function<std::shared_ptr<ui::View>(long column)>& make) const;
  std::shared_ptr<ui::TableViewCell> regularCell(ui::TableView& table, const MultiColumnTableLayout::Entry& entry);
  std::shared_ptr<ui::TableViewCell> sectionHeaderCell(ui::TableView& table, long section);
  std::shared_ptr<ui::TableViewCell> leftHeaderCell(ui::TableView& table, const MultiColumnTableLayout::Entry& entry);

  std::weak_ptr<MultiColumnTableViewDataSource> dataSource_;
  // The optional operations the data source implements, read once.
  std::vector<bool> responds_;
  std::shared_ptr<ui::ScrollView> scrlView_;
  std::shared_ptr<ui::TableView> tblView_;
  std::shared_ptr<ui::TableView> headerTblView_;
  std::vector<std::shared_ptr<ui::View>> lines_;
  std::vector<bool> sectionFoldingStatus_;
  std::vector<MultiColumnTableLayout::Entry> indexPathTable_;
  std::shared_ptr<ui::View> highlight_;
  long selectedColumn_ = -1;
  bool syncingScroll_ = false;
};

}  // namespace mv
