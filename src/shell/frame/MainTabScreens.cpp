#include "shell/frame/MainTabScreens.hpp"

namespace mv {

const char* MainTabScreens::titleKey(int tag) {
  static const char* const keys[] = {"HOME", "CATALOG", "CUSTOMER", "INVENTORY", "SALESLIBRARY", "ORDER", "SYNC",
                                     "SETTINGS"};
  return tag >= 0 && tag <= kSettings ? keys[tag] : "";
}

}  // namespace mv
