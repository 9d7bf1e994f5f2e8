#include "sync/NetworkModel.hpp"

#include <cstddef>
#include <string>
#include <utility>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "sync/CommandCode.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "transport/RequestError.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

// Bodies go to the log by their size only: they carry the session id, the
// sign-in, and whole backups of the customers and orders.
std::string loggedBody(std::string_view body) { return "(" + std::to_string(body.size()) + " bytes)"; }
std::string loggedBody(const RequestInfoBase& info) {
  if (!info.recFile) return loggedBody(info.recData);
  return "(" + std::to_string(info.recFile->size()) + " bytes, in a file)";
}

std::shared_ptr<DownLoadRequestInfo> downloadCarrier(const RequestDownload& download, const std::string& name,
                                                     HTTP_REC_RESPOND* delegate) {
  auto info = std::make_shared<DownLoadRequestInfo>();
  info->requestType = download.requestType;
  info->cmdCode = download.cmdCode;
  info->fileId = download.fileId;
  info->imgType = download.imgType;
  info->progressType = download.progressType;
  info->downloadId = download.downloadId;
  info->fileName = name;
  info->listedBytes = download.listedBytes;
  info->mostBytes = download.mostBytes;
  info->checkBudget = download.checkBudget;
  info->delegate = delegate;
  return info;
}

// The transport's reason for a batch member cancelled by a lost network.
constexpr int kHttpRspCancelled = 1;

// Reply texts at least this large are freed off the main thread.
constexpr std::size_t kFreedElsewhere = std::size_t{1} << 20;

}  // namespace

struct NetworkModel::Batch {
  std::shared_ptr<RequestDownload> request;
  // The owner's hold on the whole batch.
  std::optional<base::CancelTracker::Ticket> ticket;
  std::shared_ptr<const Handlers> handlers;
  // The names are the request's own list; `next` is the first not yet sent.
  std::size_t total = 0;
  std::size_t next = 0;
  std::size_t ended = 0;
  std::set<int> inFlight;
  // The last share told, in thousandths.
  std::size_t toldPermille = 0;
  // No more files are sent: the network or the endpoint went.
  bool stopped = false;
  // The unsent files are being ended: each of their reports carries the
  // same stopping code, and ends no others of its own.
  bool endingUnsent = false;
};

std::shared_ptr<RequestSender> NetworkModel::sharedSender() {
  static std::shared_ptr<RequestSender> sender(&sharedInstance(), [](RequestSender*) {});
  return sender;
}

NetworkModel& NetworkModel::sharedInstance() {
  // Never destroyed: the transport may still report while the process ends.
  static NetworkModel* instance = new NetworkModel();
  return *instance;
}

void NetworkModel::setSessionEventSink(std::weak_ptr<SessionEventSink> sink) { sink_ = std::move(sink); }

std::size_t NetworkModel::requestCount() const {
  std::size_t count = dicRequestList_.size() + decoding_.size();
  for (const auto& batch : batches_) count += batch->total - batch->next;
  return count;
}

std::map<int, std::int64_t> NetworkModel::filesNotYetSent() const {
  MV_ASSERT_MAIN_THREAD();
  std::map<int, std::int64_t> files;
  for (const auto& batch : batches_) {
    if (batch->stopped) continue;
    if (batch->next < batch->total) files[batch->request->imgType] += static_cast<std::int64_t>(batch->total - batch->next);
    for (const auto& [type, count] : batch->request->filesToFollow) files[type] += count;
  }
  return files;
}

void NetworkModel::file(int requestCode, const std::shared_ptr<RequestInterfaceBase>& request,
                        base::CancelTracker& tracker, std::shared_ptr<const Handlers> handlers) {
  // The transport reports on a later turn, never from inside the send, so
  // the ticket is in place before any reply can look for it.
  Entry entry{request, tracker.track([requestCode] { sharedInstance().cancelTransfer(requestCode); }),
              std::move(handlers), nullptr};
  dicRequestList_[requestCode] = std::move(entry);
}

int NetworkModel::send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                       Handlers handlers) {
  MV_ASSERT_MAIN_THREAD();
  if (!request) return -1;
  auto& ctrl = HttpNetworkCtrl::sharedInstance();
  auto shared = std::make_shared<const Handlers>(std::move(handlers));

  if (request->requestType == kRequestTypeDownload) {
    auto download = std::dynamic_pointer_cast<RequestDownload>(request);
    if (!download) return -1;
    if (download->progressType == kProgressTypeBatch) return sendBatch(download, tracker, std::move(shared));
    for (const std::string& name : download->fileNameList) {
      const int code = ctrl.SendHttpRequest(downloadCarrier(*download, name, this));
      if (code >= 0) file(code, request, tracker, shared);
    }
    return download->downloadId;
  }

  auto info = std::make_shared<RequestInfoBase>();
  info->requestType = request->requestType;
  info->cmdCode = request->cmdCode;
  info->requestUrlBody = request->RequestEncode();
  info->delegate = this;
  info->requestHeader = request->requestHead;
  info->spillsReply = request->spillsReply();
  MV_LOG("the request body is ", info->requestUrlBody ? loggedBody(*info->requestUrlBody) : "(none)",
         ", request id is ", request->cmdCode);
  const int code = ctrl.SendHttpRequest(info);
  if (code >= 0) file(code, request, tracker, std::move(shared));
  return code;
}

int NetworkModel::sendBatch(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                            std::shared_ptr<const Handlers> handlers) {
  auto batch = std::make_shared<Batch>();
  batch->request = std::static_pointer_cast<RequestDownload>(request);
  batch->handlers = std::move(handlers);
  batch->total = batch->request->fileNameList.size();
  if (batch->total == 0) return batch->request->downloadId;
  batches_.insert(batch);
  std::weak_ptr<Batch> weak = batch;
  batch->ticket = tracker.track([weak] {
    if (auto b = weak.lock()) sharedInstance().cancelBatch(b);
  });
  feed(batch);
  return batch->request->downloadId;
}

void NetworkModel::feed(const std::shared_ptr<Batch>& batch) {
  auto& ctrl = HttpNetworkCtrl::sharedInstance();
  const auto& names = batch->request->fileNameList;
  while (!batch->stopped && batch->inFlight.size() < kBatchWindow && batch->next < batch->total) {
    // The owner keeps the list as sent; one that shrank ends the batch early.
    if (batch->next >= names.size()) {
      batch->total = batch->next;
      break;
    }
    const int code = ctrl.SendHttpRequest(downloadCarrier(*batch->request, names[batch->next], this));
    if (code < 0) {
      // No code was free: the files left end as a network failure, on the
      // next turn (never from inside a send).
      batch->stopped = true;
      std::weak_ptr<Batch> weak = batch;
      base::RunLoop::main().post([weak] {
        auto b = weak.lock();
        if (!b) return;
        sharedInstance().endUnsent(b, std::string(HttpNetworkCtrl::kNetworkErrorReply),
                                   HttpNetworkCtrl::httpRspForError(5), std::string());
      });
      break;
    }
    ++batch->next;
    batch->inFlight.insert(code);
    dicRequestList_[code] = Entry{batch->request, std::nullopt, batch->handlers, batch};
  }
}

void NetworkModel::cancelBatch(const std::shared_ptr<Batch>& batch) {
  MV_ASSERT_MAIN_THREAD();
  if (batches_.erase(batch) == 0) return;
  batch->stopped = true;
  std::vector<int> codes(batch->inFlight.begin(), batch->inFlight.end());
  batch->inFlight.clear();
  for (int code : codes) dicRequestList_.erase(code);
  HttpNetworkCtrl::sharedInstance().cancelRequests(codes);
}

void NetworkModel::deliverBatchFile(Entry entry, RequestInfoBase& info) {
  auto batch = entry.batch;
  batch->inFlight.erase(info.requestCode);
  if (!batches_.count(batch)) return;
  ++batch->ended;
  // Held here: a handler may give the batch up while it is told.
  const auto handlers = batch->handlers;
  if (batch->ended >= batch->total) {
    batches_.erase(batch);
    // The batch's end comes before its last outcome, once.
    if (handlers->onShare) handlers->onShare(1.0f);
    if (batch->ticket && !batch->ticket->finish()) return;
    deliver(std::move(entry), info);
    return;
  }
  const bool stops = stopsEveryDownload(info.httpRsp) || info.httpRsp == kHttpRspCancelled;
  if (stops) {
    batch->stopped = true;
  } else if (batch->inFlight.size() + kBatchRefill <= kBatchWindow) {
    feed(batch);
  }
  const std::size_t permille = batch->ended * 1000 / batch->total;
  if (permille > batch->toldPermille) {
    batch->toldPermille = permille;
    if (handlers->onShare) handlers->onShare(static_cast<float>(static_cast<double>(batch->ended) / batch->total));
    // The handler may have given the batch up.
    if (!batches_.count(batch)) return;
  }
  // Delivering gives the reply's text away: the unsent files keep a copy.
  const std::string stoppingReply = stops ? info.recData : std::string();
  const int stoppingRsp = info.httpRsp;
  const std::string stoppingServer = info.server;
  deliver(std::move(entry), info);
  if (stops && batches_.count(batch)) endUnsent(batch, stoppingReply, stoppingRsp, stoppingServer);
}

void NetworkModel::endUnsent(const std::shared_ptr<Batch>& batch, const std::string& reply, int httpRsp,
                             const std::string& server) {
  // Called again from a report this loop makes: the loop goes on with the
  // rest, so a batch of any size ends in one frame.
  if (batch->endingUnsent) return;
  batch->endingUnsent = true;
  const auto& names = batch->request->fileNameList;
  while (batches_.count(batch) && batch->next < batch->total && batch->next < names.size()) {
    auto info = downloadCarrier(*batch->request, names[batch->next++], this);
    info->recData = reply;
    info->httpRsp = httpRsp;
    info->server = server;
    info->requestCode = 0;
    batch->inFlight.insert(0);
    deliverBatchFile(Entry{batch->request, std::nullopt, batch->handlers, batch}, *info);
  }
  batch->endingUnsent = false;
}

void NetworkModel::ReciveHttpRespond(RequestInfoBase& info) {
  MV_LOG("reply to command ", info.cmdCode, ": ", loggedBody(info));
  // The request stays alive while its result is delivered, whatever the
  // handlers cancel meanwhile.
  MV_ASSERT_MAIN_THREAD();
  auto it = dicRequestList_.find(info.requestCode);
  if (it == dicRequestList_.end()) return;  // cancelled: nobody is told
  Entry entry = std::move(it->second);
  dicRequestList_.erase(it);
  if (entry.batch) {
    deliverBatchFile(std::move(entry), info);
    return;
  }
  if (entry.request->decodesOffMainThread()) {
    decodeElsewhere(std::move(entry), info);
    return;
  }
  // The owner's tracker let go of it (it cannot have been cancelled, or the
  // entry would be gone): its handlers no longer want the outcome.
  if (entry.ticket && !entry.ticket->finish()) return;
  deliver(std::move(entry), info);
}

void NetworkModel::deliver(Entry entry, RequestInfoBase& info) {
  std::shared_ptr<NetBaseRst> result = entry.request->decodeOutcome(info);
  info.recFile.reset();
  // A table reply is tens of megabytes of text: it goes before the handler
  // stores what was read from it, freed elsewhere, as that takes
  // milliseconds the handler need not wait for.
  if (info.recData.capacity() >= kFreedElsewhere) {
    base::WorkQueue::global().dispose(std::exchange(info.recData, std::string()));
  } else {
    std::string().swap(info.recData);
  }
  handOver(entry, result, info);
}

void NetworkModel::decodeElsewhere(Entry entry, RequestInfoBase& info) {
  // The reply goes with the carrier, taken rather than copied; the worker
  // lets go of it once read, and the carrier's other facts go on to the
  // hand-over.
  std::string text = std::exchange(info.recData, std::string());
  auto carrier = std::make_shared<RequestInfoBase>(info);
  carrier->recData = std::move(text);
  info.recFile.reset();
  auto request = entry.request;
  decoding_[info.requestCode] = std::move(entry);
  if (!decoder_) decoder_ = base::WorkQueue::serial();
  // A wait on the virtual clock gives the decoding the real time it takes.
  decoder_->async([request, carrier, underWay = base::holdOutsideWork()](const base::CancelFlag&) mutable {
    std::shared_ptr<NetBaseRst> result = request->decodeOutcome(*carrier);
    std::string().swap(carrier->recData);
    carrier->recFile.reset();
    base::RunLoop::main().post([request = std::move(request), result, carrier, underWay = std::move(underWay)] {
      sharedInstance().decodedElsewhere(result, *carrier, request);
    });
  });
}

void NetworkModel::decodedElsewhere(const std::shared_ptr<NetBaseRst>& result, const RequestInfoBase& info,
                                    const std::shared_ptr<RequestInterfaceBase>& request) {
  MV_ASSERT_MAIN_THREAD();
  auto it = decoding_.find(info.requestCode);
  // Cancelled meanwhile: nobody is told.
  if (it == decoding_.end() || it->second.request != request) return;
  Entry entry = std::move(it->second);
  decoding_.erase(it);
  if (entry.ticket && !entry.ticket->finish()) return;
  // The message of its status is read from the texts here.
  if (result) result->message = messageForStatus(result->status);
  handOver(entry, result, info);
}

void NetworkModel::handOver(const Entry& entry, const std::shared_ptr<NetBaseRst>& result,
                            const RequestInfoBase& info) {
  if (!result) return;
  result->cmdCode = info.cmdCode;
  result->requestCode = info.requestCode;
  result->httpRsp = info.httpRsp;
  result->server = info.server;
  // Still "999" to every handler, but the user is told that it was the
  // server's certificate, not the network, that failed.
  if (info.httpRsp == kHttpRspUntrustedCertificate)
    result->message = textForKey("UNTRUSTEDCERTIFICATE").value_or(result->message);
  // A reply the device had no room for is not an invalid one.
  if (info.httpRsp == kHttpRspReplyTooLarge)
    result->message = textForKey(kReplyTooLargeForDevice).value_or(result->message);
  // A reply that came too slowly came from a server that was reached.
  if (info.httpRsp == kHttpRspTooSlow) result->message = messageNamingServer(kServerTooSlow, info.server);
  // Likewise a file server that stopped answering (a file that timed out,
  // or every file once the server is taken as gone): which one, and that it
  // went quiet rather than that the network is missing.
  const bool fileTimedOut = info.requestType == kRequestTypeDownload &&
                            info.httpRsp == HttpNetworkCtrl::httpRspForError(static_cast<long>(RequestError::TimedOut));
  if (info.httpRsp == kHttpRspEndpointGone || fileTimedOut)
    result->message = messageNamingServer(kServerStoppedAnswering, info.server);
  // A file the server answered without, or whose bytes were not the file:
  // the service failed, or something on the way answers in its place.
  if (const auto* file = dynamic_cast<const DownLoadRequestInfo*>(&info)) {
    if (auto key = downloadFailureKey(info.httpRsp)) {
      const std::string& named = info.httpRsp == kHttpRspEndpointSendsNoFiles ? result->detail : file->fileName;
      result->message = messageNamingServer(key, info.server, named);
    }
    // Downloads stopped for want of room say how much more the files need,
    // when any of them said its size.
    if (info.httpRsp == kHttpRspNoRoom) result->message = noRoomText(result->detail);
  }

  const auto& handlers = *entry.handlers;
  const bool expired = isSessionExpiredStatus(result->status);
  if (expired || isLockedStatus(result->status)) {
    if (auto sink = sink_.lock()) {
      if (expired) {
        sink->logoutWhenSessionExpired(result->status, result->message);
      } else {
        sink->logoutWithLockedUser(result->status, result->message);
      }
    } else {
      MV_LOG("status ", result->status, " of command ", result->cmdCode, " has no session handler");
    }
    // The owner learns that its request is over, without a second alert.
    if (handlers.onEnded) handlers.onEnded(result);
    return;
  }
  if (handlers.onReply) handlers.onReply(result);
}

void NetworkModel::ReciveDownloadPercent(const DownLoadRequestInfo& info) {
  MV_ASSERT_MAIN_THREAD();
  // A transfer its tracker cancelled, or whose outcome came, is no longer
  // listed: its share goes nowhere.
  auto it = dicRequestList_.find(info.requestCode);
  if (it == dicRequestList_.end() || !it->second.handlers->onProgress) return;
  // Held here: the handler may cancel its own download while it is told.
  const auto handlers = it->second.handlers;
  handlers->onProgress(info);
}

void NetworkModel::cancelTransfer(int requestCode) {
  MV_ASSERT_MAIN_THREAD();
  // A reply being decoded is dropped when its result comes back.
  if (decoding_.erase(requestCode) > 0) return;
  if (dicRequestList_.erase(requestCode) == 0) return;
  HttpNetworkCtrl::sharedInstance().cancelRequests({requestCode});
}

void NetworkModel::cancelAllRequests() {
  MV_ASSERT_MAIN_THREAD();
  HttpNetworkCtrl::sharedInstance().CancelAllRequests();
  std::map<int, Entry> dropped;
  dropped.swap(dicRequestList_);
  for (auto& [code, entry] : decoding_) dropped.emplace(code, std::move(entry));
  decoding_.clear();
  std::set<std::shared_ptr<Batch>> batches;
  batches.swap(batches_);
  for (const auto& batch : batches) {
    batch->stopped = true;
    if (batch->ticket) batch->ticket->finish();
  }
  // The owners' trackers forget them: nothing of them is under way any more.
  for (auto& [code, entry] : dropped) {
    if (entry.ticket) entry.ticket->finish();
  }
}

}  // namespace mv
