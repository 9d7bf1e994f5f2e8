#include "util/MappedFile.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace mv {

namespace {

// What stays behind the reader: a value it reads again at once (a key, the
// start of a row) is not read from the disk anew.
constexpr std::size_t kKeptBehind = std::size_t{1} << 20;

}  // namespace

std::unique_ptr<MappedFile> MappedFile::open(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  void* data = nullptr;
  if (size > 0) {
    data = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (data == MAP_FAILED) data = nullptr;
  }
  // The mapping keeps the file's bytes; the descriptor is no longer needed.
  ::close(fd);
  if (size > 0 && !data) return nullptr;
  if (data) ::madvise(data, size, MADV_SEQUENTIAL);
  return std::unique_ptr<MappedFile>(new MappedFile(static_cast<const char*>(data), size));
}

MappedFile::~MappedFile() {
  if (data_) ::munmap(const_cast<char*>(data_), size_);
}

std::string_view MappedFile::textBefore(char byte) const {
  constexpr std::size_t kStretch = std::size_t{8} << 20;
  for (std::size_t at = 0; at < size_; at += kStretch) {
    const std::size_t length = std::min(kStretch, size_ - at);
    const void* found = std::memchr(data_ + at, byte, length);
    ::madvise(const_cast<char*>(data_) + at, length, MADV_DONTNEED);
    if (found) return {data_, static_cast<std::size_t>(static_cast<const char*>(found) - data_)};
  }
  return text();
}

void MappedFile::release(const char* upTo) const {
  if (!data_ || upTo < data_ || upTo > data_ + size_) return;
  const auto passed = static_cast<std::size_t>(upTo - data_);
  if (passed < released_) released_ = 0;
  if (passed < released_ + 2 * kKeptBehind) return;
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t end = (passed - kKeptBehind) / page * page;
  if (end <= released_) return;
  ::madvise(const_cast<char*>(data_) + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}

}  // namespace mv
