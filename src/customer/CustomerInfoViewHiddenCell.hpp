#pragma once
// The header at the top of the customer form: the switch that hides the
// customer from the list, the switch that marks it important, and, for a
// customer made on the device, the button that submits it to the sales
// service. It reports them to its delegate, the form. Main thread only.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Switch.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class CustomerInfoViewHiddenCellDelegate {
 public:
  virtual ~CustomerInfoViewHiddenCellDelegate() = default;
  virtual void switchViewAction(bool on) = 0;
  virtual void switchViewImportant(bool on) = 0;
  virtual void submitAction(ui::Control* sender) = 0;
};

class CustomerInfoViewHiddenCell : public ui::View {
 public:
  static constexpr long kHiddenSwitchTag = 3123;
  static constexpr long kImportantSwitchTag = 98989;
  static constexpr double kHeight = 90;

  explicit CustomerInfoViewHiddenCell(const ui::Rect& frame);

  ui::Label& hiddenFromLabel() const { return *hiddenFromLabel_; }
  ui::Switch& switchView() const { return *switchView_; }
  ui::Label& importantLabel() const { return *importantLabel_; }
  ui::Switch& importantSwicth() const { return *importantSwicth_; }
  ui::Button& submitButton() const { return *submitButton_; }
  void setDelegate(std::weak_ptr<CustomerInfoViewHiddenCellDelegate> d) { delegate_ = std::move(d); }

  // The switches' action: the hide switch and the important switch report
  // their state, any other switch nothing.
  void switchAction(ui::Switch& sender);
  void submitActionFrom(ui::Control* sender);

 private:
  std::shared_ptr<ui::Label> hiddenFromLabel_;
  std::shared_ptr<ui::Switch> switchView_;
  std::shared_ptr<ui::Label> importantLabel_;
  std::shared_ptr<ui::Switch> importantSwicth_;
  std::shared_ptr<ui::Button> submitButton_;
  std::weak_ptr<CustomerInfoViewHiddenCellDelegate> delegate_;
};

}  // namespace mv
