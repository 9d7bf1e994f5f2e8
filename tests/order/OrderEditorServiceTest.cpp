// The whole road of an order against the local sales service: products added
// from the catalogue, the order opened from the Orders tab, a customer
// chosen, a discount set, the form signed and kept, and the order submitted.
#include <gtest/gtest.h>

#include "OrderScreenTest.hpp"
#include "ServiceFixture.hpp"
#include "SessionFixture.hpp"
#include "order/QuoteOrderBasket.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/ui/NavigationController.hpp"

namespace mv::test {
namespace {

class OrderRoadTest : public ServiceFixture<OrderScreenTest> {
 protected:
  OrderRoadTest() {
    clientId = "acme";
    accountId = "rep";
    // The store sends through the network model to the local service.
    answerRequestsHere = false;
  }
  void SetUp() override {
    ServiceFixture::SetUp();
    session->type = LoginType::Offline;
    changeSession([](Session& s) { s.loginType = LoginType::Offline; });
  }
};

TEST_F(OrderRoadTest, AnOrderFromTheCatalogueToTheService) {
  price(1, 12.5, "USD");
  price(2, 40, "USD", 30.0);
  auto acme = makeCustomer(7, "Acme Stores");
  acme.customer_info_id.clear();
  ASSERT_TRUE(dam().saveToDatabaseCustomer({acme}));

  // The catalogue adds two products.
  QuoteOrderBasket basket(*services);
  ASSERT_TRUE(basket.addToOrder(product(1, 4)));
  ASSERT_TRUE(basket.addToOrder(product(2, 1)));

  // The Orders tab opens the order begun from the catalogue.
  auto list = std::make_shared<QuoteOrderHistoryController>(*services);
  auto nav = std::make_shared<ui::NavigationController>(list);
  window().setRootViewController(nav);
  ASSERT_TRUE(runUntil([&] {
    flush();
    return dynamic_cast<QuoteOrderViewController*>(nav->topViewController()) != nullptr;
  }));
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  auto order = editor->quoteOrder();
  ASSERT_EQ(order->items.size(), 2u);

  // A customer not in the book, and Submit: a touch beside "add it?" backs
  // out. Nothing is stored and the service is sent no order.
  ASSERT_TRUE(driver().tap(editor->txtCustomer()));
  ASSERT_TRUE(driver().typeText("Zed Shop"));
  ASSERT_TRUE(driver().pressReturn());
  flush();
  ASSERT_TRUE(driver().tap(editor->btnSubmit()));
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->message(), txt("SAVENEWCUSTOMERWHENSUBMIT"));
  EXPECT_TRUE(driver().tapAt({10, 10}));
  runUntil([] { return false; }, 1.5);
  flush();
  EXPECT_FALSE(driver().visibleAlert()) << driver().visibleAlert()->title();
  EXPECT_EQ(nav->topViewController(), editor);
  EXPECT_EQ(order->serial, 0);
  EXPECT_TRUE(dam().fetchQuoteOrders(0, "").empty());
  EXPECT_TRUE(dam().fetchQuoteOrders(1, "").empty());
  EXPECT_TRUE(messagesNamed("syncData").empty());
  EXPECT_TRUE(service->backend().uploadedOrders("acme").empty());
  EXPECT_EQ(editor->txtCustomer().text(), "Zed Shop");

  // A customer, and 90 % of the total to pay.
  PersonSummary person;
  person.pid = 7;
  person.name = "Acme Stores";
  editor->didSelectCell(person);
  editor->discountRatChanged(90);
  EXPECT_DOUBLE_EQ(order->total(), 4 * 12.5 + 30);
  EXPECT_DOUBLE_EQ(order->discount(), 72);

  // Signed on the form and kept.
  editor->btnViewAsPDFClick();
  ASSERT_TRUE(runUntil([&] {
    flush();
    return dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController()) != nullptr;
  }));
  auto* pdf = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
  auto ink = gfx::Context::bitmap({400, 275}, 1, false);
  ink->setStrokeColor(gfx::Color::black());
  ink->setLineWidth(10);
  ink->strokeLine({40, 200}, {360, 60});
  pdf->pdfCreater()->takeSignature(ink->makeImage());
  pdf->btnBackClick();
  ASSERT_TRUE(driver().visibleAlert());
  driver().pressAlertButton(1);
  ASSERT_TRUE(runUntil([&] {
    flush();
    return nav->topViewController() == editor;
  }));
  ASSERT_NE(order->serial, 0);
  EXPECT_FALSE(order->signature.empty());

  // Submitted: signed in first (offline), then sent.
  editor->btnSubmitClick();
  ASSERT_TRUE(runUntil([&] {
    flush();
    return driver().visibleAlert() != nullptr;
  }, 20));
  EXPECT_EQ(driver().visibleAlert()->title(), txt("ORDERSUBMITTED"));
  EXPECT_TRUE(editor->btnSubmit().isHidden());

  auto stored = dam().fetchQuoteOrders(1, "");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]->number, order->number);
  EXPECT_EQ(stored[0]->customerId, 7);
  EXPECT_DOUBLE_EQ(stored[0]->discount(), 72);
  bool found = false;
  for (const auto& up : service->backend().uploadedOrders("acme")) {
    if (up.value("order_number", std::string()) != order->number) continue;
    found = true;
    EXPECT_DOUBLE_EQ(up.value("order_total", 0.0), 80);
    EXPECT_DOUBLE_EQ(up.value("order_discount", 0.0), 72);
    EXPECT_EQ(up.value("customer_name", std::string()), "Acme Stores");
  }
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace mv::test
