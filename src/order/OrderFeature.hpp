#pragma once
// Puts the quote orders into the application: the session's order store
// (which re-reads the module switches when they change), the catalogue's way
// into the current order and the customer book's way to the orders in
// memory. Called once when the application starts.
namespace mv {

class FeatureWiring;

class OrderFeature {
 public:
  static void install(FeatureWiring& wiring);
};

}  // namespace mv
