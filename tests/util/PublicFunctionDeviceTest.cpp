#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "PublicFunctionFixture.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "util/FitCGRect.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class DeviceTest : public PublicFunctionFixture {
 protected:
  fs::path slot0() const { return root / "udid-slots" / "org.DeviceUDID.slot.0"; }
  static std::string read(const fs::path& p) {
    std::ifstream in(p);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

// Sets an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(DeviceTest, DeviceIdIsStableAndSurvivesLostDefaults) {
  const std::string id = PublicFunction::getDeviceUDID();
  EXPECT_TRUE(PublicFunction::isValidDeviceUDID(id)) << id;
  EXPECT_EQ(PublicFunction::getDeviceUDID(), id);
  EXPECT_EQ(base::UserDefaults::standard().stringForKey("DeviceUDID"), id);
  EXPECT_EQ(read(slot0()), id);

  // the defaults lose it: the slot brings it back, and the defaults get it again
  base::UserDefaults::standard().removeObject("DeviceUDID");
  EXPECT_EQ(PublicFunction::getDeviceUDID(), id);
  EXPECT_EQ(base::UserDefaults::standard().stringForKey("DeviceUDID"), id);

  // a whole new data root (new defaults file): still the same device
  const fs::path other = makeTempDir("udid-root");
  base::Paths::setRoot(other);
  base::UserDefaults::resetStandard();
  EXPECT_EQ(PublicFunction::getDeviceUDID(), id);
  base::Paths::setRoot(root);
  base::UserDefaults::resetStandard();
  fs::remove_all(other);

  // the slot is lost: the defaults still hold it and the slot is written again
  fs::remove(slot0());
  EXPECT_EQ(PublicFunction::getDeviceUDID(), id);
  EXPECT_EQ(read(slot0()), id);

  // garbage in the slot and the defaults is not an id: a new one replaces both
  base::UserDefaults::standard().setString("DeviceUDID", "not-an-id");
  {
    std::ofstream(slot0()) << "zz";
  }
  const std::string fresh = PublicFunction::getDeviceUDID();
  EXPECT_TRUE(PublicFunction::isValidDeviceUDID(fresh));
  EXPECT_NE(fresh, id);
  EXPECT_EQ(read(slot0()), fresh);
  EXPECT_EQ(PublicFunction::getDeviceUDID(), fresh);

  // a later slot counts too (another application's entry)
  base::UserDefaults::standard().removeObject("DeviceUDID");
  fs::remove(slot0());
  const std::string elsewhere(40, 'a');
  {
    std::ofstream(root / "udid-slots" / "org.DeviceUDID.slot.7") << elsewhere << "\n";
  }
  EXPECT_EQ(PublicFunction::getDeviceUDID(), elsewhere);

  // asked again and again on a fresh device, one id
  base::UserDefaults::standard().removeObject("DeviceUDID");
  fs::remove_all(root / "udid-slots");
  std::set<std::string> seen;
  for (int i = 0; i < 4; ++i) seen.insert(PublicFunction::getDeviceUDID());
  EXPECT_EQ(seen.size(), 1u);
  // The defaults it writes tell their main-thread observers at once: a
  // worker asking is a fault, caught where it happens.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(std::thread([] { PublicFunction::getDeviceUDID(); }).join(), "getDeviceUDID called off the main thread");

  EXPECT_FALSE(PublicFunction::isValidDeviceUDID(std::string(39, 'a')));
  EXPECT_FALSE(PublicFunction::isValidDeviceUDID(std::string(39, 'a') + "g"));
}

TEST_F(DeviceTest, DeviceClassDecidesTheLargestDocument) {
  EXPECT_EQ(PublicFunction::deviceTypeForMachine("x86_64"), 3);
  EXPECT_EQ(PublicFunction::deviceTypeForMachine("iPad2,5"), 2);
  EXPECT_EQ(PublicFunction::deviceTypeForMachine("iPad3,4"), 3);
  EXPECT_EQ(PublicFunction::deviceTypeForMachine("iPad4,1"), 1);
  EXPECT_EQ(PublicFunction::deviceTypeForMachine("aarch64"), 1);
  EXPECT_EQ(PublicFunction::deviceTypeForMachine("x86"), 1);
  EXPECT_EQ(PublicFunction::deviceTypeForMachine(""), 1);

  constexpr std::uintmax_t MiB = 1024 * 1024;
  const fs::path f = root / "doc.pdf";
  auto sized = [&](std::uintmax_t n) {
    std::ofstream(f).close();
    fs::resize_file(f, n);
  };
  EXPECT_FALSE(PublicFunction::safeSizeOfPath(f, 3));  // missing
  EXPECT_FALSE(PublicFunction::safeSizeOfPath(root, 3));  // a folder
  sized(0);
  EXPECT_FALSE(PublicFunction::safeSizeOfPath(f, 3));
  sized(1);
  EXPECT_TRUE(PublicFunction::safeSizeOfPath(f, 1));
  sized(5 * MiB);
  EXPECT_TRUE(PublicFunction::safeSizeOfPath(f, 1));
  sized(5 * MiB + 1);
  EXPECT_FALSE(PublicFunction::safeSizeOfPath(f, 1));
  EXPECT_TRUE(PublicFunction::safeSizeOfPath(f, 2));
  sized(20 * MiB + 1);
  EXPECT_FALSE(PublicFunction::safeSizeOfPath(f, 2));
  EXPECT_TRUE(PublicFunction::safeSizeOfPath(f, 3));
  sized(40 * MiB);
  EXPECT_TRUE(PublicFunction::safeSizeOfPath(f, 3));
  sized(40 * MiB + 1);
  EXPECT_FALSE(PublicFunction::safeSizeOfPath(f, 3));
}

TEST_F(DeviceTest, PreferredLanguageComesFromDefaultsThenTheLocale) {
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("zh_CN.UTF-8"), "zh-Hans");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("zh_SG"), "zh-Hans");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("zh_TW.UTF-8"), "zh-Hant");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("zh_CN:en_US"), "zh-Hans");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("en_US.UTF-8"), "en");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("de_DE@euro"), "de");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("C.UTF-8"), "en");
  EXPECT_EQ(PublicFunction::preferredLanguageFromLocale("POSIX"), "en");

  {
    ScopedEnv language("LANGUAGE", nullptr);
    ScopedEnv all("LC_ALL", nullptr);
    ScopedEnv lang("LANG", "zh_CN.UTF-8");
    EXPECT_EQ(PublicFunction::getPreferredLanguage(), "zh-Hans");
    ScopedEnv all2("LC_ALL", "fr_FR.UTF-8");  // LC_ALL outranks LANG
    EXPECT_EQ(PublicFunction::getPreferredLanguage(), "fr");
    ScopedEnv language2("LANGUAGE", "zh_SG:en");
    EXPECT_EQ(PublicFunction::getPreferredLanguage(), "zh-Hans");

    // the user defaults outrank the environment
    base::UserDefaults::standard().setObject("AppleLanguages", base::Value::array({"en", "zh-Hans"}));
    EXPECT_EQ(PublicFunction::getPreferredLanguage(), "en");
  }
}

}  // namespace
}  // namespace mv::test
