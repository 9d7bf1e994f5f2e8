#include "sync/DownloadedFileCheck.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <limits>

#include "platform/base/Log.hpp"
#include "platform/gfx/PictureWalk.hpp"
#include "sync/DownloadedPage.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// What the check reads of a picture's start to tell a page: past any blank
// and an XML declaration, a page names itself at once.
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
// server's error page brings in place of a document. Comments before the
// first tag are passed over while they end within `head`.
bool looksLikePage(std::string_view head) {
  head = skipBlank(head);
  if (asciiLowercase(head.substr(0, 5)) == "<?xml") {
    const auto end = head.find("?>");
    if (end == std::string_view::npos) return false;
    head = skipBlank(head.substr(end + 2));
  }
  while (head.substr(0, 4) == "<!--") {
    const auto end = head.find("-->", 4);
    if (end == std::string_view::npos) return false;
    head = skipBlank(head.substr(end + 3));
  }
  const std::string start = asciiLowercase(head.substr(0, 64));
  for (const char* tag : {"<!doctype html", "<html", "<head", "<body", "<script", "<meta", "<title"}) {
    if (start.rfind(tag, 0) == 0) return true;
  }
  return false;
}

// The first `most` bytes of a file of `size` bytes, of which `held` came at
// hand: read from `path` when it holds more, so that a download and a later
// sync decide alike however much of the file a download held.
std::string firstBytes(const fs::path& path, std::string_view held, std::int64_t size, std::size_t most) {
  const auto wanted = static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, static_cast<std::int64_t>(most)));
  if (held.size() >= wanted || path.empty()) return std::string(held.substr(0, wanted));
  std::ifstream in(path, std::ios::binary);
  std::string bytes(wanted, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(wanted));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  // A file that cannot be read is judged by what was held.
  return bytes.size() >= held.size() ? bytes : std::string(held);
}

// Names of documents whose bytes are a web page.
bool isPageName(std::string_view name) {
  for (const char* extension : {".html", ".htm", ".xhtml", ".shtml"})
    if (endsWithNoCase(name, extension)) return true;
  return false;
}

// Names of the office formats that spreadsheets and letters are saved as
// pages under (a table saved as .xls, a page saved as .doc), which open
// from disk.
bool isOfficeName(std::string_view name) {
  for (const char* extension : {".xls", ".xlt", ".doc", ".dot"})
    if (endsWithNoCase(name, extension)) return true;
  return false;
}

// Why a page under an office document's name is one a network sent in its
// place, or nothing when it is the document saved as a page. A network's
// page asks who the reader is, shows another address in a frame, or sends
// the reader on; or it asks the reader to act (fill in, press, follow a link
// out, which the links an office suite writes into a letter are not) and
// holds little to read; or it is far below the document's listing and
// holds neither an office suite's marks, nor a table, nor text to read. A
// page nested past the parse's depth is no document.
const char* whyNetworksPage(const DownloadedPage& page, std::int64_t size, std::int64_t listedBytes) {
  if (page.asksForPassword) return "it asks for a password";
  if (page.postsCredentials) return "it posts who the reader is";
  if (page.framesElsewhere) return "it frames another address";
  if (page.redirects) return "it sends the reader on";
  if (page.tooDeep) return "it nests deeper than a document";
  const bool asksToAct = page.controls > 0 || (page.links > 0 && !page.officeMarks);
  if (asksToAct && !page.isDocument()) return "it asks the reader to act and holds little to read";
  const bool farBelow = listedBytes > 0 && size < listedBytes / DownloadedFileCheck::kListedSlack;
  if (farBelow && !page.officeMarks && page.rows == 0 && !page.isDocument())
    return "it is far below its listing and holds no document";
  return nullptr;
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
  // little to bound the file by; nor does a size of nothing, which a
  // listing shows for a file it has not measured.
  if (unit.empty() || value == 0) {
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
                                                        std::int64_t size, const fs::path& written,
                                                        std::int64_t listedBytes, gfx::ReadThroughBudget* budget) {
  if (!isPictureType(type)) {
    if (isPageName(name) || !looksLikePage(head)) return {};
    if (!isOfficeName(name)) return refused(Refusal::Page, "a web page came in place of the file");
    const DownloadedPage page = DownloadedPage::read(firstBytes(written, head, size, DownloadedPage::kMostBytes));
    const char* why = whyNetworksPage(page, size, listedBytes);
    if (!why) return {};
    return refused(Refusal::Page, std::string("a web page came in place of the file: ") + why);
  }
  // Under a picture's name the service's own file of any kind is kept,
  // drawn here or not (a screen shows the standard picture for one it
  // cannot draw); refused are a page, and a PNG or JPEG whose bytes are
  // certainly cut.
  if (size <= 0) return refused(Refusal::CutShort, "no bytes came");
  const bool onDisk = !written.empty();
  const std::string onDiskHead = onDisk ? firstBytes(written, head, size, kPictureHead) : std::string();
  if (onDisk) head = onDiskHead;
  const gfx::PictureWalk::Ending ending =
      onDisk ? gfx::PictureWalk::endingOfFile(written, budget) : gfx::PictureWalk::ending(head, budget);
  if (ending.cutShort) return refused(Refusal::CutShort, "the picture's bytes stop short of its end");
  if (ending.outOfBudget)
    MV_LOG("The picture ", name, " was settled by its bytes' order alone: the time for reading pictures through is spent");
  if (ending.bounded)
    MV_LOG("The picture ", name, " has more scans than an honest one, or scans out of order: read to scan ",
           ending.scans, " and kept");
  if (ending.kind == gfx::PictureWalk::Kind::Other && looksLikePage(head))
    return refused(Refusal::Page, "a web page came in place of the picture");
  return {};
}

bool DownloadedFileCheck::isPictureFile(const fs::path& path, gfx::ReadThroughBudget* budget) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return false;
  return check(kFileTypeProductImage, path.filename().string(), {}, static_cast<std::int64_t>(size), path, -1,
               budget)
             .refusal == Refusal::None;
}

}  // namespace mv
