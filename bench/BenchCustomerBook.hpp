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
  std::shared_ptr<mv::SessionServices> services() const { return services_; }

  // The standard customer fields and `n` customers stored at once, as a sync
  // stores them: each with seven attribute values, an address and two
  // contacts, as the service's have. False when the store refused them.
  bool storeBook(int n);
  // The session begun again over what the store holds, its directory not
  // made yet: the next `services()->get` of it makes it, and it reads its
  // book then.
  void beginAgain();

 private:
  // The session's services, over the store, with the configuration the
  // customer tab reads.
  void begin();

  std::filesystem::path root_;
  std::shared_ptr<mv::SessionServices> services_;
  std::shared_ptr<mv::CustomerDataModel> directory_;
  std::shared_ptr<mv::ConfigManager> config_;
};

}  // namespace bench
