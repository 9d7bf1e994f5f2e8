#pragma once
// Writes a crash report when the process dies of an uncaught exception or a
// fatal signal, and hands the platform a mail link to the support mailbox
// with the details.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace mv {

class CrashReporter {
 public:
  static constexpr const char* kSupportMailbox = "support@marvisto.example";

  // Installs the terminate handler and, when asked, handlers for the fatal
  // signals. The report goes to `reportFile`; `openURL` receives the mail
  // link (it runs inside the failing process: it must not rely on much).
  static void install(const std::filesystem::path& reportFile, std::function<void(const std::string&)> openURL,
                      bool withSignalHandlers);
  static void uninstall();

  // "mailto://<mailbox>?subject=bug report&body=..." with the three details,
  // percent-escaped as UTF-8.
  static std::string mailtoLink(const std::string& name, const std::string& reason,
                                const std::vector<std::string>& stack);
  static std::vector<std::string> currentStack(int skip = 0);
  // The handler's work for an exception (also what a test can call).
  static void report(const std::string& name, const std::string& reason);
  static const std::filesystem::path& reportFile();
};

}  // namespace mv
