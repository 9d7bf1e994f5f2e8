#include "shell/app/ShellScreenFactory.hpp"

#include "shell/app/UITabBarControllerExt.hpp"
#include "shell/session/WeclomeViewController.hpp"

namespace mv {

std::shared_ptr<ui::ViewController> ShellScreenFactory::makeWelcomeScreen(std::shared_ptr<ShellActions> actions) {
  return std::make_shared<WeclomeViewController>(std::move(actions));
}

std::shared_ptr<MainScreen> ShellScreenFactory::makeMainScreen(std::shared_ptr<SessionServices> services) {
  return UITabBarControllerExt::create(std::move(services));
}

}  // namespace mv
