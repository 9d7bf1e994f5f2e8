#include "util/JsonWriter.hpp"

#include <cmath>
#include <utility>
#include <vector>

#include "util/Json.hpp"

namespace mv {
namespace {

// Walks the tree without recursion; answers a reason when something in it
// cannot be written as JSON that reads back the same.
std::optional<std::string> unwritable(const base::Value& root) {
  std::vector<std::pair<const base::Value*, int>> pending{{&root, 1}};
  while (!pending.empty()) {
    auto [value, depth] = pending.back();
    pending.pop_back();
    switch (value->type()) {
      case base::Value::value_t::object:
      case base::Value::value_t::array:
        if (depth > kJSONMaxDepth) return "nested deeper than " + std::to_string(kJSONMaxDepth) + " levels";
        for (const auto& child : *value) pending.emplace_back(&child, depth + 1);
        break;
      case base::Value::value_t::number_float:
        if (!std::isfinite(value->get<double>())) return std::string("a number is not finite");
        break;
      case base::Value::value_t::binary:
        return std::string("binary data has no JSON form");
      case base::Value::value_t::discarded:
        return std::string("a value is missing");
      default:
        break;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> JsonWriter::stringWithObject(const base::Value& value) {
  error_ = {};
  auto fail = [this](std::string reason) -> std::optional<std::string> {
    error_.domain = kJSONErrorDomain;
    error_.code = kJSONErrorInvalid;
    error_.description = "The value cannot be written as JSON";
    error_.failureReason = std::move(reason);
    return std::nullopt;
  };
  if (!value.is_object() && !value.is_array()) return fail("the root is neither an object nor an array");
  if (auto reason = unwritable(value)) return fail(*reason);
  try {
    return value.dump(-1, ' ', false, base::Value::error_handler_t::strict);
  } catch (const std::exception& e) {
    return fail(e.what());  // text that is not valid UTF-8
  }
}

}  // namespace mv
