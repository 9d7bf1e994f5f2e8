#pragma once
// A page bar thumbnail: small (22 x 28) along the track, large (32 x 42) for
// the current page.
#include "library/reader/ReaderThumbView.hpp"

namespace mv {

class ReaderPagebarThumb : public ReaderThumbView {
 public:
  ReaderPagebarThumb(const ui::Rect& frame, bool small);
  static constexpr ui::Size kSmallSize{22, 28};
  static constexpr ui::Size kLargeSize{32, 42};
};

// The soft shade just above the page bar.
class ReaderPagebarShadow : public ui::View {
 public:
  explicit ReaderPagebarShadow(const ui::Rect& frame);
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
};

}  // namespace mv
