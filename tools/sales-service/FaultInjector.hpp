#pragma once
// Switchable misbehaviour of the local sales service, per protocol method or
// per request path, so that tests can drive the application's failure paths:
// wrong statuses, malformed replies, stalls, slow replies, dropped connections
// and broken file downloads.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"

namespace mv::sales {

enum class FaultKind {
  Status,       // the reply carries `status` instead of its own
  WrongShape,   // the reply's content has the wrong shape (see `shape`)
  Html500,      // an HTML error page with HTTP status 500
  HttpStatus,   // the normal reply, sent with HTTP status `httpStatus`
  Stall,        // nothing at all for `seconds`, then the normal reply
  Trickle,      // the normal reply, `chunkBytes` every `seconds`
  Drop,         // the connection is closed without any reply
  FileStatus,   // a file answers HTTP `httpStatus` (404, 500, 202, 204, ...) with no file
  IgnoreRange,  // a file is always sent whole with 200, whatever Range asks
  Truncate,     // a file's head promises it whole; `chunkBytes` of it are sent, then the connection closes
  WholeAs206,   // a file is always sent whole as 206 "bytes 0-(n-1)/n", whatever Range asks
  WrongRange,   // a file answers 206 with only `chunkBytes` of it, from where Range asks (byte 0 without one),
                // its Content-Range naming just those bytes ("bytes 0-99/1000")
  EmptyFile,    // a file answers 200 with an empty body (Content-Length: 0)
  FileContent,  // a file answers 200 with `content` as its bytes in place of its own (a hostile archive, say),
                // also one the service does not hold
  Gzipped,      // a file (by its path), or a message's reply (by its method), is sent whole with
                // "Content-Encoding: gzip", whatever the request accepts: its bytes and then `chunkBytes` zero
                // bytes, compressed (with some, a small body that inflates far past the file; with none, an
                // honest compressed reply); a message's reply with `content` set carries that content
  CutFile,      // a file answers 200 with its first `chunkBytes` bytes alone, as if they were all of it (the
                // service's copy cut short)
  Content,      // the reply's content is `content` (JSON text) in place of its own, its status kept
};

enum class WrongShape {
  ContentTooShort,  // arrays lose all but their first element; objects lose their members
  ContentNotArray,  // the content becomes an object (or an array where an object belongs)
  NoResults,        // the "results" member is missing
  NotJson,          // the body is not JSON at all
  OnlyLastPart,     // every part of an array content but the last is emptied
};

struct FaultRule {
  // Which requests: `method` matches the methodName ("login"), or the
  // methodName qualified by its table or upload kind ("syncData/product",
  // "syncData/order", "syncData/marvisto_customer"); `path` is a pattern over
  // the request path where "*" stands for any text. An empty field matches
  // everything; a rule with both set needs both.
  std::string method;
  std::string path;

  FaultKind kind = FaultKind::Status;
  std::string status = "999";
  int httpStatus = 500;
  WrongShape shape = WrongShape::ContentTooShort;
  double seconds = 20;  // Stall: how long (0 or less: until released, or dropped when the service stops);
                        // Trickle: pause between chunks
  size_t chunkBytes = 16;
  std::string content;   // Content: the JSON text sent as the reply's content; FileContent: the file's bytes
  int times = -1;        // how many requests it applies to; -1 every one
  bool process = true;   // the request is still carried out (stored, acknowledged)

  base::Value toJson() const;
  static std::optional<FaultRule> fromJson(const base::Value& v, std::string* error = nullptr);

  static FaultRule statusFor(const std::string& method, const std::string& status);
  static FaultRule stallFor(const std::string& method, double seconds);
  // The reply of `method` sent `chunkBytes` at a time, one every `seconds`.
  static FaultRule trickleFor(const std::string& method, size_t chunkBytes, double seconds);
  static FaultRule dropFor(const std::string& method);
  static FaultRule fileStatus(const std::string& pathPattern, int httpStatus);
  static FaultRule contentFor(const std::string& method, const std::string& contentJson);
};

const char* faultKindName(FaultKind kind);

class FaultInjector {
 public:
  int add(FaultRule rule);
  bool remove(int id);
  void clear();
  // The first rule that matches, with its use counted; nullopt when none.
  // `fileEndpoint` limits the kinds to those that make sense there.
  std::optional<FaultRule> take(const std::string& methodKey, const std::string& qualifiedKey, const std::string& path,
                                bool fileEndpoint);
  std::vector<std::pair<int, FaultRule>> rules() const;

  static bool matchPattern(const std::string& pattern, const std::string& text);

 private:
  mutable std::mutex mutex_;
  std::map<int, FaultRule> rules_;
  int next_ = 1;
};

}  // namespace mv::sales
