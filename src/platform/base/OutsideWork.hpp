#pragma once
// Work done elsewhere in real time (a web page rendered by another process).
// While any is under way, `RunLoop::runUntil` on a virtual clock moves the
// clock with real time instead of straight on to the next timer, so the
// work has the time a person would give it. Safe from any thread.
#include <memory>

namespace base {

void beginOutsideWork();
void endOutsideWork();
bool outsideWorkUnderWay();
// Outside work under way until the last copy of what it answers goes, however
// the work ends (done, cancelled, or its reply dropped with the loop's tasks).
std::shared_ptr<const void> holdOutsideWork();

// Of that work, the reads a screen handed to the workers and waits for to
// show what it has to show (a list that grows with the company); they count
// as outside work too. Tests that step the clock let these end first.
void beginAwaitedRead();
void endAwaitedRead();
bool awaitedReadsUnderWay();
// An awaited read under way until the last copy of what it answers goes.
std::shared_ptr<const void> holdAwaitedRead();

}  // namespace base
