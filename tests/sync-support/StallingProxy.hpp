#pragma once
// A TCP proxy on loopback in front of a local port, for the network as a
// representative meets it on a bad day: it passes every byte both ways, or,
// switched at any moment (connections already open included), keeps the
// connections open and holds back every byte of the replies (a black hole),
// or lets the replies through one byte at a time with a pause between bytes
// (a trickle). Requests always go through, but for a network's sign-in page:
// switched to it, the proxy answers every request itself with 200 and an
// HTML page, as a hotel's network does before its guest signs in.
//
//   test::StallingProxy proxy(service->filePort());
//   ASSERT_TRUE(proxy.start(&error)) << error;
//   ... point the file server at proxy.port() ...
//   proxy.stall();
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mv::test {

class StallingProxy {
 public:
  explicit StallingProxy(int targetPort);
  ~StallingProxy();
  StallingProxy(const StallingProxy&) = delete;
  StallingProxy& operator=(const StallingProxy&) = delete;

  // Listens on a free loopback port; false with the reason when it cannot.
  [[nodiscard]] bool start(std::string* error = nullptr);
  // Closes every connection and stops listening.
  void stop();
  int port() const { return port_; }

  void pass() { mode_ = Mode::Pass; }
  void stall() { mode_ = Mode::Stall; }
  // One byte of reply every `pauseSeconds`.
  void trickle(double pauseSeconds);
  // Every request answered with the sign-in page `kSignInPage`; connections
  // open before are closed.
  void signInPage() { mode_ = Mode::SignInPage; }
  static constexpr const char* kSignInPage =
      "<!DOCTYPE html>\n<html><head><title>Welcome</title></head><body><form action=\"/login\">"
      "Please sign in to use the Internet. <input name=\"room\"><button>Connect</button></form></body></html>\n";
  // Connections accepted so far.
  int connections() const { return connections_; }

 private:
  enum class Mode { Pass, Stall, Trickle, SignInPage };
  void acceptLoop();
  void relay(int client);
  // Answers each request on the connection with the sign-in page.
  void answerWithPage(int client);

  int targetPort_;
  int port_ = 0;
  int listener_ = -1;
  std::atomic<Mode> mode_{Mode::Pass};
  std::atomic<double> tricklePause_{0.5};
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> relays_;
};

}  // namespace mv::test
