#pragma once
// Fixtures of the order tests: a signed-in client with its database built
// from the template, the module switches all on, a session whose sign-in
// state the test sets, and the quote order store with its delegate, badge
// and outgoing requests recorded.
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FakeRequestSender.hpp"
#include "SessionScope.hpp"
#include "EntityBuilders.hpp"
#include "StoreAccess.hpp"
#include "TestEnvironment.hpp"
#include "order/QuoteOrderStore.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/ShellActions.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/SyncSession.hpp"

namespace mv::test {

class FakeSession : public SyncSession {
 public:
  LoginType type = LoginType::Online;
  std::string client = "AcmeCo";

  LoginType loginType() const override { return type; }
  void setLoginType(LoginType t) override { type = t; }
  std::string clientID() const override { return client; }
  void setClientID(const std::string& v) override { client = v; }
  // Later requests carry the new session id.
  void setSessionId(const std::string& v) override;
  void setVendorId(std::int64_t) override {}
  void askFullSync() override { ++fullSyncsAsked; }
  int fullSyncsAsked = 0;
  void setHasBackup(bool) override {}
  void setLastBackupDate(double) override {}
  void getUserinfo() override {}
  void getRuntimeConfig() override {}
};

class DelegateRecorder : public QuoteOrderStoreDelegate {
 public:
  using Report = std::pair<std::optional<std::string>, std::optional<std::string>>;
  std::vector<std::pair<std::string, std::string>> uploads;
  std::vector<Report> histories;
  // The statuses of the works the session's end cut short.
  std::vector<std::string> uploadsEndedWithSession;
  std::vector<std::string> historiesEndedWithSession;
  int pops = 0;
  std::vector<std::pair<int, int>> customerIds;

  void finishedUploadQuoteOrders(const std::string& status, const std::string& message) override {
    uploads.emplace_back(status, message);
  }
  void finishedSyncHistoryQuoteOrders(const std::optional<std::string>& status,
                                      const std::optional<std::string>& message) override {
    histories.emplace_back(status, message);
  }
  void uploadEndedWithSession(const std::string& status) override { uploadsEndedWithSession.push_back(status); }
  void historyEndedWithSession(const std::string& status) override { historiesEndedWithSession.push_back(status); }
  void popSelfView() override { ++pops; }
  void updateCustomerId(int oldId, int newId) override { customerIds.emplace_back(oldId, newId); }
};

// The application as the order screens ask it: what they asked is kept.
class ShellRecorder : public ShellActions {
 public:
  struct Badge {
    int tab;
    std::optional<std::string> value;
    bool operator==(const Badge&) const = default;
  };
  void setTabBadge(int tab, const std::optional<std::string>& value, bool) override { badges.push_back({tab, value}); }
  void selectTab(int tab) override { selected.push_back(tab); }
  void logOutLater() override { ++logouts; }

  std::vector<Badge> badges;
  std::vector<int> selected;
  int logouts = 0;
};

class OrderStoreTest : public TestEnvironment, protected StoreAccess {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A price record; `discountPrice` applies now when given.
  void price(int productId, double listPrice, const std::string& currency,
             std::optional<double> discountPrice = std::nullopt);
  static marvisto_product_Entity product(int id, int count, const std::string& attributes = "");
  // A stored order with one line of `lines` units at 10 (9 charged).
  int storeOrder(const std::string& customerName, const std::string& cdate, bool uploaded,
                 const std::string& number = "", int lines = 1, int customerId = 0);

  // The requests the store sent, the last one of a command, and a reply to it.
  const std::vector<std::shared_ptr<RequestInterfaceBase>>& sent() const { return sender->sent(); }
  std::shared_ptr<RequestInterfaceBase> lastSent(int cmdCode) const { return sender->lastSent(cmdCode); }
  template <typename Result>
  std::shared_ptr<Result> replyTo(int cmdCode, const std::string& status) const {
    auto result = std::make_shared<Result>();
    result->cmdCode = cmdCode;
    if (auto sent = lastSent(cmdCode)) result->requestCode = sent->requestCode;
    result->status = status;
    result->message = "text-" + status;
    return result;
  }

  // Who is signed in; a fixture may change them before SetUp.
  std::string clientId = "AcmeCo";
  std::string accountId = "rep_1";
  std::string password = "secret";

  std::shared_ptr<FakeSession> session;
  // The order feature installed, and the session's services made from it.
  FeatureWiring wiring;
  std::optional<SessionScope> scope;
  std::shared_ptr<SessionServices> services;
  std::shared_ptr<DelegateRecorder> delegate;
  std::shared_ptr<QuoteOrderStore> store;
  // Answers the store's requests in the test unless a fixture sends them to
  // the service (false before SetUp).
  bool answerRequestsHere = true;
  std::shared_ptr<FakeRequestSender> sender = std::make_shared<FakeRequestSender>();
  std::vector<std::string> badges;
  // What the session's screens asked of the application.
  std::shared_ptr<ShellRecorder> shell = std::make_shared<ShellRecorder>();
};

}  // namespace mv::test
