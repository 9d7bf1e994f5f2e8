#pragma once
// The opener of the settings window, told when the window closes (by the
// settings or by the backup-and-restore page).
namespace mv {

class SettingsViewControllerDelegate {
 public:
  virtual ~SettingsViewControllerDelegate() = default;
  virtual void deselectButton() = 0;
};

}  // namespace mv
