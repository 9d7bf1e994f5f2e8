#pragma once
// The desktop's helper programs (xdg-email, xdg-open), started for the user:
// each runs on its own, and its exit status comes back on the main thread.
// Tests install a launcher that records what would start and answers for
// it (and may answer which programs the desktop has), so no test starts
// anything on the machine.
#include <functional>
#include <string>
#include <vector>

namespace svc {

class DesktopLauncher {
 public:
  // The program is not installed or could not be started.
  static constexpr int kNotStarted = -1;
  // The helpers' own status for "a required tool could not be found": the
  // desktop has no application for the mail or the file.
  static constexpr int kNoApplication = 3;

  using Done = std::function<void(int status)>;
  using Launcher = std::function<void(const std::vector<std::string>& argv, Done done)>;
  using ApplicationCheck = std::function<bool(const std::string& scheme)>;

  // Starts `argv[0]` (looked up in PATH) with the rest as its arguments;
  // `done` runs on a later turn of the main loop with its exit status.
  static void launch(const std::vector<std::string>& argv, Done done);
  // Whether the desktop's settings name a program for addresses of
  // `scheme` ("https", "mailto"): they answer at once.
  static bool hasApplicationFor(const std::string& scheme);
  // Installs a launcher in place of the real one (null: the real one again),
  // and with it an answer to `hasApplicationFor` (null: the desktop's
  // settings). Set and used on the main thread.
  static void install(Launcher launcher, ApplicationCheck check = nullptr);
};

}  // namespace svc
