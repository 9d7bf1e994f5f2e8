#include "platform/gfx/PictureCache.hpp"

#include <iterator>

#include "platform/gfx/ImageData.hpp"

namespace gfx {

namespace fs = std::filesystem;

PictureCache& PictureCache::shared() {
  // Never destroyed: picture reads on worker threads may outlive the statics.
  static auto* cache = new PictureCache(kSharedBudget);
  return *cache;
}

std::optional<std::string> PictureCache::keyOf(const fs::path& path, int maxWidth, int maxHeight) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  const auto time = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return path.string() + '|' + std::to_string(size) + '|' + std::to_string(time.time_since_epoch().count()) + '|' +
         std::to_string(maxWidth) + 'x' + std::to_string(maxHeight);
}

ImagePtr PictureCache::kept(const fs::path& path, int maxWidth, int maxHeight) {
  const auto key = keyOf(path, maxWidth, maxHeight);
  if (!key) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = entries_.find(*key);
  if (it == entries_.end()) return nullptr;
  ages_.splice(ages_.end(), ages_, it->second.age);
  return it->second.image;
}

ImagePtr PictureCache::picture(const fs::path& path, int maxWidth, int maxHeight) {
  const auto found = keyOf(path, maxWidth, maxHeight);
  if (!found) return nullptr;
  const std::string& key = *found;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = entries_.find(key); it != entries_.end()) {
      ages_.splice(ages_.end(), ages_, it->second.age);
      return it->second.image;
    }
  }
  // Read outside the lock: other threads' pictures need not wait for this one.
  auto data = ImageData::decodeFileFitting(path, maxWidth, maxHeight);
  ImagePtr image = data ? Image::fromImageData(*data) : nullptr;
  if (!image) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(image->pixelWidth()) * image->pixelHeight() * 4;
  if (bytes > budget_) return image;
  std::lock_guard<std::mutex> lock(mutex_);
  if (auto it = entries_.find(key); it != entries_.end()) return it->second.image;
  while (bytes_ + bytes > budget_ && !ages_.empty()) {
    auto oldest = entries_.find(ages_.front());
    bytes_ -= oldest->second.bytes;
    entries_.erase(oldest);
    ages_.pop_front();
  }
  ages_.push_back(key);
  entries_[key] = Entry{image, bytes, std::prev(ages_.end())};
  bytes_ += bytes;
  return image;
}

std::size_t PictureCache::bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return bytes_;
}

void PictureCache::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
  ages_.clear();
  bytes_ = 0;
}

}  // namespace gfx
