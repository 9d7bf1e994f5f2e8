#include "shell/sync-screens/SyncScreens.hpp"

#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/BackupAndRestoreViewController.hpp"
#include "shell/sync-screens/ShellSyncScreenHost.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "sync/BackupManager.hpp"
#include "sync/RestoreManager.hpp"
#include "sync/SyncModel.hpp"

namespace mv {

void SyncScreens::install(FeatureWiring& wiring) {
  SyncScreenHost::install(std::make_shared<ShellSyncScreenHost>());
  wiring.services.add<SyncModel>();
  wiring.services.add<BackupManager>([](SessionServices&) { return std::make_shared<BackupManager>(); });
  wiring.services.add<RestoreManager>([](SessionServices&) { return std::make_shared<RestoreManager>(); });
  wiring.setScreenMaker(MainTabScreens::kSync, [](SessionServices& services) {
    return std::make_shared<SyncViewController>(services.shared_from_this());
  });
  wiring.setBackupAndRestoreMaker(
      [](SessionServices& services, std::weak_ptr<SettingsViewControllerDelegate> settingDelegate) {
        auto page = std::make_shared<BackupAndRestoreViewController>(services.get<BackupManager>(),
                                                                     services.get<RestoreManager>());
        page->setSettingDelegate(std::move(settingDelegate));
        return page;
      });
  wiring.startSync.push_back([](SessionServices& services) {
    if (auto engine = services.get<SyncModel>()) engine->startSyncData();
  });
}

void SyncScreens::uninstall() { SyncScreenHost::install(nullptr); }

}  // namespace mv
