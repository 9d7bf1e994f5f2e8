#include "sync/requests/RequestRuntimeConfig.hpp"

#include "sync/CommandCode.hpp"

namespace mv {

RequestRuntimeConfig::RequestRuntimeConfig() {
  cmdCode = kCmdRuntimeConfig;
  methodName = "getRunTimeConfig";
  withLayout_ = false;
}

}  // namespace mv
