#pragma once
// The page that replaces the sign-up form once the service has accepted it:
// what happens next (the activation e-mail) and how to reach support.
#include <memory>
#include <string>

#include "platform/ui/Label.hpp"
#include "platform/ui/TextView.hpp"
#include "shell/frame/BaseViewController.hpp"

namespace mv {

class RegisterMessageViewController : public BaseViewController {
 public:
  const std::string& emailAddress() const { return emailAddress_; }
  void setEmailAddress(const std::string& address) { emailAddress_ = address; }

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;
  // Closes the whole sign-up form sheet.
  void doneButtonTapped();

  ui::Label& successLabel() const { return *successLabel_; }
  ui::TextView& emailTextView() const { return *emailTextView_; }
  ui::TextView& contactTextView() const { return *contactTextView_; }

 private:
  void setTexts();
  std::string emailAddress_;
  std::shared_ptr<ui::Label> successLabel_, activateFirstLabel_, activateSecondLabel_, activateThirdLabel_;
  std::shared_ptr<ui::TextView> emailTextView_, contactTextView_;
  std::shared_ptr<ui::BarButtonItem> doneButton_;
};

}  // namespace mv
