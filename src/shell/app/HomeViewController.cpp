#include "shell/app/HomeViewController.hpp"

#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/session/LoginPopController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/config/SkinManager.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"
#include "util/FitCGRect.hpp"
#include "util/OpenableLink.hpp"
#include "util/PublicFunction.hpp"
#include "util/Regex.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


}  // namespace

HomeViewController::~HomeViewController() {
  if (helpPopController_) helpPopController_->dismissPopoverAnimated(false);
}

void HomeViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  addStatusBarBGForVersion7(true);
  view()->setBackgroundColor(gfx::Color::black());
  const FitCGRect& fit = FitCGRect::sharedInstance();
  homeBg_ = std::make_shared<ui::ImageView>(fit.fitCGRectBy(0, 20, 1024, 692));
  homeBg_->setImage(SkinManager::skinFromImageName("bg-home.png"));
  if (PublicFunction::getDeviceVersion() >= 7.0) homeBg_->setFrame({0, 0, 1024, 712});
  view()->addSubview(homeBg_);

  linklblWebsite_ = std::make_shared<LinkLabel>(fit.fitCGRectBy(609, 655, 400, 40));
  linklblWebsite_->setLineBreakMode(gfx::LineBreakMode::MiddleTruncation);
  linklblWebsite_->setFont(gfx::Font::fontWithName("Verdana-Italic", 20).value_or(gfx::Font::italicSystemFont(20)));
  linklblWebsite_->setTextAlignment(gfx::TextAlignment::Right);
  linklblWebsite_->setTextColor(gfx::Color::rgb255(53, 107, 168));
  linklblWebsite_->setHighlightedTextColor(gfx::Color::blue());
  linklblWebsite_->setDelegate(ui::weakAs<LinkLabelDelegate>(this));
  view()->addSubview(linklblWebsite_);
  finishViewDidLoad();
}

std::shared_ptr<SyncModel> HomeViewController::syncEngine() const {
  return services_ ? services_->get<SyncModel>() : nullptr;
}

void HomeViewController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  auto lm = LoginMode::sharedInstance();
  if (lm->needUpdate() && lm->loginType() == LoginType::Online) {
    if (auto sync = syncEngine()) sync->setNeedUpdate(true);
    showAlertView(kNewContentAlertTag, text("HAVEUPDATE"), text("UPDATE_NOTNOW"), text("UPDATE_YES"));
  }
}

void HomeViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  loadWebsiteAddress(LoginMode::sharedInstance()->companyLink());
  if (PublicFunction::getDeviceVersion() >= 7.0) ui::Application::sharedInstance().setStatusBarHidden(true);
  view()->setAlpha(0.5);
}

void HomeViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  auto weak = ui::weakAs<HomeViewController>(this);
  ui::View::animate(
      kAppearDuration, 0, ui::AnimationOptionCurveEaseOut, [this] { view()->setAlpha(1.0); },
      [weak](bool) {
        if (auto self = weak.lock()) self->showHelpLogout();
      });
}

void HomeViewController::viewWillDisappear(bool animated) {
  if (PublicFunction::getDeviceVersion() >= 7.0) ui::Application::sharedInstance().setStatusBarHidden(false);
  BaseViewController::viewWillDisappear(animated);
}

void HomeViewController::loadWebsiteAddress(const std::string& address) {
  if (address.empty()) {
    linklblWebsite_->setHidden(true);
    return;
  }
  linklblWebsite_->setText(address);
  linklblWebsite_->setHidden(false);
}

std::string HomeViewController::linkURL(const std::string& address) {
  // An address that names its scheme ("https://...", "HTTP://...") is used
  // as written; only a bare host and path gets "http://".
  if (isMatchedByRegex(address, "^[A-Za-z][A-Za-z0-9+.\\-]*://")) return address;
  return "http://" + address;
}

void HomeViewController::linkLabelTouche(LinkLabel& label, long) {
  if (label.text().empty()) return;
  // The link comes from the service: only a web or mail address is opened.
  if (auto url = openableLink(linkURL(label.text()))) ui::Application::sharedInstance().openURL(*url);
}

void HomeViewController::updateLanguage(ui::ViewController&) {
  auto sync = services_ ? services_->find<SyncModel>() : nullptr;
  if (!sync || !sync->showUpdate()) return;
  if (actions_) actions_->setTabBadge(MainTabScreens::kSync, text("UPDATE"), false);
}

// ---- the new-content prompt ------------------------------------------------------------------

void HomeViewController::showAlertView(long tag, const std::string& message, const std::string& cancel,
                                       const std::string& other) {
  auto alert = std::make_shared<ui::AlertView>(text("CONTENTUPDATED"), message, ui::weakAs<ui::AlertViewDelegate>(this),
                                               cancel, std::vector<std::string>{other});
  alert->setTag(tag);
  // "Not now" keeps the offer on the Sync tab.
  alert->setBackOutButtonIndex(0);
  alert->show();
  alerts_.push_back(alert);
}

void HomeViewController::syncNow() {
  if (actions_) actions_->showSyncAndStart();
  if (auto sync = syncEngine()) sync->setShowUpdate(false);
}

void HomeViewController::later() {
  if (auto sync = syncEngine()) sync->setShowUpdate(true);
  if (actions_) actions_->setTabBadge(MainTabScreens::kSync, text("UPDATE"), true);
}

void HomeViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() == kNewContentAlertTag) {
    if (buttonIndex == 0) {
      later();
    } else if (buttonIndex == 1) {
      if (LoginMode::sharedInstance()->isNotWifi()) {
        auto warning = std::make_shared<ui::AlertView>(text("NONWIFINETWORKUSING"), text("WIFIALERT"),
                                                       ui::weakAs<ui::AlertViewDelegate>(this), text("OK"),
                                                       std::vector<std::string>{text("CANCEL")});
        warning->setTag(kCellularAlertTag);
        warning->setBackOutButtonIndex(1);
        warning->show();
        alerts_.push_back(warning);
      } else {
        syncNow();
      }
    }
  } else if (alert.tag() == kCellularAlertTag) {
    if (buttonIndex == 0) {
      syncNow();
    } else if (buttonIndex == 1) {
      later();
    }
  }
}

// ---- the demo help ------------------------------------------------------------------------------

bool HomeViewController::hasShownHelpLogout() { return base::UserDefaults::standard().boolForKey("HasShownHelpLogout"); }

void HomeViewController::markAppHasShownHelpLogout() {
  auto& defaults = base::UserDefaults::standard();
  defaults.setBool("HasShownHelpLogout", true);
  defaults.synchronize();
}

void HomeViewController::showHelpLogout() {
  if (LoginMode::sharedInstance()->loginType() != LoginType::Demo || hasShownHelpLogout()) return;
  if (!view()->window()) return;
  auto help = std::make_shared<LoginPopController>();
  help->setForHelp(true);
  help->view()->setBackgroundColor(gfx::Color::clear());
  helpPopController_ = std::make_shared<ui::PopoverController>(help);
  helpPopController_->setBackgroundColor(gfx::Color::rgb255(64, 95, 131));
  helpPopController_->setPopoverContentSize({LoginPopController::kWidth, LoginPopController::kHeight});
  helpPopController_->presentPopoverFromRect(FitCGRect::sharedInstance().fitCGRectBy(15, 705, 222, 51), view().get(),
                                             ui::PopoverArrowDirectionAny, true);
  markAppHasShownHelpLogout();
}

void HomeViewController::closeOverlays() {
  if (helpPopController_) helpPopController_->dismissPopoverAnimated(false);
  for (auto& weak : alerts_) {
    if (auto alert = weak.lock()) {
      alert->setDelegate({});
      alert->dismissWithClickedButtonIndex(alert->cancelButtonIndex(), false);
    }
  }
  alerts_.clear();
}

void HomeViewController::userEditBtnClick() { ui::Application::sharedInstance().openURL(PublicFunction::editUserUrl()); }

void HomeViewController::logoutBtnClick() {
  if (auto actions = actions_) actions->logOutLater();
}

}  // namespace mv
