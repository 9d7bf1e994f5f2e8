#include "catalog/CatalogScreens.hpp"

#include "catalog/CatalogViewController.hpp"
#include "catalog/InventoryViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CatalogScreens::install() {
  MainTabScreens::setScreenMaker(MainTabScreens::kCatalog, [] { return std::make_shared<CatalogViewController>(); });
  MainTabScreens::setScreenMaker(MainTabScreens::kInventory, [] { return std::make_shared<InventoryViewController>(); });
}

void CatalogScreens::uninstall() {
  MainTabScreens::setScreenMaker(MainTabScreens::kCatalog, {});
  MainTabScreens::setScreenMaker(MainTabScreens::kInventory, {});
}

}  // namespace mv
