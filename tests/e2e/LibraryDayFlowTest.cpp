// The sales library during a visit, from a start that sweeps what a killed
// run's conversions left: a PDF, a book, an Office document and a
// video downloaded from their cards on the Library tab; each opened in its
// viewer, a page of the PDF bookmarked in the reader; a file marked as a
// favourite on its card.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "LibraryDay.hpp"
#include "FolderBytes.hpp"
#include "customer/CustomerInfoView.hpp"
#include "app/TerminalReport.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderMainToolbar.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "sales-service/SampleData.hpp"
#include "services/OfficeConverter.hpp"
#include "shell/config/Language.hpp"
#include "services/OfficePreviewCache.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "util/DiskRoom.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

TEST_F(LibraryDay, FilesDownloadedFromTheirCardsOpenInTheirViewersAndOneIsMarked) {
  // A conversion a killed run left, and one another running instance works in.
  const svc::OfficePreviewCache previews(svc::OfficeConverter::defaultCacheFolder());
  std::filesystem::create_directories(previews.folder() / "work-left" / "out");
  std::ofstream(previews.folder() / "work-left" / "document.docx") << "half copied";
  auto live = previews.makeWorkFolder();
  ASSERT_TRUE(live);
  start();
  EXPECT_FALSE(std::filesystem::exists(previews.folder() / "work-left")) << "swept at start";
  EXPECT_TRUE(std::filesystem::exists(live->path())) << "live work is left alone";
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  openTab(MainTabScreens::kSalesLibrary);
  ASSERT_TRUE(library());
  const auto data = service->backend().currentData("acme");
  EXPECT_EQ(files().libfilesArray().size(), data->libraryFiles.size());
  picture("library-after-first-sync");

  for (const char* title : {"Catalogue 1", "Handbook 1", "Guide 1", "Showreel 1"}) download(title);
  EXPECT_FALSE(alert()) << alertTitle();
  picture("library-downloaded");

  // The Office document, in the Office viewer.
  tapFile("Guide 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<PPTLoadingViewController*>(top()) != nullptr; }, 5));
  auto* document = dynamic_cast<PPTLoadingViewController*>(top());
  EXPECT_EQ(document->fileName(), "Guide 1");
  // The office suite converts in real time, as slowly as a loaded machine lets it.
  ASSERT_TRUE(waitFor([&] { return !document->isLoading(); }, 180));
  EXPECT_FALSE(document->loadFailed());
  EXPECT_GE(document->webView().pageCount(), 1);
  // The tiles a frame asks for are drawn on a worker; a later frame shows them.
  for (int frame = 0; frame < 3; ++frame) {
    driver().render();
    ASSERT_TRUE(waitFor([&] { return !document->webView().tilesPending(); }, 20));
  }
  picture("library-office-viewer");
  viewers()->popViewControllerAnimated(false);
  settle();

  // The book, in the book reader.
  tapFile("Handbook 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<EPUBViewController*>(top()) != nullptr; }, 10));
  picture("library-book-reader");
  viewers()->popViewControllerAnimated(false);
  settle();

  // The video, in the player.
  tapFile("Showreel 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<VideoViewController*>(top()) != nullptr; }, 5));
  ASSERT_TRUE(tapControl(en("BACK")));
  ASSERT_TRUE(waitFor([&] { return !dynamic_cast<VideoViewController*>(top()); }, 5));

  // The PDF, in the reader: the page it opens on bookmarked from the toolbar.
  tapFile("Catalogue 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<ReaderViewController*>(top()) != nullptr; }, 10));
  auto* reader = dynamic_cast<ReaderViewController*>(top());
  ASSERT_TRUE(waitFor([&] { return reader->document()->pageCount().value_or(0) > 0; }, 10));
  picture("library-pdf-reader");
  tap(*reader->mainToolbar()->markButton());
  EXPECT_TRUE(reader->document()->bookmarks().contains(static_cast<std::size_t>(reader->currentPage())));
  viewers()->popViewControllerAnimated(false);
  settle();

  // The PDF marked as a favourite on its card: it comes first.
  const int pdf = file("Catalogue 1").file_id;
  // Its card opened from the information button drawn on its cell.
  auto cell = files().cellAt(indexOf("Catalogue 1"));
  ASSERT_TRUE(cell);
  ASSERT_TRUE(reachable(*cell));
  tap(cell->infoButton());
  settle();
  auto card = files().descriptionController();
  ASSERT_TRUE(card);
  EXPECT_EQ(card->actionButton().currentTitle(), en("OPEN"));
  tap(card->favButton());
  EXPECT_TRUE(SessionDatabase::open().get()->getLibraryFavoriteByFavoriteId(pdf));
}

TEST_F(LibraryDay, DownloadAllOnAStalledNetworkEndsWithOneAlertNamingTheFileServer) {
  start();
  StallingProxy& proxy = fileServerProxy();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  openTab(MainTabScreens::kSalesLibrary);
  ASSERT_TRUE(library());
  const std::size_t listed = files().libfilesArray().size();
  ASSERT_GE(listed, 4u);
  auto manager = SaleslibraryModel::sharedInstance();

  // The network stalls: every connection stays open and nothing comes. The
  // downloads end by themselves, all of them, with one alert that says
  // which server stopped answering.
  // The terminal hears of each file that failed, with the reason.
  TerminalReport terminal;
  proxy.stall();
  tap(files().btnDownloadAll());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("DOWNLOADALLFILES"));
  press(1);
  const std::vector<std::string> sent = manager->downloadFileNameArray();
  ASSERT_FALSE(sent.empty());
  testing::internal::CaptureStdout();
  ASSERT_TRUE(waitFor([&] { return manager->downloadFileNameArray().empty(); }, 60));
  const std::string printed = testing::internal::GetCapturedStdout();
  const auto failed = answerTheOneAlert(0);
  EXPECT_EQ(failed.first, en("FILEDOWNLOADFAILED"));
  EXPECT_EQ(failed.second, Language::format(en("SERVERSTOPPEDANSWERING"), {fileServer()}));
  for (const auto& name : sent) {
    EXPECT_NE(printed.find("Library download failed: " + name + ": " + failed.second + "\n"), std::string::npos)
        << name << " in:\n" << printed;
  }
  for (const auto& f : files().libfilesArray()) EXPECT_FALSE(onDisk(f.title)) << f.title;

  // The network back: a file downloads from its card as ever.
  proxy.pass();
  download("Catalogue 1");
  EXPECT_FALSE(alert()) << alertTitle();
}

// The data folder on a small disk of its own: Download all stops where the
// disk's margin begins, says there is no room on the device, and keeps the
// files that arrived whole; a customer typed afterwards is saved, and once
// room is made the rest of the files arrive.
TEST_F(LibraryDay, DownloadAllOnASmallDiskStopsAtTheMarginAndTheUsersOwnSavesStillWork) {
  // A memory file system of a size just past the margin such a disk keeps.
  const fs::path disk = root / "small-disk";
  fs::create_directories(disk);
  const std::uint64_t size = DiskRoom::kMarginBytes + (std::uint64_t{48} << 20);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, ("size=" + std::to_string(size)).c_str()) != 0) {
    GTEST_SKIP() << "no small disk can be mounted here: " << std::strerror(errno);
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};
  newDevice(disk);
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  openTab(MainTabScreens::kSalesLibrary);
  ASSERT_TRUE(library());
  auto manager = SaleslibraryModel::sharedInstance();
  // Room above the margin for half of the library's files: the rest of the
  // disk is taken by a file of the user's own.
  const auto served = [&](const marvisto_library_files_Entity& f) {
    const auto& all = service->backend().currentData("acme")->files;
    const auto it = all.find(sales::SampleData::typePath(PublicFunction::getFileType(f.type)) + "/" + f.file_name);
    return it == all.end() ? std::string() : *it->second;
  };
  std::uint64_t documents = 0;
  for (const auto& f : files().libfilesArray()) documents += served(f).size();
  const auto available = [&] { return fs::space(disk).available; };
  const std::uint64_t margin = DiskRoom::kMarginBytes;
  ASSERT_GT(available(), margin + documents / 2);
  {
    const int fd = ::open((disk / "own.bin").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::posix_fallocate(fd, 0, static_cast<off_t>(available() - margin - documents / 2)), 0);
    ::close(fd);
  }

  tap(files().btnDownloadAll());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("DOWNLOADALLFILES"));
  press(1);
  ASSERT_TRUE(waitFor([&] { return manager->downloadFileNameArray().empty(); }, 60));
  const auto failed = answerTheOneAlert(0);
  EXPECT_EQ(failed.first, en("FILEDOWNLOADFAILED"));
  // Told how much more room the files need: an estimate made while the
  // other downloads still write, so a file on its way then may yet land;
  // within twice what did not arrive.
  const std::string needs = en("DOWNLOADNOROOMNEEDS");
  const std::size_t amount = needs.find("%@");
  ASSERT_NE(amount, std::string::npos);
  ASSERT_TRUE(failed.second.starts_with(needs.substr(0, amount)) && failed.second.ends_with(needs.substr(amount + 2)))
      << failed.second;
  const std::string told = failed.second.substr(amount, failed.second.size() - needs.size() + 2);
  std::size_t whole = 0;
  for (const auto& f : files().libfilesArray()) {
    if (!onDisk(f.title)) continue;
    ++whole;
    const auto path = PublicFunction::filePathWithName(f.file_name, PublicFunction::getFileType(f.type));
    std::ifstream in(*path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), served(f)) << f.title;
  }
  EXPECT_LT(whole, files().libfilesArray().size());
  std::uint64_t missing = 0;
  for (const auto& f : files().libfilesArray()) missing += onDisk(f.title) ? 0 : served(f).size();
  EXPECT_TRUE(told.ends_with(" KB") || told.ends_with(" MB")) << told;
  EXPECT_GT(std::stod(told), 0);
  EXPECT_LE(std::stod(told) * (told.ends_with(" MB") ? 1024 : 1), missing / 1024.0 * 2 + 1) << told;
  EXPECT_GE(available(), margin) << "the margin is left free";
  const auto partials = HttpNetworkCtrl::partialPathWithName("x", kFileTypePdf).parent_path().parent_path();
  EXPECT_LE(bytesUnder(partials), documents / 2) << "no partial file holds the disk past its room";

  // The user's own save still finds room.
  CustomerInfoView* sheet = newCustomerForm();
  ASSERT_TRUE(sheet);
  typeInto(*sheet, 1, "NAME", "Harbour Supplies");
  tap(sheet->doneButton());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_TRUE(SessionDatabase::open()->getCustomerByCustomerName("Harbour Supplies"));

  // Room made: Download all brings the rest.
  ASSERT_TRUE(fs::remove(disk / "own.bin"));
  openTab(MainTabScreens::kSalesLibrary);
  tap(files().btnDownloadAll());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("DOWNLOADALLFILES"));
  press(1);
  ASSERT_TRUE(waitFor([&] { return manager->downloadFileNameArray().empty(); }, 60));
  EXPECT_FALSE(alert()) << alertTitle();
  for (const auto& f : files().libfilesArray()) EXPECT_TRUE(onDisk(f.title)) << f.title;
}

}  // namespace
}  // namespace mv::test
