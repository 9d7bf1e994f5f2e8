#include "sync/DownloadedFileCheck.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>

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
    if (gfx::ImageData::dimensions(head)) return {};
    if (!written.empty() && static_cast<std::int64_t>(head.size()) < size &&
        gfx::ImageData::dimensionsOfFile(written))
      return {};
    return looksLikePage(head) ? "a web page came in place of the picture" : "the bytes are not a picture";
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
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string head(kPictureHead, '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::read(fd, head.data() + got, head.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  head.resize(got);
  if (gfx::ImageData::dimensions(head)) return true;
  return got == kPictureHead && gfx::ImageData::dimensionsOfFile(path).has_value();
}

}  // namespace mv
