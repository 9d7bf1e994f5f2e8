#pragma once
// Pictures built in memory for the tests and the benchmarks (no test
// framework is needed): files of kinds the decoder does not read, and
// pictures a hostile service could send, a few bytes that would cost a
// reader minutes, each built in a moment at any size.
#include <string>
#include <utility>
#include <vector>

namespace mv::test {

// By name: PSD, JPEG XL, TGA, PCX, QOI, compressed and UTF-16 SVG, an SVG
// whose drawing starts past 16 KB, EMF.
std::vector<std::pair<std::string, std::string>> picturesOfOtherKinds();

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
