#pragma once
// A downloaded EPUB file as the ordered list of its reading units. The book is
// unpacked once into a folder beside the file (again when the file changes),
// its package document is found through the container file, and each unit
// takes its title from the NCX table of contents when the book has one.
// Everything here reads untrusted files: entries and paths that would leave
// the book's folder are refused, and a damaged book fails to load with the
// reason in `lastError`.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "library/EPUBSpine.hpp"

namespace mv {

class EPUBBook {
 public:
  // Nothing is read yet.
  explicit EPUBBook(std::filesystem::path bookPath) : path_(std::move(bookPath)) {}

  // Unpacks when needed, finds the package document and parses it; YES when
  // the book has at least one unit.
  [[nodiscard]] bool load();

  // The steps of `load`.
  // Makes `folderPath()` the content of the archive: kept when it was unpacked
  // from this very file (same size and modification time), otherwise unpacked
  // anew into a temporary folder that replaces it only when complete.
  [[nodiscard]] bool unzipFileAtPath(const std::filesystem::path& path);
  // The package document named by "META-INF/container.xml"; nothing when the
  // container is missing, names none or names a place outside the book.
  std::optional<std::filesystem::path> OPFPath();
  // Reads the manifest, the spine and the NCX titles; YES when the spine names
  // at least one unit inside the book. `spines` is replaced only then.
  [[nodiscard]] bool parseOPF(const std::filesystem::path& opfPath);
  // The folder the book is unpacked into: the path without its extension, or
  // the path with ".d" added when it has none (the file itself is in the way).
  std::filesystem::path folderPath() const;

  const std::filesystem::path& path() const { return path_; }
  const std::vector<EPUBSpine>& spines() const { return spines_; }
  // Why the last step failed, for logs; empty after a success.
  const std::string& lastError() const { return lastError_; }

  // Inside the unpacked folder: the size and time of the .epub it came from.
  static constexpr const char* kExtractionMarker = ".epub-source";

 private:
  bool fail(std::string message);

  std::filesystem::path path_;
  std::vector<EPUBSpine> spines_;
  std::string lastError_;
};

}  // namespace mv
