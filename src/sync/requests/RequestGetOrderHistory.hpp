#pragma once
// One page of the user's submitted orders (command 265, the order-history
// request).
#include <string>
#include <vector>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class GetOrderHistoryRst : public NetBaseRst {
 public:
  std::vector<base::Value> orderHistoryArray;
  std::vector<base::Value> orderItemHistoryArray;
};

class RequestGetOrderHistory : public RequestInterfaceBase {
 public:
  // Takes the user from the session.
  RequestGetOrderHistory();

  std::string userName;
  std::string clientID;
  // Local time "MM/dd/yyyy HH:mm:ss"; empty for the newest page.
  std::string baseTime;
  long numberOfOrder = 0;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
