#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TestEnvironment.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/Geometry.hpp"
#include "platform/base/IndexSet.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"

namespace fs = std::filesystem;
using mv::test::TestEnvironment;

class ValuesTest : public TestEnvironment {};

TEST(BaseGeometryTest, RectEdgesContainmentAndIntersection) {
  base::Rect r{10, 20, 100, 50};
  EXPECT_EQ(r.maxX(), 110);
  EXPECT_EQ(r.midY(), 45);
  EXPECT_TRUE(r.contains(base::Point{10, 20}));
  EXPECT_FALSE(r.contains(base::Point{110, 20}));  // half-open
  base::Rect touching{110, 20, 10, 10};
  EXPECT_FALSE(r.intersects(touching));  // edge contact is no overlap
  EXPECT_TRUE(r.intersection(touching).isEmpty());
  EXPECT_EQ(r.intersection(base::Rect{100, 60, 50, 50}), (base::Rect{100, 60, 10, 10}));
  EXPECT_EQ(r.inset(5, 5), (base::Rect{15, 25, 90, 40}));
  EXPECT_EQ(r.offset(-10, -20).origin, (base::Point{0, 0}));
  base::Rect negative{10, 10, -10, -10};  // standardised for min/max
  EXPECT_EQ(negative.minX(), 0);
  EXPECT_TRUE(base::Rect{}.isEmpty());

  auto t = base::AffineTransform::rotation(M_PI / 2);
  base::Point p = t.apply(base::Point{1, 0});
  EXPECT_NEAR(p.x, 0, 1e-12);
  EXPECT_NEAR(p.y, 1, 1e-12);
  auto back = t.concat(t.inverted()).apply(base::Point{3, 4});
  EXPECT_NEAR(back.x, 3, 1e-12);
  EXPECT_NEAR(back.y, 4, 1e-12);
}

TEST(IndexSetTest, OrderedOperationsAndShifts) {
  base::IndexSet s{5, 1, 3};
  EXPECT_EQ(s.first(), 1u);
  EXPECT_EQ(s.last(), 5u);
  EXPECT_EQ(s.indexGreaterThan(3), 5u);
  EXPECT_EQ(s.indexGreaterThan(5), base::NotFound);
  EXPECT_FALSE(s.isContiguous());
  EXPECT_EQ(s.countBelow(4), 2u);
  EXPECT_EQ(s.minus(base::IndexSet{3}).toVector(), (std::vector<std::size_t>{1, 5}));
  s.shiftFrom(3, 1);
  EXPECT_EQ(s.toVector(), (std::vector<std::size_t>{1, 4, 6}));
  s.shiftFrom(2, -1);  // 4 -> 3, 6 -> 5; nothing at 2 to drop
  EXPECT_EQ(s.toVector(), (std::vector<std::size_t>{1, 3, 5}));
  s.shiftFrom(3, -1);  // the index at 3 has nowhere to go and is dropped
  EXPECT_EQ(s.toVector(), (std::vector<std::size_t>{1, 4}));
  EXPECT_TRUE(base::IndexSet::range(4, 3).isContiguous());
  EXPECT_EQ(base::IndexSet().first(), base::NotFound);
}

TEST(DateFormatterTest, FixedPatternsRoundTripAndStrictParsing) {
  // 2026-12-31 23:30:00 UTC: late December, where the week-based year is already 2027.
  const double lateDecember = 1798759800;
  base::DateFormatter calendar("MM/dd/yyyy HH:mm", "en_US_POSIX", "UTC");
  base::DateFormatter weekYear("MM/dd/YYYY HH:mm", "en_US_POSIX", "UTC");
  EXPECT_EQ(calendar.format(lateDecember), "12/31/2026 23:30");
  EXPECT_EQ(weekYear.format(lateDecember), "12/31/2027 23:30");  // why "yyyy" is used everywhere

  for (const char* pattern : {"yyyy-MM-dd HH:mm:ss", "MM/dd/yyyy HH:mm:ss", "yyMMddHHmmss", "HH:mm MM/dd/yy"}) {
    base::DateFormatter f(pattern, "en_US_POSIX", "UTC");
    ASSERT_TRUE(f.valid()) << pattern;
    auto parsed = f.parse(f.format(lateDecember));
    ASSERT_TRUE(parsed.has_value()) << pattern;
    EXPECT_DOUBLE_EQ(*parsed, lateDecember) << pattern;
  }
  base::DateFormatter server("yyyy-MM-dd HH:mm:ss", "en_US_POSIX", "UTC");
  EXPECT_FALSE(server.parse("12/31/2026 23:30:00").has_value());
  EXPECT_FALSE(server.parse("2026-13-45 99:00:00").has_value());
  EXPECT_FALSE(server.parse("2026-12-31 23:30:00 trailing").has_value());
  EXPECT_FALSE(server.parse("").has_value());
}

TEST(DateFormatterTest, TodayAndYesterday) {
  setenv("TZ", "UTC", 1);
  const double noon = 1798718400;  // 2026-12-31 12:00 UTC
  EXPECT_TRUE(base::isToday(noon - 11 * 3600, noon));
  EXPECT_FALSE(base::isToday(noon - 13 * 3600, noon));
  EXPECT_TRUE(base::isYesterday(noon - 13 * 3600, noon));
  EXPECT_FALSE(base::isYesterday(noon - 37 * 3600, noon));
  auto c = base::calendarDate(noon, "UTC");
  EXPECT_EQ(c.year, 2026);
  EXPECT_EQ(c.month, 12);
  EXPECT_EQ(c.day, 31);
}

TEST_F(ValuesTest, PropertyListRoundTripAndMalformedInput) {
  base::Value v{{"TITLE", "Caf\u00e9 & <b>"}, {"COUNT", 3}, {"RATE", 0.5}, {"ON", true},
                {"LIST", base::Value::array({"a", base::Value{{"nested", false}}})}};
  fs::path file = root / "x.plist";
  ASSERT_TRUE(base::PropertyList::write(v, file));
  auto back = base::PropertyList::read(file);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, v);
  EXPECT_FALSE(base::PropertyList::parse("<plist><dict><key>a</key></dict></plist>").has_value());
  EXPECT_FALSE(base::PropertyList::parse("not xml at all").has_value());
  EXPECT_FALSE(base::PropertyList::read(root / "missing.plist").has_value());
}

TEST_F(ValuesTest, DataRootFoldersAreMadeUnderTheRoot) {
  EXPECT_EQ(base::Paths::documents(), root / "Documents");
  EXPECT_TRUE(fs::is_directory(root / "Documents"));
  EXPECT_EQ(base::Paths::preferences(), root / "Library" / "Preferences");
  EXPECT_TRUE(fs::is_directory(base::Paths::tmp()));
  EXPECT_TRUE(base::Bundle::pathForResource("no-such-resource", "png").empty());
  EXPECT_FALSE(base::Bundle::shortVersion().empty());
}

TEST_F(ValuesTest, TheDataRootAndWhatIsMadeInItAreTheUsersAlone) {
  const mode_t earlier = ::umask(022);
  const fs::path data = root / "data";
  fs::create_directories(data);
  fs::permissions(data, fs::perms(0755), fs::perm_options::replace);
  const auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::mask; };
  ASSERT_TRUE(base::Paths::makePrivate(data));
  EXPECT_EQ(mode(data), fs::perms::owner_all);
  // Files and folders made from now on, by any means.
  std::ofstream(data / "saved.plist") << "password";
  fs::create_directories(data / "Documents" / "pdf");
  std::FILE* f = std::fopen((data / "Documents" / "pdf" / "a.pdf").c_str(), "w");
  ASSERT_TRUE(f);
  std::fclose(f);
  EXPECT_EQ(mode(data / "saved.plist"), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(mode(data / "Documents" / "pdf" / "a.pdf"), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(mode(data / "Documents"), fs::perms::owner_all);
  EXPECT_EQ(mode(data / "Documents" / "pdf"), fs::perms::owner_all);
  // A root that is not there cannot be made private.
  EXPECT_FALSE(base::Paths::makePrivate(root / "missing"));
  ::umask(earlier);
}

