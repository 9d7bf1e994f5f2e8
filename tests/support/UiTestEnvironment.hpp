#pragma once
// The one environment of the tests that show views: the toolkit back in its
// first state around every test (no alerts, action sheets or windows,
// animations on, an empty animation log, screen and picture scale 1, the skin
// pictures and bundle strings of the bundle), and what the kinds of test
// choose differently as options.
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"

namespace mv::test {

struct UiOptions {
  // Every character half the point size wide and lines 1.25 x the size high,
  // so layouts are exact numbers (the widget tests).
  bool fixedTextMeasurer = false;
  // Texts come from `texts`, which the test fills.
  bool textTable = false;
  // Transitions and fades end at once: the test looks at where screens end up.
  bool animationsOff = false;
};

// The toolkit state tests change, back to its first state (animations are
// the environment's option); fixtures that cannot derive from the
// environment call it around their tests.
void resetToolkit();

class UiTestEnvironment : public TestEnvironment {
 protected:
  UiTestEnvironment() = default;
  explicit UiTestEnvironment(UiOptions options) : ui(options) {}
  void SetUp() override;
  void TearDown() override;

  UiOptions ui;
  std::map<std::string, std::string> texts;
};

// The widget tests' choice: fixed text metrics and their own text table.
class WidgetTestEnvironment : public UiTestEnvironment {
 protected:
  WidgetTestEnvironment() : UiTestEnvironment(UiOptions{.fixedTextMeasurer = true, .textTable = true}) {}
};

// A screen as the root of a window of its own, shown headless.
class ScreenWindow {
 public:
  explicit ScreenWindow(std::shared_ptr<ui::ViewController> root);
  ~ScreenWindow();
  ui::HeadlessDriver& driver() { return *driver_; }
  ui::Window& window() { return *window_; }
  // Runs what is due and lays out.
  void flush();
  // Every text a person can read now.
  std::vector<std::string> texts();
  // Writes a PNG into `folder` (and a copy where MV_KEEP_SNAPSHOTS says);
  // answers the written file.
  std::filesystem::path snapshot(const std::filesystem::path& folder, const std::string& name);

 private:
  std::shared_ptr<ui::Window> window_;
  std::unique_ptr<ui::HeadlessDriver> driver_;
};

}  // namespace mv::test
