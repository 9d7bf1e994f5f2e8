#pragma once
// What the customer benchmarks share: a client of its own in a scratch
// folder, signed in as "rep" of "acme", whose session's services hold the
// customer directory and the configuration the customer tab reads. The
// folder goes with it.
#include <filesystem>
#include <map>
#include <memory>

#include "store/Entities.hpp"

namespace mv {
class ConfigManager;
class CustomerDataModel;
class SessionServices;
}  // namespace mv

namespace bench {

class CustomerBookWorld {
 public:
  // Adopts this thread as the main loop's and begins the session over an
  // empty store; `directory()` is null when its database did not open.
  CustomerBookWorld();
  ~CustomerBookWorld();
  CustomerBookWorld(const CustomerBookWorld&) = delete;
  CustomerBookWorld& operator=(const CustomerBookWorld&) = delete;

  std::shared_ptr<mv::CustomerDataModel> directory() const { return directory_; }
  std::shared_ptr<mv::ConfigManager> config() const { return config_; }

 private:
  std::filesystem::path root_;
  std::shared_ptr<mv::SessionServices> services_;
  std::shared_ptr<mv::CustomerDataModel> directory_;
  std::shared_ptr<mv::ConfigManager> config_;
};

}  // namespace bench
