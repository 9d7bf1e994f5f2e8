#include "library/reader/ReaderThumbRender.hpp"

#include <algorithm>
#include <cmath>

#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "platform/base/FolderWriters.hpp"
#include "platform/base/Log.hpp"
#include "platform/gfx/Context.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

long evenFloor(double v) {
  long n = v > 0 ? static_cast<long>(v) : 0;
  return n - (n % 2);
}

}  // namespace

base::Size ReaderThumbRender::fitSize(base::Size page, base::Size box) {
  if (!(page.width > 0) || !(page.height > 0) || !(box.width > 0) || !(box.height > 0)) return {};
  // The smaller ratio: the picture never leaves its box, whatever the shapes.
  double factor = std::min(box.width / page.width, box.height / page.height);
  return {static_cast<double>(evenFloor(page.width * factor)), static_cast<double>(evenFloor(page.height * factor))};
}

fs::path ReaderThumbRender::thumbFileURL() const {
  fs::path folder = ReaderThumbCache::thumbCachePathForGUID(request()->guid());
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder / (request()->thumbName() + ".png");
}

void ReaderThumbRender::main() {
  const auto& req = request();
  auto& cache = ReaderThumbCache::sharedInstance();
  auto fail = [&] {
    cache.removeNullForKey(req->cacheKey());
    finishOnView();
  };
  // The thumbnail belongs to the document's folder: deleting that folder
  // waits while one is drawn and written, and none starts after.
  base::CancelFlag stop;
  auto pass = base::FolderWriters::shared().enter(req->fileURL(), stop);
  if (!pass) return fail();
  auto doc = ReaderOpenPDFDocument(req->fileURL(), req->password());
  const long page = req->thumbPage();
  if (!doc || page < 1 || page > doc->pageCount()) return fail();
  const int index = static_cast<int>(page - 1);
  base::Size size = fitSize(doc->pageSize(index), req->thumbSize());
  const double scale = req->scale() > 0 ? req->scale() : 1;
  if (size.width < 2 || size.height < 2) return fail();
  auto ctx = gfx::Context::bitmap(size, scale, /*opaque=*/true);
  if (!ctx || !doc->drawPage(index, *ctx, {0, 0, size.width, size.height})) return fail();
  auto image = ctx->makeImage();
  if (!image) return fail();
  cache.setObject(image, req->cacheKey());
  if (!isCancelled()) deliver(image);
  // Written also when cancelled: the next opening finds it. The write goes
  // to a temporary name first, so a cut write leaves no torn file.
  if (!stop.isCancelled() && !image->writePNG(thumbFileURL())) MV_LOG("Thumbnail not written: ", req->thumbName());
  finishOnView();
}

}  // namespace mv
