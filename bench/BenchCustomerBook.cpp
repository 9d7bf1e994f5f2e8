#include "BenchCustomerBook.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "shell/config/ConfigManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SessionServices.hpp"
#include "util/Session.hpp"

namespace bench {

namespace {

// The scratch folder's parent: a store's commits wait for the disk, which
// other processes of a shared machine keep busy for varying times, so it is
// in memory (/dev/shm) unless TMPDIR says otherwise.
std::filesystem::path scratchParent() {
  if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

}  // namespace

CustomerBookWorld::CustomerBookWorld()
    : root_(scratchParent() / ("marvisto-customer-bench-" + std::to_string(::getpid()))) {
  base::RunLoop::main().adoptCurrentThread();
  base::Paths::setRoot(root_);
  mv::Session session;
  session.clientID = "acme";
  session.acountID = "rep";
  mv::Session::publish(session);
  mv::SessionServices::Registry registry;
  mv::ConfigManager::install(registry);
  registry.add<mv::CustomerDataModel>();
  services_ = mv::SessionServices::begin(std::move(registry));
  if (!services_) return;
  config_ = services_->get<mv::ConfigManager>();
  directory_ = services_->get<mv::CustomerDataModel>();
}

CustomerBookWorld::~CustomerBookWorld() {
  directory_.reset();
  config_.reset();
  services_.reset();
  mv::SessionServices::end();
  mv::SessionDatabase::close();
  mv::Session::clear();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

}  // namespace bench
