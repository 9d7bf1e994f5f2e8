#pragma once
// Named notifications among the catalogue's screens, each with the one
// payload type it carries, posted and delivered synchronously on the main
// thread. The names are in CatalogNotifications.hpp. Main thread only.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace mv {

// A notification without payload.
struct NoPayload {};

template <typename Payload>
struct CatalogNotification {
  const char* name;
};

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

}  // namespace mv
