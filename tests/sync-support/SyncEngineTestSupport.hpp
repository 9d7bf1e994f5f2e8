#pragma once
// The sync engine tests' fixture: the local sales service, a client database
// made from the template, simple stand-ins for the session, its configuration
// and the customer book, a delegate that records what the sync screen would
// be told, and readers of the store, the client's folders and the service's
// request log to compare with the generated data.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "NetworkTestSupport.hpp"
#include "SessionScope.hpp"
#include "sales-service/SampleData.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {

// Keeps the session context in step and sends the two session requests, as
// the shell's session does.
class RecordingSyncSession : public SyncSession {
 public:
  LoginType type = LoginType::Online;
  std::int64_t vendorId = 0;
  bool hasBackup = false;
  double lastBackupDate = 0;
  int userinfoRequests = 0;
  int runtimeConfigRequests = 0;
  std::shared_ptr<Recorder> replies = std::make_shared<Recorder>();

  LoginType loginType() const override { return type; }
  void setLoginType(LoginType t) override { type = t; }
  std::string clientID() const override;
  void setClientID(const std::string& clientId) override;
  void setSessionId(const std::string& sessionId) override;
  void setVendorId(std::int64_t v) override { vendorId = v; }
  void askFullSync() override { ++fullSyncsAsked; }
  int fullSyncsAsked = 0;
  void setHasBackup(bool v) override { hasBackup = v; }
  void setLastBackupDate(double v) override { lastBackupDate = v; }
  void getUserinfo() override;
  void getRuntimeConfig() override;
};

class FakeSyncConfig : public SyncConfigManager {
 public:
  std::set<int> shown = {kCatalogIndex, kCustomerIndex, kLibraryIndex};
  std::map<std::string, std::string> flags;

  bool isOnShow(int index) const override { return shown.count(index) > 0; }
  std::map<std::string, std::string>& flagDic() override { return flags; }
};

class FakeCustomerModel : public SyncCustomerModel {
 public:
  int reloads = 0;
  void reloadCustomerData() override { ++reloads; }
  void reloadCustomerDataBeside() override { ++reloads; }
};

class RecordingSyncDelegate : public SyncModelDelegate {
 public:
  struct Progress {
    float progress;
    int imageType;
    int remainTime;
  };
  // "startSyncData", "break", "imagesDone:<kind>", "finished", "progress:<kind>",
  // "customers", "sessionEnded", "kindCompleted:<kind>", "pauseEnded:<next kind>",
  // in the order they came.
  std::vector<std::string> events;
  std::vector<std::string> breaks;
  // What finished runs told of the files they did not keep.
  std::vector<std::string> notReceived;
  std::vector<Progress> progress;
  // The shares of the removals of changed files, and how many image
  // progress reports had come before each.
  std::vector<std::pair<float, std::size_t>> removals;
  // Estimates withdrawn while nothing ended.
  int withdrawals = 0;
  // Like the sync screen, resets the engine when a run ends.
  std::weak_ptr<SyncModel> engine;

  void startSyncData() override { events.push_back("startSyncData"); }
  void breakSync(const std::string& message) override;
  void downloadimageFinished(int imageType) override { events.push_back("imagesDone:" + std::to_string(imageType)); }
  void finishedSync() override;
  void filesNotReceived(const std::string& message) override { notReceived.push_back(message); }
  void setProgress(float value, int imageType, int remainTime) override;
  void getCustomerFinished() override { events.push_back("customers"); }
  void syncEndedBySession() override;
  void setRemovalProgress(float share) override { removals.emplace_back(share, progress.size()); }
  void estimateWithdrawn() override { ++withdrawals; }
  void imageKindCompleted(int imageType) override { events.push_back("kindCompleted:" + std::to_string(imageType)); }
  void imageKindPauseEnded(int nextImageType) override {
    events.push_back("pauseEnded:" + std::to_string(nextImageType));
  }

  // Runs ended so far (break, finish or session end).
  int ends() const;
  int count(const std::string& event) const;
  // Where `event` first came among the events; the number of events when it
  // never came.
  std::size_t indexOf(const std::string& event) const;
};

using Tuple = std::vector<std::string>;
using TableRows = std::multiset<Tuple>;

class SyncEngineTest : public NetworkTest {
 public:
  // Rows of a query on the client database, every column as text.
  static std::vector<Tuple> query(const std::string& sql);
  // Runs SQL on the client database (triggers that make writes fail).
  static bool execute(const std::string& sql);

 protected:
  void SetUp() override;
  void TearDown() override;

  // The engine with the recording delegate.
  std::shared_ptr<SyncModel> engine();
  // Starts a run and waits for its end; false on time-out.
  bool runSync(double timeout = 60);
  // Waits until the run ended; false on time-out.
  bool waitForEnd(int endsBefore, double timeout = 60);

  const sales::DataSet& data(int version) const;
  const sales::ChangeSet& changes() const;

  // The per-client user-defaults value, or nothing.
  std::optional<std::string> clientFlag(const std::string& name) const;

  // The rows of each synced table as stored, and as the data set says they
  // should be, by table name; prices, dates and discounts as "%.4f".
  std::map<std::string, TableRows> storedTables() const;
  static std::map<std::string, TableRows> expectedTables(const sales::DataSet& data);

  static bool writeFile(const std::filesystem::path& path, const std::string& bytes);
  // The bytes of a small picture the decoder reads: what a sync keeps on disk.
  static const std::string& pictureBytes();
  static std::string contentsOf(const std::filesystem::path& path);
  static std::filesystem::path localPath(const std::string& name, int type);

  // Paths below the client's folder on the file endpoint ("product/a.jpg")
  // the service was asked for, in order.
  std::vector<std::string> requestedFiles() const;
  // Log entries of the table syncs ("product", "file", "customer") and of the
  // acknowledgements, in order.
  std::vector<sales::LogEntry> tableRequests() const;
  std::vector<std::string> acknowledgements() const;
  // The files the image phase fetches for these tables: the published images
  // of `products`, the icons and the covers of the published `files`.
  static std::set<std::string> imageFilesOf(const sales::Table& products, const sales::Table& icons,
                                            const sales::Table& files);

  std::shared_ptr<RecordingSyncSession> session;
  // The signed-in session; its services are the engine and the recording
  // customer model.
  std::optional<SessionScope> scope;
  std::shared_ptr<SessionServices> services;
  std::shared_ptr<FakeSyncConfig> config;
  std::shared_ptr<FakeCustomerModel> customers;
  std::shared_ptr<RecordingSyncDelegate> delegate;
  std::shared_ptr<const sales::CompanyData> company;
};

}  // namespace mv::test
