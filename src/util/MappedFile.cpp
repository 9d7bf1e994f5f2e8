#include "util/MappedFile.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace mv {

namespace {

// What stays behind the reader: a value it reads again at once (a key, the
// start of a row) is not read from the disk anew.
constexpr std::size_t kKeptBehind = std::size_t{1} << 20;

}  // namespace

std::unique_ptr<MappedFile> MappedFile::open(const std::filesystem::path& path, std::size_t stretch) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  // Addresses for the whole text, backed by memory only where it is read.
  void* data = nullptr;
  if (size > 0) {
    data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (data == MAP_FAILED) {
      ::close(fd);
      return nullptr;
    }
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return std::unique_ptr<MappedFile>(
      new MappedFile(fd, static_cast<char*>(data), size, st.st_mtim, std::max<std::size_t>(stretch, 1)));
}

MappedFile::~MappedFile() {
  if (data_) ::munmap(data_, size_);
  ::close(fd_);
}

bool MappedFile::unchanged() const {
  struct stat st {};
  return ::fstat(fd_, &st) == 0 && static_cast<std::size_t>(st.st_size) == size_ &&
         st.st_mtim.tv_sec == modified_.tv_sec && st.st_mtim.tv_nsec == modified_.tv_nsec;
}

std::string_view MappedFile::restart() const {
  read_ = 0;
  released_ = 0;
  changed_ = false;
  ended_ = size_ == 0;
  return {data_, 0};
}

std::string_view MappedFile::readMore() const {
  if (ended_) return {data_, read_};
  const std::size_t want = std::min(stretch_, size_ - read_);
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n = ::pread(fd_, data_ + read_ + got, want - got, static_cast<off_t>(read_ + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  // The text ends at its first NUL byte, as a text received does.
  if (const void* nul = std::memchr(data_ + read_, '\0', got)) {
    read_ = static_cast<std::size_t>(static_cast<const char*>(nul) - data_);
    ended_ = true;
  } else {
    read_ += got;
    ended_ = got < want || read_ == size_;
  }
  // Cut short, or written since: what was read may not be what it held.
  if (got < want || !unchanged()) {
    changed_ = true;
    ended_ = true;
  }
  return {data_, read_};
}

void MappedFile::release(const char* upTo) const {
  if (!data_ || upTo < data_ || upTo > data_ + read_) return;
  const auto passed = static_cast<std::size_t>(upTo - data_);
  if (passed < released_ + 2 * kKeptBehind) return;
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t end = (passed - kKeptBehind) / page * page;
  if (end <= released_) return;
  ::madvise(data_ + released_, end - released_, MADV_DONTNEED);
  released_ = end;
}

}  // namespace mv
