#pragma once
#include <pango/pango.h>

#include <cstddef>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/gfx/TextMeasurer.hpp"

namespace gfx {

// A text's lines as the pango measurer shaped them, kept with the lines it
// measured so drawing does not shape them again. Pango's objects belong to
// the thread that made them: only that thread draws from them.
class ShapedText {
 public:
  explicit ShapedText(const Font& font) : font_(font) {}
  ShapedText(const ShapedText&) = delete;
  ShapedText& operator=(const ShapedText&) = delete;

  // The shaped line that draws the `index`-th line, when that line shows
  // `text` in `font` and the caller is the thread that shaped it; else
  // nothing.
  [[nodiscard]] PangoLayoutLine* line(std::size_t index, std::string_view text, const Font& font) const;

 private:
  friend class PangoTextMeasurer;
  struct Unref {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
  };
  struct Line {
    std::string_view text;  // within the layout that shaped it
    PangoLayoutLine* line = nullptr;
  };

  Font font_;
  std::thread::id thread_ = std::this_thread::get_id();
  std::vector<std::unique_ptr<PangoLayout, Unref>> layouts_;
  std::vector<Line> lines_;
};

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
  // is measured on its own, as the text it draws. The shaping of every line
  // that draws as the line alone would comes along for drawing.
  WrappedLines wrapMeasured(std::string_view text, const Font& font, double width, LineBreakMode mode) override;

  // A new font description for the font (caller frees it).
  static PangoFontDescription* describe(const Font& font);
  // This thread's measuring context (owned by the thread).
  static PangoContext* context();
  // This thread's font map (72 units per inch).
  static PangoFontMap* fontMap();
};

}  // namespace gfx
