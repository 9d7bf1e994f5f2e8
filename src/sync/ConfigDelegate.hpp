#pragma once
// A tab screen that re-reads the module switches of the component
// configuration whenever the main tab bar appears. The sync screens adopt it
// too, which is why it lives below the shell.
namespace mv {

class ConfigDelegate {
 public:
  virtual ~ConfigDelegate() = default;
  virtual void loadByConfig() = 0;
};

}  // namespace mv
