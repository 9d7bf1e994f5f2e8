#pragma once
// A JSON document the local sales service keeps in its data folder across
// restarts. It is written beside its place and renamed over it, so a service
// stopped mid-write leaves the old document or the new one, never a torn one.
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/base/Value.hpp"

namespace mv::sales {

class StateFile {
 public:
  explicit StateFile(std::filesystem::path path) : path_(std::move(path)) {}

  const std::filesystem::path& path() const { return path_; }
  // The document kept, or nothing when there is none or it cannot be read
  // as a JSON object: the service then starts afresh, and says so in the log.
  std::optional<base::Value> load() const;
  // False, with a log line, when it cannot be written; the old file stays.
  bool save(const base::Value& document) const;

 private:
  std::filesystem::path path_;
};

}  // namespace mv::sales
