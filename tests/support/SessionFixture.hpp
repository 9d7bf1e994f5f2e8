#pragma once
// Tests stand in for the shell, which publishes the session value.
#include <string>
#include <utility>

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

}  // namespace mv::test
