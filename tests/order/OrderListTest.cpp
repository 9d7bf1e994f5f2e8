// The order list: its predicates as tables, and the Orders tab's screen with
// stored orders, the store's requests caught and its reports played back.
#include <gtest/gtest.h>

#include <algorithm>

#include "OrderScreenTest.hpp"
#include "SessionFixture.hpp"
#include "order/HistoryEditPopController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderHistoryModel.hpp"
#include "order/QuoteOrderHistoryTableViewCell.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "order/UnsubmittedOrdersTableViewCell.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/MessageBox.hpp"
#include "sync/requests/RequestGetOrderHistory.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"

namespace mv::test {
namespace {

using Model = QuoteOrderHistoryModel;

std::shared_ptr<QuoteOrderEntity> listed(bool uploaded, int lines, const std::string& name) {
  auto o = std::make_shared<QuoteOrderEntity>(QuoteOrderEntity::Blank{});
  o->setUploaded(uploaded);
  o->customerName = name;
  for (int i = 0; i < lines; ++i) o->items.push_back(std::make_shared<QuoteOrderItemEntity>());
  return o;
}

TEST(QuoteOrderHistoryModelTest, WhatMayBeSubmittedAndPagedDown) {
  struct Case {
    bool uploaded;
    int lines;
    const char* name;
    bool customersOn;
    bool submit;
  };
  const Case cases[] = {
      {false, 1, "Ann", true, true},  {false, 1, "  ", true, false}, {false, 1, "", false, true},
      {false, 0, "Ann", true, false}, {true, 1, "Ann", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.uploaded << c.lines << c.name << c.customersOn);
    EXPECT_EQ(Model::canSubmit(*listed(c.uploaded, c.lines, c.name), c.customersOn), c.submit);
    EXPECT_EQ(Model::submitAllVisible({listed(true, 2, "Bob"), listed(c.uploaded, c.lines, c.name)}, c.customersOn),
              c.submit);
  }
  EXPECT_FALSE(Model::submitAllVisible({}, true));

  EXPECT_TRUE(Model::loadMoreEnabled(Model::kAll, LoginType::Online));
  EXPECT_TRUE(Model::loadMoreEnabled(Model::kSubmitted, LoginType::Offline));
  EXPECT_FALSE(Model::loadMoreEnabled(Model::kUnsubmitted, LoginType::Online));
  EXPECT_FALSE(Model::loadMoreEnabled(Model::kAll, LoginType::Demo));

  EXPECT_TRUE(Model::popoverBelowRow(550, 200));
  EXPECT_FALSE(Model::popoverBelowRow(600, 200));
}

TEST(QuoteOrderHistoryModelTest, HistoryRepliesAndTheRowToReveal) {
  using A = Model::HistoryAction;
  EXPECT_EQ(Model::historyAction("200", "reachEnd", LoginType::Online), A::Nothing);
  EXPECT_EQ(Model::historyAction("200", "ok", LoginType::Online), A::Refresh);
  EXPECT_EQ(Model::historyAction("101", "expired", LoginType::None), A::RequireLogin);
  EXPECT_EQ(Model::historyAction("101", "expired", LoginType::Online), A::Nothing);
  EXPECT_EQ(Model::historyAction(std::nullopt, std::nullopt, LoginType::Online), A::Nothing);
  EXPECT_EQ(Model::rowToReveal(0), std::nullopt);
  EXPECT_EQ(Model::rowToReveal(5), 4);
}

TEST(UnsubmittedOrdersRowTest, LaysOutByNinths) {
  auto cell = std::make_shared<UnsubmittedOrdersTableViewCell>();
  cell->setFrame({0, 0, 900, 60});
  cell->layoutSubviews();
  const double w = cell->contentView().bounds().width();
  const double u = static_cast<float>(w / 9);
  EXPECT_EQ(cell->dateLabel().frame(), (ui::Rect{15, 15, 3 * u - 15, 30}));
  EXPECT_EQ(cell->editButton().frame(), (ui::Rect{6 * u + 15, 15, 1.5 * u - 15, 30}));
  EXPECT_EQ(cell->deleteButton().frame(), (ui::Rect{7.5 * u + 15, 15, 1.5 * u - 20, 30}));
  EXPECT_EQ(cell->separatorImageView().frame(), (ui::Rect{15, 59, w - 30, 1}));
}

class ListTest : public OrderScreenTest {
 protected:
  void SetUp() override {
    OrderScreenTest::SetUp();
    changeSession([](Session& s) { s.loginType = LoginType::Online; });
  }
  void open() {
    list = std::make_shared<QuoteOrderHistoryController>(*services);
    nav = std::make_shared<ui::NavigationController>(list);
    window().setRootViewController(nav);
    flush();
  }
  // Opens the copy/delete popover of row `r` with a long press and taps one
  // of its buttons.
  void pressInRowPopover(long r, bool copy) {
    auto* cell = row(r);
    ASSERT_TRUE(cell);
    driver().longPress(driver().centerOf(*cell));
    flush();
    ASSERT_TRUE(list->popCellEdit() && list->popCellEdit()->isPopoverVisible());
    auto& pop = static_cast<HistoryEditPopController&>(*list->popCellEdit()->contentViewController());
    driver().tap(copy ? pop.copyButton() : pop.deleteButton());
    advance(1);
  }
  std::string alertTitle() { return driver().visibleAlert() ? driver().visibleAlert()->title() : std::string(); }
  QuoteOrderHistoryTableViewCell* row(long r) {
    flush();
    return dynamic_cast<QuoteOrderHistoryTableViewCell*>(list->historyOrderTable().cellForRowAtIndexPath({0, r}));
  }
  long rows() { return list->historyOrderTable().numberOfRowsInSection(0); }

  std::shared_ptr<QuoteOrderHistoryController> list;
  std::shared_ptr<ui::NavigationController> nav;
};

TEST_F(ListTest, RowsFiltersAndSubmitButtons) {
  storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  storeOrder("  ", "01/04/2026 10:00:00", false, "rep_1_260104100000", 1);
  storeOrder("Cid", "01/03/2026 10:00:00", true, "rep_1_260103100000", 1);
  storeOrder("Dee", "01/02/2026 10:00:00", false, "rep_1_260102100000", 0);
  open();
  ASSERT_EQ(rows(), 4);
  snapshot("order-list");
  EXPECT_EQ(row(0)->numberLabel().text(), "rep_1_260105100000");
  EXPECT_EQ(row(0)->timeLabel().text(), "10:00 01/05/26");
  EXPECT_TRUE(row(0)->submitButton().isEnabled());
  EXPECT_FALSE(row(1)->submitButton().isEnabled());  // no customer name
  EXPECT_TRUE(row(2)->submitButton().isHidden());    // submitted
  EXPECT_FALSE(row(3)->submitButton().isEnabled());  // no lines
  EXPECT_EQ(row(3)->priceLabel().text(), "$0.00");
  EXPECT_FALSE(list->btnSubmitAll().isHidden());
  EXPECT_TRUE(list->historyOrderTable().loadMoreEnable());

  list->selectShowType(Model::kUnsubmitted);
  EXPECT_EQ(rows(), 3);
  EXPECT_FALSE(list->historyOrderTable().loadMoreEnable());
  list->selectShowType(Model::kSubmitted);
  EXPECT_EQ(rows(), 1);
  EXPECT_TRUE(list->btnSubmitAll().isHidden());
}

TEST_F(ListTest, SubmittingOneOrAll) {
  const int ann = storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  open();
  driver().tap(row(0)->submitButton());
  auto upload = lastSent(kCmdUploadQuoteOrder);
  ASSERT_TRUE(upload);
  EXPECT_EQ(store->currentQuoteOrderId(), ann);
  sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "200"));
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("ORDERSUBMITTED"));
  driver().pressAlertButton(0);
  advance(1);

  storeOrder("Bob", "01/06/2026 10:00:00", false, "rep_1_260106100000", 1);
  list->refreshData();
  list->btnSubmitAllClick();
  EXPECT_EQ(store->currentQuoteOrderId(), QuoteOrderStore::kAllOrders);
  changeSession([](Session& s) { s.loginType = LoginType::None; });
  sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "500"));
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderHistoryController::kRequireLoginAlertTag);

  // The demo account is told it may not.
  driver().pressAlertButton(0);
  advance(1);
  changeSession([](Session& s) { s.loginType = LoginType::Demo; });
  const std::size_t before = sent().size();
  list->btnSubmitAllClick();
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->tag(), DemoLimitAlert::kTag);
  EXPECT_EQ(sent().size(), before);
}

TEST_F(ListTest, HistoryPagesAndTheirEnd) {
  storeOrder("Cid", "01/03/2026 10:00:00", true, "rep_1_260103100000", 1);
  open();
  auto& table = list->historyOrderTable();
  table.setPullTableIsLoadingMore(true);
  list->pullTableViewDidTriggerLoadMore(table);
  EXPECT_FALSE(lastSent(kCmdGetOrderHistory));
  advance(1.1);
  ASSERT_TRUE(lastSent(kCmdGetOrderHistory));
  // The end of the history: the spinner stops, the list stays.
  auto end = replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "200");
  end->message = "reachEnd";
  sender->answer(end);
  EXPECT_FALSE(table.pullTableIsLoadingMore());
  EXPECT_EQ(rows(), 1);

  // A page while a search hides every row: nothing to scroll to.
  list->searchBar().setText("nobody");
  list->refreshData();
  EXPECT_EQ(rows(), 0);
  table.setPullTableIsLoadingMore(true);
  list->finishedSyncHistoryQuoteOrders(std::string("200"), std::string("ok"));
  EXPECT_FALSE(table.pullTableIsLoadingMore());

  // An expired session also stops the spinner.
  table.setPullTableIsLoadingMore(true);
  list->finishedSyncHistoryQuoteOrders(std::string("101"), std::string("expired"));
  EXPECT_FALSE(table.pullTableIsLoadingMore());
}

TEST_F(ListTest, CopyAndDeleteFromTheRowPopover) {
  storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  open();
  list->columnLongPressed(0, 300);
  flush();
  ASSERT_TRUE(list->popCellEdit());
  EXPECT_TRUE(list->popCellEdit()->isPopoverVisible());
  EXPECT_EQ(list->popCellEdit()->popoverArrowDirection(), ui::PopoverArrowDirectionUp);
  EXPECT_TRUE(row(0)->isTouched());
  list->historyOrderCopy(0);
  EXPECT_EQ(rows(), 2);
  EXPECT_FALSE(row(0)->isTouched());

  list->historyOrderDelete(1);
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderHistoryController::kDeleteAlertTag);
  driver().pressAlertButton(0);  // cancelled: the row stays
  advance(1);
  EXPECT_EQ(rows(), 2);
  list->historyOrderDelete(1);
  driver().pressAlertButton(1);
  advance(1);
  EXPECT_EQ(rows(), 1);
  EXPECT_EQ(count("marvisto_quote_order"), 1);
}

// The rows move while the prompt is up (a history page arrives): the tint
// stays on the order the prompt was opened for, and OK deletes that order,
// or says it is gone.
TEST_F(ListTest, TheDeletePromptTintsAndDeletesTheOrderItWasOpenedFor) {
  storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  storeOrder("Bob", "01/04/2026 10:00:00", false, "rep_1_260104100000", 1);
  open();
  list->pullTableViewDidTriggerLoadMore(list->historyOrderTable());
  advance(1.1);
  ASSERT_TRUE(lastSent(kCmdGetOrderHistory));
  ASSERT_TRUE(row(1));
  ASSERT_EQ(row(1)->customerLabel().text(), "Bob");
  // Escape on the prompt is its Cancel: nothing goes, nor stays tinted.
  ASSERT_NO_FATAL_FAILURE(pressInRowPopover(1, false));
  ASSERT_EQ(alertTitle(), txt("DELETEORDER"));
  EXPECT_TRUE(window().pressEscape());
  advance(1);
  EXPECT_EQ(alertTitle(), "");
  EXPECT_FALSE(row(1)->isTouched());
  EXPECT_EQ(count("marvisto_quote_order"), 2);
  ASSERT_NO_FATAL_FAILURE(pressInRowPopover(1, false));
  ASSERT_EQ(alertTitle(), txt("DELETEORDER"));
  ASSERT_TRUE(row(1));
  EXPECT_TRUE(row(1)->isTouched());
  auto page = replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "200");
  page->orderHistoryArray = {base::Value{{"order_id", 7001},
                                         {"order_number", "rep_1_260106100000"},
                                         {"customer_name", "Cid"},
                                         {"cdate", "2026-01-06 10:00:00"},
                                         {"uploaded", 1}}};
  ASSERT_TRUE(sender->answer(page));
  ASSERT_EQ(rows(), 3);
  ASSERT_TRUE(row(1));
  ASSERT_EQ(row(1)->customerLabel().text(), "Ann");
  for (long r = 0; r < 3; ++r) {
    auto* cell = row(r);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->isTouched(), cell->customerLabel().text() == "Bob") << cell->customerLabel().text();
  }
  driver().pressAlertButton(1);
  advance(1);
  EXPECT_EQ(count("marvisto_quote_order", "customer_name = 'Bob'"), 0);
  EXPECT_EQ(count("marvisto_quote_order", "customer_name = 'Ann'"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "customer_name = 'Cid'"), 1);
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(alertTitle(), "");
  for (long r = 0; r < 2; ++r) {
    auto* cell = row(r);
    ASSERT_TRUE(cell);
    EXPECT_FALSE(cell->isTouched()) << cell->customerLabel().text();
  }

  // Gone from the device while the prompt was up: nothing else goes.
  ASSERT_NO_FATAL_FAILURE(pressInRowPopover(1, false));
  ASSERT_EQ(alertTitle(), txt("DELETEORDER"));
  sql("DELETE FROM marvisto_quote_order WHERE customer_name = 'Ann'");
  driver().pressAlertButton(1);
  advance(1);
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(alertTitle(), txt("ORDERDELETEFAILED"));
  EXPECT_EQ(driver().visibleAlert()->message(), txt("ORDERGONE"));
  EXPECT_EQ(count("marvisto_quote_order"), 1);
  EXPECT_EQ(rows(), 1);
}

// A signed order's stamp stands beside its customer's name, never over it;
// an order without a signature keeps the whole column for the name.
TEST_F(ListTest, TheSignedStampLeavesTheCustomersNameInSight) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  storeOrder("Müller Handels GmbH", "01/05/2026 10:00:00", false, "rep_1_260105100000", 1);
  storeOrder("Müller Handels GmbH", "01/04/2026 10:00:00", false, "rep_1_260104100000", 1);
  sql("UPDATE marvisto_quote_order SET signature = 'c2lnbmVk' WHERE order_number = 'rep_1_260105100000'");
  open();
  ASSERT_EQ(rows(), 2);
  snapshot("order-list-signed");
  auto* signedRow = row(0);
  ASSERT_TRUE(signedRow);
  ASSERT_FALSE(signedRow->signedBadge().isHidden());
  EXPECT_LE(signedRow->customerLabel().frame().maxX(), signedRow->signedBadge().frame().x());
  // The whole name, on two lines.
  std::string shown;
  for (const auto& line : signedRow->customerLabel().shownLines()) shown += line;
  std::erase(shown, ' ');
  EXPECT_EQ(shown, "MüllerHandelsGmbH");
  auto* plain = row(1);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->signedBadge().isHidden());
  EXPECT_DOUBLE_EQ(plain->customerLabel().frame().width(), QuoteOrderHistoryTableViewCell::kCustomerFrame.width());
}

// A history order comes under an id a submitted order of the device holds
// (the service handed it out again): both show, each with its own lines.
TEST_F(ListTest, AHistoryOrderUnderATakenIdShowsBesideTheOrderHoldingIt) {
  storeOrder("Ann", "01/05/2026 10:00:00", true, "rep_1_260105100000", 2);
  sql("UPDATE marvisto_quote_order SET order_id = 7001");
  sql("UPDATE marvisto_quote_order_item SET order_id = 7001");
  const auto annOrder = dumpTable("marvisto_quote_order");
  const auto annLines = dumpTable("marvisto_quote_order_item");
  open();
  ASSERT_EQ(rows(), 1);
  const std::string annPrice = row(0)->priceLabel().text();
  list->pullTableViewDidTriggerLoadMore(list->historyOrderTable());
  advance(1.1);
  ASSERT_TRUE(lastSent(kCmdGetOrderHistory));
  auto page = replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "200");
  page->orderHistoryArray = {base::Value{{"order_id", 7001},
                                         {"order_number", "rep_1_260106100000"},
                                         {"customer_name", "Cid"},
                                         {"order_total", 30},
                                         {"cdate", "2026-01-06 10:00:00"},
                                         {"uploaded", 1}}};
  page->orderItemHistoryArray = {
      base::Value{{"order_item_id", 1}, {"order_id", 7001}, {"product_id", 5}, {"product_quantity", 3}}};
  ASSERT_TRUE(sender->answer(page));
  ASSERT_EQ(rows(), 2);
  EXPECT_EQ(row(0)->customerLabel().text(), "Cid");
  EXPECT_EQ(row(0)->numberLabel().text(), "rep_1_260106100000");
  EXPECT_EQ(row(1)->customerLabel().text(), "Ann");
  EXPECT_EQ(row(1)->numberLabel().text(), "rep_1_260105100000");
  EXPECT_EQ(row(1)->priceLabel().text(), annPrice);
  // Ann's order and lines are there still, as they were.
  const auto orders = dumpTable("marvisto_quote_order");
  const auto lines = dumpTable("marvisto_quote_order_item");
  ASSERT_EQ(orders.size(), 2u);
  EXPECT_NE(std::find(orders.begin(), orders.end(), annOrder[0]), orders.end());
  ASSERT_EQ(lines.size(), annLines.size() + 1);
  for (const auto& l : annLines) EXPECT_NE(std::find(lines.begin(), lines.end(), l), lines.end()) << l;
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id < 0 AND product_quantity = 3"), 1);
}

TEST_F(ListTest, AFailedCopySaysSo) {
  storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  open();
  // No room left for another order.
  sql("CREATE TRIGGER full BEFORE INSERT ON marvisto_quote_order BEGIN SELECT RAISE(ABORT, 'disk full'); END");
  pressInRowPopover(0, true);
  EXPECT_EQ(alertTitle(), txt("ORDERCOPYFAILED"));
  EXPECT_EQ(rows(), 1);
  EXPECT_EQ(count("marvisto_quote_order"), 1);
  EXPECT_FALSE(row(0)->isTouched());
}

// The session handler tells the user of an expired session; the list adds
// no alert of its own to it and stops waiting.
TEST_F(ListTest, AnExpiredSessionIsToldOnce) {
  storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  storeOrder("Cid", "01/03/2026 10:00:00", true, "rep_1_260103100000", 1);
  open();
  driver().tap(row(0)->submitButton());
  ASSERT_TRUE(lastSent(kCmdUploadQuoteOrder));
  EXPECT_NE(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  sender->endSession(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "101"));
  flush();
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_EQ(count("marvisto_quote_order", "uploaded = 0"), 1);

  auto& table = list->historyOrderTable();
  table.setPullTableIsLoadingMore(true);
  list->pullTableViewDidTriggerLoadMore(table);
  advance(1.1);
  ASSERT_TRUE(lastSent(kCmdGetOrderHistory));
  changeSession([](Session& s) { s.loginType = LoginType::None; });
  sender->endSession(replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "101"));
  flush();
  EXPECT_EQ(alertTitle(), "");
  EXPECT_FALSE(table.pullTableIsLoadingMore());
}

// Pulled up past its end with nothing more on the service, the list comes
// back to its last row rather than stay on the load-more text.
TEST_F(ListTest, AfterTheLastHistoryPageTheListEndsAtItsLastRow) {
  for (int i = 0; i < 14; ++i)
    storeOrder("Cid", "01/03/2026 10:" + std::to_string(10 + i) + ":00", true, "rep_1_2601031" + std::to_string(10 + i) + "00", 1);
  open();
  auto& table = list->historyOrderTable();
  table.setContentOffset({0, table.contentSize().height - table.bounds().height()});
  flush();
  const ui::Rect frame = table.convertRectToView(table.bounds(), nullptr);
  const double x = frame.midX();
  driver().drag({{x, frame.maxY() - 20}, {x, frame.maxY() - 120}, {x, frame.maxY() - 220}, {x, frame.y() + 20}});
  advance(1.1);
  ASSERT_TRUE(table.pullTableIsLoadingMore());
  ASSERT_TRUE(lastSent(kCmdGetOrderHistory));
  auto end = replyTo<GetOrderHistoryRst>(kCmdGetOrderHistory, "200");
  end->message = "reachEnd";
  sender->answer(end);
  advance(1);
  EXPECT_FALSE(table.pullTableIsLoadingMore());
  const double lastOffset = table.contentSize().height - table.bounds().height();
  EXPECT_LE(table.contentOffset().y, lastOffset);
  // The load-more text is out of sight.
  const ui::Rect text = table.loadMoreView().convertRectToView(table.loadMoreView().statusLabel().frame(), &table);
  EXPECT_GE(text.y(), table.contentOffset().y + table.bounds().height());
  snapshot("order-list-history-end");
}

TEST_F(ListTest, ARowNearTheBottomOpensItsPopoverAbove) {
  for (int i = 0; i < 12; ++i)
    storeOrder("Ann", "01/05/2026 10:" + std::to_string(10 + i) + ":00", false, "", 1);
  open();
  list->columnLongPressed(9, 300);
  flush();
  EXPECT_EQ(list->popCellEdit()->popoverArrowDirection(), ui::PopoverArrowDirectionDown);
}

TEST_F(ListTest, RowsOpenInTheEditor) {
  storeOrder("Cid", "01/03/2026 10:00:00", true, "rep_1_260103100000", 1);
  storeOrder("Ann", "01/05/2026 10:00:00", false, "rep_1_260105100000", 2);
  open();
  list->openOrderAtRow(0);
  advance(1);
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->state(), QuoteOrderEditorModel::kSavedOrder);
  nav->popViewControllerAnimated(false);
  list->openOrderAtRow(1);
  advance(1);
  editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->state(), QuoteOrderEditorModel::kSubmittedOrder);

  // An order begun from the catalogue opens as soon as the list shows.
  nav->popViewControllerAnimated(false);
  store->createNewQuoteOrder();
  list->viewWillAppear(false);
  advance(1);
  editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->state(), QuoteOrderEditorModel::kNewOrder);
  EXPECT_TRUE(editor->isOrderChanged());
  EXPECT_FALSE(store->addQuoteOrder());
}

}  // namespace
}  // namespace mv::test
