#include "widgets/MessageInterceptor.hpp"

namespace mv {

using ui::ScrollViewDelegateOp;
using ui::TableViewDelegateOp;

namespace {

std::weak_ptr<ui::TableViewDelegate> asTableDelegate(const std::weak_ptr<ui::ScrollViewDelegate>& delegate) {
  auto strong = delegate.lock();
  return std::dynamic_pointer_cast<ui::TableViewDelegate>(strong);
}

}  // namespace

void MessageInterceptor::setReceiver(std::weak_ptr<ui::ScrollViewDelegate> receiver) {
  tableReceiver_ = asTableDelegate(receiver);
  receiver_ = std::move(receiver);
}

void MessageInterceptor::setMiddleMan(std::weak_ptr<ui::ScrollViewDelegate> middleMan) {
  tableMiddleMan_ = asTableDelegate(middleMan);
  middleMan_ = std::move(middleMan);
}

std::shared_ptr<ui::ScrollViewDelegate> MessageInterceptor::forwardingTarget(ScrollViewDelegateOp op) const {
  auto middle = middleMan_.lock();
  if (middle && middle->respondsTo(op)) return middle;
  auto receiver = receiver_.lock();
  if (receiver && receiver != middle && receiver->respondsTo(op)) return receiver;
  return nullptr;
}

std::shared_ptr<ui::TableViewDelegate> MessageInterceptor::forwardingTarget(TableViewDelegateOp op) const {
  auto middle = tableMiddleMan_.lock();
  if (middle && middle->respondsTo(op)) return middle;
  auto receiver = tableReceiver_.lock();
  if (receiver && receiver != middle && receiver->respondsTo(op)) return receiver;
  return nullptr;
}

bool MessageInterceptor::respondsTo(ScrollViewDelegateOp op) const { return forwardingTarget(op) != nullptr; }
bool MessageInterceptor::respondsTo(TableViewDelegateOp op) const { return forwardingTarget(op) != nullptr; }

// --- scroll view messages ---------------------------------------------------------

void MessageInterceptor::scrollViewDidScroll(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidScroll)) t->scrollViewDidScroll(sv);
}
void MessageInterceptor::scrollViewWillBeginDragging(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::WillBeginDragging)) t->scrollViewWillBeginDragging(sv);
}
void MessageInterceptor::scrollViewWillEndDragging(ui::ScrollView& sv, ui::Point velocity, ui::Point& target) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::WillEndDragging)) t->scrollViewWillEndDragging(sv, velocity, target);
}
void MessageInterceptor::scrollViewDidEndDragging(ui::ScrollView& sv, bool willDecelerate) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidEndDragging)) t->scrollViewDidEndDragging(sv, willDecelerate);
}
void MessageInterceptor::scrollViewWillBeginDecelerating(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::WillBeginDecelerating)) t->scrollViewWillBeginDecelerating(sv);
}
void MessageInterceptor::scrollViewDidEndDecelerating(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidEndDecelerating)) t->scrollViewDidEndDecelerating(sv);
}
void MessageInterceptor::scrollViewDidEndScrollingAnimation(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidEndScrollingAnimation))
    t->scrollViewDidEndScrollingAnimation(sv);
}
ui::View* MessageInterceptor::viewForZoomingInScrollView(ui::ScrollView& sv) {
  auto t = forwardingTarget(ScrollViewDelegateOp::ViewForZooming);
  return t ? t->viewForZoomingInScrollView(sv) : nullptr;
}
void MessageInterceptor::scrollViewWillBeginZooming(ui::ScrollView& sv, ui::View* view) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::WillBeginZooming)) t->scrollViewWillBeginZooming(sv, view);
}
void MessageInterceptor::scrollViewDidZoom(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidZoom)) t->scrollViewDidZoom(sv);
}
void MessageInterceptor::scrollViewDidEndZooming(ui::ScrollView& sv, ui::View* view, double scale) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidEndZooming)) t->scrollViewDidEndZooming(sv, view, scale);
}
bool MessageInterceptor::scrollViewShouldScrollToTop(ui::ScrollView& sv) {
  auto t = forwardingTarget(ScrollViewDelegateOp::ShouldScrollToTop);
  return t ? t->scrollViewShouldScrollToTop(sv) : true;
}
void MessageInterceptor::scrollViewDidScrollToTop(ui::ScrollView& sv) {
  if (auto t = forwardingTarget(ScrollViewDelegateOp::DidScrollToTop)) t->scrollViewDidScrollToTop(sv);
}

// --- table messages -------------------------------------------------------------------

std::optional<double> MessageInterceptor::tableViewHeightForRowAtIndexPath(ui::TableView& tv,
                                                                           const ui::IndexPath& ip) {
  auto t = forwardingTarget(TableViewDelegateOp::HeightForRow);
  return t ? t->tableViewHeightForRowAtIndexPath(tv, ip) : std::nullopt;
}
std::optional<double> MessageInterceptor::tableViewHeightForHeaderInSection(ui::TableView& tv, long section) {
  auto t = forwardingTarget(TableViewDelegateOp::HeightForHeader);
  return t ? t->tableViewHeightForHeaderInSection(tv, section) : std::nullopt;
}
std::optional<double> MessageInterceptor::tableViewHeightForFooterInSection(ui::TableView& tv, long section) {
  auto t = forwardingTarget(TableViewDelegateOp::HeightForFooter);
  return t ? t->tableViewHeightForFooterInSection(tv, section) : std::nullopt;
}
std::shared_ptr<ui::View> MessageInterceptor::tableViewViewForHeaderInSection(ui::TableView& tv, long section) {
  auto t = forwardingTarget(TableViewDelegateOp::ViewForHeader);
  return t ? t->tableViewViewForHeaderInSection(tv, section) : nullptr;
}
std::shared_ptr<ui::View> MessageInterceptor::tableViewViewForFooterInSection(ui::TableView& tv, long section) {
  auto t = forwardingTarget(TableViewDelegateOp::ViewForFooter);
  return t ? t->tableViewViewForFooterInSection(tv, section) : nullptr;
}
void MessageInterceptor::tableViewWillDisplayCell(ui::TableView& tv, ui::TableViewCell& cell,
                                                  const ui::IndexPath& ip) {
  if (auto t = forwardingTarget(TableViewDelegateOp::WillDisplayCell)) t->tableViewWillDisplayCell(tv, cell, ip);
}
std::optional<ui::IndexPath> MessageInterceptor::tableViewWillSelectRowAtIndexPath(ui::TableView& tv,
                                                                                   const ui::IndexPath& ip) {
  auto t = forwardingTarget(TableViewDelegateOp::WillSelectRow);
  return t ? t->tableViewWillSelectRowAtIndexPath(tv, ip) : std::optional<ui::IndexPath>(ip);
}
void MessageInterceptor::tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) {
  if (auto t = forwardingTarget(TableViewDelegateOp::DidSelectRow)) t->tableViewDidSelectRowAtIndexPath(tv, ip);
}
std::optional<ui::IndexPath> MessageInterceptor::tableViewWillDeselectRowAtIndexPath(ui::TableView& tv,
                                                                                     const ui::IndexPath& ip) {
  auto t = forwardingTarget(TableViewDelegateOp::WillDeselectRow);
  return t ? t->tableViewWillDeselectRowAtIndexPath(tv, ip) : std::optional<ui::IndexPath>(ip);
}
void MessageInterceptor::tableViewDidDeselectRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) {
  if (auto t = forwardingTarget(TableViewDelegateOp::DidDeselectRow)) t->tableViewDidDeselectRowAtIndexPath(tv, ip);
}
void MessageInterceptor::tableViewAccessoryButtonTappedForRowWithIndexPath(ui::TableView& tv,
                                                                           const ui::IndexPath& ip) {
  if (auto t = forwardingTarget(TableViewDelegateOp::AccessoryButtonTapped))
    t->tableViewAccessoryButtonTappedForRowWithIndexPath(tv, ip);
}
ui::TableViewCellEditingStyle MessageInterceptor::tableViewEditingStyleForRowAtIndexPath(ui::TableView& tv,
                                                                                        const ui::IndexPath& ip) {
  auto t = forwardingTarget(TableViewDelegateOp::EditingStyleForRow);
  return t ? t->tableViewEditingStyleForRowAtIndexPath(tv, ip) : ui::TableViewCellEditingStyle::Delete;
}
std::optional<std::string> MessageInterceptor::tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
    ui::TableView& tv, const ui::IndexPath& ip) {
  auto t = forwardingTarget(TableViewDelegateOp::TitleForDeleteConfirmationButton);
  return t ? t->tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(tv, ip) : std::nullopt;
}
void MessageInterceptor::tableViewWillBeginEditingRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) {
  if (auto t = forwardingTarget(TableViewDelegateOp::WillBeginEditingRow))
    t->tableViewWillBeginEditingRowAtIndexPath(tv, ip);
}
void MessageInterceptor::tableViewDidEndEditingRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& ip) {
  if (auto t = forwardingTarget(TableViewDelegateOp::DidEndEditingRow)) t->tableViewDidEndEditingRowAtIndexPath(tv, ip);
}

}  // namespace mv
