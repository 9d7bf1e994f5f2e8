#pragma once
// One line on standard output for each thing a user of the terminal wants to
// hear about: a sign-in that completed or failed, a sync that started, ended
// with what the store now holds, or failed with its reason, and a library
// file whose download failed, with the reason. The full log stays behind
// MV_LOG=1.
#include <string>

#include "platform/base/NotificationCenter.hpp"

namespace mv {

class TerminalReport {
 public:
  TerminalReport();

  // "N products, N customers, N library files" of the session's store; empty
  // without a session.
  static std::string holdings();

 private:
  base::Observation signedIn_, signInFailed_, syncStarted_, syncEnded_, libraryDownloadFailed_;
};

}  // namespace mv
