#pragma once
// Tells the service that the device stored one part of a sync (command 517).
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

// The result of the sync-finished and file-received notices.
class SyncDataFinishRst : public NetBaseRst {
 public:
  // The part the notice was about, copied from the request ("" for 519).
  std::string tableType;
};

class RequestSyncDataFinish : public RequestInterfaceBase {
 public:
  RequestSyncDataFinish();

  // "product", "file", "customer" or "skin".
  std::string tableType = "product";

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
