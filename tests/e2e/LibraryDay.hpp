#pragma once
// The Library tab's steps of the flows: the tab's screen, its files by
// title, a file downloaded from its card and where its viewer opens.
#include <filesystem>
#include <string>

#include "RepresentativeDay.hpp"
#include "library/FileDescriptionViewController.hpp"
#include "library/LibraryDetailCell.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/LibraryViewers.hpp"
#include "library/SaleslibraryController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {

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
    return path && std::filesystem::exists(*path, ec) && std::filesystem::file_size(*path, ec) > 0;
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

}  // namespace mv::test
