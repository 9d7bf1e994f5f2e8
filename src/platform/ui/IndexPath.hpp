#pragma once
#include <compare>
#include <ostream>

namespace ui {

// A row in a section of a table, ordered by section, then row.
struct IndexPath {
  long section = 0;
  long row = 0;

  static IndexPath forRow(long row, long section) { return IndexPath{section, row}; }
  friend bool operator==(const IndexPath&, const IndexPath&) = default;
  friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

inline std::ostream& operator<<(std::ostream& o, const IndexPath& p) {
  return o << "[" << p.section << ", " << p.row << "]";
}

}  // namespace ui
