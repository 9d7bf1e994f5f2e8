// Reply decoding: the common status rules and every command's payload, from
// reply texts as the service (or a damaged service) sends them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SyncTestSupport.hpp"
#include "sync/requests/RequestBackup.hpp"
#include "sync/requests/RequestCheckDeviceStatus.hpp"
#include "sync/requests/RequestCheckVersion.hpp"
#include "sync/requests/RequestConfig.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestGetOrderHistory.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestRestore.hpp"
#include "sync/requests/RequestRuntimeConfig.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/requests/RequestSyncCustomerTable.hpp"
#include "sync/requests/RequestSyncDataFinish.hpp"
#include "sync/requests/RequestSyncFileTable.hpp"
#include "sync/requests/RequestSyncIconTable.hpp"
#include "sync/requests/RequestUploadCustomer.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

using test::textOfKey;

class ReplyDecodeTest : public test::ProtocolTest {};

// Decodes a reply text the way the network model does: exactly the bytes
// received.
template <typename Result>
std::shared_ptr<Result> decode(const RequestInterfaceBase& request, const std::string& text) {
  auto result = std::dynamic_pointer_cast<Result>(request.decodeReply(text));
  EXPECT_TRUE(result) << "result of the wrong class";
  return result;
}

std::string reply(const std::string& content, const std::string& status = "\"200\"") {
  return R"({"content":)" + content + R"(,"results":[{"status":)" + status + R"(,"detail":"d","message":"m"}]})";
}

TEST_F(ReplyDecodeTest, StatusComesFromTheLastResultAndMissingStatusIs115) {
  RequestCheckDeviceStatus request;
  auto r = decode<CheckDeviceRst>(
      request, R"({"results":[{"status":"200","detail":"first"},{"status":"11412","detail":"second"}]})");
  EXPECT_EQ(r->status, "11412");
  EXPECT_EQ(r->detail, "second");
  EXPECT_EQ(r->message, textOfKey("11412"));
  EXPECT_EQ(r->cmdCode, 262);

  // The reply's own message is never shown; a status with no text gets the
  // text of "115" but keeps its code.
  r = decode<CheckDeviceRst>(request, R"({"results":[{"status":"402","detail":"","message":"Go away"}]})");
  EXPECT_EQ(r->status, "402");
  EXPECT_EQ(r->message, textOfKey("115"));

  // A numeric status reads as its text.
  r = decode<CheckDeviceRst>(request, R"({"results":[{"status":200}]})");
  EXPECT_EQ(r->status, "200");
  EXPECT_EQ(r->message, textOfKey("200"));
  EXPECT_TRUE(r->isSuccess());

  for (const char* broken : {R"({"results":[{"detail":"x"}]})", R"({"results":[{"status":null}]})",
                             R"({"results":[{"status":["200"]}]})", R"({"results":[]})", R"({"results":["200"]})",
                             R"({"results":{"status":"200"}})", R"({"content":{}})", R"([{"status":"200"}])",
                             "<html>500</html>", "", "{\"results\":[{\"status\":\"200\"}]"}) {
    SCOPED_TRACE(broken);
    r = decode<CheckDeviceRst>(request, broken);
    EXPECT_EQ(r->status, "115");
    EXPECT_EQ(r->message, textOfKey("115"));
  }

  // A byte-order mark is tolerated.
  r = decode<CheckDeviceRst>(request, "\xEF\xBB\xBF{\"results\":[{\"status\":\"11412\"}]}");
  EXPECT_EQ(r->status, "11412");

  // No text table installed: empty message, status kept.
  setTextLookup(nullptr);
  r = decode<CheckDeviceRst>(request, R"({"results":[{"status":"999"}]})");
  EXPECT_EQ(r->status, "999");
  EXPECT_EQ(r->message, "");
}

TEST_F(ReplyDecodeTest, LoginReadsTheSessionWithOrWithoutVendor) {
  RequestLogin request;
  auto r = decode<LoginRst>(request, reply(R"({"sessionId":"S1","dataUpdated":"1","skinUpdated":0,"syncAll":2,
      "email":"a@b.c","user_access":"7"})"));
  EXPECT_EQ(r->status, "200");
  EXPECT_EQ(r->sessionId, "S1");
  EXPECT_TRUE(r->needUpdate);
  EXPECT_FALSE(r->needUpdateSkin);
  EXPECT_TRUE(r->needSyncAll);
  EXPECT_EQ(r->email, "a@b.c");
  EXPECT_EQ(r->companyName, "");
  EXPECT_EQ(r->companyLink, "");
  EXPECT_EQ(r->userAccess, 7);
  EXPECT_EQ(r->clientId, "");
  EXPECT_FALSE(r->hasBackup);

  r = decode<LoginRst>(request, reply(R"({"sessionId":"12345","company_name":"Acme","link":null,
      "vendor":{"account":"rep1","clientId":"AcmeCo","vendor_id":88,"vendor_group_id":"3","hasBackup":true,
                "lastBackupDate":1780000123.375,"phone":null,"discount":"0.5"}})"));
  EXPECT_EQ(r->sessionId, "12345");
  EXPECT_EQ(r->companyName, "Acme");
  EXPECT_EQ(r->companyLink, "");
  EXPECT_EQ(r->account, "rep1");
  EXPECT_EQ(r->clientId, "AcmeCo");
  EXPECT_EQ(r->vendor_id, "88");
  EXPECT_EQ(r->vendor_group_id, "3");
  EXPECT_EQ(r->phone, "");
  EXPECT_EQ(r->discount, "0.5");
  EXPECT_TRUE(r->hasBackup);
  // Full precision: the service must find the backup by this time again.
  EXPECT_DOUBLE_EQ(r->lastBackupDate, 1780000123.375);

  // A session among many members the device does not know is read as well.
  std::string many = R"({"sessionId":"S4")";
  for (int i = 0; i < 20000; ++i) many += ",\"extra" + std::to_string(i) + "\":" + std::to_string(i);
  r = decode<LoginRst>(request, reply(many + "}"));
  EXPECT_EQ(r->status, "200");
  EXPECT_EQ(r->sessionId, "S4");

  // A refusal carries no session; a "200" without content is no sign-in.
  r = decode<LoginRst>(request, reply(R"({"sessionId":"S2"})", "\"402\""));
  EXPECT_EQ(r->status, "402");
  EXPECT_EQ(r->sessionId, "");
  r = decode<LoginRst>(request, reply("\"\""));
  EXPECT_EQ(r->status, "115");
  EXPECT_EQ(r->message, textOfKey("115"));

  // A "200" without a session id in text, or naming an account that is not
  // text, is no sign-in either: nothing of it reaches the session.
  for (const char* content :
       {R"({"email":"a@b.c","vendor":{"account":"rep1"}})", R"({"sessionId":"","vendor":{"account":"rep1"}})",
        R"({"sessionId":null})", R"({"sessionId":12345})", R"({"sessionId":["S"]})",
        R"({"sessionId":"S3","vendor":{"account":{"name":"rep1"}}})",
        R"({"sessionId":"S3","vendor":{"account":["rep1"]}})", R"({"sessionId":"S3","vendor":{"account":7}})"}) {
    SCOPED_TRACE(content);
    r = decode<LoginRst>(request, reply(content));
    EXPECT_EQ(r->status, "115");
    EXPECT_FALSE(r->isSuccess());
    EXPECT_EQ(r->sessionId, "");
    EXPECT_EQ(r->account, "");
  }
}

TEST_F(ReplyDecodeTest, VersionAndUserInformation) {
  RequestCheckVersion version;
  auto v = decode<CheckAppVersionRst>(version, reply(R"({"update_status":"3","latest_version":2.5,
      "app_url":"http://x/y","messages":{"zh":"更新","en":"Update"}})"));
  EXPECT_EQ(v->updateType, 3);
  EXPECT_EQ(v->appVersion, "2.5");
  EXPECT_EQ(v->appUrl, "http://x/y");
  EXPECT_EQ(v->updateMessage(), "Update");
  PublicFunction::setInterfaceLanguageProvider([] { return kLanguageChinese; });
  EXPECT_EQ(v->updateMessage(), "更新");
  v = decode<CheckAppVersionRst>(version, reply(R"({"update_status":1,"messages":"none"})"));
  EXPECT_EQ(v->updateType, 1);
  EXPECT_EQ(v->updateMessage(), "");

  RequestGetUserinfo userinfo;
  auto u = decode<GetUserinfoRst>(userinfo, reply(R"({"email":"e@x","user_access":9007199254740993})"));
  EXPECT_EQ(u->email, "e@x");
  EXPECT_EQ(u->companyName, "");
  EXPECT_EQ(u->userAccess, 9007199254740993LL);
}

TEST_F(ReplyDecodeTest, ProductTablesKeepAbsentApartFromEmpty) {
  RequestSyncAllTable request;
  // Two elements: the product tables and the categories; the rest stay absent.
  auto r = decode<SyncAllTableRst>(request, reply(R"([
      [{"productID":"12","productSKU":12345,"productName":null,"productStock":"12abc","productBuy":" 7",
        "publish":-1,"productTag":"a,b",
        "attributes":[{"attributeId":5,"attributeFieldsId":"2","attributeValue":"Red","defaultValue":1}],
        "productParentList":[3," 4",5.0],
        "priceID":70,"price":"9.5","currency":"EUR","discountPrice":8,"discountStartDate":1700000000,
        "discountEndDate":"1700086400","tierStartDate":"tomorrow","discount_percentage":"0.1",
        "images":[{"imageID":100,"keyID":12,"fullAddress":"a.jpg","thumbAddress":"a_t.jpg","isDefault":"1"}]},
       {"productID":13,"productName":"no price id"}],
      [{"categoryID":3,"categoryName":"Tools","categoryParentID":"0"}]
    ])"));
  ASSERT_EQ(r->status, "200");
  ASSERT_TRUE(r->productTable);
  ASSERT_EQ(r->productTable->size(), 2u);
  const auto& p = r->productTable->at(0);
  EXPECT_EQ(p.product_id, 12);
  EXPECT_EQ(p.product_sku, "12345");
  EXPECT_EQ(p.product_name, "");
  EXPECT_EQ(p.product_stock, 12);
  EXPECT_EQ(p.product_buy, 7);
  EXPECT_EQ(p.product_publish, -1);
  EXPECT_EQ(p.product_tags, "a,b");
  EXPECT_EQ(r->productTable->at(1).product_id, 13);

  ASSERT_EQ(r->productAttributeTable->size(), 1u);
  EXPECT_EQ(r->productAttributeTable->at(0).attribute_id, 5);
  EXPECT_EQ(r->productAttributeTable->at(0).product_id, 12);
  EXPECT_EQ(r->productAttributeTable->at(0).attribute_fields_id, 2);
  EXPECT_EQ(r->productAttributeTable->at(0).default_value, "1");

  ASSERT_EQ(r->productCategoryXrefTable->size(), 3u);
  EXPECT_EQ(r->productCategoryXrefTable->at(0).category_id, 3);
  EXPECT_EQ(r->productCategoryXrefTable->at(1).category_id, 4);
  EXPECT_EQ(r->productCategoryXrefTable->at(2).category_id, 5);
  EXPECT_EQ(r->productCategoryXrefTable->at(2).product_id, 12);

  ASSERT_EQ(r->productPriceTable->size(), 1u);
  const auto& price = r->productPriceTable->at(0);
  EXPECT_EQ(price.price_id, 70);
  EXPECT_DOUBLE_EQ(price.price, 9.5);
  EXPECT_DOUBLE_EQ(price.discount_price, 8);
  EXPECT_EQ(price.discount_start_date, 1700000000.0);
  EXPECT_EQ(price.discount_end_date, 1700086400.0);
  EXPECT_FALSE(price.tier_start_date.has_value());
  EXPECT_FALSE(price.tier_end_date.has_value());
  EXPECT_DOUBLE_EQ(price.discontRat, 0.1);

  ASSERT_EQ(r->imagesTable->size(), 1u);
  EXPECT_EQ(r->imagesTable->at(0).image_full_address, "a.jpg");
  EXPECT_EQ(r->imagesTable->at(0).image_isdault, 1);

  ASSERT_TRUE(r->categoryTable);
  ASSERT_EQ(r->categoryTable->size(), 1u);
  EXPECT_EQ(r->categoryTable->at(0).category_name, "Tools");
  EXPECT_FALSE(r->fieldsAttributeTable);
  EXPECT_FALSE(r->productRelatedFilesTable);
  EXPECT_FALSE(r->productTagTable);
  EXPECT_FALSE(r->productRelateTagTable);
  EXPECT_FALSE(r->productRelatedTable);

  // An empty product list is present and empty; later elements are read; an
  // element of the wrong kind is absent.
  r = decode<SyncAllTableRst>(request, reply(R"([[],{"x":1},[],
      [{"productId":1,"productSku":"S","fileId":9}],
      [{"id":"4","tagName":"New"}],[{"tagId":4,"productId":1}],
      [{"id":1,"firstProductId":1,"secondProductId":"2"}]])"));
  ASSERT_TRUE(r->productTable);
  EXPECT_TRUE(r->productTable->empty());
  EXPECT_TRUE(r->productPriceTable->empty());
  EXPECT_TRUE(r->imagesTable->empty());
  EXPECT_FALSE(r->categoryTable);
  ASSERT_TRUE(r->fieldsAttributeTable);
  EXPECT_TRUE(r->fieldsAttributeTable->empty());
  ASSERT_EQ(r->productRelatedFilesTable->size(), 1u);
  EXPECT_EQ(r->productRelatedFilesTable->at(0).file_id, 9);
  ASSERT_EQ(r->productTagTable->size(), 1u);
  EXPECT_EQ(r->productTagTable->at(0).tag_name, "New");
  ASSERT_EQ(r->productRelateTagTable->size(), 1u);
  ASSERT_EQ(r->productRelatedTable->size(), 1u);
  EXPECT_EQ(r->productRelatedTable->at(0).second_product_id, 2);

  // A row that cannot be read, among good ones, damages the whole reply: its
  // tables would be stored short and flagged whole.
  for (const char* content : {
           R"([[{"productID":1,"attributes":[{"attributeFieldsId":3}]}]])",
           R"([[{"productID":1,"attributes":["junk"]}]])",
           R"([[{"productID":1,"productParentList":[3,"x"]}]])",
           R"([[{"productID":1,"productParentList":[null]}]])",
           R"([[{"productID":1,"productParentList":[5.5]}]])",
           R"([[{"productID":1,"images":[{"fullAddress":"no-id.jpg"}]}]])",
           R"([[{"productID":1},{"productName":"no id"}]])",
           R"([[{"productID":1},{"productID":"12abc"}]])",
           R"([[{"productID":1},42]])",
           R"([[{"productID":1}],[{"categoryID":3},{"categoryName":"no id"}]])",
           R"([[],[],[],[{"productId":1,"fileId":9},{"productId":2}]])",
           R"([[],[],[],[],[],[{"tagId":4,"productId":1},{"tagId":4}]])",
           R"([[],[],[],[],[],[],[{"id":1},{"firstProductId":3}]])"}) {
    r = decode<SyncAllTableRst>(request, reply(content));
    EXPECT_EQ(r->status, "115") << content;
    EXPECT_FALSE(r->productTable) << content;
    EXPECT_FALSE(r->categoryTable) << content;
  }

  // A "200" whose content is not the list is a failure, not an empty success.
  for (const char* content : {R"({"products":[]})", "\"\"", "null"}) {
    r = decode<SyncAllTableRst>(request, reply(content));
    EXPECT_EQ(r->status, "115") << content;
    EXPECT_EQ(r->message, textOfKey("115"));
    EXPECT_FALSE(r->productTable);
  }
  // Another status leaves every table absent.
  r = decode<SyncAllTableRst>(request, reply("[[{\"productID\":1}]]", "\"999\""));
  EXPECT_EQ(r->status, "999");
  EXPECT_FALSE(r->productTable);
}

TEST_F(ReplyDecodeTest, ProductTablesReadInPassingKeepTheRulesOfAParsedReply) {
  RequestSyncAllTable request;
  const std::string content = R"([[
      {"images":[{"imageID":1,"fullAddress":"old.jpg"}],"attributes":[{"attributeId":1}],
       "productParentList":[1],"productID":"7","productID":8,
       "attributes":[{"attributeId":2},{"attributeId":3}],"images":[{"imageID":2,"fullAddress":"new.jpg"}],
       "priceID":4},
      {"\u0070roductID":10,"productName":"caf\u00e9","productName":"last","productTag":null}
    ],[]])";
  // The lists of a row take its id wherever it comes; a member given twice
  // counts as its last copy.
  auto r = decode<SyncAllTableRst>(request, reply(content));
  ASSERT_EQ(r->status, "200");
  ASSERT_EQ(r->productTable->size(), 2u);
  EXPECT_EQ(r->productTable->at(0).product_id, 8);
  EXPECT_EQ(r->productTable->at(1).product_id, 10);
  EXPECT_EQ(r->productTable->at(1).product_name, "last");
  EXPECT_EQ(r->productTable->at(1).product_tags, "");
  ASSERT_EQ(r->productAttributeTable->size(), 2u);
  EXPECT_EQ(r->productAttributeTable->at(0).attribute_id, 2);
  EXPECT_EQ(r->productAttributeTable->at(1).product_id, 8);
  ASSERT_EQ(r->imagesTable->size(), 1u);
  EXPECT_EQ(r->imagesTable->at(0).image_full_address, "new.jpg");
  ASSERT_EQ(r->productCategoryXrefTable->size(), 1u);
  EXPECT_EQ(r->productCategoryXrefTable->at(0).product_id, 8);
  ASSERT_EQ(r->productPriceTable->size(), 1u);
  EXPECT_EQ(r->productPriceTable->at(0).price_id, 4);
  ASSERT_TRUE(r->categoryTable);
  EXPECT_TRUE(r->categoryTable->empty());
  // A row without id, even one that brings its lists, damages the reply.
  auto damaged = content;
  damaged.insert(damaged.find("{\"\\u0070roductID\""),
                 R"({"attributes":[{"attributeId":9}],"images":[{"imageID":9}],"productParentList":[9],"priceID":9},)");
  r = decode<SyncAllTableRst>(request, reply(damaged));
  EXPECT_EQ(r->status, "115");
  EXPECT_FALSE(r->productTable);

  // The same reply parsed first decodes the same.
  auto parsed = JSONValue(reply(content));
  ASSERT_TRUE(parsed);
  auto same = std::dynamic_pointer_cast<SyncAllTableRst>(request.RequestDecode(&*parsed));
  ASSERT_TRUE(same);
  EXPECT_EQ(same->productTable->size(), 2u);
  EXPECT_EQ(same->productAttributeTable->size(), 2u);

  // "results" may come first; the last "content" counts.
  r = decode<SyncAllTableRst>(request, R"({"results":[{"status":"200"}],"content":[[{"productID":1}]],)"
                                       R"("content":[[{"productID":2},{"productID":3}]]})");
  ASSERT_EQ(r->status, "200");
  ASSERT_EQ(r->productTable->size(), 2u);
  EXPECT_EQ(r->productTable->at(0).product_id, 2);

  // Text that breaks after the content has been read keeps none of it; so
  // does any status but "200", and a reply that is not an object.
  for (const std::string& text :
       {reply("[[{\"productID\":1}]]").substr(0, 60), reply("[[{\"productID\":1}]]") + ",",
        reply("[[{\"productID\":1}]]", "\"114\""), std::string(R"([{"content":[[{"productID":1}]]}])"),
        std::string(R"({"content":[[{"productID":1}]]})"), reply("[[{\"productID\":1,\"x\":\"\xFF\"}]]")}) {
    SCOPED_TRACE(text);
    r = decode<SyncAllTableRst>(request, text);
    EXPECT_NE(r->status, "200");
    EXPECT_FALSE(r->productTable);
    EXPECT_FALSE(r->categoryTable);
  }
  EXPECT_EQ(decode<SyncAllTableRst>(request, reply("[[]]", "\"114\""))->status, "114");
}

// Stands for the product store: records each batch it is given and what
// whileReading() would keep, and checks that both run on the thread that
// decodes (the store's thread).
class RecordingStore : public SyncAllTableStore {
 public:
  // Refuses the batch of that number (1 for the first); 0 refuses none.
  std::size_t refuse = 0;
  std::vector<std::vector<int>> batches;  // product ids of each batch given
  std::vector<std::string> rest;          // category names given after the products
  std::vector<std::vector<int>> kept;     // the product ids of each pass that was kept
  int passes = 0;
  bool offThread = false;

  bool whileReading(const std::function<bool()>& read) override {
    note();
    ++passes;
    batches.clear();
    rest.clear();
    const bool whole = read();
    note();
    if (!whole) return false;
    std::vector<int> ids;
    for (const auto& b : batches) ids.insert(ids.end(), b.begin(), b.end());
    kept.push_back(ids);
    return true;
  }

  bool store(const SyncAllTableRst& rows) override {
    note();
    if (rows.productTable) {
      std::vector<int> ids;
      for (const auto& p : *rows.productTable) ids.push_back(p.product_id);
      // Each batch brings the lists of its own products.
      if (rows.productPriceTable) {
        EXPECT_EQ(rows.productPriceTable->size(), ids.size());
        for (std::size_t i = 0; i < ids.size() && i < rows.productPriceTable->size(); ++i)
          EXPECT_EQ(rows.productPriceTable->at(i).product_id, ids[i]);
      }
      batches.push_back(ids);
      EXPECT_FALSE(rows.categoryTable);
      return refuse != batches.size();
    }
    if (rows.categoryTable) {
      for (const auto& c : *rows.categoryTable) rest.push_back(c.category_name.value_or(""));
    }
    return true;
  }

 private:
  void note() { offThread = offThread || std::this_thread::get_id() != thread_; }
  std::thread::id thread_ = std::this_thread::get_id();
};

std::string productRows(int from, int to) {
  std::string rows;
  for (int id = from; id <= to; ++id) {
    if (!rows.empty()) rows += ",";
    rows += R"({"productID":)" + std::to_string(id) + R"(,"priceID":)" + std::to_string(id * 10) + "}";
  }
  return rows;
}

TEST_F(ReplyDecodeTest, ProductTablesReadBesideTheirStoreArriveInOrderAndCountOnlyWhole) {
  RequestSyncAllTable request;
  request.productsPerBatch = 2;
  auto store = std::make_shared<RecordingStore>();
  request.store = store;
  const std::string whole = reply("[[" + productRows(1, 5) + R"(],[{"categoryID":3,"categoryName":"Tools"}]])");

  auto r = decode<SyncAllTableRst>(request, whole);
  ASSERT_EQ(r->status, "200");
  EXPECT_TRUE(r->storedWhileRead);
  EXPECT_FALSE(r->storeFailed);
  EXPECT_FALSE(r->productTable);
  EXPECT_FALSE(r->categoryTable);
  EXPECT_EQ(store->batches, (std::vector<std::vector<int>>{{1, 2}, {3, 4}, {5}}));
  EXPECT_EQ(store->rest, (std::vector<std::string>{"Tools"}));
  EXPECT_EQ(store->kept, (std::vector<std::vector<int>>{{1, 2, 3, 4, 5}}));
  EXPECT_FALSE(store->offThread);

  // Text cut short after two batches were handed on: the store is told that
  // the reply is not whole, and nothing of it counts.
  store = std::make_shared<RecordingStore>();
  request.store = store;
  r = decode<SyncAllTableRst>(request, whole.substr(0, whole.find(R"({"productID":5)")));
  EXPECT_EQ(r->status, "115");
  EXPECT_FALSE(r->storedWhileRead);
  EXPECT_FALSE(r->productTable);
  EXPECT_EQ(store->passes, 1);
  EXPECT_TRUE(store->kept.empty());
  EXPECT_FALSE(store->offThread);

  // A status other than "200" that comes after the content, and a row that
  // cannot be read in the last batch, undo what was handed on too.
  for (const std::string& text :
       {reply("[[" + productRows(1, 5) + "]]", "\"114\""),
        reply("[[" + productRows(1, 4) + R"(,{"productName":"no id"}]])")}) {
    SCOPED_TRACE(text);
    store = std::make_shared<RecordingStore>();
    request.store = store;
    r = decode<SyncAllTableRst>(request, text);
    EXPECT_NE(r->status, "200");
    EXPECT_FALSE(r->storedWhileRead);
    EXPECT_FALSE(store->batches.empty());
    EXPECT_TRUE(store->kept.empty());
  }

  // A refused batch is the last one given; the reply is still read to its
  // end, and reported stored in vain.
  store = std::make_shared<RecordingStore>();
  store->refuse = 2;
  request.store = store;
  r = decode<SyncAllTableRst>(request, whole);
  ASSERT_EQ(r->status, "200");
  EXPECT_TRUE(r->storedWhileRead);
  EXPECT_TRUE(r->storeFailed);
  EXPECT_EQ(store->batches, (std::vector<std::vector<int>>{{1, 2}, {3, 4}}));
  EXPECT_TRUE(store->rest.empty());
  EXPECT_TRUE(store->kept.empty());

  // The last copy of the content counts: the reply is read again, storing
  // that copy only.
  store = std::make_shared<RecordingStore>();
  request.store = store;
  r = decode<SyncAllTableRst>(request, R"({"content":[[)" + productRows(1, 3) + R"(]],"content":[[)" +
                                           productRows(7, 9) + R"(]],"results":[{"status":"200"}]})");
  ASSERT_EQ(r->status, "200");
  EXPECT_TRUE(r->storedWhileRead);
  EXPECT_FALSE(r->storeFailed);
  EXPECT_EQ(store->passes, 2);
  EXPECT_EQ(store->kept, (std::vector<std::vector<int>>{{7, 8, 9}}));
  EXPECT_FALSE(store->offThread);
}

TEST_F(ReplyDecodeTest, LibraryTablesAndChangedIds) {
  RequestSyncFileTable request;
  request.isFull = "false";
  auto r = decode<SyncFileTableRst>(request, reply(R"([
      [{"id":"7","title":"Guide","fileName":"guide.pdf","category":2,"type":"PDF","publish":1,
        "coverImage":"g.png","info":"/1.2 M"}],
      [{"cateID":2,"cateName":"Docs","parentId":"0"}],
      {"keyIDS":" 3 , 4,,x,5 "}])"));
  EXPECT_EQ(r->isFull, "false");
  ASSERT_EQ(r->libFileTable->size(), 1u);
  EXPECT_EQ(r->libFileTable->at(0).file_id, 7);
  EXPECT_EQ(r->libFileTable->at(0).file_name, "guide.pdf");
  EXPECT_EQ(r->libFileTable->at(0).published, 1);
  EXPECT_EQ(r->libFileTable->at(0).isNew, 0);
  ASSERT_EQ(r->libCategoryTable->size(), 1u);
  EXPECT_EQ(r->libCategoryTable->at(0).name, "Docs");
  EXPECT_EQ(r->libFileUpdateTable, (std::vector<std::string>{"3", "4", "5"}));

  auto ids = [&](const std::string& third) {
    return decode<SyncFileTableRst>(request, reply("[[],[]," + third + "]"))->libFileUpdateTable;
  };
  EXPECT_EQ(ids(R"({"keyIDS":""})"), std::vector<std::string>{});
  EXPECT_EQ(ids(R"({"keyIDS":"3"})"), std::vector<std::string>{"3"});
  EXPECT_EQ(ids(R"({"keyIDS":"3,4"})"), (std::vector<std::string>{"3", "4"}));
  EXPECT_EQ(ids(R"({"keyIDS":8})"), std::vector<std::string>{"8"});
  EXPECT_EQ(ids(R"({})"), std::vector<std::string>{});
  EXPECT_FALSE(ids("[]"));
  EXPECT_FALSE(decode<SyncFileTableRst>(request, reply("[[],[]]"))->libFileUpdateTable);

  // The request's "isFull" is copied whatever the status.
  r = decode<SyncFileTableRst>(request, "not json");
  EXPECT_EQ(r->status, "115");
  EXPECT_EQ(r->isFull, "false");
}

TEST_F(ReplyDecodeTest, CustomerTablesAndTheirCount) {
  RequestSyncCustomerTable request;
  auto r = decode<SyncCustomerTableRst>(request, reply(R"([
      [{"customerId":"21","customerInfoId":1001,"customerDiscount":"0.15","customerPublish":1,
        "attributes":[{"attributeId":1,"attributeFieldsId":2,"attributeValue":"YES"}]},
       {"customerId":22,"customerName":"Lee"}],
      [{"attributeFieldsId":2,"attributeName":"Active","data_type":"bool"}],
      [{"id":31,"customerId":21,"address":"1 Main St","zip_code":12345}],
      [{"contactId":41,"customerId":21,"firstName":"Ann"}]])"));
  ASSERT_EQ(r->customerTable->size(), 2u);
  const auto& c = r->customerTable->at(0);
  EXPECT_EQ(c.customer_id, 21);
  EXPECT_EQ(c.customer_info_id, "1001");
  EXPECT_FALSE(c.customer_name.has_value());
  EXPECT_FLOAT_EQ(c.discount, 0.15f);
  EXPECT_EQ(r->customerTable->at(1).customer_name, "Lee");
  ASSERT_EQ(r->customerAttributeTable->size(), 1u);
  EXPECT_EQ(r->customerAttributeTable->at(0).customer_id, 21);
  ASSERT_EQ(r->fieldsAttributeTable->size(), 1u);
  EXPECT_EQ(r->fieldsAttributeTable->at(0).data_type, "bool");
  ASSERT_EQ(r->customerAddressTable->size(), 1u);
  EXPECT_EQ(r->customerAddressTable->at(0).customerZipCode, "12345");
  ASSERT_EQ(r->customerContactTable->size(), 1u);
  const auto& contact = r->customerContactTable->at(0);
  EXPECT_EQ(contact.first_name, "Ann");
  EXPECT_EQ(contact.email, "");
  EXPECT_EQ(contact.note, "");
  // Customers, attributes, fields and addresses; contacts are not counted.
  EXPECT_EQ(r->resultCount(), 2u + 1u + 1u + 1u);

  // A customer of many attributes, whose row carries many members the
  // device does not know besides its own, is read as any other.
  std::string rich = R"({"customerId":23,"customerName":"Rich")";
  for (int i = 0; i < 20000; ++i) rich += ",\"note" + std::to_string(i) + "\":\"x\"";
  rich += R"(,"attributes":[)";
  for (int i = 1; i <= 5000; ++i)
    rich += (i > 1 ? "," : "") + std::string(R"({"attributeId":)") + std::to_string(i) + R"(,"attributeValue":"v"})";
  r = decode<SyncCustomerTableRst>(request, reply("[[" + rich + "]}]]"));
  ASSERT_EQ(r->status, "200");
  ASSERT_EQ(r->customerTable->size(), 1u);
  EXPECT_EQ(r->customerTable->at(0).customer_name, "Rich");
  EXPECT_EQ(r->customerAttributeTable->size(), 5000u);

  // Ids of 0 and below are the device's own customers' and rows': never the service's.
  r = decode<SyncCustomerTableRst>(request, reply(R"([
      [{"customerId":-3,"attributes":[{"attributeId":9}]},{"customerId":0},
       {"customerId":5,"attributes":[{"attributeId":-9},{"attributeId":8}]}],[],
      [{"id":-1,"customerId":5},{"id":2,"customerId":-3},{"id":3,"customerId":5}],
      [{"contactId":-4,"customerId":5},{"contactId":4,"customerId":0}]])"));
  ASSERT_EQ(r->status, "200");
  ASSERT_EQ(r->customerTable->size(), 1u);
  EXPECT_EQ(r->customerTable->at(0).customer_id, 5);
  ASSERT_EQ(r->customerAttributeTable->size(), 1u);
  EXPECT_EQ(r->customerAttributeTable->at(0).attribute_id, 8);
  ASSERT_EQ(r->customerAddressTable->size(), 1u);
  EXPECT_EQ(r->customerAddressTable->at(0).indexId, 3);
  EXPECT_TRUE(r->customerContactTable->empty());

  // A row that cannot be read, among good ones or alone, makes a damaged
  // reply, not a short or an empty one.
  for (const char* content : {R"([["x",{"customerName":"no id"}],[]])", R"([[],[],[],[{"contactId":-1}]])",
                              R"([[{"customerId":21},{"customerName":"no id"}]])",
                              R"([[{"customerId":21,"attributes":[{"attributeValue":"no id"}]}]])",
                              R"([[],[{"attributeFieldsId":2},{"attributeName":"no id"}]])",
                              R"([[],[],[{"id":31,"customerId":21},{"id":32}]])",
                              R"([[],[],[],[{"contactId":41,"customerId":21},{"customerId":21}]])"}) {
    r = decode<SyncCustomerTableRst>(request, reply(content));
    EXPECT_EQ(r->status, "115") << content;
    EXPECT_FALSE(r->customerTable) << content;
  }
  RequestSyncFileTable files;
  EXPECT_EQ(decode<SyncFileTableRst>(files, reply(R"([[{"title":"no id"}],[7]])"))->status, "115");
  for (const char* content : {R"([[{"id":7},{"title":"no id"}],[]])", R"([[{"id":7}],[{"cateID":2},7]])"}) {
    auto f = decode<SyncFileTableRst>(files, reply(content));
    EXPECT_EQ(f->status, "115") << content;
    EXPECT_FALSE(f->libFileTable) << content;
  }
  RequestSyncAllTable products;
  auto p = decode<SyncAllTableRst>(products, reply(R"([[{"productName":"no id"},3],[{"categoryName":"no id"}]])"));
  EXPECT_EQ(p->status, "115");
  EXPECT_FALSE(p->productTable);

  r = decode<SyncCustomerTableRst>(request, reply("[[],[]]"));
  EXPECT_TRUE(r->customerTable && r->customerTable->empty());
  EXPECT_TRUE(r->fieldsAttributeTable && r->fieldsAttributeTable->empty());
  EXPECT_FALSE(r->customerAddressTable);
  EXPECT_FALSE(r->customerContactTable);
  EXPECT_EQ(r->resultCount(), 0u);
}

TEST_F(ReplyDecodeTest, IconTable) {
  RequestSyncIconTable request;
  auto r = decode<SyncIconTableRst>(
      request, reply(R"([{"iconID":1,"iconName":"top.png","iconTitle":"top bar","iconWidth":"1024"},{"iconName":"x"}])"));
  ASSERT_EQ(r->iconTable->size(), 1u);
  EXPECT_EQ(r->iconTable->at(0).name, "top.png");
  EXPECT_EQ(r->iconTable->at(0).width, 1024);
  EXPECT_EQ(decode<SyncIconTableRst>(request, reply("{}"))->status, "115");
}

TEST_F(ReplyDecodeTest, ConfigurationRows) {
  RequestConfig request;
  auto rowsOf = [](const ConfigRst& r) {
    std::map<std::string, std::string> rows;
    for (const auto& e : r.configTable) rows[e.configType] = e.desc;
    return rows;
  };
  auto r = decode<ConfigRst>(request, reply(R"({
      "configuration":{"home":"1","category":1,"sync":"1","inventory":"0","library":"1","customer":"1"},
      "appConfiguration":{"dateformat":"","modifyprice":"  "},
      "settings":{"view_type":"2","order_method":"1"}})"));
  auto rows = rowsOf(*r);
  // Without "order" the sixth field holds the placeholder that reads as off.
  EXPECT_EQ(rows["configuration"], "1,1,1,0,1,(null),1");
  EXPECT_EQ(rows["date_format"], "MM/dd/yy");
  EXPECT_EQ(rows["modify_price"], "0");
  EXPECT_EQ(rows["left_panel"], "2");
  EXPECT_EQ(rows["order_method"], "1");
  ASSERT_EQ(r->configTable.size(), 5u);
  EXPECT_EQ(r->configTable[0].clientid, "AcmeCo");
  EXPECT_EQ(r->configTable[0].update_date.size(), 19u);

  r = decode<ConfigRst>(request, reply(R"({
      "configuration":{"home":"1","category":"1","inventory":"0","library":"1","customer":"1","order":"1"},
      "appConfiguration":{"dateformat":"dd.MM.yy","modifyprice":"1"}})"));
  rows = rowsOf(*r);
  EXPECT_EQ(rows.count("configuration"), 0u);
  EXPECT_EQ(rows["date_format"], "dd.MM.yy");
  EXPECT_EQ(rows["modify_price"], "1");
  EXPECT_EQ(rows.count("left_panel"), 0u);

  // The runtime configuration never touches the tab switches.
  RequestRuntimeConfig runtime;
  r = decode<ConfigRst>(runtime, reply(R"({
      "configuration":{"home":"1","category":"1","sync":"1","inventory":"0","library":"1","customer":"1"},
      "settings":{"view_type":"2"},"appConfiguration":{"modifyprice":"1"}})"));
  rows = rowsOf(*r);
  EXPECT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows["modify_price"], "1");
  EXPECT_TRUE(decode<ConfigRst>(runtime, reply("{}"))->configTable.empty());
  EXPECT_EQ(decode<ConfigRst>(runtime, reply("[]"))->status, "115");
}

TEST_F(ReplyDecodeTest, UploadsAndAcknowledgements) {
  RequestUploadQuoteOrder orders;
  auto o = decode<UploadQuoteOrderRst>(orders, reply(R"({"orders":[{"id":"Q-1","generateId":501},7,"x",{"id":"Q-2"}]})"));
  ASSERT_EQ(o->orderIdUpdateArray.size(), 2u);
  EXPECT_EQ(o->orderIdUpdateArray[1]["id"], "Q-2");
  EXPECT_TRUE(decode<UploadQuoteOrderRst>(orders, reply(R"({"orders":[{"id":"Q-1"}]})", "\"999\""))
                  ->orderIdUpdateArray.empty());
  EXPECT_EQ(decode<UploadQuoteOrderRst>(orders, reply("{}"))->status, "115");

  RequestUploadCustomer customers;
  const std::string content = R"({
      "marvisto_customer":[{"customerId":501,"preId":-1},{"customerId":502},"x"],
      "marvisto_customer_address":[{"preId":-3,"customerId":501,"id":601,"city":"Oslo"}],
      "marvisto_customer_attribute":[{"preId":"-4","attributeId":701,"customerId":501,"attributeFieldsId":2,
                                      "attributeValue":1}]})";
  // The records come whatever the status; the customer book checks it.
  auto c = decode<SubmitCustomerRst>(customers, reply(content, "\"403\""));
  EXPECT_EQ(c->status, "403");
  ASSERT_EQ(c->customerArry.size(), 1u);
  EXPECT_EQ(c->customerArry[0].customer_id, 501);
  EXPECT_EQ(c->customerArry[0].pid, -1);
  ASSERT_EQ(c->customerAddress.size(), 1u);
  EXPECT_EQ(c->customerAddress[0].pID, -3);
  EXPECT_EQ(c->customerAddress[0].indexId, 601);
  EXPECT_EQ(c->customerAddress[0].customerCity, "Oslo");
  EXPECT_EQ(c->customerAddress[0].customerState, "");
  ASSERT_EQ(c->customerAttributes.size(), 1u);
  EXPECT_EQ(c->customerAttributes[0].pID, -4);
  EXPECT_EQ(c->customerAttributes[0].attribute_value, "1");
  EXPECT_TRUE(c->customerContacts.empty());
  EXPECT_EQ(decode<SubmitCustomerRst>(customers, reply("[]"))->status, "115");

  RequestSyncDataFinish finish;
  finish.tableType = "file";
  auto f = decode<SyncDataFinishRst>(finish, reply("\"\""));
  EXPECT_EQ(f->status, "200");
  EXPECT_EQ(f->tableType, "file");

  RequestGetOrderHistory history;
  auto h = decode<GetOrderHistoryRst>(history, reply(R"({"orders":[{"order_id":1},2],"items":{"x":1}})"));
  EXPECT_EQ(h->orderHistoryArray.size(), 1u);
  EXPECT_TRUE(h->orderItemHistoryArray.empty());
}

TEST_F(ReplyDecodeTest, BackupAndRestore) {
  RequestBackup backup;
  EXPECT_DOUBLE_EQ(decode<BackupRst>(backup, reply(R"({"last_backup_date":1780000000.125})"))->lastBackupDate,
                   1780000000.125);
  EXPECT_DOUBLE_EQ(decode<BackupRst>(backup, reply(R"({"last_backup_date":"1780000001.5"})"))->lastBackupDate,
                   1780000001.5);
  auto b = decode<BackupRst>(backup, R"({"results":[{"status":"200"}]})");
  EXPECT_EQ(b->status, "200");
  EXPECT_EQ(b->lastBackupDate, 0);

  RequestRestore restore;
  auto r = decode<RestoreRst>(restore, reply(R"({
      "favorite_product":[{"product_id":"5","product_sku":"S5","product_name":"Five"}],
      "compare_product":[],
      "favorite_library_file":[{"id":"9","file_name":"a.pdf"}],
      "download_library_file":[{"id":10,"file_name":"b.pdf"}],
      "order":[{"order_id":-1,"order_number":"rep_1","order_item":{"order_items":[]}},{"order_id":-2,"order_number":"rep_2"}],
      "customer":[{"customer_id":-2,"customer_name":"Local","discount":0.5}],
      "customer_attribute":[{"attribute_id":-5,"customer_id":-2,"attribute_fields_id":1,"attribute_value":0}],
      "customer_contact":[{"contact_id":-6,"customer_id":-2,"first_name":"Bo"}]})"));
  ASSERT_EQ(r->status, "200");
  ASSERT_EQ(r->favProductArray->size(), 1u);
  EXPECT_EQ(r->favProductArray->at(0).product_id, 5);
  EXPECT_TRUE(r->compareProductArray && r->compareProductArray->empty());
  EXPECT_EQ(r->favLibFileArray->at(0).file_id, 9);
  EXPECT_EQ(r->downloadLibFileArray->at(0).file_name, "b.pdf");
  EXPECT_EQ(r->downloadLibFileArray->at(0).type, "");
  EXPECT_EQ(r->orderArray->size(), 2u);
  EXPECT_FALSE(r->orderItemArray);
  ASSERT_EQ(r->customerArray->size(), 1u);
  EXPECT_EQ(r->customerArray->at(0).customer_id, -2);
  EXPECT_EQ(r->customerArray->at(0).customer_name, "Local");
  EXPECT_FALSE(r->customerAddressArray);
  EXPECT_EQ(r->customerAttributeArray->at(0).attribute_value, "0");
  EXPECT_EQ(r->customerContactArray->at(0).email, "");

  // A damaged reply never counts as a backup to restore: nor does one with a
  // single element that cannot be read, so it is taken whole or not at all.
  for (const char* content :
       {R"({"customer":{"customer_id":-2}})", R"({"order":"none"})", "[]", "\"\"",
        R"({"favorite_product":[{"product_id":5},{"product_sku":"no id"}]})", R"({"order":[{"order_number":"a"},3]})",
        R"({"order":[{"order_id":-1}]})", R"({"customer":[{"customer_id":-2},7]})",
        R"({"order_item":[{"order_item_id":-1},"x"]})"}) {
    r = decode<RestoreRst>(restore, reply(content));
    EXPECT_EQ(r->status, "115") << content;
    EXPECT_FALSE(r->customerArray);
    EXPECT_FALSE(r->orderArray);
  }
  r = decode<RestoreRst>(restore, reply("{}"));
  EXPECT_EQ(r->status, "200");
  EXPECT_FALSE(r->favProductArray);
}

TEST_F(ReplyDecodeTest, DownloadFailuresShowTheDownloadErrorText) {
  RequestDownload download;
  auto ok = decode<DownloadRst>(
      download, R"({"content":"","results":[{"detail":"","message":"Download Successfully!","status":"200"}]})");
  EXPECT_EQ(ok->status, "200");
  EXPECT_EQ(ok->message, textOfKey("200"));
  auto missing = decode<DownloadRst>(
      download, R"({"content":"","results":[{"detail":"","message":"File is not exist!","status":"404"}]})");
  EXPECT_EQ(missing->message, textOfKey("404"));
  auto failed = decode<DownloadRst>(
      download, R"({"content":"","results":[{"detail":"","message":"Network error!","status":"999"}]})");
  EXPECT_EQ(failed->status, "999");
  EXPECT_EQ(failed->message, textOfKey("DOWNLOADERROR"));
}

}  // namespace
}  // namespace mv
