#include "library/reader/ReaderThumbCache.hpp"

#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <mutex>

#include "library/reader/ReaderThumbFetch.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "library/reader/ReaderThumbView.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/WorkQueue.hpp"
#include "util/Crypto.hpp"

namespace fs = std::filesystem;

namespace mv {

ReaderThumbCache& ReaderThumbCache::sharedInstance() {
  static ReaderThumbCache* cache = new ReaderThumbCache();  // lives as long as the process
  return *cache;
}

// --- the disk cache ------------------------------------------------------------

fs::path ReaderThumbCache::appCachesPath() { return base::Paths::caches(); }

fs::path ReaderThumbCache::thumbCacheRoot() { return appCachesPath() / "ReaderThumbs"; }

fs::path ReaderThumbCache::thumbCachePathForGUID(const std::string& guid) { return thumbCacheRoot() / guid; }

void ReaderThumbCache::createThumbCacheWithGUID(const std::string& guid) {
  if (!isUUIDText(guid)) return;
  std::error_code ec;
  fs::create_directories(thumbCachePathForGUID(guid), ec);
}

void ReaderThumbCache::removeThumbCacheWithGUID(const std::string& guid) {
  // The GUID names a folder to delete: nothing but a GUID may.
  if (!isUUIDText(guid)) return;
  fs::path folder = thumbCachePathForGUID(guid);
  base::WorkQueue::global().async([folder](const base::CancelFlag&) {
    std::error_code ec;
    fs::remove_all(folder, ec);
  });
}

void ReaderThumbCache::touchThumbCacheWithGUID(const std::string& guid) {
  if (!isUUIDText(guid)) return;
  // utime with no times sets both to now; a missing folder is no error here.
  ::utime(thumbCachePathForGUID(guid).c_str(), nullptr);
}

void ReaderThumbCache::purgeThumbCachesOlderThan(double ageSeconds) {
  fs::path root = thumbCacheRoot();
  base::WorkQueue::global().async([root, ageSeconds](const base::CancelFlag&) {
    const double now = static_cast<double>(std::time(nullptr));
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      if (!isUUIDText(it->path().filename().string())) continue;
      struct stat st {};
      if (::stat(it->path().c_str(), &st) != 0) continue;
      if (now - static_cast<double>(st.st_mtime) > ageSeconds) {
        std::error_code rm;
        fs::remove_all(it->path(), rm);
      }
    }
  });
}

void ReaderThumbCache::purgeOldThumbCachesOncePerStart() {
  static std::once_flag once;
  std::call_once(once, [] { purgeThumbCachesOlderThan(kPurgeAgeSeconds); });
}

// --- the memory cache ----------------------------------------------------------

std::size_t ReaderThumbCache::costOf(const gfx::Image& image) {
  base::Size s = image.size();
  double c = s.width * s.height * 4;
  return c > 0 ? static_cast<std::size_t>(c) : 0;
}

gfx::ImagePtr ReaderThumbCache::thumbRequest(const std::shared_ptr<ReaderThumbRequest>& request, bool priority) {
  if (!request) return nullptr;
  std::lock_guard lock(mutex_);
  const std::string& key = request->cacheKey();
  if (auto it = items_.find(key); it != items_.end()) {
    ages_.splice(ages_.end(), ages_, it->second.age);
    return it->second.image;
  }
  storeLocked(key, nullptr, kPlaceholderCost);
  auto fetch = std::make_shared<ReaderThumbFetch>(
      request, priority ? ReaderThumbOperation::Priority::Normal : ReaderThumbOperation::Priority::Low);
  if (auto target = request->thumbView()) target->setOperation(fetch);
  ReaderThumbQueue::sharedInstance().addLoadOperation(fetch);
  return nullptr;
}

void ReaderThumbCache::setObject(const gfx::ImagePtr& image, const std::string& key) {
  if (!image) return;
  std::lock_guard lock(mutex_);
  storeLocked(key, image, costOf(*image));
}

void ReaderThumbCache::storeLocked(const std::string& key, gfx::ImagePtr image, std::size_t cost) {
  if (auto it = items_.find(key); it != items_.end()) {
    cost_ -= it->second.cost;
    ages_.erase(it->second.age);
    items_.erase(it);
  }
  ages_.push_back(key);
  items_[key] = Item{std::move(image), cost, std::prev(ages_.end())};
  cost_ += cost;
  evictLocked(key);
}

void ReaderThumbCache::evictLocked(const std::string& keep) {
  // Least recently used first; the entry just stored stays.
  for (auto age = ages_.begin(); cost_ > kCostLimit && age != ages_.end();) {
    if (*age == keep) {
      ++age;
      continue;
    }
    auto it = items_.find(*age);
    cost_ -= it->second.cost;
    items_.erase(it);
    age = ages_.erase(age);
  }
}

void ReaderThumbCache::removeObjectForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  if (auto it = items_.find(key); it != items_.end()) {
    cost_ -= it->second.cost;
    ages_.erase(it->second.age);
    items_.erase(it);
  }
}

void ReaderThumbCache::removeNullForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  if (auto it = items_.find(key); it != items_.end() && !it->second.image) {
    cost_ -= it->second.cost;
    ages_.erase(it->second.age);
    items_.erase(it);
  }
}

void ReaderThumbCache::removeAllObjects() {
  std::lock_guard lock(mutex_);
  items_.clear();
  ages_.clear();
  cost_ = 0;
}

ReaderThumbCache::Entry ReaderThumbCache::entryForKey(const std::string& key) const {
  std::lock_guard lock(mutex_);
  auto it = items_.find(key);
  if (it == items_.end()) return Entry::None;
  return it->second.image ? Entry::Image : Entry::Placeholder;
}

std::size_t ReaderThumbCache::totalCost() const {
  std::lock_guard lock(mutex_);
  return cost_;
}

}  // namespace mv
