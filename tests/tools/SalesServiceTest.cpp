#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "ProtocolClient.hpp"
#include "sales-service/SalesService.hpp"
#include "util/Crypto.hpp"

namespace mv::test {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using sales::SalesService;
using Value = base::Value;

int64_t asInt(const Value& v) { return v.is_string() ? std::stoll(v.get<std::string>()) : v.get<int64_t>(); }

std::set<int64_t> keys(const Value& rows, const char* key) {
  std::set<int64_t> out;
  for (const auto& r : rows) out.insert(asInt(r[key]));
  return out;
}

std::set<int64_t> keys(const sales::Table& table) {
  std::set<int64_t> out;
  for (const auto& r : table) out.insert(r.key);
  return out;
}

class SalesServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(service.start(&error)) << error;
  }
  SalesService service;
};

TEST_F(SalesServiceTest, LoginChecksCredentialsAndSessionsGuardSemicolonHeads) {
  ProtocolClient client(service);
  // the ";" heads need the cookie of a login
  EXPECT_EQ(client.syncTables("product", true).status(), "101");

  // the digest must be lower-case hexadecimal
  Reply upper = client.send("Vendor?", {{"methodName", "login"},
                                        {"version", "1.0.0"},
                                        {"accountId", "rep"},
                                        {"deviceId", client.deviceId},
                                        {"password", "5EBE2294ECD0E0F08EAB7690D2A6EE69"},
                                        {"clientId", "acme"},
                                        {"firstLogin", "YES"}});
  // Refusals never use the statuses that send the application offline.
  EXPECT_EQ(upper.status(), "206");
  EXPECT_TRUE(upper.setCookie.empty());
  EXPECT_EQ(client.login("wrong").status(), "206");

  // spelled as typed, the reply's names keep that spelling
  client.clientId = "ACME";
  client.accountId = "Rep";
  Reply ok = client.login();
  ASSERT_EQ(ok.status(), "200") << ok.body;
  ASSERT_FALSE(client.cookie.empty());
  EXPECT_EQ(client.cookie.rfind("JSESSIONID=", 0), 0u);
  EXPECT_EQ(ok.content()["vendor"]["account"], "Rep");
  EXPECT_EQ(ok.content()["vendor"]["clientId"], "ACME");
  EXPECT_EQ(ok.content()["sessionId"], client.cookie.substr(std::string("JSESSIONID=").size()));
  EXPECT_EQ(ok.content()["dataUpdated"], 1);
  EXPECT_EQ(ok.content()["skinUpdated"], 1);
  EXPECT_EQ(ok.content()["vendor"]["hasBackup"], false);
  EXPECT_EQ(client.syncTables("product", true).status(), "200");

  // a session request whose names are not the session's is refused
  Reply foreign = client.send("SyncServer;", {{"methodName", "syncDataFinished"}, {"tableType", "product"}, {"accountId", "manager"}});
  EXPECT_EQ(foreign.status(), "400");

  // percent-escaped heads are the same heads
  EXPECT_EQ(client.sendBody("SyncServer%3B",
                            Value{{"root", {{"parameters", {{"methodName", "syncFileFinished"}, {"fileIds", "3"},
                                                            {"accountId", "Rep"}, {"clientId", "ACME"}}}}}}.dump(),
                            client.cookie)
                .status(),
            "200");
  EXPECT_EQ(service.backend().receivedFiles("acme", "rep", client.deviceId), std::vector<int64_t>{3});
  EXPECT_EQ(client.sendBody("Vendor%3F", Value{{"root", {{"parameters", {{"methodName", "getuserinfo"}, {"accountId", "rep"},
                                                                        {"clientId", "acme"}}}}}}.dump(), "")
                .status(),
            "200");
  EXPECT_EQ(client.send("SyncServer;", {{"methodName", "syncFileFinished"}, {"fileIds", "3,4"}}).status(), "400");
  EXPECT_EQ(service.requestLog().back().path, "/MarvistoSaas/SyncServer;");

  // a wrong cookie, or an expired session, is "101"
  std::string good = client.cookie;
  client.cookie = "JSESSIONID=0000";
  EXPECT_EQ(client.acknowledge("product").status(), "101");
  client.cookie = good;
  service.backend().expireSessions();
  EXPECT_EQ(client.acknowledge("product").status(), "101");

  // strict requests: a missing parameter or a value that is not a string
  Value missing = {{"methodName", "login"}, {"accountId", "rep"}, {"clientId", "acme"}};
  EXPECT_EQ(client.send("Vendor?", missing).status(), "400");
  Reply notString = client.sendBody(
      "Vendor?", R"({"root":{"parameters":{"methodName":"checkDeviceStatus","accountId":"rep","deviceId":1,"clientId":"acme"}}})", "");
  EXPECT_EQ(notString.status(), "400");
  EXPECT_EQ(client.sendBody("Vendor?", "not json", "").status(), "400");
  EXPECT_EQ(client.send("Vendor?", {{"methodName", "syncData"}}).status(), "400");  // wrong head

  // the session id never travels in the body
  Value leaked = {{"methodName", "checkAppVersion"}, {"version", "1"}, {"jsessionId", "abc"}};
  EXPECT_EQ(client.send("SyncServer?", leaked).status(), "400");

  // the upper-case digest is accepted once the option says so
  service.backend().setAcceptUpperCaseDigest(true);
  EXPECT_EQ(client.send("Vendor?", {{"methodName", "login"},
                                    {"version", "1.0.0"},
                                    {"accountId", "rep"},
                                    {"deviceId", client.deviceId},
                                    {"password", "5EBE2294ECD0E0F08EAB7690D2A6EE69"},
                                    {"clientId", "acme"},
                                    {"firstLogin", "NO"}})
                .status(),
            "200");

  // device status: healthy, then locked
  Value device = {{"methodName", "checkDeviceStatus"}, {"accountId", "rep"}, {"deviceId", client.deviceId}, {"clientId", "acme"}};
  EXPECT_EQ(client.send("Vendor?", device).status(), "11412");
  service.backend().setLocked("acme", "rep", true);
  EXPECT_EQ(client.send("Vendor?", device).status(), "114");
  EXPECT_EQ(client.login().status(), "114");

  // unknown company
  client.clientId = "nobody";
  EXPECT_EQ(client.login().status(), "208");
}

TEST_F(SalesServiceTest, ConfigurationUserInfoAndVersionCheck) {
  ProtocolClient client(service);
  Reply config = client.send("Component?", {{"methodName", "loadConfigurationData"}, {"clientId", "Acme"}});
  ASSERT_EQ(config.status(), "200");
  for (const char* k : {"home", "category", "customer", "inventory", "library", "order", "sync"}) {
    EXPECT_TRUE(config.content()["configuration"][k].is_string()) << k;
  }
  EXPECT_TRUE(config.content()["appConfiguration"].contains("dateformat"));
  EXPECT_TRUE(config.content()["settings"].contains("order_method"));
  Reply runtime = client.send("Component?", {{"methodName", "getRunTimeConfig"}, {"clientId", "acme"}});
  EXPECT_FALSE(runtime.content().contains("configuration"));
  EXPECT_TRUE(runtime.content().contains("appConfiguration"));

  Reply info = client.send("Vendor?", {{"methodName", "getuserinfo"}, {"accountId", "rep"}, {"clientId", "acme"}});
  EXPECT_EQ(info.content()["company_name"], "Acme Trading");
  EXPECT_EQ(info.content()["email"], "rep@acme.example.com");
  Reply version = client.send("SyncServer?", {{"methodName", "checkAppVersion"}, {"version", "1.0.0"}});
  EXPECT_EQ(version.content()["update_status"], 0);
  EXPECT_TRUE(version.content()["messages"].contains("zh"));
}

TEST_F(SalesServiceTest, SignUpChecksThePasswordWithTheApplicationKey) {
  ProtocolClient client(service);
  // the service and the application encipher with the same key
  auto appCipher = mv::tripleDES("s3cret!", mv::kTripleDESEncrypt);
  ASSERT_TRUE(appCipher.has_value());
  EXPECT_EQ(*appCipher, sales::ServiceCrypto::tripleDesEncrypt("s3cret!"));
  Value form = {{"methodName", "register"},    {"companyname", "New Co"},        {"companyid", "newco"},
                {"username", "alice"},         {"password", *appCipher},         {"email", "a@newco.example.com"},
                {"phone", "+1 555 0199"}};
  EXPECT_EQ(client.send("Vendor?", form).status(), "200");
  EXPECT_EQ(client.send("Vendor?", form).status(), "409");  // the id is taken now

  client.clientId = "newco";
  client.accountId = "alice";
  EXPECT_EQ(client.login("s3cret!").status(), "200");
  EXPECT_EQ(client.syncTables("product", true).status(), "200");

  form["companyid"] = "other";
  form["password"] = "not base64 at all";
  EXPECT_EQ(client.send("Vendor?", form).status(), "400");
  form["password"] = sales::ServiceCrypto::tripleDesEncrypt("short");
  EXPECT_EQ(client.send("Vendor?", form).status(), "400");
  form.erase("phone");
  form["password"] = *appCipher;
  EXPECT_EQ(client.send("Vendor?", form).status(), "400");
}

TEST_F(SalesServiceTest, FullSyncThenIncrementalReturnsExactlyTheChanges) {
  auto company = service.backend().company("acme");
  const sales::DataSet& v1 = *company->first;
  const sales::DataSet& v2 = *company->second;
  const sales::ChangeSet& changes = company->changes;
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");

  Reply products = client.syncTables("product", true);
  ASSERT_EQ(products.status(), "200");
  ASSERT_EQ(products.content().size(), 7u);
  EXPECT_EQ(keys(products.content()[0], "productID"), keys(v1.products));
  EXPECT_EQ(keys(products.content()[1], "categoryID"), keys(v1.categories));
  EXPECT_EQ(products.content()[0][0], v1.products[0].value());  // rows exactly as generated
  Reply files = client.syncTables("file", true);
  ASSERT_EQ(files.content().size(), 3u);
  EXPECT_EQ(keys(files.content()[0], "id"), keys(v1.libraryFiles));
  EXPECT_EQ(files.content()[2]["keyIDS"], "");
  Reply customers = client.syncTables("customer", true);
  ASSERT_EQ(customers.content().size(), 4u);
  EXPECT_EQ(keys(customers.content()[0], "customerId"), keys(v1.customers));
  EXPECT_EQ(customers.content()[2].size(), v1.addresses.size());
  EXPECT_EQ(customers.content()[3].size(), v1.contacts.size());

  // without the acknowledgement an incremental request still gets everything
  EXPECT_EQ(client.syncTables("product", false).content()[0].size(), v1.products.size());
  for (const char* part : {"product", "file", "customer", "skin"}) EXPECT_EQ(client.acknowledge(part).status(), "200");
  EXPECT_EQ(service.backend().baseline("acme", "rep", client.deviceId, "product").version, 1);
  Reply again = client.login();
  EXPECT_EQ(again.content()["dataUpdated"], 0);
  EXPECT_EQ(again.content()["skinUpdated"], 0);

  // nothing changed: the changing parts are empty, the whole-table parts whole
  Reply none = client.syncTables("product", false);
  EXPECT_TRUE(none.content()[0].empty());
  EXPECT_TRUE(none.content()[1].empty());
  EXPECT_EQ(none.content()[4].size(), v1.tags.size());

  ASSERT_TRUE(service.backend().setDataVersion("acme", 2));
  EXPECT_EQ(client.login().content()["dataUpdated"], 1);
  Reply changed = client.syncTables("product", false);
  ASSERT_EQ(changed.content().size(), 7u);
  EXPECT_EQ(keys(changed.content()[0], "productID"),
            (std::set<int64_t>{changes.changedProductId, changes.unpublishedProductId, changes.uncategorisedProductId}));
  EXPECT_TRUE(changed.content()[1].empty());
  EXPECT_TRUE(changed.content()[2].empty());
  // whole-table parts always come whole
  EXPECT_EQ(changed.content()[3], sales::DataSet::toJson(v2.relatedFiles));
  EXPECT_EQ(changed.content()[4], sales::DataSet::toJson(v2.tags));
  EXPECT_EQ(changed.content()[5], sales::DataSet::toJson(v2.productTags));
  EXPECT_EQ(changed.content()[6], sales::DataSet::toJson(v2.relatedProducts));
  for (const auto& p : changed.content()[0]) {
    const int64_t id = asInt(p["productID"]);
    // a changed product comes with all its children
    EXPECT_EQ(p, sales::DataSet::find(v2.products, id)->value());
    if (id == changes.changedProductId) {
      std::set<std::string> names;
      for (const auto& image : p["images"]) names.insert(image["fullAddress"].get<std::string>());
      EXPECT_TRUE(names.count(changes.newImageFull));
      EXPECT_TRUE(names.count(changes.oldImageFull));  // sent again, unpublished
      EXPECT_FALSE(p["attributes"].empty());
    }
    if (id == changes.unpublishedProductId) {
      EXPECT_EQ(asInt(p["publish"]), -1);
    }
    if (id == changes.uncategorisedProductId) {
      EXPECT_TRUE(p["productParentList"].empty());
    }
  }

  Reply changedFiles = client.syncTables("file", false);
  EXPECT_EQ(keys(changedFiles.content()[0], "id"), (std::set<int64_t>{changes.renamedFileId, changes.newFileId}));
  EXPECT_EQ(changedFiles.content()[2]["keyIDS"], std::to_string(changes.renamedFileId));
  for (const auto& f : changedFiles.content()[0]) {
    if (asInt(f["id"]) == changes.renamedFileId) {
      EXPECT_EQ(f["fileName"], changes.newFileName);
    }
  }

  Reply changedCustomers = client.syncTables("customer", false);
  ASSERT_EQ(changedCustomers.content().size(), 4u);
  EXPECT_EQ(keys(changedCustomers.content()[0], "customerId"), (std::set<int64_t>{changes.changedCustomerId}));
  EXPECT_EQ(changedCustomers.content()[1].size(), v2.customerFields.size());
  size_t ownAddresses = 0, ownContacts = 0;
  for (const auto& r : v2.addresses) ownAddresses += r.owner == changes.changedCustomerId;
  for (const auto& r : v2.contacts) ownContacts += r.owner == changes.changedCustomerId;
  EXPECT_EQ(changedCustomers.content()[2].size(), ownAddresses);
  EXPECT_EQ(changedCustomers.content()[3].size(), ownContacts);
  bool sawNewAddress = false;
  for (const auto& a : changedCustomers.content()[2]) sawNewAddress |= a["address"] == changes.newAddress;
  EXPECT_TRUE(sawNewAddress);

  // another device of the same user has its own baseline
  ProtocolClient other(service);
  other.deviceId = "ffffffffffffffffffffffffffffffffffffffff";
  ASSERT_EQ(other.login().status(), "200");
  EXPECT_EQ(other.syncTables("product", false).content()[0].size(), v2.products.size());

  // the acknowledgements advance this device to version 2
  for (const char* part : {"product", "file", "customer"}) client.acknowledge(part);
  EXPECT_TRUE(client.syncTables("file", false).content()[0].empty());
  EXPECT_EQ(client.acknowledge("nonsense").status(), "400");
  EXPECT_EQ(client.send("SyncServer;", {{"methodName", "syncData"}, {"deviceId", client.deviceId}, {"syncType", "product"},
                                        {"isFull", "yes"}})
                .status(),
            "400");
}

TEST_F(SalesServiceTest, ATableReplyWrittenOnceIsServedAgainAsTheSameText) {
  auto company = service.backend().company("acme");
  ProtocolClient first(service);
  ASSERT_EQ(first.login().status(), "200");
  Reply written = first.syncTables("product", true);
  ASSERT_EQ(written.status(), "200");

  // Another device at the same version and baseline gets the same bytes, and
  // the reply served again still counts as served: its acknowledgement moves
  // that device on.
  ProtocolClient second(service);
  second.deviceId = "ffffffffffffffffffffffffffffffffffffffff";
  ASSERT_EQ(second.login().status(), "200");
  Reply again = second.syncTables("product", true);
  EXPECT_EQ(again.body, written.body);
  ASSERT_EQ(second.acknowledge("product").status(), "200");
  EXPECT_EQ(service.backend().baseline("acme", "rep", second.deviceId, "product").version, 1);
  EXPECT_TRUE(second.syncTables("product", false).content()[0].empty());

  // A new version is written afresh, for a full and an incremental request.
  ASSERT_TRUE(service.backend().setDataVersion("acme", 2));
  Reply full = first.syncTables("product", true);
  EXPECT_NE(full.body, written.body);
  EXPECT_EQ(full.content()[0].size(), company->second->products.size());
  EXPECT_EQ(keys(second.syncTables("product", false).content()[0], "productID"),
            (std::set<int64_t>{company->changes.changedProductId, company->changes.unpublishedProductId,
                               company->changes.uncategorisedProductId}));
}

Value orderDocument(const std::string& number, int lines) {
  Value items = Value::array();
  for (int i = 0; i < lines; ++i) {
    items.push_back({{"order_item_id", -1 - i}, {"product_id", 1001 + i}, {"product_quantity", 2}, {"product_item_price", 10.5}});
  }
  return {{"order",
           {{{"order_id", -1},
             {"order_number", number},
             {"customer_id", 501},
             {"customer_name", "Northwind Traders"},
             {"cdate", "07/01/2024 09:00:00"},
             {"order_total", 42.0},
             {"order_item", {{"order_items", items}}}}}}};
}

Value customerDocument() {
  return {{"marvisto_customer",
           {{{"customer_id", -1}, {"customer_info_id", ""}, {"customer_name", "Local \"Quoted\" 客户"}, {"customer_publish", 1},
             {"customer_ordering", 0}, {"discount", 2.5}}}},
          {"marvisto_customer_address",
           {{{"id", -3}, {"customer_id", -1}, {"address", "1 Main St"}, {"city", "Boston"}, {"state", "MA"}, {"zip_code", "02101"}}}},
          {"marvisto_customer_attribute",
           {{{"attribute_id", -5}, {"customer_id", -1}, {"attribute_fields_id", 1}, {"attribute_value", 1}},
            {{"attribute_id", -6}, {"customer_id", -1}, {"attribute_fields_id", 7}, {"attribute_value", "Retail"}}}},
          {"marvisto_customer_contact",
           {{{"customer_id", -1}, {"contact_id", -7}, {"first_name", "Ann"}, {"last_name", "Lee"}, {"job_title", ""},
             {"work_phone", ""}, {"mobile_phone", ""}, {"email", "ann@example.com"}, {"im", ""}, {"note", ""}}}}};
}

TEST_F(SalesServiceTest, UploadsAreIdempotentAndShowInHistoryAndSync) {
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  client.syncTables("customer", true);
  client.acknowledge("customer");

  Reply first = client.upload(orderDocument("rep_240701090000", 2));
  ASSERT_EQ(first.status(), "200") << first.body;
  ASSERT_EQ(first.content()["orders"].size(), 1u);
  EXPECT_EQ(first.content()["orders"][0]["id"], "rep_240701090000");
  const int64_t generated = first.content()["orders"][0]["generateId"].get<int64_t>();
  EXPECT_GT(generated, 0);
  Reply resent = client.upload(orderDocument("rep_240701090000", 2));
  EXPECT_EQ(resent.content()["orders"][0]["generateId"], generated);
  Value stored = service.backend().uploadedOrders("acme");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0]["order_item"].size(), 2u);
  EXPECT_EQ(stored[0]["order_item"][0]["order_id"], generated);

  // a malformed upload is refused whole
  Value broken = orderDocument("rep_240701090001", 1);
  broken["order"].push_back({{"order_total", 1}});
  EXPECT_EQ(client.upload(broken).status(), "400");
  EXPECT_EQ(service.backend().uploadedOrders("acme").size(), 1u);

  // history: newest first, paged by base time
  Reply page = client.send("SyncServer;", {{"methodName", "getorderhistory"}, {"baseTime", ""}, {"numberOfOrder", "5"}});
  ASSERT_EQ(page.status(), "200");
  ASSERT_EQ(page.content()["orders"].size(), 5u);
  EXPECT_EQ(page.content()["orders"][0]["order_number"], "rep_240701090000");
  std::set<int64_t> pageIds;
  for (const auto& o : page.content()["orders"]) pageIds.insert(asInt(o["order_id"]));
  for (const auto& item : page.content()["items"]) EXPECT_TRUE(pageIds.count(asInt(item["order_id"])));
  const std::string earliest = page.content()["orders"][4]["cdate"];  // MM/dd/yyyy HH:mm:ss
  const std::string baseTime = earliest.substr(6, 4) + "-" + earliest.substr(0, 2) + "-" + earliest.substr(3, 2) + earliest.substr(10);
  Reply older = client.send("SyncServer;", {{"methodName", "getorderhistory"}, {"baseTime", baseTime}, {"numberOfOrder", "100"}});
  ASSERT_EQ(older.status(), "200");
  EXPECT_EQ(older.content()["orders"].size(), 12u + 1u - 5u);
  for (const auto& o : older.content()["orders"]) EXPECT_FALSE(pageIds.count(asInt(o["order_id"])));
  EXPECT_EQ(client.send("SyncServer;", {{"methodName", "getorderhistory"}, {"numberOfOrder", "3"}}).content()["orders"].size(), 3u);
  EXPECT_EQ(client.send("SyncServer;", {{"methodName", "getorderhistory"}, {"baseTime", "07/01/2024"}, {"numberOfOrder", "3"}}).status(),
            "400");

  // customers: new ids mapped by preId, resends give the same ids
  Reply customers = client.upload(customerDocument());
  ASSERT_EQ(customers.status(), "200") << customers.body;
  const Value& mapped = customers.content()["marvisto_customer"];
  ASSERT_EQ(mapped.size(), 1u);
  EXPECT_EQ(mapped[0]["preId"], -1);
  const int64_t customerId = mapped[0]["customerId"].get<int64_t>();
  EXPECT_GT(customerId, 0);
  EXPECT_EQ(customers.content()["marvisto_customer_address"][0]["preId"], -3);
  EXPECT_EQ(customers.content()["marvisto_customer_address"][0]["customerId"], customerId);
  EXPECT_EQ(customers.content()["marvisto_customer_attribute"].size(), 2u);
  EXPECT_EQ(customers.content()["marvisto_customer_attribute"][0]["attributeValue"], "YES");  // the "Active" switch
  EXPECT_EQ(customers.content()["marvisto_customer_contact"][0]["contactId"].get<int64_t>() > 0, true);
  Reply again = client.upload(customerDocument());
  EXPECT_EQ(again.content(), customers.content());
  // a resend whose customer was edited meanwhile updates it under the same id
  Value edited = customerDocument();
  edited["marvisto_customer"][0]["customer_name"] = "Renamed";
  EXPECT_EQ(client.upload(edited).content()["marvisto_customer"], mapped);
  Value uploaded = service.backend().uploadedCustomers("acme");
  ASSERT_EQ(uploaded.size(), 1u);
  EXPECT_EQ(uploaded[0]["customerName"], "Renamed");
  EXPECT_EQ(uploaded[0]["addresses"].size(), 1u);
  EXPECT_EQ(uploaded[0]["attributes"].size(), 2u);

  // the next incremental customer sync carries the new customer once
  Reply sync = client.syncTables("customer", false);
  EXPECT_EQ(keys(sync.content()[0], "customerId"), (std::set<int64_t>{customerId}));
  client.acknowledge("customer");
  EXPECT_TRUE(client.syncTables("customer", false).content()[0].empty());

  Value wrongId = customerDocument();
  wrongId["marvisto_customer"][0]["customer_id"] = 5;
  EXPECT_EQ(client.upload(wrongId).status(), "400");
  Value orphan = customerDocument();
  orphan["marvisto_customer_address"][0]["customer_id"] = -99;
  EXPECT_EQ(client.upload(orphan).status(), "400");
  EXPECT_EQ(service.backend().uploadedCustomers("acme").size(), 1u);
  EXPECT_EQ(client.upload(Value{{"something", Value::array()}}).status(), "400");
}

Value backupDocument(const std::string& marker) {
  Value doc = Value::object();
  for (const char* m : {"favorite_product", "compare_product", "favorite_library_file", "download_library_file", "order",
                        "customer", "customer_address", "customer_attribute", "customer_contact"}) {
    doc[m] = Value::array();
  }
  doc["favorite_product"].push_back({{"product_id", 1001}, {"product_sku", marker}, {"product_name", "Lamp"}});
  return doc;
}

TEST_F(SalesServiceTest, BackupIsStoredAndRestoredLooselyOrStrictly) {
  double now = 1700000000.0;
  service.backend().setClock([&now] { return now; });
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  EXPECT_EQ(client.send("Restore;", {{"methodName", "restoreData"}, {"last_backup_date", "0.000000"}}).status(), "212");

  const std::string firstText = backupDocument("first").dump();
  Reply backup = client.send("Backup;", {{"methodName", "backupData"}, {"syncData", firstText}});
  ASSERT_EQ(backup.status(), "200");
  EXPECT_DOUBLE_EQ(backup.content()["last_backup_date"].get<double>(), 1700000000.0);
  now += 3600.25;
  const std::string secondText = backupDocument("second").dump(2);  // stored byte for byte, whatever the layout
  ASSERT_EQ(client.send("Backup;", {{"methodName", "backupData"}, {"syncData", secondText}}).status(), "200");

  auto restore = [&](const std::string& when) {
    return client.send("Restore;", {{"methodName", "restoreData"}, {"last_backup_date", when}});
  };
  auto contentText = [](const Reply& r) {
    const std::string prefix = "{\"content\":";
    size_t end = r.body.rfind(",\"results\":");
    return r.body.substr(prefix.size(), end - prefix.size());
  };
  // unknown time: the latest; a time off by float rounding: the nearest
  EXPECT_EQ(contentText(restore("0.000000")), secondText);
  EXPECT_EQ(contentText(restore("1700000040.000000")), firstText);
  EXPECT_EQ(restore("1700000040.000000").content()["favorite_product"][0]["product_sku"], "first");
  EXPECT_EQ(restore("abc").status(), "400");

  service.backend().setStrictRestore(true);
  EXPECT_EQ(restore("1700000040.000000").status(), "212");
  EXPECT_EQ(contentText(restore("1700003600.250000")), secondText);

  Reply login = client.login();
  EXPECT_EQ(login.content()["vendor"]["hasBackup"], true);
  EXPECT_DOUBLE_EQ(login.content()["vendor"]["lastBackupDate"].get<double>(), 1700003600.25);

  Value incomplete = backupDocument("x");
  incomplete.erase("customer_contact");
  EXPECT_EQ(client.send("Backup;", {{"methodName", "backupData"}, {"syncData", incomplete.dump()}}).status(), "400");
  EXPECT_EQ(service.backend().backups("acme", "rep").size(), 2u);
}

TEST_F(SalesServiceTest, FileEndpointServesRangesAndMissingFiles) {
  auto data = service.backend().currentData("acme");
  const std::string pdfName = data->libraryFiles[0].value()["fileName"];
  auto pdf = data->file("library/pdf/" + pdfName);
  ASSERT_TRUE(pdf);
  httplib::Client http(service.host(), service.filePort());
  const std::string path = "/marvisto_saas/images/ACME/library/pdf/" + pdfName;  // client id as typed

  auto whole = http.Post(path.c_str());
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->status, 200);
  EXPECT_EQ(whole->body, *pdf);
  EXPECT_EQ(whole->get_header_value("Content-Length"), std::to_string(pdf->size()));
  auto viaGet = http.Get(path.c_str());
  ASSERT_TRUE(viaGet);
  EXPECT_EQ(viaGet->body, *pdf);

  const size_t from = pdf->size() / 3;
  auto part = http.Post(path.c_str(), {{"Range", "bytes=" + std::to_string(from) + "-"}}, "", "");
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, pdf->substr(from));
  EXPECT_EQ(part->get_header_value("Content-Length"), std::to_string(pdf->size() - from));
  EXPECT_EQ(part->get_header_value("Content-Range"),
            "bytes " + std::to_string(from) + "-" + std::to_string(pdf->size() - 1) + "/" + std::to_string(pdf->size()));
  auto beyond = http.Get(path.c_str(), {{"Range", "bytes=" + std::to_string(pdf->size()) + "-"}});
  ASSERT_TRUE(beyond);
  EXPECT_EQ(beyond->status, 416);

  for (const char* bad : {"/marvisto_saas/images/acme/library/pdf/missing.pdf", "/marvisto_saas/images/nobody/library/pdf/x.pdf",
                          "/marvisto_saas/images/acme/library/../pdf/x.pdf", "/images/acme/library/pdf/x.pdf",
                          "/marvisto_saas/images/acme/secret/x.pdf", "/marvisto_saas/images/acme/product/..%2F..%2Fetc"}) {
    auto r = http.Get(bad);
    ASSERT_TRUE(r) << bad;
    EXPECT_EQ(r->status, 404) << bad;
  }

  auto skin = http.Get("/marvisto_saas/images/acme/SkinImages_iOS7.zip");
  ASSERT_TRUE(skin);
  EXPECT_EQ(skin->status, 200);
  EXPECT_EQ(skin->body.substr(0, 2), "PK");
  auto icon = http.Post("/marvisto_saas/images/acme/icon/some_template_icon.png");  // a name the data never listed
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->status, 200);
  EXPECT_EQ(icon->body.substr(1, 3), "PNG");

  auto log = service.requestLog();
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[0].endpoint, "file");
  EXPECT_EQ(log[0].method, "POST");
  EXPECT_EQ(log[1].method, "GET");
  EXPECT_EQ(log[2].range, "bytes=" + std::to_string(from) + "-");
  EXPECT_EQ(log[2].httpStatus, 206);
}

TEST_F(SalesServiceTest, FaultSwitchesDoWhatTheySay) {
  ProtocolClient client(service);

  // a status override, once
  service.addFault([] {
    FaultRule r = FaultRule::statusFor("login", "101");
    r.times = 1;
    return r;
  }());
  EXPECT_EQ(client.login().status(), "101");
  ASSERT_EQ(client.login().status(), "200");

  // wrong shapes
  FaultRule shortContent;
  shortContent.method = "syncData/product";
  shortContent.kind = FaultKind::WrongShape;
  shortContent.shape = sales::WrongShape::ContentTooShort;
  shortContent.times = 1;
  service.addFault(shortContent);
  Reply shortReply = client.syncTables("product", true);
  EXPECT_EQ(shortReply.status(), "200");
  EXPECT_EQ(shortReply.content().size(), 1u);
  EXPECT_EQ(client.syncTables("file", true).content().size(), 3u);  // another table is untouched
  FaultRule notArray = shortContent;
  notArray.shape = sales::WrongShape::ContentNotArray;
  service.addFault(notArray);
  EXPECT_TRUE(client.syncTables("product", true).content().is_object());
  FaultRule noResults = shortContent;
  noResults.shape = sales::WrongShape::NoResults;
  service.addFault(noResults);
  Reply bare = client.syncTables("product", true);
  EXPECT_FALSE(bare.json.contains("results"));
  FaultRule garbage = shortContent;
  garbage.shape = sales::WrongShape::NotJson;
  service.addFault(garbage);
  EXPECT_TRUE(client.syncTables("product", true).json.is_discarded());

  // HTML with 500, and a JSON reply under HTTP 500
  FaultRule html;
  html.method = "getuserinfo";
  html.kind = FaultKind::Html500;
  html.times = 1;
  service.addFault(html);
  Reply page = client.send("Vendor?", {{"methodName", "getuserinfo"}, {"accountId", "rep"}, {"clientId", "acme"}});
  EXPECT_EQ(page.http, 500);
  EXPECT_NE(page.body.find("<html>"), std::string::npos);
  FaultRule http500 = html;
  http500.kind = FaultKind::HttpStatus;
  http500.httpStatus = 500;
  service.addFault(http500);
  Reply json500 = client.send("Vendor?", {{"methodName", "getuserinfo"}, {"accountId", "rep"}, {"clientId", "acme"}});
  EXPECT_EQ(json500.http, 500);
  EXPECT_EQ(json500.status(), "200");

  // a silent stall, then the reply
  auto stall = FaultRule::stallFor("checkAppVersion", 0.4);
  stall.times = 1;
  service.addFault(stall);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(client.send("SyncServer?", {{"methodName", "checkAppVersion"}, {"version", "1"}}).status(), "200");
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(400));

  // a slow steady trickle delivers the whole reply
  FaultRule slow;
  slow.method = "getRunTimeConfig";
  slow.kind = FaultKind::Trickle;
  slow.chunkBytes = 16;
  slow.seconds = 0.02;
  slow.times = 1;
  service.addFault(slow);
  started = std::chrono::steady_clock::now();
  Reply trickled = client.send("Component?", {{"methodName", "getRunTimeConfig"}, {"clientId", "acme"}});
  EXPECT_EQ(trickled.status(), "200");
  const size_t chunks = (trickled.body.size() + 15) / 16;
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(20 * (chunks - 1)));

  // a dropped connection gives no HTTP answer; by default the request still counted
  auto drop = FaultRule::dropFor("syncData/order");
  drop.times = 1;
  service.addFault(drop);
  EXPECT_EQ(client.upload(orderDocument("rep_240702100000", 1)).http, 0);
  EXPECT_EQ(service.backend().uploadedOrders("acme").size(), 1u);
  // the resend after the lost reply creates nothing twice
  EXPECT_EQ(client.upload(orderDocument("rep_240702100000", 1)).status(), "200");
  EXPECT_EQ(service.backend().uploadedOrders("acme").size(), 1u);

  // files: 500, 404, ignored Range, by path pattern
  httplib::Client http(service.host(), service.filePort());
  const std::string thumb = "/marvisto_saas/images/acme/product/p1001_1_s.png";
  service.addFault(FaultRule::fileStatus("*p1001_1_s.png", 500));
  EXPECT_EQ(http.Get(thumb.c_str())->status, 500);
  service.clearFaults();
  auto missing = FaultRule::fileStatus("*/product/*", 404);
  missing.times = 1;
  service.addFault(missing);
  EXPECT_EQ(http.Get(thumb.c_str())->status, 404);
  EXPECT_EQ(http.Get(thumb.c_str())->status, 200);
  FaultRule ignore;
  ignore.path = "*p1001_1_s.png";
  ignore.kind = FaultKind::IgnoreRange;
  service.addFault(ignore);
  auto full = http.Get(thumb.c_str(), {{"Range", "bytes=10-"}});
  EXPECT_EQ(full->status, 200);
  EXPECT_EQ(full->body, *service.backend().currentData("acme")->file("product/p1001_1_s.png"));

  // the log tells what was received and what was done
  auto log = service.requestLog();
  const sales::LogEntry* upload = nullptr;
  for (const auto& e : log) {
    if (e.methodName == "syncData" && e.qualifier == "order" && e.fault == "drop") upload = &e;
  }
  ASSERT_NE(upload, nullptr);
  EXPECT_EQ(upload->head, "SyncClient;");
  EXPECT_EQ(upload->path, "/MarvistoSaas/SyncClient;");
  EXPECT_EQ(upload->cookie, client.cookie);
  EXPECT_EQ(upload->parameters["accountId"], "rep");
  EXPECT_TRUE(upload->parameters["syncData"].is_string());
}

TEST_F(SalesServiceTest, StopEndsAStallAtOnce) {
  service.addFault(FaultRule::stallFor("checkAppVersion", 0));  // until the service stops
  std::thread caller([&] {
    ProtocolClient client(service);
    EXPECT_EQ(client.send("SyncServer?", {{"methodName", "checkAppVersion"}, {"version", "1"}}).http, 0);
  });
  ASSERT_TRUE(service.log().waitFor([](const auto& entries) { return !entries.empty(); }, 5));
  auto started = std::chrono::steady_clock::now();
  service.stop();
  caller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_FALSE(service.running());

  // while stopped nobody answers; started again it answers on the same port with the same state
  const int port = service.messagePort();
  ProtocolClient client(service);
  EXPECT_EQ(client.login().http, 0);
  service.clearFaults();
  ASSERT_TRUE(service.start());
  EXPECT_EQ(service.messagePort(), port);
  EXPECT_EQ(client.login().status(), "200");
}

TEST(SalesServiceControl, ControlEndpointSwitchesFaultsAndVersions) {
  sales::ServiceConfig config = sales::ServiceConfig::defaults();
  config.controlEndpoint = true;
  SalesService service(config);
  ASSERT_TRUE(service.start());
  httplib::Client control(service.host(), service.messagePort());
  auto added = control.Post("/_control/faults", R"({"method":"login","kind":"status","status":"207","times":1})",
                            "application/json");
  ASSERT_TRUE(added);
  EXPECT_EQ(added->status, 200);
  EXPECT_EQ(control.Post("/_control/faults", R"({"kind":"nonsense"})", "application/json")->status, 400);
  ProtocolClient client(service);
  EXPECT_EQ(client.login().status(), "207");
  EXPECT_EQ(client.login().status(), "200");
  EXPECT_EQ(control.Post("/_control/version", R"({"clientId":"acme","version":2})", "application/json")->status, 200);
  EXPECT_EQ(service.backend().dataVersion("acme"), 2);
  auto settings = Value::parse(control.Get("/_control/settings")->body);
  EXPECT_EQ(settings["Port"], service.messagePort());
  EXPECT_EQ(settings["ImagePort"], service.filePort());
  EXPECT_EQ(settings["Path"], "MarvistoSaas");
  EXPECT_EQ(settings["ImagePath"], "marvisto_saas");
  // a path that is not UTF-8 once decoded is answered and logged all the same
  auto odd = control.Post("/MarvistoSaas/%FF%FE", "{}", "application/json");
  ASSERT_TRUE(odd);
  EXPECT_EQ(Value::parse(odd->body)["results"][0]["status"], "400");
  auto log = Value::parse(control.Get("/_control/log")->body);
  ASSERT_EQ(log["entries"].size(), 3u);  // control requests are not logged
  EXPECT_EQ(log["entries"][0]["methodName"], "login");
  EXPECT_EQ(log["entries"][0]["fault"], "status");
}

}  // namespace
}  // namespace mv::test
