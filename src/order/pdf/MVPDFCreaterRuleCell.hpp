#pragma once
#include <vector>

#include "order/pdf/MVPDFCreaterBaseCell.hpp"
#include "platform/gfx/Color.hpp"

namespace mv {

// Solid rules: rectangles filled in one colour, given relative to the cell's
// rectangle. The rules of a row are one cell, drawn as one shape, where a cell
// per rule would make a drawing operation (and a picture in a PDF) of each.
class MVPDFCreaterRuleCell : public MVPDFCreaterBaseCell {
 public:
  MVPDFCreaterRuleCell(const base::Rect& frameInLine, std::vector<base::Rect> rules,
                       gfx::Color color = gfx::Color::black())
      : MVPDFCreaterBaseCell(frameInLine), rules_(std::move(rules)), color_(color) {}

  const std::vector<base::Rect>& rules() const { return rules_; }
  const gfx::Color& color() const { return color_; }

  void drawInRect(const base::Rect& rect) override;

 private:
  std::vector<base::Rect> rules_;
  gfx::Color color_;
};

}  // namespace mv
