#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Font.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/View.hpp"

namespace ui {

// Read-only text: one or more lines in a font and colour, aligned, broken or
// truncated by a line-break mode, optionally shrunk to fit its width (one
// line) or its bounds (several), with an optional shadow. Vertically centred in its bounds.
class Label : public View {
 public:
  explicit Label(const Rect& frame = {});

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const gfx::Font& font() const { return font_; }
  void setFont(const gfx::Font& font);
  const gfx::Color& textColor() const { return textColor_; }
  void setTextColor(const gfx::Color& c);
  const std::optional<gfx::Color>& highlightedTextColor() const { return highlightedTextColor_; }
  void setHighlightedTextColor(std::optional<gfx::Color> c);
  gfx::TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(gfx::TextAlignment a);
  // 0 means as many lines as fit.
  int numberOfLines() const { return lines_; }
  void setNumberOfLines(int n);
  gfx::LineBreakMode lineBreakMode() const { return breakMode_; }
  void setLineBreakMode(gfx::LineBreakMode m);
  bool adjustsFontSizeToFitWidth() const { return adjusts_; }
  void setAdjustsFontSizeToFitWidth(bool on);
  double minimumFontSize() const { return minimumFontSize_; }
  void setMinimumFontSize(double s);
  double minimumScaleFactor() const { return minimumScale_; }
  void setMinimumScaleFactor(double f);
  const std::optional<gfx::Color>& shadowColor() const { return shadowColor_; }
  void setShadowColor(std::optional<gfx::Color> c);
  Size shadowOffset() const { return shadowOffset_; }
  void setShadowOffset(Size s);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool on);
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool on);
  // Strike-through: a line through the middle of the drawn text.
  bool isStrikeThrough() const { return strike_; }
  void setStrikeThrough(bool on);

  // The font size the text draws at after shrinking to fit: on one line, to
  // the width; on several, to the lines the bounds hold without breaking a word.
  double actualFontSize() const;
  // The lines drawn in the bounds, as shortened by the line-break mode.
  std::vector<std::string> shownLines() const;
  // Where the text goes within `bounds`, sized to it, for at most `lines` lines (0: any).
  virtual Rect textRectForBounds(const Rect& bounds, int lines) const;
  virtual void drawTextInRect(gfx::Context& ctx, const Rect& rect);
  Size sizeThatFits(Size size) const override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 private:
  gfx::Font effectiveFont() const;
  gfx::TextLayout layoutInRect(const Rect& rect, const gfx::Font& font) const;
  std::string text_;
  gfx::Font font_ = gfx::Font::systemFont(17);
  gfx::Color textColor_ = gfx::Color::black();
  std::optional<gfx::Color> highlightedTextColor_;
  gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
  int lines_ = 1;
  gfx::LineBreakMode breakMode_ = gfx::LineBreakMode::TailTruncation;
  bool adjusts_ = false;
  double minimumFontSize_ = 0;
  double minimumScale_ = 0;
  std::optional<gfx::Color> shadowColor_;
  Size shadowOffset_{0, -1};
  bool enabled_ = true;
  bool highlighted_ = false;
  bool strike_ = false;
};

}  // namespace ui
