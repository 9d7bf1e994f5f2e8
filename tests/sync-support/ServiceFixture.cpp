#include "ServiceFixture.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <optional>

#include "SessionFixture.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace mv::test::service_kit {
namespace {

}  // namespace

std::unique_ptr<sales::SalesService> start(std::string* error) {
  auto service = std::make_unique<sales::SalesService>();
  if (!service->start(error)) return nullptr;
  return service;
}

void pointAt(const sales::SalesService& service) {
  auto& defaults = base::UserDefaults::standard();
  const base::Value settings = service.serverSettings();
  for (const auto& [key, value] : settings.items()) defaults.setObject(key, value);
  PublicFunction::GetServer();
}

void useSettings(const ServiceSettings& wanted) {
  HttpNetworkCtrl::Settings settings;
  settings.messageTimeOutSeconds = wanted.messageTimeOutSeconds;
  settings.downloadTimeOutSeconds = wanted.downloadTimeOutSeconds;
  settings.messageRetryDelaySeconds = wanted.messageRetryDelaySeconds;
  if (wanted.singleDownloadRetries >= 0) settings.singleDownloadRetries = wanted.singleDownloadRetries;
  HttpNetworkCtrl::sharedInstance().setSettings(settings);
}

void endRequests() {
  NetworkModel::sharedInstance().cancelAllRequests();
  HttpNetworkCtrl::sharedInstance().setSettings(HttpNetworkCtrl::Settings());
}

bool transfersUnderWay() { return HttpNetworkCtrl::sharedInstance().transfersUnderWay() > 0; }

void dateToday(base::VirtualClock& clock) {
  clock.setWallStart(std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count());
}

std::string signIn(const std::function<bool(const std::function<bool()>&, double)>& runUntil, std::string* status) {
  base::CancelTracker tracker;
  std::optional<LoginRst> reply;
  std::optional<NetBaseRst> ended;
  if (NetworkModel::sharedInstance().sendFor<LoginRst>(
          std::make_shared<RequestLogin>(), tracker, [&](const LoginRst& r) { reply = r; },
          [&](const NetBaseRst& r) { ended = r; }) < 0 ||
      !runUntil([&] { return reply || ended; }, 15)) {
    *status = "no reply to the sign-in";
    return "";
  }
  if (!reply || !reply->isSuccess() || reply->sessionId.empty()) {
    const NetBaseRst& got = reply ? *reply : *ended;
    *status = got.status + " " + got.detail;
    return "";
  }
  changeSession([&](Session& s) { s.sessionId = reply->sessionId; });
  return reply->sessionId;
}

std::vector<sales::LogEntry> messagesNamed(const sales::SalesService& service, const std::string& methodName) {
  std::vector<sales::LogEntry> out;
  for (auto& e : service.requestLog()) {
    if (e.endpoint == "message" && (methodName.empty() || e.methodName == methodName)) out.push_back(e);
  }
  return out;
}

std::vector<sales::LogEntry> fileRequests(const sales::SalesService& service) {
  std::vector<sales::LogEntry> out;
  for (auto& e : service.requestLog()) {
    if (e.endpoint == "file") out.push_back(e);
  }
  return out;
}

int unusedPort() {
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

}  // namespace mv::test::service_kit
