#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>
#include <fstream>

#include "TestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"

namespace fs = std::filesystem;
using mv::test::TestEnvironment;

class UserDefaultsTest : public TestEnvironment {};

TEST_F(UserDefaultsTest, EveryValueTypeRoundTripsThroughTheFile) {
  fs::path file = root / "prefs.json";
  {
    base::UserDefaults d(file);
    d.setString("s", "héllo \"quoted\"");
    d.setInteger("i", -9007199254740993LL);
    d.setDouble("d", 1780000000.123456);
    d.setBool("b", true);
    d.setDate("date", 1767225600.5);
    d.setObject("a", base::Value::array({1, "two", 3.5}));
    d.setObject("o", base::Value{{"z", 1}, {"a", 2}});
    EXPECT_TRUE(d.synchronize());
  }
  struct stat st{};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  base::UserDefaults d(file);
  EXPECT_EQ(d.stringForKey("s"), "héllo \"quoted\"");
  EXPECT_EQ(d.integerForKey("i"), -9007199254740993LL);
  EXPECT_DOUBLE_EQ(d.doubleForKey("d"), 1780000000.123456);
  EXPECT_TRUE(d.boolForKey("b"));
  EXPECT_EQ(d.dateForKey("date").value_or(0), 1767225600.5);
  EXPECT_EQ(d.arrayForKey("a").size(), 3u);
  // Key order of a dictionary is kept.
  EXPECT_EQ(d.dictionaryForKey("o").begin().key(), "z");
  // Missing keys and the platform's conversions.
  EXPECT_EQ(d.stringForKey("missing"), "");
  EXPECT_EQ(d.integerForKey("missing"), 0);
  EXPECT_FALSE(d.dateForKey("s").has_value());
  d.setString("num", " 12abc");
  EXPECT_EQ(d.integerForKey("num"), 12);
  d.setString("yes", "YES");
  EXPECT_TRUE(d.boolForKey("yes"));
  d.setString("no", "0");
  EXPECT_FALSE(d.boolForKey("no"));
  d.setInteger("n", 5);
  EXPECT_EQ(d.stringForKey("n"), "5");
}

TEST_F(UserDefaultsTest, AFailedWriteKeepsTheOldFileAndReportsFailure) {
  fs::path file = root / "prefs.json";
  {
    base::UserDefaults d(file);
    d.setString("k", "old");
    ASSERT_TRUE(d.synchronize());
  }
  base::UserDefaults d(file);
  d.setString("k", std::string(4096, 'n'));
  {
    // A file-size limit makes the write fail half-way, as a full disk would.
    struct rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 512;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool wrote = d.synchronize();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(wrote);
  }
  base::UserDefaults reread(file);
  EXPECT_EQ(reread.stringForKey("k"), "old");
  for (auto& e : fs::directory_iterator(root)) EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos);
  EXPECT_TRUE(d.synchronize());
  EXPECT_EQ(base::UserDefaults(file).stringForKey("k"), std::string(4096, 'n'));
}

TEST_F(UserDefaultsTest, ChangeNotificationFiresOncePerSetSynchronously) {
  auto& d = base::UserDefaults::standard();
  int count = 0;
  base::Observation obs(base::UserDefaults::DidChangeNotification, &d,
                        [&](const base::Notification&) { ++count; });
  d.setInteger("language", 2);
  EXPECT_EQ(count, 1);
  d.setInteger("language", 1);
  d.removeObject("language");
  d.removeObject("language");  // nothing to remove: no change
  EXPECT_EQ(count, 3);
  // Changes reach the file at the end of the turn without an explicit synchronize.
  d.setString("k", "v");
  base::RunLoop::main().drain();
  EXPECT_EQ(base::UserDefaults(base::Paths::preferences() / "defaults.json").stringForKey("k"), "v");
}

TEST_F(UserDefaultsTest, UnreadableFileIsSetAsideNotOverwritten) {
  fs::path file = root / "prefs.json";
  std::ofstream(file) << "{ not json";
  base::UserDefaults d(file);
  EXPECT_FALSE(d.hasKey("anything"));
  EXPECT_TRUE(fs::exists(root / "prefs.json.corrupt"));
}

TEST_F(UserDefaultsTest, TextThatIsNotUtf8IsSavedWithoutBreakingTheFlush) {
  // A name cut in the middle of a character, as a byte-limited field leaves it.
  const std::string cut = std::string("caf\xC3", 4);
  auto& d = base::UserDefaults::standard();
  d.setString("kept", "v");
  d.setString("cut", cut);
  // The flush runs on the loop: nothing may escape from it.
  EXPECT_NO_THROW(base::RunLoop::main().drain());
  bool saved = false;
  EXPECT_NO_THROW(saved = d.synchronize());
  EXPECT_TRUE(saved);
  base::UserDefaults reread(base::Paths::preferences() / "defaults.json");
  EXPECT_EQ(reread.stringForKey("kept"), "v");
  EXPECT_EQ(reread.stringForKey("cut").rfind("caf", 0), 0u);
}
