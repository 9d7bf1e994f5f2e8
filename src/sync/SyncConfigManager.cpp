#include "sync/SyncConfigManager.hpp"

namespace mv {
namespace {

std::weak_ptr<SyncConfigManager>& installed() {
  static std::weak_ptr<SyncConfigManager> config;
  return config;
}

}  // namespace

void SyncConfigManager::setCurrent(std::weak_ptr<SyncConfigManager> config) { installed() = std::move(config); }

std::shared_ptr<SyncConfigManager> SyncConfigManager::current() { return installed().lock(); }

}  // namespace mv
