#include "order/pdf/MVPDFView.hpp"

namespace mv {

MVPDFView::MVPDFView(const ui::Rect& frame) : ui::View(frame) { setBackgroundColor(gfx::Color::clear()); }

void MVPDFView::setCellsArray(std::shared_ptr<const MVPDFPageList> pages) {
  cellsArray_ = std::move(pages);
  setNeedsDisplay();
}

void MVPDFView::drawRect(gfx::Context& ctx, const ui::Rect& /*rect*/) {
  if (!cellsArray_) return;
  gfx::Context::Scope scope(ctx);
  for (const auto& page : *cellsArray_) {
    for (const auto& cell : page) {
      const base::Rect& frame = cell->frameInContainer();
      if (frame.isEmpty()) continue;
      cell->drawInRect(frame);
    }
  }
}

}  // namespace mv
