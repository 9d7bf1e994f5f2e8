// An order for a customer the representative met today: the customer is
// entered on the Customers tab and submitted, the order gets a line discount and an order discount, the
// customer signs the order form, the form is mailed and the order
// submitted. The service gives the customer and the order ids of its own;
// the order list shows the order as submitted.
#include <gtest/gtest.h>

#include <filesystem>

#include "RepresentativeDay.hpp"
#include "customer/CustomerAttributeCell.hpp"
#include "customer/CustomerInfoGroupData.hpp"
#include "customer/CustomerInfoView.hpp"
#include "customer/CustomerInfoViewHiddenCell.hpp"
#include "customer/CustomerListView.hpp"
#include "customer/CustomerViewController.hpp"
#include "order/DiscountPopController.hpp"
#include "order/OrderPDFCreater.hpp"
#include "order/PainterViewController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderHistoryModel.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/ScrollView.hpp"
#include "services/MailComposer.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "sync/SyncModel.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"
#include "widgets/TZTextField.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using sales::FaultRule;

class NewCustomerOrder : public RepresentativeDay {
 protected:
  // Replaces what a field holds by typing, as the keyboard does.
  void retype(ui::TextField& field, const std::string& text) {
    tap(field);
    while (!field.text().empty()) driver().pressBackspace();
    typeKeys(text);
    driver().pressReturn();
    settle();
  }
  // The order form's pad opened from a screen of the Orders tab (null when none).
  PainterViewController* pad(QuoteOrderPDFViewController& form) {
    for (ui::ViewController* c : {static_cast<ui::ViewController*>(&form),
                                  static_cast<ui::ViewController*>(form.navigationController()),
                                  static_cast<ui::ViewController*>(tabBar().get())}) {
      if (auto* p = c ? dynamic_cast<PainterViewController*>(c->presentedViewController()) : nullptr) return p;
    }
    return nullptr;
  }
};

constexpr const char* kCustomer = "Harbour Lights Ltd";

TEST_F(NewCustomerOrder, TheCustomerAndTheSignedMailedOrderReachTheServiceWithItsIds) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  auto* store = SessionDatabase::open().get();

  // The customer entered on the Customers tab, with an address and a contact.
  CustomerInfoView* entered = newCustomerForm();
  ASSERT_TRUE(entered);
  CustomerInfoView& sheet = *entered;
  typeInto(sheet, 1, "NAME", kCustomer);
  typeInto(sheet, 2, "STREETADDRESS", "9 Dock Road");
  typeInto(sheet, 2, "CITY", "Seattle");
  sheet.addConctact();
  settle();
  const long contact = sheet.customerInfoGroupData().companyCount() + 2;
  typeInto(sheet, contact, "FIRSTNAME", "Maria");
  typeInto(sheet, contact, "LASTNAME", "Lindqvist");
  tap(sheet.doneButton());
  ASSERT_FALSE(sheet.isEditing());
  ASSERT_TRUE(sheet.personInfo());
  EXPECT_LT(sheet.personInfo()->pid, 0);
  picture("customer-entered");
  // Submitted from the form: the service answers with its own id.
  ASSERT_TRUE(sheet.hiddenCell());
  tap(sheet.hiddenCell()->submitButton());
  ASSERT_EQ(alert() ? alert()->message() : "", en("CUSTOMERSUBMIT"));
  press(alert()->firstOtherButtonIndex());
  ASSERT_TRUE(waitFor([&] {
    auto stored = store->getCustomerByCustomerName(kCustomer);
    return stored && stored->customer_id > 0;
  }, 10));
  const int customerId = store->getCustomerByCustomerName(kCustomer)->customer_id;
  const auto received = service->backend().uploadedCustomers("acme");
  ASSERT_EQ(received.size(), 1u);
  const std::string sent = received.dump();
  for (const char* part : {kCustomer, "9 Dock Road", "Seattle", "Maria", "Lindqvist"}) {
    EXPECT_NE(sent.find(part), std::string::npos) << part;
  }

  // Two products into the order, opened from the Orders tab, for that customer.
  ASSERT_TRUE(addFromGrid(1));
  ASSERT_TRUE(addFromGrid(2));
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  chooseCustomer(*editor, kCustomer);
  auto order = editor->quoteOrder();
  ASSERT_EQ(order->items.size(), 2u);
  EXPECT_EQ(order->customerId, customerId);

  // 90 % of the first line's list price, then 95 % of the whole.
  auto* line = dynamic_cast<QuoteOrderItemsTableViewCell*>(editor->table().cellForRowAtIndexPath({0, 0}));
  ASSERT_TRUE(line);
  retype(line->txtDiscountRat(), "90");
  EXPECT_DOUBLE_EQ(order->items[0]->discontRat(), 90);
  const double lines = order->items[0]->subtotal() + order->items[1]->subtotal();
  EXPECT_NEAR(order->items[0]->subtotal(), order->items[0]->price * order->items[0]->quantity * 0.9, 0.01);
  tap(editor->btnDiscount());
  ASSERT_TRUE(editor->discountPopover() && editor->discountPopover()->isPopoverVisible());
  retype(*editor->discountPop()->txtDiscountRat(), "95");
  EXPECT_DOUBLE_EQ(order->discountRat, 95);
  EXPECT_NEAR(order->discount(), lines * 0.95, 0.01);
  if (editor->discountPopover()->isPopoverVisible()) tap(editor->lblTotal());

  // The order form: signed on the pad, mailed to the outbox.
  tap(editor->btnPDF());
  auto* nav = orders()->navigationController();
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController()); }, 5));
  auto* form = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
  // The form is laid out once its lines' pictures are read.
  ASSERT_TRUE(waitFor([&] { return form->pdfCreater() && form->pdfCreater()->signatureValue(); }, 5));
  ui::ImageView& field = *form->pdfCreater()->signatureValue();
  form->containerView()->scrollRectToVisible(field.frame(), false);
  settle();
  tap(field);
  ASSERT_TRUE(waitFor([&] { return pad(*form) != nullptr; }, 5));
  PainterViewController* signing = pad(*form);
  const auto area = signing->canvasView().convertRectToView(signing->canvasView().bounds(), nullptr);
  driver().drag({{area.x() + 80, area.maxY() - 60}, {area.midX(), area.y() + 60}, {area.maxX() - 80, area.maxY() - 80}});
  settle();
  ASSERT_TRUE(tapControl(en("DONE")));
  ASSERT_TRUE(waitFor([&] { return pad(*form) == nullptr; }, 5));
  EXPECT_TRUE(form->pdfCreater()->hasEditsignature());
  tap(form->btnEmail());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 10));
  // No mail program here: the message is saved, and the alert says so and where.
  EXPECT_EQ(alertTitle(), en("MAILNOTSENT"));
  const std::string told = alert() ? alert()->message() : std::string();
  press(0);
  std::vector<fs::path> mails;
  for (const auto& e : fs::directory_iterator(svc::OutboxMailComposer::defaultOutbox())) mails.push_back(e.path());
  ASSERT_EQ(mails.size(), 1u);
  EXPECT_NE(told.find(mails[0].string()), std::string::npos) << told;
  const auto mail = base::readFileBytes(mails[0]);
  ASSERT_TRUE(mail);
  EXPECT_NE(std::string(mail->begin(), mail->end()).find("filename=Order.pdf"), std::string::npos);
  // Leaving keeps the signature with the order.
  tap(form->btnBack());
  ASSERT_TRUE(alert());
  press(1);
  ASSERT_TRUE(waitFor([&] { return nav->topViewController() == editor; }, 5));
  EXPECT_FALSE(order->signature.empty());

  // Submitted.
  tap(editor->btnSubmit());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 20));
  EXPECT_EQ(alertTitle(), en("ORDERSUBMITTED"));
  press(0);

  // On the service: the order under an id of its own, for the customer's id.
  const auto uploaded = service->backend().uploadedOrders("acme");
  ASSERT_EQ(uploaded.size(), 1u);
  EXPECT_EQ(uploaded[0].value("order_number", std::string()), order->number);
  EXPECT_GT(uploaded[0].value("order_id", int64_t{0}), 0);
  EXPECT_EQ(uploaded[0].value("customer_name", std::string()), kCustomer);
  EXPECT_NEAR(uploaded[0].value("order_total", 0.0), lines, 0.01);
  EXPECT_NEAR(uploaded[0].value("order_discount", 0.0), lines * 0.95, 0.01);
  EXPECT_EQ(uploaded[0].value("customer_id", int64_t{0}), customerId);

  // The order list shows it as submitted.
  tap(editor->btnHistory());
  auto list = orders();
  tapSegment(list->segments(), QuoteOrderHistoryModel::kSubmitted);
  bool listed = false;
  for (const auto& o : list->selectOrders()) {
    if (o->number != order->number) continue;
    listed = o->isUploaded();
    EXPECT_NEAR(o->total(), uploaded[0].value("order_total", 0.0), 0.01);
    EXPECT_NEAR(o->discount(), uploaded[0].value("order_discount", 0.0), 0.01);
  }
  EXPECT_TRUE(listed);
}

// During the first sync, before the customers have come, the Customers
// tab's "+" says that they are still on their way, for as long as it takes
// to read; once the sync has brought them it opens a new customer's form.
TEST_F(NewCustomerOrder, AddingACustomerBeforeTheFirstSyncBringsTheCustomersSaysWhy) {
  start();
  ASSERT_TRUE(signIn());
  service->addFault(FaultRule::stallFor("syncData/customer", 0));
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  press(1);  // update now: to the Sync tab
  auto screen = syncScreen();
  ASSERT_TRUE(screen);
  tap(screen->resourceUpdateView().btnsync());
  auto customersAsked = [&] {
    for (const auto& m : messages("syncData"))
      if (m.qualifier == "customer") return true;
    return false;
  };
  ASSERT_TRUE(waitFor(customersAsked, 30));
  openTab(MainTabScreens::kCustomer);
  auto book = customers();
  ASSERT_TRUE(book);
  tap(book->customerList()->addNewCustomerButton());
  EXPECT_TRUE(UIToast::isShowing(en("CUSTOMERSSYNCING")));
  EXPECT_FALSE(book->customerInfo()->isCreating());
  settle(UIToast::readableSeconds(UIToast::kLengthShort) - 0.2);
  EXPECT_TRUE(UIToast::isShowing(en("CUSTOMERSSYNCING"))) << "gone before it could be read";

  service->releaseStalls();
  service->clearFaults();
  auto engine = SyncModel::sharedInstance();
  ASSERT_TRUE(waitFor([&] { return !engine->isDownloading(); }, 60));
  EXPECT_FALSE(alert()) << alertTitle();
  ASSERT_TRUE(newCustomerForm());
}

// A customer whose upload the service stored but whose answer never came:
// the next sync brings the service's copy, so the list shows the customer
// twice and each copy gets an order. Submitted again, the two become one
// customer with both orders, and the user is told.
TEST_F(NewCustomerOrder, ACustomerWhoseUploadAnswerWasLostBecomesOneWithTheOrdersOfBoth) {
  constexpr const char* kName = "Quayside Provisions";
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  auto* store = SessionDatabase::open().get();
  openTab(MainTabScreens::kCustomer);
  auto book = customers();
  ASSERT_TRUE(book);
  CustomerInfoView& sheet = *book->customerInfo();
  tap(book->customerList()->addNewCustomerButton());
  typeInto(sheet, 1, "NAME", kName);
  typeInto(sheet, 2, "STREETADDRESS", "4 Quay Street");
  tap(sheet.doneButton());
  ASSERT_TRUE(sheet.personInfo());
  const int localId = sheet.personInfo()->pid;
  ASSERT_LT(localId, 0);

  // An order for it, kept.
  ASSERT_TRUE(addFromGrid(1));
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  chooseCustomer(*editor, kName);
  const std::string localOrder = editor->quoteOrder()->number;
  ASSERT_EQ(editor->quoteOrder()->customerId, localId);
  tap(editor->btnSave());

  // Submitted: the service stores it, but its answer is lost on the way.
  FaultRule lost = FaultRule::dropFor("syncData/marvisto_customer");
  lost.times = 1;
  service->addFault(lost);
  openTab(MainTabScreens::kCustomer);
  ASSERT_TRUE(sheet.hiddenCell());
  tap(sheet.hiddenCell()->submitButton());
  ASSERT_EQ(alert() ? alert()->message() : "", en("CUSTOMERSUBMIT"));
  press(alert()->firstOtherButtonIndex());
  EXPECT_EQ(answerTheOneAlert(0).first, en("SUBMITTINGFAILED"));
  ASSERT_EQ(service->backend().uploadedCustomers("acme").size(), 1u);

  // The next sync brings the service's copy.
  ASSERT_TRUE(syncFromTab());
  const auto named = [&] {
    std::vector<int> ids;
    for (const auto& [id, c] : store->getAllCustomers(true))
      if (c.customer_name == kName) ids.push_back(id);
    return ids;
  };
  ASSERT_EQ(named().size(), 2u);
  const int serviceId = named().back();
  ASSERT_GT(serviceId, 0);

  // An order for the service's copy, picked from the customers the name finds.
  tap(editor->btnHistory());
  ASSERT_TRUE(addFromGrid(2));
  editor = ordersTab();
  ASSERT_TRUE(editor);
  tap(editor->txtCustomer());
  driver().typeText(kName);
  settle();
  ASSERT_TRUE(editor->searchResults());
  const auto& found = editor->searchResults()->arrResult();
  long copyRow = -1;
  for (std::size_t r = 0; r < found.size(); ++r)
    if (found[r].personInfo && found[r].personInfo->pid == serviceId) copyRow = static_cast<long>(r);
  ASSERT_GE(copyRow, 0);
  ASSERT_TRUE(editor->searchResults()->tableView()->tapRowAtIndexPath({0, copyRow}));
  settle();
  ASSERT_EQ(editor->quoteOrder()->customerId, serviceId);
  const std::string copyOrder = editor->quoteOrder()->number;
  tap(editor->btnSave());

  // Submitted again, from the local customer's sheet: one customer with the
  // orders of both, nothing typed lost, and the user told.
  openTab(MainTabScreens::kCustomer);
  book->customerList()->selectedCustomer(localId);
  settle();
  ASSERT_TRUE(sheet.personInfo());
  ASSERT_EQ(sheet.personInfo()->pid, localId);
  tap(sheet.hiddenCell()->submitButton());
  press(alert()->firstOtherButtonIndex());
  const auto told = answerTheOneAlert(0);
  EXPECT_EQ(told.first, en("CUSTOMERSCOMBINED"));
  EXPECT_NE(told.second.find(kName), std::string::npos) << told.second;
  EXPECT_EQ(named(), (std::vector<int>{serviceId}));
  const auto orderOf = [&](const std::string& number) {
    for (const auto& o : store->fetchQuoteOrders(QuoteOrderHistoryModel::kUnsubmitted, ""))
      if (o->number == number) return o->customerId;
    return 0;
  };
  EXPECT_EQ(orderOf(localOrder), serviceId);
  EXPECT_EQ(orderOf(copyOrder), serviceId);
  // One value a field, the street as typed.
  std::map<int, std::vector<std::string>> values;
  auto read = SQLiteDatabase::sharedDataBase().prepare(
      "SELECT attribute_fields_id, attribute_value FROM marvisto_customer_attribute WHERE customer_id = ?");
  read.bindAll(serviceId);
  while (read.step() == SQLiteStatement::Step::Row) values[read.intAt(0)].push_back(read.textAt(1));
  EXPECT_FALSE(values.empty());
  for (const auto& [field, texts] : values) EXPECT_EQ(texts.size(), 1u) << field;
  std::size_t streets = 0;
  for (const auto& [field, texts] : values) streets += texts[0] == "4 Quay Street" ? 1 : 0;
  EXPECT_EQ(streets, 1u);
  EXPECT_EQ(service->backend().uploadedCustomers("acme").size(), 1u);
}

}  // namespace
}  // namespace mv::test
