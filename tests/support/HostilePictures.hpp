#pragma once
// Pictures a hostile service could send: a few bytes that would cost a
// reader minutes. Built in memory, each in a moment at any size; the tests
// build small ones, the benchmarks those of a real attack. No test
// framework is needed.
#include <string>

namespace mv::test {

// A flat grey progressive JPEG whose last scan (a refinement of its detail:
// a few bytes over any size) comes `repeats` times more.
std::string progressiveRepeatingItsLastScan(int width, int height, int repeats);

// A grey progressive JPEG of `scans` scans (up to 694) in an honest order:
// its averages, then each other coefficient alone from its tenth bit down,
// a bit a scan.
std::string progressiveOfManyScans(int width, int height, int scans);

// A PNG of empty rows in RGBA, without its IEND chunk, whose image data
// holds the first `rows` rows (all of them: a whole stream).
std::string pngOfEmptyRowsWithoutEnd(int width, int height, long long rows);

}  // namespace mv::test
