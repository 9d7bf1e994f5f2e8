#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Error.hpp"
#include "transport/HeaderMap.hpp"
#include "transport/ProgressDelegate.hpp"
#include "transport/ReplyFile.hpp"
#include "transport/RequestDelegate.hpp"
#include "transport/RequestError.hpp"
#include "transport/TransferObserver.hpp"
#include "transport/TransferSetup.hpp"

namespace mv {

class NetworkQueue;

// One HTTP operation: what to send, where the reply goes, and what came back.
// Made with std::make_shared (it runs detached from its maker) and used on the
// main thread only; the transfer itself runs on the network thread and every
// callback comes back on the main loop. An operation runs once.
//
// Any HTTP answer, whatever its status, finishes the operation; `error()` is
// set only when no answer came (or credentials were refused). Time-outs limit
// silence, never the length of a transfer.
//
// Downloads: with a destination path the body of a 200 or 206 answer is
// written to the temporary path and moved to the destination only once whole
// (folders are made as needed); `downloadComplete()` then holds. A 200 is
// whole with every byte it announced and at least one; a 206 when its range
// starts where the partial file ends (at 0 for a fresh file), ends at the
// file's last byte and its bytes are that range. A 206 that stops short fails
// with error 11 and keeps its bytes for a resume. Any other answer (a 202, a
// 204, an empty 200, an error page) leaves its body in `responseData`, deletes
// the partial file and never touches the destination. With resume allowed, a
// partial file of P bytes is continued with "Range: bytes=P-": a 206 appends,
// a 200 starts the file afresh, a 416 completes when the server's size is P
// and otherwise starts over once without a range. A whole file goes into
// place only within its file limit and when its file check takes its bytes;
// otherwise it fails (error 13 or 15) and keeps nothing. The caller keeps
// partial files of different clients and file types apart; see
// `temporaryDownloadPath`.
class FormDataRequest : public std::enable_shared_from_this<FormDataRequest>, private TransferObserver {
 public:
  explicit FormDataRequest(std::string url);
  ~FormDataRequest() override;
  FormDataRequest(const FormDataRequest&) = delete;
  FormDataRequest& operator=(const FormDataRequest&) = delete;

  // Where a resumable download of `fileName` of `fileType` for a client keeps
  // its partial data: "<tmp>/tempDownload/<client>/<type>/<file name>", so two
  // clients or two file types never continue each other's bytes. Empty when
  // the client or file name is not a single plain path segment.
  static std::filesystem::path temporaryDownloadPath(const std::filesystem::path& tmpFolder,
                                                     const std::string& clientId, int fileType,
                                                     const std::string& fileName);
  // The record beside a partial file that says which file it is part of;
  // without it the partial file is not continued.
  static std::filesystem::path resumeRecordPath(const std::filesystem::path& temporaryPath);
  // "Marvisto/<version> (Linux; <locale>)" unless replaced.
  static std::string defaultUserAgent();
  static void setDefaultUserAgent(std::string userAgent);
  // The authorities whose certificates every request trusts (a PEM file), in
  // place of the system's; empty for the system's. For a service behind a
  // company's own authority. Main thread only.
  static std::filesystem::path certificateAuthorities();
  static void setCertificateAuthorities(std::filesystem::path file);

  const std::string& url() const { return url_; }
  long tag() const { return tag_; }
  void setTag(long tag) { tag_ = tag; }

  RequestDelegate* delegate() const { return delegate_; }
  void setDelegate(RequestDelegate* delegate) { delegate_ = delegate; }

  const std::string& requestMethod() const { return method_; }
  void setRequestMethod(std::string method);
  // Seconds without a byte moving (and to connect) before error 2; 0 waits forever.
  double timeOutSeconds() const { return timeOutSeconds_; }
  void setTimeOutSeconds(double seconds) { timeOutSeconds_ = seconds; }
  // Fewer than this many bytes a second, over as long as the time-out, is
  // error 2 as well: a connection that trickles a byte now and then is no
  // better than a silent one. 0 (the default) leaves a slow transfer alone.
  long lowSpeedBytesPerSecond() const { return lowSpeedBytesPerSecond_; }
  void setLowSpeedBytesPerSecond(long bytes) { lowSpeedBytesPerSecond_ = bytes; }
  // Fewer than `bytes` a second on average over the last `seconds` ends the
  // request as too slow (error 16); 0 bytes (the default) sets no such floor.
  void setAverageFloor(long bytes, double seconds) {
    averageFloorBytesPerSecond_ = bytes;
    averageFloorSeconds_ = seconds;
  }
  bool validatesSecureCertificate() const { return validatesSecureCertificate_; }
  void setValidatesSecureCertificate(bool validates) { validatesSecureCertificate_ = validates; }

  const std::map<std::string, std::string, HeaderNameLess>& requestHeaders() const { return requestHeaders_; }
  void setRequestHeaders(std::map<std::string, std::string, HeaderNameLess> headers) {
    requestHeaders_ = std::move(headers);
  }
  void addRequestHeader(const std::string& name, const std::string& value) { requestHeaders_[name] = value; }

  const std::string& postBody() const { return postBody_; }
  void setPostBody(std::string body) { postBody_ = std::move(body); }
  // Form fields; with any data field the body is multipart, else URL-encoded.
  void setPostValue(const std::string& value, const std::string& key);
  void setData(const std::string& data, const std::string& key, const std::string& fileName = "file",
               const std::string& contentType = "application/octet-stream");

  bool showAccurateProgress() const { return showAccurateProgress_; }
  void setShowAccurateProgress(bool accurate) { showAccurateProgress_ = accurate; }

  const std::filesystem::path& downloadDestinationPath() const { return downloadDestinationPath_; }
  void setDownloadDestinationPath(std::filesystem::path path) { downloadDestinationPath_ = std::move(path); }
  const std::filesystem::path& temporaryFileDownloadPath() const { return temporaryFileDownloadPath_; }
  void setTemporaryFileDownloadPath(std::filesystem::path path) { temporaryFileDownloadPath_ = std::move(path); }
  bool allowResumeForFileDownloads() const { return allowResume_; }
  void setAllowResumeForFileDownloads(bool allow) { allowResume_ = allow; }
  // True: a resumed download's progress runs over the remaining bytes only.
  bool shouldResetDownloadProgress() const { return shouldResetDownloadProgress_; }
  void setShouldResetDownloadProgress(bool reset) { shouldResetDownloadProgress_ = reset; }
  // Transfers never pause with the application here; kept for callers.
  bool shouldContinueWhenAppEntersBackground() const { return continueInBackground_; }
  void setShouldContinueWhenAppEntersBackground(bool value) { continueInBackground_ = value; }
  // A further attempt of a request that just ended in its queue: it starts
  // at once rather than behind the requests waiting there.
  bool keepsQueuePlace() const { return keepsQueuePlace_; }
  void setKeepsQueuePlace(bool value) { keepsQueuePlace_ = value; }

  ProgressDelegate* downloadProgressDelegate() const { return downloadProgressDelegate_; }
  void setDownloadProgressDelegate(ProgressDelegate* delegate) { downloadProgressDelegate_ = delegate; }
  ProgressDelegate* uploadProgressDelegate() const { return uploadProgressDelegate_; }
  void setUploadProgressDelegate(ProgressDelegate* delegate) { uploadProgressDelegate_ = delegate; }

  // Basic or Digest credentials; a 401 to them fails with error 3.
  void setUsername(std::string username) { username_ = std::move(username); }
  void setPassword(std::string password) { password_ = std::move(password); }
  // An explicit proxy ("host:port" or a URL); otherwise http_proxy,
  // https_proxy and no_proxy from the environment apply.
  void setProxy(std::string proxy) { proxy_ = std::move(proxy); }
  void setUserAgent(std::string userAgent) { userAgent_ = std::move(userAgent); }

  // Starts on its own, outside any queue. False when it already ran or is queued.
  bool startAsynchronous();
  // Stops it; a running or queued operation reports failed with error 4 on a
  // later turn, unless its callbacks are cleared by then.
  void cancel();
  // Stops it and silences it for good: no callback of any kind follows, even
  // one already on its way to the main loop.
  void clearDelegatesAndCancel();

  bool isExecuting() const { return state_ == State::Running; }
  bool isFinished() const { return state_ == State::Finished || state_ == State::Failed; }
  bool isCancelled() const { return cancelled_; }

  long responseStatusCode() const { return responseStatusCode_; }
  const HeaderMap& responseHeaders() const { return responseHeaders_; }
  std::string responseHeader(const std::string& name) const;
  // The body in memory (downloads: only for answers not written to the file).
  const std::string& responseData() const { return responseData_; }
  // Hands the body over without a copy, for a finished request whose body
  // nobody reads again; it is empty afterwards.
  std::string takeResponseData() { return std::move(responseData_); }
  // A download finished with the whole file at its destination.
  bool downloadComplete() const { return downloadComplete_; }
  // Bytes already on disk that this attempt continued (0 when it started afresh).
  std::int64_t partialDownloadSize() const { return partialDownloadSize_; }
  // Whether any byte of the request left the device: a failure before that
  // point is one the server cannot have acted on.
  bool requestSent() const { return requestSent_; }
  // Off for requests that must never reach the server twice (uploads): each
  // then gets a connection of its own, which the HTTP library never replays.
  bool reusesConnection() const { return reuseConnection_; }
  void setReusesConnection(bool reuse) { reuseConnection_ = reuse; }
  // Off: a 3xx answer fails with error 14 instead of being followed.
  bool followsRedirects() const { return followsRedirects_; }
  void setFollowsRedirects(bool follows) { followsRedirects_ = follows; }
  // The most bytes a body kept in memory may take, received or inflated;
  // past it the request fails with error 13. A download written to a file is
  // limited only in what it inflates (when it asked for an encoding).
  std::int64_t bodyLimit() const { return bodyLimit_; }
  void setBodyLimit(std::int64_t bytes) { bodyLimit_ = bytes; }
  // A reply that may run past what memory should hold goes on in this file
  // past a few megabytes (or the body limit, when lower), bounded by the
  // disk's room rather than the body limit (see TransferSetup::spillFile);
  // a disk short of room fails it with error 17 once memory cannot keep it.
  const std::filesystem::path& spillFile() const { return spillFile_; }
  void setSpillFile(std::filesystem::path path) { spillFile_ = std::move(path); }
  // The room the reader of the spilled reply takes beside it, for each byte
  // of it (see TransferSetup::spillStoreShare).
  double spillStoreShare() const { return spillStoreShare_; }
  void setSpillStoreShare(double share) { spillStoreShare_ = share; }
  // The most bytes a compressed reply may inflate to, wherever it goes (see
  // TransferSetup::inflatedLimit); past it the request fails with error 13.
  std::int64_t inflatedLimit() const { return inflatedLimit_; }
  void setInflatedLimit(std::int64_t bytes) { inflatedLimit_ = bytes; }
  // The body, when it went to the spill file rather than `responseData`:
  // the file goes when the last holder lets go of it.
  std::shared_ptr<const ReplyFile> takeResponseFile() { return std::move(responseFile_); }
  // A download's file: the most bytes it may hold (-1, the default: no
  // bound); past it the request fails with error 13 and keeps nothing.
  std::int64_t fileLimit() const { return fileLimit_; }
  void setFileLimit(std::int64_t bytes) { fileLimit_ = bytes; }
  // Whether a download's whole file is the file asked for, asked before it
  // goes into place (see TransferSetup::fileCheck); one that is not fails
  // with the check's error, keeps nothing and leaves the destination as it was.
  void setFileCheck(TransferSetup::FileCheck check) { fileCheck_ = std::move(check); }
  // Body bytes received so far, and expected (-1 unknown), of this attempt.
  std::int64_t totalBytesRead() const { return totalBytesRead_; }
  std::int64_t contentLength() const { return contentLength_; }
  const std::optional<base::Error>& error() const { return error_; }
  // The downloaded share, 0 to 1 (counting a continued partial file unless
  // progress is reset), when the expected length is known.
  std::optional<double> progressFraction() const;

 private:
  friend class NetworkQueue;
  enum class State { Ready, Queued, Running, Finished, Failed };
  using QueueHook = std::function<void(FormDataRequest&)>;

  void launch();
  void end(bool deliverLater);
  void deliver();
  void reportDownloadProgress(float fraction);

  void transferReceivedResponse(const ResponseHead& head) override;
  void transferReceivedData(std::string chunk) override;
  void transferProgressed(const TransferProgress& progress) override;
  void transferEnded(TransferResult result) override;

  std::string url_;
  long tag_ = 0;
  RequestDelegate* delegate_ = nullptr;
  std::string method_ = "GET";
  double timeOutSeconds_ = 10;
  long lowSpeedBytesPerSecond_ = 0;
  long averageFloorBytesPerSecond_ = 0;
  double averageFloorSeconds_ = 60;
  bool validatesSecureCertificate_ = true;
  std::map<std::string, std::string, HeaderNameLess> requestHeaders_;
  std::string postBody_;
  std::vector<TransferSetup::FormField> formFields_;
  bool showAccurateProgress_ = false;
  std::filesystem::path downloadDestinationPath_;
  std::filesystem::path temporaryFileDownloadPath_;
  bool allowResume_ = false;
  bool shouldResetDownloadProgress_ = true;
  bool continueInBackground_ = false;
  ProgressDelegate* downloadProgressDelegate_ = nullptr;
  ProgressDelegate* uploadProgressDelegate_ = nullptr;
  std::string username_;
  std::string password_;
  std::string proxy_;
  std::string userAgent_;

  State state_ = State::Ready;
  bool cancelled_ = false;
  bool cleared_ = false;
  std::uint64_t transferId_ = 0;
  std::shared_ptr<FormDataRequest> selfRetain_;  // while it runs outside a queue

  // Set by the queue that holds it.
  QueueHook queueEnded_;     // bookkeeping, as soon as it ends
  QueueHook queueReport_;    // the queue's finish/fail callbacks
  QueueHook queueProgress_;  // its download share changed
  // The queue's group on the network thread (0: runs on its own).
  std::uint64_t queueGroup_ = 0;
  int queueLimit_ = 1;
  std::shared_ptr<std::atomic<int>> queueUnstarted_;
  // The queue reports a share of the bytes of its running operations.
  bool queueFollowsBytes_ = false;
  bool queueStopsOnFailure_ = false;
  bool keepsQueuePlace_ = false;

  long responseStatusCode_ = 0;
  HeaderMap responseHeaders_;
  std::string responseData_;
  std::int64_t partialDownloadSize_ = 0;
  bool downloadComplete_ = false;
  bool requestSent_ = false;
  bool reuseConnection_ = true;
  bool followsRedirects_ = true;
  std::int64_t bodyLimit_ = TransferSetup().bodyLimit;
  std::filesystem::path spillFile_;
  double spillStoreShare_ = 0;
  std::int64_t inflatedLimit_ = TransferSetup().inflatedLimit;
  std::shared_ptr<const ReplyFile> responseFile_;
  std::int64_t fileLimit_ = -1;
  TransferSetup::FileCheck fileCheck_;
  std::int64_t totalBytesRead_ = 0;
  std::int64_t contentLength_ = -1;
  // The reply's head and progress come as they arrive (someone follows
  // them); otherwise with the end.
  bool followed_ = false;
  std::int64_t bytesSent_ = 0;
  std::int64_t bytesToSend_ = 0;
  float lastDownloadProgress_ = -1;
  float lastUploadProgress_ = -1;
  std::optional<base::Error> error_;
};

}  // namespace mv
