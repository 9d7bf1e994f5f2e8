#pragma once
// The persistent record of one PDF that the library opens in the reader:
// which file it is, the GUID that names its thumbnail cache, its page count,
// the page the representative was on, the pages they bookmarked and when the
// file was last read. One archive per file name in Application Support, so
// that reopening a file returns to the same page with the same bookmarks.
// Main thread only (thumbnail work receives copies of the URL, password and
// GUID and never touches a record).
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/IndexSet.hpp"
#include "platform/gfx/PdfDocument.hpp"

namespace mv {

// Opens a PDF and unlocks it: an encrypted file is tried with the empty
// password, then with `password` (at most 125 bytes of its UTF-8 text).
// Nothing when the file does not open or stays locked.
std::shared_ptr<gfx::PdfDocument> ReaderOpenPDFDocument(const std::filesystem::path& fileURL,
                                                        const std::string& password);

class ReaderDocument {
 public:
  // The archived record of that file when one loads and was made for the
  // same file (its stored path equals this path's); else a new record.
  // Nothing when the path is not a PDF or lies outside the application home.
  static std::shared_ptr<ReaderDocument> withDocumentFilePath(const std::filesystem::path& path,
                                                              const std::string& password = {});
  // The record archived under the path's bare file name, whatever folder it
  // was made for; nothing when none reads.
  static std::shared_ptr<ReaderDocument> unarchiveFromFileName(const std::filesystem::path& path,
                                                               const std::string& password = {});
  // A new record, archived at once; nothing when the path is not a PDF.
  static std::shared_ptr<ReaderDocument> initWithFilePath(const std::filesystem::path& path,
                                                          const std::string& password = {});

  // The records of the files inside `folder` go, with their thumbnails (the
  // folder is being deleted); true when none is left.
  [[nodiscard]] static bool removeRecordsInside(const std::filesystem::path& folder);

  // "%PDF" within the first 1024 bytes, searched as a C string (a zero byte
  // ends the search).
  static bool isPDF(const std::filesystem::path& path);
  // A new UUID, 36 upper-case characters.
  static std::string GUID();
  static std::filesystem::path documentsPath();
  // The application home: the folder that holds Documents.
  static std::filesystem::path applicationPath();
  static std::filesystem::path applicationSupportPath();
  // The path below the application home with its leading "/"; nothing for a
  // path outside it.
  static std::optional<std::string> relativeFilePath(const std::filesystem::path& path);
  // Application Support/<name without its last extension>.plist
  static std::filesystem::path archiveFilePath(const std::string& fileName);
  // The reference date 2001-01-01 00:00:00 UTC, in seconds since 1970.
  static constexpr double kReferenceDate = 978307200;

  // Archives the record under its file name; false when the write failed
  // (the record stays valid in memory).
  bool saveReaderDocument() const;
  // Page count, date and size as the file is now. When the size or date
  // differ from the record's, the content changed under the same name: the
  // record takes a new GUID (the old thumbnails go) and drops bookmarks past
  // the page count. The page number is kept within 1..page count.
  void updateProperties();

  const std::string& guid() const { return guid_; }
  std::optional<double> fileDate() const { return fileDate_; }
  std::uint64_t fileSize() const { return fileSize_; }
  // Nothing while the file cannot be opened.
  std::optional<long> pageCount() const { return pageCount_; }
  long pageNumber() const { return pageNumber_; }
  void setPageNumber(long page) { pageNumber_ = page; }
  double lastOpen() const { return lastOpen_; }
  void setLastOpen(double date) { lastOpen_ = date; }
  const base::IndexSet& bookmarks() const { return bookmarks_; }
  base::IndexSet& bookmarks() { return bookmarks_; }
  // The bare file name, with its extension.
  std::string fileName() const;
  // The path below the application home, as stored.
  const std::string& relativeFileName() const { return relativeName_; }
  const std::string& password() const { return password_; }
  // The file: the application home and the stored path (a stored path that
  // begins with the temporary folder, from before files moved to Documents,
  // is read from Documents).
  std::filesystem::path fileURL() const;

 private:
  ReaderDocument() = default;
  bool readArchive(const std::filesystem::path& archive);

  std::string guid_;
  std::optional<double> fileDate_;
  double lastOpen_ = kReferenceDate;
  std::uint64_t fileSize_ = 0;
  std::optional<long> pageCount_;
  long pageNumber_ = 1;
  base::IndexSet bookmarks_;
  std::string relativeName_;
  std::string password_;
  mutable std::optional<std::filesystem::path> fileURL_;
};

}  // namespace mv
