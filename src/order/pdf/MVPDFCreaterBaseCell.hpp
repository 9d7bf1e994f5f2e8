#pragma once
// A cell of the PDF layout engine: a drawable rectangle that the client adds
// to a line and the engine places on a page.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/Geometry.hpp"

namespace mv {

class MVPDFCreaterBaseCell {
 public:
  MVPDFCreaterBaseCell() : MVPDFCreaterBaseCell(base::Rect{}) {}
  explicit MVPDFCreaterBaseCell(const base::Rect& frameInLine) : frameInLine_(frameInLine) {}
  virtual ~MVPDFCreaterBaseCell() = default;
  MVPDFCreaterBaseCell(const MVPDFCreaterBaseCell&) = delete;
  MVPDFCreaterBaseCell& operator=(const MVPDFCreaterBaseCell&) = delete;

  // Free for clients; the engine never reads it.
  std::int32_t cellType() const { return cellType_; }
  void setCellType(std::int32_t type) { cellType_ = type; }
  // The client's tag for finding the cell again.
  std::int64_t tagOfCell() const { return tagOfCell_; }
  void setTagOfCell(std::int64_t tag) { tagOfCell_ = tag; }
  // Relative to the line: x from the left margin, y from the line's top.
  const base::Rect& frameInLine() const { return frameInLine_; }
  void setFrameInLine(const base::Rect& frame) { frameInLine_ = frame; }
  // On the pages: x from the page's left edge, y running down through all
  // pages (page n starts at (n - 1) x page height); zero until placed.
  const base::Rect& frameInContainer() const { return frameInContainer_; }
  void setFrameInContainer(const base::Rect& frame) { frameInContainer_ = frame; }

  // Draws the cell into the current graphics context; the base cell draws
  // nothing.
  virtual void drawInRect(const base::Rect& /*rect*/) {}

 private:
  std::int32_t cellType_ = 0;
  std::int64_t tagOfCell_ = 0;
  base::Rect frameInLine_;
  base::Rect frameInContainer_;
};

using MVPDFCellPtr = std::shared_ptr<MVPDFCreaterBaseCell>;
using MVPDFCellList = std::vector<MVPDFCellPtr>;
// Entry n - 1 holds the cells placed on page n, in the order they were placed.
using MVPDFPageList = std::vector<MVPDFCellList>;

}  // namespace mv
