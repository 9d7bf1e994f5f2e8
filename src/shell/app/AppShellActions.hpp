#pragma once
// The application's answers to what the features and the shell's screens ask
// (`ShellActions`): each goes to the application delegate and its main tab
// bar, and does nothing once the delegate is gone. A session's actions also
// do nothing once their session has ended: a screen that outlived it cannot
// reach the next session's tab bar.
#include <memory>

#include "shell/frame/ShellActions.hpp"

namespace mv {

class MarvistoAppDelegate;
class UITabBarControllerExt;

class AppShellActions : public ShellActions {
 public:
  // Before a sign-in (the welcome screen, the sign-in state).
  explicit AppShellActions(std::weak_ptr<MarvistoAppDelegate> app) : app_(std::move(app)) {}
  // For the session of `services`.
  AppShellActions(std::weak_ptr<MarvistoAppDelegate> app, SessionServices& services);

  void setTabBadge(int tab, const std::optional<std::string>& value, bool animated) override;
  void selectTab(int tab) override;
  void spreadTabButtons() override;
  void startSyncIconAnimation() override;
  void stopSyncIconAnimation() override;

  void showMainScreen() override;
  void showSyncAndStart() override;
  void configurationChanged() override;
  void logOutLater() override;
  void logOutWithLockedUser(const std::string& status, const std::string& message) override;
  void versionChecked(const CheckAppVersionRst& reply) override;
  bool isWelcomeShown() const override;
  std::shared_ptr<ui::ViewController> makeBackupAndRestore(
      std::weak_ptr<SettingsViewControllerDelegate> settings) override;

  std::string appVersion() const override;

 private:
  // The application, while these actions may still reach it.
  std::shared_ptr<MarvistoAppDelegate> app() const;
  std::shared_ptr<UITabBarControllerExt> tabs() const;

  std::weak_ptr<MarvistoAppDelegate> app_;
  std::weak_ptr<SessionServices> services_;
  bool forSession_ = false;
};

}  // namespace mv
