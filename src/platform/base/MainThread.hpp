#pragma once
// The check that main-thread-only classes make at their entry points, in
// place of a comment saying so. Off the main thread it logs the offending
// function; where checks are fatal (every test executable) it aborts, so a
// test that calls such a class from a worker fails at once.
#include <thread>

namespace base {

void assertMainThread(const char* function);
// The same check for what one other thread owns (a worker's own database
// connection): off `owner` it logs and, where checks are fatal, aborts.
void assertOnThread(std::thread::id owner, const char* function);
void setMainThreadChecksFatal(bool fatal);
bool mainThreadChecksFatal();

}  // namespace base

#define MV_ASSERT_MAIN_THREAD() ::base::assertMainThread(__func__)
