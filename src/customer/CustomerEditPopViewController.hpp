#pragma once
// The one-button popover the customer list opens on a long press: "ADDNOTE"
// for a customer without a note, "REMOVENOTE" for one with a note.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/IndexPath.hpp"
#include "platform/ui/ViewController.hpp"

namespace mv {

class CustomerEditPopViewController;

class CustomerEditPopViewControllerDelegate {
 public:
  virtual ~CustomerEditPopViewControllerDelegate() = default;
  virtual void popViewControllerDidPressButton(CustomerEditPopViewController& controller) = 0;
};

class CustomerEditPopViewController : public ui::ViewController {
 public:
  static constexpr double kWidth = 110;
  static constexpr double kHeight = 30;

  CustomerEditPopViewController();

  int state() const { return state_; }
  // 0 titles the button "ADDNOTE", 1 "REMOVENOTE"; other values are kept only.
  void setState(int state);
  const ui::IndexPath& indexPath() const { return indexPath_; }
  void setIndexPath(const ui::IndexPath& path) { indexPath_ = path; }
  void setDelegate(std::weak_ptr<CustomerEditPopViewControllerDelegate> d) { delegate_ = std::move(d); }
  ui::Button* editButton() const { return editButton_.get(); }
  // As a touch-up inside the button.
  void buttonPressed();

  void viewDidLoad() override;

 private:
  void retitle();

  int state_ = 0;
  ui::IndexPath indexPath_;
  std::shared_ptr<ui::Button> editButton_;
  std::weak_ptr<CustomerEditPopViewControllerDelegate> delegate_;
};

}  // namespace mv
