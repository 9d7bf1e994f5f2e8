#pragma once
// The part of the session's component configuration the sync engine reads and
// writes: which modules are shown, and the in-memory reload flags of the
// catalogue, library and customer screens. The shell's configuration
// implements it.
#include <map>
#include <memory>
#include <string>

namespace mv {

class SyncConfigManager {
 public:
  static constexpr const char* kReloadCatalog = "Needreloadcatelog";
  static constexpr const char* kReloadLibrary = "Needreloadlibrary";
  static constexpr const char* kReloadCustomer = "Needreloadcustomer";

  // Tab indices: 1 catalogue, 2 customers, 4 sales library.
  static constexpr int kCatalogIndex = 1;
  static constexpr int kCustomerIndex = 2;
  static constexpr int kLibraryIndex = 4;

  // The configuration of the session signed in now; never owned here.
  static void setCurrent(std::weak_ptr<SyncConfigManager> config);
  static std::shared_ptr<SyncConfigManager> current();

  virtual ~SyncConfigManager() = default;
  virtual bool isOnShow(int index) const = 0;
  // Reload flags by name, "YES" or "NO".
  virtual std::map<std::string, std::string>& flagDic() = 0;
};

}  // namespace mv
