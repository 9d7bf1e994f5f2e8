#include "BenchFrames.hpp"

#include "platform/ui/Renderer.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/View.hpp"

namespace bench {

Frames::Frames(std::shared_ptr<ui::Window> window)
    : window_(std::move(window)),
      canvas_(gfx::Context::bitmap(window_->bounds().size, ui::Screen::mainScreen().scale(), true)) {}

void Frames::draw() {
  // The desktop window's own frame, without the screen.
  ui::Renderer::renderFrame(*window_, *canvas_);
  ++count_;
}

}  // namespace bench
