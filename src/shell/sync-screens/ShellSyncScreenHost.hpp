#pragma once
// The shell's side of the sync screens: the main tab bar's Sync badge, sync
// icon and tabs, the session's network kind and backup record, the logout,
// the full resync the service asked for at sign-in, and the language
// manager's change notices. Reads the current objects on every call, so it
// outlives sessions.
#include "shell/sync-screens/SyncScreenHost.hpp"

namespace mv {

class ShellSyncScreenHost : public SyncScreenHost {
 public:
  void setSyncBadgeValue(const std::optional<std::string>& value, bool animated) override;
  void startSyncIconAnimation() override;
  void stopSyncIconAnimation() override;
  void selectTab(int index) override;
  bool isNotWifi() const override;
  bool hasBackup() const override;
  double lastBackupDate() const override;
  void showLoginPage() override;
  bool takeFullSyncRequest() override;
  std::shared_ptr<void> observeLanguageChanges(std::function<void()> onChange) override;
};

}  // namespace mv
