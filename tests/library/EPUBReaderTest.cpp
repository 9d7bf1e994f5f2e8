// The book reader as a user meets it: opened from the library by its type,
// reading on across units and back, links between units, failures that send
// the user back to the library, sharing the book, every sample book of real
// publishers, and books that reach for a server or the desktop on their own.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "DesktopTestWindow.hpp"
#include "EPUBTestBooks.hpp"
#include "EnginePageProcesses.hpp"
#include "PageAnswers.hpp"
#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "library/epub/EPUBSpinesViewController.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryFeature.hpp"
#include "library/LibraryViewers.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationBar.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TableView.hpp"
#include "services/WebEngine.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/Language.hpp"
#include "util/Crypto.hpp"
#include "util/DiskRoom.hpp"
#include "util/TextLookup.hpp"
#include "util/ZipArchive.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

class EPUBReaderTest : public test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    // The engine lays the units out in processes of its own, in real time,
    // and writes into the test's own folders only.
    realWorkUnderWay = [] { return true; };
    useOwnHome();
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
    runUntil([&] { return !reader->isOpening() && !reader->bookView()->isLoading() && !svc::WebEngine::isBusy(); }, 30);
    driver->flush();
  }
  // Asks the unit shown, waiting up to `timeout` seconds for its answer.
  std::string ask(const std::string& script, double timeout = 10) {
    return test::answerOf(view().webView(), script, timeout);
  }
  double askNumber(const std::string& script, double timeout = 10) {
    return std::strtod(ask(script, timeout).c_str(), nullptr);
  }
  // The page of the unit shown that a place of it is on, as the reader finds it.
  std::optional<int> pageOf(const std::string& anchor) {
    std::optional<std::optional<int>> found;
    view().pageOfAnchor(anchor, [&](std::optional<int> page) { found = page; });
    runUntil([&] { return found.has_value(); }, 10);
    return found.value_or(std::nullopt);
  }
  // Taps the middle of the element the selector finds, where the page shows it.
  void tapElement(const std::string& selector) {
    const std::string rect = "document.querySelector(\"" + selector + "\").getBoundingClientRect()";
    const ui::Point inPage{askNumber(rect + ".left + " + rect + ".width / 2"), askNumber(rect + ".top + " + rect + ".height / 2")};
    driver->tapAt(view().webView().convertPointToView(inPage, nullptr));
    settle();
  }
  EPUBView& view() { return *reader->bookView(); }
  // Once `bound` has passed, the unit is shown as it stands, one page, and
  // the label says so.
  void expectShownAsItStandsAfter(double bound, const std::string& title) {
    advance(bound);
    driver->flush();
    EXPECT_FALSE(view().isLoading());
    EXPECT_EQ(view().pageCount(), 1);
    EXPECT_EQ(label(), text("PAGESHOWNASITSTANDS") + " - " + title + ".");
  }
  std::string label() { return view().pageLabel().text(); }
  // A turn as a swipe would make it (the other way in a book paged from the right).
  void forward() {
    if (view().currentPageIndex() + 1 < view().pageCount()) {
      view().gotoPage(view().currentPageIndex() + 1);
    } else if (view().isRightToLeft()) {
      view().rSwipe();
    } else {
      view().lSwipe();
    }
    settle();
  }
  void back() {
    if (view().currentPageIndex() > 0) {
      view().gotoPage(view().currentPageIndex() - 1);
    } else if (view().isRightToLeft()) {
      view().lSwipe();
    } else {
      view().rSwipe();
    }
    settle();
  }
  // The page as the web view shows it now.
  std::shared_ptr<gfx::Image> picture() {
    auto image = driver->render(view().webView());
    EXPECT_TRUE(image);
    return image;
  }
  // Dark pixels in the rectangle (every other one looked at).
  static int inkIn(const gfx::Image& image, const ui::Rect& r) {
    int ink = 0;
    for (int y = std::max(0, static_cast<int>(r.minY())); y < std::min<int>(image.size().height, r.maxY()); y += 2)
      for (int x = std::max(0, static_cast<int>(r.minX())); x < std::min<int>(image.size().width, r.maxX()); x += 2)
        if (image.pixelAt(x, y).r() + image.pixelAt(x, y).g() + image.pixelAt(x, y).b() < 1.5) ++ink;
    return ink;
  }
  static int differingPixels(const gfx::Image& a, const gfx::Image& b) {
    int differing = 0;
    for (int y = 0; y < std::min(a.size().height, b.size().height); y += 2)
      for (int x = 0; x < std::min(a.size().width, b.size().width); x += 2) {
        const auto p = a.pixelAt(x, y), q = b.pixelAt(x, y);
        if (std::abs(p.r() - q.r()) + std::abs(p.g() - q.g()) + std::abs(p.b() - q.b()) > 0.3) ++differing;
      }
    return differing;
  }
  // Where the element is shown in the web view.
  ui::Rect shownRect(const std::string& id) {
    const std::string rect = "document.getElementById('" + id + "').getBoundingClientRect()";
    return {askNumber(rect + ".left"), askNumber(rect + ".top"), askNumber(rect + ".width"), askNumber(rect + ".height")};
  }
  static test::BookSpec threeUnits() {
    test::BookSpec spec;
    spec.units = {{"one.xhtml", "One", "<h1>One</h1>" + test::filler(20, "alpha") + "<p id='end'>The end.</p>"},
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
  spec.units = {{"contents.xhtml", "Contents",
                 "<p><a id='far' href='text/notes.xhtml#n2'>Note two</a></p><p><a id='near' href='#here'>Here</a></p>"
                     "<p><a id='odd' href='#%FF%FE'>Odd</a></p>" +
                     test::filler(28, "lead") + "<p id='here'>Here it is.</p>"},
                {"text/intro.xhtml", "Intro", "<p>intro</p>"},
                {"text/notes.xhtml", "Notes", test::filler(28, "note") + "<p id='n2'>The second note.</p>"}};
  open(book("linked.epub", spec));
  ASSERT_GT(view().pageCount(), 1);
  // A place in the same unit: its page.
  tapElement("#near");
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  // The page tells where it went once it has scrolled there.
  EXPECT_TRUE(runUntil([&] { return view().currentPageIndex() == view().pageCount() - 1; }, 10));
  EXPECT_EQ(askNumber("window.scrollX"), view().currentPageIndex() * view().webView().bounds().width());
  view().gotoPage(0);
  // A place named by bytes that are no text is nowhere: the page stays.
  settle();
  tapElement("#odd");
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  EXPECT_EQ(view().currentPageIndex(), 0);
  // A place in another unit: that unit, at the page of the place.
  tapElement("#far");
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
  ASSERT_GT(view().pageCount(), 1);
  EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
  EXPECT_EQ(pageOf("n2"), view().pageCount() - 1);
  // Turning on from there goes by the unit now shown.
  view().rSwipe();
  view().gotoPage(0);
  view().rSwipe();
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 1u);
}

TEST_F(EPUBReaderTest, PagesAreTheEnginesScrollWidthOverThePageWidth) {
  open(book("handbook.epub", threeUnits()));
  const double width = view().webView().bounds().width();
  ASSERT_EQ(width, EPUBView::kPageWidth);
  // The text's last line is on the last page, and every page can be scrolled to.
  ASSERT_GT(view().pageCount(), 2);
  EXPECT_EQ(pageOf("end"), view().pageCount() - 1);
  EXPECT_GE(askNumber("document.documentElement.scrollWidth"), view().pageCount() * width);
  // The rules the reader sends are the page's: two columns to a page.
  EXPECT_EQ(ask("getComputedStyle(document.documentElement).columnGap"), "20px");
  // A turn is a scroll of one page width.
  view().gotoPage(2);
  EXPECT_EQ(askNumber("window.scrollX"), 2 * width);
  view().gotoPage(99);
  EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
  EXPECT_EQ(askNumber("window.scrollX"), (view().pageCount() - 1) * width);

  // Units whose own scripts make the page's size anything at all: a size no
  // page reaches, below nothing, not a number, a text of megabytes, and one
  // whose places lie where no page reaches. Each is one page, and the book
  // reads on across them.
  ASSERT_TRUE(driver->tapControl(text("BACK")));
  driver->flush();
  const auto sized = [](const std::string& size, const std::string& more = {}) {
    return "<p id='far'>A chapter.</p><script>//<![CDATA[\nObject.defineProperty(document.documentElement,"
           "'scrollWidth',{get:function(){return " + size + ";}});" + more + "\n//]]></script>";
  };
  test::BookSpec odd;
  odd.units = {{"huge.xhtml", "Huge", sized("1e308")},
               {"negative.xhtml", "Negative", sized("-5000")},
               {"nan.xhtml", "Nan", sized("'many'")},
               {"long.xhtml", "Long", sized("'9'.repeat(4<<20)")},
               {"letters.xhtml", "Letters", sized("'x'.repeat(4<<20)",
                                                  "document.getElementById('far').getBoundingClientRect="
                                                  "function(){return {left:1e308,right:1e308,top:1e308};};")}};
  open(book("odd.epub", odd));
  for (const char* title : {"Huge", "Negative", "Nan", "Long", "Letters"}) {
    EXPECT_EQ(label(), "1 / 1 - " + std::string(title) + ".");
    EXPECT_EQ(view().pageCount(), 1) << title;
    if (reader->currentSpineIndex() + 1 < odd.units.size()) forward();
  }
  EXPECT_EQ(reader->currentSpineIndex(), 4u);
  EXPECT_EQ(pageOf("far"), 0);
}

TEST_F(EPUBReaderTest, AQuickSwipeAcrossUnitsLandsOnTheirFirstOrLastPage) {
  open(book("handbook.epub", threeUnits()));
  const int firstPages = view().pageCount();
  view().gotoPage(firstPages - 1);
  // Swipes as a finger makes them, across the page.
  auto swipeLeft = [&] {
    driver->swipe({900, 300}, {100, 300}, 0.1);
    settle();
  };
  auto swipeRight = [&] {
    driver->swipe({100, 300}, {900, 300}, 0.1);
    settle();
  };
  swipeLeft();
  ASSERT_EQ(reader->currentSpineIndex(), 1u);
  EXPECT_EQ(label(), "1 / 1 - Two.");
  swipeLeft();
  ASSERT_EQ(reader->currentSpineIndex(), 2u);
  EXPECT_EQ(view().currentPageIndex(), 0);
  EXPECT_EQ(askNumber("window.scrollX"), 0);
  swipeRight();
  swipeRight();
  ASSERT_EQ(reader->currentSpineIndex(), 0u);
  EXPECT_EQ(view().currentPageIndex(), firstPages - 1);
  EXPECT_EQ(label(), std::to_string(firstPages) + " / " + std::to_string(firstPages) + " - One.");
  EXPECT_EQ(askNumber("window.scrollX"), (firstPages - 1) * view().webView().bounds().width());
}

using EPUBDesktopTest = test::DesktopFixture<EPUBReaderTest>;

TEST_F(EPUBDesktopTest, ThePageKeysAndTheWheelTurnTheBooksPagesThoughThePageWasClicked) {
  runDesktop([&] {
    open(book("handbook.epub", threeUnits()));
    auto desktop = test::openDesktop(driver->windowPtr());
    ASSERT_TRUE(desktop);
    desktop->runFrame(true);
    test::DesktopUser user(*desktop);
    const int pages = view().pageCount();
    ASSERT_GE(pages, 3);
    auto press = [&](ui::DesktopWindow::Key key, unsigned modifiers = ui::DesktopWindow::None) {
      user.key(key, modifiers);
      settle();
      return view().currentPageIndex();
    };
    using Key = ui::DesktopWindow::Key;
    EXPECT_EQ(press(Key::PageDown), 1);
    EXPECT_EQ(label(), "2 / " + std::to_string(pages) + " - One.");
    EXPECT_EQ(press(Key::Space), 2);
    EXPECT_EQ(press(Key::Left), 1);
    // A click on the page gives it the focus; the keys still turn it.
    user.click({512, 300});
    settle();
    ASSERT_TRUE(view().webView().isFirstResponder());
    EXPECT_EQ(press(Key::Right), 2);
    EXPECT_EQ(press(Key::PageUp), 1);
    EXPECT_EQ(press(Key::Space, ui::DesktopWindow::Shift), 0);
    EXPECT_EQ(press(Key::Down), 1);
    EXPECT_EQ(press(Key::Up), 0);
    EXPECT_EQ(askNumber("window.scrollX"), 0);
    // End opens the last unit at its last page, Home the first at its first,
    // though the page has the focus.
    user.key(Key::End);
    settle();
    EXPECT_EQ(reader->currentSpineIndex(), 2u);
    EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
    user.key(Key::Home);
    settle();
    EXPECT_EQ(reader->currentSpineIndex(), 0u);
    EXPECT_EQ(view().currentPageIndex(), 0);
    EXPECT_EQ(view().pageCount(), pages);

    // The wheel over the page: a notch towards the user reads on, away back.
    auto roll = [&](double notches, int times = 1) {
      for (int i = 0; i < times; ++i) user.wheel({512, 300}, 0, notches);
      user.wait(0.4);
      settle();
      return view().currentPageIndex();
    };
    EXPECT_EQ(roll(-1), 1);
    EXPECT_EQ(roll(-1), 2);
    EXPECT_EQ(label(), "3 / " + std::to_string(pages) + " - One.");
    EXPECT_EQ(roll(1), 1);
    // A touchpad's stroke of a few notches at once turns one page.
    EXPECT_EQ(roll(-0.5, 6), 2);
    EXPECT_EQ(askNumber("window.scrollX"), 2 * view().webView().bounds().width());

    // Clicks on the bar above the page and on its share button reach them
    // alone: the page stays where it was.
    ASSERT_TRUE(reader->shareButton());
    const ui::Rect share = reader->shareButton()->convertRectToView(reader->shareButton()->bounds(), nullptr);
    user.click({512, share.midY()});
    user.doubleClick({300, share.midY()});
    settle();
    EXPECT_EQ(view().currentPageIndex(), 2);
    user.click({share.midX(), share.midY()});
    settle();
    EXPECT_TRUE(reader->actionSheet() && reader->actionSheet()->isVisible());
    EXPECT_EQ(view().currentPageIndex(), 2);
    EXPECT_EQ(askNumber("window.scrollX"), 2 * view().webView().bounds().width());

    // A book paged from the right reads on with Page Down and the left arrow.
    test::BookSpec spec;
    spec.spineAttributes = " page-progression-direction=\"rtl\"";
    spec.units = {{"rtl.xhtml", "Rtl", test::filler(20, "\u0643\u062A\u0627\u0628")}};
    spec.units[0].rootAttributes = " dir=\"rtl\" xml:lang=\"ar\"";
    reader->btnBackClick();
    settle();
    open(book("rtl.epub", spec));
    ASSERT_TRUE(view().isRightToLeft());
    ASSERT_GE(view().pageCount(), 3);
    EXPECT_EQ(press(Key::PageDown), 1);
    EXPECT_EQ(press(Key::Left), 2);
    EXPECT_EQ(press(Key::Right), 1);
    EXPECT_EQ(press(Key::PageUp), 0);
  });
}

TEST_F(EPUBReaderTest, LinksOutOfTheBookGoToTheDesktopOrNowhere) {
  std::vector<std::string> opened;
  ui::Application::sharedInstance().setOpenURLHandler([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  std::ofstream(root / "secret.txt") << "not the book's";
  test::BookSpec spec;
  spec.units = {{"links.xhtml", "Links",
                 "<p><a id='web' href='https://example.invalid/x'>web</a></p>"
                 "<p><a id='mail' href='mailto:sales@example.invalid?attach=/etc/passwd&amp;subject=Hi'>mail</a></p>"
                 "<p><a id='file' href='file://" + (root / "secret.txt").string() + "'>file</a></p>"
                 "<p><a id='up' href='../../../secret.txt'>up</a></p>"}};
  open(book("links.epub", spec));
  for (const char* id : {"#web", "#mail", "#file", "#up"}) tapElement(id);
  // A mail asks for no file of the device.
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/x", "mailto:sales@example.invalid?subject=Hi"}));
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  EXPECT_EQ(ask("document.body.innerText").find("not the book"), std::string::npos);
  EXPECT_NE(ask("document.body.innerText").find("web"), std::string::npos);
}

TEST_F(EPUBReaderTest, PicturesOutsideTheBooksFolderAreNotRead) {
  // A picture beside the books and one inside the book, both real PNGs.
  auto picture = gfx::Image::blank({40, 30});
  ASSERT_TRUE(picture && picture->writePNG(root / "outside.png"));
  const std::string png = [&] {
    std::ifstream in(root / "outside.png", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  test::BookSpec spec;
  spec.units = {{"pictures.xhtml", "Pictures",
                 "<p><img id='inside' src='inside.png'/></p><p><img id='absolute' src='file://" +
                     (root / "outside.png").string() + "'/></p><p><img id='climb' src='../../../../outside.png'/></p>"}};
  spec.extraEntries = {{"OEBPS/inside.png", png}};
  open(book("pictures.epub", spec));
  runUntil([&] { return askNumber("document.getElementById('inside').naturalWidth") > 0; }, 10);
  EXPECT_EQ(askNumber("document.getElementById('inside').naturalWidth"), 40);
  EXPECT_EQ(askNumber("document.getElementById('absolute').naturalWidth"), 0);
  EXPECT_EQ(askNumber("document.getElementById('climb').naturalWidth"), 0);
}

// A local web server that answers nothing and counts every request it sees.
class CountingServer {
 public:
  CountingServer() {
    server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(request.method + " " + request.path);
      response.status = 404;
      return httplib::Server::HandlerResponse::Handled;
    });
    server_.set_keep_alive_max_count(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ > 0) thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 500 && port_ > 0 && !server_.is_running(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~CountingServer() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  bool isRunning() const { return server_.is_running(); }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  int port() const { return port_; }
  std::vector<std::string> seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<std::string> seen_;
};

TEST_F(EPUBReaderTest, ABookAsksNoServerForAnything) {
  CountingServer server;
  ASSERT_TRUE(server.isRunning());
  const std::string at = server.base();
  // Every way a chapter can reach out: style sheets, fonts, pictures, a
  // frame, a script file, and a script's own requests.
  const std::string tries =
      "function settle(p){return Promise.race([p,new Promise(function(d){setTimeout(d,3000);})]);}"
      "function attempt(f){return settle(new Promise(function(d){try{f(d);}catch(e){d();}}));}"
      "try{navigator.sendBeacon('" + at + "/beacon','who');}catch(e){}"
      "Promise.all([attempt(function(d){fetch('" + at + "/fetch').then(d,d);}),"
      "attempt(function(d){var x=new XMLHttpRequest();x.onloadend=d;x.open('GET','" + at + "/xhr');x.send();}),"
      "attempt(function(d){var w=new WebSocket('ws://127.0.0.1:" + std::to_string(server.port()) + "/socket');"
      "w.onerror=d;w.onclose=d;}),"
      "attempt(function(d){var i=new Image();i.onload=d;i.onerror=d;i.src='" + at + "/opened.png';})])"
      ".then(function(){document.body.setAttribute('data-tried','yes');});";
  test::BookSpec spec;
  spec.units = {{"chapter.xhtml", "Chapter",
                 "<link rel='stylesheet' href='" + at + "/style.css'/><style>@import url(" + at +
                     "/import.css); @font-face{font-family:Spy;src:url(" + at + "/spy.woff)} p{font-family:Spy} "
                     "body{background-image:url(" + at + "/paper.png)}</style>"
                     "<h1>The chapter</h1><p>Read on.</p><img src='" + at + "/pixel.png' alt=''/><video poster='" +
                     at + "/poster.png'></video><iframe src='" + at + "/frame.html'></iframe><script src='" + at +
                     "/tracker.js'></script><script>//<![CDATA[\n" + tries + "\n//]]></script>"}};
  open(book("reaching.epub", spec));
  ASSERT_TRUE(runUntil([&] { return ask("document.body.getAttribute('data-tried')") == "yes"; }, 20));
  EXPECT_TRUE(server.seen().empty()) << server.seen().size() << " requests, the first " << server.seen().front();
  // The chapter shows all the same.
  EXPECT_NE(ask("document.body.innerText").find("The chapter"), std::string::npos);
  EXPECT_EQ(view().pageCount(), 1);
  EXPECT_EQ(label(), "1 / 1 - Chapter.");
}

TEST_F(EPUBReaderTest, ABooksScriptOpensNothingOnTheDesktop) {
  std::vector<std::string> opened;
  ui::Application::sharedInstance().setOpenURLHandler([&](const std::string& url) {
    opened.push_back(url);
    return true;
  });
  test::BookSpec spec;
  spec.units = {{"links.xhtml", "Links",
                 "<p><a id='web' href='https://example.invalid/x'>web</a></p>"
                 "<p><a id='mail' href='mailto:sales@example.invalid'>mail</a></p>"
                 "<p id='text' onclick=\"for(var i=1;i&lt;=20;i++){var a=document.createElement('a');"
                 "a.href='https://example.invalid/storm'+i;document.body.appendChild(a);a.click();}"
                 "for(var j=1;j&lt;=5;j++)setTimeout(function(n){location.href='https://example.invalid/late'+n;},"
                 "j*60,j);\">Some text of the book.</p>"
                 "<script>//<![CDATA[\ndocument.getElementById('web').click();document.getElementById('mail').click();"
                 "setTimeout(function(){document.getElementById('web').click();"
                 "document.body.setAttribute('data-clicked','yes');},100);\n//]]></script>"}};
  open(book("clicking.epub", spec));
  ASSERT_TRUE(runUntil([&] { return ask("document.body.getAttribute('data-clicked')") == "yes"; }, 20));
  settle();
  EXPECT_TRUE(opened.empty()) << opened.size() << " opened, the first " << opened.front();
  // The user's own tap opens the link.
  tapElement("#web");
  EXPECT_EQ(opened, std::vector<std::string>{"https://example.invalid/x"});
  // One tap on the text, whose script then follows twenty links of its
  // own at once and five more a moment apart: one opens at most, and the
  // window answers all along.
  opened.clear();
  tapElement("#text");
  const auto tapped = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - tapped < std::chrono::seconds(3)) settle();
  EXPECT_LE(opened.size(), 1u) << opened.size() << " opened";
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
}

TEST_F(EPUBReaderTest, FormulasPicturesAndTablesAreDrawnAsTheBookMeansThem) {
  test::BookSpec spec;
  spec.units = {{"formula.xhtml", "Formula",
                 "<h1>Net price</h1><p>The price after the discount:</p>"
                 "<math xmlns='http://www.w3.org/1998/Math/MathML' display='block'><mi>p</mi><mo>=</mo>"
                 "<mfrac id='fraction'><mrow><mi>l</mi><mo>&#x00D7;</mo><mo>(</mo><mn>100</mn><mo>&#x2212;</mo>"
                 "<mi>d</mi><mo>)</mo></mrow><mn>100</mn></mfrac><mo>+</mo><msqrt><msup><mi>t</mi><mn>2</mn>"
                 "</msup></msqrt></math>"
                 "<table border='1'><tr><th id='head1'>Article</th><th id='head2'>Price</th></tr>"
                 "<tr><td id='cell1'>Desk lamp</td><td id='cell2'>12.50</td></tr></table>"}};
  spec.extraEntries = {{"OEBPS/range.svg",
                        "<?xml version='1.0'?><svg xmlns='http://www.w3.org/2000/svg' width='600' height='400'>"
                        "<rect x='50' y='50' width='300' height='200' fill='#ff0000'/>"
                        "<circle cx='450' cy='250' r='80' fill='#0000ff'/></svg>"}};
  spec.extraItems = {{"svg", "range.svg"}};
  spec.extraItemrefs = {"svg"};
  open(book("formulas.epub", spec));
  ASSERT_FALSE(ui::AlertView::visibleAlert());
  // The fraction stands: its numerator over its denominator, not in a row.
  EXPECT_EQ(ask("(function(){var f=document.getElementById('fraction');var n=f.children[0].getBoundingClientRect();"
                "var d=f.children[1].getBoundingClientRect();return n.bottom<=d.top+1&&n.height>0?'stacked':'flat';})()"),
            "stacked");
  // The table's cells stand side by side, its rows one under the other.
  EXPECT_GE(askNumber("document.getElementById('cell2').getBoundingClientRect().left"),
            askNumber("document.getElementById('cell1').getBoundingClientRect().right"));
  EXPECT_GE(askNumber("document.getElementById('cell1').getBoundingClientRect().top"),
            askNumber("document.getElementById('head1').getBoundingClientRect().bottom"));
  auto formulaPage = driver->render(view());
  ASSERT_TRUE(formulaPage);
  mv::test::keepSnapshot([&] {
    fs::path out = root / "book-formula.png";
    formulaPage->writePNG(out);
    return out;
  }());

  // The drawing as its own unit, drawn.
  view().lSwipe();
  settle();
  ASSERT_EQ(reader->currentSpineIndex(), 1u);
  EXPECT_EQ(ask("document.documentElement.localName"), "svg");
  auto svgPage = driver->render(view());
  ASSERT_TRUE(svgPage);
  int red = 0, blue = 0;
  for (int y = 0; y < static_cast<int>(svgPage->size().height); y += 4) {
    for (int x = 0; x < static_cast<int>(svgPage->size().width); x += 4) {
      const auto c = svgPage->pixelAt(x, y);
      if (c.r() > 0.9 && c.g() < 0.1 && c.b() < 0.1) ++red;
      if (c.b() > 0.9 && c.r() < 0.1 && c.g() < 0.1) ++blue;
    }
  }
  EXPECT_GT(red, 1000);
  EXPECT_GT(blue, 500);
  mv::test::keepSnapshot([&] {
    fs::path out = root / "book-svg.png";
    svgPage->writePNG(out);
    return out;
  }());
}

TEST_F(EPUBReaderTest, AUnitThatIsNotWellFormedShowsAllItsText) {
  std::string body = "<h1>Prices &amp; terms</h1>";
  for (int p = 1; p <= 40; ++p) {
    body += "<p>Paragraph " + std::to_string(p) + (p == 5 ? " of terms & conditions" : "") + ": " +
            std::string(40, 'x') + " delta delta delta delta delta delta delta.</p>";
    if (p == 20)
      body += "<math xmlns='http://www.w3.org/1998/Math/MathML'><mfrac id='fraction'><mn>1</mn><mn>2</mn></mfrac></math>"
              "<svg xmlns='http://www.w3.org/2000/svg' width='60' height='30'><rect id='bar' width='60' height='30' "
              "fill='#00ff00'/></svg>";
  }
  body += "<p id='last' style='color:#0000ff'>The last paragraph, in blue.</p>";
  test::BookSpec spec;
  // Latin-1, as its declaration says: the reader shows "é" all the same.
  spec.units = {{"terms.xhtml", "Terms", body}};
  spec.units[0].encoding = "ISO-8859-1";
  spec.units[0].body += "<p id='accent'>Caf\xE9</p>";
  open(book("terms.epub", spec));
  ASSERT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(askNumber("document.getElementsByTagName('parsererror').length"), 0);
  EXPECT_EQ(askNumber("document.getElementsByTagName('p').length"), 42);
  EXPECT_EQ(ask("document.getElementById('accent').textContent"), "Caf\xC3\xA9");
  // Inline formulas and drawings keep their meaning.
  EXPECT_EQ(ask("document.getElementById('fraction').namespaceURI"), "http://www.w3.org/1998/Math/MathML");
  EXPECT_EQ(ask("document.getElementById('bar').namespaceURI"), "http://www.w3.org/2000/svg");
  // The last paragraph is on a page the reader turns to, drawn there.
  auto page = pageOf("last");
  ASSERT_TRUE(page);
  while (view().currentPageIndex() < *page) forward();
  const std::string rect = "document.getElementById('last').getBoundingClientRect()";
  const ui::Rect shown{askNumber(rect + ".left"), askNumber(rect + ".top"), askNumber(rect + ".width"),
                       askNumber(rect + ".height")};
  ASSERT_GT(shown.width(), 0);
  ASSERT_GE(shown.minX(), 0);
  ASSERT_LE(shown.maxX(), view().webView().bounds().width());
  auto image = driver->render(view().webView());
  ASSERT_TRUE(image);
  int blue = 0;
  for (int y = static_cast<int>(shown.minY()); y < static_cast<int>(shown.maxY()); ++y)
    for (int x = static_cast<int>(shown.minX()); x < static_cast<int>(shown.maxX()); ++x)
      if (image->pixelAt(x, y).b() > 0.8 && image->pixelAt(x, y).r() < 0.4) ++blue;
  EXPECT_GT(blue, 50);
}

TEST_F(EPUBReaderTest, AUnitOfSevenMegabytesShowsAllItsText) {
  test::BookSpec spec;
  std::string body = test::filler(24000, "word");
  body += "<p id='last'>THE END</p>";
  ASSERT_GT(body.size(), 7u << 20);
  spec.units = {{"long.xhtml", "Long", body}};
  open(book("long.epub", spec));
  // Laying out 7 MB of text takes the engine long on a busy machine.
  runUntil([&] { return view().pageCount() > 100 && !reader->bookView()->isLoading(); }, 180);
  ASSERT_FALSE(ui::AlertView::visibleAlert());
  // Paged, the unit may still be drawing on a busy machine: its page answers
  // once it is done.
  EXPECT_GT(askNumber("document.body.textContent.length", 120), 7e6);
  ASSERT_GT(view().pageCount(), 100);
  // The last words are on the last page, and the reader gets there.
  EXPECT_EQ(pageOf("last"), view().pageCount() - 1);
  view().gotoPage(view().pageCount() - 1);
  EXPECT_EQ(askNumber("window.scrollX"), (view().pageCount() - 1) * view().webView().bounds().width());
  const double left = askNumber("document.getElementById('last').getBoundingClientRect().left");
  EXPECT_GE(left, 0);
  EXPECT_LT(left, view().webView().bounds().width());
}

TEST_F(EPUBReaderTest, AUnitWhoseScriptRunsOnIsShownAsItStandsAndTheWindowGoesOn) {
  // The unit's own script goes round and round once the unit has loaded,
  // from a timer or from the first look at its size, whichever comes first:
  // its page never answers how it is laid out.
  test::BookSpec spec;
  spec.units = {{"busy.xhtml", "Busy",
                 "<p>A chapter.</p><script>//<![CDATA[\nwindow.addEventListener('load',function(){"
                 "var spin=function(){for(;;){}},d=document.documentElement;"
                 "Object.defineProperty(d,'scrollWidth',{get:spin});Object.defineProperty(d,'scrollHeight',{get:spin});"
                 "setTimeout(spin,0);});\n//]]></script>"},
                {"two.xhtml", "Two", "<h1>Two</h1>" + test::filler(2, "beta")}};
  const fs::path path = book("busy.epub", spec);
  auto start = [&] {
    ASSERT_TRUE(LibraryViewers::open(LibraryFileOpener::decide("EPUB", path, 1), "Busy", nav.get()));
    reader = std::dynamic_pointer_cast<EPUBViewController>(nav->topViewController()->shared_from_this());
    ASSERT_TRUE(reader);
    driver->flush();
    // The unit is in the page; its page is asked how it lays out.
    ASSERT_TRUE(runUntil([&] { return !reader->isOpening() && view().webView().url().find("busy") != std::string::npos &&
                                      !view().webView().isLoading(); }, 30));
  };

  // Back, while the page has not answered: the tap is taken on this turn,
  // no wait box stands in its way, and the reader is gone.
  start();
  ASSERT_TRUE(view().isLoading()) << "the unit was laid out: its script did not hold it";
  // Its script mostly keeps the engine from drawing it (on a busy machine
  // the engine may draw it first): an undrawn unit is not laid out yet.
  if (!view().webView().pageDrawn()) {
    EXPECT_FALSE(view().layoutAsked()) << "laid out before its page was drawn";
  }
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  ASSERT_TRUE(driver->tap(*reader->backButton()));
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_EQ(view().pageCount(), 0) << "no page count made up after the reader was left";

  // Left alone, the unit is shown as it stands once its time is up, and
  // says so; the next unit and Back are answered at once.
  start();
  advance(EPUBView::kFirstDrawWait);
  EXPECT_TRUE(view().layoutAsked()) << "the undrawn page was not laid out all the same";
  // (Whole seconds on: the rest of its time added to the wait need not add
  // up to it exactly.)
  expectShownAsItStandsAfter(EPUBView::kLayoutBound, "Busy");
  view().lSwipe();
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 1u);
  EXPECT_EQ(label(), "1 / 1 - Two.");
  EXPECT_NE(ask("document.body.innerText").find("beta"), std::string::npos);

  // Another unit asked for before the busy page's time is up (the book's
  // last, by End) waits behind its script no longer than that.
  view().rSwipe();
  ASSERT_TRUE(runUntil([&] { return !view().webView().isLoading(); }, 30));
  ASSERT_EQ(reader->currentSpineIndex(), 0u);
  ASSERT_TRUE(view().isLoading());
  EXPECT_TRUE(driver->window().pressPageKey(ui::KeyPress{ui::KeyPress::Key::End}));
  advance(svc::WebView::kScriptTimeout);
  settle();
  EXPECT_EQ(reader->currentSpineIndex(), 1u);
  EXPECT_EQ(label(), "1 / 1 - Two.");
  ASSERT_TRUE(driver->tap(*reader->backButton()));
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

// A unit whose own script goes round and round before its load ends: inline,
// as the unit is parsed, or in its load handler. Back leaves at once and the
// page's process ends with the reader; left alone, the unit is shown as it
// stands once its time is up, and the next unit and Back are answered.
TEST_F(EPUBReaderTest, AUnitWhoseScriptHoldsItsLoadLetsBackLeaveAndIsShownAsItStands) {
  const std::string twoUnit = "<h1>Two</h1>" + test::filler(2, "beta");
  struct Holding {
    const char* name;
    std::string body;
  };
  for (const Holding& holding :
       {Holding{"inline", "<p>A chapter.</p><script>//<![CDATA[\nfor(;;){}\n//]]></script><p>More.</p>"},
        Holding{"handler", "<p>A chapter.</p><script>//<![CDATA[\nwindow.addEventListener('load',function(){"
                           "for(;;){}});\n//]]></script>"}}) {
    SCOPED_TRACE(holding.name);
    test::BookSpec spec;
    spec.units = {{std::string(holding.name) + ".xhtml", "Held", holding.body}, {"two.xhtml", "Two", twoUnit}};
    const fs::path path = book(std::string(holding.name) + ".epub", spec);
    // Opened as the library does; the unit's script then holds its page's
    // process, which keeps a processor busy.
    test::EnginePageProcesses processes;
    long held = 0;
    auto start = [&] {
      ASSERT_TRUE(LibraryViewers::open(LibraryFileOpener::decide("EPUB", path, 1), "Held", nav.get()));
      reader = std::dynamic_pointer_cast<EPUBViewController>(nav->topViewController()->shared_from_this());
      ASSERT_TRUE(reader);
      driver->flush();
      ASSERT_TRUE(runUntil([&] { return (held = processes.busyFor(1)) != 0; }, 60));
      ASSERT_TRUE(view().isLoading());
      ASSERT_TRUE(view().webView().isLoading()) << "the unit's load ended";
    };

    // Back, while the load goes on: nothing stands in its way, the reader
    // is gone, and so is what its page ran.
    start();
    EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
    ASSERT_TRUE(driver->tap(*reader->backButton()));
    driver->flush();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    const std::weak_ptr<EPUBViewController> left = reader;
    reader.reset();
    EXPECT_TRUE(left.expired());
    EXPECT_TRUE(runUntil([&] { return test::EnginePageProcesses::ended(held); }, 10))
        << "the closed page's process runs on";

    // Left alone, the unit is shown as it stands once its time is up, and
    // says so; the next unit comes once the held page has had its time to
    // answer, and that page is ended.
    start();
    expectShownAsItStandsAfter(EPUBView::kLoadBound, "Held");
    view().lSwipe();
    advance(svc::WebView::kScriptTimeout);
    settle();
    EXPECT_EQ(reader->currentSpineIndex(), 1u);
    EXPECT_EQ(label(), "1 / 1 - Two.");
    EXPECT_TRUE(runUntil([&] { return test::EnginePageProcesses::ended(held); }, 10));
    ASSERT_TRUE(driver->tap(*reader->backButton()));
    driver->flush();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
  }
}

TEST_F(EPUBReaderTest, ABookThatCannotBeReadSendsTheUserBack) {
  const fs::path broken = books / "broken.epub";
  {
    std::ofstream out(broken);
    out << "PK\x03\x04 cut short";
  }
  // A book whose unit's bytes were altered after it was packed.
  test::BookSpec spec = threeUnits();
  spec.units[0].compress = false;
  const fs::path altered = book("altered.epub", spec);
  std::string bytes = [&] {
    std::ifstream in(altered, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  const auto word = bytes.find("alpha");
  ASSERT_NE(word, std::string::npos);
  bytes[word] = 'A';
  std::ofstream(altered, std::ios::binary | std::ios::trunc) << bytes;
  for (const fs::path& path : {broken, altered}) {
    open(path);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert) << path;
    EXPECT_EQ(alert->title(), Language::stringWithName("FILEOPENFAILED"));
    EXPECT_EQ(alert->message(), Language::stringWithName("THEFILEISCORRUPTED"));
    EXPECT_EQ(reader->bookView()->pageCount(), 0);
    driver->pressAlertButton(0);
    driver->flush();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
  }
}

TEST_F(EPUBReaderTest, ABookWithAClipOfSeventyMegabytesOpens) {
  // A clip packs no smaller than it is.
  std::string clip(70u << 20, '\0');
  std::uint64_t x = 88172645463325252ull;
  for (std::size_t i = 0; i + 8 <= clip.size(); i += 8) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::memcpy(&clip[i], &x, 8);
  }
  test::BookSpec spec = threeUnits();
  spec.units[0].body = "<h1>One</h1><video src='clip.mp4'/>" + test::filler(4, "alpha");
  spec.extraEntries = {{"OEBPS/clip.mp4", clip}};
  spec.extraEntriesStored = true;
  const fs::path path = book("clip.epub", spec);
  ASSERT_GT(fs::file_size(path), 70u << 20);
  open(path);
  ASSERT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(label(), "1 / " + std::to_string(view().pageCount()) + " - One.");
  EXPECT_EQ(fs::file_size(books / "clip" / "OEBPS" / "clip.mp4"), clip.size());
  auto image = driver->render(view());
  ASSERT_TRUE(image);
  bool ink = false;
  for (int y = 100; y < 400 && !ink; y += 3)
    for (int x = 50; x < 480 && !ink; ++x) ink = image->pixelAt(x, y).r() < 0.5;
  EXPECT_TRUE(ink);
}

TEST_F(EPUBReaderTest, BackLeavesABookStillUnpacking) {
  std::string clip(70u << 20, '\x5a');
  test::BookSpec spec = threeUnits();
  spec.extraEntries = {{"OEBPS/clip.mp4", clip}};
  spec.extraEntriesStored = true;
  const fs::path path = book("slow.epub", spec);
  auto decision = LibraryFileOpener::decide("EPUB", path, 1);
  ASSERT_TRUE(LibraryViewers::open(decision, "Slow", nav.get()));
  reader = std::dynamic_pointer_cast<EPUBViewController>(nav->topViewController()->shared_from_this());
  ASSERT_TRUE(reader);
  ui::View::layoutPendingViews();
  // While the book unpacks, a dial turns at the centre of the page, which
  // waits; the bar above it does not.
  ASSERT_TRUE(reader->isOpening());
  auto dials = driver->findAllOf<ui::ActivityIndicatorView>(reader->view().get());
  ASSERT_EQ(dials.size(), 1u);
  const ui::Rect dial = dials.front()->convertRectToView(dials.front()->bounds(), nullptr);
  const ui::Rect page = reader->view()->convertRectToView(reader->view()->bounds(), nullptr);
  EXPECT_NEAR(dial.midX(), page.midX(), 1);
  EXPECT_NEAR(dial.midY(), page.midY(), 1);
  EXPECT_FALSE(reader->view()->isUserInteractionEnabled());
  EXPECT_TRUE(driver->window().isUserInteractionEnabled());
  // Back leaves at once; the unpacking goes no further and nothing waits.
  ASSERT_TRUE(driver->tapControl(text("BACK")));
  EXPECT_FALSE(reader->isOpening());
  base::WorkQueue::global().waitIdle();
  driver->flush();
  runUntil([&] { return nav->topViewController() != reader.get(); }, 5);
  EXPECT_NE(nav->topViewController(), reader.get());
  EXPECT_TRUE(driver->findAllOf<ui::ActivityIndicatorView>(reader->view().get()).empty());
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
}

TEST_F(EPUBReaderTest, ABookWhoseUnitsAreAllMissingFailsWithoutAPageCount) {
  test::BookSpec hollow;
  hollow.extraItems = {{"ghost1", "ghost.xhtml"}, {"ghost2", "gone.xhtml"}};
  hollow.extraItemrefs = {"ghost1", "ghost2"};
  open(book("hollow.epub", hollow));
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), Language::stringWithName("FILEOPENFAILED"));
  EXPECT_EQ(label().find("/ 0"), std::string::npos) << label();
  EXPECT_EQ(view().pageCount(), 0);
  driver->pressAlertButton(0);
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(EPUBReaderTest, ATooLargeBookSaysSoAndUnpacksNothing) {
  // One entry far beyond its packed size; and 120 entries of 16 MiB of zeros,
  // each small enough to pass on its own, 2 GB from a 2 MB book.
  test::BookSpec spec = threeUnits();
  spec.extraEntries = {{"OEBPS/padding.bin", std::string(100u << 20, '\0')}};
  const fs::path one = book("bomb.epub", spec);
  const fs::path many = book("zeros.epub", threeUnits());
  ASSERT_TRUE(test::appendZeroEntries(many, "OEBPS/zeros", 120, 16u << 20));
  for (const fs::path& path : {one, many}) {
    open(path);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert) << path;
    EXPECT_EQ(alert->message(), Language::stringWithName("BOOKTOOLARGE"));
    EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
    driver->pressAlertButton(0);
    driver->flush();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
  }
  // Nothing was unpacked beside the books.
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(books)) left.insert(entry.path().filename().string());
  EXPECT_EQ(left, (std::set<std::string>{"bomb.epub", "zeros.epub"}));
}

TEST_F(EPUBReaderTest, BooksThatWouldFillTheDiskAreRefusedAtItsMargin) {
  // A disk of 4 GB whose free room is what the books' folder has not taken
  // of its last few megabytes above the margin kept free.
  const std::uint64_t capacity = std::uint64_t{4} << 30;
  const auto used = [this] {
    std::uint64_t bytes = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(books, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (it->is_regular_file(ec)) bytes += it->file_size(ec);
    }
    return bytes;
  };
  // Each book unpacks to a little more than a megabyte.
  test::BookSpec spec = threeUnits();
  spec.extraEntries = {{"OEBPS/padding.bin", std::string(1u << 20, '\0')}};
  const std::vector<fs::path> series = {book("first.epub", spec), book("second.epub", spec), book("third.epub", spec)};
  const std::uint64_t free = DiskRoom::kMarginBytes + (5u << 19) + used();
  DiskRoom::setReading([&](const fs::path&) -> std::optional<DiskRoom::Space> {
    return DiskRoom::Space{capacity, free - used()};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  for (const fs::path& path : {series[0], series[1]}) {
    open(path);
    EXPECT_FALSE(ui::AlertView::visibleAlert()) << path;
    EXPECT_GT(view().pageCount(), 0) << path;
    ASSERT_TRUE(driver->tapControl(text("BACK")));
    driver->flush();
  }
  open(series[2]);
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->message(), Language::stringWithName("BOOKNOROOM"));
  driver->pressAlertButton(0);
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  EXPECT_FALSE(fs::exists(books / "third")) << "nothing of it was unpacked";
  EXPECT_GT(free - used(), DiskRoom::kMarginBytes) << "the margin is still free";
}

TEST_F(EPUBReaderTest, ABookWhosePagePassesTheMemoryCeilingSaysSo) {
  // The ceiling is set before the engine starts, once a process: an earlier
  // test of this program may have started it.
  mv::test::runInFreshProgram([this] {
    // A low ceiling for the test: the book's script asks for far more, as
    // fast as it can, leaving its page's thread no time of its own.
    ASSERT_TRUE(svc::WebEngine::setMemoryCeiling(320)) << "the engine started before the test set its ceiling";
    test::BookSpec spec;
    spec.units = {{"hungry.xhtml", "Hungry",
                   "<p>A chapter.</p><script>//<![CDATA[\nvar kept=[];setTimeout(function(){"
                   "for(var n=0;n<1024;n++){var a=new Uint8Array(4<<20);a.fill(n);kept.push(a);}"
                   "document.title='Grown';},200);\n//]]></script>"}};
    open(book("hungry.epub", spec));
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(runUntil([&] { return ui::AlertView::visibleAlert() != nullptr; }, 60));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
    EXPECT_EQ(ui::AlertView::visibleAlert()->message(), Language::stringWithName("BOOKTOOLARGE"));
    driver->pressAlertButton(0);
    driver->flush();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
  });
}

TEST_F(EPUBReaderTest, SharingHandsTheBookFileOn) {
  const fs::path path = book("handbook.epub", threeUnits());
  open(path);
  // Nobody takes files: the failure alert, which also leaves the reader.
  ASSERT_TRUE(driver->tapControl(text("SHARE")));
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
  svc::DocumentInteractionController::setOpener([&](const fs::path& file, const std::string&, svc::DocumentInteractionController::Refused) {
    handed.push_back(file);
    return std::optional<std::string>("Books");
  });
  open(path);
  // A tap beside the sheet closes it without sharing.
  ASSERT_TRUE(driver->tapControl(text("SHARE")));
  driver->flush();
  ASSERT_TRUE(reader->actionSheet());
  driver->tapAt({500, 400});
  driver->flush();
  EXPECT_FALSE(reader->actionSheet() && reader->actionSheet()->isVisible());
  EXPECT_TRUE(handed.empty());
  ASSERT_TRUE(driver->tapControl(text("SHARE")));
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
    // Something shows, and every style sheet the unit links was read.
    EXPECT_TRUE(askNumber("document.body.innerText.length + document.images.length + "
                          "document.getElementsByTagName('svg').length") > 0)
        << name;
    EXPECT_EQ(ask("Array.from(document.querySelectorAll('link[rel~=stylesheet]')).every(l => l.sheet) ? 'yes' : 'no'"),
              "yes")
        << name;
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

TEST_F(EPUBReaderTest, RightToLeftAndVerticalUnitsAreReadPageByPage) {
  std::string arabic, japanese;
  for (int p = 1; p <= 30; ++p) {
    arabic += "<p>" + std::to_string(p) + " ";
    japanese += "<p>" + std::to_string(p) + " ";
    // Words that differ from paragraph to paragraph, so that no two pages look alike.
    const std::vector<std::string> words = {"\u0643\u0644\u0645\u0629", "\u0637\u064A\u0628\u0629",
                                            "\u0643\u062A\u0627\u0628", "\u0633\u0639\u0631",
                                            "\u0645\u0635\u0628\u0627\u062D", "\u0643\u0631\u0633\u064A"};
    const std::vector<std::string> kana = {"\u543E\u8F29", "\u306F\u732B", "\u3067\u3042\u308B\u3002",
                                           "\u540D\u524D", "\u306F\u307E\u3060", "\u7121\u3044\u3002"};
    for (int w = 0; w < 80; ++w) {
      arabic += words[static_cast<std::size_t>((w * w + p * 5) % 6)] + " ";
      japanese += kana[static_cast<std::size_t>((w * w + p * 5) % 6)];
    }
    arabic += "</p>";
    japanese += "</p>";
  }
  test::BookSpec spec;
  spec.spineAttributes = " page-progression-direction=\"rtl\"";
  spec.units = {{"arabic.xhtml", "Arabic", arabic + "<p id='last'>\u0627\u0644\u0646\u0647\u0627\u064A\u0629</p>"},
                {"vertical.xhtml", "Vertical", japanese + "<p id='last'>\u7D42\u308F\u308A</p>"},
                {"after.xhtml", "After", "<p>after</p>"}};
  spec.units[0].rootAttributes = " dir=\"rtl\" xml:lang=\"ar\"";
  // The writing mode on the body, as many books set it.
  spec.units[1].head = "<style>body { writing-mode: vertical-rl; -epub-writing-mode: vertical-rl; }</style>";
  open(book("rtl.epub", spec));
  // A book paged from the right: a swipe to the right turns forward.
  auto swipeForward = [&] {
    driver->swipe({100, 300}, {900, 300}, 0.1);
    settle();
  };
  auto swipeBack = [&] {
    driver->swipe({900, 300}, {100, 300}, 0.1);
    settle();
  };
  const ui::Rect page = view().webView().bounds();
  for (const char* title : {"Arabic", "Vertical"}) {
    SCOPED_TRACE(title);
    const int pages = view().pageCount();
    ASSERT_GT(pages, 2);
    std::vector<std::shared_ptr<gfx::Image>> seen{picture()};
    mv::test::keepSnapshot([&] {
      fs::path out = root / (std::string(title) + "-text.png");
      driver->render()->writePNG(out);
      return out;
    }());
    for (int k = 1; k < pages; ++k) {
      swipeForward();
      ASSERT_EQ(view().currentPageIndex(), k);
      EXPECT_EQ(label(), std::to_string(k + 1) + " / " + std::to_string(pages) + " - " + title + ".");
      seen.push_back(picture());
      ASSERT_TRUE(seen.back());
      // New text on every page.
      EXPECT_GT(inkIn(*seen.back(), page), 200) << k;
      EXPECT_GT(differingPixels(*seen[k - 1], *seen.back()), 1000) << k;
    }
    // The unit's last words are on its last page, in sight.
    EXPECT_EQ(pageOf("last"), pages - 1);
    const ui::Rect last = shownRect("last");
    EXPECT_GE(last.minX(), 0);
    EXPECT_LE(last.maxX(), page.width());
    EXPECT_GE(last.minY(), 0);
    EXPECT_LE(last.maxY(), page.height());
    EXPECT_GT(inkIn(*picture(), last), 5);
    // And back, page by page, to the very first picture.
    for (int k = pages - 2; k >= 0; --k) {
      swipeBack();
      ASSERT_EQ(view().currentPageIndex(), k);
      EXPECT_LT(differingPixels(*seen[static_cast<std::size_t>(k)], *picture()), 50) << k;
    }
    for (int k = 1; k < pages; ++k) swipeForward();
    swipeForward();
  }
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
}

TEST_F(EPUBReaderTest, FixedLayoutPagesAreEachOneWholePageScaledToTheScreen) {
  // Four corners of their own colour on every page.
  auto corners = [](int w, int h) {
    auto square = [](const char* where, const char* colour) {
      return std::string("<div style='position:absolute;") + where + ";width:100px;height:100px;background:" + colour +
             "'></div>";
    };
    return "<div style='position:relative;width:" + std::to_string(w) + "px;height:" + std::to_string(h) + "px'>" +
           square("left:0;top:0", "#ff0000") + square("right:0;top:0", "#00ff00") +
           square("left:0;bottom:0", "#0000ff") + square("right:0;bottom:0", "#000000") + "</div>";
  };
  auto viewport = [](int w, int h) {
    return "<meta name='viewport' content='width=" + std::to_string(w) + ", height=" + std::to_string(h) +
           "'/><style>body { margin: 0; }</style>";
  };
  test::BookSpec spec;
  spec.metadata = "<meta property=\"rendition:layout\">pre-paginated</meta>";
  spec.units = {{"wide.xhtml", "Wide", corners(1928, 1388)}, {"tall.xhtml", "Tall", corners(600, 800)},
                {"text.xhtml", "Text", test::filler(20, "flow")},
                {"colour.xhtml", "Colour", "<h1 style='margin:0;padding:40px'>Our range</h1>"},
                {"both.xhtml", "Both", "<p>Our prices</p>"}};
  spec.units[0].head = viewport(1928, 1388);
  spec.units[1].head = viewport(600, 800);
  spec.units[2].properties = "rendition:layout-reflowable";
  // A page whose body has a colour, and margins its text keeps.
  spec.units[3].head = "<meta name='viewport' content='width=600, height=800'/><style>body{margin:30px 0 0 50px;"
                       "background:#2a5285;color:#fff}</style>";
  // A page whose root and body have colours of their own.
  spec.units[4].head = "<meta name='viewport' content='width=600, height=800'/><style>html{background:#2a5285}"
                       "body{margin:100px 0 0 150px;background:#ffcc00;color:#000}</style>";
  open(book("fixed.epub", spec));
  const ui::Rect page = view().webView().bounds();
  auto colourAt = [](const gfx::Image& image, double x, double y) {
    const auto c = image.pixelAt(static_cast<int>(x), static_cast<int>(y));
    return std::string(1, c.r() > 0.8 ? 'r' : '-') + (c.g() > 0.8 ? 'g' : '-') + (c.b() > 0.8 ? 'b' : '-');
  };
  // The page and its corners, wherever the page lands once fitted.
  auto expectFitted = [&](double w, double h) {
    const double scale = std::min(page.width() / w, page.height() / h);
    const double left = (page.width() - w * scale) / 2, top = (page.height() - h * scale) / 2;
    const double right = left + w * scale, bottom = top + h * scale, in = 100 * scale / 2;
    auto image = picture();
    ASSERT_TRUE(image);
    EXPECT_EQ(colourAt(*image, left + in, top + in), "r--");
    EXPECT_EQ(colourAt(*image, right - in, top + in), "-g-");
    EXPECT_EQ(colourAt(*image, left + in, bottom - in), "--b");
    EXPECT_EQ(colourAt(*image, right - in, bottom - in), "---");
    EXPECT_EQ(colourAt(*image, (left + right) / 2, (top + bottom) / 2), "rgb");
  };
  EXPECT_EQ(view().pageCount(), 1);
  EXPECT_EQ(label(), "1 / 1 - Wide.");
  expectFitted(1928, 1388);
  mv::test::keepSnapshot([&] {
    fs::path out = root / "fixed-layout.png";
    driver->render()->writePNG(out);
    return out;
  }());
  // The next page follows at once: no empty page between pages.
  view().lSwipe();
  settle();
  ASSERT_EQ(reader->currentSpineIndex(), 1u);
  EXPECT_EQ(view().pageCount(), 1);
  expectFitted(600, 800);
  // A unit that says it flows is paged as text.
  view().lSwipe();
  settle();
  ASSERT_EQ(reader->currentSpineIndex(), 2u);
  EXPECT_GT(view().pageCount(), 1);
  EXPECT_EQ(ask("getComputedStyle(document.documentElement).columnGap"), "20px");

  // The body's colour fills the page and stops at its edges; around it,
  // in the web view and beside it, is one colour; the label stands below.
  reader->gotoPage(0, 3);
  settle();
  ASSERT_EQ(reader->currentSpineIndex(), 3u);
  driver->flush();
  auto screen = driver->render();
  ASSERT_TRUE(screen);
  const ui::Rect web = view().webView().convertRectToView(view().webView().bounds(), nullptr);
  const ui::Rect book = view().convertRectToView(view().bounds(), nullptr);
  const double scale = std::min(page.width() / 600, page.height() / 800);
  const ui::Rect fitted{web.x() + (page.width() - 600 * scale) / 2, web.y() + (page.height() - 800 * scale) / 2,
                        600 * scale, 800 * scale};
  auto at = [&](double x, double y) { return screen->pixelAt(static_cast<int>(x), static_cast<int>(y)); };
  auto isPage = [](gfx::Color c) { return c.b() > 0.4 && c.r() < 0.3 && c.g() < 0.45; };
  for (double fx : {0.02, 0.5, 0.98})
    for (double fy : {0.02, 0.6, 0.98})
      EXPECT_TRUE(isPage(at(fitted.x() + fx * fitted.width(), fitted.y() + fy * fitted.height()))) << fx << "," << fy;
  // The heading keeps its place on the page, inside the body's margins.
  EXPECT_NEAR(askNumber("document.querySelector('h1').getBoundingClientRect().left"), fitted.x() - web.x() + 50 * scale, 1);
  EXPECT_NEAR(askNumber("document.querySelector('h1').getBoundingClientRect().top"), fitted.y() - web.y() + 30 * scale, 1);
  const gfx::Color around = at(book.minX() + 2, book.minY() + 2);
  const ui::Rect label = view().pageLabel().convertRectToView(view().pageLabel().bounds(), nullptr);
  int strays = 0;
  for (double y = book.minY() + 1; y < book.maxY() - 1; y += 7)
    for (double x = book.minX() + 1; x < book.maxX() - 1; x += 7) {
      if (fitted.inset(-2, -2).contains({x, y})) continue;
      const gfx::Color c = at(x, y);
      // The label's letters are the only other thing drawn.
      if (label.contains({x, y})) continue;
      if (std::abs(c.r() - around.r()) + std::abs(c.g() - around.g()) + std::abs(c.b() - around.b()) > 0.05) ++strays;
    }
  EXPECT_EQ(strays, 0) << "the space around the page is one colour";
  EXPECT_FALSE(label.intersects(fitted)) << "the page label stands clear of the page";
  EXPECT_GE(label.minY(), web.maxY() - 0.5);

  // The root's colour fills the page; the body keeps its own within its margins.
  reader->gotoPage(0, 4);
  settle();
  ASSERT_EQ(reader->currentSpineIndex(), 4u);
  driver->flush();
  screen = driver->render();
  ASSERT_TRUE(screen);
  auto isBody = [](gfx::Color c) { return c.r() > 0.9 && c.g() > 0.7 && c.b() < 0.3; };
  for (double fx : {0.02, 0.2, 0.98})
    EXPECT_TRUE(isPage(at(fitted.x() + fx * fitted.width(), fitted.y() + 0.05 * fitted.height()))) << fx;
  EXPECT_TRUE(isPage(at(fitted.x() + 0.1 * fitted.width(), fitted.y() + 0.6 * fitted.height())));
  for (double fx : {0.3, 0.6, 0.98})
    for (double fy : {0.2, 0.6, 0.98})
      EXPECT_TRUE(isBody(at(fitted.x() + fx * fitted.width(), fitted.y() + fy * fitted.height()))) << fx << "," << fy;
  EXPECT_NE(ask("document.body.innerText").find("Our prices"), std::string::npos);
}

// A system font, obfuscated as a book's font would be: the first bytes XORed
// with the key, repeated.
std::string obfuscated(std::string font, const std::string& key, std::size_t count) {
  for (std::size_t i = 0; i < std::min(count, font.size()); ++i) font[i] = static_cast<char>(font[i] ^ key[i % key.size()]);
  return font;
}

TEST_F(EPUBReaderTest, LettersOfEveryScriptAndTheBooksOwnFontsAreDrawn) {
  const fs::path mono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
  ASSERT_TRUE(fs::exists(mono));
  const std::string font = [&] {
    std::ifstream in(mono, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }();
  test::BookSpec spec;
  spec.identifier = " urn:uuid:0d5f3c8e-6a0b-4b0e-9c4e-2a1f5e7d9b31\n ";
  const std::string olderKey = "\x0d\x5f\x3c\x8e\x6a\x0b\x4b\x0e\x9c\x4e\x2a\x1f\x5e\x7d\x9b\x31";
  spec.extraEntries = {
      {"OEBPS/fonts/a.ttf", obfuscated(font, sha1Digest("urn:uuid:0d5f3c8e-6a0b-4b0e-9c4e-2a1f5e7d9b31"), 1040)},
      {"OEBPS/fonts/b.ttf", obfuscated(font, olderKey, 1024)},
      {"META-INF/encryption.xml",
       "<encryption xmlns='urn:oasis:names:tc:opendocument:xmlns:container' "
       "xmlns:enc='http://www.w3.org/2001/04/xmlenc#'>"
       "<enc:EncryptedData><enc:EncryptionMethod Algorithm='http://www.idpf.org/2008/embedding'/>"
       "<enc:CipherData><enc:CipherReference URI='OEBPS/fonts/a.ttf'/></enc:CipherData></enc:EncryptedData>"
       "<enc:EncryptedData><enc:EncryptionMethod Algorithm='http://ns.adobe.com/pdf/enc#RC'/>"
       "<enc:CipherData><enc:CipherReference URI='OEBPS/fonts/b.ttf'/></enc:CipherData></enc:EncryptedData>"
       "</encryption>"}};
  spec.styleSheet =
      "@font-face { font-family: 'BookA'; src: url(fonts/a.ttf); } @font-face { font-family: 'BookB'; src: "
      "url(fonts/b.ttf); } p { margin: 0; font-size: 40px; } span { display: inline-block; }";
  // A letter no font has: what a box looks like.
  std::string letters = "<p><span id='box'>\U0010FFFD</span></p><p>";
  const std::vector<std::string> scripts = {"\u0915", "\u0937", "\u0915\u094D\u0937",  // Devanagari
                                            "\u0E01", "\u05D0", "\u0628", "\u0531", "\u1200", "\u0B95", "\u0995"};
  for (std::size_t i = 0; i < scripts.size(); ++i)
    letters += "<span id='l" + std::to_string(i) + "'>" + scripts[i] + "</span> ";
  letters += "</p>";
  for (const char* face : {"BookA", "BookB"})
    letters += std::string("<p style='font-family: ") + face + "'><span id='" + face + "i'>iiiiiiii</span><br/><span id='" +
               face + "W'>WWWWWWWW</span></p>";
  spec.units = {{"scripts.xhtml", "Scripts", letters}};
  open(book("scripts.epub", spec));
  runUntil([&] { return ask("document.fonts.status") == "loaded"; }, 10);
  settle();
  auto image = picture();
  ASSERT_TRUE(image);
  // The ink of an element: how much, and how wide it spreads.
  struct Ink {
    int count = 0;
    double left = 1e9, right = -1e9;
  };
  auto inkOf = [&](const std::string& id) {
    const ui::Rect r = shownRect(id);
    Ink ink;
    for (int y = static_cast<int>(r.minY()); y < static_cast<int>(r.maxY()); ++y)
      for (int x = static_cast<int>(r.minX()); x < static_cast<int>(r.maxX()); ++x)
        if (image->pixelAt(x, y).r() < 0.5) {
          ++ink.count;
          ink.left = std::min(ink.left, static_cast<double>(x));
          ink.right = std::max(ink.right, static_cast<double>(x));
        }
    return ink;
  };
  const Ink box = inkOf("box");
  ASSERT_GT(box.count, 0);
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    const Ink letter = inkOf("l" + std::to_string(i));
    EXPECT_GT(letter.count, 0) << scripts[i];
    EXPECT_NE(letter.count, box.count) << scripts[i] << " is drawn as a box";
  }
  // A conjunct is one shape, not three letters side by side.
  const Ink ka = inkOf("l0"), conjunct = inkOf("l2");
  EXPECT_LT(conjunct.right - conjunct.left, 2 * (ka.right - ka.left));
  // The book's own fonts, restored, draw its text: a fixed-width face.
  for (const char* face : {"BookA", "BookB"}) {
    const Ink narrow = inkOf(std::string(face) + "i"), wide = inkOf(std::string(face) + "W");
    EXPECT_NEAR(narrow.right - narrow.left, wide.right - wide.left, 0.15 * (wide.right - wide.left)) << face;
  }
  mv::test::keepSnapshot([&] {
    fs::path out = root / "scripts.png";
    image->writePNG(out);
    return out;
  }());
}

}  // namespace
}  // namespace mv
