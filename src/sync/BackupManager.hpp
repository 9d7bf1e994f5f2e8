#pragma once
// Backs up the representative's own work on the device (favourites, compare
// list, library favourites and downloads, unsubmitted orders, customers made
// on the device) to the service. One per session (a session service, made by
// the sync screens' wiring): a backup goes on when the screen that started it
// closes, and stops quietly when the session ends. Main thread only.
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"

namespace mv {

class BackupManager;
class BackupRst;
class LoginRst;
class NetBaseRst;

// The screen watching a backup. Every call is optional.
class BackupManagerDelegate {
 public:
  virtual ~BackupManagerDelegate() = default;
  // 0.1, 0.3, 0.5 and 0.7 while the document is built and sent.
  virtual void didUpdateProgress(BackupManager& /*manager*/, float /*progress*/) {}
  virtual void didSuccessBackupWithMessage(BackupManager& /*manager*/, const std::string& /*message*/) {}
  virtual void didFailedWithMessage(BackupManager& /*manager*/, const std::string& /*message*/) {}
  // The backup ended with nothing to tell: it was cancelled, or the session
  // handler took its status (expired session, locked user) and has told the
  // user already.
  virtual void didStopBackup(BackupManager& /*manager*/) {}
};

class BackupManager {
 public:
  BackupManager() = default;

  // Starts a backup: signs in again first when the session is not online.
  // False (and nothing happens) while one is under way.
  bool startBackup();
  // Stops the backup's own requests (and no others); the delegate hears
  // didStopBackup. Nothing when no backup runs.
  void cancelBackup();

  bool isBackingUp() const { return isBackingUp_; }
  // Seconds since 1970 from the last successful reply; 0 until then, and 0
  // when that reply named no time.
  double lastBackupDate() const { return lastBackupDate_; }
  void setLastBackupDate(double secondsSince1970) { lastBackupDate_ = secondsSince1970; }
  std::shared_ptr<BackupManagerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<BackupManagerDelegate> delegate) { delegate_ = std::move(delegate); }

  // The per-user key of the last backup time: "<client id>-<account id>-
  // last_backup_date"; "" while nobody is signed in.
  static std::string lastBackupDateKey();
  // The stored time (a double; a value written as single precision by an
  // older version reads as it is); 0 when none.
  static double storedLastBackupDate();

  BackupManager(const BackupManager&) = delete;
  BackupManager& operator=(const BackupManager&) = delete;

  // The session ends: a backup under way stops, and nothing more is heard.
  void sessionEnded();

 private:
  void sendSilentLogin();
  void requestBackupData();
  void loginReplied(const LoginRst& result);
  void backupReplied(const BackupRst& result);
  // A reply whose status ends the session (the shell tells the user): the
  // backup stops quietly. True when it did.
  bool endedBySession(const NetBaseRst& result);
  void progress(float value);
  void fail(const std::string& message);
  // Ends the backup without an outcome to show.
  void stopQuietly();
  // Keeps the time of a stored backup where the restore and the session find
  // it, whether or not a screen is watching.
  void recordBackup(double secondsSince1970);

  bool isBackingUp_ = false;
  double lastBackupDate_ = 0;
  // The backup's request on its way: a reply reaches the manager only while
  // it holds it, so one left over from a cancelled backup never ends a later one.
  base::CancelTracker run_;
  std::weak_ptr<BackupManagerDelegate> delegate_;
};

}  // namespace mv
