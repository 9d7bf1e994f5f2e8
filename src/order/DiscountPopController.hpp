#pragma once
// The small popover in which the order's discount rate is typed: the
// percentage of the list total that is charged (100 = nothing off). It checks
// the number and reports it; the order editor applies it. Main thread only.
#include <memory>
#include <string>

#include "platform/ui/Label.hpp"
#include "platform/ui/ViewController.hpp"
#include "widgets/TZTextField.hpp"

namespace mv {

class DiscountPopControllerDelegate {
 public:
  virtual ~DiscountPopControllerDelegate() = default;
  // A valid rate was typed.
  virtual void discountRatChanged(double /*rate*/) {}
  // The field is about to end editing (the editor closes the popover).
  virtual void discountWillEndInput() {}
};

class DiscountPopController : public ui::ViewController, public ui::TextFieldDelegate {
 public:
  static constexpr double kContentWidth = 125;
  static constexpr double kContentHeight = 50;

  DiscountPopController();

  // The rate field (the view is built on first use).
  const std::shared_ptr<TZTextField>& txtDiscountRat();
  std::shared_ptr<DiscountPopControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<DiscountPopControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  void loadView() override;
  void viewDidLoad() override;

  void textFieldDidBeginEditing(ui::TextField& field) override;
  bool textFieldShouldEndEditing(ui::TextField& field) override;
  void textFieldDidEndEditing(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

 private:
  std::shared_ptr<TZTextField> txtDiscountRat_;
  std::shared_ptr<ui::Label> lblPercentFlag_;
  std::weak_ptr<DiscountPopControllerDelegate> delegate_;
  // What the field showed when editing began; a refused entry brings it back.
  std::string previousText_;
};

}  // namespace mv
