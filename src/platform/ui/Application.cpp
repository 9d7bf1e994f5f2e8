#include "platform/ui/Application.hpp"

#include <algorithm>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {
std::unique_ptr<Application>& slot() {
  static std::unique_ptr<Application> app;
  return app;
}
}  // namespace

Application& Application::sharedInstance() {
  auto& s = slot();
  if (!s) s = std::make_unique<Application>();
  return *s;
}

void Application::freeInstance() { slot().reset(); }

std::vector<std::shared_ptr<Window>> Application::windows() const { return windows_; }

Window* Application::keyWindow() const { return key_.lock().get(); }

std::shared_ptr<Window> Application::keyWindowPtr() const { return key_.lock(); }

void Application::registerWindow(const std::shared_ptr<Window>& window, bool makeKey) {
  if (!window) return;
  if (std::find(windows_.begin(), windows_.end(), window) == windows_.end()) windows_.push_back(window);
  if (makeKey) key_ = window;
}

void Application::removeWindow(const Window* window) {
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [window](const auto& w) { return w.get() == window; }),
                 windows_.end());
  if (key_.lock().get() == window) key_.reset();
}

base::Rect Application::statusBarFrame() const {
  if (statusBarHidden_) return {};
  return {0, 0, 1024, 20};
}

void Application::setStatusBarHidden(bool hidden, bool) { statusBarHidden_ = hidden; }

void Application::setStatusBarStyle(StatusBarStyle s, bool) { statusBarStyle_ = s; }

void Application::windowEvent(WindowEvent event) {
  auto& center = base::NotificationCenter::defaultCenter();
  switch (event) {
    case WindowEvent::FocusLost:
      center.post(WillResignActiveNotification, this);
      [[fallthrough]];
    case WindowEvent::Hidden:
    case WindowEvent::Minimized:
      if (background_) return;
      background_ = true;
      center.post(DidEnterBackgroundNotification, this);
      return;
    case WindowEvent::Shown:
    case WindowEvent::Restored:
    case WindowEvent::FocusGained:
      if (!background_) return;
      background_ = false;
      center.post(WillEnterForegroundNotification, this);
      return;
  }
}

bool Application::openURL(const std::string& url) {
  if (url.empty()) return false;
  opened_.push_back(url);
  if (openHandler_) return openHandler_(url);
  return true;
}

bool Application::canOpenURL(const std::string& url) const {
  if (url.empty()) return false;
  if (canOpenHandler_) return canOpenHandler_(url);
  return true;
}

}  // namespace ui

namespace ui {

void Application::simulateMemoryWarning() {
  base::NotificationCenter::defaultCenter().post(DidReceiveMemoryWarningNotification, this);
  std::vector<std::shared_ptr<ViewController>> roots;
  for (auto& w : windows_)
    if (auto r = w->rootViewController()) roots.push_back(r);
  for (auto& r : roots) {
    std::vector<std::shared_ptr<ViewController>> all;
    for (ViewController* c : ViewController::controllersBelow(r.get()))
      if (auto s = c->weak_from_this().lock()) all.push_back(s);
    for (auto& c : all) c->didReceiveMemoryWarning();
  }
}

}  // namespace ui
