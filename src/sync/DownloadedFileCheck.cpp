#include "sync/DownloadedFileCheck.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <limits>

#include "platform/base/Log.hpp"
#include "platform/gfx/PictureWalk.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// What the check reads of a picture's start to tell a page: past any blank
// and an XML declaration, a page names itself at once.
constexpr std::int64_t kPictureHead = 16 * 1024;

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

// The head a picture on disk is judged by: the same however much of it a
// download held, so that a download and a later sync decide alike.
std::string headOf(const fs::path& path, std::string_view held, std::int64_t size) {
  const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size, kPictureHead));
  if (held.size() >= wanted) return std::string(held.substr(0, wanted));
  std::ifstream in(path, std::ios::binary);
  std::string head(wanted, '\0');
  in.read(head.data(), static_cast<std::streamsize>(wanted));
  head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return head;
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

bool holdsAny(std::string_view text, std::initializer_list<std::string_view> marks) {
  return std::any_of(marks.begin(), marks.end(), [&](std::string_view mark) { return text.find(mark) != text.npos; });
}

// Whether a page under an office document's name is one a network sent in
// its place. What an office suite writes into a document it saves as a
// page (its namespaces, its program id, its own styles) keeps it, unless it
// asks for a password; otherwise a form to fill in (a sign-in, terms to
// accept) or a redirection is a network's page, and so is a body far below
// the document's listing, unless it holds a table (what a sheet saved as a
// page is).
bool isPageInPlaceOfDocument(std::string_view head, std::int64_t size, std::int64_t listedBytes) {
  const std::string text = asciiLowercase(head);
  if (holdsAny(text, {"type=\"password\"", "type='password'", "type=password"})) return true;
  if (holdsAny(text,
               {"urn:schemas-microsoft-com:office:", "name=progid", "name=\"progid\"", "class=mso", "class=\"mso"}))
    return false;
  if (holdsAny(text, {"<form", "http-equiv=\"refresh\"", "http-equiv=refresh"})) return true;
  const bool farBelow = listedBytes > 0 && size < listedBytes / DownloadedFileCheck::kListedSlack;
  return farBelow && text.find("<table") == std::string::npos;
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
                                                        std::int64_t listedBytes) {
  if (!isPictureType(type)) {
    if (isPageName(name) || !looksLikePage(head)) return {};
    if (isOfficeName(name) && !isPageInPlaceOfDocument(head, size, listedBytes)) return {};
    return refused(Refusal::Page, "a web page came in place of the file");
  }
  // Under a picture's name the service's own file of any kind is kept,
  // drawn here or not (a screen shows the standard picture for one it
  // cannot draw); refused are a page, and a PNG or JPEG whose bytes are
  // certainly cut.
  if (size <= 0) return refused(Refusal::CutShort, "no bytes came");
  const bool onDisk = !written.empty();
  const std::string onDiskHead = onDisk ? headOf(written, head, size) : std::string();
  if (onDisk) head = onDiskHead;
  const gfx::PictureWalk::Ending ending =
      onDisk ? gfx::PictureWalk::endingOfFile(written) : gfx::PictureWalk::ending(head);
  if (ending.cutShort) return refused(Refusal::CutShort, "the picture's bytes stop short of its end");
  if (ending.bounded)
    MV_LOG("The picture ", name, " has more scans than an honest one, or scans out of order: read to scan ",
           ending.scans, " and kept");
  if (ending.kind == gfx::PictureWalk::Kind::Other && looksLikePage(head))
    return refused(Refusal::Page, "a web page came in place of the picture");
  return {};
}

bool DownloadedFileCheck::isPictureFile(const fs::path& path) {
  std::error_code ec;
  const auto size = fs::file_size(path, ec);
  if (ec) return false;
  return check(kFileTypeProductImage, path.filename().string(), {}, static_cast<std::int64_t>(size), path).refusal ==
         Refusal::None;
}

}  // namespace mv
