#include "util/ZipArchive.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "util/DiskRoom.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

// An entry name split into safe path components, or why it is refused.
struct EntryPath {
  std::vector<std::string> components;
  bool isFolder = false;
  std::string refusal;  // non-empty: the entry must not be written
};

EntryPath splitEntryName(std::string name) {
  EntryPath entry;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  entry.isFolder = !name.empty() && name.back() == '/';
  if (!name.empty() && name.front() == '/') {
    entry.refusal = "absolute entry name";
    return entry;
  }
  // "C:/..." names a place on another system's drive, never one below the folder.
  if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0]))) {
    entry.refusal = "entry name starts with a drive letter";
    return entry;
  }
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(start, end - start);
    if (part == "..") {
      entry.refusal = "entry name leaves the folder";
      entry.components.clear();
      return entry;
    }
    if (!part.empty() && part != ".") entry.components.push_back(std::move(part));
    start = end + 1;
  }
  return entry;
}

// The prefix `onlyUnder` as entry names are compared with it: "/" for "\\",
// ending in "/" unless empty.
std::string normalizedPrefix(std::string_view onlyUnder) {
  std::string prefix(onlyUnder);
  for (char& c : prefix) {
    if (c == '\\') c = '/';
  }
  if (!prefix.empty() && prefix.back() != '/') prefix.push_back('/');
  return prefix;
}

// No file system takes a path longer than this: an archive with a longer
// name cannot be extracted whole.
constexpr std::size_t kMaximumNameBytes = 4096;

std::uint64_t saturatingProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > UINT64_MAX / a) return UINT64_MAX;
  return a * b;
}

// The entry was stored as a symbolic link (by a Unix or macOS archiver, which
// keep the file mode in the high half of the external attributes).
bool isSymbolicLinkEntry(const unz_file_info64& info) {
  const unsigned long madeBy = info.version >> 8;
  if (madeBy != 3 && madeBy != 19) return false;
  return ((info.external_fa >> 16) & S_IFMT) == S_IFLNK;
}

// The current entry's facts and its name as the archive stores it (which
// may hold a NUL: the name's length is the directory's word); nothing when
// the directory cannot be read there.
std::optional<std::string> readCurrentEntry(unzFile file, unz_file_info64& info) {
  if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
  std::string name(info.size_filename, '\0');
  if (unzGetCurrentFileInfo64(file, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0, nullptr, 0) !=
      UNZ_OK) {
    return std::nullopt;
  }
  return name;
}

// A name beside `path` that does not exist yet, starting with `tag`.
fs::path uniqueSibling(const fs::path& path, const std::string& tag) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate =
        path.parent_path() / ("." + path.filename().string() + tag + std::to_string(random() % 1000000000));
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
  return {};
}

struct FileDescriptor {
  explicit FileDescriptor(int f) : fd(f) {}
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  bool closeChecked() {
    int f = fd;
    fd = -1;
    return ::close(f) == 0;
  }
  int fd;
};

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

ZipArchive::~ZipArchive() { UnzipCloseFile(); }

bool ZipArchive::fail(std::string message) {
  lastError_ = std::move(message);
  MV_LOG("zip: ", lastError_);
  return false;
}

bool ZipArchive::refuseAsTooLarge(std::string message) {
  tooLarge_ = true;
  return fail("refused the archive: " + std::move(message));
}

bool ZipArchive::UnzipOpenFile(const fs::path& path) {
  UnzipCloseFile();
  lastError_.clear();
  tooLarge_ = false;
  shortOfRoom_ = false;
  unzFile file = unzOpen64(path.c_str());
  if (!file) return fail("cannot open the archive " + path.string());
  unz_global_info64 info{};
  if (unzGetGlobalInfo64(file, &info) != UNZ_OK) {
    unzClose(file);
    return fail("cannot read the directory of " + path.string());
  }
  handle_ = file;
  path_ = path;
  entryCount_ = info.number_entry;
  MV_LOG("zip: ", path.string(), " holds ", entryCount_, " entries");
  return true;
}

bool ZipArchive::UnzipCloseFile() {
  if (!handle_) return true;
  int result = unzClose(static_cast<unzFile>(handle_));
  handle_ = nullptr;
  entryCount_ = 0;
  return result == UNZ_OK;
}

bool ZipArchive::UnzipFileTo(const fs::path& folder, bool overWrite) { return extract(folder, overWrite, {}, false); }

bool ZipArchive::UnzipFileTo(const fs::path& folder, bool overWrite, std::string_view onlyUnder) {
  return extract(folder, overWrite, onlyUnder, false);
}

bool ZipArchive::checkWhole(const fs::path& folder, const std::string& prefix, bool stripPrefix) {
  auto file = static_cast<unzFile>(handle_);
  const auto tooManyEntries = [&] {
    return refuseAsTooLarge("it holds more than " + std::to_string(maxEntries_) + " entries");
  };
  if (entryCount_ > maxEntries_) return tooManyEntries();
  std::error_code ec;
  const std::uint64_t archiveBytes = fs::file_size(path_, ec);
  std::uint64_t allowed = maxTotalBytes_;
  if (maxRatio_ != 0 && !ec) {
    allowed = std::min(allowed, std::max(ratioFreeBytes_, saturatingProduct(maxRatio_, archiveBytes)));
  }
  // Each folder a name passes through, once: known by a hash of the path up
  // to it, so a name costs its length however deep it goes.
  std::unordered_set<std::uint64_t> folders;
  std::uint64_t total = 0;
  std::uint64_t entries = 0;
  bool longName = false;
  int status = unzGoToFirstFile(file);
  for (; status == UNZ_OK; status = unzGoToNextFile(file)) {
    if (++entries > maxEntries_) return tooManyEntries();
    unz_file_info64 info{};
    auto read = readCurrentEntry(file, info);
    if (!read) return fail("cannot read an entry of " + path_.string());
    std::string name = std::move(*read);
    for (char& c : name) {
      if (c == '\\') c = '/';
    }
    if (!prefix.empty() && name.compare(0, prefix.size(), prefix) != 0) continue;
    if (stripPrefix) name.erase(0, prefix.size());
    if (info.uncompressed_size > maxEntryBytes_) {
      return refuseAsTooLarge("the entry \"" + name + "\" unpacks to " + std::to_string(info.uncompressed_size) +
                              " bytes, more than " + std::to_string(maxEntryBytes_));
    }
    if (maxRatio_ != 0 && info.uncompressed_size > ratioFreeBytes_ &&
        info.uncompressed_size > saturatingProduct(maxRatio_, info.compressed_size)) {
      return refuseAsTooLarge("the entry \"" + name + "\" unpacks to " + std::to_string(info.uncompressed_size) +
                              " bytes from " + std::to_string(info.compressed_size));
    }
    total += info.uncompressed_size;  // each at most the entry limit: no overflow
    if (total > allowed) {
      return refuseAsTooLarge("it unpacks to more than " + std::to_string(allowed) + " bytes from " +
                              std::to_string(archiveBytes));
    }
    // A name that leaves the folder stops the extraction when it comes to
    // it. One longer than any path is counted all the same (its folders
    // would be made up to the longest path), then refused below.
    EntryPath entry = splitEntryName(name);
    if (!entry.refusal.empty() || entry.components.empty()) continue;
    const std::size_t levels = entry.isFolder ? entry.components.size() : entry.components.size() - 1;
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (std::size_t i = 0; i < levels; ++i) {
      for (char c : entry.components[i]) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
      hash = (hash ^ '/') * 1099511628211ull;
      folders.insert(hash);
      if (folders.size() > maxFolders_) {
        return refuseAsTooLarge("its names make more than " + std::to_string(maxFolders_) + " folders");
      }
    }
    if (name.size() > kMaximumNameBytes) longName = true;
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) return fail("the directory of " + path_.string() + " is damaged");
  if (longName) return fail("an entry name is longer than any path");
  const auto room = DiskRoom::roomFor(folder, keepsMargin_);
  if (room && total > *room) {
    shortOfRoom_ = true;
    return refuseAsTooLarge("it unpacks to " + std::to_string(total) + " bytes, more than the disk has room for");
  }
  return true;
}

bool ZipArchive::extract(const fs::path& folder, bool overWrite, std::string_view onlyUnder, bool stripPrefix) {
  lastError_.clear();
  tooLarge_ = false;
  shortOfRoom_ = false;
  if (!handle_) return fail("no archive is open");
  auto file = static_cast<unzFile>(handle_);
  const std::string prefix = normalizedPrefix(onlyUnder);
  // Everything is checked before the first folder is made: a refused archive
  // leaves nothing behind.
  if (!checkWhole(folder, prefix, stripPrefix)) return false;
  const auto tooManyEntries = [&] {
    return refuseAsTooLarge("it holds more than " + std::to_string(maxEntries_) + " entries");
  };
  std::error_code ec;
  fs::create_directories(folder, ec);
  fs::path root = fs::canonical(folder, ec);
  if (ec || !fs::is_directory(root, ec)) return fail("cannot create the folder " + folder.string());

  int status = unzGoToFirstFile(file);
  if (status == UNZ_END_OF_LIST_OF_FILE) return true;
  std::vector<char> buffer(kReadChunk);
  std::uint64_t unpacked = 0;  // bytes the extracted entries record, together
  std::uint64_t entries = 0;
  while (status == UNZ_OK) {
    if (stop_.isCancelled()) return fail("stopped");
    // The directory's count is only the archive's word: the entries are counted too.
    if (++entries > maxEntries_) return tooManyEntries();
    unz_file_info64 info{};
    auto read = readCurrentEntry(file, info);
    if (!read) return fail("cannot read an entry of " + path_.string());
    std::string name = std::move(*read);
    if (name.find('\0') != std::string::npos) return fail("an entry name holds a NUL character");

    std::string normalized = name;
    for (char& c : normalized) {
      if (c == '\\') c = '/';
    }
    bool selected = prefix.empty() || normalized.compare(0, prefix.size(), prefix) == 0;
    if (selected) {
      if (stripPrefix) normalized.erase(0, prefix.size());
      EntryPath entry = splitEntryName(normalized);
      if (!entry.refusal.empty()) return fail("refused the entry \"" + name + "\": " + entry.refusal);
      // A link written as a file would be harmless here, but whoever reads the
      // folder later might follow it: such archives are refused.
      if (isSymbolicLinkEntry(info)) return fail("refused the entry \"" + name + "\": it is a symbolic link");
      if (!entry.components.empty()) {
        // Walk down from the root; an existing symbolic link on the way could
        // lead anywhere, so it stops the entry.
        fs::path dest = root;
        std::size_t folders = entry.isFolder ? entry.components.size() : entry.components.size() - 1;
        for (std::size_t i = 0; i < folders; ++i) {
          dest /= entry.components[i];
          auto st = fs::symlink_status(dest, ec);
          if (fs::is_symlink(st)) return fail("refused the entry \"" + name + "\": it passes a symbolic link");
          if (fs::exists(st)) {
            if (!fs::is_directory(st)) return fail("cannot create the folder " + dest.string());
          } else if (!fs::create_directory(dest, ec) && !fs::is_directory(dest, ec)) {
            return fail("cannot create the folder " + dest.string());
          }
        }
        if (!entry.isFolder) {
          dest /= entry.components.back();
          fs::path canonicalParent = fs::canonical(dest.parent_path(), ec);
          if (ec || !base::isInside(canonicalParent, root)) {
            return fail("refused the entry \"" + name + "\": it lands outside the folder");
          }
          auto st = fs::symlink_status(dest, ec);
          if (fs::is_symlink(st)) return fail("refused the entry \"" + name + "\": a symbolic link is in its place");
          if (fs::exists(st) && fs::is_directory(st)) return fail("a folder is in the place of " + dest.string());
          bool keep = fs::exists(st) && !overWrite;
          if (!keep) {
            if (info.flag & 1) return fail("the entry \"" + name + "\" is encrypted");
            // Reading never passes the recorded size, so these bounds hold.
            if (info.uncompressed_size > maxEntryBytes_) {
              return fail("refused the entry \"" + name + "\": it unpacks to " +
                          std::to_string(info.uncompressed_size) + " bytes, more than " +
                          std::to_string(maxEntryBytes_));
            }
            unpacked += info.uncompressed_size;
            if (unpacked > maxTotalBytes_) {
              return fail("refused the entry \"" + name + "\": the archive unpacks to more than " +
                          std::to_string(maxTotalBytes_) + " bytes");
            }
            if (unzOpenCurrentFile(file) != UNZ_OK) return fail("cannot open the entry \"" + name + "\"");
            // Written to a temporary file and renamed, so a file is never half there.
            std::string tempName = (dest.parent_path() / ".unzip-part-XXXXXX").string();
            FileDescriptor out(::mkstemp(tempName.data()));
            if (out.fd < 0) {
              unzCloseCurrentFile(file);
              return fail("cannot write " + dest.string() + ": " + std::strerror(errno));
            }
            ::fchmod(out.fd, 0600);
            std::uint64_t total = 0;
            bool ok = true;
            std::string problem;
            for (;;) {
              if (stop_.isCancelled()) {
                ok = false;
                problem = "stopped";
                break;
              }
              int n = unzReadCurrentFile(file, buffer.data(), static_cast<unsigned>(buffer.size()));
              if (n == 0) break;
              if (n < 0) {
                ok = false;
                problem = "cannot read the entry \"" + name + "\"";
                break;
              }
              total += static_cast<std::uint64_t>(n);
              // More bytes than the directory promised: a damaged or hostile entry.
              if (total > info.uncompressed_size) {
                ok = false;
                problem = "the entry \"" + name + "\" is longer than recorded";
                break;
              }
              if (!writeAll(out.fd, buffer.data(), static_cast<std::size_t>(n))) {
                ok = false;
                problem = "cannot write " + dest.string() + ": " + std::strerror(errno);
                break;
              }
            }
            int closeStatus = unzCloseCurrentFile(file);  // checks the CRC after a full read
            if (ok && closeStatus != UNZ_OK) {
              ok = false;
              problem = "the entry \"" + name + "\" is damaged";
            }
            if (ok && total != info.uncompressed_size) {
              ok = false;
              problem = "the entry \"" + name + "\" is shorter than recorded";
            }
            if (ok && !out.closeChecked()) {
              ok = false;
              problem = "cannot write " + dest.string();
            }
            if (ok && ::rename(tempName.c_str(), dest.c_str()) != 0) {
              ok = false;
              problem = "cannot write " + dest.string() + ": " + std::strerror(errno);
            }
            if (!ok) {
              ::unlink(tempName.c_str());
              return fail(problem);
            }
          }
        }
      }
    }
    status = unzGoToNextFile(file);
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) return fail("the directory of " + path_.string() + " is damaged");
  return true;
}

bool ZipArchive::unzipReplacingFolder(const fs::path& folder, std::string_view onlyUnder) {
  lastError_.clear();
  tooLarge_ = false;
  if (!handle_) return fail("no archive is open");
  fs::path target = folder;
  if (!target.has_filename()) target = target.parent_path();  // "dir/" -> "dir"
  // Checked before the staging folder is made, so a refusal leaves nothing.
  if (!checkWhole(target, normalizedPrefix(onlyUnder), true)) return false;
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  fs::path staging = uniqueSibling(target, ".unzip-");
  if (staging.empty() || !fs::create_directory(staging, ec)) {
    return fail("cannot create a folder beside " + target.string());
  }
  if (!extract(staging, true, onlyUnder, true)) {
    std::string reason = lastError_;
    fs::remove_all(staging, ec);
    lastError_ = reason;
    return false;
  }
  fs::path old;
  if (fs::exists(fs::symlink_status(target, ec))) {
    old = uniqueSibling(target, ".old-");
    if (old.empty()) {
      fs::remove_all(staging, ec);
      return fail("cannot move " + target.string() + " aside");
    }
    fs::rename(target, old, ec);
    if (ec) {
      fs::remove_all(staging, ec);
      return fail("cannot move " + target.string() + " aside: " + ec.message());
    }
  }
  fs::rename(staging, target, ec);
  if (ec) {
    std::string reason = ec.message();
    if (!old.empty()) fs::rename(old, target, ec);
    fs::remove_all(staging, ec);
    return fail("cannot move the extracted folder into " + target.string() + ": " + reason);
  }
  if (!old.empty()) {
    fs::remove_all(old, ec);
    if (ec) MV_LOG("zip: cannot remove the old content ", old.string(), ": ", ec.message());
  }
  return true;
}

std::optional<std::string> ZipArchive::contentsOfEntry(std::string_view name, std::size_t maxBytes) {
  if (!handle_) {
    fail("no archive is open");
    return std::nullopt;
  }
  auto file = static_cast<unzFile>(handle_);
  const std::string wanted(name);
  if (unzLocateFile(file, wanted.c_str(), 1) != UNZ_OK) {
    fail("no entry \"" + wanted + "\"");
    return std::nullopt;
  }
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
      info.uncompressed_size > maxBytes) {
    fail("the entry \"" + wanted + "\" is too large");
    return std::nullopt;
  }
  if (unzOpenCurrentFile(file) != UNZ_OK) {
    fail("cannot open the entry \"" + wanted + "\"");
    return std::nullopt;
  }
  // The stated size is the archive's word only: reading stops at the limit.
  std::string out;
  char buffer[16384];
  for (;;) {
    const int got = unzReadCurrentFile(file, buffer, sizeof buffer);
    if (got < 0) {
      unzCloseCurrentFile(file);
      fail("cannot read the entry \"" + wanted + "\"");
      return std::nullopt;
    }
    if (got == 0) break;
    if (out.size() + static_cast<std::size_t>(got) > maxBytes) {
      unzCloseCurrentFile(file);
      fail("the entry \"" + wanted + "\" is too large");
      return std::nullopt;
    }
    out.append(buffer, static_cast<std::size_t>(got));
  }
  if (unzCloseCurrentFile(file) != UNZ_OK) {
    fail("the entry \"" + wanted + "\" is damaged");
    return std::nullopt;
  }
  return out;
}

}  // namespace mv
