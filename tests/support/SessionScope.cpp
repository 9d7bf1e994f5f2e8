#include "SessionScope.hpp"

#include <gtest/gtest.h>

#include "platform/base/RunLoop.hpp"
#include "sync/SyncSession.hpp"

namespace mv::test {

SessionScope::SessionScope(Session session, SessionServices::Registry registry) : registry_(std::move(registry)) {
  Session::publish(std::move(session));
  restart();
}

void SessionScope::endServices() {
  services_.reset();
  SessionServices::end();
}

void SessionScope::restart(SessionServices::Registry registry) {
  registry_ = std::move(registry);
  restart();
}

void SessionScope::restart() {
  endServices();
  services_ = SessionServices::begin(registry_);
  EXPECT_TRUE(services_) << "the client's database did not open";
}

SessionScope::~SessionScope() {
  // What the test left to run (a screen's layout) runs while its session is there.
  base::RunLoop::main().drain();
  services_.reset();
  SessionServices::end();
  SyncSession::setCurrent({});
  Session::clear();
}

}  // namespace mv::test
