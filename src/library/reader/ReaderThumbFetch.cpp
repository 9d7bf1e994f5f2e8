#include "library/reader/ReaderThumbFetch.hpp"

#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbQueue.hpp"
#include "library/reader/ReaderThumbRender.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "platform/base/FileIO.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {
// A thumbnail file is small; anything larger is not one of ours.
constexpr std::size_t kMaxThumbFileBytes = 16u << 20;
}  // namespace

fs::path ReaderThumbFetch::thumbFileURL() const {
  return ReaderThumbCache::thumbCachePathForGUID(request()->guid()) / (request()->thumbName() + ".png");
}

void ReaderThumbFetch::main() {
  const auto& req = request();
  const fs::path file = thumbFileURL();
  if (auto bytes = base::readFileBytes(file, kMaxThumbFileBytes)) {
    if (auto image = gfx::Image::fromData(*bytes, req->scale())) {
      ReaderThumbCache::sharedInstance().setObject(image, req->cacheKey());
      if (!isCancelled()) deliver(image);
      finishOnView();
      return;
    }
    // A file that does not decode (a write cut short) would block this
    // thumbnail for good: it goes, and the page is drawn again.
    std::error_code ec;
    fs::remove(file, ec);
  }
  auto render = std::make_shared<ReaderThumbRender>(req, queuePriority());
  if (isCancelled()) {
    finishOnView();
    return;
  }
  handOverOnView(render);
  ReaderThumbQueue::sharedInstance().addWorkOperation(render);
}

}  // namespace mv
