#include "app/ScreenshotTour.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <typeinfo>

#include "app/HeldDownloadsSender.hpp"
#include "app/TerminalReport.hpp"
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
#include "library/LibraryFileState.hpp"
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
#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/WebEngine.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/app/HomeViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/frame/WebViewController.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/session/LoginCheckBox.hpp"
#include "shell/session/LoginItem.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/session/WeclomeViewController.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/settings/SettingsCellEntity.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/sync-screens/SyncInfoItem.hpp"
#include "shell/sync-screens/SyncScreenPresenter.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/PublicFunction.hpp"
#include "util/ServerInfo.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {

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
  const bool onlineTour = !o_.screenshots.empty() && !o_.client.empty();
  // An online tour without the demo signs in within its own steps.
  if (o_.demo || !onlineTour) {
    if (!signIn()) return 1;
    printTabs();
    if (o_.sync && !syncOnce()) return 1;
  }
  if (!o_.screenshots.empty() && o_.demo) {
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
  if (onlineTour) {
    runSteps(syncSteps());
  } else if (!o_.screenshots.empty()) {
    std::puts(
        "No online login given (--client, --user, --password with --server): "
        "the tour leaves out the sync with a sales service.");
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
  auto& loop = base::RunLoop::main();
  const double end = loop.now() + seconds;
  waitFor(
      [&] {
        // Work elsewhere first: a worker's job or a transfer hands its result
        // to the loop before it counts as done, so once these are seen ended,
        // what they handed back is seen on the loop below.
        if (base::WorkQueue::global().pendingCount() != 0 || base::outsideWorkUnderWay() ||
            HttpNetworkCtrl::sharedInstance().transfersUnderWay() != 0)
          return false;
        return loop.secondsUntilDue() > end - loop.now();
      },
      seconds);
}

bool ScreenshotTour::snapshot(const std::string& name, bool settleFirst, int windowWidth, int windowHeight) {
  if (settleFirst) settle();  // let pending work and animations settle
  std::error_code ec;
  fs::create_directories(o_.screenshots, ec);
  ui::HeadlessDriver d(app_->window());
  // A screen that changes by itself is drawn as it stands: running what is
  // due could move it on.
  if (settleFirst) {
    // The large pictures a screen draws (a skin's) are read at the size
    // drawn on the workers: drawn once to ask for them, shown once come.
    d.render();
    base::WorkQueue::global().waitIdle();
    d.flush();
  } else {
    ui::View::layoutPendingViews();
  }
  const fs::path file = fs::path(o_.screenshots) / (name + ".png");
  if (windowWidth > 0 && windowHeight > 0) {
    auto picture = d.renderInDesktopWindow(windowWidth, windowHeight);
    if (!picture || !picture->writePNG(file)) return fail("could not write " + file.string());
  } else if (!d.snapshot(file)) {
    return fail("could not write " + file.string());
  }
  std::printf("Saved %s\n", file.string().c_str());
  return unnamedControls(name);
}

bool ScreenshotTour::unnamedControls(const std::string& picture) {
  ui::HeadlessDriver d(app_->window());
  auto unnamed = d.findAll([](ui::View& v) {
    auto* b = dynamic_cast<ui::Button*>(&v);
    return b && b->isUserInteractionEnabled() && b->currentTitle().empty() && b->accessibilityLabel().empty() &&
           (b->currentImage() || b->currentBackgroundImage());
  });
  for (ui::View* v : unnamed) {
    const ui::Rect r = v->convertRectToView(v->bounds(), nullptr);
    std::fprintf(stderr, "marvisto: %s: a button drawn as a picture alone has no name (%s at %.0f, %.0f, %.0f x %.0f)\n",
                 picture.c_str(), typeid(*v).name(), r.x(), r.y(), r.width(), r.height());
  }
  // Such a button can be found neither by a test nor by a screen reader.
  return unnamed.empty() || fail("a button drawn as a picture alone has no accessibility label");
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
    std::printf("Signing in to the demo company %s...\n", SkinManager::kDemoClientZDuvo);
    LoginItem* shortcut = nullptr;
    ui::HeadlessDriver d(app_->window());
    for (LoginItem* item : d.findAllOf<LoginItem>()) {
      if (item->isDemo() && item->clientId() == SkinManager::kDemoClientZDuvo) shortcut = item;
    }
    if (shortcut) {
      d.tap(*shortcut);
    } else {
      w->login(std::string(SkinManager::kDemoClientZDuvo));
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
  // The service said at sign-in that it holds nothing new: the sync screen
  // starts no run for that, and the device is up to date as it stands,
  // unless the last run left files to fetch again, as it said it would.
  if (!LoginMode::sharedInstance()->needUpdate()) {
    auto engine = SyncModel::sharedInstance();
    if (!SyncModel::filesOwed() || !engine) {
      std::printf("Sync finished: up to date, the service has nothing new; %s.\n", TerminalReport::holdings().c_str());
      return true;
    }
    std::puts("The service has nothing new; fetching again the files the last sync did not take...");
    engine->setNeedUpdate(true);
  }
  // The first sync, as the home screen offers it.
  if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
  app_->showSyncController();
  if (!waitForSyncEnd([&] { return ended; })) {
    std::printf("Sync failed: %s\n", stillLine().c_str());
    return false;
  }
  return finished;
}

bool ScreenshotTour::waitForSyncEnd(const std::function<bool()>& ended) {
  auto engine = SyncModel::sharedInstance();
  if (!engine) return ended();
  base::RunLoop& loop = base::RunLoop::main();
  std::uint64_t seen = engine->movement();
  double stillSince = loop.now();
  // Looked at once a second, which is as closely as the stillness is measured.
  while (!waitFor(ended, 1.0)) {
    if (const std::uint64_t now = engine->movement(); now != seen) {
      seen = now;
      stillSince = loop.now();
    } else if (loop.now() - stillSince >= o_.stillSeconds) {
      return false;
    }
  }
  return true;
}

std::string ScreenshotTour::stillLine() const {
  char line[160];
  std::snprintf(line, sizeof line,
                "nothing moved for %.0f seconds (no byte sent or received, no row stored, no file taken)",
                o_.stillSeconds);
  return line;
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
    if (!step.show() || !snapshot(name, step.settleFirst, step.windowWidth, step.windowHeight)) {
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
         if (!w) return fail("no welcome screen");
         // A data folder that showed the guide before (any start after the
         // first) has it opened as the first start opens it.
         if (auto shown = w->guideView(); !shown || !shown->superview()) {
           std::puts("The guide was shown before in this data folder; the tour opens it.");
           w->showGuide();
         }
         auto guide = w->guideView();
         if (!guide || !guide->superview()) return fail("the guide does not open");
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
      {"sign-in-selection",
       [this] {
         auto w = welcome();
         if (!w) return fail("no welcome screen");
         auto& field = w->loginCheckBox().userNameInputText();
         if (!tapView(field)) return false;
         ui::HeadlessDriver d(app_->window());
         d.typeText("maria.lindqvist");
         // The family name selected, as a double click on it selects it.
         field.setSelectedRange({6, 9});
         onClose([&field] { field.setText(""); });
         return field.isEditing() || fail("the user name is not being typed");
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
      // The window made wider than the layout on a laptop, and maximised on
      // a large screen: the layout scaled to fit, whole.
      {"window-1366x700", tab(T::kHome), true, 1366, 700},
      {tabName(T::kCatalog), tab(T::kCatalog)},
      {"window-1920x1080", tab(T::kCatalog), true, 1920, 1080},
      {tabName(T::kCatalog) + "-level", [this] { return showCatalogLevel(); }},
      {"catalog-product", [this] { return showProduct(ProductDetailController::kDescriptionPanel); }},
      {"catalog-product-related", [this] { return showProduct(ProductDetailController::kRelatedProductsPanel); }},
      {"catalog-product-materials", [this] { return showProduct(ProductDetailController::kRelatedMaterialsPanel); }},
      {"catalog-product-quantity", [this] { return showProductQuantity(); }},
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
      {"library-office-converting", [this] { return showOfficeConverting(); }, false},
      {"library-office-word", [this] { return showLibraryViewer("WORD"); }},
      {"library-office-excel", [this] { return showLibraryViewer("EXCEL"); }},
      {"library-office-powerpoint", [this] { return showLibraryViewer("PPT"); }},
      {"library-video-player", [this] { return showLibraryViewer("VEDIO"); }},
      {"library-book-reader", [this] { return showLibraryViewer("EPUB"); }},
      {"library-book-right-to-left", [this] { return showBook(false); }},
      {"library-book-fixed-layout", [this] { return showBook(true); }},
      {"reader", [this] { return showReader(0); }},
      {"reader-zoomed", [this] { return showReader(1); }},
      {"reader-thumbnails", [this] { return showReader(2); }},
      {"web-page-form", [this] { return showWebPage(false); }},
      {"web-page-drop-down", [this] { return showWebPage(true); }},
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

// ---- settings --------------------------------------------------------------------------------

namespace {

// The settings row of that kind, wherever the configuration puts it,
// scrolled into view.
ui::TableViewCell* settingsRow(SettingsViewController& settings, int type) {
  std::optional<ui::IndexPath> row;
  for (const auto& [section, items] : settings.groups()) {
    for (std::size_t i = 0; i < items.size() && !row; ++i) {
      if (items[i].cellType == type) row = ui::IndexPath{section, static_cast<long>(i)};
    }
  }
  if (!row) return nullptr;
  auto table = settings.tableView();
  table->scrollToRowAtIndexPath(*row, ui::TableViewScrollPosition::Middle, false);
  ui::View::layoutPendingViews();
  return table->cellForRowAtIndexPath(*row);
}

}  // namespace

SettingsViewController* ScreenshotTour::openSettings() {
  auto tab = app_->tabBarController();
  if (!tab || !tapView(tab->button(MainTabScreens::kSettings).btn())) {
    fail("no settings button");
    return nullptr;
  }
  if (!waitFor([&] { return tab->presentedViewController() != nullptr; }, 5)) {
    fail("the settings did not open");
    return nullptr;
  }
  auto* nav = dynamic_cast<ui::NavigationController*>(tab->presentedViewController());
  auto* settings = nav ? dynamic_cast<SettingsViewController*>(nav->topViewController()) : nullptr;
  if (!settings) fail("no settings screen");
  return settings;
}

bool ScreenshotTour::showSettings(int page) {
  SettingsViewController* settings = openSettings();
  if (!settings) return false;
  auto* nav = settings->navigationController();
  onClose([settings] { settings->doneButtonTapped(); });
  if (page < 0) return true;
  const int wanted = page >= 100 ? SettingsCellEntity::kAccount : page;
  auto* cell = settingsRow(*settings, wanted);
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

// ---- the sync with a sales service ------------------------------------------------------------

std::vector<ScreenshotTour::Step> ScreenshotTour::syncSteps() {
  return {
      {"home-sync-offered",
       [this] {
         if (!signInOnlineFromScratch()) return false;
         // A device without the company's data is offered its first sync.
         return waitFor([] {
           auto alert = ui::AlertView::visibleAlert();
           return alert && alert->title() == text("CONTENTUPDATED");
         }, 60) || fail("no sync offered after the sign-in");
       }},
      // Put off above ("Not now"), it is started from the Sync tab.
      {"sync-under-way", [this] { return showSyncUnderWay(); }, false},
      {"sync-finished", [this] { return showSyncFinished(); }},
  };
}

bool ScreenshotTour::signInOnlineFromScratch() {
  if (!app_->isWelcomeRoot()) {
    SettingsViewController* settings = openSettings();
    if (!settings) return false;
    auto* row = settingsRow(*settings, SettingsCellEntity::kLogout);
    if (!row || !tapView(*row)) return fail("no sign-out row");
    if (!waitFor([] { return ui::AlertView::visibleAlert() != nullptr; }, 5)) return fail("no sign-out prompt");
    if (!tapControl(text("SURE"))) return false;
    if (!waitFor([&] { return app_->isWelcomeRoot(); }, 10)) return fail("the sign-out did not end at the welcome screen");
  }
  auto w = welcome();
  if (!w) return fail("no welcome screen");
  settle(0.5);
  std::printf("Signing in to %s as %s at %s...\n", o_.client.c_str(), o_.user.c_str(),
              PublicFunction::GetServer().strIP.c_str());
  signInFromPanel(*w, o_);
  waitFor([&] { return !app_->isWelcomeRoot() || ui::AlertView::visibleAlert() != nullptr; }, 120);
  if (!app_->isWelcomeRoot()) return true;
  auto alert = ui::AlertView::visibleAlert();
  return fail("the online sign-in failed" + (alert ? ": " + alert->message() : std::string()));
}

bool ScreenshotTour::showSyncUnderWay() {
  if (!showTab(MainTabScreens::kSync)) return false;
  auto tab = app_->tabBarController();
  auto screen = std::dynamic_pointer_cast<SyncViewController>(tab->screen(MainTabScreens::kSync));
  if (!screen) return fail("no sync screen");
  syncFinished_.reset();
  auto end = std::make_shared<base::Observation>(
      SyncModel::kSyncEndedNotification, nullptr, [this](const base::Notification& n) {
        const auto it = n.userInfo.is_object() ? n.userInfo.find("finished") : n.userInfo.end();
        syncFinished_ = it != n.userInfo.end() && it->is_boolean() && it->get<bool>();
      });
  // Tapped without the tour's settling: the run starts at once.
  ui::HeadlessDriver d(app_->window());
  if (!d.tapControl(text("GETUPDATES"), screen->view().get())) return fail("no Get Updates button");
  syncEnd_ = std::move(end);
  // The picture is taken as soon as a part's bar stands well between empty
  // and full.
  auto& rows = screen->resourceUpdateView();
  const bool partWay = waitFor([&] {
    if (syncFinished_) return true;
    for (SyncRow r : {SyncRow::Products, SyncRow::Material, SyncRow::Customers}) {
      const SyncInfoItem& row = rows.row(r);
      if (!row.isHidden() && row.progress() >= 0.25f && row.progress() < 1.0f) return true;
    }
    return false;
  }, 120);
  if (syncFinished_) return fail("the sync ended before a part showed its progress");
  return partWay || fail("no part of the sync showed progress");
}

bool ScreenshotTour::showSyncFinished() {
  if (!syncEnd_) return fail("no sync under way");
  const bool ended = waitForSyncEnd([&] { return syncFinished_.has_value(); });
  syncEnd_.reset();
  if (!ended) return fail("the sync was given up: " + stillLine());
  if (!*syncFinished_) return fail("the sync broke off");
  return showTab(MainTabScreens::kSync);
}

void ScreenshotTour::startSignIn() {
  auto w = welcome();
  if (!w) return;
  if (auto guide = w->guideView()) guide->endShowGuide();
  if (o_.demo) {
    w->login(std::string(SkinManager::kDemoClientZDuvo));
  } else if (!o_.client.empty()) {
    signInFromPanel(*w, o_);
  }
}

}  // namespace mv
