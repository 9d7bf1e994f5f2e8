#pragma once
// The desktop window in tests: one virtual X server for the whole test
// program, and each test's window in a child process of its own.
#include <gtest/gtest.h>

#include <string>

namespace mv::test {

// Points the desktop back end at the program's virtual screen, starting it
// the first time. False with `why` when there is none: "missing" when Xvfb
// is not installed.
bool useVirtualScreen(std::string& why);

// Ends the child a desktop test ran in: its failures printed on standard
// error, its exit status telling the parent whether any check failed.
[[noreturn]] void finishChild();

// Runs `body` in a child process: the display libraries keep their
// connection and allocations until the process ends, which is theirs to
// clean up, not the test's.
template <typename Body>
void runDesktop(Body body) {
  GTEST_FLAG_SET(death_test_style, "fast");
  EXPECT_EXIT(
      {
        body();
        finishChild();
      },
      ::testing::ExitedWithCode(0), "");
}

// In a fixture's SetUp: skips the test without Xvfb, fails it when the
// virtual screen does not start.
#define MV_USE_VIRTUAL_SCREEN()                                                                            \
  do {                                                                                                     \
    std::string mvWhy;                                                                                     \
    if (!::mv::test::useVirtualScreen(mvWhy)) {                                                            \
      if (mvWhy == "missing")                                                                              \
        GTEST_SKIP() << "Xvfb is not installed (scripts/setup-deps installs it); the desktop window is not tried"; \
      FAIL() << mvWhy;                                                                                     \
    }                                                                                                      \
  } while (false)

}  // namespace mv::test
