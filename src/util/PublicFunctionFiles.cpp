// The folder layout of a client's files: where each file type lives locally
// and on the file endpoint, and the one-time moves of client folders.
#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/gfx/PictureCache.hpp"
#include "util/PublicFunction.hpp"
#include "util/ServerInfo.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

struct FileTypeInfo {
  int type;
  const char* folder;      // under the client folder
  const char* serverPath;  // under images/<client id>/ on the file endpoint
  const char* placeholder;  // stock picture when the file's image is missing
};

constexpr FileTypeInfo kFileTypes[] = {
    {kFileTypeProductImage, "ProductImages", "product", "fileDefault.png"},
    {kFileTypeCatalogImage, "CatalogImages", "CatalogImages", "fileDefault.png"},
    {kFileTypeConfigImage, "ConfigImages", "icon", "fileDefault.png"},
    {kFileTypeLibraryImage, "LibraryImages", "library/cover_image", "fileDefault.png"},
    {kFileTypePdf, "Pdf", "library/pdf", "thumbnail_pdf.png"},
    {kFileTypeVideo, "Video", "library/vedio", "thumbnail_video.png"},
    {kFileTypeExcel, "Excel", "library/excel", "thumbnail_excel.png"},
    {kFileTypeWord, "Word", "library/word", "thumbnail_word.png"},
    {kFileTypeEPub, "EPub", "library/epub", "thumbnail_epub.png"},
    {kFileTypeKeynote, "Keynote", "library/keynote", "thumbnail_slide.png"},
};

const FileTypeInfo* infoFor(int type) {
  for (const auto& i : kFileTypes)
    if (i.type == type) return &i;
  return nullptr;
}

bool hasClientDatabase(const fs::path& dir) {
  std::error_code ec;
  return fs::is_regular_file(dir / kClientDatabaseFileName, ec);
}

bool isRealDirectory(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(p, ec));
}

bool existsNoFollow(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

// Renames without ever replacing what is at `to`, not even an empty folder.
bool renameNoReplace(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) {
    MV_LOG("cannot move ", from.string(), " to ", to.string(), ": ", std::strerror(errno));
    return false;
  }
  // A file system without the flag: check, then rename.
  if (existsNoFollow(to)) return false;
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec) MV_LOG("cannot move ", from.string(), " to ", to.string(), ": ", ec.message());
  return !ec;
}

// Moves every client folder of `from` to `to` under its lower-case name.
int moveClientFolders(const fs::path& from, const fs::path& to, bool onlyWithUpperCase) {
  std::vector<fs::path> candidates;
  std::error_code ec;
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) candidates.push_back(it->path());
  if (ec) {
    MV_LOG("cannot list ", from.string(), ": ", ec.message());
    return 0;
  }
  int moved = 0;
  for (const fs::path& p : candidates) {
    const std::string name = p.filename().string();
    const std::string lower = asciiLowercase(name);
    if (onlyWithUpperCase && lower == name) continue;
    if (!isRealDirectory(p) || !hasClientDatabase(p)) continue;
    if (!PublicFunction::isValidClientID(lower)) {
      MV_LOG("not a client folder name: ", name);
      continue;
    }
    const fs::path target = to / lower;
    if (existsNoFollow(target)) {
      MV_LOG("client folder ", target.string(), " exists; ", p.string(), " stays where it is");
      continue;
    }
    if (renameNoReplace(p, target)) ++moved;
  }
  return moved;
}

}  // namespace

bool PublicFunction::isValidClientID(std::string_view clientId) {
  if (clientId.empty() || clientId.size() > 255 || clientId == "." || clientId == "..") return false;
  for (char c : clientId) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
              c == '-';
    if (!ok) return false;
  }
  return true;
}

std::optional<fs::path> PublicFunction::clientFolder(const std::string& clientId) {
  if (!isValidClientID(clientId)) return std::nullopt;
  return base::Paths::documents() / asciiLowercase(clientId);
}

bool PublicFunction::isSafeFileName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name == "." || name == "..") return false;
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  }
  return true;
}

const char* PublicFunction::folderForFileType(int type) {
  const FileTypeInfo* i = infoFor(type);
  return i ? i->folder : nullptr;
}

const char* PublicFunction::serverPathForFileType(int type) {
  const FileTypeInfo* i = infoFor(type);
  return i ? i->serverPath : nullptr;
}

std::optional<fs::path> PublicFunction::filePathWithName(std::string_view name, int type) {
  if (!isSafeFileName(name)) return std::nullopt;
  auto folder = clientFolder(Session::current().clientID);
  if (!folder) return std::nullopt;
  return filePathIn(*folder, name, type);
}

std::optional<fs::path> PublicFunction::filePathIn(const fs::path& clientFolder, std::string_view name, int type) {
  if (!isSafeFileName(name)) return std::nullopt;
  if (const char* sub = folderForFileType(type)) return clientFolder / sub / std::string(name);
  return clientFolder / std::string(name);
}

std::optional<std::string> PublicFunction::fileURLWithName(std::string_view name, int type) {
  return fileURLFor(Session::current().clientID, name, type);
}

std::optional<std::string> PublicFunction::fileURLFor(const std::string& clientId, std::string_view name, int type) {
  if (!isSafeFileName(name)) return std::nullopt;
  if (!isValidClientID(clientId)) return std::nullopt;
  std::string url = "http://" + percentEscapeURL(GetServer().imageUrlStr()) + "/images/" +
                    percentEscapePathSegment(clientId) + "/";
  if (const char* path = serverPathForFileType(type)) url += std::string(path) + "/";
  return url + percentEscapePathSegment(name);
}

void PublicFunction::removeFileIfPresent(const std::filesystem::path& path) {
  if (path.empty()) return;
  std::error_code ec;
  std::filesystem::remove(path, ec);
  if (ec) MV_LOG("cannot remove ", path.string(), ": ", ec.message());
}

bool PublicFunction::createDirectoryifNeed(const std::string& relativePath) {
  fs::path rel(relativePath);
  if (rel.is_absolute()) return false;
  for (const auto& part : rel)
    if (part == "..") return false;
  const fs::path dir = base::Paths::documents() / rel;
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return true;
  fs::create_directories(dir, ec);
  if (ec) MV_LOG("cannot create ", dir.string(), ": ", ec.message());
  return fs::is_directory(dir, ec);
}

bool PublicFunction::createClientFolders(const std::string& clientId) {
  auto folder = clientFolder(clientId);
  if (!folder) return false;
  const std::string client = folder->filename().string();
  bool ok = true;
  for (const auto& info : kFileTypes) ok = createDirectoryifNeed(client + "/" + info.folder) && ok;
  ok = createDirectoryifNeed(client + "/tempDownload") && ok;
  if (!ok) MV_LOG("cannot create the folders of client ", client);
  return ok;
}

int PublicFunction::getFileType(std::string_view type) {
  if (type == "PDF") return kFileTypePdf;
  if (type == "VEDIO") return kFileTypeVideo;
  if (type == "EXCEL") return kFileTypeExcel;
  if (type == "WORD") return kFileTypeWord;
  if (type == "EPUB") return kFileTypeEPub;
  return kFileTypeKeynote;
}

void PublicFunction::SkipBackup() {}

int PublicFunction::changeAllClientFolderToLower() {
  const fs::path docs = base::Paths::documents();
  return moveClientFolders(docs, docs, true);
}

int PublicFunction::moveAllClientFolderToDocuments() {
  return moveClientFolders(base::Paths::tmp(), base::Paths::documents(), false);
}

std::string PublicFunction::placeholderImageName(int type) {
  if (type >= kFileTypePdf && type <= kFileTypeKeynote) return infoFor(type)->placeholder;
  return "fileDefault.png";
}

fs::path PublicFunction::localImagePath(std::string_view name, int type) {
  int lookIn = type;
  if (type == kFileTypePdf || type == kFileTypeVideo || type == kFileTypeExcel || type == kFileTypeWord ||
      type == kFileTypeKeynote)
    lookIn = kFileTypeLibraryImage;
  if (auto p = filePathWithName(name, lookIn)) {
    std::error_code ec;
    if (fs::is_regular_file(*p, ec)) return *p;
  }
  const std::string stock = placeholderImageName(type);
  return base::Bundle::pathForResource(fs::path(stock).stem().string(), "png");
}

namespace {

// The stock pictures are resources, which do not change while the
// application runs: each is decoded once, for every cell that shows it.
struct StockPicture {
  std::shared_ptr<const gfx::ImageData> data;
  gfx::ImagePtr image;
};

const StockPicture& stockPicture(const fs::path& path) {
  static std::mutex mutex;
  // Never destroyed: picture reads on the shared pool may outlive the statics.
  static auto* decoded = new std::map<fs::path, StockPicture>();
  std::lock_guard<std::mutex> lock(mutex);
  StockPicture& slot = (*decoded)[path];
  if (!slot.data) {
    if (auto img = gfx::ImageData::decodeFile(path)) {
      slot.data = std::make_shared<const gfx::ImageData>(std::move(*img));
      slot.image = gfx::Image::fromImageData(*slot.data);
    }
  }
  return slot;
}

fs::path stockPicturePath(int type) {
  return base::Bundle::pathForResource(fs::path(PublicFunction::placeholderImageName(type)).stem().string(), "png");
}

}  // namespace

std::shared_ptr<const gfx::ImageData> PublicFunction::getLocalImage(std::string_view name, int type) {
  const fs::path stock = stockPicturePath(type);
  const fs::path p = localImagePath(name, type);
  if (!p.empty() && p != stock) {
    if (auto img = gfx::ImageData::decodeFile(p)) return std::make_shared<const gfx::ImageData>(std::move(*img));
  }
  // No file, or the file is there but unreadable: the stock picture.
  return stock.empty() ? nullptr : stockPicture(stock).data;
}

std::shared_ptr<const gfx::ImageData> PublicFunction::getLocalImage(std::string_view name, int type,
                                                                    base::Size limit, base::Size fit) {
  const fs::path stock = stockPicturePath(type);
  const fs::path p = localImagePath(name, type);
  const double scale = screenScale();
  if (!p.empty() && p != stock) {
    // A picture larger than the limit is shrunk as it is read, never held whole.
    auto size = gfx::ImageData::dimensionsOfFile(p);
    const bool large = size && (size->first > limit.width * scale || size->second > limit.height * scale);
    auto img = large ? gfx::ImageData::decodeFileFitting(p, static_cast<int>(fit.width * scale),
                                                         static_cast<int>(fit.height * scale))
                     : gfx::ImageData::decodeFile(p);
    if (img) return std::make_shared<const gfx::ImageData>(std::move(*img));
  }
  if (stock.empty()) return nullptr;
  auto data = stockPicture(stock).data;
  return data && image(*data, limit) ? scaleImage(data, fit) : data;
}

gfx::ImagePtr PublicFunction::getLocalPicture(std::string_view name, int type, int maxWidth, int maxHeight) {
  const fs::path stock = stockPicturePath(type);
  const fs::path p = localImagePath(name, type);
  if (!p.empty() && p != stock) {
    if (auto image = gfx::PictureCache::shared().picture(p, maxWidth, maxHeight)) return image;
  }
  return stock.empty() ? nullptr : stockPicture(stock).image;
}

}  // namespace mv
