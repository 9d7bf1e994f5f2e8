#pragma once
// What the store needs to know about the session beyond the ids that
// SessionContext gives: the vendor number put into backed-up orders, whether
// the customers module is shown (orders without a customer are then held back
// from upload) and the device identifier a new order records. The session and
// the quote-order store install providers; until they do, the vendor is 0,
// customers are shown and the device identifier is empty.
#include <cstdint>
#include <functional>
#include <string>

namespace mv {

class StoreContext {
 public:
  struct Provider {
    std::function<std::int64_t()> vendorId;
    std::function<bool()> isCustomerOnShow;
    std::function<std::string()> deviceID;
  };

  static void setProvider(Provider provider);
  static void clear();

  // From SessionContext.
  static std::string clientID();
  static std::string acountID();

  static std::int64_t vendorId();
  static bool isCustomerOnShow();
  static std::string deviceID();
};

}  // namespace mv
