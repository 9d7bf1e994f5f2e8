#include "app/ScreenshotTour.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "catalog/CatalogNotifications.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductDetailImageController.hpp"
#include "catalog/SlideShowController.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryViewers.hpp"
#include "library/ReaderThumbQueue.hpp"
#include "library/ReaderViewController.hpp"
#include "customer/CustomerAttributeCell.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "library/EPUBViewController.hpp"
#include "library/LibraryFileState.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/WebEngine.hpp"
#include "order/PainterViewController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/HomeViewController.hpp"
#include "shell/session/LoginItem.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MarvistoAppDelegate.hpp"
#include "shell/frame/WebViewController.hpp"
#include "shell/settings/LanguageManager.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/settings/SkinManager.hpp"
#include "shell/frame/UITabBarControllerExt.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/ServerInfo.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {

// The session's request sender during the tour: every request goes to the
// network model, except that while it holds, a download stays running (and
// at the share the tour reports) for as long as the tour wants to show one.
class HeldDownloadsSender : public RequestSender {
 public:
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
           Handlers handlers) override {
    auto download = std::dynamic_pointer_cast<RequestDownload>(request);
    if (!holding_ || !download) return NetworkModel::sharedSender()->send(request, tracker, std::move(handlers));
    const int code = ++lastCode_;
    held_[code] = Held{download, tracker.track([this, code] { held_.erase(code); }), std::move(handlers)};
    return download->downloadId;
  }
  void hold(bool on) { holding_ = on; }
  // Reports `share` of every held download.
  void report(float share) {
    auto held = held_;
    for (auto& [code, h] : held) {
      if (!h.ticket.isLive() || !h.handlers.onProgress || h.request->fileNameList.empty()) continue;
      DownLoadRequestInfo info;
      info.fileId = h.request->fileId;
      info.imgType = h.request->imgType;
      info.downloadId = h.request->downloadId;
      info.fileName = h.request->fileNameList.front();
      info.downloadPercent = share;
      h.handlers.onProgress(info);
    }
  }

 private:
  struct Held {
    std::shared_ptr<RequestDownload> request;
    base::CancelTracker::Ticket ticket;
    Handlers handlers;
  };
  bool holding_ = false;
  int lastCode_ = 0;
  std::map<int, Held> held_;
};

namespace {

// The login the command line names, as the sign-in panel would build it.
LoginInfo typedLogin(const LaunchOptions& o) {
  LoginInfo info;
  info.clientId = o.client;
  info.accountId = o.user;
  info.passWord = o.password;
  info.deviceId = PublicFunction::getDeviceUDID();
  return info;
}

// A picture's name: two digits, so the files sort in tour order.
std::string numbered(int& next, const char* what) {
  char name[48];
  std::snprintf(name, sizeof name, "%02d%s", next++, what);
  return name;
}

// The first library file that is not on the device.
std::optional<marvisto_library_files_Entity> fileToDownload(const SaleslibraryModel& manager) {
  auto* store = DataAccessManager::sharedDataModel();
  if (!store) return std::nullopt;
  for (const auto& file : store->getAllLibFiles()) {
    if (!manager.isExists(file.file_id)) return file;
  }
  return std::nullopt;
}

}  // namespace

ScreenshotTour::ScreenshotTour(const LaunchOptions& options, std::shared_ptr<MarvistoAppDelegate> app)
    : o_(options), app_(std::move(app)) {}

ScreenshotTour::~ScreenshotTour() = default;

void ScreenshotTour::applySettings() {
  if (o_.language != 0) LanguageManager::sharedInstance().setCurrentLanguage(o_.language);
  if (!o_.serverHost.empty()) {
    ServerInfo server = PublicFunction::GetServer();
    server.strIP = server.imageIP = o_.serverHost;
    server.httpPort = o_.serverPort;
    server.imageHttpPort = o_.serverFilePort;
    PublicFunction::setServer(server);
  }
}

int ScreenshotTour::run() {
  // The sessions of the tour send through it.
  held_ = std::make_shared<HeldDownloadsSender>();
  app_->wiring().services.add<RequestSender>([held = held_](SessionServices&) { return held; });
  waitForDemoData();
  closeGuide();
  snapshot("02-welcome");
  int status = 0;
  if (o_.demo || !o_.client.empty()) {
    if (signIn()) {
      printTabs();
      tour();
    } else {
      status = 1;
    }
  } else {
    std::puts("Nobody is signed in. Use --demo to sign in to the demo company, or --client/--user/--password.");
  }
  return failed_ ? 1 : status;
}

bool ScreenshotTour::waitFor(const std::function<bool()>& done, double seconds) {
  return base::RunLoop::main().runUntil([&] {
    ui::View::layoutPendingViews();
    return done();
  }, seconds);
}

void ScreenshotTour::snapshot(const std::string& name) {
  if (o_.screenshots.empty()) return;
  waitFor([] { return false; }, 0.3);  // let pending work and animations settle
  std::error_code ec;
  fs::create_directories(o_.screenshots, ec);
  ui::HeadlessDriver d(app_->window());
  d.flush();
  const fs::path file = fs::path(o_.screenshots) / (name + ".png");
  if (d.snapshot(file)) {
    std::printf("Saved %s\n", file.string().c_str());
  } else {
    std::fprintf(stderr, "marvisto: could not save %s\n", file.string().c_str());
    failed_ = true;
  }
}

std::shared_ptr<WeclomeViewController> ScreenshotTour::welcome() {
  return std::dynamic_pointer_cast<WeclomeViewController>(app_->welcomeScreen());
}

void ScreenshotTour::waitForDemoData() {
  auto& skins = SkinManager::sharedInstance();
  if (skins.isDemoUnpacking()) {
    std::puts("Unpacking the demo data...");
    waitFor([&] { return !skins.isDemoUnpacking(); }, 120);
  }
  std::printf("Demo data: %s\n", skins.needInitializeDemo() ? "missing" : "ready");
}

void ScreenshotTour::closeGuide() {
  auto w = welcome();
  if (!w) return;
  auto guide = w->guideView();
  if (!guide || !guide->superview()) return;
  snapshot("01-guide");
  ui::HeadlessDriver d(app_->window());
  d.tap(*guide->skipButton());
  waitFor([&] { return !guide->superview(); }, 5);
}

bool ScreenshotTour::signIn() {
  auto w = welcome();
  if (!w) return false;
  std::string error;
  if (o_.demo) {
    std::printf("Signing in to the demo company %s...\n", LoginMode::kDemoClientZDuvo);
    LoginItem* shortcut = nullptr;
    ui::HeadlessDriver d(app_->window());
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
    w->login(typedLogin(o_), true, false);
  }
  waitFor([&] { return !app_->isWelcomeRoot() || ui::AlertView::visibleAlert() != nullptr; }, 120);
  if (app_->isWelcomeRoot()) {
    auto alert = ui::AlertView::visibleAlert();
    std::printf("Sign-in failed: %s\n", alert ? alert->message().c_str() : "no answer");
    return false;
  }
  auto lm = LoginMode::sharedInstance();
  const LoginType type = lm->loginType();
  const char* how = type == LoginType::Demo      ? "demo"
                    : type == LoginType::Offline ? "offline"
                                                           : "online";
  std::printf("Signed in (%s) to %s as %s%s%s.\n", how, lm->clientID().c_str(), lm->acountID().c_str(),
              lm->companyName().empty() ? "" : ", company ", lm->companyName().c_str());
  return true;
}

std::vector<int> ScreenshotTour::shownTabs() {
  std::vector<int> tabs;
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  if (!tab) return tabs;
  for (int tag = 0; tag < MainTabScreens::kTabCount; ++tag) {
    if (!tab->button(tag).isHidden()) tabs.push_back(tag);
  }
  return tabs;
}

void ScreenshotTour::printTabs() {
  std::string list;
  for (int tag : shownTabs()) list += (list.empty() ? "" : ", ") + text(MainTabScreens::titleKey(tag));
  list += (list.empty() ? "" : ", ") + text("SETTINGS");
  std::printf("Tabs the configuration allows: %s\n", list.c_str());
}

void ScreenshotTour::tour() {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  if (!tab) return;
  int n = 3;
  for (int tag : shownTabs()) {
    if (tab->iCurSelectTab() != tag) {
      ui::HeadlessDriver d(app_->window());
      d.tap(tab->button(tag).btn());
      waitFor([&] { return tab->iCurSelectTab() == tag; }, 5);
    }
    if (tag == MainTabScreens::kSalesLibrary) stageLibraryDownload();
    char name[64];
    std::snprintf(name, sizeof name, "%02d-tab-%d-%s", n++, tag, MainTabScreens::titleKey(tag));
    snapshot(lowercase(name));
    if (tag == MainTabScreens::kCatalog) {
      snapshotCatalogLevel(std::string(lowercase(name)) + "-level");
      catalogScreens(n);
    }
    if (tag == MainTabScreens::kSalesLibrary) libraryScreens(n);
    if (tag == MainTabScreens::kCustomer) customerScreens(n);
    // The demo help over the home screen is shown once; it goes before the next tab.
    if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
    if (auto home = std::dynamic_pointer_cast<HomeViewController>(tab->screen(0))) home->closeOverlays();
    if (tag == MainTabScreens::kQuoteOrder) tourOrder(n);
  }
  readerTour(n);
  webPageTour(n);
  ui::HeadlessDriver d(app_->window());
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

void ScreenshotTour::tourOrder(int& n) {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto list = tab ? std::dynamic_pointer_cast<QuoteOrderHistoryController>(tab->screen(MainTabScreens::kQuoteOrder))
                  : nullptr;
  auto* nav = list ? list->navigationController() : nullptr;
  if (!nav || list->selectOrders().empty()) return;
  // The newest unsubmitted order, as its editor and as its order form.
  long row = 0;
  for (std::size_t i = 0; i < list->selectOrders().size(); ++i) {
    if (!list->selectOrders()[i]->isUploaded()) {
      row = static_cast<long>(i);
      break;
    }
  }
  list->openOrderAtRow(row);
  waitFor([&] { return dynamic_cast<QuoteOrderViewController*>(nav->topViewController()) != nullptr; }, 5);
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  if (!editor) return;
  char name[32];
  std::snprintf(name, sizeof name, "%02d-order-editor", n++);
  snapshot(name);
  editor->btnViewAsPDFClick();
  waitFor([&] { return dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController()) != nullptr; }, 5);
  std::snprintf(name, sizeof name, "%02d-order-pdf", n++);
  snapshot(name);
  tourSignature(n);
  nav->popToRootViewControllerAnimated(false);
  waitFor([&] { return nav->viewControllers().size() == 1; }, 5);
  tourDeleteCancelled(n, *list, row);
}

void ScreenshotTour::tourDeleteCancelled(int& n, QuoteOrderHistoryController& list, long row) {
  auto* nav = list.navigationController();
  if (!nav) return;
  list.openOrderAtRow(row);
  waitFor([&] { return dynamic_cast<QuoteOrderViewController*>(nav->topViewController()) != nullptr; }, 5);
  auto* shown = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  if (!shown) return;
  QuoteOrderViewController& editor = *shown;
  ui::HeadlessDriver d(app_->window());
  d.tap(editor.btnSave());  // Edit
  auto* line = dynamic_cast<QuoteOrderItemsTableViewCell*>(editor.table().cellForRowAtIndexPath({0, 0}));
  if (!line) return;
  TZTextField& quantity = line->quantityTextField();
  d.tap(quantity);
  while (!quantity.text().empty() && d.pressBackspace()) {
  }
  d.typeText("0");
  d.pressReturn();
  if (!waitFor([] { return ui::AlertView::visibleAlert() != nullptr; }, 5)) return;
  d.pressAlertButton(0);  // Cancel
  waitFor([] { return ui::AlertView::visibleAlert() == nullptr; }, 5);
  snapshot(numbered(n, "-order-editor-delete-cancelled"));
  // Nothing changed: the order is shown again as it is stored.
  d.tap(editor.btnHistory());
  if (waitFor([] { return ui::AlertView::visibleAlert() != nullptr; }, 5)) d.pressAlertButton(0);  // Not saved
  waitFor([&] { return nav->viewControllers().size() == 1; }, 5);
}

void ScreenshotTour::stageLibraryDownload() {
  auto manager = SaleslibraryModel::sharedInstance();
  auto file = manager ? fileToDownload(*manager) : std::nullopt;
  if (!file) return;
  if (!held_) return;
  held_->hold(true);
  manager->sendRequest(SaleslibraryModel::requestForFile(*file));
  held_->hold(false);
  held_->report(0.4f);
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto library = tab ? std::dynamic_pointer_cast<SaleslibraryController>(tab->screen(MainTabScreens::kSalesLibrary))
                     : nullptr;
  if (library && !library->detailViewsArray().empty()) library->detailViewsArray().front()->reloadDataWithPostNoti(true, false);
}

void ScreenshotTour::libraryScreens(int& n) {
  // Numbered like the others: two digits, so the files sort in tour order.
  auto numbered = [](int& next, const char* what) {
    char name[48];
    std::snprintf(name, sizeof name, "%02d%s", next++, what);
    return std::string(name);
  };
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto library = tab ? std::dynamic_pointer_cast<SaleslibraryController>(tab->screen(MainTabScreens::kSalesLibrary))
                     : nullptr;
  auto manager = SaleslibraryModel::sharedInstance();
  if (!library || library->detailViewsArray().empty() || !manager) return;
  auto& grid = *library->detailViewsArray().front();
  // A file still to download, other than the one downloading.
  for (const auto& file : grid.libfilesArray()) {
    if (manager->isExists(file.file_id) || manager->isInDownloadList(file.file_name)) continue;
    grid.selectShowInfo(file);
    snapshot(numbered(n, "-library-file-card"));
    if (auto card = grid.descriptionController()) card->dismissViewControllerAnimated(false);
    waitFor([&] { return !grid.presentedViewController(); }, 5);
    break;
  }
  for (const auto& name : std::vector<std::string>(manager->downloadFileNameArray())) manager->cancelDownloadFile(name);
  // A document, a video and a book on the device, each in its viewer.
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (!nav) return;
  const std::map<std::string, const char*> shots = {{"WORD", "-library-office-word"},
                                                     {"EXCEL", "-library-office-excel"},
                                                     {"PPT", "-library-office-powerpoint"},
                                                     {"VEDIO", "-library-video-player"},
                                                     {"EPUB", "-library-book-reader"}};
  for (const char* type : {"WORD", "EXCEL", "PPT", "VEDIO", "EPUB"}) {
    for (const auto& file : grid.libfilesArray()) {
      // A file waiting for its update opens its old version: show a plain one.
      const auto state = LibraryFileState::of(*manager, file);
      if (file.type != type || !state.present || state.pendingUpdate) continue;
      const std::size_t depth = nav->viewControllers().size();
      grid.selectDownloadedFile(file.file_name, file.type);
      if (nav->viewControllers().size() == depth) {
        if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
        break;
      }
      if (auto* video = dynamic_cast<VideoViewController*>(nav->topViewController())) {
        auto movie = video->moviePlayer();
        waitFor([&] { return !movie || movie->framesShown() > 0 || movie->state() == svc::MoviePlayer::State::Failed; }, 10);
      } else if (auto* office = dynamic_cast<PPTLoadingViewController*>(nav->topViewController())) {
        waitFor([&] { return !office->isLoading(); }, 120);
        // The tiles a frame asks for are drawn on a worker; a later frame shows them.
        ui::HeadlessDriver d(app_->window());
        for (int frame = 0; frame < 3; ++frame) {
          d.render();
          waitFor([&] { return !office->webView().tilesPending(); }, 20);
        }
      } else if (auto* reader = dynamic_cast<EPUBViewController*>(nav->topViewController())) {
        waitFor([&] {
          return !reader->isOpening() && reader->bookView()->pageCount() > 0 && !reader->bookView()->isLoading() &&
                 !svc::WebEngine::isBusy();
        }, 30);
      }
      snapshot(numbered(n, shots.at(type)));
      if (auto* video = dynamic_cast<VideoViewController*>(nav->topViewController())) {
        video->btnbackClicked();
      } else {
        nav->popViewControllerAnimated(false);
      }
      waitFor([&] { return nav->viewControllers().size() == depth; }, 5);
      break;
    }
  }
}

void ScreenshotTour::tourSignature(int& n) {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto list = tab ? std::dynamic_pointer_cast<QuoteOrderHistoryController>(tab->screen(MainTabScreens::kQuoteOrder))
                  : nullptr;
  auto* nav = list ? list->navigationController() : nullptr;
  auto* form = nav ? dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController()) : nullptr;
  if (!form || !form->pdfCreater()) return;
  // The pad opens over whichever screen the form presents from.
  auto pad = [&]() -> PainterViewController* {
    for (ui::ViewController* c : {static_cast<ui::ViewController*>(form), static_cast<ui::ViewController*>(nav),
                                  static_cast<ui::ViewController*>(tab.get())}) {
      if (auto* p = dynamic_cast<PainterViewController*>(c->presentedViewController())) return p;
    }
    return nullptr;
  };
  form->pdfCreater()->signatureTapped();
  if (!waitFor([&] { return pad() != nullptr; }, 5)) return;
  // A stroke of a signature on it, as the customer would begin.
  pad()->drawLineFromPoint({260, 330}, {420, 260});
  pad()->drawLineFromPoint({420, 260}, {560, 340});
  pad()->drawLineFromPoint({560, 340}, {720, 270});
  char name[32];
  std::snprintf(name, sizeof name, "%02d-order-signature", n++);
  snapshot(name);
  pad()->cancelButtonTapped();
  waitFor([&] { return pad() == nullptr; }, 5);
}

void ScreenshotTour::catalogScreens(int& n) {
  auto* store = DataAccessManager::sharedDataModel();
  if (!store) return;
  auto products = store->getAllProducts();
  if (products.empty()) return;
  auto& center = CatalogNotificationCenter::defaultCenter();
  // The first demo product has several pictures, attributes and a running discount.
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto catalog = tab ? std::dynamic_pointer_cast<CatalogViewController>(tab->screen(MainTabScreens::kCatalog)) : nullptr;
  if (!catalog) return;
  center.post(CatalogNotifications::setCatalogLayOut, ProductListChoice{0, products});
  snapshot(numbered(n, "-catalog-product"));
  if (auto* product = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController())) {
    product->setCurrentDescRelatedIndex(ProductDetailController::kRelatedProductsPanel);
    snapshot(numbered(n, "-catalog-product-related"));
    product->setCurrentDescRelatedIndex(ProductDetailController::kRelatedMaterialsPanel);
    snapshot(numbered(n, "-catalog-product-materials"));
    product->setCurrentDescRelatedIndex(ProductDetailController::kDescriptionPanel);
    // Its pictures full screen.
    product->onClickImage();
    waitFor([&] { return product->presentedViewController() != nullptr; }, 5);
    imageBrowserSteps(*product, n);
    product->dismissPopController(false);
    waitFor([&] { return product->presentedViewController() == nullptr; }, 5);
  }
  center.post(CatalogNotifications::btnBackClick);
  waitFor([] { return false; }, 0.5);
  // The search popover, with the first word of that product's name.
  const std::string& name = products.front().product_name;
  const std::string word = name.substr(0, name.find(' '));
  catalog->searchBar().setText(word);
  catalog->searchBarTextDidChange(catalog->searchBar(), word);
  snapshot(numbered(n, "-catalog-search"));
  if (auto popover = catalog->serchController()) popover->dismissPopoverAnimated(false);
  catalog->searchBar().setText("");
  // The demo's favourites and comparison.
  catalog->btnFavoritesClicked();
  if (waitFor([&] { return catalog->presentedViewController() != nullptr; }, 5)) {
    snapshot(numbered(n, "-catalog-favorites"));
    catalog->dismissPopController(false);
  }
  catalog->btnCompareClicked();
  if (waitFor([&] { return catalog->presentedViewController() != nullptr; }, 5)) {
    snapshot(numbered(n, "-catalog-comparison"));
    catalog->dismissPopController(false);
  }
}

void ScreenshotTour::imageBrowserSteps(ProductDetailController& product, int& n) {
  auto browser = product.imageController();
  if (!browser) return;
  // A tap hides the controls, a second one brings them back.
  ui::HeadlessDriver d(app_->window());
  const ui::Point picture{512, 400};
  const double toggle = ui::TapGestureRecognizer::kMaximumTapInterval + ProductDetailImageController::kChromeDelay +
                        ProductDetailImageController::kChromeDuration + 0.2;
  d.tapAt(picture);
  waitFor([] { return false; }, toggle);
  d.tapAt(picture);
  waitFor([] { return false; }, toggle);
  snapshot(numbered(n, "-catalog-image-browser"));
  // The slide show on its second picture, once it has faded in.
  browser->startSlideShow();
  if (!waitFor([&] { return browser->slideShowController() && browser->presentedViewController(); }, 5)) return;
  browser->slideShowTick();
  waitFor([] { return false; }, SlideShowController::kFadeDuration + 0.3);
  snapshot(numbered(n, "-catalog-slide-show"));
  d.tapAt(picture);
  waitFor([&] { return browser->presentedViewController() == nullptr; }, 5);
}

void ScreenshotTour::readerTour(int& n) {
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  const char* pdfFolder = PublicFunction::folderForFileType(5);
  if (!folder || !pdfFolder) return;
  std::vector<fs::path> pdfs;
  std::error_code ec;
  for (fs::directory_iterator it(*folder / pdfFolder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".pdf") pdfs.push_back(it->path());
  std::sort(pdfs.begin(), pdfs.end());
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (pdfs.empty() || !nav) {
    std::puts("No library PDF on the device: the reader is left out.");
    return;
  }
  std::printf("Reading %s...\n", pdfs.front().filename().string().c_str());
  auto decision = LibraryFileOpener::decide("PDF", pdfs.front(), PublicFunction::getDeviceType());
  if (!LibraryViewers::open(decision, pdfs.front().stem().string(), nav)) return;
  auto reader = std::dynamic_pointer_cast<ReaderViewController>(nav->viewControllers().back());
  if (!reader) return;
  waitFor([&] { return reader->currentPage() > 0; }, 5);
  // Pictures wait for the page's tiles and thumbnails.
  auto sharp = [&] {
    ui::HeadlessDriver d(app_->window());
    for (int i = 0; i < 10; ++i) {
      d.render();
      waitFor([&] {
        ReaderThumbQueue::sharedInstance().waitUntilIdle();
        auto it = reader->contentViews().find(reader->currentPage());
        auto* page = it == reader->contentViews().end() ? nullptr : it->second->theContentView().get();
        return !page || page->tiles()->pendingCount() == 0;
      }, 30);
    }
  };
  sharp();
  snapshot(numbered(n, "-reader"));
  if (auto it = reader->contentViews().find(reader->currentPage()); it != reader->contentViews().end()) {
    auto& page = *it->second;
    for (int i = 0; i < 3; ++i) page.loopZoom();
    waitFor([] { return false; }, 0.5);
    page.setContentOffset(ui::Point{page.contentSize().width / 3, page.contentSize().height / 4});
    sharp();
    snapshot(numbered(n, "-reader-zoomed"));
    page.zoomReset();
  }
  reader->tappedInToolbarThumbsButton(*reader->mainToolbar(), *reader->mainToolbar()->thumbsButton());
  waitFor([&] { return reader->presentedViewController() != nullptr; }, 5);
  waitFor([] {
    ReaderThumbQueue::sharedInstance().waitUntilIdle();
    return false;
  }, 1);
  snapshot(numbered(n, "-reader-thumbnails"));
  // The thumbnails go before the reader that shows them.
  reader->dismissViewControllerAnimated(false);
  waitFor([&] { return reader->presentedViewController() == nullptr; }, 5);
  reader->dismissReaderViewController();
  waitFor([&] { return nav->viewControllers().size() == 1; }, 5);
}

void ScreenshotTour::webPageTour(int& n) {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  if (!tab) return;
  // Shown over whatever is in front.
  ui::ViewController* front = app_->window()->rootViewController().get();
  while (front && front->presentedViewController()) front = front->presentedViewController();
  if (!front) return;
  auto page = std::make_shared<WebViewController>();
  front->presentViewController(page, false);
  page->view();
  if (!waitFor([&] { return page->contentWebView() != nullptr; }, 5)) {
    front->dismissViewControllerAnimated(false);
    return;
  }
  // The account page of the web administration, as the sales office serves it.
  auto field = [](const std::string& label, const std::string& type, const std::string& value) {
    return "<p><label>" + label + "<br/><input type='" + type + "' value='" + value + "'/></label></p>";
  };
  const std::string form =
      "<html><head><meta charset='utf-8'/><title>" + text("USERNAME") +
      "</title><style>body{font-family:sans-serif;margin:40px;color:#333}h1{color:#2a5285}"
      "input{font-size:18px;padding:6px;width:360px}label{font-size:15px}"
      "button{font-size:18px;padding:8px 24px;background:#2a5285;color:white;border:0;border-radius:4px}</style>"
      "</head><body><h1>" + text("USERNAME") + "</h1><form method='post'>" +
      field(text("USERNAMEINPUT"), "text", "demo") + field(text("EMAILSETTINGS"), "email", "demo@example.com") +
      field(text("PASSWORDINPUT"), "password", "secret") + field(text("PASSWORDRETYPEINPUT"), "password", "") +
      "<button type='submit'>" + text("SAVE") + "</button></form></body></html>";
  page->contentWebView()->loadHTMLString(form, "https://demo.invalid/account");
  waitFor([&] {
    auto& web = *page->contentWebView();
    return !web.isLoading() && web.hasPicture() && !svc::WebEngine::isBusy();
  }, 30);
  snapshot(numbered(n, "-web-page-form"));
  front->dismissViewControllerAnimated(false);
  waitFor([&] { return front->presentedViewController() == nullptr; }, 5);
}

void ScreenshotTour::snapshotCatalogLevel(const std::string& name) {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto catalog = tab ? std::dynamic_pointer_cast<CatalogViewController>(tab->screen(MainTabScreens::kCatalog)) : nullptr;
  auto master = catalog ? catalog->masterViewController() : nullptr;
  if (!master || !master->isViewLoaded()) return;
  // The first category with children of its own, one level down, then back.
  auto& table = master->myTable();
  for (long row = 1; row < table.numberOfRowsInSection(0); ++row) {
    table.tapRowAtIndexPath({0, row});
    waitFor([] { return false; }, 0.5);
    if (master->btnback().isHidden()) continue;
    snapshot(name);
    ui::HeadlessDriver(app_->window()).tap(master->btnback());
    waitFor([] { return false; }, 0.5);
    return;
  }
}

void ScreenshotTour::customerScreens(int& n) {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  auto screen =
      tab ? std::dynamic_pointer_cast<CustomerViewController>(tab->screen(MainTabScreens::kCustomer)) : nullptr;
  auto directory = CustomerDataModel::sharedInstance();
  if (!screen || !directory || directory->customerInfoDic().empty()) return;
  // The customer with the most to show: addresses and contacts.
  int chosen = directory->customerInfoDic().begin()->first;
  std::size_t most = 0;
  for (const auto& [id, entry] : directory->customerInfoDic()) {
    const std::size_t rows = entry.address.size() + entry.contact.size();
    if (rows > most) {
      most = rows;
      chosen = id;
    }
  }
  screen->customerList()->selectedCustomer(chosen);
  char name[32];
  std::snprintf(name, sizeof name, "%02d-customer-detail", n++);
  snapshot(name);

  // A new customer being entered, as a representative types it.
  ui::HeadlessDriver d(app_->window());
  d.tap(screen->customerList()->addNewCustomerButton());
  auto form = screen->customerInfo();
  if (!form->isCreating()) return;
  form->addConctact();
  auto table = form->tableCustomerInfo();
  // Types into the first row of the group in that table section whose label is the key's text.
  auto type = [&](long section, const char* key, const std::string& value) {
    const long rows = table->numberOfRowsInSection(section);
    for (long row = 0; row < rows; ++row) {
      table->scrollToRowAtIndexPath({section, row}, ui::TableViewScrollPosition::Middle, false);
      ui::View::layoutPendingViews();
      auto* cell = dynamic_cast<CustomerAttributeCell*>(table->cellForRowAtIndexPath({section, row}));
      if (!cell || cell->lblFiledName().text() != text(key) || cell->txtAttributeValue().isHidden()) continue;
      cell->txtAttributeValue().becomeFirstResponder();
      cell->txtAttributeValue().insertText(value);
      return;
    }
  };
  type(1, "NAME", "Harbour Lights Trading");
  type(1, "PHONE", "+1 206 555 0142");
  type(2, "STREETADDRESS", "18 Pier Street");
  type(2, "CITY", "Seattle");
  type(2, "STATE", "WA");
  type(2, "ZIPCODE", "98101");
  const long contact = form->customerInfoGroupData().companyCount() + 2;
  type(contact, "FIRSTNAME", "Maria");
  type(contact, "LASTNAME", "Lindqvist");
  type(contact, "JOBTITLE", "Purchasing manager");
  form->endEditing(true);
  table->setContentOffset({0, 0});
  std::snprintf(name, sizeof name, "%02d-customer-new", n++);
  snapshot(name);
  form->customerInfoViewCancel(&form->cancelButton());
}

void ScreenshotTour::startSignIn() {
  auto w = welcome();
  if (!w) return;
  if (auto guide = w->guideView()) guide->endShowGuide();
  if (o_.demo) {
    w->login(std::string(LoginMode::kDemoClientZDuvo));
  } else if (!o_.client.empty()) {
    w->login(typedLogin(o_), true, false);
  }
}

}  // namespace mv
