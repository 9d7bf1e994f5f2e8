#include "catalog/CatalogScreens.hpp"

#include "catalog/CatalogViewController.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CatalogScreens::install() {
  MainTabScreens::setScreenMaker(MainTabScreens::kCatalog, [] { return std::make_shared<CatalogViewController>(); });
}

void CatalogScreens::uninstall() { MainTabScreens::setScreenMaker(MainTabScreens::kCatalog, {}); }

}  // namespace mv
