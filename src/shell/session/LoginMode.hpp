#pragma once
// The process-wide sign-in state: who is signed in (client id, user name,
// password, device id), how (1 online, 2 offline, 3 demo, -1 not signed in),
// and what the service said about the user. It runs the sign-in after the
// login request: keeps the reply, refreshes the saved logins, records the user
// for later offline sign-ins, upgrades the client database after an
// application update, fetches the component configuration and the skin, and
// tells its delegate that the user is in. It signs in offline when the service
// cannot be reached and again, silently, when the network comes back. It also
// sends the small session requests and deletes a locked account's local data
// (what is stored of the account is `AccountStorage`'s business). The
// sign-in flow is in LoginSignIn.cpp.
//
// Created on first use, freed at logout. Readers hold the shared pointer for
// as long as they use it; nothing keeps a raw pointer across run-loop turns.
// Main thread only. It publishes the identity as the session value
// (`Session`), which is where the lower layers read it.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "store/LoginInfo.hpp"
#include "sync/SyncSession.hpp"
#include "util/Session.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class DataAccessManager;
class LoginRst;
class ConfigRst;
class DownloadRst;
class GetUserinfoRst;
class NetBaseRst;
class RequestSender;

// The screen waiting for the outcome of a sign-in (the welcome screen).
class LoginModelDelegate {
 public:
  virtual ~LoginModelDelegate() = default;
  virtual void loginSuccess() = 0;
  virtual void loginErroWithMessage(const std::string& message) = 0;
  // Signed in offline, with the reason.
  virtual void loginAbnormalWithMessage(const std::string& message) = 0;
  // The sign-in button may be used again.
  virtual void changeLoginButState() = 0;
};

class LoginMode : public SyncSession,
                  public ui::AlertViewDelegate,
                  public std::enable_shared_from_this<LoginMode> {
 public:
  static constexpr long kReloginAlertTag = 256;
  // Delay before the configuration step (and before its request).
  static constexpr double kConfigStepDelay = 1.5;
  static constexpr double kWaitTimeout = 300;

  static std::shared_ptr<LoginMode> sharedInstance();
  // The object if one exists, without making one.
  static std::shared_ptr<LoginMode> existingInstance();
  // Drops the object (logout): its timers are cancelled and its pending
  // replies go nowhere. The next sharedInstance makes a new one.
  static void freeInstance();
  // Makes the sync layer's wait boxes the application's. Done by
  // sharedInstance; harmless to repeat.
  static void installWaitBox();
  // Where the sign-in's answers for the application go (the logout, the
  // locked user, the version check): the application sets its actions at
  // launch and clears them when it ends. Outlives the sign-ins.
  static void setShellActions(std::weak_ptr<ShellActions> actions);
  // "The sales service at HOST:PORT could not be reached." for the server
  // the settings name: a failure to connect says which service did not
  // answer, since the network itself may be fine.
  static std::string serverNotReachedText();

  ~LoginMode() override;
  LoginMode(const LoginMode&) = delete;
  LoginMode& operator=(const LoginMode&) = delete;

  // ---- identity --------------------------------------------------------------
  std::shared_ptr<LoginModelDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LoginModelDelegate> delegate) { delegate_ = std::move(delegate); }

  std::string acountID() const;
  void setAcountID(const std::string& v);
  std::string password() const;
  void setPassword(const std::string& v);
  // As typed (or as the service spells it); lower-cased it names the folder.
  std::string clientID() const override;
  void setClientID(const std::string& v) override;
  std::string deviceID() const;
  void setDeviceID(const std::string& v);
  std::string email() const { return email_; }
  void setEmail(const std::string& v) { email_ = v; }
  std::string companyName() const { return companyName_; }
  void setCompanyName(const std::string& v) { companyName_ = v; }
  std::string companyLink() const { return companyLink_; }
  void setCompanyLink(const std::string& v) { companyLink_ = v; }
  std::string sessionId() const;
  void setSessionId(const std::string& v) override;
  std::int64_t vendorId() const;
  void setVendorId(std::int64_t v) override;
  std::int64_t userAccess() const { return userAccess_; }
  void setUserAccess(std::int64_t v) { userAccess_ = v; }
  LoginType loginType() const override;
  void setLoginType(LoginType type) override;

  bool autoLogin() const { return autoLogin_; }
  void setAutoLogin(bool v) { autoLogin_ = v; }
  bool checkLocalVersion() const { return checkLocalVersion_; }
  void setCheckLocalVersion(bool v) { checkLocalVersion_ = v; }
  bool isNotWifi() const { return isNotWifi_; }
  void setIsNotWifi(bool v) { isNotWifi_ = v; }
  bool fromInput() const { return fromInput_; }
  bool needUpdate() const { return needUpdate_; }
  void setNeedUpdate(bool v) { needUpdate_ = v; }
  bool needUpdateSkin() const { return needUpdateSkin_; }
  void setNeedUpdateSkin(bool v) { needUpdateSkin_ = v; }
  bool hasBackup() const { return hasBackup_; }
  void setHasBackup(bool v) override { hasBackup_ = v; }
  // Seconds since 1970 of the last backup on the service, 0 when none.
  double lastBackupDate() const { return lastBackupDate_; }
  void setLastBackupDate(double v) override { lastBackupDate_ = v; }
  // The service asked for a full sync while the user was working: the next
  // sync fetches everything instead of the local data being wiped under the
  // open screens.
  bool isSyncAllData() const { return isSyncAllData_; }
  void setIsSyncAllData(bool v) { isSyncAllData_ = v; }
  void askFullSync() override { isSyncAllData_ = true; }

  // A new record of the session's login on every call.
  LoginInfo loginInfo() const;

  // Documents/<client id lower-cased>, and its skin folder; nothing without a
  // valid client id.
  std::optional<std::filesystem::path> clientFolder() const;
  std::optional<std::filesystem::path> skinFolder() const;
  // "<client id>-<name>": the per-client user-defaults keys.
  std::string perClientKey(const std::string& name) const;

  // ---- sign-in ---------------------------------------------------------------
  // Online sign-in; the caller has shown the "LOGINWAITING" box and set the
  // delegate. A client id that cannot name a folder is refused at once.
  void login(const LoginInfo& info, bool isFromInput, bool isAutoLogin);
  // Sign-in into a demo company from the shipped sample data. Waits while
  // the demo data is being unpacked.
  void loginWithDemo(const std::string& clientId);
  // A login request is on its way, and its request code (0 when none).
  bool isLoginPending() const { return pendingLogin_ != 0; }
  // The user gave up waiting for the service's answer: the login request is
  // dropped (a late answer reaches nothing) and the session stays signed
  // out. False when no login request waits (its answer is already being
  // acted on, which is not undone).
  bool abandonLogin();
  int pendingLoginCode() const { return pendingLogin_; }
  // Who carries the sign-in and the session's requests: the network model
  // unless a test says otherwise. Cancels whatever is under way.
  void setSender(std::shared_ptr<RequestSender> sender);

  // ---- session requests ----------------------------------------------------------
  void checkDeviceStatus();
  void checkAppVersion(bool automatic);
  void getUserinfo();
  void getRuntimeConfig();
  void syncFinishedtype(const std::string& tableType);

  // ---- the account's storage (`AccountStorage`, for the client signed in) ----------
  // Deletes the client folder (closing the database first) and the
  // per-client flags. Refuses a blank or invalid client id and the demo
  // companies. True when the folder is gone afterwards.
  bool removeBlockAccount();
  void removeAllSyncFlag();
  // The saved-login write after a successful sign-in.
  void refreshLastLogininfo();
  // Whether an update offer of that type is shown now (snoozes of 7 days).
  bool isNeedCheckVersionAlert(int updateType);
  // Upgrades the client database after an application update. True when
  // nothing was needed or the upgrade succeeded.
  bool versionCompare();
  // The client's file-type folders; false when one cannot be made.
  [[nodiscard]] bool createAllDirectorys();

  // ---- replies, alerts and network changes -------------------------------------
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  void netConnected();
  void netUnconnect();

 private:
  LoginMode();
  // The application's actions, while it runs.
  static std::shared_ptr<ShellActions> shellActions();
  void startObserving();
  void sendLogin(bool silent);
  // What the service said of the company of an earlier attempt.
  void forgetCompany();
  void loginReply(const LoginRst& result);
  // The session handler took the login's status (and told the user).
  void loginEndedBySession(const NetBaseRst& result);
  // The same for the configuration or the skin of the sign-in: an expired
  // session or a locked user ends a sign-in at any of its steps.
  void signInStepEndedBySession();
  void loginAccepted(const LoginRst& result, bool silent);
  void offlineSignIn(const NetBaseRst& result);
  void refusedSignIn(const NetBaseRst& result, bool silent);
  void showRequestConfigTittle();
  void requestConfig();
  void configReply(const ConfigRst& result);
  // Downloads the company's skin, in a wait the user may leave.
  void fetchSkin();
  void skinReply(const DownloadRst& result);
  void skinWaitCancelled();
  // Signs in with the skin there was; `tell`: the user hears that the
  // company's pictures were not loaded.
  void skinNotRenewed(bool tell);
  // Ends the sign-in with the configuration stored in the database; without
  // a module list there it fails with the text of `missingKey`.
  void finishWithConfiguration(bool clearDelegate, const char* missingKey = "CONFIGRATIONINFOERROR");
  // Whether the stored configuration names the modules to show.
  static bool hasModuleList(DataAccessManager& database);
  // Ends a sign-in that cannot complete: the box closes, the session is not
  // signed in, the database is closed and the panel is usable again.
  void failSignIn(const std::string& message);
  void endSignInBySession();
  // Ends the wait box of this sign-in: the current one while a screen waits
  // for it, else only the box this object began.
  void endWaitBox();
  // Before a full resync wipes the client folder, the user's own work that
  // the service does not have yet is kept and put back into the new database.
  void wipeForFullSync();
  void finishDemo(const std::string& clientId);
  void publishSession();
  void userinfoReply(const GetUserinfoRst& info);

  // The identity, published as the session value whenever it changes.
  Session session_;
  std::string email_, companyName_, companyLink_;
  std::int64_t userAccess_ = 0;

  std::weak_ptr<LoginModelDelegate> delegate_;
  bool autoLogin_ = false;
  bool checkLocalVersion_ = false;
  bool isNotWifi_ = false;
  bool fromInput_ = false;
  bool needUpdate_ = false;
  bool needUpdateSkin_ = false;
  bool hasBackup_ = false;
  double lastBackupDate_ = 0;
  bool isSyncAllData_ = false;

  // Request code of the login on its way (0 none) and whether it runs
  // without a screen waiting for it.
  int pendingLogin_ = 0;
  bool pendingSilent_ = false;
  bool demoRepairTried_ = false;
  // The wait box the sign-in opened itself (0 when none); the screen waiting
  // for the sign-in only knows the box it opened.
  int ownBoxTag_ = 0;
  // The sign-in attempt under way: its login, configuration and skin
  // requests and its delayed steps. A new attempt, a failed one and logout
  // cancel all of them.
  std::shared_ptr<RequestSender> sender_;
  // The skin's download, which the user may leave behind while the sign-in
  // goes on; `signIn_` cancels it too, so it is declared before it.
  base::CancelTracker skin_;
  base::CancelTracker signIn_;
  // The small session requests, cancelled at logout.
  base::CancelTracker requests_;
  base::Observation netConnectObservation_;
  base::Observation netUnconnectObservation_;
};

}  // namespace mv
