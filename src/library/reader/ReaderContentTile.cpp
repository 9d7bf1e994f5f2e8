#include "library/reader/ReaderContentTile.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Screen.hpp"

namespace mv {

int ReaderContentTile::tileSize(double screenScale, base::Size screenSize) {
  double larger = std::max(screenScale * screenSize.width, screenScale * screenSize.height);
  return larger < 512 ? 512 : 1024;
}

std::vector<double> ReaderContentTile::levelScales(double screenScale) {
  if (!(screenScale > 0)) screenScale = 1;
  std::vector<double> out;
  double s = screenScale * std::pow(2.0, levelsOfDetailBias(screenScale));
  for (int i = 0; i < kLevelsOfDetail; ++i, s /= 2) out.push_back(s);
  return out;
}

double ReaderContentTile::levelScaleFor(double deviceScale, double screenScale) {
  auto levels = levelScales(screenScale);  // finest first
  double chosen = levels.front();
  for (double s : levels)
    if (s + 1e-9 >= deviceScale) chosen = s;
  while (chosen / 2 + 1e-9 >= deviceScale && chosen / 2 >= kCoarsestScale) chosen /= 2;
  return chosen;
}

ReaderContentTile::ReaderContentTile(std::shared_ptr<gfx::PdfDocument> document, int pageIndex, base::Size pageSize,
                                     std::function<void()> onTile)
    : ReaderContentTile(std::move(document), pageIndex, pageSize, ui::Screen::mainScreen().scale(),
                        tileSize(ui::Screen::mainScreen().scale(), ui::Screen::mainScreen().bounds().size),
                        std::move(onTile)) {}

ReaderContentTile::ReaderContentTile(std::shared_ptr<gfx::PdfDocument> document, int pageIndex, base::Size pageSize,
                                     double screenScale, int tileSize, std::function<void()> onTile)
    : document_(std::move(document)),
      pageIndex_(pageIndex),
      pageSize_(pageSize),
      screenScale_(screenScale > 0 ? screenScale : 1),
      tileSize_(tileSize),
      onTile_(std::move(onTile)) {}

ReaderContentTile::~ReaderContentTile() {
  // The worker's queued tiles go; a running one finishes and delivers nowhere.
  worker_->cancelAll();
}

void ReaderContentTile::clear() {
  MV_ASSERT_MAIN_THREAD();
  worker_->cancelAll();
  alive_ = std::make_shared<bool>(true);  // tiles already on their way are dropped
  tiles_.clear();
  ages_.clear();
  pending_.clear();
  bytes_ = 0;
}

void ReaderContentTile::touch(const Key& key) {
  ages_.remove(key);
  ages_.push_back(key);
}

namespace {

// The rectangle whose edges fall on the nearest whole device pixels, so that
// neighbouring tiles meet exactly: an edge inside a pixel would be blended
// twice and show as a faint line. Left as it is under a turn or a shear.
base::Rect onDevicePixels(const base::Rect& r, const base::AffineTransform& m) {
  if (m.b != 0 || m.c != 0 || m.a == 0 || m.d == 0) return r;
  auto snapX = [&](double x) { return (std::round(m.a * x + m.tx) - m.tx) / m.a; };
  auto snapY = [&](double y) { return (std::round(m.d * y + m.ty) - m.ty) / m.d; };
  const double x0 = snapX(r.minX()), x1 = snapX(r.maxX()), y0 = snapY(r.minY()), y1 = snapY(r.maxY());
  return base::Rect{std::min(x0, x1), std::min(y0, y1), std::abs(x1 - x0), std::abs(y1 - y0)};
}

std::size_t imageBytes(const gfx::Image& image) {
  return static_cast<std::size_t>(image.pixelWidth()) * static_cast<std::size_t>(image.pixelHeight()) * 4;
}

// The bytes a tile of `size` points takes at `scale`, as the bitmap it is drawn into rounds it.
std::size_t tileBytes(base::Size size, double scale) {
  return static_cast<std::size_t>(std::ceil(size.width * scale)) *
         static_cast<std::size_t>(std::ceil(size.height * scale)) * 4;
}

}  // namespace

void ReaderContentTile::draw(gfx::Context& ctx, const base::Rect& visible, double deviceScale) {
  MV_ASSERT_MAIN_THREAD();
  base::Rect page{0, 0, pageSize_.width, pageSize_.height};
  base::Rect area = visible.intersection(page);
  if (area.isEmpty()) return;
  const double scale = levelScaleFor(deviceScale, screenScale_);
  const double side = tileSize_ / scale;  // points per tile
  const long level = std::lround(scale * 1000);
  int c0 = static_cast<int>(std::floor(area.minX() / side)), c1 = static_cast<int>(std::ceil(area.maxX() / side));
  int r0 = static_cast<int>(std::floor(area.minY() / side)), r1 = static_cast<int>(std::ceil(area.maxY() / side));
  std::size_t shown = 0;
  const base::AffineTransform device = ctx.ctm();
  for (int r = r0; r < r1; ++r) {
    for (int c = c0; c < c1; ++c) {
      Key key{level, c, r};
      base::Rect tileRect = base::Rect{c * side, r * side, side, side}.intersection(page);
      if (tileRect.isEmpty()) continue;
      shown += tileBytes(tileRect.size, scale);
      auto it = tiles_.find(key);
      if (it == tiles_.end()) {
        request(key, scale, tileRect);
        continue;
      }
      touch(key);
      ctx.drawImage(*it->second, onDevicePixels(tileRect, device));
    }
  }
  capacity_ = std::max(kBudgetBytes, shown);
}

void ReaderContentTile::request(const Key& key, double scale, const base::Rect& area) {
  if (!pending_.insert(key).second) return;
  lastRequested_ = scale;
  ++requests_;
  std::weak_ptr<bool> alive = alive_;
  auto document = document_;
  const int index = pageIndex_;
  const base::Rect page{0, 0, pageSize_.width, pageSize_.height};
  worker_->async([this, alive, document, index, page, key, scale, area](const base::CancelFlag& flag) {
    if (flag.isCancelled()) return;
    auto ctx = gfx::Context::bitmap(area.size, scale, /*opaque=*/true);
    ctx->translate(-area.x(), -area.y());
    document->drawPage(index, *ctx, page);
    gfx::ImagePtr image = ctx->makeImage();
    base::RunLoop::main().post([this, alive, key, image] {
      if (!alive.lock()) return;
      pending_.erase(key);
      if (!image) return;
      auto& slot = tiles_[key];
      if (slot) bytes_ -= imageBytes(*slot);
      slot = image;
      bytes_ += imageBytes(*image);
      touch(key);
      while (bytes_ > capacity_ && ages_.size() > 1) {
        auto oldest = tiles_.find(ages_.front());
        bytes_ -= imageBytes(*oldest->second);
        tiles_.erase(oldest);
        ages_.pop_front();
      }
      if (onTile_) onTile_();
    });
  });
}

}  // namespace mv
