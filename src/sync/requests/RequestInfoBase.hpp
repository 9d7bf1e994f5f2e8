#pragma once
// Carriers between the network model and the transport control: one per
// message or per downloaded file, going out with what to send and coming back
// with the reply bytes (the service's, or a reply made on the device).
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "transport/ReplyFile.hpp"

namespace gfx {
class ReadThroughBudget;
}

namespace mv {

class DownLoadRequestInfo;
class RequestInfoBase;

// What the transport control hands every outcome to (the network model).
class HTTP_REC_RESPOND {
 public:
  virtual ~HTTP_REC_RESPOND() = default;
  virtual void ReciveHttpRespond(RequestInfoBase& info) = 0;
  // A single download's share so far (`downloadPercent`), under the
  // download's request code.
  virtual void ReciveDownloadPercent(const DownLoadRequestInfo& info) = 0;
  // Files the receiver holds back from the transport for now, by file type
  // (the rest of a batch, and what its owner asks for after it): the room a
  // full disk's downloads are told to need counts them too.
  virtual std::map<int, std::int64_t> filesNotYetSent() const { return {}; }
};

class RequestInfoBase {
 public:
  RequestInfoBase() = default;
  virtual ~RequestInfoBase() = default;
  RequestInfoBase(const RequestInfoBase&) = default;
  RequestInfoBase& operator=(const RequestInfoBase&) = default;

  int requestType = -1;
  int cmdCode = -1;
  int requestCode = 0;
  // 0 for a received reply; the failure codes of NetBaseRst otherwise.
  int httpRsp = 0;
  // Not owned; it outlives every request (the network model lives for the
  // whole run, and cancelling clears it from the transport).
  HTTP_REC_RESPOND* delegate = nullptr;
  // The JSON body; nothing when the request could not be written.
  std::optional<std::string> requestUrlBody;
  // The reply bytes exactly as received.
  std::string recData;
  // The reply bytes, when the transport wrote them to a file in place of
  // `recData` (a reply that may outgrow memory, see `spillsReply`).
  std::shared_ptr<const ReplyFile> recFile;
  // Its reply may outgrow what memory should hold: past a bound it goes to
  // a file, bounded by the disk's room.
  bool spillsReply = false;
  // The last segment of the message URL.
  std::string requestHeader;
  // Where the request went ("host:port"), for a failure made on the device:
  // the user is told which server failed.
  std::string server;
};

class DownLoadRequestInfo : public RequestInfoBase {
 public:
  int fileId = 0;
  int downloadId = 0;
  int imgType = -1;
  int progressType = -1;
  std::string fileName;
  float downloadPercent = 0;
  // The bytes the file's listing gives, its progress figure when the reply
  // gives no length, and the most it allows, past which bytes are not taken
  // (both -1: the listing gives no size).
  std::int64_t listedBytes = -1;
  std::int64_t mostBytes = -1;
  // What its check's read-through draws on, with the other files of its
  // run (see RequestDownload::checkBudget).
  std::shared_ptr<gfx::ReadThroughBudget> checkBudget;
};

}  // namespace mv
