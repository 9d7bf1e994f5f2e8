#pragma once
// A downloaded EPUB file as the ordered list of its reading units. The book is
// unpacked once into a folder beside the file (again when the file changes),
// its package document is found through the container file, and each unit
// takes its title from the NCX table of contents when the book has one.
// Fonts the book obfuscates (as its encryption file lists them, by either of
// the two published algorithms) are restored when it is unpacked.
//
// Everything here reads untrusted files: entries and paths that would leave
// the book's folder are refused, and a damaged book fails to load with the
// reason in `lastError`.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "library/epub/EPUBSpine.hpp"
#include "platform/base/WorkQueue.hpp"

namespace mv {

class EPUBBook {
 public:
  // Nothing is read yet.
  explicit EPUBBook(std::filesystem::path bookPath) : path_(std::move(bookPath)) {}

  // Unpacks when needed, finds the package document and parses it; YES when
  // the book has at least one unit. An unpacking under way stops, with NO and
  // nothing of it left, once `stop` is cancelled.
  [[nodiscard]] bool load(base::CancelFlag stop = {});

  // The steps of `load`.
  // Makes `folderPath()` the content of the archive: kept when it was unpacked
  // from this very file (same size and modification time), otherwise unpacked
  // anew into a temporary folder that replaces it only when complete.
  [[nodiscard]] bool unzipFileAtPath(const std::filesystem::path& path);
  // The package document named by "META-INF/container.xml"; nothing when the
  // container is missing, names none or names a place outside the book.
  std::optional<std::filesystem::path> OPFPath();
  // Reads the manifest, the spine and the NCX titles; YES when the spine names
  // at least one unit inside the book that the book holds (units it names but
  // does not hold are left out). `spines` is replaced only then.
  [[nodiscard]] bool parseOPF(const std::filesystem::path& opfPath);
  // The folder the book is unpacked into: the path without its extension, or
  // the path with ".d" added when it has none (the file itself is in the way).
  std::filesystem::path folderPath() const;

  const std::filesystem::path& path() const { return path_; }
  const std::vector<EPUBSpine>& spines() const { return spines_; }
  // The book's pages follow each other from right to left (its spine says so).
  bool isRightToLeft() const { return rightToLeft_; }
  // Why the last step failed, for logs; empty after a success.
  const std::string& lastError() const { return lastError_; }

  // The archive would unpack to more than the limits allow (see below), or
  // to more than the disk has room for.
  bool isTooLarge() const { return tooLarge_; }
  // Of those, to more than the disk has room for, keeping its margin free.
  bool isShortOfRoom() const { return shortOfRoom_; }
  // Any other failure: the file is no book that can be read (not an
  // archive, a damaged entry, no package document or no unit).
  bool isDamaged() const { return !lastError_.empty() && !tooLarge_; }
  // Removes the folder the book at `bookPath` was unpacked into, when there
  // is one of ours (it holds the marker); anything else stays.
  static void removeUnpackedFolder(const std::filesystem::path& bookPath);

  // Inside the unpacked folder: the size and time of the .epub it came from.
  static constexpr const char* kExtractionMarker = ".epub-source";
  // A book unpacks to no more than this in all, nor to more than this many
  // times its packed size (nor any entry larger than the smaller size to more
  // than that ratio of its own), nor into more folders than this: what a book
  // of text, pictures and clips never needs; what a crafted archive does. Up
  // to the smaller size in all passes whatever the ratio, and all of it must
  // fit in the room the disk has.
  static constexpr std::uint64_t kMaximumBytes = 1ull << 30;
  static constexpr std::uint64_t kRatioFreeBytes = 16ull << 20;
  static constexpr std::uint64_t kMaximumRatio = 100;
  static constexpr std::uint64_t kMaximumFolders = 1000;

 private:
  bool fail(std::string message);
  void deobfuscateFonts();

  std::filesystem::path path_;
  base::CancelFlag stop_;
  std::vector<EPUBSpine> spines_;
  bool rightToLeft_ = false;
  std::string lastError_;
  bool tooLarge_ = false;
  bool shortOfRoom_ = false;
};

}  // namespace mv
