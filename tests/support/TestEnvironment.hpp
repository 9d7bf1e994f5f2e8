#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// Ends the test program started afresh by `runInFreshProgram`: the test's
// failures on standard error, its exit status saying whether there were any.
[[noreturn]] void finishFreshProgram();

// The root of the program `runInFreshProgram` starts for the running test:
// a folder inside the test's own root, so that what the program leaves (it
// never tears down) goes with the test, and the test sees what it wrote.
std::filesystem::path freshProgramRoot();

// For as long as it lives, a program started afresh for this test takes
// `freshProgramRoot()`, emptied, for its own root.
class FreshProgramRootGiven {
 public:
  FreshProgramRootGiven();
  ~FreshProgramRootGiven();
  FreshProgramRootGiven(const FreshProgramRootGiven&) = delete;
  FreshProgramRootGiven& operator=(const FreshProgramRootGiven&) = delete;

 private:
  bool given_ = false;
};

// Runs `body` in this test program started afresh for this test alone, for
// what must come before a start that happens once a process (the web
// engine's memory ceiling), or for a process the body ends as it pleases
// (killed, or exiting as the application does): `ends` says how the program
// must end. The test up to here runs there again first.
template <typename Body, typename Ends = ::testing::ExitedWithCode>
void runInFreshProgram(Body body, Ends ends = ::testing::ExitedWithCode(0)) {
  const FreshProgramRootGiven given;
  EXPECT_EXIT(
      {
        body();
        finishFreshProgram();
      },
      ends, "");
}

// Base fixture: a fresh data root (Documents, Library, tmp) for every test, the
// main loop on a virtual clock, standard user defaults read from that root, and
// everything reset afterwards.
class TestEnvironment : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Advances the virtual clock, firing what falls due on the way (also while
  // a transfer is under way: tests use it to move time on themselves).
  void advance(double seconds);
  // Runs the main loop until `pred` holds, up to `timeout` seconds of loop time.
  // On the virtual clock the loop moves straight on to its next timer while
  // nothing else is under way; while `realWorkUnderWay` says work on another
  // thread is (a transfer to the local service), the clock keeps step with
  // real time, so a time-out falls due no sooner than it would for a person.
  bool runUntil(const std::function<bool()>& pred, double timeout = 10);
  // Points HOME and the desktop's folders (XDG configuration, data, cache,
  // downloads) into the test's root, for code that may write there (the web
  // engine): nothing of the machine's is touched and the test sees what was
  // written. Before that code first asks: GLib keeps the answers for the
  // process. Answers the download folder; TearDown puts the old ones back.
  std::filesystem::path useOwnHome();
  // Switches the main loop to the real clock, for the few tests whose subject
  // is real time itself (media playing in real time); say why where it is used.
  void useRealClock();

  std::filesystem::path root;
  std::shared_ptr<base::VirtualClock> clock;
  // Set by fixtures whose work runs on other threads in real time.
  std::function<bool()> realWorkUnderWay;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> savedEnvironment_;
};

}  // namespace mv::test
