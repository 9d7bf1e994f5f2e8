#include "shell/sync-screens/ShellSyncScreenHost.hpp"

#include "shell/settings/LanguageManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MarvistoAppDelegate.hpp"
#include "shell/frame/UITabBarControllerExt.hpp"

namespace mv {
namespace {

class LanguageRelay : public LanguageManagerDelegate {
 public:
  explicit LanguageRelay(std::function<void()> onChange) : onChange_(std::move(onChange)) {}
  void notifiChangelanguage() override {
    if (onChange_) onChange_();
  }

 private:
  std::function<void()> onChange_;
};

}  // namespace

void ShellSyncScreenHost::setSyncBadgeValue(const std::optional<std::string>& value, bool animated) {
  auto app = MarvistoAppDelegate::current();
  if (auto tab = app ? app->tabBarController() : nullptr) tab->setBadgeValue(value, MainTabScreens::kSync, animated);
}

void ShellSyncScreenHost::startSyncIconAnimation() {
  auto app = MarvistoAppDelegate::current();
  if (auto tab = app ? app->tabBarController() : nullptr) tab->startSyncIconAnimation();
}

void ShellSyncScreenHost::stopSyncIconAnimation() {
  auto app = MarvistoAppDelegate::current();
  if (auto tab = app ? app->tabBarController() : nullptr) tab->stopSyncIconAnimation();
}

void ShellSyncScreenHost::selectTab(int index) {
  auto app = MarvistoAppDelegate::current();
  if (auto tab = app ? app->tabBarController() : nullptr) tab->selectTab(index);
}

bool ShellSyncScreenHost::isNotWifi() const {
  auto lm = LoginMode::existingInstance();
  return lm && lm->isNotWifi();
}

bool ShellSyncScreenHost::hasBackup() const {
  auto lm = LoginMode::existingInstance();
  return lm && lm->hasBackup();
}

double ShellSyncScreenHost::lastBackupDate() const {
  auto lm = LoginMode::existingInstance();
  return lm ? lm->lastBackupDate() : 0;
}

void ShellSyncScreenHost::showLoginPage() {
  // The logout frees the screen that asks; it runs once the screen is done.
  if (auto app = MarvistoAppDelegate::current()) app->showLoginPageLater();
}

bool ShellSyncScreenHost::takeFullSyncRequest() {
  auto lm = LoginMode::existingInstance();
  if (!lm || !lm->isSyncAllData()) return false;
  lm->setIsSyncAllData(false);
  return true;
}

std::shared_ptr<void> ShellSyncScreenHost::observeLanguageChanges(std::function<void()> onChange) {
  auto relay = std::make_shared<LanguageRelay>(std::move(onChange));
  LanguageManager::sharedInstance().registerLanugageNotification(relay);
  return relay;
}

}  // namespace mv
