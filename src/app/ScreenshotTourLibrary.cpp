// The tour's library steps: the list, a file's card, a download held at
// its share, and each kind of viewer.
#include "app/ScreenshotTour.hpp"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "app/HeldDownloadsSender.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryFileState.hpp"
#include "library/LibraryViewers.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "library/VideoViewController.hpp"
#include "platform/base/Paths.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "services/OfficeConverter.hpp"
#include "services/WebEngine.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "util/ZipWriter.hpp"

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
        svc::OfficeConverter::dropPreviews(*path);
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

namespace {

// A small book of the tour's own, for what the demo library has no book of:
// one unit per body, the package's metadata and spine attributes as given.
bool writeTourBook(const fs::path& path, const std::string& metadata, const std::string& spineAttributes,
                   const std::string& rootAttributes, const std::string& head, const std::vector<std::string>& bodies) {
  ZipWriter zip;
  bool ok = zip.open(path) && zip.addBytes("mimetype", "application/epub+zip", false) &&
            zip.addBytes("META-INF/container.xml",
                         "<?xml version=\"1.0\"?><container version=\"1.0\" "
                         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
                         "full-path=\"content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>");
  std::string manifest, spine;
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    const std::string id = "page" + std::to_string(i + 1);
    manifest += "<item id=\"" + id + "\" href=\"" + id + ".xhtml\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"" + id + "\"/>";
    ok = ok && zip.addBytes(id + ".xhtml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><html "
                                           "xmlns=\"http://www.w3.org/1999/xhtml\"" +
                                               rootAttributes + "><head><title>" + id + "</title>" + head +
                                               "</head><body>" + bodies[i] + "</body></html>");
  }
  ok = ok && zip.addBytes("content.opf", "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
                                         "version=\"3.0\" unique-identifier=\"id\"><metadata "
                                         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
                                         "id=\"id\">tour-book</dc:identifier><dc:title>Tour</dc:title>" +
                                             metadata + "</metadata><manifest>" + manifest + "</manifest><spine" +
                                             spineAttributes + ">" + spine + "</spine></package>");
  return zip.close() && ok;
}

}  // namespace

bool ScreenshotTour::showBook(bool fixedLayout) {
  auto* nav = dynamic_cast<ui::NavigationController*>(app_->window()->rootViewController().get());
  if (!nav) return fail("no navigation");
  const fs::path folder = base::Paths::tmp() / "tour-books";
  std::error_code ec;
  fs::create_directories(folder, ec);
  const fs::path path = folder / (fixedLayout ? "pictures.epub" : "arabic.epub");
  bool written = false;
  if (fixedLayout) {
    // A page drawn for a page of 600 by 800, as picture books are.
    written = writeTourBook(
        path, "<meta property=\"rendition:layout\">pre-paginated</meta>", "", "",
        "<meta name=\"viewport\" content=\"width=600, height=800\"/><style>body{margin:0;width:600px;height:800px;"
        "background:#2a5285;color:#fff;font-family:sans-serif}h1{margin:0;padding:60px 40px 0;font-size:56px}"
        "p{padding:0 40px;font-size:28px}</style>",
        {"<h1>Our range</h1><p>Lighting, furniture and office articles.</p><svg xmlns=\"http://www.w3.org/2000/svg\" "
         "width=\"600\" height=\"420\"><circle cx=\"300\" cy=\"210\" r=\"150\" fill=\"#f2b705\"/><rect x=\"60\" "
         "y=\"330\" width=\"480\" height=\"60\" fill=\"#ffffff\"/></svg>",
         "<h1>Page two</h1>"});
  } else {
    std::string text;
    for (int p = 0; p < 12; ++p) {
      text += "<p>";
      for (int w = 0; w < 6; ++w)
        text += "\u064A\u0642\u062F\u0645 \u0647\u0630\u0627 \u0627\u0644\u062F\u0644\u064A\u0644 "
                "\u0627\u0644\u0645\u0646\u062A\u062C\u0627\u062A \u0627\u0644\u062A\u064A "
                "\u064A\u0639\u0631\u0636\u0647\u0627 \u0645\u0645\u062B\u0644\u0648 "
                "\u0627\u0644\u0645\u0628\u064A\u0639\u0627\u062A. ";
      text += "(" + std::to_string(p + 1) + ")</p>";
    }
    written = writeTourBook(path, "", " page-progression-direction=\"rtl\"", " dir=\"rtl\" xml:lang=\"ar\"",
                            "<style>p{font-size:22px;line-height:1.6}</style>", {text});
  }
  if (!written) return fail("cannot write the tour's book");
  const auto decision = LibraryFileOpener::decide("EPUB", path, 1);
  if (!LibraryViewers::open(decision, fixedLayout ? "Our range" : "\u062F\u0644\u064A\u0644 \u0627\u0644\u0645\u0628\u064A\u0639\u0627\u062A", nav))
    return fail("the book did not open");
  auto reader = std::dynamic_pointer_cast<EPUBViewController>(nav->viewControllers().back());
  if (!reader) return fail("no book reader");
  onClose([reader] { reader->btnBackClick(); });
  auto laidOut = [&] {
    return waitFor([&] {
      return !reader->isOpening() && reader->bookView()->pageCount() > 0 && !reader->bookView()->isLoading() &&
             !svc::WebEngine::isBusy();
    }, 30);
  };
  if (!laidOut()) return fail("the book was not laid out");
  if (fixedLayout) return true;
  // A page turned as the reader of such a book turns it: a swipe to the right.
  ui::HeadlessDriver d(app_->window());
  d.swipe({200, 400}, {800, 400});
  return (laidOut() && reader->bookView()->currentPageIndex() == 1) || fail("the page did not turn");
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
