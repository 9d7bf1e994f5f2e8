#include <gtest/gtest.h>

#include "catalog/CatalogLayout.hpp"
#include "catalog/CatalogNotifications.hpp"
#include "catalog/ProductBigCatalog.hpp"

namespace mv {
namespace {

using L = CatalogLayout;

TEST(CatalogLayoutTest, TheThreeStatesOfTheTopBar) {
  const auto shown = L::framesFor(L::State::PanelShown, true, 64);
  EXPECT_EQ(shown.panelX, 0);
  EXPECT_EQ(shown.barBackground, (base::Rect{244, 0, 1024, 64}));
  EXPECT_EQ(shown.title, (base::Rect{524, 27, 220, 30}));
  EXPECT_EQ(shown.menu, (base::Rect{260, 25, 34, 34}));
  EXPECT_EQ(shown.menuImage, "icon-menu.png");
  EXPECT_EQ(shown.search, (base::Rect{300, 23, 220, 34}));
  EXPECT_EQ(shown.sort, (base::Rect{766, 25, 150, 34}));
  EXPECT_LT(shown.title.maxX(), shown.sort->x());
  EXPECT_LT(shown.sort->maxX(), shown.compare.x());
  EXPECT_FALSE(shown.back);
  EXPECT_EQ(shown.grid, (base::Rect{250, 0, 774, 648}));
  EXPECT_EQ(L::framesFor(L::State::PanelShown, false, 64).grid, (base::Rect{0, 0, 1024, 648}));

  const auto hidden = L::framesFor(L::State::PanelHidden, true, 64);
  EXPECT_EQ(hidden.panelX, -244);
  EXPECT_EQ(hidden.barBackground, (base::Rect{0, 0, 1024, 64}));
  EXPECT_EQ(hidden.title, (base::Rect{282, 27, 460, 30}));
  EXPECT_EQ(hidden.menu, (base::Rect{15, 25, 34, 34}));
  EXPECT_EQ(hidden.menuImage, "icon-menu-split.png");
  EXPECT_EQ(hidden.search, (base::Rect{55, 23, 220, 34}));
  EXPECT_EQ(hidden.grid, (base::Rect{0, 0, 1024, 648}));

  const auto product = L::framesFor(L::State::ProductOpen, true, 64);
  EXPECT_EQ(product.panelX, -244);
  EXPECT_EQ(product.title, (base::Rect{112, 27, 800, 30}));
  EXPECT_FALSE(product.menu);
  EXPECT_FALSE(product.search);
  EXPECT_FALSE(product.sort);
  EXPECT_EQ(product.back, (base::Rect{8, 25, 60, 34}));
  EXPECT_FALSE(product.grid);
  for (const auto& f : {shown, hidden, product}) {
    EXPECT_EQ(f.compare, (base::Rect{931, 25, 34, 34}));
    EXPECT_EQ(f.favorites, (base::Rect{975, 25, 34, 34}));
  }
}

// The touched row stays in place: 4 columns while the panel shows, 5 while
// it is hidden, 212 points a row.
TEST(CatalogLayoutTest, PanelToggleKeepsTheTouchedRow) {
  // Hiding with item 13: row 3 of 4 columns becomes row 2 of 5.
  EXPECT_EQ(L::keptRowOffset(13, false, 500, 3000, 648), 288);
  EXPECT_FALSE(L::keptRowOffset(13, false, 212, 3000, 648));
  EXPECT_FALSE(L::keptRowOffset(13, false, 100, 3000, 648));
  // Showing with item 13: row 2 of 5 becomes row 3 of 4, clamped to the end.
  EXPECT_EQ(L::keptRowOffset(13, true, 500, 3000, 648), 712);
  EXPECT_EQ(L::keptRowOffset(13, true, 500, 1000, 648), 352);
  EXPECT_EQ(L::keptRowOffset(13, true, 500, 400, 648), 0);
  // The same row either way: nothing moves.
  EXPECT_EQ(L::keptRowOffset(2, true, 300, 3000, 648), 300);
  EXPECT_EQ(L::titleX(100, true), 462);
  EXPECT_EQ(L::titleX(100, false), 587);
}

TEST(CatalogLayoutTest, CountBadgeIsADotUpToTenPointsOfText) {
  EXPECT_EQ(ProductBigCatalog::countBackgroundWidth(0), 17);
  EXPECT_EQ(ProductBigCatalog::countBackgroundWidth(10), 17);
  EXPECT_EQ(ProductBigCatalog::countBackgroundWidth(10.5), 20.5);
  EXPECT_EQ(ProductBigCatalog::countBackgroundWidth(30), 40);
}

TEST(CatalogNotificationsTest, DeliversInOrderAndNotToObserversRemovedMeanwhile) {
  auto& center = CatalogNotificationCenter::defaultCenter();
  std::vector<std::string> heard;
  CatalogObservation second;
  CatalogObservation first = center.addObserver(CatalogNotifications::detailOnClickTagListener,
                                                [&](const std::string& tag) {
                                                  heard.push_back("first " + tag);
                                                  second.reset();
                                                });
  second = center.addObserver(CatalogNotifications::detailOnClickTagListener,
                              [&](const std::string& tag) { heard.push_back("second " + tag); });
  center.post(CatalogNotifications::detailOnClickTagListener, std::string("red"));
  EXPECT_EQ(heard, (std::vector<std::string>{"first red"}));
  EXPECT_EQ(center.observerCount("detailOnClickTagListener"), 1u);
  first.reset();
  center.post(CatalogNotifications::detailOnClickTagListener, std::string("blue"));
  EXPECT_EQ(heard.size(), 1u);
  EXPECT_EQ(center.observerCount("detailOnClickTagListener"), 0u);
}

}  // namespace
}  // namespace mv
