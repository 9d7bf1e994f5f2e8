#include "shell/SettingsCellEntity.hpp"

#include "shell/Language.hpp"

namespace mv {

std::string SettingsCellEntity::title() const { return textOrEmpty(Language::stringWithName(cellTitle)); }

}  // namespace mv
