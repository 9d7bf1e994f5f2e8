#include "shell/settings/SettingsCellEntity.hpp"

#include "shell/settings/Language.hpp"

namespace mv {

std::string SettingsCellEntity::title() const { return textOrEmpty(Language::stringWithName(cellTitle)); }

}  // namespace mv
