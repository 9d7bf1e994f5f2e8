#pragma once
// The sort-order picker of the catalogue and library screens: a button
// titled with the current ordering that opens a popover listing the
// orderings (text keys). Choosing another ordering retitles the button,
// tells the owner and closes the popover; choosing the current one just
// closes it.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Button.hpp"
#include "platform/ui/PopoverController.hpp"
#include "widgets/OrderingTableViewController.hpp"

namespace mv {

class OrderingController;

class OrderingControllerDelegate {
 public:
  virtual ~OrderingControllerDelegate() = default;
  virtual void orderingDidSelected(OrderingController& controller, std::size_t selectedIndex) = 0;
};

class OrderingController : public OrderingTableViewControllerDelegate,
                           public std::enable_shared_from_this<OrderingController> {
 public:
  // The button (with `frame`, for the owner to add to its view), the list of
  // `orderingsNames` with the first one current, and the popover around it,
  // shown from the button in `containingView`.
  static std::shared_ptr<OrderingController> initWithOrderButtonFrame(const ui::Rect& frame,
                                                                      std::vector<std::string> orderingsNames,
                                                                      std::weak_ptr<OrderingControllerDelegate> delegate,
                                                                      const std::shared_ptr<ui::View>& containingView);
  ~OrderingController() override;
  static constexpr double kMinimumFontSize = 11;

  const std::shared_ptr<ui::Button>& orderingButton() const { return orderingButton_; }
  const std::shared_ptr<OrderingTableViewController>& orderingTableViewController() const {
    return orderingTableViewController_;
  }
  const std::shared_ptr<ui::PopoverController>& orderingPopoverController() const {
    return orderingPopoverController_;
  }
  std::shared_ptr<OrderingControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<OrderingControllerDelegate> d) { delegate_ = std::move(d); }

  // Reloads the list and shows the popover from the button.
  void orderButtonDidTapped();
  // An index past the list is refused (logged).
  void setTableCurrentOrderingIndex(std::size_t index);
  std::size_t getTableCurrentOrderingIndex() const;
  // A current index past the new list moves to its last entry (0 for none).
  void setTableOrderingsArray(std::vector<std::string> keys);
  // Retitles the button and the rows in the present language.
  void updateLanguage();

  void orderingDidSelected(std::size_t row) override;
  void orderingDidChooseCurrent(std::size_t row) override;

 private:
  OrderingController() = default;
  void retitle();
  ui::Size popoverSize() const;

  std::shared_ptr<ui::Button> orderingButton_;
  std::shared_ptr<OrderingTableViewController> orderingTableViewController_;
  std::shared_ptr<ui::PopoverController> orderingPopoverController_;
  std::weak_ptr<OrderingControllerDelegate> delegate_;
  std::weak_ptr<ui::View> containingView_;
  double buttonWidth_ = 0;
};

}  // namespace mv
