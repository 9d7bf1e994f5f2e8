#pragma once
// The navigation controller that holds the main tab bar (its bar hidden);
// rotation is whatever its top screen says.
#include "platform/ui/NavigationController.hpp"

namespace mv {

class MarvistoNavigationController : public ui::NavigationController {
 public:
  using ui::NavigationController::NavigationController;
  bool shouldAutorotate() const override {
    ui::ViewController* top = topViewController();
    return top ? top->shouldAutorotate() : false;
  }
};

}  // namespace mv
