#pragma once
// What the customer screens hear of the customer book's changes: on the main
// thread, once the book holds them.
#include <memory>

#include "customer/PersonInfo.hpp"

namespace mv {

class CustomerBookListener {
 public:
  virtual ~CustomerBookListener() = default;
  // One customer changed: `before` was its record in the book, `after` is
  // now; either is null for a customer that came or went. A customer whose id
  // changed is two changes: the old id goes, the new one comes.
  virtual void customerReplaced(const std::shared_ptr<const PersonInfo>& before,
                                const std::shared_ptr<const PersonInfo>& after) = 0;
  // The whole book was read again.
  virtual void bookReplaced() = 0;
};

}  // namespace mv
