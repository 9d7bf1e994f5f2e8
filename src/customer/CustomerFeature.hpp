#pragma once
// Puts the customer book into the application: the session's customer
// directory (which is also the sync engine's customer model) and the
// Customers tab's screen. Called once when the application starts.
namespace mv {

class FeatureWiring;

class CustomerFeature {
 public:
  static void install(FeatureWiring& wiring);
};

}  // namespace mv
