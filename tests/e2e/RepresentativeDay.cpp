#include "RepresentativeDay.hpp"

#include "catalog/CatalogFeature.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/DetailCell.hpp"
#include "catalog/DetailViewController.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/grid/GridView.hpp"
#include "customer/CustomerFeature.hpp"
#include "customer/CustomerAttributeCell.hpp"
#include "customer/CustomerInfoGroupData.hpp"
#include "customer/CustomerInfoView.hpp"
#include "customer/CustomerListView.hpp"
#include "customer/CustomerViewController.hpp"
#include "library/LibraryFeature.hpp"
#include "order/OrderFeature.hpp"
#include "order/AddToOrderController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderStore.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/settings/SettingsCellEntity.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "shell/sync-screens/BackupAndRestoreViewController.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncScreens.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "sync/SyncModel.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {

void RepresentativeDay::installFeatures(FeatureWiring& wiring) {
  // The same features, in the same order, as the application binary.
  SyncScreens::install(wiring);
  CatalogFeature::install(wiring);
  CustomerFeature::install(wiring);
  LibraryFeature::install(wiring);
  OrderFeature::install(wiring);
}

void RepresentativeDay::TearDown() {
  // Its connections go before the service they lead to.
  if (proxy_) proxy_->stop();
  ScreenFlowTest::TearDown();
  if (!formerRoots_.empty()) PublicFunction::setDeviceUDIDSlotDirectory({});
  for (const auto& former : formerRoots_) {
    std::error_code ec;
    std::filesystem::remove_all(former, ec);
  }
}

StallingProxy& RepresentativeDay::fileServerProxy() {
  if (!proxy_) {
    proxy_ = std::make_unique<StallingProxy>(service->filePort());
    std::string error;
    EXPECT_TRUE(proxy_->start(&error)) << error;
  }
  base::UserDefaults::standard().setInteger("ImagePort", proxy_->port());
  return *proxy_;
}

std::string RepresentativeDay::fileServer() const {
  const ServerInfo server = PublicFunction::GetServer();
  return server.imageIP + ":" + std::to_string(server.imageHttpPort);
}

void RepresentativeDay::start() {
  service->backend().prepare();  // the sample data built now, not while a sign-in waits
  launchAgainstService();
}

bool RepresentativeDay::signIn(const std::string& user, const std::string& password, const std::string& client) {
  if (!typeLogin(user, password, client)) return false;
  return waitFor([&] { return !app->isWelcomeRoot(); }) && tabBar() != nullptr;
}

bool RepresentativeDay::typeLogin(const std::string& user, const std::string& password, const std::string& client) {
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
  return true;
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

DetailViewController& RepresentativeDay::grid() {
  openTab(MainTabScreens::kCatalog);
  auto screen = catalog();
  EXPECT_TRUE(screen);
  return *screen->detailViewController();
}

namespace {
// The pieces in the current order, every line counted.
int piecesInOrder() {
  auto order = QuoteOrderStore::sharedInstance()->addQuoteOrder();
  int pieces = 0;
  if (order) {
    for (const auto& line : order->items) pieces += line->quantity;
  }
  return pieces;
}
}  // namespace

bool RepresentativeDay::reachable(const ui::View& view) {
  settle();
  const auto frame = view.convertRectToView(view.bounds(), nullptr);
  ui::View* hit = app->window()->hitTest(frame.center(), nullptr);
  return hit && (hit == &view || hit->isDescendantOfView(&view));
}

std::shared_ptr<DetailCell> RepresentativeDay::showCard(std::size_t index) {
  DetailViewController& products = grid();
  products.productShowView().scrollToItemAtIndex(index, GridViewScrollPositionMiddle, false);
  settle();
  auto card = products.cardAt(index);
  if (!card) return nullptr;
  // The first column lies under the category panel: it goes aside.
  if (!reachable(card->addOrderBtn()) && !catalog()->isMasterViewHiddened()) {
    tap(catalog()->btnMenu());
    settle(CatalogViewController::kPanelDuration + 0.1);
    card = products.cardAt(index);
  }
  return card && reachable(card->addOrderBtn()) ? card : nullptr;
}

bool RepresentativeDay::addFromGrid(std::size_t index) {
  DetailViewController& products = grid();
  auto card = showCard(index);
  if (!card) return false;
  const int before = piecesInOrder();
  tap(card->addOrderBtn());
  if (auto popover = products.addToOrderPopController(); popover && popover->isPopoverVisible()) {
    auto chooser = std::dynamic_pointer_cast<AddToOrderController>(popover->contentViewController());
    if (!chooser) return false;
    ProductAttributesListView& list = chooser->attributeList();
    for (std::size_t row = 0; row < list.attributeAry().size(); ++row) {
      if (!list.leftNameTableView().tapRowAtIndexPath({0, static_cast<long>(row)})) return false;
      settle();
      if (!list.rightValueTableView().tapRowAtIndexPath({0, 0})) return false;
      settle();
    }
    tap(chooser->okButton());
  }
  return piecesInOrder() > before;
}

QuoteOrderViewController* RepresentativeDay::ordersTab() {
  openTab(MainTabScreens::kQuoteOrder);
  auto list = orders();
  if (!list || !list->navigationController()) return nullptr;
  settle(0.5);
  return dynamic_cast<QuoteOrderViewController*>(list->navigationController()->topViewController());
}

void RepresentativeDay::tapSegment(ui::SegmentedControl& control, std::size_t index) {
  const auto where = control.convertRectToView(control.rectForSegmentAtIndex(index), nullptr);
  driver().tapAt(where.center());
  settle();
}

void RepresentativeDay::dragUp(const ui::View& view) {
  const auto frame = view.convertRectToView(view.bounds(), nullptr);
  const double x = frame.midX();
  driver().drag({{x, frame.maxY() - 20}, {x, frame.maxY() - 120}, {x, frame.maxY() - 220}, {x, frame.y() + 20}});
  settle();
}

void RepresentativeDay::chooseCustomer(QuoteOrderViewController& editor, const std::string& name) {
  tap(editor.txtCustomer());
  driver().typeText(name);
  settle();
  driver().pressReturn();
  settle();
  // The list of matching customers stays open until a tap beside it.
  if (editor.searchPopover() && editor.searchPopover()->isPopoverVisible()) tap(editor.lblTotal());
}

std::pair<std::string, std::string> RepresentativeDay::answerTheOneAlert(long button, double quiet) {
  std::pair<std::string, std::string> said;
  EXPECT_TRUE(waitFor([&] { return alert() != nullptr; }, 10)) << "no alert";
  auto shown = ui::AlertView::showingAlerts();
  EXPECT_EQ(shown.size(), 1u);
  auto a = alert();
  if (!a) return said;
  said = {a->title(), a->message()};
  press(button);
  EXPECT_FALSE(waitFor([&] { return alert() != nullptr; }, quiet))
      << "a second alert: " << alertTitle() << " after " << said.first;
  return said;
}

SettingsViewController* RepresentativeDay::openSettings() {
  auto tab = tabBar();
  if (!tab) return nullptr;
  tap(tab->button(MainTabScreens::kSettings).btn());
  if (!waitFor([&] { return tab->presentedViewController() != nullptr; }, 5)) return nullptr;
  settle();
  auto* nav = dynamic_cast<ui::NavigationController*>(tab->presentedViewController());
  return nav ? dynamic_cast<SettingsViewController*>(nav->topViewController()) : nullptr;
}

BackupAndRestoreViewController* RepresentativeDay::openBackupPage() {
  SettingsViewController* settings = openSettings();
  if (!settings) return nullptr;
  const auto& rows = settings->groups().at(1);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].cellType != SettingsCellEntity::kBackupAndRestore) continue;
    settings->tableView()->tapRowAtIndexPath({1, static_cast<long>(i)});
    auto* nav = settings->navigationController();
    if (!waitFor([&] { return nav->viewControllers().size() == 2; }, 5)) return nullptr;
    settle();
    return dynamic_cast<BackupAndRestoreViewController*>(nav->topViewController());
  }
  return nullptr;
}

void RepresentativeDay::closeSettings() {
  auto tab = tabBar();
  if (!tab || !tab->presentedViewController()) return;
  // Back to the settings' first page, whose Done closes them.
  auto* nav = dynamic_cast<ui::NavigationController*>(tab->presentedViewController());
  if (nav && nav->viewControllers().size() > 1) {
    nav->popToRootViewControllerAnimated(false);
    settle();
  }
  ASSERT_TRUE(tapControl(en("DONE")));
  ASSERT_TRUE(waitFor([&] { return tab->presentedViewController() == nullptr; }, 5));
}

void RepresentativeDay::chooseLanguage(long row) {
  SettingsViewController* settings = openSettings();
  ASSERT_TRUE(settings);
  const auto& rows = settings->groups().at(2);
  ASSERT_FALSE(rows.empty());
  ASSERT_EQ(rows[0].cellType, SettingsCellEntity::kLanguage);
  ui::TableViewCell* languageRow = settings->tableView()->cellForRowAtIndexPath({2, 0});
  ASSERT_TRUE(languageRow);
  tap(*languageRow);
  auto* nav = settings->navigationController();
  ASSERT_TRUE(waitFor([&] { return nav->viewControllers().size() == 2; }, 5));
  settle();
  auto* languages = dynamic_cast<SettingsViewController*>(nav->topViewController());
  ASSERT_TRUE(languages);
  ui::TableViewCell* choice = languages->tableView()->cellForRowAtIndexPath({0, row});
  ASSERT_TRUE(choice);
  tap(*choice);
  settle();
  closeSettings();
  settle();
}

bool RepresentativeDay::signOut() {
  SettingsViewController* settings = openSettings();
  if (!settings) return false;
  settings->tableView()->tapRowAtIndexPath({3, 0});
  settle();
  if (alertTitle() != en("LOGOUTSETTINGS")) return false;
  press(1);
  return waitFor([&] { return app->isWelcomeRoot(); }, 5);
}

void RepresentativeDay::newDevice(const std::filesystem::path& dataRoot) {
  resetShell();
  formerRoots_.push_back(root);
  root = dataRoot.empty() ? makeTempDir("new-device") : dataRoot;
  base::Paths::setRoot(root);
  base::UserDefaults::resetStandard();
  // A device of its own, with an identifier of its own.
  PublicFunction::setDeviceUDIDSlotDirectory(root / "device-id");
  LoginMode::installWaitBox();
  LanguageManager::sharedInstance().setCurrentLanguage(1);
  launchAgainstService();
}

CustomerInfoView* RepresentativeDay::newCustomerForm() {
  openTab(MainTabScreens::kCustomer);
  auto book = customers();
  if (!book || !book->customerInfo()) return nullptr;
  tap(book->customerList()->addNewCustomerButton());
  // Right after a sync the form waits for the book the sync brought.
  waitFor([&] { return book->customerInfo()->isCreating(); }, 10);
  return book->customerInfo()->isCreating() ? book->customerInfo().get() : nullptr;
}

void RepresentativeDay::typeInto(CustomerInfoView& form, long section, const std::string& key,
                                 const std::string& value) {
  const auto* group = form.customerInfoGroupData().groupOfSection(section, form.isEditing());
  ASSERT_TRUE(group) << key;
  long row = -1;
  for (std::size_t r = 0; r < group->customerAttributes.size(); ++r) {
    if (group->customerAttributes[r].fieldName == en(key)) row = static_cast<long>(r);
  }
  ASSERT_GE(row, 0) << key;
  auto& table = *form.tableCustomerInfo();
  table.scrollToRowAtIndexPath({section, row}, ui::TableViewScrollPosition::Middle, false);
  settle();
  auto* cell = dynamic_cast<CustomerAttributeCell*>(table.cellForRowAtIndexPath({section, row}));
  ASSERT_TRUE(cell) << key;
  tap(cell->txtAttributeValue());
  while (!cell->txtAttributeValue().text().empty()) driver().pressBackspace();
  driver().typeText(value);
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
