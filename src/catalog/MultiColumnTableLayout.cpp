#include "catalog/MultiColumnTableLayout.hpp"

namespace mv {

std::vector<MultiColumnTableLayout::Entry> MultiColumnTableLayout::rowList(
    long sections, const std::function<long(long)>& rowsInSection, bool sectionHeaders,
    const std::vector<bool>& folded) {
  std::vector<Entry> list;
  for (long s = 0; s < sections; ++s) {
    if (sectionHeaders) list.push_back({s, Entry::kNoRow});
    const bool isFolded = sectionHeaders && static_cast<std::size_t>(s) < folded.size() && folded[static_cast<std::size_t>(s)];
    if (isFolded) continue;
    const long rows = rowsInSection(s);
    for (long r = 0; r < rows; ++r) list.push_back({s, r});
  }
  return list;
}

double MultiColumnTableLayout::columnX(const std::vector<double>& widths, double separator, std::size_t column) {
  double x = 0;
  for (std::size_t j = 0; j < column && j < widths.size(); ++j) x += widths[j] + separator;
  return x;
}

double MultiColumnTableLayout::contentWidth(const std::vector<double>& widths, double separator) {
  if (widths.empty()) return 0;
  return columnX(widths, separator, widths.size()) - separator;
}

long MultiColumnTableLayout::columnAtPoint(const std::vector<double>& widths, double x) {
  double sum = 0;
  for (std::size_t c = 0; c < widths.size(); ++c) {
    sum += widths[c];
    if (sum > x) return static_cast<long>(c);
  }
  return -1;
}

std::vector<ui::IndexPath> MultiColumnTableLayout::foldIndexPaths(long headerRow, long rows) {
  std::vector<ui::IndexPath> paths;
  for (long i = 1; i <= rows; ++i) paths.push_back({0, headerRow + i});
  return paths;
}

base::Rect MultiColumnTableLayout::highlightFrame(double leftHeaderWidth, double scrollOffsetX, double boldSeparator,
                                                  const std::vector<double>& widths, double normalSeparator,
                                                  long selected, double height) {
  if (selected < 0 || static_cast<std::size_t>(selected) >= widths.size()) return {};
  const double x = leftHeaderWidth - scrollOffsetX + boldSeparator +
                   columnX(widths, normalSeparator, static_cast<std::size_t>(selected));
  return {x, 1.0, widths[static_cast<std::size_t>(selected)], height - 2.0};
}

void MultiColumnTableLayout::resizeFolding(std::vector<bool>& folded, long sections, bool foldedByDefault) {
  folded.resize(static_cast<std::size_t>(sections < 0 ? 0 : sections), foldedByDefault);
}

}  // namespace mv
