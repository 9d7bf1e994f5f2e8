#include "sync/SyncConfigManager.hpp"

#include "sync/SessionServices.hpp"

namespace mv {
namespace {

std::weak_ptr<SyncConfigManager>& installed() {
  static std::weak_ptr<SyncConfigManager> config;
  return config;
}

}  // namespace

void SyncConfigManager::setCurrent(std::weak_ptr<SyncConfigManager> config) { installed() = std::move(config); }

std::shared_ptr<SyncConfigManager> SyncConfigManager::current() {
  if (auto config = installed().lock()) return config;
  auto services = SessionServices::current();
  return services ? services->get<SyncConfigManager>() : nullptr;
}

}  // namespace mv
