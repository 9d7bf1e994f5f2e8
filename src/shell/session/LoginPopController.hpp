#pragma once
// The small pop-over with one button: "back to sign-in" from the tab bar's
// logo, or, in its help form, a disabled pointer that tells a demo user how
// to sign out.
#include <memory>

#include "platform/ui/Button.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class LoginPopControllerDelegate {
 public:
  virtual ~LoginPopControllerDelegate() = default;
  virtual void goBackLoginView() = 0;
};

class LoginPopController : public BaseViewController {
 public:
  static constexpr double kWidth = 300;
  static constexpr double kHeight = 40;

  std::shared_ptr<LoginPopControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LoginPopControllerDelegate> d) { delegate_ = std::move(d); }
  bool isForHelp() const { return isForHelp_; }
  // Before the view loads.
  void setForHelp(bool help) { isForHelp_ = help; }

  void loadView() override;
  void viewDidLoad() override;
  void goBackLoginView();
  void updateLanguage(ui::ViewController& sender) override;
  const std::shared_ptr<ui::Button>& gobackButton() const { return gobackButton_; }

 private:
  std::weak_ptr<LoginPopControllerDelegate> delegate_;
  bool isForHelp_ = false;
  std::shared_ptr<ui::Button> gobackButton_;
};

}  // namespace mv
