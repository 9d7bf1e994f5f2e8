#include "catalog/CatalogFeature.hpp"

#include "catalog/CatalogViewController.hpp"
#include "catalog/InventoryViewController.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CatalogFeature::install(FeatureWiring& wiring) {
  wiring.setScreenMaker(MainTabScreens::kCatalog,
                        [](SessionServices&) { return std::make_shared<CatalogViewController>(); });
  wiring.setScreenMaker(MainTabScreens::kInventory,
                        [](SessionServices&) { return std::make_shared<InventoryViewController>(); });
}

}  // namespace mv
