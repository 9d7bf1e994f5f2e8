// The book reader as a user meets it: opened from the library by its type,
// reading on across units and back, links between units, failures that send
// the user back to the library, sharing the book, and every sample book of
// real publishers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "EPUBTestBooks.hpp"
#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "library/EPUBSpinesViewController.hpp"
#include "library/EPUBViewController.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryFeature.hpp"
#include "library/LibraryViewers.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationBar.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TableView.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/settings/Language.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

class EPUBReaderTest : public test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    ui::View::setAnimationsEnabled(false);
    setTextLookup([](const std::string& key) { return Language::stringWithName(key); });
    driver = std::make_unique<ui::HeadlessDriver>();
    nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    nav->setNavigationBarHidden(true);
    driver->window().setRootViewController(nav);
    driver->flush();
    books = root / "Documents" / "books";
    fs::create_directories(books);
    // As the application starts: the library feature installs its viewers.
    LibraryFeature::installViewers();
  }
  void TearDown() override {
    for (auto action : {LibraryOpenAction::EpubReader, LibraryOpenAction::Video, LibraryOpenAction::OfficeViewer}) {
      LibraryViewers::install(action, {});
    }
    reader.reset();
    nav.reset();
    driver.reset();
    svc::DocumentInteractionController::setOpener({});
    setTextLookup(nullptr);
    MessageBox::sharedInstance().resetForTesting();
    ui::AlertView::resetForTesting();
    ui::ActionSheet::resetForTesting();
    ui::Application::freeInstance();
    ui::View::setAnimationsEnabled(true);
    TestEnvironment::TearDown();
  }
  fs::path book(const std::string& name, const test::BookSpec& spec) {
    fs::path p = books / name;
    EXPECT_TRUE(test::writeBook(p, spec));
    return p;
  }
  // Opens the book as the library does and waits for its first unit.
  void open(const fs::path& path, const std::string& title = "Handbook") {
    auto decision = LibraryFileOpener::decide("EPUB", path, 1);
    ASSERT_EQ(decision.action, LibraryOpenAction::EpubReader);
    ASSERT_TRUE(LibraryViewers::open(decision, title, nav.get()));
    reader = std::dynamic_pointer_cast<EPUBViewController>(nav->topViewController()->shared_from_this());
    ASSERT_TRUE(reader);
    settle();
  }
  void settle() {
    driver->flush();
    runUntil([&] { return !reader->bookView()->isLoading(); }, 5);
    driver->flush();
  }
  EPUBView& view() { return *reader->bookView(); }
  std::string label() { return view().pageLabel().text(); }
  // A turn as a swipe would make it.
  void forward() {
    if (view().currentPageIndex() + 1 < view().pageCount()) {
      view().gotoPage(view().currentPageIndex() + 1);
    } else {
      view().lSwipe();
    }
    settle();
  }
  void back() {
    if (view().currentPageIndex() > 0) {
      view().gotoPage(view().currentPageIndex() - 1);
    } else {
      view().rSwipe();
    }
    settle();
  }
  static test::BookSpec threeUnits() {
    test::BookSpec spec;
    spec.units = {{"one.xhtml", "One", "<h1>One</h1>" + test::filler(12, "alpha")},
                  {"two.xhtml", "Two", "<h1>Two</h1>" + test::filler(2, "beta")},
                  {"three.xhtml", "Three", "<h1>Three</h1>" + test::filler(12, "gamma")}};
    return spec;
  }

  std::unique_ptr<ui::HeadlessDriver> driver;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<EPUBViewController> reader;
  fs::path books;
};

TEST_F(EPUBReaderTest, OpensOnTheFirstPageUnderItsOwnBar) {
  open(book("handbook.epub", threeUnits()), "Sales handbook");
  EXPECT_FALSE(nav->navigationBar().isHidden());
  EXPECT_EQ(reader->lbtitle()->text(), "Sales handbook");
  EXPECT_EQ(reader->titleBackGround()->superview(), &nav->navigationBar());
  EXPECT_EQ(reader->backButton()->currentTitle(), Language::stringWithName("BACK"));
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  ASSERT_GT(view().pageCount(), 1);
  EXPECT_EQ(label(), "1 / " + std::to_string(view().pageCount()) + " - One.");
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  // Two columns on the page, the whole page width used.
  auto image = driver->render(view());
  ASSERT_TRUE(image);
  auto inkIn = [&](double x0, double x1) {
    for (int y = 60; y < 400; y += 3)
      for (int x = static_cast<int>(x0); x < static_cast<int>(x1); ++x)
        if (image->pixelAt(x, y).r() < 0.5) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(50, 480));
  EXPECT_TRUE(inkIn(530, 980));

  // Back leaves the reader; the bar goes with it.
  driver->tap(*reader->backButton());
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_TRUE(nav->navigationBar().isHidden());
  EXPECT_EQ(reader->titleBackGround()->superview(), nullptr);
}

TEST_F(EPUBReaderTest, ReadsOnAcrossUnitsAndBack) {
  open(book("handbook.epub", threeUnits()));
  const int firstPages = view().pageCount();
  // Nothing before the first page of the first unit.
  view().rSwipe();
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  EXPECT_EQ(label(), "1 / " + std::to_string(firstPages) + " - One.");
  for (int i = 0; i < firstPages; ++i) forward();
  EXPECT_EQ(reader->currentSpineIndex(), 1u);
  EXPECT_EQ(view().currentPageIndex(), 0);
  EXPECT_EQ(view().pageCount(), 1);
  EXPECT_EQ(label(), "1 / 1 - Two.");
  forward();
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
  const int lastPages = view().pageCount();
  for (int i = 0; i < lastPages - 1; ++i) forward();
  // The book's end: only the label is refreshed.
  forward();
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
  EXPECT_EQ(view().currentPageIndex(), lastPages - 1);
  // Back across the start of a unit lands on the previous unit's last page.
  for (int i = 0; i < lastPages; ++i) back();
  EXPECT_EQ(reader->currentSpineIndex(), 1u);
  back();
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  EXPECT_EQ(view().currentPageIndex(), firstPages - 1);
  EXPECT_EQ(label(), std::to_string(firstPages) + " / " + std::to_string(firstPages) + " - One.");
}

TEST_F(EPUBReaderTest, AUnitWithoutAStyleSheetIsPagedAllTheSame) {
  test::BookSpec spec;
  spec.units = {{"bare.xhtml", "", test::filler(20, "plain")}};
  spec.units[0].styleSheet = false;
  spec.ncx = false;
  open(book("bare.epub", spec));
  EXPECT_GT(view().pageCount(), 1);
  // No title: nothing after the numbers.
  EXPECT_EQ(label(), "1 / " + std::to_string(view().pageCount()));
}

TEST_F(EPUBReaderTest, LinksLeadToTheirUnitAndPlace) {
  test::BookSpec spec;
  spec.units = {{"contents.xhtml", "Contents", "<p><a href='text/notes.xhtml#n2'>Note two</a></p>"},
                {"text/intro.xhtml", "Intro", "<p>intro</p>"},
                {"text/notes.xhtml", "Notes", test::filler(14, "note") + "<p id='n2'>The second note.</p>"}};
  open(book("linked.epub", spec));
  const auto& line = view().webView().pageLayout().items().front();
  driver->tapAt(view().webView().convertPointToView({line.frame.x() + 4, line.frame.midY()}, nullptr));
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
  ASSERT_GT(view().pageCount(), 1);
  EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
  // Turning on from there goes by the unit now shown.
  view().rSwipe();
  view().gotoPage(0);
  view().rSwipe();
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 1u);
}

TEST_F(EPUBReaderTest, ABookThatCannotBeReadSendsTheUserBack) {
  const fs::path broken = books / "broken.epub";
  {
    std::ofstream out(broken);
    out << "PK\x03\x04 cut short";
  }
  open(broken);
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), Language::stringWithName("FILEOPENFAILED"));
  EXPECT_EQ(alert->message(), Language::stringWithName("PLEASEDOWNLOADIBOOKS"));
  EXPECT_EQ(reader->bookView()->pageCount(), 0);
  driver->pressAlertButton(0);
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(EPUBReaderTest, SharingHandsTheBookFileOn) {
  const fs::path path = book("handbook.epub", threeUnits());
  open(path);
  // Nobody takes files: the failure alert, which also leaves the reader.
  driver->tap(*reader->shareButton());
  driver->flush();
  ASSERT_TRUE(reader->actionSheet());
  EXPECT_EQ(reader->actionSheet()->buttonTitleAtIndex(0), Language::stringWithName("OPENINOTHERAPP"));
  auto sheet = reader->actionSheet();
  reader->openInOther();  // while the sheet shows, the share button changes nothing
  EXPECT_EQ(reader->actionSheet(), sheet);
  reader->actionSheet()->pressButton(0);
  driver->flush();
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), Language::stringWithName("FILEOPENFAILED"));
  driver->pressAlertButton(0);
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);

  // An application takes it: the .epub itself goes, not the unpacked folder.
  std::vector<fs::path> handed;
  svc::DocumentInteractionController::setOpener([&](const fs::path& file, const std::string&) {
    handed.push_back(file);
    return std::optional<std::string>("Books");
  });
  open(path);
  // A tap beside the sheet closes it without sharing.
  driver->tap(*reader->shareButton());
  driver->flush();
  ASSERT_TRUE(reader->actionSheet());
  driver->tapAt({500, 400});
  driver->flush();
  EXPECT_FALSE(reader->actionSheet() && reader->actionSheet()->isVisible());
  EXPECT_TRUE(handed.empty());
  driver->tap(*reader->shareButton());
  driver->flush();
  ASSERT_TRUE(reader->actionSheet());
  reader->actionSheet()->pressButton(0);
  EXPECT_TRUE(reader->documentController());
  driver->flush();
  EXPECT_EQ(handed, std::vector<fs::path>{path});
  EXPECT_FALSE(reader->documentController());
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(nav->topViewController(), reader.get());
}

TEST_F(EPUBReaderTest, TheUnitListGoesToAUnit) {
  open(book("handbook.epub", threeUnits()));
  auto item = std::make_shared<ui::BarButtonItem>("Units", ui::BarButtonItemStyle::Plain);
  nav->navigationBar().refresh();
  reader->navigationItem().setLeftBarButtonItems({reader->navigationItem().leftBarButtonItem(), item});
  driver->flush();
  reader->showSpines(*item);
  driver->flush();
  ASSERT_TRUE(reader->popController() && reader->popController()->isPopoverVisible());
  auto list = std::dynamic_pointer_cast<EPUBSpinesViewController>(reader->popController()->contentViewController());
  ASSERT_TRUE(list);
  auto texts = driver->visibleTexts(list->view().get());
  EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()), (std::set<std::string>{"One", "Two", "Three"}));
  list->tableViewDidSelectRowAtIndexPath(*list->tableView(), {0, 2});
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
  EXPECT_EQ(view().currentPageIndex(), 0);
  EXPECT_FALSE(reader->popController()->isPopoverVisible());
}

// The sample books of real publishers, each as a download would put it.
TEST_F(EPUBReaderTest, EveryCorpusBookReads) {
  const auto corpus = test::corpusFiles("epub");
  if (corpus.empty()) GTEST_SKIP() << "no corpus here";
  int seen = 0;
  test::checkEveryFile(corpus, [&](const fs::path& source) {
    ++seen;
    const fs::path copy = books / source.filename();
    fs::copy_file(source, copy);
    open(copy, source.stem().string());
    const std::string name = source.filename().string();
    EXPECT_FALSE(ui::AlertView::visibleAlert()) << name;
    EXPECT_GE(view().pageCount(), 1) << name;
    // Read into the second unit and back, as a reader would.
    const std::size_t units = reader->book().spines().size();
    int turns = 0;
    while (reader->currentSpineIndex() == 0 && units > 1 && turns++ < 400) forward();
    if (units > 1) {
      EXPECT_EQ(reader->currentSpineIndex(), 1u) << name;
    }
    EXPECT_FALSE(view().webView().pageText().empty() && view().webView().pageLayout().items().empty()) << name;
    back();
    EXPECT_EQ(reader->currentSpineIndex(), 0u) << name;
    mv::test::keepSnapshot([&] {
      fs::path out = root / (source.stem().string() + ".png");
      driver->render()->writePNG(out);
      return out;
    }());
    reader->btnBackClick();
    driver->flush();
    reader.reset();
  });
  EXPECT_GT(seen, 0);
}

TEST_F(EPUBReaderTest, RightToLeftBookReadsFromTheRight) {
  const fs::path source = test::corpusDir() / "epub" / "regime-anticancer-arabic.epub";
  if (!fs::exists(source)) GTEST_SKIP() << "no corpus here";
  fs::copy_file(source, books / "arabic.epub");
  open(books / "arabic.epub", "Arabic");
  while (reader->currentSpineIndex() < 2) forward();
  EXPECT_EQ(label().substr(label().size() - std::string(" - Commencer la lecture.").size()), " - Commencer la lecture.");
  const auto& layout = view().webView().pageLayout();
  ASSERT_GE(layout.columnCount(), 2);
  // The first column is the right one of the first page.
  for (const auto& item : layout.items()) {
    if (item.column == 0) {
      EXPECT_GT(item.frame.x(), 482);
      break;
    }
  }
  mv::test::keepSnapshot([&] {
    fs::path out = root / "arabic-text.png";
    driver->render()->writePNG(out);
    return out;
  }());
}

}  // namespace
}  // namespace mv
