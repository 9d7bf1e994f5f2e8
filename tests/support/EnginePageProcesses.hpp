#pragma once
// The web engine's page processes that this test program started, looked at
// from outside as a person would with a process list: which of them keeps a
// processor busy (a page caught in a script of its own), and whether one
// has ended.
#include <map>

namespace mv::test {

class EnginePageProcesses {
 public:
  // The page process that has taken `seconds` of processor time since this
  // watch first saw it; 0 while none has. Each call looks again.
  long busyFor(double seconds);
  // Whether the process has ended: gone, or ended and not yet reaped.
  static bool ended(long pid);

 private:
  // The processor time of each page process when first seen, in clock ticks.
  std::map<long, unsigned long long> firstSeen_;
};

}  // namespace mv::test
