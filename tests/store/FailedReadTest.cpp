// A read that fails is never taken for one that found nothing where a caller
// would act on the difference: a backup, an upload, an id, a deletion.
#include <functional>

#include "StoreTestSupport.hpp"

namespace mv::test {
namespace {

class FailedReadTest : public StoreTest {
 protected:
  // Makes every read of `table` fail until `restore`.
  void breakTable(const std::string& table) {
    broken_ = table;
    sql("ALTER TABLE " + table + " RENAME TO set_aside");
  }
  void restore() { sql("ALTER TABLE set_aside RENAME TO " + broken_); }

  int storeOrder(int customerId) {
    QuoteOrderEntity o(Session::current());
    o.customerName = "Acme";
    o.customerId = customerId;
    auto l = std::make_shared<QuoteOrderItemEntity>();
    l->product.product_id = 1;
    l->quantity = 2;
    l->price = l->finalPrice = 10;
    o.items.push_back(l);
    return dam().saveQuoteOrder(o);
  }

 private:
  std::string broken_;
};

// The lists the sync and the backup act on: engaged (and empty) when the
// table has no rows, nothing when it cannot be read.
TEST_F(FailedReadTest, ListsForTheSyncAndTheBackupTellFailureFromEmpty) {
  struct Row {
    const char* table;
    std::function<bool(DataAccessManager&)> read;  // true when the read answered
  };
  const std::vector<Row> rows = {
      {"marvisto_favorite", [](auto& d) { return d.getAllFavoriteProductDic().has_value(); }},
      {"marvisto_compare", [](auto& d) { return d.getAllComparesDic().has_value(); }},
      {"marvisto_image", [](auto& d) { return d.getPublishImages(1).has_value(); }},
      {"marvisto_icon", [](auto& d) { return d.getAllIconAddress().has_value(); }},
      {"marvisto_library_files", [](auto& d) { return d.getAllFilesImg().has_value(); }},
      {"marvisto_quote_order", [](auto& d) { return d.fetchBackupOuoteOrdersDic().has_value(); }},
      {"marvisto_library_favorite", [](auto& d) { return d.getAllFavoriteLibFilesDic().has_value(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.table);
    EXPECT_TRUE(row.read(dam()));
    breakTable(row.table);
    // The library favourites' table may be missing in older databases: that
    // is no favourites, not a failure.
    EXPECT_EQ(row.read(dam()), std::string(row.table) == "marvisto_library_favorite");
    restore();
  }
  // An order whose lines cannot be read is not backed up without them.
  ASSERT_LT(storeOrder(0), 0);
  ASSERT_TRUE(dam().fetchBackupOuoteOrdersDic());
  breakTable("marvisto_quote_order_item");
  EXPECT_FALSE(dam().fetchBackupOuoteOrdersDic());
  restore();
}

TEST_F(FailedReadTest, OrdersAreNeitherListedNorSentWithoutTheirLines) {
  const int id = storeOrder(0);
  ASSERT_LT(id, 0);
  ASSERT_EQ(dam().fetchQuoteOrders(OrderModel::kAllOrders, "").size(), 1u);
  ASSERT_EQ(dam().fetchQuoteOrders(OrderModel::kAllOrders, "")[0]->items.size(), 1u);
  breakTable("marvisto_quote_order_item");
  EXPECT_TRUE(dam().fetchQuoteOrders(OrderModel::kAllOrders, "").empty());
  EXPECT_EQ(dam().fetchQuoteOrdersDicString(id, false), R"({"order":[]})");
  EXPECT_EQ(dam().fetchQuoteOrdersDicString(0, false), R"({"order":[]})");
  restore();
  EXPECT_NE(dam().fetchQuoteOrdersDicString(id, false), R"({"order":[]})");
}

TEST_F(FailedReadTest, DecisionsThatGuardWritesTakeTheSafeSide) {
  ASSERT_TRUE(dam().saveToDatabaseCustomer({makeCustomer(-1, "Local")}));
  EXPECT_FALSE(dam().isInUnsubmitOrder(-1));
  EXPECT_EQ(dam().getAllCustomers(true).size(), 1u);

  // A customer is kept when its orders cannot be looked at.
  breakTable("marvisto_quote_order");
  EXPECT_TRUE(dam().isInUnsubmitOrder(-1));
  restore();
  // A customer list without contacts would be shown, and uploaded, wrong;
  // read one customer at a time, it fails too.
  breakTable("marvisto_customer_contact");
  EXPECT_TRUE(dam().getAllCustomers(true).empty());
  EXPECT_FALSE(dam().readEachCustomer(true, [](int, CustomerInfoEntry&&) { return true; }));
  restore();
  // A product is not listed twice because the list could not be read.
  ASSERT_TRUE(dam().saveToDatabaseFavorite(1, "S1", "One"));
  breakTable("marvisto_favorite");
  EXPECT_FALSE(dam().saveToDatabaseFavorite(2, "S2", "Two"));
  restore();
  EXPECT_EQ(count("marvisto_favorite"), 1);
  // No saved user can be read: the offline sign-in is refused.
  LoginInfo info;
  info.clientId = "AcmeCo";
  info.deviceId = "DEVICE-1";
  info.accountId = "rep_1";
  info.passWord = "secret";
  ASSERT_TRUE(dam().saveUserInfo(info));
  EXPECT_EQ(dam().checkLocalUserInfo(info), "200");
  breakTable("marvisto_user");
  EXPECT_EQ(dam().checkLocalUserInfo(info), "210");
  EXPECT_FALSE(dam().getUserInfo("rep_1"));
  restore();
}

}  // namespace
}  // namespace mv::test
