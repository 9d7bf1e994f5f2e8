#include "DesktopTestWindow.hpp"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/Window.hpp"

extern char** environ;

namespace mv::test {

namespace {

std::string findXvfb() {
  const char* path = std::getenv("PATH");
  const std::string p = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= p.size()) {
    const std::size_t end = p.find(':', start);
    const std::string dir = p.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / "Xvfb";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return {};
}

// An X server of our own: Xvfb picks a free display and tells us which
// through a pipe once it accepts connections.
class Xvfb {
 public:
  bool start(const std::string& binary, std::string& why) {
    int fds[2];
    if (::pipe(fds) != 0) {
      why = "no pipe";
      return false;
    }
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {binary, "-displayfd", fd,         "-screen", "0",
                                     "2100x1600x24", "-nolisten", "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const int rc = posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
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
      const ssize_t n = ::read(fds[0], buf, sizeof buf);
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

}  // namespace

bool useVirtualScreen(std::string& why) {
  // One server for the whole test program: the desktop back end keeps its
  // display connection for the life of the process.
  static std::unique_ptr<Xvfb> server;
  static std::string failure;
  static bool tried = false;
  if (!tried) {
    tried = true;
    const std::string binary = findXvfb();
    if (binary.empty()) {
      failure = "missing";
    } else {
      auto s = std::make_unique<Xvfb>();
      if (s->start(binary, failure)) server = std::move(s);
    }
  }
  why = failure;
  if (!server) return false;
  ::setenv("DISPLAY", server->display().c_str(), 1);
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  return true;
}

void finishDesktopChild() {
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
    const auto* result = info->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
      const auto& part = result->GetTestPartResult(i);
      if (part.failed())
        std::fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(),
                     part.summary());
    }
  }
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
}

std::unique_ptr<ui::DesktopWindow> openDesktop(const std::shared_ptr<ui::Window>& window, double scale) {
  window->makeKeyAndVisible();
  ui::DesktopWindow::Options options;
  options.scale = scale;
  options.softwareRendering = true;
  std::string error;
  auto desktop = ui::DesktopWindow::open(window, options, &error);
  EXPECT_TRUE(desktop) << error;
  return desktop;
}

void DesktopUser::wait(double seconds) {
  auto& loop = base::RunLoop::main();
  for (double waited = 0; waited + 1e-9 < seconds; waited += kFrame) {
    loop.advance(std::min(kFrame, seconds - waited));
    window_.runFrame();
  }
}

void DesktopUser::click(base::Point p) {
  window_.pushMouseDown(p);
  window_.runFrame();
  wait(kPress);
  window_.pushMouseUp(p);
  window_.runFrame();
}

void DesktopUser::doubleClick(base::Point p) {
  click(p);
  wait(kBetweenClicks);
  window_.pushMouseDown(p, ui::DesktopWindow::None, 2);
  window_.runFrame();
  wait(kPress);
  window_.pushMouseUp(p, 2);
  window_.runFrame();
}

void DesktopUser::drag(base::Point from, base::Point to, double seconds, double rest, bool atOnce) {
  auto& loop = base::RunLoop::main();
  auto step = [&](double dt) {
    if (atOnce)
      loop.advance(dt);
    else
      wait(dt);
  };
  window_.pushMouseDown(from);
  if (!atOnce) window_.runFrame();
  const int moves = std::max(1, static_cast<int>(seconds / kFrame + 0.5));
  for (int i = 1; i <= moves; ++i) {
    step(seconds / moves);
    const double f = static_cast<double>(i) / moves;
    window_.pushMouseMove({from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
    if (!atOnce) window_.runFrame();
  }
  step(rest);
  window_.pushMouseUp(to);
  window_.runFrame();
}

void DesktopUser::wheel(base::Point at, double dx, double dy, unsigned modifiers) {
  window_.pushWheel(at, dx, dy, modifiers);
  window_.runFrame();
}

void DesktopUser::key(ui::DesktopWindow::Key key, unsigned modifiers) {
  window_.pushKey(key, modifiers);
  window_.runFrame();
}

void DesktopUser::type(const std::string& text) {
  window_.pushText(text);
  window_.runFrame();
}

}  // namespace mv::test
