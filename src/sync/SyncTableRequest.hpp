#pragma once
// What the table requests of a sync share: the part asked for, full or
// incremental, and their body; and, for a part that grows with the company,
// the store its reply goes into while it is read.
#include <functional>
#include <optional>
#include <string>

#include "sync/NetBaseRst.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// The outcome of a table request whose reply may have been stored while it
// was read (see SyncTableStore).
class SyncTableRst : public NetBaseRst {
 public:
  // Read into the request's store: every table of the result is absent, and
  // the reply's rows are in the store when it succeeded.
  bool storedWhileRead = false;
  // The store refused a batch: nothing of the reply was kept.
  bool storeFailed = false;
};

// Where the rows of a table reply go while it is read, so that a company of
// tens of thousands of rows never stands decoded whole in memory: the tables
// that grow with the company come a batch at a time, the others whole, in the
// order of the reply. All of one reply is kept or none of it. The reply is
// read and stored on a worker (see RequestInterfaceBase::decodesOffMainThread):
// a store works on a connection of its own, and touches nothing of the main
// thread's.
template <typename Rows>
class SyncTableStore {
 public:
  virtual ~SyncTableStore() = default;
  // Runs `read`, which reads the reply and hands its rows to store(), in one
  // transaction: what it stored is kept when it answers true, else none of
  // it. False when nothing was kept.
  [[nodiscard]] virtual bool whileReading(const std::function<bool()>& read) = 0;
  // Stores the tables present in `rows`; false stops the reply's storing.
  [[nodiscard]] virtual bool store(const Rows& rows) = 0;
};

class SyncTableRequest : public RequestInterfaceBase {
 public:
  std::string syncType;
  // "true" for every row, "false" for the rows changed since the last sync.
  std::string isFull = "true";

 protected:
  SyncTableRequest(int cmd, std::string type);
  // "methodName", the session parameters, "deviceId", "syncType" and "isFull";
  // the session id is kept out of the body.
  std::optional<std::string> encodeTable(const std::string& sessionId) const;
};

}  // namespace mv
