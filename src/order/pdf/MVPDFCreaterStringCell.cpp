#include "order/pdf/MVPDFCreaterStringCell.hpp"

#include "platform/gfx/Context.hpp"

namespace mv {

void MVPDFCreaterStringCell::drawInRect(const base::Rect& rect) {
  gfx::Context* ctx = gfx::Context::current();
  // Nothing of the text fits an empty rectangle.
  if (!ctx || rect.isEmpty() || text_.empty()) return;
  ctx->setFillColor(textColor_);
  // One layout for measuring and drawing: the lines that fit the rectangle.
  gfx::TextLayout layout =
      gfx::TextMeasurer::current().layoutInSize(text_, textFont_, rect.size, gfx::LineBreakMode::WordWrap);
  base::Point origin = rect.origin;
  if (centerInVertical_) origin.y += static_cast<float>((rect.height() - layout.size.height) * 0.5);
  ctx->save();
  ctx->clipToRect(rect);
  ctx->drawTextLayout(layout, origin, rect.width(), textFont_, textColor_, textAlignment_);
  ctx->restore();
}

}  // namespace mv
