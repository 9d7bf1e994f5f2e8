// The library's own viewers: the Office viewer on documents the tests make
// and on real-world ones, converted by the office suite (pages shown, printed
// from the PDF, mail with the file's MIME type, the share sheet, another
// application, a missing suite), the video player (loop toggle, back, a
// broken video), and opening by type from the grid (the PDF reader among
// them).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>

#include "LibraryTestSupport.hpp"
#include "PdfFixture.hpp"
#include "RecordingOpenIn.hpp"
#include "library/LibraryDetailController.hpp"
#include "library/LibraryFeature.hpp"
#include "library/LibraryViewers.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "library/VideoViewController.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/Window.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "sales-service/DocumentFactory.hpp"
#include "sales-service/ZipBuilder.hpp"
#include "services/DocumentInteractionController.hpp"
#include "services/MailComposer.hpp"
#include "services/OfficeConverter.hpp"
#include "services/OfficePreviewCache.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::DocumentFactory;

class FakeComposer : public svc::MailComposer {
 public:
  bool can = true;
  std::vector<svc::Mail> mails;
  bool canSendMail() const override { return can; }
  void compose(svc::Mail mail, Completion done) override {
    mails.push_back(std::move(mail));
    base::RunLoop::main().post([done] { done(svc::MailOutcome{svc::MailComposeResult::Sent, std::nullopt, {}}); });
  }
};

class FakePrinter : public svc::PrintInteractionController {
 public:
  std::vector<svc::PrintingItem> jobs;
  std::vector<std::string> names;
  // The error each job ends with; none prints it.
  std::optional<base::Error> failure;
  // Where a job that was not printed was saved.
  fs::path savedAs;
  // While set, the answers wait for `answer()`.
  bool holdAnswers = false;
  bool isPrintingAvailable() const override { return true; }
  void print(svc::PrintingItem item, svc::PrintInfo info, Completion done) override {
    jobs.push_back(std::move(item));
    names.push_back(info.jobName);
    auto reply = [done, failure = failure, savedAs = savedAs] { done(svc::PrintOutcome{!failure, failure, savedAs}); };
    if (holdAnswers) {
      held_.push_back(reply);
    } else {
      base::RunLoop::main().post(reply);
    }
  }
  void answer() {
    holdAnswers = false;
    for (auto& reply : std::exchange(held_, {})) reply();
  }

 private:
  std::vector<std::function<void()>> held_;
};

using test::RecordingOpenIn;

// The least an OpenDocument text holds: its type, a manifest and the body of
// its content.
std::string openDocumentText(const std::string& body) {
  const std::string mime = "application/vnd.oasis.opendocument.text";
  sales::ZipBuilder zip;
  zip.add("mimetype", mime, true);
  zip.add("content.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
          "<office:body>" + body + "</office:body></office:document-content>");
  zip.add("META-INF/manifest.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?><manifest:manifest "
          "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
          "<manifest:file-entry manifest:full-path=\"/\" manifest:media-type=\"" + mime + "\"/>"
          "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
          "</manifest:manifest>");
  return zip.finish().value_or("");
}

class LibraryViewersTest : public test::LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    LanguageManager::sharedInstance();
    setTextLookup([](const std::string& key) -> std::optional<std::string> { return key; });
    ui::View::setAnimationsEnabled(false);
    svc::MailComposer::install(composer);
    svc::PrintInteractionController::install(printer);
    LibraryFeature::installViewers();
    nav = std::make_shared<ui::NavigationController>(std::make_shared<ui::ViewController>());
    nav->setNavigationBarHidden(true);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(nav);
    driver = std::make_unique<ui::HeadlessDriver>(window);
  }
  void TearDown() override {
    if (auto alert = ui::AlertView::visibleAlert()) alert->dismissWithClickedButtonIndex(-1, false);
    ui::ActionSheet::resetForTesting();
    window->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(window.get());
    window.reset();
    nav.reset();
    svc::MailComposer::install(nullptr);
    svc::PrintInteractionController::install(nullptr);
    svc::DocumentInteractionController::setOpener({});
    LibraryViewers::install(LibraryOpenAction::PdfReader, {});
    LibraryViewers::install(LibraryOpenAction::Video, {});
    LibraryViewers::install(LibraryOpenAction::OfficeViewer, {});
    LibraryViewers::install(LibraryOpenAction::EpubReader, {});
    svc::OfficeConverter::setMemoryCeiling(svc::OfficeConverter::defaultMemoryCeiling());
    svc::OfficeConverter::setTimeLimit(svc::OfficeConverter::kDefaultTimeoutSeconds);
    ui::View::setAnimationsEnabled(true);
    LibraryTest::TearDown();
  }
  void settle(double seconds = 0.3) {
    base::WorkQueue::global().waitIdle();
    base::RunLoop::main().runUntil([] { return false; }, seconds);
    ui::View::layoutPendingViews();
  }
  // An Office viewer pushed on the file, loaded. The office suite converts
  // in a process of its own, on real time.
  std::shared_ptr<PPTLoadingViewController> openOffice(const std::string& title, const fs::path& path) {
    auto viewer = std::make_shared<PPTLoadingViewController>();
    viewer->setFileName(title);
    viewer->setFilePath(path);
    nav->pushViewController(viewer, false);
    waitForOffice(*viewer);
    return viewer;
  }
  void waitForOffice(PPTLoadingViewController& viewer) {
    EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return !viewer.isLoading(); }, 180));
    settle();
  }
  // `bytes` saved as `name` turned into `format` by the office suite itself.
  std::string madeBySuite(const std::string& name, const std::string& bytes, const std::string& format) {
    auto program = svc::OfficeConverter::program();
    EXPECT_TRUE(program) << "the office suite is installed by scripts/setup-deps";
    if (!program) return {};
    const fs::path made = root / "made";
    fs::create_directories(made);
    std::ofstream(made / name, std::ios::binary) << bytes;
    const std::string command = "'" + program->string() + "' --headless -env:UserInstallation=file://" +
                                (made / "profile").string() + " --convert-to " + format + " --outdir '" +
                                made.string() + "' '" + (made / name).string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(made / fs::path(name).replace_extension(format), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // The file opened from the library grid, in the Office viewer, loaded.
  PPTLoadingViewController* openFromGrid(LibraryDetailController& grid, const std::string& name,
                                         const std::string& type) {
    grid.selectDownloadedFile(name, type);
    auto* viewer = dynamic_cast<PPTLoadingViewController*>(nav->topViewController());
    EXPECT_TRUE(viewer) << name << " is not in the Office viewer";
    if (viewer) waitForOffice(*viewer);
    return viewer;
  }
  // The dials up on the window.
  std::vector<ui::ActivityIndicatorView*> dials() {
    return driver->findAllOf<ui::ActivityIndicatorView>(window.get());
  }
  // The text of the pages shown, as the PDF layer reads it.
  static std::string shownText(const PPTLoadingViewController& viewer) {
    auto pdf = gfx::PdfDocument::open(viewer.webView().pdfPath());
    std::string out;
    for (int i = 0; pdf && i < pdf->pageCount(); ++i) out += pdf->text(i) + "\n";
    return out;
  }
  // The pages a print job holds: the PDF file it was given.
  static int printedPages(const svc::PrintingItem& job) {
    auto* file = std::get_if<fs::path>(&job);
    if (!file) return -1;
    auto pdf = gfx::PdfDocument::open(*file);
    return pdf ? pdf->pageCount() : -1;
  }
  static bool contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines) {
      if (l.find(text) != std::string::npos) return true;
    }
    return false;
  }
  // The share button, found by its name, and then the sheet's `choice`, as
  // the user taps them.
  void share(const std::string& choice) {
    ASSERT_TRUE(driver->tapControl("SHARE")) << "no share button on screen";
    ASSERT_TRUE(driver->tapControl(choice)) << "no " << choice << " in the share sheet";
  }
  std::vector<std::string> toasts() {
    // Toasts go to the application's first window.
    std::vector<std::string> out;
    for (const auto& w : ui::Application::sharedInstance().windows()) {
      for (auto* toast : driver->findAllOf<UIToast>(w.get(), false)) out.push_back(toast->text());
    }
    return out;
  }

  std::shared_ptr<FakeComposer> composer = std::make_shared<FakeComposer>();
  std::shared_ptr<FakePrinter> printer = std::make_shared<FakePrinter>();
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
};

TEST_F(LibraryViewersTest, OfficeViewerShowsPrintsAndMailsAWorkbook) {
  useRealClock();  // the office suite converts in real time
  std::vector<std::vector<std::string>> rows = {{"SKU", "Product", "Price"}};
  for (int i = 1; i <= 150; ++i) rows.push_back({"SKU-" + std::to_string(i), "Lamp " + std::to_string(i), "12.50"});
  const fs::path path = putOnDisk("pricelist.xlsx", "EXCEL", DocumentFactory::xlsx("Prices", rows));
  auto viewer = openOffice("Price list 2014", path);
  ASSERT_FALSE(viewer->loadFailed());
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(viewer->view()->viewWithTag(BaseViewController::kStatusBarStripTag), nullptr)
      << "below the navigation bar a status-bar strip would cover the first page";
  auto& pages = viewer->webView();
  ASSERT_GE(pages.pageCount(), 2) << "150 rows do not fit one sheet page";
  EXPECT_NE(shownText(*viewer).find("Lamp 150"), std::string::npos);
  EXPECT_NEAR(pages.zoomScale(), pages.fitScale(), 1e-9);
  EXPECT_NEAR(pages.contentSize().width, pages.bounds().width(), 1) << "fitted to the width";
  ASSERT_FALSE(pages.livePages().empty());
  EXPECT_EQ(pages.livePages().begin()->first, 1) << "the first page is on screen";

  // The keys that turn pages, as the window hands them on: Page Down, Space
  // and Page Up by a page, Home and End to the first and the last.
  auto press = [&](ui::KeyPress::Key key, bool shift = false) {
    ui::KeyPress k;
    k.key = key;
    k.shift = shift;
    EXPECT_TRUE(window->pressPageKey(k));
    settle(0.05);
    return pages.currentPage();
  };
  using Key = ui::KeyPress::Key;
  const int count = pages.pageCount();
  EXPECT_EQ(press(Key::PageDown), 2);
  EXPECT_EQ(press(Key::Space), std::min(3, count));
  EXPECT_EQ(press(Key::Space, true), 2);
  EXPECT_EQ(press(Key::PageUp), 1);
  EXPECT_EQ(pages.contentOffset().y, 0);
  press(Key::End);
  EXPECT_NEAR(pages.contentOffset().y, pages.contentSize().height - pages.bounds().height(), 1);
  EXPECT_TRUE(pages.livePages().count(count)) << "the last page is on screen";
  EXPECT_EQ(press(Key::Home), 1);
  EXPECT_EQ(pages.contentOffset().y, 0);

  // Printed from the PDF's own pages, whatever is shown.
  pages.setContentOffset(ui::Point{0, pages.contentSize().height / 2});
  share("PRINT");
  settle();
  ASSERT_EQ(printer->jobs.size(), 1u);
  EXPECT_EQ(printedPages(printer->jobs[0]), pages.pageCount());
  EXPECT_EQ(printer->names[0], "PRINT");
  EXPECT_FALSE(ui::AlertView::visibleAlert()) << "printed: nothing to say";
  // No printer on the system: said once, however often it is tried before
  // the answer.
  printer->failure = base::Error{svc::kPrintErrorDomain, svc::kPrintErrorNoPrinter, "no printer", {}};
  printer->savedAs = root / "Spool" / "PRINT-1.pdf";
  printer->holdAnswers = true;
  share("PRINT");
  share("PRINT");
  EXPECT_EQ(printer->jobs.size(), 3u);
  printer->answer();
  settle();
  ASSERT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "NOPRINTER");
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "NOPRINTERSAVED");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  printer->failure = base::Error{"PrinterDomain", 7, "jammed", {}};
  share("PRINT");
  settle();
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "PRINTFAILED");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  printer->failure.reset();

  // Mailed whole, under its own name and type.
  share("EMAIL");
  settle();
  ASSERT_EQ(composer->mails.size(), 1u);
  const auto& mail = composer->mails[0];
  EXPECT_EQ(mail.subject, "[Price list 2014]");
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].fileName, "pricelist.xlsx");
  EXPECT_EQ(mail.attachments[0].mimeType, "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
  EXPECT_EQ(mail.attachments[0].data.size(), fs::file_size(path));
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "FILEHAVSBEENEMAILED");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  composer->can = false;
  share("EMAIL");
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "NOEMAILACCOUNT");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);

  // Opened again, the cached PDF is shown without a second conversion.
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();
  const auto pdf = viewer->pdfPath();
  struct stat converted {}, shown {};
  ASSERT_EQ(::stat(pdf.c_str(), &converted), 0);
  auto again = openOffice("Price list 2014", path);
  EXPECT_EQ(again->pdfPath(), pdf);
  ASSERT_EQ(::stat(pdf.c_str(), &shown), 0);
  EXPECT_EQ(shown.st_ino, converted.st_ino) << "the same file, not a new conversion";
}

TEST_F(LibraryViewersTest, OfficeViewerShareSheetAnotherAppBackAndBrokenFiles) {
  useRealClock();  // the office suite converts in real time
  EXPECT_EQ(PPTLoadingViewController::mailSubject("Price list 2014"), "[Price list 2014]");
  const fs::path deck = putOnDisk("pitch.pptx", "PPT",
                                  DocumentFactory::pptx({{"Why us", {"Range"}}, {"Next steps", {"Order samples"}}}));
  auto viewer = openOffice("Pitch", deck);
  EXPECT_EQ(viewer->webView().pageCount(), 2) << "one page a slide";
  EXPECT_NE(shownText(*viewer).find("Order samples"), std::string::npos);
  ASSERT_TRUE(driver->tapControl("SHARE"));
  ASSERT_EQ(ui::ActionSheet::showingSheets().size(), 1u);
  // A second tap on the button falls outside the sheet and closes it; a
  // third opens it again, still one sheet.
  ASSERT_TRUE(driver->tapControl("SHARE"));
  settle();
  EXPECT_TRUE(ui::ActionSheet::showingSheets().empty());
  ASSERT_TRUE(driver->tapControl("SHARE"));
  ASSERT_EQ(ui::ActionSheet::showingSheets().size(), 1u);
  EXPECT_EQ(viewer->shareSheet()->buttonTitleAtIndex(0), "EMAIL");
  ASSERT_TRUE(driver->tapControl("PRINT"));
  settle();
  EXPECT_EQ(printer->jobs.size(), 1u);

  // Another application: the file itself goes, and only a refusal is told.
  test::RecordingOpenIn openIn;
  openIn.install();
  share("OPENINOTHERAPP");
  settle();
  EXPECT_EQ(openIn.offered, (std::vector<std::string>{"pitch.pptx"}));
  EXPECT_FALSE(ui::AlertView::visibleAlert()) << "an application took it";
  openIn.taker = false;
  share("OPENINOTHERAPP");
  settle();
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "FILEOPENFAILED");
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "PLEASEDOWNLOADKEYNOTE");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);

  // With the sheet up, a tap on Back falls outside it and closes it; the
  // next one leaves.
  ASSERT_TRUE(driver->tapControl("SHARE"));
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();
  EXPECT_TRUE(ui::ActionSheet::showingSheets().empty());
  EXPECT_EQ(nav->topViewController(), viewer.get());
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();
  EXPECT_EQ(nav->viewControllers().size(), 1u);

  // A damaged file leaves the page empty and says why.
  const fs::path broken = putOnDisk("broken.docx", "WORD", "not a document");
  auto failed = openOffice("Broken", broken);
  EXPECT_TRUE(failed->loadFailed());
  EXPECT_EQ(failed->webView().pageCount(), 0);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "THEFILEISCORRUPTED");
  EXPECT_TRUE(window->isUserInteractionEnabled()) << "the loading indicator is gone";
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  settle();

  // So does a workbook whose header is intact and the rest is not: the
  // suite could only show its bytes as text, page after page.
  std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  for (int i = 0; i < 4000; ++i) bytes.push_back(static_cast<char>(i * 37 % 256));
  const fs::path sheet = putOnDisk("damaged.xls", "EXCEL", bytes);
  auto garbled = openOffice("Prices", sheet);
  EXPECT_TRUE(garbled->loadFailed());
  EXPECT_EQ(garbled->webView().pageCount(), 0);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "THEFILEISCORRUPTED");
  const auto kept = svc::OfficePreviewCache(svc::OfficeConverter::defaultCacheFolder()).pdfPathFor(sheet);
  ASSERT_TRUE(kept);
  EXPECT_FALSE(fs::exists(*kept)) << "nothing kept of it";
}

TEST_F(LibraryViewersTest, AConversionThatFailsSaysWhy) {
  useRealClock();  // the office suite converts in real time
  // A hundred kilobytes that unpack into a million paragraphs: the suite would
  // take more than a gigabyte and a half for minutes. Under a low ceiling it
  // is ended within seconds.
  const std::string bomb = DocumentFactory::docx("Bomb", std::vector<std::string>(1000000, "x"));
  ASSERT_LT(bomb.size(), 200u << 10);
  svc::OfficeConverter::setMemoryCeiling(400);
  const fs::path bombPath = putOnDisk("bomb.docx", "WORD", bomb);
  auto large = openOffice("Bomb", bombPath);
  EXPECT_TRUE(large->loadFailed());
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "FILETOOLARGEALERT");
  EXPECT_TRUE(window->isUserInteractionEnabled()) << "the loading indicator is gone";
  ASSERT_TRUE(driver->pressAlertButton(0));
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();

  // A suite that hangs past the time limit; one that fails on the file.
  const fs::path bin = root / "bin";
  fs::create_directories(bin);
  struct Restore {
    std::string path;
    ~Restore() { ::setenv("PATH", path.c_str(), 1); }
  } restore{std::getenv("PATH") ? std::getenv("PATH") : ""};
  ::setenv("PATH", (bin.string() + ":" + restore.path).c_str(), 1);
  svc::OfficeConverter::setTimeLimit(1);
  const std::pair<std::string, std::string> suites[] = {{"sleep 600\n", "OFFICETOOKTOOLONG"},
                                                        {"exit 1\n", "THEFILEISCORRUPTED"}};
  for (const auto& [script, message] : suites) {
    std::ofstream(bin / "soffice") << "#!/bin/sh\n" << script;
    fs::permissions(bin / "soffice", fs::perms::owner_all);
    const fs::path file = putOnDisk("guide " + message + ".docx", "WORD", DocumentFactory::docx("Guide", {message}));
    auto viewer = openOffice("Guide", file);
    EXPECT_TRUE(viewer->loadFailed());
    ASSERT_TRUE(ui::AlertView::visibleAlert()) << message;
    EXPECT_EQ(ui::AlertView::visibleAlert()->message(), message);
    ASSERT_TRUE(driver->pressAlertButton(0));
    ASSERT_TRUE(driver->tapControl("BACK"));
    settle();
  }
}

TEST_F(LibraryViewersTest, WithoutTheOfficeSuiteTheViewerSaysSoAndOffersAnotherApp) {
  const fs::path guide = putOnDisk("guide.docx", "WORD", DocumentFactory::docx("Guide", {"Text"}));
  const char* path = std::getenv("PATH");
  const std::string kept = path ? path : "";
  ::setenv("PATH", (root / "no-programs").c_str(), 1);
  test::RecordingOpenIn openIn;
  openIn.install();
  auto viewer = openOffice("Guide", guide);
  ::setenv("PATH", kept.c_str(), 1);
  EXPECT_TRUE(viewer->loadFailed());
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->message(), "TEXTDOCUMENTCANNOTBESHOWN");
  ASSERT_EQ(alert->numberOfButtons(), 2);
  EXPECT_EQ(alert->buttonTitleAtIndex(1), "OPENINOTHERAPP");
  EXPECT_TRUE(window->isUserInteractionEnabled()) << "the loading indicator is gone";
  ASSERT_TRUE(driver->pressAlertButton(1));
  settle();
  EXPECT_EQ(openIn.offered, (std::vector<std::string>{"guide.docx"}));
}

TEST_F(LibraryViewersTest, EveryFormatTheSuiteOpensIsShownAndRefusalsNameTheKind) {
  useRealClock();  // the office suite converts in real time
  // The rest of the formats reach the viewer the same way (the decision
  // table holds them); these are read by the suite in three different ways.
  const std::string text = "<office:text><text:p>Oak chairs</text:p></office:text>";
  struct Document {
    std::string name, type, bytes, shown;
  };
  const std::vector<Document> documents = {
      {"terms.odt", "WORD", openDocumentText(text), "Oak chairs"},
      {"letter.rtf", "WORD", "{\\rtf1\\ansi Beech stools\\par}", "Beech stools"},
      {"old.doc", "WORD", madeBySuite("old.odt", openDocumentText(text), "doc"), "Oak chairs"},
  };
  std::vector<marvisto_library_files_Entity> rows;
  for (const auto& d : documents) {
    putOnDisk(d.name, d.type, d.bytes);
    rows.push_back(test::libraryFile(static_cast<int>(rows.size()) + 1, d.name, d.name, d.type));
  }
  // Bytes no Word file has: the suite would show them as text.
  std::string garbage(9000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919 + i / 13) % 256);
  putOnDisk("damaged.doc", "WORD", garbage);
  for (const char* other : {"notes.pages", "figures.numbers", "photos.zip"}) putOnDisk(other, "KEYNOTE", "bytes");
  save(rows);
  RecordingOpenIn openIn;
  openIn.install();
  openIn.taker = false;
  auto grid = std::make_shared<LibraryDetailController>(manager, 0);
  nav->pushViewController(grid, false);
  settle();
  for (const auto& d : documents) {
    auto* viewer = openFromGrid(*grid, d.name, d.type);
    ASSERT_TRUE(viewer);
    EXPECT_FALSE(viewer->loadFailed()) << d.name;
    EXPECT_NE(shownText(*viewer).find(d.shown), std::string::npos) << d.name;
    if (d.name == "terms.odt") {
      share("OPENINOTHERAPP");
      settle();
      ASSERT_TRUE(ui::AlertView::visibleAlert());
      EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "NOAPPFORTEXTDOCUMENT") << "not a presentation";
      ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
      // Taken, then refused by the application it went to: still its kind.
      openIn.taker = true;
      openIn.refusesLater = true;
      share("OPENINOTHERAPP");
      settle();
      ASSERT_TRUE(ui::AlertView::visibleAlert());
      EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "NOAPPFORTEXTDOCUMENT") << "not a presentation";
      ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
      openIn.taker = false;
      openIn.refusesLater = false;
    }
    ASSERT_TRUE(driver->tapControl("BACK"));
    settle();
  }
  auto* damaged = openFromGrid(*grid, "damaged.doc", "WORD");
  ASSERT_TRUE(damaged);
  EXPECT_TRUE(damaged->loadFailed());
  EXPECT_EQ(damaged->webView().pageCount(), 0) << "no page of gibberish";
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "THEFILEISCORRUPTED");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();
  // What the suite does not show goes to another application; a refusal
  // names what the file is.
  const std::map<std::string, std::string> refusals = {
      {"notes.pages", "NOAPPFORTEXTDOCUMENT"}, {"figures.numbers", "NOAPPFORSPREADSHEET"}, {"photos.zip", "NOAPPFORFILE"}};
  for (const auto& [name, message] : refusals) {
    grid->selectDownloadedFile(name, "KEYNOTE");
    ASSERT_TRUE(ui::AlertView::visibleAlert()) << name;
    EXPECT_EQ(ui::AlertView::visibleAlert()->message(), message);
    ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  }
  EXPECT_EQ(openIn.offered.size(), 5u);
}

TEST_F(LibraryViewersTest, WhileTheSuiteConvertsTheDialIsUpAtTheScreensCentreAndCountsThePages) {
  // A converter that finishes when the test says, with a PDF of two pages.
  // Meanwhile it has written the content of two pages into its temporary
  // file, as the suite's PDF export does, and a third page's is on its way.
  const fs::path go = root / "go", pdf = root / "pages.pdf", bin = root / "bin", partial = root / "partial";
  std::ofstream(pdf, std::ios::binary) << DocumentFactory::pdf("Guide", 2, 3);
  std::ofstream(partial, std::ios::binary)
      << "%PDF-1.6\n%\xC3\xA4\n2 0 obj\n<</Length 3 0 R/Filter/FlateDecode>>\nstream\nx\x9C\x03\x00\nendstream\nendobj\n\n"
      << "3 0 obj\n4\nendobj\n\n4 0 obj\n<</Length 5 0 R/Filter/FlateDecode>>\nstream\nx\x9C\x03\x00\nendstream\nendobj\n\n"
      << "5 0 obj\n4\nendobj\n\n6 0 obj\n<</Length 7 0 R/Filter/FlateDecode>>\nstr";
  fs::create_directories(bin);
  std::ofstream(bin / "soffice") << "#!/bin/sh\ncp '" << partial.string() << "' \"$TMPDIR/lu1.tmp\"\n"
                                 << "while [ ! -e '" << go.string() << "' ]; do sleep 0.05; done\n"
                                 << "while [ \"$1\" != --outdir ]; do shift; done\ncp '" << pdf.string()
                                 << "' \"$2/document.pdf\"\n";
  fs::permissions(bin / "soffice", fs::perms::owner_all);
  // Whatever happens, the converter ends and the PATH is the test's again.
  struct Restore {
    std::string path;
    fs::path go;
    ~Restore() {
      ::setenv("PATH", path.c_str(), 1);
      std::ofstream(go) << "go";
    }
  } restore{std::getenv("PATH") ? std::getenv("PATH") : "", go};
  ::setenv("PATH", (bin.string() + ":" + restore.path).c_str(), 1);
  useRealClock();  // the converter runs in real time
  // The count is read as the user reads it.
  setTextLookup([](const std::string& key) { return Language::stringWithName(key); });
  save({test::libraryFile(1, "Guide", "guide.docx", "WORD")});
  putOnDisk("guide.docx", "WORD", DocumentFactory::docx("Guide", {"Text"}));
  ASSERT_TRUE(LibraryViewers::openFile(store(), "guide.docx", "WORD", nav.get()));
  auto* viewer = dynamic_cast<PPTLoadingViewController*>(nav->topViewController());
  ASSERT_TRUE(viewer);
  settle();
  EXPECT_TRUE(viewer->isLoading());
  ASSERT_EQ(dials().size(), 1u) << "the dial is up while the suite converts";
  ui::ActivityIndicatorView& dial = *dials().front();
  EXPECT_TRUE(dial.isAnimating());
  EXPECT_FALSE(viewer->view()->isUserInteractionEnabled()) << "the pages wait for the suite";
  EXPECT_TRUE(window->isUserInteractionEnabled()) << "the bar above them does not";
  const ui::Rect screenArea = viewer->view()->convertRectToView(viewer->view()->bounds(), nullptr);
  const ui::Rect dialArea = dial.convertRectToView(dial.bounds(), nullptr);
  EXPECT_NEAR(dialArea.midX(), screenArea.midX(), 1) << "the dial stands at the centre of the screen";
  EXPECT_NEAR(dialArea.midY(), screenArea.midY(), 1);
  // Drawn over the empty grey page.
  auto screen = driver->render(1);
  const ui::Rect at = dial.convertRectToView(dial.bounds(), nullptr);
  const gfx::Color page = screen->pixelAt(static_cast<int>(at.x()) - 20, static_cast<int>(at.y()));
  int drawn = 0;
  for (int y = static_cast<int>(at.y()); y < static_cast<int>(at.maxY()); ++y) {
    for (int x = static_cast<int>(at.x()); x < static_cast<int>(at.maxX()); ++x) drawn += screen->pixelAt(x, y) != page;
  }
  EXPECT_GT(drawn, 40) << "the dial's spokes are drawn";

  // Under the dial, the pages written so far.
  ui::Label* told = nullptr;
  auto pagesTold = [&]() -> std::string {
    told = nullptr;
    for (auto* label : driver->findAllOf<ui::Label>(window.get())) {
      if (label->text().find("Pages converted") != std::string::npos) told = label;
    }
    return told ? told->text() : std::string();
  };
  EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return !pagesTold().empty(); }, 10));
  ASSERT_EQ(pagesTold(), "Pages converted: 2");
  // Its text is drawn on the page.
  screen = driver->render(1);
  const ui::Rect line = told->convertRectToView(told->bounds(), nullptr);
  int ink = 0;
  for (int y = static_cast<int>(line.y()); y < static_cast<int>(line.maxY()); ++y) {
    for (int x = static_cast<int>(line.x()); x < static_cast<int>(line.maxX()); ++x) ink += screen->pixelAt(x, y) != page;
  }
  EXPECT_GT(ink, 100) << "the count is drawn under the dial";
  EXPECT_TRUE(viewer->isLoading());
  std::ofstream(go) << "go";
  waitForOffice(*viewer);
  EXPECT_EQ(viewer->webView().pageCount(), 2);
  EXPECT_TRUE(dials().empty());
  EXPECT_EQ(pagesTold(), "") << "gone with the dial";
  EXPECT_TRUE(window->isUserInteractionEnabled());
  EXPECT_TRUE(viewer->view()->isUserInteractionEnabled());
}

TEST_F(LibraryViewersTest, BackLeavesAConversionWithNoSuiteLeftAndNothingHalfWritten) {
  // A converter that writes half a PDF and never ends, as a suite hung on a
  // document does; it says who it is.
  const fs::path bin = root / "bin", pidFile = root / "suite.pid";
  fs::create_directories(bin);
  std::ofstream(bin / "soffice") << "#!/bin/sh\necho $$ > '" << pidFile.string() << ".tmp'\n"
                                 << "mv '" << pidFile.string() << ".tmp' '" << pidFile.string() << "'\n"
                                 << "printf '%%PDF-1.6 half' > \"$TMPDIR/lu1.tmp\"\n"
                                 << "while [ \"$1\" != --outdir ]; do shift; done\n"
                                 << "printf '%%PDF-1.6 half' > \"$2/document.pdf\"\n"
                                 << "while :; do sleep 0.05; done\n";
  fs::permissions(bin / "soffice", fs::perms::owner_all);
  struct Restore {
    std::string path;
    ~Restore() { ::setenv("PATH", path.c_str(), 1); }
  } restore{std::getenv("PATH") ? std::getenv("PATH") : ""};
  ::setenv("PATH", (bin.string() + ":" + restore.path).c_str(), 1);
  useRealClock();  // the converter runs in real time
  save({test::libraryFile(1, "Guide", "guide.docx", "WORD")});
  putOnDisk("guide.docx", "WORD", DocumentFactory::docx("Guide", {"Text"}));
  ASSERT_TRUE(LibraryViewers::openFile(store(), "guide.docx", "WORD", nav.get()));
  auto viewer = std::dynamic_pointer_cast<PPTLoadingViewController>(nav->topViewController()->shared_from_this());
  ASSERT_TRUE(viewer);
  ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return fs::exists(pidFile); }, 20)) << "the suite did not start";
  settle();
  const pid_t suite = [&] {
    std::ifstream in(pidFile);
    pid_t pid = 0;
    in >> pid;
    return pid;
  }();
  ASSERT_GT(suite, 0);
  ASSERT_TRUE(viewer->isLoading());
  ASSERT_EQ(dials().size(), 1u);

  // Back, tapped while the dial turns, leaves at once.
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle(1);
  EXPECT_NE(nav->topViewController(), viewer.get()) << "Back did not leave the viewer";
  EXPECT_FALSE(viewer->isLoading());
  EXPECT_TRUE(dials().empty());
  EXPECT_TRUE(window->isUserInteractionEnabled());
  // The suite and everything it started end, and nothing it wrote stays.
  const fs::path cache = svc::OfficeConverter::defaultCacheFolder();
  auto leftovers = [&] {
    std::vector<std::string> left;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(cache, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (it->path().filename() == "lu1.tmp" || it->path().extension() == ".pdf") left.push_back(it->path().string());
    }
    return left;
  };
  auto suiteGone = [&] { return ::kill(-suite, 0) != 0 && errno == ESRCH; };
  base::RunLoop::main().runUntil([&] { return suiteGone() && leftovers().empty(); }, 10);
  EXPECT_TRUE(suiteGone()) << "the suite's processes live on";
  const auto left = leftovers();
  EXPECT_TRUE(left.empty()) << left.front();
}

TEST_F(LibraryViewersTest, AFilesPagesGoWhenItIsUpdatedOrDeletedAndTheCacheKeepsItsBound) {
  useRealClock();  // the office suite converts in real time
  // Pages of other files converted before, past the bound together: the
  // one shown longest ago goes first.
  const fs::path cache = svc::OfficeConverter::defaultCacheFolder();
  fs::create_directories(cache);
  auto keptBefore = [&](const std::string& name, std::uintmax_t megabytes, int hours) {
    std::ofstream(cache / name).close();
    fs::resize_file(cache / name, megabytes << 20);
    fs::last_write_time(cache / name, fs::file_time_type::clock::now() - std::chrono::hours(hours));
    return cache / name;
  };
  const fs::path oldest = keptBefore("0000-old.pdf", 200, 48), older = keptBefore("0001-old.pdf", 100, 24);
  const auto guide = test::libraryFile(1, "Guide", "guide.docx", "WORD");
  save({guide});
  putOnDisk("guide.docx", "WORD", DocumentFactory::docx("Guide", {"Chairs in oak"}));
  auto grid = std::make_shared<LibraryDetailController>(manager, 0);
  nav->pushViewController(grid, false);
  settle();
  auto* viewer = openFromGrid(*grid, "guide.docx", "WORD");
  ASSERT_TRUE(viewer);
  const fs::path first = viewer->pdfPath();
  EXPECT_NE(shownText(*viewer).find("Chairs in oak"), std::string::npos);
  EXPECT_FALSE(fs::exists(oldest));
  EXPECT_TRUE(fs::exists(older));
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();

  // A new version downloaded in its place: the old one's pages go with it.
  manager->sendRequest(SaleslibraryModel::requestForFile(guide));
  putOnDisk("guide.docx", "WORD", DocumentFactory::docx("Guide", {"Chairs in pine"}));
  ASSERT_TRUE(sender->answer(completion(*downloads().back(), "200")));
  EXPECT_FALSE(fs::exists(first));
  viewer = openFromGrid(*grid, "guide.docx", "WORD");
  ASSERT_TRUE(viewer);
  const fs::path second = viewer->pdfPath();
  EXPECT_NE(shownText(*viewer).find("Chairs in pine"), std::string::npos);
  ASSERT_TRUE(driver->tapControl("BACK"));
  settle();

  // Deleted from its card.
  grid->selectShowInfo(guide);
  settle();
  ASSERT_TRUE(grid->descriptionController());
  ASSERT_TRUE(driver->tap(grid->descriptionController()->delButton()));
  EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return !manager->isExists(guide.file_id); }, 5));
  EXPECT_FALSE(fs::exists(second)) << "its pages went with it";
  EXPECT_TRUE(fs::exists(older)) << "other files' pages stay";
}

TEST_F(LibraryViewersTest, ASlideHoldingOnlyAChartShowsTheChart) {
  useRealClock();  // the office suite converts in real time
  // The suite itself makes the slide: a bar chart and nothing else.
  const std::string deck = madeBySuite("chart.fodp", R"(<?xml version="1.0" encoding="UTF-8"?><office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" xmlns:chart="urn:oasis:names:tc:opendocument:xmlns:chart:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:presentation="urn:oasis:names:tc:opendocument:xmlns:presentation:1.0" xmlns:xlink="http://www.w3.org/1999/xlink" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation"><office:body><office:presentation><draw:page draw:name="Chart"><draw:frame svg:width="22cm" svg:height="14cm" svg:x="3cm" svg:y="2cm"><draw:object><office:document office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.chart"><office:body><office:chart><chart:chart chart:class="chart:bar" svg:width="22cm" svg:height="14cm"><chart:plot-area table:cell-range-address="local-table.A1:B4" chart:data-source-has-labels="both"><chart:axis chart:dimension="x" chart:name="primary-x"><chart:categories table:cell-range-address="local-table.A2:A4"/></chart:axis><chart:axis chart:dimension="y" chart:name="primary-y"/><chart:series chart:values-cell-range-address="local-table.B2:B4" chart:label-cell-address="local-table.B1" chart:class="chart:bar"/></chart:plot-area><table:table table:name="local-table"><table:table-header-columns><table:table-column/></table:table-header-columns><table:table-columns><table:table-column/></table:table-columns><table:table-header-rows><table:table-row><table:table-cell/><table:table-cell office:value-type="string"><text:p>Sales</text:p></table:table-cell></table:table-row></table:table-header-rows><table:table-rows><table:table-row><table:table-cell office:value-type="string"><text:p>North</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="3"><text:p>3</text:p></table:table-cell></table:table-row><table:table-row><table:table-cell office:value-type="string"><text:p>South</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="7"><text:p>7</text:p></table:table-cell></table:table-row><table:table-row><table:table-cell office:value-type="string"><text:p>West</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="5"><text:p>5</text:p></table:table-cell></table:table-row></table:table-rows></table:table></chart:chart></office:chart></office:body></office:document></draw:object></draw:frame></draw:page></office:presentation></office:body></office:document>)", "pptx");
  ASSERT_NE(deck.find("ppt/charts/chart1.xml"), std::string::npos) << "a real chart, not a picture of one";
  const fs::path path = putOnDisk("chart.pptx", "PPT", deck);

  auto viewer = openOffice("Sales by region", path);
  ASSERT_FALSE(viewer->loadFailed());
  ASSERT_EQ(viewer->webView().pageCount(), 1);
  gfx::ImagePtr screen;
  for (int frame = 0; frame < 3; ++frame) {
    screen = driver->render(1);
    ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return !viewer->webView().tilesPending(); }, 20));
  }
  screen = driver->render(1);
  // The bars are the only strongly coloured thing on the slide.
  int bar = 0;
  for (int y = 0; y < screen->pixelHeight(); y += 2) {
    for (int x = 0; x < screen->pixelWidth(); x += 2) {
      const gfx::Color c = screen->pixelAt(x, y);
      if (c.b() > c.r() + 0.2 && c.b() > 0.6 && y > 70) ++bar;
    }
  }
  EXPECT_GT(bar, 2000) << "the chart's bars are drawn";
}

TEST_F(LibraryViewersTest, ALongDocumentKeepsOnlyThePagesNearTheScreen) {
  useRealClock();  // the office suite converts in real time
  std::vector<std::string> paragraphs;
  // About 54 lines a page: 30 pages and a little more, five times what the
  // screen keeps.
  for (int i = 1; i <= 1650; ++i) paragraphs.push_back("Line " + std::to_string(i) + " of the handbook.");
  const fs::path book = putOnDisk("handbook.docx", "WORD", DocumentFactory::docx("Handbook", paragraphs));
  auto viewer = openOffice("Handbook", book);
  ASSERT_FALSE(viewer->loadFailed());
  auto& pages = viewer->webView();
  ASSERT_GE(pages.pageCount(), 30);
  std::size_t most = 0;
  const double step = pages.bounds().height();
  for (double y = 0; y < pages.contentSize().height; y += step) {
    pages.setContentOffset(ui::Point{0, y});
    ui::View::layoutPendingViews();
    most = std::max(most, pages.livePages().size());
  }
  EXPECT_LE(most, 6u) << "page views follow the screen, not the document";
  ASSERT_FALSE(pages.livePages().empty());
  EXPECT_EQ(pages.livePages().rbegin()->first, pages.pageCount()) << "the last page is reached";
  share("PRINT");
  settle();
  ASSERT_EQ(printer->jobs.size(), 1u);
  EXPECT_EQ(printedPages(printer->jobs[0]), pages.pageCount());
}

TEST_F(LibraryViewersTest, VideoLoopsOnRequestAndStopsOnBack) {
  // The clip plays on the media framework's clock, in real time.
  useRealClock();
  const fs::path clip = putOnDisk("showreel.avi", "VEDIO", DocumentFactory::video(6, 30, 160, 120, 7));
  auto player = std::make_shared<VideoViewController>(svc::MoviePlayer::Options{false, false});
  player->createWithFilename("Showreel", clip);
  nav->pushViewController(player, false);
  EXPECT_EQ(player->lbtitle().text(), "Showreel");
  EXPECT_FALSE(player->btnLoopPlay().isSelected());
  ASSERT_TRUE(base::RunLoop::main().runUntil([&] { return player->moviePlayer()->framesShown() > 0; }, 10));
  EXPECT_EQ(player->moviePlayer()->view()->frame(), VideoViewController::kPlayerFrame);

  // Toasts stay on screen only while animations run.
  ui::View::setAnimationsEnabled(true);
  ASSERT_TRUE(driver->tap(player->btnLoopPlay()));
  EXPECT_EQ(player->moviePlayer()->repeatMode(), svc::MoviePlayer::RepeatMode::One);
  EXPECT_TRUE(contains(toasts(), "LOOPPLAYENABLED"));
  ASSERT_TRUE(driver->tap(player->btnLoopPlay()));
  EXPECT_EQ(player->moviePlayer()->repeatMode(), svc::MoviePlayer::RepeatMode::None);
  EXPECT_TRUE(contains(toasts(), "LOOPPLAYDISABLED"));

  auto movie = player->moviePlayer();
  player->btnbackClicked();
  EXPECT_EQ(movie->state(), svc::MoviePlayer::State::Stopped);
  EXPECT_FALSE(player->moviePlayer()) << "the player is let go";
  EXPECT_FALSE(movie->view()->superview());
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST_F(LibraryViewersTest, AVideoThatCannotPlaySaysSo) {
  // The media framework reports the broken clip from its own thread, in real time.
  useRealClock();
  const fs::path clip = putOnDisk("broken.mp4", "VEDIO", "no movie in here");
  auto player = std::make_shared<VideoViewController>(svc::MoviePlayer::Options{false, false});
  player->createWithFilename("Broken", clip);
  nav->pushViewController(player, false);
  ASSERT_TRUE(base::RunLoop::main().runUntil([] { return ui::AlertView::visibleAlert() != nullptr; }, 10));
  EXPECT_EQ(ui::AlertView::visibleAlert()->tag(), 1001);
  EXPECT_EQ(ui::AlertView::visibleAlert()->title(), "FILEOPENFAILED");
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "THEFILEISCORRUPTED");
}

TEST_F(LibraryViewersTest, EveryCorpusOfficeFileOpensFromTheGridShownAndPrintedWhole) {
  useRealClock();  // the office suite converts in real time
  const auto files = test::corpusFiles("office");
  if (files.empty()) GTEST_SKIP() << "no shared corpus here";
  const std::map<std::string, std::string> typeWords = {{".docx", "WORD"}, {".xlsx", "EXCEL"}, {".pptx", "PPT"}};
  std::map<fs::path, marvisto_library_files_Entity> records;
  int id = 1;
  for (const auto& file : files) {
    const auto word = typeWords.find(file.extension().string());
    if (word == typeWords.end()) continue;  // reported with the others below
    std::ifstream in(file, std::ios::binary);
    putOnDisk(file.filename().string(), word->second,
              std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    records[file] = test::libraryFile(id++, file.stem().string(), file.filename().string(), word->second);
  }
  std::vector<marvisto_library_files_Entity> rows;
  for (const auto& [file, record] : records) rows.push_back(record);
  save(rows);
  auto grid = std::make_shared<LibraryDetailController>(manager, 0);
  nav->pushViewController(grid, false);
  settle();
  test::checkEveryFile(files, [&](const fs::path& file) {
    ASSERT_TRUE(records.count(file)) << "not an Office file the library knows";
    const auto& record = records.at(file);
    grid->selectDownloadedFile(record.file_name, record.type);
    auto* viewer = dynamic_cast<PPTLoadingViewController*>(nav->topViewController());
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->fileName(), record.title);
    waitForOffice(*viewer);
    EXPECT_FALSE(viewer->loadFailed());
    EXPECT_FALSE(ui::AlertView::visibleAlert());
    EXPECT_GE(viewer->webView().pageCount(), 1);
    EXPECT_FALSE(viewer->webView().livePages().empty());
    share("PRINT");
    settle();
    ASSERT_FALSE(printer->jobs.empty());
    EXPECT_EQ(printedPages(printer->jobs.back()), viewer->webView().pageCount()) << "printed from its PDF";
    ASSERT_TRUE(driver->tapControl("BACK"));
    settle();
    EXPECT_EQ(nav->topViewController(), grid.get());
  });
}

TEST_F(LibraryViewersTest, TheGridOpensEachTypeInItsViewer) {
  save({test::libraryFile(1, "Showreel", "reel.avi", "VEDIO"), test::libraryFile(2, "Guide", "guide.docx", "WORD"),
        test::libraryFile(3, "Keynote deck", "deck.key", "KEYNOTE"), test::libraryFile(4, "Empty", "empty.key", "KEYNOTE"),
        test::libraryFile(5, "Price list", "prices.pdf", "PDF")});
  putOnDisk("reel.avi", "VEDIO", DocumentFactory::video(3, 30, 80, 60, 1));
  putOnDisk("guide.docx", "WORD", DocumentFactory::docx("Guide", {"Text"}));
  putOnDisk("deck.key", "KEYNOTE", "keynote bytes");
  putOnDisk("empty.key", "KEYNOTE", "");
  putOnDisk("prices.pdf", "PDF", DocumentFactory::pdf("Price list", 4, 7));
  auto openIn = std::make_shared<RecordingOpenIn>();
  openIn->install();
  auto grid = std::make_shared<LibraryDetailController>(manager, 0);
  nav->pushViewController(grid, false);
  settle();
  auto top = [&] { return nav->topViewController(); };

  grid->selectDownloadedFile("reel.avi", "VEDIO");
  EXPECT_TRUE(dynamic_cast<VideoViewController*>(top()));
  static_cast<VideoViewController*>(top())->btnbackClicked();
  settle();
  grid->selectDownloadedFile("guide.docx", "WORD");
  ASSERT_TRUE(dynamic_cast<PPTLoadingViewController*>(top()));
  EXPECT_EQ(static_cast<PPTLoadingViewController*>(top())->fileName(), "Guide");
  nav->popViewControllerAnimated(false);
  settle();
  grid->selectDownloadedFile("prices.pdf", "PDF");
  ASSERT_TRUE(dynamic_cast<ReaderViewController*>(top()));
  EXPECT_EQ(static_cast<ReaderViewController*>(top())->document()->pageCount(), 4);
  static_cast<ReaderViewController*>(top())->dismissReaderViewController();
  settle();
  EXPECT_EQ(top(), grid.get());
  // Other types go to another application, and the user is told when none takes them.
  grid->selectDownloadedFile("deck.key", "KEYNOTE");
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  openIn->taker = false;
  grid->selectDownloadedFile("deck.key", "KEYNOTE");
  EXPECT_EQ(openIn->offered, (std::vector<std::string>{"deck.key", "deck.key"}));
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "PLEASEDOWNLOADKEYNOTE");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  // An empty or missing file says so, offered to nobody; only a file past
  // the device's limit is called too large.
  openIn->taker = true;
  const auto offered = openIn->offered.size();
  grid->selectDownloadedFile("empty.key", "KEYNOTE");
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "FILEMISSINGOREMPTY");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  grid->selectDownloadedFile("gone.key", "KEYNOTE");
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "FILEMISSINGOREMPTY");
  ui::AlertView::visibleAlert()->dismissWithClickedButtonIndex(0, false);
  EXPECT_EQ(openIn->offered.size(), offered);
  EXPECT_EQ(top(), grid.get());
  fs::resize_file(putOnDisk("huge.key", "KEYNOTE"), PublicFunction::sizeLimitForDeviceType(PublicFunction::getDeviceType()) + 1);
  grid->selectDownloadedFile("huge.key", "KEYNOTE");
  EXPECT_FALSE(ui::AlertView::visibleAlert()) << "another application may open what is too large here";
  EXPECT_EQ(openIn->offered.back(), "huge.key");
  openIn->taker = false;
  grid->selectDownloadedFile("huge.key", "KEYNOTE");
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), "FILETOOLARGEALERT");
}

}  // namespace
}  // namespace mv
