#pragma once
// Makes the application's real screens for the shell: the welcome screen
// with its sign-in panel, and the main tab bar.
#include "shell/frame/ShellScreens.hpp"

namespace mv {

class ShellScreenFactory : public ScreenFactory {
 public:
  std::shared_ptr<ui::ViewController> makeWelcomeScreen(std::shared_ptr<ShellActions> actions) override;
  std::shared_ptr<MainScreen> makeMainScreen(std::shared_ptr<SessionServices> services) override;
};

}  // namespace mv
