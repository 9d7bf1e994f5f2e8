#pragma once
// The network tests' fixture: the service fixture over the protocol
// fixture's session, and recorders for what receivers and the session
// handler are told.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ServiceFixture.hpp"
#include "SyncTestSupport.hpp"
#include "sales-service/SalesService.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/requests/RequestInfoBase.hpp"
#include "sync/SessionEventSink.hpp"

namespace mv::test {

class Recorder : public NetworkRecDelegate {
 public:
  std::vector<std::shared_ptr<NetBaseRst>> results;
  std::vector<std::shared_ptr<NetBaseRst>> ended;
  std::vector<DownLoadRequestInfo> percents;
  std::vector<float> progress;
  std::function<void(const std::shared_ptr<NetBaseRst>&)> onResult;

  void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) override {
    results.push_back(result);
    if (onResult) onResult(result);
  }
  void ReciveDownloadPercent(const DownLoadRequestInfo& info) override { percents.push_back(info); }
  void requestEndedBySession(const std::shared_ptr<NetBaseRst>& result) override { ended.push_back(result); }
  void setProgress(float value) override { progress.push_back(value); }

  // The result of that request code, or null.
  std::shared_ptr<NetBaseRst> resultFor(int requestCode) const;
};

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
  // Sends and waits for the one result the receiver gets (null on time-out).
  std::shared_ptr<NetBaseRst> roundTrip(const std::shared_ptr<RequestInterfaceBase>& request,
                                        const std::shared_ptr<Recorder>& receiver, double timeout = 10);
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
