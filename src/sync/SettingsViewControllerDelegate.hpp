#pragma once
// The opener of the settings window, told when the window closes. The
// backup-and-restore page closes the window too, which is why it lives below
// the shell.
namespace mv {

class SettingsViewControllerDelegate {
 public:
  virtual ~SettingsViewControllerDelegate() = default;
  virtual void deselectButton() = 0;
};

}  // namespace mv
