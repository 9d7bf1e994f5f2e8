#pragma once
// Puts the catalogue into the application: the maker of the Catalogue tab's
// screen. Called once when the application starts.
namespace mv {

class CatalogScreens {
 public:
  static void install();
  // The maker removed again (tests).
  static void uninstall();
};

}  // namespace mv
