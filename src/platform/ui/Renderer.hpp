#pragma once
#include <filesystem>
#include <optional>

#include "platform/gfx/Context.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/WindowFit.hpp"

namespace ui {

// Draws view trees: each view's shadow, background, layer contents, its own
// drawing (`drawRect`), standalone sublayers, subviews and border, honouring
// hidden, alpha, transforms, corner radii and clipping. Model values are
// drawn; animations are not interpolated.
class Renderer {
 public:
  // Draws `view` with its bounds' origin at the context's current origin.
  static void render(View& view, gfx::Context& ctx);
  // One frame of a window on screen: pending layout done, the canvas painted
  // black, the window drawn over it and the canvas's surface flushed.
  static void renderFrame(View& window, gfx::Context& canvas);
  // One frame of a window in a desktop window of any size: `canvas` is the
  // desktop window's pixels (one unit a pixel), the window drawn scaled
  // into the fit's rectangle (sharp, at the canvas's own pixels) and the
  // rest painted in the window's background colour (black without one).
  static void renderFrame(View& window, gfx::Context& canvas, const WindowFit& fit);
  // The view's bounds as a bitmap at `scale` (0: the screen's), laid out
  // first; transparent where nothing is drawn unless a background is given.
  static gfx::ImagePtr renderToImage(View& view, double scale = 0,
                                     std::optional<gfx::Color> background = std::nullopt);
  static bool writePNG(View& view, const std::filesystem::path& path, double scale = 0,
                       std::optional<gfx::Color> background = std::nullopt);

 private:
  static void drawView(View& v, gfx::Context& ctx, bool placeInSuperview);
  static void drawLayer(const Layer& layer, gfx::Context& ctx);
  static void drawLayerLook(const Layer& layer, gfx::Context& ctx, const Rect& bounds);
};

}  // namespace ui
