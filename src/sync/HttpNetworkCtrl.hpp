#pragma once
// Transport control: turns each carrier into an HTTP operation on one of four
// queues, numbers it with a request code no other operation under way holds,
// resends what may be resent, and
// hands every outcome back as reply bytes: the service's own reply, or one made
// on the device in the service's format when the network failed or a file is
// missing. Main thread only; lives for the whole run.
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "transport/NetworkQueue.hpp"
#include "transport/TransferSetup.hpp"

namespace mv {

class HttpNetworkCtrl {
 public:
  // Replies made on the device (exact bytes).
  static constexpr std::string_view kNetworkErrorReply =
      R"({"content":"","results":[{"detail":"","message":"Network error!","status":"999"}]})";
  static constexpr std::string_view kFileMissingReply =
      R"({"content":"","results":[{"detail":"","message":"File is not exist!","status":"404"}]})";
  static constexpr std::string_view kDownloadSuccessReply =
      R"({"content":"","results":[{"detail":"","message":"Download Successfully!","status":"200"}]})";

  // The header every message carries (the misspelt type is what the service
  // has always been sent).
  static constexpr const char* kMessageContentType = "applicatioin/bin;charset=UTF-8";

  struct Settings {
    // Inactivity limits (no byte for that long), never limits on a whole transfer.
    double messageTimeOutSeconds = 15.0;
    double downloadTimeOutSeconds = 20.0;
    // A download that gets fewer bytes a second than this for its whole
    // inactivity limit fails like a silent one: a connection that trickles a
    // byte every few seconds would otherwise hold its file for hours.
    long downloadLowSpeedBytesPerSecond = 100;
    // The same floor for a message: a reply whose head comes at once and
    // whose body drips a byte at a time is never silent, and would keep a
    // sync or a sign-in waiting without end.
    long messageLowSpeedBytesPerSecond = 100;
    // A reply sent just above that floor (a hundred and some bytes a second)
    // would keep the sync at "Checking..." for as long as the server likes:
    // a message also ends when its bytes average fewer than this a second
    // over a longer window. An honest slow link (2 KB/s) stays well above.
    long messageAverageFloorBytesPerSecond = 1024;
    double messageAverageFloorSeconds = 60.0;
    // The most bytes a message reply may take in memory. A reply that may
    // outgrow it (a table of the whole company) goes on in a file instead,
    // once it passes this or a few megabytes, bounded by the disk's room.
    std::int64_t messageBodyLimit = TransferSetup().bodyLimit;
    // The most bytes a compressed message reply may inflate to.
    std::int64_t messageInflatedLimit = TransferSetup().inflatedLimit;
    // The room a table reply's store takes of the disk beside the reply, for
    // each byte of it: its rows in the database and, until they are in
    // place, as many again in the database's log (about 1.0 of the
    // customers' reply, 0.8 of the products'). A reply goes to the disk only
    // with room for that beside it (TransferSetup::spillStoreShare).
    double spillStoreShare = 1.0;
    // A message that may be resent is sent once more after this delay.
    double messageRetryDelaySeconds = 3.0;
    // Further attempts of a single download after its first failure.
    int singleDownloadRetries = 3;
    // Failures in a row to one file endpoint (refused, reset or timed out,
    // or bytes that were not the file asked for, counted once a file, with
    // no file or other answer between them) after which every download to
    // it stops: the service has stopped answering, or something else
    // answers in its place.
    int endpointFailureLimit = 3;
  };

  static HttpNetworkCtrl& sharedInstance();

  // Sends a carrier and answers its request code; -1 for none (nothing was
  // sent). The outcome arrives later, on the main loop, at the carrier's
  // delegate.
  int SendHttpRequest(const std::shared_ptr<RequestInfoBase>& info);
  // Cancels, silently, every download of that file name, queued, running or
  // about to be resent; answers the request codes cancelled.
  std::vector<int> CancelDownLoadWithName(const std::string& fileName);
  // Cancels everything silently, including resends waiting for their turn
  // (the session ended), and forgets the sizes of the files fetched so far.
  void CancelAllRequests();
  // Cancels, silently, the operations of these request codes.
  void cancelRequests(const std::vector<int>& requestCodes);

  static int getCmdcode(int requestCode) { return requestCode >> 16; }
  // The reply code for a transport error: 1 -> 6, 2 and 16 (too slow) -> 2, 3 -> 3, 4 -> 1,
  // 5 -> 4, an untrusted certificate -> 7, anything else -1.
  static int httpRspForError(long transportError);
  static std::string GetMsgURLWithHeader(const std::string& head);
  // Where a download of the signed-in client keeps its partial data: apart
  // per client and file type. Empty for a name that is not a plain file name.
  static std::filesystem::path partialPathWithName(const std::string& fileName, int type);
  static std::filesystem::path partialPathIn(const std::filesystem::path& clientFolder, const std::string& fileName,
                                             int type);
  // Drops a download's partial data, so that the next download of the file
  // starts afresh.
  static void discardPartialWithName(const std::string& fileName, int type);
  // The folder in the data root's scratch folder where replies that may
  // outgrow memory go, each in a file of its own that goes with its last
  // reader. A run ended in the middle of one leaves it there.
  static std::filesystem::path spillFolder();

  void setSettings(const Settings& settings) { settings_ = settings; }
  const Settings& settings() const { return settings_; }
  // The counter value the next request code takes (1 to 65534), unless an
  // operation under way holds that code: the counter then moves on to a
  // free one.
  void setNextCounterValue(int counter);

  // Operations not yet reported (queued, running, waiting or due to be resent).
  std::size_t pendingCount() const { return operations_.size(); }
  // Operations whose transfer is running or waiting for another one of the
  // same file; those waiting only for their resend delay are not counted.
  std::size_t transfersUnderWay() const;
  bool hasPendingResend(int requestCode) const;
  // The files of batch downloads whose transfers run now and whose answers
  // have said how long they are: how many, how many bytes they have in all
  // (a part kept from an earlier attempt included) and how many of those
  // are here.
  struct BytesUnderWay {
    std::size_t files = 0;
    std::int64_t announced = 0;
    std::int64_t brought = 0;
  };
  BytesUnderWay batchBytesUnderWay() const;

  HttpNetworkCtrl(const HttpNetworkCtrl&) = delete;
  HttpNetworkCtrl& operator=(const HttpNetworkCtrl&) = delete;

 private:
  struct Operation;
  class PercentReporter;

  HttpNetworkCtrl();
  ~HttpNetworkCtrl();

  // A code no operation under way holds; none when every counter value of
  // that command is taken.
  std::optional<int> nextRequestCode(int cmdCode);
  void sendMessage(const std::shared_ptr<Operation>& op);
  void sendDownload(const std::shared_ptr<Operation>& op);
  void startAttempt(const std::shared_ptr<Operation>& op);
  void OperationFinished(FormDataRequest& request);
  void OperationFailed(FormDataRequest& request);
  void downloadFinished(const std::shared_ptr<Operation>& op, FormDataRequest& request);
  void downloadFailed(const std::shared_ptr<Operation>& op, FormDataRequest& request);
  void retryOrFail(const std::shared_ptr<Operation>& op, int httpRsp);
  // Counts a download's failure to get an answer or to get its file
  // (`refused`: bytes that are not the file), or clears the count on an
  // answer, for its endpoint; true when the endpoint is now taken as gone.
  bool countEndpointFailure(const Operation& op, bool failed, bool refused = false);
  // Ends every download to the endpoint (to any, when empty) at once, batch
  // and single, queued, running or about to be tried again, with `httpRsp`
  // (`kHttpRspEndpointGone`, `kHttpRspEndpointSendsNoFiles`, `kHttpRspNoRoom`)
  // and `detail` in each reply (when empty, the files the endpoint sent
  // pages for).
  void stopDownloadsTo(const std::string& endpoint, int httpRsp, const std::string& detail = {});
  // The bytes the files of every download need beyond the room left on the
  // disk, once `failed` found none for its file: its own, those of the
  // downloads under way and those the receivers hold back. A file whose
  // listing nor reply gives a size (a picture) is taken to need as much of
  // the disk as the files of its type fetched so far, on average
  // (`estimated`), and left out when none of its type came; 0 bytes when the
  // disk does not say its room.
  struct RoomNeeded {
    std::int64_t bytes = 0;
    bool estimated = false;
  };
  RoomNeeded roomNeeded(const Operation& failed, const FormDataRequest& request) const;
  void messageFailed(const std::shared_ptr<Operation>& op, FormDataRequest& request);
  void receivedData(FormDataRequest& request, std::string_view data);
  // Tells the carrier's delegate a download's share (0 to 1).
  void reportPercent(const Operation& op, float share);
  // Hands the outcome to the delegate and forgets the operation.
  void report(const std::shared_ptr<Operation>& op, std::string recData, int httpRsp,
              std::shared_ptr<const ReplyFile> recFile = nullptr);
  // Where the reply of a message that may outgrow memory goes: a file of
  // its own in the spill folder.
  std::filesystem::path spillPathFor(const Operation& op);
  void reportLater(const std::shared_ptr<Operation>& op, std::string recData, int httpRsp);
  // Drops an operation without a report.
  void discard(const std::shared_ptr<Operation>& op);
  void forget(const std::shared_ptr<Operation>& op);
  void networkLost();
  std::shared_ptr<Operation> operationFor(const FormDataRequest& request) const;
  NetworkQueue& queueFor(const Operation& op);

  Settings settings_;
  int counter_ = 1;
  // Spill files named so far.
  std::uint64_t spills_ = 0;

  NetworkQueue workQueueMsg_;
  NetworkQueue workQueueUpload_;
  NetworkQueue workQueueDownload_;
  NetworkQueue workQueueDownloadCur_;
  std::unique_ptr<PercentReporter> percentReporter_;

  // Every operation not yet reported, by request code.
  std::map<int, std::shared_ptr<Operation>> operations_;
  // A destination being written, and the downloads waiting for it (in the
  // order they came; one no longer waiting is skipped).
  // By the path's text: destinations are always made the same way, and a
  // batch looks them up thousands of times.
  struct PathText {
    std::size_t operator()(const std::filesystem::path& p) const { return std::hash<std::string>{}(p.native()); }
    bool operator()(const std::filesystem::path& a, const std::filesystem::path& b) const {
      return a.native() == b.native();
    }
  };
  std::unordered_map<std::filesystem::path, int, PathText, PathText> busyDestinations_;
  std::unordered_map<std::filesystem::path, std::deque<int>, PathText, PathText> waitingFor_;
  // Failures in a row per file endpoint ("http://host:port"), with the
  // files among them whose bytes were not the file.
  struct EndpointFailures {
    int count = 0;
    std::vector<std::string> refused;
  };
  std::map<std::string, EndpointFailures> endpointFailures_;
  // The files put in place in this session, by file type: how many, and
  // what they take of the disk.
  struct Fetched {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
  };
  std::map<int, Fetched> fetched_;
  base::Observation netUnconnect_;
};

}  // namespace mv
