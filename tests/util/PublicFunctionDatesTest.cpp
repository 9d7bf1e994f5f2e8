#include <string>
#include <vector>

#include "PublicFunctionFixture.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/UserDefaults.hpp"
#include "util/DateHelpers.hpp"

namespace mv::test {
namespace {

class DatesTest : public PublicFunctionFixture {
 protected:
  double local(const std::string& serverText) {
    auto d = PublicFunction::dateFromString(serverText, kServerTimeFormat);
    EXPECT_TRUE(d.has_value()) << serverText;
    return d.value_or(0);
  }
};

TEST_F(DatesTest, EveryFixedPatternRoundTrips) {
  struct Case {
    const char* pattern;
    std::string source;    // the date, in server form
    std::string expected;  // how the pattern writes it
  };
  const std::vector<Case> cases = {
      {kLocalTimeFormat, "2026-03-07 14:05:09", "03/07/2026 14:05:09"},
      {kServerTimeFormat, "2026-03-07 14:05:09", "2026-03-07 14:05:09"},
      {kLastSyncFormat, "2026-03-07 14:05:00", "14:05 03/07/26"},
      {kOrderNumberFormat, "2026-03-07 14:05:09", "260307140509"},
      {kOrderTimeFormat, "2026-03-07 14:05:00", "03/07/2026 14:05"},
      {kShortDateFormat, "2026-03-07 00:00:00", "03/07/26"},
      {kShortDateFormatChinese, "2026-03-07 00:00:00", "26/03/07"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    const double d = local(c.source);
    const std::string text = PublicFunction::stringFromDate(d, c.pattern);
    EXPECT_EQ(text, c.expected);
    auto back = PublicFunction::dateFromString(text, c.pattern);
    ASSERT_TRUE(back.has_value());
    EXPECT_DOUBLE_EQ(*back, d);
  }

  // local -> server form and back
  EXPECT_EQ(PublicFunction::changeToServerFormatFromLocal("12/31/2025 23:59:59"), "2025-12-31 23:59:59");
  EXPECT_EQ(PublicFunction::changeToServerFormatFromLocal("01/01/2026 00:00:00"), "2026-01-01 00:00:00");

  // "now" follows the main loop's clock
  clock->setWallStart(local("2026-07-04 08:15:30"));
  EXPECT_EQ(PublicFunction::currentTime(), "07/04/2026 08:15:30");
  advance(90);
  EXPECT_EQ(PublicFunction::currentTime(), "07/04/2026 08:17:00");
  EXPECT_EQ(PublicFunction::changeToServerFormatFromLocal(PublicFunction::currentTime()), "2026-07-04 08:17:00");
}

TEST_F(DatesTest, LateDecemberKeepsTheCalendarYear) {
  // 29 December 2025 is a Monday: it belongs to the first week of 2026, so a
  // week-based year would write 2026.
  const double d = local("2025-12-29 10:30:00");
  EXPECT_EQ(PublicFunction::stringFromDate(d, "MM/dd/YYYY HH:mm"), "12/29/2026 10:30");  // the trap
  EXPECT_EQ(PublicFunction::stringFromDate(d, kOrderTimeFormat), "12/29/2025 10:30");
  EXPECT_EQ(PublicFunction::stringFromDate(d, kOrderNumberFormat), "251229103000");
  EXPECT_EQ(PublicFunction::formatDate("2025-12-31 23:59:59"), "12/31/25");

  clock->setWallStart(d);
  EXPECT_EQ(PublicFunction::currentTime(), "12/29/2025 10:30:00");
  EXPECT_EQ(PublicFunction::changeToServerFormatFromLocal(PublicFunction::currentTime()), "2025-12-29 10:30:00");

  // calendar questions against the same clock
  EXPECT_TRUE(isToday(d - 3600));
  EXPECT_FALSE(isToday(d - 86400));
  EXPECT_TRUE(isYesterday(d - 86400));
  EXPECT_TRUE(isYesterday(local("2025-12-28 00:00:00")));
  EXPECT_FALSE(isYesterday(local("2025-12-27 23:59:59")));
  EXPECT_EQ(hour(d), 10);
  EXPECT_EQ(minute(d), 30);
}

TEST_F(DatesTest, MalformedTextGivesNoDate) {
  for (const std::string bad : {"", "   ", "2025-12-31 23:59:59", "13/01/2025 10:00:00", "02/30/2025 10:00:00",
                                "12/31/2025", "12/31/2025 10:00:00 junk", "12/31/2025 25:00:00", "abc"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(PublicFunction::changeToServerFormatFromLocal(bad), "");
  }
  for (const std::string bad : {"", "12/31/2025 10:00:00", "2025-13-01 00:00:00", "2025-12-31"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(PublicFunction::formatDate(bad), "");
  }
  EXPECT_FALSE(PublicFunction::dateFromString("2025-12-31 10:00:00", "").has_value());
}

TEST_F(DatesTest, ShortDateFollowsTheInterfaceLanguage) {
  EXPECT_EQ(PublicFunction::getFormateString(), "MM/dd/yy");
  EXPECT_EQ(PublicFunction::formatDate("2026-01-02 03:04:05"), "01/02/26");

  // the stored language until the shell installs its own
  base::UserDefaults::standard().setInteger("language", kLanguageChinese);
  EXPECT_EQ(PublicFunction::getFormateString(), "yy/MM/dd");
  EXPECT_EQ(PublicFunction::formatDate("2026-01-02 03:04:05"), "26/01/02");

  // the installed hook wins over the stored value
  PublicFunction::setInterfaceLanguageProvider([] { return kLanguageEnglish; });
  EXPECT_EQ(PublicFunction::formatDate("2026-01-02 03:04:05"), "01/02/26");
}

}  // namespace
}  // namespace mv::test
