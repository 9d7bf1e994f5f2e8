// An account locked on the service while the representative reads: after
// the lock's alert nothing of the account stays on the device, neither its
// folder nor what the viewers made from its files, and no late work makes
// any of it again. A deletion that work in the folder holds up is not taken
// for done: the account stays locked on the device until the next start
// finishes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "LibraryDay.hpp"
#include "library/epub/EPUBViewController.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "platform/base/FolderWriters.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "services/OfficeConverter.hpp"
#include "shell/session/AccountStorage.hpp"
#include "util/ZipWriter.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class LockedAccount : public LibraryDay {
 protected:
  void TearDown() override {
    AccountStorage::setWriterBoundForTesting(std::chrono::seconds(5));
    LibraryDay::TearDown();
  }

  fs::path clientFolder() const { return *PublicFunction::clientFolder("acme"); }

  fs::path pathOf(const std::string& title) {
    const auto& f = file(title);
    return PublicFunction::filePathWithName(f.file_name, PublicFunction::getFileType(f.type)).value_or(fs::path());
  }

  // The service locks the representative; the window is minimised and
  // restored, and the device check on the way back hears of it.
  void lockAndComeBack() {
    ASSERT_TRUE(service->backend().setLocked("acme", "rep", true));
    driver().windowEvent(ui::WindowEvent::Minimized);
    driver().windowEvent(ui::WindowEvent::Restored);
    ASSERT_TRUE(waitFor([&] { return alertTitle() == en("INVALIDDEVICE"); }, 20)) << alertTitle();
  }

  // The application ends and starts again on the same data.
  void restart() {
    resetShell();
    launchAgainstService();
  }

  static bool holdsFile(const fs::path& folder, const std::string& extension) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      if (it->path().extension() == extension) return true;
    }
    return false;
  }

  // The unpacking folder of the book beside it, while the reader unpacks.
  static bool unpacking(const fs::path& book) {
    std::error_code ec;
    for (fs::directory_iterator it(book.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
      if (it->path().filename().string().find(".unzip-") != std::string::npos) return true;
    }
    return false;
  }
};

// A book of many small pieces (a manual of thousands of pictures): the
// reader takes a good while to unpack it.
void writeLargeBook(const fs::path& file) {
  ZipWriter zip;
  ASSERT_TRUE(zip.open(file));
  ASSERT_TRUE(zip.addBytes("mimetype", "application/epub+zip", false));
  ASSERT_TRUE(zip.addBytes("META-INF/container.xml",
                           "<?xml version=\"1.0\"?><container version=\"1.0\" "
                           "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
                           "full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
                           "</rootfiles></container>"));
  ASSERT_TRUE(zip.addBytes("OEBPS/content.opf",
                           "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\" "
                           "unique-identifier=\"id\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                           "<dc:identifier id=\"id\">manual</dc:identifier><dc:title>Manual</dc:title></metadata>"
                           "<manifest><item id=\"one\" href=\"one.xhtml\" media-type=\"application/xhtml+xml\"/>"
                           "</manifest><spine><itemref idref=\"one\"/></spine></package>"));
  ASSERT_TRUE(zip.addBytes("OEBPS/one.xhtml",
                           "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>One"
                           "</title></head><body><p>The range, piece by piece.</p></body></html>"));
  const std::string piece(2048, 'p');
  for (int i = 0; i < 9000; ++i) {
    ASSERT_TRUE(zip.addBytes("OEBPS/pieces/" + std::to_string(i) + ".png", piece, false));
  }
  ASSERT_TRUE(zip.close());
}

TEST_F(LockedAccount, NothingOfTheAccountOutlivesTheLockWhileABookUnpacks) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();
  openTab(MainTabScreens::kSalesLibrary);
  ASSERT_TRUE(library());
  for (const char* title : {"Catalogue 1", "Handbook 1", "Guide 1"}) download(title);

  // The PDF read: the reader keeps its page thumbnails and its record of
  // the file outside the account's folder.
  tapFile("Catalogue 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<ReaderViewController*>(top()) != nullptr; }, 10));
  const std::string guid = dynamic_cast<ReaderViewController*>(top())->document()->guid();
  const fs::path thumbs = ReaderThumbCache::thumbCachePathForGUID(guid);
  ASSERT_TRUE(waitFor(
      [&] {
        driver().render();
        return holdsFile(thumbs, ".png");
      },
      20));
  const fs::path record = ReaderDocument::archiveFilePath(pathOf("Catalogue 1").filename().string());
  EXPECT_TRUE(fs::exists(record));
  viewers()->popViewControllerAnimated(false);
  settle();

  // The Office document shown: its pages converted into the previews' cache.
  const fs::path previews = svc::OfficeConverter::defaultCacheFolder();
  const bool office = svc::OfficeConverter::program().has_value();
  if (office) {
    tapFile("Guide 1");
    ASSERT_TRUE(waitFor([&] { return dynamic_cast<PPTLoadingViewController*>(top()) != nullptr; }, 5));
    auto* document = dynamic_cast<PPTLoadingViewController*>(top());
    ASSERT_TRUE(waitFor([&] { return !document->isLoading(); }, 180));
    EXPECT_TRUE(holdsFile(previews, ".pdf"));
    viewers()->popViewControllerAnimated(false);
    settle();
  }

  // The book has grown on the service since: the reader unpacks it at length.
  const fs::path book = pathOf("Handbook 1");
  writeLargeBook(book);
  tapFile("Handbook 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<EPUBViewController*>(top()) != nullptr; }, 10));
  ASSERT_TRUE(waitFor([&] { return unpacking(book); }, 20));

  lockAndComeBack();
  ASSERT_TRUE(unpacking(book)) << "the book was unpacked before the lock came";
  press(0);
  EXPECT_TRUE(app->isWelcomeRoot());
  auto nothingLeft = [&] {
    EXPECT_FALSE(fs::exists(clientFolder()));
    EXPECT_FALSE(fs::exists(thumbs));
    EXPECT_FALSE(fs::exists(record));
    EXPECT_FALSE(holdsFile(previews, ".pdf"));
  };
  nothingLeft();
  // Whatever was still queued or running has ended: none of it came back.
  base::WorkQueue::global().waitIdle();
  ReaderThumbQueue::sharedInstance().waitUntilIdle();
  settle(1);
  nothingLeft();
  EXPECT_FALSE(AccountStorage::hasUnfinishedWipe("acme"));
}

TEST_F(LockedAccount, ADeletionHeldUpByWorkIsNotDoneUntilTheNextStartFinishesIt) {
  start();
  ASSERT_TRUE(signIn());
  // The new content waits for later.
  ASSERT_TRUE(waitFor([&] { return alertTitle() == en("CONTENTUPDATED"); }, 5)) << alertTitle();
  press(0);
  const fs::path folder = clientFolder();
  ASSERT_TRUE(fs::exists(folder / "marvisto_lite.sqlite"));
  // Work in the folder that does not stop when told, past the wait's bound.
  AccountStorage::setWriterBoundForTesting(std::chrono::milliseconds(50));
  auto stuck = base::FolderWriters::shared().enter(folder / "epub" / "Handbook 1");
  ASSERT_TRUE(stuck);

  lockAndComeBack();
  press(0);
  ASSERT_TRUE(app->isWelcomeRoot());
  // The folder is kept while the work runs, and the deletion is still owed.
  EXPECT_TRUE(fs::exists(folder / "marvisto_lite.sqlite"));
  EXPECT_TRUE(AccountStorage::hasUnfinishedWipe("acme"));
  // Meanwhile a sign-in to the account does not open what is left of it:
  // the device still takes it for locked, before asking the service.
  const std::size_t asked = messages("login").size();
  ASSERT_TRUE(typeLogin());
  ASSERT_TRUE(waitFor([&] { return alertTitle() == en("LOGINERRO"); }, 20)) << alertTitle();
  EXPECT_EQ(alert()->message(), en("114"));
  EXPECT_EQ(messages("login").size(), asked);
  press(0);
  EXPECT_TRUE(fs::exists(folder / "marvisto_lite.sqlite"));

  // The work ends; the application starts again and finishes the deletion
  // before the welcome screen is up.
  stuck.reset();
  restart();
  ASSERT_TRUE(welcome());
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_FALSE(AccountStorage::hasUnfinishedWipe("acme"));
  // The account, unlocked meanwhile, signs in afresh.
  ASSERT_TRUE(service->backend().setLocked("acme", "rep", false));
  ASSERT_TRUE(signIn());
  EXPECT_TRUE(fs::exists(folder / "marvisto_lite.sqlite"));
}

}  // namespace
}  // namespace mv::test
