#include "platform/gfx/JpegScanBound.hpp"

#include <cstddef>

namespace gfx {

bool JpegScanBound::admit(bool progressive, const int* members, int count, int ss, int se, int ah, int al) {
  if (exceeded_) return false;
  ++scans_;
  // A sequential scan holds its components whole: each comes once.
  if (!progressive) ss = se = ah = al = 0;
  bool honest = scans_ <= kMostScans && count > 0 && ss >= 0 && ss <= se && se < 64 && ah >= 0 && al >= 0;
  for (int m = 0; honest && m < count; ++m) {
    if (members[m] < 0 || members[m] >= kMostComponents) {
      honest = false;
      break;
    }
    auto& bits = lowBit_[static_cast<std::size_t>(members[m])];
    // The other coefficients only once the averages have begun.
    if (ss > 0 && bits[0] < 0) honest = false;
    for (int k = ss; honest && k <= se; ++k) {
      auto& low = bits[static_cast<std::size_t>(k)];
      honest = ah == 0 ? low < 0 : low == ah;
      low = static_cast<signed char>(al);
    }
  }
  exceeded_ = !honest;
  return honest;
}

}  // namespace gfx
