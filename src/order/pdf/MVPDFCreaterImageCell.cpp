#include "order/pdf/MVPDFCreaterImageCell.hpp"

#include "platform/gfx/Context.hpp"

namespace mv {

void MVPDFCreaterImageCell::drawInRect(const base::Rect& rect) {
  gfx::Context* ctx = gfx::Context::current();
  if (!ctx || !image_) return;
  ctx->drawImage(*image_, rect);
}

}  // namespace mv
