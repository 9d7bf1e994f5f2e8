#pragma once
// Fixtures of the screen tests. `ScreenTest` launches the application with
// its real screens headless on the virtual clock, without a service: the
// session is set up by hand where a test needs one. `ScreenFlowTest` adds the
// service fixture, for whole sign-ins.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ShellTestSupport.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "shell/session/WeclomeViewController.hpp"

namespace mv::test {

class ScreenTest : public ShellTest {
 protected:
  // Transitions and fades end on the next turn: the tests look at where screens end up.
  ScreenTest() : ShellTest(UiOptions{.animationsOff = true}) {}
  void SetUp() override;
  void TearDown() override;

  // Launches the application delegate with the real screens (and closes
  // the guide of the first launch unless told to keep it).
  void launch(bool keepGuide = false);
  // The welcome screen shown now (after its view has loaded).
  std::shared_ptr<WeclomeViewController> welcome() const;
  // The main tab bar shown now.
  std::shared_ptr<UITabBarControllerExt> tabBar() const;
  // A signed-in demo-like session of `clientId` with this module list, and
  // the main tab bar shown for it (no network involved).
  void showMainFor(const std::string& clientId, const std::string& modules, LoginType loginType);
  ui::HeadlessDriver& driver();
  // Lets the loop run what is due (and lays out).
  void settle(double seconds = 0.05);
  // Taps the view and settles.
  void tap(const ui::View& view);
  // Taps, as the user finds it, the control on screen titled or labelled
  // `name` and settles; false when there is none.
  [[nodiscard]] bool tapControl(const std::string& name);
  // Types one character at a time, as the keyboard does.
  void typeKeys(const std::string& text);
  std::shared_ptr<ui::AlertView> alert() const { return ui::AlertView::visibleAlert(); }
  // Presses the visible alert's button, and lets it go away.
  void press(long index);
  // Every text a person can read in the window now.
  std::vector<std::string> visibleTexts();
  static void saveLogins(const base::Value& logins);
  virtual bool usesService() const { return false; }
  // What the launch puts into the application: the sync engine only (no
  // feature's screens); flows across features install them all.
  virtual void installFeatures(FeatureWiring& wiring);

  std::shared_ptr<MarvistoAppDelegate> app;
  std::shared_ptr<FakeNetworkStatusSource> network =
      std::make_shared<FakeNetworkStatusSource>(ReachabilityStatus::ReachableViaWiFi);

 private:
  std::unique_ptr<ui::HeadlessDriver> driver_;
};

class ScreenFlowTest : public ServiceFixture<ScreenTest> {
 protected:
  ScreenFlowTest();
  void launchAgainstService();
  bool usesService() const override { return true; }
  // Runs the loop (laying out on the way) until `pred` holds.
  bool waitFor(const std::function<bool()>& pred, double seconds = 20);
  std::vector<sales::LogEntry> messages(const std::string& methodName) const { return messagesNamed(methodName); }
};

}  // namespace mv::test
