#include "util/ZipWriter.hpp"

#include <minizip/zip.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/base/Log.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// A fixed time stamp keeps archives built from the same files identical.
zip_fileinfo fixedInfo() {
  zip_fileinfo info{};
  info.tmz_date.tm_year = 2020;
  info.tmz_date.tm_mon = 0;
  info.tmz_date.tm_mday = 1;
  return info;
}

}  // namespace

ZipWriter::~ZipWriter() {
  // A writer dropped unclosed has nobody to tell: the log says it.
  if (handle_ && !close()) MV_LOG("zip: an archive dropped before it was closed could not be finished");
}

bool ZipWriter::fail(std::string message) {
  lastError_ = std::move(message);
  MV_LOG("zip: ", lastError_);
  return false;
}

bool ZipWriter::open(const fs::path& path) {
  if (handle_ && !close()) return false;
  lastError_.clear();
  handle_ = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!handle_) return fail("cannot create the archive " + path.string());
  return true;
}

bool ZipWriter::addBytes(std::string_view entryName, std::string_view bytes, bool compress) {
  return add(entryName, bytes, compress, 0);
}

bool ZipWriter::addSymbolicLink(std::string_view entryName, std::string_view target) {
  return add(entryName, target, false, 0120777);
}

bool ZipWriter::add(std::string_view entryName, std::string_view bytes, bool compress, unsigned long unixMode) {
  if (!handle_) return fail("no archive is open");
  auto file = static_cast<zipFile>(handle_);
  std::string name(entryName);
  zip_fileinfo info = fixedInfo();
  info.external_fa = unixMode << 16;
  int zip64 = bytes.size() >= 0xffffffffu ? 1 : 0;
  // A mode is only read from entries marked as made on Unix (host 3).
  const uLong versionMadeBy = unixMode ? (3u << 8) | 20u : 0;
  if (zipOpenNewFileInZip4_64(file, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, compress ? Z_DEFLATED : 0,
                              compress ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                              nullptr, 0, versionMadeBy, 0, zip64) != ZIP_OK) {
    return fail("cannot add the entry \"" + name + "\"");
  }
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(left, 1u << 30));
    if (zipWriteInFileInZip(file, data, chunk) != ZIP_OK) {
      zipCloseFileInZip(file);
      return fail("cannot write the entry \"" + name + "\"");
    }
    data += chunk;
    left -= chunk;
  }
  if (zipCloseFileInZip(file) != ZIP_OK) return fail("cannot finish the entry \"" + name + "\"");
  return true;
}

bool ZipWriter::addFile(std::string_view entryName, const fs::path& source, bool compress) {
  std::ifstream in(source, std::ios::binary);
  if (!in) return fail("cannot read " + source.string());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return fail("cannot read " + source.string());
  return addBytes(entryName, bytes, compress);
}

bool ZipWriter::addFolder(std::string_view entryName) {
  std::string name(entryName);
  if (name.empty() || name.back() != '/') name.push_back('/');
  return addBytes(name, {}, false);
}

bool ZipWriter::addFolderContents(const fs::path& folder, std::string_view prefix) {
  std::error_code ec;
  std::vector<fs::path> paths;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    paths.push_back(it->path());
  }
  if (ec) return fail("cannot list " + folder.string() + ": " + ec.message());
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    std::string name = std::string(prefix) + path.lexically_relative(folder).generic_string();
    auto status = fs::symlink_status(path, ec);
    if (fs::is_directory(status)) {
      if (!addFolder(name)) return false;
    } else if (fs::is_regular_file(status)) {
      if (!addFile(name, path)) return false;
    }
  }
  return true;
}

bool ZipWriter::close() {
  if (!handle_) return true;
  int result = zipClose(static_cast<zipFile>(handle_), nullptr);
  handle_ = nullptr;
  if (result != ZIP_OK) return fail("cannot finish the archive");
  return true;
}

}  // namespace mv
