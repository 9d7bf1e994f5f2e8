// A reused library card shows the cover of the file it shows now, never the
// one of the file it showed before, however late that one arrives.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "LibraryTestSupport.hpp"
#include "widgets/PictureLoader.hpp"
#include "platform/base/WorkQueue.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// Holds one worker of a queue until opened (at the latest when it goes).
class WorkerGate {
 public:
  explicit WorkerGate(base::WorkQueue& queue) {
    std::shared_future<void> opened = opened_;
    queue.async([opened](const base::CancelFlag&) { opened.wait(); });
  }
  ~WorkerGate() { open(); }
  void open() {
    if (open_) return;
    open_ = true;
    promise_.set_value();
  }

 private:
  std::promise<void> promise_;
  std::shared_future<void> opened_ = promise_.get_future().share();
  bool open_ = false;
};

class PictureLoaderTest : public test::LibraryTest {
 protected:
  void putCover(const std::string& name, double side) {
    const fs::path path = PublicFunction::filePathWithName(name, kFileTypeLibraryImage).value_or(fs::path());
    ASSERT_FALSE(path.empty());
    fs::create_directories(path.parent_path());
    auto png = gfx::Image::blank({side, side})->pngData();
    ASSERT_TRUE(png);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png->data()),
                                                static_cast<std::streamsize>(png->size()));
  }
  // Until every read and fitting has run.
  void settle() {
    for (int i = 0; i < 20; ++i) {
      base::WorkQueue::global().waitIdle();
      advance(0.1);
    }
  }
  double shownSide() const { return view->image() ? view->image()->size().width : 0; }

  std::shared_ptr<ui::View> card = std::make_shared<ui::View>(ui::Rect{0, 0, 180, 240});
  std::shared_ptr<ui::ImageView> view = std::make_shared<ui::ImageView>(ui::Rect{38, 20, 105, 147});
};

TEST_F(PictureLoaderTest, OnlyTheLatestCoverIsShown) {
  card->addSubview(view);
  putCover("first.png", 10);
  putCover("second.png", 20);
  auto loader = PictureLoader::create(view);

  loader->loadFileImageAsyncWithName("first.png", kFileTypeLibraryImage, false);
  EXPECT_EQ(view->alpha(), 0.0);
  settle();
  EXPECT_EQ(shownSide(), 10);
  EXPECT_EQ(view->alpha(), 1.0);

  // Reused twice before anything arrived: the last file wins.
  loader->loadFileImageAsyncWithName("first.png", kFileTypeLibraryImage, false);
  loader->loadFileImageAsyncWithName("second.png", kFileTypeLibraryImage, false);
  EXPECT_EQ(view->alpha(), 0.0) << "the old cover is not shown meanwhile";
  settle();
  EXPECT_EQ(shownSide(), 20);

  // A picture in hand replaces a read still under way.
  loader->loadFileImageAsyncWithName("first.png", kFileTypeLibraryImage, false);
  loader->loadFileImageWithImage(gfx::Image::blank({30, 30}), false);
  settle();
  EXPECT_EQ(shownSide(), 30);
  EXPECT_EQ(view->alpha(), 1.0);
  EXPECT_TRUE(loader->fileImageLoadOperation()->isFinished());
}

// The first file's cover is read, and its delivery waits on the main loop,
// when the card is reused for the second file: it never shows, not even
// before the second one arrives.
TEST_F(PictureLoaderTest, ACoverReadBeforeTheCardWasReusedNeverShows) {
  card->addSubview(view);
  putCover("first.png", 10);
  putCover("second.png", 20);
  auto loader = PictureLoader::create(view);
  auto& pool = base::WorkQueue::global();
  ASSERT_EQ(pool.pendingCount(), 0u);

  // Both workers held; the first read queues behind them.
  WorkerGate a(pool);
  WorkerGate b(pool);
  loader->loadFileImageAsyncWithName("first.png", kFileTypeLibraryImage, false);
  a.open();
  // The first read ends on that worker; its picture now waits on the main loop.
  while (pool.pendingCount() > 1) std::this_thread::yield();
  // That worker held again, so the second read waits for it.
  WorkerGate c(pool);
  loader->loadFileImageAsyncWithName("second.png", kFileTypeLibraryImage, false);
  for (int i = 0; i < 5; ++i) advance(0.1);
  EXPECT_EQ(shownSide(), 0) << "the first file's cover showed on the reused card";
  EXPECT_EQ(view->alpha(), 0.0);

  b.open();
  c.open();
  settle();
  EXPECT_EQ(shownSide(), 20);
  EXPECT_EQ(view->alpha(), 1.0);
}

}  // namespace
}  // namespace mv
