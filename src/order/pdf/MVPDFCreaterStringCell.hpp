#pragma once
#include <memory>
#include <optional>
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
  void setText(std::string text) {
    text_ = std::move(text);
    measured_.reset();
  }
  const gfx::Font& textFont() const { return textFont_; }
  void setTextFont(const gfx::Font& font) {
    textFont_ = font;
    measured_.reset();
  }
  const gfx::Color& textColor() const { return textColor_; }
  void setTextColor(const gfx::Color& color) { textColor_ = color; }
  gfx::TextAlignment textAlignment() const { return textAlignment_; }
  void setTextAlignment(gfx::TextAlignment alignment) { textAlignment_ = alignment; }
  bool centerInVertical() const { return centerInVertical_; }
  void setCenterInVertical(bool center) { centerInVertical_ = center; }

  // The lines of the whole text wrapped at `width`, as tall as it needs, as
  // whoever laid the cell out measured them with the current measurer: a
  // drawing in a box of that width that holds them all uses them as they are.
  void setMeasuredLayout(gfx::TextLayout layout, double width);

  void drawInRect(const base::Rect& rect) override;

 private:
  // The lines last measured: for the box they fit (a height below zero: the
  // whole text, however tall) with the measurer that measured them.
  struct Measured {
    base::Size box;
    std::weak_ptr<gfx::TextMeasurer> measurer;
    gfx::TextLayout layout;
  };
  // The lines the text shows in the box, measured once per box (the preview
  // and the document draw the same cells again and again).
  gfx::TextLayout& layoutFor(base::Size box);

  std::string text_;
  gfx::Font textFont_;
  gfx::Color textColor_;
  gfx::TextAlignment textAlignment_ = gfx::TextAlignment::Left;
  bool centerInVertical_ = true;
  std::optional<Measured> measured_;
};

}  // namespace mv
