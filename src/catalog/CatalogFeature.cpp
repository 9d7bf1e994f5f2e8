#include "catalog/CatalogFeature.hpp"

#include "catalog/CatalogViewController.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "shell/frame/MainTabScreens.hpp"

namespace mv {

void CatalogFeature::install(FeatureWiring& wiring) {
  wiring.setScreenMaker(MainTabScreens::kCatalog,
                        [](SessionServices&) { return std::make_shared<CatalogViewController>(); });
}

}  // namespace mv
