#pragma once
#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "transport/EasyHandlePool.hpp"
#include "transport/GzipInflater.hpp"
#include "transport/HeaderMap.hpp"
#include "transport/TransferBody.hpp"
#include "transport/TransferObserver.hpp"
#include "transport/TransferSetup.hpp"

namespace mv {

// One request on the network thread: its curl handle for the current attempt,
// the reply's head, the inflater and where the body goes (TransferBody), the
// resume rules of a download's partial file, and the events it posts to the
// main loop.
class Transfer {
 public:
  Transfer(TransferSetup spec, std::weak_ptr<TransferObserver> observer);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  std::uint64_t id() const { return spec_.id; }
  CURL* easy() const { return easy_; }
  const TransferSetup& spec() const { return spec_; }
  // It ended with a failure of its own (no answer, a file that could not be
  // written, a time-out), not by being cancelled.
  bool failed() const { return failed_; }

  // Beside each partial file lies its resume record: the validator the server
  // gave for the file (its strong ETag, else its Last-Modified; an empty line
  // when none) and the file's whole length, one per line. A partial file is
  // continued only with its record, with If-Range, and only by a part of a
  // file of that length.
  static std::filesystem::path resumeRecordPath(const std::filesystem::path& temporary);
  // A status that sends the client elsewhere (with a Location).
  static bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
  }

  // What is left of a transfer that ended, done off the network thread in
  // the order they ended: for a download whose whole file arrived, moving the
  // file into place; for any transfer, telling its end. The network thread
  // goes on with the next files meanwhile.
  struct Delivery {
    std::uint64_t id = 0;
    std::filesystem::path temporary;
    std::filesystem::path destination;
    bool place = false;         // the file goes into place; else only the end is told
    bool removeRecord = false;  // a resume record lies beside the temporary file
    // The whole file, when it was held in memory rather than written as it came.
    std::optional<std::string> held;
    TransferResult result;
    std::weak_ptr<TransferObserver> observer;
    std::uint64_t sequence = 0;  // the engine's count of deliveries, in order

    // Any thread: the file goes into place, or the result says why not.
    // Only the end is left to tell then.
    void finish();

   private:
    void moveFile();
    bool writeWhole(std::string& detail, bool& noRoom);
  };
  // Tells the ends of finished deliveries, in their order, with one main-loop task.
  static void report(std::vector<Delivery> deliveries);

  // How many partial files the network thread has opened so far: written
  // with bytes a transfer received, to be continued or dropped later. Any
  // thread.
  static std::uint64_t partialFilesOpened() { return TransferBody::partialFilesOpened(); }
  // Bytes every transfer has sent and received so far, on the wire. Any
  // thread: a watcher that sees it stand still knows nothing moves.
  static std::uint64_t bytesMoved();

  // Builds the handle for a new attempt from `pool`, which takes it back when
  // the attempt ends and must outlive the transfer; false when no handle can
  // be made.
  [[nodiscard]] bool prepare(CURLSH* share, EasyHandlePool& pool);
  // What follows a handle that is done.
  enum class Next {
    Ended,   // the end is told, or on its way (see `complete`)
    Again,   // another attempt: its handle is released; call `prepare` again
    Check,   // its whole file waits for `fileCheck()`'s verdict (see `checked`)
  };
  // The handle is done. Unless it asks for another attempt or a check, its
  // delivery is added to `later` when given: a whole download that no group
  // waits on to stop is moved into place there, and any other end goes there
  // too when `inOrder` (ends waiting there must not be overtaken). Else the
  // end is posted at once.
  Next complete(CURLcode code, std::vector<Delivery>* later = nullptr, bool inOrder = false);
  // The check of a whole file that arrived, to run on any thread: it reads
  // only what it captured and the temporary file, which stays as it is until
  // `checked` or `abandon`. A file held whole is lent to it, not copied, and
  // taken back with the verdict.
  std::function<TransferSetup::FileRefusal()> fileCheck();
  // The verdict on the whole file: it goes into place or is dropped, and the
  // end goes to `later` as `complete` would send it.
  void checked(TransferSetup::FileRefusal verdict, std::vector<Delivery>& later, bool inOrder);
  // Ends the transfer as timed out, or silently (cancelled); the handle must
  // already be out of the multi handle.
  // `tooSlow`: it ended under the average floor rather than in silence.
  void timeOut(std::vector<Delivery>* later = nullptr, bool tooSlow = false);
  // The look for the partial file made when the request was handed over no
  // longer holds (a file of the same path was written since).
  void forgetPartialLook() { spec_.noPartialFileAt.reset(); }
  void abandon();
  // Network thread, once it has ended and told its end: lets go of its
  // handle and its files, as its destructor would, and frees what the
  // network thread made for it. What is left was made where the request was
  // made, and is best freed there (see NetworkEngine::retire).
  void retire();
  // True when no byte moved for longer than the time-out.
  bool inactive(std::chrono::steady_clock::time_point now) const;
  // True when, over the whole last window of the average floor since the
  // reply began to arrive, fewer bytes moved than the floor asks.
  bool belowAverageFloor(std::chrono::steady_clock::time_point now) const;
  // Posts the failure of a request that could not be made.
  void failToCreate(const std::string& detail);

 private:
  static size_t onHeader(char* data, size_t size, size_t count, void* user);
  static size_t onWrite(char* data, size_t size, size_t count, void* user);
  static int onProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                        curl_off_t ulNow);

  // Why a body written to the file is not the whole file.
  struct Shortfall {
    std::string detail;
    bool keepPartial = false;  // the bytes are what was asked for: a resume continues them
    bool emptyBody = false;    // no file at all came, only an answer
  };

  bool isDownload() const { return !spec_.destination.empty(); }
  // The setup with the download's temporary path filled in.
  static TransferSetup withTemporary(TransferSetup spec);
  // Whether the body written is the whole file: a 200 with every byte it
  // announced (and at least one), or a 206 whose bytes are its range and whose
  // range ends the file.
  bool wholeFileArrived(Shortfall& shortfall) const;
  void removeResumeRecord();
  // The record of a file begun afresh is written only if the download stops
  // short of the whole file: most arrive in one go and never need one.
  void recordIfStoppedShort(std::int64_t total);
  void keepForResume();
  // A download ended before its end (time-out, cancel): what arrived stays
  // for a resume unless it was inflated.
  void stopShort();
  void beginResponse(long status);
  bool endHeaders();
  // The most bytes the reply may inflate to: a download's file is bounded
  // by the body limit as inflated, a message's reply by its own ceiling
  // (and when kept in memory, by the body limit as it is kept).
  std::uint64_t inflationCeiling() const {
    const std::int64_t ceiling = isDownload() ? spec_.bodyLimit : spec_.inflatedLimit;
    return ceiling >= 0 ? static_cast<std::uint64_t>(ceiling) : UINT64_MAX;
  }
  bool writeBody(const char* data, size_t size);
  // A message's reply may go on in its spill file (TransferSetup::spillFile).
  bool spills() const { return !spec_.spillFile.empty() && !isDownload(); }
  // The reply ended well: a body in its spill file goes with `result`, or
  // fails it when the file cannot be finished.
  void deliverSpill(TransferResult& result);
  // The size of the whole file that arrived.
  std::int64_t wholeSize() const { return partialWasWhole_ ? partialOnDisk_ : writeOffset_ + body_.size(); }
  // Takes the whole file that arrived (and was not refused): placed now, or
  // by its delivery when that may wait (`placeLater`; answers true then).
  // A failure to write or place it goes into `result`.
  bool takeWholeFile(TransferResult& result, bool placeLater);
  // Tells the end: behind the deliveries in `later` (placing the file when
  // `moving`) or at once, as `complete` describes.
  void end(TransferResult result, std::vector<Delivery>* later, bool inOrder, bool moving);
  static bool moveIntoPlace(const std::filesystem::path& temp, const std::filesystem::path& dest,
                            std::string& detail);
  void removePartial();
  void releaseHandle();
  void touch() { lastActivity_ = std::chrono::steady_clock::now(); }
  // Notes the bytes moved so far in this attempt (`received` of them
  // received), for the average floor.
  void noteMoved(std::int64_t received, std::int64_t bytes);
  // Someone on the main thread follows the reply as it comes (its head,
  // progress or data); otherwise only the end is posted.
  bool followed() const { return spec_.wantsData || spec_.wantsDownloadProgress || spec_.wantsUploadProgress; }
  void postProgress();
  // The counts of the last progress event, which the end carries too.
  void addLastCounts(TransferResult& result);
  void post(TransferResult result);
  // The end goes to `later`, behind the deliveries waiting there; answers
  // its delivery, which places nothing until told to.
  Delivery& tellLater(TransferResult result, std::vector<Delivery>& later);
  long mapError(CURLcode code) const;

  // The latest progress, written on the network thread and taken by the
  // main loop.
  struct ProgressBox {
    std::mutex mutex;
    TransferProgress progress;
    bool pending = false;
  };

  TransferSetup spec_;
  std::weak_ptr<TransferObserver> observer_;
  std::shared_ptr<ProgressBox> progressBox_ = std::make_shared<ProgressBox>();

  CURL* easy_ = nullptr;
  EasyHandlePool* pool_ = nullptr;  // where easy_ came from and goes back to
  bool requestSent_ = false;
  curl_slist* headerList_ = nullptr;
  curl_mime* mime_ = nullptr;
  std::string formBody_;
  char errorBuffer_[CURL_ERROR_SIZE] = {};

  // Per attempt.
  std::int64_t partialOnDisk_ = 0;  // P: bytes found on disk when the attempt began
  bool rangeSent_ = false;
  bool rangeRefused_ = false;  // resume again without a range (once)
  bool retriedWithoutRange_ = false;
  // What the partial file belongs to, from its resume record: the server's
  // validator (empty when it gave none) and the whole length (-1 unknown).
  std::string recordValidator_;
  std::int64_t recordTotal_ = -1;
  // Per reply of an attempt (redirect hops and interim replies reset it).
  long status_ = 0;
  HeaderMap headers_;
  bool headersDone_ = false;
  bool skipBody_ = false;
  TransferBody body_;
  GzipInflater inflater_;
  // The encodings the request asked for; any other is refused.
  bool acceptsGzip_ = false;
  bool acceptsDeflate_ = false;
  bool encoded_ = false;
  std::int64_t expected_ = -1;
  std::int64_t received_ = 0;
  std::int64_t writeOffset_ = 0;  // where this reply's bytes start in the file
  std::int64_t rangeEnd_ = -1;    // a 206: the last byte and the file length it names
  std::int64_t rangeTotal_ = -1;
  bool partialWasWhole_ = false;
  bool recordOnDisk_ = false;                  // a resume record lies beside the partial file
  std::optional<std::int64_t> recordToWrite_;  // the whole length for the record, until written
  // The end of a transfer whose whole file waits for its check, and the
  // file held whole while the check reads it.
  std::optional<TransferResult> checking_;
  std::shared_ptr<std::string> lentHeld_;

  bool failed_ = false;
  std::chrono::steady_clock::time_point lastActivity_ = std::chrono::steady_clock::now();
  curl_off_t lastDl_ = 0;
  curl_off_t lastUl_ = 0;
  // Bytes moved by this attempt since its reply began to arrive, as of a
  // few moments: the oldest is at or before the start of the floor's
  // window, the rest at most a few a second.
  std::deque<std::pair<std::chrono::steady_clock::time_point, std::int64_t>> moved_;
};

}  // namespace mv
