#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/ui/Responder.hpp"

namespace ui {

class Window;

enum class InterfaceOrientation { Unknown = 0, Portrait = 1, PortraitUpsideDown = 2, LandscapeRight = 3, LandscapeLeft = 4 };
enum class StatusBarStyle { Default = 0, LightContent = 1 };

// What a back end reports about the application's window on the desktop.
enum class WindowEvent { Shown, Hidden, Minimized, Restored, FocusGained, FocusLost };

// The running application: its windows and key window, the status bar, URL
// opening and the interaction switch. The application is the last responder.
class Application : public Responder {
 public:
  static Application& sharedInstance();
  // Drops windows and state (between tests).
  static void freeInstance();

  // Windows made key and visible, oldest first.
  std::vector<std::shared_ptr<Window>> windows() const;
  Window* keyWindow() const;
  std::shared_ptr<Window> keyWindowPtr() const;
  void registerWindow(const std::shared_ptr<Window>& window, bool makeKey);
  void removeWindow(const Window* window);

  // The 20-point strip along the top (zero while hidden).
  base::Rect statusBarFrame() const;
  bool isStatusBarHidden() const { return statusBarHidden_; }
  void setStatusBarHidden(bool hidden, bool animated = false);
  StatusBarStyle statusBarStyle() const { return statusBarStyle_; }
  void setStatusBarStyle(StatusBarStyle s, bool animated = false);
  InterfaceOrientation statusBarOrientation() const { return InterfaceOrientation::LandscapeRight; }

  // Opening URLs goes through a handler the services layer installs; every
  // request is recorded. Without a handler the request counts as handled.
  bool openURL(const std::string& url);
  bool canOpenURL(const std::string& url) const;
  void setOpenURLHandler(std::function<bool(const std::string&)> handler) { openHandler_ = std::move(handler); }
  void setCanOpenURLHandler(std::function<bool(const std::string&)> handler) { canOpenHandler_ = std::move(handler); }
  const std::vector<std::string>& openedURLs() const { return opened_; }

  bool isNetworkActivityIndicatorVisible() const { return networkActivity_; }
  void setNetworkActivityIndicatorVisible(bool on) { networkActivity_ = on; }
  bool isIdleTimerDisabled() const { return idleTimerDisabled_; }
  void setIdleTimerDisabled(bool on) { idleTimerDisabled_ = on; }
  long applicationIconBadgeNumber() const { return badge_; }
  void setApplicationIconBadgeNumber(long n) { badge_ = n; }

  // A low-memory warning: posts the memory warning notification, then tells
  // every controller in use (each window's root controller, its children
  // and what they present) once.
  void simulateMemoryWarning();
  static inline const std::string DidReceiveMemoryWarningNotification = "ApplicationDidReceiveMemoryWarningNotification";
  // Posted when the application is about to stop being the active one (its
  // window loses the focus) and when it is about to end.
  static inline const std::string WillResignActiveNotification = "ApplicationWillResignActiveNotification";
  static inline const std::string WillTerminateNotification = "ApplicationWillTerminateNotification";

  // The window's state as its back end reports it. A desktop has no home
  // screen: the window minimised, hidden or left for another application
  // (its focus lost) is the application gone to the background; the window
  // restored, shown again or focused brings it back. Each change is posted
  // once, however many of the events the desktop sends for it.
  void windowEvent(WindowEvent event);
  bool isInBackground() const { return background_; }
  static inline const std::string DidEnterBackgroundNotification = "ApplicationDidEnterBackgroundNotification";
  static inline const std::string WillEnterForegroundNotification = "ApplicationWillEnterForegroundNotification";

  // While ignoring, touches are dropped; calls nest.
  void beginIgnoringInteractionEvents() { ++ignoring_; }
  void endIgnoringInteractionEvents() {
    if (ignoring_ > 0) --ignoring_;
  }
  bool isIgnoringInteractionEvents() const { return ignoring_ > 0; }

 private:
  std::vector<std::shared_ptr<Window>> windows_;
  std::weak_ptr<Window> key_;
  bool statusBarHidden_ = false;
  StatusBarStyle statusBarStyle_ = StatusBarStyle::Default;
  std::function<bool(const std::string&)> openHandler_, canOpenHandler_;
  std::vector<std::string> opened_;
  bool networkActivity_ = false;
  bool idleTimerDisabled_ = false;
  long badge_ = 0;
  int ignoring_ = 0;
  bool background_ = false;
};

}  // namespace ui
