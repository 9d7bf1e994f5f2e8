#include "catalog/CatalogNotificationCenter.hpp"

#include <algorithm>

#include "platform/base/MainThread.hpp"

namespace mv {

CatalogObservation& CatalogObservation::operator=(CatalogObservation&& other) noexcept {
  if (this != &other) {
    reset();
    alive_ = std::move(other.alive_);
  }
  return *this;
}

void CatalogObservation::reset() {
  if (alive_) *alive_ = false;
  alive_.reset();
}

CatalogNotificationCenter& CatalogNotificationCenter::defaultCenter() {
  static CatalogNotificationCenter center;
  return center;
}

CatalogObservation CatalogNotificationCenter::add(const std::string& name,
                                                  std::function<void(const void*)> callback) {
  MV_ASSERT_MAIN_THREAD();
  auto& list = entries_[name];
  // Entries of observations that ended are dropped here rather than on
  // removal, so that removing never touches a list a post is walking.
  std::erase_if(list, [](const Entry& e) { return !*e.alive; });
  auto alive = std::make_shared<bool>(true);
  list.push_back({alive, std::make_shared<std::function<void(const void*)>>(std::move(callback))});
  return CatalogObservation(alive);
}

void CatalogNotificationCenter::deliver(const std::string& name, const void* payload) {
  MV_ASSERT_MAIN_THREAD();
  auto it = entries_.find(name);
  if (it == entries_.end()) return;
  const std::vector<Entry> snapshot = it->second;
  for (const Entry& e : snapshot) {
    if (*e.alive) (*e.callback)(payload);
  }
}

std::size_t CatalogNotificationCenter::observerCount(const std::string& name) const {
  auto it = entries_.find(name);
  if (it == entries_.end()) return 0;
  return static_cast<std::size_t>(std::count_if(it->second.begin(), it->second.end(),
                                                [](const Entry& e) { return *e.alive; }));
}

}  // namespace mv
