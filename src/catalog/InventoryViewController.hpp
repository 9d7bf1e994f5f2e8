#pragma once
// The Inventory tab: every published product in one table of five columns
// (SKU, picture, name, short description, stock) under the tab's title bar
// and a bar of column titles. A product's picture opens its product screen
// alone. Pictures are read on one small worker queue and land only in the row
// that asked for them.
#include <memory>
#include <string>
#include <vector>

#include "catalog/MultiColumnTableView.hpp"
#include "catalog/ProductDetailController.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/PopControllerDelegate.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class InventoryViewController : public BaseViewController,
                                public MultiColumnTableViewDataSource,
                                public ProductDetailDelegate,
                                public PopControllerDelegate {
 public:
  static constexpr long kNumberOfColumns = 5;
  static constexpr double kRowHeight = 120;
  // Cell types of the columns.
  static constexpr int kLabelCell = 0;
  static constexpr int kPictureCell = 1;
  static constexpr int kTextButtonCell = 2;
  static constexpr int kHeaderCell = 3;

  // Lists the products of the session's database.
  explicit InventoryViewController(SessionServices& services);
  ~InventoryViewController() override;

  // The five column titles' keys and the cell descriptions.
  static const std::vector<std::string>& titleKeys();
  static std::vector<MultiColumnTableCellInfo> headerInfos();
  static std::vector<MultiColumnTableCellInfo> regularInfos();
  // The column's content of a product ("" for the picture column, whose
  // content is its file).
  static std::string cellText(const marvisto_product_Entity& product, long column);
  // The background of row `row`: white, and light grey every second row.
  static gfx::Color rowColor(long row);

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // A picture's tap: its product alone on the screen.
  void tapImage(long row);
  // The product screen's "BACK": pops it.
  void backClicked();
  void dismissPopController(bool animated) override;

  const std::vector<marvisto_product_Entity>& multiColumnTableData() const { return multiColumnTableData_; }
  MultiColumnTableView& tblView() const { return *tblView_; }
  const std::vector<std::shared_ptr<ui::Label>>& labelArray() const { return labelArray_; }
  // Picture reads still running (tests).
  std::size_t pendingPictures() const { return pictures_.pendingCount(); }
  // Blocks until every picture read asked for has ended, its result posted
  // to the main loop (tests wait on the reads, not on the clock).
  void waitForPictureReads() { pictures_.waitIdle(); }

  // ---- the table's data source ------------------------------------------------------------
  bool respondsTo(MultiColumnTableOp op) const override;
  long numberOfColumnsInTableView(MultiColumnTableView& table) override;
  long tableViewNumberOfRowsInSection(MultiColumnTableView& table, long section) override;
  std::shared_ptr<ui::View> tableViewCellForIndexPath(MultiColumnTableView& table, const ui::IndexPath& path,
                                                      long column) override;
  void tableViewSetContentForCell(MultiColumnTableView& table, ui::View& cell, const ui::IndexPath& path,
                                  long column) override;
  long numberOfSectionsInTableView(MultiColumnTableView& table) override;
  double tableViewHeightForCellAtIndexPath(MultiColumnTableView& table, const ui::IndexPath& path,
                                           long column) override;
  double tableViewWidthForColumn(MultiColumnTableView& table, long column) override;
  double heightForHeaderCellOfTableView(MultiColumnTableView& table) override;
  double widthForHeaderCellOfTableView(MultiColumnTableView& table) override;
  std::shared_ptr<ui::View> tableViewHeaderCellForColumn(MultiColumnTableView& table, long column) override;
  std::optional<gfx::Color> backgroundColorAtIndexPath(MultiColumnTableView& table, const ui::IndexPath& path) override;

 private:
  std::shared_ptr<ui::View> multiColumnTableCell(const MultiColumnTableCellInfo& info);
  void loadPicture(ui::Button& button, long row);
  // The product's thumbnail name, read from the store on the main thread.
  std::string thumbnailOf(int productId) const;

  std::shared_ptr<SessionServices> services_;
  std::vector<marvisto_product_Entity> multiColumnTableData_;
  std::vector<MultiColumnTableCellInfo> headerInfos_;
  std::vector<MultiColumnTableCellInfo> regularInfos_;
  std::shared_ptr<ui::ImageView> navigationView_;
  std::shared_ptr<ui::Label> title_;
  std::shared_ptr<ui::View> tableHeaderView_;
  std::vector<std::shared_ptr<ui::Label>> labelArray_;
  std::shared_ptr<MultiColumnTableView> tblView_;
  double lastViewVerticalPosition_ = 0;
  // One small pool for every picture of the table.
  base::WorkQueue pictures_{2};
};

}  // namespace mv
