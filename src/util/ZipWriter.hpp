#pragma once
// Writing ZIP archives (minizip over zlib), for the tools that make archives
// the application later reads: skins, books and the demo data.
#include <filesystem>
#include <string>
#include <string_view>

namespace mv {

class ZipWriter {
 public:
  ZipWriter() = default;
  ~ZipWriter();  // closes an archive still open
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Creates (or truncates) the archive file.
  [[nodiscard]] bool open(const std::filesystem::path& path);
  // Adds an entry with these bytes under exactly this name (no checks: tests
  // build hostile archives with it). Deflated unless `compress` is false.
  [[nodiscard]] bool addBytes(std::string_view entryName, std::string_view bytes, bool compress = true);
  // Adds an entry that Unix archivers read as a symbolic link to `target`
  // (tests check that such entries are refused).
  [[nodiscard]] bool addSymbolicLink(std::string_view entryName, std::string_view target);
  // Adds the file's content under the entry name.
  [[nodiscard]] bool addFile(std::string_view entryName, const std::filesystem::path& source, bool compress = true);
  // Adds a folder entry ("/" is appended when missing).
  [[nodiscard]] bool addFolder(std::string_view entryName);
  // Adds everything below `folder`, named by the relative path after `prefix`
  // (folders too, so empty ones survive), in name order for a reproducible
  // archive.
  [[nodiscard]] bool addFolderContents(const std::filesystem::path& folder, std::string_view prefix = {});
  // Writes the central directory; the archive is complete only after this
  // answers YES.
  [[nodiscard]] bool close();

  const std::string& lastError() const { return lastError_; }

 private:
  bool fail(std::string message);
  bool add(std::string_view entryName, std::string_view bytes, bool compress, unsigned long unixMode);

  void* handle_ = nullptr;
  std::string lastError_;
};

}  // namespace mv
