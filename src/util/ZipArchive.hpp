#pragma once
// Reading ZIP archives (minizip over zlib). One object per use: open, extract,
// close. Archives come from the server and are not trusted: no entry is ever
// written outside the folder it is extracted to.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/WorkQueue.hpp"

namespace mv {

class ZipArchive {
 public:
  ZipArchive() = default;
  ~ZipArchive();
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Opens the archive for reading (closing one opened before); YES when it
  // could be opened. Logs the number of entries.
  [[nodiscard]] bool UnzipOpenFile(const std::filesystem::path& path);

  // Extracts every entry below `folder`, creating folders as needed; "\" in an
  // entry name counts as "/" and a name ending in "/" is a folder. With
  // `overWrite` existing files are replaced, otherwise kept. YES when every
  // entry was extracted. An entry that cannot be read, that is stored as a
  // symbolic link, or whose name is absolute, starts with a drive letter, has
  // a ".." component or would land outside the folder (through a symbolic link
  // already there), stops the extraction with NO; files written
  // before it stay, each file is either complete or absent.
  [[nodiscard]] bool UnzipFileTo(const std::filesystem::path& folder, bool overWrite);
  // The same, taking only the entries whose names start with `onlyUnder`
  // (e.g. "SkinImages/"); others are passed over.
  [[nodiscard]] bool UnzipFileTo(const std::filesystem::path& folder, bool overWrite, std::string_view onlyUnder);

  // Makes the archive's subtree `onlyUnder` (the whole archive when empty) the
  // new content of `folder`: extracts it, with that prefix removed from the
  // names, into a temporary folder beside `folder` and swaps it into place only
  // when everything extracted. On failure the old content is untouched.
  [[nodiscard]] bool unzipReplacingFolder(const std::filesystem::path& folder, std::string_view onlyUnder = {});

  // The content of the entry named exactly `name` (documents that live in a
  // ZIP read their parts this way); nothing when there is no such entry, it
  // cannot be read, or it would unpack to more than `maxBytes`.
  std::optional<std::string> contentsOfEntry(std::string_view name, std::size_t maxBytes);

  // Closes the archive; YES when nothing was open or closing succeeded.
  // Nothing was written, so nothing is lost when closing fails.
  bool UnzipCloseFile();

  // An extraction refuses (with NO, as a hostile entry) an entry that would
  // unpack to more than `entryBytes`, or entries that together would unpack
  // to more than `totalBytes`: a small archive must not fill the disk.
  void setUnpackLimits(std::uint64_t entryBytes, std::uint64_t totalBytes) {
    maxEntryBytes_ = entryBytes;
    maxTotalBytes_ = totalBytes;
  }

  // An extraction refuses, before it writes anything, an archive of more than
  // `entries` entries: a small archive of countless empty entries would
  // otherwise make a file for each.
  void setEntryLimit(std::uint64_t entries) { maxEntries_ = entries; }

  // An extraction refuses, before it writes anything, entries that together
  // would unpack to more than `ratio` times the archive's size, and an entry
  // larger than `freeBytes` that would unpack to more than `ratio` times its
  // packed size. Up to `freeBytes` in all pass whatever the ratio: so little
  // cannot fill the disk, and small archives pack their headers poorly.
  void setRatioLimit(std::uint64_t ratio, std::uint64_t freeBytes) {
    maxRatio_ = ratio;
    ratioFreeBytes_ = freeBytes;
  }

  // An extraction refuses, before it writes anything, entries whose names
  // together would make more than `folders` folders: a few deep names in a
  // small archive would otherwise make a folder for each of their levels.
  void setFolderLimit(std::uint64_t folders) { maxFolders_ = folders; }

  // The last call failed because the archive passes one of the limits above
  // or would not fit in the room left on the disk (checked before anything
  // is written): it is too large, rather than damaged.
  bool wasTooLarge() const { return tooLarge_; }
  // Of those, because the disk has too little room left: what an extraction
  // writes leaves the disk's margin free (`DiskRoom::kMarginBytes`), so that
  // archives each within their limits do not fill the disk one after another.
  bool wasShortOfRoom() const { return shortOfRoom_; }
  // Whether the margin is kept (by default); without it an archive only has
  // to fit in what is left. The application's own data, unpacked once, is
  // not what fills a disk, and without it the application has nothing to show.
  void setKeepsDiskMargin(bool keeps) { keepsMargin_ = keeps; }

  // An extraction stops with NO, between two pieces of an entry, once
  // `flag` is cancelled; like any failure it leaves no torn file.
  void stopWhen(base::CancelFlag flag) { stop_ = std::move(flag); }

  bool isOpen() const { return handle_ != nullptr; }
  std::uint64_t entryCount() const { return entryCount_; }
  // What went wrong in the last failed call, for logs.
  const std::string& lastError() const { return lastError_; }

 private:
  bool extract(const std::filesystem::path& folder, bool overWrite, std::string_view onlyUnder, bool stripPrefix);
  // Reads the whole directory and checks the limits against it, and the room
  // on the disk that holds `folder` (or its nearest existing parent).
  bool checkWhole(const std::filesystem::path& folder, const std::string& prefix, bool stripPrefix);
  bool fail(std::string message);
  bool refuseAsTooLarge(std::string message);

  void* handle_ = nullptr;
  std::filesystem::path path_;
  std::uint64_t entryCount_ = 0;
  std::string lastError_;
  std::uint64_t maxEntryBytes_ = std::uint64_t{64} << 20;
  std::uint64_t maxTotalBytes_ = std::uint64_t{256} << 20;
  // A real book has a few thousand entries, a skin a few hundred.
  std::uint64_t maxEntries_ = 10000;
  std::uint64_t maxRatio_ = 0;  // 0: no bound on the ratio
  std::uint64_t ratioFreeBytes_ = 0;
  std::uint64_t maxFolders_ = 10000;
  bool tooLarge_ = false;
  bool shortOfRoom_ = false;
  bool keepsMargin_ = true;
  base::CancelFlag stop_;
};

}  // namespace mv
