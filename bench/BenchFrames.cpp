#include "BenchFrames.hpp"

#include <cairo.h>

#include "platform/ui/Renderer.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/View.hpp"

namespace bench {

Frames::Frames(std::shared_ptr<ui::Window> window)
    : window_(std::move(window)),
      canvas_(gfx::Context::bitmap(window_->bounds().size, ui::Screen::mainScreen().scale(), true)) {}

void Frames::draw() {
  ui::View::layoutPendingViews();
  window_->layoutIfNeeded();
  cairo_t* cr = canvas_->cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_restore(cr);
  canvas_->save();
  ui::Renderer::render(*window_, *canvas_);
  canvas_->restore();
  cairo_surface_flush(cairo_get_target(cr));
  ++count_;
}

}  // namespace bench
