#include "sync/BackupManager.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/BackupDocument.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestBackup.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/SyncSession.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

void BackupManager::sessionEnded() {
  MV_ASSERT_MAIN_THREAD();
  run_.cancelAll();
  isBackingUp_ = false;
  delegate_.reset();
}

std::string BackupManager::lastBackupDateKey() {
  const std::string client = Session::current().clientID;
  const std::string account = Session::current().acountID;
  if (isBlank(client) || isBlank(account)) return std::string();
  return client + "-" + account + "-last_backup_date";
}

double BackupManager::storedLastBackupDate() {
  const std::string key = lastBackupDateKey();
  if (key.empty()) return 0;
  return base::UserDefaults::standard().doubleForKey(key);
}

bool BackupManager::startBackup() {
  MV_ASSERT_MAIN_THREAD();
  if (isBackingUp_) {
    MV_LOG("a backup is already under way");
    return false;
  }
  isBackingUp_ = true;
  auto session = SyncSession::current();
  if (session && session->loginType() == LoginType::Online) {
    requestBackupData();
  } else {
    sendSilentLogin();
  }
  return true;
}

void BackupManager::cancelBackup() {
  MV_ASSERT_MAIN_THREAD();
  if (!isBackingUp_) return;
  run_.cancelAll();
  stopQuietly();
}

void BackupManager::sendSilentLogin() {
  if (SessionServices::currentSender()->sendFor<LoginRst>(
          std::make_shared<RequestLogin>(), run_, [this](const LoginRst& result) { loginReplied(result); },
          [this](const NetBaseRst&) { stopQuietly(); }) < 0) {
    fail(text("FAILED"));
  }
}

void BackupManager::progress(float value) {
  if (auto d = delegate()) d->didUpdateProgress(*this, value);
}

void BackupManager::fail(const std::string& message) {
  run_.cancelAll();
  isBackingUp_ = false;
  if (auto d = delegate()) d->didFailedWithMessage(*this, message);
}

void BackupManager::requestBackupData() {
  isBackingUp_ = true;
  progress(0.1f);
  auto sources = BackupDocument::read();
  if (!sources) {
    MV_LOG("backup: the client's database cannot be opened");
    fail(text("FAILED"));
    return;
  }
  progress(0.3f);
  base::Value document = BackupDocument::assemble(*sources);
  progress(0.5f);
  auto request = std::make_shared<RequestBackup>();
  request->backupString = BackupDocument::write(document);
  if (SessionServices::currentSender()->sendFor<BackupRst>(
          request, run_, [this](const BackupRst& result) { backupReplied(result); },
          [this](const NetBaseRst&) { stopQuietly(); }) < 0) {
    fail(text("FAILED"));
    return;
  }
  progress(0.7f);
}

void BackupManager::recordBackup(double secondsSince1970) {
  lastBackupDate_ = secondsSince1970;
  if (secondsSince1970 == 0) return;
  const std::string key = lastBackupDateKey();
  if (!key.empty()) {
    auto& defaults = base::UserDefaults::standard();
    defaults.setDouble(key, secondsSince1970);
    if (!defaults.synchronize()) MV_LOG("backup: the time of the backup could not be stored");
  }
  if (auto session = SyncSession::current()) {
    session->setHasBackup(true);
    session->setLastBackupDate(secondsSince1970);
  }
}

// Only the reply to the request on its way arrives: the tracker cancelled
// any other.
bool BackupManager::endedBySession(const NetBaseRst& result) {
  if (!isLockedStatus(result.status) && !isSessionExpiredStatus(result.status)) return false;
  stopQuietly();
  return true;
}

void BackupManager::loginReplied(const LoginRst& result) {
  MV_ASSERT_MAIN_THREAD();
  if (!isBackingUp_ || endedBySession(result)) return;
  if (SyncSession::takeSilentLoginReply(result)) {
    requestBackupData();
  } else {
    fail(result.message);
  }
}

void BackupManager::backupReplied(const BackupRst& result) {
  MV_ASSERT_MAIN_THREAD();
  if (!isBackingUp_ || endedBySession(result)) return;
  isBackingUp_ = false;
  if (result.isSuccess()) {
    recordBackup(result.lastBackupDate);
    if (auto d = delegate()) d->didSuccessBackupWithMessage(*this, result.message);
  } else {
    if (auto d = delegate()) d->didFailedWithMessage(*this, result.message);
  }
}

void BackupManager::stopQuietly() {
  run_.cancelAll();
  if (!isBackingUp_) return;
  isBackingUp_ = false;
  if (auto d = delegate()) d->didStopBackup(*this);
}

}  // namespace mv
