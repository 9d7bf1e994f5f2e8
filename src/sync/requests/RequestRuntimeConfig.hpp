#pragma once
// The configuration that may change while signed in: date format and price
// editing (command 261). Sent and read as the whole configuration is, less
// the tab switches and the "settings", which its reply does not carry.
#include "sync/requests/RequestConfig.hpp"

namespace mv {

class RequestRuntimeConfig : public RequestConfig {
 public:
  RequestRuntimeConfig();
};

}  // namespace mv
