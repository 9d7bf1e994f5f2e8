#pragma once
// Stands between a table and its ordinary delegate: every message goes to
// the middle man when the middle man takes part in it, else to the
// receiver. The pull-to-refresh table is the middle man of its three scroll
// events (and passes them on itself); everything else reaches the ordinary
// delegate unchanged. Neither is owned. A receiver that is the middle man
// itself is never handed what the middle man takes, so a message cannot go
// round in a circle.
#include <memory>

#include "platform/ui/TableView.hpp"

namespace mv {

class MessageInterceptor : public ui::TableViewDelegate {
 public:
  std::shared_ptr<ui::ScrollViewDelegate> receiver() const { return receiver_.lock(); }
  void setReceiver(std::weak_ptr<ui::ScrollViewDelegate> receiver);
  std::shared_ptr<ui::ScrollViewDelegate> middleMan() const { return middleMan_.lock(); }
  void setMiddleMan(std::weak_ptr<ui::ScrollViewDelegate> middleMan);

  bool respondsTo(ui::ScrollViewDelegateOp op) const override;
  bool respondsTo(ui::TableViewDelegateOp op) const override;
  // Who takes a message: the middle man, else the receiver, else nobody.
  std::shared_ptr<ui::ScrollViewDelegate> forwardingTarget(ui::ScrollViewDelegateOp op) const;
  std::shared_ptr<ui::TableViewDelegate> forwardingTarget(ui::TableViewDelegateOp op) const;

  // Scroll view messages.
  void scrollViewDidScroll(ui::ScrollView& sv) override;
  void scrollViewWillBeginDragging(ui::ScrollView& sv) override;
  void scrollViewWillEndDragging(ui::ScrollView& sv, ui::Point velocity, ui::Point& targetContentOffset) override;
  void scrollViewDidEndDragging(ui::ScrollView& sv, bool willDecelerate) override;
  void scrollViewWillBeginDecelerating(ui::ScrollView& sv) override;
  void scrollViewDidEndDecelerating(ui::ScrollView& sv) override;
  void scrollViewDidEndScrollingAnimation(ui::ScrollView& sv) override;
  ui::View* viewForZoomingInScrollView(ui::ScrollView& sv) override;
  void scrollViewWillBeginZooming(ui::ScrollView& sv, ui::View* view) override;
  void scrollViewDidZoom(ui::ScrollView& sv) override;
  void scrollViewDidEndZooming(ui::ScrollView& sv, ui::View* view, double scale) override;
  bool scrollViewShouldScrollToTop(ui::ScrollView& sv) override;
  void scrollViewDidScrollToTop(ui::ScrollView& sv) override;

  // Table messages.
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;
  std::optional<double> tableViewHeightForHeaderInSection(ui::TableView& tv, long section) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tv, long section) override;
  std::shared_ptr<ui::View> tableViewViewForHeaderInSection(ui::TableView& tv, long section) override;
  std::shared_ptr<ui::View> tableViewViewForFooterInSection(ui::TableView& tv, long section) override;
  void tableViewWillDisplayCell(ui::TableView& tv, ui::TableViewCell& cell, const ui::IndexPath& ip) override;
  std::optional<ui::IndexPath> tableViewWillSelectRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;
  std::optional<ui::IndexPath> tableViewWillDeselectRowAtIndexPath(ui::TableView& tv,
                                                                   const ui::IndexPath& ip) override;
  void tableViewDidDeselectRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;
  void tableViewAccessoryButtonTappedForRowWithIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;
  ui::TableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(ui::TableView& tv,
                                                                      const ui::IndexPath& ip) override;
  std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
      ui::TableView& tv, const ui::IndexPath& ip) override;
  void tableViewWillBeginEditingRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;
  void tableViewDidEndEditingRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) override;

 private:
  std::weak_ptr<ui::ScrollViewDelegate> receiver_;
  std::weak_ptr<ui::ScrollViewDelegate> middleMan_;
  // The same two when they are table delegates too, decided when they are set.
  std::weak_ptr<ui::TableViewDelegate> tableReceiver_;
  std::weak_ptr<ui::TableViewDelegate> tableMiddleMan_;
};

}  // namespace mv
