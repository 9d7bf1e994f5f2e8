#pragma once
// The arithmetic of the multi-column table without its views: the flat list
// of rows (section header rows and regular rows) that its inner tables show,
// where each column starts, the column under a point, the rows a fold adds
// or takes away, and where the column highlight stands.
#include <cstddef>
#include <functional>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/ui/IndexPath.hpp"

namespace mv {

class MultiColumnTableLayout {
 public:
  // One entry of the flat row list: a section header row (`row` is kNoRow)
  // or a regular row of a section.
  struct Entry {
    static constexpr long kNoRow = -1;
    long section = 0;
    long row = kNoRow;
    bool isSectionHeader() const { return row == kNoRow; }
    bool operator==(const Entry&) const = default;
  };

  // Section by section: its header row when headers are on, then its rows
  // unless headers are on and the section is folded.
  static std::vector<Entry> rowList(long sections, const std::function<long(long)>& rowsInSection,
                                    bool sectionHeaders, const std::vector<bool>& folded);

  // Column c's x: the widths and separators before it.
  static double columnX(const std::vector<double>& widths, double separator, std::size_t column);
  // All columns with the separators between them.
  static double contentWidth(const std::vector<double>& widths, double separator);
  // The first column whose running width (separators not counted) passes
  // `x`; -1 beyond the last column (and for a negative x, column 0).
  static long columnAtPoint(const std::vector<double>& widths, double x);
  // The rows a fold of `rows` rows under the header row `headerRow` adds or removes.
  static std::vector<ui::IndexPath> foldIndexPaths(long headerRow, long rows);
  // The highlight over column `selected` of a table `height` high.
  static base::Rect highlightFrame(double leftHeaderWidth, double scrollOffsetX, double boldSeparator,
                                   const std::vector<double>& widths, double normalSeparator, long selected,
                                   double height);
  // The folding list for `sections` sections: kept entries stay, new ones
  // take the default.
  static void resizeFolding(std::vector<bool>& folded, long sections, bool foldedByDefault);
};

}  // namespace mv
