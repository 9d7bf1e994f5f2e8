#pragma once
// The application run without a window, as the command line asks: it waits
// for the demo data, closes the guide, signs in and then either syncs
// (`--sync`) or, with a folder for screenshots, visits every screen a
// representative reaches, saving a PNG of each named after the screen.
//
// The tour is a list of steps. Each step starts with the application at rest
// (the tab bar, nothing presented, no alert, popover or open editor), brings
// its one screen up as a user would, and is photographed; then what it opened
// is closed and the application must be at rest again. A step that cannot
// show its screen says why on standard error and fails the tour. A screen
// that a feature adds joins the tour as a step in `steps()`.
//
// The screens come from the demo company (`--demo`). A sync needs a sales
// service: given an online login as well (`--client`, `--user`,
// `--password`, with `--server` naming the service), the tour ends by
// signing out of the demo, signing in with that login and photographing the
// first sync while it runs and after it.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
class View;
}

namespace mv {

class HeldDownloadsSender;
class MarvistoAppDelegate;
class SettingsViewController;
class WeclomeViewController;

// What the command line asks of a run.
struct LaunchOptions {
  std::string dataDir;
  bool demo = false;
  bool headless = false;
  bool sync = false;
  std::string client, user, password;
  std::string screenshots;
  int language = 0;  // 1 English, 2 Chinese; 0 leaves the language setting
  std::string serverHost;  // empty: the server settings as they are
  int serverPort = 0, serverFilePort = 0;
  // A sync without a window is given up once nothing of it has moved for
  // this long, never for taking long.
  double stillSeconds = 300;
};

class ScreenshotTour {
 public:
  // One screen of the tour: `show` brings it up from rest and answers false
  // (after `fail`) when it could not.
  struct Step {
    std::string name;
    std::function<bool()> show;
    // False for a screen that changes by itself (a sync under way): the
    // picture is taken the moment `show` answers.
    bool settleFirst = true;
    // Pixels of a desktop window of another size than the layout's, drawn
    // as such a window shows the screen (scaled to fit); 0: the layout as it is.
    int windowWidth = 0, windowHeight = 0;
  };

  ScreenshotTour(const LaunchOptions& options, std::shared_ptr<MarvistoAppDelegate> app);
  ~ScreenshotTour();

  // The language and the sales service the options name, written into the
  // settings during the launch (after it put a new version's factory server
  // settings back, before the welcome screen checks the version).
  void applySettings();
  // The whole headless run; answers the exit status.
  int run();
  // The sign-in the options ask for, started without waiting for it (the
  // desktop window keeps running meanwhile; a demo sign-in waits for the demo
  // data by itself).
  void startSignIn();

 private:
  // Runs the main loop until `done` holds (at most `seconds`).
  bool waitFor(const std::function<bool()>& done, double seconds = 30);
  // Runs the main loop for at most `seconds`, ending as soon as it is quiet:
  // nothing left to run before then (an animation's next frame, a delayed
  // call, an open page's engine to be pumped), no job on the workers and no
  // work under way elsewhere (a page drawn, a transfer).
  void settle(double seconds = 0.3);
  bool snapshot(const std::string& name, bool settleFirst = true, int windowWidth = 0, int windowHeight = 0);
  // Says which buttons on screen show only a picture and carry no
  // accessibility label to be found by; answers whether there are none (a
  // screen with one fails its step).
  bool unnamedControls(const std::string& picture);
  std::shared_ptr<WeclomeViewController> welcome();
  void waitForDemoData();
  // Signs in as the options say; false when it did not succeed.
  bool signIn();
  // A full sync after the sign-in; false when it did not finish.
  bool syncOnce();
  // Runs the main loop until `ended` holds while the sync moves; false
  // (the sync given up) once nothing of it has moved for the still limit.
  bool waitForSyncEnd(const std::function<bool()>& ended);
  // What the terminal is told of a sync given up so.
  std::string stillLine() const;
  std::vector<int> shownTabs();
  void printTabs();

  // The steps before the sign-in and after it.
  std::vector<Step> welcomeSteps();
  std::vector<Step> steps();
  // The online login's steps: the first sync offered, under way and ended.
  std::vector<Step> syncSteps();
  void runSteps(const std::vector<Step>& steps);
  // Closes whatever is open: alerts, popovers, presented screens, pushed
  // screens, the focus.
  void comeToRest();
  // Empty when the application is at rest, else what is still open.
  std::string restProblem();
  // Records why the current step could not show its screen; answers false.
  bool fail(const std::string& why);
  // What the current step opened that the rest-keeping cannot know about.
  void onClose(std::function<void()> close) { close_ = std::move(close); }

  // Taps, as the user would, the control titled or labelled `name` (under
  // `root` when given); false (failing the step) when none is on screen.
  bool tapControl(const std::string& name, ui::View* root = nullptr);
  bool tapView(const ui::View& view);
  // The main tab `tag` selected by a tap on its button.
  bool showTab(int tag);

  // Steps that need more than a tap or two.
  bool showCatalogLevel();
  bool showProduct(int panel);
  // A quantity typed on the product screen, the caret inside it.
  bool showProductQuantity();
  // The image browser with its controls hidden and shown again by two taps;
  // with `slideShow`, its slide show on the second picture.
  bool showImageBrowser(bool slideShow);
  // The in-app web page showing a form of the web administration.
  bool showWebPage(bool dropDown);
  bool showCatalogSearch();
  bool showCatalogList(bool favourites);
  bool showSortMenu();
  bool showAddToOrder(bool picker);
  bool showCustomerMode(long segment);
  bool showCustomer(bool edit);
  bool showFirstContact();
  bool showNewCustomer();
  bool showLibrary(bool collection);
  bool showLibraryFileCard();
  // The first file of that type on the device, opened from the library grid;
  // `afresh`, without the pages converted from it before.
  bool openLibraryFile(const char* type, bool afresh = false);
  bool showLibraryViewer(const char* type);
  // The Office viewer while the office suite converts a Word file.
  bool showOfficeConverting();
  bool showReader(int view);
  // A book the tour writes: a page of a right-to-left book after a page
  // turn, or a page of fixed layout.
  bool showBook(bool fixedLayout);
  bool showOrderEditor(int what);
  bool showOrderForm(bool signature);
  bool showSettings(int page);
  // The settings opened by a tap on their button.
  SettingsViewController* openSettings();
  // Signs out through the settings (and their prompt) when signed in, then
  // signs in with the command line's online login from the panel.
  bool signInOnlineFromScratch();
  bool showSyncUnderWay();
  bool showSyncFinished();
  // A download held running in the library, so that its tab shows one.
  bool stageLibraryDownload();

  const LaunchOptions& o_;
  std::shared_ptr<MarvistoAppDelegate> app_;
  // The tour's request sender (see `stageLibraryDownload`).
  std::shared_ptr<HeldDownloadsSender> held_;
  bool failed_ = false;
  int next_ = 1;
  std::string why_;
  std::function<void()> close_;
  // Views over the window at rest (the overlay's own), once known.
  std::optional<std::size_t> restOverlays_;
  // The end of the sync the tour started, once it came.
  std::optional<bool> syncFinished_;
  std::shared_ptr<void> syncEnd_;
};

}  // namespace mv
