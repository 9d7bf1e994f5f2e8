#include "sync/SyncSession.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/CommandCode.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/Json.hpp"
#include "util/Text.hpp"

namespace mv {
namespace {

std::weak_ptr<SyncSession>& installed() {
  static std::weak_ptr<SyncSession> session;
  return session;
}

}  // namespace

void SyncSession::setCurrent(std::weak_ptr<SyncSession> session) { installed() = std::move(session); }

std::shared_ptr<SyncSession> SyncSession::current() { return installed().lock(); }

void SyncSession::acceptSilentLogin(SyncLoginSession& session, const LoginRst& reply) {
  MV_ASSERT_MAIN_THREAD();
  session.setLoginType(LoginType::Online);
  session.setClientID(reloginClientId(session.clientID(), reply.clientId));
  if (!isBlank(reply.sessionId)) session.setSessionId(reply.sessionId);
  // An offline start knows no vendor number; backed-up orders carry it.
  if (!isBlank(reply.vendor_id)) session.setVendorId(textIntValue(reply.vendor_id));
}

void SyncSession::refuseSilentLogin(SyncLoginSession& session, const std::string& status) {
  MV_ASSERT_MAIN_THREAD();
  session.setLoginType(status == kStatusNetworkError ? LoginType::Offline : LoginType::None);
}

bool SyncSession::takeSilentLoginReply(const LoginRst& reply) {
  MV_ASSERT_MAIN_THREAD();
  auto session = current();
  if (!reply.isSuccess()) {
    if (session) refuseSilentLogin(*session, reply.status);
    return false;
  }
  if (session) {
    acceptSilentLogin(*session, reply);
    if (reply.needSyncAll) session->askFullSync();
  }
  return true;
}

}  // namespace mv
