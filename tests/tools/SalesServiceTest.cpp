#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "ProtocolClient.hpp"
#include "TestEnvironment.hpp"
#include "sales-service/RequestLog.hpp"
#include "sales-service/SalesService.hpp"
#include "sales-service/SampleData.hpp"
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

// A company whose own rows run past the first ids handed to uploads: a
// customer's attribute rows reach 108,000 at 12,000 customers.
TEST(SalesServiceUploads, AnUploadsIdsLiePastEveryRowTheCompanyHolds) {
  auto config = sales::ServiceConfig::defaults();
  config.messagePort = 0;
  config.filePort = 0;
  sales::SampleOptions options;
  for (auto& company : config.companies) {
    if (company.clientId != "acme") continue;
    company.data.customers = 12000;
    options = company.data;
    options.clientId = company.clientId;
    options.companyName = company.name;
  }
  SalesService service(config);
  std::string error;
  ASSERT_TRUE(service.start(&error)) << error;
  // The rows the service holds, as it generated them.
  const auto held = sales::SampleData::company(options)->first;
  ASSERT_EQ(held->customers.size(), 12000u);
  std::set<int64_t> customers, addresses, contacts, attributes;
  for (const auto& row : held->customers) {
    customers.insert(row.key);
    const Value customer = row.value();
    for (const auto& a : customer["attributes"]) attributes.insert(asInt(a["attributeId"]));
  }
  for (const auto& row : held->addresses) addresses.insert(row.key);
  for (const auto& row : held->contacts) contacts.insert(row.key);

  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  const Value given = client.upload(customerDocument()).content();
  ASSERT_FALSE(given.is_null());
  const auto freshAmong = [](const Value& rows, const char* key, const std::set<int64_t>& taken) {
    for (const auto& r : rows) {
      if (taken.count(asInt(r[key]))) return false;
    }
    return !rows.empty();
  };
  EXPECT_TRUE(freshAmong(given["marvisto_customer"], "customerId", customers));
  EXPECT_TRUE(freshAmong(given["marvisto_customer_address"], "id", addresses));
  EXPECT_TRUE(freshAmong(given["marvisto_customer_contact"], "contactId", contacts));
  EXPECT_TRUE(freshAmong(given["marvisto_customer_attribute"], "attributeId", attributes));
  // Kept as uploaded, apart from the company's own rows.
  const Value uploaded = service.backend().uploadedCustomers("acme");
  ASSERT_EQ(uploaded.size(), 1u);
  EXPECT_EQ(keys(uploaded[0]["attributes"], "attributeId"), keys(given["marvisto_customer_attribute"], "attributeId"));
}

// What a loopback caller that writes its request by hand reads back.
std::string rawExchange(int port, const std::string& request) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
    timeval wait{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
      reply.append(buffer, static_cast<std::size_t>(n));
      if (reply.find("\r\n\r\n") != std::string::npos && reply.find("}") != std::string::npos) break;
    }
  }
  ::close(fd);
  return reply;
}

TEST(SalesServiceControl, APostWithoutABodyIsToldWhatToSend) {
  auto config = sales::ServiceConfig::defaults();
  config.messagePort = 0;
  config.filePort = 0;
  config.controlEndpoint = true;
  SalesService service(config);
  std::string error;
  ASSERT_TRUE(service.start(&error)) << error;
  const std::string refused = rawExchange(
      service.messagePort(), "POST /_control/log/clear HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
  EXPECT_TRUE(refused.starts_with("HTTP/1.1 400")) << refused;
  EXPECT_NE(refused.find("needs a body"), std::string::npos) << refused;
  const std::string cleared =
      rawExchange(service.messagePort(),
                  "POST /_control/log/clear HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
                  "Content-Length: 2\r\n\r\n{}");
  EXPECT_TRUE(cleared.starts_with("HTTP/1.1 200")) << cleared;
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

TEST_F(SalesServiceTest, TheWebAdministrationSignInShowsTheLinksUserAndClientEscaped) {
  httplib::Client http(service.host(), service.filePort());
  auto page = http.Get("/administrator/index.php?option=com_login&username=rep%3Cb%3E&client_id=acme&lang=en-GB");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
  EXPECT_NE(page->body.find("Web Administration"), std::string::npos);
  EXPECT_NE(page->body.find("value='rep&lt;b&gt;'"), std::string::npos) << "the user as typed, never as markup";
  EXPECT_NE(page->body.find("value='acme'"), std::string::npos);
  auto chinese = http.Get("/marvisto_saas/administrator/index.php?option=com_login&username=rep&client_id=acme&lang=zh-CN");
  ASSERT_TRUE(chinese);
  EXPECT_NE(chinese->body.find("网站管理"), std::string::npos);
  auto elsewhere = http.Get("/administrator/other.php");
  ASSERT_TRUE(elsewhere);
  EXPECT_EQ(elsewhere->status, 404);
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

// A second service started on ports the first one holds is refused, so that
// the two never share (and lose) each other's connections and sessions.
TEST_F(SalesServiceTest, ASecondServiceOnThePortsInUseIsRefused) {
  auto config = sales::ServiceConfig::defaults();
  config.messagePort = service.messagePort();
  config.filePort = 0;
  SalesService second(config);
  std::string error;
  EXPECT_FALSE(second.start(&error));
  // With the reason, as the system gives it.
  EXPECT_NE(error.find("cannot listen on 127.0.0.1:" + std::to_string(service.messagePort()) + ": " +
                       std::strerror(EADDRINUSE)),
            std::string::npos)
      << error;

  config.messagePort = 0;
  config.filePort = service.filePort();
  SalesService third(config);
  EXPECT_FALSE(third.start(&error));
  EXPECT_NE(error.find(std::to_string(service.filePort())), std::string::npos) << error;
}

TEST_F(SalesServiceTest, BodiesAndTheRequestLogAreBounded) {
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  const size_t logged = service.log().size();
  // A body past the limit is refused unread: it never reaches the backend or the log.
  Reply huge = client.sendBody("SyncServer;", std::string(SalesService::kMaxPayloadBytes + 1, ' '), client.cookie);
  EXPECT_TRUE(huge.http == 413 || huge.http == 0) << huge.http;
  EXPECT_EQ(service.log().size(), logged);

  // A long text within the limit is answered, and logged by its size.
  const std::string padding(sales::RequestLog::kMaxTextBytes + 1, 'p');
  Reply padded = client.send(
      "SyncServer;", {{"methodName", "syncDataFinished"}, {"tableType", "product"}, {"padding", padding}, {"note", "kept"}});
  EXPECT_EQ(padded.status(), "200");
  auto entries = service.log().entries();
  ASSERT_EQ(entries.size(), logged + 1);
  EXPECT_EQ(entries.back().parameters["padding"],
            "(" + std::to_string(padding.size()) + " bytes, not kept)");
  EXPECT_EQ(entries.back().parameters["note"], "kept");
}

TEST_F(SalesServiceTest, TheRequestLogIsBoundedInBytesHoweverTheRequestsAreMade) {
  constexpr size_t kBound = size_t{2} << 20;
  service.log().setMaxBytes(kBound);
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  // Each request some 1.5 MB in six hundred small parameters, none of them
  // near the bound of one text.
  auto texts = [](const sales::LogEntry& e) {
    size_t bytes = 0;
    for (const auto& [key, value] : e.parameters.items()) bytes += key.size() + value.dump().size();
    return bytes;
  };
  for (int request = 0; request < 4; ++request) {
    Value parameters = {{"methodName", "syncDataFinished"}, {"tableType", "product"}};
    for (int i = 0; i < 600; ++i) parameters["p" + std::to_string(i)] = std::string(2500, static_cast<char>('a' + request));
    EXPECT_EQ(client.send("SyncServer;", parameters).status(), "200");
  }
  const auto entries = service.log().entries();
  size_t kept = 0;
  for (const auto& e : entries) kept += texts(e);
  EXPECT_LE(kept, kBound);
  // The newest is kept, as much of it as one entry may hold and a note of the rest.
  ASSERT_FALSE(entries.empty());
  const auto& newest = entries.back();
  EXPECT_EQ(newest.methodName, "syncDataFinished");
  EXPECT_EQ(newest.parameters.value("p0", ""), std::string(2500, 'd'));
  EXPECT_GT(texts(newest), kBound / 8);
  ASSERT_TRUE(newest.parameters.contains("(not kept)"));
  EXPECT_NE(newest.parameters["(not kept)"].get<std::string>().find("more parameters"), std::string::npos);
  EXPECT_FALSE(newest.parameters.contains("p599"));

  // Small entries past the bound push out the oldest, whole.
  sales::RequestLog small(64 << 10);
  sales::LogEntry entry;
  entry.path = std::string(1000, 'x');
  for (int i = 0; i < 200; ++i) small.append(entry);
  EXPECT_LT(small.size(), 64u);
  EXPECT_GT(small.size(), 32u);
  EXPECT_EQ(small.entries().back().sequence, 200u);
}

// What the devices synced stays in the data folder: a restarted service does
// not send every device on a full sync again.
TEST(SalesServiceState, DevicesAreRememberedAcrossRestartsInTheDataFolder) {
  const auto folder = makeTempDir("service-state");
  auto config = sales::ServiceConfig::defaults();
  config.dataFolder = folder.string();
  auto freshLogin = [&](auto&& check) {
    SalesService service(config);
    ASSERT_TRUE(service.start());
    ProtocolClient client(service);
    Reply login = client.login();
    ASSERT_EQ(login.status(), "200");
    check(service, client, login.content());
  };

  freshLogin([](SalesService&, ProtocolClient& client, const Value& first) {
    EXPECT_EQ(first["dataUpdated"], 1);
    EXPECT_EQ(first["skinUpdated"], 1);
    for (const char* part : {"product", "file", "customer"}) {
      ASSERT_EQ(client.syncTables(part, true).status(), "200");
      ASSERT_EQ(client.acknowledge(part).status(), "200");
    }
    ASSERT_EQ(client.acknowledge("skin").status(), "200");
  });
  // Nothing to sync after the restart; a full sync asked for is still owed.
  freshLogin([](SalesService& service, ProtocolClient&, const Value& again) {
    EXPECT_EQ(again["dataUpdated"], 0);
    EXPECT_EQ(again["skinUpdated"], 0);
    EXPECT_EQ(again["syncAll"], 0);
    EXPECT_TRUE(service.backend().requestFullSync("acme", "rep"));
  });
  freshLogin([](SalesService&, ProtocolClient&, const Value& owed) {
    EXPECT_EQ(owed["dataUpdated"], 0);
    EXPECT_EQ(owed["syncAll"], 1);
  });
  // Written whole each time: nothing but the state file lies beside it.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{sales::SalesBackend::kStateFileName});

  // A damaged state file, or none, starts afresh.
  for (const char* damaged : {"{\"companies\": {\"acme\": [", "[1, 2]", "{\"companies\": {\"acme\": {\"accounts\": 7}}}"}) {
    SCOPED_TRACE(damaged);
    std::ofstream(folder / sales::SalesBackend::kStateFileName, std::ios::trunc) << damaged;
    freshLogin([](SalesService&, ProtocolClient&, const Value& fresh) { EXPECT_EQ(fresh["dataUpdated"], 1); });
  }
  std::filesystem::remove(folder / sales::SalesBackend::kStateFileName);
  freshLogin([](SalesService&, ProtocolClient&, const Value& fresh) { EXPECT_EQ(fresh["dataUpdated"], 1); });
  std::filesystem::remove_all(folder);
}

TEST(SalesRequestLog, KeepsTheNewestEntriesOnly) {
  sales::RequestLog log;
  size_t first = 0, last = 0;
  for (size_t i = 0; i < sales::RequestLog::kMaxEntries + 3; ++i) {
    sales::LogEntry entry;
    entry.methodName = "m" + std::to_string(i);
    last = log.append(entry);
    if (i == 0) first = last;
  }
  EXPECT_EQ(log.size(), sales::RequestLog::kMaxEntries);
  auto entries = log.entries();
  EXPECT_EQ(entries.front().methodName, "m3");
  EXPECT_EQ(entries.back().methodName, "m" + std::to_string(sales::RequestLog::kMaxEntries + 2));
  // A position of an entry that went names nothing; the others still name theirs.
  log.update(first, [](sales::LogEntry& e) { e.status = "gone"; });
  log.update(last, [](sales::LogEntry& e) { e.status = "200"; });
  entries = log.entries();
  for (const auto& e : entries) EXPECT_NE(e.status, "gone");
  EXPECT_EQ(entries.back().status, "200");
}

TEST(SalesRequestLog, PositionsStayRightAcrossManyDrops) {
  sales::RequestLog log;
  const size_t total = 2 * sales::RequestLog::kMaxEntries + 5;
  std::vector<size_t> positions;
  for (size_t i = 0; i < total; ++i) {
    sales::LogEntry entry;
    entry.methodName = "m" + std::to_string(i);
    positions.push_back(log.append(entry));
  }
  EXPECT_EQ(log.size(), sales::RequestLog::kMaxEntries);
  // The oldest kept entry and one in the middle are found by the positions
  // they were given; one that went names nothing.
  const size_t oldest = total - sales::RequestLog::kMaxEntries;
  log.update(positions[oldest], [](sales::LogEntry& e) { e.status = "oldest"; });
  log.update(positions[total - 7], [](sales::LogEntry& e) { e.status = "middle"; });
  log.update(positions[oldest - 1], [](sales::LogEntry& e) { e.status = "gone"; });
  auto entries = log.entries();
  ASSERT_EQ(entries.size(), sales::RequestLog::kMaxEntries);
  EXPECT_EQ(entries.front().methodName, "m" + std::to_string(oldest));
  EXPECT_EQ(entries.front().status, "oldest");
  EXPECT_EQ(entries[entries.size() - 7].methodName, "m" + std::to_string(total - 7));
  EXPECT_EQ(entries[entries.size() - 7].status, "middle");
  for (const auto& e : entries) EXPECT_NE(e.status, "gone");
  // A waiter sees the kept entries only.
  EXPECT_TRUE(log.waitFor(
      [&](const std::vector<sales::LogEntry>& seen) {
        return seen.size() == sales::RequestLog::kMaxEntries && seen.front().methodName == "m" + std::to_string(oldest);
      },
      0));
  log.clear();
  EXPECT_EQ(log.size(), 0u);
  sales::LogEntry after;
  after.methodName = "after";
  const size_t at = log.append(after);
  log.update(at, [](sales::LogEntry& e) { e.status = "200"; });
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_EQ(log.entries().front().status, "200");
}

}  // namespace
}  // namespace mv::test
