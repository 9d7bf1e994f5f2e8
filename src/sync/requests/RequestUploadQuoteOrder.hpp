#pragma once
// Submits the device's quote orders (command 518).
#include <string>
#include <vector>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class UploadQuoteOrderRst : public NetBaseRst {
 public:
  // One object per stored order, as the service answered it (on "200").
  std::vector<base::Value> orderIdUpdateArray;
};

class RequestUploadQuoteOrder : public RequestInterfaceBase {
 public:
  RequestUploadQuoteOrder();

  // The orders as JSON text; sent as one string value.
  std::string syncData;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
