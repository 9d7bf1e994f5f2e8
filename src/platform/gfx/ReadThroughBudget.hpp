#pragma once
// What the read-throughs of one run of checks (a skin's pictures, a sync's
// files) may cost together. Each read-through is bounded on its own (no
// picture of more pixels than any drawn, no JPEG past JpegScanBound), but a
// few hundred such pictures, each of the most an honest one may have, would
// still hold the run for many minutes: the run's read-throughs draw on one
// budget, counted in pixels once per pass of the decoder over them (a
// JPEG's scan, the set-up of its coefficients, a PNG's rows). A read is
// begun only when the budget can pay the most it may cost, and gives back
// what it did not use; one it cannot pay is settled by the picture's walk
// alone (see PictureWalk). Any thread.
#include <atomic>
#include <cstdint>

namespace gfx {

class ReadThroughBudget {
 public:
  // About a tenth of a second of one core's read-through: some fifteen
  // photographs of 12 megapixels that lack their end marker, or a
  // progressive picture of a few megapixels; never the largest pictures
  // drawn in many scans. An honest run reads through few, and the checks
  // of the files that come whole (nearly all) read none.
  static constexpr std::int64_t kRunPixelPasses = std::int64_t{200'000'000};

  explicit ReadThroughBudget(std::int64_t pixelPasses = kRunPixelPasses) : left_(pixelPasses) {}
  ReadThroughBudget(const ReadThroughBudget&) = delete;
  ReadThroughBudget& operator=(const ReadThroughBudget&) = delete;

  // Takes that many passes; false, with nothing taken, when fewer are left.
  [[nodiscard]] bool take(std::int64_t pixelPasses) {
    std::int64_t left = left_.load(std::memory_order_relaxed);
    do {
      if (left < pixelPasses) return false;
    } while (!left_.compare_exchange_weak(left, left - pixelPasses, std::memory_order_relaxed));
    return true;
  }
  // Passes taken and not used.
  void giveBack(std::int64_t pixelPasses) { left_.fetch_add(pixelPasses, std::memory_order_relaxed); }
  std::int64_t left() const { return left_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::int64_t> left_;
};

}  // namespace gfx
