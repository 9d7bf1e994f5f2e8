#pragma once
// The Orders tab: the stored quote orders, newest first, filtered to all,
// submitted or unsubmitted and by a search text. New orders start here, rows
// open in the order editor, orders are submitted one by one or all at once,
// copied and deleted, and older submitted orders are paged down from the
// service at the end of the list. Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "order/HistoryEditPopController.hpp"
#include "order/QuoteOrderStoreDelegate.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/SearchBar.hpp"
#include "platform/ui/SegmentedControl.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/PullTableView.hpp"

namespace mv {

class QuoteOrderStore;

class QuoteOrderHistoryController;

// The list's table: a pull table that remembers the row being touched and
// whether a row's popover is open, and tints that row.
class QuoteOrderHistoryTableView : public PullTableView {
 public:
  explicit QuoteOrderHistoryTableView(const ui::Rect& frame) : PullTableView(frame) {}

  long touchedCellTag() const { return touchedCellTag_; }
  bool cellIsSelected() const { return cellIsSelected_; }
  void setCellIsSelected(bool selected) { cellIsSelected_ = selected; }
  // Takes the tint off the touched row.
  void clearTouch();

  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  long touchedCellTag_ = -1;
  bool cellIsSelected_ = false;
};

class QuoteOrderHistoryController : public BaseViewController,
                                    public QuoteOrderStoreDelegate,
                                    public ui::TableViewDataSource,
                                    public ui::TableViewDelegate,
                                    public PullTableViewDelegate,
                                    public ui::SearchBarDelegate,
                                    public ui::AlertViewDelegate,
                                    public HistoryEditPopControllerDelegate,
                                    public ui::PopoverControllerDelegate {
 public:
  static constexpr long kRowTagBase = 4500;
  static constexpr long kRequireLoginAlertTag = 1003;
  static constexpr long kDeleteAlertTag = 1004;
  static constexpr double kWaitSeconds = 20;
  static constexpr double kLoadMoreDelay = 1.0;

  // Lists the orders of the session's order store; the editors it opens use
  // the same services.
  explicit QuoteOrderHistoryController(SessionServices& services);
  ~QuoteOrderHistoryController() override;

  int currentShowType() const { return currentShowType_; }
  const std::vector<std::shared_ptr<QuoteOrderEntity>>& selectOrders() const { return selectOrders_; }
  long selectedRow() const { return selectedRow_; }
  QuoteOrderHistoryTableView& historyOrderTable() const { return *table_; }
  ui::SegmentedControl& segments() const { return *segments_; }
  ui::SearchBar& searchBar() const { return *searchBar_; }
  ui::Button& btnSubmitAll() const { return *btnSubmitAll_; }
  ui::Button& btnNewOrder() const { return *btnNewOrder_; }
  const std::shared_ptr<ui::PopoverController>& popCellEdit() const { return popCellEdit_; }

  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  void refreshData();
  void selectShowType(long index);
  void btnNewOrderClick();
  void btnSubmitClick(long tag);
  void btnSubmitAllClick();
  // A long press on a row began.
  void columnLongPressed(long row, double touchX);
  void openOrderAtRow(long row);

  // QuoteOrderStoreDelegate
  void finishedUploadQuoteOrders(const std::string& status, const std::string& message) override;
  void finishedSyncHistoryQuoteOrders(const std::optional<std::string>& status,
                                      const std::optional<std::string>& message) override;
  void uploadEndedWithSession(const std::string& status) override;
  void historyEndedWithSession(const std::string& status) override;
  // Table
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  bool respondsTo(ui::TableViewDataSourceOp op) const override;
  void tableViewCommitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
      ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  // Pull table
  void pullTableViewDidTriggerRefresh(PullTableView& tableView) override;
  void pullTableViewDidTriggerLoadMore(PullTableView& tableView) override;
  // Search
  void searchBarTextDidChange(ui::SearchBar& bar, const std::string& searchText) override;
  void searchBarSearchButtonClicked(ui::SearchBar& bar) override;
  // Alerts, popover
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  void historyOrderCopy(long row) override;
  void historyOrderDelete(long row) override;
  void popoverControllerDidDismissPopover(ui::PopoverController& popover) override;

 private:
  const std::shared_ptr<QuoteOrderStore>& store() const { return store_; }
  // The submission's wait box, whose Cancel abandons the submission.
  void beginSubmitWait();
  // What names one stored order while rows move under it: a history page or
  // a copy fetches the rows again, an upload gives the order the service's id.
  struct OrderIdentity {
    int serial = 0;
    std::string number;
  };
  void pushEditor(std::shared_ptr<QuoteOrderEntity> order, int state, bool changed);
  // The order of the row when there is one.
  std::shared_ptr<QuoteOrderEntity> orderAtRow(long row) const;
  void showDeleteConfirmation(long row);
  static OrderIdentity identityOf(const QuoteOrderEntity& order) { return {order.serial, order.number}; }
  // The order of that identity among `orders`: the same id and number, or
  // the one order of that number when it was submitted meanwhile; null when
  // gone.
  static std::shared_ptr<QuoteOrderEntity> orderNamed(const std::vector<std::shared_ptr<QuoteOrderEntity>>& orders,
                                                      const OrderIdentity& identity);
  // The stored order of that identity.
  std::shared_ptr<QuoteOrderEntity> storedOrder(const OrderIdentity& identity) const;
  void deleteOrder(const OrderIdentity& identity);
  void untint();
  void showAlert(const std::string& title, const std::string& message, long tag = 0,
                 const std::vector<std::string>& others = {}, const char* cancelKey = "OK");
  bool customersOn() const;

  int currentShowType_ = 0;
  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<QuoteOrderStore> store_;
  std::vector<std::shared_ptr<QuoteOrderEntity>> selectOrders_;
  // The row tinted while its popover or delete prompt is up, and its order,
  // whose row it stays when the rows move.
  long selectedRow_ = -1;
  std::optional<OrderIdentity> tintedOrder_;
  // The order the copy/delete popover was opened for.
  std::shared_ptr<QuoteOrderEntity> popoverOrder_;
  // The order the delete prompt asks about.
  std::optional<OrderIdentity> deleteTarget_;
  std::shared_ptr<ui::PopoverController> popCellEdit_;
  std::shared_ptr<HistoryEditPopController> editPop_;
  std::shared_ptr<QuoteOrderHistoryTableView> table_;
  std::shared_ptr<ui::ImageView> titleBar_;
  std::shared_ptr<ui::Label> title_;
  std::shared_ptr<ui::Button> btnNewOrder_, btnSubmitAll_;
  std::shared_ptr<ui::SegmentedControl> segments_;
  std::shared_ptr<ui::SearchBar> searchBar_;
  std::vector<std::pair<std::shared_ptr<ui::Label>, const char*>> headers_;
  base::CancelTracker timers_;
};

}  // namespace mv
