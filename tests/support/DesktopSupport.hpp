#pragma once
// The desktop window in tests: one virtual X server for the whole test
// program, whose desktop tests run in its own process like every other test
// (a child forked while the work queues' and the web engine's threads hold
// locks could hang, and would not have those threads).
#include <gtest/gtest.h>

#include <string>

namespace mv::test {

// Points the desktop back end at the program's virtual screen, starting it
// the first time. False with `why` when there is none: "missing" when Xvfb
// is not installed.
bool useVirtualScreen(std::string& why);

// Runs a desktop test's body. The display libraries keep their connection
// and allocations until the process ends: the leak check leaves them to
// those libraries (see TestMain).
template <typename Body>
void runDesktop(Body body) {
  body();
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
