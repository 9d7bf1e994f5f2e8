#include "platform/base/FileIO.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/base/Log.hpp"

namespace fs = std::filesystem;

namespace base {

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
  fs::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  fs::path temp = dir / ("." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                         std::to_string(counter.fetch_add(1)));
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

bool isInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  auto f = folder.begin();
  auto p = path.begin();
  for (; f != folder.end(); ++f, ++p) {
    if (p == path.end() || *f != *p) return false;
  }
  return true;
}

}  // namespace base
