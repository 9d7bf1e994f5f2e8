#pragma once
// The opener of the settings window, told when the window closes.
namespace mv {

class SettingsViewControllerDelegate {
 public:
  virtual ~SettingsViewControllerDelegate() = default;
  virtual void deselectButton() = 0;
};

}  // namespace mv
