#pragma once
// What the table requests of a sync share: the part asked for, full or
// incremental, and their body.
#include <optional>
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

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
