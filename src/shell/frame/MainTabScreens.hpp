#pragma once
// The tabs of the main tab bar: their tags and title keys. Each feature
// installs the maker of its tab's screen in the application's
// `FeatureWiring`; a tab without one shows a screen saying that the feature
// is not available yet.
namespace mv {

class MainTabScreens {
 public:
  static constexpr int kHome = 0;
  static constexpr int kCatalog = 1;
  static constexpr int kCustomer = 2;
  static constexpr int kInventory = 3;
  static constexpr int kSalesLibrary = 4;
  static constexpr int kQuoteOrder = 5;
  static constexpr int kSync = 6;
  static constexpr int kSettings = 7;
  static constexpr int kTabCount = 7;

  // The title key of tab `tag` (0-7).
  static const char* titleKey(int tag);
};

}  // namespace mv
