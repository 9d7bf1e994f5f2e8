// Selection, highlighting and touch tracking of GridView.
#include <algorithm>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/Event.hpp"
#include "platform/ui/PanGestureRecognizer.hpp"
#include "platform/ui/PinchGestureRecognizer.hpp"
#include "platform/ui/PerformRequests.hpp"
#include "platform/ui/Touch.hpp"
#include "platform/ui/WeakAs.hpp"
#include "widgets/grid/GridView.hpp"

namespace mv {

namespace {

const char* const kDeferredTouchesBegan = "_gridViewDeferredTouchesBegan:";
const char* const kUserSelectItem = "_userSelectItemAtIndex:";

}  // namespace

void GridView::highlightItemAtIndex(std::size_t index, bool animated, int scrollPosition) {
  if (index != base::NotFound && highlightedIndices_.contains(index)) {
    if (scrollPosition != GridViewScrollPositionNone) scrollToItemAtIndex(index, scrollPosition, animated);
    return;
  }
  if (index == base::NotFound) {
    base::IndexSet highlighted = highlightedIndices_;
    highlightedIndices_.clear();
    for (std::size_t i : highlighted) {
      // The selected item keeps its selected look.
      if (i == selectedIndex_) continue;
      if (auto cell = cellForItemAtIndex(i)) cell->setHighlighted(false, animated);
    }
    return;
  }
  if (auto cell = cellForItemAtIndex(index)) cell->setHighlighted(true, animated);
  highlightedIndices_.add(index);
  if (scrollPosition != GridViewScrollPositionNone) scrollToItemAtIndex(index, scrollPosition, animated);
}

void GridView::unhighlightItemAtIndex(std::size_t index, bool animated) {
  if (!highlightedIndices_.contains(index)) return;
  highlightedIndices_.remove(index);
  if (index == selectedIndex_) return;
  if (auto cell = cellForItemAtIndex(index)) cell->setHighlighted(false, animated);
}

void GridView::selectItemAtIndex(std::size_t index, bool animated, int scrollPosition) {
  selectItemAtIndex(index, animated, scrollPosition, false, 1);
}

void GridView::deselectItemAtIndex(std::size_t index, bool animated) { deselectItemAtIndex(index, animated, false); }

void GridView::deselectItemAtIndex(std::size_t index, bool animated, bool notifyDelegate) {
  if (index != selectedIndex_ || index == base::NotFound) return;
  auto keep = self();
  auto d = notifyDelegate ? delegate() : nullptr;
  if (d) d->gridViewWillDeselectItemAtIndex(*this, index);
  selectedIndex_ = base::NotFound;
  if (auto cell = cellForItemAtIndex(index)) cell->setSelected(false, animated);
  if (notifyDelegate) {
    if (d) d->gridViewDidDeselectItemAtIndex(*this, index);
    base::NotificationCenter::defaultCenter().post(GridViewSelectionDidChangeNotification, this);
  }
}

void GridView::selectItemAtIndex(std::size_t index, bool animated, int scrollPosition, bool notifyDelegate,
                                 std::size_t numFingers) {
  if (index == selectedIndex_) return;
  auto keep = self();
  if (selectedIndex_ != base::NotFound) deselectItemAtIndex(selectedIndex_, animated, notifyDelegate);
  if (!allowsSelection_) return;
  auto d = notifyDelegate ? delegate() : nullptr;
  if (d) {
    if (auto replaced = d->gridViewWillSelectItemAtIndex(*this, index)) index = *replaced;
    if (index != base::NotFound)
      if (auto replaced = d->gridViewWillSelectItemAtIndexNumFingersTouch(*this, index, numFingers)) index = *replaced;
  }
  // The delegate said no: nothing is selected, nothing announced.
  if (index == base::NotFound) return;
  selectedIndex_ = index;
  if (auto cell = cellForItemAtIndex(index)) cell->setSelected(true, animated);
  if (scrollPosition != GridViewScrollPositionNone) scrollToItemAtIndex(index, scrollPosition, animated);
  if (notifyDelegate) {
    base::NotificationCenter::defaultCenter().post(GridViewSelectionDidChangeNotification, this);
    if (d) {
      d->gridViewDidSelectItemAtIndex(*this, index);
      d->gridViewDidSelectItemAtIndexNumFingersTouch(*this, index, numFingers);
    }
  }
  highlightedIndices_.remove(index);
}

// --- Touches ----------------------------------------------------------------------------

ui::View* GridView::basicHitTestOfGrid(base::Point point, const ui::Event* event) {
  return ui::View::basicHitTest(point, event);
}

bool GridView::canSelectItemContainingHitView(const ui::View* view) const {
  if (!view) return false;
  if (dynamic_cast<const ui::Control*>(view)) return false;  // buttons in cells keep their taps
  if (dynamic_cast<const GridViewCell*>(view->superview())) return true;
  return dynamic_cast<const GridViewCell*>(view) != nullptr;
}

bool GridView::gestureRecognizerIsHandlingTouches(const ui::TouchSet& touches) const {
  for (const auto& recognizer : gestureRecognizers()) {
    // The scroll view's own pan and pinch follow every finger; only
    // recognisers added to the grid by its owner count here.
    if (recognizer.get() == static_cast<ui::GestureRecognizer*>(&panGestureRecognizer()) ||
        recognizer.get() == static_cast<ui::GestureRecognizer*>(&pinchGestureRecognizer()))
      continue;
    auto state = recognizer->state();
    if (state == ui::GestureState::Ended || state == ui::GestureState::Cancelled || state == ui::GestureState::Failed)
      continue;
    if (recognizer->numberOfTouches() != touches.size()) continue;
    for (std::size_t k = 0; k < recognizer->numberOfTouches(); ++k) {
      base::Point at = recognizer->locationOfTouch(k, this);
      for (const auto& touch : touches)
        if (touch->locationInView(this) == at) return true;
    }
  }
  return false;
}

void GridView::touchesBegan(const ui::TouchSet& touches, const ui::Event& event) {
  auto keep = self();
  ignoreTouchSelect_ = isDragging();
  std::shared_ptr<ui::Touch> touch = touches.empty() ? nullptr : touches.front();
  if (touch) touchBeganPosition_ = touch->windowLocation();
  if (touch && pendingSelectionIndex_ == base::NotFound) {
    base::Point q = touch->locationInView(this);
    ui::View* hit = basicHitTestOfGrid(q, &event);
    touchedContentView_ = hit ? hit->weak_from_this() : std::weak_ptr<ui::View>();
    if (hit != this) highlightItemAtIndex(base::NotFound, false, GridViewScrollPositionNone);
    if (canSelectItemContainingHitView(hit)) {
      std::size_t index = indexForItemAtPoint(q);
      if (index != base::NotFound && allowsSelection_) {
        pendingSelectionIndex_ = index;
        auto weak = ui::weakAs<GridView>(this);
        ui::PerformRequests::perform(
            keep, kDeferredTouchesBegan,
            [weak] {
              if (auto grid = weak.lock()) grid->gridViewDeferredTouchesBegan();
            },
            0, base::Value(static_cast<std::uint64_t>(index)));
      }
    }
  }
  ui::ScrollView::touchesBegan(touches, event);
}

void GridView::gridViewDeferredTouchesBegan() {
  if (isDragging() || ignoreTouchSelect_) return;
  if (pendingSelectionIndex_ != base::NotFound)
    highlightItemAtIndex(pendingSelectionIndex_, false, GridViewScrollPositionNone);
}

void GridView::touchesMoved(const ui::TouchSet& touches, const ui::Event& event) {
  auto keep = self();
  if (!ignoreTouchSelect_ && !gestureRecognizerIsHandlingTouches(touches)) {
    highlightItemAtIndex(base::NotFound, false, GridViewScrollPositionNone);
    ignoreTouchSelect_ = true;
    touchedContentView_.reset();
  }
  ui::ScrollView::touchesMoved(touches, event);
}

void GridView::touchesEnded(const ui::TouchSet& touches, const ui::Event& event) {
  auto keep = self();
  ui::PerformRequests::cancel(requestTarget(), kDeferredTouchesBegan);
  std::shared_ptr<ui::View> hit = touchedContentView_.lock();
  touchedContentView_.reset();
  ui::ScrollView::touchesEnded(touches, event);
  if (auto again = touchedContentView_.lock()) hit = again;
  if (hit && !hit->superview()) hit.reset();
  std::shared_ptr<ui::Touch> touch = touches.empty() ? nullptr : touches.front();
  if (!isDragging() && touch) {
    base::Point q = touch->locationInView(this);
    if ((!hit || canSelectItemContainingHitView(hit.get())) && pendingSelectionIndex_ != base::NotFound &&
        pendingSelectionIndex_ == indexForItemAtPoint(q) && allowsSelection_) {
      UserSelectItemIndexParams params{pendingSelectionIndex_, std::max<std::size_t>(1, event.allTouches().size())};
      auto weak = ui::weakAs<GridView>(this);
      ui::PerformRequests::perform(
          keep, kUserSelectItem,
          [weak, params] {
            if (auto grid = weak.lock()) grid->userSelectItemAtIndex(params);
          },
          0, base::Value(static_cast<std::uint64_t>(params.indexNum)));
    }
  }
  if (pendingSelectionIndex_ != base::NotFound) {
    unhighlightItemAtIndex(pendingSelectionIndex_, false);
    pendingSelectionIndex_ = base::NotFound;
  }
}

void GridView::userSelectItemAtIndex(const UserSelectItemIndexParams& params) {
  std::size_t index = params.indexNum;
  unhighlightItemAtIndex(index, false);
  // Decided on the grid's selection, not on a cell that may be missing
  // right after a reload.
  if (selectedIndex_ == index && !requiresSelection_)
    deselectItemAtIndex(index, false, true);
  else
    selectItemAtIndex(index, false, GridViewScrollPositionNone, true, params.numFingers);
  pendingSelectionIndex_ = base::NotFound;
}

void GridView::touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) {
  auto keep = self();
  pendingSelectionIndex_ = base::NotFound;
  highlightItemAtIndex(base::NotFound, false, GridViewScrollPositionNone);
  ui::ScrollView::touchesCancelled(touches, event);
  touchedContentView_.reset();
}

}  // namespace mv
