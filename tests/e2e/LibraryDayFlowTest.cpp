// The sales library during a visit: a PDF, a book, an Office document and a
// video downloaded from their cards on the Library tab; the document and the
// video opened in their viewers; a file marked as a favourite on its card.
#include <gtest/gtest.h>

#include <filesystem>

#include "RepresentativeDay.hpp"
#include "library/FileDescriptionViewController.hpp"
#include "library/LibraryDetailCell.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/LibraryViewers.hpp"
#include "library/VideoViewController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class LibraryDay : public RepresentativeDay {
 protected:
  std::shared_ptr<SaleslibraryController> library() const {
    auto tab = tabBar();
    return tab ? std::dynamic_pointer_cast<SaleslibraryController>(tab->screen(MainTabScreens::kSalesLibrary))
               : nullptr;
  }
  LibraryDetailController& files() { return *library()->detailViewsArray().front(); }
  const marvisto_library_files_Entity& file(const std::string& title) {
    const auto& list = files().libfilesArray();
    for (const auto& f : list) {
      if (f.title == title) return f;
    }
    ADD_FAILURE() << title << " is not listed";
    return list.front();
  }
  std::size_t indexOf(const std::string& title) {
    const auto& list = files().libfilesArray();
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i].title == title) return i;
    }
    return 0;
  }
  // Taps the file's cell on the grid.
  void tapFile(const std::string& title) {
    auto cell = files().cellAt(indexOf(title));
    ASSERT_TRUE(cell) << title;
    ASSERT_TRUE(reachable(*cell)) << title;
    tap(*cell);
    settle(0.3);
  }
  bool onDisk(const std::string& title) {
    const auto& f = file(title);
    auto path = PublicFunction::filePathWithName(f.file_name, PublicFunction::getFileType(f.type));
    std::error_code ec;
    return path && fs::exists(*path, ec) && fs::file_size(*path, ec) > 0;
  }
  // Viewers open full screen, over the tab bar.
  ui::NavigationController* viewers() { return LibraryViewers::navigationFor(files()); }
  ui::ViewController* top() { return viewers() ? viewers()->topViewController() : nullptr; }
  // Downloads the file from its card and waits until it is on the device.
  void download(const std::string& title) {
    tapFile(title);
    auto card = files().descriptionController();
    ASSERT_TRUE(card) << title;
    EXPECT_EQ(card->actionButton().currentTitle(), en("DOWNLOAD"));
    tap(card->actionButton());
    ASSERT_TRUE(waitFor([&] { return onDisk(title); }, 30)) << title;
    settle(0.5);
  }
};

TEST_F(LibraryDay, FilesDownloadedFromTheirCardsOpenInTheirViewersAndOneIsMarked) {
  start();
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
  ASSERT_TRUE(waitFor([&] { return !document->isLoading(); }, 20));
  picture("library-office-viewer");
  viewers()->popViewControllerAnimated(false);
  settle();

  // The video, in the player.
  tapFile("Showreel 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<VideoViewController*>(top()) != nullptr; }, 5));
  dynamic_cast<VideoViewController*>(top())->btnbackClicked();
  ASSERT_TRUE(waitFor([&] { return !dynamic_cast<VideoViewController*>(top()); }, 5));

  // The PDF marked as a favourite on its card: it comes first.
  const int pdf = file("Catalogue 1").file_id;
  files().selectShowInfo(file("Catalogue 1"));
  settle();
  auto card = files().descriptionController();
  ASSERT_TRUE(card);
  EXPECT_EQ(card->actionButton().currentTitle(), en("OPEN"));
  tap(card->favButton());
  EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibraryFavoriteByFavoriteId(pdf));
}

}  // namespace
}  // namespace mv::test
