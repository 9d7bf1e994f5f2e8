#include "library/epub/EPUBBook.hpp"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <map>
#include <system_error>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "util/Crypto.hpp"
#include "util/Text.hpp"
#include "util/XMLDocument.hpp"
#include "util/ZipArchive.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

constexpr const char* kContainerPath = "META-INF/container.xml";
constexpr const char* kPackageLocation = "//@full-path[1]";
constexpr const char* kOPFNamespace = "http://www.idpf.org/2007/opf";
constexpr const char* kNCXNamespace = "http://www.daisy.org/z3986/2005/ncx/";
constexpr const char* kNCXMediaType = "application/x-dtbncx+xml";
constexpr const char* kDCNamespace = "http://purl.org/dc/elements/1.1/";
constexpr const char* kEncryptionPath = "META-INF/encryption.xml";
constexpr const char* kXMLEncryptionNamespace = "http://www.w3.org/2001/04/xmlenc#";
// The two published ways of obfuscating a book's fonts: the first 1040 bytes
// XORed with the SHA-1 of the book's unique identifier, and the older one,
// the first 1024 bytes XORed with the 16 bytes of the identifier's UUID.
constexpr const char* kIDPFObfuscation = "http://www.idpf.org/2008/embedding";
constexpr const char* kOlderObfuscation = "http://ns.adobe.com/pdf/enc#RC";
constexpr std::size_t kIDPFObfuscatedBytes = 1040;
constexpr std::size_t kOlderObfuscatedBytes = 1024;

// The file a reference inside the book names: without its fragment or query,
// percent-escapes decoded (a "%20" in an href is a space in the file name).
std::string hrefPath(std::string_view href) {
  href = href.substr(0, href.find_first_of("#?"));
  return percentDecode(href);
}

// `relative` joined to `base`, or nothing when the result is not a file
// inside `root` (absolute names, ".." past the root, nothing at all).
std::optional<fs::path> inside(const fs::path& root, const fs::path& base, const std::string& relative) {
  if (relative.empty() || relative.front() == '/' || relative.find('\0') != std::string::npos) return std::nullopt;
  fs::path joined = (base / relative).lexically_normal();
  fs::path rel = joined.lexically_relative(root.lexically_normal());
  if (rel.empty() || *rel.begin() == ".." || rel == ".") return std::nullopt;
  return joined;
}

// What the marker says of the .epub: its size and modification time.
std::optional<std::string> sourceStamp(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  auto size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  auto time = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  auto ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
  // The last number is the way of unpacking: a folder unpacked before fonts
  // were restored is unpacked again.
  return std::to_string(size) + " " + std::to_string(ticks) + " 2\n";
}

// The older algorithm's key: the UUID of the identifier (without white space)
// as 16 bytes; nothing when the identifier holds no UUID.
std::optional<std::string> uuidKey(std::string_view identifier) {
  if (identifier.rfind("urn:uuid:", 0) == 0) identifier.remove_prefix(9);
  std::string key;
  int high = -1;
  for (char c : identifier) {
    if (c == '-' || c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (high < 0) {
      high = digit;
    } else {
      key.push_back(static_cast<char>(high * 16 + digit));
      high = -1;
    }
  }
  if (key.size() != 16 || high >= 0) return std::nullopt;
  return key;
}

// XORs the file's first `count` bytes with the key, repeated, in place.
bool unmask(const fs::path& file, const std::string& key, std::size_t count) {
  std::fstream io(file, std::ios::in | std::ios::out | std::ios::binary);
  if (!io || key.empty()) return false;
  std::string head(count, '\0');
  io.read(head.data(), static_cast<std::streamsize>(count));
  head.resize(static_cast<std::size_t>(io.gcount()));
  io.clear();
  for (std::size_t i = 0; i < head.size(); ++i) head[i] = static_cast<char>(head[i] ^ key[i % key.size()]);
  io.seekp(0);
  io.write(head.data(), static_cast<std::streamsize>(head.size()));
  return static_cast<bool>(io.flush());
}

std::string readSmallFile(const fs::path& path) {
  auto bytes = base::readFileBytes(path, 4096);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

}  // namespace

bool EPUBBook::fail(std::string message) {
  lastError_ = std::move(message);
  MV_LOG("epub: ", path_.string(), ": ", lastError_);
  return false;
}

fs::path EPUBBook::folderPath() const {
  if (!path_.has_extension()) return fs::path(path_.string() + ".d");
  fs::path folder = path_;
  folder.replace_extension();
  return folder;
}

bool EPUBBook::load(base::CancelFlag stop) {
  stop_ = std::move(stop);
  if (!unzipFileAtPath(path_)) return false;
  auto opf = OPFPath();
  if (!opf) return false;
  return parseOPF(*opf);
}

void EPUBBook::removeUnpackedFolder(const fs::path& bookPath) {
  const fs::path folder = EPUBBook(bookPath).folderPath();
  std::error_code ec;
  if (!fs::is_directory(fs::symlink_status(folder, ec)) || !fs::is_regular_file(folder / kExtractionMarker, ec)) return;
  fs::remove_all(folder, ec);
  if (ec) MV_LOG("epub: cannot remove ", folder.string(), ": ", ec.message());
}

bool EPUBBook::unzipFileAtPath(const fs::path& path) {
  lastError_.clear();
  tooLarge_ = false;
  shortOfRoom_ = false;
  auto stamp = sourceStamp(path);
  if (!stamp) return fail("the book file cannot be read");
  const fs::path folder = folderPath();
  std::error_code ec;
  auto status = fs::symlink_status(folder, ec);
  if (fs::is_directory(status) && readSmallFile(folder / kExtractionMarker) == *stamp) return true;
  // Only a folder of our own is replaced, never a file that happens to bear its name.
  if (fs::exists(status) && !fs::is_directory(status)) return fail("a file is in the place of " + folder.string());

  // A crafted archive may unpack to many times its size and fill the disk:
  // the archive checks its whole directory before it writes anything.
  ZipArchive zip;
  zip.setUnpackLimits(kMaximumBytes, kMaximumBytes);
  zip.setRatioLimit(kMaximumRatio, kRatioFreeBytes);
  zip.setFolderLimit(kMaximumFolders);
  zip.stopWhen(stop_);
  if (!zip.UnzipOpenFile(path)) return fail("not a readable archive: " + zip.lastError());
  if (!zip.unzipReplacingFolder(folder)) {
    tooLarge_ = zip.wasTooLarge();
    shortOfRoom_ = zip.wasShortOfRoom();
    return fail("cannot unpack: " + zip.lastError());
  }
  if (!zip.UnzipCloseFile()) MV_LOG("epub: closing ", path.string(), " failed");
  deobfuscateFonts();
  // Without the marker the next load unpacks again, which costs time but is
  // never wrong.
  if (!base::writeFileAtomically(folder / kExtractionMarker, *stamp)) {
    MV_LOG("epub: cannot mark ", folder.string(), " as unpacked");
  }
  return true;
}

void EPUBBook::deobfuscateFonts() {
  const fs::path folder = folderPath();
  auto encryption = XMLDocument::initWithContentsOfURL(folder / kEncryptionPath);
  if (!encryption) return;
  // The key comes from the package's unique identifier.
  auto opf = OPFPath();
  auto package = opf ? XMLDocument::initWithContentsOfURL(*opf) : nullptr;
  lastError_.clear();
  if (!package) return;
  const XMLNode::NamespaceMappings ns{{"opf", kOPFNamespace}, {"dc", kDCNamespace}, {"enc", kXMLEncryptionNamespace}};
  auto root = std::dynamic_pointer_cast<XMLElement>(package->nodeForXPath("/opf:package", ns));
  const auto uniqueId = root ? root->attributeValue("unique-identifier") : std::nullopt;
  std::string identifier;
  for (const auto& node : package->nodesForXPath("//dc:identifier", ns).value_or(XMLNode::NodeList{})) {
    auto element = std::dynamic_pointer_cast<XMLElement>(node);
    if (element && uniqueId && element->attributeValue("id") == uniqueId) identifier = element->stringValue();
  }
  std::string compact = identifier;
  compact.erase(std::remove_if(compact.begin(), compact.end(),
                               [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }),
                compact.end());
  for (const auto& node : encryption->nodesForXPath("//enc:EncryptedData", ns).value_or(XMLNode::NodeList{})) {
    auto method = std::dynamic_pointer_cast<XMLElement>(node->nodeForXPath("enc:EncryptionMethod", ns));
    auto reference = std::dynamic_pointer_cast<XMLElement>(node->nodeForXPath("enc:CipherData/enc:CipherReference", ns));
    const auto algorithm = method ? method->attributeValue("Algorithm") : std::nullopt;
    const auto uri = reference ? reference->attributeValue("URI") : std::nullopt;
    const auto file = uri ? inside(folder, folder, hrefPath(*uri)) : std::nullopt;
    if (!algorithm || !file) continue;
    bool done = false;
    if (*algorithm == kIDPFObfuscation) {
      done = unmask(*file, sha1Digest(compact), kIDPFObfuscatedBytes);
    } else if (*algorithm == kOlderObfuscation) {
      auto key = uuidKey(compact);
      done = key && unmask(*file, *key, kOlderObfuscatedBytes);
    } else {
      continue;  // an encryption of another kind: the book's own business
    }
    if (!done) MV_LOG("epub: ", path_.string(), ": cannot restore the font ", *uri);
  }
}

std::optional<fs::path> EPUBBook::OPFPath() {
  lastError_.clear();
  const fs::path folder = folderPath();
  base::Error error;
  auto container = XMLDocument::initWithContentsOfURL(folder / kContainerPath, 0, &error);
  if (!container) {
    fail("no container file: " + error.description);
    return std::nullopt;
  }
  auto fullPath = container->nodeForXPath(kPackageLocation);
  if (!fullPath) {
    fail("the container names no package document");
    return std::nullopt;
  }
  auto opf = inside(folder, folder, hrefPath(fullPath->stringValue()));
  if (!opf) fail("the package document lies outside the book: " + fullPath->stringValue());
  return opf;
}

bool EPUBBook::parseOPF(const fs::path& opfPath) {
  lastError_.clear();
  const fs::path root = folderPath();
  base::Error error;
  auto package = XMLDocument::initWithContentsOfURL(opfPath, 0, &error);
  if (!package) return fail("unreadable package document: " + error.description);
  const XMLNode::NamespaceMappings opfNS{{"opf", kOPFNamespace}};
  auto items = package->nodesForXPath("//opf:item", opfNS);
  if (!items || items->empty()) return fail("the package lists no items");

  std::map<std::string, std::string> hrefs;  // id -> href; a later item of the same id wins
  std::optional<std::string> ncxHref;
  for (const auto& node : *items) {
    auto item = std::dynamic_pointer_cast<XMLElement>(node);
    if (!item) continue;
    auto id = item->attributeValue("id");
    auto href = item->attributeValue("href");
    if (id && href) hrefs[*id] = *href;
    if (href && item->attributeValue("media-type") == kNCXMediaType) ncxHref = *href;
  }

  const fs::path opfFolder = opfPath.parent_path();
  // The NCX labels by the file they point at; the first entry of a file names
  // it (later ones point at its sections). A book without an NCX, or with one
  // that cannot be read, has untitled units.
  std::map<fs::path, std::string> titles;
  if (ncxHref) {
    auto ncxPath = inside(root, opfFolder, hrefPath(*ncxHref));
    auto ncx = ncxPath ? XMLDocument::initWithContentsOfURL(*ncxPath) : nullptr;
    if (ncx) {
      const XMLNode::NamespaceMappings ncxNS{{"ncx", kNCXNamespace}};
      for (const auto& node : ncx->nodesForXPath("//ncx:content", ncxNS).value_or(XMLNode::NodeList{})) {
        auto content = std::dynamic_pointer_cast<XMLElement>(node);
        auto src = content ? content->attributeValue("src") : std::nullopt;
        auto target = src ? inside(root, ncxPath->parent_path(), hrefPath(*src)) : std::nullopt;
        if (!target || titles.count(*target)) continue;
        auto labels = content->nodesForXPath("../ncx:navLabel/ncx:text", ncxNS);
        if (labels && !labels->empty()) titles.emplace(*target, trimWhitespaceAndNewlines(labels->front()->stringValue()));
      }
    } else {
      MV_LOG("epub: ", path_.string(), ": the table of contents cannot be read; units stay untitled");
    }
  }

  // Pages of fixed layout: the whole book's rendition, or a unit's own.
  bool bookFixed = false;
  for (const auto& node : package->nodesForXPath("//opf:meta[@property='rendition:layout']", opfNS)
                              .value_or(XMLNode::NodeList{})) {
    bookFixed = trimWhitespaceAndNewlines(node->stringValue()) == "pre-paginated";
  }
  auto spineNode = std::dynamic_pointer_cast<XMLElement>(package->nodeForXPath("//opf:spine", opfNS));
  const bool rightToLeft = spineNode && spineNode->attributeValue("page-progression-direction") == "rtl";

  std::vector<EPUBSpine> spines;
  for (const auto& node : package->nodesForXPath("//opf:itemref", opfNS).value_or(XMLNode::NodeList{})) {
    auto itemref = std::dynamic_pointer_cast<XMLElement>(node);
    auto idref = itemref ? itemref->attributeValue("idref") : std::nullopt;
    auto href = idref ? hrefs.find(*idref) : hrefs.end();
    if (href == hrefs.end()) {
      MV_LOG("epub: ", path_.string(), ": a spine entry names no item");
      continue;
    }
    auto unit = inside(root, opfFolder, hrefPath(href->second));
    if (!unit) {
      MV_LOG("epub: ", path_.string(), ": the unit ", href->second, " lies outside the book");
      continue;
    }
    std::error_code missing;
    if (!fs::is_regular_file(*unit, missing)) {
      // A unit the book does not hold is left out; the others still read.
      MV_LOG("epub: ", path_.string(), ": the unit ", href->second, " is not in the book");
      continue;
    }
    EPUBSpine spine;
    spine.index = static_cast<std::int64_t>(spines.size());
    spine.path = *unit;
    if (auto t = titles.find(*unit); t != titles.end()) spine.title = t->second;
    std::string properties = " " + itemref->attributeValue("properties").value_or("") + " ";
    std::replace_if(properties.begin(), properties.end(), [](unsigned char c) { return std::isspace(c); }, ' ');
    spine.fixedLayout = properties.find(" rendition:layout-pre-paginated ") != std::string::npos ||
                        (bookFixed && properties.find(" rendition:layout-reflowable ") == std::string::npos);
    spines.push_back(std::move(spine));
  }
  if (spines.empty()) return fail("the spine names no unit inside the book");
  spines_ = std::move(spines);
  rightToLeft_ = rightToLeft;
  return true;
}

}  // namespace mv
