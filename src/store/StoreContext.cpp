#include "store/StoreContext.hpp"

#include "util/SessionContext.hpp"

namespace mv {

namespace {
StoreContext::Provider& slot() {
  static StoreContext::Provider provider;
  return provider;
}
}  // namespace

void StoreContext::setProvider(Provider provider) { slot() = std::move(provider); }

void StoreContext::clear() { slot() = Provider{}; }

std::string StoreContext::clientID() { return SessionContext::clientID(); }

std::string StoreContext::acountID() { return SessionContext::acountID(); }

std::int64_t StoreContext::vendorId() { return slot().vendorId ? slot().vendorId() : 0; }

std::string StoreContext::deviceID() { return slot().deviceID ? slot().deviceID() : std::string(); }

}  // namespace mv
