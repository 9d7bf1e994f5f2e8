#pragma once
#include <optional>
#include <string>

#include "platform/base/Error.hpp"
#include "platform/base/Value.hpp"

namespace mv {

// Writes a dictionary or array as compact JSON text: standard escapes
// (\" \\ \b \f \n \r \t, other control characters as \u00XX), non-ASCII as raw
// UTF-8, booleans as true/false, keys in the value's own order. One object per
// use; the last failure is kept in error().
class JsonWriter {
 public:
  // Nothing for a root that is not an object or array, for text that is not
  // valid UTF-8, for numbers that are not finite and for nesting deeper than the
  // reader would accept back.
  std::optional<std::string> stringWithObject(const base::Value& value);

  const base::Error& error() const { return error_; }

 private:
  base::Error error_;
};

}  // namespace mv
