#include <fstream>
#include <functional>

#include "CatalogTestSupport.hpp"
#include "FakeRequestSender.hpp"
#include "SessionFixture.hpp"
#include "catalog/ProductDetailController.hpp"
#include "catalog/ProductRelatedFileController.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/LibraryFeature.hpp"
#include "library/LibraryViewers.hpp"
#include "library/SaleslibraryModel.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/config/Language.hpp"
#include "sync/CommandCode.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

// Product 1 with three related files: a PDF on the device, a Word file on
// the device with a newer version waiting, and a video not downloaded.
class RelatedMaterialsTest : public CatalogTest {
 protected:
  void SetUp() override {
    LibraryFeature::install(wiring);
    // What the download manager sends and cancels; nothing travels.
    wiring.services.add<RequestSender>([fake = sender](SessionServices&) { return fake; });
    // The cases install the viewers they open files in.
    LibraryViewers::install(LibraryOpenAction::PdfReader, {});
    CatalogTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    changeSession([](Session& s) { s.loginType = LoginType::Online; });
    product(1, "p1");
    save();
    ASSERT_TRUE(store().saveToDatabaseLibraryFiles(
        {file(11, "Brochure", "brochure.pdf", "PDF"), file(12, "Specs", "specs.docx", "WORD"),
         file(13, "Film", "film.mp4", "VEDIO")}));
    std::vector<marvisto_product_related_files_Entity> links;
    for (int id : {11, 12, 13}) links.push_back({id, "SKU-1", 1});
    ASSERT_TRUE(store().saveToDatabaseProductRelatedFile(links));
    ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({12, "specs-old.docx", "WORD"}));
    putOnDisk("brochure.pdf", "PDF");
    putOnDisk("specs-old.docx", "WORD");
    screen = std::make_shared<ProductDetailController>(*services);
    screen->setProductEntity(store().getAllProducts().front());
    nav = std::make_shared<ui::NavigationController>(screen);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(nav);
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
    strip = screen->relatedFileController();
    ASSERT_TRUE(strip);
    screen->setCurrentDescRelatedIndex(ProductDetailController::kRelatedMaterialsPanel);
    settle();
  }
  void TearDown() override {
    LibraryViewers::install(LibraryOpenAction::PdfReader, {});
    strip.reset();
    screen.reset();
    window->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window.get());
    nav.reset();
    driver.reset();
    window.reset();
    ui::AlertView::resetForTesting();
    ui::View::setAnimationsEnabled(true);
    CatalogTest::TearDown();
  }
  static marvisto_library_files_Entity file(int id, const std::string& title, const std::string& name,
                                            const std::string& type) {
    auto f = libraryFile(id, title, name, type);
    f.ordering = 0;
    f.date = "2024-01-02 10:00:00";
    f.isNew = id == 13 ? 1 : 0;
    return f;
  }
  void putOnDisk(const std::string& name, const std::string& type) {
    auto path = PublicFunction::filePathWithName(name, PublicFunction::getFileType(type));
    ASSERT_TRUE(path);
    std::filesystem::create_directories(path->parent_path());
    std::ofstream(*path, std::ios::binary) << "bytes";
  }
  void settle() {
    base::RunLoop::main().runUntil([] { return false; }, 0.3);
    ui::View::layoutPendingViews();
  }
  const marvisto_library_files_Entity& entry(std::size_t i) { return strip->libfilesArray().at(i); }
  std::string alertMessage() {
    auto alert = ui::AlertView::visibleAlert();
    return alert ? alert->message() : "<none>";
  }
  void dismissAlert() {
    if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(0, false);
    settle();
  }
  // A strip whose files read as `state` says.
  void statesAre(LibraryFileState state) {
    strip->setStateReader([state](const marvisto_library_files_Entity&) { return state; });
  }
  static std::string text(const char* key) { return textOrEmpty(Language::stringWithName(key)); }
  // The file names of the downloads sent / cancelled, in order.
  static std::vector<std::string> namesOf(const std::vector<std::shared_ptr<RequestInterfaceBase>>& requests) {
    std::vector<std::string> names;
    for (const auto& request : requests) {
      if (auto download = std::dynamic_pointer_cast<RequestDownload>(request)) {
        names.insert(names.end(), download->fileNameList.begin(), download->fileNameList.end());
      }
    }
    return names;
  }
  std::vector<std::string> sent() const { return namesOf(sender->sent()); }
  std::vector<std::string> cancelled() const { return namesOf(sender->cancelled()); }

  std::shared_ptr<FakeRequestSender> sender = std::make_shared<FakeRequestSender>();
  std::shared_ptr<ProductDetailController> screen;
  std::shared_ptr<ProductRelatedFileController> strip;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(RelatedMaterialsTest, CellsShowWhatIsOnTheDeviceAndWhatWaits) {
  // Ordered by title.
  ASSERT_EQ(strip->libfilesArray().size(), 3u);
  EXPECT_EQ(entry(0).title, "Brochure");
  EXPECT_EQ(strip->grid().frame(), (ui::Rect{0, 0, 364, 144}));
  auto brochure = strip->cellAt(0);
  auto film = strip->cellAt(1);
  auto specs = strip->cellAt(2);
  ASSERT_TRUE(brochure && film && specs);
  EXPECT_FALSE(brochure->infoButton().isHidden());
  EXPECT_EQ(brochure->ribbon(), 0);
  EXPECT_EQ(specs->ribbon(), 2);
  EXPECT_FALSE(specs->infoButton().isHidden());
  EXPECT_TRUE(film->infoButton().isHidden());
  EXPECT_EQ(film->ribbon(), 1);
  EXPECT_EQ(film->formatLabel().text(), "VEDIO");
  EXPECT_EQ(film->transform().a, ProductRelatedFileController::kCellScale);
  {
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    const auto path = root / "related-materials.png";
    ASSERT_TRUE(driver->snapshot(path));
    keepSnapshot(path);
  }

  // A download on its way shows its progress; a report for another file changes nothing.
  strip->selectedFileToDownload(entry(1));
  ASSERT_EQ(sent(), (std::vector<std::string>{"film.mp4"}));
  settle();
  DownLoadRequestInfo info;
  info.fileName = "film.mp4";
  info.downloadPercent = 0.4f;
  strip->progressed(info);
  EXPECT_FLOAT_EQ(strip->cellAt(1)->progressView().progress(), 0.4f);
  EXPECT_FALSE(strip->cellAt(1)->pauseView().isHidden());
  info.fileName = "other.pdf";
  info.downloadPercent = 0.9f;
  strip->progressed(info);
  EXPECT_FLOAT_EQ(strip->cellAt(1)->progressView().progress(), 0.4f);
}

TEST_F(RelatedMaterialsTest, ATapDoesWhatTheFilesStateAsks) {
  LibraryFileState downloading;
  downloading.downloading = true;
  statesAre(downloading);
  strip->didSelectedCell(entry(1), 1);
  EXPECT_EQ(cancelled().size(), 0u);  // nothing was running for the manager to stop

  LibraryFileState paused;
  paused.paused = true;
  statesAre(paused);
  strip->didSelectedCell(entry(1), 1);
  EXPECT_EQ(sent(), (std::vector<std::string>{"film.mp4"}));
  statesAre(downloading);
  strip->didSelectedCell(entry(1), 1);
  EXPECT_EQ(cancelled(), (std::vector<std::string>{"film.mp4"}));

  LibraryFileState waiting;
  waiting.present = true;
  waiting.pendingUpdate = true;
  statesAre(waiting);
  strip->didSelectedCell(entry(2), 2);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->tag(), 2);
  EXPECT_EQ(alertMessage(), text("HASUPDATE"));
  dismissAlert();

  LibraryFileState present;
  present.present = true;
  statesAre(present);
  strip->didSelectedCell(entry(0), 0);
  EXPECT_EQ(alertMessage(), text(LibraryViewers::kNoViewerKey));
  dismissAlert();

  statesAre(LibraryFileState{});
  strip->didSelectedCell(entry(1), 1);
  settle();
  auto* info = dynamic_cast<FileDescriptionViewController*>(strip->presentedViewController());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->actionButton().currentTitle(), text("DOWNLOAD"));
  EXPECT_TRUE(info->delButton().isHidden());
  EXPECT_EQ(info->view()->frame(), FileDescriptionViewController::kContainerFrame);
  // Its action button downloads the file.
  info->actionButtonPressed();
  settle();
  EXPECT_EQ(sent().back(), "film.mp4");
}

TEST_F(RelatedMaterialsTest, ADownloadedFileOpensInTheViewerOfItsType) {
  std::vector<std::string> opened;
  LibraryViewers::install(LibraryOpenAction::PdfReader,
                          [&opened](const std::filesystem::path& path, const std::string& title) {
                            opened.push_back(title + " " + path.filename().string());
                            return std::make_shared<ui::ViewController>();
                          });
  strip->didSelectedCell(entry(0), 0);
  settle();
  EXPECT_EQ(opened, (std::vector<std::string>{"Brochure brochure.pdf"}));
  EXPECT_EQ(nav->viewControllers().size(), 2u);
}

// The library grid and a product's related materials open a file the same
// way: the type word decides exactly, then the extension in any case and a
// size the device can hold.
TEST_F(RelatedMaterialsTest, BothScreensOpenEachTypeTheSameWay) {
  std::vector<std::string> opened;
  const std::vector<std::pair<LibraryOpenAction, const char*>> viewers = {
      {LibraryOpenAction::Video, "video"},
      {LibraryOpenAction::PdfReader, "pdf"},
      {LibraryOpenAction::EpubReader, "epub"},
      {LibraryOpenAction::OfficeViewer, "office"}};
  for (const auto& [action, name] : viewers) {
    LibraryViewers::install(action, [&opened, name = std::string(name)](const std::filesystem::path&, const std::string&) {
      opened.push_back(name);
      return std::make_shared<ui::ViewController>();
    });
  }
  struct Case {
    const char* type;
    const char* fileName;
    const char* bytes;  // nullptr: not on the device
    std::string expected;  // the viewer, or the message of the alert
  };
  const std::vector<Case> cases = {
      {"VEDIO", "clip.mp4", "movie", "video"},
      {"VEDIO", "empty.mp4", "", "video"},  // no size check for videos
      {"PDF", "guide.pdf", "pdf", "pdf"},
      {"EPUB", "book.epub", "book", "epub"},
      {"WORD", "notes.docx", "doc", "office"},
      {"EXCEL", "prices.XLSX", "xls", "office"},
      {"PPT", "deck.Ppt", "ppt", "office"},
      {"Pdf", "lower.pdf", "pdf", text("NOAPPFORFILE")},  // the type word is exact
      {"KEYNOTE", "talk.key", "key", text("PLEASEDOWNLOADKEYNOTE")},
      {"PPT", "blank.pptx", "", text("FILEMISSINGOREMPTY")},  // nothing there is not "too large"
      {"WORD", "gone.docx", nullptr, text("FILEMISSINGOREMPTY")},
  };
  ASSERT_NE(text("FILEMISSINGOREMPTY"), text("NOAPPFORFILE"));
  for (const auto& c : cases) {
    if (c.bytes) {
      auto path = PublicFunction::filePathWithName(c.fileName, PublicFunction::getFileType(c.type));
      ASSERT_TRUE(path);
      std::filesystem::create_directories(path->parent_path());
      std::ofstream(*path, std::ios::binary) << c.bytes;
    }
  }
  auto grid = std::make_shared<LibraryDetailController>(services->get<SaleslibraryModel>(), 0);
  const std::vector<std::pair<const char*, std::function<void(const Case&)>>> callers = {
      {"related materials", [&](const Case& c) { strip->selectDownloadedFile(c.fileName, c.type); }},
      {"library grid", [&](const Case& c) { grid->selectDownloadedFile(c.fileName, c.type); }}};
  for (const auto& [caller, open] : callers) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(caller) + ": " + c.type + " " + c.fileName);
      opened.clear();
      const std::size_t depth = nav->viewControllers().size();
      open(c);
      settle();
      if (!opened.empty()) {
        EXPECT_EQ(opened.back(), c.expected);
        EXPECT_EQ(nav->viewControllers().size(), depth + 1);
        nav->popViewControllerAnimated(false);
      } else {
        EXPECT_EQ(alertMessage(), c.expected);
        EXPECT_EQ(ui::AlertView::visibleAlert() ? ui::AlertView::visibleAlert()->tag() : 0, 1001);
        dismissAlert();
      }
      settle();
    }
  }
  LibraryViewers::install(LibraryOpenAction::EpubReader, {});
  LibraryFeature::installViewers();
}

TEST_F(RelatedMaterialsTest, DemoAndOfflineSessionsDownloadNothingAndKeepThePendingUpdate) {
  changeSession([](Session& s) { s.loginType = LoginType::Demo; });
  strip->selectFileToUpdateWithIndex(2);
  ASSERT_TRUE(driver->pressAlertButton(ProductRelatedFileController::kUpdateButton));
  settle();
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->tag(), DemoLimitAlert::kTag);  // the shared demo-limit alert
  EXPECT_TRUE(sent().empty());
  EXPECT_TRUE(store().getLibFileUpdateByFileID(12));
  dismissAlert();

  changeSession([](Session& s) { s.loginType = LoginType::Offline; });
  strip->selectedFileToDownload(entry(1));
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->tag(), ProductRelatedFileController::kOfflineAlertTag);
  EXPECT_EQ(alertMessage(), text("999"));
  dismissAlert();

  // Online the update is fetched; the mark waits for the new version.
  changeSession([](Session& s) { s.loginType = LoginType::Online; });
  strip->selectFileToUpdateWithIndex(2);
  ASSERT_TRUE(driver->pressAlertButton(ProductRelatedFileController::kUpdateButton));
  EXPECT_EQ(sent(), (std::vector<std::string>{"specs.docx"}));
  EXPECT_TRUE(store().getLibFileUpdateByFileID(12));
}

TEST_F(RelatedMaterialsTest, CancelOpensTheOldVersionAndFailedDownloadsSaySo) {
  std::vector<std::string> opened;
  LibraryViewers::install(LibraryOpenAction::OfficeViewer,
                          [&opened](const std::filesystem::path& path, const std::string&) {
                            opened.push_back(path.filename().string());
                            return std::make_shared<ui::ViewController>();
                          });
  strip->selectFileToUpdateWithIndex(2);
  ASSERT_TRUE(driver->pressAlertButton(1));
  settle();
  EXPECT_EQ(opened, (std::vector<std::string>{"specs-old.docx"}));
  LibraryViewers::install(LibraryOpenAction::OfficeViewer, {});

  auto failure = std::make_shared<DownloadRst>();
  failure->cmdCode = kCmdDownload;
  failure->status = "404";
  failure->message = "The file was not found.";
  strip->finished(*failure);
  EXPECT_EQ(alertMessage(), "The file was not found.");
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), text("FILEDOWNLOADFAILED"));
  dismissAlert();
  // A download the session ended: the shell has said why, the strip says nothing.
  failure->status = "101";
  strip->endedBySession("specs.docx", *failure);
  EXPECT_FALSE(ui::AlertView::visibleAlert());
}

// The full-screen list of a product's materials over the product screen,
// whose own strip stays alive under it: a download that fails is told once.
TEST_F(RelatedMaterialsTest, AFailedDownloadFromTheFullListIsToldOnce) {
  screen->RelatedFileBtnClicked();
  settle();
  auto* full = dynamic_cast<ProductRelatedFileController*>(nav->topViewController());
  ASSERT_TRUE(full);
  ASSERT_NE(full, strip.get());
  const auto film = full->libfilesArray().at(1);
  ASSERT_EQ(film.file_name, "film.mp4");
  full->actionButtonPressed(film);
  auto download = std::dynamic_pointer_cast<RequestDownload>(sender->lastSent(kCmdDownload));
  ASSERT_TRUE(download);
  auto failure = std::make_shared<DownloadRst>();
  failure->cmdCode = kCmdDownload;
  failure->requestCode = download->requestCode;
  failure->status = "404";
  failure->message = "The file was not found.";
  failure->fileName = "film.mp4";
  failure->type = download->imgType;
  ASSERT_TRUE(sender->answer(failure));
  settle();
  const auto alerts = ui::AlertView::showingAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0]->message(), "The file was not found.");
  dismissAlert();
  EXPECT_TRUE(ui::AlertView::showingAlerts().empty());
}

// The library's grid over the product screen, whose strip stays alive under
// it: a download started from the grid that fails is told once, not by each.
TEST_F(RelatedMaterialsTest, AFailedDownloadFromTheLibraryIsToldOnce) {
  auto grid = std::make_shared<LibraryDetailController>(services->get<SaleslibraryModel>(), 0);
  nav->pushViewController(grid, false);
  settle();
  auto film = store().getFilesByFileId(13);
  ASSERT_TRUE(film);
  grid->selectedFileToDownload(*film);
  auto download = std::dynamic_pointer_cast<RequestDownload>(sender->lastSent(kCmdDownload));
  ASSERT_TRUE(download);
  auto failure = std::make_shared<DownloadRst>();
  failure->cmdCode = kCmdDownload;
  failure->requestCode = download->requestCode;
  failure->status = "500";
  failure->message = "The service failed.";
  failure->fileName = "film.mp4";
  failure->type = download->imgType;
  ASSERT_TRUE(sender->answer(failure));
  settle();
  const auto alerts = ui::AlertView::showingAlerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0]->title(), text("FILEDOWNLOADFAILED"));
  EXPECT_EQ(alerts[0]->message(), "The service failed.");
  dismissAlert();
  EXPECT_TRUE(ui::AlertView::showingAlerts().empty());
}

TEST_F(RelatedMaterialsTest, AProductWithoutFilesShowsAnEmptyStripAndTheNextProductItsOwn) {
  product(2, "p2");
  save();
  screen->setProductList(store().getAllProducts(), 0);
  screen->slipToLeft();
  EXPECT_TRUE(screen->productRelateFiles().empty());
  EXPECT_EQ(strip->grid().numberOfItems(), 0u);
  screen->slipToRight();
  EXPECT_EQ(strip->grid().numberOfItems(), 3u);
}

// The session ended (logout) while the product screen was still up: its
// strip neither shows a file's card nor opens a file, and nothing fails.
TEST_F(RelatedMaterialsTest, AStripLeftAfterTheSessionEndedShowsNoCardAndOpensNothing) {
  services.reset();
  scope->endServices();
  strip->selectShowInfo(entry(2));
  settle();
  EXPECT_FALSE(strip->presentedViewController());
  const std::size_t depth = nav->viewControllers().size();
  strip->selectDownloadedFile("brochure.pdf", "PDF");
  settle();
  EXPECT_EQ(nav->viewControllers().size(), depth);
  EXPECT_TRUE(sent().empty());
}

}  // namespace
}  // namespace mv::test
