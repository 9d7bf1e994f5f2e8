#pragma once
// What the customer screens hear of the customer book's changes: on the main
// thread, once the book holds them.
#include <memory>

#include "customer/PersonSummary.hpp"

namespace mv {

class CustomerBookListener {
 public:
  virtual ~CustomerBookListener() = default;
  // One customer changed: `before` was its record in the book, `after` is
  // now; either is null for a customer that came or went. A customer whose id
  // changed is two changes: the old id goes, the new one comes.
  virtual void customerReplaced(const std::shared_ptr<const PersonSummary>& before,
                                const std::shared_ptr<const PersonSummary>& after) = 0;
  // The whole book was read again.
  virtual void bookReplaced() = 0;
  // The first book could not be read; the directory reads it when asked again.
  virtual void bookNotRead() {}
};

}  // namespace mv
