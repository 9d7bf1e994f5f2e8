#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "widgets/grid/GridViewIndexSets.hpp"
#include "widgets/grid/GridViewUpdateInfo.hpp"

using base::IndexSet;
using mv::GridViewData;
using mv::GridViewItemAnimationFade;
using mv::GridViewUpdateInfo;
using mv::GridViewUpdateItem;

namespace {

constexpr std::size_t NF = base::NotFound;
using Map = std::vector<std::size_t>;

GridViewData dataWith(std::size_t items) {
  GridViewData d;
  d.setDesiredCellSize({100, 100});
  d.setNumberOfItems(items);
  return d;
}

struct Batch {
  std::size_t count;
  IndexSet deletes, inserts, reloads;
  std::vector<std::pair<std::size_t, std::size_t>> moves;
};

GridViewUpdateInfo record(const Batch& b) {
  GridViewUpdateInfo info(dataWith(b.count), {});
  if (!b.deletes.empty()) info.updateItemsAtIndices(b.deletes, mv::GridViewUpdateActionDelete, GridViewItemAnimationFade);
  if (!b.inserts.empty()) info.updateItemsAtIndices(b.inserts, mv::GridViewUpdateActionInsert, GridViewItemAnimationFade);
  if (!b.reloads.empty()) info.updateItemsAtIndices(b.reloads, mv::GridViewUpdateActionReload, GridViewItemAnimationFade);
  for (auto [from, to] : b.moves) info.moveItemAtIndex(from, to, GridViewItemAnimationFade);
  return info;
}

GridViewUpdateInfo cleaned(const Batch& b) {
  auto info = record(b);
  EXPECT_FALSE(info.invalidUpdateReason().has_value()) << info.invalidUpdateReason().value_or("");
  info.cleanupUpdateItems();
  return info;
}

}  // namespace

TEST(GridUpdateMaps, SingleActionsAndMixedBatches) {
  struct Case {
    const char* name;
    Batch batch;
    Map oldToNew, newToOld;
  } cases[] = {
      {"delete 1 of 3", {3, {1}, {}, {}, {}}, {0, NF, 1}, {0, 2}},
      {"append to 2", {2, {}, {2}, {}, {}}, {0, 1}, {0, 1, NF}},
      {"move 3 to 1 of 5", {5, {}, {}, {}, {{3, 1}}}, {0, 2, 3, 1, 4}, {0, 3, 1, 2, 4}},
      {"move 4 to 0 of 5", {5, {}, {}, {}, {{4, 0}}}, {1, 2, 3, 4, 0}, {4, 0, 1, 2, 3}},
      {"move 0 to 4 of 5", {5, {}, {}, {}, {{0, 4}}}, {4, 0, 1, 2, 3}, {1, 2, 3, 4, 0}},
      {"delete 0 insert 2 of 3", {3, {0}, {2}, {}, {}}, {NF, 0, 1}, {1, 2, NF}},
      {"delete 1,3 insert 2 of 5", {5, {1, 3}, {2}, {}, {}}, {0, NF, 1, NF, 3}, {0, 2, NF, 4}},
      {"delete 0 insert 0 of 2", {2, {0}, {0}, {}, {}}, {NF, 1}, {NF, 1}},
      // Several moves: every old item gets its own place.
      {"moves 0 to 2 and 4 to 1 of 5", {5, {}, {}, {}, {{0, 2}, {4, 1}}}, {2, 0, 3, 4, 1}, {1, 4, 0, 2, 3}},
      // A move beside a delete and an insert.
      {"move, delete, insert", {5, {0}, {0}, {}, {{3, 4}}}, {NF, 1, 2, 4, 3}, {NF, 1, 2, 4, 3}},
      {"empty old list", {0, {}, {0, 1}, {}, {}}, {}, {NF, NF}},
      {"delete everything", {2, {0, 1}, {}, {}, {}}, {NF, NF}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto info = cleaned(c.batch);
    EXPECT_EQ(info.oldToNewIndexMap(), c.oldToNew);
    EXPECT_EQ(info.newToOldIndexMap(), c.newToOld);
    EXPECT_EQ(info.newGridViewData().numberOfItems(), c.newToOld.size());
  }
}

TEST(GridUpdateMaps, RecordingCountsAndItems) {
  GridViewUpdateInfo info(dataWith(5), {});
  EXPECT_EQ(info.numberOfUpdates(), 0u);
  info.updateItemsAtIndices({3, 1}, mv::GridViewUpdateActionDelete, mv::GridViewItemAnimationLeft);
  info.updateItemsAtIndices({0, 4, 2}, mv::GridViewUpdateActionInsert, mv::GridViewItemAnimationTop);
  info.updateItemsAtIndices({1}, 9, GridViewItemAnimationFade);  // no such action: nothing
  info.updateItemsAtIndices({0}, mv::GridViewUpdateActionReload, mv::GridViewItemAnimationNone);
  info.moveItemAtIndex(4, 3, mv::GridViewItemAnimationMiddle);
  EXPECT_EQ(info.numberOfUpdates(), 7u);
  EXPECT_EQ(info.numberOfItemsAfterUpdates(), 6u);
  // In call order (ascending per call) until cleaned up, then descending.
  ASSERT_EQ(info.sortedInsertItems().size(), 3u);
  EXPECT_EQ(info.sortedInsertItems()[0].originalIndex(), 0u);
  EXPECT_EQ(info.sortedMoveItems()[0].newIndex(), 3u);
  ASSERT_FALSE(info.invalidUpdateReason());
  info.cleanupUpdateItems();
  EXPECT_EQ(info.sortedInsertItems()[0].originalIndex(), 4u);
  EXPECT_EQ(info.sortedDeleteItems()[0].originalIndex(), 3u);
  EXPECT_EQ(info.deletedIndices(), (IndexSet{1, 3}));
  EXPECT_EQ(info.insertedIndices(), (IndexSet{0, 2, 4}));
  // Inserted items keep the index they name; a reload follows its item.
  EXPECT_EQ(info.sortedInsertItems()[2].index(), 0u);
  const auto& reload = info.sortedReloadItems()[0];
  EXPECT_EQ(reload.index(), info.newIndexForOldIndex(0));
  EXPECT_EQ(reload.index(), 1u);
  EXPECT_EQ(reload.offset(), 1);

  // Items: offsets never take an index below 0; ordering; the description.
  GridViewUpdateItem item(2, mv::GridViewUpdateActionDelete, GridViewItemAnimationFade);
  item.setOffset(-3);
  EXPECT_EQ(item.index(), 0u);
  item.setOffset(-2);
  EXPECT_EQ(item.index(), 0u);
  item.setOffset(4);
  EXPECT_EQ(item.index(), 6u);
  std::string text = item.description();
  EXPECT_NE(text.find("<GridViewUpdateItem: "), std::string::npos);
  EXPECT_NE(text.find("{index=2, action=Delete, animation=Fade, offset=4.00}"), std::string::npos) << text;
  GridViewUpdateItem other(5, mv::GridViewUpdateActionInsert, mv::GridViewItemAnimationMiddle);
  EXPECT_EQ(item.compare(other), -1);
  EXPECT_EQ(item.inverseCompare(other), 1);
  EXPECT_EQ(other.compare(other), 0);
  EXPECT_EQ(GridViewUpdateItem::actionName(7), "<Unknown>");
  EXPECT_EQ(GridViewUpdateItem::animationName(6), "Middle");
  EXPECT_EQ(GridViewUpdateItem::animationName(-1), "<Unknown>");
}

TEST(GridUpdateMaps, RequestsOutsideTheListsAreRefused) {
  struct Case {
    const char* name;
    Batch batch;
  } cases[] = {
      {"delete at the count", {5, {5}, {}, {}, {}}},
      {"reload far beyond", {5, {}, {}, {1000000}, {}}},
      {"insert past the new count", {5, {}, {6}, {}, {}}},
      {"insert after deletes shrink the list", {5, {0, 1}, {4}, {}, {}}},
      {"move from beyond", {5, {}, {}, {}, {{9, 0}}}},
      {"move to far beyond", {5, {}, {}, {}, {{1, 1u << 30}}}},
      {"moved twice", {5, {}, {}, {}, {{1, 2}, {1, 3}}}},
      {"two items to one place", {5, {}, {}, {}, {{1, 2}, {3, 2}}}},
      {"moved and deleted", {5, {1}, {}, {}, {{1, 2}}}},
      {"moved onto an insert", {5, {}, {2}, {}, {{1, 2}}}},
      {"empty list, any delete", {0, {0}, {}, {}, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(record(c.batch).invalidUpdateReason().has_value());
  }
  // The same index deleted by two calls of one batch.
  GridViewUpdateInfo twice(dataWith(5), {});
  twice.updateItemsAtIndices({2}, mv::GridViewUpdateActionDelete, GridViewItemAnimationFade);
  twice.updateItemsAtIndices({2}, mv::GridViewUpdateActionDelete, GridViewItemAnimationFade);
  EXPECT_TRUE(twice.invalidUpdateReason().has_value());
  // Boundaries that are fine.
  EXPECT_FALSE(record({5, {4}, {4}, {4}, {{3, 0}}}).invalidUpdateReason());
  EXPECT_FALSE(record({5, {}, {5}, {}, {{0, 4}}}).invalidUpdateReason());
}

// Random valid batches against a plain model of the item list: items are
// their old indices (new ones are -1); the model removes deleted and moved
// items, then places inserts and moves at their destinations in ascending
// order, the others keeping theirs.
TEST(GridUpdateMaps, MapsAgreeWithAListModel) {
  std::mt19937 rng(20261206);
  for (int round = 0; round < 3000; ++round) {
    std::size_t n = std::uniform_int_distribution<std::size_t>(0, 14)(rng);
    std::vector<std::size_t> oldItems(n);
    std::iota(oldItems.begin(), oldItems.end(), 0);
    std::shuffle(oldItems.begin(), oldItems.end(), rng);
    std::size_t deleteCount = n ? std::uniform_int_distribution<std::size_t>(0, n / 2)(rng) : 0;
    std::size_t moveCount = n - deleteCount ? std::uniform_int_distribution<std::size_t>(0, std::min<std::size_t>(3, n - deleteCount))(rng) : 0;
    IndexSet deletes, moveSources;
    for (std::size_t k = 0; k < deleteCount; ++k) deletes.add(oldItems[k]);
    for (std::size_t k = 0; k < moveCount; ++k) moveSources.add(oldItems[deleteCount + k]);
    std::size_t insertCount = std::uniform_int_distribution<std::size_t>(0, 4)(rng);
    std::size_t m = n - deleteCount + insertCount;
    std::vector<std::size_t> slots(m);
    std::iota(slots.begin(), slots.end(), 0);
    std::shuffle(slots.begin(), slots.end(), rng);
    IndexSet inserts;
    for (std::size_t k = 0; k < insertCount; ++k) inserts.add(slots[k]);
    std::vector<std::pair<std::size_t, std::size_t>> moves;
    std::size_t k = insertCount;
    for (std::size_t src : moveSources) moves.emplace_back(src, slots[k++]);
    IndexSet reloads;
    for (std::size_t i = 0; i < n; ++i)
      if (rng() % 5 == 0) reloads.add(i);

    // The model.
    std::vector<long> model(m, -2);
    for (std::size_t j : inserts) model[j] = -1;
    for (auto [from, to] : moves) model[to] = static_cast<long>(from);
    std::vector<long> rest;
    for (std::size_t i = 0; i < n; ++i)
      if (!deletes.contains(i) && !moveSources.contains(i)) rest.push_back(static_cast<long>(i));
    std::size_t r = 0;
    for (auto& slot : model)
      if (slot == -2) slot = rest.at(r++);
    ASSERT_EQ(r, rest.size());

    auto info = cleaned({n, deletes, inserts, reloads, moves});
    SCOPED_TRACE(testing::Message() << "round " << round);
    const auto& o2n = info.oldToNewIndexMap();
    const auto& n2o = info.newToOldIndexMap();
    ASSERT_EQ(o2n.size(), n);
    ASSERT_EQ(n2o.size(), m);
    for (std::size_t j = 0; j < m; ++j) {
      ASSERT_EQ(n2o[j], model[j] < 0 ? NF : static_cast<std::size_t>(model[j]));
      if (n2o[j] != NF) {
        ASSERT_EQ(o2n[n2o[j]], j);  // inverse on every survivor
      }
    }
    for (std::size_t i = 0; i < n; ++i)
      if (o2n[i] != NF) {
        ASSERT_EQ(n2o[o2n[i]], i);
      }
    ASSERT_EQ(static_cast<std::size_t>(std::count(o2n.begin(), o2n.end(), NF)), deleteCount);
    ASSERT_EQ(static_cast<std::size_t>(std::count(n2o.begin(), n2o.end(), NF)), insertCount);
    // Items neither deleted nor moved keep their relative order.
    std::size_t lastNew = 0;
    bool first = true;
    for (std::size_t i = 0; i < n; ++i) {
      if (deletes.contains(i) || moveSources.contains(i)) continue;
      if (!first) {
        ASSERT_GT(o2n[i], lastNew);
      }
      lastNew = o2n[i];
      first = false;
    }
    // A reload follows its item; a reloaded item that is also deleted keeps its index.
    for (const auto& item : info.sortedReloadItems()) {
      std::size_t target = o2n[item.originalIndex()];
      ASSERT_EQ(item.index(), target == NF ? item.originalIndex() : target);
    }
  }
}

TEST(GridUpdateMaps, IndexSetHelpers) {
  EXPECT_EQ(mv::aq_indexesOutsideIndexSet({1, 2, 3, 7}, {2, 7, 9}), (IndexSet{1, 3}));
  EXPECT_EQ(mv::aq_indexesOutsideIndexSet({}, {2}), IndexSet{});
  EXPECT_TRUE(mv::aq_isSetContiguous({4, 5, 6}));
  EXPECT_TRUE(mv::aq_isSetContiguous({4}));
  EXPECT_FALSE(mv::aq_isSetContiguous({4, 6}));
  EXPECT_FALSE(mv::aq_isSetContiguous({}));
}
