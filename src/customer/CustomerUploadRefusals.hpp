#pragma once
// What the user is told of an upload of customers that did not go through,
// in whole or in part: why, and that the customers stay on this device with
// their orders. A customer the service may have had from this device already
// (see CustomerUploadIds::Cause::MaybeItsCopy) cannot be told apart from its
// copy by the device; the user can, and may combine the two. Main thread only.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "customer/CustomerUploadIds.hpp"

namespace mv {

class CustomerUploadRefusals {
 public:
  // A local customer and the stored customer the user said it is.
  using Pairs = std::vector<std::pair<int, int>>;

  // The upload failed as a whole for `cause`: the customers stay here.
  static void showFailed(const std::string& cause);
  // The message told for the refusals of one reply, each customer named by
  // `nameOf`.
  static std::string message(const std::vector<CustomerUploadIds::Refused>& refused,
                             const std::function<std::string(int)>& nameOf);
  // Tells the refusals of one reply. When some of them may be the service's
  // copies of their customers, the user is asked, and `combine` hears those
  // pairs if the user says they are the same customers.
  static void show(const std::vector<CustomerUploadIds::Refused>& refused,
                   const std::function<std::string(int)>& nameOf, std::function<void(const Pairs&)> combine);
};

}  // namespace mv
