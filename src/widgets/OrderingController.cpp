#include "widgets/OrderingController.hpp"

#include "platform/base/Log.hpp"
#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

std::shared_ptr<OrderingController> OrderingController::initWithOrderButtonFrame(
    const ui::Rect& frame, std::vector<std::string> orderingsNames, std::weak_ptr<OrderingControllerDelegate> delegate,
    const std::shared_ptr<ui::View>& containingView) {
  std::shared_ptr<OrderingController> c(new OrderingController());
  c->delegate_ = std::move(delegate);
  c->containingView_ = containingView;
  c->buttonWidth_ = frame.width();

  c->orderingTableViewController_ = std::make_shared<OrderingTableViewController>(std::move(orderingsNames), 0);
  c->orderingTableViewController_->setDelegate(std::static_pointer_cast<OrderingTableViewControllerDelegate>(c));
  auto table = c->orderingTableViewController_->tableView();
  table->setContentInset({1, 0, 0, 0});
  table->setScrollEnabled(false);

  c->orderingPopoverController_ = std::make_shared<ui::PopoverController>(c->orderingTableViewController_);
  c->orderingPopoverController_->setPopoverContentSize(c->popoverSize());

  c->orderingButton_ = std::make_shared<ui::Button>(frame, ui::ButtonType::Custom);
  ViewStyle::initializeToButtonHeight34(*c->orderingButton_);
  // A longer ordering name in another language shrinks rather than losing its middle.
  c->orderingButton_->titleLabel().setAdjustsFontSizeToFitWidth(true);
  c->orderingButton_->titleLabel().setMinimumFontSize(kMinimumFontSize);
  c->orderingButton_->setAdjustsImageWhenHighlighted(false);
  std::weak_ptr<OrderingController> weak = c;
  c->orderingButton_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->orderButtonDidTapped();
      },
      ui::ControlEventTouchUpInside);
  c->retitle();
  return c;
}

OrderingController::~OrderingController() {
  if (orderingPopoverController_) orderingPopoverController_->dismissPopoverAnimated(false);
}

ui::Size OrderingController::popoverSize() const {
  auto table = orderingTableViewController_->tableView();
  return {buttonWidth_ + 20,
          table->rowHeight() * static_cast<double>(orderingTableViewController_->orderingsArray().size())};
}

void OrderingController::retitle() {
  const auto& keys = orderingTableViewController_->orderingsArray();
  const std::size_t index = orderingTableViewController_->currentOrderingIndex();
  // No orderings: an empty title rather than a look past the list.
  std::string title = index < keys.size() ? text(keys[index]) : std::string();
  orderingButton_->setTitle(title, ui::ControlStateNormal);
}

void OrderingController::orderButtonDidTapped() {
  auto view = containingView_.lock();
  if (!view) return;
  orderingTableViewController_->tableView()->reloadData();
  orderingPopoverController_->presentPopoverFromRect(orderingButton_->frame(), view.get(),
                                                     ui::PopoverArrowDirectionAny, true);
}

void OrderingController::setTableCurrentOrderingIndex(std::size_t index) {
  const auto count = orderingTableViewController_->orderingsArray().size();
  if (index >= count) {
    MV_LOG("Error: index = ", index, ", self.orderingsArray.count = ", count);
    return;
  }
  orderingTableViewController_->setCurrentOrderingIndex(index);
  retitle();
}

std::size_t OrderingController::getTableCurrentOrderingIndex() const {
  return orderingTableViewController_->currentOrderingIndex();
}

void OrderingController::setTableOrderingsArray(std::vector<std::string> keys) {
  orderingTableViewController_->setOrderingsArray(std::move(keys));
  const auto count = orderingTableViewController_->orderingsArray().size();
  if (orderingTableViewController_->currentOrderingIndex() >= count)
    orderingTableViewController_->setCurrentOrderingIndex(count == 0 ? 0 : count - 1);
  // The popover fits the new list.
  orderingPopoverController_->setPopoverContentSize(popoverSize());
  retitle();
}

void OrderingController::updateLanguage() {
  retitle();
  orderingTableViewController_->tableView()->reloadData();
}

void OrderingController::orderingDidSelected(std::size_t row) {
  if (row >= orderingTableViewController_->orderingsArray().size()) return;
  auto keep = shared_from_this();
  retitle();
  if (auto d = delegate_.lock()) d->orderingDidSelected(*this, row);
  orderingPopoverController_->dismissPopoverAnimated(true);
}

void OrderingController::orderingDidChooseCurrent(std::size_t row) {
  // The owner hears of the choice even when the row was already current
  // (it may refresh what it sorts), and the popover closes as for any choice.
  orderingDidSelected(row);
}

}  // namespace mv
