#pragma once
// A piece of thumbnail work for one document: a fetch from the disk cache or
// a render from the PDF. The queues run them; cancelling by GUID looks at
// `guid`. Cancelling is safe from any thread at any time: work not started
// never runs, running work sees the flag at its next check.
#include <atomic>
#include <memory>
#include <string>

#include "platform/gfx/Image.hpp"

namespace mv {

class ReaderThumbRequest;

class ReaderThumbOperation : public std::enable_shared_from_this<ReaderThumbOperation> {
 public:
  // Within one queue, normal work runs before low work.
  enum class Priority { Normal = 0, Low = -4 };

  explicit ReaderThumbOperation(std::shared_ptr<ReaderThumbRequest> request, Priority priority);
  virtual ~ReaderThumbOperation();
  ReaderThumbOperation(const ReaderThumbOperation&) = delete;
  ReaderThumbOperation& operator=(const ReaderThumbOperation&) = delete;

  const std::string& guid() const { return guid_; }
  const std::shared_ptr<ReaderThumbRequest>& request() const { return request_; }
  Priority queuePriority() const { return priority_; }
  bool isCancelled() const { return cancelled_.load(); }

  // Flags the work, takes it off the request's view and drops the view from
  // the request, and removes the cache's placeholder of the key so that a
  // later request starts new work.
  void cancel();
  // The work itself, on a queue's thread.
  virtual void main() = 0;

 protected:
  // Makes `next` the request view's current work in place of this one
  // (nothing when the request has no view or the view went on to other work).
  void handOverOnView(std::shared_ptr<ReaderThumbOperation> next) const;
  // This work ended: the view has no work under way any more, unless it went
  // on to other work meanwhile.
  void finishOnView() const { handOverOnView(nullptr); }
  // Puts the image on the request's view on the main thread, when the view
  // still shows this request then.
  void deliver(const gfx::ImagePtr& image) const;

 private:
  std::shared_ptr<ReaderThumbRequest> request_;
  std::string guid_;
  Priority priority_;
  std::atomic<bool> cancelled_{false};
};

}  // namespace mv
