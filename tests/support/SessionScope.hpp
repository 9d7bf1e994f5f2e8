#pragma once
// A signed-in session for the length of a test: it publishes the session
// value, begins the session's services from a registry (the test's own, or
// the one the installed features filled) and, when it goes, ends them all,
// closes the session's database and forgets the session value and the sync
// layer's view of it, whatever the test left behind. In place of resetting
// each of those by hand in TearDown.
#include <memory>

#include "sync/SessionServices.hpp"
#include "util/Session.hpp"

namespace mv::test {

class SessionScope {
 public:
  // Publishes `session` and begins the services of its client; the test
  // fails (and `services()` is null) when the client's database does not open.
  explicit SessionScope(Session session, SessionServices::Registry registry = {});
  ~SessionScope();
  SessionScope(const SessionScope&) = delete;
  SessionScope& operator=(const SessionScope&) = delete;

  const std::shared_ptr<SessionServices>& services() const { return services_; }
  // The services end as at a logout (the database closes); the session value
  // stays.
  void endServices();
  // The services begin again from the same registry for the session value
  // published now (on the data root set now); the test fails when the
  // client's database does not open.
  void restart();
  // The same, from another registry (the test registered more).
  void restart(SessionServices::Registry registry);

 private:
  SessionServices::Registry registry_;
  std::shared_ptr<SessionServices> services_;
};

}  // namespace mv::test
