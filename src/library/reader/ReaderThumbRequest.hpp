#pragma once
// One request for one page thumbnail: the PDF, its document's GUID and
// password, the page and the box the picture must fit in, and the view that
// wants it. Immutable once made, except that cancelling drops the view.
// Shared by the main thread and the thumbnail queues.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "platform/base/Geometry.hpp"

namespace mv {

class ReaderThumbView;
class ReaderThumbTarget;

class ReaderThumbRequest {
 public:
  // Main thread: also gives the view the new request's tag.
  static std::shared_ptr<ReaderThumbRequest> newForView(const std::shared_ptr<ReaderThumbView>& view,
                                                        const std::filesystem::path& fileURL,
                                                        const std::string& password, const std::string& guid,
                                                        long page, base::Size size);

  // "%07ld-%04ldx%04ld" of the page and the box's whole width and height.
  static std::string thumbNameFor(long page, base::Size size);
  // The tag of a cache key: a hash of it, never 0.
  static std::uint64_t tagForKey(const std::string& cacheKey);

  const std::filesystem::path& fileURL() const { return fileURL_; }
  const std::string& guid() const { return guid_; }
  const std::string& password() const { return password_; }
  const std::string& thumbName() const { return thumbName_; }
  // "<thumbName>+<guid>"
  const std::string& cacheKey() const { return cacheKey_; }
  std::uint64_t targetTag() const { return targetTag_; }
  long thumbPage() const { return thumbPage_; }
  base::Size thumbSize() const { return thumbSize_; }
  // The screen's scale when the request was made.
  double scale() const { return scale_; }

  // The view's side of the request; nothing once cancelled. Any thread.
  std::shared_ptr<ReaderThumbTarget> thumbView() const;
  void setThumbView(std::shared_ptr<ReaderThumbTarget> target);

 private:
  ReaderThumbRequest() = default;
  std::filesystem::path fileURL_;
  std::string guid_, password_, thumbName_, cacheKey_;
  std::uint64_t targetTag_ = 0;
  long thumbPage_ = 0;
  base::Size thumbSize_;
  double scale_ = 1;
  mutable std::mutex mutex_;
  std::shared_ptr<ReaderThumbTarget> target_;
};

}  // namespace mv
