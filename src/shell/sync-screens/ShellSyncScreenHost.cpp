#include "shell/sync-screens/ShellSyncScreenHost.hpp"

#include "shell/config/LanguageManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/ShellActions.hpp"
#include "sync/SessionServices.hpp"

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

// The application's actions for the session running now.
std::shared_ptr<ShellActions> sessionActions() { return ShellActions::of(SessionServices::current()); }

}  // namespace

void ShellSyncScreenHost::setSyncBadgeValue(const std::optional<std::string>& value, bool animated) {
  if (auto actions = sessionActions()) actions->setTabBadge(MainTabScreens::kSync, value, animated);
}

void ShellSyncScreenHost::startSyncIconAnimation() {
  if (auto actions = sessionActions()) actions->startSyncIconAnimation();
}

void ShellSyncScreenHost::stopSyncIconAnimation() {
  if (auto actions = sessionActions()) actions->stopSyncIconAnimation();
}

void ShellSyncScreenHost::selectTab(int index) {
  if (auto actions = sessionActions()) actions->selectTab(index);
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
  if (auto actions = sessionActions()) actions->logOutLater();
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
