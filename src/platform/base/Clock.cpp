#include "platform/base/Clock.hpp"

#include <chrono>

namespace base {

double RealClock::now() const {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double RealClock::wallNow() const {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace base
