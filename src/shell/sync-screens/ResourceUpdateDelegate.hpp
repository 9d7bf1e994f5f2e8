#pragma once
// Hears the Sync tab panel's button. Never owned by the panel.
namespace ui {
class Control;
}

namespace mv {

class ResourceUpdateDelegate {
 public:
  virtual ~ResourceUpdateDelegate() = default;
  // `sender` is the button for a tap, nothing for a run the engine asked for.
  virtual void btnSyncClick(ui::Control* sender) = 0;
};

}  // namespace mv
