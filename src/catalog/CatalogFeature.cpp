#include "catalog/CatalogFeature.hpp"

#include "catalog/CatalogViewController.hpp"
#include "catalog/InventoryViewController.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CatalogFeature::install(FeatureWiring& wiring) {
  wiring.setScreenMaker(MainTabScreens::kCatalog,
                        [](SessionServices& services) { return std::make_shared<CatalogViewController>(services); });
  wiring.setScreenMaker(MainTabScreens::kInventory,
                        [](SessionServices& services) { return std::make_shared<InventoryViewController>(services); });
}

}  // namespace mv
