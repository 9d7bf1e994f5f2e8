#include "shell/app/AppShellActions.hpp"

#include "platform/base/MainThread.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

AppShellActions::AppShellActions(std::weak_ptr<MarvistoAppDelegate> app, SessionServices& services)
    : app_(std::move(app)), services_(services.weak_from_this()), forSession_(true) {}

std::shared_ptr<MarvistoAppDelegate> AppShellActions::app() const {
  MV_ASSERT_MAIN_THREAD();
  if (forSession_) {
    auto services = services_.lock();
    if (!services || services->hasEnded()) return nullptr;
  }
  return app_.lock();
}

std::shared_ptr<UITabBarControllerExt> AppShellActions::tabs() const {
  auto app = this->app();
  return app ? app->tabBarController() : nullptr;
}

void AppShellActions::setTabBadge(int tab, const std::optional<std::string>& value, bool animated) {
  if (auto bar = tabs()) bar->setBadgeValue(value, tab, animated);
}

void AppShellActions::selectTab(int tab) {
  if (auto bar = tabs()) bar->selectTab(tab);
}

void AppShellActions::spreadTabButtons() {
  if (auto bar = tabs()) bar->itemsMove(true);
}

void AppShellActions::startSyncIconAnimation() {
  if (auto bar = tabs()) bar->startSyncIconAnimation();
}

void AppShellActions::stopSyncIconAnimation() {
  if (auto bar = tabs()) bar->stopSyncIconAnimation();
}

void AppShellActions::showMainScreen() {
  // At once: a skin picture whose check is under way is drawn as the
  // application's own until it is settled.
  if (auto shown = app()) shown->showMainController();
}

void AppShellActions::showSyncAndStart() {
  if (auto app = this->app()) app->showSyncController();
}

void AppShellActions::configurationChanged() {
  if (auto app = this->app()) app->configurationChanged();
}

void AppShellActions::logOutLater() {
  if (auto app = this->app()) app->showLoginPageLater();
}

void AppShellActions::logOutWithLockedUser(const std::string& status, const std::string& message) {
  if (auto app = this->app()) app->logoutWithLockedUser(status, message);
}

void AppShellActions::versionChecked(const CheckAppVersionRst& reply) {
  if (auto app = this->app()) app->CheckAppVersionReturn(reply);
}

bool AppShellActions::isWelcomeShown() const {
  auto app = this->app();
  return app && app->isWelcomeRoot();
}

std::shared_ptr<ui::ViewController> AppShellActions::makeBackupAndRestore(
    std::weak_ptr<SettingsViewControllerDelegate> settings) {
  auto app = this->app();
  if (!app) return nullptr;
  return app->wiring().makeBackupAndRestore(services_.lock().get(), std::move(settings));
}

std::string AppShellActions::appVersion() const {
  // The version stays the application's after a session has ended.
  auto app = app_.lock();
  return app ? app->currentVersion() : ShellActions::appVersion();
}

}  // namespace mv
