#include "app/TerminalReport.hpp"

#include <cstdio>
#include <string>

#include "shell/session/LoginMode.hpp"
#include "shell/session/SignInNotifications.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncModel.hpp"

namespace mv {

namespace {

std::string member(const base::Notification& n, const char* key) {
  const auto it = n.userInfo.is_object() ? n.userInfo.find(key) : n.userInfo.end();
  return it != n.userInfo.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

TerminalReport::TerminalReport() {
  signedIn_ = base::Observation(kSignedInNotification, nullptr, [](const base::Notification& n) {
    auto lm = LoginMode::sharedInstance();
    std::printf("Signed in (%s) to %s as %s%s%s.\n", member(n, "how").c_str(), lm->clientID().c_str(),
                lm->acountID().c_str(), lm->companyName().empty() ? "" : ", company ", lm->companyName().c_str());
  });
  signInFailed_ = base::Observation(kSignInFailedNotification, nullptr, [](const base::Notification& n) {
    std::printf("Sign-in failed: %s\n", member(n, "message").c_str());
  });
  syncStarted_ = base::Observation(SyncModel::kSyncStartedNotification, nullptr,
                                   [](const base::Notification&) { std::puts("Sync started."); });
  syncEnded_ = base::Observation(SyncModel::kSyncEndedNotification, nullptr, [](const base::Notification& n) {
    const auto finished = n.userInfo.is_object() ? n.userInfo.find("finished") : n.userInfo.end();
    if (finished == n.userInfo.end() || !finished->is_boolean() || !finished->get<bool>()) {
      std::printf("Sync failed: %s\n", member(n, "message").c_str());
      return;
    }
    auto services = SessionServices::current();
    DataAccessManager* store = services ? &services->database() : nullptr;
    if (!store) {
      std::puts("Sync finished.");
      return;
    }
    std::printf("Sync finished: %zu products, %zu customers, %zu library files.\n", store->getAllProducts().size(),
                store->getAllCustomers(true).size(), store->getAllLibFiles().size());
  });
}

}  // namespace mv
