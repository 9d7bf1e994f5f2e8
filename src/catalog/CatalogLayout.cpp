#include "catalog/CatalogLayout.hpp"

#include <algorithm>

#include "util/FitCGRect.hpp"

namespace mv {

CatalogLayout::Frames CatalogLayout::framesFor(State state, bool normalPanel, double barHeight) {
  const FitCGRect& fit = FitCGRect::sharedInstance();
  Frames f;
  f.compare = fit.fitCGRectBy(931, 25, 34, 34);
  f.favorites = fit.fitCGRectBy(975, 25, 34, 34);
  switch (state) {
    case State::PanelShown:
      f.panelX = 0;
      f.barBackground = {kPanelWidth, 0, kScreenWidth, barHeight};
      f.title = fit.fitCGRectBy(524, 27, 220, 30);
      f.menu = fit.fitCGRectBy(260, 25, 34, 34);
      f.menuImage = "icon-menu.png";
      f.search = fit.fitCGRectBy(300, 23, 220, 34);
      f.sort = fit.fitCGRectBy(kSortFrame.x(), kSortFrame.y(), kSortFrame.width(), kSortFrame.height());
      f.grid = normalPanel ? base::Rect{kGridLeft, 0, kGridWidth, 648} : base::Rect{0, 0, kScreenWidth, 648};
      f.gridCardsLeft = shownGridCardsLeft(normalPanel);
      break;
    case State::PanelHidden:
      f.panelX = -kPanelWidth;
      f.barBackground = {0, 0, kScreenWidth, barHeight};
      f.title = fit.fitCGRectBy(282, 27, 460, 30);
      f.menu = fit.fitCGRectBy(15, 25, 34, 34);
      f.menuImage = "icon-menu-split.png";
      f.search = fit.fitCGRectBy(55, 23, 220, 34);
      f.sort = fit.fitCGRectBy(kSortFrame.x(), kSortFrame.y(), kSortFrame.width(), kSortFrame.height());
      f.grid = base::Rect{0, 0, kScreenWidth, 648};
      break;
    case State::ProductOpen:
      f.panelX = -kPanelWidth;
      f.barBackground = {0, 0, kScreenWidth, barHeight};
      f.title = fit.fitCGRectBy(112, 27, kProductTitleWidth, 30);
      f.back = fit.fitCGRectBy(8, 25, 60, 34);
      break;
  }
  return f;
}

double CatalogLayout::titleX(double textWidth, bool showing) {
  return showing ? (kScreenWidth - textWidth) / 2 : kGridLeft + (kGridWidth - textWidth) / 2;
}

std::optional<double> CatalogLayout::keptRowOffset(long index, bool showing, double offset, double contentHeight,
                                                   double visibleHeight) {
  const long oldRow = showing ? index / 5 : index / 4;
  const long newRow = showing ? index / 4 : index / 5;
  const double y = offset - static_cast<double>(oldRow - newRow) * kRowHeight;
  if (y <= 0) return std::nullopt;
  return std::max(0.0, std::min(y, contentHeight - visibleHeight));
}

}  // namespace mv
