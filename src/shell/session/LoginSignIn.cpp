// The sign-in flow of `LoginMode`: the login request and its reply, the
// configuration and skin steps, the offline and refused sign-ins, the demo
// companies, and how a sign-in ends. The object's life, identity, session
// requests and network changes are in LoginMode.cpp.
#include <system_error>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/session/AccountStorage.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/session/SignInNotifications.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/CommandCode.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SyncModel.hpp"
#include "sync/requests/RequestConfig.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {
void announceSignedIn(const char* how) {
  base::NotificationCenter::defaultCenter().post(kSignedInNotification, nullptr, base::Value{{"how", how}});
}
}  // namespace
namespace {

// Statuses after which the user may still sign in offline.
bool isOfflineStatus(const std::string& status) {
  return status == kStatusNetworkError || status == "402" || status == "403" || status == "405";
}

}  // namespace

// ---- online sign-in ------------------------------------------------------------

void LoginMode::login(const LoginInfo& info, bool isFromInput, bool isAutoLogin) {
  forgetCompany();
  fromInput_ = isFromInput;
  autoLogin_ = isAutoLogin;
  setAcountID(info.accountId);
  setClientID(info.clientId);
  setPassword(info.passWord);
  setDeviceID(info.deviceId);
  if (!PublicFunction::isValidClientID(info.clientId) || SkinManager::isDemoClient(info.clientId)) {
    // The client id names a folder on this device; one that cannot is never
    // sent, stored or used as a path.
    MV_LOG("Refusing the client id \"", info.clientId, "\"");
    setClientID(std::string());
    failSignIn(textOrEmpty(Language::stringWithName("COMPANYIDNOTVALID")));
    return;
  }
  // A locked account's data not yet deleted whole goes before this sign-in
  // could open it; while it cannot, the account stays locked here.
  if (AccountStorage::hasUnfinishedWipe(info.clientId) && !AccountStorage(info.clientId).removeBlockAccount()) {
    failSignIn(textOrEmpty(Language::stringWithName(kStatusUserLocked)));
    return;
  }
  // A new attempt replaces any earlier one, with all it still has under way.
  signIn_.cancelAll();
  sendLogin(false);
}

void LoginMode::sendLogin(bool silent) {
  auto request = std::make_shared<RequestLogin>();
  request->userName = acountID();
  request->passWord = password();
  request->clientID = clientID();
  request->deviceID = deviceID();
  pendingSilent_ = silent;
  pendingLogin_ = sender_->sendFor<LoginRst>(
      request, signIn_, [this](const LoginRst& result) { loginReply(result); },
      [this](const NetBaseRst& result) { loginEndedBySession(result); });
  MV_LOG("the login request is ", pendingLogin_);
}

bool LoginMode::abandonLogin() {
  MV_ASSERT_MAIN_THREAD();
  if (pendingLogin_ == 0 || pendingSilent_) return false;
  pendingLogin_ = 0;
  signIn_.cancelAll();
  return true;
}

void LoginMode::loginReply(const LoginRst& result) {
  if (result.requestCode != pendingLogin_) return;  // a reply to an older attempt
  const bool silent = pendingSilent_ || !delegate();
  pendingLogin_ = 0;
  // From here the answer is acted on (the session published, its data
  // stored): the wait can no longer be abandoned.
  if (!silent) {
    auto& box = MessageBox::sharedInstance();
    box.withdrawCancel(box.waitMsgBoxtag());
  }
  if (result.isSuccess()) {
    loginAccepted(result, silent);
  } else if (isOfflineStatus(result.status)) {
    if (silent) {
      // The network came back but the service cannot be reached: the session
      // goes on as it is, with its database open under the screens.
      MV_LOG("silent re-login failed with ", result.status);
      return;
    }
    offlineSignIn(result);
  } else {
    refusedSignIn(result, silent);
  }
}

void LoginMode::loginEndedBySession(const NetBaseRst& result) {
  if (result.requestCode != pendingLogin_) return;
  const bool silent = pendingSilent_ || !delegate();
  pendingLogin_ = 0;
  if (silent) return;
  endSignInBySession();
}

void LoginMode::signInStepEndedBySession() {
  // Not only at the login: the session never stays "online" on the welcome
  // screen with the database open.
  if (delegate()) {
    endSignInBySession();
  } else {
    endWaitBox();
  }
}

void LoginMode::endSignInBySession() {
  // The application's alert tells the user why; the panel comes back.
  setLoginType(LoginType::None);
  signIn_.cancelAll();
  SessionDatabase::close();
  endWaitBox();
  if (auto d = delegate()) d->changeLoginButState();
}

void LoginMode::endWaitBox() {
  auto& box = MessageBox::sharedInstance();
  if (delegate()) {
    // The sign-in's box, whichever screen began it.
    box.EndBlockWait();
  } else if (ownBoxTag_) {
    // A silent re-login closes only its own box, never another flow's.
    box.EndBlockWait(ownBoxTag_);
  }
  ownBoxTag_ = 0;
}

void LoginMode::loginAccepted(const LoginRst& r, bool silent) {
  // 1. What the service says about the user. An identity field is replaced
  // only by a value the reply really carries: an absent client id must never
  // turn into an empty folder name.
  if (!isBlank(r.account)) session_.acountID = r.account;
  if (!isBlank(r.clientId) && PublicFunction::isValidClientID(r.clientId) &&
      asciiLowercase(r.clientId) == asciiLowercase(session_.clientID)) {
    session_.clientID = r.clientId;
  } else if (!isBlank(r.clientId) && asciiLowercase(r.clientId) != asciiLowercase(session_.clientID)) {
    MV_LOG("The service answered for client \"", r.clientId, "\"; keeping \"", session_.clientID, "\"");
  }
  session_.sessionId = r.sessionId;
  session_.vendorId = ConfigManager::integerValue(r.vendor_id);
  session_.loginType = LoginType::Online;
  publishSession();
  if (!isBlank(r.email)) email_ = r.email;
  if (!isBlank(r.companyName)) companyName_ = r.companyName;
  if (!isBlank(r.companyLink)) companyLink_ = r.companyLink;
  userAccess_ = r.userAccess;
  needUpdate_ = r.needUpdate;
  needUpdateSkin_ = r.needUpdateSkin;
  hasBackup_ = r.hasBackup;
  lastBackupDate_ = r.lastBackupDate;

  if (!silent) {
    // 2. The next database access opens the database of this client.
    SessionDatabase::close();
    // 3. A full resync starts from a fresh database, keeping the user's work.
    if (r.needSyncAll) wipeForFullSync();
    // A store that never finished a sync here (a new or deleted data folder)
    // is offered the whole data, whatever the service remembers of this device.
    if (!base::UserDefaults::standard().hasKey(clientID() + "-" + SyncModel::kLastSync)) {
      needUpdate_ = true;
      isSyncAllData_ = true;
    }
  } else if (r.needSyncAll) {
    // Screens and perhaps a sync are using the database right now.
    isSyncAllData_ = true;
  }

  // 4. The saved logins.
  if (fromInput_) refreshLastLogininfo();
  // 5. The local user, for later offline sign-ins.
  auto database = SessionDatabase::open();
  if (!database || !database->saveUserInfo(loginInfo())) MV_LOG("The user could not be stored for offline sign-in");
  // 6. When the service last backed up this user's work.
  auto& defaults = base::UserDefaults::standard();
  defaults.setDouble(clientID() + "-" + acountID() + "-last_backup_date", lastBackupDate_);
  if (!defaults.synchronize()) MV_LOG("The user defaults could not be written");
  // 7. The database follows the application's version.
  versionCompare();
  // 8. The configuration.
  if (r.needSyncAll && !silent) {
    // This box replaces the one the screen opened for the sign-in, so the
    // screen cannot close it: the sign-in does when it ends.
    ownBoxTag_ = MessageBox::sharedInstance().BeginBlockWait(
        textOrEmpty(Language::stringWithName("LOGINSUCCESSANDBOUND")), kWaitTimeout);
    signIn_.after(kConfigStepDelay, [this] { showRequestConfigTittle(); });
  } else {
    showRequestConfigTittle();
  }
}

void LoginMode::forgetCompany() {
  // A sign-in after another one on this page (again, or into the demo)
  // shows only what its own company says: the address, mail and name an
  // earlier attempt brought go, even where this one's reply is silent.
  email_.clear();
  companyName_.clear();
  companyLink_.clear();
}

void LoginMode::showRequestConfigTittle() {
  auto& box = MessageBox::sharedInstance();
  const std::string text = textOrEmpty(Language::stringWithName("SYNUSERCONFIG"));
  const int current = box.waitMsgBoxtag();
  if (!delegate()) {
    // A silent re-login shows its steps in a box of its own, and only when no
    // other flow (a running sync) has one up.
    if (ownBoxTag_ != 0 && current == ownBoxTag_) {
      box.ChangeWaitMessage(text);
    } else if (current == 0) {
      ownBoxTag_ = box.BeginBlockWait(text, kWaitTimeout);
    }
  } else if (current != 0) {
    box.ChangeWaitMessage(text);
  } else {
    ownBoxTag_ = box.BeginBlockWait(text, kWaitTimeout);
  }
  signIn_.after(kConfigStepDelay, [this] { requestConfig(); });
}

void LoginMode::requestConfig() {
  auto request = std::make_shared<RequestConfig>();
  request->clientId = clientID();
  const int code = sender_->sendFor<ConfigRst>(
      request, signIn_, [this](const ConfigRst& result) { configReply(result); },
      [this](const NetBaseRst&) { signInStepEndedBySession(); });
  MV_LOG("the rst is ", code);
}

void LoginMode::configReply(const ConfigRst& result) {
  if (!result.isSuccess()) {
    endWaitBox();
    if (delegate()) {
      failSignIn(result.message);
    } else {
      MV_LOG("The configuration could not be fetched: ", result.status);
    }
    return;
  }
  if (auto database = SessionDatabase::open()) {
    database->forgetFailure();
    if (!ConfigManager::storeConfigData(*database, result.configTable)) {
      MV_LOG("The configuration could not be stored");
      // Without one stored before, the sign-in cannot complete: the user
      // hears that it is the device's room, not the account, at fault.
      if (database->lastFailureFoundDiskFull() && !hasModuleList(*database)) {
        finishWithConfiguration(false, "SIGNINNOROOM");
        return;
      }
    }
  } else if (SessionDatabase::lastOpenFoundNoRoom()) {
    // The account's store cannot even be made: the device's room is at
    // fault, as above.
    finishWithConfiguration(false, "SIGNINNOROOM");
    return;
  } else {
    MV_LOG("No database to store the configuration in");
  }
  std::error_code ec;
  auto skin = skinFolder();
  if (skin && fs::is_directory(*skin, ec) && !needUpdateSkin_) {
    finishWithConfiguration(false);
    return;
  }
  fetchSkin();
}

void LoginMode::fetchSkin() {
  skin_.cancelAll();
  // Whatever ends the sign-in attempt ends the skin's download too.
  signIn_.track([this] { skin_.cancelAll(); });
  if (delegate()) {
    // A file server that keeps the connection open and sends nothing would
    // hold the user here for as long as its downloads take to give up: the
    // company's pictures are not worth that, so the wait may be left.
    ownBoxTag_ = MessageBox::sharedInstance().BeginBlockWait(
        textOrEmpty(Language::stringWithName("SYNUSERCONFIG")), kWaitTimeout, [weak = weak_from_this()] {
          if (auto self = weak.lock()) self->skinWaitCancelled();
        });
  }
  auto request = std::make_shared<RequestDownload>();
  request->fileNameList = {SkinManager::kSkinArchiveName};
  request->imgType = kFileTypeSkinArchive;
  request->progressType = kProgressTypeSingleWithPercent;
  const int id = sender_->sendFor<DownloadRst>(
      request, skin_, [this](const DownloadRst& result) { skinReply(result); },
      [this](const NetBaseRst&) { signInStepEndedBySession(); },
      [](const DownLoadRequestInfo&) { MV_LOG("the skin download is under way"); });
  MV_LOG("the downloadId is ", id);
}

void LoginMode::skinWaitCancelled() {
  MV_LOG("the user left the wait for the company's skin");
  // The box is gone; the download goes too, and the sign-in completes.
  ownBoxTag_ = 0;
  skin_.cancelAll();
  skinNotRenewed(true);
}

void LoginMode::skinReply(const DownloadRst& result) {
  bool renewed = false;
  bool tooLarge = false, shortOfRoom = false;
  auto folder = clientFolder();
  if (result.isSuccess() && folder) {
    // The new skin replaces the old one only when it unpacked whole, and only
    // then does the service hear that it arrived.
    if (SkinManager::unpackSkinArchive(*folder, &tooLarge, &shortOfRoom)) {
      renewed = true;
      needUpdateSkin_ = false;
      syncFinishedtype("skin");
      MV_LOG("request download finish success!");
    } else if (tooLarge) {
      // The company's pictures stay the application's own; the user hears why.
      UIToast::showTextOf(shortOfRoom ? "SKINNOROOM" : "SKINTOOLARGE");
    }
  } else if (result.httpRsp == kHttpRspNoRoom) {
    // The archive itself found no room on the device: the same word, once.
    tooLarge = true;
    UIToast::showTextOf("SKINNOROOM");
  }
  if (!delegate()) endWaitBox();
  if (renewed) {
    finishWithConfiguration(true);
  } else {
    skinNotRenewed(!tooLarge);
  }
}

void LoginMode::skinNotRenewed(bool tell) {
  // The one already there, or one from an archive that arrived earlier, or
  // the application's own images are used; the service is not told the skin
  // arrived, so the next sign-in asks for it again.
  SkinManager::sharedInstance().initializeSkinImage();
  const bool told = tell && delegate();
  finishWithConfiguration(true);
  // Over the main screen, long enough to read, once the sign-in completed.
  if (told && loginType() == LoginType::Online) {
    std::make_shared<UIToast>()->show(textOrEmpty(Language::stringWithName("SKINNOTLOADED")), UIToast::kGravityLower,
                                      UIToast::kLengthLong);
  }
}

bool LoginMode::hasModuleList(DataAccessManager& database) {
  auto config = ConfigManager::queryConfig(database);
  return config && !isBlank(trimWhitespaceAndNewlines(config->desc));
}

void LoginMode::finishWithConfiguration(bool clearDelegate, const char* missingKey) {
  auto database = SessionDatabase::open();
  if (!database || !hasModuleList(*database)) {
    endWaitBox();
    if (delegate()) {
      failSignIn(textOrEmpty(Language::stringWithName(missingKey)));
    } else {
      MV_LOG("The stored configuration has no module list");
    }
    return;
  }
  if (auto d = delegate()) {
    if (clearDelegate) delegate_.reset();
    if (ownBoxTag_) MessageBox::sharedInstance().EndBlockWait(ownBoxTag_);
    ownBoxTag_ = 0;
    announceSignedIn("online");
    d->loginSuccess();
  } else {
    endWaitBox();
  }
}

void LoginMode::failSignIn(const std::string& message) {
  auto d = delegate();
  setLoginType(LoginType::None);
  signIn_.cancelAll();
  pendingLogin_ = 0;
  SessionDatabase::close();
  MessageBox::sharedInstance().EndBlockWait();
  delegate_.reset();
  base::NotificationCenter::defaultCenter().post(kSignInFailedNotification, nullptr, base::Value{{"message", message}});
  if (d) {
    d->changeLoginButState();
    d->loginErroWithMessage(message);
  }
}

// ---- offline and refused sign-in --------------------------------------------------

std::string LoginMode::serverNotReachedText() {
  const ServerInfo server = PublicFunction::GetServer();
  const std::string where = server.strIP + ":" + std::to_string(server.httpPort);
  return Language::format(textOrEmpty(Language::stringWithName("SERVERNOTREACHED")), {where});
}

void LoginMode::offlineSignIn(const NetBaseRst& result) {
  // A certificate the device does not trust, or a reply too slow to wait
  // for, is no missing network: the reply's message says which it was.
  const bool noNetwork = result.status == kStatusNetworkError && result.httpRsp != kHttpRspUntrustedCertificate &&
                         result.httpRsp != kHttpRspTooSlow;
  auto d = delegate();
  if (d) d->changeLoginButState();
  SessionDatabase::close();
  MessageBox::sharedInstance().EndBlockWait();

  auto unreachable = [](const std::string& message) { return joinSentences(message, serverNotReachedText()); };
  std::error_code ec;
  auto folder = clientFolder();
  if (!folder || !fs::is_directory(*folder, ec)) {
    failSignIn(noNetwork ? unreachable(textOrEmpty(Language::stringWithName("FIRSTLOGINNETWORKERRO"))) : result.message);
    return;
  }
  auto dam = SessionDatabase::open();
  if (!dam) {
    failSignIn(textOrEmpty(Language::stringWithName("CONFIGRATIONINFOERROR")));
    return;
  }
  const std::string code = dam->checkLocalUserInfo(loginInfo());
  if (code != kStatusSuccess) {
    // The codes that ask for the network name the service that did not answer.
    const bool asksForNetwork = code == "201" || code == "210";
    const std::string text = textOrEmpty(Language::stringWithName(code));
    failSignIn(noNetwork ? (asksForNetwork ? unreachable(text) : text) : result.message);
    return;
  }
  if (auto user = dam->getUserInfo(acountID())) {
    if (!isBlank(user->accountId)) setAcountID(user->accountId);
    setEmail(user->email);
    setCompanyLink(user->companyLink);
    setCompanyName(user->companyName);
  }
  // Without a module list the main screen would have no tabs: the sign-in
  // cannot complete, and the user hears so before being told about offline.
  if (!hasModuleList(*dam)) {
    failSignIn(textOrEmpty(Language::stringWithName("CONFIGRATIONINFOERROR")));
    return;
  }
  refreshLastLogininfo();
  if (d) d->loginAbnormalWithMessage(noNetwork ? textOrEmpty(Language::stringWithName("USINGOFFLINE")) : result.message);
  if (auto still = delegate()) {
    setLoginType(LoginType::Offline);
    delegate_.reset();
    announceSignedIn("offline");
    still->loginSuccess();
  }
}

void LoginMode::refusedSignIn(const NetBaseRst& result, bool silent) {
  if (!silent) {
    failSignIn(result.message);
    return;
  }
  auto alert = std::make_shared<ui::AlertView>(
      textOrEmpty(Language::stringWithName("RELOGIN")),
      result.message + textOrEmpty(Language::stringWithName("STAYOFFLINEORLOGIN")),
      std::weak_ptr<ui::AlertViewDelegate>(shared_from_this()), textOrEmpty(Language::stringWithName("CANCEL")),
      std::vector<std::string>{textOrEmpty(Language::stringWithName("OK"))});
  alert->setTag(kReloginAlertTag);
  alert->show();
}

void LoginMode::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() != kReloginAlertTag) return;
  if (buttonIndex == alert.firstOtherButtonIndex()) {
    // Logout frees this object; it happens on the next turn, after this call.
    if (auto actions = shellActions()) actions->logOutLater();
  }
}

// ---- demo -------------------------------------------------------------------------

void LoginMode::loginWithDemo(const std::string& clientId) {
  if (!SkinManager::isDemoClient(clientId)) {
    failSignIn(textOrEmpty(Language::stringWithName("COMPANYIDNOTVALID")));
    return;
  }
  auto& skins = SkinManager::sharedInstance();
  if (skins.isDemoUnpacking()) {
    // The demo data is being written: the sign-in waits for it.
    std::weak_ptr<LoginMode> weak = weak_from_this();
    skins.whenDemoReady([weak, clientId] {
      if (auto self = weak.lock(); self && self == LoginMode::existingInstance()) self->loginWithDemo(clientId);
    });
    return;
  }
  const std::string id = asciiLowercase(clientId);
  forgetCompany();
  fromInput_ = false;
  setClientID(id);
  setAcountID("DEMO");
  setPassword(id);
  setDeviceID(id);
  setCompanyName("Demo Company");
  SessionDatabase::close();

  std::error_code ec;
  auto folder = clientFolder();
  if (!folder || !fs::is_regular_file(*folder / DataAccessManager::kDatabaseFileName, ec)) {
    if (!demoRepairTried_) {
      // Unpack the demo data again, then try once more.
      demoRepairTried_ = true;
      std::weak_ptr<LoginMode> weak = weak_from_this();
      skins.startDemoUnpack([weak, id](bool) {
        if (auto self = weak.lock(); self && self == LoginMode::existingInstance()) self->loginWithDemo(id);
      });
      return;
    }
    finishDemo(std::string());
    return;
  }
  finishDemo(id);
}

void LoginMode::finishDemo(const std::string& clientId) {
  bool configured = false;
  if (!clientId.empty()) {
    if (auto database = SessionDatabase::open()) configured = hasModuleList(*database);
  }
  if (!configured) {
    // The demo data is broken beyond a fresh unpack: its shortcut goes away
    // until the data is unpacked anew.
    const std::string id = asciiLowercase(this->clientID());
    auto& defaults = base::UserDefaults::standard();
    if (id == SkinManager::kDemoClientZDuvo) defaults.setBool("Z_DUVO_SHORTCUT", false);
    if (id == SkinManager::kDemoClientTolvaren) defaults.setBool("TOLVAREN_SHORTCUT", false);
    defaults.synchronize();
    SkinManager::sharedInstance().setNeedUpdateDemo(true);
    failSignIn(textOrEmpty(Language::stringWithName("CONFIGRATIONINFOERROR")));
    return;
  }
  if (auto d = delegate()) {
    setLoginType(LoginType::Demo);
    delegate_.reset();
    announceSignedIn("demo");
    d->loginSuccess();
  }
}

void LoginMode::wipeForFullSync() {
  // Without the user's work set aside nothing is wiped: the next sync
  // fetches everything into the database as it is.
  if (!AccountStorage(clientID()).wipeForFullSync()) isSyncAllData_ = true;
}

}  // namespace mv
