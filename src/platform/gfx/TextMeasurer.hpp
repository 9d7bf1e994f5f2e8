#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Font.hpp"

namespace gfx {

// How text that does not fit its width is broken or shortened.
enum class LineBreakMode { WordWrap = 0, CharacterWrap = 1, Clip = 2, HeadTruncation = 3, TailTruncation = 4, MiddleTruncation = 5 };
enum class TextAlignment { Left = 0, Center = 1, Right = 2, Justified = 3, Natural = 4 };

// A measurer's own shaping of a text's lines (see PangoTextMeasurer).
class ShapedText;

// Text broken into the lines it is drawn in.
struct TextLayout {
  struct Line {
    std::string text;
    double width = 0;
  };
  std::vector<Line> lines;
  double lineHeight = 0;
  double ascender = 0;
  // Widest line and all lines' height, rounded up to whole points.
  base::Size size;
  // The lines as the measurer shaped them, where it keeps that: drawing uses
  // a line's shaping instead of shaping its text again while the line still
  // shows the text it was shaped for.
  std::shared_ptr<const ShapedText> shaped;
};

// Measures text for layout. The pango implementation measures with the
// installed fonts; the fixed implementation gives every character the same
// advance so layout arithmetic can be checked exactly in tests.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;

  virtual double lineHeight(const Font& font) = 0;
  virtual double ascender(const Font& font) = 0;
  virtual double descender(const Font& font) = 0;
  // Width of the text on one line, line breaks included as ordinary glyphs.
  virtual double widthOf(std::string_view text, const Font& font) = 0;
  // The text broken at hard line breaks and wrapped to `width` (<= 0: no
  // wrapping). Each line's text excludes its break character.
  virtual std::vector<std::string> wrap(std::string_view text, const Font& font, double width,
                                        LineBreakMode mode) = 0;
  // The lines of `wrap`, each with its width (trailing blanks not counted),
  // and the measurer's shaping of them where it keeps it for drawing.
  struct WrappedLines {
    std::vector<TextLayout::Line> lines;
    std::shared_ptr<const ShapedText> shaped;
  };
  // A measurer that lays the text out once for both may answer it at once.
  virtual WrappedLines wrapMeasured(std::string_view text, const Font& font, double width, LineBreakMode mode);

  // Lines for drawing or measuring: wrapped to `width`, at most `maxLines`
  // (0: any), the last line shortened by the mode when text was left over or
  // when a single line does not fit.
  TextLayout layout(std::string_view text, const Font& font, double width, LineBreakMode mode, int maxLines);
  // The lines the text shows in a box: wrapped to the box's width, as many
  // whole lines as fit its height but never fewer than one (a height <= 0
  // bounds nothing), and at most `maxLines` (0: any). Measuring and drawing
  // text in a box both go through this, so what was measured is what is drawn.
  TextLayout layoutInSize(std::string_view text, const Font& font, base::Size box, LineBreakMode mode,
                          int maxLines = 0);
  // One line shortened with an ellipsis per the mode to fit `width`.
  std::string truncate(std::string_view text, const Font& font, double width, LineBreakMode mode);

  static TextMeasurer& current();
  static std::shared_ptr<TextMeasurer> currentPtr();
  // Installs a measurer (nullptr restores the pango one).
  static void setCurrent(std::shared_ptr<TextMeasurer> measurer);
  static std::shared_ptr<TextMeasurer> pango();
  // Every character advances `advanceFactor` x point size; lines are 1.25 x
  // point size high with the ascender at the point size.
  static std::shared_ptr<TextMeasurer> fixed(double advanceFactor = 0.5);
};

// Installs a measurer for one scope and restores the previous one.
class ScopedTextMeasurer {
 public:
  explicit ScopedTextMeasurer(std::shared_ptr<TextMeasurer> m) : saved_(TextMeasurer::currentPtr()) {
    TextMeasurer::setCurrent(std::move(m));
  }
  ~ScopedTextMeasurer() { TextMeasurer::setCurrent(saved_); }
  ScopedTextMeasurer(const ScopedTextMeasurer&) = delete;
  ScopedTextMeasurer& operator=(const ScopedTextMeasurer&) = delete;

 private:
  std::shared_ptr<TextMeasurer> saved_;
};

// How many whole lines of `lineHeight` fit in `height`, never fewer than one;
// a height too tall to count (an "as tall as needed" bound) limits nothing.
int linesFitting(double height, double lineHeight);

// The size of the text on one line.
base::Size sizeWithFont(std::string_view text, const Font& font);
// The size of the text wrapped to the constrained width; only whole lines
// that fit the constrained height count, but never fewer than one.
base::Size sizeWithFont(std::string_view text, const Font& font, base::Size constrained, LineBreakMode mode);
// One line no wider than `width`.
base::Size sizeWithFont(std::string_view text, const Font& font, double width, LineBreakMode mode);
// The largest size between `minFontSize` and the font's own size at which the
// text fits `width` on one line (`minFontSize` when even that is too wide).
double fitFontSize(std::string_view text, const Font& font, double minFontSize, double width);

// The widest of the text's words (parted by blanks and line breaks), with
// its width in `font`.
struct WidestWord {
  std::string_view word;
  double width = 0;
};
WidestWord widestWord(std::string_view text, const Font& font);

// UTF-8 helpers for text shortening.
std::size_t utf8Length(std::string_view text);
std::string_view utf8Prefix(std::string_view text, std::size_t codePoints);
std::string_view utf8Suffix(std::string_view text, std::size_t codePoints);

}  // namespace gfx
