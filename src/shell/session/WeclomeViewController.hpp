#pragma once
// The screen shown while nobody is signed in: the welcome picture with the
// sign-in panel on it. It runs the sign-in the panel asks for under a wait
// box, shows how it went, and hands over to the main tab bar on success. On
// appearing it shows the guide once per installed version and unpacks the
// demo data when needed.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/ImageView.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/session/GuideView.hpp"
#include "shell/session/LoginCheckBox.hpp"
#include "shell/session/LoginDelegate.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/PopControllerDelegate.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class WeclomeViewController : public BaseViewController,
                              public LoginModelDelegate,
                              public LoginDelegate,
                              public PopControllerDelegate {
 public:
  static constexpr double kDemoWaitTimeout = 10;
  static constexpr double kKeyboardShift = -120;
  static constexpr double kKeyboardShiftDuration = 0.3;

  // `actions`: where a completed sign-in asks for the main screen.
  explicit WeclomeViewController(std::shared_ptr<ShellActions> actions = nullptr) : actions_(std::move(actions)) {}
  ~WeclomeViewController() override;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // The panel's requests.
  void login(const LoginInfo& info, bool isFromInput, bool isAutoLogin) override;
  void login(const std::string& clientId) override;
  void openURLInWebView(const std::string& url) override;
  void registerBtnClick() override;

  // The sign-in's outcome.
  void loginSuccess() override;
  void loginErroWithMessage(const std::string& message) override;
  void loginAbnormalWithMessage(const std::string& message) override;
  void changeLoginButState() override;

  void dismissPopController(bool animated) override;

  void showGuide();
  void synFinish();
  void initializeDemoFinish();
  void keyboardWillShow();
  void keyboardWillHide();
  void showAlertView(const std::string& title, const std::string& message);

  ui::ImageView& homeBg() const { return *homeBg_; }
  LoginCheckBox& loginCheckBox() const { return *loginCheckBox_; }
  std::shared_ptr<GuideView> guideView() const { return guideView_.lock(); }
  // The wait box of the demo unpacking (0 when none was shown).
  int demoWaitTag() const { return demoWaitTag_; }

 private:
  std::shared_ptr<ShellActions> actions_;
  std::shared_ptr<ui::ImageView> homeBg_;
  std::shared_ptr<LoginCheckBox> loginCheckBox_;
  std::weak_ptr<GuideView> guideView_;
  int demoWaitTag_ = 0;
  int loginWaitTag_ = 0;
  base::Observation keyboardShowObservation_;
  base::Observation keyboardHideObservation_;
};

}  // namespace mv
