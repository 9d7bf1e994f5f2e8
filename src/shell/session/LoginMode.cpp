#include "shell/session/LoginMode.hpp"

#include "platform/base/Date.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/session/AccountStorage.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestCheckDeviceStatus.hpp"
#include "sync/requests/RequestCheckVersion.hpp"
#include "sync/requests/RequestConfig.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestRuntimeConfig.hpp"
#include "sync/requests/RequestSyncDataFinish.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

std::shared_ptr<LoginMode>& instanceSlot() {
  static std::shared_ptr<LoginMode> instance;
  return instance;
}

std::weak_ptr<ShellActions>& actionsSlot() {
  static std::weak_ptr<ShellActions> actions;
  return actions;
}

// A week, the snooze of an update offer.
constexpr double kUpdateSnoozeSeconds = 604800;


}  // namespace

// ---- life -------------------------------------------------------------------------

std::shared_ptr<LoginMode> LoginMode::sharedInstance() {
  MV_ASSERT_MAIN_THREAD();
  auto& slot = instanceSlot();
  if (slot) return slot;
  slot.reset(new LoginMode());
  slot->startObserving();
  installWaitBox();
  SyncSession::setCurrent(slot);
  Session::publish(slot->session_);
  return slot;
}

std::shared_ptr<ShellActions> LoginMode::shellActions() { return actionsSlot().lock(); }

void LoginMode::setShellActions(std::weak_ptr<ShellActions> actions) {
  MV_ASSERT_MAIN_THREAD();
  actionsSlot() = std::move(actions);
}

std::shared_ptr<LoginMode> LoginMode::existingInstance() {
  MV_ASSERT_MAIN_THREAD();
  return instanceSlot();
}

void LoginMode::freeInstance() {
  MV_ASSERT_MAIN_THREAD();
  std::shared_ptr<LoginMode> dropped;
  dropped.swap(instanceSlot());
  SyncSession::setCurrent({});
  Session::clear();
  if (!dropped) return;
  // Whoever still holds the object (a reply being delivered, an alert) finds
  // it inert: no timer of it fires any more and it hears no notification.
  dropped->signIn_.cancelAll();
  dropped->requests_.cancelAll();
  dropped->pendingLogin_ = 0;
  dropped->netConnectObservation_.reset();
  dropped->netUnconnectObservation_.reset();
  dropped->delegate_.reset();
}

void LoginMode::installWaitBox() { MessageBox::installAsBlockWaitBox(); }

LoginMode::LoginMode() : sender_(NetworkModel::sharedSender()) {}

void LoginMode::setSender(std::shared_ptr<RequestSender> sender) {
  MV_ASSERT_MAIN_THREAD();
  signIn_.cancelAll();
  requests_.cancelAll();
  pendingLogin_ = 0;
  sender_ = sender ? std::move(sender) : NetworkModel::sharedSender();
}

LoginMode::~LoginMode() = default;

void LoginMode::startObserving() {
  std::weak_ptr<LoginMode> weak = weak_from_this();
  netConnectObservation_ = base::Observation("netconnect", nullptr, [weak](const base::Notification&) {
    if (auto self = weak.lock()) self->netConnected();
  });
  netUnconnectObservation_ = base::Observation("netUnconnect", nullptr, [weak](const base::Notification&) {
    if (auto self = weak.lock()) self->netUnconnect();
  });
}

// ---- identity --------------------------------------------------------------------

void LoginMode::publishSession() {
  // Only the session's own object speaks for it; one freed at logout that a
  // reply still holds changes nothing below.
  if (existingInstance().get() == this) Session::publish(session_);
}

#define MV_SESSION_FIELD(Type, Getter, Setter, member) \
  Type LoginMode::Getter() const { return session_.member; } \
  void LoginMode::Setter(const Type& v) {                \
    MV_ASSERT_MAIN_THREAD();                             \
    session_.member = v;                                 \
    publishSession();                                    \
  }

MV_SESSION_FIELD(std::string, acountID, setAcountID, acountID)
MV_SESSION_FIELD(std::string, password, setPassword, password)
MV_SESSION_FIELD(std::string, clientID, setClientID, clientID)
MV_SESSION_FIELD(std::string, deviceID, setDeviceID, deviceID)
MV_SESSION_FIELD(std::string, sessionId, setSessionId, sessionId)
#undef MV_SESSION_FIELD

std::int64_t LoginMode::vendorId() const { return session_.vendorId; }
void LoginMode::setVendorId(std::int64_t v) {
  session_.vendorId = v;
  publishSession();
}
LoginType LoginMode::loginType() const { return session_.loginType; }
void LoginMode::setLoginType(LoginType type) {
  session_.loginType = type;
  publishSession();
}

LoginInfo LoginMode::loginInfo() const {
  LoginInfo info;
  info.accountId = session_.acountID;
  info.passWord = session_.password;
  info.clientId = session_.clientID;
  info.deviceId = session_.deviceID;
  info.sessionId = session_.sessionId;
  info.email = email_;
  info.companyName = companyName_;
  info.companyLink = companyLink_;
  info.userAccess = userAccess_;
  return info;
}

std::optional<fs::path> LoginMode::clientFolder() const { return PublicFunction::clientFolder(clientID()); }

std::optional<fs::path> LoginMode::skinFolder() const {
  auto folder = clientFolder();
  if (!folder) return std::nullopt;
  return *folder / SkinManager::kSkinFolderName;
}

std::string LoginMode::perClientKey(const std::string& name) const { return clientID() + "-" + name; }

// ---- network changes --------------------------------------------------------------

void LoginMode::netConnected() {
  const LoginType type = loginType();
  if (type != LoginType::Online && type != LoginType::Offline) return;
  // Not while the welcome screen runs its own sign-in.
  if (auto actions = shellActions(); actions && actions->isWelcomeShown()) return;
  if (isLoginPending()) return;
  sendLogin(true);
}

void LoginMode::netUnconnect() {
  if (loginType() == LoginType::Online) setLoginType(LoginType::Offline);
}

// ---- session requests ---------------------------------------------------------------

void LoginMode::checkDeviceStatus() {
  if (loginType() != LoginType::Online) return;
  auto request = std::make_shared<RequestCheckDeviceStatus>();
  request->userName = acountID();
  request->clientID = clientID();
  request->deviceID = deviceID();
  // The reply's status says whether the user or device is locked; the
  // application decides what that means.
  if (sender_->sendFor<CheckDeviceRst>(request, requests_, [](const CheckDeviceRst& result) {
        if (auto actions = shellActions()) actions->logOutWithLockedUser(result.status, result.message);
      }) < 0) {
    MV_LOG("the device check could not be sent");
  }
  checkAppVersion(true);
}

void LoginMode::checkAppVersion(bool automatic) {
  checkLocalVersion_ = automatic;
  if (sender_->sendFor<CheckAppVersionRst>(std::make_shared<RequestCheckVersion>(), requests_,
                                           [](const CheckAppVersionRst& version) {
                                             if (auto actions = shellActions()) actions->versionChecked(version);
                                           }) < 0) {
    MV_LOG("the version check could not be sent");
  }
}

void LoginMode::getUserinfo() {
  if (loginType() != LoginType::Online) return;
  auto request = std::make_shared<RequestGetUserinfo>();
  request->userName = acountID();
  request->clientID = clientID();
  if (sender_->sendFor<GetUserinfoRst>(request, requests_,
                                       [this](const GetUserinfoRst& info) { userinfoReply(info); }) < 0) {
    MV_LOG("the user information request could not be sent");
  }
}

void LoginMode::userinfoReply(const GetUserinfoRst& info) {
  if (!info.isSuccess()) return;
  setEmail(info.email);
  setCompanyName(info.companyName);
  setCompanyLink(info.companyLink);
  setUserAccess(info.userAccess);
  auto database = SessionDatabase::open();
  if (!database || !database->saveUserInfo(loginInfo())) MV_LOG("The user information could not be stored");
}

void LoginMode::getRuntimeConfig() {
  if (loginType() != LoginType::Online) return;
  auto request = std::make_shared<RequestRuntimeConfig>();
  request->clientId = clientID();
  if (sender_->sendFor<ConfigRst>(request, requests_, [](const ConfigRst& config) {
        if (config.isSuccess()) {
          auto services = SessionServices::current();
          auto manager = services ? services->get<ConfigManager>() : nullptr;
          if (!manager || !manager->syncConfigData(config.configTable)) {
            MV_LOG("The runtime configuration could not be stored");
          }
        } else {
          MV_LOG("get runtime config error!");
        }
      }) < 0) {
    MV_LOG("the runtime configuration request could not be sent");
  }
}

void LoginMode::syncFinishedtype(const std::string& tableType) {
  auto request = std::make_shared<RequestSyncDataFinish>();
  request->tableType = tableType;
  // The acknowledgement's reply tells nothing more.
  const int code = sender_->sendFor<SyncDataFinishRst>(request, requests_, [](const SyncDataFinishRst&) {});
  MV_LOG("the request is ", code);
}

// ---- local data -------------------------------------------------------------------

bool LoginMode::removeBlockAccount() { return AccountStorage(clientID()).removeBlockAccount(); }

void LoginMode::removeAllSyncFlag() { AccountStorage(clientID()).removeAllSyncFlag(); }

void LoginMode::refreshLastLogininfo() { AccountStorage::refreshLastLogininfo(loginInfo(), autoLogin_); }

bool LoginMode::versionCompare() {
  auto actions = shellActions();
  return AccountStorage(clientID()).versionCompare(actions ? actions->appVersion() : base::Bundle::shortVersion());
}

bool LoginMode::createAllDirectorys() { return AccountStorage(clientID()).createAllDirectorys(); }

bool LoginMode::isNeedCheckVersionAlert(int updateType) {
  if (!checkLocalVersion_) return true;
  if (updateType == 3) return true;
  if (updateType != 1 && updateType != 2) return false;
  const char* key = updateType == 1 ? "UpdateVersionSign" : "UpdateVersionSuggest";
  auto& defaults = base::UserDefaults::standard();
  auto when = defaults.dateForKey(key);
  if (!when) return true;
  if (base::Date::now() - *when > kUpdateSnoozeSeconds) {
    defaults.removeObject(key);
    defaults.synchronize();
    return true;
  }
  return false;
}

}  // namespace mv
