// The application binary. With a display it opens the desktop window and runs
// until the window is closed; without one (or with --headless or
// --screenshots) it runs the headless tour of ScreenshotTour.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/ScreenshotTour.hpp"
#include "services/DocumentInteractionController.hpp"
#include "catalog/CatalogScreens.hpp"
#include "customer/CustomerScreens.hpp"
#include "library/LibraryServices.hpp"
#include "order/OrderFeature.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MarvistoAppDelegate.hpp"
#include "shell/frame/ShellScreenFactory.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "sync/NetworkModel.hpp"

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

bool parse(int argc, char** argv, LaunchOptions& o) {
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

}  // namespace

int main(int argc, char** argv) {
  LaunchOptions options;
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
    // Links open in the desktop's browser and mail program.
    svc::URLOpener::install();
    std::string why;
    desktop = ui::DesktopWindow::open(app->window(), {}, &why);
    if (!desktop) std::printf("No window (%s); running without one.\n", why.c_str());
  }

  ScreenshotTour tour(options, app);
  int status = 0;
  if (desktop) {
    if (options.demo || !options.client.empty()) loop.post([&] { tour.startSignIn(); });
    desktop->run();
  } else {
    if (!options.screenshots.empty()) ui::View::setAnimationsEnabled(false);
    status = tour.run();
  }

  base::NotificationCenter::defaultCenter().post(ui::Application::WillTerminateNotification);
  NetworkModel::sharedInstance().cancelAllRequests();
  // Picture reads still on the shared pool end before the statics they read do.
  base::WorkQueue::global().cancelAll();
  base::WorkQueue::global().waitIdle();
  loop.drain();
  desktop.reset();
  MarvistoAppDelegate::destroyCurrent();
  LoginMode::freeInstance();
  ConfigManager::freeInstance();
  base::UserDefaults::standard().synchronize();
  return status;
}
