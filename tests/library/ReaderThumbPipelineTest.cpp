// Page thumbnails: names, fitting, the memory cache with its placeholders,
// the disk cache, and delivery only to views that still want the picture.
#include <gtest/gtest.h>

#include <random>

#include "ReaderTestSupport.hpp"
#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderThumbRender.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "library/reader/ReaderThumbView.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/gfx/ImageData.hpp"
#include "util/Crypto.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using Entry = ReaderThumbCache::Entry;

class ReaderThumbPipelineTest : public test::ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    file = libraryPdf("thumbs.pdf", plainPdf(3));
    guid = ReaderDocument::GUID();
  }
  std::shared_ptr<ReaderThumbView> makeView() { return std::make_shared<ReaderThumbView>(ui::Rect{0, 0, 240, 240}); }
  std::shared_ptr<ReaderThumbRequest> request(const std::shared_ptr<ReaderThumbView>& view, long page,
                                              base::Size box = {240, 240}, const std::string& password = "") {
    return ReaderThumbRequest::newForView(view, file, password, guid, page, box);
  }
  fs::path thumbFile(long page, base::Size box = {240, 240}) {
    return ReaderThumbCache::thumbCachePathForGUID(guid) / (ReaderThumbRequest::thumbNameFor(page, box) + ".png");
  }
  ReaderThumbCache& cache() { return ReaderThumbCache::sharedInstance(); }
  ReaderThumbQueue& queue() { return ReaderThumbQueue::sharedInstance(); }

  fs::path file;
  std::string guid;
};

TEST_F(ReaderThumbPipelineTest, NamesFitsAndCosts) {
  EXPECT_EQ(ReaderThumbRequest::thumbNameFor(12, {240, 240}), "0000012-0240x0240");
  EXPECT_EQ(ReaderThumbRequest::thumbNameFor(7, {144.9, 144}), "0000007-0144x0144");
  struct Fit {
    base::Size page, box, expected;
  } fits[] = {
      {{612, 792}, {240, 240}, {184, 240}},
      {{612, 792}, {144, 144}, {110, 144}},
      {{792, 612}, {240, 240}, {240, 184}},
      {{612, 792}, {32, 42}, {32, 40}},
      // A long thin page stays inside a small box: the smaller ratio wins.
      {{200, 1000}, {22, 28}, {4, 28}},
      {{1000, 200}, {22, 28}, {22, 4}},
      {{0, 792}, {240, 240}, {0, 0}},
  };
  for (const auto& f : fits) EXPECT_EQ(ReaderThumbRender::fitSize(f.page, f.box), f.expected) << f.page;
  auto img = gfx::Image::blank({184, 240}, 2);
  EXPECT_EQ(ReaderThumbCache::costOf(*img), 176640u);
  auto view = makeView();
  auto r = request(view, 12);
  EXPECT_EQ(r->cacheKey(), "0000012-0240x0240+" + guid);
  EXPECT_EQ(view->targetTag(), r->targetTag());
  EXPECT_NE(r->targetTag(), 0u);
}

TEST_F(ReaderThumbPipelineTest, AMissRendersOnceStoresOnDiskAndDelivers) {
  auto first = makeView(), second = makeView();
  auto r1 = request(first, 1);
  auto r2 = request(second, 1);
  queue().setSuspended(true);
  EXPECT_FALSE(cache().thumbRequest(r1, true));
  EXPECT_EQ(cache().entryForKey(r1->cacheKey()), Entry::Placeholder);
  // The second lookup finds the work under way and starts none.
  EXPECT_FALSE(cache().thumbRequest(r2, true));
  EXPECT_FALSE(second->operation());
  EXPECT_TRUE(first->operation());
  queue().setSuspended(false);
  settleThumbnails();
  ASSERT_TRUE(first->imageView()->image());
  EXPECT_EQ(first->imageView()->image()->size(), (base::Size{184, 240}));
  EXPECT_FALSE(second->imageView()->image());
  EXPECT_FALSE(first->operation());
  EXPECT_EQ(cache().entryForKey(r1->cacheKey()), Entry::Image);
  ASSERT_TRUE(fs::exists(thumbFile(1)));
  auto png = gfx::ImageData::decodeFile(thumbFile(1));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 184);
  EXPECT_EQ(png->height, 240);

  // Now a hit answers at once.
  EXPECT_TRUE(cache().thumbRequest(request(makeView(), 1), true));
  // Out of memory, the file serves: even with the PDF gone.
  cache().removeAllObjects();
  fs::remove(file);
  auto third = makeView();
  EXPECT_FALSE(cache().thumbRequest(request(third, 1), true));
  settleThumbnails();
  ASSERT_TRUE(third->imageView()->image());
  EXPECT_EQ(third->imageView()->image()->size(), (base::Size{184, 240}));
}

TEST_F(ReaderThumbPipelineTest, ABrokenCacheFileIsDrawnAgain) {
  fs::create_directories(thumbFile(2).parent_path());
  ASSERT_TRUE(test::writeFile(thumbFile(2), "\x89PNG\r\n\x1a\n cut short"));
  auto view = makeView();
  EXPECT_FALSE(cache().thumbRequest(request(view, 2), true));
  settleThumbnails();
  EXPECT_TRUE(view->imageView()->image());
  EXPECT_TRUE(gfx::ImageData::decodeFile(thumbFile(2)));
}

TEST_F(ReaderThumbPipelineTest, FailuresLeaveNoPlaceholderSoTheNextRequestTriesAgain) {
  fs::path plain = root / "plain.pdf";
  ASSERT_TRUE(test::writeFile(plain, plainPdf(1)));
  fs::path locked = root / "locked.pdf";
  ASSERT_TRUE(test::encryptPdf(plain, locked, "secret", "owner"));
  file = locked;
  struct Case {
    const char* what;
    long page;
    std::string password;
  } cases[] = {{"page 0", 0, "secret"}, {"past the end", 9, "secret"}, {"wrong password", 1, "wrong"}};
  for (const auto& c : cases) {
    auto view = makeView();
    auto r = request(view, c.page, {240, 240}, c.password);
    EXPECT_FALSE(cache().thumbRequest(r, true)) << c.what;
    settleThumbnails();
    EXPECT_EQ(cache().entryForKey(r->cacheKey()), Entry::None) << c.what;
    EXPECT_FALSE(view->imageView()->image()) << c.what;
    EXPECT_FALSE(fs::exists(thumbFile(c.page))) << c.what;
  }
  auto view = makeView();
  cache().thumbRequest(request(view, 1, {240, 240}, "secret"), true);
  settleThumbnails();
  EXPECT_TRUE(view->imageView()->image());
}

TEST_F(ReaderThumbPipelineTest, ViewsOnlyShowWhatTheyStillAskFor) {
  // A view that went on to another page meanwhile: the picture is cached
  // but not shown on it.
  auto view = makeView();
  auto r = request(view, 1);
  cache().thumbRequest(r, true);
  view->setTargetTag(12345);
  settleThumbnails();
  EXPECT_FALSE(view->imageView()->image());
  EXPECT_EQ(cache().entryForKey(r->cacheKey()), Entry::Image);

  // Reuse cancels: the placeholder goes, and a new lookup starts new work.
  auto other = makeView();
  auto r3 = request(other, 3);
  queue().setSuspended(true);
  cache().thumbRequest(r3, false);
  other->reuse();
  EXPECT_EQ(other->targetTag(), 0u);
  EXPECT_EQ(cache().entryForKey(r3->cacheKey()), Entry::None);
  queue().setSuspended(false);
  settleThumbnails();
  EXPECT_FALSE(other->imageView()->image());
  auto again = request(other, 3);
  // Held, so that the worker cannot finish the new lookup before the
  // placeholder is read.
  queue().setSuspended(true);
  EXPECT_FALSE(cache().thumbRequest(again, false));
  EXPECT_EQ(cache().entryForKey(again->cacheKey()), Entry::Placeholder);
  queue().setSuspended(false);
  settleThumbnails();
  EXPECT_TRUE(other->imageView()->image());

  // A view taken off the screen cancels its work too.
  auto container = std::make_shared<ui::View>();
  auto gone = makeView();
  container->addSubview(gone);
  auto r2 = request(gone, 2, {144, 144});
  queue().setSuspended(true);
  cache().thumbRequest(r2, true);
  gone->removeFromSuperview();
  EXPECT_EQ(cache().entryForKey(r2->cacheKey()), Entry::None);
  queue().setSuspended(false);
}

TEST_F(ReaderThumbPipelineTest, CancelledWorkStillWritesItsFileButDeliversNothing) {
  // As when the reader closes while a page is being drawn: the render sees
  // its flag only after drawing.
  auto view = makeView();
  auto r = request(view, 2);
  auto render = std::make_shared<ReaderThumbRender>(r, ReaderThumbOperation::Priority::Normal);
  render->cancel();
  render->main();
  base::RunLoop::main().drain();
  EXPECT_FALSE(view->imageView()->image());
  EXPECT_TRUE(fs::exists(thumbFile(2)));
  EXPECT_EQ(cache().entryForKey(r->cacheKey()), Entry::Image);

  // Cancelling a document's queued work removes it whole.
  for (long p = 1; p <= 3; ++p) cache().thumbRequest(request(makeView(), p, {22, 28}), false);
  ReaderThumbQueue::sharedInstance().cancelOperationsWithGUID(guid);
  settleThumbnails();
  for (long p = 1; p <= 3; ++p)
    EXPECT_NE(cache().entryForKey(ReaderThumbRequest::thumbNameFor(p, {22, 28}) + "+" + guid), Entry::Placeholder);
}

TEST_F(ReaderThumbPipelineTest, TheMemoryCacheStaysWithinItsCost) {
  for (int i = 0; i < 40; ++i) cache().setObject(gfx::Image::blank({184, 240}), "k" + std::to_string(i));
  EXPECT_LE(cache().totalCost(), ReaderThumbCache::kCostLimit);
  EXPECT_EQ(cache().entryForKey("k39"), Entry::Image);
  EXPECT_EQ(cache().entryForKey("k0"), Entry::None);
  cache().removeNullForKey("k39");
  EXPECT_EQ(cache().entryForKey("k39"), Entry::Image);
}

TEST_F(ReaderThumbPipelineTest, ManyLookupsAndCancelsSettleWithEveryViewRight) {
  std::mt19937 rng(7);
  std::vector<std::shared_ptr<ReaderThumbView>> views;
  std::vector<long> pages;
  for (int i = 0; i < 24; ++i) {
    views.push_back(makeView());
    pages.push_back(0);
  }
  for (int round = 0; round < 200; ++round) {
    std::size_t v = rng() % views.size();
    switch (rng() % 4) {
      case 0:
        views[v]->reuse();
        pages[v] = 0;
        break;
      case 1:
        ReaderThumbQueue::sharedInstance().cancelOperationsWithGUID(guid);
        break;
      default: {
        long page = 1 + static_cast<long>(rng() % 3);
        views[v]->reuse();
        pages[v] = page;
        auto img = cache().thumbRequest(request(views[v], page, rng() % 2 ? base::Size{240, 240} : base::Size{22, 28}),
                                        rng() % 2);
        if (img) views[v]->showImage(img);
      }
    }
    if (round % 50 == 0) base::RunLoop::main().drain();
  }
  settleThumbnails();
  // No placeholder outlives its work, and no view shows a picture it did not ask for last.
  for (long p = 1; p <= 3; ++p)
    for (base::Size box : {base::Size{240, 240}, base::Size{22, 28}})
      EXPECT_NE(cache().entryForKey(ReaderThumbRequest::thumbNameFor(p, box) + "+" + guid), Entry::Placeholder);
  for (std::size_t v = 0; v < views.size(); ++v) {
    if (pages[v] == 0) {
      EXPECT_FALSE(views[v]->imageView()->image());
    }
  }
}

TEST_F(ReaderThumbPipelineTest, OnlyOldGuidFoldersArePurged) {
  std::string old = ReaderDocument::GUID(), fresh = ReaderDocument::GUID();
  for (const auto& g : {old, fresh}) ReaderThumbCache::createThumbCacheWithGUID(g);
  fs::path stranger = ReaderThumbCache::thumbCacheRoot() / std::string(36, 'x');
  fs::create_directories(stranger);
  fs::path beside = ReaderThumbCache::appCachesPath() / ReaderDocument::GUID();
  fs::create_directories(beside);
  auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(24 * 60);
  for (const auto& p : {ReaderThumbCache::thumbCachePathForGUID(old), stranger, beside}) fs::last_write_time(p, longAgo);
  ReaderThumbCache::purgeThumbCachesOlderThan(ReaderThumbCache::kPurgeAgeSeconds);
  settleThumbnails();
  EXPECT_FALSE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(old)));
  EXPECT_TRUE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(fresh)));
  EXPECT_TRUE(fs::exists(stranger));
  EXPECT_TRUE(fs::exists(beside));
  // Touching makes an old folder young again.
  fs::last_write_time(ReaderThumbCache::thumbCachePathForGUID(fresh), longAgo);
  ReaderThumbCache::touchThumbCacheWithGUID(fresh);
  ReaderThumbCache::purgeThumbCachesOlderThan(ReaderThumbCache::kPurgeAgeSeconds);
  settleThumbnails();
  EXPECT_TRUE(fs::exists(ReaderThumbCache::thumbCachePathForGUID(fresh)));
}

}  // namespace
}  // namespace mv
