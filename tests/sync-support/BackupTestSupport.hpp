#pragma once
// Backup and restore against the local sales service: a session the managers
// can change, a recording wait box, recording delegates, and a client
// database filled with a representative's own work.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EntityBuilders.hpp"
#include "NetworkTestSupport.hpp"
#include "SessionScope.hpp"
#include "StoreAccess.hpp"
#include "sync/BackupManager.hpp"
#include "sync/BlockWaitBox.hpp"
#include "sync/RestoreManager.hpp"
#include "sync/SyncSession.hpp"

namespace mv {
class DataAccessManager;
class SQLiteDatabase;
}  // namespace mv

namespace mv::test {

// Publishes the session value as it changes, as the shell's session does.
class FakeSyncSession : public SyncSession {
 public:
  LoginType type = LoginType::Online;
  std::string client = "acme";
  std::string account = "rep";
  std::string sessionId;
  std::int64_t vendorId = 11;
  bool hasBackup = false;
  double lastBackupDate = 0;

  LoginType loginType() const override { return type; }
  void setLoginType(LoginType t) override { type = t; }
  std::string clientID() const override { return client; }
  void setClientID(const std::string& v) override;
  void setSessionId(const std::string& v) override;
  void setVendorId(std::int64_t v) override;
  void askFullSync() override { ++fullSyncsAsked; }
  int fullSyncsAsked = 0;
  void setHasBackup(bool v) override { hasBackup = v; }
  void setLastBackupDate(double v) override { lastBackupDate = v; }
  void getUserinfo() override {}
  void getRuntimeConfig() override {}
};

class FakeWaitBox : public BlockWaitBox {
 public:
  struct Box {
    std::string text;
    double timeout = 0;
    bool open = true;
    std::function<void()> onCancel;
  };
  std::map<int, Box> boxes;
  int next = 1;

  int BeginBlockWait(const std::string& text, double timeout, std::function<void()> onCancel) override {
    boxes[next] = Box{text, timeout, true, std::move(onCancel)};
    return next++;
  }
  void EndBlockWait(int tag) override {
    auto it = boxes.find(tag);
    if (it != boxes.end()) it->second.open = false;
  }
  int openCount() const;
};

class BackupRecorder : public BackupManagerDelegate {
 public:
  std::vector<float> progress;
  std::vector<std::string> successes;
  std::vector<std::string> failures;
  int stops = 0;
  void didUpdateProgress(BackupManager&, float p) override { progress.push_back(p); }
  void didSuccessBackupWithMessage(BackupManager&, const std::string& m) override { successes.push_back(m); }
  void didFailedWithMessage(BackupManager&, const std::string& m) override { failures.push_back(m); }
  void didStopBackup(BackupManager&) override { ++stops; }
  std::size_t outcomes() const { return successes.size() + failures.size() + static_cast<std::size_t>(stops); }
};

class RestoreRecorder : public RestoreManagerDelegate {
 public:
  std::vector<std::string> successes;
  std::vector<std::vector<marvisto_library_files_Entity>> files;
  std::vector<std::string> failures;
  int stops = 0;
  void didSuccessRestoreWithMessage(RestoreManager&, const std::string& m,
                                    const std::vector<marvisto_library_files_Entity>& f) override {
    successes.push_back(m);
    files.push_back(f);
  }
  void didFailedRestoreWithMessage(RestoreManager&, const std::string& m) override { failures.push_back(m); }
  void didStopRestore(RestoreManager&) override { ++stops; }
  std::size_t outcomes() const { return successes.size() + failures.size() + static_cast<std::size_t>(stops); }
};

class BackupRestoreTest : public NetworkTest, protected StoreAccess {
 protected:
  void SetUp() override;
  void TearDown() override;
  // What the session's services are made from: the backup and restore
  // managers; a screen test adds its fakes.
  virtual SessionServices::Registry sessionRegistry();
  // Takes the backup and restore managers of the session begun now, each
  // reporting to its recorder.
  void takeManagers();

  // Catalogue, library and customer fields the local work refers to.
  void seedCatalogue();
  // Favourites, compares, library favourites (one downloaded file), two local
  // orders with lines and a signature (one for the local customer), a local
  // customer with address, attributes ("Active" = "NO") and contact, and
  // beside them a customer and a submitted order from the service.
  void seedLocalWork();
  // Changes every part of the local work.
  void alterLocalWork();

  // Every row of the tables backup and restore touch, each table sorted.
  std::map<std::string, std::vector<std::string>> snapshot();

  // Runs a backup / restore to its outcome; false on time-out.
  bool backUp(double timeout = 10);
  bool restore(double timeout = 10);

  std::shared_ptr<FakeSyncSession> session;
  std::shared_ptr<FakeWaitBox> waitBox;
  std::shared_ptr<BackupRecorder> backupDelegate;
  std::shared_ptr<RestoreRecorder> restoreDelegate;
  // The signed-in session and its services; ended in TearDown.
  std::optional<SessionScope> scope;
  std::shared_ptr<BackupManager> backupManager;
  std::shared_ptr<RestoreManager> restoreManager;
};

}  // namespace mv::test
