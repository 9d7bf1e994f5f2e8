#pragma once
// Frames of a window drawn headless as the desktop window draws them: the
// pending layout, then the whole window into one canvas kept from frame to
// frame (nothing is presented).
#include <memory>

#include "platform/gfx/Context.hpp"
#include "platform/ui/Window.hpp"

namespace bench {

class Frames {
 public:
  explicit Frames(std::shared_ptr<ui::Window> window);
  void draw();
  std::size_t count() const { return count_; }

 private:
  std::shared_ptr<ui::Window> window_;
  std::unique_ptr<gfx::Context> canvas_;
  std::size_t count_ = 0;
};

}  // namespace bench
