#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Image.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

// Drives the toolkit without a display: one key window on the run loop's
// clock, touches injected at window points, time advanced by hand, the
// screen rendered to PNG, and views found by tag, class or text.
class HeadlessDriver {
 public:
  // Uses `window`, or the key window, or makes a new key window.
  explicit HeadlessDriver(std::shared_ptr<Window> window = nullptr);

  Window& window() const { return *window_; }
  std::shared_ptr<Window> windowPtr() const { return window_; }

  // Runs what is due now, then the layout pass.
  void flush();
  // Advances the loop's clock, firing what falls due.
  void advance(double seconds);

  // Rendering.
  gfx::ImagePtr render(double scale = 0);
  gfx::ImagePtr render(View& view, double scale = 0);
  bool snapshot(const std::filesystem::path& path, double scale = 0);
  // The window as a desktop window of `pixelWidth` x `pixelHeight` shows it
  // (scaled to fit, see WindowFit).
  gfx::ImagePtr renderInDesktopWindow(int pixelWidth, int pixelHeight);

  // Finding views (visible ones unless said otherwise), depth first, front-most last.
  View* findByTag(long tag, View* root = nullptr) const;
  std::vector<View*> findAll(const std::function<bool(View&)>& match, View* root = nullptr,
                             bool visibleOnly = true) const;
  template <typename T>
  std::vector<T*> findAllOf(View* root = nullptr, bool visibleOnly = true) const {
    std::vector<T*> out;
    for (View* v : findAll([](View& x) { return dynamic_cast<T*>(&x) != nullptr; }, root, visibleOnly))
      out.push_back(dynamic_cast<T*>(v));
    return out;
  }
  template <typename T>
  T* findFirstOf(View* root = nullptr) const {
    auto all = findAllOf<T>(root);
    return all.empty() ? nullptr : all.front();
  }
  // A label showing exactly `text`, or a button titled `text`.
  View* findByText(const std::string& text, View* root = nullptr) const;
  // The visible control a user would find by `name`: a button titled so, or
  // any view whose accessibility label it is (front-most first).
  View* findControl(const std::string& name, View* root = nullptr) const;
  // Taps the centre of that control; false when none is on screen.
  bool tapControl(const std::string& name, View* root = nullptr);
  // Texts of every visible label and button title, in tree order.
  std::vector<std::string> visibleTexts(View* root = nullptr) const;
  // In the window, not hidden itself or through an ancestor, and not transparent.
  static bool isVisible(const View& v);
  // The window point at the centre of the view's visible rectangle.
  Point centerOf(const View& v) const;

  // Touches. Each returns whether a view took the touch-down.
  bool tap(const View& v, int taps = 1);
  bool tapAt(Point p, int taps = 1);
  bool longPress(Point p, double seconds = 0.8);
  bool swipe(Point from, Point to, double seconds = 0.15, int steps = 6);
  bool drag(const std::vector<Point>& path, double secondsPerStep = 0.05);
  // Several fingers down at once, released together.
  bool multiTap(const std::vector<Point>& points);

  // The window as a desktop would report it: minimised, restored and so on.
  void windowEvent(WindowEvent event);

  // Alerts.
  std::shared_ptr<AlertView> visibleAlert() const { return AlertView::visibleAlert(); }
  // Presses a button of the visible alert by tapping it; false without one.
  bool pressAlertButton(long index);

  // Types into the window's first responder.
  bool typeText(const std::string& text);
  bool pressBackspace();
  // The return key of the keyboard.
  bool pressReturn();
  // The clear button of the text field being edited (as a tap on it).
  bool pressClear();
  Responder* firstResponder() const { return window_->firstResponder(); }

 private:
  long nextTouchId();
  std::shared_ptr<Window> window_;
  long touchIds_ = 1;
};

}  // namespace ui
