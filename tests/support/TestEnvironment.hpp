#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/base/Clock.hpp"

namespace mv::test {

// A fresh, empty folder under the build's test scratch area (or the system temp
// folder), removed by the caller or left for inspection when MV_KEEP_TMP=1.
std::filesystem::path makeTempDir(const std::string& prefix);

// The real-world sample documents: MV_CORPUS_DIR, else the shared corpus
// beside the clone. It may be absent: tests skip what is not there.
std::filesystem::path corpusDir();

// Copies a picture a test wrote into the folder named by MV_KEEP_SNAPSHOTS,
// for a person to look at; nothing when the variable is not set.
void keepSnapshot(const std::filesystem::path& file);

// Base fixture: a fresh data root (Documents, Library, tmp) for every test, the
// main loop on a virtual clock, standard user defaults read from that root, and
// everything reset afterwards.
class TestEnvironment : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Advances the virtual clock, firing what falls due on the way.
  void advance(double seconds);
  // Runs the main loop until `pred` holds, up to `timeout` seconds of loop time
  // (virtual time, or real time when the test switches to the real clock).
  bool runUntil(const std::function<bool()>& pred, double timeout = 10);
  // Switches the main loop to the real clock (tests that wait on real I/O).
  void useRealClock();

  std::filesystem::path root;
  std::shared_ptr<base::VirtualClock> clock;
};

}  // namespace mv::test
