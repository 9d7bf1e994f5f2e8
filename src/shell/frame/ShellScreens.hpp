#pragma once
// What the application shell needs from the screens it swaps in as the
// window's root: a welcome screen while nobody is signed in and the main tab
// bar after a sign-in. The application's screens come from
// `ShellScreenFactory`; the placeholders (`PlaceholderScreenFactory`) serve
// tests of the session alone.
#include <memory>

#include "platform/ui/ViewController.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class SessionServices;

// The main tab bar as the rest of the application reaches it.
class MainScreen {
 public:
  virtual ~MainScreen() = default;
  // The controller that becomes the window's root (the navigation controller
  // holding the tab bar).
  virtual std::shared_ptr<ui::ViewController> rootViewController() = 0;
  virtual void selectTab(int index) = 0;
  // Closes whatever the tab bar presents (modal screens, pop-overs).
  virtual void dismissPresented() {}
};

class ScreenFactory {
 public:
  virtual ~ScreenFactory() = default;
  // The welcome screen asks the application through `actions` (to show the
  // main screen once a sign-in succeeds).
  virtual std::shared_ptr<ui::ViewController> makeWelcomeScreen(std::shared_ptr<ShellActions> actions) = 0;
  // The main screen of the session whose services are `services` (null when
  // its database did not open).
  virtual std::shared_ptr<MainScreen> makeMainScreen(std::shared_ptr<SessionServices> services) = 0;
};

}  // namespace mv
