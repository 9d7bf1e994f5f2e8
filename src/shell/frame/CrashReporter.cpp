#include "shell/frame/CrashReporter.hpp"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <typeinfo>

#include <cxxabi.h>

#include "platform/base/Log.hpp"
#include "util/Text.hpp"

namespace mv {
namespace {

struct State {
  std::filesystem::path file;
  std::function<void(const std::string&)> openURL;
  std::terminate_handler previous = nullptr;
  bool installed = false;
  bool signals = false;
  // Kept ready for the signal handler, which may not allocate.
  char path[4096] = {0};
};

State& state() {
  static State s;
  return s;
}

const int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

void writeAll(int fd, const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(fd, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<std::size_t>(n);
  }
}

// Async-signal-safe: fixed texts, the signal's number and the raw stack.
void signalHandler(int sig) {
  const int fd = ::open(state().path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd >= 0) {
    char number[16];
    int n = sig, i = 15;
    number[i] = 0;
    do {
      number[--i] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n > 0 && i > 0);
    writeAll(fd, "name: signal\nreason: fatal signal ");
    writeAll(fd, number + i);
    writeAll(fd, "\nstack:\n");
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, fd);
    ::close(fd);
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void terminateHandler() {
  std::string name = "std::terminate";
  std::string reason = "terminate called without an active exception";
  if (auto current = std::current_exception()) {
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
      int status = 0;
      char* demangled = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
      name = status == 0 && demangled ? demangled : type->name();
      std::free(demangled);
    }
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      reason = e.what();
    } catch (...) {
      reason = "an exception of an unknown kind";
    }
  }
  CrashReporter::report(name, reason);
  // Let the default action end the process with its usual status.
  if (state().signals) ::signal(SIGABRT, SIG_DFL);
  std::abort();
}

}  // namespace

const std::filesystem::path& CrashReporter::reportFile() { return state().file; }

void CrashReporter::install(const std::filesystem::path& reportFile, std::function<void(const std::string&)> openURL,
                            bool withSignalHandlers) {
  State& s = state();
  s.file = reportFile;
  s.openURL = std::move(openURL);
  std::strncpy(s.path, reportFile.c_str(), sizeof(s.path) - 1);
  // Loads the unwinder now, so that the signal handler does not have to.
  void* warm[4];
  ::backtrace(warm, 4);
  if (!s.installed) s.previous = std::set_terminate(terminateHandler);
  s.installed = true;
  if (withSignalHandlers) {
    struct sigaction action {};
    action.sa_handler = signalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (int sig : kSignals) ::sigaction(sig, &action, nullptr);
    s.signals = true;
  }
}

void CrashReporter::uninstall() {
  State& s = state();
  if (s.installed) std::set_terminate(s.previous);
  if (s.signals) {
    for (int sig : kSignals) ::signal(sig, SIG_DFL);
  }
  s.installed = false;
  s.signals = false;
  s.openURL = nullptr;
}

std::vector<std::string> CrashReporter::currentStack(int skip) {
  void* frames[64];
  const int count = ::backtrace(frames, 64);
  std::vector<std::string> out;
  char** symbols = ::backtrace_symbols(frames, count);
  if (!symbols) return out;
  for (int i = skip; i < count; ++i) out.emplace_back(symbols[i]);
  std::free(symbols);
  return out;
}

std::string CrashReporter::mailtoLink(const std::string& name, const std::string& reason,
                                      const std::vector<std::string>& stack) {
  std::string joined;
  for (std::size_t i = 0; i < stack.size(); ++i) joined += (i ? "<br>" : "") + stack[i];
  // Each value escaped on its own: a reason or a frame holding "&" or "#"
  // would otherwise end the body there.
  const std::string body = "Thanks to your help!<br><br><br>error detail:<br>" + name +
                           "<br>--------------------------<br>" + reason + "<br>---------------------<br>" + joined;
  return std::string("mailto://") + kSupportMailbox + "?subject=" + percentEscapeQueryValue("bug report") +
         "&body=" + percentEscapeQueryValue(body);
}

void CrashReporter::report(const std::string& name, const std::string& reason) {
  const auto stack = currentStack(1);
  std::string joined;
  for (std::size_t i = 0; i < stack.size(); ++i) joined += (i ? "<br>" : "") + stack[i];
  MV_LOG("the name is ", name, ",the reason is ", reason, ",the arr is ", joined);
  const std::string link = mailtoLink(name, reason, stack);
  State& s = state();
  if (!s.file.empty()) {
    std::ofstream out(s.file, std::ios::trunc);
    out << "name: " << name << "\nreason: " << reason << "\nmail: " << link << "\nstack:\n";
    for (const auto& line : stack) out << line << "\n";
  }
  if (s.openURL) s.openURL(link);
}

}  // namespace mv
