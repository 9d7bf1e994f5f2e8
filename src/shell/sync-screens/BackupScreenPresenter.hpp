#pragma once
// What the backup-and-restore page shows, decided apart from its views: the
// last-backup text, the rows' texts and whether the restore row can be
// chosen, what a tap on a row leads to, the page's alerts (tags 1 to 8) and
// the look of a run. Texts come from the interface's string table.
#include <optional>
#include <string>

#include "shell/frame/ScreenAlert.hpp"
#include "util/Session.hpp"

namespace mv {

// How the page shows a backup under way or not.
struct BackupRunState {
  bool isBackingUp = false;
  bool lastBackupLabelShown = true;
  bool backingUpLabelShown = false;
  bool progressShown = false;
  float progress = 0;
  bool indicatorTurning = false;
  bool operator==(const BackupRunState&) const = default;
};

struct BackupRowLook {
  std::string text;
  bool selectable = true;
  // Dark text when it can be chosen, light grey otherwise.
  bool dimmed = false;
  bool operator==(const BackupRowLook&) const = default;
};

class BackupScreenPresenter {
 public:
  static constexpr long kRestoreConfirmTag = 1;
  static constexpr long kDownloadFilesTag = 2;
  static constexpr long kOfflineRestoreTag = 4;
  static constexpr long kCellularDownloadTag = 5;
  static constexpr long kBackupConfirmTag = 6;
  static constexpr long kRequireLoginTag = 7;
  static constexpr long kFailedTag = 8;
  static constexpr long kNeedSyncTag = 0;
  static constexpr long kBackupSection = 0;
  static constexpr long kRestoreSection = 1;
  // Written with the calendar year in the fixed POSIX locale, so the last
  // days of December keep their year.
  static constexpr const char* kDateFormat = "MM/dd/yyyy HH:mm";

  enum class Action {
    CancelBackup,
    ConfirmBackup,
    CancelRestore,
    ConfirmRestore,
    DemoAlert,
    OfflineRestoreAlert,
    NeedSyncAlert,
  };

  // "today 00:05", "yesterday 23:59", else the date.
  static std::string friendlyDateTimeString(double secondsSince1970, double now);
  // "LASTBACKUP: <date>" with the language's colon ("LASTBACKUPNODATE" when
  // the time is 0); empty without a backup.
  static std::string lastBackupText(bool hasBackup, double lastBackupDate, double now);

  static BackupRowLook backupRow(bool isBackingUp);
  static BackupRowLook restoreRow(bool isRestoring, bool hasBackup);

  // A tap on the backup or the restore row. Both need a finished sync.
  static Action backupTap(bool isBackingUp, LoginType loginType, bool hasSynced);
  static Action restoreTap(bool isRestoring, LoginType loginType, bool hasSynced);
  // The signed-in client has finished a sync ("lastsync" is stored).
  static bool hasCompletedSync();

  static BackupRunState runState(float progress, bool isBackingUp);

  static ScreenAlert alertFor(long tag);
  static ScreenAlert needSyncAlert(bool forBackup);
  // A backup or restore that failed with `message`.
  static ScreenAlert failureAlert(const std::string& message, LoginType loginType, bool forBackup);
  static ScreenAlert finishedRestoreAlert();
};

}  // namespace mv
