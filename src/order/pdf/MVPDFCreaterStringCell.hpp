#pragma once
#include <string>

#include "order/pdf/MVPDFCreaterBaseCell.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/gfx/TextMeasurer.hpp"

namespace mv {

// A text cell: the text word-wrapped in its rectangle with an alignment,
// centred vertically unless told otherwise; what does not fit is cut off. A
// cell made without font or colour draws in the 12-point system font, black.
class MVPDFCreaterStringCell : public MVPDFCreaterBaseCell {
 public:
  MVPDFCreaterStringCell() : MVPDFCreaterStringCell(base::Rect{}) {}
  explicit MVPDFCreaterStringCell(const base::Rect& frameInLine)
      : MVPDFCreaterStringCell(frameInLine, {}, gfx::Font::systemFont(12), gfx::Color::black(),
                               gfx::TextAlignment::Left) {}
  MVPDFCreaterStringCell(const base::Rect& frameInLine, std::string text, const gfx::Font& font,
                         const gfx::Color& color, gfx::TextAlignment alignment)
      : MVPDFCreaterBaseCell(frameInLine),
        text_(std::move(text)),
        textFont_(font),
        textColor_(color),
        textAlignment_(alignment) {}

  const std::string& text() const { return text_; }
  void setText(std::string text) { text_ = std::move(text); }
  const gfx::Font& textFont() const { return textFont_; }
  void setTextFont(const gfx::Font& font) { textFont_ = font; }
  const gfx::Color& textColor() const { return textColor_; }
  void setTextColor(const gfx::Color& color) { textColor_ = color; }
  gfx::TextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(gfx::TextAlignment alignment) { textAlignment_ = alignment; }
  bool centerInVertical() const { return centerInVertical_; }
  void setCenterInVertical(bool center) { centerInVertical_ = center; }

  void drawInRect(const base::Rect& rect) override;

 private:
  std::string text_;
  gfx::Font textFont_;
  gfx::Color textColor_;
  gfx::TextAlignment textAlignment_ = gfx::TextAlignment::Left;
  bool centerInVertical_ = true;
};

}  // namespace mv
