#include "RepresentativeDay.hpp"

#include "catalog/CatalogScreens.hpp"
#include "catalog/CatalogViewController.hpp"
#include "customer/CustomerScreens.hpp"
#include "customer/CustomerViewController.hpp"
#include "library/LibraryServices.hpp"
#include "order/OrderFeature.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "sync/SyncModel.hpp"

namespace mv::test {

namespace {
// What the features' installs left for logout, run when a flow ends.
SessionHooks installed;
}  // namespace

void RepresentativeDay::installFeatures(SessionHooks& hooks) {
  // The same features, in the same order, as the application binary.
  SyncScreens::install(hooks);
  CatalogScreens::install();
  CustomerScreens::install(hooks);
  LibraryServices::install(hooks);
  OrderFeature::install(hooks);
  installed = hooks;
}

void RepresentativeDay::TearDown() {
  for (const auto& free : {installed.freeQuoteOrderStore, installed.freeCustomerDataModel,
                           installed.freeSaleslibraryModel}) {
    if (free) free();
  }
  installed = {};
  ScreenFlowTest::TearDown();
  OrderFeature::uninstall();
  LibraryServices::uninstall();
  CustomerScreens::uninstall();
  CatalogScreens::uninstall();
  SyncScreens::uninstall();
}

void RepresentativeDay::start() {
  service->backend().prepare();  // the sample data built now, not while a sign-in waits
  launchAgainstService();
}

bool RepresentativeDay::signIn(const std::string& user, const std::string& password, const std::string& client) {
  auto w = welcome();
  if (!w) return false;
  LoginCheckBox& panel = w->loginCheckBox();
  tap(panel.userNameInputText());
  driver().pressClear();
  typeKeys(user);
  tap(panel.passWordInputText());
  driver().pressClear();
  typeKeys(password);
  tap(panel.clientIDInputText());
  driver().pressClear();
  typeKeys(client);
  driver().pressReturn();
  return waitFor([&] { return !app->isWelcomeRoot(); }) && tabBar() != nullptr;
}

bool RepresentativeDay::firstSync() {
  if (!waitFor([&] { return alert() != nullptr; }, 5)) return false;
  if (alertTitle() != en("CONTENTUPDATED")) return false;
  press(1);  // update now: to the Sync tab
  if (tabBar()->iCurSelectTab() != MainTabScreens::kSync) return false;
  if (!syncFromTab()) return false;
  return alert() == nullptr;
}

bool RepresentativeDay::syncFromTab() {
  openTab(MainTabScreens::kSync);
  auto screen = syncScreen();
  if (!screen) return false;
  auto engine = SyncModel::sharedInstance();
  tap(screen->resourceUpdateView().btnsync());
  if (!engine->isDownloading()) return false;
  return waitFor([&] { return !engine->isDownloading(); }, 60);
}

void RepresentativeDay::openTab(int tag) {
  auto tab = tabBar();
  ASSERT_TRUE(tab);
  if (tab->iCurSelectTab() == tag) return;
  tap(tab->button(tag).btn());
  ASSERT_TRUE(waitFor([&] { return tab->iCurSelectTab() == tag; }, 5));
  settle();
}

std::shared_ptr<CatalogViewController> RepresentativeDay::catalog() const {
  auto tab = tabBar();
  return tab ? std::dynamic_pointer_cast<CatalogViewController>(tab->screen(MainTabScreens::kCatalog)) : nullptr;
}

std::shared_ptr<CustomerViewController> RepresentativeDay::customers() const {
  auto tab = tabBar();
  return tab ? std::dynamic_pointer_cast<CustomerViewController>(tab->screen(MainTabScreens::kCustomer)) : nullptr;
}

std::shared_ptr<QuoteOrderHistoryController> RepresentativeDay::orders() const {
  auto tab = tabBar();
  return tab ? std::dynamic_pointer_cast<QuoteOrderHistoryController>(tab->screen(MainTabScreens::kQuoteOrder))
             : nullptr;
}

std::shared_ptr<SyncViewController> RepresentativeDay::syncScreen() const {
  auto tab = tabBar();
  return tab ? std::dynamic_pointer_cast<SyncViewController>(tab->screen(MainTabScreens::kSync)) : nullptr;
}

std::string RepresentativeDay::alertTitle() const {
  auto a = alert();
  return a ? a->title() : std::string();
}

void RepresentativeDay::picture(const std::string& name) {
  settle();
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  const auto file = root / (name + ".png");
  ASSERT_TRUE(driver().snapshot(file));
  keepSnapshot(file);
}

}  // namespace mv::test
