#include "shell/sync-screens/SyncScreenHost.hpp"

namespace mv {
namespace {

std::shared_ptr<SyncScreenHost>& slot() {
  static std::shared_ptr<SyncScreenHost> host;
  return host;
}

}  // namespace

void SyncScreenHost::install(std::shared_ptr<SyncScreenHost> host) { slot() = std::move(host); }

std::shared_ptr<SyncScreenHost> SyncScreenHost::current() { return slot(); }

}  // namespace mv
