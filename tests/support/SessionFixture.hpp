#pragma once
// Tests stand in for the shell, which publishes the session value and
// begins the session's services.
#include <memory>
#include <string>
#include <utility>

#include "sync/SessionServices.hpp"
#include "util/Session.hpp"

namespace mv::test {

// Publishes the current session with `change` applied.
template <typename Change>
void changeSession(Change change) {
  Session session = Session::current();
  change(session);
  Session::publish(std::move(session));
}

inline void signInAs(const std::string& clientID, const std::string& acountID) {
  changeSession([&](Session& s) {
    s.clientID = clientID;
    s.acountID = acountID;
  });
}

// Begins the services of the client signed in now with `registry` (the
// test's own, or the one a feature's install filled); null, and the test
// fails, when the client's database does not open.
std::shared_ptr<SessionServices> beginServices(SessionServices::Registry registry = {});

}  // namespace mv::test
