#pragma once
// What the local sales service received, in arrival order, for assertions:
// every message and file request with its parameters, cookie and Range header,
// and what was answered.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"

namespace mv::sales {

struct LogEntry {
  uint64_t sequence = 0;
  std::string endpoint;    // "message" or "file"
  std::string method;      // HTTP method ("POST", "GET")
  std::string path;        // request path, percent-escapes decoded
  std::string head;        // message head ("Vendor?", "SyncServer;"), empty for files
  std::string methodName;  // the "methodName" parameter
  std::string qualifier;   // syncType, or the upload kind ("order", "marvisto_customer")
  base::Value parameters = base::Value::object();  // message parameters as received
  std::string cookie;      // the Cookie header as received
  std::string sessionId;   // the session cookie's value
  std::string range;       // the Range header as received
  std::string status;      // the service status answered ("200"), or the HTTP status of a file
  int httpStatus = 0;
  std::string fault;       // the fault applied, empty when none
  bool completed = false;  // the reply was handed over (or the fault decided there is none)

  base::Value toJson() const;
  // About the memory the entry takes: its texts, and each parameter with the
  // bookkeeping that holds it.
  size_t weight() const;
};

// Bounded, so that a long run or a flood of large requests cannot exhaust
// the service: the newest entries are kept, at most `kMaxEntries` of them and
// at most `maxBytes()` by their weight. A parameter text longer than
// `kMaxTextBytes` is kept as a note of its size, and an entry's parameters
// past a quarter of the bound as a note of how many went.
class RequestLog {
 public:
  static constexpr size_t kMaxEntries = 20000;
  static constexpr size_t kMaxTextBytes = size_t{1} << 20;
  static constexpr size_t kMaxBytes = size_t{64} << 20;

  explicit RequestLog(size_t maxBytes = kMaxBytes) : maxBytes_(maxBytes) {}

  size_t maxBytes() const;
  // Tests bound the log lower, so that a few requests pass the bound.
  void setMaxBytes(size_t bytes);
  // Appends and returns the entry's position.
  size_t append(LogEntry entry);
  void update(size_t index, const std::function<void(LogEntry&)>& change);
  std::vector<LogEntry> entries() const;
  size_t size() const;
  void clear();
  // Waits until `predicate` holds over the entries, at most `timeoutSeconds`.
  bool waitFor(const std::function<bool(const std::vector<LogEntry>&)>& predicate, double timeoutSeconds) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  // The oldest kept entry goes (its memory at once).
  void dropOldest();
  // Drops the entries that went (those before `dropped_`).
  void compact() const;

  size_t maxBytes_;
  // The entries that went for newer ones stay at the front, emptied,
  // `dropped_` of them, until they outnumber the kept ones or a quarter of
  // the entry bound has gone: removed one by one, each request of a long run
  // would move the whole log.
  mutable std::vector<LogEntry> entries_;
  mutable std::vector<size_t> weights_;  // of each entry in `entries_`
  mutable size_t dropped_ = 0;
  size_t bytes_ = 0;  // the weight of the kept entries
  uint64_t next_ = 1;
  size_t base_ = 0;  // entries removed, so that earlier positions stay valid
};

}  // namespace mv::sales
