#pragma once
// The one dynamic value type of the code base: JSON-shaped, with object keys
// kept in insertion order so that what is written is deterministic. User
// defaults, property lists, notifications' user info and the JSON codec all
// carry it.
#include <nlohmann/json.hpp>

namespace base {

using Value = nlohmann::ordered_json;

}  // namespace base
