#include "NetworkTestSupport.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "SessionFixture.hpp"
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/Session.hpp"

namespace mv::test {

std::shared_ptr<NetBaseRst> Recorder::resultFor(int requestCode) const {
  for (const auto& r : results) {
    if (r->requestCode == requestCode) return r;
  }
  return nullptr;
}

void NetworkTest::SetUp() {
  ProtocolTest::SetUp();
  // Dates shown and sent stay today's: the service stamps with real time.
  clock->setWallStart(
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count());
  installSession("acme", "rep", "secret", "0123456789abcdef0123456789abcdef01234567", "");
  service = std::make_unique<sales::SalesService>();
  std::string error;
  ASSERT_TRUE(service->start(&error)) << error;
  pointAt(*service);
  HttpNetworkCtrl::Settings settings;
  settings.messageTimeOutSeconds = 2;
  settings.downloadTimeOutSeconds = 2;
  settings.messageRetryDelaySeconds = 0.3;
  ctrl().setSettings(settings);
  sink = std::make_shared<SinkRecorder>();
  model().setSessionEventSink(sink);
}

void NetworkTest::TearDown() {
  model().cancelAllRequests();
  model().setSessionEventSink({});
  ctrl().setSettings(HttpNetworkCtrl::Settings());
  if (service) service->stop();
  service.reset();
  ProtocolTest::TearDown();
}

void NetworkTest::pointAt(const sales::SalesService& s) {
  auto& defaults = base::UserDefaults::standard();
  const base::Value settings = s.serverSettings();
  for (const auto& [key, value] : settings.items()) defaults.setObject(key, value);
}

void NetworkTest::signIn() {
  auto receiver = std::make_shared<Recorder>();
  auto result = roundTrip(std::make_shared<RequestLogin>(), receiver);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->status, "200") << result->detail;
  auto login = std::dynamic_pointer_cast<LoginRst>(result);
  ASSERT_TRUE(login);
  mv::test::changeSession([&](Session& s) { s.sessionId = login->sessionId; });
}

std::shared_ptr<NetBaseRst> NetworkTest::roundTrip(const std::shared_ptr<RequestInterfaceBase>& request,
                                                   const std::shared_ptr<Recorder>& receiver, double timeout) {
  const std::size_t before = receiver->results.size() + receiver->ended.size();
  request->setReceiveDelegete(receiver);
  const int code = model().sendRequest(request);
  if (!runUntil([&] { return receiver->results.size() + receiver->ended.size() > before; }, timeout)) return nullptr;
  auto result = receiver->results.size() > 0 ? receiver->results.back() : receiver->ended.back();
  if (request->requestType == kRequestTypeMessage) {
    EXPECT_EQ(result->requestCode, code);
  }
  return result;
}

std::vector<sales::LogEntry> NetworkTest::messagesNamed(const std::string& methodName) const {
  std::vector<sales::LogEntry> out;
  for (auto& e : service->requestLog()) {
    if (e.endpoint == "message" && (methodName.empty() || e.methodName == methodName)) out.push_back(e);
  }
  return out;
}

std::vector<sales::LogEntry> NetworkTest::fileRequests() const {
  std::vector<sales::LogEntry> out;
  for (auto& e : service->requestLog()) {
    if (e.endpoint == "file") out.push_back(e);
  }
  return out;
}

int NetworkTest::unusedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t length = sizeof addr;
  int port = 0;
  if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0) {
    port = ntohs(addr.sin_port);
  }
  if (fd >= 0) ::close(fd);
  return port;
}

bool NetworkTest::runUntil(const std::function<bool()>& pred, double timeout) {
  auto& loop = base::RunLoop::main();
  const double deadline = loop.now() + timeout;
  auto last = std::chrono::steady_clock::now();
  while (!pred()) {
    if (loop.runOnce(0)) continue;
    const double now = loop.now();
    if (now >= deadline) return pred();
    const auto real = std::chrono::steady_clock::now();
    if (ctrl().transfersUnderWay() > 0) {
      // The transport works on real time from its own thread: the clock
      // follows it, and timers fall due on the way as they would.
      const double spent = std::chrono::duration<double>(real - last).count();
      if (spent > 0) clock->advanceBy(std::min(spent, deadline - now));
      last = real;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    last = real;
    // Nothing under way: the clock moves straight on to the next timer.
    loop.runUntil(pred, std::min(0.05, deadline - now));
  }
  return true;
}

void NetworkTest::waitFor(double seconds) { runUntil([] { return false; }, seconds); }

}  // namespace mv::test
