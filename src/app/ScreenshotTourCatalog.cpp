// The tour's catalogue and customer steps.
#include "app/ScreenshotTour.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "services/WebEngine.hpp"
#include "services/WebOptionMenu.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/frame/WebViewController.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

// ---- catalogue --------------------------------------------------------------------------------

namespace {

std::shared_ptr<CatalogViewController> catalogScreen(const std::shared_ptr<MarvistoAppDelegate>& app) {
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<CatalogViewController>(tab->screen(MainTabScreens::kCatalog)) : nullptr;
}

}  // namespace

bool ScreenshotTour::showCatalogLevel() {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen(app_);
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
  auto services = SessionServices::current();
  DataAccessManager* store = services ? &services->database() : nullptr;
  auto catalog = catalogScreen(app_);
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

bool ScreenshotTour::showProductQuantity() {
  if (!showProduct(ProductDetailController::kDescriptionPanel)) return false;
  auto* product = dynamic_cast<ProductDetailController*>(catalogScreen(app_)->detailController()->topViewController());
  ui::TextField& quantity = product->countTextField();
  if (!tapView(quantity)) return false;
  ui::HeadlessDriver d(app_->window());
  quantity.selectAll();
  d.typeText("125");
  // Back between the 1 and the 25, where typing would go on.
  quantity.setSelectedRange({1, 0});
  return quantity.isEditing() || fail("the quantity is not being typed");
}

bool ScreenshotTour::showImageBrowser(bool slideShow) {
  if (!showProduct(ProductDetailController::kDescriptionPanel)) return false;
  auto catalog = catalogScreen(app_);
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

bool ScreenshotTour::showWebPage(bool dropDown) {
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
      field(text("PASSWORDRETYPEINPUT"), "password", "") + "<p><label>" + text("SWITCHLANGUAGES") +
      "<br/><select id='language' style='font-size:18px;padding:6px;width:374px'><option>English</option>"
      "<option" + (LanguageManager::sharedInstance().currentLanguage() == 2 ? " selected" : "") +
      ">简体中文</option></select></label></p><button type='submit'>" + text("SAVE") + "</button></form></body></html>";
  auto& web = *page->contentWebView();
  web.loadHTMLString(form, "https://demo.invalid/account");
  if (!waitFor([&] { return !web.isLoading() && web.hasPicture() && !svc::WebEngine::isBusy(); }, 30))
    return fail("the page did not load");
  if (!dropDown) return true;
  // The language list opened by a tap on its box, where the page shows it.
  base::CancelTracker asking;
  std::optional<std::string> rect;
  web.evaluateJavaScript(
      "(function(){var r=document.getElementById('language').getBoundingClientRect();"
      "return (r.left+r.width/2)+' '+(r.top+r.height/2);})()",
      asking, [&](const std::string& answer) { rect = answer; });
  ui::Point box;
  if (!waitFor([&] { return rect.has_value(); }, 10) || std::sscanf(rect->c_str(), "%lf %lf", &box.x, &box.y) != 2)
    return fail("the page did not say where its list is");
  ui::HeadlessDriver d(app_->window());
  d.tapAt(web.convertPointToView(box, nullptr));
  onClose([page] {
    if (auto* menu = page->contentWebView()->optionMenu()) menu->dismiss();
  });
  return waitFor([&] { return web.optionMenu() != nullptr && !svc::WebEngine::isBusy(); }, 10) ||
         fail("the list did not open");
}

bool ScreenshotTour::showCatalogSearch() {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto services = SessionServices::current();
  DataAccessManager* store = services ? &services->database() : nullptr;
  auto catalog = catalogScreen(app_);
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
  auto catalog = catalogScreen(app_);
  if (!catalog) return fail("no catalogue");
  // The title bar's buttons, by their names.
  if (!tapControl(text(favourites ? "FAVORITES" : "PRODUCTCOMPARISON"), catalog->view().get())) return false;
  onClose([catalog] { catalog->dismissPopController(false); });
  return waitFor([&] { return catalog->presentedViewController() != nullptr; }, 5) || fail("the list did not open");
}

bool ScreenshotTour::showSortMenu() {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen(app_);
  if (!catalog) return fail("no catalogue");
  const std::size_t before = app_->window()->overlay().subviews().size();
  if (!tapControl(text(CatalogViewController::orderingNames().front()), catalog->view().get())) return false;
  return waitFor([&] { return app_->window()->overlay().subviews().size() > before; }, 5) || fail("no sort menu");
}

bool ScreenshotTour::showAddToOrder(bool picker) {
  if (!showTab(MainTabScreens::kCatalog)) return false;
  auto catalog = catalogScreen(app_);
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

std::shared_ptr<CustomerViewController> customerScreen(const std::shared_ptr<MarvistoAppDelegate>& app) {
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<CustomerViewController>(tab->screen(MainTabScreens::kCustomer)) : nullptr;
}

// The customer with the most to show: addresses and contacts.
int fullestCustomer(const CustomerDataModel& directory) {
  int chosen = directory.customerInfoDic().front()->pid;
  std::size_t most = 0;
  for (const auto& customer : directory.customerInfoDic()) {
    const auto details = directory.details(customer->pid);
    if (!details || !*details) continue;
    const std::size_t rows = (*details)->address.size() + (*details)->contact.size();
    if (rows > most) {
      most = rows;
      chosen = customer->pid;
    }
  }
  return chosen;
}

}  // namespace

// The form scrolled down to its contacts, the first one's header at the top
// (each contact shows under its own header in view mode).
bool ScreenshotTour::showFirstContact() {
  auto screen = customerScreen(app_);
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

bool ScreenshotTour::showCustomerMode(long segment) {
  if (!showTab(MainTabScreens::kCustomer)) return false;
  auto screen = customerScreen(app_);
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
  auto screen = customerScreen(app_);
  auto directory = CustomerDataModel::sharedInstance();
  if (!screen || !directory || directory->customerInfoDic().empty()) return fail("no customers");
  screen->customerList()->selectedCustomer(fullestCustomer(*directory));
  settle();
  if (!edit) return true;
  // The first customer the representative may change (one entered on the device).
  auto form = screen->customerInfo();
  for (const auto& customer : directory->customerInfoDic()) {
    if (ui::HeadlessDriver::isVisible(form->editButton())) break;
    screen->customerList()->selectedCustomer(customer->pid);
    settle(0.1);
  }
  if (!ui::HeadlessDriver::isVisible(form->editButton())) return fail("no customer may be edited");
  if (!tapView(form->editButton())) return false;
  onClose([this, form] { tapView(form->cancelButton()); });
  return form->isEditing() || fail("the form did not go into edit mode");
}

bool ScreenshotTour::showNewCustomer() {
  if (!showTab(MainTabScreens::kCustomer)) return false;
  auto screen = customerScreen(app_);
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

}  // namespace mv
