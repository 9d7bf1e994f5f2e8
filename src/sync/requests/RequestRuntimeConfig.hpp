#pragma once
// The configuration that may change while signed in: date format and price
// editing (command 261).
#include <string>

#include "sync/requests/RequestConfig.hpp"

namespace mv {

class RequestRuntimeConfig : public RequestInterfaceBase {
 public:
  RequestRuntimeConfig();

  std::string clientId;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
