#include "services/DesktopLauncher.hpp"

#include <fcntl.h>
#include <gio/gio.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"

extern char** environ;

namespace svc {
namespace {

DesktopLauncher::Launcher& installed() {
  static DesktopLauncher::Launcher launcher;
  return launcher;
}

DesktopLauncher::ApplicationCheck& installedCheck() {
  static DesktopLauncher::ApplicationCheck check;
  return check;
}

// The child's process id, or 0 when the program could not be started.
pid_t spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : 0;
}

void launchOnDesktop(const std::vector<std::string>& argv, DesktopLauncher::Done done) {
  const pid_t pid = argv.empty() ? 0 : spawn(argv);
  if (pid == 0) {
    MV_LOG("desktop: ", argv.empty() ? std::string() : argv[0], " cannot be started");
    base::RunLoop::main().post([done] { done(DesktopLauncher::kNotStarted); });
    return;
  }
  // A helper may stay until the application it started ends (a mail program
  // opened to write the message): it is waited for on a thread of its own,
  // never on the main loop nor in a worker pool with a bounded size.
  std::thread([pid, done = std::move(done)] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // Ended by a signal: the shells' 128 + signal, a failure like any other.
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    base::RunLoop::main().post([done, code] { done(code); });
  }).detach();
}

}  // namespace

void DesktopLauncher::launch(const std::vector<std::string>& argv, Done done) {
  MV_ASSERT_MAIN_THREAD();
  if (!done) done = [](int) {};
  // A copy: the launcher may install another.
  const Launcher launcher = installed();
  if (launcher) {
    launcher(argv, std::move(done));
  } else {
    launchOnDesktop(argv, std::move(done));
  }
}

bool DesktopLauncher::hasApplicationFor(const std::string& scheme) {
  MV_ASSERT_MAIN_THREAD();
  if (const ApplicationCheck check = installedCheck()) return check(scheme);
  GAppInfo* program = g_app_info_get_default_for_uri_scheme(scheme.c_str());
  if (!program) return false;
  g_object_unref(program);
  return true;
}

void DesktopLauncher::install(Launcher launcher, ApplicationCheck check) {
  MV_ASSERT_MAIN_THREAD();
  installed() = std::move(launcher);
  installedCheck() = std::move(check);
}

}  // namespace svc
