#include <algorithm>

#include "StoreTestSupport.hpp"
#include "util/Json.hpp"

namespace mv::test {
namespace {

std::shared_ptr<QuoteOrderItemEntity> line(int productId, int quantity, double price, double finalPrice, int serial = 0) {
  auto l = std::make_shared<QuoteOrderItemEntity>();
  l->product.product_id = productId;
  l->sku = "SKU" + std::to_string(productId);
  l->name = "Product " + std::to_string(productId);
  l->quantity = quantity;
  l->price = price;
  l->finalPrice = finalPrice;
  l->currency = "USD";
  l->serial = serial;
  return l;
}

class OrderTest : public StoreTest {
 protected:
  // A stored order with a fixed creation time.
  int storeOrder(const std::string& customerName, const std::string& cdate, bool uploaded,
                 const std::string& number = "", int customerId = 0) {
    QuoteOrderEntity o(Session::current());
    o.customerName = customerName;
    o.customerId = customerId;
    o.cdate = o.mdate = cdate;
    if (!number.empty()) o.number = number;
    o.setUploaded(uploaded);
    o.items.push_back(line(1, 2, 10, 9));
    return dam().saveQuoteOrder(o);
  }
  std::vector<int> orderIds(int condition, const std::string& text = "") {
    std::vector<int> out;
    for (const auto& o : dam().fetchQuoteOrders(condition, text)) out.push_back(o->serial);
    return out;
  }
};

TEST_F(OrderTest, NewOrdersAndLinesTakeFreshNegativeIdsAndLineIdsRepeatAcrossOrders) {
  auto a = std::make_shared<QuoteOrderEntity>(Session::current());
  a->items = {line(1, 1, 10, 10), line(2, 3, 5, 4)};
  EXPECT_EQ(dam().saveQuoteOrder(a), -1);
  EXPECT_EQ(a->serial, -1);
  EXPECT_FALSE(a->unsaved);
  EXPECT_EQ(a->items[0]->serial, -1);
  EXPECT_EQ(a->items[1]->serial, -2);
  EXPECT_EQ(a->items[1]->orderID, -1);
  EXPECT_EQ(dam().saveQuoteOrder(std::shared_ptr<QuoteOrderEntity>()), 0);

  // A server order 40 and its copy: the next local id passes every id in use.
  QuoteOrderEntity server(Session::current());
  server.serial = 40;
  server.items = {line(3, 1, 1, 1, 1)};
  ASSERT_EQ(dam().saveQuoteOrder(server), 40);
  QuoteOrderEntity b(Session::current());
  b.items = {line(3, 1, 1, 1, 1)};  // line 1 of this order, as line 1 of order 40
  EXPECT_EQ(dam().saveQuoteOrder(b), -41);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(40).size(), 1u);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(-41).size(), 1u);
  EXPECT_EQ(count("marvisto_quote_order_item"), 4);

  // A line added to a stored order takes the next number within it.
  a->items.push_back(line(4, 1, 2, 2, a->newItemIndex()));
  EXPECT_EQ(a->items.back()->serial, 1);  // no positive serial yet
  ASSERT_TRUE(dam().removeQuoteOrderItemsByQuoteOrderID(a->serial));
  ASSERT_EQ(dam().saveQuoteOrder(a), -1);
  auto lines = dam().fetchQuoteOrderItemsWithQuoteOrder(-1);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2]->serial, 1);
  EXPECT_EQ(lines[1]->quantity, 3);
  EXPECT_DOUBLE_EQ(lines[1]->storedSubtotal(), 12);

  // Stored money: total, list total, and the derived discount.
  auto stored = dam().fetchQuoteOrders(OrderModel::kAllOrders, "");
  auto st = db().prepare("SELECT order_total, order_subtotal, order_discount FROM marvisto_quote_order WHERE order_id = -1");
  ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
  EXPECT_DOUBLE_EQ(st.doubleAt(0), 10 + 12 + 2);
  EXPECT_DOUBLE_EQ(st.doubleAt(1), 10 + 15 + 2);
  EXPECT_DOUBLE_EQ(st.doubleAt(2), 24);

  // The line's product comes from the catalogue when it is there.
  ASSERT_TRUE(dam().saveToDatabaseProduct({product(4, "P4", "Catalogue name")}));
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(-1)[2]->product.product_name, "Catalogue name");
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(-1)[0]->product.product_name, "Product 1");

  EXPECT_TRUE(dam().removeQuoteOrder(-1));
  EXPECT_TRUE(dam().fetchQuoteOrderItemsWithQuoteOrder(-1).empty());
  EXPECT_EQ(count("marvisto_quote_order_item"), 2);
}

// A save whose transaction fails late (its COMMIT, or a transaction around
// it) leaves the order as it was: no id, number or saved mark of a row that
// is not there. Saved again after the fault, it takes an id of its own.
TEST_F(OrderTest, AFailedSaveLeavesTheOrderWithoutIds) {
  QuoteOrderEntity kept(Session::current());
  kept.items = {line(1, 1, 10, 10), line(2, 3, 5, 5)};
  const std::string number = kept.number;
  // A deferred foreign key that the order's insert breaks: the COMMIT fails.
  sql("PRAGMA foreign_keys = ON");
  sql("CREATE TABLE fault_parent (id INTEGER PRIMARY KEY);"
      "CREATE TABLE fault_child (id INTEGER REFERENCES fault_parent(id) DEFERRABLE INITIALLY DEFERRED);"
      "CREATE TRIGGER commit_fails AFTER INSERT ON marvisto_quote_order BEGIN INSERT INTO fault_child VALUES (1); END");
  EXPECT_EQ(dam().replaceQuoteOrder(kept), 0);
  EXPECT_EQ(dam().saveQuoteOrder(kept), 0);
  sql("DROP TRIGGER commit_fails");
  EXPECT_FALSE(db().runInTransaction([&] { return dam().saveQuoteOrder(kept) != 0 && db().execute("SELECT nothing"); }));
  EXPECT_EQ(count("marvisto_quote_order"), 0);
  EXPECT_EQ(count("marvisto_quote_order_item"), 0);
  EXPECT_EQ(kept.serial, 0);
  EXPECT_TRUE(kept.unsaved);
  EXPECT_EQ(kept.number, number);
  for (const auto& l : kept.items) {
    EXPECT_EQ(l->serial, 0);
    EXPECT_EQ(l->orderID, 0);
  }

  // A copy saved meanwhile takes the first id; the retried save its own.
  QuoteOrderEntity copy(Session::current());
  copy.items = {line(3, 1, 1, 1)};
  ASSERT_EQ(dam().saveQuoteOrder(copy), -1);
  ASSERT_EQ(dam().replaceQuoteOrder(kept), -2);
  EXPECT_EQ(kept.serial, -2);
  EXPECT_FALSE(kept.unsaved);
  EXPECT_EQ(kept.items[1]->orderID, -2);
  EXPECT_EQ(count("marvisto_quote_order"), 2);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(-1).size(), 1u);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(-2).size(), 2u);
  // Within a transaction that commits, the ids arrive with the commit.
  QuoteOrderEntity third(Session::current());
  ASSERT_TRUE(db().runInTransaction([&] { return dam().saveQuoteOrder(third) == -3 && third.serial == 0; }));
  EXPECT_EQ(third.serial, -3);
}

TEST_F(OrderTest, OrdersSortAndCompareAsDatesAcrossAYearBoundary) {
  int jun = storeOrder("June Co", "06/15/2013 09:00:00", true, "rep_1_130615090000");
  int dec = storeOrder("Dec Co", "12/31/2013 23:59:59", true, "rep_1_131231235959");
  int jan = storeOrder("Jan 100% Co", "01/02/2014 08:00:00", true, "rep_1_140102080000");
  int open = storeOrder("Open Co", "01/01/2014 12:00:00", false);
  EXPECT_EQ(orderIds(OrderModel::kAllOrders), (std::vector<int>{jan, open, dec, jun}));
  EXPECT_EQ(orderIds(OrderModel::kUploadedOrders), (std::vector<int>{jan, dec, jun}));
  EXPECT_EQ(orderIds(OrderModel::kUnsubmittedOrders), (std::vector<int>{open}));
  EXPECT_EQ(orderIds(OrderModel::kAllOrders, " co"), (std::vector<int>{jan, open, dec, jun}));
  EXPECT_EQ(orderIds(OrderModel::kAllOrders, "JAN 100%"), (std::vector<int>{jan}));
  EXPECT_EQ(orderIds(OrderModel::kAllOrders, "131231"), (std::vector<int>{dec}));
  EXPECT_EQ(orderIds(OrderModel::kAllOrders, "   "), (std::vector<int>{jan, open, dec, jun}));
  EXPECT_EQ(dam().fetchQuoteOrders(OrderModel::kAllOrders, "")[0]->items.size(), 1u);

  EXPECT_EQ(dam().retriveEarliestSubmittedOrderTime(), "06/15/2013 09:00:00");
  double span = dam().timeDurationOfAllSubmittedOrder();
  EXPECT_GT(span, 200 * 86400.0);
  EXPECT_LT(span, 202 * 86400.0);
}

TEST_F(OrderTest, SubmittedOrdersOfTheAccountCountByNumberPrefixNotByPattern) {
  storeOrder("A", "01/01/2014 10:00:00", true, "rep_1_140101100000");
  storeOrder("B", "01/02/2014 10:00:00", true, "repX1_140102100000");   // "_" as a wildcard would count it
  storeOrder("C", "01/03/2014 10:00:00", true, "rep_10_140103100000");  // another account
  storeOrder("D", "01/04/2014 10:00:00", false, "rep_1_140104100000");  // not submitted
  EXPECT_EQ(dam().numberOfAllSubmittedOrder(), 1);
  EXPECT_EQ(dam().retriveEarliestSubmittedOrderTime(), "01/01/2014 10:00:00");
  EXPECT_DOUBLE_EQ(dam().timeDurationOfAllSubmittedOrder(), 0);
  signIn("AcmeCo", "r%p");
  EXPECT_EQ(dam().numberOfAllSubmittedOrder(), 0);
  EXPECT_FALSE(dam().retriveEarliestSubmittedOrderTime());
}

TEST_F(OrderTest, TwoOrdersMadeInOneSecondGetDifferentNumbers) {
  QuoteOrderEntity a(Session::current()), b(Session::current());
  ASSERT_EQ(a.number, b.number);
  ASSERT_NE(dam().saveQuoteOrder(a), 0);
  ASSERT_NE(dam().saveQuoteOrder(b), 0);
  EXPECT_NE(a.number, b.number);
  EXPECT_EQ(b.number.rfind("rep_1_", 0), 0u);
  EXPECT_EQ(b.number.size(), a.number.size());
}

TEST_F(OrderTest, UploadTextMarksTheSameOrdersItSends) {
  int named = storeOrder("Named", "01/01/2014 10:00:00", false);
  int blank = storeOrder(" \t", "01/01/2014 11:00:00", false);
  storeOrder("Sent", "01/01/2014 12:00:00", true);
  auto doc = JSONValue(dam().fetchQuoteOrdersDicString(0, true));
  ASSERT_TRUE(doc);
  ASSERT_EQ((*doc)["order"].size(), 1u);
  EXPECT_EQ((*doc)["order"][0]["order_id"], named);
  EXPECT_EQ((*doc)["order"][0]["order_item"]["order_items"].size(), 1u);
  EXPECT_EQ((*doc)["order"][0]["order_item"]["order_items"][0]["product_quantity"], 2);
  EXPECT_FALSE((*doc)["order"][0].contains("cdate_sort"));

  ASSERT_TRUE(dam().setQuoteOrdersToUploaded(0, true));
  EXPECT_EQ(orderIds(OrderModel::kUnsubmittedOrders), (std::vector<int>{blank}));
  EXPECT_EQ(JSONValue(dam().fetchQuoteOrdersDicString(blank, false))->at("order").size(), 1u);
  ASSERT_TRUE(dam().setQuoteOrdersToUploaded(blank, false));
  EXPECT_TRUE(orderIds(OrderModel::kUnsubmittedOrders).empty());
}

TEST_F(OrderTest, ServerIdsReplaceLocalOnesForOrdersLinesAndCustomers) {
  int local = storeOrder("Cust", "01/01/2014 10:00:00", false, "rep_1_140101100000", -3);
  int other = storeOrder("Other", "01/01/2014 11:00:00", false, "rep_1_140101110000", -3);
  ASSERT_TRUE(dam().isInUnsubmitOrder(-3));
  marvisto_customer_Entity c;
  c.customer_id = 812;
  c.pid = -3;
  ASSERT_TRUE(dam().updateOrderTable({c}));
  EXPECT_FALSE(dam().isInUnsubmitOrder(-3));
  EXPECT_TRUE(dam().isInUnsubmitOrder(812));

  // A stale copy of the same order already stored under the server's id
  // gives way.
  QuoteOrderEntity stale(Session::current());
  stale.serial = 9001;
  stale.number = "rep_1_140101100000";
  stale.items = {line(7, 1, 1, 1, 5)};
  ASSERT_EQ(dam().saveQuoteOrder(stale), 9001);
  ASSERT_TRUE(dam().setQuoteOrdersUploadedWithOrderNumber("rep_1_140101100000"));
  EXPECT_FALSE(dam().setQuoteOrdersUploadedWithOrderNumber(""));
  ASSERT_TRUE(dam().updateOrderIDWithOrderNumber("rep_1_140101100000", 9001));
  auto lines = dam().fetchQuoteOrderItemsWithQuoteOrder(9001);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]->product.product_id, 1);
  EXPECT_TRUE(dam().fetchQuoteOrderItemsWithQuoteOrder(local).empty());
  EXPECT_FALSE(dam().updateOrderIDWithOrderNumber("no such number", 1));
  EXPECT_EQ(orderIds(OrderModel::kUploadedOrders), (std::vector<int>{9001}));
  EXPECT_EQ(orderIds(OrderModel::kUnsubmittedOrders), (std::vector<int>{other}));

  ASSERT_TRUE(dam().updateOrderSignature("c2lnbg==", 9001));
  EXPECT_EQ(dam().fetchQuoteOrders(OrderModel::kUploadedOrders, "")[0]->signature, "c2lnbg==");
  ASSERT_TRUE(dam().removeAllLoaclOrders());
  EXPECT_EQ(orderIds(OrderModel::kAllOrders), (std::vector<int>{9001}));
}

// A service that lost its records hands out an id again: the order already
// holding it stays whole, and the newly submitted one keeps its local id.
TEST_F(OrderTest, AnIdHandedOutAgainLeavesTheOrderHoldingItStanding) {
  QuoteOrderEntity earlier(Session::current());
  earlier.serial = 9001;
  earlier.number = "rep_1_140101090000";
  earlier.customerName = "Earlier";
  earlier.setUploaded(true);
  earlier.items = {line(7, 1, 1, 2, 5)};
  ASSERT_EQ(dam().saveQuoteOrder(earlier), 9001);
  const int local = storeOrder("Now", "01/01/2014 10:00:00", true, "rep_1_140101100000");

  EXPECT_FALSE(dam().updateOrderIDWithOrderNumber("rep_1_140101100000", 9001));
  EXPECT_EQ(count("marvisto_quote_order", "order_id = 9001 AND order_number = 'rep_1_140101090000'"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_number = 'rep_1_140101100000'"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id = " + std::to_string(local)), 1);
  EXPECT_EQ(orderIds(OrderModel::kUploadedOrders).size(), 2u);
}

TEST_F(OrderTest, HistoryFromTheServerReplacesTheStoredCopyByNumber) {
  storeOrder("Mine", "01/01/2014 10:00:00", true, "rep_1_140101100000");
  base::Value order = {{"order_id", 7001},        {"order_number", "rep_1_140101100000"},
                       {"customer_name", "Mine"}, {"order_total", "12.5"},
                       {"cdate", "2014-01-01 10:00:00"}, {"uploaded", 0},
                       {"customer_id", "not a number"}};
  ASSERT_TRUE(dam().updateLocalHistoryOrderFromServer(order));
  EXPECT_FALSE(dam().updateLocalHistoryOrderFromServer(base::Value::array()));
  base::Value item = {{"order_item_id", 1}, {"order_id", 7001}, {"product_id", 5}, {"product_quantity", 4}};
  ASSERT_TRUE(dam().updateLocalHistoryOrderItemFromServer(item));
  EXPECT_FALSE(dam().updateLocalHistoryOrderItemFromServer(base::Value("x")));

  auto all = dam().fetchQuoteOrders(OrderModel::kAllOrders, "");
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0]->serial, 7001);
  EXPECT_TRUE(all[0]->isUploaded());
  EXPECT_EQ(all[0]->customerId, 0);
  ASSERT_EQ(all[0]->items.size(), 1u);
  EXPECT_EQ(all[0]->items[0]->quantity, 4);
  EXPECT_EQ(dam().retriveEarliestSubmittedOrderTime(), "2014-01-01 10:00:00");
  storeOrder("Later", "12/31/2013 10:00:00", true, "rep_1_131231100000");
  EXPECT_EQ(dam().retriveEarliestSubmittedOrderTime(), "12/31/2013 10:00:00");
}

TEST_F(OrderTest, BackupAndRestoreOfUnsubmittedOrders) {
  QuoteOrderEntity o(Session::current());
  o.customerId = -2;
  o.customerName = "Local customer";
  o.discountRat = 90;
  o.currency = "EUR";
  o.orderShipping = 0.1;
  o.cdate = "12/30/2013 10:00:00";
  o.items = {line(1, 2, 10, 9), line(2, 1, -1, -1)};
  int id = dam().saveQuoteOrder(o);
  ASSERT_NE(id, 0);
  storeOrder("Submitted", "01/01/2014 10:00:00", true);

  auto read = dam().fetchBackupOuoteOrdersDic();
  ASSERT_TRUE(read);
  base::Value backup = *read;
  ASSERT_EQ(backup["order"].size(), 1u);
  const base::Value& b = backup["order"][0];
  EXPECT_EQ(b["customer_id"], 0);
  EXPECT_EQ(b["vendor_id"], 77);
  EXPECT_EQ(b["uploaded"], false);
  EXPECT_DOUBLE_EQ(b["discount_rats"].get<double>(), 90);
  EXPECT_DOUBLE_EQ(b["order_shipping"].get<double>(), static_cast<double>(0.1f));
  EXPECT_EQ(b["signature"], "");
  ASSERT_EQ(b["order_item"]["order_items"].size(), 2u);
  EXPECT_EQ(b["order_item"]["order_items"][1]["product_item_price"], -1.0);

  // Restore: local orders are cleared, then the backup comes back.
  ASSERT_TRUE(dam().removeAllLoaclOrders());
  ASSERT_TRUE(dam().restoreUnsubmittedOrderFromDic(b));
  EXPECT_FALSE(dam().restoreUnsubmittedOrderFromDic(base::Value::array()));
  auto restored = dam().fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "");
  ASSERT_EQ(restored.size(), 1u);
  EXPECT_EQ(restored[0]->serial, id);
  EXPECT_DOUBLE_EQ(restored[0]->discountRat, 90);
  EXPECT_FALSE(restored[0]->isUploaded());
  ASSERT_EQ(restored[0]->items.size(), 2u);
  EXPECT_EQ(restored[0]->items[1]->strPrice(), "-");
  // Restoring the same order again replaces it rather than adding a copy.
  ASSERT_TRUE(dam().restoreUnsubmittedOrderFromDic(b));
  EXPECT_EQ(dam().fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "").size(), 1u);
  // A backed-up order whose id is now taken by another local order keeps both.
  base::Value clash = b;
  clash["order_number"] = "rep_1_other";
  ASSERT_TRUE(dam().restoreUnsubmittedOrderFromDic(clash));
  auto both = dam().fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "");
  ASSERT_EQ(both.size(), 2u);
  EXPECT_NE(both[0]->serial, both[1]->serial);
  EXPECT_EQ(both[0]->items.size(), 2u);
  EXPECT_EQ(both[1]->items.size(), 2u);
}

TEST_F(OrderTest, IdsBeyondTheIdRangeNeverLandOnAnotherOrder) {
  const int kept = storeOrder("Kept", "01/01/2014 10:00:00", false);
  ASSERT_EQ(kept, -1);

  // A restored order and line whose ids do not fit an id: the line must not
  // end up in the order whose id the cut-off number happens to match.
  base::Value line = {{"order_item_id", 4294967297LL}, {"order_id", 4294967295LL}, {"product_id", 5},
                      {"product_quantity", 3}};
  base::Value order = {{"order_id", 4294967295LL},
                       {"order_number", "rep_1_huge"},
                       {"customer_name", "Huge"},
                       {"cdate", "01/02/2014 10:00:00"},
                       {"order_item", {{"order_items", base::Value::array({line})}}}};
  ASSERT_TRUE(dam().restoreUnsubmittedOrderFromDic(order));
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(kept).size(), 1u);
  auto all = dam().fetchQuoteOrders(OrderModel::kAllOrders, "");
  ASSERT_EQ(all.size(), 2u);
  for (const auto& o : all) {
    EXPECT_LT(o->serial, 0);
    EXPECT_EQ(o->items.size(), 1u) << o->customerName;
  }
  EXPECT_EQ(count("marvisto_quote_order", "order_id > 2147483647 OR order_id < -2147483647"), 0);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_item_id > 2147483647 OR order_item_id < -2147483647"), 0);

  // Ids at the edge of the range: a new order still gets a fresh id or a
  // clean failure, never an id in use nor an overflow.
  base::Value lowest = {{"order_id", -2147483648LL}, {"order_number", "rep_1_lowest"}};
  ASSERT_TRUE(dam().restoreUnsubmittedOrderFromDic(lowest));
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -2147483648"), 0);
  base::Value edge = {{"order_id", 2147483647LL}, {"order_number", "rep_1_edge"}, {"cdate", "01/03/2014 10:00:00"}};
  ASSERT_TRUE(dam().updateLocalHistoryOrderFromServer(edge));
  const long long before = count("marvisto_quote_order");
  QuoteOrderEntity next(Session::current());
  next.items.push_back(std::make_shared<QuoteOrderItemEntity>());
  EXPECT_EQ(dam().saveQuoteOrder(next), 0);
  EXPECT_EQ(count("marvisto_quote_order"), before);
  EXPECT_EQ(dam().fetchQuoteOrderItemsWithQuoteOrder(kept).size(), 1u);
}

// The service's copy of a number that a local order not yet submitted holds
// (its upload reply was lost, or another device made an order in the same
// second) is skipped: the local order with its edits stays. Lines of orders
// the device does not hold as submitted are skipped too.
TEST_F(OrderTest, AHistoryPageNeverTakesThePlaceOfAnUnsubmittedOrder) {
  QuoteOrderEntity local(Session::current());
  local.number = "rep_1_140101100000";
  local.items = {line(1, 1, 10, 10), line(2, 2, 5, 5), line(3, 3, 1, 1)};
  ASSERT_EQ(dam().saveQuoteOrder(local), -1);
  storeOrder("Submitted", "01/02/2014 10:00:00", true, "rep_1_140102100000");

  base::Value sameNumber = {{"order_id", 7001}, {"order_number", "rep_1_140101100000"}, {"customer_name", "Service"}};
  base::Value submitted = {{"order_id", 7002}, {"order_number", "rep_1_140102100000"}, {"customer_name", "Service"}};
  EXPECT_FALSE(dam().updateLocalHistoryOrderFromServer(sameNumber));
  EXPECT_TRUE(dam().updateLocalHistoryOrderFromServer(submitted));
  EXPECT_FALSE(dam().updateLocalHistoryOrderItemFromServer(
      {{"order_item_id", 1}, {"order_id", 7001}, {"product_id", 9}, {"product_quantity", 1}}));
  EXPECT_FALSE(dam().updateLocalHistoryOrderItemFromServer(
      {{"order_item_id", 1}, {"order_id", 7999}, {"product_id", 9}, {"product_quantity", 1}}));
  EXPECT_TRUE(dam().updateLocalHistoryOrderItemFromServer(
      {{"order_item_id", 1}, {"order_id", 7002}, {"product_id", 9}, {"product_quantity", 6}}));

  auto unsubmitted = dam().fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "");
  ASSERT_EQ(unsubmitted.size(), 1u);
  EXPECT_EQ(unsubmitted[0]->serial, -1);
  EXPECT_EQ(unsubmitted[0]->items.size(), 3u);
  EXPECT_EQ(count("marvisto_quote_order", "order_id IN (7001, 7999)"), 0);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id IN (7001, 7999)"), 0);
  // A submitted order is still replaced by the service's copy.
  EXPECT_EQ(count("marvisto_quote_order", "order_number = 'rep_1_140102100000'"), 1);
  auto lines = dam().fetchQuoteOrderItemsWithQuoteOrder(7002);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]->quantity, 6);
}

// A service that lost its records hands an id out again: its copy of another
// order is stored apart with its lines, and the order holding the id stays
// as it was, byte for byte, whatever the page brings.
TEST_F(OrderTest, AHistoryCopyUnderAnIdAnotherOrderHoldsIsStoredApartWithItsLines) {
  QuoteOrderEntity earlier(Session::current());
  earlier.serial = 9001;
  earlier.number = "rep_1_140101090000";
  earlier.customerName = "Earlier";
  earlier.cdate = earlier.mdate = "01/01/2014 09:00:00";
  earlier.setUploaded(true);
  earlier.items = {line(7, 1, 1, 2, 5), line(8, 3, 4, 4, 6)};
  ASSERT_EQ(dam().saveQuoteOrder(earlier), 9001);
  QuoteOrderEntity other = earlier;
  other.serial = 9002;
  other.number = "rep_1_140101080000";
  other.items = {line(9, 2, 3, 3, 1)};
  ASSERT_EQ(dam().saveQuoteOrder(other), 9002);
  const int unsubmitted = storeOrder("Draft", "01/03/2014 10:00:00", false, "rep_1_140103100000");
  const auto ordersBefore = dumpTable("marvisto_quote_order");
  const auto linesBefore = dumpTable("marvisto_quote_order_item");
  auto stillThere = [](const std::vector<std::string>& before, const std::vector<std::string>& after) {
    for (const auto& row : before)
      if (std::find(after.begin(), after.end(), row) == after.end()) return ::testing::AssertionFailure() << row;
    return ::testing::AssertionSuccess();
  };

  const std::vector<base::Value> orders = {
      {{"order_id", 9001}, {"order_number", "rep_1_140102100000"}, {"customer_name", "Service"},
       {"cdate", "2014-01-02 10:00:00"}},
      // Skipped (an order of that number is not submitted from here yet):
      // its line must not land in the order holding its id either.
      {{"order_id", 9002}, {"order_number", "rep_1_140103100000"}, {"customer_name", "Service"}}};
  const std::vector<base::Value> lines = {
      {{"order_item_id", 5}, {"order_id", 9001}, {"product_id", 9}, {"product_quantity", 4}},
      {{"order_item_id", 1}, {"order_id", 9001}, {"product_id", 10}, {"product_quantity", 2}},
      {{"order_item_id", 7}, {"order_id", 9002}, {"product_id", 11}, {"product_quantity", 1}}};
  // Twice: a later page with the same copy replaces the copy, not the order.
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(dam().updateLocalHistoryPageFromServer(orders, lines), 2);
    EXPECT_TRUE(stillThere(ordersBefore, dumpTable("marvisto_quote_order"))) << pass;
    EXPECT_TRUE(stillThere(linesBefore, dumpTable("marvisto_quote_order_item"))) << pass;
    EXPECT_EQ(count("marvisto_quote_order"), 4);
    EXPECT_EQ(count("marvisto_quote_order_item", "order_id = 9001"), 2);
    EXPECT_EQ(count("marvisto_quote_order_item", "order_id = 9002"), 1);
    EXPECT_EQ(count("marvisto_quote_order_item", "order_id = " + std::to_string(unsubmitted)), 1);
    auto copies = dam().fetchQuoteOrders(OrderModel::kUploadedOrders, "rep_1_140102100000");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_NE(copies[0]->serial, 9001);
    EXPECT_EQ(copies[0]->customerName, "Service");
    EXPECT_TRUE(copies[0]->isUploaded());
    ASSERT_EQ(copies[0]->items.size(), 2u);
    EXPECT_EQ(copies[0]->items[0]->quantity + copies[0]->items[1]->quantity, 6);
  }
}

TEST_F(OrderTest, AnOrderFromTheServerNeverReplacesAnUnsubmittedOne) {
  const int kept = storeOrder("Kept", "01/01/2014 10:00:00", false, "rep_1_kept");
  ASSERT_EQ(kept, -1);
  base::Value order = {{"order_id", kept}, {"order_number", "rep_1_server"}, {"customer_name", "Server"}};
  ASSERT_TRUE(dam().updateLocalHistoryOrderFromServer(order));
  auto unsubmitted = dam().fetchQuoteOrders(OrderModel::kUnsubmittedOrders, "");
  ASSERT_EQ(unsubmitted.size(), 1u);
  EXPECT_EQ(unsubmitted[0]->serial, kept);
  EXPECT_EQ(unsubmitted[0]->number, "rep_1_kept");
  EXPECT_EQ(unsubmitted[0]->items.size(), 1u);
  auto submitted = dam().fetchQuoteOrders(OrderModel::kUploadedOrders, "");
  ASSERT_EQ(submitted.size(), 1u);
  EXPECT_EQ(submitted[0]->number, "rep_1_server");
  EXPECT_NE(submitted[0]->serial, kept);
  base::Value item = {{"order_item_id", 1}, {"order_id", kept}, {"product_id", 9}, {"product_quantity", 7}};
  EXPECT_FALSE(dam().updateLocalHistoryOrderItemFromServer(item));
  auto lines = dam().fetchQuoteOrderItemsWithQuoteOrder(kept);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]->quantity, 2);
}

}  // namespace
}  // namespace mv::test
