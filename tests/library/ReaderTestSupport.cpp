#include "ReaderTestSupport.hpp"

#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv::test {

void ReaderTest::SetUp() {
  TestEnvironment::SetUp();
  // Texts read as their keys, so tests name what the user is shown.
  setTextLookup([](const std::string& key) -> std::optional<std::string> { return key; });
  ReaderThumbCache::sharedInstance().removeAllObjects();
}

void ReaderTest::TearDown() {
  ReaderThumbQueue::sharedInstance().setSuspended(false);
  ReaderThumbQueue::sharedInstance().cancelAllOperations();
  settleThumbnails();
  ReaderThumbCache::sharedInstance().removeAllObjects();
  setTextLookup(nullptr);
  TestEnvironment::TearDown();
}

fs::path ReaderTest::libraryPdf(const std::string& name, const std::string& bytes, const std::string& client) {
  fs::path p = base::Paths::documents() / client / "Pdf" / name;
  EXPECT_TRUE(writeFile(p, bytes));
  return p;
}

fs::path ReaderTest::copyToLibrary(const fs::path& from, const std::string& client) {
  fs::path p = base::Paths::documents() / client / "Pdf" / from.filename();
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  fs::copy_file(from, p, fs::copy_options::overwrite_existing, ec);
  EXPECT_FALSE(ec) << ec.message();
  return p;
}

std::string ReaderTest::plainPdf(int count, base::Size size) {
  std::vector<PdfPageSpec> pages;
  for (int i = 0; i < count; ++i) {
    PdfPageSpec p;
    p.mediaBox = {0, 0, size.width, size.height};
    p.content = squareAt(20 + i, 20, 40);
    pages.push_back(p);
  }
  return pagesPdf(pages);
}

std::shared_ptr<ui::Window> ReaderTest::makeWindow() {
  auto w = std::make_shared<ui::Window>();
  w->makeKeyAndVisible();
  return w;
}

void ReaderTest::settleThumbnails() {
  for (int i = 0; i < 3; ++i) {
    ReaderThumbQueue::sharedInstance().waitUntilIdle();
    base::WorkQueue::global().waitIdle();
    base::RunLoop::main().drain();
  }
}

}  // namespace mv::test
