#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Value.hpp"

namespace base {

// The application's user defaults: typed values under text keys, kept in one
// JSON file (`Library/Preferences/defaults.json` under the data root), written
// atomically with mode 0600. Every set or removal posts
// `UserDefaults::DidChangeNotification` synchronously, before it returns.
// Changes reach the file on `synchronize`, at the end of the turn in which they
// were made, and when the object is destroyed.
class UserDefaults {
 public:
  static constexpr const char* DidChangeNotification = "UserDefaultsDidChangeNotification";

  // The process-wide defaults, read from the data root's preferences folder on
  // first use (see `Paths`).
  static UserDefaults& standard();
  // Drops the process-wide object (after writing it); the next `standard()`
  // reads the file again, e.g. under a new data root in tests.
  static void resetStandard();

  explicit UserDefaults(std::filesystem::path file);
  ~UserDefaults();

  std::optional<Value> objectForKey(const std::string& key) const;
  bool hasKey(const std::string& key) const { return objectForKey(key).has_value(); }
  // Typed reads follow the platform's conversions: numbers and numeric texts
  // read as integers, doubles and booleans; a missing key reads as
  // ""/0/0.0/false/empty.
  std::string stringForKey(const std::string& key) const;
  std::optional<std::string> optionalStringForKey(const std::string& key) const;
  std::int64_t integerForKey(const std::string& key) const;
  double doubleForKey(const std::string& key) const;
  bool boolForKey(const std::string& key) const;
  // Seconds since 1970, or nullopt when the key holds no date.
  std::optional<double> dateForKey(const std::string& key) const;
  Value arrayForKey(const std::string& key) const;       // empty array when absent
  Value dictionaryForKey(const std::string& key) const;  // empty object when absent

  void setObject(const std::string& key, Value value);
  void setString(const std::string& key, const std::string& value);
  void setInteger(const std::string& key, std::int64_t value);
  void setDouble(const std::string& key, double value);
  void setBool(const std::string& key, bool value);
  void setDate(const std::string& key, double secondsSince1970);
  void removeObject(const std::string& key);

  // Writes pending changes now. Returns false (and keeps the old file) when
  // the write fails.
  bool synchronize();
  const std::filesystem::path& file() const { return file_; }
  Value snapshot() const;

 private:
  void changed();
  std::filesystem::path file_;
  // Like the rest of the platform layer, the defaults may be read and written
  // from any thread; the flush runs on the main loop.
  mutable std::recursive_mutex mutex_;
  Value values_ = Value::object();
  bool dirty_ = false;
  bool flushScheduled_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace base
