#pragma once
// The single way features talk to the service: sends each request through
// the transport control, keeps it until its reply is delivered, decodes the
// reply with the request that asked for it, hands the statuses that end the
// session to the session handler and everything else to the handlers the
// request was sent with. Process-wide and main thread only; logout cancels its
// requests, the object stays.
//
// A batch download (progress type batch) goes to the transport a window of
// files at a time: the rest wait as positions in the request's own list of
// names, so a batch of a hundred thousand files costs no more in flight than
// one of a hundred. The batch's `onShare` hears its share (files with an
// outcome over all files), and 1 once before the last file's outcome. When the network is lost or the file endpoint has gone, the
// files not yet sent end with the same outcome, unsent.
//
// A request whose reply is decoded off the main thread (a product reply,
// stored as it is read) is decoded on the model's own worker, one reply at a
// time; it stays the owner's to cancel until its result comes back, and a
// result whose request was cancelled meanwhile reaches nobody.
//
// Owners send through their `base::CancelTracker`: the tracker can then cancel
// every request and download it sent (the run was abandoned, the owner
// ended), and a reply or a download's share reaches its handlers only while
// the tracker still holds the request.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/WorkQueue.hpp"
#include "sync/RequestSender.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"
#include "sync/SessionEventSink.hpp"

namespace mv {

class NetworkModel : public HTTP_REC_RESPOND, public RequestSender {
 public:
  static NetworkModel& sharedInstance();
  // The network model as the session's request sender; never destroyed.
  static std::shared_ptr<RequestSender> sharedSender();

  // A message answers its request code; a download answers its download id
  // (one transfer per file name; none at all for an empty list); -1 when
  // given nothing. Each transfer (one per file of a download) is cancelled
  // with `tracker`, and its outcome is handed to `handlers` only while the
  // tracker still holds it.
  int send(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
           Handlers handlers) override;

  // Cancels every request (logout); replies still under way are dropped.
  void cancelAllRequests();

  // The session handler; not owned.
  void setSessionEventSink(std::weak_ptr<SessionEventSink> sink);

  void ReciveHttpRespond(RequestInfoBase& info) override;
  void ReciveDownloadPercent(const DownLoadRequestInfo& info) override;
  // The batches' files not yet handed to the transport, and the files their
  // owners ask for after them, by file type.
  std::map<int, std::int64_t> filesNotYetSent() const override;

  // Requests waiting for their reply (a download counts once per file, a
  // batch's files not yet sent included).
  std::size_t requestCount() const;

  // Files of one batch handed to the transport at a time.
  static constexpr std::size_t kBatchWindow = 64;
  // The window is filled again once this many of its files have ended: the
  // transport takes them in one go rather than one wake-up a file.
  static constexpr std::size_t kBatchRefill = 16;

  NetworkModel(const NetworkModel&) = delete;
  NetworkModel& operator=(const NetworkModel&) = delete;

 private:
  NetworkModel() = default;
  ~NetworkModel() override = default;
  struct Batch;

  struct Entry {
    std::shared_ptr<RequestInterfaceBase> request;
    // The owner's hold on the request (a batch file's is the batch's).
    std::optional<base::CancelTracker::Ticket> ticket;
    // What the request was sent with, shared by the files of one download.
    std::shared_ptr<const Handlers> handlers;
    // The batch the file belongs to.
    std::shared_ptr<Batch> batch;
  };

  void file(int requestCode, const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
            std::shared_ptr<const Handlers> handlers);
  // Cancels one transfer silently (its tracker dropped it).
  void cancelTransfer(int requestCode);

  int sendBatch(const std::shared_ptr<RequestInterfaceBase>& request, base::CancelTracker& tracker,
                std::shared_ptr<const Handlers> handlers);
  // Hands the batch's next files to the transport while its window has room.
  void feed(const std::shared_ptr<Batch>& batch);
  void cancelBatch(const std::shared_ptr<Batch>& batch);
  // Decodes one outcome and hands it to the request's handlers.
  void deliver(Entry entry, RequestInfoBase& info);
  // Hands a decoded outcome to the request's handlers (or, for statuses
  // that end the session, to the session handler).
  void handOver(const Entry& entry, const std::shared_ptr<NetBaseRst>& result, const RequestInfoBase& info);
  // Decodes a reply on the decoding worker; the entry waits in `decoding_`.
  void decodeElsewhere(Entry entry, RequestInfoBase& info);
  void decodedElsewhere(const std::shared_ptr<NetBaseRst>& result, const RequestInfoBase& info,
                        const std::shared_ptr<RequestInterfaceBase>& request);
  // A batch file's outcome: the batch's share first, then the outcome.
  void deliverBatchFile(Entry entry, RequestInfoBase& info);
  // Ends the files of a batch not yet sent with the outcome that stopped it.
  void endUnsent(const std::shared_ptr<Batch>& batch, const std::string& reply, int httpRsp, const std::string& server);

  std::map<int, Entry> dicRequestList_;
  // Replies being decoded on `decoder_`, by request code.
  std::map<int, Entry> decoding_;
  std::unique_ptr<base::WorkQueue> decoder_;
  std::set<std::shared_ptr<Batch>> batches_;
  std::weak_ptr<SessionEventSink> sink_;
};

}  // namespace mv
