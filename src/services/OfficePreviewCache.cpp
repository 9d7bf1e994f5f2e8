#include "services/OfficePreviewCache.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace svc {
namespace {

constexpr const char* kWorkPrefix = "work-";

using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

std::optional<std::string> hexDigest(EVP_MD_CTX* ctx) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx, digest, &length) != 1) return std::nullopt;
  std::string hex;
  char two[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    hex += two;
  }
  return hex;
}

// SHA-256 of the file's bytes, read in pieces: a changed file gets a new
// entry.
std::optional<std::string> checksumOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  DigestContext ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
  std::vector<char> buffer(64 * 1024);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const std::streamsize n = in.gcount();
    if (n > 0 && EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<std::size_t>(n)) != 1) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return hexDigest(ctx.get());
}

// The part of an entry's name that stands for its source's path: every
// version of one file starts with it.
std::string pathKey(const fs::path& source) {
  std::error_code ec;
  fs::path absolute = fs::absolute(source, ec);
  const std::string path = (ec ? source : absolute).lexically_normal().string();
  DigestContext ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  std::optional<std::string> hex;
  if (ctx && EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1 &&
      EVP_DigestUpdate(ctx.get(), path.data(), path.size()) == 1)
    hex = hexDigest(ctx.get());
  return hex ? hex->substr(0, 16) + "-" : std::string("-");
}

bool isPdfEntry(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.is_regular_file(ec) && entry.path().extension() == ".pdf";
}

// The entries of the folder, read before any of them is removed.
std::vector<fs::directory_entry> entriesOf(const fs::path& folder) {
  std::vector<fs::directory_entry> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) out.push_back(*it);
  return out;
}

// The descriptor still names the file at `path`: nobody removed it and
// put another in its place between the open and the lock.
bool sameFile(int fd, const fs::path& path) {
  struct stat opened {}, named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
         opened.st_ino == named.st_ino;
}

int openFolder(const fs::path& path) { return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

}  // namespace

std::optional<fs::path> OfficePreviewCache::pdfPathFor(const fs::path& source) const {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return std::nullopt;
  auto sum = checksumOf(source);
  if (!sum) return std::nullopt;
  return folder_ / (pathKey(source) + *sum + ".pdf");
}

void OfficePreviewCache::markUsed(const fs::path& pdf) const {
  std::error_code ec;
  fs::last_write_time(pdf, fs::file_time_type::clock::now(), ec);
}

void OfficePreviewCache::added(const fs::path& source, const fs::path& pdf, std::uintmax_t limit) const {
  const std::string key = pathKey(source);
  std::error_code ec;
  for (const auto& entry : entriesOf(folder_)) {
    if (isPdfEntry(entry) && entry.path() != pdf && entry.path().filename().string().starts_with(key))
      fs::remove(entry.path(), ec);
  }
  keepWithin(limit, pdf);
}

bool OfficePreviewCache::drop(const fs::path& source) const {
  std::set<std::string> keys;
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(source, ec))) {
    for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
      std::error_code kind;
      if (it->is_regular_file(kind)) keys.insert(pathKey(it->path()));
    }
    if (ec) return false;
  } else {
    keys.insert(pathKey(source));
  }
  bool all = true;
  for (const auto& entry : entriesOf(folder_)) {
    if (!isPdfEntry(entry)) continue;
    const std::string name = entry.path().filename().string();
    const auto dash = name.find('-');
    if (dash == std::string::npos || !keys.contains(name.substr(0, dash + 1))) continue;
    std::error_code gone;
    fs::remove(entry.path(), gone);
    all = all && !gone;
  }
  return all;
}

void OfficePreviewCache::keepWithin(std::uintmax_t limit, const fs::path& keep) const {
  struct Kept {
    fs::path path;
    std::uintmax_t size;
    fs::file_time_type used;
  };
  std::vector<Kept> kept;
  std::uintmax_t total = 0;
  std::error_code ec;
  for (const auto& entry : entriesOf(folder_)) {
    if (!isPdfEntry(entry)) continue;
    const auto size = entry.file_size(ec);
    if (ec) continue;
    const auto used = entry.last_write_time(ec);
    if (ec) continue;
    kept.push_back({entry.path(), size, used});
    total += size;
  }
  std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.used < b.used; });
  for (const auto& file : kept) {
    if (total <= limit) break;
    if (file.path == keep) continue;
    if (fs::remove(file.path, ec)) total -= file.size;
  }
}

void OfficePreviewCache::sweep(std::uintmax_t limit) const {
  std::error_code ec;
  for (const auto& entry : entriesOf(folder_)) {
    if (!entry.path().filename().string().starts_with(kWorkPrefix) || !entry.is_directory(ec)) continue;
    const int fd = openFolder(entry.path());
    if (fd < 0) continue;
    // A living conversion holds its folder's lock, whichever process runs
    // it; the lock of a killed one went with its process.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, entry.path())) fs::remove_all(entry.path(), ec);
    ::close(fd);
  }
  keepWithin(limit, {});
}

std::optional<OfficePreviewCache::WorkFolder> OfficePreviewCache::makeWorkFolder() const {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string name = (folder_ / (std::string(kWorkPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(name.data())) return std::nullopt;
    const int fd = openFolder(name);
    if (fd < 0) {
      fs::remove_all(name, ec);
      return std::nullopt;
    }
    // Another instance's sweep may take the new folder for a stale one
    // before it is locked here; it removes only what it has locked, so the
    // folder still there once locked is this conversion's.
    if (::flock(fd, LOCK_EX) == 0 && sameFile(fd, name)) return WorkFolder(name, fd);
    ::close(fd);
  }
  return std::nullopt;
}

OfficePreviewCache::WorkFolder::WorkFolder(WorkFolder&& other) noexcept
    : path_(std::move(other.path_)), lock_(std::exchange(other.lock_, -1)) {
  other.path_.clear();
}

OfficePreviewCache::WorkFolder::~WorkFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
  if (lock_ >= 0) ::close(lock_);
}

}  // namespace svc
