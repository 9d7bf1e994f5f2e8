#pragma once
// Fixtures of the catalogue tests: a signed-in client with an empty
// database, helpers that file products under categories and tags, and a
// recorder of the catalogue's notifications.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EntityBuilders.hpp"
#include "SessionScope.hpp"
#include "StoreAccess.hpp"
#include "TestEnvironment.hpp"
#include "catalog/CatalogViewController.hpp"
#include "catalog/CatalogMode.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/OrderBasket.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "store/DataAccessManager.hpp"

namespace ui {
class PopoverController;
}

namespace mv::test {

// Whether the popover shows and its arrow points at `target` (a window
// rectangle): the arrow's tip on the edge of `target` it faces, the popover
// beside `target` across the arrow.
bool popoverPointsAt(const ui::PopoverController* popover, const ui::Rect& target);
// A view's frame in the window.
ui::Rect inWindow(const ui::View& view);

class CatalogTest : public TestEnvironment, protected StoreAccess {
 protected:
  void SetUp() override;
  void TearDown() override;

  DataAccessManager& store() { return dam(); }
  // A published category (name, parent) and a published product.
  void category(int id, const std::string& name, int parent, int ordering = 0);
  void product(int id, const std::string& name);
  // Files product `productId` under category `categoryId` (0: under none).
  void file(int productId, int categoryId);
  void tag(int id, const std::string& name, const std::vector<int>& productIds);
  // Writes what the helpers gathered.
  void save();
  // A price row; `discountPrice` applies now when given.
  void price(int productId, double listPrice, const std::string& currency,
             std::optional<double> discountPrice = std::nullopt);
  // A published picture of the product (the first one given is the default).
  void picture(int productId, int imageId, const std::string& full, const std::string& thumb, bool isDefault);
  // A displayed attribute field and the product's option list of it.
  void attribute(int productId, int fieldId, const std::string& name, const std::string& options);
  // The tree of the catalogue's own example: A (A1, A2) and B at the root;
  // p1 in A1, p2 in A1 and A2, p3 in B, p4 under no category.
  void seedExampleTree();

  static constexpr int A = 10, A1 = 11, A2 = 12, B = 20;

  // What the test installs before SetUp, and the session's services made
  // from it when SetUp signs in.
  FeatureWiring wiring;
  // The signed-in session, ended in TearDown whatever the test left.
  std::optional<SessionScope> scope;
  std::shared_ptr<SessionServices> services;

 private:
  std::vector<marvisto_category_Entity> categories_;
  std::vector<marvisto_product_Entity> products_;
  std::vector<marvisto_product_category_xref_Entity> links_;
  std::vector<marvisto_tag_entity> tags_;
  std::vector<marvisto_product_related_tag_Entity> tagLinks_;
};

// A catalogue test with the real quote order store behind the catalogue's
// order interface.
class CatalogOrderTest : public CatalogTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The current order's lines as "product id x quantity [attributes]".
  std::vector<std::string> lines();
  // The catalogue reaches the order store through this basket from now on
  // (the order library's own after SetUp).
  void useBasket(std::shared_ptr<OrderBasket> basket) { basket_ = std::move(basket); }

  std::vector<std::string> badges;

 private:
  std::shared_ptr<OrderBasket> basket_;
};

// The catalogue tab in a window as the application shows it: the second tab
// of a tab bar inside the outermost navigation stack, animations off.
class CatalogWindowTest : public CatalogOrderTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Shows `screen` as the catalogue tab (kept in `catalog`).
  void showCatalog(std::shared_ptr<CatalogViewController> screen);
  // Runs what is due in half a second and lays the views out.
  void settle();
  // The text of the newest toast on screen.
  std::string lastToast();
  // A PNG of the window, kept with the test's snapshots.
  void keep(const std::string& name);
  static std::string text(const char* key);

  std::shared_ptr<CatalogViewController> catalog;
  std::shared_ptr<ui::TabBarController> tabs;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

// Every catalogue notification posted while it lives, in order, as text:
// "displayFourColumn 10", "refushRightData nil", "refushRightData red 1,3".
class NotificationLog {
 public:
  NotificationLog();
  std::vector<std::string> entries;
  // The entries, emptied.
  std::vector<std::string> take();

 private:
  std::vector<CatalogObservation> observations_;
};

// The ids of the products, in order.
std::vector<int> idsOf(const std::vector<marvisto_product_Entity>& products);

}  // namespace mv::test
