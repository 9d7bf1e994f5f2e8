#include "order/pdf/MVPDFCreaterRuleCell.hpp"

#include "platform/gfx/Context.hpp"

namespace mv {

void MVPDFCreaterRuleCell::drawInRect(const base::Rect& rect) {
  gfx::Context* ctx = gfx::Context::current();
  if (!ctx || rules_.empty()) return;
  ctx->save();
  ctx->setFillColor(color_);
  ctx->beginPath();
  for (const auto& r : rules_) ctx->addRect(r.offset(rect.x(), rect.y()));
  ctx->fillPath();
  ctx->restore();
}

}  // namespace mv
