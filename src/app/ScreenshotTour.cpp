#include "app/ScreenshotTour.hpp"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "catalog/CatalogNotifications.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductDetailImageController.hpp"
#include "catalog/SlideShowController.hpp"
#include "customer/CustomerAttributeCell.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerViewController.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryFileState.hpp"
#include "library/LibraryViewers.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "order/PainterViewController.hpp"
#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/WebEngine.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/HomeViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/frame/MarvistoAppDelegate.hpp"
#include "shell/frame/WebViewController.hpp"
#include "shell/frame/UITabBarControllerExt.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/session/LoginCheckBox.hpp"
#include "shell/session/LoginItem.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "shell/settings/LanguageManager.hpp"
#include "shell/settings/SettingsCellEntity.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/settings/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/PublicFunction.hpp"
#include "util/ServerInfo.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {
// Below, with the other customer steps.
bool showFirstContact();
}  // namespace

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

// The command line's login typed into the sign-in panel and sent from it,
// as the user would: a failed sign-in leaves it there to correct.
void signInFromPanel(WeclomeViewController& welcome, const LaunchOptions& o) {
  welcome.view();
  LoginCheckBox& panel = welcome.loginCheckBox();
  panel.clientIDInputText().setText(o.client);
  panel.userNameInputText().setText(o.user);
  panel.passWordInputText().setText(o.password);
  panel.loginFromOther();
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
  if (!o_.screenshots.empty()) runSteps(welcomeSteps());
  if (auto w = welcome()) {
    if (auto guide = w->guideView(); guide && guide->superview()) guide->endShowGuide();
  }
  if (!o_.demo && o_.client.empty()) {
    std::puts(
        "Nobody is signed in. Use --demo to sign in to the demo company, "
        "or --client/--user/--password.");
    return failed_ ? 1 : 0;
  }
  if (!signIn()) return 1;
  printTabs();
  if (o_.sync && !syncOnce()) return 1;
  if (!o_.screenshots.empty()) {
    // The tab bar at rest: what the sign-in left over it closed.
    settle(1.0);
    if (auto tab = app_->tabBarController()) {
      if (auto home = std::dynamic_pointer_cast<HomeViewController>(tab->screen(MainTabScreens::kHome)))
        home->closeOverlays();
    }
    comeToRest();
    restOverlays_ = app_->window()->overlay().subviews().size();
    runSteps(steps());
  }
  return failed_ ? 1 : 0;
}

bool ScreenshotTour::waitFor(const std::function<bool()>& done, double seconds) {
  return base::RunLoop::main().runUntil(
      [&] {
        ui::View::layoutPendingViews();
        return done();
      },
      seconds);
}

void ScreenshotTour::settle(double seconds) {
  waitFor([] { return false; }, seconds);
}

bool ScreenshotTour::snapshot(const std::string& name) {
  settle();  // let pending work and animations settle
  std::error_code ec;
  fs::create_directories(o_.screenshots, ec);
  ui::HeadlessDriver d(app_->window());
  d.flush();
  const fs::path file = fs::path(o_.screenshots) / (name + ".png");
  if (!d.snapshot(file)) return fail("could not write " + file.string());
  std::printf("Saved %s\n", file.string().c_str());
  return true;
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

bool ScreenshotTour::signIn() {
  auto w = welcome();
  if (!w) return false;
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
    std::printf("Signing in to %s as %s at %s...\n", o_.client.c_str(), o_.user.c_str(),
                PublicFunction::GetServer().strIP.c_str());
    signInFromPanel(*w, o_);
  }
  // The sign-in's own line (TerminalReport) tells how it went.
  waitFor([&] { return !app_->isWelcomeRoot() || ui::AlertView::visibleAlert() != nullptr; }, 120);
  if (!app_->isWelcomeRoot()) return true;
  if (!ui::AlertView::visibleAlert()) std::puts("Sign-in failed: no answer");
  return false;
}

bool ScreenshotTour::syncOnce() {
  bool ended = false, finished = false;
  base::Observation observation(SyncModel::kSyncEndedNotification, nullptr, [&](const base::Notification& n) {
    ended = true;
    const auto it = n.userInfo.is_object() ? n.userInfo.find("finished") : n.userInfo.end();
    finished = it != n.userInfo.end() && it->is_boolean() && it->get<bool>();
  });
  // The first sync, as the home screen offers it.
  if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
  app_->showSyncController();
  if (!waitFor([&] { return ended; }, 600)) {
    std::puts("Sync failed: no end after ten minutes");
    return false;
  }
  return finished;
}

std::vector<int> ScreenshotTour::shownTabs() {
  std::vector<int> tabs;
  auto tab = app_->tabBarController();
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

// ---- the steps' frame ------------------------------------------------------------------------

void ScreenshotTour::runSteps(const std::vector<Step>& steps) {
  for (const auto& step : steps) {
    why_.clear();
    close_ = nullptr;
    char name[96];
    std::snprintf(name, sizeof name, "%02d-%s", next_++, step.name.c_str());
    if (!step.show() || !snapshot(name)) {
      std::fprintf(stderr, "marvisto: the tour could not show %s: %s\n", step.name.c_str(),
                   why_.empty() ? "it did not come up" : why_.c_str());
      failed_ = true;
      // What was on screen instead, to see why.
      if (!snapshot(std::string(name) + "-failed")) std::fputs("marvisto: no picture of the failure either\n", stderr);
    }
    if (close_) close_();
    close_ = nullptr;
    comeToRest();
    if (const std::string open = restProblem(); !open.empty()) {
      std::fprintf(stderr, "marvisto: after %s the application did not come back to rest: %s\n", step.name.c_str(),
                   open.c_str());
      failed_ = true;
    }
  }
}

bool ScreenshotTour::fail(const std::string& why) {
  if (why_.empty()) why_ = why;
  return false;
}

void ScreenshotTour::comeToRest() {
  auto window = app_->window();
  for (int round = 0; round < 6; ++round) {
    bool changed = false;
    while (auto alert = ui::AlertView::visibleAlert()) {
      const long cancel = alert->cancelButtonIndex();
      alert->dismissWithClickedButtonIndex(cancel >= 0 ? cancel : 0, false);
      settle(0.1);
      changed = true;
    }
    window->endEditing(true);
    auto root = window->rootViewController();
    if (!root) return;
    // The newest presentation first.
    auto all = ui::ViewController::controllersBelow(root.get());
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
      if ((*it)->presentedViewController()) {
        (*it)->dismissViewControllerAnimated(false);
        changed = true;
        break;
      }
    }
    if (auto* nav = dynamic_cast<ui::NavigationController*>(root.get()); nav && nav->viewControllers().size() > 1) {
      nav->popToRootViewControllerAnimated(false);
      changed = true;
    }
    // A popover closes at a tap outside it, as the user would close it.
    if (restOverlays_ && window->overlay().subviews().size() > *restOverlays_) {
      ui::HeadlessDriver(window).tapAt({2, 766});
      changed = true;
    }
    settle(changed ? 0.4 : 0.1);
    if (!changed) return;
  }
}

std::string ScreenshotTour::restProblem() {
  auto window = app_->window();
  if (auto alert = ui::AlertView::visibleAlert()) return "an alert (" + alert->title() + ")";
  auto root = window->rootViewController();
  if (!root) return "no screen";
  for (ui::ViewController* c : ui::ViewController::controllersBelow(root.get())) {
    if (c->presentedViewController()) return "a screen presented over another";
  }
  if (auto* nav = dynamic_cast<ui::NavigationController*>(root.get()); nav && nav->viewControllers().size() > 1)
    return "a screen pushed over the tab bar";
  if (restOverlays_ && window->overlay().subviews().size() > *restOverlays_) return "a popover or panel";
  return {};
}

bool ScreenshotTour::tapControl(const std::string& name, ui::View* root) {
  ui::HeadlessDriver d(app_->window());
  if (!d.tapControl(name, root)) return fail("no control \"" + name + "\" on screen");
  settle(0.2);
  return true;
}

bool ScreenshotTour::tapView(const ui::View& view) {
  ui::HeadlessDriver d(app_->window());
  if (!ui::HeadlessDriver::isVisible(view)) return fail("what was to be tapped is not on screen");
  d.tap(view);
  settle(0.2);
  return true;
}

bool ScreenshotTour::showTab(int tag) {
  auto tab = app_->tabBarController();
  if (!tab) return fail("no tab bar");
  if (tab->button(tag).isHidden())
    return fail(std::string("the configuration hides the tab ") + MainTabScreens::titleKey(tag));
  if (tab->iCurSelectTab() != tag) {
    if (!tapView(tab->button(tag).btn())) return false;
    if (!waitFor([&] { return tab->iCurSelectTab() == tag; }, 5)) return fail("the tab did not open");
  }
  // The demo's help over the home screen is shown once; the rest closes it.
  if (tag != MainTabScreens::kHome) {
    if (auto home = std::dynamic_pointer_cast<HomeViewController>(tab->screen(MainTabScreens::kHome)))
      home->closeOverlays();
  }
  settle();
  return true;
}

// ---- the list -----------------------------------------------------------------------------

std::vector<ScreenshotTour::Step> ScreenshotTour::welcomeSteps() {
  return {
      {"guide",
       [this] {
         auto w = welcome();
         auto guide = w ? w->guideView() : nullptr;
         if (!guide || !guide->superview()) return fail("the guide is not shown on a first start");
         onClose([this, guide] {
           tapView(*guide->skipButton());
           waitFor([&] { return !guide->superview(); }, 5);
         });
         return true;
       }},
      {"welcome",
       [this] {
         auto w = welcome();
         if (!w) return fail("no welcome screen");
         if (auto guide = w->guideView(); guide && guide->superview()) return fail("the guide is still up");
         return true;
       }},
      {"sign-up",
       [this] {
         auto w = welcome();
         if (!w || !tapView(w->loginCheckBox().registerBut())) return false;
         return waitFor([&] { return w->presentedViewController() != nullptr; }, 5) || fail("no sign-up form");
       }},
  };
}

std::vector<ScreenshotTour::Step> ScreenshotTour::steps() {
  using T = MainTabScreens;
  auto tab = [this](int tag) { return [this, tag] { return showTab(tag); }; };
  auto tabName = [](int tag) { return "tab-" + std::to_string(tag) + "-" + lowercase(MainTabScreens::titleKey(tag)); };
  std::vector<Step> list = {
      {tabName(T::kHome), tab(T::kHome)},
      {tabName(T::kCatalog), tab(T::kCatalog)},
      {tabName(T::kCatalog) + "-level", [this] { return showCatalogLevel(); }},
      {"catalog-product", [this] { return showProduct(ProductDetailController::kDescriptionPanel); }},
      {"catalog-product-related", [this] { return showProduct(ProductDetailController::kRelatedProductsPanel); }},
      {"catalog-product-materials", [this] { return showProduct(ProductDetailController::kRelatedMaterialsPanel); }},
      {"catalog-image-browser", [this] { return showImageBrowser(false); }},
      {"catalog-slide-show", [this] { return showImageBrowser(true); }},
      {"catalog-search", [this] { return showCatalogSearch(); }},
      {"catalog-favorites", [this] { return showCatalogList(true); }},
      {"catalog-comparison", [this] { return showCatalogList(false); }},
      {"catalog-sort-menu", [this] { return showSortMenu(); }},
      {"catalog-add-to-order", [this] { return showAddToOrder(false); }},
      {"catalog-attribute-picker", [this] { return showAddToOrder(true); }},
      {tabName(T::kCustomer), tab(T::kCustomer)},
      {"customer-list-mode-2", [this] { return showCustomerMode(1); }},
      {"customer-list-mode-3", [this] { return showCustomerMode(2); }},
      {"customer-detail", [this] { return showCustomer(false); }},
      {"customer-contacts", [this] { return showCustomer(false) && showFirstContact(); }},
      {"customer-new", [this] { return showNewCustomer(); }},
      {"customer-edit", [this] { return showCustomer(true); }},
      {tabName(T::kInventory), tab(T::kInventory)},
      {tabName(T::kSalesLibrary), [this] { return showLibrary(false); }},
      {"library-file-card", [this] { return showLibraryFileCard(); }},
      {"library-collection", [this] { return showLibrary(true); }},
      {"library-office-word", [this] { return showLibraryViewer("WORD"); }},
      {"library-office-excel", [this] { return showLibraryViewer("EXCEL"); }},
      {"library-office-powerpoint", [this] { return showLibraryViewer("PPT"); }},
      {"library-video-player", [this] { return showLibraryViewer("VEDIO"); }},
      {"library-book-reader", [this] { return showLibraryViewer("EPUB"); }},
      {"reader", [this] { return showReader(0); }},
      {"reader-zoomed", [this] { return showReader(1); }},
      {"reader-thumbnails", [this] { return showReader(2); }},
      {"web-page-form", [this] { return showWebPage(); }},
      {tabName(T::kQuoteOrder), tab(T::kQuoteOrder)},
      {"order-editor", [this] { return showOrderEditor(0); }},
      {"order-discount", [this] { return showOrderEditor(1); }},
      {"order-address", [this] { return showOrderEditor(2); }},
      {"order-editor-delete-cancelled", [this] { return showOrderEditor(3); }},
      {"order-pdf", [this] { return showOrderForm(false); }},
      {"order-signature", [this] { return showOrderForm(true); }},
      {tabName(T::kSync), tab(T::kSync)},
      {"settings", [this] { return showSettings(-1); }},
      {"settings-account", [this] { return showSettings(SettingsCellEntity::kAccount); }},
      {"settings-web-admin", [this] { return showSettings(SettingsCellEntity::kOpenCms + 100); }},
      {"settings-backup", [this] { return showSettings(SettingsCellEntity::kBackupAndRestore); }},
      {"settings-language", [this] { return showSettings(SettingsCellEntity::kLanguage); }},
      {"settings-about", [this] { return showSettings(SettingsCellEntity::kAbout); }},
  };
  return list;
}

// ---- catalogue --------------------------------------------------------------------------------

namespace {

std::shared_ptr<CatalogViewController> catalogScreen() {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<CatalogViewController>(tab->screen(MainTabScreens::kCatalog)) : nullptr;
}

}  // namespace

bool ScreenshotTour::showCatalogLevel() {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen();
  auto master = catalog ? catalog->masterViewController() : nullptr;
  if (!master || !master->isViewLoaded()) return fail("no category panel");
  // The first category with children of its own, one level down.
  auto& table = master->myTable();
  for (long row = 1; row < table.numberOfRowsInSection(0); ++row) {
    table.scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Middle, false);
    ui::View::layoutPendingViews();
    auto* cell = table.cellForRowAtIndexPath({0, row});
    if (!cell || !tapView(*cell)) continue;
    settle(0.5);
    if (master->btnback().isHidden()) continue;
    onClose([this, master] { tapView(master->btnback()); });
    return true;
  }
  return fail("no category has children");
}

bool ScreenshotTour::showProduct(int panel) {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto* store = DataAccessManager::sharedDataModel();
  auto catalog = catalogScreen();
  if (!store || !catalog) return fail("no catalogue");
  auto products = store->getAllProducts();
  if (products.empty()) return fail("no products");
  // The first demo product has several pictures, attributes and a running
  // discount.
  CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::setCatalogLayOut,
                                                  ProductListChoice{0, products});
  onClose([this] {
    CatalogNotificationCenter::defaultCenter().post(CatalogNotifications::btnBackClick);
    settle(0.5);
  });
  settle(0.5);
  auto* product = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  if (!product) return fail("the product screen did not open");
  product->setCurrentDescRelatedIndex(static_cast<unsigned>(panel));
  return true;
}

bool ScreenshotTour::showImageBrowser(bool slideShow) {
  if (!showProduct(ProductDetailController::kDescriptionPanel)) return false;
  auto catalog = catalogScreen();
  auto* product = dynamic_cast<ProductDetailController*>(catalog->detailController()->topViewController());
  product->onClickImage();
  if (!waitFor([&] { return product->presentedViewController() != nullptr; }, 5)) return fail("no image browser");
  auto back = close_;
  onClose([this, product, back] {
    if (auto browser = product->imageController(); browser && browser->presentedViewController())
      browser->dismissViewControllerAnimated(false);
    product->dismissPopController(false);
    waitFor([&] { return product->presentedViewController() == nullptr; }, 5);
    if (back) back();
  });
  auto browser = product->imageController();
  if (!browser) return fail("no image browser");
  // A tap hides the controls, a second one brings them back.
  ui::HeadlessDriver d(app_->window());
  const ui::Point picture{512, 400};
  const double toggle = ui::TapGestureRecognizer::kMaximumTapInterval + ProductDetailImageController::kChromeDelay +
                        ProductDetailImageController::kChromeDuration + 0.2;
  d.tapAt(picture);
  settle(toggle);
  d.tapAt(picture);
  settle(toggle);
  if (!slideShow) return true;
  // The slide show on its second picture, once it has faded in.
  browser->startSlideShow();
  if (!waitFor([&] { return browser->slideShowController() && browser->presentedViewController(); }, 5))
    return fail("no slide show");
  browser->slideShowTick();
  settle(SlideShowController::kFadeDuration + 0.3);
  return true;
}

bool ScreenshotTour::showWebPage() {
  // Shown over the tab bar.
  ui::ViewController* front = app_->window()->rootViewController().get();
  if (!front) return fail("no screen");
  auto page = std::make_shared<WebViewController>();
  front->presentViewController(page, false);
  onClose([front] { front->dismissViewControllerAnimated(false); });
  page->view();
  if (!waitFor([&] { return page->contentWebView() != nullptr; }, 5)) return fail("no web view");
  // The account page of the web administration, as the sales office serves it.
  auto field = [](const std::string& label, const std::string& type, const std::string& value) {
    return "<p><label>" + label + "<br/><input type='" + type + "' value='" + value + "'/></label></p>";
  };
  const std::string form =
      "<html><head><meta charset='utf-8'/><title>" + text("USERNAME") +
      "</title><style>body{font-family:sans-serif;margin:40px;color:#333}h1{color:#2a5285}"
      "input{font-size:18px;padding:6px;width:360px}label{font-size:15px}"
      "button{font-size:18px;padding:8px 24px;background:#2a5285;color:white;border:0;border-radius:4px}</style>"
      "</head><body><h1>" +
      text("USERNAME") + "</h1><form method='post'>" + field(text("USERNAMEINPUT"), "text", "demo") +
      field(text("EMAILSETTINGS"), "email", "demo@example.com") + field(text("PASSWORDINPUT"), "password", "secret") +
      field(text("PASSWORDRETYPEINPUT"), "password", "") + "<button type='submit'>" + text("SAVE") +
      "</button></form></body></html>";
  page->contentWebView()->loadHTMLString(form, "https://demo.invalid/account");
  return waitFor([&] {
    auto& web = *page->contentWebView();
    return !web.isLoading() && web.hasPicture() && !svc::WebEngine::isBusy();
  }, 30) || fail("the page did not load");
}

bool ScreenshotTour::showCatalogSearch() {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto* store = DataAccessManager::sharedDataModel();
  auto catalog = catalogScreen();
  auto products = store ? store->getAllProducts() : std::vector<marvisto_product_Entity>{};
  if (!catalog || products.empty()) return fail("no catalogue");
  // The first word of the first product's name, typed into the search field.
  const std::string& name = products.front().product_name;
  const std::string word = name.substr(0, name.find(' '));
  if (!tapView(catalog->searchBar())) return false;
  ui::HeadlessDriver d(app_->window());
  d.typeText(word);
  onClose([this, catalog] {
    if (auto popover = catalog->serchController()) popover->dismissPopoverAnimated(false);
    catalog->searchBar().setText("");
    app_->window()->endEditing(true);
  });
  return waitFor([&] { return catalog->serchController() && catalog->serchController()->isPopoverVisible(); }, 5) ||
         fail("no search results for \"" + word + "\"");
}

bool ScreenshotTour::showCatalogList(bool favourites) {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen();
  if (!catalog) return fail("no catalogue");
  if (favourites) {
    catalog->btnFavoritesClicked();
  } else {
    catalog->btnCompareClicked();
  }
  onClose([catalog] { catalog->dismissPopController(false); });
  return waitFor([&] { return catalog->presentedViewController() != nullptr; }, 5) || fail("the list did not open");
}

bool ScreenshotTour::showSortMenu() {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen();
  if (!catalog) return fail("no catalogue");
  const std::size_t before = app_->window()->overlay().subviews().size();
  if (!tapControl(text(CatalogViewController::orderingNames().front()), catalog->view().get())) return false;
  return waitFor([&] { return app_->window()->overlay().subviews().size() > before; }, 5) || fail("no sort menu");
}

bool ScreenshotTour::showAddToOrder(bool picker) {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen();
  if (!catalog) return fail("no catalogue");
  ui::HeadlessDriver d(app_->window());
  // The first product on the grid whose add button asks for its attributes.
  for (DetailCell* cell : d.findAllOf<DetailCell>(catalog->view().get())) {
    const std::size_t before = app_->window()->overlay().subviews().size();
    if (!tapView(cell->addOrderBtn())) continue;
    if (!waitFor([&] { return app_->window()->overlay().subviews().size() > before; }, 1)) continue;
    if (!picker) return true;
    auto* list = d.findFirstOf<ProductAttributesListView>(&app_->window()->overlay());
    if (!list) return fail("the popover shows no attributes");
    auto& names = list->leftNameTableView();
    auto* first = names.numberOfRowsInSection(0) > 0 ? names.cellForRowAtIndexPath({0, 0}) : nullptr;
    if (!first || !tapView(*first)) return fail("no attribute to choose");
    return waitFor([&] { return list->openIndex() >= 0; }, 5) || fail("the attribute's choices did not open");
  }
  return fail("no product on the grid asks for attributes");
}

// ---- customers ---------------------------------------------------------------------------------

namespace {

std::shared_ptr<CustomerViewController> customerScreen() {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<CustomerViewController>(tab->screen(MainTabScreens::kCustomer)) : nullptr;
}

// The customer with the most to show: addresses and contacts.
int fullestCustomer(const CustomerDataModel& directory) {
  int chosen = directory.customerInfoDic().begin()->first;
  std::size_t most = 0;
  for (const auto& [id, entry] : directory.customerInfoDic()) {
    const std::size_t rows = entry.address.size() + entry.contact.size();
    if (rows > most) {
      most = rows;
      chosen = id;
    }
  }
  return chosen;
}

// The form scrolled down to its contacts, the first one's header at the top
// (each contact shows under its own header in view mode).
bool showFirstContact() {
  auto screen = customerScreen();
  if (!screen) return false;
  auto form = screen->customerInfo();
  const auto& groups = form->customerInfoGroupData();
  const long firstContact = groups.companyCount() + 1;
  auto rows = form->tableCustomerInfo();
  if (groups.customerContactData().empty() || rows->numberOfSections() <= firstContact) return false;
  const double top = rows->rectForHeaderInSection(firstContact).y();
  const double end = std::max(0.0, rows->contentSize().height - rows->bounds().height());
  rows->setContentOffset({0, std::min(top, end)});
  ui::View::layoutPendingViews();
  return true;
}

}  // namespace

bool ScreenshotTour::showCustomerMode(long segment) {
  if (!showTab(MainTabScreens::kCustomer)) return false;
  auto screen = customerScreen();
  if (!screen) return fail("no customer screen");
  auto& modes = screen->customerList()->sortSegmentedCtrl();
  if (segment >= static_cast<long>(modes.numberOfSegments())) return fail("no such list mode");
  modes.setSelectedSegmentIndex(segment);
  modes.sendActionsForControlEvents(ui::ControlEventValueChanged);
  onClose([&modes] {
    modes.setSelectedSegmentIndex(0);
    modes.sendActionsForControlEvents(ui::ControlEventValueChanged);
  });
  return true;
}

bool ScreenshotTour::showCustomer(bool edit) {
  if (!showTab(MainTabScreens::kCustomer)) return false;
  auto screen = customerScreen();
  auto directory = CustomerDataModel::sharedInstance();
  if (!screen || !directory || directory->customerInfoDic().empty()) return fail("no customers");
  screen->customerList()->selectedCustomer(fullestCustomer(*directory));
  settle();
  if (!edit) return true;
  // The first customer the representative may change (one entered on the device).
  auto form = screen->customerInfo();
  for (const auto& [id, entry] : directory->customerInfoDic()) {
    if (ui::HeadlessDriver::isVisible(form->editButton())) break;
    screen->customerList()->selectedCustomer(id);
    settle(0.1);
  }
  if (!ui::HeadlessDriver::isVisible(form->editButton())) return fail("no customer may be edited");
  if (!tapView(form->editButton())) return false;
  onClose([this, form] { tapView(form->cancelButton()); });
  return form->isEditing() || fail("the form did not go into edit mode");
}

bool ScreenshotTour::showNewCustomer() {
  if (!showTab(MainTabScreens::kCustomer)) return false;
  auto screen = customerScreen();
  if (!screen || !tapView(screen->customerList()->addNewCustomerButton())) return fail("no new-customer button");
  auto form = screen->customerInfo();
  if (!form->isCreating()) return fail("no new customer form");
  // Kept: the next step edits it (only a customer entered on the device can be).
  onClose([this, form] {
    if (!tapView(form->doneButton())) tapView(form->cancelButton());
    settle(0.5);
  });
  form->addConctact();
  auto table = form->tableCustomerInfo();
  ui::HeadlessDriver d(app_->window());
  // Types into the first row of the group in that table section whose label is
  // the key's text.
  auto type = [&](long section, const char* key, const std::string& value) {
    const long rows = table->numberOfRowsInSection(section);
    for (long row = 0; row < rows; ++row) {
      table->scrollToRowAtIndexPath({section, row}, ui::TableViewScrollPosition::Middle, false);
      ui::View::layoutPendingViews();
      auto* cell = dynamic_cast<CustomerAttributeCell*>(table->cellForRowAtIndexPath({section, row}));
      if (!cell || cell->lblFiledName().text() != text(key) || cell->txtAttributeValue().isHidden()) continue;
      d.tap(cell->txtAttributeValue());
      d.typeText(value);
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
  return true;
}

// ---- library -----------------------------------------------------------------------------------

namespace {

std::shared_ptr<SaleslibraryController> libraryScreen() {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<SaleslibraryController>(tab->screen(MainTabScreens::kSalesLibrary)) : nullptr;
}

}  // namespace

bool ScreenshotTour::stageLibraryDownload() {
  auto manager = SaleslibraryModel::sharedInstance();
  auto file = manager ? fileToDownload(*manager) : std::nullopt;
  if (!file || !held_) return fail("no file left to download");
  held_->hold(true);
  manager->sendRequest(SaleslibraryModel::requestForFile(*file));
  held_->hold(false);
  held_->report(0.4f);
  onClose([manager] {
    for (const auto& name : std::vector<std::string>(manager->downloadFileNameArray()))
      manager->cancelDownloadFile(name);
  });
  auto library = libraryScreen();
  if (library && !library->detailViewsArray().empty())
    library->detailViewsArray().front()->reloadDataWithPostNoti(true, false);
  return true;
}

bool ScreenshotTour::showLibrary(bool collection) {
  if (!showTab(MainTabScreens::kSalesLibrary)) return false;
  auto library = libraryScreen();
  if (!library) return fail("no library screen");
  if (!collection) return stageLibraryDownload();
  // The tab strip's tab, a button or a title drawn as a label.
  ui::HeadlessDriver d(app_->window());
  ui::View* title = d.findControl(text("MYCOLLECTION"), library->view().get());
  if (!title) title = d.findByText(text("MYCOLLECTION"), library->view().get());
  if (!title || !tapView(*title)) return fail("no My Collection tab");
  onClose([this, library] {
    ui::HeadlessDriver d(app_->window());
    if (ui::View* title = d.findByText(text("MYLIBRARY"), library->view().get())) tapView(*title);
  });
  return waitFor([&] { return library->detailViewsArray().size() > 1; }, 5) || fail("the collection did not open");
}

bool ScreenshotTour::showLibraryFileCard() {
  if (!showTab(MainTabScreens::kSalesLibrary)) return false;
  auto library = libraryScreen();
  auto manager = SaleslibraryModel::sharedInstance();
  if (!library || library->detailViewsArray().empty() || !manager) return fail("no library");
  auto& grid = *library->detailViewsArray().front();
  // A file still to download.
  for (const auto& file : grid.libfilesArray()) {
    if (manager->isExists(file.file_id) || manager->isInDownloadList(file.file_name)) continue;
    grid.selectShowInfo(file);
    onClose([this, &grid] {
      if (auto card = grid.descriptionController()) card->dismissViewControllerAnimated(false);
      waitFor([&] { return !grid.presentedViewController(); }, 5);
    });
    return waitFor([&] { return grid.presentedViewController() != nullptr; }, 5) || fail("no file card");
  }
  return fail("every file is on the device");
}

bool ScreenshotTour::showLibraryViewer(const char* type) {
  if (!showTab(MainTabScreens::kSalesLibrary)) return false;
  auto library = libraryScreen();
  auto manager = SaleslibraryModel::sharedInstance();
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (!library || library->detailViewsArray().empty() || !manager || !nav) return fail("no library");
  auto& grid = *library->detailViewsArray().front();
  for (const auto& file : grid.libfilesArray()) {
    // A file waiting for its update opens its old version: show a plain one.
    const auto state = LibraryFileState::of(*manager, file);
    if (file.type != type || !state.present || state.pendingUpdate) continue;
    grid.selectDownloadedFile(file.file_name, file.type);
    if (nav->viewControllers().size() == 1) return fail("the file did not open");
    if (auto* video = dynamic_cast<VideoViewController*>(nav->topViewController())) {
      auto movie = video->moviePlayer();
      waitFor([&] { return !movie || movie->framesShown() > 0 || movie->state() == svc::MoviePlayer::State::Failed; },
              10);
      onClose([video] { video->btnbackClicked(); });
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
    return true;
  }
  return fail(std::string("no ") + type + " file on the device");
}

bool ScreenshotTour::showReader(int view) {
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  const char* pdfFolder = PublicFunction::folderForFileType(5);
  if (!folder || !pdfFolder) return fail("no client folder");
  std::vector<fs::path> pdfs;
  std::error_code ec;
  for (fs::directory_iterator it(*folder / pdfFolder, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".pdf") pdfs.push_back(it->path());
  std::sort(pdfs.begin(), pdfs.end());
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (pdfs.empty() || !nav) return fail("no library PDF on the device");
  auto decision = LibraryFileOpener::decide("PDF", pdfs.front(), PublicFunction::getDeviceType());
  if (!LibraryViewers::open(decision, pdfs.front().stem().string(), nav)) return fail("the PDF did not open");
  auto reader = std::dynamic_pointer_cast<ReaderViewController>(nav->viewControllers().back());
  if (!reader) return fail("no PDF reader");
  onClose([this, reader] {
    if (reader->presentedViewController()) reader->dismissViewControllerAnimated(false);
    reader->dismissReaderViewController();
  });
  waitFor([&] { return reader->currentPage() > 0; }, 5);
  // Pictures wait for the page's tiles and thumbnails.
  auto sharp = [&] {
    ui::HeadlessDriver d(app_->window());
    for (int i = 0; i < 10; ++i) {
      d.render();
      waitFor(
          [&] {
            ReaderThumbQueue::sharedInstance().waitUntilIdle();
            auto it = reader->contentViews().find(reader->currentPage());
            auto* page = it == reader->contentViews().end() ? nullptr : it->second->theContentView().get();
            return !page || page->tiles()->pendingCount() == 0;
          },
          30);
    }
  };
  if (view == 1) {
    auto it = reader->contentViews().find(reader->currentPage());
    if (it == reader->contentViews().end()) return fail("no page shown");
    auto& page = *it->second;
    for (int i = 0; i < 3; ++i) page.loopZoom();
    settle(0.5);
    page.setContentOffset(ui::Point{page.contentSize().width / 3, page.contentSize().height / 4});
  } else if (view == 2) {
    reader->tappedInToolbarThumbsButton(*reader->mainToolbar(), *reader->mainToolbar()->thumbsButton());
    if (!waitFor([&] { return reader->presentedViewController() != nullptr; }, 5)) return fail("no thumbnails screen");
    waitFor(
        [] {
          ReaderThumbQueue::sharedInstance().waitUntilIdle();
          return false;
        },
        1);
    return true;
  }
  sharp();
  return true;
}

// ---- orders ----------------------------------------------------------------------------------

namespace {

std::shared_ptr<QuoteOrderHistoryController> orderList() {
  auto app = MarvistoAppDelegate::current();
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<QuoteOrderHistoryController>(tab->screen(MainTabScreens::kQuoteOrder))
             : nullptr;
}

}  // namespace

bool ScreenshotTour::showOrderEditor(int what) {
  if (!showTab(MainTabScreens::kQuoteOrder)) return false;
  auto list = orderList();
  auto* nav = list ? list->navigationController() : nullptr;
  if (!nav || list->selectOrders().empty()) return fail("no orders");
  // The newest unsubmitted order.
  long row = -1;
  for (std::size_t i = 0; i < list->selectOrders().size() && row < 0; ++i) {
    if (!list->selectOrders()[i]->isUploaded()) row = static_cast<long>(i);
  }
  if (row < 0) return fail("no unsubmitted order");
  list->openOrderAtRow(row);
  onClose([this, nav] {
    nav->popToRootViewControllerAnimated(false);
    waitFor([&] { return nav->viewControllers().size() == 1; }, 5);
  });
  if (!waitFor([&] { return dynamic_cast<QuoteOrderViewController*>(nav->topViewController()) != nullptr; }, 5))
    return fail("the order editor did not open");
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  settle();
  ui::HeadlessDriver d(app_->window());
  if (what < 0) return true;
  // A saved order opens to be read; its Edit button opens it for changes.
  if (editor->btnSave().tag() == QuoteOrderEditorModel::kEditTag && !tapView(editor->btnSave())) return false;
  if (what == 3) {
    // A line's quantity typed as 0 and the delete prompt answered Cancel:
    // the line and its quantity are back.
    auto* line = dynamic_cast<QuoteOrderItemsTableViewCell*>(editor->table().cellForRowAtIndexPath({0, 0}));
    if (!line) return fail("the order has no line");
    TZTextField& quantity = line->quantityTextField();
    if (!tapView(quantity)) return false;
    for (std::size_t i = quantity.text().size(); i > 0; --i) d.pressBackspace();
    d.typeText("0");
    d.pressReturn();
    if (!waitFor([] { return ui::AlertView::visibleAlert() != nullptr; }, 5)) return fail("no delete prompt");
    d.pressAlertButton(0);  // Cancel
    return waitFor([] { return ui::AlertView::visibleAlert() == nullptr; }, 5) || fail("the prompt stayed");
  }
  if (what == 2) {
    // The address is typed in its popover for a customer the book does not
    // hold: a new one, typed in place of the order's.
    if (!tapView(editor->txtCustomer())) return false;
    for (std::size_t i = editor->txtCustomer().text().size(); i > 0; --i) d.pressBackspace();
    d.typeText("Lindqvist Interiors");
    if (!tapView(editor->txtAddress())) return false;
    return waitFor([&] { return editor->addressPopover() && editor->addressPopover()->isPopoverVisible(); }, 5) ||
           fail("no address popover");
  }
  // An order discount, typed into its popover as the representative gives it.
  if (!tapView(editor->btnDiscount())) return false;
  if (!waitFor([&] { return editor->discountPopover() && editor->discountPopover()->isPopoverVisible(); }, 5))
    return fail("no discount popover");
  auto field = editor->discountPop() ? editor->discountPop()->txtDiscountRat() : nullptr;
  if (!field || !tapView(*field)) return fail("no discount field");
  // The rate is the share of the price the customer pays: 90 % is 10 % off.
  for (std::size_t i = field->text().size(); i > 0; --i) d.pressBackspace();
  d.typeText("90");
  if (what == 1) return true;
  d.pressReturn();
  settle();
  if (editor->discountPopover()->isPopoverVisible()) d.tapAt({2, 766});
  settle();
  return true;
}

bool ScreenshotTour::showOrderForm(bool signature) {
  if (!showOrderEditor(-1)) return false;
  auto list = orderList();
  auto* nav = list->navigationController();
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  if (!editor || !tapView(editor->btnPDF())) return fail("no order form button");
  if (!waitFor([&] { return dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController()) != nullptr; }, 5))
    return fail("the order form did not open");
  if (!signature) return true;
  auto* form = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
  if (!form->pdfCreater()) return fail("no order form");
  auto tab = app_->tabBarController();
  // The pad opens over whichever screen the form presents from.
  auto pad = [form, nav, tab]() -> PainterViewController* {
    for (ui::ViewController* c : {static_cast<ui::ViewController*>(form), static_cast<ui::ViewController*>(nav),
                                  static_cast<ui::ViewController*>(tab.get())}) {
      if (auto* p = c ? dynamic_cast<PainterViewController*>(c->presentedViewController()) : nullptr) return p;
    }
    return nullptr;
  };
  form->pdfCreater()->signatureTapped();
  if (!waitFor([&] { return pad() != nullptr; }, 5)) return fail("no signature pad");
  // A signature being drawn, as the customer would begin.
  ui::HeadlessDriver d(app_->window());
  d.drag({{260, 330}, {340, 290}, {420, 260}, {490, 300}, {560, 340}, {640, 300}, {720, 270}});
  auto back = close_;
  onClose([this, pad, back] {
    if (auto* p = pad()) p->cancelButtonTapped();
    waitFor([&] { return pad() == nullptr; }, 5);
    if (back) back();
  });
  return true;
}

// ---- settings --------------------------------------------------------------------------------

bool ScreenshotTour::showSettings(int page) {
  auto tab = app_->tabBarController();
  if (!tab || !tapView(tab->button(MainTabScreens::kSettings).btn())) return fail("no settings button");
  if (!waitFor([&] { return tab->presentedViewController() != nullptr; }, 5)) return fail("the settings did not open");
  auto* nav = dynamic_cast<ui::NavigationController*>(tab->presentedViewController());
  auto* settings = nav ? dynamic_cast<SettingsViewController*>(nav->topViewController()) : nullptr;
  if (!settings) return fail("no settings screen");
  onClose([settings] { settings->doneButtonTapped(); });
  if (page < 0) return true;
  const int wanted = page >= 100 ? SettingsCellEntity::kAccount : page;
  // The row of that page, wherever the configuration puts it.
  std::optional<ui::IndexPath> row;
  for (const auto& [section, items] : settings->groups()) {
    for (std::size_t i = 0; i < items.size() && !row; ++i) {
      if (items[i].cellType == wanted) row = ui::IndexPath{section, static_cast<long>(i)};
    }
  }
  if (!row) return fail("no such settings row");
  auto table = settings->tableView();
  auto* cell = table->cellForRowAtIndexPath(*row);
  if (!cell || !tapView(*cell)) return fail("the settings row is not on screen");
  if (!waitFor([&] { return nav->viewControllers().size() == 2; }, 5)) return fail("the page did not open");
  if (page < 100) return true;
  // The account page's row to the web administration.
  auto* account = dynamic_cast<SettingsViewController*>(nav->topViewController());
  if (!account) return fail("no account page");
  // Its row to the web administration, by what it says.
  ui::HeadlessDriver d(app_->window());
  ui::View* link = d.findByText(text("OPENCMS"), account->view().get());
  if (!link || !tapView(*link)) return fail("the web administration row is not on screen");
  if (auto alert = ui::AlertView::visibleAlert()) {
    // This user may not administer: the alert offers to open the page anyway.
    if (!tapControl(text("OPENCMS"))) alert->dismissWithClickedButtonIndex(1, false);
  }
  if (!waitFor([&] { return account->presentedViewController() != nullptr; }, 5)) return fail("no web page");
  settle(1.0);
  return true;
}

void ScreenshotTour::startSignIn() {
  auto w = welcome();
  if (!w) return;
  if (auto guide = w->guideView()) guide->endShowGuide();
  if (o_.demo) {
    w->login(std::string(LoginMode::kDemoClientZDuvo));
  } else if (!o_.client.empty()) {
    signInFromPanel(*w, o_);
  }
}

}  // namespace mv
