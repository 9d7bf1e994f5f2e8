#include "transport/Reachability.hpp"

#include <cctype>

#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/LinuxNetworkStatusSource.hpp"

namespace mv {

namespace {
bool plausibleHostName(const std::string& name) {
  if (name.empty() || name.size() > 253) return false;
  for (unsigned char c : name) {
    if (!(std::isalnum(c) || c == '-' || c == '.' || c == ':' || c == '[' || c == ']' || c == '_')) return false;
  }
  return true;
}
}  // namespace

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName) {
  return reachabilityWithHostName(hostName, std::make_shared<LinuxNetworkStatusSource>());
}

std::shared_ptr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName,
                                                                     std::shared_ptr<NetworkStatusSource> source) {
  if (!plausibleHostName(hostName) || !source) return nullptr;
  return std::shared_ptr<Reachability>(new Reachability(hostName, std::move(source)));
}

Reachability::Reachability(std::string hostName, std::shared_ptr<NetworkStatusSource> source)
    : hostName_(std::move(hostName)), source_(std::move(source)) {}

Reachability::~Reachability() { stopNotifier(); }

bool Reachability::startNotifier() {
  if (running_) return false;
  running_ = true;
  delivered_ = source_->currentStatus();
  std::weak_ptr<Reachability> weak = weak_from_this();
  source_->start([weak](ReachabilityStatus status) {
    base::RunLoop::main().post([weak, status] {
      if (auto self = weak.lock()) self->deliver(status);
    });
  });
  return true;
}

void Reachability::stopNotifier() {
  if (!running_) return;
  running_ = false;
  source_->stop();
}

ReachabilityStatus Reachability::currentReachabilityStatus() const {
  return running_ ? delivered_ : source_->currentStatus();
}

void Reachability::deliver(ReachabilityStatus status) {
  if (!running_ || status == delivered_) return;
  delivered_ = status;
  base::NotificationCenter::defaultCenter().post(kReachabilityChangedNotification, this);
}

}  // namespace mv
