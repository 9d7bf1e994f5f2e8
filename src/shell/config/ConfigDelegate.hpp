#pragma once
// A tab screen that re-reads the module switches of the component
// configuration whenever the main tab bar appears.
namespace mv {

class ConfigDelegate {
 public:
  virtual ~ConfigDelegate() = default;
  virtual void loadByConfig() = 0;
};

}  // namespace mv
