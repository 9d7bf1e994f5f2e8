#pragma once
// The catalogue's screens (the catalogue screen, the left panel, the grid,
// the product screens and the lists opened from them) talk through these
// named notifications, posted on the `CatalogNotificationCenter`, each with
// the one payload type it carries.
#include <optional>
#include <string>
#include <vector>

#include "catalog/CatalogNotificationCenter.hpp"
#include "store/Entities.hpp"

namespace mv {

// A product chosen in a list, with the whole list for previous and next.
struct ProductListChoice {
  long index = 0;
  std::vector<marvisto_product_Entity> products;
};

// One tag and the ids of its products, as the tag lists them (the grid
// reads them, in the catalogue's order, leaving out those not published).
struct TagProducts {
  std::string tagName;
  std::vector<int> productIds;
};

namespace CatalogNotifications {
// Open a product chosen in another list (comparison, favourites, related products).
inline constexpr CatalogNotification<ProductListChoice> setCatalogLayOut{"setCatalogLayOut"};
// Toggle the left panel.
inline constexpr CatalogNotification<NoPayload> AppearOrHiddenMasterView{"AppearOrHiddenMasterView"};
// A tag tapped on a product screen: back to the grid showing that tag.
inline constexpr CatalogNotification<std::string> detailOnClickTagListener{"detailOnClickTagListener"};
// Back from a product screen to the grid.
inline constexpr CatalogNotification<NoPayload> btnBackClick{"btnBackClick"};
// The grid's width or the screen's state changed.
inline constexpr CatalogNotification<NoPayload> switchProductStyle{"switchProductStyle"};
// Re-sort the grid: 0 by name, 1 by SKU, 2 by price, 3 by the catalogue's own order.
inline constexpr CatalogNotification<long> SORT_PRODUCT{"SORT_PRODUCT"};
// Show a category's products: 0 all products, -1 those filed under no category.
inline constexpr CatalogNotification<int> displayFourColumn{"displayFourColumn"};
// Show a tag's products; nothing empties the grid.
inline constexpr CatalogNotification<std::optional<TagProducts>> refushRightData{"refushRightData"};
// Switch the left panel to its tag list.
inline constexpr CatalogNotification<NoPayload> changeMasterViewState{"changeMasterViewState"};
// Select a tag of the tag list by its name.
inline constexpr CatalogNotification<std::string> didSelectToFromNotification{"didSelectToFromNotification"};
}  // namespace CatalogNotifications

}  // namespace mv
