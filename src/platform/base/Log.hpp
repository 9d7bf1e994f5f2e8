#pragma once
// One line of free-form debug output on standard error. Tests keep it quiet
// unless the environment sets MV_LOG=1; the application always logs.
#include <sstream>
#include <string>

namespace base {

bool logEnabled();
void setLogEnabled(bool enabled);
void logLine(const std::string& line);

}  // namespace base

#define MV_LOG(...)                                   \
  do {                                                \
    if (::base::logEnabled()) {                       \
      std::ostringstream mv_log_stream_;              \
      ::base::detail::logAppend(mv_log_stream_, __VA_ARGS__); \
      ::base::logLine(mv_log_stream_.str());          \
    }                                                 \
  } while (0)

namespace base::detail {
template <typename... Args>
void logAppend(std::ostringstream& out, const Args&... args) {
  (out << ... << args);
}
}  // namespace base::detail
