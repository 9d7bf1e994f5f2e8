#include "library/reader/ReaderDocument.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <vector>

#include "library/reader/ReaderThumbCache.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "util/Crypto.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// Passwords are handed over as at most this many bytes of UTF-8, cut at a
// character boundary.
constexpr std::size_t kMaxPasswordBytes = 125;

std::string limitedPassword(const std::string& password) {
  if (password.size() <= kMaxPasswordBytes) return password;
  std::size_t n = kMaxPasswordBytes;
  while (n > 0 && (static_cast<unsigned char>(password[n]) & 0xC0) == 0x80) --n;
  return password.substr(0, n);
}

// Dates are kept in the archive as the text of a property-list date.
std::string dateText(double secondsSince1970) {
  std::time_t t = static_cast<std::time_t>(secondsSince1970);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::optional<double> parseDate(const base::Value& v) {
  if (!v.is_string()) return std::nullopt;
  std::tm tm{};
  char z = 0;
  if (std::sscanf(v.get<std::string>().c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &z) != 7 ||
      z != 'Z')
    return std::nullopt;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<double>(timegm(&tm));
}

std::optional<long long> integerOf(const base::Value& obj, const char* key) {
  auto it = obj.find(key);
  if (it == obj.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<long long>();
}

struct FileFacts {
  double date = 0;  // whole seconds, as archived
  std::uint64_t size = 0;
};

std::optional<FileFacts> factsOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileFacts{static_cast<double>(st.st_mtime), static_cast<std::uint64_t>(st.st_size)};
}

}  // namespace

std::shared_ptr<gfx::PdfDocument> ReaderOpenPDFDocument(const fs::path& fileURL, const std::string& password) {
  if (fileURL.empty()) return nullptr;
  if (auto doc = gfx::PdfDocument::open(fileURL)) return doc;
  if (password.empty()) return nullptr;
  return gfx::PdfDocument::open(fileURL, limitedPassword(password));
}

// --- class operations -----------------------------------------------------------

bool ReaderDocument::isPDF(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char buf[1025] = {};
  in.read(buf, 1024);
  buf[in.gcount()] = '\0';
  return std::strstr(buf, "%PDF") != nullptr;
}

std::string ReaderDocument::GUID() { return randomUUID(); }

fs::path ReaderDocument::documentsPath() { return base::Paths::documents(); }

fs::path ReaderDocument::applicationPath() { return base::Paths::root(); }

fs::path ReaderDocument::applicationSupportPath() {
  fs::path p = base::Paths::applicationSupport();
  std::error_code ec;
  fs::create_directories(p, ec);
  return p;
}

std::optional<std::string> ReaderDocument::relativeFilePath(const fs::path& path) {
  fs::path home = applicationPath().lexically_normal();
  fs::path full = path.lexically_normal();
  fs::path rel = full.lexically_relative(home);
  if (rel.empty() || *rel.begin() == "..") return std::nullopt;
  return "/" + rel.generic_string();
}

fs::path ReaderDocument::archiveFilePath(const std::string& fileName) {
  return applicationSupportPath() / (fs::path(fileName).stem().string() + ".plist");
}

std::shared_ptr<ReaderDocument> ReaderDocument::withDocumentFilePath(const fs::path& path,
                                                                     const std::string& password) {
  MV_ASSERT_MAIN_THREAD();
  auto relative = relativeFilePath(path);
  if (!relative) return nullptr;
  // Records are archived by bare file name: one made for a file of the same
  // name in another folder (another client's) is not this file's. It is
  // replaced, and its thumbnails would be left to no record.
  if (auto archived = unarchiveFromFileName(path, password)) {
    if (archived->relativeName_ == *relative) return archived;
    ReaderThumbCache::removeThumbCacheWithGUID(archived->guid_);
  }
  return initWithFilePath(path, password);
}

bool ReaderDocument::removeRecordsInside(const fs::path& folder) {
  MV_ASSERT_MAIN_THREAD();
  fs::path inside = folder.lexically_normal();
  if (!inside.has_filename()) inside = inside.parent_path();
  // The records are listed before any of them goes.
  std::vector<fs::path> archives;
  std::error_code ec;
  for (fs::directory_iterator it(applicationSupportPath(), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".plist") archives.push_back(it->path());
  }
  bool all = !ec;
  for (const fs::path& archive : archives) {
    ReaderDocument record;
    if (!record.readArchive(archive)) continue;
    if (!base::isInside(record.fileURL().lexically_normal(), inside)) continue;
    fs::remove_all(ReaderThumbCache::thumbCachePathForGUID(record.guid_), ec);
    if (!ec) fs::remove(archive, ec);
    if (ec) {
      MV_LOG("Reader record ", archive.filename().string(), " not removed: ", ec.message());
      all = false;
    }
  }
  return all;
}

std::shared_ptr<ReaderDocument> ReaderDocument::unarchiveFromFileName(const fs::path& path,
                                                                      const std::string& password) {
  std::shared_ptr<ReaderDocument> doc(new ReaderDocument());
  if (!doc->readArchive(archiveFilePath(path.filename().string()))) return nullptr;
  if (!password.empty()) doc->password_ = password;
  return doc;
}

std::shared_ptr<ReaderDocument> ReaderDocument::initWithFilePath(const fs::path& path, const std::string& password) {
  if (!isPDF(path)) return nullptr;
  auto relative = relativeFilePath(path);
  if (!relative) return nullptr;
  std::shared_ptr<ReaderDocument> doc(new ReaderDocument());
  doc->guid_ = GUID();
  doc->password_ = password;
  doc->relativeName_ = *relative;
  if (auto pdf = ReaderOpenPDFDocument(doc->fileURL(), password)) doc->pageCount_ = pdf->pageCount();
  doc->lastOpen_ = kReferenceDate;
  if (auto facts = factsOf(path)) {
    doc->fileDate_ = facts->date;
    doc->fileSize_ = facts->size;
  }
  if (!doc->saveReaderDocument()) MV_LOG("Reader record not archived: ", doc->fileName());
  return doc;
}

// --- the record -----------------------------------------------------------------

std::string ReaderDocument::fileName() const { return fs::path(relativeName_).filename().string(); }

fs::path ReaderDocument::fileURL() const {
  if (!fileURL_) {
    // Files were kept under the temporary folder once; only that leading
    // folder is read from Documents now, never a "tmp" elsewhere in the path.
    std::string rel = relativeName_;
    if (rel.rfind("/tmp/", 0) == 0) rel = "/Documents/" + rel.substr(5);
    fileURL_ = applicationPath() / fs::path(rel).relative_path();
  }
  return *fileURL_;
}

bool ReaderDocument::readArchive(const fs::path& archive) {
  auto v = base::PropertyList::read(archive);
  if (!v || !v->is_object()) return false;
  auto name = v->find("FileName");
  if (name == v->end() || !name->is_string() || name->get<std::string>().empty()) return false;
  relativeName_ = name->get<std::string>();
  // The GUID names a folder that may be deleted: only a GUID is taken.
  auto guid = v->find("FileGUID");
  guid_ = guid != v->end() && guid->is_string() && isUUIDText(guid->get<std::string>()) ? guid->get<std::string>()
                                                                                          : GUID();
  if (auto it = v->find("FileDate"); it != v->end()) fileDate_ = parseDate(*it);
  if (auto n = integerOf(*v, "PageCount"); n && *n >= 0) pageCount_ = static_cast<long>(*n);
  pageNumber_ = static_cast<long>(integerOf(*v, "PageNumber").value_or(1));
  if (auto it = v->find("Bookmarks"); it != v->end() && it->is_array()) {
    for (const auto& b : *it)
      if (b.is_number_integer() && b.get<long long>() > 0) bookmarks_.add(static_cast<std::size_t>(b.get<long long>()));
  }
  if (auto n = integerOf(*v, "FileSize"); n && *n >= 0) fileSize_ = static_cast<std::uint64_t>(*n);
  if (auto it = v->find("LastOpen"); it != v->end()) lastOpen_ = parseDate(*it).value_or(kReferenceDate);
  return true;
}

bool ReaderDocument::saveReaderDocument() const {
  base::Value v = base::Value::object();
  v["FileGUID"] = guid_;
  v["FileName"] = relativeName_;
  v["FileDate"] = dateText(fileDate_.value_or(kReferenceDate));
  if (pageCount_) v["PageCount"] = *pageCount_;
  v["PageNumber"] = pageNumber_;
  base::Value marks = base::Value::array();
  for (std::size_t b : bookmarks_) marks.push_back(static_cast<long long>(b));
  v["Bookmarks"] = std::move(marks);
  v["FileSize"] = fileSize_;
  v["LastOpen"] = dateText(lastOpen_);
  return base::PropertyList::write(v, archiveFilePath(fileName()));
}

void ReaderDocument::updateProperties() {
  MV_ASSERT_MAIN_THREAD();
  // A file that no longer opens has no pages to show, whatever it had.
  auto pdf = ReaderOpenPDFDocument(fileURL(), password_);
  pageCount_ = pdf ? std::optional<long>(pdf->pageCount()) : std::nullopt;
  pdf.reset();
  if (auto facts = factsOf(fileURL())) {
    bool changed = fileDate_ && (*fileDate_ != facts->date || fileSize_ != facts->size);
    fileDate_ = facts->date;
    fileSize_ = facts->size;
    if (changed) {
      // New content under the old name: its thumbnails are not this file's.
      ReaderThumbCache::removeThumbCacheWithGUID(guid_);
      guid_ = GUID();
      if (pageCount_) {
        base::IndexSet kept;
        for (std::size_t b : bookmarks_)
          if (b >= 1 && b <= static_cast<std::size_t>(*pageCount_)) kept.add(b);
        bookmarks_ = kept;
      }
    }
  }
  if (pageCount_ && *pageCount_ > 0) pageNumber_ = std::clamp(pageNumber_, 1L, *pageCount_);
}

}  // namespace mv
