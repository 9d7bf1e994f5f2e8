// The book reader as a user meets it: opened from the library by its type,
// reading on across units and back, links between units, failures that send
// the user back to the library, sharing the book, every sample book of real
// publishers, and books that reach for a server or the desktop on their own.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "EPUBTestBooks.hpp"
#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "library/epub/EPUBSpinesViewController.hpp"
#include "library/epub/EPUBViewController.hpp"
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
#include "services/WebEngine.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/Language.hpp"
#include "util/TextLookup.hpp"

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
  // Asks the unit shown.
  std::string ask(const std::string& script) { return view().webView().stringByEvaluatingJavaScriptFromString(script); }
  double askNumber(const std::string& script) { return std::strtod(ask(script).c_str(), nullptr); }
  // Taps the middle of the element the selector finds, where the page shows it.
  void tapElement(const std::string& selector) {
    const std::string rect = "document.querySelector(\"" + selector + "\").getBoundingClientRect()";
    const ui::Point inPage{askNumber(rect + ".left + " + rect + ".width / 2"), askNumber(rect + ".top + " + rect + ".height / 2")};
    driver->tapAt(view().webView().convertPointToView(inPage, nullptr));
    settle();
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
                 "<p><a id='far' href='text/notes.xhtml#n2'>Note two</a></p><p><a id='near' href='#here'>Here</a></p>" +
                     test::filler(28, "lead") + "<p id='here'>Here it is.</p>"},
                {"text/intro.xhtml", "Intro", "<p>intro</p>"},
                {"text/notes.xhtml", "Notes", test::filler(28, "note") + "<p id='n2'>The second note.</p>"}};
  open(book("linked.epub", spec));
  ASSERT_GT(view().pageCount(), 1);
  // A place in the same unit: its page.
  tapElement("#near");
  EXPECT_EQ(reader->currentSpineIndex(), 0u);
  EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
  EXPECT_EQ(askNumber("window.scrollX"), view().currentPageIndex() * view().webView().bounds().width());
  view().gotoPage(0);
  // A place in another unit: that unit, at the page of the place.
  tapElement("#far");
  EXPECT_EQ(reader->currentSpineIndex(), 2u);
  ASSERT_GT(view().pageCount(), 1);
  EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
  EXPECT_EQ(view().pageOfAnchor("n2"), view().pageCount() - 1);
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
  EXPECT_EQ(view().pageOfAnchor("end"), view().pageCount() - 1);
  EXPECT_GE(askNumber("document.documentElement.scrollWidth"), view().pageCount() * width);
  // The rules the reader sends are the page's: two columns to a page.
  EXPECT_EQ(ask("getComputedStyle(document.documentElement).columnGap"), "20px");
  // A turn is a scroll of one page width.
  view().gotoPage(2);
  EXPECT_EQ(askNumber("window.scrollX"), 2 * width);
  view().gotoPage(99);
  EXPECT_EQ(view().currentPageIndex(), view().pageCount() - 1);
  EXPECT_EQ(askNumber("window.scrollX"), (view().pageCount() - 1) * width);
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
                 "<p><a id='mail' href='mailto:sales@example.invalid'>mail</a></p>"
                 "<p><a id='file' href='file://" + (root / "secret.txt").string() + "'>file</a></p>"
                 "<p><a id='up' href='../../../secret.txt'>up</a></p>"}};
  open(book("links.epub", spec));
  for (const char* id : {"#web", "#mail", "#file", "#up"}) tapElement(id);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.invalid/x", "mailto:sales@example.invalid"}));
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
  EXPECT_GT(askNumber("document.body.textContent.length"), 7e6);
  ASSERT_GT(view().pageCount(), 100);
  // The last words are on the last page, and the reader gets there.
  EXPECT_EQ(view().pageOfAnchor("last"), view().pageCount() - 1);
  view().gotoPage(view().pageCount() - 1);
  EXPECT_EQ(askNumber("window.scrollX"), (view().pageCount() - 1) * view().webView().bounds().width());
  const double left = askNumber("document.getElementById('last').getBoundingClientRect().left");
  EXPECT_GE(left, 0);
  EXPECT_LT(left, view().webView().bounds().width());
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
  test::BookSpec spec = threeUnits();
  spec.extraEntries = {{"OEBPS/padding.bin", std::string(100u << 20, '\0')}};
  const fs::path path = book("bomb.epub", spec);
  open(path);
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->message(), Language::stringWithName("BOOKTOOLARGE"));
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_FALSE(fs::exists(books / "bomb"));
  driver->pressAlertButton(0);
  driver->flush();
  EXPECT_EQ(nav->viewControllers().size(), 1u);
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
  svc::DocumentInteractionController::setOpener([&](const fs::path& file, const std::string&) {
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

TEST_F(EPUBReaderTest, RightToLeftBookReadsFromTheRight) {
  const fs::path source = test::corpusDir() / "epub" / "regime-anticancer-arabic.epub";
  if (!fs::exists(source)) GTEST_SKIP() << "no corpus here";
  fs::copy_file(source, books / "arabic.epub");
  open(books / "arabic.epub", "Arabic");
  while (reader->currentSpineIndex() < 2) forward();
  EXPECT_EQ(label().substr(label().size() - std::string(" - Commencer la lecture.").size()), " - Commencer la lecture.");
  // The page's text runs from the right: its first column is the right one.
  EXPECT_EQ(ask("getComputedStyle(document.body).direction"), "rtl");
  auto image = driver->render(view());
  ASSERT_TRUE(image);
  auto inkIn = [&](int x0, int x1) {
    for (int y = 60; y < 400; y += 3)
      for (int x = x0; x < x1; ++x)
        if (image->pixelAt(x, y).r() < 0.5) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(530, 980));
  mv::test::keepSnapshot([&] {
    fs::path out = root / "arabic-text.png";
    driver->render()->writePNG(out);
    return out;
  }());
}

}  // namespace
}  // namespace mv
