#pragma once
#include <mutex>

#include "transport/NetworkStatusSource.hpp"

namespace mv {

// A status source whose status is set by hand (tests, demos).
class FakeNetworkStatusSource : public NetworkStatusSource {
 public:
  explicit FakeNetworkStatusSource(ReachabilityStatus initial = ReachabilityStatus::ReachableViaWiFi);
  ReachabilityStatus currentStatus() override;
  void start(ChangeHandler handler) override;
  void stop() override;
  // A different status is passed to the handler at once; the same one is not.
  void setStatus(ReachabilityStatus status);

 private:
  // Any thread may ask for the status (the interface allows it), while a
  // test sets it on the main thread.
  std::mutex mutex_;
  ReachabilityStatus status_;
  ChangeHandler handler_;
};

}  // namespace mv
