#include "library/reader/ReaderPagebarThumb.hpp"

namespace mv {

ReaderPagebarThumb::ReaderPagebarThumb(const ui::Rect& frame, bool small) : ReaderThumbView(frame) {
  const gfx::Color back = gfx::Color::rgb(0.8, 0.8, 0.8, small ? 0.6 : 0.7);
  setBackgroundColor(back);
  imageView()->setBackgroundColor(back);
  imageView()->layer().setBorderColor(gfx::Color::rgb(0.4, 0.4, 0.4, 0.6));
  imageView()->layer().setBorderWidth(1);
}

ReaderPagebarShadow::ReaderPagebarShadow(const ui::Rect& frame) : ui::View(frame) {
  setUserInteractionEnabled(false);
  setAutoresizingMask(ui::FlexibleWidth);
  setBackgroundColor(gfx::Color::clear());
}

void ReaderPagebarShadow::drawRect(gfx::Context& ctx, const ui::Rect& /*rect*/) {
  gfx::Gradient g{{{0, gfx::Color::rgb(0.42, 0.42, 0.42, 0)}, {1, gfx::Color::rgb(0.42, 0.42, 0.42, 1)}}};
  ui::Rect b = bounds();
  ctx.drawLinearGradient(g, {b.midX(), b.minY()}, {b.midX(), b.maxY()}, 0);
}

}  // namespace mv
