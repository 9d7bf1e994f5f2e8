#include "library/reader/ReaderThumbRequest.hpp"

#include <cstdio>

#include "library/reader/ReaderThumbView.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/Screen.hpp"

namespace mv {

std::string ReaderThumbRequest::thumbNameFor(long page, base::Size size) {
  char name[64];
  std::snprintf(name, sizeof name, "%07ld-%04ldx%04ld", page, static_cast<long>(size.width),
                static_cast<long>(size.height));
  return name;
}

std::uint64_t ReaderThumbRequest::tagForKey(const std::string& cacheKey) {
  // FNV-1a: the same key gives the same tag in every process.
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : cacheKey) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h == 0 ? 1 : h;
}

std::shared_ptr<ReaderThumbRequest> ReaderThumbRequest::newForView(const std::shared_ptr<ReaderThumbView>& view,
                                                                   const std::filesystem::path& fileURL,
                                                                   const std::string& password,
                                                                   const std::string& guid, long page,
                                                                   base::Size size) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<ReaderThumbRequest> r(new ReaderThumbRequest());
  r->fileURL_ = fileURL;
  r->password_ = password;
  r->guid_ = guid;
  r->thumbPage_ = page;
  r->thumbSize_ = size;
  r->thumbName_ = thumbNameFor(page, size);
  r->cacheKey_ = r->thumbName_ + "+" + guid;
  r->targetTag_ = tagForKey(r->cacheKey_);
  r->scale_ = ui::Screen::mainScreen().scale();
  if (view) {
    view->target()->view = view;
    view->setTargetTag(r->targetTag_);
    r->target_ = view->target();
  }
  return r;
}

std::shared_ptr<ReaderThumbTarget> ReaderThumbRequest::thumbView() const {
  std::lock_guard lock(mutex_);
  return target_;
}

void ReaderThumbRequest::setThumbView(std::shared_ptr<ReaderThumbTarget> target) {
  std::lock_guard lock(mutex_);
  target_ = std::move(target);
}

}  // namespace mv
