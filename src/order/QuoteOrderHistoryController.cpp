#include "order/QuoteOrderHistoryController.hpp"

#include <algorithm>
#include <utility>

#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderHistoryModel.hpp"
#include "order/QuoteOrderHistoryTableViewCell.hpp"
#include "order/OrderScreenParts.hpp"
#include "order/QuoteOrderStore.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/LongPressGestureRecognizer.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Touch.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/frame/MessageBox.hpp"
#include "store/SessionDatabase.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

using Model = QuoteOrderHistoryModel;

namespace {

LoginType loginType() { return Session::current().loginType; }

}  // namespace

// ---- the table ---------------------------------------------------------------------------------

void QuoteOrderHistoryTableView::clearTouch() {
  if (touchedCellTag_ < 0) return;
  if (auto* cell = dynamic_cast<QuoteOrderHistoryTableViewCell*>(
          cellForRowAtIndexPath({0, touchedCellTag_ - QuoteOrderHistoryController::kRowTagBase}))) {
    cell->showTouched(false);
  }
}

void QuoteOrderHistoryTableView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  clearTouch();
  cellIsSelected_ = false;
  touchedCellTag_ = -1;
  if (touches.size() == 1) {
    const ui::Point p = (*touches.begin())->locationInView(this);
    if (auto path = indexPathForRowAtPoint(p)) {
      if (auto* cell = dynamic_cast<QuoteOrderHistoryTableViewCell*>(cellForRowAtIndexPath(*path))) {
        cell->showTouched(true);
        touchedCellTag_ = cell->tag();
      }
    }
  }
  PullTableView::touchesBegan(touches, event);
}

void QuoteOrderHistoryTableView::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  // An open popover keeps its row tinted.
  if (!cellIsSelected_) clearTouch();
  PullTableView::touchesEnded(touches, event);
}

void QuoteOrderHistoryTableView::touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) {
  if (!cellIsSelected_) clearTouch();
  PullTableView::touchesCancelled(touches, event);
}

// ---- the screen --------------------------------------------------------------------------------

QuoteOrderHistoryController::QuoteOrderHistoryController(SessionServices& services)
    : services_(services.shared_from_this()), store_(services.get<QuoteOrderStore>()) {}

QuoteOrderHistoryController::~QuoteOrderHistoryController() { timers_.cancelAll(); }

bool QuoteOrderHistoryController::customersOn() const { return store()->isCustomerOnShow(); }

void QuoteOrderHistoryController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  const FitCGRect& fit = FitCGRect::sharedInstance();

  titleBar_ = order_screen::addTitleBar(*root);
  title_ = order_screen::addTitle(*root, {412, 27, 200, 30}, text("ORDERLIST"));
  btnNewOrder_ = std::make_shared<ui::Button>(fit.fitCGRectBy(911, 25, 105, 34));
  ViewStyle::initializeToButtonHeight34(*btnNewOrder_);
  btnNewOrder_->setTitle(text("NEWORDER"));
  btnNewOrder_->addAction([this](ui::Control&, const ui::Event*) { btnNewOrderClick(); }, ui::ControlEventTouchUpInside);
  root->addSubview(btnNewOrder_);

  auto band = std::make_shared<ui::View>(fit.fitCGRectBy(0, 64, 1024, 60));
  band->setBackgroundColor(gfx::Color::white(231.0 / 255));
  root->addSubview(band);
  segments_ = std::make_shared<ui::SegmentedControl>(
      std::vector<std::string>{text("ALL"), text("SUBMITTED"), text("UNSUBMITTED")});
  segments_->setFrame({15, 10, 340, 40});
  segments_->setTintColor(ViewStyle::colorOfMainTheme());
  segments_->setSelectedSegmentIndex(0);
  segments_->addAction([this](ui::Control& c, const ui::Event*) {
    selectShowType(static_cast<ui::SegmentedControl&>(c).selectedSegmentIndex());
  }, ui::ControlEventValueChanged);
  band->addSubview(segments_);
  searchBar_ = std::make_shared<ui::SearchBar>(ui::Rect{749, 13, 260, 34});
  searchBar_->setPlaceholder(text("ORDERSEARCHPLACEHOLDER"));
  searchBar_->setDelegate(ui::weakAs<ui::SearchBarDelegate>(this));
  band->addSubview(searchBar_);

  auto header = std::make_shared<ui::View>(fit.fitCGRectBy(0, 124, 1024, 46));
  header->setBackgroundColor(gfx::Color::white(248.0 / 255));
  const std::tuple<double, double, const char*> titles[] = {{70, 120, "ORDERNUMBER"}, {260, 100, "CUSTOMER"},
                                                            {420, 80, "PRICE"},        {550, 100, "ORDERTIME"},
                                                            {710, 80, "NOTE"}};
  for (const auto& [x, w, key] : titles) {
    auto l = std::make_shared<ui::Label>(ui::Rect{x, 0, w, 46});
    l->setTextAlignment(gfx::TextAlignment::Center);
    l->setFont(gfx::Font::boldSystemFont(15));
    l->setBackgroundColor(gfx::Color::clear());
    l->setText(text(key));
    header->addSubview(l);
    headers_.emplace_back(l, key);
  }
  btnSubmitAll_ = std::make_shared<ui::Button>(ui::Rect{860, 9, 90, 30});
  ViewStyle::initializeToButtonHeight30(*btnSubmitAll_);
  btnSubmitAll_->titleLabel().setFont(gfx::Font::boldSystemFont(14));
  btnSubmitAll_->setTitle(text("SUBMITALL"));
  btnSubmitAll_->addAction([this](ui::Control&, const ui::Event*) { btnSubmitAllClick(); },
                           ui::ControlEventTouchUpInside);
  header->addSubview(btnSubmitAll_);
  root->addSubview(header);

  table_ = std::make_shared<QuoteOrderHistoryTableView>(fit.fitCGRectBy(0, 172, 1024, 712 - 172));
  table_->setRowHeight(QuoteOrderHistoryTableViewCell::kRowHeight);
  table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::SingleLine);
  table_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  table_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  table_->setPullDelegate(ui::weakAs<PullTableViewDelegate>(this));
  root->addSubview(table_);

  editPop_ = std::make_shared<HistoryEditPopController>();
  editPop_->setDelegate(ui::weakAs<HistoryEditPopControllerDelegate>(this));
  addStatusBarBGForVersion7(true);
  finishViewDidLoad();
}

void QuoteOrderHistoryController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
}

void QuoteOrderHistoryController::updateLanguage(ui::ViewController& /*sender*/) {
  if (!isViewLoaded()) return;
  title_->setText(text("ORDERLIST"));
  btnNewOrder_->setTitle(text("NEWORDER"));
  segments_->setTitle(text("ALL"), 0);
  segments_->setTitle(text("SUBMITTED"), 1);
  segments_->setTitle(text("UNSUBMITTED"), 2);
  searchBar_->setPlaceholder(text("ORDERSEARCHPLACEHOLDER"));
  for (auto& [label, key] : headers_) label->setText(text(key));
  btnSubmitAll_->setTitle(text("SUBMITALL"));
  editPop_->updateLanguage();
  table_->reloadData();
}

void QuoteOrderHistoryController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  auto s = store();
  s->setDelegate(ui::weakAs<QuoteOrderStoreDelegate>(this));
  refreshData();
  if (s->addQuoteOrder()) {
    // An order begun from the catalogue opens at once.
    auto order = s->createNewQuoteOrder();
    s->setAddQuoteOrder(nullptr);
    pushEditor(order, QuoteOrderEditorModel::kNewOrder, true);
  }
}

void QuoteOrderHistoryController::refreshData() {
  MV_ASSERT_MAIN_THREAD();
  if (!isViewLoaded()) return;
  table_->setLoadMoreEnable(Model::loadMoreEnabled(currentShowType_, loginType()));
  table_->setRefreshEnable(false);
  selectOrders_ = store()->fetchQuoteOrders(currentShowType_, searchBar_->text());
  if (tintedOrder_) {
    const auto tinted = orderNamed(selectOrders_, *tintedOrder_);
    const auto at = std::find(selectOrders_.begin(), selectOrders_.end(), tinted);
    selectedRow_ = tinted ? at - selectOrders_.begin() : -1;
  }
  btnSubmitAll_->setHidden(!Model::submitAllVisible(selectOrders_, customersOn()));
  table_->reloadData();
}

void QuoteOrderHistoryController::selectShowType(long index) {
  currentShowType_ = static_cast<int>(index);
  refreshData();
}

void QuoteOrderHistoryController::pushEditor(std::shared_ptr<QuoteOrderEntity> order, int state, bool changed) {
  auto editor = std::make_shared<QuoteOrderViewController>(*services_);
  editor->setState(state);
  editor->setQuoteOrder(std::move(order));
  editor->setIsOrderChanged(changed);
  if (auto* nav = navigationController()) nav->pushViewController(editor, true);
}

void QuoteOrderHistoryController::btnNewOrderClick() {
  auto s = store();
  auto order = s->createNewQuoteOrder();
  s->setAddQuoteOrder(nullptr);
  pushEditor(order, QuoteOrderEditorModel::kNewOrder, false);
}

void QuoteOrderHistoryController::openOrderAtRow(long row) {
  if (row < 0 || row >= static_cast<long>(selectOrders_.size())) return;
  const auto& order = selectOrders_[static_cast<std::size_t>(row)];
  order->isInEdit = false;
  pushEditor(order, order->isUploaded() ? QuoteOrderEditorModel::kSubmittedOrder : QuoteOrderEditorModel::kSavedOrder,
             false);
}

void QuoteOrderHistoryController::showAlert(const std::string& title, const std::string& message, long tag,
                                           const std::vector<std::string>& others, const char* cancelKey) {
  order_screen::showAlert(ui::weakAs<ui::AlertViewDelegate>(this), title, message, tag, others, cancelKey);
}

void QuoteOrderHistoryController::btnSubmitClick(long tag) {
  if (loginType() == LoginType::Demo) {
    DemoLimitAlert::show();
    return;
  }
  const long row = tag - kRowTagBase;
  if (row < 0 || row >= static_cast<long>(selectOrders_.size())) return;
  beginSubmitWait();
  store()->startUploadQuoteOrder(selectOrders_[static_cast<std::size_t>(row)]->serial);
}

void QuoteOrderHistoryController::btnSubmitAllClick() {
  if (loginType() == LoginType::Demo) {
    DemoLimitAlert::show();
    return;
  }
  beginSubmitWait();
  store()->startUploadQuoteOrder(QuoteOrderStore::kAllOrders);
}

void QuoteOrderHistoryController::beginSubmitWait() {
  MessageBox::sharedInstance().BeginBlockWait(text("SUBMITINGORDER"), kWaitSeconds,
                                              [weak = ui::weakAs<QuoteOrderHistoryController>(this)] {
                                                // The orders stay in the list, unsubmitted.
                                                if (auto self = weak.lock()) self->store()->abandonUpload();
                                              });
}

void QuoteOrderHistoryController::finishedUploadQuoteOrders(const std::string& status, const std::string& message) {
  MessageBox::sharedInstance().EndBlockWait();
  if (status == "200") {
    refreshData();
    showAlert(text("ORDERSUBMITTED"), text("SUCCESSFULLYSUBMIT"));
  } else if (loginType() == LoginType::None) {
    showAlert(text("REQUIRELOGIN"), message, kRequireLoginAlertTag, {text("LOGOUTSETTINGS")}, "CANCEL");
  } else {
    showAlert(text("ORDERSUBMITFAILED"), message);
  }
}

void QuoteOrderHistoryController::finishedSyncHistoryQuoteOrders(const std::optional<std::string>& status,
                                                                 const std::optional<std::string>& message) {
  // Whatever the answer, the spinner stops.
  table_->setPullTableIsLoadingMore(false);
  switch (Model::historyAction(status, message, loginType())) {
    case Model::HistoryAction::Refresh:
      refreshData();
      if (auto row = Model::rowToReveal(static_cast<long>(selectOrders_.size()))) {
        table_->scrollToRowAtIndexPath({0, *row}, ui::TableViewScrollPosition::Bottom, true);
      }
      break;
    case Model::HistoryAction::RequireLogin:
      showAlert(text("REQUIRELOGIN"), message.value_or(""), kRequireLoginAlertTag, {text("LOGOUTSETTINGS")}, "CANCEL");
      break;
    case Model::HistoryAction::Nothing:
      break;
  }
}

// The shell's alert tells the user about the ended session; the list only
// stops waiting.
void QuoteOrderHistoryController::uploadEndedWithSession(const std::string& /*status*/) {
  MessageBox::sharedInstance().EndBlockWait();
}

void QuoteOrderHistoryController::historyEndedWithSession(const std::string& /*status*/) {
  table_->setPullTableIsLoadingMore(false);
}

long QuoteOrderHistoryController::tableViewNumberOfRowsInSection(ui::TableView& /*tableView*/, long /*section*/) {
  return static_cast<long>(selectOrders_.size());
}

std::shared_ptr<ui::TableViewCell> QuoteOrderHistoryController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(
      tableView.dequeueReusableCellWithIdentifier(QuoteOrderHistoryTableViewCell::kReuseIdentifier));
  if (!cell) {
    cell = std::make_shared<QuoteOrderHistoryTableViewCell>();
    auto press = std::make_shared<ui::LongPressGestureRecognizer>();
    press->minimumPressDuration = 0.7;
    ui::TableViewCell* raw = cell.get();
    press->addTarget([this, raw](ui::GestureRecognizer& g) {
      if (g.state() != ui::GestureState::Began) return;
      columnLongPressed(raw->tag() - kRowTagBase, g.locationInView(table_.get()).x);
    });
    cell->addGestureRecognizer(press);
    ui::Button* submit = &cell->submitButton();
    submit->addAction([this, submit](ui::Control&, const ui::Event*) { btnSubmitClick(submit->tag()); },
                      ui::ControlEventTouchUpInside);
  }
  const long row = indexPath.row;
  const auto& order = selectOrders_.at(static_cast<std::size_t>(row));
  cell->setTag(kRowTagBase + row);
  cell->setOderNumber(order->number);
  cell->setCustomer(order->customerName);
  cell->submitButton().setHidden(order->isUploaded());
  cell->submitButton().setTag(kRowTagBase + row);
  cell->submitButton().setTitle(text("SUBMIT"));
  const bool submittable = Model::canSubmit(*order, customersOn());
  cell->submitButton().setEnabled(submittable);
  // A button that takes no tap looks it.
  cell->submitButton().setAlpha(submittable ? 1.0 : 0.4);
  cell->setStrOrderTime(order->mdateShow(PublicFunction::getFormateString()));
  // An order without lines has no currency of its own.
  if (!order->hasItems()) order->currency.clear();
  cell->setStrPrice(order->strDiscount());
  cell->setNote(order->customerNote());
  cell->setIsSigned(!isBlank(order->signature));
  cell->showTouched(row == selectedRow_ && table_->cellIsSelected());
  return cell;
}

bool QuoteOrderHistoryController::respondsTo(ui::TableViewDataSourceOp op) const {
  return op == ui::TableViewDataSourceOp::CommitEditingStyle || ui::TableViewDataSource::respondsTo(op);
}

void QuoteOrderHistoryController::tableViewCommitEditingStyle(ui::TableView& /*tableView*/,
                                                              ui::TableViewCellEditingStyle style,
                                                              const ui::IndexPath& indexPath) {
  if (style == ui::TableViewCellEditingStyle::Delete) showDeleteConfirmation(indexPath.row);
}

std::optional<double> QuoteOrderHistoryController::tableViewHeightForRowAtIndexPath(ui::TableView& /*tableView*/,
                                                                                   const ui::IndexPath& /*path*/) {
  return QuoteOrderHistoryTableViewCell::kRowHeight;
}

std::optional<std::string> QuoteOrderHistoryController::tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
    ui::TableView& /*tableView*/, const ui::IndexPath& /*indexPath*/) {
  return text("DELETE");
}

void QuoteOrderHistoryController::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) {
  tableView.deselectRowAtIndexPath(indexPath, false);
  openOrderAtRow(indexPath.row);
}

void QuoteOrderHistoryController::pullTableViewDidTriggerRefresh(PullTableView& tableView) {
  tableView.setPullTableIsRefreshing(false);
}

void QuoteOrderHistoryController::pullTableViewDidTriggerLoadMore(PullTableView& /*tableView*/) {
  timers_.after(kLoadMoreDelay, [this] { store()->getLastTenOrderHistory(); });
}

void QuoteOrderHistoryController::searchBarTextDidChange(ui::SearchBar& /*bar*/, const std::string& /*text*/) {
  refreshData();
}

void QuoteOrderHistoryController::searchBarSearchButtonClicked(ui::SearchBar& bar) {
  if (!isBlank(bar.text())) refreshData();
  bar.resignFirstResponder();
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderHistoryController::orderAtRow(long row) const {
  if (row < 0 || row >= static_cast<long>(selectOrders_.size())) return nullptr;
  return selectOrders_[static_cast<std::size_t>(row)];
}

void QuoteOrderHistoryController::columnLongPressed(long row, double touchX) {
  if (row < 0 || row >= static_cast<long>(selectOrders_.size())) return;
  if (popCellEdit_) popCellEdit_->dismissPopoverAnimated(false);
  untint();
  popoverOrder_ = orderAtRow(row);
  tintedOrder_ = identityOf(*popoverOrder_);
  editPop_->setCellTag(row);
  popCellEdit_ = std::make_shared<ui::PopoverController>(editPop_);
  popCellEdit_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  popCellEdit_->setPopoverContentSize({HistoryEditPopController::kWidth, HistoryEditPopController::kHeight});
  const ui::Rect rowRect = table_->rectForRowAtIndexPath({0, row});
  const bool below = Model::popoverBelowRow(rowRect.y(), table_->contentOffset().y);
  const ui::Rect anchor{touchX, below ? rowRect.maxY() - 10 : rowRect.y() + 10, 1, 1};
  popCellEdit_->presentPopoverFromRect(anchor, table_.get(),
                                       below ? ui::PopoverArrowDirectionUp : ui::PopoverArrowDirectionDown, true);
  selectedRow_ = row;
  table_->setCellIsSelected(true);
  if (auto* cell = dynamic_cast<QuoteOrderHistoryTableViewCell*>(table_->cellForRowAtIndexPath({0, row})))
    cell->showTouched(true);
}

void QuoteOrderHistoryController::untint() {
  if (selectedRow_ >= 0) {
    if (auto* cell = dynamic_cast<QuoteOrderHistoryTableViewCell*>(table_->cellForRowAtIndexPath({0, selectedRow_})))
      cell->showTouched(false);
  }
  table_->setCellIsSelected(false);
  tintedOrder_.reset();
}

void QuoteOrderHistoryController::historyOrderCopy(long row) {
  if (popCellEdit_) popCellEdit_->dismissPopoverAnimated(true);
  untint();
  // The popover's order, though the rows may have moved since it opened.
  auto order = std::exchange(popoverOrder_, nullptr);
  if (!order) order = orderAtRow(row);
  if (!order) return;
  const SessionDatabase::UserWrite userWrite;
  const bool copied = store()->copyQuoteOrderEntity(*order);
  refreshData();
  if (!copied) showAlert(text("ORDERCOPYFAILED"), text(SessionDatabase::failedWriteKey()));
}

void QuoteOrderHistoryController::historyOrderDelete(long row) {
  if (popCellEdit_) popCellEdit_->dismissPopoverAnimated(true);
  auto order = std::exchange(popoverOrder_, nullptr);
  if (!order) order = orderAtRow(row);
  if (!order) return;
  deleteTarget_ = identityOf(*order);
  order_screen::askToDelete(ui::weakAs<ui::AlertViewDelegate>(this), text("DELETEORDER"), text("AREYOUSUREDELETEORDER"),
                            kDeleteAlertTag);
}

void QuoteOrderHistoryController::showDeleteConfirmation(long row) {
  auto order = orderAtRow(row);
  if (!order) return;
  deleteTarget_ = identityOf(*order);
  order_screen::askToDelete(ui::weakAs<ui::AlertViewDelegate>(this), text("DELETEORDER"), text("AREYOUSUREDELETEORDER"),
                            kDeleteAlertTag);
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderHistoryController::orderNamed(
    const std::vector<std::shared_ptr<QuoteOrderEntity>>& orders, const OrderIdentity& identity) {
  std::shared_ptr<QuoteOrderEntity> onlyOfNumber;
  int ofNumber = 0;
  for (const auto& order : orders) {
    if (order->number != identity.number) continue;
    if (order->serial == identity.serial) return order;
    onlyOfNumber = order;
    ++ofNumber;
  }
  // Submitted meanwhile, the order carries the service's id under its number.
  return ofNumber == 1 && !identity.number.empty() ? onlyOfNumber : nullptr;
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderHistoryController::storedOrder(const OrderIdentity& identity) const {
  return orderNamed(store()->fetchQuoteOrders(Model::kAll, identity.number), identity);
}

void QuoteOrderHistoryController::deleteOrder(const OrderIdentity& identity) {
  auto order = storedOrder(identity);
  if (!order) {
    refreshData();
    showAlert(text("ORDERDELETEFAILED"), text("ORDERGONE"));
    return;
  }
  const SessionDatabase::UserWrite userWrite;
  if (!store()->removeQuoteOrder(order->serial)) {
    showAlert(text("ORDERDELETEFAILED"), text(SessionDatabase::failedWriteKey()));
    return;
  }
  refreshData();
}

void QuoteOrderHistoryController::popoverControllerDidDismissPopover(ui::PopoverController& popover) {
  if (&popover != popCellEdit_.get()) return;
  untint();
  popoverOrder_.reset();
}

void QuoteOrderHistoryController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  const long tag = alert.tag();
  if (tag == kRequireLoginAlertTag) {
    if (buttonIndex == 1) {
      if (auto actions = ShellActions::of(services_)) actions->logOutLater();
    }
    return;
  }
  if (tag != kDeleteAlertTag) return;
  const auto target = std::exchange(deleteTarget_, std::nullopt);
  if (buttonIndex == 1 && target) deleteOrder(*target);
  untint();
}

}  // namespace mv
