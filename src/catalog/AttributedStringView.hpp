#pragma once
// Draws a text made of runs in their own fonts and colours, wrapped to the
// view's width, top down. The runs of a product description meet only at
// line breaks, so each paragraph takes the look of the run it starts in.
#include <string>
#include <vector>

#include "platform/gfx/Color.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/ui/View.hpp"

namespace mv {

struct TextRun {
  std::string text;
  gfx::Font font;
  gfx::Color color;
};
using AttributedText = std::vector<TextRun>;

class AttributedStringView : public ui::View {
 public:
  // One wrapped line of the text, its top at `y`.
  struct Line {
    std::string text;
    gfx::Font font;
    gfx::Color color;
    double y = 0;
    double height = 0;
  };

  AttributedStringView(const ui::Rect& frame, AttributedText text);

  const AttributedText& attributedString() const { return text_; }
  // The text wrapped to `width`, and the size it needs there (the widest
  // line and the total height, whole points).
  static std::vector<Line> layout(const AttributedText& text, double width);
  static ui::Size suggestedSize(const AttributedText& text, double width);
  // All the runs' texts joined.
  static std::string plainText(const AttributedText& text);

  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;

 private:
  AttributedText text_;
};

}  // namespace mv
