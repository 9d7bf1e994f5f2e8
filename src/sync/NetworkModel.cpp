#include "sync/NetworkModel.hpp"

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "sync/CommandCode.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

// Bodies go to the log by their size only: they carry the session id, the
// sign-in, and whole backups of the customers and orders.
std::string loggedBody(std::string_view body) { return "(" + std::to_string(body.size()) + " bytes)"; }

}  // namespace

// Hands a request's outcome to the handlers it was sent with.
class NetworkModel::Relay : public NetworkRecDelegate {
 public:
  explicit Relay(Handlers handlers) : handlers_(std::move(handlers)) {}
  void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) override {
    if (handlers_.onReply) handlers_.onReply(result);
  }
  void requestEndedBySession(const std::shared_ptr<NetBaseRst>& result) override {
    if (handlers_.onEnded) handlers_.onEnded(result);
  }
  void ReciveDownloadPercent(const DownLoadRequestInfo& info) override {
    if (handlers_.onProgress) handlers_.onProgress(info);
  }

 private:
  Handlers handlers_;
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

std::size_t NetworkModel::requestCount() const { return dicRequestList_.size(); }

void NetworkModel::file(int requestCode, const std::shared_ptr<RequestInterfaceBase>& request,
                        base::CancelTracker* tracker, std::shared_ptr<NetworkRecDelegate> relay) {
  Entry entry{request, std::nullopt, std::move(relay)};
  // The transport reports on a later turn, never from inside the send, so
  // the ticket is in place before any reply can look for it.
  if (tracker) entry.ticket = tracker->track([requestCode] { sharedInstance().cancelTransfer(requestCode); });
  dicRequestList_[requestCode] = std::move(entry);
}

int NetworkModel::sendRequest(const std::shared_ptr<RequestInterfaceBase>& request) { return send(request, nullptr); }

int NetworkModel::sendRequest(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker) {
  return send(request, &tracker);
}

int NetworkModel::send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                       Handlers handlers) {
  MV_ASSERT_MAIN_THREAD();
  if (!request) return -1;
  auto relay = std::make_shared<Relay>(std::move(handlers));
  request->setReceiveDelegete(relay);
  return send(request, &tracker, relay);
}

int NetworkModel::send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker* tracker,
                       const std::shared_ptr<NetworkRecDelegate>& relay) {
  MV_ASSERT_MAIN_THREAD();
  if (!request) return -1;
  auto& ctrl = HttpNetworkCtrl::sharedInstance();

  if (request->requestType == kRequestTypeDownload) {
    auto download = std::dynamic_pointer_cast<RequestDownload>(request);
    if (!download) return -1;
    for (const std::string& name : download->fileNameList) {
      auto info = std::make_shared<DownLoadRequestInfo>();
      info->requestType = download->requestType;
      info->cmdCode = download->cmdCode;
      info->fileId = download->fileId;
      info->imgType = download->imgType;
      info->progressType = download->progressType;
      info->downloadId = download->downloadId;
      info->fileName = name;
      info->delegate = this;
      info->downloadProgressDelegate = download->receiveDelegete;
      const int code = ctrl.SendHttpRequest(info);
      file(code, request, tracker, relay);
    }
    return download->downloadId;
  }

  auto info = std::make_shared<RequestInfoBase>();
  info->requestType = request->requestType;
  info->cmdCode = request->cmdCode;
  info->requestUrlBody = request->RequestEncode();
  info->delegate = this;
  info->requestHeader = request->requestHead;
  MV_LOG("the request body is ", info->requestUrlBody ? loggedBody(*info->requestUrlBody) : "(none)",
         ", request id is ", request->cmdCode);
  const int code = ctrl.SendHttpRequest(info);
  file(code, request, tracker, relay);
  return code;
}

void NetworkModel::ReciveHttpRespond(RequestInfoBase& info) {
  MV_LOG("reply to command ", info.cmdCode, ": ", loggedBody(info.recData));
  // The request stays alive while its result is delivered, whatever the
  // receiver cancels meanwhile.
  MV_ASSERT_MAIN_THREAD();
  auto it = dicRequestList_.find(info.requestCode);
  if (it == dicRequestList_.end()) return;  // cancelled: nobody is told
  Entry entry = std::move(it->second);
  dicRequestList_.erase(it);
  // The owner's tracker let go of it (it cannot have been cancelled, or the
  // entry would be gone): its receiver no longer wants the outcome.
  if (entry.ticket && !entry.ticket->finish()) return;
  std::shared_ptr<NetBaseRst> result = entry.request->decodeReply(info.recData);
  if (!result) return;
  result->cmdCode = info.cmdCode;
  result->requestCode = info.requestCode;
  result->httpRsp = info.httpRsp;
  // Still "999" to every receiver, but the user is told that it was the
  // server's certificate, not the network, that failed.
  if (info.httpRsp == kHttpRspUntrustedCertificate)
    result->message = textForKey("UNTRUSTEDCERTIFICATE").value_or(result->message);
  if (auto* carrier = dynamic_cast<DownLoadRequestInfo*>(&info)) {
    if (auto* download = dynamic_cast<DownloadRst*>(result.get())) {
      auto request = std::static_pointer_cast<RequestDownload>(entry.request);
      download->fileId = request->fileId;
      download->type = request->imgType;
      download->fileName = carrier->fileName;
      download->downloadId = carrier->downloadId;
    }
  }

  auto receiver = entry.request->receiveDelegete.lock();
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
    if (receiver) receiver->requestEndedBySession(result);
    return;
  }
  if (receiver) receiver->ReciveHttpRespondInfo(result);
}

void NetworkModel::cancelDownloadReuest(const std::string& fileName) {
  MV_ASSERT_MAIN_THREAD();
  std::vector<int> codes = HttpNetworkCtrl::sharedInstance().CancelDownLoadWithName(fileName);
  for (int code : codes) {
    auto it = dicRequestList_.find(code);
    if (it == dicRequestList_.end()) continue;
    Entry entry = std::move(it->second);
    dicRequestList_.erase(it);
    // Its owner's tracker forgets it too; nothing is left to cancel.
    if (entry.ticket) entry.ticket->finish();
  }
}

void NetworkModel::cancelTransfer(int requestCode) {
  MV_ASSERT_MAIN_THREAD();
  if (dicRequestList_.erase(requestCode) == 0) return;
  HttpNetworkCtrl::sharedInstance().cancelRequests({requestCode});
}

void NetworkModel::cancelAllRequests() {
  MV_ASSERT_MAIN_THREAD();
  HttpNetworkCtrl::sharedInstance().CancelAllRequests();
  std::map<int, Entry> dropped;
  dropped.swap(dicRequestList_);
  // The owners' trackers forget them: nothing of them is under way any more.
  for (auto& [code, entry] : dropped) {
    if (entry.ticket) entry.ticket->finish();
  }
}

}  // namespace mv
