#include "sync/requests/RequestDownload.hpp"

#include <atomic>

#include "util/TextLookup.hpp"

namespace mv {
namespace {

int nextDownloadId() {
  static std::atomic<int> counter{0};
  return ++counter;
}

}  // namespace

RequestDownload::RequestDownload() : downloadId(nextDownloadId()) {
  requestType = kRequestTypeDownload;
  cmdCode = kCmdDownload;
}

std::shared_ptr<NetBaseRst> RequestDownload::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<DownloadRst>(recData);
  if (result->status != kStatusSuccess && result->status != kStatusFileMissing) {
    result->message = text("DOWNLOADERROR");
  }
  return result;
}

}  // namespace mv
