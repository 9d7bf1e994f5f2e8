#include "order/pdf/PDFRenderer.hpp"

#include "platform/base/Paths.hpp"
#include "platform/gfx/Context.hpp"

namespace mv {

std::filesystem::path PDFRenderer::PDFFilePath() { return base::Paths::documents() / "Order.pdf"; }

void PDFRenderer::drawLabel(const ui::Label& label, const base::Rect& rect) {
  gfx::Context* ctx = gfx::Context::current();
  if (!ctx) return;
  ctx->setFillColor(label.textColor());
  ctx->drawText(label.text(), rect, label.font(), label.textColor(), label.lineBreakMode(), label.textAlignment());
}

void PDFRenderer::drawImage(const gfx::Image& image, const base::Rect& rect) {
  gfx::Context* ctx = gfx::Context::current();
  if (!ctx) return;
  ctx->drawImage(image, rect);
}

}  // namespace mv
