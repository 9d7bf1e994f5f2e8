#include "sync/requests/RequestDownload.hpp"

#include <atomic>

#include "sync/CommandCode.hpp"
#include "sync/DownloadedFileCheck.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "util/PublicFunction.hpp"
#include "util/Json.hpp"
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

std::shared_ptr<RequestDownload> RequestDownload::forLibraryFile(const marvisto_library_files_Entity& file) {
  auto request = std::make_shared<RequestDownload>();
  request->fileId = file.file_id;
  request->imgType = PublicFunction::getFileType(file.type);
  request->progressType = kProgressTypeSingleWithPercent;
  request->fileNameList = {file.file_name};
  if (auto listed = DownloadedFileCheck::listedSize(file); listed && listed->mostBytes >= 0) {
    request->listedBytes = static_cast<std::int64_t>(listed->megabytes * 1048576.0);
    request->mostBytes = listed->mostBytes;
  }
  return request;
}

std::shared_ptr<NetBaseRst> RequestDownload::RequestDecode(const base::Value* recData) const {
  return decodeDownload(recData);
}

std::shared_ptr<NetBaseRst> RequestDownload::decodeOutcome(const RequestInfoBase& carrier) const {
  auto parsed = JSONValue(carrier.recData);
  auto result = decodeDownload(parsed ? &*parsed : nullptr);
  result->fileId = fileId;
  result->type = imgType;
  result->downloadId = downloadId;
  if (const auto* file = dynamic_cast<const DownLoadRequestInfo*>(&carrier)) result->fileName = file->fileName;
  return result;
}

std::shared_ptr<DownloadRst> RequestDownload::decodeDownload(const base::Value* recData) const {
  auto result = makeResult<DownloadRst>(recData);
  if (result->status != kStatusSuccess && result->status != kStatusFileMissing) {
    result->message = text("DOWNLOADERROR");
  }
  return result;
}

}  // namespace mv
