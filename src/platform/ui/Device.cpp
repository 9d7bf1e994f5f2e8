#include "platform/ui/Device.hpp"

#include <cstdlib>

namespace ui {

Device& Device::currentDevice() {
  static Device d;
  return d;
}

double Device::systemVersionNumber() const { return std::strtod(systemVersion_.c_str(), nullptr); }

}  // namespace ui
