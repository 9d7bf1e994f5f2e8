#include "shell/session/WeclomeViewController.hpp"

#include "platform/base/UserDefaults.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Keyboard.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/signup/RegisterNavigationController.hpp"
#include "shell/signup/RegisterViewController.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/WebViewController.hpp"
#include "util/FitCGRect.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


}  // namespace

WeclomeViewController::~WeclomeViewController() {
  // The sign-in holds this screen weakly: from now on its re-logins run
  // without a screen waiting for them.
  keyboardShowObservation_.reset();
  keyboardHideObservation_.reset();
}

void WeclomeViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  view()->setBackgroundColor(gfx::Color::clear());
  homeBg_ = std::make_shared<ui::ImageView>(FitCGRect::sharedInstance().fitCGRectBy(0, 0, 1024, 768));
  homeBg_->setImage(SkinManager::skinFromImageName("bg-welcome.png"));
  homeBg_->setUserInteractionEnabled(true);
  view()->addSubview(homeBg_);
  loginCheckBox_ = std::make_shared<LoginCheckBox>(ui::Rect{0, 0, 1024, 740});
  loginCheckBox_->setBackgroundColor(gfx::Color::clear());
  loginCheckBox_->setDelegate(ui::weakAs<LoginDelegate>(this));
  homeBg_->addSubview(loginCheckBox_);

  auto lm = LoginMode::sharedInstance();
  lm->setDelegate(ui::weakAs<LoginModelDelegate>(this));
  lm->checkAppVersion(true);

  auto weak = ui::weakAs<WeclomeViewController>(this);
  keyboardShowObservation_ = base::Observation(ui::Keyboard::WillShowNotification, nullptr, [weak](const base::Notification&) {
    if (auto self = weak.lock()) self->keyboardWillShow();
  });
  keyboardHideObservation_ = base::Observation(ui::Keyboard::WillHideNotification, nullptr, [weak](const base::Notification&) {
    if (auto self = weak.lock()) self->keyboardWillHide();
  });
  finishViewDidLoad();
}

void WeclomeViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  auto& defaults = base::UserDefaults::standard();
  if (defaults.boolForKey("SHOULDSHOWGUIDE")) {
    showGuide();
    defaults.setBool("SHOULDSHOWGUIDE", false);
    defaults.synchronize();
  }
}

void WeclomeViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  auto& skins = SkinManager::sharedInstance();
  if (!skins.needInitializeDemo() || skins.isDemoUnpacking()) return;
  skins.setNeedUpdateDemo(false);
  demoWaitTag_ = MessageBox::sharedInstance().BeginBlockWait(text("INITEALIZINGDATA"), kDemoWaitTimeout);
  // A demo sign-in asked for meanwhile waits for the data (the session
  // queues it), and only this box closes when the unpacking ends.
  auto weak = ui::weakAs<WeclomeViewController>(this);
  const int tag = demoWaitTag_;
  skins.startDemoUnpack([weak, tag](bool) {
    if (auto self = weak.lock()) {
      self->initializeDemoFinish();
    } else {
      MessageBox::sharedInstance().EndBlockWait(tag);
    }
  });
}

void WeclomeViewController::initializeDemoFinish() {
  if (demoWaitTag_) MessageBox::sharedInstance().EndBlockWait(demoWaitTag_);
}

void WeclomeViewController::updateLanguage(ui::ViewController&) {
  if (loginCheckBox_) loginCheckBox_->updateLanguage();
}

void WeclomeViewController::showGuide() {
  auto guide = std::make_shared<GuideView>(FitCGRect::sharedInstance().fitCGRectBy(0, 0, 1024, 768));
  view()->addSubview(guide);
  view()->bringSubviewToFront(guide.get());
  guideView_ = guide;
}

// ---- sign-in ----------------------------------------------------------------------------------

void WeclomeViewController::login(const LoginInfo& info, bool isFromInput, bool isAutoLogin) {
  loginWaitTag_ = MessageBox::sharedInstance().BeginBlockWait(
      text("LOGINWAITING"), LoginMode::kWaitTimeout, [weak = ui::weakAs<WeclomeViewController>(this)] {
        // The box is gone; the request goes too, and the panel takes input again.
        auto self = weak.lock();
        if (!LoginMode::sharedInstance()->abandonLogin() || !self) return;
        self->loginWaitTag_ = 0;
        if (self->loginCheckBox_) self->loginCheckBox_->changeButState();
      });
  auto lm = LoginMode::sharedInstance();
  lm->setDelegate(ui::weakAs<LoginModelDelegate>(this));
  lm->login(info, isFromInput, isAutoLogin);
}

void WeclomeViewController::login(const std::string& clientId) {
  auto lm = LoginMode::sharedInstance();
  lm->setDelegate(ui::weakAs<LoginModelDelegate>(this));
  lm->loginWithDemo(clientId);
}

void WeclomeViewController::loginSuccess() { synFinish(); }

void WeclomeViewController::synFinish() {
  if (loginWaitTag_) MessageBox::sharedInstance().EndBlockWait(loginWaitTag_);
  loginWaitTag_ = 0;
  // The main screen replaces this one; the actions outlive the call.
  if (auto actions = actions_) actions->showMainScreen();
}

void WeclomeViewController::showAlertView(const std::string& title, const std::string& message) {
  auto alert = std::make_shared<ui::AlertView>(title, message, std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
  alert->show();
}

void WeclomeViewController::loginErroWithMessage(const std::string& message) {
  showAlertView(text("LOGINERRO"), message);
}

void WeclomeViewController::loginAbnormalWithMessage(const std::string& message) {
  showAlertView(text("LOGINABNORMAL"), message);
}

void WeclomeViewController::changeLoginButState() {
  if (loginWaitTag_) MessageBox::sharedInstance().EndBlockWait(loginWaitTag_);
  loginWaitTag_ = 0;
  if (loginCheckBox_) loginCheckBox_->changeButState();
}

// ---- keyboard -----------------------------------------------------------------------------------

void WeclomeViewController::keyboardWillShow() {
  ui::View::animate(kKeyboardShiftDuration, 0, ui::AnimationOptionCurveEaseInOut, [this] {
    ui::Rect f = homeBg_->frame();
    homeBg_->setFrame({f.x(), kKeyboardShift, f.width(), f.height()});
  });
}

void WeclomeViewController::keyboardWillHide() {
  ui::View::animate(kKeyboardShiftDuration, 0, ui::AnimationOptionCurveEaseInOut, [this] {
    ui::Rect f = homeBg_->frame();
    homeBg_->setFrame({f.x(), 0, f.width(), f.height()});
  });
}

// ---- web page and sign-up -----------------------------------------------------------------------

void WeclomeViewController::openURLInWebView(const std::string& url) {
  auto page = std::make_shared<WebViewController>();
  page->setUrl(url);
  page->setDelegate(ui::weakAs<PopControllerDelegate>(this));
  presentViewController(page, true);
}

void WeclomeViewController::registerBtnClick() {
  auto form = std::make_shared<RegisterViewController>(std::make_shared<RegisterModel>(), ui::TableViewStyle::Grouped);
  form->setSignInInstead([weak = ui::weakAs<WeclomeViewController>(this)](const LoginInfo& info) {
    if (auto self = weak.lock()) self->login(info, true, false);
  });
  auto nav = std::make_shared<RegisterNavigationController>(form);
  nav->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
  presentViewController(nav, true);
}

void WeclomeViewController::dismissPopController(bool animated) { dismissViewControllerAnimated(animated); }

}  // namespace mv
