#include "platform/ui/TextMetrics.hpp"

#include <vector>

#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/TextRange.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

double textWidth(std::string_view text, const gfx::Font& font) {
  return text.empty() ? 0 : gfx::TextMeasurer::current().widthOf(text, font);
}

std::size_t offsetNearestX(std::string_view line, const gfx::Font& font, double originX, double x) {
  std::vector<std::size_t> stops{0};
  for (std::size_t i = 0; i < line.size(); i = stops.back()) stops.push_back(nextCodePoint(line, i));
  // Places only grow along the line: the first stop at or past the point,
  // then the nearer of it and the one before.
  auto placeOf = [&](std::size_t k) { return originX + textWidth(line.substr(0, stops[k]), font); };
  std::size_t lo = 0, hi = stops.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (placeOf(mid) < x)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo > 0 && x - placeOf(lo - 1) < placeOf(lo) - x) --lo;
  return stops[lo];
}

bool beginsEditingOnPress(const View& input) {
  const Window* w = input.window();
  return w && !w->hasOnScreenKeyboard();
}

}  // namespace ui
