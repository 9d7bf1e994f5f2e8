#include "widgets/grid/GridViewIndexSets.hpp"

namespace mv {

base::IndexSet aq_indexesOutsideIndexSet(const base::IndexSet& set, const base::IndexSet& other) {
  return set.minus(other);
}

bool aq_isSetContiguous(const base::IndexSet& set) {
  return !set.empty() && set.last() - set.first() + 1 == set.count();
}

}  // namespace mv
