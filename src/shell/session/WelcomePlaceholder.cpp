#include "shell/session/WelcomePlaceholder.hpp"

#include "platform/base/UserDefaults.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"

namespace mv {

// The sign-in holds this screen weakly: once it is gone, later silent
// re-logins run without a screen waiting for them.
WelcomePlaceholder::~WelcomePlaceholder() = default;

std::shared_ptr<WelcomePlaceholder> WelcomePlaceholder::selfPtr() {
  return std::static_pointer_cast<WelcomePlaceholder>(shared_from_this());
}

void WelcomePlaceholder::viewDidLoad() {
  status_ = std::make_shared<ui::Label>(ui::Rect{0, 360, 1024, 48});
  status_->setTextAlignment(gfx::TextAlignment::Center);
  status_->setText(text("LOGINBUT"));
  view()->addSubview(status_);
  auto lm = LoginMode::sharedInstance();
  lm->setDelegate(selfPtr());
  lm->checkAppVersion(true);
}

void WelcomePlaceholder::viewWillAppear(bool /*animated*/) {
  auto& defaults = base::UserDefaults::standard();
  if (defaults.boolForKey("SHOULDSHOWGUIDE")) {
    guideShown_ = true;
    defaults.setBool("SHOULDSHOWGUIDE", false);
    defaults.synchronize();
  }
}

void WelcomePlaceholder::viewDidAppear(bool /*animated*/) {
  auto& skins = SkinManager::sharedInstance();
  if (!skins.needInitializeDemo() || skins.isDemoUnpacking()) return;
  skins.setNeedUpdateDemo(false);
  const int tag = MessageBox::sharedInstance().BeginBlockWait(
      text("INITEALIZINGDATA"), kDemoWaitTimeout);
  demoWaitTag_ = tag;
  // Only this box closes when the unpacking ends, whatever box is current then.
  skins.startDemoUnpack([tag](bool) { MessageBox::sharedInstance().EndBlockWait(tag); });
}

void WelcomePlaceholder::login(const LoginInfo& info, bool isFromInput, bool isAutoLogin) {
  loginButtonEnabled_ = false;
  MessageBox::sharedInstance().BeginBlockWait(text("LOGINWAITING"),
                                              LoginMode::kWaitTimeout);
  auto lm = LoginMode::sharedInstance();
  lm->setDelegate(selfPtr());
  lm->login(info, isFromInput, isAutoLogin);
}

void WelcomePlaceholder::loginDemo(const std::string& clientId) {
  auto lm = LoginMode::sharedInstance();
  lm->setDelegate(selfPtr());
  lm->loginWithDemo(clientId);
}

void WelcomePlaceholder::loginSuccess() { synFinish(); }

void WelcomePlaceholder::synFinish() {
  MessageBox::sharedInstance().EndBlockWait();
  // The main screen replaces this one; the actions outlive the call.
  if (auto actions = actions_) actions->showMainScreen();
}

void WelcomePlaceholder::loginErroWithMessage(const std::string& message) {
  errors_.push_back(message);
  auto alert = std::make_shared<ui::AlertView>(text("LOGINERRO"), message,
                                               std::weak_ptr<ui::AlertViewDelegate>(),
                                               text("OK"));
  alert->show();
}

void WelcomePlaceholder::loginAbnormalWithMessage(const std::string& message) {
  notices_.push_back(message);
  auto alert = std::make_shared<ui::AlertView>(text("LOGINABNORMAL"), message,
                                               std::weak_ptr<ui::AlertViewDelegate>(),
                                               text("OK"));
  alert->show();
}

void WelcomePlaceholder::changeLoginButState() { loginButtonEnabled_ = true; }

}  // namespace mv
