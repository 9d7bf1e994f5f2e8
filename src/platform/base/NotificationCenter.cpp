#include "platform/base/NotificationCenter.hpp"

#include <vector>

namespace base {

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter* center = new NotificationCenter();
  return *center;
}

NotificationCenter::ObserverId NotificationCenter::addObserver(const std::string& name, const void* sender,
                                                               Callback callback) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ObserverId id = next_++;
  entries_.emplace(id, Entry{name, sender, std::make_shared<Callback>(std::move(callback)),
                             std::make_shared<bool>(true)});
  return id;
}

void NotificationCenter::removeObserver(ObserverId id) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = entries_.find(id);
  if (it == entries_.end()) return;
  *it->second.alive = false;
  entries_.erase(it);
}

void NotificationCenter::post(const std::string& name, const void* sender, Value userInfo) {
  post(Notification{name, sender, std::move(userInfo)});
}

void NotificationCenter::post(const Notification& n) {
  // Snapshot the matching observers, then call each one unless it was removed
  // meanwhile (possibly by an earlier observer of this very post).
  std::vector<std::pair<std::shared_ptr<Callback>, std::shared_ptr<bool>>> targets;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (auto& [id, e] : entries_) {
      if (e.name == n.name && (e.sender == nullptr || e.sender == n.sender))
        targets.emplace_back(e.callback, e.alive);
    }
  }
  for (auto& [cb, alive] : targets) {
    bool stillThere;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      stillThere = *alive;
    }
    if (stillThere) (*cb)(n);
  }
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::size_t n = 0;
  for (auto& [id, e] : entries_)
    if (e.name == name) ++n;
  return n;
}

Observation::Observation(const std::string& name, const void* sender, NotificationCenter::Callback callback,
                         NotificationCenter& center)
    : center_(&center), id_(center.addObserver(name, sender, std::move(callback))) {}

Observation::Observation(Observation&& other) noexcept : center_(other.center_), id_(other.id_) {
  other.id_ = 0;
}

Observation& Observation::operator=(Observation&& other) noexcept {
  if (this != &other) {
    reset();
    center_ = other.center_;
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

void Observation::reset() {
  if (id_ != 0 && center_) center_->removeObserver(id_);
  id_ = 0;
}

}  // namespace base
