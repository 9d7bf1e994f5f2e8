#pragma once
// What the Sync tab and the backup-and-restore page need from the rest of the
// application: the main tab bar (the Sync tab's badge, the blinking sync icon,
// switching tabs), the session facts the screens read (network kind, the
// user's last backup), the way back to the sign-in screen, a full resync the
// service asked for, and word of a change of the interface language. Kept
// narrow so the screens' tests can stand in for it; the application installs
// the real one when it starts, and until then the screens do without. Main
// thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace mv {

class SyncScreenHost {
 public:
  // Tabs the screens switch to.
  static constexpr int kHomeTab = 0;
  static constexpr int kSalesLibraryTab = 4;
  static constexpr int kSyncTab = 6;

  static void install(std::shared_ptr<SyncScreenHost> host);
  static std::shared_ptr<SyncScreenHost> current();

  virtual ~SyncScreenHost() = default;

  // The Sync tab's badge; nothing removes it.
  virtual void setSyncBadgeValue(const std::optional<std::string>& value, bool animated) = 0;
  virtual void startSyncIconAnimation() = 0;
  virtual void stopSyncIconAnimation() = 0;
  virtual void selectTab(int index) = 0;

  // The device is on a cellular network.
  virtual bool isNotWifi() const = 0;
  // The service holds a backup of the user's work, and its time (seconds
  // since 1970, 0 when unknown).
  virtual bool hasBackup() const = 0;
  virtual double lastBackupDate() const = 0;

  // Signs out and shows the sign-in screen, once the caller has returned.
  virtual void showLoginPage() = 0;
  // True once for each full resync the service asked for since the last
  // run started; the next run then asks for every table in full.
  virtual bool takeFullSyncRequest() = 0;

  // Calls `onChange` after each change of the interface language for as long
  // as the returned token is kept.
  virtual std::shared_ptr<void> observeLanguageChanges(std::function<void()> onChange) = 0;
};

}  // namespace mv
