#include "catalog/CatalogMode.hpp"

#include "platform/base/MainThread.hpp"

namespace mv {

namespace {
long& currentState() {
  static long state = CatalogMode::kCategory;
  return state;
}
}  // namespace

long CatalogMode::getCurrentState() {
  MV_ASSERT_MAIN_THREAD();
  return currentState();
}

void CatalogMode::setCurrentState(long state) {
  MV_ASSERT_MAIN_THREAD();
  currentState() = state;
}

}  // namespace mv
