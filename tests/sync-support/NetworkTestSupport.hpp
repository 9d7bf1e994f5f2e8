#pragma once
// The network tests' fixture: the service fixture over the protocol
// fixture's session, and recorders for what handlers and the session
// handler are told.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Recorder.hpp"
#include "ServiceFixture.hpp"
#include "SyncTestSupport.hpp"
#include "sales-service/SalesService.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "sync/SessionEventSink.hpp"

namespace mv::test {

class SinkRecorder : public SessionEventSink {
 public:
  std::vector<std::pair<std::string, std::string>> expired;
  std::vector<std::pair<std::string, std::string>> locked;
  void logoutWhenSessionExpired(const std::string& status, const std::string& message) override {
    expired.emplace_back(status, message);
  }
  void logoutWithLockedUser(const std::string& status, const std::string& message) override {
    locked.emplace_back(status, message);
  }
};

class NetworkTest : public ServiceFixture<ProtocolTest> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the six server settings of the service into the user defaults.
  void pointAt(const sales::SalesService& service) { service_kit::pointAt(service); }
  // Signs in as "rep" of "acme"; the session cookie is set afterwards.
  void signIn() { signInToService(); }
  // Sends through the receiver and waits for the one result it gets, a
  // reply or the end of the session (null on time-out). A reply of another
  // type than `Reply` is never recorded.
  template <typename Reply = NetBaseRst>
  std::shared_ptr<NetBaseRst> roundTrip(const std::shared_ptr<RequestInterfaceBase>& request,
                                        const std::shared_ptr<Recorder>& receiver, double timeout = 10) {
    const std::size_t replies = receiver->results.size();
    const std::size_t ended = receiver->ended.size();
    const int code = receiver->send<Reply>(request);
    return waitForResult(*receiver, replies, ended, request->requestType == kRequestTypeMessage ? code : 0, timeout);
  }
  // The same, answering the reply as `Reply` (null when the session ended
  // the request, or on time-out).
  template <typename Reply>
  std::shared_ptr<Reply> replyTo(const std::shared_ptr<RequestInterfaceBase>& request,
                                 const std::shared_ptr<Recorder>& receiver, double timeout = 10) {
    // Held by the handler too: a reply after the time-out finds it still there.
    auto typed = std::make_shared<std::shared_ptr<Reply>>();
    const std::size_t replies = receiver->results.size();
    const std::size_t ended = receiver->ended.size();
    const int code = receiver->send<Reply>(request, nullptr,
                                           [typed](const Reply& reply) { *typed = std::make_shared<Reply>(reply); });
    waitForResult(*receiver, replies, ended, request->requestType == kRequestTypeMessage ? code : 0, timeout);
    return *typed;
  }
  // The first result the receiver gets after the `replies` and `ended` it
  // had (null on time-out); a message's carries `code`.
  std::shared_ptr<NetBaseRst> waitForResult(const Recorder& receiver, std::size_t replies, std::size_t ended,
                                            int code, double timeout);
  // A loopback port nobody listens on: connections are refused.
  static int unusedPort() { return service_kit::unusedPort(); }
  // Lets `seconds` pass on the fixture's clock (straight on to each timer
  // while no transfer is under way).
  void waitFor(double seconds);

  HttpNetworkCtrl& ctrl() { return HttpNetworkCtrl::sharedInstance(); }
  NetworkModel& model() { return NetworkModel::sharedInstance(); }

  std::shared_ptr<SinkRecorder> sink;
};

}  // namespace mv::test
