#pragma once
// How the features plug into the application. Each feature has one entry
// point, `install(FeatureWiring&)`, called once when the application starts:
// it registers the factories of its session services, the screen of its tab,
// and what it does when the module switches change or a sync is asked for.
// The shell runs these lists without knowing which feature is behind them.
// Main thread only.
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/ViewController.hpp"
#include "shell/frame/SettingsViewControllerDelegate.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class FeatureWiring {
 public:
  using ScreenMaker = std::function<std::shared_ptr<ui::ViewController>(SessionServices& services)>;
  // The backup-and-restore page's maker gets the opener of the settings
  // window, which the page tells when it closes the window.
  using SettingsPageMaker = std::function<std::shared_ptr<ui::ViewController>(
      SessionServices& services, std::weak_ptr<SettingsViewControllerDelegate> settingDelegate)>;
  using SessionHook = std::function<void(SessionServices& services)>;

  // The factories of the services each session makes.
  SessionServices::Registry services;
  // The application has started, its data root set: what an earlier run
  // left unfinished is tidied.
  std::vector<std::function<void()>> onLaunch;
  // The component configuration may have changed: holders of module
  // switches re-read them.
  std::vector<SessionHook> onConfigChanged;
  // A sync was asked for (the home screen, the settings' full resync).
  std::vector<SessionHook> startSync;
  // The main screen of a session is up: work done ahead for screens not yet
  // shown. Runs once its first frame is drawn.
  std::vector<SessionHook> afterMainScreen;
  // The session ended; its services are gone already.
  std::vector<std::function<void()>> onLogout;

  // Installs (or, with an empty maker, removes) the screen of tab `tag` (1-6).
  void setScreenMaker(int tag, ScreenMaker maker);
  bool hasScreenMaker(int tag) const { return screens_.count(tag) != 0; }
  // The feature's screen, or the page saying that the feature is not
  // available yet (also when there are no services to make it with).
  std::shared_ptr<ui::ViewController> makeScreen(int tag, SessionServices* services) const;

  void setBackupAndRestoreMaker(SettingsPageMaker maker) { backupAndRestore_ = std::move(maker); }
  std::shared_ptr<ui::ViewController> makeBackupAndRestore(
      SessionServices* services, std::weak_ptr<SettingsViewControllerDelegate> settingDelegate = {}) const;

  // Run the hooks of a list, in the order the features installed them.
  static void run(const std::vector<SessionHook>& hooks, SessionServices& services);

 private:
  std::map<int, ScreenMaker> screens_;
  SettingsPageMaker backupAndRestore_;
};

}  // namespace mv
