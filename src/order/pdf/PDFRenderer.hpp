#pragma once
// Drawing helpers for writing an order document by hand into the current
// graphics context (the order form itself is made by the layout engine).
#include <filesystem>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

class PDFRenderer {
 public:
  // "Order.pdf" in the Documents folder of the data root.
  static std::filesystem::path PDFFilePath();
  // The label's text in the rectangle, with its font, colour, line-break mode
  // and alignment; nothing without a current context.
  static void drawLabel(const ui::Label& label, const base::Rect& rect);
  // The image stretched into the rectangle; nothing without a current context.
  static void drawImage(const gfx::Image& image, const base::Rect& rect);
};

}  // namespace mv
