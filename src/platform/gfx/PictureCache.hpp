#pragma once
// Pictures read from files at the size they are shown, kept for their next
// showing within a budget of bytes: the least recently asked for go first,
// and a picture larger than the budget is not kept. A file changed since
// (its size or its time) is read again. Any thread.
#include <cstddef>
#include <filesystem>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/gfx/Image.hpp"

namespace gfx {

class PictureCache {
 public:
  static constexpr std::size_t kSharedBudget = std::size_t(48) << 20;

  // The process's cache (the catalogue's and the library's cards).
  static PictureCache& shared();
  explicit PictureCache(std::size_t budgetBytes) : budget_(budgetBytes) {}
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // The file's picture shrunk as it is read to fit within maxWidth x
  // maxHeight pixels (see ImageData::decodeFitting), at scale 1; nothing
  // when the file is missing or no picture.
  ImagePtr picture(const std::filesystem::path& path, int maxWidth, int maxHeight);
  // The same when it is kept now; nothing (and nothing read) otherwise.
  ImagePtr kept(const std::filesystem::path& path, int maxWidth, int maxHeight);
  // The bytes of pixels kept now.
  std::size_t bytes() const;
  std::size_t budget() const { return budget_; }
  void clear();

 private:
  struct Entry {
    ImagePtr image;
    std::size_t bytes = 0;
    std::list<std::string>::iterator age;
  };

  // The key of the file as it is now at that size; nothing when it is missing.
  static std::optional<std::string> keyOf(const std::filesystem::path& path, int maxWidth, int maxHeight);

  const std::size_t budget_;
  mutable std::mutex mutex_;
  std::map<std::string, Entry> entries_;
  // Keys, least recently asked for first.
  std::list<std::string> ages_;
  std::size_t bytes_ = 0;
};

}  // namespace gfx
