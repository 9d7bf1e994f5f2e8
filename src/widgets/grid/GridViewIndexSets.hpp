#pragma once
#include "platform/base/IndexSet.hpp"

namespace mv {

// The members of `set` that are not in `other`.
base::IndexSet aq_indexesOutsideIndexSet(const base::IndexSet& set, const base::IndexSet& other);

// Whether the set is one unbroken run of indices; an empty set is not.
bool aq_isSetContiguous(const base::IndexSet& set);

}  // namespace mv
