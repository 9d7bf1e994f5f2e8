#pragma once
// The order editor: one quote order with its time, note, customer and
// address at the top, its lines in a table, and a footer with the totals,
// the order discount and Save (or Edit), Submit and View as PDF. A new
// order (state 0), a saved one (2) or a submitted one (1, read-only). The
// decisions live in `QuoteOrderEditorModel`; this is their screen. Main
// thread only.
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "catalog/ProductDetailController.hpp"
#include "customer/SearchResultTableView.hpp"
#include "order/AddressTableViewController.hpp"
#include "order/DiscountPopController.hpp"
#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderItemDelegate.hpp"
#include "order/QuoteOrderStoreDelegate.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/TextField.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "store/QuoteOrderEntity.hpp"
#include "sync/SessionServices.hpp"
#include "widgets/TZTextField.hpp"

namespace mv {

class ConfigManager;
class CustomerDataModel;
class QuoteOrderStore;

class QuoteOrderViewController : public BaseViewController,
                                 public QuoteOrderStoreDelegate,
                                 public SearchResultTableDelegate,
                                 public ProductDetailDelegate,
                                 public QuoteOrderItemDelegate,
                                 public DiscountPopControllerDelegate,
                                 public ui::TableViewDataSource,
                                 public ui::TableViewDelegate,
                                 public ui::TextFieldDelegate,
                                 public ui::AlertViewDelegate,
                                 public ui::PopoverControllerDelegate {
 public:
  // Alert tags.
  static constexpr long kLeaveAlertTag = 1009;
  static constexpr long kRequireLoginAlertTag = 1013;
  static constexpr long kSaveMode = 1014;
  static constexpr long kSubmitMode = 1015;
  static constexpr long kSaveAndCloseMode = 1016;
  // How long the editor takes to slide away when it closes.
  static constexpr double kCloseRevealSeconds = 0.4;
  static constexpr long kLineTagBase = 6500;
  // Field tags.
  static constexpr long kDiscountFieldTag = 1002;
  static constexpr long kCustomerFieldTag = 1003;
  static constexpr long kNoteFieldTag = 1004;
  static constexpr long kAddressFieldTag = 1020;
  static constexpr double kWaitSeconds = 20;

  // Edits orders of the session's order store, in its database; the
  // customer book (when installed) names the customers.
  explicit QuoteOrderViewController(SessionServices& services);
  ~QuoteOrderViewController() override;

  int state() const { return state_; }
  void setState(int state) { state_ = state; }
  const std::shared_ptr<QuoteOrderEntity>& quoteOrder() const { return quoteOrder_; }
  void setQuoteOrder(std::shared_ptr<QuoteOrderEntity> order) { quoteOrder_ = std::move(order); }
  bool isOrderChanged() const { return isOrderChanged_; }
  void setIsOrderChanged(bool changed) { isOrderChanged_ = changed; }

  // The views tests and the tour reach.
  ui::TableView& table() const { return *table_; }
  ui::Button& btnSave() const { return *btnSave_; }
  ui::Button& btnSubmit() const { return *btnSubmit_; }
  ui::Button& btnPDF() const { return *btnPDF_; }
  ui::Button& btnDiscount() const { return *btnDiscount_; }
  ui::Button& btnHistory() const { return *btnHistory_; }
  ui::Button& btnAddProducts() const { return *btnAddProducts_; }
  ui::TextField& txtCustomer() const { return *txtCustomer_; }
  ui::TextField& txtNote() const { return *txtNote_; }
  ui::TextField& txtAddress() const { return *txtAddress_; }
  TZTextField& txtDiscountTotal() const { return *txtDiscountTotal_; }
  ui::Label& lblTotal() const { return *lblTotal_; }
  ui::Label& lblCurrency() const { return *lblCurrency_; }
  ui::Label& lblOrderTime() const { return *lblOrderTime_; }
  ui::ImageView& signedStamp() const { return *stamp_; }
  const std::shared_ptr<ui::PopoverController>& discountPopover() const { return discountPopover_; }
  const std::shared_ptr<DiscountPopController>& discountPop() const { return discountPop_; }
  const std::shared_ptr<ui::PopoverController>& searchPopover() const { return searchPopover_; }
  const std::shared_ptr<SearchResultTableView>& searchResults() const { return searchResults_; }
  const std::shared_ptr<ui::PopoverController>& addressPopover() const { return addressPopover_; }

  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // Buttons.
  void btnHistoryClick();
  void btnSaveClick();
  void btnSubmitClick();
  void btnViewAsPDFClick();
  void btnDiscountRatClick();
  void btnAddProductsClick();

  // The flows of the buttons.
  void setButtonsEnable(bool enable);
  void setButtonsHidden(bool hidden);
  // Ends every edit on the screen, a line's field included, so that what is
  // stored, printed or sent is what the screen shows. False when nothing may
  // read the order yet: a value its field refuses, or an alert that ending an
  // edit raised (a quantity of 0 asking whether to delete its line) and the
  // user has still to answer. `answering`: the alert whose answer asks.
  bool currentOrderCheck(const ui::AlertView* answering = nullptr);
  void checkCustomerAndSaveOrder(long mode);
  // The order's id once stored, 0 when the save failed.
  int saveCurrentOrder();
  void submitOrder();
  void saveNewCustomer();
  void popSelf();
  void updateTotal();
  void updateCustomer();
  std::string getNewAddressValues() const;

  // QuoteOrderStoreDelegate
  void finishedUploadQuoteOrders(const std::string& status, const std::string& message) override;
  void uploadEndedWithSession(const std::string& status) override;
  void popSelfView() override { popSelf(); }
  void updateCustomerId(int oldId, int newId) override;
  // SearchResultTableDelegate
  void didSelectCell(const PersonSummary& person) override;
  // ProductDetailDelegate
  bool saveOrderItem(const marvisto_product_Entity& product, int index) override;
  void back() override { btnBackClick(); }
  // Closes the product screen opened from a line.
  void btnBackClick();
  // QuoteOrderItemDelegate
  void tapImage(long tag) override;
  void QuoteOrderItemCellBeginEdit(QuoteOrderItemsTableViewCell& cell) override;
  void QuoteOrderItemCellChanged(QuoteOrderItemsTableViewCell& cell) override;
  // DiscountPopControllerDelegate
  void discountRatChanged(double rate) override;
  void discountWillEndInput() override;
  // Table
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  bool respondsTo(ui::TableViewDataSourceOp op) const override;
  bool tableViewCanEditRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  void tableViewCommitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
      ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  // Text fields
  bool textFieldShouldBeginEditing(ui::TextField& field) override;
  void textFieldDidBeginEditing(ui::TextField& field) override;
  bool textFieldShouldChangeCharactersInRange(ui::TextField& field, ui::TextRange range,
                                              const std::string& replacement) override;
  bool textFieldShouldClear(ui::TextField& field) override;
  void textFieldDidEndEditing(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;
  // Alerts and popovers
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  void popoverControllerDidDismissPopover(ui::PopoverController& popover) override;

 private:
  const std::shared_ptr<QuoteOrderStore>& store() const { return store_; }
  DataAccessManager& database() const { return services_->database(); }
  std::optional<marvisto_customer_Entity> customerNamed(const std::string& name) const;
  // Copies the customer's default address into the order; an order keeps its address when the customer has
  // none (or there is no customer book).
  void takeDefaultAddressOf(int customerId);
  void buildHeader(ui::View& root);
  void buildFooter(ui::View& root);
  std::shared_ptr<ui::Label> titleLabel(ui::View& parent, const ui::Rect& frame, const char* key);
  std::shared_ptr<ui::TextField> headerField(ui::View& parent, const ui::Rect& frame, long tag);
  void setFieldLook(ui::TextField& field, bool enabled);
  void showAddProducts(bool shown);
  void fillFields();
  void refreshSignedStamp();
  bool isSigned() const;
  void showDeletePrompt(long tag);
  void deleteLine(long row);
  void restoreTableFrame();
  void restoreFooterFrame();
  void setOrderBadge(bool clear);
  void popAllCustomerAsSearchResults();
  // Offers the customers the field's text finds once the customer book has
  // landed, if the customer is still being typed.
  void offerCustomersOnceRead();
  void presentSearchPopover();
  void openAddressPopover();
  void applyCustomerFromText(const std::string& name);
  void showPlainAlert(const std::string& title, const std::string& message, long tag = 0,
                      const std::vector<std::string>& others = {}, const char* cancelKey = "OK");
  void showNewCustomerAlert(long mode);
  void continueSave(long mode);
  std::shared_ptr<ui::ViewController> selfPtr();

  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<ConfigManager> config_;
  std::shared_ptr<QuoteOrderStore> store_;
  std::shared_ptr<CustomerDataModel> customers_;
  // The customers are offered once the book has landed.
  bool customersAwaited_ = false;
  int state_ = QuoteOrderEditorModel::kNewOrder;
  std::shared_ptr<QuoteOrderEntity> quoteOrder_;
  bool isOrderChanged_ = false;
  bool isCustomerOnShow_ = true;
  bool couldModifyPrice_ = false;
  std::size_t orderItemsNumber_ = 0;

  std::shared_ptr<ui::ImageView> titleBar_;
  std::shared_ptr<ui::Label> title_;
  std::shared_ptr<ui::Button> btnHistory_;
  std::shared_ptr<ui::View> headerArea_, columnHeader_, footerBar_;
  std::vector<std::pair<std::shared_ptr<ui::Label>, const char*>> titles_;
  std::shared_ptr<ui::Label> lblOrderTime_;
  std::shared_ptr<ui::TextField> txtNote_, txtCustomer_, txtAddress_;
  std::shared_ptr<ui::TableView> table_;
  std::shared_ptr<ui::ImageView> stamp_;
  std::shared_ptr<ui::View> addProductsRow_;
  std::shared_ptr<ui::Button> btnAddProducts_;
  std::shared_ptr<ui::Label> lblTotal_, lblCurrency_;
  std::shared_ptr<ui::Button> btnDiscount_, btnSave_, btnSubmit_, btnPDF_;
  std::shared_ptr<TZTextField> txtDiscountTotal_;
  std::shared_ptr<DiscountPopController> discountPop_;
  std::shared_ptr<ui::PopoverController> discountPopover_;
  std::shared_ptr<SearchResultTableView> searchResults_;
  std::shared_ptr<ui::PopoverController> searchPopover_;
  std::shared_ptr<AddressTableViewController> addressContent_;
  std::shared_ptr<ui::PopoverController> addressPopover_;
};

}  // namespace mv
