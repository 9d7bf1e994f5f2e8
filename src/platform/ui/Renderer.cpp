#include "platform/ui/Renderer.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/Screen.hpp"

namespace ui {

namespace {

Rect gravityRect(const std::string& g, Size content, const Rect& b) {
  if (g == "resizeAspect") return rectForContentMode(ContentMode::ScaleAspectFit, content, b);
  if (g == "resizeAspectFill") return rectForContentMode(ContentMode::ScaleAspectFill, content, b);
  if (g == "center") return rectForContentMode(ContentMode::Center, content, b);
  // Layers here share their view's orientation: "top" is the top of the view.
  if (g == "top") return rectForContentMode(ContentMode::Top, content, b);
  if (g == "bottom") return rectForContentMode(ContentMode::Bottom, content, b);
  if (g == "left") return rectForContentMode(ContentMode::Left, content, b);
  if (g == "right") return rectForContentMode(ContentMode::Right, content, b);
  if (g == "topLeft") return rectForContentMode(ContentMode::TopLeft, content, b);
  if (g == "topRight") return rectForContentMode(ContentMode::TopRight, content, b);
  if (g == "bottomLeft") return rectForContentMode(ContentMode::BottomLeft, content, b);
  if (g == "bottomRight") return rectForContentMode(ContentMode::BottomRight, content, b);
  return b;
}

void placeLayer(const Layer& l, gfx::Context& ctx) {
  Point c = l.position();
  Rect b = l.bounds();
  Point a = l.anchorPoint();
  ctx.translate(c.x, c.y);
  if (!l.transform().isIdentity()) ctx.concat(l.affineTransform());
  ctx.translate(-b.x() - a.x * b.width(), -b.y() - a.y * b.height());
}

// Everything drawn from here on stays inside the rounded bounds.
void clipToBounds(gfx::Context& ctx, const Rect& b, double radius) {
  ctx.beginPath();
  ctx.addPath(gfx::Path::roundedRect(b, radius));
  ctx.clip();
}

// What every layer draws over its sublayers: the border; then a layer drawn
// as a group (see-through) is laid down with its opacity.
void finishLayer(const Layer& l, gfx::Context& ctx, const Rect& b, bool group) {
  if (l.borderWidth() > 0) {
    ctx.setStrokeColor(l.borderColor());
    ctx.setLineWidth(l.borderWidth());
    double h = l.borderWidth() / 2;
    ctx.strokeRoundedRect(b.inset(h, h), std::max(0.0, l.cornerRadius() - h));
  }
  if (group) {
    cairo_pop_group_to_source(ctx.cairo());
    cairo_paint_with_alpha(ctx.cairo(), l.opacity());
  }
  ctx.restore();
}

}  // namespace

void Renderer::drawLayerLook(const Layer& l, gfx::Context& ctx, const Rect& b) {
  double radius = l.cornerRadius();
  if (l.shadowOpacity() > 0 && l.shadowColor()) {
    gfx::Path p = l.shadowPath() ? *l.shadowPath() : gfx::Path::roundedRect(b, radius);
    Size off = l.shadowOffset();
    gfx::Color sc = *l.shadowColor();
    // A soft edge approximated by a few widening passes. An opaque square
    // background drawn next covers the inside of a shadow that lies within
    // it: only the edge shows, so the inside is not filled again and again.
    int passes = std::clamp(static_cast<int>(std::ceil(l.shadowRadius())), 1, 4);
    const bool covered = radius <= 0 && l.backgroundColor() && l.backgroundColor()->alpha() >= 1 &&
                         b.contains(p.bounds().offset(off.width, off.height));
    ctx.save();
    ctx.translate(off.width, off.height);
    for (int i = passes; i >= 1; --i) {
      ctx.setFillColor(sc.withAlphaComponent(sc.alpha() * l.shadowOpacity() / (passes + 1)));
      ctx.setStrokeColor(ctx.fillColor());
      ctx.setLineWidth(l.shadowRadius() * i / passes);
      ctx.beginPath();
      ctx.addPath(p);
      if (covered)
        ctx.strokePath();
      else
        ctx.fillAndStrokePath();
    }
    ctx.restore();
  }
  if (l.backgroundColor() && !l.backgroundColor()->isClear()) {
    ctx.setFillColor(*l.backgroundColor());
    if (radius > 0)
      ctx.fillRoundedRect(b, radius);
    else
      ctx.fillRect(b);
  }
  if (l.contents()) {
    ctx.save();
    if (l.masksToBounds()) clipToBounds(ctx, b, radius);
    ctx.drawImage(*l.contents(), gravityRect(l.contentsGravity(), l.contents()->size(), b));
    ctx.restore();
  }
}

void Renderer::drawLayer(const Layer& l, gfx::Context& ctx) {
  if (l.isHidden() || l.opacity() <= 0) return;
  ctx.save();
  placeLayer(l, ctx);
  bool group = l.opacity() < 1;
  if (group) cairo_push_group(ctx.cairo());
  Rect b = l.bounds();
  drawLayerLook(l, ctx, b);
  if (l.masksToBounds()) clipToBounds(ctx, b, l.cornerRadius());
  for (auto& s : l.sublayers()) drawLayer(*s, ctx);
  finishLayer(l, ctx, b, group);
}

void Renderer::drawView(View& v, gfx::Context& ctx, bool placeInSuperview) {
  Layer& l = v.layer();
  if (v.isHidden() || l.opacity() <= 0) return;
  ctx.save();
  Rect b = v.bounds();
  if (placeInSuperview)
    placeLayer(l, ctx);
  else
    ctx.translate(-b.x(), -b.y());
  bool group = l.opacity() < 1;
  if (group) cairo_push_group(ctx.cairo());
  drawLayerLook(l, ctx, b);
  {
    ctx.save();
    ctx.clipToRect(b);
    gfx::Context::Scope current(ctx);
    v.drawRect(ctx, b);
    ctx.restore();
    l.clearNeedsDisplay();
  }
  if (v.clipsToBounds()) clipToBounds(ctx, b, l.cornerRadius());
  for (auto& s : l.sublayers()) drawLayer(*s, ctx);
  auto subs = v.subviews();
  for (auto& s : subs) drawView(*s, ctx, true);
  finishLayer(l, ctx, b, group);
}

void Renderer::render(View& view, gfx::Context& ctx) { drawView(view, ctx, false); }

void Renderer::renderFrame(View& window, gfx::Context& canvas) {
  View::layoutPendingViews();
  window.layoutIfNeeded();
  cairo_t* cr = canvas.cairo();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_restore(cr);
  canvas.save();
  render(window, canvas);
  canvas.restore();
  cairo_surface_flush(cairo_get_target(cr));
}

void Renderer::renderFrame(View& window, gfx::Context& canvas, const WindowFit& fit) {
  View::layoutPendingViews();
  window.layoutIfNeeded();
  cairo_t* cr = canvas.cairo();
  const Rect layout = fit.layoutRect();
  const auto& background = window.backgroundColor();
  const gfx::Color margin =
      background && !background->pattern() && background->alpha() > 0 ? *background : gfx::Color::black();
  cairo_save(cr);
  cairo_identity_matrix(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, margin.r(), margin.g(), margin.b());
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_rectangle(cr, layout.x(), layout.y(), layout.width(), layout.height());
  cairo_fill(cr);
  cairo_restore(cr);
  canvas.save();
  cairo_identity_matrix(cr);
  canvas.translate(fit.origin().x, fit.origin().y);
  canvas.scaleBy(fit.scale(), fit.scale());
  // What a view draws beyond the window's bounds stays off the margins.
  canvas.clipToRect(window.bounds());
  render(window, canvas);
  canvas.restore();
  cairo_surface_flush(cairo_get_target(cr));
}

gfx::ImagePtr Renderer::renderToImage(View& view, double scale, std::optional<gfx::Color> background) {
  View::layoutPendingViews();
  view.layoutIfNeeded();
  if (!(scale > 0)) scale = Screen::mainScreen().scale();
  Size s = view.bounds().size;
  if (s.width <= 0 || s.height <= 0) return nullptr;
  auto ctx = gfx::Context::bitmap(s, scale);
  if (background) {
    ctx->setFillColor(*background);
    ctx->fillRect({0, 0, s.width, s.height});
  }
  render(view, *ctx);
  return ctx->makeImage();
}

bool Renderer::writePNG(View& view, const std::filesystem::path& path, double scale,
                        std::optional<gfx::Color> background) {
  auto img = renderToImage(view, scale, std::move(background));
  return img && img->writePNG(path);
}

}  // namespace ui
