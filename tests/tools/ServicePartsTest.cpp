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

}  // namespace
}  // namespace mv::test
