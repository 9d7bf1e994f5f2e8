#pragma once
// A vertically scrolling grid of equal cells, one per item, that keeps cells
// only for the rows in sight: cells that scroll away go to a recycling list
// (their thumbnail work cancelled) and come back for the rows that appear.
// Reports a tap and a long press by item index, highlights the cell under a
// single finger, and reloads centred on an item or at a scroll position.
// Main thread only.
#include <climits>
#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <vector>

#include "library/reader/ReaderThumbView.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class ReaderThumbsView;

class ReaderThumbsViewDelegate {
 public:
  virtual ~ReaderThumbsViewDelegate() = default;
  virtual std::uint64_t numberOfThumbsInThumbsView(ReaderThumbsView& view) = 0;
  virtual std::shared_ptr<ReaderThumbView> thumbCellWithFrame(ReaderThumbsView& view, const ui::Rect& frame) = 0;
  virtual void updateThumbCell(ReaderThumbsView& view, ReaderThumbView& cell, long index) = 0;
  virtual void didSelectThumbWithIndex(ReaderThumbsView& view, long index) = 0;
  // Optional: refresh the decorations of a cell already showing the item.
  virtual void refreshThumbCell(ReaderThumbsView& /*view*/, ReaderThumbView& /*cell*/, long /*index*/) {}
  // Optional: a long press on a cell.
  virtual void didPressThumbWithIndex(ReaderThumbsView& /*view*/, long /*index*/) {}
};

class ReaderThumbsView : public ui::ScrollView, public ui::ScrollViewDelegate {
 public:
  // The tag of a cell in the recycling list.
  static constexpr long kRecycledTag = LONG_MIN;
  static constexpr double kPressDuration = 0.8;

  static std::shared_ptr<ReaderThumbsView> initWithFrame(const ui::Rect& frame);
  ~ReaderThumbsView() override;

  std::shared_ptr<ReaderThumbsViewDelegate> thumbsDelegate() const { return delegate_.lock(); }
  void setThumbsDelegate(std::weak_ptr<ReaderThumbsViewDelegate> d) { delegate_ = std::move(d); }

  // Once set (to a size that is not zero) the cell size never changes.
  void setThumbSize(ui::Size size);
  ui::Size thumbSize() const { return thumbSize_; }
  void reloadThumbsCenterOnIndex(long index);
  void reloadThumbsContentOffset(ui::Point offset);
  void refreshThumbWithIndex(long index);
  void refreshVisibleThumbs();
  // The scroll position below the top inset, as `reloadThumbsContentOffset` takes it.
  ui::Point insetContentOffset() const;

  // --- geometry (the grid's own steps, open for tests) ---
  void updateContentSize(std::uint64_t count);
  ui::Rect thumbCellFrameForIndex(long index) const;
  // First and last index in sight (first > last when none).
  std::pair<long, long> visibleIndexRange() const;
  ReaderThumbView* thumbCellContainingPoint(ui::Point point) const;
  long columns() const { return thumbsX_; }
  long rows() const { return thumbsY_; }
  long marginX() const { return thumbX_; }
  std::uint64_t thumbCount() const { return thumbCount_; }
  const std::vector<std::shared_ptr<ReaderThumbView>>& visibleCells() const { return thumbCellsVisible_; }
  const std::deque<std::shared_ptr<ReaderThumbView>>& recycledCells() const { return thumbCellsQueue_; }

  void layoutSubviews() override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  explicit ReaderThumbsView(const ui::Rect& frame) : ui::ScrollView(frame) {}
  void requeueThumbCell(const std::shared_ptr<ReaderThumbView>& cell);
  void requeueAllThumbCells();
  std::shared_ptr<ReaderThumbView> dequeueThumbCellWithFrame(const ui::Rect& frame);
  void placeItem(long index);
  void arrange();
  void reload(bool centred, long index, ui::Point offset);
  void untouch();

  static constexpr double kUnset = 4.9406564584124654e-324;  // the smallest positive double
  ui::Point lastContentOffset_{kUnset, kUnset};
  std::shared_ptr<ReaderThumbView> touchedCell_;
  std::deque<std::shared_ptr<ReaderThumbView>> thumbCellsQueue_;
  std::vector<std::shared_ptr<ReaderThumbView>> thumbCellsVisible_;
  long thumbsX_ = 0, thumbsY_ = 0, thumbX_ = 0;
  ui::Size thumbSize_;
  ui::Size lastViewSize_;
  std::uint64_t thumbCount_ = 0;
  bool canUpdate_ = true;
  std::weak_ptr<ReaderThumbsViewDelegate> delegate_;
};

}  // namespace mv
