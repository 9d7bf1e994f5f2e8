#include "catalog/ProductListPosition.hpp"

namespace mv {

ProductListPosition::Step ProductListPosition::move(Move move) {
  if (move == Move::Previous) {
    if (index_ <= 0 || count_ <= 0) return Step::Bounced;
    --index_;
    return Step::Moved;
  }
  if (index_ + 1 >= count_) return Step::Bounced;
  ++index_;
  return Step::Moved;
}

ProductListPosition::Step ProductListPosition::advanceWrapping() {
  if (count_ <= 0) return Step::Bounced;
  index_ = index_ + 1 >= count_ ? 0 : index_ + 1;
  return Step::Moved;
}

}  // namespace mv
