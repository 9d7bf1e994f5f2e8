#pragma once
// Puts the catalogue into the application: the makers of the Catalogue and
// Inventory tabs' screens. Called once when the application starts.
namespace mv {

class FeatureWiring;

class CatalogFeature {
 public:
  static void install(FeatureWiring& wiring);
};

}  // namespace mv
