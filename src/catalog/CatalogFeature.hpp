#pragma once
// Puts the catalogue into the application: the maker of the Catalogue tab's
// screen. Called once when the application starts.
namespace mv {

class FeatureWiring;

class CatalogFeature {
 public:
  static void install(FeatureWiring& wiring);
};

}  // namespace mv
