#pragma once
// Tells the service that the device received a library file (command 519).
#include "sync/requests/RequestSyncDataFinish.hpp"

namespace mv {

class RequestDownloadFinish : public RequestInterfaceBase {
 public:
  RequestDownloadFinish();

  int fileId = 0;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
