#include "platform/base/FileIO.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/base/Log.hpp"

namespace fs = std::filesystem;

namespace base {

namespace {

// A write under way is named ".<name>.tmp-<process id>-<count>" beside the
// file it becomes.
constexpr std::string_view kUnfinished = ".tmp-";

fs::path unfinishedWriteOf(const fs::path& path, unsigned count) {
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  return dir / ("." + path.filename().string() + std::string(kUnfinished) + std::to_string(::getpid()) + "-" +
                std::to_string(count));
}

bool allDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process whose unfinished write `name` is; nothing for another name.
std::optional<std::string_view> writerOf(std::string_view name) {
  const auto at = name.rfind(kUnfinished);
  if (name.size() < 2 || name.front() != '.' || at == std::string_view::npos || at < 2) return std::nullopt;
  const std::string_view tail = name.substr(at + kUnfinished.size());
  const auto dash = tail.find('-');
  if (dash == std::string_view::npos || !allDigits(tail.substr(0, dash)) || !allDigits(tail.substr(dash + 1)))
    return std::nullopt;
  return tail.substr(0, dash);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readFileBytes(const fs::path& path, std::size_t maxBytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::vector<std::uint8_t> out;
  std::uint8_t buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
      ::close(fd);
      return std::nullopt;
    }
    out.insert(out.end(), buf, buf + n);
  }
  ::close(fd);
  return out;
}

bool writeFileAtomically(const fs::path& path, const void* bytes, std::size_t size, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  const fs::path temp = unfinishedWriteOf(path, counter.fetch_add(1));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    MV_LOG("cannot create ", temp.string());
    return false;
  }
  const auto* p = static_cast<const char*>(bytes);
  std::size_t left = size;
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    MV_LOG("cannot write ", path.string());
    ::unlink(temp.c_str());
  }
  return ok;
}

std::size_t removeUnfinishedWrites(const fs::path& folder) {
  const std::string self = std::to_string(::getpid());
  std::vector<fs::path> unfinished;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const auto writer = writerOf(name);
    std::error_code kind;
    if (writer && *writer != self && it->is_regular_file(kind)) unfinished.push_back(it->path());
  }
  std::size_t removed = 0;
  for (const fs::path& file : unfinished) {
    std::error_code gone;
    if (fs::remove(file, gone)) ++removed;
  }
  return removed;
}

bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  auto f = folder.begin();
  auto p = path.begin();
  for (; f != folder.end(); ++f, ++p) {
    if (p == path.end() || *f != *p) return false;
  }
  return true;
}

}  // namespace base
