// The application binary. With a display it opens the desktop window and runs
// until the window is closed; without one (or with --headless or
// --screenshots) it runs headless: it launches, optionally signs in, prints
// what it did and, with --screenshots, walks through the screens and saves a
// picture of each.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "catalog/CatalogScreens.hpp"
#include "customer/CustomerScreens.hpp"
#include "library/LibraryServices.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "order/OrderFeature.hpp"
#include "shell/ConfigManager.hpp"
#include "shell/GuideView.hpp"
#include "shell/HomeViewController.hpp"
#include "shell/Language.hpp"
#include "shell/LoginMode.hpp"
#include "shell/MainTabScreens.hpp"
#include "shell/MarvistoAppDelegate.hpp"
#include "shell/SettingsViewController.hpp"
#include "shell/ShellScreenFactory.hpp"
#include "shell/SkinManager.hpp"
#include "shell/SyncScreens.hpp"
#include "shell/UITabBarControllerExt.hpp"
#include "shell/WeclomeViewController.hpp"
#include "sync/NetworkModel.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;
using namespace mv;

namespace {

constexpr const char* kUsage =
    "usage: marvisto [--data-dir DIR] [--demo] [--client ID --user NAME --password TEXT]\n"
    "                [--screenshots DIR] [--headless] [--help]\n"
    "\n"
    "  --data-dir DIR      keep the application's data under DIR (else $MARVISTO_HOME,\n"
    "                      else $XDG_DATA_HOME/marvisto, else ~/.local/share/marvisto)\n"
    "  --demo              sign in to the first demo company\n"
    "  --client, --user, --password\n"
    "                      sign in online to the service the server settings name\n"
    "  --screenshots DIR   run without a window, visit the welcome screen, every tab\n"
    "                      the company may use and the settings, and save a PNG of\n"
    "                      each in DIR\n"
    "  --headless          run without a window even when a display is available\n"
    "  --help              show this text\n";

struct Options {
  std::string dataDir;
  bool demo = false;
  bool headless = false;
  std::string client, user, password;
  std::string screenshots;
};

bool parse(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::exit(0);
    } else if (arg == "--demo") {
      o.demo = true;
    } else if (arg == "--headless") {
      o.headless = true;
    } else if (arg == "--data-dir") {
      if (!value(o.dataDir) || o.dataDir.empty()) return false;
    } else if (arg == "--screenshots") {
      if (!value(o.screenshots)) return false;
    } else if (arg == "--client") {
      if (!value(o.client)) return false;
    } else if (arg == "--user") {
      if (!value(o.user)) return false;
    } else if (arg == "--password") {
      if (!value(o.password)) return false;
    } else {
      std::fprintf(stderr, "marvisto: unknown option %s\n", arg.c_str());
      return false;
    }
  }
  if (o.demo && !o.client.empty()) {
    std::fputs("marvisto: --demo and --client exclude each other\n", stderr);
    return false;
  }
  if (!o.client.empty() && (o.user.empty() || o.password.empty())) {
    std::fputs("marvisto: --client needs --user and --password\n", stderr);
    return false;
  }
  if (o.client.empty() && (!o.user.empty() || !o.password.empty())) {
    std::fputs("marvisto: --user and --password need --client\n", stderr);
    return false;
  }
  return true;
}

// The data folder must take the settings file and the client folders;
// otherwise nothing the application does would be kept.
bool usableDataRoot(const fs::path& root, std::string& why) {
  std::error_code ec;
  const fs::path preferences = root / "Library" / "Preferences";
  fs::create_directories(preferences, ec);
  if (ec || !fs::is_directory(preferences, ec)) {
    why = ec ? ec.message() : "not a folder";
    return false;
  }
  const fs::path probe = preferences / ".write-test";
  std::FILE* f = std::fopen(probe.c_str(), "w");
  if (!f) {
    why = "cannot write there";
    return false;
  }
  std::fclose(f);
  fs::remove(probe, ec);
  return true;
}

bool displayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

class AppSession {
 public:
  AppSession(const Options& o, std::shared_ptr<MarvistoAppDelegate> app) : o_(o), app_(std::move(app)) {}

  base::RunLoop& loop() { return base::RunLoop::main(); }
  ui::HeadlessDriver driver() { return ui::HeadlessDriver(app_->window()); }

  // Runs the main loop until `done` holds (at most `seconds`).
  bool waitFor(const std::function<bool()>& done, double seconds = 30) {
    return loop().runUntil([&] {
      ui::View::layoutPendingViews();
      return done();
    }, seconds);
  }

  void snapshot(const std::string& name) {
    if (o_.screenshots.empty()) return;
    waitFor([] { return false; }, 0.3);  // let pending work and animations settle
    std::error_code ec;
    fs::create_directories(o_.screenshots, ec);
    auto d = driver();
    d.flush();
    const fs::path file = fs::path(o_.screenshots) / (name + ".png");
    if (d.snapshot(file)) {
      std::printf("Saved %s\n", file.string().c_str());
    } else {
      std::fprintf(stderr, "marvisto: could not save %s\n", file.string().c_str());
      failed_ = true;
    }
  }

  std::shared_ptr<WeclomeViewController> welcome() {
    return std::dynamic_pointer_cast<WeclomeViewController>(app_->welcomeScreen());
  }

  void waitForDemoData() {
    auto& skins = SkinManager::sharedInstance();
    if (skins.isDemoUnpacking()) {
      std::puts("Unpacking the demo data...");
      waitFor([&] { return !skins.isDemoUnpacking(); }, 120);
    }
    std::printf("Demo data: %s\n", skins.needInitializeDemo() ? "missing" : "ready");
  }

  void closeGuide() {
    auto w = welcome();
    if (!w) return;
    auto guide = w->guideView();
    if (!guide || !guide->superview()) return;
    snapshot("01-guide");
    auto d = driver();
    d.tap(*guide->skipButton());
    waitFor([&] { return !guide->superview(); }, 5);
  }

  // Signs in as the options say; false when it did not succeed.
  bool signIn() {
    auto w = welcome();
    if (!w) return false;
    std::string error;
    if (o_.demo) {
      std::printf("Signing in to the demo company %s...\n", LoginMode::kDemoClientZDuvo);
      LoginItem* shortcut = nullptr;
      auto d = driver();
      for (LoginItem* item : d.findAllOf<LoginItem>()) {
        if (item->isDemo() && item->clientId() == LoginMode::kDemoClientZDuvo) shortcut = item;
      }
      if (shortcut) {
        d.tap(*shortcut);
      } else {
        w->login(std::string(LoginMode::kDemoClientZDuvo));
      }
    } else {
      std::printf("Signing in to %s as %s...\n", o_.client.c_str(), o_.user.c_str());
      LoginInfo info;
      info.clientId = o_.client;
      info.accountId = o_.user;
      info.passWord = o_.password;
      info.deviceId = PublicFunction::getDeviceUDID();
      w->login(info, true, false);
    }
    waitFor([&] { return !app_->isWelcomeRoot() || ui::AlertView::visibleAlert() != nullptr; }, 120);
    if (app_->isWelcomeRoot()) {
      auto alert = ui::AlertView::visibleAlert();
      std::printf("Sign-in failed: %s\n", alert ? alert->message().c_str() : "no answer");
      return false;
    }
    auto lm = LoginMode::sharedInstance();
    const int type = lm->loginType();
    const char* how = type == LoginMode::kLoginTypeDemo      ? "demo"
                      : type == LoginMode::kLoginTypeOffline ? "offline"
                                                             : "online";
    std::printf("Signed in (%s) to %s as %s%s%s.\n", how, lm->clientID().c_str(), lm->acountID().c_str(),
                lm->companyName().empty() ? "" : ", company ", lm->companyName().c_str());
    return true;
  }

  std::vector<int> shownTabs() {
    std::vector<int> tabs;
    auto tab = UITabBarControllerExt::current();
    if (!tab) return tabs;
    for (int tag = 0; tag < MainTabScreens::kTabCount; ++tag) {
      if (!tab->button(tag).isHidden()) tabs.push_back(tag);
    }
    return tabs;
  }

  void printTabs() {
    std::string list;
    for (int tag : shownTabs()) list += (list.empty() ? "" : ", ") + textOrEmpty(Language::stringWithName(MainTabScreens::titleKey(tag)));
    list += (list.empty() ? "" : ", ") + textOrEmpty(Language::stringWithName("SETTINGS"));
    std::printf("Tabs the configuration allows: %s\n", list.c_str());
  }

  // Every shown tab, then the settings and their pages.
  void tour() {
    auto tab = UITabBarControllerExt::current();
    if (!tab) return;
    int n = 3;
    for (int tag : shownTabs()) {
      if (tab->iCurSelectTab() != tag) {
        auto d = driver();
        d.tap(tab->button(tag).btn());
        waitFor([&] { return tab->iCurSelectTab() == tag; }, 5);
      }
      char name[64];
      std::snprintf(name, sizeof name, "%02d-tab-%d-%s", n++, tag, MainTabScreens::titleKey(tag));
      snapshot(lowercase(name));
      // The demo help over the home screen is shown once; it goes before the next tab.
      if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
      if (auto home = std::dynamic_pointer_cast<HomeViewController>(tab->screen(0))) home->closeOverlays();
    }
    auto d = driver();
    d.tap(tab->button(MainTabScreens::kSettings).btn());
    waitFor([&] { return tab->presentedViewController() != nullptr; }, 5);
    auto* nav = dynamic_cast<ui::NavigationController*>(tab->presentedViewController());
    if (!nav) return;
    snapshot(std::to_string(n++) + "-settings");
    auto* settings = dynamic_cast<SettingsViewController*>(nav->topViewController());
    if (!settings) return;
    auto table = settings->tableView();
    // The backup row's place depends on whether the customers' switch is shown.
    long backupRow = 0;
    const auto& data = settings->groups().at(1);
    for (std::size_t i = 0; i < data.size(); ++i) {
      if (data[i].cellType == SettingsCellEntity::kBackupAndRestore) backupRow = static_cast<long>(i);
    }
    const char* pages[] = {"account", "backup", "language", "about"};
    const ui::IndexPath rows[] = {{0, 0}, {1, backupRow}, {2, 0}, {2, 2}};
    for (int i = 0; i < 4; ++i) {
      table->tapRowAtIndexPath(rows[i]);
      waitFor([&] { return nav->viewControllers().size() == 2; }, 5);
      snapshot(std::to_string(n++) + "-settings-" + pages[i]);
      nav->popViewControllerAnimated(false);
      waitFor([&] { return nav->viewControllers().size() == 1; }, 5);
    }
    settings->doneButtonTapped();
    waitFor([&] { return tab->presentedViewController() == nullptr; }, 5);
  }

  // The sign-in the options ask for, started without waiting for it (the
  // desktop window keeps running meanwhile; a demo sign-in waits for the
  // demo data by itself).
  void startSignIn() {
    auto w = welcome();
    if (!w) return;
    if (auto guide = w->guideView()) guide->endShowGuide();
    if (o_.demo) {
      w->login(std::string(LoginMode::kDemoClientZDuvo));
    } else if (!o_.client.empty()) {
      LoginInfo info;
      info.clientId = o_.client;
      info.accountId = o_.user;
      info.passWord = o_.password;
      info.deviceId = PublicFunction::getDeviceUDID();
      w->login(info, true, false);
    }
  }

  bool failed() const { return failed_; }

 private:
  const Options& o_;
  std::shared_ptr<MarvistoAppDelegate> app_;
  bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  base::setLogEnabled(std::getenv("MV_LOG") && std::string(std::getenv("MV_LOG")) == "1");
  base::RunLoop& loop = base::RunLoop::main();
  loop.adoptCurrentThread();
  const fs::path root = options.dataDir.empty() ? base::Paths::defaultRoot() : fs::path(options.dataDir);
  if (std::string why; !usableDataRoot(root, why)) {
    std::fprintf(stderr, "marvisto: cannot keep data in %s (%s)\n", root.string().c_str(), why.c_str());
    return 2;
  }
  base::Paths::setRoot(root);
  std::printf("Data folder: %s\n", base::Paths::root().string().c_str());

  const bool firstRun = !base::UserDefaults::standard().hasKey("App_version");
  auto app = MarvistoAppDelegate::create(std::make_shared<ShellScreenFactory>());
  SessionHooks hooks;
  SyncScreens::install(hooks);
  CatalogScreens::install();
  CustomerScreens::install(hooks);
  LibraryServices::install(hooks);
  OrderFeature::install(hooks);
  app->setSessionHooks(hooks);

  // The back end: the desktop window when there is a display and no tour.
  std::unique_ptr<ui::DesktopWindow> desktop;
  const bool wantWindow = !options.headless && options.screenshots.empty() && displayAvailable();
  app->didFinishLaunchingWithOptions({});
  std::printf("Marvisto %s started%s.\n", app->currentVersion().c_str(), firstRun ? " for the first time" : "");
  if (wantWindow) {
    std::string why;
    desktop = ui::DesktopWindow::open(app->window(), {}, &why);
    if (!desktop) std::printf("No window (%s); running without one.\n", why.c_str());
  }

  AppSession session(options, app);
  int status = 0;
  if (desktop) {
    if (options.demo || !options.client.empty()) loop.post([&] { session.startSignIn(); });
    desktop->run();
  } else {
    if (!options.screenshots.empty()) ui::View::setAnimationsEnabled(false);
    session.waitForDemoData();
    session.closeGuide();
    session.snapshot("02-welcome");
    if (options.demo || !options.client.empty()) {
      if (session.signIn()) {
        session.printTabs();
        session.tour();
      } else {
        status = 1;
      }
    } else {
      std::puts("Nobody is signed in. Use --demo to sign in to the demo company, or --client/--user/--password.");
    }
    if (session.failed()) status = 1;
  }

  NetworkModel::sharedInstance().cancelAllRequests();
  loop.drain();
  desktop.reset();
  MarvistoAppDelegate::destroyCurrent();
  LoginMode::freeInstance();
  ConfigManager::freeInstance();
  base::UserDefaults::standard().synchronize();
  return status;
}
