#pragma once
// The welcome screen as the shell needs it while the real one is still to
// come: the delegate of the sign-in, the one that shows the wait box, unpacks
// the demo data when needed and asks for the main screen when a sign-in
// succeeds. It has no panel; callers (the command line, tests) sign in
// through `login` and `loginDemo`.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Label.hpp"
#include "platform/ui/ViewController.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/session/LoginMode.hpp"

namespace mv {

class WelcomePlaceholder : public ui::ViewController, public LoginModelDelegate {
 public:
  static constexpr double kDemoWaitTimeout = 10;

  explicit WelcomePlaceholder(std::shared_ptr<ShellActions> actions = nullptr) : actions_(std::move(actions)) {}
  ~WelcomePlaceholder() override;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;

  // Sign-in from the panel and from a demo shortcut.
  void login(const LoginInfo& info, bool isFromInput, bool isAutoLogin);
  void loginDemo(const std::string& clientId);

  void loginSuccess() override;
  void loginErroWithMessage(const std::string& message) override;
  void loginAbnormalWithMessage(const std::string& message) override;
  void changeLoginButState() override;

  // What happened, for the command line and the tests.
  bool guideShown() const { return guideShown_; }
  bool loginButtonEnabled() const { return loginButtonEnabled_; }
  const std::vector<std::string>& errors() const { return errors_; }
  const std::vector<std::string>& notices() const { return notices_; }
  int demoWaitTag() const { return demoWaitTag_; }

 private:
  void synFinish();
  std::shared_ptr<WelcomePlaceholder> selfPtr();

  bool guideShown_ = false;
  bool loginButtonEnabled_ = true;
  int demoWaitTag_ = 0;
  std::vector<std::string> errors_;
  std::vector<std::string> notices_;
  std::shared_ptr<ui::Label> status_;
  std::shared_ptr<ShellActions> actions_;
};

}  // namespace mv
