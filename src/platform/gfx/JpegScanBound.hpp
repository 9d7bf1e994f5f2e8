#pragma once
// The scans of a JPEG as a decoder meets them, held to what an honest
// picture has. A scan may cost a pass over every block of the picture
// while its bytes cost next to nothing (a run of empty blocks is a few
// bits), so a file of a few hundred kilobytes that repeats a scan
// thousands of times would hold a decoder for minutes, and even a few
// hundred scans in a proper order hold it for seconds at the largest size
// drawn. Encoders write a handful: one for a sequential picture (one a
// component when not interleaved), ten for the JPEG library's usual
// progression of a colour picture (six for a grey one, eighteen for one
// of four components), no more than about twenty for an encoder that
// searches its progression for the smallest file. Past kMostScans a
// picture is no honest one. And each band of a component's coefficients is
// begun once, by a first scan, and then refined a bit at a time, each
// refinement picking up where the last stopped (its high bit the last
// one's low bit), the averages before the other coefficients; a sequential
// picture carries each component once. A scan out of that order (the
// decoder itself warns of some of them as a bogus progression) adds
// nothing an honest picture needs: the picture is damaged and decoders
// stop there. Any thread; one per read.
#include <array>

namespace gfx {

class JpegScanBound {
 public:
  // Somewhat past the most an honest encoder writes.
  static constexpr int kMostScans = 32;
  // Components a frame may have (the decoder takes up to ten).
  static constexpr int kMostComponents = 10;

  // The next scan, of the components at the frame's indices `members`
  // (`count` of them) and, in a progressive picture, coefficients `ss` to
  // `se` at the bits `ah` (0: a first scan) down to `al` (a sequential
  // one's are not read: some encoders write zeros there): false when the
  // picture goes past the bound with it, and every later one is refused too.
  [[nodiscard]] bool admit(bool progressive, const int* members, int count, int ss, int se, int ah, int al);
  // The scans met, the one past the bound included.
  int scans() const { return scans_; }
  bool exceeded() const { return exceeded_; }

 private:
  int scans_ = 0;
  bool exceeded_ = false;
  // For each coefficient of each component, the low bit of the last scan
  // that carried it; -1 before its first.
  std::array<std::array<signed char, 64>, kMostComponents> lowBit_ = [] {
    std::array<std::array<signed char, 64>, kMostComponents> all{};
    for (auto& component : all) component.fill(-1);
    return all;
  }();
};

}  // namespace gfx
