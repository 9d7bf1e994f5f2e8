#pragma once
// The catalogue's screens (the catalogue screen, the left panel, the grid,
// the product screens and the lists opened from them) talk through these
// named notifications, each with the one payload type it carries, posted
// and delivered synchronously on the main thread. The process-wide
// catalogue mode (browsing by category or by tag) lives here as well, since
// every one of those screens reads it.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

// A product chosen in a list, with the whole list for previous and next.
struct ProductListChoice {
  long index = 0;
  std::vector<marvisto_product_Entity> products;
};

// The products of one tag, in the order they are to be shown.
struct TagProducts {
  std::string tagName;
  std::vector<marvisto_product_Entity> products;
};

// A notification without payload.
struct NoPayload {};

template <typename Payload>
struct CatalogNotification {
  const char* name;
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

// Keeps one observer registered for as long as it lives.
class CatalogObservation {
 public:
  CatalogObservation() = default;
  ~CatalogObservation() { reset(); }
  CatalogObservation(CatalogObservation&& other) noexcept : alive_(std::move(other.alive_)) {}
  CatalogObservation& operator=(CatalogObservation&& other) noexcept;
  CatalogObservation(const CatalogObservation&) = delete;
  CatalogObservation& operator=(const CatalogObservation&) = delete;
  void reset();
  bool active() const { return alive_ != nullptr; }

 private:
  friend class CatalogNotificationCenter;
  explicit CatalogObservation(std::shared_ptr<bool> alive) : alive_(std::move(alive)) {}
  std::shared_ptr<bool> alive_;
};

// Delivers each post to the observers of its name in the order they were
// registered. An observer removed while a post runs is not called after
// its removal; one added meanwhile hears the next post.
class CatalogNotificationCenter {
 public:
  static CatalogNotificationCenter& defaultCenter();

  template <typename Payload>
  [[nodiscard]] CatalogObservation addObserver(CatalogNotification<Payload> notification,
                                               std::type_identity_t<std::function<void(const Payload&)>> callback) {
    return add(notification.name, [callback = std::move(callback)](const void* payload) {
      callback(*static_cast<const Payload*>(payload));
    });
  }
  template <typename Payload>
  void post(CatalogNotification<Payload> notification, const std::type_identity_t<Payload>& payload) {
    deliver(notification.name, &payload);
  }
  void post(CatalogNotification<NoPayload> notification) { post(notification, NoPayload{}); }

  // Observers still registered for the name (tests).
  std::size_t observerCount(const std::string& name) const;

 private:
  struct Entry {
    std::shared_ptr<bool> alive;
    std::shared_ptr<std::function<void(const void*)>> callback;
  };
  CatalogObservation add(const std::string& name, std::function<void(const void*)> callback);
  void deliver(const std::string& name, const void* payload);

  std::map<std::string, std::vector<Entry>> entries_;
};

// Whether the catalogue browses by category or by tag, for the whole process.
class CatalogMode {
 public:
  static constexpr long kCategory = 0;
  static constexpr long kTag = 1;
  static long getCurrentState();
  static void setCurrentState(long state);
};

}  // namespace mv
