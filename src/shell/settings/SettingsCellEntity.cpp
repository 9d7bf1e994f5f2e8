#include "shell/settings/SettingsCellEntity.hpp"

#include "util/TextLookup.hpp"


namespace mv {

std::string SettingsCellEntity::title() const { return text(cellTitle); }

}  // namespace mv
