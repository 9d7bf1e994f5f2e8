#include "util/PublicFunction.hpp"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/base/FileIO.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// ---- device identifier ---------------------------------------------------------------

constexpr const char* kDeviceUDIDKey = "DeviceUDID";
constexpr const char* kDeviceUDIDSlotPrefix = "org.DeviceUDID.slot.";
constexpr int kDeviceUDIDSlotCount = 100;

fs::path& udidSlotDirOverride() {
  static fs::path p;
  return p;
}

std::string hexOf(const unsigned char* bytes, std::size_t n) {
  static const char* hex = "0123456789abcdef";
  std::string s;
  s.reserve(n * 2);
  for (std::size_t i = 0; i < n; ++i) {
    s.push_back(hex[bytes[i] >> 4]);
    s.push_back(hex[bytes[i] & 0xF]);
  }
  return s;
}

std::string makeDeviceUDID() {
  std::array<unsigned char, 20> seed{};
  if (RAND_bytes(seed.data(), static_cast<int>(seed.size())) != 1) {
    std::random_device rd;
    for (auto& b : seed) b = static_cast<unsigned char>(rd());
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_Digest(seed.data(), seed.size(), digest, &len, EVP_sha1(), nullptr) != 1 || len != 20)
    return hexOf(seed.data(), seed.size());
  return hexOf(digest, len);
}

std::optional<std::string> readSlot(const fs::path& file) {
  auto bytes = base::readFileBytes(file, 4096);
  if (!bytes) return std::nullopt;
  std::string text = trimWhitespaceAndNewlines(std::string_view(reinterpret_cast<const char*>(bytes->data()),
                                                                bytes->size()));
  if (!PublicFunction::isValidDeviceUDID(text)) return std::nullopt;
  return text;
}

std::optional<std::string> readSlots(const fs::path& dir) {
  for (int i = 0; i < kDeviceUDIDSlotCount; ++i) {
    if (auto v = readSlot(dir / (kDeviceUDIDSlotPrefix + std::to_string(i)))) return v;
  }
  return std::nullopt;
}

bool writeSlot(const fs::path& dir, const std::string& udid) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    MV_LOG("cannot create the device id folder ", dir.string(), ": ", ec.message());
    return false;
  }
  ::chmod(dir.c_str(), 0700);
  return base::writeFileAtomically(dir / (std::string(kDeviceUDIDSlotPrefix) + "0"), udid, 0600);
}

// ---- settings ----------------------------------------------------------------------------

std::atomic<double>& deviceVersion() {
  static std::atomic<double> v{7.0};
  return v;
}

std::atomic<double>& screenScaleSlot() {
  static std::atomic<double> v{1.0};
  return v;
}

std::function<int()>& languageProvider() {
  static std::function<int()> f;
  return f;
}

// ---- formatting ----------------------------------------------------------------------------

// "1234567" -> "1,234,567"
std::string groupThousands(std::string_view digits) {
  std::string out;
  const std::size_t n = digits.size();
  out.reserve(n + n / 3);
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

struct Currency {
  const char* code;
  const char* symbol;
};

// The currencies the service uses, with their display symbols.
constexpr Currency kCurrencies[] = {
    {"USD", "$"},   {"CAD", "C$"},  {"AUD", "A$"},  {"NZD", "NZ$"}, {"HKD", "HK$"}, {"SGD", "S$"},
    {"TWD", "NT$"}, {"CNY", "¥"},   {"RMB", "¥"},   {"JPY", "¥"},   {"EUR", "€"},   {"GBP", "£"},
    {"CHF", "CHF"}, {"KRW", "₩"},   {"INR", "₹"},   {"RUB", "₽"},   {"THB", "฿"},   {"MYR", "RM"},
};
constexpr const char* kDefaultCurrencySymbol = "$";

}  // namespace

// ---- device ---------------------------------------------------------------------------------

bool PublicFunction::isValidDeviceUDID(std::string_view udid) {
  if (udid.size() != 40) return false;
  for (char c : udid) {
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

void PublicFunction::setDeviceUDIDSlotDirectory(const fs::path& dir) {
  MV_ASSERT_MAIN_THREAD();
  udidSlotDirOverride() = dir;
}

fs::path PublicFunction::deviceUDIDSlotDirectory() {
  MV_ASSERT_MAIN_THREAD();
  if (!udidSlotDirOverride().empty()) return udidSlotDirOverride();
  if (const char* dir = std::getenv("MARVISTO_UDID_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return fs::path(xdg) / "org.DeviceUDID";
  if (const char* home = std::getenv("HOME"); home && *home)
    return fs::path(home) / ".local/share/org.DeviceUDID";
  return fs::temp_directory_path() / "org.DeviceUDID";
}

std::string PublicFunction::getDeviceUDID() {
  // The user defaults it writes tell their observers on this thread.
  MV_ASSERT_MAIN_THREAD();
  const fs::path dir = deviceUDIDSlotDirectory();
  auto& defaults = base::UserDefaults::standard();
  std::string stored = defaults.stringForKey(kDeviceUDIDKey);
  std::optional<std::string> slot = readSlots(dir);
  if (isValidDeviceUDID(stored)) {
    // The defaults hold it: make sure the slot does too, for the next data root.
    if (!slot) writeSlot(dir, stored);
    return stored;
  }
  std::string udid = slot ? *slot : makeDeviceUDID();
  if (!slot && !writeSlot(dir, udid)) MV_LOG("the device id is kept in the user defaults only");
  defaults.setString(kDeviceUDIDKey, udid);
  if (!defaults.synchronize()) MV_LOG("cannot store the device id in the user defaults");
  return udid;
}

int PublicFunction::deviceTypeForMachine(std::string_view machine) {
  std::string_view head = machine.substr(0, 5);
  if (head == "x86_6") return 3;
  if (head == "iPad2") return 2;
  if (head == "iPad3") return 3;
  return 1;
}

int PublicFunction::getDeviceType() {
  struct utsname u {};
  if (::uname(&u) != 0) return 1;
  return deviceTypeForMachine(u.machine);
}

std::uintmax_t PublicFunction::sizeLimitForDeviceType(int deviceType) {
  constexpr std::uintmax_t MiB = 1024 * 1024;
  if (deviceType == 3) return 40 * MiB;
  if (deviceType == 2) return 20 * MiB;
  return 5 * MiB;
}

bool PublicFunction::safeSizeOfPath(const fs::path& path) { return safeSizeOfPath(path, getDeviceType()); }

bool PublicFunction::safeSizeOfPath(const fs::path& path, int deviceType) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return false;
  std::uintmax_t size = fs::file_size(path, ec);
  if (ec) return false;
  return size > 0 && size <= sizeLimitForDeviceType(deviceType);
}

double PublicFunction::getDeviceVersion() { return deviceVersion().load(); }
void PublicFunction::setDeviceVersion(double version) { deviceVersion().store(version); }

std::string PublicFunction::preferredLanguageFromLocale(std::string_view locale) {
  // LANGUAGE may list several: "zh_CN:en_US".
  locale = locale.substr(0, locale.find(':'));
  std::string_view name = locale.substr(0, locale.find_first_of(".@"));
  std::string_view lang = name.substr(0, name.find_first_of("_-"));
  std::string_view rest = lang.size() < name.size() ? name.substr(lang.size() + 1) : std::string_view();
  std::string l = asciiLowercase(lang);
  if (l.empty() || l == "c" || l == "posix") return "en";
  if (l == "zh") {
    std::string r = asciiLowercase(rest);
    if (r == "tw" || r == "hk" || r == "mo" || r == "hant") return "zh-Hant";
    return "zh-Hans";
  }
  return l;
}

std::string PublicFunction::getPreferredLanguage() {
  base::Value list = base::UserDefaults::standard().arrayForKey("AppleLanguages");
  if (list.is_array() && !list.empty() && list.front().is_string() && !list.front().get<std::string>().empty())
    return list.front().get<std::string>();
  for (const char* var : {"LANGUAGE", "LC_ALL", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return preferredLanguageFromLocale(v);
  }
  return "en";
}

int PublicFunction::interfaceLanguage() {
  MV_ASSERT_MAIN_THREAD();
  // A copy: the provider may install another.
  const std::function<int()> provider = languageProvider();
  if (provider) return provider();
  return static_cast<int>(base::UserDefaults::standard().integerForKey("language"));
}

void PublicFunction::setInterfaceLanguageProvider(std::function<int()> provider) {
  MV_ASSERT_MAIN_THREAD();
  languageProvider() = std::move(provider);
}

// ---- dates -----------------------------------------------------------------------------------

std::string PublicFunction::stringFromDate(double secondsSince1970, const std::string& pattern) {
  base::DateFormatter f(pattern);
  return f.valid() ? f.format(secondsSince1970) : std::string();
}

std::optional<double> PublicFunction::dateFromString(const std::string& text, const std::string& pattern) {
  base::DateFormatter f(pattern);
  if (!f.valid()) return std::nullopt;
  return f.parse(text);
}

std::string PublicFunction::currentTime() { return stringFromDate(base::Date::now(), kLocalTimeFormat); }

std::string PublicFunction::changeToServerFormatFromLocal(const std::string& localTime) {
  auto d = dateFromString(localTime, kLocalTimeFormat);
  return d ? stringFromDate(*d, kServerTimeFormat) : std::string();
}

std::string PublicFunction::formatDate(const std::string& serverTime) {
  auto d = dateFromString(serverTime, kServerTimeFormat);
  return d ? stringFromDate(*d, getFormateString()) : std::string();
}

std::string PublicFunction::getFormateString() {
  return interfaceLanguage() == kLanguageChinese ? kShortDateFormatChinese : kShortDateFormat;
}

// ---- images: screen scale --------------------------------------------------------------------

double PublicFunction::screenScale() { return screenScaleSlot().load(); }
void PublicFunction::setScreenScale(double scale) { screenScaleSlot().store(scale > 0 ? scale : 1.0); }

// ---- server settings ---------------------------------------------------------------------------

ServerInfo PublicFunction::GetServer() {
  auto& d = base::UserDefaults::standard();
  bool wrote = false;
  auto text = [&](const char* key, const char* factory) {
    if (!d.hasKey(key)) {
      d.setString(key, factory);
      wrote = true;
    }
    return d.stringForKey(key);
  };
  auto number = [&](const char* key, std::int64_t factory) {
    if (!d.hasKey(key)) {
      d.setInteger(key, factory);
      wrote = true;
    }
    return d.integerForKey(key);
  };
  ServerInfo info;
  info.strIP = text("IP", ServerInfo::kDefaultIP);
  info.httpPort = number("Port", ServerInfo::kDefaultPort);
  info.websiteServer = text("Path", ServerInfo::kDefaultPath);
  info.imageIP = text("ImageIP", ServerInfo::kDefaultImageIP);
  info.imageHttpPort = number("ImagePort", ServerInfo::kDefaultImagePort);
  info.imageWebsiteServer = text("ImagePath", ServerInfo::kDefaultImagePath);
  if (wrote && !d.synchronize()) MV_LOG("cannot store the server settings");
  return info;
}

void PublicFunction::setServer(const ServerInfo& info) {
  auto& d = base::UserDefaults::standard();
  d.setString("IP", info.strIP);
  d.setInteger("Port", info.httpPort);
  d.setString("Path", info.websiteServer);
  d.setString("ImageIP", info.imageIP);
  d.setInteger("ImagePort", info.imageHttpPort);
  d.setString("ImagePath", info.imageWebsiteServer);
  if (!d.synchronize()) MV_LOG("cannot store the server settings");
}

void PublicFunction::resetUserSetting() {
  ServerInfo factory;
  factory.strIP = ServerInfo::kDefaultIP;
  factory.httpPort = ServerInfo::kDefaultPort;
  factory.websiteServer = ServerInfo::kDefaultPath;
  factory.imageIP = ServerInfo::kDefaultImageIP;
  factory.imageHttpPort = ServerInfo::kDefaultImagePort;
  factory.imageWebsiteServer = ServerInfo::kDefaultImagePath;
  setServer(factory);
}

std::string PublicFunction::GetMsgURLWithHeader(const std::string& head) {
  std::string url = GetServer().msgURLWithHeader(head);
  MV_LOG("the url is ", url);
  return url;
}

std::string PublicFunction::editUserUrl() {
  const bool chinese = interfaceLanguage() == kLanguageChinese;
  return "http://" + percentEscapeURL(GetServer().imageUrlStr()) +
         "/index.php?option=com_news&view=check&username=" + percentEscapeQueryValue(Session::current().acountID) +
         "@" + percentEscapeQueryValue(Session::current().clientID) + "&from=app&lan=" + (chinese ? "zh" : "en");
}

std::string PublicFunction::forgetPassWordUrl() {
  const bool chinese = interfaceLanguage() == kLanguageChinese;
  return "http://" + percentEscapeURL(GetServer().imageUrlStr()) + "/index.php?option=" +
         (chinese ? "com_cforgetpw" : "com_forgetpw") + "&view=newsletter";
}

// ---- currencies and formatting -------------------------------------------------------------------

std::string PublicFunction::flagWithCurrency(std::string_view code) {
  std::string key = trimWhitespace(code);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Currency& c : kCurrencies)
    if (key == c.code) return c.symbol;
  return kDefaultCurrencySymbol;
}

std::string PublicFunction::intFormate(std::int64_t value) {
  if (value < 1) return "0";
  return groupThousands(std::to_string(value));
}

std::string PublicFunction::sizeText(double megabytes) {
  char text[32];
  if (megabytes >= 1024) {
    std::snprintf(text, sizeof text, "%.1f GB", megabytes / 1024);
  } else if (megabytes >= 1) {
    std::snprintf(text, sizeof text, "%.1f MB", megabytes);
  } else {
    // Below a megabyte in kilobytes: a file of a few kilobytes is no "0.0 MB".
    const long kilobytes = std::lround(megabytes * 1024);
    std::snprintf(text, sizeof text, "%ld KB", megabytes > 0 ? std::max(1L, kilobytes) : 0L);
  }
  return text;
}

std::string PublicFunction::doubleFormate(double value) {
  if (!(value > 0) || !std::isfinite(value)) return "0.00";
  // Round the shortest decimal text that reads back as this double, not the
  // binary value: 999.995 is stored as 999.99499999..., yet it is the amount
  // 999.995 that was meant, and it rounds (half away from zero) to 1,000.00.
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  if (res.ec != std::errc()) return "0.00";
  std::string text(buf, res.ptr);
  std::size_t dot = text.find('.');
  std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
  std::string frac = dot == std::string::npos ? std::string() : text.substr(dot + 1);
  const bool roundUp = frac.size() > 2 && frac[2] >= '5';
  frac.resize(2, '0');
  std::string digits = whole + frac;
  if (roundUp) {
    int i = static_cast<int>(digits.size()) - 1;
    for (; i >= 0; --i) {
      if (digits[static_cast<std::size_t>(i)] == '9') {
        digits[static_cast<std::size_t>(i)] = '0';
      } else {
        ++digits[static_cast<std::size_t>(i)];
        break;
      }
    }
    if (i < 0) digits.insert(digits.begin(), '1');
  }
  whole = digits.substr(0, digits.size() - 2);
  frac = digits.substr(digits.size() - 2);
  return groupThousands(whole) + "." + frac;
}

std::optional<std::string> PublicFunction::stringRemoveTag(const std::optional<std::string>& str,
                                                           const std::optional<std::string>& tag) {
  if (!str || !tag) return std::nullopt;
  if (tag->empty()) return *str;
  std::string out;
  out.reserve(str->size());
  std::size_t pos = 0;
  for (;;) {
    std::size_t hit = str->find(*tag, pos);
    if (hit == std::string::npos) break;
    out.append(*str, pos, hit - pos);
    pos = hit + tag->size();
  }
  out.append(*str, pos, std::string::npos);
  return out;
}

}  // namespace mv
