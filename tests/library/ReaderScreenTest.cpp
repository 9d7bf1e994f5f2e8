// The whole reader, headless: a library PDF opened from the open-by-type
// step, turned every way, bookmarked, seen in the thumbnails screen, its
// links followed, and shared by mail, print and open-in.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "DesktopTestWindow.hpp"
#include "ReaderTestSupport.hpp"
#include "RecordingOpenIn.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryViewers.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/reader/ThumbsPageThumb.hpp"
#include "platform/base/Paths.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Window.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/DocumentInteractionController.hpp"
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;
using mv::test::PdfPageSpec;

namespace mv {
namespace {

using Reader = ReaderViewController;

using test::RecordingOpenIn;

class ReaderScreenTest : public test::ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    ui::View::setAnimationsEnabled(false);
    svc::DocumentInteractionController::setOpener({});
    ReaderViewController::installAsLibraryViewer();
  }
  void TearDown() override {
    LibraryViewers::install(LibraryOpenAction::PdfReader, {});
    svc::DocumentInteractionController::setOpener({});
    svc::DesktopLauncher::install(nullptr);
    svc::MailComposer::install(nullptr);
    svc::PrintInteractionController::install(nullptr);
    ui::Application::sharedInstance().setOpenURLHandler(nullptr);
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    window.reset();
    driver.reset();
    ui::AlertView::resetForTesting();
    ui::ActionSheet::resetForTesting();
    ui::View::setAnimationsEnabled(true);
    Session::clear();
    ReaderTest::TearDown();
  }
  // Mail and print jobs are kept for the account signed in.
  static void signIn() { Session::publish(Session{"acme", "rep", "s1", "d1", 1, LoginType::Online, "pw"}); }
  // Five pages; page 1 links to page 4 (bottom left) and to an address
  // (bottom right) and holds a link with a scheme nobody may open.
  fs::path linkedPdf() {
    std::vector<PdfPageSpec> pages(5);
    for (int i = 0; i < 5; ++i) pages[i].content = test::squareAt(100 + 20 * i, 400, 50);
    pages[0].annots = {
        "<< /Type /Annot /Subtype /Link /Rect [100 100 200 150] /Dest [@4 /Fit] >>",
        "<< /Type /Annot /Subtype /Link /Rect [400 100 500 150] /A << /S /URI /URI (www.example.com/prices) >> >>",
        "<< /Type /Annot /Subtype /Link /Rect [250 100 350 150] /A << /S /URI /URI (file:///etc/passwd) >> >>",
        "<< /Type /Annot /Subtype /Link /Rect [400 200 500 250] /A << /S /URI /URI "
        "(mailto:sales@example.com?subject=Prices&attach=/etc/passwd&body=Hello) >> >>",
    };
    return libraryPdf("Price list.pdf", test::pagesPdf(pages));
  }
  void showRoot() {
    window = makeWindow();
    auto root = std::make_shared<ui::ViewController>();
    nav = std::make_shared<ui::NavigationController>(root);
    nav->setNavigationBarHidden(true);
    window->setRootViewController(nav);
    driver = std::make_unique<ui::HeadlessDriver>(window);
    settle();
  }
  std::shared_ptr<Reader> open(const fs::path& file) {
    showRoot();
    auto decision = LibraryFileOpener::decide("PDF", file, 3);
    EXPECT_TRUE(LibraryViewers::open(decision, "Price list", nav.get()));
    settle();
    return std::dynamic_pointer_cast<Reader>(nav->viewControllers().back());
  }
  void settle(double seconds = 0.5) {
    base::RunLoop::main().runUntil([] { return false; }, seconds);
    ui::View::layoutPendingViews();
    settleThumbnails();
  }
  // The window point of a PDF user-space point on the current page.
  ui::Point onPage(Reader& r, ui::Point user) {
    auto& view = *r.contentViews().at(r.currentPage());
    auto page = view.theContentView();
    ui::Point inPage = page->pageTransform().apply(user);
    return page->convertPointToView(inPage, nullptr);
  }
  std::shared_ptr<ui::Window> window;
  std::shared_ptr<ui::NavigationController> nav;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(ReaderScreenTest, PageWindowsOffsetsTapZonesAndAddressesAreDecidedByTable) {
  struct Window {
    long page, count, first, last, slot;
  } windows[] = {
      {1, 1, 1, 1, 0},   {1, 2, 1, 2, 0},   {2, 2, 1, 2, 1},   {1, 3, 1, 3, 0},   {2, 3, 1, 3, 1},
      {3, 3, 1, 3, 2},   {1, 4, 1, 3, 0},   {4, 4, 2, 4, 2},   {2, 4, 1, 3, 1},   {1, 40, 1, 3, 0},
      {20, 40, 19, 21, 1}, {40, 40, 38, 40, 2},
  };
  for (const auto& w : windows) {
    EXPECT_EQ(Reader::pageWindow(w.page, w.count), std::make_pair(w.first, w.last)) << w.page << "/" << w.count;
    EXPECT_EQ(Reader::pageSlot(w.page, w.count), w.slot) << w.page << "/" << w.count;
  }
  using Z = Reader::TapZone;
  const ui::Size s{1024, 768};
  EXPECT_EQ(Reader::singleTapZone({500, 10}, s), Z::Content);
  EXPECT_EQ(Reader::singleTapZone({1000, 10}, s), Z::Right);
  EXPECT_EQ(Reader::singleTapZone({10, 700}, s), Z::Left);
  EXPECT_EQ(Reader::doubleTapZone({500, 400}, s), Z::Zoom);
  EXPECT_EQ(Reader::doubleTapZone({500, 10}, s), Z::None);
  EXPECT_EQ(Reader::doubleTapZone({1000, 400}, s), Z::Right);

  struct Address {
    const char* link;
    std::optional<std::string> opened;
  } addresses[] = {
      {"www.example.com", "http://www.example.com"},
      {"http://example.com/a", "http://example.com/a"},
      {"HTTPS://example.com", "HTTPS://example.com"},
      {"mailto:sales@example.com", "mailto:sales@example.com"},
      // Of a mail, the recipients, the subject and the body, spelt out anew.
      {"MAILTO://a@example.com,b@example.com?Subject=Two%20words&ATTACH=%2Fetc%2Fpasswd&cc=c@example.com&"
       "attachment=/etc/passwd&body=a+b%26c&in-reply-to=x&bcc=\"x\"<d@example.com>",
       "mailto:a@example.com,b@example.com?subject=Two%20words&cc=c@example.com&body=a%2Bb%26c"},
      {"mailto:sales@example.com%3Fattach=/etc/passwd", "mailto:"},
      // Recipients parted by semicolons, as some mail programs write them,
      // and with spaces.
      {"mailto:a@example.com;%20b@example.com?cc=c@example.com%3Bd@example.com,%20",
       "mailto:a@example.com,b@example.com?cc=c@example.com,d@example.com"},
      // An apostrophe is a letter of many names.
      {"mailto:o'brien@example.com", "mailto:o%27brien@example.com"},
      {"example.com", std::nullopt},
      {"javascript:alert(1)", std::nullopt},
      {"file:///etc/passwd", std::nullopt},
      {"tel:+123", std::nullopt},
      {"shop://buy", std::nullopt},
  };
  for (const auto& a : addresses) EXPECT_EQ(Reader::linkAddressToOpen(a.link), a.opened) << a.link;
  EXPECT_FALSE(Reader::isTooLargeToMail(52'428'799));
  EXPECT_TRUE(Reader::isTooLargeToMail(52'428'800));
}

TEST_F(ReaderScreenTest, ALibraryPdfOpensAtItsPageAndTurnsEveryWay) {
  fs::path file = linkedPdf();
  {
    auto doc = ReaderDocument::withDocumentFilePath(file);
    doc->setPageNumber(3);
    ASSERT_TRUE(doc->saveReaderDocument());
  }
  auto reader = open(file);
  ASSERT_TRUE(reader);
  EXPECT_EQ(reader->currentPage(), 3);
  EXPECT_EQ(reader->contentViews().size(), 3u);
  EXPECT_EQ(reader->theScrollView()->contentOffset().x, 1024);

  // A single tap waits for the double tap to fail (0.35 s), then the page
  // scrolls over (0.3 s).
  driver->tapAt({1010, 400});  // the right edge
  settle(1);
  EXPECT_EQ(reader->currentPage(), 4);
  EXPECT_EQ(reader->theScrollView()->contentOffset().x, 1024);
  driver->tapAt({1010, 400});
  settle(1);
  EXPECT_EQ(reader->currentPage(), 5);
  EXPECT_EQ(reader->theScrollView()->contentOffset().x, 2048);
  driver->tapAt({1010, 400});  // past the last page: nothing
  settle(1);
  EXPECT_EQ(reader->currentPage(), 5);
  driver->tapAt({10, 400});  // the left edge
  settle(1);
  EXPECT_EQ(reader->currentPage(), 4);
  // A swipe to the left shows the next page.
  driver->swipe({800, 400}, {100, 400}, 0.1);
  settle(2);
  EXPECT_EQ(reader->currentPage(), 5);
  // The page bar.
  reader->pagebar(*reader->mainPagebar(), 1);
  EXPECT_EQ(reader->currentPage(), 1);
  EXPECT_EQ(reader->theScrollView()->contentOffset().x, 0);
  // The bar, hidden by the swipe's touch, follows when it shows again.
  reader->mainPagebar()->showPagebar();
  EXPECT_EQ(reader->mainPagebar()->pageNumberLabel()->text(), "1 of 5");
  // Turning to the page shown does nothing.
  reader->showDocumentPage(1);
  EXPECT_EQ(reader->document()->pageNumber(), 1);
}

TEST_F(ReaderScreenTest, LinksGoToTheirPageOrOpenOnlyWebAndMailAddresses) {
  auto reader = open(linkedPdf());
  ASSERT_TRUE(reader);
  auto& app = ui::Application::sharedInstance();
  const auto before = app.openedURLs().size();
  driver->tapAt(onPage(*reader, {300, 125}));  // file:// is never opened
  settle();
  EXPECT_EQ(app.openedURLs().size(), before);
  driver->tapAt(onPage(*reader, {450, 125}));
  settle();
  ASSERT_EQ(app.openedURLs().size(), before + 1);
  EXPECT_EQ(app.openedURLs().back(), "http://www.example.com/prices");
  // A mail link asks the mail program for the recipients, subject and body
  // only: a file of the device is not attached.
  driver->tapAt(onPage(*reader, {450, 225}));
  settle();
  ASSERT_EQ(app.openedURLs().size(), before + 2);
  EXPECT_EQ(app.openedURLs().back(), "mailto:sales@example.com?subject=Prices&body=Hello");
  driver->tapAt(onPage(*reader, {150, 125}));
  settle();
  EXPECT_EQ(reader->currentPage(), 4);
}

TEST_F(ReaderScreenTest, AWebLinkWithNothingToOpenItSaysSoOnce) {
  auto reader = open(linkedPdf());
  ASSERT_TRUE(reader);
  auto& app = ui::Application::sharedInstance();
  app.setOpenURLHandler([](const std::string&) { return false; });  // no browser installed
  driver->tapAt(onPage(*reader, {450, 125}));
  settle();
  driver->tapAt(onPage(*reader, {450, 125}));  // tapped again before answering
  settle();
  app.setOpenURLHandler(nullptr);
  EXPECT_EQ(app.openedURLs().back(), "http://www.example.com/prices");
  ASSERT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "LINKOPENFAILED");
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "NOAPPFORLINK");
  ASSERT_TRUE(driver->pressAlertButton(0));
  settle();
  EXPECT_TRUE(ui::AlertView::showingAlerts().empty());
  EXPECT_EQ(reader->currentPage(), 1);
  // With a browser the link opens and nothing is said.
  driver->tapAt(onPage(*reader, {450, 125}));
  settle();
  EXPECT_TRUE(ui::AlertView::showingAlerts().empty());
}

TEST_F(ReaderScreenTest, BarsHideOnATouchAndComeBackOnlyAfterTheGuard) {
  auto reader = open(linkedPdf());
  ASSERT_TRUE(reader);
  driver->tapAt({500, 300});  // a touch on the page away from the border hides the bars
  settle(0.3);
  EXPECT_TRUE(reader->mainToolbar()->isHidden());
  EXPECT_TRUE(reader->mainPagebar()->isHidden());
  driver->tapAt({500, 300});  // the second touch comes within 0.75 s of the first
  settle(0.1);
  EXPECT_TRUE(reader->mainToolbar()->isHidden());
  advance(1);
  driver->tapAt({500, 300});
  settle(1);
  EXPECT_FALSE(reader->mainToolbar()->isHidden());
  EXPECT_FALSE(reader->mainPagebar()->isHidden());
}

TEST_F(ReaderScreenTest, BookmarksShowInTheThumbnailsScreenAndItsChoicesReachTheReader) {
  auto reader = open(linkedPdf());
  ASSERT_TRUE(reader);
  reader->pagebar(*reader->mainPagebar(), 2);
  driver->tap(*reader->mainToolbar()->markButton());
  EXPECT_TRUE(reader->document()->bookmarks().contains(2));
  EXPECT_EQ(reader->mainToolbar()->markButton()->tag(), 1);
  reader->pagebar(*reader->mainPagebar(), 4);
  driver->tap(*reader->mainToolbar()->markButton());
  driver->tap(*reader->mainToolbar()->markButton());  // and off again
  EXPECT_EQ(reader->document()->bookmarks(), (base::IndexSet{2}));
  EXPECT_EQ(reader->mainToolbar()->markButton()->tag(), 0);

  driver->tap(*reader->mainToolbar()->thumbsButton());
  settle();
  auto* thumbs = dynamic_cast<ThumbsViewController*>(reader->presentedViewController());
  ASSERT_TRUE(thumbs);
  EXPECT_EQ(thumbs->theThumbsView()->thumbCount(), 5u);
  // The bookmarks list.
  auto& control = *thumbs->mainToolbar()->showControl();
  control.setSelectedSegmentIndex(1);
  control.sendActionsForControlEvents(ui::ControlEventValueChanged);
  settle();
  ASSERT_EQ(thumbs->theThumbsView()->thumbCount(), 1u);
  auto* cell = dynamic_cast<ThumbsPageThumb*>(thumbs->theThumbsView()->visibleCells().at(0).get());
  ASSERT_TRUE(cell);
  EXPECT_EQ(cell->textLabel()->text(), "2");
  EXPECT_FALSE(cell->bookMark()->isHidden());
  // A long press clears the bookmark but keeps the cell until the next switch.
  driver->longPress(driver->centerOf(*cell), 0.9);
  EXPECT_FALSE(reader->document()->bookmarks().contains(2));
  EXPECT_TRUE(cell->bookMark()->isHidden());
  EXPECT_EQ(thumbs->theThumbsView()->thumbCount(), 1u);
  // Choosing a page goes there and closes the screen.
  driver->tap(*cell);
  settle();
  EXPECT_FALSE(reader->presentedViewController());
  EXPECT_EQ(reader->currentPage(), 2);
  EXPECT_EQ(reader->mainToolbar()->markButton()->tag(), 0);
}

TEST_F(ReaderScreenTest, BackOnTheThumbnailsScreenClosesTheReaderAndSavesItsRecord) {
  fs::path file = linkedPdf();
  auto reader = open(file);
  ASSERT_TRUE(reader);
  reader->pagebar(*reader->mainPagebar(), 5);
  driver->tap(*reader->mainToolbar()->markButton());
  driver->tap(*reader->mainToolbar()->thumbsButton());
  settle();
  auto* thumbs = dynamic_cast<ThumbsViewController*>(reader->presentedViewController());
  ASSERT_TRUE(thumbs);
  driver->tap(*thumbs->mainToolbar()->doneButton());
  settle(1);
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  auto again = ReaderDocument::withDocumentFilePath(file);
  EXPECT_EQ(again->pageNumber(), 5);
  EXPECT_EQ(again->bookmarks(), (base::IndexSet{5}));
}

TEST_F(ReaderScreenTest, SharingMailsPrintsAndOffersTheFile) {
  signIn();
  fs::path file = linkedPdf();
  auto reader = open(file);
  ASSERT_TRUE(reader);
  auto share = [&](long choice) {
    ASSERT_TRUE(driver->tapControl(text("SHARE"))) << "the share button is found by its name";
    ASSERT_TRUE(reader->shareSheet());
    ASSERT_TRUE(reader->shareSheet()->isVisible());
    ASSERT_TRUE(driver->tapControl(reader->shareSheet()->buttonTitleAtIndex(choice)));
    settle();
  };
  // Mail without a mail program: the outbox message carries the PDF, and
  // the user is told it was saved, not sent.
  share(Reader::ShareEmail);
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "MAILNOTSENT");
  alert->dismissWithClickedButtonIndex(0, false);
  std::string message;
  for (const auto& e : fs::directory_iterator(svc::OutboxMailComposer::defaultOutbox())) {
    std::ifstream in(e.path(), std::ios::binary);
    message.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_NE(message.find("application/pdf"), std::string::npos);
  EXPECT_NE(message.find("Price list.pdf"), std::string::npos);
  // Print with no printer on the system (the tests never reach one): the
  // spool holds the job and the user is told, once.
  share(Reader::SharePrint);
  settle(1);
  int jobs = 0;
  for (const auto& e : fs::directory_iterator(svc::SpoolPrintController::defaultSpool()))
    if (e.path().extension() == ".pdf") ++jobs;
  EXPECT_EQ(jobs, 1);
  ASSERT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "NOPRINTER");
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "NOPRINTERSAVED");
  ASSERT_TRUE(driver->pressAlertButton(0));
  settle();
  // A spool that cannot be written prints nothing, and says that.
  svc::PrintInteractionController::install(std::make_shared<svc::SpoolPrintController>(root / "Blocked", false));
  std::ofstream(root / "Blocked") << "a file";
  share(Reader::SharePrint);
  settle(1);
  ASSERT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "PRINTFAILED");
  ASSERT_TRUE(driver->pressAlertButton(0));
  svc::PrintInteractionController::install(nullptr);
  // Open-in: when nobody takes PDFs the user is told.
  auto openIn = std::make_shared<RecordingOpenIn>();
  openIn->taker = false;
  openIn->install();
  share(Reader::ShareOpenIn);
  alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->message(), "PLEASEDOWNLOADREADER");
  alert->dismissWithClickedButtonIndex(0, false);
  openIn->taker = true;
  share(Reader::ShareOpenIn);
  EXPECT_EQ(openIn->offered,
            (std::vector<std::string>{"Price list.pdf com.adobe.pdf", "Price list.pdf com.adobe.pdf"}));
  EXPECT_FALSE(ui::AlertView::visibleAlert());
}

// On a desktop the file goes to xdg-open, which may answer only later that
// no application opens it: that is told as a refusal at once is.
TEST_F(ReaderScreenTest, AnOpenerThatFindsNoApplicationIsTold) {
  std::vector<std::vector<std::string>> started;
  svc::DesktopLauncher::install([&](const std::vector<std::string>& argv, svc::DesktopLauncher::Done done) {
    started.push_back(argv);
    base::RunLoop::main().post([done] { done(svc::DesktopLauncher::kNoApplication); });
  });
  svc::DocumentInteractionController::setOpener(&svc::DocumentInteractionController::openWithDesktop);
  fs::path file = linkedPdf();
  auto reader = open(file);
  ASSERT_TRUE(reader);
  ASSERT_TRUE(driver->tapControl(text("SHARE")));
  ASSERT_TRUE(reader->shareSheet());
  ASSERT_TRUE(driver->tapControl(reader->shareSheet()->buttonTitleAtIndex(Reader::ShareOpenIn)));
  settle();
  EXPECT_EQ(started, (std::vector<std::vector<std::string>>{{"xdg-open", file.string()}}));
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "FILEOPENFAILED");
  EXPECT_EQ(alert->message(), "PLEASEDOWNLOADREADER");
  ASSERT_TRUE(driver->pressAlertButton(0));
  settle();
  // A file no viewer shows, opened from the library.
  fs::path deck = libraryPdf("deck.key", "keynote bytes");
  EXPECT_TRUE(LibraryViewers::open(LibraryFileOpener::decide("KEYNOTE", deck, 3), "Deck", nav.get()));
  settle();
  EXPECT_EQ(started.back(), (std::vector<std::string>{"xdg-open", deck.string()}));
  alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), LibraryFileOpener::kFailureAlertTag);
  EXPECT_EQ(alert->message(), text("PLEASEDOWNLOADKEYNOTE"));
}

TEST_F(ReaderScreenTest, AFileTooLargeToMailIsSaidSo) {
  signIn();
  fs::path file = linkedPdf();
  auto record = ReaderDocument::withDocumentFilePath(file);
  fs::resize_file(file, Reader::kMailSizeLimit);
  showRoot();
  auto reader = Reader::initWithReaderDocument(record, "Big");
  nav->pushViewController(reader, false);
  settle();
  reader->email();
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->message(), "FILETOOLARGETOEMAIL");
  EXPECT_FALSE(fs::exists(svc::OutboxMailComposer::defaultOutbox()) &&
               !fs::is_empty(svc::OutboxMailComposer::defaultOutbox()));
}

TEST_F(ReaderScreenTest, FilesThatCannotBeReadSayItInsteadOfShowingAnEmptyReader) {
  // A cut file, and files whose every page has no size to draw (0 x 0, or
  // less than a point high): each is no document to read.
  std::vector<PdfPageSpec> flat(4);
  for (auto& p : flat) p.mediaBox = {10, 10, 0, 0};
  std::vector<fs::path> files = {libraryPdf("cut.pdf", plainPdf(3).substr(0, 60)),
                                 libraryPdf("flat.pdf", test::pagesPdf(flat)),
                                 libraryPdf("sliver.pdf", plainPdf(2, {600, 1.5}))};
  test::checkEveryFile(files, [&](const fs::path& f) {
    showRoot();
    EXPECT_FALSE(LibraryViewers::open(LibraryFileOpener::decide("PDF", f, 3), "x", nav.get()));
    settle();
    EXPECT_EQ(nav->viewControllers().size(), 1u);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->tag(), LibraryFileOpener::kFailureAlertTag);
    EXPECT_EQ(alert->title(), text("FILEOPENFAILED"));
    EXPECT_EQ(alert->message(), text("THEFILEISCORRUPTED"));
    ui::AlertView::resetForTesting();
  });
  // One drawable page among empty ones is enough to read.
  std::vector<PdfPageSpec> pages(3);
  for (auto& p : pages) p.mediaBox = {10, 10, 0, 0};
  pages[2].mediaBox = {0, 0, 300, 400};
  auto reader = open(libraryPdf("last.pdf", test::pagesPdf(pages)));
  ASSERT_TRUE(reader);
  EXPECT_FALSE(ui::AlertView::visibleAlert());
}

TEST_F(ReaderScreenTest, FilesNoViewerShowsAreOfferedToAnotherApplication) {
  fs::path deck = libraryPdf("deck.key", "keynote bytes");
  auto decision = LibraryFileOpener::decide("KEYNOTE", deck, 3);
  ASSERT_EQ(decision.action, LibraryOpenAction::OpenIn);
  auto openIn = std::make_shared<RecordingOpenIn>();
  openIn->install();
  showRoot();
  EXPECT_TRUE(LibraryViewers::open(decision, "Deck", nav.get()));
  EXPECT_EQ(openIn->offered, (std::vector<std::string>{"deck.key"}));
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  openIn->taker = false;
  EXPECT_FALSE(LibraryViewers::open(decision, "Deck", nav.get()));
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), LibraryFileOpener::kFailureAlertTag);
  EXPECT_EQ(alert->message(), text("PLEASEDOWNLOADKEYNOTE"));
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(ReaderScreenTest, EveryCorpusPdfOpensInTheReader) {
  const auto corpus = test::corpusPdfs();
  if (corpus.empty()) GTEST_SKIP() << "no document corpus beside this clone";
  test::checkEveryFile(corpus, [&](const fs::path& f) {
    if (gfx::PdfDocument::needsPassword(f)) return;  // the library opens it without one: said to be locked
    auto reader = open(copyToLibrary(f));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->currentPage(), 1);
    ASSERT_TRUE(reader->contentViews().count(1));
    ASSERT_TRUE(reader->contentViews().at(1)->theContentView());
    EXPECT_TRUE(reader->contentViews().at(1)->theThumbView()->imageView()->image());
    reader->dismissReaderViewController();
    settle();
    window.reset();
  });
}

// The reader on the desktop, driven as a person does with a mouse, a
// wheel and the keyboard.
using ReaderDesktopTest = test::DesktopFixture<ReaderScreenTest>;

TEST_F(ReaderDesktopTest, FlicksTheWheelAndThePageKeysTurnPagesAndCtrlWheelZooms) {
  runDesktop([&] {
    auto reader = open(libraryPdf("Twelve.pdf", plainPdf(12)));
    ASSERT_TRUE(reader);
    auto desktop = test::openDesktop(window);
    ASSERT_TRUE(desktop);
    desktop->runFrame(true);
    test::DesktopUser user(*desktop);
    auto shown = [&] {
      // The page asked for is the one in view: the paging offset is its frame's.
      const auto& views = reader->contentViews();
      auto it = views.find(reader->currentPage());
      EXPECT_TRUE(it != views.end());
      if (it != views.end()) {
        EXPECT_EQ(it->second->frame().x(), reader->theScrollView()->contentOffset().x);
      }
      return reader->currentPage();
    };
    auto settled = [&] {
      user.wait(0.6);
      settleThumbnails();
      return shown();
    };
    ASSERT_EQ(shown(), 1);

    // Ten flicks of 300 points to the left, each turns a page.
    for (int i = 0; i < 10; ++i) {
      user.drag({700, 400}, {400, 400}, 0.15);
      EXPECT_EQ(settled(), 2 + i);
    }
    user.drag({400, 400}, {700, 400}, 0.15);
    EXPECT_EQ(settled(), 10);
    // A slow drag that stops before letting go stays on its page.
    user.drag({700, 400}, {400, 400}, 0.5, 0.3);
    EXPECT_EQ(settled(), 10);
    // A flick all in one millisecond, as a script gives it, turns a page too.
    user.drag({700, 400}, {400, 400}, 0, 0, true);
    EXPECT_EQ(settled(), 11);
    user.drag({400, 400}, {700, 400}, 0, 0, true);
    EXPECT_EQ(settled(), 10);

    // The page keys.
    using Key = ui::DesktopWindow::Key;
    const std::pair<Key, int> keys[] = {{Key::PageUp, 9}, {Key::Left, 8}, {Key::Up, 7},  {Key::PageDown, 8},
                                        {Key::Space, 9},  {Key::Right, 10}, {Key::Down, 11}};
    for (const auto& [key, page] : keys) {
      user.key(key);
      EXPECT_EQ(settled(), page);
    }
    user.key(Key::Space, ui::DesktopWindow::Shift);
    EXPECT_EQ(settled(), 10);
    // Home and End: the first page and the last.
    user.key(Key::End);
    EXPECT_EQ(settled(), 12);
    user.key(Key::Home);
    EXPECT_EQ(settled(), 1);
    user.key(Key::End);
    EXPECT_EQ(settled(), 12);
    user.key(Key::Space, ui::DesktopWindow::Shift);
    EXPECT_EQ(settled(), 11);
    user.key(Key::Space, ui::DesktopWindow::Shift);
    EXPECT_EQ(settled(), 10);

    // A notch of the wheel turns a page, towards the user the next one.
    user.wheel({512, 400}, 0, -1);
    EXPECT_EQ(settled(), 11);
    user.wheel({512, 400}, 0, 1);
    EXPECT_EQ(settled(), 10);

    // Ctrl and the wheel zoom the page under the pointer; zoomed in, the
    // wheel moves about the page and turns nothing.
    const auto tenth = reader->contentViews().find(10);
    ASSERT_NE(tenth, reader->contentViews().end());
    auto& page = *tenth->second;
    const double fit = page.zoomScale();
    user.wheel({512, 400}, 0, 2, ui::DesktopWindow::Ctrl);
    EXPECT_GT(page.zoomScale(), fit * 1.5);
    const double top = page.contentOffset().y;
    user.wheel({512, 400}, 0, -2);
    EXPECT_EQ(page.contentOffset().y, top + 2 * ui::DesktopWindow::kWheelStep);
    EXPECT_EQ(settled(), 10);
  });
}

}  // namespace
}  // namespace mv
