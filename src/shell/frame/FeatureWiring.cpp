#include "shell/frame/FeatureWiring.hpp"

#include "platform/base/MainThread.hpp"
#include "shell/frame/FeaturePendingViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void FeatureWiring::setScreenMaker(int tag, ScreenMaker maker) {
  MV_ASSERT_MAIN_THREAD();
  if (maker) {
    screens_[tag] = std::move(maker);
  } else {
    screens_.erase(tag);
  }
}

std::shared_ptr<ui::ViewController> FeatureWiring::makeScreen(int tag, SessionServices* services) const {
  MV_ASSERT_MAIN_THREAD();
  auto it = screens_.find(tag);
  if (services && it != screens_.end()) {
    if (auto screen = it->second(*services)) return screen;
  }
  return std::make_shared<FeaturePendingViewController>(MainTabScreens::titleKey(tag));
}

std::shared_ptr<ui::ViewController> FeatureWiring::makeBackupAndRestore(
    SessionServices* services, std::weak_ptr<SettingsViewControllerDelegate> settingDelegate) const {
  if (services && backupAndRestore_) {
    if (auto page = backupAndRestore_(*services, std::move(settingDelegate))) return page;
  }
  return std::make_shared<FeaturePendingViewController>("BACKANDRESTORE");
}

void FeatureWiring::run(const std::vector<SessionHook>& hooks, SessionServices& services) {
  MV_ASSERT_MAIN_THREAD();
  // A hook may end the session (a logout it causes): the rest are skipped.
  for (const auto& hook : hooks) {
    if (services.hasEnded()) return;
    if (hook) hook(services);
  }
}

}  // namespace mv
