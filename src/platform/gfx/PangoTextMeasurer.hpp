#pragma once
#include <pango/pango.h>

#include "platform/gfx/TextMeasurer.hpp"

namespace gfx {

// Measures with pango over the installed fonts at 72 units per inch, so a
// point is one unit of user space, with hinting off so widths do not depend on
// the output device.
class PangoTextMeasurer : public TextMeasurer {
 public:
  double lineHeight(const Font& font) override;
  double ascender(const Font& font) override;
  double descender(const Font& font) override;
  double widthOf(std::string_view text, const Font& font) override;
  std::vector<std::string> wrap(std::string_view text, const Font& font, double width, LineBreakMode mode) override;
  // One layout gives the lines and, for a line that ends the text or a
  // paragraph without trailing blanks, its width; a line the wrapping ended
  // is measured on its own, as the text it draws.
  std::vector<TextLayout::Line> wrapMeasured(std::string_view text, const Font& font, double width,
                                             LineBreakMode mode) override;

  // A new font description for the font (caller frees it).
  static PangoFontDescription* describe(const Font& font);
  // The line of a one-line text this thread measured lately in the font, as
  // shaped in the measuring context (valid until the thread measures again),
  // or nothing.
  static PangoLayoutLine* shapedLine(std::string_view text, const Font& font);
  // This thread's measuring context (owned by the thread).
  static PangoContext* context();
  // This thread's font map (72 units per inch).
  static PangoFontMap* fontMap();
};

}  // namespace gfx
