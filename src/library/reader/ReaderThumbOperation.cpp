#include "library/reader/ReaderThumbOperation.hpp"

#include "library/reader/ReaderThumbCache.hpp"
#include "library/reader/ReaderThumbRequest.hpp"
#include "library/reader/ReaderThumbView.hpp"
#include "platform/base/RunLoop.hpp"

namespace mv {

ReaderThumbOperation::ReaderThumbOperation(std::shared_ptr<ReaderThumbRequest> request, Priority priority)
    : request_(std::move(request)), guid_(request_ ? request_->guid() : std::string()), priority_(priority) {}

ReaderThumbOperation::~ReaderThumbOperation() = default;

void ReaderThumbOperation::cancel() {
  if (cancelled_.exchange(true)) return;
  if (!request_) return;
  if (auto target = request_->thumbView()) {
    // Only this work comes off the view: a later request's work stays.
    target->replaceOperation(this, nullptr);
  }
  request_->setThumbView(nullptr);
  ReaderThumbCache::sharedInstance().removeNullForKey(request_->cacheKey());
}

void ReaderThumbOperation::handOverOnView(std::shared_ptr<ReaderThumbOperation> next) const {
  if (!request_) return;
  if (auto target = request_->thumbView()) target->replaceOperation(this, std::move(next));
}

void ReaderThumbOperation::deliver(const gfx::ImagePtr& image) const {
  if (!request_ || !image) return;
  auto target = request_->thumbView();
  if (!target) return;
  std::uint64_t tag = request_->targetTag();
  base::RunLoop::main().post([target, tag, image] {
    auto view = target->view.lock();
    if (view && view->targetTag() == tag) view->showImage(image);
  });
}

}  // namespace mv
