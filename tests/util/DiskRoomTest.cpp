#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "TestEnvironment.hpp"
#include "util/DiskRoom.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// A sync asks for room once a file, tens of thousands of times: on a disk
// with plenty left a reading answers many asks, while an ask that comes near
// what the disk has, or that the earlier grants bring near it, reads the disk
// again, and one past it is refused.
TEST(DiskRoomTest, APlentifulDiskIsReadRarelyAndOneNearItsBoundAtEveryAsk) {
  const fs::path folder = test::makeTempDir("disk-room");
  const auto room = DiskRoom::roomFor(folder);
  ASSERT_TRUE(room);
  constexpr std::uint64_t kMB = std::uint64_t{1} << 20;
  if (*room < DiskRoom::kReadingSlackBytes + 256 * kMB) GTEST_SKIP() << "the test's disk has too little room";

  // Thousands of pictures' worth of asks, a few readings.
  std::uint64_t before = DiskRoom::readingsTaken();
  for (int i = 0; i < 5000; ++i) ASSERT_TRUE(DiskRoom::hasRoomFor(folder, 20 * 1024)) << i;
  EXPECT_LT(DiskRoom::readingsTaken() - before, 50u);

  // Within the slack of what the disk has: every ask reads it.
  before = DiskRoom::readingsTaken();
  for (int i = 0; i < 10; ++i) {
    const std::uint64_t near = DiskRoom::roomFor(folder).value_or(0) - DiskRoom::kReadingSlackBytes / 2;
    (void)DiskRoom::hasRoomFor(folder, near);
  }
  EXPECT_EQ(DiskRoom::readingsTaken() - before, 20u);  // the ask's and the test's own

  // Grants add up: the one that would pass the slack reads the disk again.
  const std::uint64_t third = (*DiskRoom::roomFor(folder) - DiskRoom::kReadingSlackBytes) / 3 + kMB;
  (void)DiskRoom::hasRoomFor(folder, third);
  (void)DiskRoom::hasRoomFor(folder, third);
  before = DiskRoom::readingsTaken();
  (void)DiskRoom::hasRoomFor(folder, third);
  EXPECT_EQ(DiskRoom::readingsTaken() - before, 1u);

  // Past the room, however recent a plentiful reading: refused.
  ASSERT_TRUE(DiskRoom::hasRoomFor(folder, 1024));
  EXPECT_FALSE(DiskRoom::hasRoomFor(folder, *DiskRoom::roomFor(folder) + 1024 * kMB));
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace mv
