#include "sync/SyncLoginSession.hpp"

#include "util/Text.hpp"

namespace mv {

std::string SyncLoginSession::reloginClientId(const std::string& sessionClientId, const std::string& repliedClientId) {
  const std::string replied = trimWhitespaceAndNewlines(repliedClientId);
  if (replied.empty() || !equalsIgnoringCase(replied, sessionClientId)) return sessionClientId;
  return replied;
}

}  // namespace mv
