#include <limits>
#include <set>

#include "OrderTestSupport.hpp"
#include "SessionFixture.hpp"
#include "catalog/OrderBasket.hpp"
#include "customer/CustomerOrderLinks.hpp"
#include "order/OrderFeature.hpp"
#include "shell/config/ConfigManager.hpp"
#include "store/OrderModel.hpp"
#include "util/Json.hpp"

namespace mv::test {
namespace {

class QuoteOrderStoreTest : public OrderStoreTest {
 protected:
  std::shared_ptr<QuoteOrderEntity> storedOrder(int id) {
    for (const auto& o : dam().fetchQuoteOrders(OrderModel::kAllOrders, ""))
      if (o->serial == id) return o;
    return nullptr;
  }
};

TEST_F(QuoteOrderStoreTest, NoAddTakesALinePastTheCapOrWrapsItsQuantity) {
  price(1, 200, "USD");
  ASSERT_TRUE(store->addToOrder(product(1, 999999)));
  EXPECT_FALSE(store->wouldPassLineCap(product(1, 1)));
  EXPECT_TRUE(store->wouldPassLineCap(product(1, 2)));
  EXPECT_FALSE(store->addToOrder(product(1, 2)));
  // A count near the top of int would wrap a sum in int.
  EXPECT_FALSE(store->addToOrder(product(1, std::numeric_limits<int>::max())));
  EXPECT_FALSE(store->addToOrder(product(2, 0)));
  EXPECT_FALSE(store->addToOrder(product(2, -3)));
  auto order = store->curQuoteOrder();
  ASSERT_TRUE(order);
  ASSERT_EQ(order->items.size(), 1u);
  EXPECT_EQ(order->items[0]->quantity, 999999);
  EXPECT_DOUBLE_EQ(order->items[0]->subtotal(), 199999800);
  ASSERT_TRUE(store->addToOrder(product(1, 1)));
  EXPECT_EQ(order->items[0]->quantity, 1000000);
}

TEST_F(QuoteOrderStoreTest, AddingMergesByProductAndVariantAndPutsTheOrderBackToFullPrice) {
  price(1, 200, "USD", 150.0);
  price(2, 80, "USD");
  price(3, -1, "");  // a product without a price

  // The first addition makes the order, in the new-order slot and current.
  ASSERT_TRUE(store->addToOrder(product(1, 2)));
  auto order = store->curQuoteOrder();
  ASSERT_TRUE(order);
  EXPECT_EQ(order, store->addQuoteOrder());
  EXPECT_EQ(delegate->pops, 1);
  EXPECT_TRUE(order->isInEdit);
  EXPECT_EQ(badges, (std::vector<std::string>{"1"}));
  ASSERT_EQ(order->items.size(), 1u);
  const auto& first = *order->items[0];
  EXPECT_DOUBLE_EQ(first.price, 200);
  EXPECT_DOUBLE_EQ(first.finalPrice, 150);  // the running discount price
  EXPECT_DOUBLE_EQ(first.subtotal(), 300);
  EXPECT_EQ(first.currency, "USD");
  EXPECT_EQ(order->currency, "USD");
  EXPECT_EQ(first.serial, 0);
  EXPECT_DOUBLE_EQ(order->storedDiscount(), -1);
  EXPECT_DOUBLE_EQ(order->discountRat, 100);
  EXPECT_DOUBLE_EQ(store->retriveProductPriceWithProductID(1, 99), 150);
  EXPECT_DOUBLE_EQ(store->retriveProductPriceWithProductID(2, 1), 80);

  // A blank-attribute line takes any variant; a fixed discount is dropped.
  order->setDiscount(50);
  order->discountRat = 20;
  ASSERT_TRUE(store->addToOrder(product(1, 3, "Color:Red")));
  EXPECT_EQ(order->items.size(), 1u);
  EXPECT_EQ(order->items[0]->quantity, 5);
  EXPECT_EQ(badges.size(), 1u);  // a merge leaves the badge alone
  EXPECT_DOUBLE_EQ(order->storedDiscount(), -1);
  EXPECT_DOUBLE_EQ(order->discountRat, 100);

  // A line with attributes takes only the identical variant, case and all.
  order->items[0]->attributes = "Color:Red";
  ASSERT_TRUE(store->addToOrder(product(1, 1, "Color:red")));
  ASSERT_TRUE(store->addToOrder(product(1, 4, "Color:Red")));
  ASSERT_EQ(order->items.size(), 2u);
  EXPECT_EQ(order->items[0]->quantity, 9);
  EXPECT_EQ(order->items[1]->quantity, 1);
  EXPECT_EQ(badges.back(), "2");
  EXPECT_EQ(delegate->pops, 1);
  EXPECT_TRUE(store->productExist(product(1, 1, "Color:Red")));
  EXPECT_FALSE(store->productExist(product(1, 1, "Color:Blue")));
  EXPECT_FALSE(store->productExist(product(2, 1)));

  marvisto_product_Entity counted = product(1, 0);
  counted.itemNumberInOrder = 77;
  store->getItemNumberInOrder(counted);
  EXPECT_EQ(counted.itemNumberInOrder, 10u);
  counted = product(2, 0);
  counted.itemNumberInOrder = 77;
  store->getItemNumberInOrder(counted);
  EXPECT_EQ(counted.itemNumberInOrder, 0u);

  // Currencies: a priced product clashes with nothing in USD; an unpriced one
  // (no currency) does, and a blank currency equals a blank one.
  EXPECT_FALSE(store->diffItemCYExist(product(2, 1)));
  EXPECT_TRUE(store->diffItemCYExist(product(3, 1)));
  ASSERT_TRUE(store->addToOrder(product(3, 1)));
  EXPECT_EQ(order->currency, "");  // the last new line's currency
  EXPECT_DOUBLE_EQ(order->items[2]->price, -1);
  EXPECT_EQ(order->items[2]->strPrice(), "-");
  EXPECT_DOUBLE_EQ(order->total(), 9 * 150 + 150);  // the unpriced line adds nothing

  EXPECT_EQ(store->getCurrentQuoteOrderItemsCount(), 3u);
  store->removeQuoteOrderItemAtIndex(-1);
  store->removeQuoteOrderItemAtIndex(3);
  EXPECT_EQ(store->getCurrentQuoteOrderItemsCount(), 3u);
  store->removeQuoteOrderItemAtIndex(0);
  store->removeQuoteOrderItemAtIndex(0);
  ASSERT_EQ(store->getCurrentQuoteOrderItemsCount(), 1u);
  EXPECT_FALSE(store->diffItemCYExist(product(3, 1)));
  EXPECT_TRUE(store->diffItemCYExist(product(1, 1)));

  // No current order: nothing clashes and nothing is counted.
  store->removeCurrentQuoteOrder();
  EXPECT_FALSE(store->curQuoteOrder());
  EXPECT_FALSE(store->addQuoteOrder());
  EXPECT_EQ(delegate->pops, 1);  // the new-order slot was full: no close
  EXPECT_FALSE(store->diffItemCYExist(product(3, 1)));
  EXPECT_EQ(store->getCurrentQuoteOrderItemsCount(), 0u);
  EXPECT_EQ(count("marvisto_quote_order"), 0);
}

TEST_F(QuoteOrderStoreTest, SavingReplacesTheStoredLinesInOneStepAndKeepsEverythingWhenItFails) {
  price(1, 10, "USD");
  price(2, 20, "USD");
  price(4, 40, "USD");
  price(666, 5, "USD");
  const int other = storeOrder("Other", "01/01/2014 10:00:00", false, "rep_1_140101100000", 2);
  ASSERT_NE(other, 0);

  ASSERT_TRUE(store->addToOrder(product(1, 1)));
  ASSERT_TRUE(store->addToOrder(product(2, 2)));
  auto made = store->curQuoteOrder();
  ASSERT_TRUE(store->saveCurrentQuoteOrder());
  EXPECT_FALSE(store->curQuoteOrder());
  EXPECT_FALSE(store->addQuoteOrder());
  EXPECT_EQ(delegate->pops, 1);  // only the first addition's
  EXPECT_TRUE(made->items.empty());
  const int id = made->serial;
  ASSERT_LT(id, 0);
  ASSERT_NE(id, other);

  // The editor opens the stored order; a line added to it keeps id 0 until
  // the save gives it one that no other line has.
  auto reopened = storedOrder(id);
  ASSERT_TRUE(reopened);
  ASSERT_EQ(reopened->items.size(), 2u);
  store->setCurQuoteOrder(reopened);
  ASSERT_TRUE(store->addToOrder(product(4, 4, "Size:L")));
  ASSERT_TRUE(store->addToOrder(product(2, 1, "Size:S")));  // merges into the blank line of product 2
  ASSERT_EQ(reopened->items.size(), 3u);
  EXPECT_EQ(reopened->items[2]->serial, 0);
  EXPECT_EQ(reopened->items[2]->orderID, id);
  reopened->items.erase(reopened->items.begin());  // a deleted line leaves the stored order too
  ASSERT_TRUE(store->saveCurrentQuoteOrder());
  EXPECT_EQ(delegate->pops, 2);  // no new-order slot: the editor closes
  auto lines = dam().fetchQuoteOrderItemsWithQuoteOrder(id);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]->quantity, 3);
  EXPECT_EQ(lines[1]->attributes, "Size:L");
  EXPECT_LT(lines[1]->serial, 0);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_item_id = " + std::to_string(lines[1]->serial)), 1);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(other).size(), 2u);  // the other order's lines survive

  // A save that fails part-way changes nothing, stored or in memory.
  sql("CREATE TRIGGER refuse BEFORE INSERT ON marvisto_quote_order_item WHEN NEW.product_id = 666 "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  const auto ordersBefore = dumpTable("marvisto_quote_order");
  const auto linesBefore = dumpTable("marvisto_quote_order_item");
  auto again = storedOrder(id);
  store->setCurQuoteOrder(again);
  again->customerName = "Changed";
  ASSERT_TRUE(store->addToOrder(product(666, 1)));
  EXPECT_FALSE(store->saveCurrentQuoteOrder());
  EXPECT_EQ(dumpTable("marvisto_quote_order"), ordersBefore);
  EXPECT_EQ(dumpTable("marvisto_quote_order_item"), linesBefore);
  EXPECT_EQ(store->curQuoteOrder(), again);
  EXPECT_EQ(again->items.size(), 3u);
  EXPECT_EQ(again->items[2]->serial, 0);
  EXPECT_EQ(delegate->pops, 2);  // the editor stays open to try again
  EXPECT_FALSE(QuoteOrderStore::sharedInstance()->copyQuoteOrderEntity(*again));
  EXPECT_EQ(dumpTable("marvisto_quote_order"), ordersBefore);
}

TEST_F(QuoteOrderStoreTest, CopiesRemovalsAndNewCustomerIdsLeaveTheCurrentOrderAlone) {
  price(1, 10, "USD");
  const int kept = storeOrder("Kept", "01/01/2014 10:00:00", false, "", 2, -3);
  ASSERT_NE(kept, 0);
  ASSERT_TRUE(store->addToOrder(product(1, 2)));
  auto current = store->curQuoteOrder();
  current->customerId = -3;

  auto source = storedOrder(kept);
  ASSERT_TRUE(store->copyQuoteOrderEntity(*source));
  ASSERT_TRUE(store->copyQuoteOrderEntity(*source));  // twice in the same second
  EXPECT_EQ(store->curQuoteOrder(), current);
  EXPECT_EQ(current->items.size(), 1u);
  auto copies = dam().fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "");
  ASSERT_EQ(copies.size(), 3u);
  std::set<std::string> numbers;
  for (const auto& o : copies) {
    numbers.insert(o->number);
    EXPECT_EQ(o->number.size(), copies[0]->number.size());
    ASSERT_EQ(o->items.size(), 2u);
    EXPECT_DOUBLE_EQ(o->items[1]->finalPrice, 9);
    EXPECT_EQ(o->customerId, -3);
  }
  EXPECT_EQ(numbers.size(), 3u);
  const int copyId = copies[0]->serial == kept ? copies[1]->serial : copies[0]->serial;
  EXPECT_LT(copyId, 0);
  EXPECT_NE(copyId, kept);
  EXPECT_EQ(copies[0]->cdate, QuoteOrderEntity::currentTimeText());

  // Customers accepted by the service: stored orders and both slots move;
  // the delegate hears of every customer once.
  ASSERT_TRUE(store->isInUnsubmitOrder(-3));
  std::vector<marvisto_customer_Entity> customers(2);
  customers[0].pid = -3;
  customers[0].customer_id = 501;
  customers[1].pid = -9;
  customers[1].customer_id = 502;
  ASSERT_TRUE(store->updateOrderTable(customers));
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = 501"), 3);
  EXPECT_EQ(current->customerId, 501);
  EXPECT_EQ(store->addQuoteOrder()->customerId, 501);
  EXPECT_EQ(delegate->customerIds, (std::vector<std::pair<int, int>>{{-3, 501}, {-9, 502}}));
  EXPECT_FALSE(store->isInUnsubmitOrder(-3));

  ASSERT_TRUE(store->removeQuoteOrder(copyId));
  EXPECT_TRUE(dam().fetchQuoteOrderItemsWithQuoteOrder(copyId).empty());
  EXPECT_EQ(count("marvisto_quote_order"), 2);

  // Dropping the current order with no new-order slot closes the editor.
  store->setAddQuoteOrder(nullptr);
  store->removeCurrentQuoteOrder();
  EXPECT_FALSE(store->curQuoteOrder());
  EXPECT_EQ(delegate->pops, 2);
  EXPECT_EQ(count("marvisto_quote_order"), 2);
}

TEST_F(QuoteOrderStoreTest, StoredOrdersByStateAndTheUploadTextFollowTheCustomersSwitch) {
  const int named = storeOrder("Named Co", "01/01/2014 10:00:00", false, "rep_1_140101100000");
  const int blank = storeOrder("  ", "01/01/2014 11:00:00", false, "rep_1_140101110000");
  const int sent = storeOrder("Sent Co", "01/01/2014 12:00:00", true, "rep_1_140101120000");
  auto ids = [](const std::vector<std::shared_ptr<QuoteOrderEntity>>& orders) {
    std::vector<int> out;
    for (const auto& o : orders) out.push_back(o->serial);
    return out;
  };
  EXPECT_EQ(ids(store->quoteOrders()), (std::vector<int>{blank, named}));
  EXPECT_EQ(ids(store->rcntQuoteOrders()), (std::vector<int>{sent}));
  EXPECT_EQ(ids(store->fetchQuoteOrders(OrderModel::kAllOrders, "CO")), (std::vector<int>{sent, named}));
  EXPECT_EQ(store->fetchQuoteOrderItemsWithQuoteOrder(named).size(), 1u);
  EXPECT_EQ(store->createNewQuoteOrder(), store->createNewQuoteOrder());

  // With customers shown an order needs one to go; without, any order goes.
  auto numbersIn = [](const std::string& text) {
    std::vector<std::string> out;
    const auto doc = JSONValue(text);
    for (const auto& o : doc->at("order")) out.push_back(o["order_number"].get<std::string>());
    return out;
  };
  EXPECT_EQ(numbersIn(store->fetchQuoteOrdersDicString(0)), (std::vector<std::string>{"rep_1_140101100000"}));
  EXPECT_TRUE(numbersIn(store->fetchQuoteOrdersDicString(blank)).empty());
  store->setIsCustomerOnShow(false);
  EXPECT_EQ(numbersIn(store->fetchQuoteOrdersDicString(blank)), (std::vector<std::string>{"rep_1_140101110000"}));
  ASSERT_TRUE(store->setQuoteOrdersUploaded(blank));
  EXPECT_EQ(ids(store->quoteOrders()), (std::vector<int>{named}));
  EXPECT_FALSE(store->setQuoteOrdersUploadedWithOrderNumber(""));
  ASSERT_TRUE(store->setQuoteOrdersUploadedWithOrderNumber("rep_1_140101100000"));
  EXPECT_TRUE(store->quoteOrders().empty());
  ASSERT_TRUE(store->updateOrdeIDWithOrderNumber("rep_1_140101100000", 7001));
  EXPECT_EQ(store->fetchQuoteOrderItemsWithQuoteOrder(7001).size(), 1u);
  EXPECT_TRUE(store->fetchQuoteOrderItemsWithQuoteOrder(named).empty());
}

TEST_F(QuoteOrderStoreTest, TheShellReachesTheStoreThroughTheInstalledHooks) {
  ASSERT_EQ(wiring.onConfigChanged.size(), 1u);
  EXPECT_TRUE(store->isCustomerOnShow());
  EXPECT_TRUE(store->isOrderOnShow());
  services->get<ConfigManager>()->setModelDescFromDesc("1,1,0,1,1,0,1");
  FeatureWiring::run(wiring.onConfigChanged, *services);
  EXPECT_FALSE(store->isCustomerOnShow());
  EXPECT_FALSE(store->isOrderOnShow());

  // The catalogue and the customer book reach the store through theirs.
  auto basket = OrderBasket::installed();
  auto links = CustomerOrderLinks::installed();
  ASSERT_TRUE(basket && links);
  price(1, 10, "USD");
  ASSERT_TRUE(basket->addToOrder(product(1, 2)));
  ASSERT_TRUE(basket->addToOrder(product(1, 1)));
  marvisto_product_Entity counted = product(1, 0);
  basket->getItemNumberInOrder(counted);
  EXPECT_EQ(counted.itemNumberInOrder, 3u);
  EXPECT_FALSE(basket->isOrderOnShow());
  EXPECT_TRUE(basket->diffItemCYExist(product(2, 1)));
  const int stored = storeOrder("Stored", "01/01/2014 10:00:00", false, "", 1, -4);
  store->curQuoteOrder()->customerId = -4;
  std::vector<marvisto_customer_Entity> customers(1);
  customers[0].pid = -4;
  customers[0].customer_id = 600;
  links->updateOrderTable(customers);
  EXPECT_EQ(store->curQuoteOrder()->customerId, 600);
  EXPECT_EQ(delegate->customerIds, (std::vector<std::pair<int, int>>{{-4, 600}}));
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = -4 AND order_id = " + std::to_string(stored)), 1);
  ASSERT_TRUE(basket->saveCurrentQuoteOrder());
  EXPECT_FALSE(store->curQuoteOrder());
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = 600"), 1);

  // Logout ends the services: the store lets both slots go, and nothing
  // reaches it any more.
  ASSERT_TRUE(store->addToOrder(product(1, 1)));
  scope->endServices();
  EXPECT_FALSE(QuoteOrderStore::sharedInstance());
  EXPECT_FALSE(store->curQuoteOrder());  // both slots went with it
  EXPECT_FALSE(store->addQuoteOrder());
  EXPECT_FALSE(OrderBasket::installed());
  EXPECT_FALSE(CustomerOrderLinks::installed());

  // The next session makes its own store, which reads the switches when made.
  scope->restart(wiring.services);
  auto next = scope->services();
  ASSERT_TRUE(next);
  FeatureWiring::run(wiring.onConfigChanged, *next);  // makes no store
  EXPECT_FALSE(next->find<QuoteOrderStore>());
  auto fresh = QuoteOrderStore::sharedInstance();
  EXPECT_NE(fresh, store);
  EXPECT_FALSE(fresh->isOrderOnShow());  // read when made
  EXPECT_EQ(fresh->currentQuoteOrderId(), QuoteOrderStore::kNoUpload);
  EXPECT_EQ(QuoteOrderStore::sharedInstance(), fresh);
  links->updateOrderTable(customers);  // nothing held: nothing to do
  EXPECT_FALSE(fresh->curQuoteOrder());
}

}  // namespace
}  // namespace mv::test
