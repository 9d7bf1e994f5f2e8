// The sales library during a visit, from a start that sweeps what a killed
// run's conversions left: a PDF, a book, an Office document and a
// video downloaded from their cards on the Library tab; each opened in its
// viewer, a page of the PDF bookmarked in the reader; a file marked as a
// favourite on its card.
#include <gtest/gtest.h>

#include <fstream>

#include "LibraryDay.hpp"
#include "app/TerminalReport.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderMainToolbar.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "services/OfficeConverter.hpp"
#include "shell/config/Language.hpp"
#include "services/OfficePreviewCache.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"

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
  ASSERT_TRUE(waitFor([&] { return !document->isLoading(); }, 60));
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

}  // namespace
}  // namespace mv::test
