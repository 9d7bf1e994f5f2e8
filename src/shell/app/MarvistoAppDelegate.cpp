#include "shell/app/MarvistoAppDelegate.hpp"

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "shell/app/AppShellActions.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/CrashReporter.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/config/Language.hpp"
#include "shell/session/AccountStorage.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestCheckVersion.hpp"
#include "transport/CookieStore.hpp"
#include "transport/Reachability.hpp"
#include "util/OpenableLink.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {
namespace {

std::shared_ptr<MarvistoAppDelegate>& slot() {
  static std::shared_ptr<MarvistoAppDelegate> instance;
  return instance;
}

std::string text(const std::optional<std::string>& t) { return t.value_or(std::string()); }

}  // namespace

std::shared_ptr<MarvistoAppDelegate> MarvistoAppDelegate::create(std::shared_ptr<ScreenFactory> screens) {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<MarvistoAppDelegate> app(new MarvistoAppDelegate(std::move(screens)));
  std::weak_ptr<MarvistoAppDelegate> weak = app;
  app->actions_ = std::make_shared<AppShellActions>(weak);
  // Each session asks the application through actions of its own (the
  // library's column flag starts afresh with it).
  app->wiring_.services.add<ShellActions>([weak](SessionServices& services) {
    return std::make_shared<AppShellActions>(weak, services);
  });
  ConfigManager::install(app->wiring_.services);
  slot() = app;
  return app;
}

std::shared_ptr<MarvistoAppDelegate> MarvistoAppDelegate::current() { return slot(); }

void MarvistoAppDelegate::destroyCurrent() {
  MV_ASSERT_MAIN_THREAD();
  auto app = std::move(slot());
  slot().reset();
  if (!app) return;
  NetworkModel::sharedInstance().setSessionEventSink({});
  LoginMode::setShellActions({});
  MessageBox::sharedInstance().setHostWindow({});
  app->syncStart_.cancelAll();
  app->logout_.cancelAll();
  app->ahead_.cancelAll();
  app->reachabilityObservation_.reset();
  app->backgroundObservation_.reset();
  app->foregroundObservation_.reset();
  app->textCutObservation_.reset();
  if (app->reachability_) app->reachability_->stopNotifier();
  if (app->window_) {
    app->window_->setRootViewController(nullptr);
    ui::Application::sharedInstance().removeWindow(app->window_.get());
  }
}

MarvistoAppDelegate::MarvistoAppDelegate(std::shared_ptr<ScreenFactory> screens) : screens_(std::move(screens)) {
  window_ = std::make_shared<ui::Window>();
}

MarvistoAppDelegate::~MarvistoAppDelegate() = default;

std::filesystem::path MarvistoAppDelegate::crashReportFile() { return base::Paths::caches() / "crash-report.txt"; }

bool MarvistoAppDelegate::didFinishLaunchingWithOptions(const LaunchOptions& options) {
  MV_ASSERT_MAIN_THREAD();
  auto& defaults = base::UserDefaults::standard();
  // 1. The light status bar of the newer systems.
  if (PublicFunction::getDeviceVersion() >= 7.0) {
    ui::Application::sharedInstance().setStatusBarStyle(ui::StatusBarStyle::LightContent);
  }
  // 2.
  PublicFunction::SkipBackup();
  // 3. The interface language (0 picks the device's preferred one).
  LanguageManager::sharedInstance().setCurrentLanguage(static_cast<int>(defaults.integerForKey("language")));
  // 4. The version and the demo shortcuts.
  const std::string bundleVersion = base::Bundle::shortVersion();
  const auto storedVersion = defaults.optionalStringForKey("App_version");
  if (!defaults.hasKey("Z_DUVO_SHORTCUT") || !defaults.hasKey("TOLVAREN_SHORTCUT")) {
    defaults.setBool("Z_DUVO_SHORTCUT", true);
    defaults.setBool("TOLVAREN_SHORTCUT", true);
    defaults.synchronize();
  }
  if (storedVersion && !isBlank(trimWhitespaceAndNewlines(*storedVersion)) && *storedVersion == bundleVersion) {
    // 5. The same version as last time.
    defaults.setBool("SHOULDSHOWGUIDE", false);
    PublicFunction::changeAllClientFolderToLower();
  } else {
    // 6. A first launch or a new version.
    defaults.setBool("SHOULDSHOWGUIDE", true);
    defaults.setString("App_version", bundleVersion);
    PublicFunction::resetUserSetting();
    defaults.synchronize();
    PublicFunction::moveAllClientFolderToDocuments();
    SkinManager::sharedInstance().setNeedUpdateDemo(true);
  }
  // A locked account's data that an earlier run could not delete whole goes
  // now, before a sign-in could open it.
  AccountStorage::finishUnfinishedWipes();
  AccountStorage::carryBackSetAside();
  AccountStorage::sweepLeftovers();
  for (const auto& hook : wiring_.onLaunch) hook();
  // 7.
  PublicFunction::GetServer();
  if (options.applySettings) options.applySettings();
  // The widgets draw the signed-in client's skin.
  WidgetSkin::setSkinImageProvider([](const std::string& name) { return SkinManager::skinFromImageName(name); });
  currentVersion_ = bundleVersion;
  // 8.
  CookieStore::sharedInstance().setCookieAcceptPolicy(CookieStore::AcceptPolicy::Always);
  // The statuses that end the session come here, and so do the sign-in's
  // answers; the wait boxes show in the application's window.
  NetworkModel::sharedInstance().setSessionEventSink(weak_from_this());
  LoginMode::setShellActions(actions_);
  MessageBox::sharedInstance().setHostWindow(window_);
  // 9. Reachability.
  reachability_ = options.networkStatusSource
                      ? Reachability::reachabilityWithHostName(kReachabilityHost, options.networkStatusSource)
                      : Reachability::reachabilityWithHostName(kReachabilityHost);
  if (reachability_) {
    std::weak_ptr<MarvistoAppDelegate> weak = weak_from_this();
    reachabilityObservation_ = base::Observation(
        kReachabilityChangedNotification, reachability_.get(), [weak](const base::Notification&) {
          auto self = weak.lock();
          if (self && self->reachability_) self->reachabilityChanged(self->reachability_->currentReachabilityStatus());
        });
    reachability_->startNotifier();
  }
  // 10. The crash report.
  if (options.installCrashHandler) {
    CrashReporter::install(
        crashReportFile(), [](const std::string& link) { ui::Application::sharedInstance().openURL(link); },
        options.crashSignalHandlers);
  }
  // The window's back end tells when the application goes to the background
  // and comes back.
  std::weak_ptr<MarvistoAppDelegate> weak = weak_from_this();
  backgroundObservation_ = base::Observation(ui::Application::DidEnterBackgroundNotification, nullptr,
                                             [weak](const base::Notification&) {
                                               if (auto self = weak.lock()) self->applicationDidEnterBackground();
                                             });
  foregroundObservation_ = base::Observation(ui::Application::WillEnterForegroundNotification, nullptr,
                                             [weak](const base::Notification&) {
                                               if (auto self = weak.lock()) self->applicationWillEnterForeground();
                                             });
  // Text typed or pasted past the room of its field: the user hears that
  // the rest was left out, once however often it was cut at a time. The
  // toast comes once the edit and what it set off (a search) are done, so
  // it shows for its whole time.
  textCutObservation_ = base::Observation(ui::TextInputTraits::TextCutNotification, nullptr,
                                          [](const base::Notification&) {
                                            base::RunLoop::main().post([] { UIToast::showTextOnceOf("TEXTCUT"); });
                                          });
  // 11. The window and the welcome screen.
  window_->makeKeyAndVisible();
  showWelcome();
  return true;
}

void MarvistoAppDelegate::showWelcome() {
  auto welcome = screens_->makeWelcomeScreen(actions_);
  welcome_ = welcome;
  window_->setRootViewController(welcome);
}

bool MarvistoAppDelegate::isWelcomeRoot() const {
  auto welcome = welcome_.lock();
  return welcome && window_ && window_->rootViewController() == welcome;
}

std::shared_ptr<UITabBarControllerExt> MarvistoAppDelegate::tabBarController() const {
  return std::dynamic_pointer_cast<UITabBarControllerExt>(mainScreen_);
}

void MarvistoAppDelegate::showMainController() {
  if (mainScreen_ && window_->rootViewController() == mainScreen_->rootViewController()) return;
  if (!SessionServices::current()) SessionServices::begin(wiring_.services);
  mainScreen_ = screens_->makeMainScreen(SessionServices::current());
  welcome_.reset();
  window_->setRootViewController(mainScreen_->rootViewController());
  configurationChanged();
  // Posted from the turn that shows the main screen, the work ahead runs after
  // that turn's display pass: it does not hold up the first frame.
  base::RunLoop::main().post(ahead_.guard([this] {
    if (auto services = SessionServices::current()) FeatureWiring::run(wiring_.afterMainScreen, *services);
  }));
}

void MarvistoAppDelegate::configurationChanged() {
  if (auto services = SessionServices::current()) FeatureWiring::run(wiring_.onConfigChanged, *services);
}

void MarvistoAppDelegate::showSyncController() {
  if (mainScreen_) mainScreen_->selectTab(6);
  syncStart_.cancelAll();
  syncStart_.after(0.1, [this] { startSync(); });
}

void MarvistoAppDelegate::startSync() {
  if (auto services = SessionServices::current()) FeatureWiring::run(wiring_.startSync, *services);
}

void MarvistoAppDelegate::showLoginPage() {
  endSession();
  showWelcome();
}

void MarvistoAppDelegate::endSession() {
  MV_ASSERT_MAIN_THREAD();
  logout_.cancelAll();
  syncStart_.cancelAll();
  ahead_.cancelAll();
  LoginMode::freeInstance();
  NetworkModel::sharedInstance().cancelAllRequests();
  LanguageManager::sharedInstance().removeAllLanugageNotification();
  // The old tab bar and its screens go first, so that none of them reacts to
  // notifications or reaches a service after the logout.
  if (mainScreen_) mainScreen_->dismissPresented();
  mainScreen_.reset();
  // Then the features' services end, and the session's database closes (or
  // the one a sign-in opened before any session began).
  SessionServices::end();
  SessionDatabase::close();
  SkinManager::sharedInstance().stopSkinCheck();
  for (const auto& hook : wiring_.onLogout) {
    if (hook) hook();
  }
}

void MarvistoAppDelegate::showLoginPageLater() {
  if (!logout_.empty()) return;
  logout_.after(0, [this] { showLoginPage(); });
}

// ---- session statuses ---------------------------------------------------------------

std::shared_ptr<ui::AlertView> MarvistoAppDelegate::showAlert(const std::string& title, const std::string& message,
                                                              long tag, bool withDelegate,
                                                              const std::optional<std::string>& cancel,
                                                              const std::vector<std::string>& others) {
  std::weak_ptr<ui::AlertViewDelegate> delegate;
  if (withDelegate) delegate = weak_from_this();
  auto alert = std::make_shared<ui::AlertView>(title, message, delegate, cancel, others);
  alert->setTag(tag);
  alert->show();
  return alert;
}

void MarvistoAppDelegate::logoutWhenSessionExpired(const std::string& status, const std::string& /*message*/) {
  deviceStatus_ = status;
  // Cancel also ends the wait of a sign-in on the welcome screen.
  showAlert(text(Language::stringWithName("REQUIRELOGIN")), text(Language::stringWithName("101")),
            kSessionExpiredAlertTag, true, text(Language::stringWithName("CANCEL")),
            {text(Language::stringWithName("LOGOUTSETTINGS"))})
      ->setBackOutButtonIndex(0);
}

void MarvistoAppDelegate::logoutWithLockedUser(const std::string& status, const std::string& message) {
  deviceStatus_ = status;
  if (status == kStatusDeviceHealthy) return;
  if (!isLockedStatus(status)) {
    // No answer, or one that says nothing about a lock: the session goes on.
    MV_LOG("device status ", status, " leaves the session as it is");
    return;
  }
  std::string shown = message;
  if (shown.empty()) shown = text(Language::stringWithName(status));
  // Its one answer deletes the account's data: a key pressed in passing
  // does not give it.
  showAlert(text(Language::stringWithName("INVALIDDEVICE")), shown, kLockedAlertTag, true, std::nullopt,
            {text(Language::stringWithName("OK"))})
      ->setRequiresAnswer(true);
}

void MarvistoAppDelegate::endWaitOnWelcome() {
  if (isWelcomeRoot()) MessageBox::sharedInstance().EndBlockWait();
}

void MarvistoAppDelegate::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  switch (alert.tag()) {
    case kLockedAlertTag: {
      const bool locked = isLockedStatus(deviceStatus_);
      if (isWelcomeRoot()) {
        if (locked) {
          // Nothing may still write into the store while it is deleted; the
          // deletion ends any session services before it closes the database.
          NetworkModel::sharedInstance().cancelAllRequests();
          if (auto lm = LoginMode::existingInstance(); lm && !lm->removeBlockAccount()) {
            MV_LOG("The locked account's data was not deleted whole");
          }
        }
        MessageBox::sharedInstance().EndBlockWait();
      } else if (locked) {
        // The session's screens and services end before its data goes: none
        // of them holds the database or writes into it while it is deleted.
        auto lm = LoginMode::existingInstance();
        const std::string client = lm ? lm->clientID() : std::string();
        endSession();
        if (!AccountStorage(client).removeBlockAccount()) MV_LOG("The locked account's data was not deleted whole");
        showWelcome();
      } else {
        showLoginPageLater();
      }
      break;
    }
    case kSessionExpiredAlertTag:
      endWaitOnWelcome();
      if (buttonIndex == alert.firstOtherButtonIndex()) showLoginPageLater();
      break;
    case kUpdateSignAlertTag:
    case kUpdateSuggestAlertTag:
      if (buttonIndex == 1) {
        openAppUrl();
      } else if (buttonIndex == 0) {
        auto& defaults = base::UserDefaults::standard();
        defaults.setDate(alert.tag() == kUpdateSignAlertTag ? "UpdateVersionSign" : "UpdateVersionSuggest",
                         base::Date::now());
        defaults.synchronize();
        showAlert(text(Language::stringWithName("UPDATEINSETTINGS")), text(Language::stringWithName("CANCELUPDATEMSG")),
                  0, false, text(Language::stringWithName("OK")), {});
      }
      break;
    case kUpdateRequiredAlertTag:
      openAppUrl();
      break;
    default:
      break;
  }
}

void MarvistoAppDelegate::openAppUrl() {
  // The address comes from the service: only a web or mail address is opened.
  if (auto url = openableLink(trimWhitespaceAndNewlines(appUrl_))) {
    ui::Application::sharedInstance().openURL(*url);
    return;
  }
  // The user asked for the update: an alert that closed without a word would
  // leave them waiting for it.
  MV_LOG("the update address \"", appUrl_, "\" is not a web address; not opened");
  showAlert(text(Language::stringWithName("UPDATENOTOPENED")), text(Language::stringWithName("UPDATEADDRESSINVALID")),
            0, false, text(Language::stringWithName("OK")), {});
}

void MarvistoAppDelegate::CheckAppVersionReturn(const CheckAppVersionRst& r) {
  auto lm = LoginMode::sharedInstance();
  const bool automatic = lm->checkLocalVersion();
  if (!r.isSuccess()) {
    // A check the user asked for hears that it failed; an automatic one is quiet.
    if (!automatic) {
      showAlert(text(Language::stringWithName("VERSIONCHECKFAILED")), r.message, 0, false,
                text(Language::stringWithName("OK")), {});
    }
    return;
  }
  if (!lm->isNeedCheckVersionAlert(r.updateType)) return;
  const std::string title = Language::format("%@ %@", {text(Language::stringWithName("NEWVERSIONFOUND")), r.appVersion});
  appUrl_ = r.appUrl;
  std::shared_ptr<ui::AlertView> alert;
  switch (r.updateType) {
    case 3:
      alert = showAlert(title, r.updateMessage(), kUpdateRequiredAlertTag, true,
                        text(Language::stringWithName("UPDATENOW")), {});
      // Its one answer opens the update's page.
      alert->setRequiresAnswer(true);
      break;
    case 2:
      alert = showAlert(title, r.updateMessage(), kUpdateSuggestAlertTag, true, text(Language::stringWithName("LATER")),
                        {text(Language::stringWithName("UPDATENOW"))});
      break;
    case 1:
      alert = showAlert(title, r.updateMessage(), kUpdateSignAlertTag, true, text(Language::stringWithName("LATER")),
                        {text(Language::stringWithName("UPDATENOW"))});
      break;
    default:
      if (!automatic) {
        showAlert(text(Language::stringWithName("ALREADYLATESTVERSION")),
                  text(Language::stringWithName("LATESTVERSIONMSG")), 0, false, text(Language::stringWithName("OK")),
                  {});
      }
      return;
  }
  if (alert) alert->messageLabel().setTextAlignment(gfx::TextAlignment::Left);
}

// ---- lifecycle and network ------------------------------------------------------------

void MarvistoAppDelegate::applicationWillEnterForeground() {
  if (auto lm = LoginMode::existingInstance()) lm->checkDeviceStatus();
  base::NotificationCenter::defaultCenter().post("AppWillEnterForegroud");
}

void MarvistoAppDelegate::applicationDidEnterBackground() {
  base::NotificationCenter::defaultCenter().post("AppWillEnterBackgound");
}

void MarvistoAppDelegate::reachabilityChanged(ReachabilityStatus status) {
  MV_ASSERT_MAIN_THREAD();
  switch (status) {
    case ReachabilityStatus::ReachableViaWiFi:
      LoginMode::sharedInstance()->setIsNotWifi(false);
      base::NotificationCenter::defaultCenter().post("netconnect");
      break;
    case ReachabilityStatus::ReachableViaCellular:
      LoginMode::sharedInstance()->setIsNotWifi(true);
      base::NotificationCenter::defaultCenter().post("netconnect");
      break;
    case ReachabilityStatus::NotReachable:
      base::NotificationCenter::defaultCenter().post("netUnconnect");
      break;
  }
}

}  // namespace mv
