#pragma once
// Where the main tab bar gets the screens of its feature tabs. Each feature
// (catalogue, customers, inventory, library, orders, sync) installs the maker
// of its screen when the application starts; a tab without one shows a
// screen saying that the feature is not available yet. The settings'
// backup-and-restore page is found the same way.
#include <functional>
#include <memory>

#include "platform/ui/ViewController.hpp"
#include "shell/settings/SettingsViewControllerDelegate.hpp"

namespace mv {

class MainTabScreens {
 public:
  using Maker = std::function<std::shared_ptr<ui::ViewController>()>;
  // The backup-and-restore page's maker gets the opener of the settings
  // window, which the page tells when it closes the window.
  using SettingsPageMaker =
      std::function<std::shared_ptr<ui::ViewController>(std::weak_ptr<SettingsViewControllerDelegate> settingDelegate)>;

  static constexpr int kHome = 0;
  static constexpr int kCatalog = 1;
  static constexpr int kCustomer = 2;
  static constexpr int kInventory = 3;
  static constexpr int kSalesLibrary = 4;
  static constexpr int kQuoteOrder = 5;
  static constexpr int kSync = 6;
  static constexpr int kSettings = 7;
  static constexpr int kTabCount = 7;

  // Installs (or, with an empty maker, removes) the screen of tab `tag` (1-6).
  static void setScreenMaker(int tag, Maker maker);
  static bool hasScreenMaker(int tag);
  // The feature's screen, or the placeholder for it.
  static std::shared_ptr<ui::ViewController> makeScreen(int tag);

  static void setBackupAndRestoreMaker(SettingsPageMaker maker);
  static std::shared_ptr<ui::ViewController> makeBackupAndRestore(
      std::weak_ptr<SettingsViewControllerDelegate> settingDelegate = {});

  // The title key of tab `tag` (0-7).
  static const char* titleKey(int tag);
  // Every maker removed (tests).
  static void resetForTesting();
};

}  // namespace mv
