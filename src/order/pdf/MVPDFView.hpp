#pragma once
#include <memory>

#include "order/pdf/MVPDFCreaterBaseCell.hpp"
#include "platform/ui/View.hpp"

namespace mv {

// The on-screen preview of a laid-out document: every page one under the
// other with no gap, each cell drawn at its place on the pages. Transparent
// where no cell draws. Made by `MVPDFCreater::generatePDFToView`.
class MVPDFView : public ui::View {
 public:
  explicit MVPDFView(const ui::Rect& frame = {});

  // The engine's own page list, shared: a later change to the layout shows at
  // the next redraw.
  const std::shared_ptr<const MVPDFPageList>& cellsArray() const { return cellsArray_; }
  void setCellsArray(std::shared_ptr<const MVPDFPageList> pages);

  // Draws every cell with a non-empty rectangle, in stored order, whatever
  // part needs drawing.
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;

 private:
  std::shared_ptr<const MVPDFPageList> cellsArray_;
};

}  // namespace mv
