#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/Value.hpp"

namespace base {

struct Notification {
  std::string name;
  const void* sender = nullptr;  // compared by address only, never dereferenced
  Value userInfo;
};

// Named notifications, delivered synchronously on the posting thread to every
// observer registered for the name (and, when the observer gave one, the
// sender). Observers are callbacks the centre never owns: an observer removes
// itself, most simply by holding an `Observation`, which removes it when it
// goes away. Removing any observer while a post is running is safe: a removed
// observer is not called afterwards.
class NotificationCenter {
 public:
  using ObserverId = std::uint64_t;
  using Callback = std::function<void(const Notification&)>;

  static NotificationCenter& defaultCenter();

  // `sender` null observes the name from every sender.
  ObserverId addObserver(const std::string& name, const void* sender, Callback callback);
  void removeObserver(ObserverId id);
  void post(const std::string& name, const void* sender = nullptr, Value userInfo = {});
  void post(const Notification& notification);
  std::size_t observerCount(const std::string& name) const;

 private:
  struct Entry {
    std::string name;
    const void* sender;
    std::shared_ptr<Callback> callback;
    std::shared_ptr<bool> alive;
  };
  // Observers come and go on the main thread, while a post runs on the
  // thread that posts: the user defaults post from whichever thread writes
  // them. Recursive: an observer may add or remove observers.
  mutable std::recursive_mutex mutex_;
  std::map<ObserverId, Entry> entries_;
  ObserverId next_ = 1;
};

// Keeps one observation alive for as long as it lives.
class Observation {
 public:
  Observation() = default;
  Observation(const std::string& name, const void* sender, NotificationCenter::Callback callback,
              NotificationCenter& center = NotificationCenter::defaultCenter());
  ~Observation() { reset(); }
  Observation(Observation&& other) noexcept;
  Observation& operator=(Observation&& other) noexcept;
  Observation(const Observation&) = delete;
  Observation& operator=(const Observation&) = delete;
  void reset();
  bool active() const { return id_ != 0; }

 private:
  NotificationCenter* center_ = nullptr;
  NotificationCenter::ObserverId id_ = 0;
};

}  // namespace base
