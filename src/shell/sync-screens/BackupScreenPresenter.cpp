#include "shell/sync-screens/BackupScreenPresenter.hpp"

#include <cstdio>

#include "platform/base/Date.hpp"
#include "sync/SyncLoginSession.hpp"
#include "shell/sync-screens/SyncScreenPresenter.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


}  // namespace

std::string BackupScreenPresenter::friendlyDateTimeString(double secondsSince1970, double now) {
  const bool today = base::isToday(secondsSince1970, now);
  if (today || base::isYesterday(secondsSince1970, now)) {
    const base::CalendarDate d = base::calendarDate(secondsSince1970);
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d", d.hour, d.minute);
    return text(today ? "LASTBACKUPTODAY" : "LASTBACKUPYESTERDAY") + " " + clock;
  }
  return PublicFunction::stringFromDate(secondsSince1970, kDateFormat);
}

std::string BackupScreenPresenter::lastBackupText(bool hasBackup, double lastBackupDate, double now) {
  if (!hasBackup) return std::string();
  if (lastBackupDate == 0) return text("LASTBACKUPNODATE");
  return labelledText("LASTBACKUP", friendlyDateTimeString(lastBackupDate, now));
}

BackupRowLook BackupScreenPresenter::backupRow(bool isBackingUp) {
  return BackupRowLook{text(isBackingUp ? "BACKUPCANCEL" : "BACKUPNOW"), true, false};
}

BackupRowLook BackupScreenPresenter::restoreRow(bool isRestoring, bool hasBackup) {
  return BackupRowLook{text(isRestoring ? "RESTORECANCEL" : "RESTOREFROMLAST"), hasBackup, !hasBackup};
}

BackupScreenPresenter::Action BackupScreenPresenter::backupTap(bool isBackingUp, LoginType loginType, bool hasSynced) {
  if (isBackingUp) return Action::CancelBackup;
  if (loginType == LoginType::Demo) return Action::DemoAlert;
  return hasSynced ? Action::ConfirmBackup : Action::NeedSyncAlert;
}

BackupScreenPresenter::Action BackupScreenPresenter::restoreTap(bool isRestoring, LoginType loginType, bool hasSynced) {
  if (isRestoring) return Action::CancelRestore;
  if (loginType == LoginType::Demo) return Action::DemoAlert;
  if (loginType == LoginType::Offline) return Action::OfflineRestoreAlert;
  return hasSynced ? Action::ConfirmRestore : Action::NeedSyncAlert;
}

bool BackupScreenPresenter::hasCompletedSync() { return SyncScreenPresenter::storedLastSync().has_value(); }

BackupRunState BackupScreenPresenter::runState(float progress, bool isBackingUp) {
  BackupRunState s;
  s.isBackingUp = isBackingUp;
  if (isBackingUp) {
    s.lastBackupLabelShown = false;
    s.backingUpLabelShown = true;
    s.progressShown = true;
    s.progress = progress;
    s.indicatorTurning = true;
  } else {
    s.lastBackupLabelShown = true;
    s.backingUpLabelShown = false;
    s.progressShown = false;
    s.progress = 0;
    s.indicatorTurning = false;
  }
  return s;
}

ScreenAlert BackupScreenPresenter::alertFor(long tag) {
  switch (tag) {
    case kRestoreConfirmTag:
      return {tag, text("RESTORE"), text("RESTORENOTICE"), text("CANCEL"), {text("OK")}};
    case kDownloadFilesTag:
      // Downloading nothing still ends the restore.
      return {tag, text("DOWNLOADFILES"), text("RESTOREDOWNLOADFILES"), text("CANCEL"), {text("OK")}, 0};
    case kOfflineRestoreTag:
      return {tag, text("RESTOREFAILED"), text("999"), text("OK"), {}};
    case kCellularDownloadTag:
      return {tag, text("NONWIFINETWORKUSING"), text("WIFIALERT"), text("OK"), {text("CANCEL")}, 1};
    case kBackupConfirmTag:
      return {tag, text("BACKUPTITLE"), text("BACKUPNOTICE"), text("CANCEL"), {text("OK")}};
    default:
      return {tag, std::string(), std::string(), text("OK"), {}};
  }
}

ScreenAlert BackupScreenPresenter::needSyncAlert(bool forBackup) {
  return {kNeedSyncTag, text("NEEDSYNC"), text(forBackup ? "SYNCBEFOREBACKUP" : "SYNCBEFORERESTORE"), text("OK"), {}};
}

ScreenAlert BackupScreenPresenter::failureAlert(const std::string& message, LoginType loginType, bool forBackup) {
  const std::string expired = text("101");
  if ((!expired.empty() && message == expired) || loginType == LoginType::None) {
    return {kRequireLoginTag, text("REQUIRELOGIN"), message + text("STAYOFFLINEORLOGIN"), text("CANCEL"), {text("OK")}};
  }
  return {kFailedTag, text(forBackup ? "BACKUPFAILED" : "RESTOREFAILED"), message, text("OK"), {}};
}

ScreenAlert BackupScreenPresenter::finishedRestoreAlert() {
  return {0, text("RESTOREFINISHTITLE"), text("RESTOREFINISHMSG"), text("OK"), {}};
}

}  // namespace mv
