// The tour's library steps: the list, a file's card, a download held at
// its share, and each kind of viewer.
#include "app/ScreenshotTour.hpp"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "app/HeldDownloadsSender.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/LibraryFileState.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "services/OfficeConverter.hpp"
#include "services/OfficePreviewCache.hpp"
#include "services/WebEngine.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {

// ---- library -----------------------------------------------------------------------------------

namespace {

// The first library file that is not on the device.
std::optional<marvisto_library_files_Entity> fileToDownload(const SaleslibraryModel& manager) {
  auto services = SessionServices::current();
  DataAccessManager* store = services ? &services->database() : nullptr;
  if (!store) return std::nullopt;
  for (const auto& file : store->getAllLibFiles()) {
    if (!manager.isExists(file.file_id)) return file;
  }
  return std::nullopt;
}

std::shared_ptr<SaleslibraryController> libraryScreen(const std::shared_ptr<MarvistoAppDelegate>& app) {
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<SaleslibraryController>(tab->screen(MainTabScreens::kSalesLibrary)) : nullptr;
}

}  // namespace

bool ScreenshotTour::stageLibraryDownload() {
  auto manager = SaleslibraryModel::sharedInstance();
  auto file = manager ? fileToDownload(*manager) : std::nullopt;
  if (!file || !held_) return fail("no file left to download");
  held_->hold(true);
  manager->sendRequest(SaleslibraryModel::requestForFile(*file));
  held_->hold(false);
  held_->report(0.4f);
  onClose([manager] {
    for (const auto& name : std::vector<std::string>(manager->downloadFileNameArray()))
      manager->cancelDownloadFile(name);
  });
  auto library = libraryScreen(app_);
  if (library && !library->detailViewsArray().empty())
    library->detailViewsArray().front()->reloadDataWithPostNoti(true, false);
  return true;
}

bool ScreenshotTour::showLibrary(bool collection) {
  if (!showTab(MainTabScreens::kSalesLibrary)) return false;
  auto library = libraryScreen(app_);
  if (!library) return fail("no library screen");
  if (!collection) return stageLibraryDownload();
  // The tab strip's tab, a button or a title drawn as a label.
  ui::HeadlessDriver d(app_->window());
  ui::View* title = d.findControl(text("MYCOLLECTION"), library->view().get());
  if (!title) title = d.findByText(text("MYCOLLECTION"), library->view().get());
  if (!title || !tapView(*title)) return fail("no My Collection tab");
  onClose([this, library] {
    ui::HeadlessDriver d(app_->window());
    if (ui::View* title = d.findByText(text("MYLIBRARY"), library->view().get())) tapView(*title);
  });
  return waitFor([&] { return library->detailViewsArray().size() > 1; }, 5) || fail("the collection did not open");
}

bool ScreenshotTour::showLibraryFileCard() {
  if (!showTab(MainTabScreens::kSalesLibrary)) return false;
  auto library = libraryScreen(app_);
  auto manager = SaleslibraryModel::sharedInstance();
  if (!library || library->detailViewsArray().empty() || !manager) return fail("no library");
  auto& grid = *library->detailViewsArray().front();
  // A file still to download.
  for (const auto& file : grid.libfilesArray()) {
    if (manager->isExists(file.file_id) || manager->isInDownloadList(file.file_name)) continue;
    grid.selectShowInfo(file);
    onClose([this, &grid] {
      if (auto card = grid.descriptionController()) card->dismissViewControllerAnimated(false);
      waitFor([&] { return !grid.presentedViewController(); }, 5);
    });
    return waitFor([&] { return grid.presentedViewController() != nullptr; }, 5) || fail("no file card");
  }
  return fail("every file is on the device");
}

bool ScreenshotTour::openLibraryFile(const char* type, bool afresh) {
  if (!showTab(MainTabScreens::kSalesLibrary)) return false;
  auto library = libraryScreen(app_);
  auto manager = SaleslibraryModel::sharedInstance();
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (!library || library->detailViewsArray().empty() || !manager || !nav) return fail("no library");
  auto& grid = *library->detailViewsArray().front();
  for (const auto& file : grid.libfilesArray()) {
    // A file waiting for its update opens its old version: show a plain one.
    const auto state = LibraryFileState::of(*manager, file);
    if (file.type != type || !state.present || state.pendingUpdate) continue;
    if (afresh) {
      if (auto path = PublicFunction::filePathWithName(file.file_name, PublicFunction::getFileType(file.type)))
        svc::OfficePreviewCache(svc::OfficeConverter::defaultCacheFolder()).drop(*path);
    }
    grid.selectDownloadedFile(file.file_name, file.type);
    return nav->viewControllers().size() > 1 || fail("the file did not open");
  }
  return fail(std::string("no ") + type + " file on the device");
}

bool ScreenshotTour::showLibraryViewer(const char* type) {
  if (!openLibraryFile(type)) return false;
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (auto* video = dynamic_cast<VideoViewController*>(nav->topViewController())) {
    auto movie = video->moviePlayer();
    waitFor([&] { return !movie || movie->framesShown() > 0 || movie->state() == svc::MoviePlayer::State::Failed; },
            10);
    onClose([video] { video->btnbackClicked(); });
  } else if (auto* office = dynamic_cast<PPTLoadingViewController*>(nav->topViewController())) {
    waitFor([&] { return !office->isLoading(); }, 120);
    // The tiles a frame asks for are drawn on a worker; a later frame shows them.
    ui::HeadlessDriver d(app_->window());
    for (int frame = 0; frame < 3; ++frame) {
      d.render();
      waitFor([&] { return !office->webView().tilesPending(); }, 20);
    }
  } else if (auto* reader = dynamic_cast<EPUBViewController*>(nav->topViewController())) {
    waitFor([&] {
      return !reader->isOpening() && reader->bookView()->pageCount() > 0 && !reader->bookView()->isLoading() &&
             !svc::WebEngine::isBusy();
    }, 30);
  }
  return true;
}

bool ScreenshotTour::showOfficeConverting() {
  if (!openLibraryFile("WORD", true)) return false;
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  auto* office = dynamic_cast<PPTLoadingViewController*>(nav->topViewController());
  if (!office) return fail("no Office viewer");
  // The suite takes seconds for the smallest file; the picture is taken
  // the moment the dial is up.
  ui::HeadlessDriver d(app_->window());
  const bool dial = waitFor([&] { return !d.findAllOf<ui::ActivityIndicatorView>(app_->window().get()).empty(); }, 5);
  return (dial && office->isLoading()) || fail("no dial while the file converts");
}

bool ScreenshotTour::showReader(int view) {
  // Opened from the library, under the file's title.
  if (!openLibraryFile("PDF")) return false;
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  auto reader = std::dynamic_pointer_cast<ReaderViewController>(nav->viewControllers().back());
  if (!reader) return fail("no PDF reader");
  onClose([this, reader] {
    if (reader->presentedViewController()) reader->dismissViewControllerAnimated(false);
    reader->dismissReaderViewController();
  });
  waitFor([&] { return reader->currentPage() > 0; }, 5);
  // Pictures wait for the page's tiles and thumbnails.
  auto sharp = [&] {
    ui::HeadlessDriver d(app_->window());
    for (int i = 0; i < 10; ++i) {
      d.render();
      waitFor(
          [&] {
            ReaderThumbQueue::sharedInstance().waitUntilIdle();
            auto it = reader->contentViews().find(reader->currentPage());
            auto* page = it == reader->contentViews().end() ? nullptr : it->second->theContentView().get();
            return !page || page->tiles()->pendingCount() == 0;
          },
          30);
    }
  };
  if (view == 1) {
    auto it = reader->contentViews().find(reader->currentPage());
    if (it == reader->contentViews().end()) return fail("no page shown");
    auto& page = *it->second;
    for (int i = 0; i < 3; ++i) page.loopZoom();
    settle(0.5);
    page.setContentOffset(ui::Point{page.contentSize().width / 3, page.contentSize().height / 4});
  } else if (view == 2) {
    if (!tapControl(text("THUMBNAILS"), reader->view().get())) return false;
    if (!waitFor([&] { return reader->presentedViewController() != nullptr; }, 5)) return fail("no thumbnails screen");
    waitFor(
        [] {
          ReaderThumbQueue::sharedInstance().waitUntilIdle();
          return false;
        },
        1);
    return true;
  }
  sharp();
  return true;
}

}  // namespace mv
