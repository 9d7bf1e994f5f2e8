#include "shell/sync-screens/SyncScreens.hpp"

#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/ShellSyncScreenHost.hpp"
#include "shell/sync-screens/BackupAndRestoreViewController.hpp"
#include "sync/SyncModel.hpp"
#include "shell/sync-screens/SyncViewController.hpp"

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
