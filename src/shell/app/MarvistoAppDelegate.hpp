#pragma once
// The spine of the running application: prepares the process at launch, owns
// the window and decides its root (the welcome screen while nobody is signed
// in, the main tab bar afterwards), turns network reachability into the
// "netconnect" and "netUnconnect" notifications, re-checks the device and the
// version when the application returns to the foreground, shows the alerts for
// an expired session, a locked user or device and a newer version, and logs
// out. One per process run; main thread only.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/frame/ShellScreens.hpp"
#include "sync/SessionEventSink.hpp"
#include "transport/NetworkStatusSource.hpp"

namespace mv {

class CheckAppVersionRst;
class Reachability;
class UITabBarControllerExt;

class MarvistoAppDelegate : public SessionEventSink,
                            public ui::AlertViewDelegate,
                            public std::enable_shared_from_this<MarvistoAppDelegate> {
 public:
  static constexpr long kLockedAlertTag = 8000;
  static constexpr long kUpdateSignAlertTag = 8001;
  static constexpr long kUpdateSuggestAlertTag = 8002;
  static constexpr long kUpdateRequiredAlertTag = 8003;
  static constexpr long kSessionExpiredAlertTag = 8004;
  // The host whose reachability is watched (the routes, not the host, decide).
  static constexpr const char* kReachabilityHost = "www.example.com";
  static constexpr double kUpdateSnoozeSeconds = 604800;

  struct LaunchOptions {
    // Where reachability comes from; the system's routes when null.
    std::shared_ptr<NetworkStatusSource> networkStatusSource;
    // Installs the crash report handlers (the terminate handler, and the
    // fatal-signal handlers when `crashSignalHandlers`).
    bool installCrashHandler = true;
    bool crashSignalHandlers = true;
    // Settings the command line gives for this run, written over the kept
    // ones once the launch has put a new version's factory settings back and
    // before anything is sent (the welcome screen's version check).
    std::function<void()> applySettings;
  };

  // Makes the application's delegate; it becomes `current()`, which only the
  // application itself reads: the rest of the shell and the features ask
  // through `ShellActions`.
  static std::shared_ptr<MarvistoAppDelegate> create(std::shared_ptr<ScreenFactory> screens);
  static std::shared_ptr<MarvistoAppDelegate> current();
  // Forgets the current delegate (tests, the end of the process).
  static void destroyCurrent();

  ~MarvistoAppDelegate() override;

  // The launch sequence; true.
  bool didFinishLaunchingWithOptions(const LaunchOptions& options);

  std::shared_ptr<ui::Window> window() const { return window_; }
  // The main tab bar: the one way screens and models reach its badges, tabs
  // and sync icon. Null before the first sign-in, after a logout, and while
  // the main screen is not the application's own (the session's tests).
  std::shared_ptr<UITabBarControllerExt> tabBarController() const;
  // The main screen as the window shows it, whatever made it.
  std::shared_ptr<MainScreen> mainScreen() const { return mainScreen_; }
  const std::string& currentVersion() const { return currentVersion_; }
  const std::string& deviceStatus() const { return deviceStatus_; }
  const std::string& appUrl() const { return appUrl_; }
  // Whether a screen is in an edit mode that the library grid must respect;
  // no screen sets it yet, so it answers false.
  bool EditStatus() const { return editStatus_; }
  void setEditStatus(bool v) { editStatus_ = v; }
  // What the screens made before a sign-in ask of the application; each
  // session's services make their own (`ShellActions`).
  const std::shared_ptr<ShellActions>& shellActions() const { return actions_; }
  // Where the features install themselves, before the launch.
  FeatureWiring& wiring() { return wiring_; }
  ScreenFactory& screens() const { return *screens_; }

  // The window's root is the welcome screen (nobody signed in).
  bool isWelcomeRoot() const;
  std::shared_ptr<ui::ViewController> welcomeScreen() const { return welcome_.lock(); }

  // Begins the session's services (unless they run already) and shows the
  // main tab bar.
  void showMainController();
  // Tells the features to re-read the module switches.
  void configurationChanged();
  // Selects the Sync tab and starts a sync 0.1 s later.
  void showSyncController();
  void startSync();
  // Logout: ends the session's services, frees the session objects and
  // shows a new welcome screen.
  void showLoginPage();
  // The same on the next turn of the run loop, for callers that are
  // themselves session objects.
  void showLoginPageLater();

  void logoutWhenSessionExpired(const std::string& status, const std::string& message) override;
  void logoutWithLockedUser(const std::string& status, const std::string& message) override;
  void CheckAppVersionReturn(const CheckAppVersionRst& result);

  // Called when the window's back end reports the window restored or
  // minimised (`ui::Application::windowEvent`).
  void applicationWillEnterForeground();
  void applicationDidEnterBackground();
  void reachabilityChanged(ReachabilityStatus status);
  std::shared_ptr<Reachability> reachability() const { return reachability_; }

  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  // Where the crash report is written.
  static std::filesystem::path crashReportFile();

 private:
  explicit MarvistoAppDelegate(std::shared_ptr<ScreenFactory> screens);
  // The logout's first half: the session's screens, services and sign-in
  // state end and its database closes.
  void endSession();
  void showWelcome();
  void openAppUrl();
  void endWaitOnWelcome();
  std::shared_ptr<ui::AlertView> showAlert(const std::string& title, const std::string& message, long tag,
                                           bool withDelegate, const std::optional<std::string>& cancel,
                                           const std::vector<std::string>& others);

  std::shared_ptr<ScreenFactory> screens_;
  FeatureWiring wiring_;
  std::shared_ptr<ShellActions> actions_;
  std::shared_ptr<ui::Window> window_;
  std::shared_ptr<MainScreen> mainScreen_;
  bool editStatus_ = false;
  std::weak_ptr<ui::ViewController> welcome_;
  std::string currentVersion_;
  std::string deviceStatus_;
  std::string appUrl_;
  std::shared_ptr<Reachability> reachability_;
  base::Observation reachabilityObservation_;
  base::Observation backgroundObservation_, foregroundObservation_;
  base::Observation textCutObservation_;
  // The sync started a moment after the Sync tab shows, and the logout of
  // the next turn; both end with a logout or the application.
  base::CancelTracker syncStart_;
  base::CancelTracker logout_;
  // The session's work ahead, after the main screen's first frame.
  base::CancelTracker ahead_;
};

}  // namespace mv
