#include "shell/SyncScreens.hpp"

#include "shell/MainTabScreens.hpp"
#include "shell/ShellSyncScreenHost.hpp"
#include "shell/BackupAndRestoreViewController.hpp"
#include "sync/SyncModel.hpp"
#include "shell/SyncViewController.hpp"

namespace mv {

void SyncScreens::install(SessionHooks& hooks) {
  SyncScreenHost::install(std::make_shared<ShellSyncScreenHost>());
  MainTabScreens::setScreenMaker(MainTabScreens::kSync, [] { return std::make_shared<SyncViewController>(); });
  MainTabScreens::setBackupAndRestoreMaker([](std::weak_ptr<SettingsViewControllerDelegate> settingDelegate) {
    auto page = std::make_shared<BackupAndRestoreViewController>();
    page->setSettingDelegate(std::move(settingDelegate));
    return page;
  });
  hooks.freeSyncModel = [] { SyncModel::freeInstance(); };
  hooks.startSyncData = [] { SyncModel::sharedInstance()->startSyncData(); };
}

void SyncScreens::uninstall() {
  MainTabScreens::setScreenMaker(MainTabScreens::kSync, {});
  MainTabScreens::setBackupAndRestoreMaker({});
  SyncScreenHost::install(nullptr);
}

}  // namespace mv
