#include "app/TerminalReport.hpp"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "library/SaleslibraryModel.hpp"
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

std::string TerminalReport::holdings() {
  auto services = SessionServices::current();
  if (!services) return {};
  DataAccessManager& store = services->database();
  // Counted, not read: the sync has just stored a company's whole catalogue
  // and customer book, and the window is waiting on this turn.
  auto counted = [](std::optional<std::int64_t> n) { return n ? std::to_string(*n) : std::string("(uncounted)"); };
  return counted(store.countProducts()) + " products, " + counted(store.countCustomers()) + " customers, " +
         counted(store.countLibFiles()) + " library files";
}

TerminalReport::TerminalReport() {
  signedIn_ = base::Observation(kSignedInNotification, nullptr, [](const base::Notification& n) {
    auto lm = LoginMode::sharedInstance();
    std::printf("Signed in (%s) to %s as %s%s%s.\n", member(n, "how").c_str(), lm->clientID().c_str(),
                lm->acountID().c_str(), lm->companyName().empty() ? "" : ", company ", lm->companyName().c_str());
  });
  signInFailed_ = base::Observation(kSignInFailedNotification, nullptr, [](const base::Notification& n) {
    std::printf("Sign-in failed: %s\n", member(n, "message").c_str());
  });
  libraryDownloadFailed_ =
      base::Observation(SaleslibraryModel::kDownloadFailedNotification, nullptr, [](const base::Notification& n) {
        std::printf("Library download failed: %s: %s\n", member(n, "file").c_str(), member(n, "message").c_str());
        std::fflush(stdout);
      });
  syncStarted_ = base::Observation(SyncModel::kSyncStartedNotification, nullptr,
                                   [](const base::Notification&) { std::puts("Sync started."); });
  syncEnded_ = base::Observation(SyncModel::kSyncEndedNotification, nullptr, [](const base::Notification& n) {
    const auto finished = n.userInfo.is_object() ? n.userInfo.find("finished") : n.userInfo.end();
    if (finished == n.userInfo.end() || !finished->is_boolean() || !finished->get<bool>()) {
      std::printf("Sync failed: %s\n", member(n, "message").c_str());
      return;
    }
    const std::string held = holdings();
    if (held.empty()) {
      std::puts("Sync finished.");
    } else {
      std::printf("Sync finished: %s.\n", held.c_str());
    }
    // Files the run did not keep, named.
    if (const std::string notice = member(n, "message"); !notice.empty()) std::printf("%s\n", notice.c_str());
  });
}

}  // namespace mv
