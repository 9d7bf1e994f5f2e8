#include "BenchCustomerBook.hpp"

#include <unistd.h>

#include <string>

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "shell/config/ConfigManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SessionServices.hpp"
#include "util/Session.hpp"

namespace bench {

CustomerBookWorld::CustomerBookWorld()
    : root_(std::filesystem::temp_directory_path() / ("marvisto-customer-bench-" + std::to_string(::getpid()))) {
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
