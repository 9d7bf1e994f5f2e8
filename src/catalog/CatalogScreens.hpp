#pragma once
// Puts the catalogue into the application: the makers of the Catalogue and
// Inventory tabs' screens. Called once when the application starts.
namespace mv {

class CatalogScreens {
 public:
  static void install();
  // The maker removed again (tests).
  static void uninstall();
};

}  // namespace mv
