#pragma once
// The tiled drawing of one page view. The page is cut into square tiles of
// 512 or 1024 pixels at four levels of detail; a tile is drawn on a worker of
// the page's own (so one document never draws on two threads) and the page
// view composes the tiles it has. Until a tile arrives the thumbnail under
// the page shows through. Main thread only, but for the worker.
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <vector>
#include <functional>

#include "platform/base/Geometry.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/PdfDocument.hpp"

namespace mv {

class ReaderContentTile {
 public:
  static constexpr int kLevelsOfDetail = 4;
  // Pixels kept per page, whatever its size: tiles up to this many bytes,
  // or every tile the last drawing showed when they take more (a screen's
  // worth at most, as the levels go); the least recently drawn go first.
  // Fewer than are shown would draw the page over and over.
  static constexpr std::size_t kBudgetBytes = std::size_t(48) << 20;
  // Below the coarsest level a page seen whole goes on halving down to this.
  static constexpr double kCoarsestScale = 1.0 / 256;

  // One level magnified on screens with a scale above 1, else three.
  static int levelsOfDetailBias(double screenScale) { return screenScale > 1 ? 1 : 3; }
  // 512 when the larger side of the screen in pixels is below 512, else 1024.
  static int tileSize(double screenScale, base::Size screenSize);
  // Pixels per point of each level, finest first: screen scale x 2^bias,
  // halving down the levels.
  static std::vector<double> levelScales(double screenScale);
  // The level that serves `deviceScale` pixels per point: the coarsest one
  // at least as fine, else the finest; below the coarsest, halved until the
  // next half would be too coarse (a plan of several metres seen whole is
  // drawn at about its size on screen, not at a point a pixel).
  static double levelScaleFor(double deviceScale, double screenScale);

  // For the main screen; `onTile` runs on the main thread when a tile arrived.
  ReaderContentTile(std::shared_ptr<gfx::PdfDocument> document, int pageIndex, base::Size pageSize,
                    std::function<void()> onTile);
  ReaderContentTile(std::shared_ptr<gfx::PdfDocument> document, int pageIndex, base::Size pageSize,
                    double screenScale, int tileSize, std::function<void()> onTile);
  ~ReaderContentTile();
  ReaderContentTile(const ReaderContentTile&) = delete;
  ReaderContentTile& operator=(const ReaderContentTile&) = delete;

  // Draws the tiles at hand that cover `visible` (page points) at the level
  // for `deviceScale`, and asks the worker for the missing ones.
  void draw(gfx::Context& ctx, const base::Rect& visible, double deviceScale);
  // Tiles asked for and not yet arrived.
  std::size_t pendingCount() const { return pending_.size(); }
  // Blocks until every tile asked for is drawn, its result posted to the
  // main loop (tests wait on the renders, not on the clock).
  void waitForRenders() { worker_->waitIdle(); }
  std::size_t tileCount() const { return tiles_.size(); }
  // The bytes of the tiles kept, and how many the page keeps now.
  std::size_t bytes() const { return bytes_; }
  std::size_t capacity() const { return capacity_; }
  // Tiles asked of the worker since the page was made.
  std::size_t requestCount() const { return requests_; }
  // The level of the last tile asked for (0 before any).
  double lastRequestedScale() const { return lastRequested_; }
  // Drops every tile and pending request (the page changed size).
  void clear();

 private:
  // level scale in 1/1000 pixel per point, column, row
  using Key = std::tuple<long, int, int>;
  void request(const Key& key, double scale, const base::Rect& area);
  void touch(const Key& key);

  std::shared_ptr<gfx::PdfDocument> document_;
  int pageIndex_ = 0;
  base::Size pageSize_;
  double screenScale_ = 1;
  int tileSize_ = 1024;
  std::function<void()> onTile_;
  std::map<Key, gfx::ImagePtr> tiles_;
  std::list<Key> ages_;
  std::set<Key> pending_;
  double lastRequested_ = 0;
  std::size_t bytes_ = 0;
  std::size_t capacity_ = kBudgetBytes;
  std::size_t requests_ = 0;
  std::unique_ptr<base::WorkQueue> worker_ = base::WorkQueue::serial();
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace mv
