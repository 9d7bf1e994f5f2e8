#pragma once
// Whether the catalogue browses by category or by tag, for the whole process:
// every catalogue screen reads it. Main thread only.

namespace mv {

class CatalogMode {
 public:
  static constexpr long kCategory = 0;
  static constexpr long kTag = 1;
  static long getCurrentState();
  static void setCurrentState(long state);
};

}  // namespace mv
