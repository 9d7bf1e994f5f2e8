#include "platform/gfx/PictureWalk.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/QuickLane.hpp"
#include "platform/gfx/ImageData.hpp"

namespace gfx {
namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};
constexpr std::string_view kJpegSignature{"\xFF\xD8\xFF", 3};

// A picture's bytes, from memory or from a file a window at a time.
class Source {
 public:
  explicit Source(std::string_view bytes) : memory_(bytes), size_(static_cast<std::int64_t>(bytes.size())) {}
  Source(int fd, std::int64_t size) : fd_(fd), size_(size) {}

  std::int64_t size() const { return size_; }
  // Up to `length` bytes from `offset`, fewer at the end (or when the file
  // cannot be read); valid until the next call.
  std::string_view at(std::int64_t offset, std::size_t length) {
    if (offset < 0 || offset >= size_) return {};
    length = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(length), size_ - offset));
    if (fd_ < 0) return memory_.substr(static_cast<std::size_t>(offset), length);
    const auto end = windowAt_ + static_cast<std::int64_t>(window_.size());
    if (offset < windowAt_ || offset + static_cast<std::int64_t>(length) > end) fill(offset, length);
    const auto from = static_cast<std::size_t>(offset - windowAt_);
    return std::string_view(window_).substr(std::min(from, window_.size()), length);
  }
  int byte(std::int64_t offset) {
    const std::string_view b = at(offset, 1);
    return b.empty() ? -1 : static_cast<unsigned char>(b[0]);
  }
  // Where the next 0xFF lies from `offset`, or -1 when none does.
  std::int64_t nextFF(std::int64_t offset) {
    for (;;) {
      const std::string_view window = rest(offset);
      if (window.empty()) return -1;
      if (const void* found = std::memchr(window.data(), 0xFF, window.size()))
        return offset + (static_cast<const char*>(found) - window.data());
      offset += static_cast<std::int64_t>(window.size());
    }
  }

 private:
  static constexpr std::size_t kWindow = 64 * 1024;

  // The bytes from `offset` to the end of those at hand: the window (read
  // anew there when it does not hold `offset`), or all of them in memory.
  std::string_view rest(std::int64_t offset) {
    if (offset < 0 || offset >= size_) return {};
    if (fd_ < 0) return memory_.substr(static_cast<std::size_t>(offset));
    if (offset < windowAt_ || offset >= windowAt_ + static_cast<std::int64_t>(window_.size())) fill(offset, kWindow);
    return std::string_view(window_).substr(std::min(static_cast<std::size_t>(offset - windowAt_), window_.size()));
  }

  void fill(std::int64_t offset, std::size_t length) {
    window_.resize(std::max(length, kWindow));
    std::size_t got = 0;
    while (got < window_.size()) {
      const ssize_t n = ::pread(fd_, window_.data() + got, window_.size() - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    window_.resize(got);
    windowAt_ = offset;
  }

  std::string_view memory_;
  int fd_ = -1;
  std::int64_t size_ = 0;
  std::string window_;
  std::int64_t windowAt_ = 0;
};

// Where a walk stopped: at the picture's end marker; where the bytes end
// between chunks or segments (or within a scan's data, where no walk can
// tell a cut); inside a chunk or segment, or before the signature ends;
// or at bytes no encoder writes.
enum class Stop { End, Eof, Inside, Broken };

struct Walked {
  Stop stop = Stop::Broken;
  // It reached the image data: a PNG's IDAT, a JPEG's first scan after its frame.
  bool data = false;
};

std::uint32_t bigEndian32(std::string_view b) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[3]));
}

// A PNG's chunks by their lengths, up to IEND. Bytes after IEND (some
// tools append their own) are let be.
Walked walkPng(Source& in) {
  static constexpr std::string_view kEnd{"\0\0\0\0IEND\xAE\x42\x60\x82", 12};
  const std::int64_t size = in.size();
  // Nearly every PNG ends with the chunk itself.
  if (size >= 20 && in.at(size - 12, 12) == kEnd) return {Stop::End, true};
  bool data = false;
  std::int64_t at = static_cast<std::int64_t>(kPngSignature.size());
  for (;;) {
    if (at == size) return {Stop::Eof, data};
    const std::string_view chunk = in.at(at, 8);
    if (chunk.size() < 8) return {Stop::Inside, data};
    const std::uint32_t length = bigEndian32(chunk);
    if (length > 0x7FFFFFFFu) return {Stop::Broken, data};
    if (chunk.substr(4) == "IEND") return {Stop::End, data};
    if (chunk.substr(4) == "IDAT") data = true;
    at += 12 + static_cast<std::int64_t>(length);
    if (at > size) return {Stop::Inside, data};
  }
}

// Fill bytes (0xFF) an encoder may put before a marker: a few at most. A
// run past this is no picture's, and stops the walk.
constexpr std::int64_t kMostFill = 64 * 1024;

// A JPEG's segments by their lengths and its scans' data up to the marker
// after each, up to the marker that ends the image. Its end is looked for
// first among the last bytes past the start of the first scan: the scans'
// bytes never hold it (a 0xFF there is followed by 0 or a restart marker),
// so only a whole picture, perhaps with a little padding after it, has it
// there (the end marker of a thumbnail in the metadata, before the scan,
// does not count). A picture with more after its end (a camera's trailer,
// a motion photo's video) is walked to it.
Walked walkJpeg(Source& in) {
  constexpr std::int64_t kTail = 1024;
  const std::int64_t size = in.size();
  std::int64_t at = 2;  // past the start of image
  bool frame = false, data = false, tailLooked = false;
  for (;;) {
    if (at >= size) return {Stop::Eof, data};
    if (in.byte(at) != 0xFF) return {Stop::Broken, data};
    const std::int64_t fillFrom = ++at;
    int marker = in.byte(at);
    while (marker == 0xFF) {
      if (++at - fillFrom > kMostFill) return {Stop::Broken, data};
      marker = in.byte(at);
    }
    if (marker < 0) return {Stop::Inside, data};
    ++at;
    if (marker == 0xD9) return {Stop::End, data};
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
    const std::string_view length = in.at(at, 2);
    if (length.size() < 2) return {Stop::Inside, data};
    const int bytes = static_cast<unsigned char>(length[0]) << 8 | static_cast<unsigned char>(length[1]);
    if (bytes < 2) return {Stop::Broken, data};
    at += bytes;
    if (at > size) return {Stop::Inside, data};
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) frame = true;
    if (marker != 0xDA) continue;
    if (!frame) return {Stop::Broken, data};
    data = true;
    if (!tailLooked) {
      tailLooked = true;
      const std::int64_t from = std::max(at, size - kTail);
      if (from < size && in.at(from, static_cast<std::size_t>(size - from)).find("\xFF\xD9") != std::string_view::npos)
        return {Stop::End, data};
    }
    // The scan's data runs to the first 0xFF not followed by 0 or a
    // restart marker: the 0xFF of the marker after it.
    for (;;) {
      const std::int64_t ff = in.nextFF(at);
      if (ff < 0) return {Stop::Eof, data};
      std::int64_t next = ff + 1;
      int following = in.byte(next);
      while (following == 0xFF) {
        if (++next - ff > kMostFill) return {Stop::Broken, data};
        following = in.byte(next);
      }
      if (following < 0) return {Stop::Eof, data};
      if (following == 0 || (following >= 0xD0 && following <= 0xD7)) {
        at = next + 1;
        continue;
      }
      at = next - 1;
      break;
    }
  }
}

std::mutex& observerMutex() {
  static std::mutex mutex;
  return mutex;
}

std::function<void()>& readThroughObserver() {
  static std::function<void()> told;
  return told;
}

// What the walk alone is certain of: the bytes end inside a chunk or
// segment, or before any image data.
bool certainlyCut(const Walked& walked) {
  return walked.stop == Stop::Inside || (!walked.data && walked.stop == Stop::Eof);
}

// The walk and, where it cannot tell, the decoder's read-through
// (`readThrough` reads the picture's header and its data).
template <typename ReadThrough>
PictureWalk::Ending settle(PictureWalk::Kind kind, Source& in, const ReadThrough& readThrough) {
  PictureWalk::Ending ending;
  ending.kind = kind;
  const Walked walked = kind == PictureWalk::Kind::Png ? walkPng(in) : walkJpeg(in);
  if (walked.stop == Stop::End) return ending;
  if (!base::QuickLane::mayTakeLong()) {
    ending.putOff = true;
    return ending;
  }
  std::function<void()> observer;
  {
    std::lock_guard<std::mutex> lock(observerMutex());
    observer = readThroughObserver();
  }
  if (observer) observer();
  const std::optional<ImageData::Extent> read = readThrough();
  if (!read) {
    // A header the decoder does not read: cut when the bytes end before it
    // does (a JPEG of a kind the decoder does not take is whole up to its scan).
    ending.cutShort = !walked.data && (walked.stop == Stop::Eof || walked.stop == Stop::Inside);
    return ending;
  }
  ending.readThrough = read->readThrough;
  ending.bounded = read->bounded;
  ending.scans = read->scans;
  ending.rows = read->rows;
  ending.outOfBudget = read->outOfBudget;
  ending.cutShort = read->outOfBudget ? certainlyCut(walked)
                    : read->readThrough ? read->cutShort
                                        : walked.stop == Stop::Inside;
  return ending;
}

class OpenFile {
 public:
  explicit OpenFile(const std::filesystem::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  int fd() const { return fd_; }
  std::int64_t size() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
  }

 private:
  int fd_;
};

}  // namespace

PictureWalk::Kind PictureWalk::kindOf(std::string_view head) {
  const auto opens = [&](std::string_view signature) {
    return head.size() >= 2 && signature.starts_with(head.substr(0, std::min(head.size(), signature.size())));
  };
  if (opens(kPngSignature)) return Kind::Png;
  if (opens(kJpegSignature)) return Kind::Jpeg;
  return Kind::Other;
}

PictureWalk::Ending PictureWalk::ending(std::string_view bytes, ReadThroughBudget* budget) {
  const Kind kind = kindOf(bytes);
  if (kind == Kind::Other) return {};
  Source in(bytes);
  return settle(kind, in, [&] { return ImageData::extent(bytes, budget); });
}

PictureWalk::Ending PictureWalk::endingOfFile(const std::filesystem::path& path, ReadThroughBudget* budget) {
  const OpenFile file(path);
  const std::int64_t size = file.size();
  if (size < 0) return {};
  Source in(file.fd(), size);
  const Kind kind = kindOf(in.at(0, kPngSignature.size()));
  if (kind == Kind::Other) return {};
  return settle(kind, in, [&] { return ImageData::extentOfFile(path, budget); });
}

void PictureWalk::setReadThroughObserver(std::function<void()> observer) {
  std::lock_guard<std::mutex> lock(observerMutex());
  readThroughObserver() = std::move(observer);
}

}  // namespace gfx
