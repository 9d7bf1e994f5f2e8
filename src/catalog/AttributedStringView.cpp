#include "catalog/AttributedStringView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/gfx/TextMeasurer.hpp"

namespace mv {

AttributedStringView::AttributedStringView(const ui::Rect& frame, AttributedText text)
    : ui::View(frame), text_(std::move(text)) {
  setBackgroundColor(gfx::Color::white());
}

std::string AttributedStringView::plainText(const AttributedText& text) {
  std::string out;
  for (const auto& run : text) out += run.text;
  return out;
}

std::vector<AttributedStringView::Line> AttributedStringView::layout(const AttributedText& text, double width) {
  std::vector<Line> lines;
  auto& measurer = gfx::TextMeasurer::current();
  double y = 0;
  // The paragraph being gathered and the run it started in.
  std::string paragraph;
  const TextRun* look = nullptr;
  auto endParagraph = [&] {
    if (!look) return;
    const double h = measurer.lineHeight(look->font);
    auto wrapped = measurer.wrap(paragraph, look->font, width, gfx::LineBreakMode::WordWrap);
    if (wrapped.empty()) wrapped.emplace_back();
    for (auto& piece : wrapped) {
      lines.push_back({std::move(piece), look->font, look->color, y, h});
      y += h;
    }
    paragraph.clear();
    look = nullptr;
  };
  for (const auto& run : text) {
    std::size_t start = 0;
    while (start <= run.text.size()) {
      const std::size_t nl = run.text.find('\n', start);
      const std::size_t end = nl == std::string::npos ? run.text.size() : nl;
      if (end > start || nl != std::string::npos) {
        if (!look) look = &run;
        paragraph.append(run.text, start, end - start);
      }
      if (nl == std::string::npos) break;
      endParagraph();
      start = nl + 1;
    }
  }
  endParagraph();
  return lines;
}

ui::Size AttributedStringView::suggestedSize(const AttributedText& text, double width) {
  double w = 0;
  double h = 0;
  auto& measurer = gfx::TextMeasurer::current();
  for (const auto& line : layout(text, width)) {
    w = std::max(w, measurer.widthOf(line.text, line.font));
    h = line.y + line.height;
  }
  return {std::ceil(std::min(w, width)), std::ceil(h)};
}

void AttributedStringView::drawRect(gfx::Context& ctx, const ui::Rect&) {
  for (const auto& line : layout(text_, bounds().width())) {
    ctx.drawText(line.text, ui::Point{0, line.y}, line.font, line.color);
  }
}

}  // namespace mv
