#pragma once
// Where a product screen stands in the list it was opened on, and the moves
// its arrows, swipes and the slide show make through it. A screen opened on
// a single product has no list (count 0) and never moves.
#include <cstddef>

namespace mv {

class ProductListPosition {
 public:
  enum class Move { Previous, Next };
  // What a move did: went to a neighbour, or found none (the screen bounces).
  enum class Step { Moved, Bounced };

  ProductListPosition() = default;
  ProductListPosition(long index, long count) : index_(index), count_(count) {}

  long index() const { return index_; }
  long count() const { return count_; }
  bool previousHidden() const { return index_ <= 0; }
  // Also hidden without a list or with a list of one.
  bool nextHidden() const { return index_ + 1 >= count_; }

  Step move(Move move);
  // A slide show's step: past the last product it starts again at the first
  // (a list of one shows its product again).
  Step advanceWrapping();

 private:
  long index_ = 0;
  long count_ = 0;
};

}  // namespace mv
