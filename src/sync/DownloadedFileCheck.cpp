#include "sync/DownloadedFileCheck.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>

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
// the last bytes past the start of the first scan: the scans' bytes never
// hold it (a 0xFF there is followed by 0 or a restart marker), so only a
// whole picture, perhaps with a little padding after it, has it there (the
// end marker of a thumbnail in the metadata, before the scan, does not
// count). A picture with more after its end (a camera's trailer, a motion
// photo's video) is walked: its segments by their lengths and its scans
// byte by byte, up to that marker.
bool jpegReachesItsEnd(std::int64_t size, const ReadAt& read) {
  constexpr std::int64_t kTail = 1024;
  constexpr std::size_t kBlock = 16 * 1024;
  std::string block;
  std::int64_t blockAt = 0;
  std::int64_t at = 2;  // past the start of image
  bool tailLooked = false;
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
    if (!tailLooked) {
      tailLooked = true;
      const std::int64_t from = std::max(at - 1, size - kTail);
      if (from < size && read(from, static_cast<std::size_t>(size - from)).find("\xFF\xD9") != std::string::npos)
        return true;
    }
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

// Whether a picture whose header the decoder read shows its own end.
bool pictureReachesItsEnd(std::string_view head, std::int64_t size, const ReadAt& read) {
  if (head.substr(0, kPngSignature.size()) == kPngSignature) return pngReachesItsEnd(size, read);
  return jpegReachesItsEnd(size, read);
}

// An SVG drawing: markup whose first element, past an XML declaration,
// comments and a document type, is <svg.
bool isSvg(std::string_view head) {
  for (;;) {
    head = skipBlank(head);
    std::string_view closing;
    if (head.starts_with("<?")) {
      closing = "?>";
    } else if (head.starts_with("<!--")) {
      closing = "-->";
    } else if (head.starts_with("<!")) {
      // A document type may hold declarations of its own in brackets, each
      // ending in '>' (drawings exported with their entities do).
      const auto open = head.find('[');
      const auto end = head.find('>');
      closing = open != std::string_view::npos && open < end ? "]>" : ">";
    } else {
      break;
    }
    const auto end = head.find(closing);
    if (end == std::string_view::npos) return false;
    head.remove_prefix(end + closing.size());
  }
  if (asciiLowercase(head.substr(0, 4)) != "<svg" || head.size() < 5) return false;
  const char after = head[4];
  return after == ' ' || after == '>' || after == '\n' || after == '\r' || after == '\t' || after == '/';
}

// A JPEG whose segments, walked by their lengths, reach its first scan
// past its frame header: bytes cut short end before. One the decoder still
// does not read is of a kind it does not take (twelve bits, lossless,
// hierarchical), a picture all the same.
bool jpegHeaderIsWhole(std::int64_t size, const ReadAt& read) {
  std::int64_t at = 2;
  bool frame = false;
  while (at + 4 <= size) {
    const std::string segment = read(at, 4);
    if (segment.size() < 4 || static_cast<unsigned char>(segment[0]) != 0xFF) return false;
    const auto marker = static_cast<unsigned char>(segment[1]);
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    if (marker == 0xDA) return frame;
    if (marker == 0xD9) return false;
    const int length = static_cast<unsigned char>(segment[2]) << 8 | static_cast<unsigned char>(segment[3]);
    if (length < 2) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) frame = true;
    at += 2 + length;
  }
  return false;
}

// Pictures in formats the decoder does not read, which the service may well
// hold among its pictures: not shown, but its own files and never a page,
// so kept rather than fetched again at every sync.
bool isOtherPictureFormat(std::string_view head) {
  const auto at = [&](std::size_t offset, std::string_view bytes) {
    return head.size() >= offset + bytes.size() && head.substr(offset, bytes.size()) == bytes;
  };
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
  // HEIC and AVIF: a file-type box naming a brand of theirs.
  if (at(4, "ftyp")) {
    for (const char* brand : {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "avif",
                              "avis"})
      if (at(8, brand)) return true;
  }
  // An icon or cursor: a reserved zero, its kind, and at least one image.
  if ((at(0, std::string_view("\0\0\1\0", 4)) || at(0, std::string_view("\0\0\2\0", 4))) && head.size() >= 6 &&
      (head[4] != 0 || head[5] != 0))
    return true;
  // JPEG 2000, in its file format or as a bare codestream.
  if (at(0, std::string_view("\0\0\0\x0CjP  \r\n\x87\n", 12)) || at(0, "\xFF\x4F\xFF\x51")) return true;
  return isSvg(head);
}

// Names of documents whose bytes may themselves be a web page: pages, and
// the office formats that spreadsheets and letters are saved as pages under
// (a table saved as .xls, a page saved as .doc), which open from disk.
bool mayBeAPage(std::string_view name) {
  for (const char* extension : {".html", ".htm", ".xhtml", ".shtml", ".xls", ".xlt", ".doc", ".dot"})
    if (endsWithNoCase(name, extension)) return true;
  return false;
}

// Bytes in a unit a listing may write, or 0 for one it does not.
double bytesPerUnit(std::string_view unit) {
  const std::string u = asciiLowercase(unit);
  if (u == "b" || u == "byte" || u == "bytes") return 1;
  if (u == "k" || u == "kb" || u == "kib") return 1024.0;
  if (u == "m" || u == "mb" || u == "mib") return 1048576.0;
  if (u == "g" || u == "gb" || u == "gib") return 1073741824.0;
  if (u == "t" || u == "tb" || u == "tib") return 1099511627776.0;
  return 0;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

DownloadedFileCheck::Verdict refused(DownloadedFileCheck::Refusal refusal, std::string why) {
  return {refusal, std::move(why)};
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
  std::string_view size(show);
  size.remove_prefix(slash + 1);
  size = trimmed(size.substr(0, size.find('/')));
  double value = 0;
  const auto [end, ec] = std::from_chars(size.data(), size.data() + size.size(), value);
  if (ec != std::errc() || !std::isfinite(value) || value < 0) return std::nullopt;
  const std::string_view unit = trimmed(size.substr(static_cast<std::size_t>(end - size.data())));
  ListedSize listed;
  // A number alone is megabytes, as listings write them, but says too
  // little to bound the file by.
  if (unit.empty()) {
    listed.megabytes = value;
    return listed;
  }
  const double perUnit = bytesPerUnit(unit);
  if (perUnit == 0) return std::nullopt;
  const double bytes = value * perUnit;
  constexpr double kPast64Bits = 9223372036854775808.0;
  if (!(bytes < kPast64Bits)) return std::nullopt;
  listed.megabytes = bytes / 1048576.0;
  const double most = std::ceil(bytes) * kListedSlack + static_cast<double>(kListedFloorBytes);
  listed.mostBytes = most < kPast64Bits ? static_cast<std::int64_t>(most) : std::numeric_limits<std::int64_t>::max();
  return listed;
}

std::int64_t DownloadedFileCheck::mostBytes(int type, std::int64_t listedMost) {
  if (isPictureType(type)) return kMostPictureBytes;
  return listedMost >= 0 ? listedMost : kMostFileBytes;
}

DownloadedFileCheck::Verdict DownloadedFileCheck::check(int type, std::string_view name, std::string_view head,
                                                        std::int64_t size, const fs::path& written) {
  if (!isPictureType(type)) {
    if (!mayBeAPage(name) && looksLikePage(head)) return refused(Refusal::Page, "a web page came in place of the file");
    return {};
  }
  // The header alone, whatever size it declares: one too large to draw here
  // is the service's picture all the same.
  const bool onDisk = !written.empty();
  const bool read = gfx::ImageData::extent(head, false) ||
                    (onDisk && static_cast<std::int64_t>(head.size()) < size &&
                     gfx::ImageData::extentOfFile(written, false));
  if (!read) {
    if (isOtherPictureFormat(head)) return {};
    if (head.starts_with("\xFF\xD8\xFF")) {
      const std::optional<OpenFile> file = onDisk ? std::optional<OpenFile>(std::in_place, written) : std::nullopt;
      if (jpegHeaderIsWhole(size, file ? file->reader() : readerOf(head))) return {};
    }
    // A PNG or JPEG that ends before its header does.
    if (head.starts_with(kPngSignature) || head.starts_with("\xFF\xD8\xFF"))
      return refused(Refusal::CutShort, "the picture stops before its header ends");
    if (looksLikePage(head)) return refused(Refusal::Page, "a web page came in place of the picture");
    return refused(Refusal::NotTheFile, "the bytes are not a picture");
  }
  // A reply without a length that the connection cut ends like a whole one.
  // A picture that shows no end of its own is read through by the decoder.
  bool whole = false;
  if (!onDisk) {
    whole = pictureReachesItsEnd(head, size, readerOf(head));
    if (!whole) whole = !gfx::ImageData::extent(head, true).value_or(gfx::ImageData::Extent{0, 0, true}).cutShort;
  } else {
    const OpenFile file(written);
    whole = pictureReachesItsEnd(head, size, file.reader());
    if (!whole)
      whole = !gfx::ImageData::extentOfFile(written, true).value_or(gfx::ImageData::Extent{0, 0, true}).cutShort;
  }
  return whole ? Verdict{} : refused(Refusal::CutShort, "the picture's data stops short of its last row");
}

bool DownloadedFileCheck::isPictureFile(const fs::path& path) {
  const OpenFile file(path);
  if (!file.isOpen()) return false;
  const std::string head = file.read(0, kPictureHead);
  return check(kFileTypeProductImage, path.filename().string(), head, file.size(), path).refusal == Refusal::None;
}

}  // namespace mv
