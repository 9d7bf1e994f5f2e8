// Request bodies: the envelope, the session parameters and each command's own
// parameters, checked by parsing the body back.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SyncTestSupport.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/requests/RequestBackup.hpp"
#include "sync/requests/RequestBody.hpp"
#include "sync/requests/RequestCheckDeviceStatus.hpp"
#include "sync/requests/RequestCheckVersion.hpp"
#include "sync/requests/RequestConfig.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestDownloadFinish.hpp"
#include "sync/requests/RequestGetOrderHistory.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestRegister.hpp"
#include "sync/requests/RequestRestore.hpp"
#include "sync/requests/RequestRuntimeConfig.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/requests/RequestSyncCustomerTable.hpp"
#include "sync/requests/RequestSyncDataFinish.hpp"
#include "sync/requests/RequestSyncFileTable.hpp"
#include "sync/requests/RequestSyncIconTable.hpp"
#include "sync/requests/RequestUploadCustomer.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"
#include "util/Crypto.hpp"
#include "util/Json.hpp"

namespace mv {
namespace {

using test::bodyParameters;

class RequestEncodeTest : public test::ProtocolTest {};

base::Value encodedParameters(const RequestInterfaceBase& request) {
  auto body = request.RequestEncode();
  EXPECT_TRUE(body.has_value());
  return body ? bodyParameters(*body) : base::Value();
}

TEST_F(RequestEncodeTest, BodyKeepsAbsentValuesOutAndNeverCarriesTheSessionId) {
  RequestBody body("SyncServer;");
  EXPECT_TRUE(body.addElemValue("one", "a"));
  EXPECT_FALSE(body.addElemValue(std::nullopt, "b"));
  EXPECT_FALSE(body.addElemValue("x", std::nullopt));
  EXPECT_TRUE(body.addElemValue("", "c"));
  EXPECT_TRUE(body.addElemValue("sid", RequestBody::kSessionIdKey));
  auto text = body.requestStr();
  ASSERT_TRUE(text);
  auto parsed = JSONValue(*text);
  ASSERT_TRUE(parsed);
  ASSERT_EQ(parsed->size(), 1u);
  const base::Value& parameters = (*parsed)["root"]["parameters"];
  EXPECT_EQ(parameters, (base::Value{{"a", "one"}, {"c", ""}}));
  EXPECT_EQ(text->find("sid"), std::string::npos);
  EXPECT_EQ(body.strHead(), "SyncServer;");

  // Text that is not UTF-8 cannot travel: no body rather than a damaged one.
  RequestUploadQuoteOrder broken;
  broken.syncData = std::string("{\"order\":\"\xff\xfe\"}");
  EXPECT_FALSE(broken.RequestEncode().has_value());
}

TEST_F(RequestEncodeTest, EveryCommandHasItsHeadMethodAndCode) {
  struct Expect {
    std::shared_ptr<RequestInterfaceBase> request;
    int cmd;
    const char* head;
    const char* method;
  };
  std::vector<Expect> all = {
      {std::make_shared<RequestRegister>(), 257, "Vendor?", "register"},
      {std::make_shared<RequestLogin>(), 258, "Vendor?", "login"},
      {std::make_shared<RequestConfig>(), 260, "Component?", "loadConfigurationData"},
      {std::make_shared<RequestRuntimeConfig>(), 261, "Component?", "getRunTimeConfig"},
      {std::make_shared<RequestCheckDeviceStatus>(), 262, "Vendor?", "checkDeviceStatus"},
      {std::make_shared<RequestCheckVersion>(), 263, "SyncServer?", "checkAppVersion"},
      {std::make_shared<RequestGetUserinfo>(), 265, "Vendor?", "getuserinfo"},
      {std::make_shared<RequestGetOrderHistory>(), 265, "SyncServer;", "getorderhistory"},
      {std::make_shared<RequestSyncAllTable>(), 513, "SyncServer;", "syncData"},
      {std::make_shared<RequestSyncIconTable>(), 514, "SyncServer;", "syncData"},
      {std::make_shared<RequestSyncFileTable>(), 515, "SyncServer;", "syncData"},
      {std::make_shared<RequestSyncCustomerTable>(), 516, "SyncServer;", "syncData"},
      {std::make_shared<RequestSyncDataFinish>(), 517, "SyncServer;", "syncDataFinished"},
      {std::make_shared<RequestUploadQuoteOrder>(), 518, "SyncClient;", "syncData"},
      {std::make_shared<RequestDownloadFinish>(), 519, "SyncServer;", "syncFileFinished"},
      {std::make_shared<RequestUploadCustomer>(), 520, "SyncClient;", "syncData"},
      {std::make_shared<RequestBackup>(), 521, "Backup;", "backupData"},
      {std::make_shared<RequestRestore>(), 528, "Restore;", "restoreData"},
  };
  for (const auto& e : all) {
    SCOPED_TRACE(e.method);
    EXPECT_EQ(e.request->cmdCode, e.cmd);
    EXPECT_EQ(e.request->requestHead, e.head);
    EXPECT_EQ(e.request->requestType, kRequestTypeMessage);
    base::Value p = encodedParameters(*e.request);
    ASSERT_TRUE(p.is_object());
    EXPECT_EQ(p["methodName"], e.method);
    for (const auto& [key, value] : p.items()) EXPECT_TRUE(value.is_string()) << key;
    EXPECT_FALSE(p.contains("jsessionId"));
    bool sessionHead = std::string(e.head).back() == ';';
    if (sessionHead) {
      EXPECT_EQ(p["accountId"], "rep1");
      EXPECT_EQ(p["clientId"], "AcmeCo");
    }
  }
  RequestDownload download;
  EXPECT_EQ(download.cmdCode, 769);
  EXPECT_EQ(download.requestType, kRequestTypeDownload);
  EXPECT_FALSE(download.RequestEncode().has_value());
}

TEST_F(RequestEncodeTest, LoginSendsOnlyTheLowerCaseDigestAndFollowsTheLibraryFlag) {
  for (std::string password : {std::string(), std::string("a"), std::string("secret"), std::string(300, 'Z'),
                               std::string("pässwörd-密码")}) {
    test::installSession("AcmeCo", "rep1", password);
    RequestLogin login;
    auto body = login.RequestEncode();
    ASSERT_TRUE(body);
    base::Value p = bodyParameters(*body);
    std::string sent = p["password"];
    EXPECT_EQ(sent.size(), 32u);
    EXPECT_EQ(sent.find_first_not_of("0123456789abcdef"), std::string::npos) << sent;
    EXPECT_EQ(sent, md5Hex(password, HexCase::Lower));
    if (password.size() > 2) {
      EXPECT_EQ(body->find(password), std::string::npos);
    }
    // Encoding does not change the request: a second body is the same.
    EXPECT_EQ(login.RequestEncode(), body);
  }
  EXPECT_EQ(RequestLogin::passwordDigest("password"), "5f4dcc3b5aa765d61d8327deb882cf99");

  test::installSession();
  base::Value p = encodedParameters(RequestLogin());
  EXPECT_EQ(p["accountId"], "rep1");
  EXPECT_EQ(p["clientId"], "AcmeCo");
  EXPECT_EQ(p["deviceId"], "dev-0001");
  EXPECT_EQ(p["version"], base::Bundle::shortVersion());
  EXPECT_EQ(p["firstLogin"], "YES");
  EXPECT_FALSE(p.contains("jsessionId"));
  EXPECT_EQ(p.size(), 7u);

  auto& defaults = base::UserDefaults::standard();
  defaults.setInteger("AcmeCo-FileSynced", 1);  // not the stored text: still a first login
  EXPECT_EQ(encodedParameters(RequestLogin())["firstLogin"], "YES");
  defaults.setString("OtherCo-FileSynced", "synced");
  EXPECT_EQ(encodedParameters(RequestLogin())["firstLogin"], "YES");
  defaults.setString("AcmeCo-FileSynced", "synced");
  EXPECT_EQ(encodedParameters(RequestLogin())["firstLogin"], "NO");
}

TEST_F(RequestEncodeTest, SessionAndConfigurationRequestsCarryTheirParameters) {
  EXPECT_EQ(encodedParameters(RequestCheckDeviceStatus()),
            (base::Value{{"methodName", "checkDeviceStatus"}, {"accountId", "rep1"}, {"deviceId", "dev-0001"},
                         {"clientId", "AcmeCo"}}));
  base::Value version = encodedParameters(RequestCheckVersion());
  EXPECT_EQ(version.size(), 2u);
  EXPECT_EQ(version["version"], base::Bundle::shortVersion());

  RequestGetUserinfo userinfo;
  userinfo.startTime = "01/01/2020 00:00:00";
  userinfo.count = 9;
  EXPECT_EQ(encodedParameters(userinfo),
            (base::Value{{"methodName", "getuserinfo"}, {"accountId", "rep1"}, {"clientId", "AcmeCo"}}));

  RequestConfig config;
  config.clientId = "AcmeCo";
  EXPECT_EQ(encodedParameters(config), (base::Value{{"methodName", "loadConfigurationData"}, {"clientId", "AcmeCo"}}));
  RequestRuntimeConfig runtime;
  runtime.clientId = "AcmeCo";
  EXPECT_EQ(encodedParameters(runtime), (base::Value{{"methodName", "getRunTimeConfig"}, {"clientId", "AcmeCo"}}));

  RequestSyncAllTable products;
  products.isFull = "false";
  base::Value p = encodedParameters(products);
  EXPECT_EQ(p["syncType"], "product");
  EXPECT_EQ(p["isFull"], "false");
  EXPECT_EQ(p["deviceId"], "dev-0001");
  EXPECT_EQ(p.size(), 6u);
  EXPECT_EQ(products.sessionId, "sess-42");
  EXPECT_EQ(encodedParameters(RequestSyncFileTable())["syncType"], "file");
  EXPECT_EQ(encodedParameters(RequestSyncCustomerTable())["syncType"], "customer");
  EXPECT_EQ(encodedParameters(RequestSyncIconTable())["syncType"], "icon");
  EXPECT_EQ(encodedParameters(RequestSyncIconTable())["isFull"], "true");
}

TEST_F(RequestEncodeTest, UploadTextSurvivesTheSecondEncodingUnchanged) {
  const std::string document =
      "{\"order\":[{\"note\":\"say \\\"hi\\\" \\\\ back/slash\",\"name\":\"Müller 北京 \\u0001\\t\\n\"}]}";
  RequestUploadQuoteOrder orders;
  orders.syncData = document;
  EXPECT_EQ(encodedParameters(orders)["syncData"], document);

  RequestUploadCustomer customers;
  customers.syncData = "a\"b\\c/d\x01\x1f" "é";
  EXPECT_EQ(encodedParameters(customers)["syncData"], customers.syncData);

  RequestBackup backup;
  backup.backupString = document;
  base::Value p = encodedParameters(backup);
  EXPECT_EQ(p["syncData"], document);
  EXPECT_EQ(p.size(), 4u);
}

TEST_F(RequestEncodeTest, SmallRequestsFormatTheirValues) {
  RequestSyncDataFinish finish;
  EXPECT_EQ(encodedParameters(finish)["tableType"], "product");
  finish.tableType = "file";
  EXPECT_EQ(encodedParameters(finish)["tableType"], "file");

  RequestDownloadFinish received;
  received.fileId = -17;
  EXPECT_EQ(encodedParameters(received)["fileIds"], "-17");

  RequestRestore restore;
  EXPECT_EQ(encodedParameters(restore)["last_backup_date"], "0.000000");
  restore.lastBackupDate = 1780000000.25;
  EXPECT_EQ(encodedParameters(restore)["last_backup_date"], "1780000000.250000");

  RequestGetOrderHistory history;
  history.numberOfOrder = 20;
  base::Value p = encodedParameters(history);
  // The newest page: no base time at all.
  EXPECT_FALSE(p.contains("baseTime"));
  EXPECT_EQ(p["numberOfOrder"], "20");
  history.baseTime = "12/31/2024 23:59:58";
  history.userName = "other";
  history.clientID = "OtherCo";
  p = encodedParameters(history);
  EXPECT_EQ(p["baseTime"], "2024-12-31 23:59:58");
  EXPECT_EQ(p["accountId"], "other");
  EXPECT_EQ(p["clientId"], "OtherCo");
  history.baseTime = "yesterday";
  EXPECT_FALSE(encodedParameters(history).contains("baseTime"));
}

TEST_F(RequestEncodeTest, SignUpSendsTheEncipheredPassword) {
  RegisterInfo info;
  info.companyName = "Acme Ltd";
  info.companyId = "acme_1";
  info.userName = "boss";
  info.passWord = "s3cret!";
  info.email = "boss@acme.test";
  info.phone = "+1 555";
  RequestRegister request(info);
  base::Value p = encodedParameters(request);
  EXPECT_EQ(p["companyname"], "Acme Ltd");
  EXPECT_EQ(p["companyid"], "acme_1");
  EXPECT_EQ(p["username"], "boss");
  EXPECT_EQ(p["email"], "boss@acme.test");
  EXPECT_EQ(p["phone"], "+1 555");
  EXPECT_NE(p["password"], "s3cret!");
  EXPECT_EQ(tripleDES(p["password"].get<std::string>(), kTripleDESDecrypt), "s3cret!");
  EXPECT_EQ(request.passWord, "s3cret!");
  EXPECT_EQ(p.size(), 7u);
}

TEST_F(RequestEncodeTest, DownloadIdsFollowEachOther) {
  RequestDownload first;
  RequestDownload second;
  EXPECT_EQ(second.downloadId, first.downloadId + 1);
  EXPECT_GT(first.downloadId, 0);
  EXPECT_EQ(first.imgType, -1);
  EXPECT_EQ(first.progressType, -1);
}

}  // namespace
}  // namespace mv
