// The application binary. With a display it opens the desktop window and runs
// until the window is closed; without one (or with --headless or
// --screenshots) it runs the headless tour of ScreenshotTour.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/ScreenshotTour.hpp"
#include "app/TerminalReport.hpp"
#include "catalog/CatalogFeature.hpp"
#include "customer/CustomerFeature.hpp"
#include "library/LibraryFeature.hpp"
#include "order/OrderFeature.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "services/DocumentInteractionController.hpp"
#include "services/MailComposer.hpp"
#include "shell/frame/DesktopLink.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/ShellScreenFactory.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"

namespace fs = std::filesystem;
using namespace mv;

namespace {

constexpr const char* kUsage =
    "usage: marvisto [--data-dir DIR] [--demo] [--client ID --user NAME --password TEXT]\n"
    "                [--server HOST:PORT:FILEPORT] [--language en|zh] [--sync]\n"
    "                [--still-limit SECONDS] [--screenshots DIR] [--headless] [--help]\n"
    "\n"
    "  --data-dir DIR      keep the application's data under DIR (else $MARVISTO_HOME,\n"
    "                      else $XDG_DATA_HOME/marvisto, else ~/.local/share/marvisto)\n"
    "  --demo              sign in to the first demo company\n"
    "  --client, --user, --password\n"
    "                      sign in online to the service the server settings name\n"
    "  --server HOST:PORT:FILEPORT\n"
    "                      point the server settings at a sales service, e.g. the\n"
    "                      local one: --server 127.0.0.1:48080:48081 (kept)\n"
    "  --language en|zh    show the interface in English or Chinese (kept as the\n"
    "                      language setting; else the setting, else the locale)\n"
    "  --sync              without a window: after signing in, sync once with the\n"
    "                      service and say what the device holds now\n"
    "  --still-limit SECONDS\n"
    "                      give up a sync without a window only once nothing has\n"
    "                      moved for SECONDS (no byte sent or received, no row\n"
    "                      stored, no file taken); 300 unless given. However long a\n"
    "                      sync takes, it is not given up while it moves\n"
    "  --screenshots DIR   run without a window, visit every screen a representative\n"
    "                      reaches (each tab, the product screen, the customer form,\n"
    "                      the library's viewers, the order editor and form, the\n"
    "                      settings) and save a PNG of each in DIR, named after it;\n"
    "                      with --demo and an online login (--client, --user,\n"
    "                      --password, --server) it then signs in online and\n"
    "                      photographs the first sync under way and finished\n"
    "  --headless          run without a window even when a display is available\n"
    "                      (without a display the application always runs so): sign\n"
    "                      in as asked, say how it went, and end\n"
    "  --help              show this text\n";

// Digits alone, of a number from 1 to `most` (at most five digits).
bool parseWhole(const std::string& digits, int most, int& out) {
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  out = std::stoi(digits);
  return out >= 1 && out <= most;
}

// "HOST:PORT:FILEPORT", ports from 1 to 65535.
bool parseServer(const std::string& text, LaunchOptions& o) {
  const auto first = text.find(':');
  const auto second = first == std::string::npos ? first : text.find(':', first + 1);
  if (first == 0 || second == std::string::npos) return false;
  auto port = [](const std::string& digits, int& out) { return parseWhole(digits, 65535, out); };
  o.serverHost = text.substr(0, first);
  return port(text.substr(first + 1, second - first - 1), o.serverPort) &&
         port(text.substr(second + 1), o.serverFilePort);
}

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
    } else if (arg == "--sync") {
      o.sync = true;
    } else if (arg == "--data-dir") {
      if (!value(o.dataDir) || o.dataDir.empty()) return false;
    } else if (arg == "--server") {
      std::string text;
      if (!value(text) || !parseServer(text, o)) {
        std::fputs("marvisto: --server takes HOST:PORT:FILEPORT\n", stderr);
        return false;
      }
    } else if (arg == "--language") {
      std::string language;
      if (!value(language)) return false;
      if (language == "en") {
        o.language = 1;
      } else if (language == "zh") {
        o.language = 2;
      } else {
        std::fprintf(stderr, "marvisto: --language takes en or zh\n");
        return false;
      }
    } else if (arg == "--still-limit") {
      std::string digits;
      int seconds = 0;
      if (!value(digits) || !parseWhole(digits, 86400, seconds)) {
        std::fputs("marvisto: --still-limit takes a number of seconds from 1 to 86400\n", stderr);
        return false;
      }
      o.stillSeconds = seconds;
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
  // Only the tour signs in twice: the demo's screens, then a sync online.
  if (o.demo && !o.client.empty() && (o.screenshots.empty() || o.sync)) {
    std::fputs("marvisto: --demo and --client exclude each other (except for --screenshots)\n", stderr);
    return false;
  }
  if (o.sync && !o.demo && o.client.empty()) {
    std::fputs("marvisto: --sync needs --client (or --demo)\n", stderr);
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

// One process per data folder: a second one would sync into the same
// database and files. The lock is an flock on a file of the root, held open
// for the process's life, so the kernel frees it when the process ends,
// crash or not. Not inherited by the programs the application starts.
enum class RootLock { Held, InUse, Failed };

RootLock lockDataRoot(const fs::path& root, std::string& why) {
  const fs::path file = root / ".marvisto-lock";
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    why = std::strerror(errno);
    return RootLock::Failed;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return RootLock::Held;  // fd stays open until exit
  const int error = errno;
  ::close(fd);
  if (error == EWOULDBLOCK) return RootLock::InUse;
  why = std::strerror(error);
  return RootLock::Failed;
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
  switch (std::string why; lockDataRoot(root, why)) {
    case RootLock::Held: break;
    case RootLock::InUse:
      std::fprintf(stderr, "marvisto: the data folder %s is in use by another copy of Marvisto\n",
                   root.string().c_str());
      return 3;
    case RootLock::Failed:
      std::fprintf(stderr, "marvisto: cannot lock the data folder %s (%s)\n", root.string().c_str(), why.c_str());
      return 2;
  }
  // The folder holds the saved sign-in, the customers and the orders.
  if (!base::Paths::makePrivate(root)) {
    std::fprintf(stderr, "marvisto: cannot make %s private to the user\n", root.string().c_str());
    return 2;
  }
  base::Paths::setRoot(root);
  std::printf("Data folder: %s\n", base::Paths::root().string().c_str());

  // The display comes up before the launch starts the network, the
  // reachability watcher and the work queues: bringing it up can fork.
  const bool wantWindow = !options.headless && !options.sync && options.screenshots.empty() && displayAvailable();
  std::string noDisplay;
  const bool displayStarted = wantWindow && ui::DesktopWindow::startDisplay(&noDisplay);

  const bool firstRun = !base::UserDefaults::standard().hasKey("App_version");
  auto app = MarvistoAppDelegate::create(std::make_shared<ShellScreenFactory>());
  FeatureWiring& wiring = app->wiring();
  SyncScreens::install(wiring);
  CatalogFeature::install(wiring);
  CustomerFeature::install(wiring);
  LibraryFeature::install(wiring);
  OrderFeature::install(wiring);

  // The back end: the desktop window when there is a display and no tour.
  std::unique_ptr<ui::DesktopWindow> desktop;
  // One line per sign-in, sync and failure on the terminal.
  TerminalReport report;
  ScreenshotTour tour(options, app);
  MarvistoAppDelegate::LaunchOptions launch;
  // The command line's language and server count from the first request on.
  launch.applySettings = [&tour] { tour.applySettings(); };
  app->didFinishLaunchingWithOptions(launch);
  std::printf("Marvisto %s started%s.\n", app->currentVersion().c_str(), firstRun ? " for the first time" : "");
  if (wantWindow) {
    // Links open in the desktop's browser and mail program.
    installDesktopLinkOpener();
    std::string why = noDisplay;
    // The window opens at the size it was left at.
    ui::DesktopWindow::Options window;
    window.sizeKey = "Window_Size";
    if (displayStarted) desktop = ui::DesktopWindow::open(app->window(), window, &why);
    if (!desktop) std::printf("No window (%s); running without one.\n", why.c_str());
    // On a desktop the open-in menu hands files to the system's applications,
    // and mail goes to the user's own mail program.
    if (desktop) {
      svc::DocumentInteractionController::setOpener(&svc::DocumentInteractionController::openWithDesktop);
      svc::MailComposer::install(std::make_shared<svc::DesktopMailComposer>());
    }
  }

  int status = 0;
  if (desktop) {
    if (options.demo || !options.client.empty()) loop.post([&] { tour.startSignIn(); });
    desktop->run();
  } else {
    // Without a window nobody watches: nothing animates, and there is no
    // on-screen keyboard to make room for.
    ui::View::setAnimationsEnabled(false);
    app->window()->setHasOnScreenKeyboard(false);
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
  SessionServices::end();
  LoginMode::freeInstance();
  base::UserDefaults::standard().synchronize();
  return status;
}
