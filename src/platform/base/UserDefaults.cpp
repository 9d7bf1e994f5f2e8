#include "platform/base/UserDefaults.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/base/FileIO.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"

namespace fs = std::filesystem;

namespace base {
namespace {

std::unique_ptr<UserDefaults>& standardSlot() {
  static std::unique_ptr<UserDefaults> slot;
  return slot;
}
std::recursive_mutex& standardMutex() {
  static std::recursive_mutex m;
  return m;
}

// Leading white space, optional sign, digits: the platform's reading of text
// as a number.
std::int64_t textToInt(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  std::int64_t v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    if (v > (INT64_MAX - 9) / 10) break;
    v = v * 10 + (s[i] - '0');
  }
  return neg ? -v : v;
}

double textToDouble(const std::string& s) {
  const char* p = s.c_str();
  char* end = nullptr;
  double v = std::strtod(p, &end);
  return end == p ? 0.0 : v;
}

bool textToBool(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  while (i < s.size() && s[i] == '0') ++i;
  if (i >= s.size()) return false;
  char c = s[i];
  return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

}  // namespace

UserDefaults& UserDefaults::standard() {
  std::lock_guard<std::recursive_mutex> lock(standardMutex());
  auto& slot = standardSlot();
  if (!slot) slot = std::make_unique<UserDefaults>(Paths::preferences() / "defaults.json");
  return *slot;
}

void UserDefaults::resetStandard() {
  std::lock_guard<std::recursive_mutex> lock(standardMutex());
  standardSlot().reset();
}

UserDefaults::UserDefaults(fs::path file) : file_(std::move(file)) {
  std::ifstream in(file_, std::ios::binary);
  if (!in) return;
  std::stringstream ss;
  ss << in.rdbuf();
  Value v = Value::parse(ss.str(), nullptr, false);
  if (v.is_object()) {
    values_ = std::move(v);
  } else {
    // Keep the unreadable file aside rather than overwrite it on the next save.
    std::error_code ec;
    fs::path aside = file_;
    aside += ".corrupt";
    fs::rename(file_, aside, ec);
    MV_LOG("user defaults: unreadable file moved to ", aside.string());
  }
}

UserDefaults::~UserDefaults() {
  *alive_ = false;
  synchronize();
}

std::optional<Value> UserDefaults::objectForKey(const std::string& key) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return *it;
}

std::string UserDefaults::stringForKey(const std::string& key) const {
  return optionalStringForKey(key).value_or("");
}

std::optional<std::string> UserDefaults::optionalStringForKey(const std::string& key) const {
  auto v = objectForKey(key);
  if (!v) return std::nullopt;
  if (v->is_string()) return v->get<std::string>();
  if (v->is_number_integer()) return std::to_string(v->get<std::int64_t>());
  if (v->is_number()) {
    std::ostringstream o;
    o << v->get<double>();
    return o.str();
  }
  return std::nullopt;
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
  auto v = objectForKey(key);
  if (!v) return 0;
  if (v->is_number_integer()) return v->get<std::int64_t>();
  if (v->is_number()) {
    double d = v->get<double>();
    return std::isfinite(d) ? static_cast<std::int64_t>(d) : 0;
  }
  if (v->is_boolean()) return v->get<bool>() ? 1 : 0;
  if (v->is_string()) return textToInt(v->get<std::string>());
  return 0;
}

double UserDefaults::doubleForKey(const std::string& key) const {
  auto v = objectForKey(key);
  if (!v) return 0;
  if (v->is_number()) return v->get<double>();
  if (v->is_boolean()) return v->get<bool>() ? 1 : 0;
  if (v->is_string()) return textToDouble(v->get<std::string>());
  return 0;
}

bool UserDefaults::boolForKey(const std::string& key) const {
  auto v = objectForKey(key);
  if (!v) return false;
  if (v->is_boolean()) return v->get<bool>();
  if (v->is_number()) return v->get<double>() != 0;
  if (v->is_string()) return textToBool(v->get<std::string>());
  return false;
}

std::optional<double> UserDefaults::dateForKey(const std::string& key) const {
  auto v = objectForKey(key);
  if (!v || !v->is_number()) return std::nullopt;
  return v->get<double>();
}

Value UserDefaults::arrayForKey(const std::string& key) const {
  auto v = objectForKey(key);
  return v && v->is_array() ? *v : Value::array();
}

Value UserDefaults::dictionaryForKey(const std::string& key) const {
  auto v = objectForKey(key);
  return v && v->is_object() ? *v : Value::object();
}

void UserDefaults::setObject(const std::string& key, Value value) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (value.is_null()) {
      values_.erase(key);
    } else {
      values_[key] = std::move(value);
    }
    dirty_ = true;
  }
  changed();
}

void UserDefaults::setString(const std::string& key, const std::string& value) { setObject(key, value); }
void UserDefaults::setInteger(const std::string& key, std::int64_t value) { setObject(key, value); }
void UserDefaults::setDouble(const std::string& key, double value) { setObject(key, value); }
void UserDefaults::setBool(const std::string& key, bool value) { setObject(key, value); }
void UserDefaults::setDate(const std::string& key, double secondsSince1970) { setObject(key, secondsSince1970); }

void UserDefaults::removeObject(const std::string& key) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (values_.erase(key) == 0) return;
    dirty_ = true;
  }
  changed();
}

void UserDefaults::changed() {
  bool schedule = false;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!flushScheduled_) flushScheduled_ = schedule = true;
  }
  if (schedule) {
    std::weak_ptr<bool> alive = alive_;
    RunLoop::main().post([this, alive] {
      auto a = alive.lock();
      if (a && *a) synchronize();
    });
  }
  NotificationCenter::defaultCenter().post(DidChangeNotification, this);
}

bool UserDefaults::synchronize() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  flushScheduled_ = false;
  if (!dirty_) return true;
  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  // Text that is not UTF-8 (a value cut inside a character) is written with
  // replacement characters: failing here would lose every other setting.
  const std::string text = values_.dump(1, ' ', false, Value::error_handler_t::replace);
  if (!writeFileAtomically(file_, text, 0600)) {
    MV_LOG("user defaults: could not write ", file_.string());
    return false;
  }
  dirty_ = false;
  return true;
}

Value UserDefaults::snapshot() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return values_;
}

}  // namespace base
