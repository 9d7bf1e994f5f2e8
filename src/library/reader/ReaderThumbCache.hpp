#pragma once
// The one way any view gets a PDF page thumbnail: a memory cache of images
// bounded by cost, in front of a disk cache of PNG files per document. A
// lookup that misses stores a placeholder (work under way) and starts a
// fetch from disk, which hands over to a render when needed; the image
// reaches the view on the main thread. Thread-safe: lookups, stores and
// removals hold one lock, and a lookup with its placeholder and scheduling
// is one step, so two lookups of one key never start two fetches.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/gfx/Image.hpp"

namespace mv {

class ReaderThumbRequest;

class ReaderThumbCache {
 public:
  static ReaderThumbCache& sharedInstance();

  // Total cost (width x height x 4 per image, in points) kept in memory.
  static constexpr std::size_t kCostLimit = 2'097'152;
  static constexpr std::size_t kPlaceholderCost = 2;

  // --- the disk cache --------------------------------------------------------
  // The Caches folder of the data root.
  static std::filesystem::path appCachesPath();
  // Thumbnails have a folder of their own in Caches, one folder per
  // document under it: <Caches>/ReaderThumbs/<GUID>.
  static std::filesystem::path thumbCacheRoot();
  static std::filesystem::path thumbCachePathForGUID(const std::string& guid);
  static void createThumbCacheWithGUID(const std::string& guid);
  // On a background queue. Only GUID-shaped names are acted on.
  static void removeThumbCacheWithGUID(const std::string& guid);
  // Sets the folder's modification date to now (errors ignored).
  static void touchThumbCacheWithGUID(const std::string& guid);
  // On a background queue: deletes the document folders (GUID-shaped names
  // only) not touched for longer than `ageSeconds`.
  static void purgeThumbCachesOlderThan(double ageSeconds);
  // The purge with a generous age, once per process.
  static void purgeOldThumbCachesOncePerStart();
  static constexpr double kPurgeAgeSeconds = 30 * 24 * 3600.0;

  // --- the memory cache ------------------------------------------------------
  // The image when cached; otherwise nothing, after starting the work unless
  // it is under way already. `priority` puts the work ahead of low work.
  gfx::ImagePtr thumbRequest(const std::shared_ptr<ReaderThumbRequest>& request, bool priority);
  void setObject(const gfx::ImagePtr& image, const std::string& key);
  void removeObjectForKey(const std::string& key);
  // Removes the entry only when it is the placeholder.
  void removeNullForKey(const std::string& key);
  void removeAllObjects();

  // Inspection (tests).
  enum class Entry { None, Placeholder, Image };
  Entry entryForKey(const std::string& key) const;
  std::size_t totalCost() const;
  // The cost an image is stored with.
  static std::size_t costOf(const gfx::Image& image);

 private:
  ReaderThumbCache() = default;
  struct Item {
    gfx::ImagePtr image;  // nothing: the placeholder
    std::size_t cost = 0;
    std::list<std::string>::iterator age;
  };
  void storeLocked(const std::string& key, gfx::ImagePtr image, std::size_t cost);
  void evictLocked(const std::string& keep);

  mutable std::mutex mutex_;
  std::map<std::string, Item> items_;
  std::list<std::string> ages_;  // least recently used first
  std::size_t cost_ = 0;
};

}  // namespace mv
