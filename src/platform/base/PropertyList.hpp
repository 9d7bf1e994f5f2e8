#pragma once
#include <filesystem>
#include <optional>
#include <string>

#include "platform/base/Value.hpp"

namespace base {

// XML property lists (the language tables and a few archives): dict, array,
// string, integer, real, true/false, date (kept as an ISO-8601 string) and data
// (kept as Base64 text). Reading fails cleanly on malformed input.
class PropertyList {
 public:
  [[nodiscard]] static std::optional<Value> read(const std::filesystem::path& file);
  [[nodiscard]] static std::optional<Value> parse(const std::string& xml);
  static std::string serialize(const Value& value);
  // Written atomically (temporary file and rename).
  [[nodiscard]] static bool write(const Value& value, const std::filesystem::path& file);
};

}  // namespace base
