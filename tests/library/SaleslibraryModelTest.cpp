// The download manager's bookkeeping on the fake request sender: what it
// sends, cancels and acknowledges, what it keeps per file name, and what its
// observers hear and when.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LibraryTestSupport.hpp"
#include "library/epub/EPUBBook.hpp"
#include "SessionFixture.hpp"
#include "sync/DownloadedFilesModel.hpp"
#include "sync/LibraryFileDownloader.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "transport/FormDataRequest.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using test::EventLog;

class SaleslibraryModelTest : public test::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    pdf = test::libraryFile(1, "Catalogue", "catalogue_v2.pdf", "PDF");
    video = test::libraryFile(2, "Showreel", "showreel.avi", "VEDIO");
    save({pdf, video});
  }

  std::shared_ptr<RequestDownload> lastDownload() { return downloads().back(); }

  marvisto_library_files_Entity pdf, video;
  std::vector<std::string> events;
};

TEST_F(SaleslibraryModelTest, SuccessfulDownloadReplacesThePendingUpdateAndIsAcknowledged) {
  // The service renamed the file; the old version is still on disk under
  // its old name and old type.
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({pdf.file_id, "catalogue.doc", "WORD"}));
  const fs::path old = putOnDisk("catalogue.doc", "WORD");
  manager->loadExistsFiles();
  ASSERT_TRUE(manager->isExists(pdf.file_id));

  auto observer = std::make_shared<EventLog>("o", &events);
  manager->addObserver(observer);
  const int id = manager->downloadFile(pdf);
  EXPECT_EQ(id, 0) << "a present file is not fetched again by the start rule";
  const int sent = manager->sendRequest(SaleslibraryModel::requestForFile(pdf));
  ASSERT_EQ(downloads().size(), 1u);
  auto request = lastDownload();
  EXPECT_EQ(sent, request->downloadId);
  EXPECT_EQ(request->fileNameList, std::vector<std::string>{"catalogue_v2.pdf"});
  EXPECT_EQ(request->imgType, kFileTypePdf);
  EXPECT_EQ(request->progressType, kProgressTypeSingleWithPercent);
  EXPECT_TRUE(sender->isWaiting(request)) << "the manager waits for its outcome";
  EXPECT_TRUE(manager->isInDownloadList("catalogue_v2.pdf"));

  EXPECT_TRUE(progress("catalogue_v2.pdf", 0.25f));
  EXPECT_FLOAT_EQ(manager->getDownloadPercentage("catalogue_v2.pdf"), 0.25f);

  // Observers hear the outcome after the manager has taken it in.
  observer->onEvent = [&] {
    if (events.back().find("result") == std::string::npos) return;
    EXPECT_FALSE(manager->isInDownloadList("catalogue_v2.pdf"));
    EXPECT_TRUE(manager->isExists(pdf.file_id));
    EXPECT_FALSE(store().getLibFileUpdateByFileID(pdf.file_id));
  };
  const fs::path now = putOnDisk("catalogue_v2.pdf", "PDF");
  EXPECT_TRUE(sender->answer(completion(*request, "200")));
  EXPECT_EQ(events, (std::vector<std::string>{"o percent catalogue_v2.pdf 0.25", "o result catalogue_v2.pdf 200"}));
  EXPECT_EQ(manager->existsFiles(), std::vector<int>{pdf.file_id}) << "present once, not twice";
  EXPECT_EQ(manager->getDownloadPercentage("catalogue_v2.pdf"), 0.0f);
  EXPECT_EQ(acknowledged(), std::vector<int>{pdf.file_id});
  EXPECT_FALSE(fs::exists(old)) << "the replaced version goes";
  EXPECT_TRUE(fs::exists(now));
  ASSERT_EQ(manager->allExsitsFilesDic().size(), 1u);
  EXPECT_EQ(manager->allExsitsFilesDic()[0], base::Value({{"id", "1"}, {"file_name", "catalogue_v2.pdf"}}));

  // The acknowledgement's reply is only logged.
  auto ack = std::make_shared<NetBaseRst>();
  ack->cmdCode = kCmdDownloadFinish;
  ack->requestCode = sender->lastSent(kCmdDownloadFinish)->requestCode;
  ack->status = "200";
  EXPECT_TRUE(sender->answer(ack));
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(SaleslibraryModelTest, ABookUpdatedUnderANewNameTakesItsUnpackedFolderAlong) {
  auto book = test::libraryFile(3, "Handbook", "handbook_v2.epub", "EPUB");
  save({book});
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({book.file_id, "handbook.epub", "EPUB"}));
  const fs::path old = putOnDisk("handbook.epub", "EPUB");
  const fs::path unpacked = old.parent_path() / "handbook";
  fs::create_directories(unpacked / "OEBPS");
  std::ofstream(unpacked / EPUBBook::kExtractionMarker) << "1 2\n";
  std::ofstream(unpacked / "OEBPS" / "one.xhtml") << "<html/>";
  manager->sendRequest(SaleslibraryModel::requestForFile(book));
  const fs::path now = putOnDisk("handbook_v2.epub", "EPUB");
  EXPECT_TRUE(sender->answer(completion(*lastDownload(), "200")));
  EXPECT_FALSE(fs::exists(old));
  EXPECT_FALSE(fs::exists(unpacked));
  EXPECT_TRUE(fs::exists(now));
}

TEST_F(SaleslibraryModelTest, AnOldVersionWhosePathAnotherFileNowHasStays) {
  // The service renamed the file, and gave its old name to another file.
  auto heir = test::libraryFile(3, "Heir", "catalogue.pdf", "PDF");
  save({heir});
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({pdf.file_id, "catalogue.pdf", "PDF"}));
  const fs::path old = putOnDisk("catalogue.pdf", "PDF");
  manager->sendRequest(SaleslibraryModel::requestForFile(pdf));
  putOnDisk("catalogue_v2.pdf", "PDF");
  EXPECT_TRUE(sender->answer(completion(*lastDownload(), "200")));
  EXPECT_FALSE(store().getLibFileUpdateByFileID(pdf.file_id));
  EXPECT_EQ(acknowledged(), std::vector<int>{pdf.file_id});
  EXPECT_TRUE(fs::exists(old)) << "the heir's file is not the replaced version";
}

TEST_F(SaleslibraryModelTest, FailuresKeepThePendingUpdateAndAreNotAcknowledged) {
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({pdf.file_id, "catalogue.pdf", "PDF"}));
  auto observer = std::make_shared<EventLog>("o", &events);
  manager->addObserver(observer);

  // A success whose file is not there is a missing file.
  manager->sendRequest(manager->requestForFile(pdf));
  EXPECT_TRUE(progress("catalogue_v2.pdf", 0.5f));
  EXPECT_TRUE(sender->answer(completion(*lastDownload(), "200")));
  // Network failure and missing file on the service.
  manager->sendRequest(manager->requestForFile(video));
  EXPECT_TRUE(sender->answer(completion(*lastDownload(), "999")));
  manager->sendRequest(manager->requestForFile(pdf));
  EXPECT_TRUE(sender->answer(completion(*lastDownload(), "404")));

  EXPECT_EQ(events, (std::vector<std::string>{"o percent catalogue_v2.pdf 0.50", "o result catalogue_v2.pdf 404",
                                              "o result showreel.avi 999", "o result catalogue_v2.pdf 404"}));
  EXPECT_TRUE(manager->downloadFileNameArray().empty());
  EXPECT_TRUE(manager->pauseFileArray().empty());
  EXPECT_TRUE(manager->existsFiles().empty());
  EXPECT_FLOAT_EQ(manager->getDownloadPercentage("catalogue_v2.pdf"), 0.5f) << "kept for the next attempt";
  EXPECT_TRUE(acknowledged().empty());
  EXPECT_TRUE(store().getLibFileUpdateByFileID(pdf.file_id));

  // A download that the session handler ended leaves the list as well.
  manager->sendRequest(manager->requestForFile(video));
  auto ended = completion(*lastDownload(), "101");
  EXPECT_TRUE(sender->endSession(ended));
  EXPECT_FALSE(manager->isInDownloadList("showreel.avi"));
  // Its observers hear that the session ended it, not that it failed.
  EXPECT_EQ(events.back(), "o ended showreel.avi 101");
}

TEST_F(SaleslibraryModelTest, PauseResumeAndCancelKeepOrDropThePartialData) {
  // Pausing a name that is not downloading changes nothing.
  manager->pauseDownloadFile("showreel.avi");
  EXPECT_TRUE(cancelled().empty());
  EXPECT_TRUE(manager->pauseFileArray().empty());

  manager->sendRequest(manager->requestForFile(video));
  const int first = lastDownload()->downloadId;
  EXPECT_TRUE(progress("showreel.avi", 0.4f));
  const fs::path partial = HttpNetworkCtrl::partialPathWithName("showreel.avi", kFileTypeVideo);
  ASSERT_FALSE(partial.empty());
  const fs::path record = FormDataRequest::resumeRecordPath(partial);
  fs::create_directories(partial.parent_path());
  std::ofstream(partial) << "partial bytes";
  std::ofstream(record) << "\"v1\"\n13\n";

  manager->pauseDownloadFile("showreel.avi");
  EXPECT_EQ(cancelled(), std::vector<std::string>{"showreel.avi"});
  EXPECT_TRUE(manager->isInPauseList("showreel.avi"));
  EXPECT_FALSE(manager->isInDownloadList("showreel.avi"));
  EXPECT_TRUE(fs::exists(partial)) << "a pause keeps the partial data for the resume";
  // The start rule resumes a paused file.
  EXPECT_NE(manager->downloadFile(video), 0);
  EXPECT_NE(lastDownload()->downloadId, first);
  EXPECT_TRUE(manager->isInDownloadList("showreel.avi"));
  EXPECT_FALSE(manager->isInPauseList("showreel.avi"));
  EXPECT_FLOAT_EQ(manager->getDownloadPercentage("showreel.avi"), 0.4f);

  // Cancelling a paused name touches only the pause list, and the partial.
  manager->pauseDownloadFile("showreel.avi");
  sender->clearCancelled();
  manager->cancelDownloadFile("showreel.avi");
  EXPECT_TRUE(cancelled().empty());
  EXPECT_TRUE(manager->pauseFileArray().empty());
  EXPECT_FALSE(fs::exists(partial)) << "a cancelled download starts afresh";
  EXPECT_FALSE(fs::exists(record));
  EXPECT_FLOAT_EQ(manager->getDownloadPercentage("showreel.avi"), 0.4f);

  // Cancelling a running one cancels its transfer.
  manager->sendRequest(manager->requestForFile(video));
  std::ofstream(partial) << "partial bytes";
  manager->cancelDownloadFile("showreel.avi");
  EXPECT_EQ(cancelled(), std::vector<std::string>{"showreel.avi"});
  EXPECT_FALSE(manager->isInDownloadList("showreel.avi"));
  EXPECT_FALSE(fs::exists(partial));
}

TEST_F(SaleslibraryModelTest, OneTransferPerNameAndObserversOncePerEventInOrder) {
  const int id = manager->sendRequest(manager->requestForFile(pdf));
  // The grid and a product's related files both ask for the same file.
  EXPECT_EQ(manager->sendRequest(manager->requestForFile(pdf)), id);
  EXPECT_EQ(manager->downloadFile(pdf), 0);
  EXPECT_EQ(downloads().size(), 1u);
  EXPECT_EQ(manager->downloadFileNameArray(), std::vector<std::string>{"catalogue_v2.pdf"});

  auto a = std::make_shared<EventLog>("a", &events);
  auto b = std::make_shared<EventLog>("b", &events);
  auto c = std::make_shared<EventLog>("c", &events);
  manager->addObserver(a);
  manager->addObserver(b);
  manager->addObserver(a);
  manager->addObserver(c);
  manager->removeObserver(b.get());
  // An observer that leaves while others are told is not called after.
  a->onEvent = [&] { manager->removeObserver(c.get()); };
  EXPECT_TRUE(progress("catalogue_v2.pdf", 0.1f));
  EXPECT_EQ(events, std::vector<std::string>{"a percent catalogue_v2.pdf 0.10"});
  a->onEvent = nullptr;
  manager->addObserver(c);
  c.reset();  // gone without removing itself: skipped
  events.clear();
  EXPECT_TRUE(progress("catalogue_v2.pdf", 0.2f));
  EXPECT_EQ(events, std::vector<std::string>{"a percent catalogue_v2.pdf 0.20"});
}

TEST_F(SaleslibraryModelTest, EachNameRunsOnItsOwnSoStoppingOneStopsOnlyItsRequest) {
  // One request for two names travels as one request per name, under the
  // request's download id.
  auto both = SaleslibraryModel::requestForFile(pdf);
  both->fileNameList = {"catalogue_v2.pdf", "showreel.avi"};
  const int id = manager->sendRequest(both);
  EXPECT_EQ(id, both->downloadId);
  ASSERT_EQ(downloads().size(), 2u);
  auto first = downloads()[0];
  auto second = downloads()[1];
  EXPECT_EQ(first->fileNameList, std::vector<std::string>{"catalogue_v2.pdf"});
  EXPECT_EQ(second->fileNameList, std::vector<std::string>{"showreel.avi"});
  EXPECT_EQ(first->downloadId, id);
  EXPECT_EQ(second->downloadId, id);

  auto observer = std::make_shared<EventLog>("o", &events);
  manager->addObserver(observer);
  manager->pauseDownloadFile("catalogue_v2.pdf");
  EXPECT_EQ(cancelled(), std::vector<std::string>{"catalogue_v2.pdf"});
  EXPECT_FALSE(sender->isWaiting(first));
  EXPECT_TRUE(sender->isWaiting(second));
  // Nothing of the paused transfer comes through any more.
  EXPECT_FALSE(progress("catalogue_v2.pdf", 0.3f));
  EXPECT_FALSE(sender->answer(completion(*first, "200")));
  EXPECT_TRUE(progress("showreel.avi", 0.3f));
  EXPECT_TRUE(sender->answer(completion(*second, "404")));
  EXPECT_EQ(events, (std::vector<std::string>{"o percent showreel.avi 0.30", "o result showreel.avi 404"}));
  EXPECT_TRUE(manager->isInPauseList("catalogue_v2.pdf"));
  EXPECT_TRUE(manager->downloadFileNameArray().empty());

  // A resumed name runs on a new request; the old one's reply stays unheard.
  EXPECT_NE(manager->downloadFile(pdf), 0);
  ASSERT_EQ(downloads().size(), 3u);
  EXPECT_TRUE(sender->isWaiting(downloads()[2]));
  EXPECT_FALSE(sender->answer(completion(*first, "200")));
  EXPECT_TRUE(manager->isInDownloadList("catalogue_v2.pdf"));
}

TEST_F(SaleslibraryModelTest, AnObserverThatCancelsWhileToldOfProgressStopsTheTransfer) {
  manager->sendRequest(manager->requestForFile(video));
  auto request = lastDownload();
  auto observer = std::make_shared<EventLog>("o", &events);
  manager->addObserver(observer);
  observer->onEvent = [&] { manager->cancelDownloadFile("showreel.avi"); };
  EXPECT_TRUE(progress("showreel.avi", 0.1f));
  observer->onEvent = nullptr;
  EXPECT_EQ(cancelled(), std::vector<std::string>{"showreel.avi"});
  EXPECT_FALSE(sender->isWaiting(request));
  EXPECT_FALSE(progress("showreel.avi", 0.2f));
  EXPECT_FALSE(sender->answer(completion(*request, "200")));
  EXPECT_EQ(events, std::vector<std::string>{"o percent showreel.avi 0.10"});
  EXPECT_FALSE(manager->isInDownloadList("showreel.avi"));
}

TEST_F(SaleslibraryModelTest, PresenceComesFromDiskIncludingOldVersions) {
  auto word = test::libraryFile(3, "Guide", "guide_v2.docx", "WORD");
  auto epub = test::libraryFile(4, "Handbook", "handbook.epub", "EPUB");
  auto withdrawn = test::libraryFile(5, "Withdrawn", "old.pdf", "PDF");
  withdrawn.published = 0;
  save({word, epub, withdrawn});
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({word.file_id, "guide.docx", "WORD"}));
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({pdf.file_id, "catalogue.pdf", "PDF"}));
  putOnDisk("guide.docx", "WORD");                    // only the old version
  putOnDisk("catalogue.pdf", "PDF");                  // both versions
  putOnDisk("catalogue_v2.pdf", "PDF");
  putOnDisk("old.pdf", "PDF");                        // not published
  putOnDisk("handbook.epub", "PDF");                  // in another type's folder
  manager->loadExistsFiles();
  EXPECT_EQ(manager->existsFiles(), (std::vector<int>{pdf.file_id, word.file_id}));
  manager->removeExistsFiles(word.file_id);
  EXPECT_EQ(manager->existsFiles(), std::vector<int>{pdf.file_id});
}

TEST_F(SaleslibraryModelTest, FreeingTheManagerCancelsItsTransfersAndForgetsEverything) {
  manager->sendRequest(manager->requestForFile(pdf));
  manager->sendRequest(manager->requestForFile(video));
  manager->pauseDownloadFile("showreel.avi");
  manager->sendRequest(manager->requestForFile(video));
  sender->clearCancelled();
  manager.reset();
  services.reset();
  scope->endServices();
  EXPECT_EQ(cancelled(), (std::vector<std::string>{"catalogue_v2.pdf", "showreel.avi"}));
  EXPECT_FALSE(SaleslibraryModel::sharedInstance());
  scope->restart();
  services = scope->services();
  ASSERT_TRUE(services);
  auto fresh = SaleslibraryModel::sharedInstance();
  EXPECT_TRUE(fresh->downloadFileNameArray().empty());
  EXPECT_TRUE(fresh->pauseFileArray().empty());
  EXPECT_TRUE(fresh->downloadPercentageDic().empty());
  EXPECT_EQ(fresh->getDownloadPercentage("showreel.avi"), 0.0f);
}

TEST_F(SaleslibraryModelTest, BackupRestoreAndLogoutReachTheSessionsManager) {
  putOnDisk("catalogue_v2.pdf", "PDF");
  manager->loadExistsFiles();
  auto downloader = LibraryFileDownloader::current();
  EXPECT_TRUE(downloader->isExists(pdf.file_id));
  auto request = SaleslibraryModel::requestForFile(video);
  EXPECT_EQ(downloader->sendRequest(request), request->downloadId);
  EXPECT_TRUE(downloader->isInDownloadList("showreel.avi"));
  EXPECT_TRUE(sender->isWaiting(request)) << "the manager hears the outcome";
  EXPECT_EQ(DownloadedFilesModel::current()->allExsitsFilesDic(), manager->allExsitsFilesDic());
  services.reset();
  scope->endServices();
  EXPECT_EQ(cancelled(), std::vector<std::string>{"showreel.avi"});
  EXPECT_FALSE(SaleslibraryModel::sharedInstance());
  // Without a session, backup and restore fall back to what is on disk.
  EXPECT_NE(LibraryFileDownloader::current(), downloader);
}

}  // namespace
}  // namespace mv
