// Messages against the local sales service: request codes, routing of
// replies to receivers and the session handler, resends by command, replies
// made on the device, and cancelling.
#include <gtest/gtest.h>

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <thread>

#include "NetworkTestSupport.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/Paths.hpp"
#include "transport/FormDataRequest.hpp"
#include "transport/RequestError.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/requests/RequestCheckDeviceStatus.hpp"
#include "sync/requests/RequestCheckVersion.hpp"
#include "sync/requests/RequestGetOrderHistory.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/requests/RequestUploadCustomer.hpp"
#include "sync/requests/RequestUploadQuoteOrder.hpp"
#include "sync/CommandCode.hpp"

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using test::Recorder;

class MessageNetworkTest : public test::NetworkTest {};

const char* kOneOrder = R"({"order":[{"order_id":-1,"order_number":"Q-1","customer_id":1,"order_total":10.5,
  "order_item":{"order_items":[{"order_item_id":-1,"order_id":-1,"product_id":1001,"product_quantity":1}]}}]})";

TEST_F(MessageNetworkTest, RequestsTravelUnderTheirCodesAndEachIsDecodedByItsOwnClass) {
  ctrl().setNextCounterValue(1);
  auto receiver = std::make_shared<Recorder>();
  auto login = std::make_shared<RequestLogin>();
  std::shared_ptr<LoginRst> loginResult;
  const int loginCode = receiver->send<LoginRst>(
      login, nullptr, [&](const LoginRst& reply) { loginResult = std::make_shared<LoginRst>(reply); });
  EXPECT_EQ(loginCode, (258 << 16) | 1);
  EXPECT_EQ(model().requestCount(), 1u);
  ASSERT_TRUE(runUntil([&] { return !receiver->results.empty(); }));
  // Each reply reaches its handler only as the type its request decodes.
  ASSERT_TRUE(loginResult);
  EXPECT_EQ(loginResult->status, "200") << loginResult->detail;
  EXPECT_EQ(loginResult->cmdCode, 258);
  EXPECT_EQ(loginResult->requestCode, loginCode);
  EXPECT_EQ(loginResult->httpRsp, 0);
  EXPECT_FALSE(loginResult->sessionId.empty());
  auto logged = messagesNamed("login");
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].method, "POST");
  EXPECT_EQ(logged[0].head, "Vendor?");
  EXPECT_EQ(logged[0].parameters["password"], RequestLogin::passwordDigest("secret"));

  // The counter runs to 65534 and starts again at 1.
  ctrl().setNextCounterValue(65534);
  auto device = std::make_shared<RequestCheckDeviceStatus>();
  auto version = std::make_shared<RequestCheckVersion>();
  std::shared_ptr<CheckDeviceRst> deviceResult;
  bool versionTyped = false;
  EXPECT_EQ(receiver->send<CheckDeviceRst>(
                device, nullptr, [&](const CheckDeviceRst& r) { deviceResult = std::make_shared<CheckDeviceRst>(r); }),
            (262 << 16) | 65534);
  EXPECT_EQ(receiver->send<CheckAppVersionRst>(version, nullptr, [&](const CheckAppVersionRst&) { versionTyped = true; }),
            (263 << 16) | 1);

  // Two requests of command 265 at once, each answered in its own class.
  auto userinfo = std::make_shared<RequestGetUserinfo>();
  auto history = std::make_shared<RequestGetOrderHistory>();
  history->numberOfOrder = 5;
  std::shared_ptr<GetUserinfoRst> info;
  std::shared_ptr<GetOrderHistoryRst> orders;
  const int userinfoCode = receiver->send<GetUserinfoRst>(
      userinfo, nullptr, [&](const GetUserinfoRst& r) { info = std::make_shared<GetUserinfoRst>(r); });
  const int historyCode = receiver->send<GetOrderHistoryRst>(
      history, nullptr, [&](const GetOrderHistoryRst& r) { orders = std::make_shared<GetOrderHistoryRst>(r); });
  EXPECT_EQ(HttpNetworkCtrl::getCmdcode(userinfoCode), 265);
  EXPECT_EQ(HttpNetworkCtrl::getCmdcode(historyCode), 265);
  ASSERT_TRUE(runUntil([&] { return receiver->results.size() == 5; }));

  // The healthy device answer reaches the receiver, not the session handler.
  ASSERT_TRUE(deviceResult);
  EXPECT_EQ(deviceResult->requestCode, (262 << 16) | 65534);
  EXPECT_EQ(deviceResult->status, "11412");
  EXPECT_TRUE(sink->expired.empty() && sink->locked.empty());
  EXPECT_TRUE(versionTyped);
  EXPECT_TRUE(receiver->resultFor((263 << 16) | 1));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->requestCode, userinfoCode);
  EXPECT_EQ(info->status, "200");
  EXPECT_FALSE(info->email.empty());
  ASSERT_TRUE(orders);
  EXPECT_EQ(orders->requestCode, historyCode);
  EXPECT_EQ(orders->status, "200") << orders->detail;
  EXPECT_EQ(orders->orderHistoryArray.size(), 5u);

  // The session rides on the cookie of the sign-in; the body never names it.
  auto sync = messagesNamed("getorderhistory");
  ASSERT_EQ(sync.size(), 1u);
  EXPECT_EQ(sync[0].head, "SyncServer;");
  EXPECT_FALSE(sync[0].cookie.empty());
  EXPECT_EQ(sync[0].sessionId, loginResult->sessionId);
  EXPECT_FALSE(sync[0].parameters.contains("jsessionId"));
  EXPECT_EQ(model().requestCount(), 0u);
  EXPECT_EQ(ctrl().pendingCount(), 0u);
}

// The counter comes round again to a code whose request is still under way
// (as it does after 65,534 more requests): the new request takes the next
// free code, and both outcomes arrive, each decoded by its own class.
TEST_F(MessageNetworkTest, ACodeStillUnderWayIsNotGivenToASecondRequest) {
  signIn();
  FaultRule held = FaultRule::stallFor("getuserinfo", 0.5);
  service->addFault(held);
  auto receiver = std::make_shared<Recorder>();
  auto userinfo = std::make_shared<RequestGetUserinfo>();
  bool userinfoTyped = false;
  ctrl().setNextCounterValue(65534);
  const int first =
      receiver->send<GetUserinfoRst>(userinfo, nullptr, [&](const GetUserinfoRst&) { userinfoTyped = true; });
  EXPECT_EQ(first, (265 << 16) | 65534);

  ctrl().setNextCounterValue(65534);
  auto history = std::make_shared<RequestGetOrderHistory>();
  history->numberOfOrder = 3;
  std::shared_ptr<GetOrderHistoryRst> orders;
  const int second = receiver->send<GetOrderHistoryRst>(
      history, nullptr, [&](const GetOrderHistoryRst& r) { orders = std::make_shared<GetOrderHistoryRst>(r); });
  EXPECT_EQ(second, (265 << 16) | 1);
  EXPECT_EQ(model().requestCount(), 2u);
  EXPECT_EQ(ctrl().pendingCount(), 2u);

  ASSERT_TRUE(runUntil([&] { return receiver->results.size() == 2; }, 20)) << receiver->results.size();
  EXPECT_TRUE(userinfoTyped);
  EXPECT_TRUE(receiver->resultFor(first));
  ASSERT_TRUE(orders);
  EXPECT_EQ(orders->requestCode, second);
  EXPECT_EQ(orders->orderHistoryArray.size(), 3u);
  EXPECT_EQ(model().requestCount(), 0u);
  EXPECT_EQ(ctrl().pendingCount(), 0u);
}

// The request seam: each outcome reaches the handler it was sent with, as
// its own type, once; a session status goes to the end handler; nothing
// reaches an owner whose tracker let go.
TEST_F(MessageNetworkTest, TheSenderHandsEachOutcomeToItsHandlersWhileTheTrackerHoldsIt) {
  signIn();
  RequestSender& sender = model();
  auto tracker = std::make_unique<base::CancelTracker>();
  std::vector<std::string> heard;
  auto send = [&] {
    return sender.sendFor<GetUserinfoRst>(
        std::make_shared<RequestGetUserinfo>(), *tracker,
        [&](const GetUserinfoRst& reply) { heard.push_back("reply " + reply.status); },
        [&](const NetBaseRst& reply) { heard.push_back("ended " + reply.status); });
  };
  ASSERT_GT(send(), 0);
  ASSERT_TRUE(runUntil([&] { return !heard.empty(); }));
  waitFor(0.2);
  EXPECT_EQ(heard, std::vector<std::string>{"reply 200"});

  service->addFault(FaultRule::statusFor("getuserinfo", "101"));
  heard.clear();
  ASSERT_GT(send(), 0);
  ASSERT_TRUE(runUntil([&] { return !heard.empty(); }));
  EXPECT_EQ(heard, std::vector<std::string>{"ended 101"});
  EXPECT_EQ(sink->expired.size(), 1u);

  service->clearFaults();
  heard.clear();
  ASSERT_GT(send(), 0);
  tracker.reset();
  EXPECT_EQ(model().requestCount(), 0u);
  waitFor(1);
  EXPECT_TRUE(heard.empty());
}

TEST_F(MessageNetworkTest, SessionStatusesGoToTheSessionHandlerAndEndTheRequest) {
  signIn();
  auto receiver = std::make_shared<Recorder>();
  service->addFault(FaultRule::statusFor("getuserinfo", "101"));
  auto result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver);
  ASSERT_TRUE(result);
  EXPECT_TRUE(receiver->results.empty());
  ASSERT_EQ(receiver->ended.size(), 1u);
  EXPECT_EQ(receiver->ended[0]->status, "101");
  ASSERT_EQ(sink->expired.size(), 1u);
  EXPECT_EQ(sink->expired[0], std::make_pair(std::string("101"), test::textOfKey("101")));
  EXPECT_TRUE(sink->locked.empty());

  for (const char* status : {"114", "11411", "207"}) {
    service->clearFaults();
    service->addFault(FaultRule::statusFor("getuserinfo", status));
    result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver);
    ASSERT_TRUE(result);
    EXPECT_EQ(sink->locked.back().first, status);
  }
  EXPECT_EQ(sink->locked.size(), 3u);
  EXPECT_EQ(receiver->ended.size(), 4u);
  EXPECT_TRUE(receiver->results.empty());

  // Without a session handler the requester still learns that it ended.
  model().setSessionEventSink({});
  result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(receiver->ended.size(), 5u);
  EXPECT_TRUE(receiver->results.empty());

  // Any other status is the receiver's.
  service->clearFaults();
  service->addFault(FaultRule::statusFor("getuserinfo", "403"));
  result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver);
  ASSERT_EQ(receiver->results.size(), 1u);
  EXPECT_EQ(receiver->results[0]->status, "403");
  EXPECT_EQ(receiver->results[0]->message, test::textOfKey("115"));
}

// A stall of `seconds` for the next `times` requests of `method`; with the
// short inactivity limit of the tests each is a time-out on the device.
FaultRule stall(const std::string& method, double seconds, int times = -1) {
  FaultRule rule = FaultRule::stallFor(method, seconds);
  rule.times = times;
  return rule;
}

TEST_F(MessageNetworkTest, SafeCommandsAreResentOnceAfterTheDelay) {
  signIn();
  HttpNetworkCtrl::Settings settings = ctrl().settings();
  settings.messageTimeOutSeconds = 1;
  ctrl().setSettings(settings);
  auto receiver = std::make_shared<Recorder>();

  // The first attempt times out; the resend after the delay is answered.
  service->addFault(stall("getuserinfo", 2, 1));
  auto request = std::make_shared<RequestGetUserinfo>();
  const int code = receiver->send(request);
  ASSERT_TRUE(runUntil([&] { return ctrl().hasPendingResend(code); }));
  EXPECT_EQ(model().requestCount(), 1u);
  ASSERT_TRUE(runUntil([&] { return !receiver->results.empty(); }));
  EXPECT_EQ(receiver->results[0]->status, "200");
  EXPECT_EQ(receiver->results[0]->httpRsp, 0);
  EXPECT_EQ(receiver->results[0]->requestCode, code);
  EXPECT_EQ(messagesNamed("getuserinfo").size(), 2u);

  // Silence on both attempts: one network error, with the time-out's code.
  service->clearRequestLog();
  service->addFault(stall("checkAppVersion", 2));
  auto result = roundTrip(std::make_shared<RequestCheckVersion>(), receiver, 15);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, 2);
  EXPECT_EQ(result->message, test::textOfKey("999"));
  EXPECT_EQ(messagesNamed("checkAppVersion").size(), 2u);

  // A refused connection twice: one report, with the connection failure's code.
  base::UserDefaults::standard().setInteger("Port", unusedPort());
  auto refused = std::make_shared<RequestGetUserinfo>();
  const int refusedCode = receiver->send(refused);
  ASSERT_TRUE(runUntil([&] { return ctrl().hasPendingResend(refusedCode); }));
  ASSERT_TRUE(runUntil([&] { return receiver->results.size() == 3; }));
  EXPECT_EQ(receiver->results[2]->status, "999");
  EXPECT_EQ(receiver->results[2]->httpRsp, 6);
  waitFor(0.6);
  EXPECT_EQ(receiver->results.size(), 3u);
  pointAt(*service);

  // A reply that keeps flowing above the byte floor for longer than the
  // inactivity limit succeeds.
  service->clearFaults();
  settings.messageLowSpeedBytesPerSecond = 50;
  ctrl().setSettings(settings);
  FaultRule trickle = FaultRule::trickleFor("getuserinfo", 32, 0.3);
  service->addFault(trickle);
  auto started = std::chrono::steady_clock::now();
  result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver, 20);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_GT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));

  // One whose head comes at once and whose body drips a byte at a time is
  // never silent: it ends under the floor, and is tried again once, like a
  // silence.
  service->clearFaults();
  service->clearRequestLog();
  trickle.chunkBytes = 1;
  trickle.seconds = 0.25;
  service->addFault(trickle);
  result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver, 20);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, 2);
  EXPECT_EQ(messagesNamed("getuserinfo").size(), 2u);

  // A table reply that keeps above that floor but averages under the longer
  // one (here 4 KB/s over 2 s, 1 KB/s over a minute in use) ends as too
  // slow, once: it would come as slowly again. The service was reached, and
  // the message says so. At twice the floor, as an honest slow link sends
  // it, the same reply arrives whole.
  settings.messageLowSpeedBytesPerSecond = 100;
  settings.messageAverageFloorBytesPerSecond = 4096;
  settings.messageAverageFloorSeconds = 2;
  ctrl().setSettings(settings);
  for (const std::size_t quarterSecond : {40, 2048}) {
    SCOPED_TRACE(std::to_string(quarterSecond * 4) + " bytes a second");
    service->clearFaults();
    service->clearRequestLog();
    trickle.method = "syncData/product";
    trickle.chunkBytes = quarterSecond;
    trickle.seconds = 0.25;
    service->addFault(trickle);
    auto table = roundTrip<SyncAllTableRst>(std::make_shared<RequestSyncAllTable>(), receiver, 60);
    ASSERT_TRUE(table);
    EXPECT_EQ(messagesNamed("syncData").size(), 1u);
    if (quarterSecond == 40) {
      EXPECT_EQ(table->status, "999");
      EXPECT_EQ(table->httpRsp, kHttpRspTooSlow);
      EXPECT_EQ(table->message, "text-SERVERTOOSLOW-" + table->server);
    } else {
      EXPECT_EQ(table->status, "200");
      EXPECT_EQ(table->httpRsp, 0);
    }
  }
  settings.messageAverageFloorBytesPerSecond = 0;
  ctrl().setSettings(settings);

  // An error page is an answer: "115", and not sent again.
  service->clearFaults();
  service->clearRequestLog();
  FaultRule page;
  page.method = "getuserinfo";
  page.kind = FaultKind::Html500;
  service->addFault(page);
  result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "115");
  EXPECT_EQ(result->httpRsp, 0);
  waitFor(0.5);
  EXPECT_EQ(messagesNamed("getuserinfo").size(), 1u);
}

TEST_F(MessageNetworkTest, UploadsAreNotResentOnceTheyMayHaveArrived) {
  signIn();
  auto receiver = std::make_shared<Recorder>();

  // The service stored the orders but its reply never came: one attempt only.
  service->addFault(stall("syncData/order", 4));
  auto upload = std::make_shared<RequestUploadQuoteOrder>();
  upload->syncData = kOneOrder;
  // Only a reply of the upload's own type is recorded.
  auto result = roundTrip<UploadQuoteOrderRst>(upload, receiver, 15);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, 2);
  waitFor(0.6);
  EXPECT_EQ(messagesNamed("syncData").size(), 1u);
  EXPECT_EQ(receiver->results.size(), 1u);

  // The same for a connection that breaks after the request went out.
  service->clearFaults();
  // A kept-alive connection from an earlier request is what the HTTP library
  // would replay an upload on when the server drops it.
  auto warmUp = std::make_shared<Recorder>();
  ASSERT_TRUE(roundTrip(std::make_shared<RequestGetUserinfo>(), warmUp));
  service->clearRequestLog();
  service->addFault(FaultRule::dropFor("syncData/marvisto_customer"));
  auto customers = std::make_shared<RequestUploadCustomer>();
  customers->syncData =
      R"({"marvisto_customer":[{"customer_id":-1,"customer_info_id":"","customer_name":"New","customer_publish":1,
          "customer_ordering":0,"discount":0}],"marvisto_customer_address":[],"marvisto_customer_attribute":[],
          "marvisto_customer_contact":[]})";
  bool customersTyped = false;
  const int customersCode =
      receiver->send<SubmitCustomerRst>(customers, nullptr, [&](const SubmitCustomerRst&) { customersTyped = true; });
  bool resendSeen = false;
  ASSERT_TRUE(runUntil([&] {
    resendSeen = resendSeen || ctrl().hasPendingResend(customersCode);
    return receiver->results.size() == 2;
  }));
  EXPECT_FALSE(resendSeen);
  EXPECT_EQ(receiver->results[1]->status, "999");
  EXPECT_EQ(receiver->results[1]->httpRsp, 6);
  EXPECT_TRUE(customersTyped);
  // Nor did the HTTP library replay it on a fresh connection of its own.
  EXPECT_EQ(messagesNamed("syncData").size(), 1u);

  // Nothing left the device when the connection was refused: that may go again.
  base::UserDefaults::standard().setInteger("Port", unusedPort());
  auto again = std::make_shared<RequestUploadQuoteOrder>();
  again->syncData = kOneOrder;
  const int refusedCode = receiver->send(again);
  ASSERT_TRUE(runUntil([&] { return ctrl().hasPendingResend(refusedCode) || receiver->results.size() > 2; }));
  EXPECT_TRUE(ctrl().hasPendingResend(refusedCode));
  ASSERT_TRUE(runUntil([&] { return receiver->results.size() == 3; }));
  EXPECT_EQ(receiver->results[2]->status, "999");
  EXPECT_EQ(receiver->results[2]->httpRsp, 6);

  // A body that cannot be written is never sent; the requester hears why.
  pointAt(*service);
  service->clearRequestLog();
  auto broken = std::make_shared<RequestUploadQuoteOrder>();
  broken->syncData = "\xff\xfe";
  result = roundTrip(broken, receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, 4);
  EXPECT_TRUE(messagesNamed("").empty());
}

TEST_F(MessageNetworkTest, CancellingReachesResendsAndOnlyTheOwnersRequests) {
  signIn();
  HttpNetworkCtrl::Settings settings = ctrl().settings();
  settings.messageRetryDelaySeconds = 1.0;
  ctrl().setSettings(settings);

  // A resend waiting for its turn is cancelled with everything else.
  auto receiver = std::make_shared<Recorder>();
  service->addFault(stall("getuserinfo", 3, 1));
  auto userinfo = std::make_shared<RequestGetUserinfo>();
  const int code = receiver->send(userinfo);
  ASSERT_TRUE(runUntil([&] { return ctrl().hasPendingResend(code); }));
  model().cancelAllRequests();
  EXPECT_EQ(ctrl().pendingCount(), 0u);
  EXPECT_EQ(model().requestCount(), 0u);
  waitFor(1.5);
  EXPECT_TRUE(receiver->results.empty());
  EXPECT_EQ(messagesNamed("getuserinfo").size(), 1u);

  // One owner's tracker cancels its requests and leaves the others' running;
  // a tracker that ends takes its requests with it.
  service->clearFaults();
  service->addFault(stall("getuserinfo", 0.5));
  auto mine = std::make_shared<Recorder>();
  auto theirs = std::make_shared<Recorder>();
  base::CancelTracker myRun;
  base::CancelTracker theirRun;
  auto endedRun = std::make_unique<base::CancelTracker>();
  for (auto* tracker : {&myRun, &theirRun, endedRun.get()}) {
    auto r = std::make_shared<RequestGetUserinfo>();
    (tracker == &theirRun ? theirs : mine)->send(r, tracker);
  }
  EXPECT_EQ(myRun.count(), 1u);
  myRun.cancelAll();
  endedRun.reset();
  EXPECT_TRUE(myRun.empty());
  EXPECT_EQ(model().requestCount(), 1u);
  ASSERT_TRUE(runUntil([&] { return theirs->results.size() == 1; }));
  waitFor(0.3);
  EXPECT_TRUE(mine->results.empty());
  EXPECT_EQ(theirs->results[0]->status, "200");
  // Delivered: the tracker holds nothing any more.
  EXPECT_TRUE(theirRun.empty());

  // A receiver that is gone takes its request with it; one that cancels
  // everything while its result is delivered keeps that result intact.
  service->clearFaults();
  auto gone = std::make_shared<Recorder>();
  auto r = std::make_shared<RequestGetUserinfo>();
  gone->send(r);
  EXPECT_EQ(model().requestCount(), 1u);
  gone.reset();
  EXPECT_EQ(model().requestCount(), 0u);
  auto canceller = std::make_shared<Recorder>();
  auto other = std::make_shared<Recorder>();
  canceller->onResult = [&](const std::shared_ptr<NetBaseRst>& result) {
    model().cancelAllRequests();
    EXPECT_EQ(result->status, "200");
    EXPECT_EQ(result->cmdCode, 265);
  };
  service->addFault(stall("getorderhistory", 1.0));
  auto first = std::make_shared<RequestGetUserinfo>();
  canceller->send(first);
  auto second = std::make_shared<RequestGetOrderHistory>();
  other->send(second);
  ASSERT_TRUE(runUntil([&] { return canceller->results.size() == 1; }));
  waitFor(1.5);
  EXPECT_TRUE(other->results.empty());
  EXPECT_EQ(model().requestCount(), 0u);
}

TEST_F(MessageNetworkTest, MessageIsAPostWithTheExactHeaderAndBody) {
  httplib::Server server;
  server.set_keep_alive_max_count(1);
  std::mutex mutex;
  std::string contentType, method, path, body;
  server.Post(R"(/.*)", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(mutex);
    contentType = req.get_header_value("Content-Type");
    method = req.method;
    path = req.path;
    body = req.body;
    // A reply with a terminating zero byte and a byte-order mark.
    res.set_content(std::string("\xEF\xBB\xBF{\"results\":[{\"status\":200}]}"), "application/json");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  base::UserDefaults::standard().setString("IP", "127.0.0.1");
  base::UserDefaults::standard().setInteger("Port", port);

  auto receiver = std::make_shared<Recorder>();
  auto request = std::make_shared<RequestUploadQuoteOrder>();
  request->syncData = kOneOrder;
  auto result = roundTrip(request, receiver);
  server.stop();
  thread.join();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "115");  // a "200" without the orders list
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(contentType, "applicatioin/bin;charset=UTF-8");
  EXPECT_EQ(method, "POST");
  EXPECT_EQ(path, "/MarvistoSaas/SyncClient;");
  EXPECT_EQ(body, request->RequestEncode());
}

// A key and a certificate, written as PEM files: for `altName` ("IP:127.0.0.1",
// "DNS:other.example"), signed by `issuer` (self-signed without one), and an
// authority's when `authority` is set. The key is handed back for signing.
struct Certificate {
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  Certificate() = default;
  Certificate(const Certificate&) = delete;
  Certificate& operator=(const Certificate&) = delete;
  ~Certificate() {
    X509_free(cert);
    EVP_PKEY_free(key);
  }
};

bool writeCertificate(Certificate& out, const std::string& certPath, const std::string& keyPath,
                      const std::string& commonName, const std::string& altName, const Certificate* issuer = nullptr,
                      bool authority = false) {
  static long serial = 1;
  out.key = EVP_EC_gen("P-256");
  out.cert = X509_new();
  X509* cert = out.cert;
  bool ok = out.key && cert;
  if (ok) {
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert), -60);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, out.key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                               -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer->cert) : name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer ? issuer->cert : cert, cert, nullptr, nullptr, 0);
    std::vector<std::pair<int, std::string>> extensions;
    if (authority) {
      extensions = {{NID_basic_constraints, "critical,CA:TRUE"}, {NID_key_usage, "critical,keyCertSign,cRLSign"}};
    } else {
      extensions = {{NID_basic_constraints, "CA:FALSE"}, {NID_subject_alt_name, altName}};
    }
    for (const auto& [nid, value] : extensions) {
      X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
      ok = ok && ext && X509_add_ext(cert, ext, -1) == 1;
      X509_EXTENSION_free(ext);
    }
    ok = ok && X509_sign(cert, issuer ? issuer->key : out.key, EVP_sha256()) > 0;
  }
  if (ok) {
    FILE* c = std::fopen(certPath.c_str(), "w");
    FILE* k = std::fopen(keyPath.c_str(), "w");
    ok = c && k && PEM_write_X509(c, cert) == 1 &&
         PEM_write_PrivateKey(k, out.key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    if (c) std::fclose(c);
    if (k) std::fclose(k);
  }
  return ok;
}

bool writeSelfSignedCertificate(const std::string& certPath, const std::string& keyPath) {
  Certificate cert;
  return writeCertificate(cert, certPath, keyPath, "127.0.0.1", "IP:127.0.0.1");
}

// An HTTPS server on a loopback port of its own for the length of a test.
class SecureServer {
 public:
  SecureServer(const std::string& certPath, const std::string& keyPath) : server_(certPath.c_str(), keyPath.c_str()) {
    server_.Post(R"(/.*)", [this](const httplib::Request&, httplib::Response& res) {
      ++reached;
      res.set_content(R"({"results":[{"status":200}]})", "application/json");
    });
    port = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~SecureServer() {
    server_.stop();
    thread_.join();
  }
  bool valid() { return server_.is_valid() && port > 0; }
  std::string url() const { return "https://127.0.0.1:" + std::to_string(port) + "/x"; }

  std::atomic<int> reached{0};
  int port = 0;

 private:
  httplib::SSLServer server_;
  std::thread thread_;
};

struct Outcome : RequestDelegate {
  int finished = 0, failed = 0;
  void requestFinished(FormDataRequest&) override { ++finished; }
  void requestFailed(FormDataRequest&) override { ++failed; }
};

TEST_F(MessageNetworkTest, UntrustedCertificatesFailAndMessagesFollowNoRedirect) {
  const std::string certPath = (base::Paths::tmp() / "loopback-cert.pem").string();
  const std::string keyPath = (base::Paths::tmp() / "loopback-key.pem").string();
  ASSERT_TRUE(writeSelfSignedCertificate(certPath, keyPath));
  httplib::SSLServer secure(certPath.c_str(), keyPath.c_str());
  ASSERT_TRUE(secure.is_valid());
  std::atomic<int> reached{0};
  secure.Post(R"(/.*)", [&](const httplib::Request&, httplib::Response& res) {
    ++reached;
    res.set_content(R"({"results":[{"status":200}]})", "application/json");
  });
  const int securePort = secure.bind_to_any_port("127.0.0.1");
  std::thread secureThread([&] { secure.listen_after_bind(); });
  // The message port answers every request with a redirect to https.
  httplib::Server plain;
  plain.Post(R"(/.*)", [&](const httplib::Request& req, httplib::Response& res) {
    res.status = 307;
    res.set_header("Location", "https://127.0.0.1:" + std::to_string(securePort) + req.path);
  });
  const int plainPort = plain.bind_to_any_port("127.0.0.1");
  std::thread plainThread([&] { plain.listen_after_bind(); });
  base::UserDefaults::standard().setString("IP", "127.0.0.1");
  base::UserDefaults::standard().setInteger("Port", plainPort);

  // The message request does not follow the redirect at all: a transport
  // failure, "999" to the protocol, and the other address never hears of it.
  auto receiver = std::make_shared<Recorder>();
  auto result = roundTrip(std::make_shared<RequestGetUserinfo>(), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, -1);
  EXPECT_EQ(reached.load(), 0);

  // Underneath, the failure names the certificate; only a request that turns
  // the check off would have been answered.
  Outcome outcome;
  auto direct = std::make_shared<FormDataRequest>("https://127.0.0.1:" + std::to_string(securePort) + "/x");
  direct->setRequestMethod("POST");
  direct->setPostBody("{}");
  direct->setDelegate(&outcome);
  ASSERT_TRUE(direct->startAsynchronous());
  ASSERT_TRUE(runUntil([&] { return outcome.finished + outcome.failed > 0; }));
  ASSERT_EQ(outcome.failed, 1);
  ASSERT_TRUE(direct->error());
  EXPECT_EQ(direct->error()->code, static_cast<long>(RequestError::UntrustedCertificate));
  EXPECT_NE(direct->error()->failureReason.find("certificate"), std::string::npos) << direct->error()->failureReason;
  EXPECT_EQ(reached.load(), 0);

  Outcome unchecked;
  auto trusting = std::make_shared<FormDataRequest>("https://127.0.0.1:" + std::to_string(securePort) + "/x");
  trusting->setRequestMethod("POST");
  trusting->setPostBody("{}");
  trusting->setValidatesSecureCertificate(false);
  trusting->setDelegate(&unchecked);
  ASSERT_TRUE(trusting->startAsynchronous());
  ASSERT_TRUE(runUntil([&] { return unchecked.finished + unchecked.failed > 0; }));
  EXPECT_EQ(unchecked.finished, 1);
  EXPECT_EQ(reached.load(), 1);

  plain.stop();
  secure.stop();
  plainThread.join();
  secureThread.join();
}

TEST_F(MessageNetworkTest, ACertificateOfATrustedAuthorityIsRefusedForAnotherHost) {
  const auto dir = base::Paths::tmp();
  auto path = [&](const char* name) { return (dir / name).string(); };
  Certificate authority, right, wrong;
  ASSERT_TRUE(writeCertificate(authority, path("ca.pem"), path("ca-key.pem"), "Test Authority", "", nullptr, true));
  ASSERT_TRUE(writeCertificate(right, path("right.pem"), path("right-key.pem"), "127.0.0.1", "IP:127.0.0.1",
                               &authority));
  // The name a certificate for another site carries; the address is not in it.
  ASSERT_TRUE(writeCertificate(wrong, path("wrong.pem"), path("wrong-key.pem"), "other.example",
                               "DNS:other.example", &authority));
  SecureServer rightServer(path("right.pem"), path("right-key.pem"));
  SecureServer wrongServer(path("wrong.pem"), path("wrong-key.pem"));
  ASSERT_TRUE(rightServer.valid());
  ASSERT_TRUE(wrongServer.valid());
  FormDataRequest::setCertificateAuthorities(path("ca.pem"));
  struct Reset {
    ~Reset() { FormDataRequest::setCertificateAuthorities({}); }
  } reset;

  auto send = [&](const std::string& url) {
    auto request = std::make_shared<FormDataRequest>(url);
    request->setRequestMethod("POST");
    request->setPostBody("{}");
    auto outcome = std::make_shared<Outcome>();
    request->setDelegate(outcome.get());
    EXPECT_TRUE(request->startAsynchronous());
    EXPECT_TRUE(runUntil([&] { return outcome->finished + outcome->failed > 0; }));
    return std::make_pair(request, outcome);
  };
  // The authority is trusted: its certificate for this address is taken.
  auto [accepted, acceptedOutcome] = send(rightServer.url());
  EXPECT_EQ(acceptedOutcome->finished, 1);
  EXPECT_EQ(rightServer.reached.load(), 1);
  // Its certificate for another host name is not.
  auto [refused, refusedOutcome] = send(wrongServer.url());
  ASSERT_EQ(refusedOutcome->failed, 1);
  ASSERT_TRUE(refused->error());
  EXPECT_EQ(refused->error()->code, static_cast<long>(RequestError::UntrustedCertificate));
  EXPECT_EQ(wrongServer.reached.load(), 0);
}

TEST_F(MessageNetworkTest, RepliesTooLargeToHoldAreUnreadableAndSignInsFollowNoRedirect) {
  httplib::Server server;
  std::atomic<int> signIns{0}, elsewhere{0};
  std::atomic<bool> redirect{false};
  int port = 0;
  server.Post(R"(/.*)", [&](const httplib::Request& req, httplib::Response& res) {
    if (req.path.rfind("/other", 0) == 0) {
      ++elsewhere;
      res.set_content(R"({"content":{"sessionId":"S-OTHER"},"results":[{"status":200}]})", "application/json");
      return;
    }
    ++signIns;
    if (redirect) {
      res.status = 307;
      res.set_header("Location", "http://127.0.0.1:" + std::to_string(port) + "/other" + req.path);
      return;
    }
    // A reply that announces more than any message may take.
    res.set_content_provider(std::size_t{300} << 20, "application/json",
                             [](size_t, size_t, httplib::DataSink& sink) { return sink.write("{", 1); });
  });
  port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  base::UserDefaults::standard().setString("IP", "127.0.0.1");
  base::UserDefaults::standard().setInteger("Port", port);

  // Nothing of it is held: the reply is one nobody can read, and asking
  // again would bring it again.
  auto result = roundTrip(std::make_shared<RequestLogin>(), std::make_shared<Recorder>());
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "115");
  EXPECT_EQ(signIns.load(), 1);

  // A sign-in sent elsewhere by a redirect never goes: no account, device or
  // password digest reaches the other address, and its answer is no sign-in.
  redirect = true;
  auto receiver = std::make_shared<Recorder>();
  std::string sessionId;
  receiver->send<LoginRst>(std::make_shared<RequestLogin>(), nullptr,
                           [&](const LoginRst& reply) { sessionId = reply.sessionId; });
  result = waitForResult(*receiver, 0, 0, 0, 10);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(elsewhere.load(), 0);
  EXPECT_TRUE(sessionId.empty());
  server.stop();
  thread.join();
}

}  // namespace
}  // namespace mv
