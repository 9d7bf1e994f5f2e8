#pragma once
// One exchange with the service: a request knows its command, how to write
// itself as a message body and how to turn the parsed reply into its result.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Value.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetBaseRst.hpp"

namespace mv {

class MappedFile;
class RequestBody;
class RequestInfoBase;

class RequestInterfaceBase {
 public:
  RequestInterfaceBase() = default;
  virtual ~RequestInterfaceBase() = default;
  RequestInterfaceBase(const RequestInterfaceBase&) = delete;
  RequestInterfaceBase& operator=(const RequestInterfaceBase&) = delete;

  int requestType = kRequestTypeMessage;
  int cmdCode = -1;
  int requestCode = 0;
  // The last segment of the message URL with its "?" or ";".
  std::string requestHead;
  std::string methodName;

  // The message body, or nothing when the request has none (downloads) or
  // cannot be written. Encoding leaves the request unchanged, so a request
  // may be encoded again and gives the same body.
  virtual std::optional<std::string> RequestEncode() const;
  // The result for a parsed reply (null when the reply was not JSON).
  virtual std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const;
  // The result for the reply bytes as received. Parses them and decodes the
  // value; a request whose replies can be large reads them in passing instead.
  virtual std::shared_ptr<NetBaseRst> decodeReply(std::string_view recData) const;
  // Whether its reply may outgrow what memory should hold (a table of the
  // whole company): the transport then writes it to a file once it passes
  // a bound, and `decodeMapped` reads it from there.
  virtual bool spillsReply() const { return false; }
  // The result for reply bytes read from the file they were written to;
  // `decodeReply` of its text unless the request reads it in passing.
  virtual std::shared_ptr<NetBaseRst> decodeMapped(const MappedFile& file) const;
  // The result of one transfer of the request, from its carrier as the
  // transport handed it back: the reply bytes decoded, from memory or from
  // their file (a download's result also names the file the carrier fetched).
  virtual std::shared_ptr<NetBaseRst> decodeOutcome(const RequestInfoBase& carrier) const;
  // Whether its reply is decoded on a worker with `decodeReply` (a reply
  // stored as it is read, seconds long for a big company), the main loop
  // going on meanwhile; the result reaches the handlers as any other.
  virtual bool decodesOffMainThread() const { return false; }

  // Fills status, detail and message of `result` from a parsed reply: the last
  // object in "results" decides; no status at all gives "115".
  static void DecodeResults(NetBaseRst& result, const base::Value* recData);

  // The reply's "content" when it is an object / an array; null otherwise.
  static const base::Value* contentObject(const base::Value* recData);
  static const base::Value* contentArray(const base::Value* recData);

 protected:
  // A body with this request's head and "methodName".
  RequestBody makeBody() const;
  // The parameters every session request (head ending in ";") carries: the
  // session id (kept out of the body), the account and client ids.
  static void addSessionParameters(RequestBody& body, const std::string& sessionId, const std::string& accountId,
                                   const std::string& clientId);
  static void addSessionParameters(RequestBody& body);
  // Makes `Result`, fills its command code and the common fields.
  template <typename Result>
  std::shared_ptr<Result> makeResult(const base::Value* recData) const {
    auto result = std::make_shared<Result>();
    result->cmdCode = cmdCode;
    DecodeResults(*result, recData);
    return result;
  }
};

}  // namespace mv
