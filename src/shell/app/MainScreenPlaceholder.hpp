#pragma once
// The main screen as the shell needs it while the real tab bar is still to
// come: it shows one label per tab the configuration allows and remembers the
// selected tab.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Label.hpp"
#include "platform/ui/ViewController.hpp"
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class ConfigManager;

class MainScreenPlaceholder : public ui::ViewController, public MainScreen {
 public:
  // `config`: the session's (null: only the settings would show).
  explicit MainScreenPlaceholder(std::shared_ptr<ConfigManager> config) : config_(std::move(config)) {}
  static constexpr int kTabCount = 7;

  void viewDidLoad() override;

  std::shared_ptr<ui::ViewController> rootViewController() override { return shared_from_this(); }
  void selectTab(int index) override;
  void dismissPresented() override { dismissed_ = true; }

  // Tab indices shown (0 Home ... 6 Sync), as the configuration says.
  std::vector<int> tabsShown() const;
  static std::string tabTitle(int index);
  int selectedIndex() const { return selected_; }
  bool dismissed() const { return dismissed_; }

 private:
  std::shared_ptr<ConfigManager> config_;
  int selected_ = -1;
  bool dismissed_ = false;
  std::vector<std::shared_ptr<ui::Label>> labels_;
};

// Makes the two placeholders.
class PlaceholderScreenFactory : public ScreenFactory {
 public:
  std::shared_ptr<ui::ViewController> makeWelcomeScreen(std::shared_ptr<ShellActions> actions) override;
  std::shared_ptr<MainScreen> makeMainScreen(std::shared_ptr<SessionServices> services) override;
};

}  // namespace mv
