#pragma once
// What the store needs to know about the session beyond the ids that
// SessionContext gives: the vendor number put into backed-up orders and the
// device identifier a new order records. The session installs providers;
// until it does, the vendor is 0 and the device identifier is empty.
#include <cstdint>
#include <functional>
#include <string>

namespace mv {

class StoreContext {
 public:
  struct Provider {
    std::function<std::int64_t()> vendorId;
    std::function<std::string()> deviceID;
  };

  static void setProvider(Provider provider);
  static void clear();

  // From SessionContext.
  static std::string clientID();
  static std::string acountID();

  static std::int64_t vendorId();
  static std::string deviceID();
};

}  // namespace mv
