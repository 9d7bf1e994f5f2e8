#include "EnginePageProcesses.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace mv::test {
namespace {

constexpr const char* kPageProcessName = "WebKitWebProces";

struct ProcessStat {
  std::string name;
  char state = '?';
  unsigned long long ticks = 0;  // user and system time
};

// "pid (name) state ppid ...": the name may hold spaces and parentheses.
std::optional<ProcessStat> statOf(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  const auto open = line.find('(');
  const auto close = line.rfind(')');
  if (open == std::string::npos || close == std::string::npos) return std::nullopt;
  ProcessStat stat;
  stat.name = line.substr(open + 1, close - open - 1);
  std::istringstream rest(line.substr(close + 1));
  std::string field;
  rest >> stat.state;
  // Fields 4 to 13, then the user and system times (14 and 15).
  for (int i = 4; i <= 13; ++i) rest >> field;
  unsigned long long user = 0, system = 0;
  rest >> user >> system;
  stat.ticks = user + system;
  return stat;
}

}  // namespace

long EnginePageProcesses::busyFor(double seconds) {
  const double perSecond = static_cast<double>(::sysconf(_SC_CLK_TCK));
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::ifstream children(it->path() / "children");
    for (long pid = 0; children >> pid;) {
      const auto stat = statOf(pid);
      if (!stat || stat->name.rfind(kPageProcessName, 0) != 0 || stat->state == 'Z') continue;
      const auto first = firstSeen_.emplace(pid, stat->ticks).first->second;
      if (static_cast<double>(stat->ticks - first) >= seconds * perSecond) return pid;
    }
  }
  return 0;
}

bool EnginePageProcesses::ended(long pid) {
  const auto stat = statOf(pid);
  // (A number taken again by another program counts as ended too.)
  return !stat || stat->name.rfind(kPageProcessName, 0) != 0 || stat->state == 'Z' || stat->state == 'X';
}

}  // namespace mv::test
