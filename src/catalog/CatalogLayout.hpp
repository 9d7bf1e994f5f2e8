#pragma once
// Where the catalogue screen's parts stand in each of its three states, and
// the arithmetic of moving the left panel in and out, without views.
#include <optional>
#include <string>

#include "platform/base/Geometry.hpp"

namespace mv {

class CatalogLayout {
 public:
  enum class State { PanelShown, PanelHidden, ProductOpen };

  static constexpr double kPanelWidth = 244;
  static constexpr double kPanelHeight = 712;
  static constexpr double kScreenWidth = 1024;
  static constexpr double kGridLeft = 250;
  static constexpr double kGridWidth = 774;
  static constexpr double kRowHeight = 212;
  inline static const base::Rect kDetailFrame{0, 64, 1024, 648};
  // The title's width while a product is open.
  static constexpr double kProductTitleWidth = 800;
  // The sort button, wide enough for the longest ordering ("Recommended")
  // beside its arrow; it ends where it always did, left of compare.
  inline static const base::Rect kSortFrame{766, 25, 150, 34};

  struct Frames {
    double panelX = 0;
    base::Rect barBackground;
    base::Rect title;
    // Absent: hidden.
    std::optional<base::Rect> menu;
    std::string menuImage;
    std::optional<base::Rect> search;
    std::optional<base::Rect> sort;
    base::Rect compare;
    base::Rect favorites;
    std::optional<base::Rect> back;
    // Absent: left as it is.
    std::optional<base::Rect> grid;
    // Where the cards start inside the grid: a full-width grid under the
    // shown panel keeps its cards beside the panel, none hidden under it.
    double gridCardsLeft = 0;
  };

  // The frames of a state; `normalPanel` is the left panel type "normal",
  // which sets the grid beside the shown panel instead of under it.
  static Frames framesFor(State state, bool normalPanel, double barHeight);
  // The cards' left inset of the grid while the panel is shown.
  static double shownGridCardsLeft(bool normalPanel) { return normalPanel ? 0 : kGridLeft; }

  // The title's x while the panel moves, so that its text starts where it
  // was drawn before: centred across the screen when the panel is coming in,
  // centred beside the panel when it is going out.
  static double titleX(double textWidth, bool showing);

  // The grid's new vertical offset that keeps the row of item `index` in its
  // place on screen when the columns change (5 while the panel is hidden, 4
  // while it is shown); nothing when the offset is to stay.
  static std::optional<double> keptRowOffset(long index, bool showing, double offset, double contentHeight,
                                             double visibleHeight);
};

}  // namespace mv
