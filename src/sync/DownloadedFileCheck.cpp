#include "sync/DownloadedFileCheck.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <functional>

#include "platform/gfx/ImageData.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// Enough of a picture for the header of almost any; one whose header lies
// further in is read again up to the decoder's own bound.
constexpr std::size_t kPictureHead = 16 * 1024;

bool endsWithNoCase(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && asciiLowercase(text.substr(text.size() - tail.size())) == tail;
}

std::string_view skipBlank(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n'))
    text.remove_prefix(1);
  return text;
}

// Bytes that open as a web page: what a network's sign-in page or a
// server's error page brings in place of a document.
bool looksLikePage(std::string_view head) {
  head = skipBlank(head);
  std::string start = asciiLowercase(head.substr(0, 64));
  if (start.rfind("<?xml", 0) == 0) {
    const auto end = head.find("?>");
    if (end == std::string_view::npos) return false;
    start = asciiLowercase(skipBlank(head.substr(end + 2)).substr(0, 64));
  }
  for (const char* tag : {"<!doctype html", "<html", "<head", "<body", "<script", "<meta", "<title"}) {
    if (start.rfind(tag, 0) == 0) return true;
  }
  return false;
}

std::string bytesText(std::int64_t bytes) { return std::to_string(bytes) + " bytes"; }

// Up to `length` of a file's bytes from `offset`: fewer at its end, none
// past it or when it cannot be read.
using ReadAt = std::function<std::string(std::int64_t offset, std::size_t length)>;

ReadAt readerOf(std::string_view bytes) {
  return [bytes](std::int64_t offset, std::size_t length) {
    if (offset < 0 || offset >= static_cast<std::int64_t>(bytes.size())) return std::string();
    return std::string(bytes.substr(static_cast<std::size_t>(offset), length));
  };
}

class OpenFile {
 public:
  explicit OpenFile(const fs::path& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  std::int64_t size() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
  }
  std::string read(std::int64_t offset, std::size_t length) const {
    std::string out(length, '\0');
    std::size_t got = 0;
    while (fd_ >= 0 && got < length) {
      const ssize_t n = ::pread(fd_, out.data() + got, length - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    return out;
  }
  ReadAt reader() const {
    return [this](std::int64_t offset, std::size_t length) { return read(offset, length); };
  }

 private:
  int fd_;
};

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1A\n", 8};

std::uint32_t bigEndian32(std::string_view b) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[0])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[3]));
}

// A PNG whose chunks, walked by their lengths, reach its IEND chunk: a file
// cut short ends inside one. Bytes after IEND (some tools append their own)
// are let be.
bool pngReachesItsEnd(std::int64_t size, const ReadAt& read) {
  static constexpr std::string_view kEnd{"\0\0\0\0IEND\xAE\x42\x60\x82", 12};
  // Nearly every PNG ends with the chunk itself.
  if (size >= 20 && read(size - 12, 12) == kEnd) return true;
  std::int64_t at = static_cast<std::int64_t>(kPngSignature.size());
  while (at + 12 <= size) {
    const std::string chunk = read(at, 8);
    if (chunk.size() < 8) return false;
    const std::uint32_t length = bigEndian32(chunk);
    if (length > 0x7FFFFFFFu) return false;
    if (chunk.compare(4, 4, "IEND") == 0) return true;
    at += 12 + static_cast<std::int64_t>(length);
  }
  return false;
}

// A JPEG that reaches the marker ending its image. It is looked for among
// the last bytes first: the scans' bytes never hold it (a 0xFF there is
// followed by 0 or a restart marker), so only a whole picture, perhaps with
// a little padding after it, has it there. A picture with more after its
// end (a camera's trailer, a motion photo's video) is walked: its segments
// by their lengths and its scans byte by byte, up to that marker.
bool jpegReachesItsEnd(std::int64_t size, const ReadAt& read) {
  constexpr std::size_t kTail = 1024;
  const std::int64_t tailFrom = std::max<std::int64_t>(2, size - static_cast<std::int64_t>(kTail));
  if (read(tailFrom, kTail).find("\xFF\xD9") != std::string::npos) return true;
  constexpr std::size_t kBlock = 64 * 1024;
  std::string block;
  std::int64_t blockAt = 0;
  std::int64_t at = 2;  // past the start of image
  const auto next = [&]() -> int {
    if (at >= size) return -1;
    if (at < blockAt || at >= blockAt + static_cast<std::int64_t>(block.size())) {
      blockAt = at;
      block = read(at, kBlock);
      if (block.empty()) return -1;
    }
    return static_cast<unsigned char>(block[static_cast<std::size_t>(at++ - blockAt)]);
  };
  int byte = next();
  for (;;) {
    if (byte != 0xFF) return false;
    int marker = next();
    while (marker == 0xFF) marker = next();
    if (marker < 0) return false;
    if (marker == 0xD9) return true;
    const bool standalone = marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
    if (!standalone) {
      const int high = next();
      const int low = next();
      if (low < 0) return false;
      const int length = high << 8 | low;
      if (length < 2) return false;
      at += length - 2;
    }
    byte = next();
    if (marker != 0xDA) continue;
    // A scan: its bytes run to the first 0xFF that is not followed by 0 or
    // a restart marker.
    for (;;) {
      while (byte >= 0 && byte != 0xFF) byte = next();
      if (byte < 0) return false;
      int following = next();
      while (following == 0xFF) following = next();
      if (following < 0) return false;
      if (following == 0 || (following >= 0xD0 && following <= 0xD7)) {
        byte = next();
        continue;
      }
      // The marker after the scan: stepped back onto its 0xFF.
      at -= 2;
      byte = next();
      break;
    }
  }
}

// Whether a picture whose header the decoder read reaches its own end.
bool pictureReachesItsEnd(std::string_view head, std::int64_t size, const ReadAt& read) {
  if (head.substr(0, kPngSignature.size()) == kPngSignature) return pngReachesItsEnd(size, read);
  return jpegReachesItsEnd(size, read);
}

// Pictures in formats the decoder does not read, which the service may well
// hold among its pictures: not shown, but its own files and never a page,
// so kept rather than fetched again at every sync.
bool isOtherPictureFormat(std::string_view head) {
  const auto at = [&](std::size_t offset, std::string_view bytes) { return head.substr(offset, bytes.size()) == bytes; };
  if (at(0, "GIF87a") || at(0, "GIF89a")) return true;
  if (at(0, "RIFF") && at(8, "WEBP")) return true;
  if (at(0, std::string_view("II*\0", 4)) || at(0, std::string_view("MM\0*", 4))) return true;
  // A bitmap names the size of its info header, one of a few.
  if (at(0, "BM") && head.size() >= 18) {
    const unsigned info = static_cast<unsigned char>(head[14]) | static_cast<unsigned char>(head[15]) << 8 |
                          static_cast<unsigned>(static_cast<unsigned char>(head[16])) << 16 |
                          static_cast<unsigned>(static_cast<unsigned char>(head[17])) << 24;
    for (unsigned known : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u})
      if (info == known) return true;
  }
  return false;
}

}  // namespace

bool DownloadedFileCheck::isPictureType(int type) {
  return type == kFileTypeProductImage || type == kFileTypeCatalogImage || type == kFileTypeConfigImage ||
         type == kFileTypeLibraryImage;
}

std::optional<DownloadedFileCheck::ListedSize> DownloadedFileCheck::listedSize(
    const marvisto_library_files_Entity& file) {
  const std::string show = file.infoShow();
  const auto slash = show.find('/');
  if (slash == std::string::npos) return std::nullopt;
  std::string size = show.substr(slash + 1);
  size = size.substr(0, size.find('/'));
  const auto unit = size.find(" M");
  if (unit != std::string::npos) size.erase(unit, 2);
  const char* begin = size.data();
  const char* const last = size.data() + size.size();
  while (begin < last && *begin == ' ') ++begin;
  ListedSize listed;
  auto [end, ec] = std::from_chars(begin, last, listed.megabytes);
  if (ec != std::errc() || !(listed.megabytes >= 0)) return std::nullopt;
  // Bytes are told only by a size in megabytes, as listings give it. "2.5"
  // may be anything from 2.4 to 2.6 megabytes, of a thousand kilobytes or
  // of 1024 kibibytes: the listing says neither which nor whether its last
  // digit was rounded or cut off ("2 M" for 2.9 by a whole division).
  const std::string_view written(begin, static_cast<std::size_t>(end - begin));
  const auto point = written.find('.');
  const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(written.size() - point - 1);
  if (unit == std::string::npos) return listed;
  const double digit = 1.0 / std::pow(10.0, decimals);
  listed.bytes.least = static_cast<std::int64_t>(std::floor(std::max(listed.megabytes - digit, 0.0) * 1e6));
  listed.bytes.most = static_cast<std::int64_t>(std::ceil((listed.megabytes + digit) * 1048576.0));
  return listed;
}

std::int64_t DownloadedFileCheck::mostBytes(int type, ByteRange listed) {
  if (isPictureType(type)) return kMostPictureBytes;
  return listed.most >= 0 ? listed.most : kMostFileBytes;
}

std::string DownloadedFileCheck::problem(int type, std::string_view name, std::string_view head, std::int64_t size,
                                         const fs::path& written, ByteRange listed) {
  if (isPictureType(type)) {
    const bool read = gfx::ImageData::dimensions(head) ||
                      (!written.empty() && static_cast<std::int64_t>(head.size()) < size &&
                       gfx::ImageData::dimensionsOfFile(written));
    if (!read) {
      if (isOtherPictureFormat(head)) return {};
      return looksLikePage(head) ? "a web page came in place of the picture" : "the bytes are not a picture";
    }
    // A reply without a length that the connection cut ends like a whole one.
    bool whole = false;
    if (written.empty()) {
      whole = pictureReachesItsEnd(head, size, readerOf(head));
    } else {
      const OpenFile file(written);
      whole = pictureReachesItsEnd(head, size, file.reader());
    }
    return whole ? std::string() : "the picture stops short of its end";
  }
  if (listed.most >= 0 && (size < listed.least || size > listed.most)) {
    return "the file holds " + bytesText(size) + " where its listing gives " + bytesText(listed.least) + " to " +
           bytesText(listed.most);
  }
  // A document may be a page itself only when its name says so.
  const bool page = endsWithNoCase(name, ".html") || endsWithNoCase(name, ".htm") || endsWithNoCase(name, ".xhtml");
  if (!page && looksLikePage(head)) return "a web page came in place of the file";
  return {};
}

bool DownloadedFileCheck::isPictureFile(const fs::path& path) {
  const OpenFile file(path);
  if (!file.isOpen()) return false;
  const std::string head = file.read(0, kPictureHead);
  const bool read = gfx::ImageData::dimensions(head) ||
                    (head.size() == kPictureHead && gfx::ImageData::dimensionsOfFile(path).has_value());
  if (!read) return isOtherPictureFormat(head);
  // Bytes cut short (an earlier version's download, a reply the connection
  // cut) are fetched again.
  return pictureReachesItsEnd(head, file.size(), file.reader());
}

}  // namespace mv
