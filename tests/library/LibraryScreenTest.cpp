// The Sales Library tab driven headless: the category panel and the grids of
// both tabs together (category choice, search clearing the restriction, tab
// switch), taps on cells, the file card with its favourite toggle and
// delete, downloads from the grid with the session and network checks,
// update all, cancel all, the update offer, and the tab strip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>

#include "LargePicture.hpp"
#include "LibraryTestSupport.hpp"
#include "SessionFixture.hpp"
#include "library/BrowserTabView.hpp"
#include "library/LibraryCatalogCell.hpp"
#include "library/LibraryNotifications.hpp"
#include "library/SaleslibraryController.hpp"
#include "library/librarySearchViewcontroller.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/config/LanguageManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

using File = marvisto_library_files_Entity;

marvisto_library_category_Entity category(int id, const std::string& name, int parent, int ordering) {
  marvisto_library_category_Entity c;
  c.categoryID = id;
  c.name = name;
  c.parent_id = parent;
  c.ordering = ordering;
  c.published = 1;
  return c;
}

std::vector<std::string> titles(const std::vector<File>& files) {
  std::vector<std::string> out;
  for (const auto& f : files) out.push_back(f.title);
  return out;
}

// The pixels of a button's icon that read against the button's ground, on
// the screen as drawn: within the button (its rim left out) the commonest
// colour is the ground, and an icon pixel reads when it reaches a contrast
// of 4.5:1 against it.
int readableIconPixels(const gfx::Image& shot, const ui::Rect& button) {
  const ui::Rect inner = button.inset(4, 4);
  std::map<std::tuple<int, int, int>, int> counts;
  auto key = [](const gfx::Color& c) {
    return std::tuple<int, int, int>{static_cast<int>(std::lround(c.r() * 255)), static_cast<int>(std::lround(c.g() * 255)),
                                     static_cast<int>(std::lround(c.b() * 255))};
  };
  for (int y = static_cast<int>(inner.minY()); y < static_cast<int>(inner.maxY()); ++y)
    for (int x = static_cast<int>(inner.minX()); x < static_cast<int>(inner.maxX()); ++x) ++counts[key(shot.pixelAt(x, y))];
  if (counts.empty()) return 0;
  auto ground = std::max_element(counts.begin(), counts.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; })->first;
  const gfx::Color groundColor = gfx::Color::rgb255(std::get<0>(ground), std::get<1>(ground), std::get<2>(ground));
  int reads = 0;
  for (int y = static_cast<int>(inner.minY()); y < static_cast<int>(inner.maxY()); ++y)
    for (int x = static_cast<int>(inner.minX()); x < static_cast<int>(inner.maxX()); ++x)
      if (ViewStyle::contrastRatio(shot.pixelAt(x, y), groundColor) >= ViewStyle::kReadableContrast) ++reads;
  return reads;
}

class LibraryScreenTest : public test::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    // The screens' language manager is made first, so that its table does
    // not replace this one: texts are their keys.
    LanguageManager::sharedInstance();
    setTextLookup([](const std::string& key) -> std::optional<std::string> { return key; });
    ui::View::setAnimationsEnabled(false);
  }
  void TearDown() override {
    if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(-1, false);
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    window.reset();
    driver.reset();
    screen.reset();
    LoginMode::freeInstance();
    ui::View::setAnimationsEnabled(true);
    LibraryTest::TearDown();
  }

  // Brochures (Prices under it) and Training; files in each and one in none.
  void seed() {
    ASSERT_TRUE(store().saveToDatabaseLibraryCategory(
        {category(1, "Brochures", 0, 1), category(2, "Prices", 1, 2), category(3, "Training", 0, 3)}));
    save({test::libraryFile(1, "Alpha", "a.pdf", "PDF", 1), test::libraryFile(2, "Bravo", "b.pdf", "PDF", 2),
          test::libraryFile(3, "Charlie", "c.pdf", "PDF", 3), test::libraryFile(4, "Delta", "d.pdf", "PDF", 0)});
  }

  // The library screen as tab 4 of a tab bar, in a window of its own.
  void showScreen() {
    screen = std::make_shared<SaleslibraryController>(manager, scope->services()->get<ConfigManager>());
    std::vector<std::shared_ptr<ui::ViewController>> tabs;
    for (int i = 0; i < 4; ++i) tabs.push_back(std::make_shared<ui::ViewController>());
    tabs.push_back(std::make_shared<ui::NavigationController>(screen));
    auto bar = std::make_shared<ui::TabBarController>();
    bar->setViewControllers(tabs);
    bar->setSelectedIndex(4);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(std::make_shared<ui::NavigationController>(bar));
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
  }
  void settle() {
    base::RunLoop::main().runUntil([] { return false; }, 0.6);
    ui::View::layoutPendingViews();
  }
  LibraryDetailController& grid(std::size_t tab = 0) { return *screen->detailViewsArray().at(tab); }
  LibraryCatalogController& tree() { return *screen->catalogController(); }
  // The panel's rows as "title count".
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    auto& table = tree().catatable();
    for (long r = 0; r < table.numberOfRowsInSection(0); ++r) {
      table.scrollToRowAtIndexPath({0, r}, ui::TableViewScrollPosition::None, false);
      ui::View::layoutPendingViews();
      auto* cell = dynamic_cast<LibraryCatalogCell*>(table.cellForRowAtIndexPath({0, r}));
      out.push_back(cell ? cell->lbTitle().text() + " " + cell->lbcount().text() : "<none>");
    }
    return out;
  }
  long alertTag() {
    auto alert = ui::AlertView::visibleAlert();
    return alert ? alert->tag() : -1;
  }
  void answer(long button) {
    ASSERT_TRUE(ui::AlertView::visibleAlert());
    ASSERT_TRUE(driver->pressAlertButton(button));
    settle();
  }
  // The session's network is a cellular one.
  void cellular() {
    const Session session = Session::current();
    LoginMode::sharedInstance()->setIsNotWifi(true);
    Session::publish(session);
  }
  void loginAs(LoginType type) {
    test::changeSession([type](Session& s) { s.loginType = type; });
  }
  std::size_t indexOf(const std::string& title, std::size_t tab = 0) {
    const auto& files = grid(tab).libfilesArray();
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (files[i].title == title) return i;
    }
    ADD_FAILURE() << title << " is not shown";
    return 0;
  }
  // The readable pixels of a button's icon on the screen as drawn (the
  // snapshot kept under `name`).
  int iconPixels(ui::View& button, const std::string& name) {
    EXPECT_TRUE(ui::HeadlessDriver::isVisible(button)) << name;
    auto shot = driver->render();
    if (shot && shot->writePNG(root / (name + ".png"))) test::keepSnapshot(root / (name + ".png"));
    return shot ? readableIconPixels(*shot, button.convertRectToView(button.bounds(), nullptr)) : 0;
  }
  void tapCell(const std::string& title) {
    const std::size_t index = indexOf(title);
    grid().didSelectedCell(grid().libfilesArray().at(index), static_cast<std::int64_t>(index));
    settle();
  }

  std::shared_ptr<SaleslibraryController> screen;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(LibraryScreenTest, TreeAndGridFollowEachOtherThroughCategorySearchAndTabSwitch) {
  seed();
  putOnDisk("c.pdf", "PDF");
  showScreen();
  ASSERT_EQ(screen->detailViewsArray().size(), 1u);
  EXPECT_EQ(titles(grid().libfilesArray()), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta"}));
  EXPECT_EQ(rows(), (std::vector<std::string>{"ALL 4", "Brochures 2", "Training 1", "UNCATEGORIZED 1"}));

  // Brochures has a sub-category: the panel descends, the grid shows it and
  // what lies below it.
  ASSERT_TRUE(tree().catatable().tapRowAtIndexPath({0, 1}));
  settle();
  EXPECT_EQ(grid().selectedCategory(), 1);
  EXPECT_EQ(titles(grid().libfilesArray()), (std::vector<std::string>{"Alpha", "Bravo"}));
  EXPECT_EQ(rows(), (std::vector<std::string>{"ALL 2", "Prices 1"}));
  EXPECT_FALSE(tree().btnBack().isHidden());
  EXPECT_EQ(tree().catatitlelb().text(), "Brochures");
  EXPECT_TRUE(grid().btnDownloadAll().isHidden()) << "no download-all within a category";
  ASSERT_TRUE(tree().catatable().tapRowAtIndexPath({0, 1}));
  settle();
  EXPECT_EQ(titles(grid().libfilesArray()), (std::vector<std::string>{"Bravo"}));

  // Searching clears the restriction, and the panel takes the grid's choice
  // instead of imposing its own again.
  grid().searchBarTextDidBeginEditing(grid().searchBar());
  settle();
  EXPECT_EQ(grid().selectedCategory(), -1);
  EXPECT_EQ(tree().clickIndex(), -1);
  EXPECT_EQ(tree().selectRow(), 0);
  EXPECT_TRUE(tree().btnBack().isHidden());
  grid().searchBar().setText("ha");
  grid().searchBarTextDidChange(grid().searchBar(), "ha");
  settle();
  EXPECT_EQ(titles(grid().libfilesArray()), (std::vector<std::string>{"Alpha", "Charlie"}));
  EXPECT_EQ(grid().selectedCategory(), -1);
  EXPECT_EQ(rows().front(), "ALL 2") << "the counts follow the grid's list";
  grid().searchBar().setText("");
  grid().searchBarTextDidChange(grid().searchBar(), "");
  settle();
  EXPECT_EQ(grid().libfilesArray().size(), 4u);

  // The collection tab: its grid is made once and shows what is on the device.
  ASSERT_TRUE(tree().catatable().tapRowAtIndexPath({0, 2}));
  settle();
  EXPECT_EQ(grid().selectedCategory(), 3);
  std::vector<std::string> posted;
  base::Observation watch(LibraryNotifications::kDisplayCatalog, nullptr,
                          [&](const base::Notification&) { posted.push_back("display"); });
  screen->tabController().setSelectedTabIndex(1, false);
  settle();
  ASSERT_EQ(screen->detailViewsArray().size(), 2u);
  EXPECT_EQ(screen->tabIndex(), 1);
  EXPECT_EQ(posted.size(), 1u) << "the panel tells the new grid its choice once";
  EXPECT_EQ(grid(1).selectedCategory(), 3);
  EXPECT_EQ(titles(grid(1).libfilesArray()), (std::vector<std::string>{"Charlie"}));
  EXPECT_EQ(grid(1).filterController().orderingTableViewController()->orderingsArray().size(), 3u)
      << "no HIDEDOWNLOADED on the collection";
  screen->tabController().setSelectedTabIndex(0, false);
  screen->tabController().setSelectedTabIndex(1, false);
  settle();
  EXPECT_EQ(screen->detailViewsArray().size(), 2u);
  EXPECT_EQ(screen->detailController()->topViewController(), &grid(1));
}

// A new filter shows its matches from the top: the grid scrolled far down
// over the whole library does not keep its offset over the few matches.
TEST_F(LibraryScreenTest, TypingASearchShowsTheFirstMatchesAtTheTop) {
  std::vector<File> files;
  for (int i = 1; i <= 40; ++i) {
    const std::string title = (i % 10 == 0 ? "Harbour " : "File ") + std::to_string(i);
    files.push_back(test::libraryFile(i, title, "f" + std::to_string(i) + ".pdf", "PDF", 0));
  }
  save(files);
  showScreen();
  auto& shown = grid().productShowView();
  shown.setContentOffset({0, shown.contentSize().height - shown.bounds().height()}, false);
  settle();
  ASSERT_GT(shown.contentOffset().y, 200);

  driver->tap(grid().searchBar());
  driver->typeText("Harb");
  settle();
  EXPECT_EQ(grid().libfilesArray().size(), 4u);
  EXPECT_EQ(shown.contentOffset().y, 0);
}

TEST_F(LibraryScreenTest, PanelSlidesOnceForTheButtonAndThePanNotifications) {
  seed();
  showScreen();
  EXPECT_FALSE(screen->isMasterViewHiddened());
  EXPECT_EQ(grid().productShowView().frame(), LibraryDetailController::layoutFor(false).grid);
  base::NotificationCenter::defaultCenter().post(LibraryNotifications::kHideLibraryMasterView);
  EXPECT_TRUE(screen->isMasterViewHiddened());
  EXPECT_EQ(grid().productShowView().frame(), LibraryDetailController::layoutFor(true).grid);
  EXPECT_EQ(screen->masterController()->view()->frame().x(), -SaleslibraryController::kPanelWidth);
  EXPECT_TRUE(screen->controlMasterBtn().isSelected());
  base::NotificationCenter::defaultCenter().post(LibraryNotifications::kHideLibraryMasterView);
  EXPECT_TRUE(screen->isMasterViewHiddened());
  ASSERT_TRUE(driver->tap(screen->controlMasterBtn()));
  EXPECT_FALSE(screen->isMasterViewHiddened());
  EXPECT_EQ(grid().headView().frame(), LibraryDetailController::layoutFor(false).headView);
}

TEST_F(LibraryScreenTest, TapsPauseResumeShowTheCardAndOpen) {
  seed();
  putOnDisk("d.pdf", "PDF");
  auto delta = *store().getFilesByFileId(4);
  delta.isNew = 1;
  ASSERT_TRUE(store().saveLibraryFileToDatabase(delta));
  showScreen();
  // Not on the device: the card, with "DOWNLOAD", and its action downloads.
  tapCell("Alpha");
  auto card = grid().descriptionController();
  ASSERT_TRUE(card);
  EXPECT_EQ(card->actionButton().currentTitle(), "DOWNLOAD");
  EXPECT_TRUE(card->delButton().isHidden()) << "the library tab deletes only what is on the device";
  EXPECT_EQ(card->view()->frame(), FileDescriptionViewController::kContainerFrame);
  card->actionButtonPressed();
  settle();
  ASSERT_EQ(downloads().size(), 1u);
  EXPECT_TRUE(manager->isInDownloadList("a.pdf"));
  // Downloading: a tap pauses; paused: a tap resumes.
  const auto index = [&](const std::string& title) { return indexOf(title); };
  tapCell("Alpha");
  EXPECT_TRUE(manager->isInPauseList("a.pdf"));
  auto cell = grid().cellAt(index("Alpha"));
  ASSERT_TRUE(cell);
  EXPECT_FALSE(cell->pauseView().isHidden());
  EXPECT_EQ(cell->downloadingLabel().text(), "PAUSED");
  const ui::Rect status = cell->downloadingLabel().convertRectToView(cell->downloadingLabel().bounds(), cell.get());
  const ui::Rect badge = cell->formatLabel().convertRectToView(cell->formatLabel().bounds(), cell.get());
  EXPECT_TRUE(status.intersection(badge).isEmpty()) << "the status is written beside the type badge, not over it";
  tapCell("Alpha");
  EXPECT_TRUE(manager->isInDownloadList("a.pdf"));
  EXPECT_EQ(downloads().size(), 2u);
  // Progress reaches the cell of that file.
  EXPECT_TRUE(progress("a.pdf", 0.5f));
  cell = grid().cellAt(index("Alpha"));
  ASSERT_TRUE(cell);
  EXPECT_FLOAT_EQ(cell->progressView().progress(), 0.5f);
  // On the device and new: opening marks it seen; the reader is not in this
  // build, which the alert says.
  tapCell("Delta");
  EXPECT_EQ(store().getFilesByFileId(4)->isNew, 0);
  EXPECT_EQ(alertTag(), 1001);
}

TEST_F(LibraryScreenTest, CardTogglesTheFavouriteAndDeletesAfterAHalfSecond) {
  seed();
  putOnDisk("c.pdf", "PDF");
  showScreen();
  grid().selectShowInfo(*store().getFilesByFileId(3));
  settle();
  auto card = grid().descriptionController();
  ASSERT_TRUE(card);
  EXPECT_FALSE(card->delButton().isHidden());
  EXPECT_EQ(card->actionButton().currentTitle(), "OPEN");
  card->markButtonPressed();
  EXPECT_TRUE(store().getLibraryFavoriteByFavoriteId(3));
  settle();
  EXPECT_EQ(grid().libfilesArray().front().title, "Charlie") << "favourites first";
  card->markButtonPressed();
  card->markButtonPressed();
  EXPECT_TRUE(card->isMarked());
  card->deleteButtonPressed();
  advance(0.4);
  EXPECT_TRUE(manager->isExists(3));
  advance(0.2);
  EXPECT_FALSE(manager->isExists(3));
  EXPECT_FALSE(store().getLibraryFavoriteByFavoriteId(3));
  EXPECT_FALSE(std::filesystem::exists(*PublicFunction::filePathWithName("c.pdf", 5)));
}

TEST_F(LibraryScreenTest, TheHeadBarAndCardButtonsShowIconsThatRead) {
  seed();
  putOnDisk("c.pdf", "PDF");
  showScreen();
  EXPECT_GE(iconPixels(grid().btnDownloadAll(), "library-download-all"), 40) << "download all";
  ASSERT_TRUE(driver->tap(grid().btnDownloadAll()));
  answer(1);
  ASSERT_TRUE(grid().downloadButton().isBtnCancel());
  EXPECT_GE(iconPixels(grid().btnDownloadAll(), "library-cancel-all"), 40) << "cancel all";
  ASSERT_TRUE(driver->tap(grid().btnDownloadAll()));
  answer(1);

  grid().selectShowInfo(*store().getFilesByFileId(3));
  settle();
  auto card = grid().descriptionController();
  ASSERT_TRUE(card);
  EXPECT_GE(iconPixels(card->delButton(), "library-file-card"), 40) << "delete";
}

TEST_F(LibraryScreenTest, SessionAndNetworkChecksBeforeDownloads) {
  seed();
  showScreen();
  const File alpha = *store().getFilesByFileId(1);
  loginAs(LoginType::Demo);
  grid().selectedFileToDownload(alpha);
  EXPECT_EQ(alertTag(), 1000);
  answer(0);
  loginAs(LoginType::Offline);
  grid().selectedFileToDownload(alpha);
  EXPECT_EQ(alertTag(), 1001);
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "999");
  answer(0);
  EXPECT_TRUE(downloads().empty());

  // On a cellular network one file asks first; "CANCEL" leaves it.
  loginAs(LoginType::Online);
  cellular();
  grid().selectedFileToDownload(alpha);
  EXPECT_EQ(alertTag(), 1004);
  answer(1);
  EXPECT_TRUE(downloads().empty());
  grid().selectedFileToDownload(alpha);
  answer(0);
  ASSERT_EQ(downloads().size(), 1u);

  // Download all asks once, sends every request and can cancel them all.
  grid().downloadAll();
  EXPECT_EQ(alertTag(), 1002);
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "FILENUMBERANDSIZE") << "several files qualify";
  answer(1);
  EXPECT_EQ(alertTag(), 1005);
  answer(0);
  EXPECT_EQ(downloads().size(), 4u);
  EXPECT_TRUE(grid().downloadButton().isBtnCancel()) << "the cellular path enters the cancel state too";
  // A download started elsewhere is cancelled with the rest.
  manager->sendRequest(SaleslibraryModel::requestForFile(test::libraryFile(9, "Other", "o.pdf", "PDF")));
  grid().downloadAll();
  EXPECT_EQ(alertTag(), 1007);
  answer(1);
  EXPECT_TRUE(manager->downloadFileNameArray().empty());
  EXPECT_FALSE(grid().downloadButton().isBtnCancel());
  EXPECT_FALSE(grid().btnDownloadAll().isHidden());
}

TEST_F(LibraryScreenTest, ADownloadAllAfterCancelAllReportsItsOwnFirstFailure) {
  seed();
  showScreen();
  auto startAll = [&] {
    ASSERT_TRUE(driver->tap(grid().btnDownloadAll()));
    ASSERT_EQ(alertTag(), 1002);
    answer(1);
    ASSERT_TRUE(grid().downloadButton().isBtnCancel());
  };
  auto fail = [&](const std::shared_ptr<RequestDownload>& request, const std::string& why = {}) {
    auto reply = completion(*request, "404");
    if (!why.empty()) reply->message = why;
    ASSERT_TRUE(sender->answer(reply));
    settle();
  };
  startAll();
  ASSERT_EQ(downloads().size(), 4u);
  fail(downloads()[0]);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "FILEDOWNLOADFAILED");
  answer(0);
  fail(downloads()[1]);
  EXPECT_EQ(alertTag(), -1) << "a reason is told once per download-all";
  // Cancel all, then download all again: its first failure is reported.
  ASSERT_TRUE(driver->tap(grid().btnDownloadAll()));
  ASSERT_EQ(alertTag(), 1007);
  answer(1);
  EXPECT_FALSE(grid().downloadButton().isBtnCancel());
  startAll();
  ASSERT_EQ(downloads().size(), 8u);
  fail(downloads()[4], "a.pdf is larger than listed");
  ASSERT_TRUE(ui::AlertView::visibleAlert()) << "the new batch's failure is shown";
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "FILEDOWNLOADFAILED");
  // Two more files fail while it is up: the one alert names each reason once.
  fail(downloads()[5], "b.pdf is larger than listed");
  fail(downloads()[6], "b.pdf is larger than listed");
  ASSERT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "a.pdf is larger than listed\nb.pdf is larger than listed");
  answer(0);
  fail(downloads()[7], "b.pdf is larger than listed");
  EXPECT_EQ(alertTag(), -1);
}

TEST_F(LibraryScreenTest, DownloadAllOfManyFilesShowsProgressAndReloadsOnceForFilesEndingTogether) {
  constexpr int kFiles = 40;
  std::vector<File> files;
  for (int i = 1; i <= kFiles; ++i) {
    files.push_back(test::libraryFile(i, "File " + std::to_string(i), "f" + std::to_string(i) + ".pdf", "PDF"));
  }
  save(files);
  showScreen();
  int catalogReloads = 0;
  base::Observation counting(LibraryNotifications::kReloadLibraryCatalog, nullptr,
                             [&](const base::Notification&) { ++catalogReloads; });
  ASSERT_TRUE(driver->tap(grid().btnDownloadAll()));
  ASSERT_EQ(alertTag(), 1002);
  answer(1);
  const auto sent = downloads();
  ASSERT_EQ(sent.size(), static_cast<std::size_t>(kFiles));
  EXPECT_EQ(catalogReloads, 1) << "queueing every file is one reload";

  // Each card shows its own share while the batch runs.
  ASSERT_TRUE(progress("f1.pdf", 0.3f));
  ASSERT_TRUE(progress("f10.pdf", 0.7f));
  settle();
  for (const auto& [name, share] : {std::pair{"File 1", 0.3f}, std::pair{"File 10", 0.7f}}) {
    auto cell = grid().cellAt(indexOf(name));
    ASSERT_TRUE(cell) << name;
    EXPECT_FALSE(cell->progressView().isHidden()) << name;
    EXPECT_FLOAT_EQ(cell->progressView().progress(), share) << name;
  }

  // The service answers the whole batch at once: one reload, not one per file.
  catalogReloads = 0;
  for (const auto& request : sent) {
    putOnDisk(request->fileNameList.front(), "PDF");
    ASSERT_TRUE(sender->answer(completion(*request, "200")));
  }
  settle();
  EXPECT_EQ(catalogReloads, 1);
  EXPECT_TRUE(manager->downloadFileNameArray().empty());
  EXPECT_EQ(alertTag(), -1);
  EXPECT_FALSE(grid().downloadButton().isBtnCancel()) << "the button leaves its cancel state with the last file";
  auto first = grid().cellAt(indexOf("File 1"));
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->progressView().isHidden()) << "a file on the device shows no progress";
}

TEST_F(LibraryScreenTest, UpdateAllOnACellularNetworkAsksOnceAndSendsEveryFile) {
  seed();
  putOnDisk("a-old.pdf", "PDF");
  putOnDisk("b-old.pdf", "PDF");
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({1, "a-old.pdf", "PDF"}));
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({2, "b-old.pdf", "PDF"}));
  cellular();
  showScreen();
  screen->tabController().setSelectedTabIndex(1, false);
  settle();
  EXPECT_EQ(titles(grid(1).libfilesArray()), (std::vector<std::string>{"Alpha", "Bravo"}));
  EXPECT_FALSE(grid(1).btnDownloadAll().isHidden());
  EXPECT_GE(iconPixels(grid(1).btnDownloadAll(), "library-update-all"), 40) << "update all reads";
  grid(1).downloadAll();
  EXPECT_EQ(alertTag(), 1003);
  answer(1);
  EXPECT_EQ(alertTag(), 1006);
  answer(0);
  EXPECT_EQ(alertTag(), -1) << "no question per file";
  ASSERT_EQ(downloads().size(), 2u);
  EXPECT_EQ(downloads()[0]->fileNameList, std::vector<std::string>{"a.pdf"});
  EXPECT_EQ(downloads()[1]->fileNameList, std::vector<std::string>{"b.pdf"});
  EXPECT_FALSE(grid(1).downloadButton().isBtnCancel()) << "the collection never cancels all";
}

TEST_F(LibraryScreenTest, UpdateOfferAnswersForItsOwnFile) {
  seed();
  putOnDisk("a-old.pdf", "PDF");
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({1, "a-old.pdf", "PDF"}));
  putOnDisk("d.pdf", "PDF");
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({4, "d-old.pdf", "PDF"}));
  showScreen();
  // Alpha's offer, answered after the list changed under it: "UPDATE"
  // downloads Alpha, wherever it now stands.
  tapCell("Alpha");
  ASSERT_EQ(alertTag(), 2500 + static_cast<long>(indexOf("Alpha")));
  grid().searchBar().setText("Delta");
  grid().searchBarTextDidChange(grid().searchBar(), "Delta");
  settle();
  answer(0);
  ASSERT_EQ(downloads().size(), 1u);
  EXPECT_EQ(downloads()[0]->fileNameList, std::vector<std::string>{"a.pdf"});
  // An offer whose file left the library meanwhile does nothing.
  grid().searchBarTextDidChange(grid().searchBar(), "");
  settle();
  tapCell("Delta");
  ASSERT_EQ(alertTag(), 2500 + static_cast<long>(indexOf("Delta")));
  ASSERT_TRUE(store().saveToDatabaseLibraryFiles({[] {
    auto gone = test::libraryFile(4, "Delta", "d.pdf", "PDF");
    gone.published = 0;
    return gone;
  }()}));
  answer(0);
  EXPECT_EQ(downloads().size(), 1u);
}

TEST_F(LibraryScreenTest, EditModeOfTheCollectionDeletesWithoutAsking) {
  seed();
  putOnDisk("c.pdf", "PDF");
  showScreen();
  screen->tabController().setSelectedTabIndex(1, false);
  settle();
  auto& collection = grid(1);
  ASSERT_EQ(collection.libfilesArray().size(), 1u);
  collection.didCellLongPressed();
  settle();
  EXPECT_TRUE(collection.isEditing());
  auto cell = collection.cellAt(0);
  ASSERT_TRUE(cell);
  EXPECT_FALSE(cell->deleteButton().isHidden());
  EXPECT_TRUE(cell->shaking());
  // A tap on the file in edit mode opens nothing.
  collection.didSelectedCell(collection.libfilesArray()[0], 0);
  EXPECT_EQ(alertTag(), -1);
  ASSERT_TRUE(driver->tap(cell->deleteButton()));
  settle();
  EXPECT_TRUE(collection.libfilesArray().empty());
  EXPECT_FALSE(manager->isExists(3));
  // A tap outside the cells ends the edit mode.
  ASSERT_TRUE(driver->tapAt({600, 700}));
  settle();
  EXPECT_FALSE(collection.isEditing());
}

TEST(LibraryTabStripTest, FramesSelectionAddRemoveAndReuse) {
  auto strip = BrowserTabView::initWithTabTitles({"one", "two"}, {});
  ASSERT_EQ(strip->numberOfTabs(), 2);
  EXPECT_EQ(strip->tabFramesArray()[1], (ui::Rect{175, 0, 180, 39}));
  EXPECT_TRUE(strip->tabsArray()[0]->selected());
  EXPECT_FALSE(strip->tabsArray()[0]->imageViewClose().isHidden()) << "the selected tab of two shows its mark";
  EXPECT_EQ(strip->subviews().back(), strip->tabsArray()[0]) << "the selected tab lies on top";
  strip->setSelectedTabIndex(1, false);
  EXPECT_EQ(strip->subviews().back(), strip->tabsArray()[1]);
  EXPECT_FALSE(strip->tabsArray()[0]->selected());

  ASSERT_TRUE(strip->addTabWithTitle(std::nullopt));
  EXPECT_EQ(strip->tabsArray()[2]->title(), "new Tab");
  EXPECT_EQ(strip->selectedTabIndex(), 2);
  strip->removeTabAtIndex(2, false);
  EXPECT_EQ(strip->selectedTabIndex(), 1) << "removing the last tab selects the new last";
  ASSERT_EQ(strip->reuseQueue().size(), 1u);
  auto reused = strip->reuseQueue().front();
  ASSERT_TRUE(strip->addTabWithTitle(std::string("three")));
  EXPECT_EQ(strip->tabsArray()[2], reused);
  EXPECT_TRUE(strip->reuseQueue().empty());
  strip->removeTabAtIndex(0, false);
  EXPECT_EQ(strip->selectedTabIndex(), 0);
  EXPECT_EQ(strip->tabsArray()[0]->title(), "two");
  strip->removeTabAtIndex(0, false);
  strip->removeTabAtIndex(0, false);
  EXPECT_EQ(strip->numberOfTabs(), 1) << "the last tab stays";
  // A strip narrower than its tabs takes no more.
  strip->setFrame({0, 0, 100, 44});
  EXPECT_FALSE(strip->addTabWithTitle(std::string("four")));
}

TEST_F(LibraryScreenTest, SearchListShowsFilesWithTheirDatesAndAnEmptyRow) {
  struct Chosen : LibrarySearchDelegate {
    std::vector<int> ids;
    void didselectSearchResult(const File& file) override { ids.push_back(file.file_id); }
  };
  auto chosen = std::make_shared<Chosen>();
  auto list = std::make_shared<librarySearchViewcontroller>(manager->databaseHandle());
  list->setDelegate(chosen);
  auto table = list->tableView();
  table->setFrame({0, 0, 400, 600});
  EXPECT_EQ(list->tableViewNumberOfRowsInSection(*table, 0), 1);
  auto empty = list->tableViewCellForRowAtIndexPath(*table, {0, 0});
  EXPECT_EQ(empty->textLabel().text(), "NORESULT");
  list->tableViewDidSelectRowAtIndexPath(*table, {0, 0});
  EXPECT_TRUE(chosen->ids.empty());

  auto video = test::libraryFile(7, "Launch film", "launch.mp4", "VEDIO");
  video.info = "MP4/12.5 M,3:20";
  video.date = "2014-03-09 10:11:12";
  auto pdf = test::libraryFile(8, "Prices", "p.pdf", "PDF");
  pdf.date = "09/03/2014";
  list->setSearchFilestArray({video, pdf});
  auto first = std::dynamic_pointer_cast<LibrarySearchCell>(list->tableViewCellForRowAtIndexPath(*table, {0, 0}));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->dateContentLabel().text(), PublicFunction::formatDate("2014-03-09 10:11:12"));
  EXPECT_FALSE(first->dateContentLabel().text().empty());
  EXPECT_TRUE(first->durationVisiable());
  EXPECT_EQ(first->durationContentLabel().text(), "3:20");
  EXPECT_EQ(first->infoContentLabel().text(), "MP4/12.5 M");
  auto second = std::dynamic_pointer_cast<LibrarySearchCell>(list->tableViewCellForRowAtIndexPath(*table, {0, 1}));
  ASSERT_TRUE(second);
  EXPECT_EQ(second->dateContentLabel().text(), "") << "another date form shows no date";
  EXPECT_FALSE(second->durationVisiable());
  list->tableViewDidSelectRowAtIndexPath(*table, {0, 1});
  EXPECT_EQ(chosen->ids, std::vector<int>{8});
}

// Huge covers on the grid's cards, a file card (an interlaced
// PNG) and a search result (a progressive JPEG): nothing shows until the
// worker has read them, then each shows its own cover at no more than the
// pixels of its view, and none was decoded whole on the main thread.
TEST_F(LibraryScreenTest, HugeCoversAreReadOnAWorkerAtTheSizeOfTheirView) {
  seed();
  const std::vector<std::pair<std::string, test::PictureKind>> covers{
      {"alpha.jpg", test::PictureKind::ProgressiveJpeg}, {"bravo.png", test::PictureKind::InterlacedPng}};
  for (std::size_t i = 0; i < covers.size(); ++i) {
    const auto path = PublicFunction::filePathWithName(covers[i].first, kFileTypeLibraryImage);
    ASSERT_TRUE(path);
    std::filesystem::create_directories(path->parent_path());
    ASSERT_TRUE(test::writeLargePicture(*path, covers[i].second, test::kHugePictureWidth, test::kHugePictureHeight));
    auto file = *store().getFilesByFileId(static_cast<int>(i) + 1);
    file.cover_image = covers[i].first;
    ASSERT_TRUE(store().saveLibraryFileToDatabase(file));
  }
  gfx::ImageData::resetLargestDecodeOnMainThread();
  // The file's own cover, red on its left and blue on its right, not the stock picture.
  const auto expectCover = [](const ui::ImageView& view, const std::string& where) {
    SCOPED_TRACE(where);
    test::expectReadAtShownSize(view);
    EXPECT_EQ(view.alpha(), 1.0);
    const auto shown = view.image();
    if (!shown) return;
    const int y = shown->pixelHeight() / 2;
    const gfx::Color left = shown->pixelAt(shown->pixelWidth() / 4, y);
    const gfx::Color right = shown->pixelAt(shown->pixelWidth() * 3 / 4, y);
    EXPECT_TRUE(left.r() > 0.7 && left.b() < 0.3 && right.b() > 0.7 && right.r() < 0.3) << "not the file's cover";
  };

  showScreen();
  test::settlePictures();
  for (const std::string title : {"Alpha", "Bravo"}) {
    auto cell = grid().cellAt(indexOf(title));
    ASSERT_TRUE(cell);
    expectCover(cell->fileImageView(), "grid " + title);
  }

  grid().selectShowInfo(*store().getFilesByFileId(2));
  auto card = grid().descriptionController();
  ASSERT_TRUE(card);
  EXPECT_FALSE(card->imageView().image()) << "the cover shows only once read";
  EXPECT_EQ(card->imageView().alpha(), 0.0);
  test::settlePictures();
  expectCover(card->imageView(), "file card");

  auto list = std::make_shared<librarySearchViewcontroller>(manager->databaseHandle());
  auto table = list->tableView();
  table->setFrame({0, 0, 400, 600});
  list->setSearchFilestArray({*store().getFilesByFileId(1), *store().getFilesByFileId(3)});
  auto result = std::dynamic_pointer_cast<LibrarySearchCell>(list->tableViewCellForRowAtIndexPath(*table, {0, 0}));
  auto coverless = std::dynamic_pointer_cast<LibrarySearchCell>(list->tableViewCellForRowAtIndexPath(*table, {0, 1}));
  ASSERT_TRUE(result && coverless);
  EXPECT_FALSE(result->coverView().image()) << "the cover shows only once read";
  EXPECT_EQ(result->coverView().alpha(), 0.0);
  test::settlePictures();
  expectCover(result->coverView(), "search result");
  const auto stock = PublicFunction::getLocalPicture("", kFileTypePdf, 1, 1);
  ASSERT_TRUE(stock);
  EXPECT_EQ(coverless->coverView().image(), stock) << "a file without a cover shows its type's stock picture";
}

}  // namespace
}  // namespace mv
