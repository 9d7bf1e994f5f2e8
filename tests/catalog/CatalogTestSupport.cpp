#include "CatalogTestSupport.hpp"

#include <cmath>

#include "catalog/OrderBasket.hpp"
#include "order/OrderFeature.hpp"
#include "order/QuoteOrderBasket.hpp"
#include "order/QuoteOrderStore.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"
#include "store/SQLiteDatabase.hpp"
#include "SessionFixture.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {

void CatalogTest::SetUp() {
  TestEnvironment::SetUp();
  changeSession([](Session& s) {
    s.clientID = "AcmeCo";
    s.acountID = "rep_1";
    s.vendorId = 77;
    s.deviceID = "DEVICE-1";
  });
  Language::resetLanguageCache();
  // The screens read their texts from the language tables, as in the application.
  setTextLookup([](const std::string& key) { return Language::stringWithName(key); });
  CatalogMode::setCurrentState(CatalogMode::kCategory);
  // The session's configuration, as the application registers it.
  ConfigManager::install(wiring.services);
  scope.emplace(Session::current(), wiring.services);
  services = scope->services();
  ASSERT_TRUE(services);
  // Every module on, as a sign-in would have stored it.
  services->get<ConfigManager>()->setModelDescFromDesc("1,1,1,1,1,1,1");
}

void CatalogTest::TearDown() {
  // Picture reads still running on the shared pool would outlive the test and,
  // after the last test, the process's statics they read.
  base::WorkQueue::global().waitIdle();
  services.reset();
  scope.reset();
  setTextLookup(nullptr);
  TestEnvironment::TearDown();
}

void CatalogTest::category(int id, const std::string& name, int parent, int ordering) {
  categories_.push_back(makeCategory(id, name, parent, ordering));
}

void CatalogTest::product(int id, const std::string& name) {
  products_.push_back(makeProduct(id, name, "SKU-" + std::to_string(id)));
}

void CatalogTest::file(int productId, int categoryId) { links_.push_back({categoryId, productId}); }

void CatalogTest::tag(int id, const std::string& name, const std::vector<int>& productIds) {
  marvisto_tag_entity t;
  t.tag_id = id;
  t.tag_name = name;
  tags_.push_back(t);
  for (int p : productIds) tagLinks_.push_back({id, p});
}

void CatalogTest::save() {
  ASSERT_TRUE(store().saveToDatabaseCategory(categories_));
  ASSERT_TRUE(store().saveToDatabaseProduct(products_));
  ASSERT_TRUE(store().saveToDatabasePxrefC(links_));
  if (!tags_.empty()) {
    ASSERT_TRUE(store().saveToDatabaseProductTag(tags_));
    ASSERT_TRUE(store().saveToDatabaseProductRelatedTag(tagLinks_));
  }
}

void CatalogTest::price(int productId, double listPrice, const std::string& currency,
                        std::optional<double> discountPrice) {
  marvisto_product_price_Entity p;
  p.price_id = productId;
  p.product_id = productId;
  p.price = listPrice;
  p.currency = currency;
  if (discountPrice) {
    const double now = base::Date::now();
    p.discount_price = *discountPrice;
    p.discount_start_date = now - 86400;
    p.discount_end_date = now + 86400;
    p.discount_publish = 1;
  }
  ASSERT_TRUE(store().saveToDatabasePrice({p}));
}

void CatalogTest::picture(int productId, int imageId, const std::string& full, const std::string& thumb,
                          bool isDefault) {
  marvisto_image_Entity i;
  i.image_id = imageId;
  i.key_id = productId;
  i.key_type = "product";
  i.image_full_address = full;
  i.image_thumb_address = thumb;
  i.image_isdault = isDefault ? 1 : 0;
  i.image_publis = 1;
  i.image_ordering = imageId;
  ASSERT_TRUE(store().saveToDatabaseImage({i}));
}

void CatalogTest::attribute(int productId, int fieldId, const std::string& name, const std::string& options) {
  marvisto_fields_product_attribute_Entity f;
  f.field_id = fieldId;
  f.field_name = name;
  f.display = 1;
  f.published = 1;
  ASSERT_TRUE(store().saveToDatabaseFieldsProductAttribute({f}));
  ASSERT_TRUE(store().saveToDatabaseProductAttribute(
      {makeProductAttribute(productId * 100 + fieldId, productId, fieldId, options)}));
}

namespace {

// Hands every call to the basket the test uses now.
class SwitchedBasket : public OrderBasket {
 public:
  explicit SwitchedBasket(std::function<std::shared_ptr<OrderBasket>()> current) : current_(std::move(current)) {}
  bool addToOrder(const marvisto_product_Entity& product) override { return current_()->addToOrder(product); }
  bool wouldPassLineCap(const marvisto_product_Entity& product) override {
    return current_()->wouldPassLineCap(product);
  }
  bool diffItemCYExist(const marvisto_product_Entity& product) override {
    return current_()->diffItemCYExist(product);
  }
  void getItemNumberInOrder(marvisto_product_Entity& product) override { current_()->getItemNumberInOrder(product); }
  bool saveCurrentQuoteOrder() override { return current_()->saveCurrentQuoteOrder(); }
  void removeCurrentQuoteOrder() override { current_()->removeCurrentQuoteOrder(); }
  bool isOrderOnShow() override { return current_()->isOrderOnShow(); }
  std::shared_ptr<ui::ViewController> makeAddToOrderController(
      const marvisto_product_Entity& product, std::size_t cellIndex,
      std::weak_ptr<AddToOrderControllerDelegate> delegate) override {
    return current_()->makeAddToOrderController(product, cellIndex, std::move(delegate));
  }

 private:
  std::function<std::shared_ptr<OrderBasket>()> current_;
};

}  // namespace

void CatalogOrderTest::SetUp() {
  OrderFeature::install(wiring);
  wiring.services.add<OrderBasket>([this](SessionServices&) {
    return std::make_shared<SwitchedBasket>([this] { return basket_; });
  });
  CatalogTest::SetUp();
  auto orders = services->get<QuoteOrderStore>();
  orders->setBadgeSetter([this](const std::string& value) { badges.push_back(value); });
  useBasket(std::make_shared<QuoteOrderBasket>(*services));
}

void CatalogOrderTest::TearDown() {
  basket_.reset();
  CatalogTest::TearDown();
}

bool popoverPointsAt(const ui::PopoverController* popover, const ui::Rect& target) {
  if (!popover || !popover->isPopoverVisible()) return false;
  const ui::Rect c = popover->contentFrameInWindow();
  const double a = ui::PopoverController::kArrowSize;
  // Frames of fractional points meet within a rounding.
  const auto meet = [](double x, double y) { return std::abs(x - y) < 0.01; };
  switch (popover->popoverArrowDirection()) {
    case ui::PopoverArrowDirectionUp:
      return meet(c.minY() - a, target.maxY()) && c.minX() < target.maxX() && target.minX() < c.maxX();
    case ui::PopoverArrowDirectionDown:
      return meet(c.maxY() + a, target.minY()) && c.minX() < target.maxX() && target.minX() < c.maxX();
    case ui::PopoverArrowDirectionLeft:
      return meet(c.minX() - a, target.maxX()) && c.minY() < target.maxY() && target.minY() < c.maxY();
    case ui::PopoverArrowDirectionRight:
      return meet(c.maxX() + a, target.minX()) && c.minY() < target.maxY() && target.minY() < c.maxY();
    default:
      return false;
  }
}

ui::Rect inWindow(const ui::View& view) { return view.convertRectToView(view.bounds(), nullptr); }

std::vector<std::string> CatalogOrderTest::lines() {
  std::vector<std::string> out;
  auto order = QuoteOrderStore::sharedInstance()->curQuoteOrder();
  if (!order) return out;
  for (const auto& line : order->items) {
    out.push_back(std::to_string(line->product.product_id) + " x" + std::to_string(line->quantity) +
                  (line->attributes.empty() ? "" : " " + line->attributes));
  }
  return out;
}

void CatalogWindowTest::SetUp() {
  CatalogOrderTest::SetUp();
  ui::View::setAnimationsEnabled(false);
}

void CatalogWindowTest::TearDown() {
  if (window) {
    window->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window.get());
  }
  catalog.reset();
  tabs.reset();
  driver.reset();
  window.reset();
  ui::AlertView::resetForTesting();
  ui::View::setAnimationsEnabled(true);
  CatalogOrderTest::TearDown();
}

void CatalogWindowTest::showCatalog(std::shared_ptr<CatalogViewController> screen) {
  catalog = std::move(screen);
  tabs = std::make_shared<ui::TabBarController>();
  tabs->setViewControllers({std::make_shared<ui::ViewController>(), std::make_shared<ui::NavigationController>(catalog)});
  tabs->setSelectedIndex(1);
  window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  // The application's outermost stack, which full-screen related screens are pushed on.
  window->setRootViewController(std::make_shared<ui::NavigationController>(tabs));
  driver = std::make_unique<ui::HeadlessDriver>(window);
  settle();
}

void CatalogWindowTest::settle() {
  // The grid's lists and the panel's counts are read on a worker.
  base::WorkQueue::global().waitIdle();
  base::RunLoop::main().runUntil([] { return false; }, 0.5);
  ui::View::layoutPendingViews();
}

std::string CatalogWindowTest::lastToast() {
  std::string text;
  for (auto* toast : driver->findAllOf<UIToast>(nullptr, false)) text = toast->text();
  return text;
}

void CatalogWindowTest::keep(const std::string& name) {
  settle();
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  const auto file = root / (name + ".png");
  ASSERT_TRUE(driver->snapshot(file));
  keepSnapshot(file);
}

std::string CatalogWindowTest::text(const char* key) { return textOrEmpty(Language::stringWithName(key)); }

void CatalogTest::seedExampleTree() {
  category(A, "A", 0, 1);
  category(A1, "A1", A, 1);
  category(A2, "A2", A, 2);
  category(B, "B", 0, 2);
  for (int id = 1; id <= 4; ++id) product(id, "p" + std::to_string(id));
  file(1, A1);
  file(2, A1);
  file(2, A2);
  file(3, B);
  file(4, 0);
  save();
}

NotificationLog::NotificationLog() {
  auto& center = CatalogNotificationCenter::defaultCenter();
  namespace n = CatalogNotifications;
  auto plain = [this](const char* name) {
    return [this, name](const NoPayload&) { entries.push_back(name); };
  };
  observations_.push_back(center.addObserver(n::displayFourColumn, [this](const int& id) {
    entries.push_back("displayFourColumn " + std::to_string(id));
  }));
  observations_.push_back(center.addObserver(n::refushRightData, [this](const std::optional<TagProducts>& tag) {
    std::string line = "refushRightData";
    if (!tag) {
      line += " nil";
    } else {
      line += " " + tag->tagName + " ";
      for (std::size_t i = 0; i < tag->productIds.size(); ++i)
        line += (i ? "," : "") + std::to_string(tag->productIds[i]);
    }
    entries.push_back(line);
  }));
  observations_.push_back(center.addObserver(n::SORT_PRODUCT, [this](const long& index) {
    entries.push_back("SORT_PRODUCT " + std::to_string(index));
  }));
  observations_.push_back(center.addObserver(n::didSelectToFromNotification, [this](const std::string& tag) {
    entries.push_back("didSelectToFromNotification " + tag);
  }));
  observations_.push_back(center.addObserver(n::btnBackClick, plain("btnBackClick")));
  observations_.push_back(center.addObserver(n::switchProductStyle, plain("switchProductStyle")));
  observations_.push_back(center.addObserver(n::AppearOrHiddenMasterView, plain("AppearOrHiddenMasterView")));
}

std::vector<std::string> NotificationLog::take() {
  auto out = std::move(entries);
  entries.clear();
  return out;
}

std::vector<int> idsOf(const std::vector<marvisto_product_Entity>& products) {
  std::vector<int> ids;
  for (const auto& p : products) ids.push_back(p.product_id);
  return ids;
}

}  // namespace mv::test
