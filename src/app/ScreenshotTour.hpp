#pragma once
// The application run without a window, as the command line asks: it waits
// for the demo data, closes the guide, signs in and, with a folder for
// screenshots, walks through the welcome screen, every tab the company may use
// and the settings pages, saving a PNG of each. A screen that a feature adds
// joins the tour here.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mv {

class HeldDownloadsSender;
class QuoteOrderHistoryController;
class MarvistoAppDelegate;
class ProductDetailController;
class WeclomeViewController;

// What the command line asks of a run.
struct LaunchOptions {
  std::string dataDir;
  bool demo = false;
  bool headless = false;
  std::string client, user, password;
  std::string screenshots;
  int language = 0;  // 1 English, 2 Chinese; 0 leaves the language setting
  std::string serverHost;  // empty: the server settings as they are
  int serverPort = 0, serverFilePort = 0;
};

class ScreenshotTour {
 public:
  ScreenshotTour(const LaunchOptions& options, std::shared_ptr<MarvistoAppDelegate> app);
  ~ScreenshotTour();

  // The language and the sales service the options name, written into the
  // settings after the launch (which puts the factory server settings back
  // on a new version).
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
  void snapshot(const std::string& name);
  std::shared_ptr<WeclomeViewController> welcome();
  void waitForDemoData();
  void closeGuide();
  // Signs in as the options say; false when it did not succeed.
  bool signIn();
  std::vector<int> shownTabs();
  void printTabs();
  // The catalogue's screens over its tab: a product opened from the list.
  void catalogScreens(int& n);
  // The image browser with its controls hidden and shown again, and its slide show.
  void imageBrowserSteps(ProductDetailController& product, int& n);
  // The customer form: a demo customer shown, then a new one being entered.
  void customerScreens(int& n);
  // Every shown tab, then the settings and their pages.
  void tour();
  // The first unsubmitted order in its editor and as its order form.
  void tourOrder(int& n);
  // A library PDF of the demo company in the reader: its first page, a page
  // zoomed in, the thumbnails screen. `n` numbers the pictures.
  void readerTour(int& n);
  // The in-app web page showing a form of the web administration.
  void webPageTour(int& n);
  // The catalogue one level down, in its first category with children.
  void snapshotCatalogLevel(const std::string& name);
  // The signature pad over the order form, with a stroke drawn.
  void tourSignature(int& n);
  // The order editor after a line's quantity was typed as 0 and the delete
  // prompt answered Cancel: the line and its quantity are back.
  void tourDeleteCancelled(int& n, QuoteOrderHistoryController& list, long row);
  // A download held running in the library, so that its tab shows one.
  void stageLibraryDownload();
  // The library's file card of a file still to download; the held download
  // ends after it.
  void libraryScreens(int& n);

  const LaunchOptions& o_;
  std::shared_ptr<MarvistoAppDelegate> app_;
  // The tour's request sender (see `stageLibraryDownload`).
  std::shared_ptr<HeldDownloadsSender> held_;
  bool failed_ = false;
};

}  // namespace mv
