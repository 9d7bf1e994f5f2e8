#include "StallingProxy.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace mv::test {
namespace {

// How often a relay looks at the mode and the stop flag while nothing moves.
constexpr int kPollMilliseconds = 20;
// Reply bytes held back at most; past it the proxy stops reading the server.
constexpr std::size_t kMostHeld = std::size_t{4} << 20;

bool sendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

sockaddr_in loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  return addr;
}

}  // namespace

StallingProxy::StallingProxy(int targetPort) : targetPort_(targetPort) {}

StallingProxy::~StallingProxy() { stop(); }

void StallingProxy::trickle(double pauseSeconds) {
  tricklePause_ = pauseSeconds;
  mode_ = Mode::Trickle;
}

bool StallingProxy::start(std::string* error) {
  auto fail = [&](const char* what) {
    if (error) *error = std::string(what) + ": " + std::strerror(errno);
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    return false;
  };
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return fail("socket");
  sockaddr_in addr = loopback(0);
  socklen_t length = sizeof addr;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return fail("bind");
  if (::listen(listener_, 64) != 0) return fail("listen");
  if (::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) return fail("getsockname");
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
  return true;
}

void StallingProxy::stop() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  std::vector<std::thread> relays;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    relays.swap(relays_);
  }
  for (auto& relay : relays) relay.join();
  if (listener_ >= 0) ::close(listener_);
  listener_ = -1;
}

void StallingProxy::acceptLoop() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    ++connections_;
    std::lock_guard<std::mutex> lock(mutex_);
    relays_.emplace_back([this, client] { relay(client); });
  }
}

void StallingProxy::answerWithPage(int client) {
  const std::string page = kSignInPage;
  const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                            std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
  std::string request;
  char buffer[16 * 1024];
  // The request's head, and its body as long as its head says.
  while (!stopping_) {
    pollfd waiting{client, POLLIN, 0};
    if (::poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
    const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
    const auto headEnd = request.find("\r\n\r\n");
    if (headEnd == std::string::npos) continue;
    std::string head = request.substr(0, headEnd);
    for (auto& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto at = head.find("content-length:");
    const std::size_t length = at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 15, nullptr, 10);
    if (request.size() < headEnd + 4 + length) continue;
    sendAll(client, reply.data(), reply.size());
    break;
  }
  ::close(client);
}

void StallingProxy::relay(int client) {
  if (mode_ == Mode::SignInPage) {
    answerWithPage(client);
    return;
  }
  const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in target = loopback(targetPort_);
  if (server < 0 || ::connect(server, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
    if (server >= 0) ::close(server);
    ::close(client);
    return;
  }
  using Clock = std::chrono::steady_clock;
  std::string held;
  bool serverClosed = false;
  Clock::time_point nextByte = Clock::now();
  char buffer[64 * 1024];
  while (!stopping_) {
    // A closed server (or a full hold) is left out: its hang-up would wake
    // the poll at once, again and again.
    const bool readServer = !serverClosed && held.size() < kMostHeld;
    pollfd fds[2] = {{client, POLLIN, 0}, {readServer ? server : -1, POLLIN, 0}};
    if (::poll(fds, 2, kPollMilliseconds) < 0 && errno != EINTR) break;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
      // The client gave up (a time-out or a cancel): so does this connection.
      if (got <= 0 || !sendAll(server, buffer, static_cast<std::size_t>(got))) break;
    }
    if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
      const ssize_t got = ::recv(server, buffer, sizeof buffer, 0);
      if (got <= 0) {
        serverClosed = true;
      } else {
        held.append(buffer, static_cast<std::size_t>(got));
      }
    }
    const Mode mode = mode_;
    // The sign-in page answers from the next connection on.
    if (mode == Mode::SignInPage) break;
    if (mode == Mode::Pass && !held.empty()) {
      if (!sendAll(client, held.data(), held.size())) break;
      held.clear();
    } else if (mode == Mode::Trickle && !held.empty() && Clock::now() >= nextByte) {
      if (!sendAll(client, held.data(), 1)) break;
      held.erase(0, 1);
      nextByte = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(tricklePause_.load()));
    }
    if (serverClosed && held.empty()) break;
  }
  ::close(server);
  ::close(client);
}

}  // namespace mv::test
