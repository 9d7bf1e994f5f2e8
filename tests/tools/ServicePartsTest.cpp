#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "ProtocolClient.hpp"
#include "sales-service/FaultInjector.hpp"
#include "sales-service/RequestLog.hpp"
#include "sales-service/SalesService.hpp"
#include "sales-service/ServiceConfig.hpp"
#include "sales-service/ServiceCrypto.hpp"

namespace mv::test {
namespace {

using sales::FaultInjector;
using sales::FaultKind;
using sales::FaultRule;
using sales::ServiceCrypto;
using Value = base::Value;

TEST(SalesServiceCrypto, DigestCipherAndBase64Boundaries) {
  EXPECT_EQ(ServiceCrypto::md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(ServiceCrypto::md5Hex("密码"), ServiceCrypto::md5Hex(std::string("\xe5\xaf\x86\xe7\xa0\x81")));
  EXPECT_TRUE(ServiceCrypto::isHexDigest("d41d8cd98f00b204e9800998ecf8427e", true));
  EXPECT_FALSE(ServiceCrypto::isHexDigest("D41D8CD98F00B204E9800998ECF8427E", true));
  EXPECT_TRUE(ServiceCrypto::isHexDigest("D41D8CD98F00B204E9800998ECF8427E", false));
  EXPECT_FALSE(ServiceCrypto::isHexDigest("d41d8cd98f00b204e9800998ecf8427", true));   // 31
  EXPECT_FALSE(ServiceCrypto::isHexDigest("d41d8cd98f00b204e9800998ecf8427eg", true)); // 33
  EXPECT_FALSE(ServiceCrypto::isHexDigest("g41d8cd98f00b204e9800998ecf8427e", false));

  for (std::string plain : {std::string(), std::string("1234567"), std::string("12345678"), std::string("密码 with spaces")}) {
    const std::string cipher = ServiceCrypto::tripleDesEncrypt(plain);
    EXPECT_EQ(cipher.size() % 4, 0u);
    auto back = ServiceCrypto::tripleDesDecrypt(cipher);
    ASSERT_TRUE(back) << plain;
    EXPECT_EQ(*back, plain);
  }
  EXPECT_EQ(ServiceCrypto::tripleDesEncrypt("12345678").size(), 24u);  // two blocks: padding adds one
  EXPECT_FALSE(ServiceCrypto::tripleDesDecrypt(""));
  EXPECT_FALSE(ServiceCrypto::tripleDesDecrypt("abc"));
  EXPECT_FALSE(ServiceCrypto::tripleDesDecrypt(ServiceCrypto::base64Encode("1234567")));  // not whole blocks
  EXPECT_FALSE(ServiceCrypto::tripleDesDecrypt(ServiceCrypto::base64Encode("12345678")));  // bad padding

  for (std::string bytes : {std::string(), std::string("a"), std::string("ab"), std::string("abc"), std::string("\0\xff", 2)}) {
    auto back = ServiceCrypto::base64Decode(ServiceCrypto::base64Encode(bytes));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, bytes);
  }
  EXPECT_FALSE(ServiceCrypto::base64Decode("ab$="));
  EXPECT_FALSE(ServiceCrypto::base64Decode("abc"));
}

TEST(SalesServiceFaults, MatchingCountingAndEndpoints) {
  EXPECT_TRUE(FaultInjector::matchPattern("*", ""));
  EXPECT_TRUE(FaultInjector::matchPattern("/a/*/c", "/a/b/x/c"));
  EXPECT_TRUE(FaultInjector::matchPattern("*.png", "/x/y.png"));
  EXPECT_FALSE(FaultInjector::matchPattern("*.png", "/x/y.png.jpg"));
  EXPECT_FALSE(FaultInjector::matchPattern("/a", "/a/b"));
  EXPECT_TRUE(FaultInjector::matchPattern("a*b*c", "aXbYbZc"));

  FaultInjector faults;
  auto twice = FaultRule::statusFor("syncData", "115");
  twice.times = 2;
  const int id = faults.add(twice);
  auto qualified = FaultRule::statusFor("syncData/file", "999");
  faults.add(qualified);
  // the first matching rule wins, and it is used up after its count
  EXPECT_EQ(faults.take("syncData", "syncData/file", "/p", false)->status, "115");
  EXPECT_EQ(faults.take("syncData", "syncData/product", "/p", false)->status, "115");
  EXPECT_EQ(faults.take("syncData", "syncData/file", "/p", false)->status, "999");
  EXPECT_FALSE(faults.take("syncData", "syncData/product", "/p", false));
  EXPECT_FALSE(faults.remove(id));
  EXPECT_FALSE(faults.take("login", "login", "/p", false));

  // message rules never touch files and file rules never touch messages
  faults.clear();
  faults.add(FaultRule::stallFor("login", 1));
  EXPECT_FALSE(faults.take("", "", "/images/x", true));
  faults.add(FaultRule::fileStatus("*", 404));
  EXPECT_FALSE(faults.take("getuserinfo", "getuserinfo", "/MarvistoSaas/Vendor", false));
  EXPECT_EQ(faults.take("", "", "/images/x", true)->httpStatus, 404);
  // a rule without a target belongs to the endpoint its kind belongs to
  faults.clear();
  FaultRule anyDrop;
  anyDrop.kind = FaultKind::Drop;
  faults.add(anyDrop);
  EXPECT_FALSE(faults.take("", "", "/images/x", true));
  EXPECT_TRUE(faults.take("login", "login", "/MarvistoSaas/Vendor", false));

  // the JSON form used by the control endpoint
  auto rule = FaultRule::fromJson(Value{{"path", "*.pdf"}, {"kind", "trickle"}, {"chunkBytes", 4}, {"seconds", 0.5}});
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->kind, FaultKind::Trickle);
  EXPECT_EQ(FaultRule::fromJson(rule->toJson())->toJson(), rule->toJson());
  std::string error;
  EXPECT_FALSE(FaultRule::fromJson(Value{{"kind", "wrongShape"}, {"shape", "round"}}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(FaultRule::fromJson(Value{{"times", "two"}}));
  EXPECT_FALSE(FaultRule::fromJson(Value{{"kind", "trickle"}, {"chunkBytes", 0}}));
}

TEST(SalesServiceLog, PositionsSurviveClearing) {
  sales::RequestLog log;
  const size_t first = log.append(sales::LogEntry{});
  log.clear();
  const size_t second = log.append(sales::LogEntry{});
  EXPECT_NE(first, second);
  log.update(first, [](sales::LogEntry& e) { e.status = "stale"; });  // cleared: ignored
  log.update(second, [](sales::LogEntry& e) { e.status = "200"; });
  ASSERT_EQ(log.entries().size(), 1u);
  EXPECT_EQ(log.entries()[0].status, "200");
  EXPECT_EQ(log.entries()[0].sequence, 2u);
  EXPECT_FALSE(log.waitFor([](const auto& e) { return e.size() > 1; }, 0.01));
}

TEST(SalesServiceConfig, JsonRoundTripAndRefusals) {
  auto defaults = sales::ServiceConfig::defaults();
  auto back = sales::ServiceConfig::fromJson(defaults.toJson());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->toJson(), defaults.toJson());
  ASSERT_EQ(back->companies.size(), 2u);
  EXPECT_EQ(back->companies[0].data.clientId, "acme");
  EXPECT_EQ(back->companies[0].accounts[0].password, "secret");

  std::string error;
  EXPECT_FALSE(sales::ServiceConfig::fromJson(Value::array(), &error));
  EXPECT_FALSE(sales::ServiceConfig::fromJson(Value{{"companies", Value::array({Value{{"name", "x"}}})}}, &error));
  EXPECT_NE(error.find("clientId"), std::string::npos);
  Value wrongType = defaults.toJson();
  wrongType["companies"][0]["userAccess"] = "lots";  // the wrong type keeps the default
  EXPECT_EQ(sales::ServiceConfig::fromJson(wrongType)->companies[0].userAccess, 1);
}

class SalesServiceFlows : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(service.start()); }
  sales::SalesService service;
};

TEST_F(SalesServiceFlows, LoginFlagsFollowSkinAndFullSyncRequests) {
  ProtocolClient client(service);
  ASSERT_EQ(client.login().content()["skinUpdated"], 1);
  EXPECT_EQ(client.login().content()["skinUpdated"], 1);  // until the skin is acknowledged
  client.acknowledge("skin");
  EXPECT_EQ(client.login().content()["skinUpdated"], 0);
  service.backend().renewSkin("acme");
  EXPECT_EQ(client.login().content()["skinUpdated"], 1);

  EXPECT_EQ(client.login().content()["syncAll"], 0);
  service.backend().requestFullSync("acme", "rep");
  EXPECT_EQ(client.login().content()["syncAll"], 1);
  EXPECT_EQ(client.login().content()["syncAll"], 0);  // said once

  // the icon table, which the application never asks for, still answers whole
  Reply icons = client.syncTables("icon", true);
  ASSERT_EQ(icons.status(), "200");
  EXPECT_EQ(icons.content().size(), service.backend().currentData("acme")->icons.size());
  EXPECT_EQ(client.syncTables("colours", true).status(), "400");
}

TEST_F(SalesServiceFlows, GoingBackAVersionUnpublishesWhatIsGone) {
  auto company = service.backend().company("acme");
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  service.backend().setDataVersion("acme", 2);
  client.syncTables("file", true);
  client.acknowledge("file");
  service.backend().setDataVersion("acme", 1);
  Reply back = client.syncTables("file", false);
  const Value& files = back.content()[0];
  ASSERT_EQ(files.size(), 2u);
  for (const auto& f : files) {
    if (f["id"] == company->changes.newFileId) {
      EXPECT_EQ(f["publish"], 0);  // gone in version 1: sent unpublished
    } else {
      EXPECT_EQ(f["fileName"], company->changes.oldFileName);
    }
  }
  EXPECT_EQ(back.content()[2]["keyIDS"], std::to_string(company->changes.renamedFileId));
}

TEST_F(SalesServiceFlows, FilesTrickleAndStallLikeMessages) {
  httplib::Client http(service.host(), service.filePort());
  const std::string path = "/marvisto_saas/images/acme/product/p1002_1_s.png";
  auto bytes = service.backend().currentData("acme")->file("product/p1002_1_s.png");
  FaultRule slow;
  slow.path = "*p1002_1_s.png";
  slow.kind = FaultKind::Trickle;
  slow.chunkBytes = 4096;
  slow.seconds = 0.01;
  slow.times = 1;
  service.addFault(slow);
  auto part = http.Get(path.c_str(), {{"Range", "bytes=100-"}});
  ASSERT_TRUE(part);
  EXPECT_EQ(part->status, 206);
  EXPECT_EQ(part->body, bytes->substr(100));

  FaultRule stall = slow;
  stall.kind = FaultKind::Stall;
  stall.seconds = 0.2;
  service.addFault(stall);
  auto started = std::chrono::steady_clock::now();
  auto late = http.Get(path.c_str());
  ASSERT_TRUE(late);
  EXPECT_EQ(late->body, *bytes);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));

  FaultRule drop = slow;
  drop.kind = FaultKind::Drop;
  service.addFault(drop);
  EXPECT_FALSE(http.Get(path.c_str()));
  EXPECT_TRUE(http.Get(path.c_str()));
}

TEST_F(SalesServiceFlows, ManyClientsAtOnce) {
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      ProtocolClient client(service);
      client.deviceId = std::string(39, 'a') + static_cast<char>('0' + i);
      if (i % 2) client.accountId = "manager";
      if (client.login(i % 2 ? "secret2" : "secret").status() != "200") return;
      if (client.syncTables("product", true).status() != "200") return;
      if (client.acknowledge("product").status() != "200") return;
      Value order = {{"order", {{{"order_number", "n_" + std::to_string(i)}, {"cdate", "01/01/2024 10:00:00"}}}}};
      if (client.upload(order).status() != "200") return;
      ++ok;
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok.load(), 8);
  EXPECT_EQ(service.backend().uploadedOrders("acme").size(), 8u);
  EXPECT_EQ(service.backend().sessionCount(), 8u);
  std::set<int64_t> ids;
  for (const auto& o : service.backend().uploadedOrders("acme")) ids.insert(o["order_id"].get<int64_t>());
  EXPECT_EQ(ids.size(), 8u);
}

TEST(SalesServiceText, NumbersAsTextKeepTheirFormEverywhere) {
  auto config = sales::ServiceConfig::defaults();
  config.companies.resize(1);
  config.companies[0].data.numbersAsText = true;
  config.companies[0].data.products = 6;
  sales::SalesService service(config);
  ASSERT_TRUE(service.start());
  ProtocolClient client(service);
  ASSERT_EQ(client.login().status(), "200");
  service.backend().setDataVersion("acme", 2);
  client.syncTables("file", true);
  client.acknowledge("file");
  service.backend().setDataVersion("acme", 1);
  Reply back = client.syncTables("file", false);
  for (const auto& f : back.content()[0]) {
    EXPECT_TRUE(f["id"].is_string());
    EXPECT_TRUE(f["publish"].is_string());
  }
  Reply customers = client.upload(Value{{"marvisto_customer", {{{"customer_id", -1}, {"customer_name", "T"}}}},
                                        {"marvisto_customer_address", Value::array()},
                                        {"marvisto_customer_attribute", Value::array()},
                                        {"marvisto_customer_contact", Value::array()}});
  ASSERT_EQ(customers.status(), "200");
  Reply sync = client.syncTables("customer", true);
  bool found = false;
  for (const auto& c : sync.content()[0]) found |= c["customerName"] == "T" && c["customerId"].is_string();
  EXPECT_TRUE(found);
}

TEST(SalesSampleOptions, LargeSetsShareTheirPictures) {
  auto options = sales::SampleOptions::large(120);
  options.clientId = "large";
  auto data = sales::SampleData::generate(options);
  EXPECT_EQ(data->products.size(), 120u);
  std::set<const std::string*> distinct;
  size_t pictures = 0;
  for (const auto& [path, bytes] : data->files) {
    if (path.rfind("product/", 0) == 0) {
      distinct.insert(bytes.get());
      ++pictures;
    }
  }
  EXPECT_EQ(pictures, 120u * options.imagesPerProduct * 2);
  // One shared picture per slot and kind: PNG, JPEG and thumbnail.
  EXPECT_LE(distinct.size(), static_cast<size_t>(options.imagePool) * 3);
}

}  // namespace
}  // namespace mv::test
