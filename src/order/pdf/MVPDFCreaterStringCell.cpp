#include "order/pdf/MVPDFCreaterStringCell.hpp"

#include "platform/gfx/Context.hpp"

namespace mv {

void MVPDFCreaterStringCell::setMeasuredLayout(gfx::TextLayout layout, double width) {
  measured_ = Measured{{width, -1}, gfx::TextMeasurer::currentPtr(), std::move(layout)};
}

gfx::TextLayout& MVPDFCreaterStringCell::layoutFor(base::Size box) {
  auto measurer = gfx::TextMeasurer::currentPtr();
  if (measured_ && measured_->measurer.lock() == measurer && measured_->box.width == box.width) {
    const double height = measured_->box.height;
    // The whole text's lines are the box's when they all fit it.
    if (height == box.height || (height < 0 && measured_->layout.size.height <= box.height)) return measured_->layout;
  }
  measured_ = Measured{box, measurer, measurer->layoutInSize(text_, textFont_, box, gfx::LineBreakMode::WordWrap)};
  return measured_->layout;
}

void MVPDFCreaterStringCell::drawInRect(const base::Rect& rect) {
  gfx::Context* ctx = gfx::Context::current();
  // Nothing of the text fits an empty rectangle.
  if (!ctx || rect.isEmpty() || text_.empty()) return;
  ctx->setFillColor(textColor_);
  // One layout for measuring and drawing: the lines that fit the rectangle.
  gfx::TextLayout& layout = layoutFor(rect.size);
  base::Point origin = rect.origin;
  if (centerInVertical_) origin.y += static_cast<float>((rect.height() - layout.size.height) * 0.5);
  // Lines that all fit the rectangle need no clip (the clip of every cell
  // was a good part of a document's drawing operations).
  const bool fits = layout.size.width <= rect.width() && layout.size.height <= rect.height();
  if (!fits) {
    ctx->save();
    ctx->clipToRect(rect);
  }
  ctx->drawTextLayout(layout, origin, rect.width(), textFont_, textColor_, textAlignment_);
  if (!fits) ctx->restore();
  // The measuring's shaping serves the one drawing into the document; kept,
  // every cell would hold its text's layouts for as long as it lives.
  layout.shaped.reset();
}

}  // namespace mv
