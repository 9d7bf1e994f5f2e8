#include "transport/FakeNetworkStatusSource.hpp"

namespace mv {

FakeNetworkStatusSource::FakeNetworkStatusSource(ReachabilityStatus initial) : status_(initial) {}

ReachabilityStatus FakeNetworkStatusSource::currentStatus() {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

void FakeNetworkStatusSource::start(ChangeHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = std::move(handler);
}

void FakeNetworkStatusSource::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = nullptr;
}

void FakeNetworkStatusSource::setStatus(ReachabilityStatus status) {
  ChangeHandler handler;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (status == status_) return;
    status_ = status;
    handler = handler_;
  }
  if (handler) handler(status);
}

}  // namespace mv
