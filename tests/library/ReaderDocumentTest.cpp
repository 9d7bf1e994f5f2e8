// The reader's document record: which file, its GUID, page and bookmarks,
// archived per file name, and how it follows a file that changed or moved.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include "ReaderTestSupport.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderThumbCache.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "util/Crypto.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

class ReaderDocumentTest : public test::ReaderTest {
 protected:
  static void setModified(const fs::path& p, std::time_t when) {
    struct utimbuf t {when, when};
    ASSERT_EQ(::utime(p.c_str(), &t), 0);
  }
};

TEST_F(ReaderDocumentTest, IsPDFLooksForTheMarkInTheFirstKilobyteAsText) {
  struct Case {
    const char* what;
    std::string bytes;
    bool pdf;
  } cases[] = {
      {"plain", "%PDF-1.4\n...", true},
      {"junk first", "garbage\r\n%PDF-1.7", true},
      {"after a zero byte", std::string("ab\0c%PDF-1.4", 11), false},
      {"after byte 1024", std::string(1024, 'x') + "%PDF-1.4", false},
      {"ends at byte 1024", std::string(1020, 'x') + "%PDF", true},
      {"empty", "", false},
      {"no mark", "hello", false},
  };
  for (const auto& c : cases) {
    fs::path p = root / "f.bin";
    ASSERT_TRUE(test::writeFile(p, c.bytes));
    EXPECT_EQ(ReaderDocument::isPDF(p), c.pdf) << c.what;
  }
  EXPECT_FALSE(ReaderDocument::isPDF(root / "missing.pdf"));
}

TEST_F(ReaderDocumentTest, NewRecordIsArchivedAndTheSameFileReturnsToIt) {
  fs::path file = libraryPdf("Price list.pdf", plainPdf(5));
  auto doc = ReaderDocument::withDocumentFilePath(file);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(isUUIDText(doc->guid()));
  EXPECT_EQ(doc->guid(), uppercase(doc->guid()));
  EXPECT_EQ(doc->pageCount(), 5);
  EXPECT_EQ(doc->pageNumber(), 1);
  EXPECT_TRUE(doc->bookmarks().empty());
  EXPECT_EQ(doc->lastOpen(), ReaderDocument::kReferenceDate);
  EXPECT_EQ(doc->fileName(), "Price list.pdf");
  EXPECT_EQ(doc->relativeFileName(), "/Documents/acme/Pdf/Price list.pdf");
  EXPECT_EQ(doc->fileURL(), file);
  EXPECT_EQ(doc->fileSize(), fs::file_size(file));

  fs::path archive = base::Paths::applicationSupport() / "Price list.plist";
  EXPECT_EQ(ReaderDocument::archiveFilePath("a.b.pdf"), base::Paths::applicationSupport() / "a.b.plist");
  auto stored = base::PropertyList::read(archive);
  ASSERT_TRUE(stored);
  std::vector<std::string> keys;
  for (auto it = stored->begin(); it != stored->end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"FileGUID", "FileName", "FileDate", "PageCount", "PageNumber",
                                            "Bookmarks", "FileSize", "LastOpen"}));
  EXPECT_EQ((*stored)["LastOpen"], "2001-01-01T00:00:00Z");

  doc->setPageNumber(4);
  doc->bookmarks().add(2);
  doc->bookmarks().add(4);
  doc->setLastOpen(1700000000);
  ASSERT_TRUE(doc->saveReaderDocument());
  auto again = ReaderDocument::withDocumentFilePath(file);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->guid(), doc->guid());
  EXPECT_EQ(again->pageNumber(), 4);
  EXPECT_EQ(again->bookmarks(), (base::IndexSet{2, 4}));
  EXPECT_EQ(again->lastOpen(), 1700000000);
  // The password is never archived.
  auto withPassword = ReaderDocument::withDocumentFilePath(file, "secret");
  EXPECT_EQ(withPassword->password(), "secret");
  EXPECT_EQ(base::PropertyList::serialize(*base::PropertyList::read(archive)).find("secret"), std::string::npos);
}

TEST_F(ReaderDocumentTest, AFileOfTheSameNameInAnotherFolderGetsItsOwnRecord) {
  fs::path mine = libraryPdf("Price list.pdf", plainPdf(2), "acme");
  fs::path theirs = libraryPdf("Price list.pdf", plainPdf(7), "globex");
  auto a = ReaderDocument::withDocumentFilePath(mine);
  a->setPageNumber(2);
  ASSERT_TRUE(a->saveReaderDocument());
  ReaderThumbCache::createThumbCacheWithGUID(a->guid());
  auto b = ReaderDocument::withDocumentFilePath(theirs);
  ASSERT_TRUE(b);
  EXPECT_NE(b->guid(), a->guid());
  EXPECT_EQ(b->fileURL(), theirs);
  EXPECT_EQ(b->pageCount(), 7);
  EXPECT_EQ(b->pageNumber(), 1);
  // The record it replaced had thumbnails that no record names any more.
  settleThumbnails();
  EXPECT_FALSE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(a->guid())));
}

TEST_F(ReaderDocumentTest, TheRecordsOfAFoldersFilesGoWithTheirThumbnails) {
  auto mine = ReaderDocument::withDocumentFilePath(libraryPdf("Catalogue.pdf", plainPdf(2), "acme"));
  auto theirs = ReaderDocument::withDocumentFilePath(libraryPdf("Prices.pdf", plainPdf(2), "acme2"));
  ASSERT_TRUE(mine && theirs);
  for (const auto& doc : {mine, theirs}) ReaderThumbCache::createThumbCacheWithGUID(doc->guid());
  ASSERT_TRUE(test::writeFile(ReaderDocument::applicationSupportPath() / "notes.plist", "not a record"));

  EXPECT_TRUE(ReaderDocument::removeRecordsInside(base::Paths::documents() / "acme"));
  EXPECT_FALSE(fs::exists(ReaderDocument::archiveFilePath("Catalogue.pdf")));
  EXPECT_FALSE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(mine->guid())));
  // Another client's, and what is no record, stay.
  EXPECT_TRUE(fs::exists(ReaderDocument::archiveFilePath("Prices.pdf")));
  EXPECT_TRUE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(theirs->guid())));
  EXPECT_TRUE(fs::exists(ReaderDocument::applicationSupportPath() / "notes.plist"));
}

TEST_F(ReaderDocumentTest, ReplacedContentGetsANewGuidAndKeepsPageAndBookmarksInRange) {
  fs::path file = libraryPdf("Catalogue.pdf", plainPdf(10));
  setModified(file, 1600000000);
  auto doc = ReaderDocument::withDocumentFilePath(file);
  doc->setPageNumber(9);
  doc->bookmarks().add(3);
  doc->bookmarks().add(8);
  ASSERT_TRUE(doc->saveReaderDocument());
  const std::string oldGuid = doc->guid();
  ReaderThumbCache::createThumbCacheWithGUID(oldGuid);
  ASSERT_TRUE(fs::is_directory(ReaderThumbCache::thumbCachePathForGUID(oldGuid)));

  // Unchanged: the same GUID.
  doc = ReaderDocument::withDocumentFilePath(file);
  doc->updateProperties();
  EXPECT_EQ(doc->guid(), oldGuid);

  // A shorter file under the same name.
  ASSERT_TRUE(test::writeFile(file, plainPdf(4)));
  setModified(file, 1700000000);
  doc = ReaderDocument::withDocumentFilePath(file);
  doc->updateProperties();
  settleThumbnails();
  EXPECT_NE(doc->guid(), oldGuid);
  EXPECT_FALSE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(oldGuid)));
  EXPECT_EQ(doc->pageCount(), 4);
  EXPECT_EQ(doc->pageNumber(), 4);
  EXPECT_EQ(doc->bookmarks(), (base::IndexSet{3}));
}

TEST_F(ReaderDocumentTest, AFileThatDoesNotOpenHasNoPageCount) {
  std::string whole = plainPdf(3);
  fs::path cut = libraryPdf("cut.pdf", whole.substr(0, 40));
  auto doc = ReaderDocument::withDocumentFilePath(cut);
  ASSERT_TRUE(doc);
  EXPECT_FALSE(doc->pageCount());
  EXPECT_EQ(doc->pageNumber(), 1);
  EXPECT_FALSE(ReaderDocument::withDocumentFilePath(libraryPdf("text.pdf", "plain text")));

  // A file that opened once and broke later loses its count.
  fs::path file = libraryPdf("later.pdf", whole);
  auto later = ReaderDocument::withDocumentFilePath(file);
  EXPECT_EQ(later->pageCount(), 3);
  ASSERT_TRUE(test::writeFile(file, whole.substr(0, 40)));
  later->updateProperties();
  EXPECT_FALSE(later->pageCount());
}

TEST_F(ReaderDocumentTest, DamagedOrPartialArchivesReadSoundly) {
  fs::path file = libraryPdf("Guide.pdf", plainPdf(3));
  fs::path archive = base::Paths::applicationSupport() / "Guide.plist";
  ASSERT_TRUE(test::writeFile(archive, "<plist><dict><key>FileName"));
  auto doc = ReaderDocument::withDocumentFilePath(file);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(base::PropertyList::read(archive));  // replaced by the new record

  base::Value partial = base::Value::object();
  partial["FileName"] = "/Documents/acme/Pdf/Guide.pdf";
  partial["PageNumber"] = 2;
  partial["FileGUID"] = "../../Documents";  // not a GUID: never a folder name
  ASSERT_TRUE(base::PropertyList::write(partial, archive));
  auto read = ReaderDocument::withDocumentFilePath(file);
  ASSERT_TRUE(read);
  EXPECT_TRUE(isUUIDText(read->guid()));
  EXPECT_EQ(read->pageNumber(), 2);
  EXPECT_TRUE(read->bookmarks().empty());
  EXPECT_FALSE(ReaderDocument::withDocumentFilePath("/elsewhere/Guide.pdf"));
}

TEST_F(ReaderDocumentTest, OnlyALeadingTemporaryFolderIsReadFromDocuments) {
  fs::path file = libraryPdf("Attmp.pdf", plainPdf(1), "tmpclient");
  base::Value stored = base::Value::object();
  stored["FileGUID"] = ReaderDocument::GUID();
  stored["FileName"] = "/tmp/tmpclient/Pdf/Attmp.pdf";
  ASSERT_TRUE(base::PropertyList::write(stored, ReaderDocument::archiveFilePath("Attmp.pdf")));
  auto moved = ReaderDocument::unarchiveFromFileName(file);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->fileURL(), file);
  auto doc = ReaderDocument::withDocumentFilePath(file);
  EXPECT_EQ(doc->relativeFileName(), "/Documents/tmpclient/Pdf/Attmp.pdf");
  EXPECT_EQ(doc->fileURL(), file);
}

TEST_F(ReaderDocumentTest, EncryptedFilesOpenWithTheirPasswordOnly) {
  fs::path plain = root / "plain.pdf";
  ASSERT_TRUE(test::writeFile(plain, plainPdf(2)));
  fs::path open = base::Paths::documents() / "acme" / "Pdf" / "open.pdf";
  fs::path locked = base::Paths::documents() / "acme" / "Pdf" / "locked.pdf";
  fs::create_directories(open.parent_path());
  ASSERT_TRUE(test::encryptPdf(plain, open, "", "owner"));
  ASSERT_TRUE(test::encryptPdf(plain, locked, "secret", "owner"));

  EXPECT_TRUE(ReaderOpenPDFDocument(open, ""));
  EXPECT_EQ(ReaderDocument::withDocumentFilePath(open)->pageCount(), 2);
  EXPECT_FALSE(ReaderOpenPDFDocument(locked, ""));
  EXPECT_FALSE(ReaderOpenPDFDocument(locked, "wrong"));
  ASSERT_TRUE(ReaderOpenPDFDocument(locked, "secret"));
  EXPECT_FALSE(ReaderDocument::withDocumentFilePath(locked)->pageCount());
  auto unlocked = ReaderDocument::withDocumentFilePath(locked, "secret");
  unlocked->updateProperties();
  EXPECT_EQ(unlocked->pageCount(), 2);
  // A password longer than 125 bytes is cut there, never inside a character.
  EXPECT_FALSE(ReaderOpenPDFDocument(locked, std::string(200, 'x')));
  EXPECT_FALSE(ReaderOpenPDFDocument(locked, std::string(124, 'x') + "\xC3\xA9"));
}

TEST_F(ReaderDocumentTest, EveryCorpusFileOpensOrSaysItIsLocked) {
  auto files = test::corpusPdfs();
  if (files.empty()) GTEST_SKIP() << "no document corpus beside this clone";
  int needPassword = 0;
  test::checkEveryFile(files, [&](const fs::path& f) {
    fs::path file = copyToLibrary(f);
    // Locked or not is what the file says, whatever its name.
    const bool locked = gfx::PdfDocument::needsPassword(file);
    if (locked) ++needPassword;
    auto doc = ReaderDocument::withDocumentFilePath(file, locked ? test::kCorpusPassword : "");
    ASSERT_TRUE(doc);
    doc->updateProperties();
    ASSERT_TRUE(doc->pageCount()) << (locked ? "locked, and its password does not open it" : "does not open");
    EXPECT_GT(*doc->pageCount(), 0);
    // Without its password a file that needs one has no pages: the library
    // says it cannot open it.
    auto plain = ReaderDocument::withDocumentFilePath(file);
    ASSERT_TRUE(plain);
    plain->updateProperties();
    if (locked) {
      EXPECT_FALSE(plain->pageCount());
    } else {
      EXPECT_EQ(plain->pageCount(), doc->pageCount());
    }
  });
  EXPECT_GE(needPassword, 1);
}

}  // namespace
}  // namespace mv
