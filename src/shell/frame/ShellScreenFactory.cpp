#include "shell/frame/ShellScreenFactory.hpp"

#include "shell/frame/UITabBarControllerExt.hpp"
#include "shell/session/WeclomeViewController.hpp"

namespace mv {

std::shared_ptr<ui::ViewController> ShellScreenFactory::makeWelcomeScreen() {
  return std::make_shared<WeclomeViewController>();
}

std::shared_ptr<MainScreen> ShellScreenFactory::makeMainScreen() { return UITabBarControllerExt::create(); }

}  // namespace mv
