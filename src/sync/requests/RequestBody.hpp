#pragma once
// The body of a message: {"root":{"parameters":{...}}} with every value a
// JSON string.
#include <optional>
#include <string>

#include "platform/base/Value.hpp"

namespace mv {

class RequestBody {
 public:
  // The session id rides on the cookie; a request may hand it in under this
  // key, and the body never carries it.
  static constexpr const char* kSessionIdKey = "jsessionId";

  explicit RequestBody(const std::optional<std::string>& requestHead = std::nullopt);

  // Stores `value` under `key` and answers true; a missing value or key
  // stores nothing and answers false, so the parameter is left out rather
  // than sent empty. A later value replaces an earlier one.
  bool addElemValue(const std::optional<std::string>& value, const std::optional<std::string>& key);

  // The compact JSON text, without the session id; nothing when a value is
  // not valid UTF-8 (such a body cannot be sent).
  std::optional<std::string> requestStr() const;

  const std::string& strHead() const { return strHead_; }
  const base::Value& parameters() const { return parameters_; }

 private:
  std::string strHead_;
  base::Value parameters_ = base::Value::object();
};

}  // namespace mv
