#include "shell/frame/MainTabScreens.hpp"

#include <map>

#include "shell/frame/FeaturePendingViewController.hpp"

namespace mv {
namespace {

std::map<int, MainTabScreens::Maker>& makers() {
  static std::map<int, MainTabScreens::Maker> m;
  return m;
}

MainTabScreens::SettingsPageMaker& backupMaker() {
  static MainTabScreens::SettingsPageMaker m;
  return m;
}

}  // namespace

const char* MainTabScreens::titleKey(int tag) {
  static const char* const keys[] = {"HOME", "CATALOG", "CUSTOMER", "INVENTORY", "SALESLIBRARY", "ORDER", "SYNC",
                                     "SETTINGS"};
  return tag >= 0 && tag <= kSettings ? keys[tag] : "";
}

void MainTabScreens::setScreenMaker(int tag, Maker maker) {
  if (maker) {
    makers()[tag] = std::move(maker);
  } else {
    makers().erase(tag);
  }
}

bool MainTabScreens::hasScreenMaker(int tag) { return makers().count(tag) != 0; }

std::shared_ptr<ui::ViewController> MainTabScreens::makeScreen(int tag) {
  auto it = makers().find(tag);
  if (it != makers().end()) {
    if (auto screen = it->second()) return screen;
  }
  return std::make_shared<FeaturePendingViewController>(titleKey(tag));
}

void MainTabScreens::setBackupAndRestoreMaker(SettingsPageMaker maker) { backupMaker() = std::move(maker); }

std::shared_ptr<ui::ViewController> MainTabScreens::makeBackupAndRestore(
    std::weak_ptr<SettingsViewControllerDelegate> settingDelegate) {
  if (backupMaker()) {
    if (auto page = backupMaker()(std::move(settingDelegate))) return page;
  }
  return std::make_shared<FeaturePendingViewController>("BACKANDRESTORE");
}

void MainTabScreens::resetForTesting() {
  makers().clear();
  backupMaker() = {};
}

}  // namespace mv
