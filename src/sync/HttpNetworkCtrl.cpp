#include "sync/HttpNetworkCtrl.hpp"

#include <algorithm>
#include <charconv>
#include <ranges>
#include <set>
#include <utility>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "sync/CommandCode.hpp"
#include "sync/DownloadedFileCheck.hpp"
#include "sync/ReplyValues.hpp"
#include "transport/RequestError.hpp"
#include "util/DiskRoom.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv {

struct HttpNetworkCtrl::Operation {
  int requestCode = 0;
  int requestType = kRequestTypeMessage;
  int cmdCode = -1;
  HTTP_REC_RESPOND* delegate = nullptr;
  std::string requestHeader;
  // Messages and downloads.
  std::string url;
  std::string endpoint;  // scheme, host and port of the URL
  std::optional<std::string> body;
  // Its reply may outgrow memory and go to a file.
  bool spills = false;
  // The delayed second attempt of a message.
  base::CancelTracker resend;
  // Downloads: the carrier as sent, and where the file goes.
  std::shared_ptr<DownLoadRequestInfo> download;
  fs::path destination;
  fs::path partial;
  bool batch = false;
  // Waiting for another download of the same destination to end.
  bool waiting = false;
  // Either kind.
  int attempts = 0;
  std::shared_ptr<FormDataRequest> current;
  std::int64_t receiveLength = 0;
  // The last whole percentage reported.
  int reportedPercent = -1;
};

// Gets the received chunks of single downloads that report percentages; the
// other operations never copy their chunks to the main thread.
class HttpNetworkCtrl::PercentReporter : public RequestDelegate {
 public:
  explicit PercentReporter(HttpNetworkCtrl& owner) : owner_(owner) {}
  bool wantsReceivedData() const override { return true; }
  void request(FormDataRequest& request, std::string_view data) override { owner_.receivedData(request, data); }

 private:
  HttpNetworkCtrl& owner_;
};

namespace {

// A connection failure that happened before any byte of the request left the
// device: the host could not be resolved or the connection was refused.
bool failedBeforeSending(const FormDataRequest& request) {
  const auto& error = request.error();
  if (!error || error->code != static_cast<long>(RequestError::ConnectionFailure)) return false;
  return !request.requestSent();
}

long errorCodeOf(const FormDataRequest& request) { return request.error() ? request.error()->code : -1; }

// What a file of that many bytes takes of a disk: whole blocks, of the 4 KB
// the file systems of these devices use. For pictures of a few kilobytes
// that is a good part more than their bytes.
std::int64_t diskTaken(std::int64_t bytes) {
  constexpr std::int64_t kBlock = 4096;
  return bytes <= 0 ? 0 : (bytes + kBlock - 1) / kBlock * kBlock;
}

// "http://host:port" of a URL: what connections are made to.
std::string endpointOf(const std::string& url) {
  const auto scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const auto path = url.find_first_of("/?#", scheme + 3);
  return url.substr(0, path);
}

// "host:port" of an endpoint, as the user knows the server.
std::string serverOf(const std::string& endpoint) {
  const auto scheme = endpoint.find("://");
  return scheme == std::string::npos ? endpoint : endpoint.substr(scheme + 3);
}

void removeFile(const fs::path& path) { PublicFunction::removeFileIfPresent(path); }

// A reply made on the device, with `detail` in its result.
std::string replyWithDetail(std::string_view reply, const std::string& detail) {
  auto value = JSONValue(reply);
  if (!value || !value->contains("results") || !(*value)["results"].is_array() || (*value)["results"].empty())
    return std::string(reply);
  (*value)["results"][0]["detail"] = detail;
  JsonWriter writer;
  return writer.stringWithObject(*value).value_or(std::string(reply));
}

void removePartial(const fs::path& partial) {
  if (partial.empty()) return;
  removeFile(partial);
  removeFile(FormDataRequest::resumeRecordPath(partial));
}

}  // namespace

HttpNetworkCtrl& HttpNetworkCtrl::sharedInstance() {
  // Never destroyed: transfers may still report while the process ends.
  static HttpNetworkCtrl* instance = new HttpNetworkCtrl();
  return *instance;
}

HttpNetworkCtrl::HttpNetworkCtrl() : percentReporter_(std::make_unique<PercentReporter>(*this)) {
  for (NetworkQueue* queue : {&workQueueMsg_, &workQueueUpload_, &workQueueDownload_, &workQueueDownloadCur_}) {
    queue->reset();
    queue->setMaxConcurrentOperationCount(3);
    queue->setShouldCancelAllRequestsOnFailure(false);
    queue->setRequestDidFinishSelector([this](FormDataRequest& request) { OperationFinished(request); });
    queue->setRequestDidFailSelector([this](FormDataRequest& request) { OperationFailed(request); });
  }
  netUnconnect_ = base::Observation("netUnconnect", nullptr, [this](const base::Notification&) { networkLost(); });
}

HttpNetworkCtrl::~HttpNetworkCtrl() = default;

int HttpNetworkCtrl::httpRspForError(long transportError) {
  switch (transportError) {
    case 1:
      return 6;
    case 2:
      return 2;
    case static_cast<long>(RequestError::TooSlow):
      return kHttpRspTooSlow;
    case 3:
      return 3;
    case 4:
      return 1;
    case 5:
      return 4;
    case static_cast<long>(RequestError::UntrustedCertificate):
      return kHttpRspUntrustedCertificate;
    default:
      return -1;
  }
}

std::string HttpNetworkCtrl::GetMsgURLWithHeader(const std::string& head) {
  return PublicFunction::GetMsgURLWithHeader(head);
}

fs::path HttpNetworkCtrl::partialPathWithName(const std::string& fileName, int type) {
  if (!PublicFunction::isSafeFileName(fileName)) return {};
  auto folder = PublicFunction::clientFolder(Session::current().clientID);
  if (!folder) return {};
  return partialPathIn(*folder, fileName, type);
}

fs::path HttpNetworkCtrl::partialPathIn(const fs::path& clientFolder, const std::string& fileName, int type) {
  if (!PublicFunction::isSafeFileName(fileName)) return {};
  return clientFolder / "tempDownload" / std::to_string(type) / fileName;
}

void HttpNetworkCtrl::discardPartialWithName(const std::string& fileName, int type) {
  removePartial(partialPathWithName(fileName, type));
}

void HttpNetworkCtrl::setNextCounterValue(int counter) {
  MV_ASSERT_MAIN_THREAD();
  counter_ = std::clamp(counter, 1, 65534);
}

std::size_t HttpNetworkCtrl::transfersUnderWay() const {
  std::size_t count = 0;
  for (const auto& [code, op] : operations_) count += op->current || op->waiting ? 1 : 0;
  return count;
}

HttpNetworkCtrl::BytesUnderWay HttpNetworkCtrl::batchBytesUnderWay() const {
  BytesUnderWay out;
  for (const auto& [code, op] : operations_) {
    if (!op->batch || !op->current || op->current->contentLength() < 0) continue;
    const std::int64_t kept = std::max<std::int64_t>(op->current->partialDownloadSize(), 0);
    ++out.files;
    out.announced += kept + op->current->contentLength();
    out.brought += kept + op->current->totalBytesRead();
  }
  return out;
}

bool HttpNetworkCtrl::hasPendingResend(int requestCode) const {
  auto it = operations_.find(requestCode);
  return it != operations_.end() && !it->second->resend.empty();
}

std::optional<int> HttpNetworkCtrl::nextRequestCode(int cmdCode) {
  MV_ASSERT_MAIN_THREAD();
  // The counter wraps after 65534 values: a code still under way is skipped,
  // or its outcome would be taken for the newer operation's and one of the
  // two would never be reported.
  for (int tries = 0; tries < 65534; ++tries) {
    const int value = counter_;
    counter_ = counter_ >= 65534 ? 1 : counter_ + 1;
    const int code = ((cmdCode & 0x7FFF) << 16) | value;
    if (!operations_.count(code)) return code;
  }
  return std::nullopt;
}

NetworkQueue& HttpNetworkCtrl::queueFor(const Operation& op) {
  if (op.requestType == kRequestTypeDownload) return op.batch ? workQueueDownload_ : workQueueDownloadCur_;
  if (op.requestType == kRequestTypeUpload) return workQueueUpload_;
  return workQueueMsg_;
}

int HttpNetworkCtrl::SendHttpRequest(const std::shared_ptr<RequestInfoBase>& info) {
  MV_ASSERT_MAIN_THREAD();
  if (!info) return -1;
  const auto code = nextRequestCode(info->cmdCode);
  if (!code) {
    MV_LOG("every request code of command ", info->cmdCode, " is under way; not sent");
    return -1;
  }
  auto op = std::make_shared<Operation>();
  op->requestCode = *code;
  op->requestType = info->requestType;
  op->cmdCode = info->cmdCode;
  op->delegate = info->delegate;
  op->requestHeader = info->requestHeader;
  op->body = info->requestUrlBody;
  op->spills = info->spillsReply;
  info->requestCode = op->requestCode;
  operations_[op->requestCode] = op;

  if (info->requestType == kRequestTypeDownload) {
    op->download = std::dynamic_pointer_cast<DownLoadRequestInfo>(info);
    if (!op->download) {
      MV_LOG("download ", op->requestCode, " has no file to fetch");
      reportLater(op, std::string(kNetworkErrorReply), httpRspForError(5));
      return op->requestCode;
    }
    op->download = std::make_shared<DownLoadRequestInfo>(*op->download);
    sendDownload(op);
  } else if (info->requestType == kRequestTypeMessage) {
    sendMessage(op);
  } else {
    // Form uploads have no caller and no transport here.
    reportLater(op, std::string(kNetworkErrorReply), httpRspForError(5));
  }
  return op->requestCode;
}

void HttpNetworkCtrl::sendMessage(const std::shared_ptr<Operation>& op) {
  if (!op->body) {
    MV_LOG("request ", op->requestCode, " could not be written; not sent");
    reportLater(op, std::string(kNetworkErrorReply), httpRspForError(5));
    return;
  }
  op->url = GetMsgURLWithHeader(op->requestHeader);
  op->endpoint = endpointOf(op->url);
  startAttempt(op);
}

void HttpNetworkCtrl::sendDownload(const std::shared_ptr<Operation>& op) {
  const DownLoadRequestInfo& d = *op->download;
  op->batch = d.progressType == kProgressTypeBatch;
  // One look at the session and the client's folder for all three.
  const std::string clientId = Session::current().clientID;
  const auto folder = PublicFunction::clientFolder(clientId);
  auto url = PublicFunction::fileURLFor(clientId, d.fileName, d.imgType);
  auto destination = folder ? PublicFunction::filePathIn(*folder, d.fileName, d.imgType) : std::nullopt;
  fs::path partial = folder ? partialPathIn(*folder, d.fileName, d.imgType) : fs::path();
  if (!url || !destination || partial.empty()) {
    // A name that is not one plain file name could reach outside the client's
    // folder: it is never fetched, and counts as a missing file.
    MV_LOG("download of \"", d.fileName, "\" (type ", d.imgType, ") refused: not a plain file name or no client");
    reportLater(op, std::string(kFileMissingReply), 0);
    return;
  }
  MV_LOG("the img url is ", *url);
  op->url = *url;
  op->endpoint = endpointOf(op->url);
  op->destination = *destination;
  op->partial = partial;
  // Two transfers never write one file: the later one waits its turn.
  if (busyDestinations_.count(op->destination)) {
    op->waiting = true;
    waitingFor_[op->destination].push_back(op->requestCode);
    return;
  }
  busyDestinations_[op->destination] = op->requestCode;
  startAttempt(op);
}

void HttpNetworkCtrl::startAttempt(const std::shared_ptr<Operation>& op) {
  op->waiting = false;
  ++op->attempts;
  op->receiveLength = 0;
  auto request = std::make_shared<FormDataRequest>(op->url);
  request->setTag(op->requestCode);
  request->setRequestMethod("POST");
  if (op->requestType == kRequestTypeDownload) {
    request->setTimeOutSeconds(settings_.downloadTimeOutSeconds);
    request->setLowSpeedBytesPerSecond(settings_.downloadLowSpeedBytesPerSecond);
    request->setDownloadDestinationPath(op->destination);
    request->setTemporaryFileDownloadPath(op->partial);
    request->setAllowResumeForFileDownloads(true);
    request->setShouldResetDownloadProgress(false);
    request->setShouldContinueWhenAppEntersBackground(true);
    // A failed file is tried again at once and told when it fails for good,
    // not after every file queued behind it.
    request->setKeepsQueuePlace(op->attempts > 1);
    // Only the file asked for goes into place: not a page a network puts in
    // front of every address, not a picture cut short, and nothing past the
    // size the file may have.
    const DownLoadRequestInfo& d = *op->download;
    request->setFileLimit(DownloadedFileCheck::mostBytes(d.imgType, d.mostBytes));
    request->setFileCheck([type = d.imgType, name = d.fileName, listed = d.listedBytes, budget = d.checkBudget](
                              std::string_view head, std::int64_t size, const fs::path& written) {
      using Refusal = DownloadedFileCheck::Refusal;
      auto verdict = DownloadedFileCheck::check(type, name, head, size, written, listed, budget.get());
      const RequestError error = verdict.refusal == Refusal::Page         ? RequestError::NotTheFile
                                 : verdict.refusal == Refusal::NotTheFile ? RequestError::WrongKindOfFile
                                 : verdict.refusal == Refusal::CutShort   ? RequestError::FileCutShort
                                                                          : RequestError::None;
      return TransferSetup::FileRefusal{error, std::move(verdict.why)};
    });
    if (op->download->progressType == kProgressTypeSingleWithPercent) request->setDelegate(percentReporter_.get());
  } else {
    request->setTimeOutSeconds(settings_.messageTimeOutSeconds);
    request->setLowSpeedBytesPerSecond(settings_.messageLowSpeedBytesPerSecond);
    request->setAverageFloor(settings_.messageAverageFloorBytesPerSecond, settings_.messageAverageFloorSeconds);
    request->setReusesConnection(isSafeToRepeat(op->cmdCode));
    // The service never redirects: a message goes to its address or nowhere.
    request->setFollowsRedirects(false);
    request->setRequestHeaders({{"Content-Type", kMessageContentType}});
    request->setPostBody(*op->body);
    request->setBodyLimit(settings_.messageBodyLimit);
    request->setInflatedLimit(settings_.messageInflatedLimit);
    if (op->spills) {
      request->setSpillFile(spillPathFor(*op));
      request->setSpillStoreShare(settings_.spillStoreShare);
    }
  }
  op->current = request;
  NetworkQueue& queue = queueFor(*op);
  queue.addOperation(request);
  queue.go();
}

std::shared_ptr<HttpNetworkCtrl::Operation> HttpNetworkCtrl::operationFor(const FormDataRequest& request) const {
  auto it = operations_.find(static_cast<int>(request.tag()));
  if (it == operations_.end() || it->second->current.get() != &request) return nullptr;
  return it->second;
}

void HttpNetworkCtrl::OperationFinished(FormDataRequest& request) {
  MV_ASSERT_MAIN_THREAD();
  auto op = operationFor(request);
  if (!op) return;
  op->current.reset();
  if (op->requestType == kRequestTypeDownload) {
    downloadFinished(op, request);
    return;
  }
  // Any answer counts: a body that is not the service's JSON decodes to "115".
  report(op, request.takeResponseData(), 0, request.takeResponseFile());
}

void HttpNetworkCtrl::OperationFailed(FormDataRequest& request) {
  MV_ASSERT_MAIN_THREAD();
  auto op = operationFor(request);
  if (!op) return;
  op->current.reset();
  MV_LOG("---RequestDidFailed---\n redID = ", request.tag(), ", errorID = ", errorCodeOf(request), ": ",
         request.error() ? request.error()->description + " (" + request.error()->failureReason + ")" : std::string());
  if (op->requestType == kRequestTypeDownload) {
    downloadFailed(op, request);
  } else {
    messageFailed(op, request);
  }
}

void HttpNetworkCtrl::downloadFinished(const std::shared_ptr<Operation>& op, FormDataRequest& request) {
  const long status = request.responseStatusCode();
  countEndpointFailure(*op, false);
  if (status == 404) {
    removePartial(op->partial);
    removeFile(op->destination);
    report(op, std::string(kFileMissingReply), 0);
    return;
  }
  // The transport moves only a whole file into place: a 200 with its whole
  // body, or a 206 that ends the file.
  if (request.downloadComplete()) {
    Fetched& fetched = fetched_[op->download->imgType];
    ++fetched.files;
    fetched.bytes += diskTaken(std::max<std::int64_t>(request.partialDownloadSize(), 0) + request.totalBytesRead());
    if (op->download->progressType == kProgressTypeSingleWithPercent) reportPercent(*op, 1.0f);
    report(op, std::string(kDownloadSuccessReply), 0);
    return;
  }
  // Any other answer (a 500, a 403, a 202, a 204, an empty 200) is a failed
  // attempt of the service, not of the network; the copy already on disk is
  // still good and stays.
  MV_LOG("download of \"", op->download->fileName, "\" answered ", status, "; the local copy is kept");
  removePartial(op->partial);
  retryOrFail(op, kHttpRspServiceFailed);
}

void HttpNetworkCtrl::downloadFailed(const std::shared_ptr<Operation>& op, FormDataRequest& request) {
  const long error = errorCodeOf(request);
  if (request.responseStatusCode() == 404) {
    removePartial(op->partial);
    removeFile(op->destination);
    report(op, std::string(kFileMissingReply), httpRspForError(error));
    return;
  }
  // A disk without room takes no other file either: every download stops
  // at once rather than each failing in turn, saying how much room they need.
  if (error == static_cast<long>(RequestError::NoRoom)) {
    const RoomNeeded needed = roomNeeded(*op, request);
    MV_LOG("no room on the device for \"", op->download->fileName, "\"; every download stops, ",
           needed.estimated ? "about " : "", needed.bytes, " bytes short");
    stopDownloadsTo({}, kHttpRspNoRoom, noRoomDetail(needed.bytes, needed.estimated));
    return;
  }
  // Another attempt would meet the same certificate, or the same reply in an
  // encoding it never asked for.
  if (error == static_cast<long>(RequestError::Cancelled) ||
      error == static_cast<long>(RequestError::UntrustedCertificate) ||
      error == static_cast<long>(RequestError::DecodingFailed)) {
    report(op, std::string(kNetworkErrorReply), httpRspForError(error));
    return;
  }
  // A web page in place of the file: a network that answers every address
  // with its own page sends nothing else, so pages count toward stopping
  // every download to the server.
  const bool refused = error == static_cast<long>(RequestError::NotTheFile) ||
                       error == static_cast<long>(RequestError::WrongKindOfFile) ||
                       error == static_cast<long>(RequestError::FileCutShort) ||
                       error == static_cast<long>(RequestError::ReplyTooLarge);
  if (refused) {
    MV_LOG("download of \"", op->download->fileName, "\" refused: ",
           request.error() ? request.error()->failureReason : std::string());
  }
  if (error == static_cast<long>(RequestError::NotTheFile) && countEndpointFailure(*op, true, true)) {
    MV_LOG("the file endpoint ", op->endpoint, " sent ", settings_.endpointFailureLimit,
           " pages in a row in place of the files asked for; its downloads stop");
    stopDownloadsTo(op->endpoint, kHttpRspEndpointSendsNoFiles);
    return;
  }
  // The rest fail alone, each told as what it is: bytes of no kind the file
  // may be, a picture cut short (a cut connection: tried again), or more
  // than the file may hold (the same bytes would come again).
  if (error == static_cast<long>(RequestError::ReplyTooLarge)) {
    // A picture's bound is the decoder's, whatever a listing says.
    const bool listed = op->download->mostBytes >= 0 && !DownloadedFileCheck::isPictureType(op->download->imgType);
    report(op, std::string(kNetworkErrorReply), listed ? kHttpRspLargerThanListed : kHttpRspFileTooLarge);
    return;
  }
  if (refused) {
    retryOrFail(op, error == static_cast<long>(RequestError::FileCutShort) ? kHttpRspFileCutShort : kHttpRspNotTheFile);
    return;
  }
  // A service that went away refuses every file in turn, and one behind a
  // stalled network lets each wait out its time-out: its downloads stop
  // rather than asking for each file, each for as long again.
  const bool noAnswer = error == static_cast<long>(RequestError::ConnectionFailure) ||
                        error == static_cast<long>(RequestError::TimedOut);
  if (countEndpointFailure(*op, noAnswer, false)) {
    MV_LOG("the file endpoint ", op->endpoint, " failed ", settings_.endpointFailureLimit,
           " times in a row; its downloads stop");
    stopDownloadsTo(op->endpoint, kHttpRspEndpointGone);
    return;
  }
  // An answer that stopped short of the file it promised is the service's
  // failure, not the network's.
  retryOrFail(op, error == static_cast<long>(RequestError::IncompleteFile) ? kHttpRspServiceFailed
                                                                             : httpRspForError(error));
}

bool HttpNetworkCtrl::countEndpointFailure(const Operation& op, bool failed, bool refused) {
  if (!failed) {
    endpointFailures_.erase(op.endpoint);
    return false;
  }
  EndpointFailures& failures = endpointFailures_[op.endpoint];
  if (refused && op.download) {
    // Files, not attempts: one broken file on the service, asked for again,
    // fails alone and stops none of the others.
    const std::string& name = op.download->fileName;
    if (std::find(failures.refused.begin(), failures.refused.end(), name) != failures.refused.end()) return false;
    failures.refused.push_back(name);
  }
  return ++failures.count >= settings_.endpointFailureLimit;
}

HttpNetworkCtrl::RoomNeeded HttpNetworkCtrl::roomNeeded(const Operation& failed, const FormDataRequest& request) const {
  // The file that found no room: as much as its reply announced (refused
  // before a byte of it came) or brought.
  const std::int64_t partial = std::max<std::int64_t>(request.partialDownloadSize(), 0);
  std::int64_t length = request.contentLength();
  const HeaderMap& headers = request.responseHeaders();
  if (const auto it = headers.find("Content-Length"); length < 0 && it != headers.end())
    std::from_chars(it->second.data(), it->second.data() + it->second.size(), length);
  const std::int64_t announced = length >= 0 ? partial + length : -1;
  const std::int64_t own = std::max({announced, partial + request.totalBytesRead(), failed.download->listedBytes});
  // A file without a listed size is taken to need as much of the disk as
  // those of its type fetched so far, on average: the files of one type are
  // alike (pictures, icons, covers), and a company's first sync has fetched
  // hundreds before its disk fills. Of a type none of whose files came yet,
  // as those of it whose replies announced their length. One of a type
  // without either is not counted: a document tells nothing of a picture.
  std::map<int, Fetched> samples = fetched_;
  const auto announce = [&](int type, std::int64_t bytes) {
    if (bytes <= 0 || fetched_.count(type)) return;
    ++samples[type].files;
    samples[type].bytes += diskTaken(bytes);
  };
  announce(failed.download->imgType, announced);
  for (const auto& [code, op] : operations_) {
    if (op.get() == &failed || !op->download || !op->current || op->current->contentLength() <= 0) continue;
    announce(op->download->imgType,
             std::max<std::int64_t>(op->current->partialDownloadSize(), 0) + op->current->contentLength());
  }
  const auto typical = [&](int type) -> std::int64_t {
    const auto it = samples.find(type);
    if (it == samples.end() || it->second.files <= 0) return 0;
    return (it->second.bytes + it->second.files - 1) / it->second.files;
  };
  RoomNeeded needed;
  std::int64_t bytes = own;
  // The others: what they still have to bring. What they brought already
  // took its room (a file written whole waits for its check and its place
  // while it is still counted here).
  std::set<HTTP_REC_RESPOND*> receivers;
  if (failed.delegate) receivers.insert(failed.delegate);
  for (const auto& [code, op] : operations_) {
    if (op.get() == &failed || !op->download) continue;
    if (op->delegate) receivers.insert(op->delegate);
    const std::int64_t partial = op->current ? std::max<std::int64_t>(op->current->partialDownloadSize(), 0) : 0;
    // Its listing's size, else its reply's, else its type's.
    std::int64_t size = op->download->listedBytes;
    if (size <= 0 && op->current && op->current->contentLength() > 0) size = partial + op->current->contentLength();
    if (size <= 0) {
      size = typical(op->download->imgType);
      needed.estimated = needed.estimated || size > 0;
    }
    const std::int64_t brought = op->current ? partial + op->current->totalBytesRead() : 0;
    bytes += std::max<std::int64_t>(size - brought, 0);
  }
  // And the files not handed over yet: the rest of a batch, and the kinds
  // of pictures asked for after it.
  for (HTTP_REC_RESPOND* receiver : receivers) {
    for (const auto& [type, files] : receiver->filesNotYetSent()) {
      const std::int64_t each = typical(type);
      bytes += files * each;
      needed.estimated = needed.estimated || (files > 0 && each > 0);
    }
  }
  const fs::path& written = failed.partial.empty() ? failed.destination : failed.partial;
  const auto room = DiskRoom::roomFor(written.parent_path());
  if (!room) return {};
  needed.bytes = bytes > static_cast<std::int64_t>(*room) ? bytes - static_cast<std::int64_t>(*room) : 0;
  return needed;
}

void HttpNetworkCtrl::stopDownloadsTo(const std::string& endpoint, int httpRsp, const std::string& detail) {
  std::vector<std::shared_ptr<Operation>> stopped;
  for (auto& [code, op] : operations_) {
    if (!op->download || (!endpoint.empty() && op->endpoint != endpoint)) continue;
    // None of them may start while the others are ended.
    op->waiting = false;
    stopped.push_back(op);
  }
  // A server that sends pages for files: each report names the files it sent them for.
  std::string reply(kNetworkErrorReply);
  if (!detail.empty()) {
    reply = replyWithDetail(kNetworkErrorReply, detail);
  } else if (auto it = endpointFailures_.find(endpoint); it != endpointFailures_.end() && !it->second.refused.empty()) {
    reply = replyWithDetail(kNetworkErrorReply, fileNamesText(it->second.refused));
  }
  endpointFailures_.erase(endpoint);
  for (const auto& op : stopped) {
    // A report may have ended others (a receiver that gives up cancels them).
    auto it = operations_.find(op->requestCode);
    if (it == operations_.end() || it->second != op) continue;
    if (op->current) std::exchange(op->current, nullptr)->clearDelegatesAndCancel();
    report(op, reply, httpRsp);
  }
}

void HttpNetworkCtrl::retryOrFail(const std::shared_ptr<Operation>& op, int httpRsp) {
  if (!op->batch && op->attempts <= settings_.singleDownloadRetries) {
    startAttempt(op);
    return;
  }
  report(op, std::string(kNetworkErrorReply), httpRsp);
}

void HttpNetworkCtrl::messageFailed(const std::shared_ptr<Operation>& op, FormDataRequest& request) {
  const long error = errorCodeOf(request);
  // A reply that may outgrow memory and ran past the room the device has
  // would come as large again: it is the device that is short, and it is
  // told as such, never as an unreadable reply. One that inflates past its
  // ceiling is no company's data, however much room there is: freeing room
  // would not help, so it is told as the unreadable reply it is, below.
  if (op->spills && error == static_cast<long>(RequestError::NoRoom)) {
    report(op, std::string(), kHttpRspReplyTooLarge);
    return;
  }
  // A reply too large or that does not inflate is one nobody can read: it
  // decodes as a reply without status, and asking again would bring it again.
  if (error == static_cast<long>(RequestError::ReplyTooLarge) ||
      error == static_cast<long>(RequestError::DecodingFailed)) {
    report(op, std::string(), 0);
    return;
  }
  // Reads and writes the service applies once may go again; the others only
  // when they certainly never reached it. A reply that came too slowly for a
  // whole window would come as slowly again, and the user has waited long
  // enough.
  const bool mayResend = error != static_cast<long>(RequestError::Cancelled) &&
                         error != static_cast<long>(RequestError::TooSlow) &&
                         error != static_cast<long>(RequestError::UntrustedCertificate) &&
                         error != static_cast<long>(RequestError::RedirectRefused) && op->attempts == 1 &&
                         (isSafeToRepeat(op->cmdCode) || failedBeforeSending(request));
  if (!mayResend) {
    report(op, std::string(kNetworkErrorReply), httpRspForError(error));
    return;
  }
  std::weak_ptr<Operation> weak = op;
  op->resend.after(settings_.messageRetryDelaySeconds, [this, weak] {
    auto op = weak.lock();
    if (!op) return;
    auto it = operations_.find(op->requestCode);
    if (it == operations_.end() || it->second != op) return;
    startAttempt(op);
  });
}

void HttpNetworkCtrl::receivedData(FormDataRequest& request, std::string_view data) {
  auto op = operationFor(request);
  if (!op || !op->download) return;
  op->receiveLength += static_cast<std::int64_t>(data.size());
  // The whole file: the rest the reply announces and what was on disk, or
  // for a reply without a length the size its listing gives (short of the
  // whole until the file is in place); no percentage without either.
  const std::int64_t partial = std::max<std::int64_t>(request.partialDownloadSize(), 0);
  const std::int64_t length = request.contentLength();
  const std::int64_t whole = length > 0 ? length + partial : op->download->listedBytes;
  if (whole <= 0) return;
  const double share = static_cast<double>(partial + op->receiveLength) / static_cast<double>(whole);
  // One report per whole percent: small files report too, large ones do not
  // flood the receiver. The whole file is reported when it is in place.
  const int percent = static_cast<int>(std::clamp(share, 0.0, 1.0) * 100.0);
  if (percent <= op->reportedPercent || percent >= 100) return;
  op->reportedPercent = percent;
  reportPercent(*op, static_cast<float>(std::clamp(share, 0.0, 1.0)));
}

void HttpNetworkCtrl::reportPercent(const Operation& op, float share) {
  if (!op.delegate) return;
  DownLoadRequestInfo info(*op.download);
  info.requestCode = op.requestCode;
  info.downloadPercent = share;
  op.delegate->ReciveDownloadPercent(info);
}

void HttpNetworkCtrl::forget(const std::shared_ptr<Operation>& op) {
  auto it = operations_.find(op->requestCode);
  if (it != operations_.end() && it->second == op) operations_.erase(it);
  op->resend.cancelAll();
  if (op->destination.empty()) return;
  auto busy = busyDestinations_.find(op->destination);
  if (busy == busyDestinations_.end() || busy->second != op->requestCode) return;
  busyDestinations_.erase(busy);
  // The next download of the same file may go now.
  auto waiters = waitingFor_.find(op->destination);
  if (waiters == waitingFor_.end()) return;
  std::shared_ptr<Operation> next;
  while (!next && !waiters->second.empty()) {
    auto it = operations_.find(waiters->second.front());
    waiters->second.pop_front();
    if (it != operations_.end() && it->second->waiting && it->second->destination == op->destination) next = it->second;
  }
  if (waiters->second.empty()) waitingFor_.erase(waiters);
  if (!next) return;
  busyDestinations_[next->destination] = next->requestCode;
  startAttempt(next);
}

fs::path HttpNetworkCtrl::spillFolder() { return base::Paths::tmp() / "replies"; }

fs::path HttpNetworkCtrl::spillPathFor(const Operation& op) {
  return spillFolder() / ("reply-" + std::to_string(op.requestCode) + "-" + std::to_string(++spills_));
}

void HttpNetworkCtrl::report(const std::shared_ptr<Operation>& op, std::string recData, int httpRsp,
                             std::shared_ptr<const ReplyFile> recFile) {
  std::shared_ptr<RequestInfoBase> carrier;
  if (op->download) {
    carrier = std::make_shared<DownLoadRequestInfo>(*op->download);
  } else {
    carrier = std::make_shared<RequestInfoBase>();
    carrier->requestUrlBody = op->body;
  }
  carrier->requestType = op->requestType;
  carrier->requestCode = op->requestCode;
  carrier->cmdCode = getCmdcode(op->requestCode);
  carrier->delegate = op->delegate;
  carrier->requestHeader = op->requestHeader;
  carrier->httpRsp = httpRsp;
  carrier->recData = std::move(recData);
  carrier->recFile = std::move(recFile);
  carrier->server = serverOf(op->endpoint);
  forget(op);
  if (carrier->delegate) carrier->delegate->ReciveHttpRespond(*carrier);
}

void HttpNetworkCtrl::reportLater(const std::shared_ptr<Operation>& op, std::string recData, int httpRsp) {
  std::weak_ptr<Operation> weak = op;
  base::RunLoop::main().post([this, weak, recData = std::move(recData), httpRsp]() mutable {
    auto op = weak.lock();
    if (!op) return;
    auto it = operations_.find(op->requestCode);
    if (it == operations_.end() || it->second != op) return;
    report(op, std::move(recData), httpRsp);
  });
}

void HttpNetworkCtrl::discard(const std::shared_ptr<Operation>& op) {
  if (op->current) {
    auto request = std::move(op->current);
    request->clearDelegatesAndCancel();
  }
  forget(op);
}

std::vector<int> HttpNetworkCtrl::CancelDownLoadWithName(const std::string& fileName) {
  MV_ASSERT_MAIN_THREAD();
  std::vector<std::shared_ptr<Operation>> matches;
  for (const auto& op : operations_ | std::views::values) {
    if (op->download && op->download->fileName == fileName) matches.push_back(op);
  }
  std::vector<int> codes;
  for (const auto& op : matches) {
    codes.push_back(op->requestCode);
    discard(op);
  }
  return codes;
}

void HttpNetworkCtrl::cancelRequests(const std::vector<int>& requestCodes) {
  MV_ASSERT_MAIN_THREAD();
  for (int code : requestCodes) {
    auto it = operations_.find(code);
    if (it != operations_.end()) discard(std::shared_ptr<Operation>(it->second));
  }
}

void HttpNetworkCtrl::CancelAllRequests() {
  MV_ASSERT_MAIN_THREAD();
  // Waiting downloads must not start while the others are cancelled.
  for (auto& [code, op] : operations_) op->waiting = false;
  // The session's files are no guide to the next one's.
  fetched_.clear();
  auto all = operations_;
  for (auto& [code, op] : all) discard(op);
  operations_.clear();
  busyDestinations_.clear();
  waitingFor_.clear();
}

void HttpNetworkCtrl::networkLost() {
  MV_LOG("______________netUnconnect cancel all download operation_________________");
  // Members still waiting for their file are failed like the running ones.
  std::vector<std::shared_ptr<Operation>> waiting;
  for (auto& [code, op] : operations_) {
    if (op->batch && op->waiting) waiting.push_back(op);
  }
  for (auto& op : waiting) {
    op->waiting = false;
    reportLater(op, std::string(kNetworkErrorReply), httpRspForError(static_cast<long>(RequestError::Cancelled)));
  }
  workQueueDownload_.cancelAllOperations();
}

}  // namespace mv
