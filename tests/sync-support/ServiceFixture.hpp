#pragma once
// Tests that talk to the local sales service for real: the service started
// on loopback, the server settings pointed at it, time-outs short enough that
// a lost reply fails the test quickly, and the virtual clock dated today that
// keeps step with real time only while a transfer is under way. No test of
// this kind waits on the wall clock for a reply, nor for a time-out.
//
//   class OrderServiceFlowTest : public test::ServiceFixture<OrderStoreTest> { ... };
//
// The fixture starts the service after its base's SetUp (or, with
// `startsServiceAtSetUp = false` in the constructor, when the test calls
// startService()), and stops it after the base's TearDown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "sales-service/SalesService.hpp"
#include "sync/HttpNetworkCtrl.hpp"

namespace mv::test {

// The network settings the service tests run with.
struct ServiceSettings {
  double messageTimeOutSeconds = 2;
  double downloadTimeOutSeconds = 2;
  double messageRetryDelaySeconds = 0.3;
  // Left as the network's own when negative.
  int singleDownloadRetries = -1;
  // Replies the service holds for a second or two still arrive in time on
  // a slow machine.
  static ServiceSettings patient() {
    ServiceSettings settings;
    settings.messageTimeOutSeconds = 10;
    return settings;
  }
};

// The pieces the fixture is made of, for fixtures that cannot derive from it.
namespace service_kit {
// Starts a service on loopback; null with the reason when it cannot listen.
std::unique_ptr<sales::SalesService> start(std::string* error);
// Writes the service's server settings into the user defaults (the
// application's launch resets them, so launches point them again).
void pointAt(const sales::SalesService& service);
void useSettings(const ServiceSettings& settings);
// Cancels every request and puts the network's settings back.
void endRequests();
// True while the network has a transfer on its way or waiting for a resend.
bool transfersUnderWay();
// Today's date for the virtual clock: the service stamps with real time.
void dateToday(base::VirtualClock& clock);
// Sends the sign-in with the published session; the session id the service
// answered, or "" with `status` saying why.
std::string signIn(const std::function<bool(const std::function<bool()>&, double)>& runUntil, std::string* status);
// The service's log entries of a message method ("" for every message), or
// of the file endpoint.
std::vector<sales::LogEntry> messagesNamed(const sales::SalesService& service, const std::string& methodName);
std::vector<sales::LogEntry> fileRequests(const sales::SalesService& service);
// A loopback port nobody listens on: connections are refused.
int unusedPort();
}  // namespace service_kit

template <typename Fixture>
class ServiceFixture : public Fixture {
 protected:
  void SetUp() override {
    Fixture::SetUp();
    if (::testing::Test::HasFatalFailure() || !startsServiceAtSetUp) return;
    startService();
  }
  void TearDown() override {
    service_kit::endRequests();
    Fixture::TearDown();
    if (service) service->stop();
    service.reset();
  }

  // Starts the service (once) and points the application at it.
  void startService() {
    if (service) return;
    service_kit::dateToday(*this->clock);
    this->realWorkUnderWay = [] { return service_kit::transfersUnderWay(); };
    std::string error;
    service = service_kit::start(&error);
    ASSERT_TRUE(service) << error;
    pointAtService();
    service_kit::useSettings(settings);
  }
  void pointAtService() { service_kit::pointAt(*service); }
  // Signs in with the session published now and publishes the session id
  // the service answered.
  void signInToService() {
    std::string status;
    const std::string sessionId = service_kit::signIn(
        [this](const std::function<bool()>& pred, double timeout) { return this->runUntil(pred, timeout); },
        &status);
    ASSERT_FALSE(sessionId.empty()) << status;
  }
  std::vector<sales::LogEntry> messagesNamed(const std::string& methodName) const {
    return service_kit::messagesNamed(*service, methodName);
  }
  std::vector<sales::LogEntry> fileRequests() const { return service_kit::fileRequests(*service); }

  // A fixture may change these in its constructor.
  ServiceSettings settings;
  bool startsServiceAtSetUp = true;
  std::unique_ptr<sales::SalesService> service;
};

}  // namespace mv::test
