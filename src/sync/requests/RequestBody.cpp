#include "sync/requests/RequestBody.hpp"

#include "util/JsonWriter.hpp"

namespace mv {

RequestBody::RequestBody(const std::optional<std::string>& requestHead) {
  if (requestHead) strHead_ = *requestHead;
}

bool RequestBody::addElemValue(const std::optional<std::string>& value, const std::optional<std::string>& key) {
  if (!value || !key) return false;
  parameters_[*key] = *value;
  return true;
}

std::optional<std::string> RequestBody::requestStr() const {
  base::Value parameters = parameters_;
  parameters.erase(kSessionIdKey);
  base::Value root = base::Value::object();
  root["root"]["parameters"] = std::move(parameters);
  JsonWriter writer;
  return writer.stringWithObject(root);
}

}  // namespace mv
