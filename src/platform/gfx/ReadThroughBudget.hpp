#pragma once
// What the read-throughs of one run of checks (a skin's pictures, a sync's
// files) may cost together. Each read-through is bounded on its own (no
// picture of more pixels than any drawn, no JPEG past JpegScanBound), but a
// few hundred such pictures, each of the most an honest one may have, would
// still hold the run for many minutes: the run's read-throughs draw on one
// budget, counted in pixels once per pass of the decoder over them (a
// JPEG's scan, a PNG's row of any pass), and past it a picture is settled
// by its walk alone (see PictureWalk). Any thread.
#include <atomic>
#include <cstdint>

namespace gfx {

class ReadThroughBudget {
 public:
  // About a twentieth of a second of one core's read-through: some eight
  // photographs of 12 megapixels that lack their end marker, or two passes
  // over the largest picture drawn. An honest run reads through few, and
  // the checks of the files that come whole (nearly all) read none.
  static constexpr std::int64_t kRunPixelPasses = std::int64_t{100'000'000};

  explicit ReadThroughBudget(std::int64_t pixelPasses = kRunPixelPasses) : left_(pixelPasses) {}
  ReadThroughBudget(const ReadThroughBudget&) = delete;
  ReadThroughBudget& operator=(const ReadThroughBudget&) = delete;

  // Takes the cost of a pass; false, with nothing taken, once the budget
  // cannot pay it: the read stops there.
  [[nodiscard]] bool take(std::int64_t pixelPasses) {
    std::int64_t left = left_.load(std::memory_order_relaxed);
    do {
      if (left < pixelPasses) {
        spent_.store(true, std::memory_order_relaxed);
        return false;
      }
    } while (!left_.compare_exchange_weak(left, left - pixelPasses, std::memory_order_relaxed));
    return true;
  }
  // A pass it could not pay was asked for: every later read-through is
  // left to the walk.
  bool spent() const { return spent_.load(std::memory_order_relaxed); }
  std::int64_t left() const { return left_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::int64_t> left_;
  std::atomic<bool> spent_{false};
};

}  // namespace gfx
