#pragma once
#include <string>

namespace ui {

enum class DeviceOrientation { Unknown = 0, Portrait = 1, PortraitUpsideDown = 2, LandscapeLeft = 3, LandscapeRight = 4 };
enum class UserInterfaceIdiom { Phone = 0, Pad = 1 };

// The device the application runs on: a tablet held in landscape, with a
// system version of 7.0 or later.
class Device {
 public:
  static Device& currentDevice();
  const std::string& systemVersion() const { return systemVersion_; }
  void setSystemVersionForTesting(std::string v) { systemVersion_ = std::move(v); }
  // The major part of the system version as a number (7.0 -> 7.0).
  double systemVersionNumber() const;
  std::string name() const { return name_; }
  void setName(std::string n) { name_ = std::move(n); }
  UserInterfaceIdiom userInterfaceIdiom() const { return UserInterfaceIdiom::Pad; }
  DeviceOrientation orientation() const { return DeviceOrientation::LandscapeLeft; }
  bool isMultitaskingSupported() const { return true; }

 private:
  std::string systemVersion_ = "7.0";
  std::string name_ = "Marvisto";
};

}  // namespace ui
