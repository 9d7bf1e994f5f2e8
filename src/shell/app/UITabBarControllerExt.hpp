#pragma once
// The main screen after a sign-in: the feature screens the company's
// configuration allows, chosen with the application's own bar along the
// bottom (the company logo, seven tab buttons and a settings button). It
// selects tabs, shows badges, blinks the sync icon, opens the settings as a
// form sheet, and offers the way back to the sign-in screen from a long press
// on the logo.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TabBarController.hpp"
#include "shell/config/ConfigDelegate.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/session/LoginPopController.hpp"
#include "shell/frame/MarvistoNavigationController.hpp"
#include "shell/frame/SettingsViewControllerDelegate.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/ShellScreens.hpp"
#include "shell/frame/TabBarItemButton.hpp"

namespace mv {

class ConfigManager;

class UITabBarControllerExt : public ui::TabBarController,
                              public MainScreen,
                              public LanguageManagerDelegate,
                              public ConfigDelegate,
                              public SettingsViewControllerDelegate,
                              public LoginPopControllerDelegate,
                              public ui::PopoverControllerDelegate {
 public:
  static constexpr int kButtonCount = 8;
  static constexpr double kBarY = 712;
  static constexpr double kBarHeight = 56;
  static constexpr double kFirstButtonX = 320;
  static constexpr double kConfigPitch = 90;
  static constexpr double kMovePitch = 100;
  static constexpr double kButtonWidth = 64;
  // Where the buttons' titles begin on the bar.
  static constexpr double kTitleTop = 34;
  static constexpr const char* kBarImageTitle = "top bar";

  // The tab bar for its seven screens (the controller list of `init`). Each
  // screen is made when its tab is first shown (or asked for by `screen`):
  // the bar itself shows every tab's title, icon and badge without it.
  // The bar of the session whose services are `services`.
  static std::shared_ptr<UITabBarControllerExt> create(std::shared_ptr<SessionServices> services);
  ~UITabBarControllerExt() override;

  // ---- MainScreen ----------------------------------------------------------------
  std::shared_ptr<ui::ViewController> rootViewController() override;
  void selectTab(int index) override;
  void dismissPresented() override;

  // ---- what other parts call ---------------------------------------------------------
  void returnPerselectTab();
  void setBadgeValue(const std::optional<std::string>& value, int tag, bool animated);
  void startSyncIconAnimation();
  void stopSyncIconAnimation();
  void itemsMove(bool move);
  // The pitch `itemsMove` lays `shownCount` buttons out with.
  static double movePitch(int shownCount);
  void deselectButton() override;
  void goBackLoginView() override;
  void notifiChangelanguage() override;

  // ---- own steps ---------------------------------------------------------------------
  void loadByConfig() override;
  void setBackgroundView();
  void buttonClicked(int tag);
  void settingsBtnClicked();
  void logoOnLongClick();
  // The bar image: the icon-table picture titled "top bar" from the client's
  // icon folder, else the skin's bar.
  static gfx::ImagePtr barImage();

  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  bool shouldAutorotate() const override { return true; }

  // ---- state ---------------------------------------------------------------------------
  const std::vector<std::shared_ptr<TabBarItemButton>>& itmeButtonArray() const { return itmeButtonArray_; }
  TabBarItemButton& button(int tag) const { return *itmeButtonArray_.at(static_cast<std::size_t>(tag)); }
  ui::ImageView& backgroundImage() const { return *backgroundImage_; }
  ui::Button& btnLogo() const { return *btnLogo_; }
  const std::shared_ptr<ui::PopoverController>& logoutPopController() const { return logoutPopController_; }
  int iCurSelectTab() const { return iCurSelectTab_; }
  int iPerSelectTab() const { return iPerSelectTab_; }
  bool bViewHasLoad() const { return bViewHasLoad_; }
  // The feature screen of a tab (the navigation controller's root where
  // wrapped), made now if it was not yet.
  std::shared_ptr<ui::ViewController> screen(int tag);
  // Whether the tab's screen was made.
  bool hasScreen(int tag) const { return tag >= 0 && tag < MainTabScreens::kTabCount && screens_[static_cast<std::size_t>(tag)]; }

  void popoverControllerDidDismissPopover(ui::PopoverController& popover) override;

 private:
  UITabBarControllerExt() = default;
  void addViewControllers();
  // The session's configuration; null when the session has no services.
  std::shared_ptr<ConfigManager> config() const;
  // Makes the tab's screen where it is not made yet, in place of the empty
  // controller that held its place among the tabs.
  void makeScreen(int tag);
  void hideTabBar();
  void addCustomElements();

  std::vector<std::shared_ptr<TabBarItemButton>> itmeButtonArray_;
  std::shared_ptr<ui::ImageView> backgroundImage_;
  std::shared_ptr<ui::Button> btnLogo_;
  std::shared_ptr<ui::PopoverController> logoutPopController_;
  // The session's actions, handed to the screens the bar opens.
  std::shared_ptr<ShellActions> actions_;
  std::shared_ptr<SessionServices> services_;
  std::weak_ptr<MarvistoNavigationController> navigation_;
  std::array<std::shared_ptr<ui::ViewController>, 7> screens_;
  int iCurSelectTab_ = 0;
  int iPerSelectTab_ = 0;
  bool bViewHasLoad_ = false;
  // The bar has appeared: a screen made from now on reads the configuration
  // at once, as those made before did when it appeared.
  bool appeared_ = false;
};

}  // namespace mv
