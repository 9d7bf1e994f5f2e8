// The order editor: its decisions as tables, and the screen driven headless
// with the store's requests caught, a failing store and the customer book.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "FullDisk.hpp"
#include "LargePicture.hpp"
#include "OrderScreenTest.hpp"
#include "SessionFixture.hpp"
#include "catalog/ProductDetailController.hpp"
#include "HeldWorkers.hpp"
#include "customer/CustomerDataModel.hpp"
#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderItemModel.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "order/pdf/MVPDFCreaterImageCell.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Screen.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/config/SkinManager.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/FreeDismissAlertView.hpp"

namespace mv::test {
namespace {

using Model = QuoteOrderEditorModel;

std::shared_ptr<QuoteOrderItemEntity> editorLine(int n, double price, double finalPrice, int quantity) {
  auto l = std::make_shared<QuoteOrderItemEntity>();
  l->product.product_id = n;
  l->product.product_name = "Chair " + std::to_string(n);
  l->name = l->product.product_name;
  l->sku = "CH-" + std::to_string(n);
  l->attributes = "Colour:Red";
  l->price = price;
  l->finalPrice = finalPrice;
  l->quantity = quantity;
  l->currency = "USD";
  return l;
}

TEST(QuoteOrderEditorModelTest, TheControlsFollowStateEditModeAndSignature) {
  struct Case {
    const char* name;
    Model::Facts facts;
    Model::Controls controls;
  };
  using F = Model::Facts;
  using C = Model::Controls;
  const Case cases[] = {
      {"new, empty", F{0, false, true, false, false, true, true, true}, C{false, Model::kSaveTag, false, false, false, false}},
      {"new with lines and a customer", F{0, true, true, false, true, true, true, false},
       C{true, Model::kSaveTag, true, true, true, true}},
      {"new with lines, no customer name", F{0, true, true, false, true, true, true, true},
       C{true, Model::kSaveTag, true, false, true, true}},
      {"customers hidden: no name needed", F{0, true, true, false, true, false, true, true},
       C{true, Model::kSaveTag, true, true, true, true}},
      {"no price editing: no discount", F{0, true, true, false, true, true, false, false},
       C{true, Model::kSaveTag, true, true, true, false}},
      {"saved, viewing", F{2, false, false, false, true, true, true, false},
       C{false, Model::kEditTag, true, true, true, false}},
      {"saved and signed: no edit", F{2, false, false, true, true, true, true, false},
       C{false, Model::kEditTag, false, true, true, false}},
      {"saved, in edit", F{2, true, true, false, true, true, true, false}, C{true, Model::kSaveTag, true, true, true, true}},
      {"submitted", F{1, false, false, false, true, true, true, false}, C{false, Model::kSaveTag, false, true, true, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Model::controls(c.facts), c.controls);
  }
  // Lines take input only in edit mode of an unsigned, unsubmitted order.
  EXPECT_FALSE(Model::linesReadOnly(0, true, false));
  EXPECT_TRUE(Model::linesReadOnly(2, false, false));
  EXPECT_TRUE(Model::linesReadOnly(2, true, true));
  EXPECT_TRUE(Model::linesReadOnly(1, true, false));
  EXPECT_TRUE(Model::canDeleteLines(2, false));
  EXPECT_FALSE(Model::canDeleteLines(2, true));
  EXPECT_FALSE(Model::canDeleteLines(1, false));
}

TEST(QuoteOrderEditorModelTest, LeavingAndSubmitReplies) {
  QuoteOrderEntity empty{QuoteOrderEntity::Blank{}};
  QuoteOrderEntity named{QuoteOrderEntity::Blank{}};
  named.customerName = "Ann";
  QuoteOrderEntity lines{QuoteOrderEntity::Blank{}};
  lines.items.push_back(editorLine(1, 10, 10, 1));
  EXPECT_EQ(Model::leave(0, empty, true), Model::Leave::DropAndClose);
  EXPECT_EQ(Model::leave(0, named, false), Model::Leave::Close);
  EXPECT_EQ(Model::leave(0, named, true), Model::Leave::AskToSave);
  EXPECT_EQ(Model::leave(0, lines, false), Model::Leave::AskToSave);
  EXPECT_EQ(Model::leave(2, lines, false), Model::Leave::Close);
  EXPECT_EQ(Model::leave(2, lines, true), Model::Leave::AskToSave);

  EXPECT_EQ(Model::submitOutcome("200", LoginType::Online), Model::SubmitOutcome::Submitted);
  EXPECT_EQ(Model::submitOutcome("101", LoginType::Online), Model::SubmitOutcome::RequireLogin);
  EXPECT_EQ(Model::submitOutcome("500", LoginType::None), Model::SubmitOutcome::RequireLogin);
  EXPECT_EQ(Model::submitOutcome("500", LoginType::Online), Model::SubmitOutcome::Failed);
  EXPECT_EQ(Model::submitOutcome("999", LoginType::Offline), Model::SubmitOutcome::Failed);
}

TEST(QuoteOrderEditorModelTest, TheOrderDiscountAsARateOrATotal) {
  QuoteOrderEntity o{QuoteOrderEntity::Blank{}};
  o.items.push_back(editorLine(1, 100, 100, 2));  // total 200
  Model::applyDiscountRate(o, 150);
  EXPECT_EQ(o.discountRat, 100);
  EXPECT_DOUBLE_EQ(o.discount(), 200);
  Model::applyDiscountRate(o, 0);
  EXPECT_DOUBLE_EQ(o.discount(), 0);
  Model::applyDiscountTotal(o, 100);
  EXPECT_DOUBLE_EQ(o.discountRat, 50);
  EXPECT_DOUBLE_EQ(o.discount(), 100);
  // Never more than the order is worth.
  Model::applyDiscountTotal(o, 450);
  EXPECT_DOUBLE_EQ(o.discount(), 200);
  EXPECT_DOUBLE_EQ(o.discountRat, 100);
  QuoteOrderEntity free{QuoteOrderEntity::Blank{}};
  free.items.push_back(editorLine(1, 0, 0, 2));
  free.discountRat = 80;
  Model::applyDiscountTotal(free, 30);
  EXPECT_DOUBLE_EQ(free.discount(), 0);
  EXPECT_DOUBLE_EQ(free.discountRat, 80);

  EXPECT_EQ(Model::shownRateText(33.333), "33.33");
  EXPECT_EQ(Model::shownRateText(0.125), "0.13");
  EXPECT_EQ(Model::shownRateText(100), "100.00");
}

TEST(QuoteOrderEditorModelTest, ALineChangedOnTheProductScreen) {
  QuoteOrderEntity o{QuoteOrderEntity::Blank{}};
  o.items.push_back(editorLine(1, 100, 100, 2));
  o.items.push_back(editorLine(1, 100, 100, 3));
  o.items[1]->attributes = "Colour:Blue";
  o.setDiscount(50);
  marvisto_product_Entity p;
  p.product_sku = "CH-1";
  p.attributes = "Colour:Blue";
  p.count = 4;
  // The same code and attributes as another line: merged into it.
  EXPECT_TRUE(Model::saveOrderItem(o, p, 0));
  ASSERT_EQ(o.items.size(), 1u);
  EXPECT_EQ(o.items[0]->quantity, 7);
  EXPECT_EQ(o.items[0]->attributes, "Colour:Blue");
  // The discount follows the rate again, as after a quantity edit.
  EXPECT_EQ(o.storedDiscount(), -1);
  p.attributes = "Colour:Green";
  p.count = 1;
  EXPECT_TRUE(Model::saveOrderItem(o, p, 0));
  EXPECT_EQ(o.items[0]->quantity, 1);
  EXPECT_EQ(o.items[0]->attributes, "Colour:Green");
  EXPECT_TRUE(Model::saveOrderItem(o, p, 5));
  EXPECT_EQ(o.items.size(), 1u);
  // A merge that would pass the cap changes nothing.
  o.items.push_back(editorLine(1, 100, 100, QuoteOrderItemModel::kMaxQuantity - 1));
  o.items[1]->attributes = "Colour:Blue";
  p.attributes = "Colour:Blue";
  p.count = 2;
  EXPECT_FALSE(Model::saveOrderItem(o, p, 0));
  ASSERT_EQ(o.items.size(), 2u);
  EXPECT_EQ(o.items[0]->quantity, 1);
  EXPECT_EQ(o.items[0]->attributes, "Colour:Green");
  EXPECT_EQ(o.items[1]->quantity, QuoteOrderItemModel::kMaxQuantity - 1);
}

TEST(QuoteOrderEditorModelTest, TheAddressOnOneLineJoinsOnlyThePartsThatAreThere) {
  QuoteOrderEntity o{QuoteOrderEntity::Blank{}};
  o.customerAddress = "1 Main St";
  o.city = "Springfield";
  EXPECT_EQ(Model::addressText(o, kLanguageEnglish), "1 Main St, Springfield");
  o.zip_code = "62701";
  EXPECT_EQ(Model::addressText(o, kLanguageEnglish), "1 Main St, Springfield, 62701");
  o.state = "IL";
  EXPECT_EQ(Model::addressText(o, kLanguageEnglish), "1 Main St, Springfield, IL, 62701");
  o.customerAddress = " ";
  o.city = "";
  EXPECT_EQ(Model::addressText(o, kLanguageEnglish), "IL, 62701");
  o.customerAddress = "人民路 1 号";
  o.city = "上海";
  o.state = "  ";
  EXPECT_EQ(Model::addressText(o, kLanguageChinese), "上海 人民路 1 号 邮编 62701");
  o.zip_code = "";
  EXPECT_EQ(Model::addressText(o, kLanguageChinese), "上海 人民路 1 号");
  o.city = "";
  o.customerAddress = "";
  o.zip_code = "200001";
  EXPECT_EQ(Model::addressText(o, kLanguageChinese), "邮编 200001");
  EXPECT_EQ(Model::addressText(QuoteOrderEntity{QuoteOrderEntity::Blank{}}, kLanguageEnglish), "");
}

// --- the screen ---------------------------------------------------------------------------

class EditorTest : public OrderScreenTest {
 protected:
  void SetUp() override {
    OrderScreenTest::SetUp();
    changeSession([](Session& s) { s.loginType = LoginType::Online; });
    // The customer book's standard fields, as a sync leaves them.
    std::vector<marvisto_fields_customer_attribute_Entity> fields = {
        {1, "Phone", "", "text", "", 1, 1},   {2, "Bank Account", "", "text", "", 1, 1},
        {3, "Active", "", "bool", "", 1, 1},  {4, "Address", "", "text", "", 1, 1},
        {5, "City", "", "text", "", 1, 1},    {6, "State/Province/Region", "", "text", "", 1, 1},
        {7, "Zip Code", "", "text", "", 1, 1},
    };
    ASSERT_TRUE(dam().saveToDatabaseFieldsCustomerAttribute(fields));
    auto row = [this](const char* type, const char* desc) {
      ConfigEntity e;
      e.clientid = clientId;
      e.configType = type;
      e.desc = desc;
      return e;
    };
    // Every module on, and prices may be changed.
    ASSERT_TRUE(services->get<ConfigManager>()->syncConfigData(
        std::vector<ConfigEntity>{row("configuration", "1,1,1,1,1,1,1"), row("modify_price", "1")}));
    // A directory made before the fields were there reads them now.
    if (auto directory = services->find<CustomerDataModel>()) directory->reloadCustomerData();
  }
  void TearDown() override {
    editor.reset();
    nav.reset();
    OrderScreenTest::TearDown();
  }
  void open(std::shared_ptr<QuoteOrderEntity> order, int state, bool changed = false) {
    editor = std::make_shared<QuoteOrderViewController>(*services);
    editor->setState(state);
    editor->setQuoteOrder(std::move(order));
    editor->setIsOrderChanged(changed);
    nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    window().setRootViewController(nav);
    nav->pushViewController(editor, false);
    flush();
  }
  std::shared_ptr<QuoteOrderEntity> newOrder(int lines, const std::string& customer = "") {
    auto o = store->createNewQuoteOrder();
    store->setAddQuoteOrder(nullptr);
    o->customerName = customer;
    o->currency = "USD";
    for (int i = 1; i <= lines; ++i) o->items.push_back(editorLine(i, 100, 90, 2));
    return o;
  }
  bool onScreen() { return nav->topViewController() == editor.get(); }
  std::string alertTitle() { return driver().visibleAlert() ? driver().visibleAlert()->title() : std::string(); }
  void answer(long button) {
    driver().pressAlertButton(button);
    advance(1);
  }
  void customer(int id, const std::string& name, const std::string& street = "", const std::string& city = "") {
    auto row = makeCustomer(id, name);
    row.customer_info_id.clear();
    ASSERT_TRUE(dam().saveToDatabaseCustomer({row}));
    if (street.empty()) return;
    auto a = makeAddress(id, id, street, true);
    a.customerCity = city;
    ASSERT_TRUE(dam().saveToDatabaseCustomerAddress({a}));
  }
  QuoteOrderItemsTableViewCell* row(long r) {
    flush();
    return dynamic_cast<QuoteOrderItemsTableViewCell*>(editor->table().cellForRowAtIndexPath({0, r}));
  }
  // Taps a field at its end, clears it and types `text`, leaving it being
  // edited.
  void retype(ui::TextField& field, const std::string& text) {
    const ui::Rect shown = field.convertRectToView(field.bounds(), nullptr);
    ASSERT_TRUE(driver().tapAt({shown.maxX() - 2, shown.midY()}));
    ASSERT_EQ(driver().firstResponder(), &field);
    for (std::size_t n = field.text().size(); n > 0; --n) driver().pressBackspace();
    ASSERT_EQ(field.text(), "");
    ASSERT_TRUE(driver().typeText(text));
  }
  // Types `quantity` into the quantity field of line `r`, leaving it being edited.
  void typeQuantity(long r, const std::string& quantity) {
    auto* cell = row(r);
    ASSERT_TRUE(cell);
    retype(cell->quantityTextField(), quantity);
  }
  // The text of the order form the PDF screen shows, or "<no form>".
  std::string printedForm() {
    auto* pdf = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
    if (!pdf) return "<no form>";
    auto document = gfx::PdfDocument::openData(pdf->createPDFData());
    return document && document->pageCount() > 0 ? document->text(0) : "<no form>";
  }

  std::shared_ptr<QuoteOrderViewController> editor;
  std::shared_ptr<ui::NavigationController> nav;
  // The store's disk, which a test may fill.
  FullDisk disk;
};

TEST_F(EditorTest, LeavingANewOrder) {
  // Nothing in it: it closes without a question.
  open(newOrder(0), Model::kNewOrder);
  driver().tap(editor->btnHistory());
  advance(1);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(alertTitle(), "");

  // With lines it always asks; not saving keeps nothing.
  open(newOrder(2), Model::kNewOrder);
  snapshot("order-editor-new");
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderViewController::kLeaveAlertTag);
  EXPECT_TRUE(dynamic_cast<FreeDismissAlertView*>(driver().visibleAlert().get()));
  answer(0);
  EXPECT_FALSE(onScreen());
  EXPECT_TRUE(dam().fetchQuoteOrders(0, "").empty());
}

// The editor reaches the main tab bar through the application's actions:
// "Add Products" goes to the catalogue's tab, and leaving a new order
// unsaved takes the orders tab's badge away.
TEST_F(EditorTest, AddProductsAndLeavingAskTheApplication) {
  open(newOrder(1), Model::kNewOrder);
  ASSERT_TRUE(driver().tapControl(txt("ADDPRODUCTS")));
  EXPECT_EQ(shell->selected, std::vector<int>{MainTabScreens::kCatalog});
  shell->badges.clear();
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderViewController::kLeaveAlertTag);
  answer(0);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(shell->badges, (std::vector<ShellRecorder::Badge>{{MainTabScreens::kQuoteOrder, std::nullopt}}));
  EXPECT_EQ(shell->logouts, 0);
}

// Closing reveals the screen below: it stays in place while the editor
// slides away, for 0.4 s (the standard pop slides both, for less).
TEST_F(EditorTest, ClosingRevealsTheScreenBelow) {
  open(newOrder(0), Model::kNewOrder);
  ui::View::setAnimationsEnabled(true);
  auto below = nav->viewControllers().front()->view();
  auto editorView = editor->view();
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(below->frame(), nav->contentFrame());
  const auto& log = ui::View::animationLog();
  ASSERT_FALSE(log.empty());
  const ui::AnimationRecord& close = log.back();
  EXPECT_DOUBLE_EQ(close.duration, QuoteOrderViewController::kCloseRevealSeconds);
  EXPECT_EQ(close.curve, ui::AnimationCurve::EaseInOut);
  EXPECT_TRUE(close.changed(editorView.get(), "frame"));
  EXPECT_FALSE(close.changed(below.get(), "frame")) << "the screen below slides in";
  advance(QuoteOrderViewController::kCloseRevealSeconds - 0.03);
  EXPECT_EQ(editorView->superview(), nav->view().get());
  advance(0.06);
  EXPECT_EQ(editorView->superview(), nullptr);
  ui::View::setAnimationsEnabled(false);
}

TEST_F(EditorTest, SaveAndCloseStaysWhenTheSaveFails) {
  open(newOrder(2), Model::kNewOrder);
  sql("DROP TABLE marvisto_quote_order_item");
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  answer(1);
  EXPECT_TRUE(onScreen());
  EXPECT_EQ(alertTitle(), txt("ORDERSAVEFAILED"));
  EXPECT_EQ(editor->state(), Model::kNewOrder);
  EXPECT_EQ(editor->quoteOrder()->items.size(), 2u);
}

// A disk without room for the order: the alert says it is the device's
// room, the order stays on the screen as typed, and once room is made the
// same Save stores it.
TEST_F(EditorTest, ASaveOnAFullDiskSaysSoAndKeepsTheOrderAsTyped) {
  open(newOrder(2), Model::kNewOrder);
  ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "7"));
  disk.fill();
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  EXPECT_GT(disk.refusedWrites(), 0);
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(alertTitle(), txt("ORDERSAVEFAILED"));
  EXPECT_EQ(driver().visibleAlert()->message(), txt("SAVENOROOM"));
  answer(0);
  EXPECT_TRUE(onScreen());
  EXPECT_EQ(editor->state(), Model::kNewOrder);
  EXPECT_EQ(row(0)->quantityTextField().text(), "7");
  EXPECT_EQ(count("marvisto_quote_order"), 0);
  disk.makeRoom();
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(editor->state(), Model::kSavedOrder);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 7"), 1);
}

TEST_F(EditorTest, SavingWithANewCustomerAsksToAddIt) {
  open(newOrder(1), Model::kNewOrder);
  editor->txtCustomer().setText("Zed Shop");
  editor->quoteOrder()->customerName = "Zed Shop";
  editor->btnSaveClick();
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderViewController::kSaveMode);
  EXPECT_EQ(alertTitle(), txt("NEWCUSTOMER"));
  answer(0);  // not added: saved all the same, without a customer id
  EXPECT_EQ(editor->state(), Model::kSavedOrder);
  auto stored = dam().fetchQuoteOrders(0, "");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]->customerName, "Zed Shop");
  EXPECT_EQ(stored[0]->customerId, 0);
  EXPECT_EQ(editor->btnSave().tag(), Model::kEditTag);

  // Back into edit mode, then added as a customer made on the device.
  editor->btnSaveClick();
  EXPECT_EQ(editor->btnSave().tag(), Model::kSaveTag);
  editor->btnSaveClick();
  answer(1);
  EXPECT_LT(editor->quoteOrder()->customerId, 0);
  EXPECT_EQ(services->get<ConfigManager>()->flagDic()["Needreloadcustomer"], "YES");
  EXPECT_EQ(dam().fetchQuoteOrders(0, "")[0]->customerId, editor->quoteOrder()->customerId);
}

TEST_F(EditorTest, TheDemoAccountNeverSubmits) {
  changeSession([](Session& s) { s.loginType = LoginType::Demo; });
  open(newOrder(1, "Ann"), Model::kNewOrder);
  editor->btnSubmitClick();
  EXPECT_EQ(driver().visibleAlert()->tag(), DemoLimitAlert::kTag);
  EXPECT_TRUE(dam().fetchQuoteOrders(0, "").empty());
  EXPECT_TRUE(sent().empty());
}

TEST_F(EditorTest, SubmitRepliesAreReadByTheirStatus) {
  services->get<ConfigManager>()->setModelDescFromDesc("1,1,0,1,1,1,1");
  open(newOrder(2, "Ann"), Model::kNewOrder);
  editor->btnSubmitClick();
  auto upload = lastSent(kCmdUploadQuoteOrder);
  ASSERT_TRUE(upload);
  EXPECT_NE(editor->quoteOrder()->serial, 0);
  // A refused upload: the controls come back and the order stays unsubmitted.
  sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "500"));
  EXPECT_EQ(alertTitle(), txt("ORDERSUBMITFAILED"));
  EXPECT_EQ(driver().visibleAlert()->message(), "text-500");
  answer(0);
  // An expired session: the shell's alert tells the user, the editor adds
  // none of its own; it stops waiting and the order can go again.
  driver().tap(editor->btnSubmit());
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), txt("SUBMITINGORDER"));
  sender->endSession(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "101"));
  flush();
  EXPECT_FALSE(driver().visibleAlert()) << alertTitle();
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_TRUE(editor->btnSubmit().isEnabled());
  EXPECT_FALSE(editor->quoteOrder()->isUploaded());

  // The user gives up waiting, by the box's Cancel and then by Escape: the
  // box goes, the controls come back, the late acceptance reaches nothing and
  // the order goes again whole with the next submission.
  for (const bool byEscape : {false, true}) {
    SCOPED_TRACE(byEscape ? "Escape" : "Cancel button");
    driver().tap(editor->btnSubmit());
    flush();
    auto abandoned = lastSent(kCmdUploadQuoteOrder);
    ASSERT_TRUE(abandoned);
    ASSERT_NE(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
    if (byEscape) {
      EXPECT_TRUE(window().pressEscape());
    } else {
      ASSERT_TRUE(driver().tapControl(txt("CANCEL")));
    }
    flush();
    EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
    EXPECT_TRUE(editor->btnSubmit().isEnabled());
    EXPECT_FALSE(sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "200")));
    flush();
    EXPECT_FALSE(driver().visibleAlert()) << alertTitle();
    EXPECT_FALSE(editor->quoteOrder()->isUploaded());
    EXPECT_FALSE(editor->btnSubmit().isHidden());
  }

  editor->btnSubmitClick();
  auto again = std::dynamic_pointer_cast<RequestUploadQuoteOrder>(lastSent(kCmdUploadQuoteOrder));
  ASSERT_TRUE(again);
  ASSERT_FALSE(editor->quoteOrder()->number.empty());
  EXPECT_NE(again->syncData.find(editor->quoteOrder()->number), std::string::npos);
  sender->answer(replyTo<UploadQuoteOrderRst>(kCmdUploadQuoteOrder, "200"));
  EXPECT_EQ(alertTitle(), txt("ORDERSUBMITTED"));
  EXPECT_TRUE(editor->btnSave().isHidden());
  EXPECT_TRUE(editor->btnSubmit().isHidden());
  EXPECT_FALSE(editor->btnPDF().isHidden());
  EXPECT_TRUE(editor->btnPDF().isEnabled());
  EXPECT_TRUE(editor->quoteOrder()->isUploaded());
  answer(0);
  snapshot("order-editor-submitted");
}

TEST_F(EditorTest, LinesDeletedAndQuantitiesChanged) {
  services->get<ConfigManager>()->setModelDescFromDesc("1,1,1,1,1,1,1");
  auto o = newOrder(2, "Ann");
  o->discountRat = 50;
  open(o, Model::kNewOrder);
  EXPECT_EQ(editor->lblTotal().text(), "$400.00");
  EXPECT_EQ(editor->txtDiscountTotal().text(), "180.00");

  // A quantity edit: the discount follows the rate.
  auto* cell = row(0);
  ASSERT_TRUE(cell);
  driver().tap(cell->quantityTextField());
  driver().pressBackspace();
  driver().typeText("4");
  driver().pressReturn();
  flush();
  EXPECT_EQ(o->items[0]->quantity, 4);
  EXPECT_EQ(editor->txtDiscountTotal().text(), "270.00");

  // Quantity 0 asks to delete; CANCEL brings the old quantity back.
  cell = row(1);
  driver().tap(cell->quantityTextField());
  driver().pressBackspace();
  driver().typeText("0");
  driver().pressReturn();
  flush();
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->tag(), QuoteOrderViewController::kLineTagBase + 1);
  answer(0);
  EXPECT_EQ(o->items[1]->quantity, 2);
  EXPECT_EQ(row(1)->quantityTextField().text(), "2");

  // OK deletes the line.
  editor->QuoteOrderItemCellChanged(*row(1));
  row(1)->quoteOrderItem()->quantity = 0;
  editor->QuoteOrderItemCellChanged(*row(1));
  answer(1);
  EXPECT_EQ(o->items.size(), 1u);
  EXPECT_EQ(editor->table().numberOfRowsInSection(0), 1);
}

// A quantity of thousands shows grouped ("1,200"); typing 0 and keeping the
// line on the prompt must bring that quantity back once, not ask for ever.
TEST_F(EditorTest, CancelOnTheDeletePromptKeepsAQuantityOfThousands) {
  auto o = newOrder(2);
  o->items[0]->quantity = 1200;
  open(o, Model::kNewOrder);
  const std::string total = editor->lblTotal().text();
  const std::string discounted = editor->txtDiscountTotal().text();
  auto* cell = row(0);
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->quantityTextField().text(), "1,200");
  driver().tap(cell->quantityTextField());
  while (!cell->quantityTextField().text().empty()) driver().pressBackspace();
  driver().typeText("0");
  driver().pressReturn();
  flush();
  ASSERT_EQ(alertTitle(), txt("DELETEPRODUCTITEM"));
  answer(0);
  flush();
  EXPECT_FALSE(driver().visibleAlert()) << alertTitle();
  ASSERT_EQ(o->items.size(), 2u);
  EXPECT_EQ(o->items[0]->quantity, 1200);
  EXPECT_EQ(row(0)->quantityTextField().text(), "1,200");
  EXPECT_EQ(editor->lblTotal().text(), total);
  EXPECT_EQ(editor->txtDiscountTotal().text(), discounted);
  snapshot("order-editor-delete-cancelled");

  // Stored as it shows.
  driver().tap(editor->btnSave());
  flush();
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 1200"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item"), 2);
}

// A line's quantity still being typed when a button is clicked (no Return)
// is what Save stores, the row and the footer show, the order form prints
// and Submit sends.
TEST_F(EditorTest, AQuantityStillBeingTypedIsWhatIsStoredShownPrintedAndSent) {
  customer(7, "Ann");
  auto o = newOrder(0, "Ann");
  o->customerId = 7;
  o->items.push_back(editorLine(1, 10, 10, 1200));
  o->items.push_back(editorLine(2, 10, 10, 1));
  open(o, Model::kNewOrder);
  ASSERT_EQ(row(0)->quantityTextField().text(), "1,200");
  ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "5"));
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(editor->state(), Model::kSavedOrder);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 5"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 1200"), 0);
  EXPECT_EQ(count("marvisto_quote_order", "order_subtotal = 60"), 1);
  EXPECT_EQ(row(0)->quantityTextField().text(), "5");
  EXPECT_EQ(row(0)->subTotalLabel().text(), "$50.00");
  EXPECT_EQ(editor->lblTotal().text(), "$60.00");

  // The order form prints the line as stored.
  ASSERT_TRUE(driver().tap(editor->btnPDF()));
  advance(1);
  const std::string printed = printedForm();
  EXPECT_NE(printed.find("50.00"), std::string::npos) << printed;
  EXPECT_EQ(printed.find("12,000.00"), std::string::npos) << printed;
  nav->popViewControllerAnimated(false);
  flush();

  // Back in edit mode, 7 typed and Submit clicked: the service is sent 7.
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  ASSERT_EQ(editor->btnSave().tag(), Model::kSaveTag);
  ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "7"));
  ASSERT_TRUE(driver().tap(editor->btnSubmit()));
  auto upload = std::dynamic_pointer_cast<RequestUploadQuoteOrder>(lastSent(kCmdUploadQuoteOrder));
  ASSERT_TRUE(upload);
  auto sentOrders = JSONValue(upload->syncData);
  ASSERT_TRUE(sentOrders);
  const base::Value* orders = arrayMember(*sentOrders, "order");
  ASSERT_TRUE(orders && orders->size() == 1) << upload->syncData;
  const base::Value* sentLines = arrayMember(member(orders->at(0), "order_item"), "order_items");
  ASSERT_TRUE(sentLines && sentLines->size() == 2) << upload->syncData;
  EXPECT_EQ(intMember(sentLines->at(0), "product_quantity"), 7);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 7"), 1);
  EXPECT_EQ(row(0)->subTotalLabel().text(), "$70.00");
}

// A quantity of 0 typed and a button clicked: the line's delete prompt comes
// first and nothing is stored, printed or left behind; CANCEL brings the old
// quantity back into the field, which has the focus again, and OK deletes
// the line.
TEST_F(EditorTest, AQuantityOf0StillBeingTypedAsksBeforeAnythingReadsTheOrder) {
  auto o = newOrder(2);
  o->items[0]->quantity = 1200;
  open(o, Model::kNewOrder);
  const std::string total = editor->lblTotal().text();
  ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "0"));
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  ASSERT_EQ(alertTitle(), txt("DELETEPRODUCTITEM"));
  EXPECT_EQ(count("marvisto_quote_order"), 0);
  answer(0);
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(o->items[0]->quantity, 1200);
  EXPECT_EQ(driver().firstResponder(), &row(0)->quantityTextField());
  EXPECT_EQ(row(0)->quantityTextField().text(), "1200");
  EXPECT_EQ(editor->lblTotal().text(), total);
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 1200"), 1);

  // View as PDF: asked first, no form.
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "0"));
  ASSERT_TRUE(driver().tap(editor->btnPDF()));
  advance(1);
  ASSERT_EQ(alertTitle(), txt("DELETEPRODUCTITEM"));
  EXPECT_TRUE(onScreen());
  answer(0);
  EXPECT_EQ(driver().firstResponder(), &row(0)->quantityTextField());
  EXPECT_EQ(row(0)->quantityTextField().text(), "1200");

  // Leaving: asked first; OK deletes the line, and only then is saving offered.
  ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "0"));
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  ASSERT_EQ(alertTitle(), txt("DELETEPRODUCTITEM"));
  answer(1);
  ASSERT_EQ(o->items.size(), 1u);
  EXPECT_EQ(driver().firstResponder(), nullptr);
  EXPECT_EQ(editor->table().numberOfRowsInSection(0), 1);
  EXPECT_EQ(editor->lblTotal().text(), "$200.00");
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  ASSERT_EQ(alertTitle(), txt("ORDERCHANGED"));
  answer(1);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(count("marvisto_quote_order_item"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 0"), 0);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 2"), 1);
}

// Escape, or a touch beside the alert, backs out of a question whose cancel
// would discard: leaving with changes ("Don't save" drops them) and the new
// customer ("Not add" saves or submits anyway) close unanswered, the editor
// stays with what was typed and nothing is stored or dropped. The field the
// button's press took the editing from has it back, and typing goes on in
// it. The delete prompt's Cancel keeps the line as it was, so Escape presses
// it.
TEST_F(EditorTest, EscapeOrATouchBesideAQuestionBacksOutAndTheWorkStays) {
  customer(7, "Ann");
  auto o = newOrder(2, "Ann");
  o->customerId = 7;
  open(o, Model::kNewOrder);
  const auto backOut = [&](bool byTouch) {
    if (byTouch) {
      EXPECT_TRUE(driver().tapAt({10, 10}));
    } else {
      EXPECT_TRUE(window().pressEscape());
    }
    advance(1);
    EXPECT_EQ(alertTitle(), "");
  };
  ASSERT_NO_FATAL_FAILURE(retype(editor->txtNote(), "Ring twice"));
  for (const bool byTouch : {false, true}) {
    SCOPED_TRACE(byTouch ? "a touch beside the alert" : "Escape");
    ASSERT_NO_FATAL_FAILURE(typeQuantity(0, "5"));
    ASSERT_TRUE(driver().tap(editor->btnHistory()));
    ASSERT_EQ(alertTitle(), txt("ORDERCHANGED"));
    backOut(byTouch);
    EXPECT_TRUE(onScreen());
    EXPECT_EQ(editor->txtNote().text(), "Ring twice");
    ASSERT_EQ(driver().firstResponder(), &row(0)->quantityTextField());
    ASSERT_TRUE(driver().typeText("0"));
    EXPECT_EQ(row(0)->quantityTextField().text(), "50");
    ASSERT_TRUE(driver().pressBackspace());
    EXPECT_EQ(store->curQuoteOrder(), o);
    EXPECT_EQ(count("marvisto_quote_order"), 0);
  }

  // The neighbour: Escape on the delete prompt is its Cancel, which keeps
  // the line.
  ASSERT_NO_FATAL_FAILURE(typeQuantity(1, "0"));
  driver().pressReturn();
  flush();
  ASSERT_EQ(alertTitle(), txt("DELETEPRODUCTITEM"));
  EXPECT_TRUE(window().pressEscape());
  advance(1);
  EXPECT_EQ(alertTitle(), "");
  ASSERT_EQ(o->items.size(), 2u);
  EXPECT_EQ(row(1)->quantityTextField().text(), "2");

  // Saved, the order holds what was typed.
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  EXPECT_EQ(alertTitle(), "");
  EXPECT_EQ(count("marvisto_quote_order", "customer_note = 'Ring twice'"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 5"), 1);

  // A customer not in the book: backing out of "add it?" stores nothing.
  ASSERT_TRUE(driver().tap(editor->btnSave()));  // edit again
  for (const bool byTouch : {false, true}) {
    SCOPED_TRACE(byTouch ? "a touch beside the alert" : "Escape");
    ASSERT_NO_FATAL_FAILURE(retype(editor->txtCustomer(), "Bo"));
    ASSERT_TRUE(driver().tap(editor->btnSave()));
    flush();
    ASSERT_EQ(alertTitle(), txt("NEWCUSTOMER"));
    backOut(byTouch);
    EXPECT_EQ(driver().firstResponder(), &editor->txtCustomer());
    ASSERT_TRUE(driver().typeText("b"));
    EXPECT_EQ(editor->txtCustomer().text(), "Bob");
    EXPECT_EQ(count("marvisto_quote_order", "customer_name = 'Ann'"), 1);
    EXPECT_EQ(count("marvisto_customer", "customer_name LIKE 'Bo%'"), 0);
  }

  // Answered, the question leaves the focus be: the editor closes without it.
  ui::View::setAnimationsEnabled(true);
  ASSERT_TRUE(driver().tap(editor->btnHistory()));
  ASSERT_EQ(alertTitle(), txt("ORDERCHANGED"));
  driver().pressAlertButton(0);
  advance(0.25);
  EXPECT_FALSE(onScreen());
  EXPECT_EQ(driver().firstResponder(), nullptr);
  advance(1);
  ui::View::setAnimationsEnabled(false);
  EXPECT_EQ(count("marvisto_quote_order", "customer_name = 'Ann'"), 1);
}

// A value its field refuses, still being typed when Save or Submit is
// clicked: the alert says so, and nothing is stored or sent.
TEST_F(EditorTest, ARefusedValueStillBeingTypedStopsSaveAndSubmit) {
  customer(7, "Ann");
  open(newOrder(1, "Ann"), Model::kNewOrder);
  ASSERT_NO_FATAL_FAILURE(retype(row(0)->txtDiscountRat(), "50.5"));
  ASSERT_TRUE(driver().tap(editor->btnSave()));
  flush();
  EXPECT_EQ(alertTitle(), txt("INVALIDINPUT"));
  EXPECT_EQ(count("marvisto_quote_order"), 0);
  answer(0);
  // Put right, it goes in.
  ASSERT_NO_FATAL_FAILURE(retype(row(0)->txtDiscountRat(), "50.50"));
  driver().pressReturn();
  flush();
  EXPECT_EQ(row(0)->txtDiscountPrice().text(), "50.50");

  ASSERT_NO_FATAL_FAILURE(retype(editor->txtDiscountTotal(), "90.5"));
  ASSERT_TRUE(driver().tap(editor->btnSubmit()));
  flush();
  EXPECT_EQ(alertTitle(), txt("INVALIDINPUT"));
  EXPECT_EQ(count("marvisto_quote_order"), 0);
  EXPECT_TRUE(sent().empty());
}

TEST_F(EditorTest, APricelessLineKeepsItsDashInPlaceAfterAQuantityEdit) {
  auto o = newOrder(1);
  o->items[0]->price = -1;
  o->items[0]->finalPrice = -1;
  open(o, Model::kNewOrder);
  auto* cell = row(0);
  ASSERT_TRUE(cell);
  ASSERT_EQ(cell->txtDiscountPrice().text(), "-");
  const ui::Rect dash = cell->txtDiscountPrice().frame();
  driver().tap(cell->quantityTextField());
  driver().pressBackspace();
  driver().typeText("5");
  driver().pressReturn();
  flush();
  EXPECT_EQ(o->items[0]->quantity, 5);
  EXPECT_EQ(row(0)->txtDiscountPrice().text(), "-");
  EXPECT_EQ(row(0)->txtDiscountPrice().frame(), dash);
  EXPECT_EQ(row(0)->txtDiscountPrice().textAlignment(), gfx::TextAlignment::Center);
}

// Editing a row shortens the table and scrolls the row up; back at full
// height the rows fill the table again.
TEST_F(EditorTest, AfterARowEditNoRowsHideAboveABlankArea) {
  auto o = newOrder(6);
  open(o, Model::kNewOrder);
  ui::TableView& table = editor->table();
  table.scrollToRowAtIndexPath({0, 5}, ui::TableViewScrollPosition::Bottom, false);
  auto* cell = row(5);
  ASSERT_TRUE(cell);
  driver().tap(cell->quantityTextField());
  driver().pressBackspace();
  driver().typeText("3");
  driver().pressReturn();
  flush();
  EXPECT_EQ(o->items[5]->quantity, 3);
  EXPECT_DOUBLE_EQ(table.frame().height(), 452);
  const double lastOffset = std::max(0.0, table.contentSize().height - table.bounds().height());
  EXPECT_LE(table.contentOffset().y, lastOffset);
  EXPECT_GE(table.contentOffset().y, 0);
}

// A desktop window has no on-screen keyboard to make room for: a line being
// typed leaves the table whole, and the last line stays in view.
TEST_F(EditorTest, OnTheDesktopTypingALineHidesNoOtherLine) {
  window().setHasOnScreenKeyboard(false);
  auto o = newOrder(3);
  open(o, Model::kNewOrder);
  ui::TableView& table = editor->table();
  const ui::Rect before = table.frame();
  ASSERT_TRUE(row(0) && row(2));
  ASSERT_TRUE(driver().tap(row(0)->quantityTextField()));
  driver().typeText("4");
  flush();
  EXPECT_TRUE(row(0)->quantityTextField().isFirstResponder());
  EXPECT_DOUBLE_EQ(table.frame().height(), before.height());
  auto* last = row(2);
  ASSERT_TRUE(last);
  const ui::Rect lastInTable = last->convertRectToView(last->bounds(), &table);
  EXPECT_LE(lastInTable.maxY() - table.contentOffset().y, table.bounds().height());
}

// What is stored and uploaded is the amount shown: whole cents.
TEST_F(EditorTest, ADiscountSetByRateIsStoredInWholeCents) {
  auto o = newOrder(0);
  o->items.push_back(editorLine(1, 333.33, 333.33, 3));  // 999.99
  open(o, Model::kNewOrder);
  driver().tap(editor->btnDiscount());
  flush();
  ASSERT_TRUE(editor->discountPopover()->isPopoverVisible());
  TZTextField& rate = *editor->discountPop()->txtDiscountRat();
  driver().tap(rate);
  while (!rate.text().empty()) driver().pressBackspace();
  driver().typeText("29.43");
  driver().pressReturn();
  flush();
  EXPECT_EQ(editor->txtDiscountTotal().text(), "294.30");
  driver().tap(editor->btnSave());
  flush();
  EXPECT_EQ(count("marvisto_quote_order", "order_discount = 294.3"), 1);
  auto upload = JSONValue(dam().fetchQuoteOrdersDicString(0, false));
  ASSERT_TRUE(upload);
  EXPECT_EQ((*upload)["order"][0]["order_discount"].dump(), "294.3");
}

TEST_F(EditorTest, TheAddressOfANewCustomerIsTypedInItsPopover) {
  open(newOrder(1, "Zed Shop"), Model::kNewOrder);
  ASSERT_EQ(editor->txtCustomer().text(), "Zed Shop");
  driver().tap(editor->txtAddress());
  flush();
  ASSERT_TRUE(editor->addressPopover());
  ASSERT_TRUE(editor->addressPopover()->isPopoverVisible());
  // The first part has the keyboard at once.
  EXPECT_TRUE(driver().typeText("1 Main St"));
  // A tap on another part moves the keyboard there.
  auto fields = driver().findAllOf<ui::TextField>(editor->addressPopover()->contentViewController()->view().get());
  ASSERT_EQ(fields.size(), 4u);
  std::sort(fields.begin(), fields.end(),
            [&](ui::TextField* a, ui::TextField* b) { return driver().centerOf(*a).y < driver().centerOf(*b).y; });
  driver().tap(*fields[1]);
  EXPECT_TRUE(driver().typeText("Springfield"));
  snapshot("order-editor-address");
  // A tap beside the popover closes it; the order takes the parts.
  driver().tapAt({900, 600});
  advance(1);
  EXPECT_FALSE(editor->addressPopover());
  EXPECT_EQ(editor->quoteOrder()->customerAddress, "1 Main St");
  EXPECT_EQ(editor->quoteOrder()->city, "Springfield");
  EXPECT_EQ(editor->txtAddress().text(), "1 Main St, Springfield");
}

TEST_F(EditorTest, SignedAndSubmittedOrdersKeepTheirLines) {
  auto signedOrder = newOrder(2, "Ann");
  signedOrder->signature = "c2lnbmVk";
  signedOrder->isInEdit = true;
  open(signedOrder, Model::kSavedOrder);
  EXPECT_FALSE(editor->tableViewCanEditRowAtIndexPath(editor->table(), {0, 0}));
  EXPECT_TRUE(row(0)->readOnly());
  EXPECT_FALSE(editor->signedStamp().isHidden());
  // A price that takes no input is as wide as its text, its currency symbol
  // right beside it, both ending where an editable price field ends.
  const ui::Rect price = row(0)->txtDiscountPrice().frame();
  EXPECT_LT(price.width(), QuoteOrderItemModel::kPriceFieldWidth);
  EXPECT_DOUBLE_EQ(price.maxX(), row(0)->subTotalLabel().frame().x() - 10);
  EXPECT_DOUBLE_EQ(row(0)->lblDiscountCurrency().frame().maxX(), price.x());
  // Edited again, the line's price field takes its editable width back.
  signedOrder->signature.clear();
  open(signedOrder, Model::kSavedOrder);
  ASSERT_FALSE(row(0)->readOnly());
  EXPECT_DOUBLE_EQ(row(0)->txtDiscountPrice().frame().width(), QuoteOrderItemModel::kPriceFieldWidth);
  EXPECT_DOUBLE_EQ(row(0)->lblDiscountCurrency().frame().maxX(), row(0)->txtDiscountPrice().frame().x());

  auto submitted = newOrder(1, "Ann");
  submitted->setUploaded(true);
  open(submitted, Model::kSubmittedOrder);
  EXPECT_FALSE(editor->tableViewCanEditRowAtIndexPath(editor->table(), {0, 0}));
  EXPECT_TRUE(editor->btnSave().isHidden());
  EXPECT_TRUE(editor->btnPDF().isEnabled());
}

TEST_F(EditorTest, TheDiscountAsTotalOrRate) {
  auto o = newOrder(1, "Ann");  // total 180
  open(o, Model::kNewOrder);
  ASSERT_FALSE(editor->btnDiscount().isHidden());
  driver().tap(editor->txtDiscountTotal());
  while (!editor->txtDiscountTotal().text().empty()) driver().pressBackspace();
  driver().typeText("90");
  driver().pressReturn();
  flush();
  EXPECT_DOUBLE_EQ(o->discountRat, 50);
  EXPECT_EQ(editor->txtDiscountTotal().text(), "90.00");

  editor->btnDiscountRatClick();
  flush();
  ASSERT_TRUE(editor->discountPopover()->isPopoverVisible());
  EXPECT_EQ(editor->discountPop()->txtDiscountRat()->text(), "50.00");
  editor->discountRatChanged(150);
  EXPECT_DOUBLE_EQ(o->discountRat, 100);
  EXPECT_EQ(editor->txtDiscountTotal().text(), "180.00");
  editor->discountWillEndInput();
  EXPECT_FALSE(editor->discountPopover()->isPopoverVisible());
}

TEST_F(EditorTest, TheCustomerFieldTiesTheOrderToACustomer) {
  customer(7, "Acme", "1 Main St", "Springfield");
  customer(8, "Acme Two");
  auto o = newOrder(1);
  open(o, Model::kNewOrder);
  driver().tap(editor->txtCustomer());
  flush();
  EXPECT_TRUE(editor->searchPopover()->isPopoverVisible());
  driver().typeText("Acme");
  flush();
  EXPECT_EQ(o->customerId, 7);
  EXPECT_EQ(editor->txtAddress().text(), "1 Main St, Springfield");
  // One letter more: no customer of that name; the address goes.
  driver().typeText("x");
  EXPECT_EQ(editor->txtAddress().text(), "");
  driver().pressReturn();
  flush();
  EXPECT_EQ(o->customerId, 0);
  EXPECT_EQ(o->customerName, "Acmex");

  // Picking a row ties it again; ending an edit that changed nothing keeps the address.
  PersonSummary acme;
  acme.pid = 7;
  acme.name = "Acme";
  editor->didSelectCell(acme);
  EXPECT_EQ(o->customerId, 7);
  EXPECT_EQ(o->customerAddress, "1 Main St");
  editor->txtCustomer().setText("Acme");
  driver().tap(editor->txtCustomer());
  driver().pressReturn();
  flush();
  EXPECT_EQ(o->customerAddress, "1 Main St");
  EXPECT_EQ(editor->txtAddress().text(), "1 Main St, Springfield");
}

// The customer book is still being read when the editor opens: the field
// offers nothing meanwhile rather than no customer, and offers what the
// text finds once the book is in; the customer picked then ties the order
// to it with its address, read from the store.
TEST_F(EditorTest, TheCustomersOfABookStillBeingReadAreOfferedOnceItIsIn) {
  customer(7, "Acme", "1 Main St", "Springfield");
  customer(8, "Acme Two");
  customer(9, "Zed Shop");
  auto o = newOrder(1);
  HeldWorkers workers;
  ASSERT_TRUE(workers.held());
  open(o, Model::kNewOrder);
  auto book = services->get<CustomerDataModel>();
  ASSERT_FALSE(book->isBookRead());
  driver().tap(editor->txtCustomer());
  ASSERT_TRUE(driver().typeText("acm"));
  flush();
  EXPECT_FALSE(editor->searchPopover()->isPopoverVisible());
  EXPECT_EQ(o->customerId, 0);

  workers.release();
  flush();
  ASSERT_TRUE(book->isBookRead());
  ASSERT_TRUE(editor->searchPopover()->isPopoverVisible());
  auto& results = *editor->searchResults();
  ASSERT_EQ(results.arrResult().size(), 2u);
  EXPECT_EQ(results.rowText(0), "Acme");
  EXPECT_EQ(results.rowText(1), "Acme Two");
  ASSERT_TRUE(results.tableView()->tapRowAtIndexPath({0, 0}));
  flush();
  EXPECT_EQ(o->customerId, 7);
  EXPECT_EQ(o->customerName, "Acme");
  EXPECT_EQ(editor->txtAddress().text(), "1 Main St, Springfield");
}

// A build without the customer book: the editor takes the customer as typed,
// offers no list and adds no customer, and the order is still stored.
TEST_F(EditorTest, WithoutTheCustomerBookTheCustomerIsTakenAsTyped) {
  wiring.services.add<CustomerDataModel>([](SessionServices&) { return std::shared_ptr<CustomerDataModel>(); });
  scope->restart(wiring.services);
  services = scope->services();
  ASSERT_TRUE(services);
  ASSERT_FALSE(services->get<CustomerDataModel>());
  store = services->get<QuoteOrderStore>();
  customer(7, "Acme", "1 Main St", "Springfield");
  auto o = newOrder(1, "Acme");
  o->customerId = 7;
  open(o, Model::kNewOrder);
  EXPECT_EQ(o->customerAddress, "");

  driver().tap(editor->txtCustomer());
  flush();
  EXPECT_FALSE(editor->searchPopover()->isPopoverVisible());
  editor->txtCustomer().setText("");
  driver().typeText("Zed Shop");
  driver().pressReturn();
  flush();
  EXPECT_FALSE(editor->searchPopover()->isPopoverVisible());
  EXPECT_EQ(o->customerName, "Zed Shop");
  EXPECT_EQ(o->customerId, 0);

  editor->btnSaveClick();
  ASSERT_EQ(alertTitle(), txt("NEWCUSTOMER"));
  answer(1);
  EXPECT_EQ(editor->state(), Model::kSavedOrder);
  auto stored = dam().fetchQuoteOrders(0, "");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]->customerName, "Zed Shop");
  EXPECT_EQ(stored[0]->customerId, 0);
}

TEST_F(EditorTest, ALinePictureOpensItsProductAndChangesComeBack) {
  auto o = newOrder(2, "Ann");
  o->items[1]->attributes = "Colour:Blue";
  open(o, Model::kNewOrder);
  editor->tapImage(QuoteOrderViewController::kLineTagBase);
  advance(1);
  auto* detail = dynamic_cast<ProductDetailController*>(nav->topViewController());
  ASSERT_TRUE(detail);
  EXPECT_TRUE(detail->isInEdit());
  EXPECT_EQ(detail->itemIndex(), 0);
  EXPECT_EQ(detail->countTextField().text(), "2");
  EXPECT_TRUE(detail->tapToLeftProduct().isHidden());
  EXPECT_FALSE(nav->isNavigationBarHidden());
  snapshot("order-editor-product");
  // The screen saves the line with the other line's attributes: they merge.
  marvisto_product_Entity changed = o->items[0]->product;
  changed.product_sku = "CH-1";
  changed.attributes = "Colour:Blue";
  changed.count = 3;
  o->items[1]->sku = "CH-1";
  editor->saveOrderItem(changed, 0);
  editor->back();
  advance(1);
  EXPECT_EQ(nav->topViewController(), editor.get());
  EXPECT_TRUE(nav->isNavigationBarHidden());
  ASSERT_EQ(o->items.size(), 1u);
  EXPECT_EQ(o->items[0]->quantity, 5);
  EXPECT_TRUE(editor->isOrderChanged());

  // A saved order not in edit: the product is shown, not changed.
  auto saved = newOrder(1, "Ann");
  saved->isInEdit = false;
  open(saved, Model::kSavedOrder);
  editor->tapImage(QuoteOrderViewController::kLineTagBase);
  advance(1);
  detail = dynamic_cast<ProductDetailController*>(nav->topViewController());
  ASSERT_TRUE(detail);
  EXPECT_FALSE(detail->isInEdit());
  EXPECT_TRUE(detail->addToOrderBtn().isHidden());
  EXPECT_TRUE(detail->attributeView().readOnly());
}

TEST_F(EditorTest, TypingALineQuantityPutsTheProductScreenBackBelowTheBar) {
  open(newOrder(1, "Ann"), Model::kNewOrder);
  editor->tapImage(QuoteOrderViewController::kLineTagBase);
  advance(1);
  auto* detail = dynamic_cast<ProductDetailController*>(nav->topViewController());
  ASSERT_TRUE(detail);
  const ui::Rect shown = detail->view()->frame();
  EXPECT_GE(shown.y(), nav->navigationBar().frame().maxY());
  ASSERT_TRUE(driver().tap(detail->countTextField()));
  advance(1);
  EXPECT_EQ(driver().firstResponder(), &detail->countTextField());
  EXPECT_LT(detail->view()->frame().y(), 0);
  driver().pressBackspace();
  driver().typeText("7");
  // Return ends the typing where no keyboard of the screen's own does.
  driver().pressReturn();
  advance(1);
  EXPECT_EQ(driver().firstResponder(), nullptr);
  EXPECT_EQ(detail->countTextField().text(), "7");
  EXPECT_EQ(detail->view()->frame(), shown);
  // The name row shows below the bar again.
  ui::View& name = detail->productNameLabel();
  EXPECT_GE(name.convertRectToView(name.bounds(), nullptr).y(), nav->navigationBar().frame().maxY());
}

// Every field's label ends with the colon of the interface language: the
// full-width one in Chinese.
TEST_F(EditorTest, TheFieldsLabelsTakeTheColonOfTheLanguage) {
  open(newOrder(1, "Ann"), Model::kNewOrder);
  for (const char* shown : {"Order date:", "Customer:", "Note:", "Address:"})
    EXPECT_TRUE(driver().findByText(shown, editor->view().get())) << shown;
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageChinese);
  Language::resetLanguageCache();
  flush();
  for (const char* shown : {"下单时间：", "客户：", "备注：", "地址："})
    EXPECT_TRUE(driver().findByText(shown, editor->view().get())) << shown;
  EXPECT_FALSE(driver().findByText("客户:", editor->view().get()));
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageEnglish);
  Language::resetLanguageCache();
}

TEST_F(EditorTest, TheProductScreensBackFollowsTheLanguage) {
  open(newOrder(1, "Ann"), Model::kNewOrder);
  editor->tapImage(QuoteOrderViewController::kLineTagBase);
  advance(1);
  auto* detail = dynamic_cast<ProductDetailController*>(nav->topViewController());
  ASSERT_TRUE(detail && detail->backButton());
  const std::string english = detail->backButton()->currentTitle();
  EXPECT_EQ(english, txt("BACK"));
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageChinese);
  Language::resetLanguageCache();
  flush();
  EXPECT_EQ(detail->backButton()->currentTitle(), txt("BACK"));
  EXPECT_NE(detail->backButton()->currentTitle(), english);
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageEnglish);
  Language::resetLanguageCache();
  // Back still leads back to the order.
  ASSERT_TRUE(driver().tap(*detail->backButton()));
  advance(1);
  EXPECT_EQ(nav->topViewController(), editor.get());
}

// Lines whose pictures have 39.6 megapixels: each line reads its picture
// on a worker at the size of the line's picture, and the order form reads
// them on a worker at its print resolution; neither decodes one whole on
// the main thread. The document holds them, and the company's logo of more
// than a screen's pixels, at the print resolution.
TEST_F(EditorTest, LinePicturesAreReadAtTheirShownSizeAndTheFormsAtItsPrintResolution) {
  const auto path = PublicFunction::filePathWithName("large.jpg", kFileTypeProductImage);
  ASSERT_TRUE(path);
  std::filesystem::create_directories(path->parent_path());
  ASSERT_TRUE(writeLargePicture(*path, PictureKind::ProgressiveJpeg));
  const auto client = PublicFunction::clientFolder(Session::current().clientID);
  ASSERT_TRUE(client);
  const auto logo = *client / SkinManager::kSkinFolderName / "homelogo.png";
  std::filesystem::create_directories(logo.parent_path());
  constexpr int kLogoWidth = 4400;
  ASSERT_TRUE(writeLargePicture(logo, PictureKind::InterlacedPng, kLogoWidth, 1000));
  std::vector<marvisto_image_Entity> images;
  for (int id = 1; id <= 3; ++id) {
    marvisto_image_Entity i;
    i.image_id = id;
    i.key_id = id;
    i.key_type = "product";
    i.image_full_address = "large.jpg";
    i.image_thumb_address = "large.jpg";
    i.image_isdault = 1;
    i.image_publis = 1;
    images.push_back(i);
  }
  ASSERT_TRUE(dam().saveToDatabaseImage(images));
  gfx::ImageData::resetLargestDecodeOnMainThread();
  open(newOrder(3, "Ann"), Model::kNewOrder);
  settlePictures();
  auto* line = row(0);
  ASSERT_TRUE(line);
  // The picture stands in a holder inside the line's picture button.
  ui::ImageView* shown = nullptr;
  ui::View* holder = nullptr;
  for (const auto& part : line->imageImageView().subviews()) {
    for (const auto& sub : part->subviews()) {
      if (auto* image = dynamic_cast<ui::ImageView*>(sub.get()); image && image->image()) {
        shown = image;
        holder = part.get();
      }
    }
  }
  ASSERT_TRUE(shown && holder) << "the line shows its picture";
  const double scale = ui::Screen::mainScreen().scale();
  EXPECT_LE(shown->image()->pixelWidth(), std::ceil(holder->bounds().width() * scale));
  EXPECT_LE(shown->image()->pixelHeight(), std::ceil(holder->bounds().height() * scale));
  snapshot("order-lines-pictures");

  driver().tap(editor->btnPDF());
  advance(1);
  auto* pdf = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
  ASSERT_TRUE(pdf);
  settlePictures();
  flush();
  EXPECT_GT(pdf->containerView()->contentSize().height, 0) << "the form is shown once its pictures are in";
  EXPECT_LT(gfx::ImageData::largestDecodeOnMainThread(), std::uint64_t(kLargePictureWidth) * kLargePictureHeight);
  // Each line's picture cell holds the picture read at the print resolution of its width.
  int pictures = 0;
  for (const auto& page : pdf->pdfCreater()->cellsPageArray()) {
    for (const auto& cell : page) {
      auto* picture = dynamic_cast<MVPDFCreaterImageCell*>(cell.get());
      if (!picture || !picture->image() || picture->image()->pixelWidth() == kLogoWidth) continue;
      EXPECT_LE(picture->image()->pixelWidth(), pdf->pdfCreater()->thumbnailSide());
      EXPECT_LE(picture->image()->pixelHeight(), pdf->pdfCreater()->thumbnailSide());
      pictures += picture->image()->pixelWidth() == pdf->pdfCreater()->thumbnailSide();
    }
  }
  EXPECT_EQ(pictures, 3);
  // The logo written into the skin just now is drawn once the skin's check
  // has settled it, however late it was named.
  bool skinChecked = false;
  SkinManager::sharedInstance().whenSkinChecked([&] { skinChecked = true; });
  EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return skinChecked; }, 30));
  snapshot("order-form-pictures");

  // The document printed and mailed: every picture's cell is drawn, from a
  // picture of about 300 dots an inch of its width on the page.
  const auto bytes = pdf->createPDFData();
  std::vector<int> widths;
  const std::string image = "/Subtype /Image", width = "/Width ";
  for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), image.begin(), image.end())) != bytes.end(); ++at) {
    const auto w = std::search(at, bytes.end(), width.begin(), width.end());
    if (w != bytes.end()) widths.push_back(std::atoi(std::string(w + 7, std::min(bytes.end(), w + 14)).c_str()));
  }
  auto doc = gfx::PdfDocument::openData(bytes);
  ASSERT_TRUE(doc);
  auto page = doc->renderPage(0, 1);
  const gfx::ImageData pixels = page->toImageData();
  int cells = 0;
  for (const auto& cell : pdf->pdfCreater()->cellsPageArray().front()) {
    auto* picture = dynamic_cast<MVPDFCreaterImageCell*>(cell.get());
    if (!picture || !picture->image()) continue;
    const ui::Rect frame = cell->frameInContainer();
    const int dots = static_cast<int>(frame.width() * 300 / 72);
    SCOPED_TRACE(picture->image()->pixelWidth());
    EXPECT_TRUE(std::any_of(widths.begin(), widths.end(), [&](int w) { return w >= dots - 2 && w <= dots + dots / 20; }));
    const std::uint8_t* middle = pixels.pixel(static_cast<int>(frame.midX() - frame.width() / 4),
                                              static_cast<int>(frame.midY()));
    EXPECT_LT(middle[1], 128) << "drawn, not left white";
    ++cells;
  }
  EXPECT_EQ(cells, 4) << "the logo and the three lines' pictures";
}

TEST_F(EditorTest, ViewAsPDFOpensTheForm) {
  open(newOrder(2, "Ann"), Model::kNewOrder);
  driver().tap(editor->btnPDF());
  advance(1);
  auto* pdf = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
  ASSERT_TRUE(pdf);
  EXPECT_EQ(pdf->order(), editor->quoteOrder());
}

}  // namespace
}  // namespace mv::test
