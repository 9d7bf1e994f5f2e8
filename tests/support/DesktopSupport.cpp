#include "DesktopSupport.hpp"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

extern char** environ;

namespace mv::test {

namespace {

// An X server of our own for the test: Xvfb picks a free display and tells
// us which through a pipe once it accepts connections.
class Xvfb {
 public:
  static std::string findBinary() {
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= p.size()) {
      std::size_t end = p.find(':', start);
      std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
      std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / "Xvfb";
      if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
      if (end == std::string::npos) break;
      start = end + 1;
    }
    return {};
  }

  bool start(const std::string& binary, std::string& why) {
    int fds[2];
    if (::pipe(fds) != 0) {
      why = "no pipe";
      return false;
    }
    std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {binary, "-displayfd", fd, "-screen", "0", "2100x1600x24", "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    int rc = posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
      ::close(fds[0]);
      pid_ = 0;
      why = "Xvfb could not be started";
      return false;
    }
    std::string number;
    pollfd pfd{fds[0], POLLIN, 0};
    for (int waited = 0; waited < 200 && number.find('\n') == std::string::npos; ++waited) {
      if (::poll(&pfd, 1, 50) <= 0) continue;
      char buf[32];
      ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n <= 0) break;
      number.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) {
      why = "Xvfb did not report a display";
      return false;
    }
    display_ = ":" + number;
    return true;
  }

  ~Xvfb() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

// One X server for the whole test program: the desktop back end keeps its
// display connection for the life of the process.
Xvfb* sharedServer(std::string& why) {
  static std::unique_ptr<Xvfb> server;
  static std::string failure;
  static bool tried = false;
  if (!tried) {
    tried = true;
    std::string binary = Xvfb::findBinary();
    if (binary.empty()) {
      failure = "missing";
    } else {
      auto s = std::make_unique<Xvfb>();
      if (s->start(binary, failure)) server = std::move(s);
    }
  }
  why = failure;
  return server.get();
}

}  // namespace

bool useVirtualScreen(std::string& why) {
  Xvfb* x = sharedServer(why);
  if (!x) return false;
  ::setenv("DISPLAY", x->display().c_str(), 1);
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  return true;
}

}  // namespace mv::test
