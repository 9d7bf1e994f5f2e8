#include "platform/gfx/Context.hpp"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/gfx/PangoTextMeasurer.hpp"
#include "platform/gfx/ShownText.hpp"

namespace gfx {

namespace {

thread_local std::vector<Context*> tContextStack;

base::Rect standardized(const base::Rect& r) { return {r.minX(), r.minY(), r.maxX() - r.minX(), r.maxY() - r.minY()}; }

}  // namespace

Gradient Gradient::of(const std::vector<Color>& colors) {
  Gradient g;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    double loc = colors.size() > 1 ? static_cast<double>(i) / static_cast<double>(colors.size() - 1) : 0.0;
    g.stops.push_back({loc, colors[i]});
  }
  return g;
}

std::unique_ptr<Context> Context::bitmap(base::Size size, double scale, bool opaque) {
  if (!(scale > 0)) scale = 1;
  int w = std::max(1, static_cast<int>(std::ceil(size.width * scale)));
  int h = std::max(1, static_cast<int>(std::ceil(size.height * scale)));
  w = std::min(w, 16384);
  h = std::min(h, 16384);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_surface_destroy(s);  // the context holds it
  cairo_scale(cr, scale, scale);
  auto ctx = std::make_unique<Context>(cr, size, scale);
  cairo_destroy(cr);
  if (opaque) {
    cairo_save(ctx->cr_);
    cairo_set_source_rgb(ctx->cr_, 1, 1, 1);
    cairo_paint(ctx->cr_);
    cairo_restore(ctx->cr_);
  }
  return ctx;
}

Context::Context(cairo_t* cr, base::Size size, double scale) : cr_(cairo_reference(cr)), size_(size), scale_(scale) {
  cairo_set_line_width(cr_, 1.0);
}

Context::~Context() { cairo_destroy(cr_); }

ImagePtr Context::makeImage() const {
  cairo_surface_t* target = cairo_get_target(cr_);
  if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
  cairo_surface_flush(target);
  int w = cairo_image_surface_get_width(target), h = cairo_image_surface_get_height(target);
  cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* c = cairo_create(copy);
  cairo_set_source_surface(c, target, 0, 0);
  cairo_set_operator(c, CAIRO_OPERATOR_SOURCE);
  cairo_paint(c);
  cairo_destroy(c);
  cairo_surface_flush(copy);
  auto img = Image::fromSurface(copy, scale_);
  cairo_surface_destroy(copy);
  return img;
}

Context* Context::current() { return tContextStack.empty() ? nullptr : tContextStack.back(); }
void Context::push(Context* ctx) { tContextStack.push_back(ctx); }
void Context::pop() {
  if (!tContextStack.empty()) tContextStack.pop_back();
}

void Context::save() {
  cairo_save(cr_);
  savedColors_.emplace_back(fill_, stroke_);
  savedAlpha_.push_back(alpha_);
}

void Context::restore() {
  if (savedColors_.empty()) return;  // unbalanced restore: ignore rather than corrupt cairo's stack
  cairo_restore(cr_);
  fill_ = savedColors_.back().first;
  stroke_ = savedColors_.back().second;
  alpha_ = savedAlpha_.back();
  savedColors_.pop_back();
  savedAlpha_.pop_back();
}

void Context::translate(double dx, double dy) { cairo_translate(cr_, dx, dy); }
void Context::scaleBy(double sx, double sy) {
  if (sx == 0 || sy == 0) return;  // a singular matrix would put cairo into an error state
  cairo_scale(cr_, sx, sy);
}
void Context::rotate(double angle) { cairo_rotate(cr_, angle); }

void Context::concat(const base::AffineTransform& t) {
  if (t.a * t.d - t.b * t.c == 0) return;
  cairo_matrix_t m;
  cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
  cairo_transform(cr_, &m);
}

base::AffineTransform Context::ctm() const {
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  return {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
}

void Context::setLineWidth(double w) { cairo_set_line_width(cr_, std::max(0.0, w)); }

void Context::setLineCap(LineCap cap) {
  cairo_set_line_cap(cr_, cap == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                          : cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                   : CAIRO_LINE_CAP_BUTT);
}

void Context::setLineJoin(LineJoin join) {
  cairo_set_line_join(cr_, join == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                           : join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                     : CAIRO_LINE_JOIN_MITER);
}

void Context::setLineDash(double phase, const std::vector<double>& lengths) {
  bool valid = !lengths.empty();
  double total = 0;
  for (double l : lengths) {
    if (l < 0) valid = false;
    total += l;
  }
  if (!valid || total <= 0) {
    cairo_set_dash(cr_, nullptr, 0, 0);
    return;
  }
  cairo_set_dash(cr_, lengths.data(), static_cast<int>(lengths.size()), phase);
}

void Context::setSource(const Color& c) {
  if (c.pattern()) {
    cairo_pattern_t* p = cairo_pattern_create_for_surface(c.pattern()->surface());
    cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, c.pattern()->scale(), c.pattern()->scale());
    cairo_pattern_set_matrix(p, &m);
    cairo_set_source(cr_, p);
    cairo_pattern_destroy(p);
    return;
  }
  cairo_set_source_rgba(cr_, c.r(), c.g(), c.b(), c.alpha() * alpha_);
}

void Context::fillRect(const base::Rect& r) {
  cairo_new_path(cr_);
  auto s = standardized(r);
  cairo_rectangle(cr_, s.x(), s.y(), s.width(), s.height());
  fillPath();
}

void Context::strokeRect(const base::Rect& r) {
  cairo_new_path(cr_);
  auto s = standardized(r);
  cairo_rectangle(cr_, s.x(), s.y(), s.width(), s.height());
  strokePath();
}

void Context::clearRect(const base::Rect& r) {
  cairo_save(cr_);
  auto s = standardized(r);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, s.x(), s.y(), s.width(), s.height());
  if (cairo_surface_get_content(cairo_get_target(cr_)) == CAIRO_CONTENT_COLOR) {
    cairo_set_source_rgb(cr_, 1, 1, 1);
  } else {
    cairo_set_operator(cr_, CAIRO_OPERATOR_CLEAR);
  }
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void Context::fillEllipse(const base::Rect& r) {
  beginPath();
  addEllipse(r);
  fillPath();
}

void Context::strokeEllipse(const base::Rect& r) {
  beginPath();
  addEllipse(r);
  strokePath();
}

void Context::fillRoundedRect(const base::Rect& r, double radius) {
  beginPath();
  addPath(Path::roundedRect(standardized(r), radius));
  fillPath();
}

void Context::strokeRoundedRect(const base::Rect& r, double radius) {
  beginPath();
  addPath(Path::roundedRect(standardized(r), radius));
  strokePath();
}

void Context::strokeLine(base::Point a, base::Point b) {
  beginPath();
  moveTo(a);
  lineTo(b);
  strokePath();
}

void Context::beginPath() { cairo_new_path(cr_); }
void Context::moveTo(base::Point p) { cairo_move_to(cr_, p.x, p.y); }
void Context::lineTo(base::Point p) {
  if (!cairo_has_current_point(cr_))
    cairo_move_to(cr_, p.x, p.y);
  else
    cairo_line_to(cr_, p.x, p.y);
}
void Context::curveTo(base::Point c1, base::Point c2, base::Point end) {
  if (!cairo_has_current_point(cr_)) cairo_move_to(cr_, c1.x, c1.y);
  cairo_curve_to(cr_, c1.x, c1.y, c2.x, c2.y, end.x, end.y);
}
void Context::quadTo(base::Point c, base::Point end) {
  double sx = c.x, sy = c.y;
  if (cairo_has_current_point(cr_)) cairo_get_current_point(cr_, &sx, &sy);
  curveTo({sx + 2.0 / 3.0 * (c.x - sx), sy + 2.0 / 3.0 * (c.y - sy)},
          {end.x + 2.0 / 3.0 * (c.x - end.x), end.y + 2.0 / 3.0 * (c.y - end.y)}, end);
}
void Context::arc(base::Point center, double radius, double startAngle, double endAngle, bool clockwise) {
  radius = std::fabs(radius);
  if (clockwise)
    cairo_arc(cr_, center.x, center.y, radius, startAngle, endAngle);
  else
    cairo_arc_negative(cr_, center.x, center.y, radius, startAngle, endAngle);
}
void Context::addRect(const base::Rect& r) {
  auto s = standardized(r);
  cairo_rectangle(cr_, s.x(), s.y(), s.width(), s.height());
}
void Context::addEllipse(const base::Rect& r) { renderPath(Path::ellipse(standardized(r))); }
void Context::addPath(const Path& path) { renderPath(path); }
void Context::closePath() {
  if (cairo_has_current_point(cr_)) cairo_close_path(cr_);
}

bool Context::isPathEmpty() const {
  cairo_path_t* p = cairo_copy_path(cr_);
  bool empty = p->num_data == 0;
  cairo_path_destroy(p);
  return empty;
}

void Context::renderPath(const Path& path) {
  for (const auto& e : path.elements()) {
    switch (e.op) {
      case Path::Op::Move: cairo_move_to(cr_, e.p[0].x, e.p[0].y); break;
      case Path::Op::Line: cairo_line_to(cr_, e.p[0].x, e.p[0].y); break;
      case Path::Op::Curve:
        cairo_curve_to(cr_, e.p[0].x, e.p[0].y, e.p[1].x, e.p[1].y, e.p[2].x, e.p[2].y);
        break;
      case Path::Op::Close: cairo_close_path(cr_); break;
    }
  }
}

void Context::paintSource() {
  // Pattern sources carry no alpha of their own: apply the global alpha by group.
  if (fill_.pattern() && alpha_ < 1) {
    cairo_push_group(cr_);
    setSource(fill_);
    cairo_fill(cr_);
    cairo_pop_group_to_source(cr_);
    cairo_paint_with_alpha(cr_, alpha_);
    return;
  }
  setSource(fill_);
  cairo_fill(cr_);
}

void Context::fillPath(bool evenOdd) {
  cairo_set_fill_rule(cr_, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  paintSource();
}

void Context::strokePath() {
  setSource(stroke_);
  cairo_stroke(cr_);
}

void Context::fillAndStrokePath() {
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
  setSource(fill_);
  cairo_fill_preserve(cr_);
  setSource(stroke_);
  cairo_stroke(cr_);
}

void Context::clip(bool evenOdd) {
  cairo_set_fill_rule(cr_, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  cairo_clip(cr_);
}

void Context::clipToRect(const base::Rect& r) {
  cairo_new_path(cr_);
  addRect(r);
  cairo_clip(cr_);
}

base::Rect Context::clipBounds() const {
  double x0, y0, x1, y1;
  cairo_clip_extents(cr_, &x0, &y0, &x1, &y1);
  return {x0, y0, x1 - x0, y1 - y0};
}

namespace {
void addStops(cairo_pattern_t* p, const Gradient& g) {
  for (const auto& s : g.stops)
    cairo_pattern_add_color_stop_rgba(p, std::clamp(s.location, 0.0, 1.0), s.color.r(), s.color.g(),
                                      s.color.b(), s.color.alpha());
}
}  // namespace

void Context::drawLinearGradient(const Gradient& g, base::Point start, base::Point end, unsigned options) {
  if (g.stops.empty()) return;
  cairo_pattern_t* p = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
  addStops(p, g);
  bool before = options & GradientDrawsBeforeStart, after = options & GradientDrawsAfterEnd;
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  cairo_save(cr_);
  double dx = end.x - start.x, dy = end.y - start.y;
  double len = std::hypot(dx, dy);
  if ((!before || !after) && len > 0) {
    // Clip to the band the gradient covers, opened on the sides that extend.
    double ux = dx / len, uy = dy / len, nx = -uy, ny = ux;
    const double far = 1e5;
    double from = before ? -far : 0, to = after ? len + far : len;
    cairo_new_path(cr_);
    cairo_move_to(cr_, start.x + ux * from + nx * far, start.y + uy * from + ny * far);
    cairo_line_to(cr_, start.x + ux * to + nx * far, start.y + uy * to + ny * far);
    cairo_line_to(cr_, start.x + ux * to - nx * far, start.y + uy * to - ny * far);
    cairo_line_to(cr_, start.x + ux * from - nx * far, start.y + uy * from - ny * far);
    cairo_close_path(cr_);
    cairo_clip(cr_);
  }
  cairo_set_source(cr_, p);
  cairo_paint_with_alpha(cr_, alpha_);
  cairo_restore(cr_);
  cairo_pattern_destroy(p);
}

void Context::drawRadialGradient(const Gradient& g, base::Point startCenter, double startRadius, base::Point endCenter,
                                 double endRadius, unsigned options) {
  if (g.stops.empty()) return;
  startRadius = std::fabs(startRadius);
  endRadius = std::fabs(endRadius);
  cairo_pattern_t* p =
      cairo_pattern_create_radial(startCenter.x, startCenter.y, startRadius, endCenter.x, endCenter.y, endRadius);
  addStops(p, g);
  bool before = options & GradientDrawsBeforeStart, after = options & GradientDrawsAfterEnd;
  cairo_pattern_set_extend(p, (before || after) ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
  cairo_save(cr_);
  if (before != after) {
    cairo_new_path(cr_);
    if (!after) {
      cairo_arc(cr_, endCenter.x, endCenter.y, endRadius, 0, 2 * M_PI);
      cairo_clip(cr_);
    } else if (startRadius > 0) {
      // Everything outside the start circle.
      cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_rectangle(cr_, -1e5, -1e5, 2e5, 2e5);
      cairo_new_sub_path(cr_);
      cairo_arc(cr_, startCenter.x, startCenter.y, startRadius, 0, 2 * M_PI);
      cairo_clip(cr_);
    }
  }
  cairo_set_source(cr_, p);
  cairo_paint_with_alpha(cr_, alpha_);
  cairo_restore(cr_);
  cairo_pattern_destroy(p);
}

namespace {

// The pixels to draw the image with when the whole of it is drawn at
// `covered` (in the context's units): a large picture is read at about the
// target's pixels that covers.
Image::Drawable pixelsCovering(cairo_t* cr, const Image& image, base::Size covered) {
  double acrossX = covered.width, acrossY = 0, downX = 0, downY = covered.height;
  cairo_user_to_device_distance(cr, &acrossX, &acrossY);
  cairo_user_to_device_distance(cr, &downX, &downY);
  // A document's page (a PDF, in points) is written once and printed: its
  // pictures are read at once, at print resolution.
  const bool document = cairo_surface_get_type(cairo_get_target(cr)) == CAIRO_SURFACE_TYPE_PDF;
  const double print = document ? Context::kDocumentPixelsPerPoint : 1;
  return image.drawable(static_cast<int>(std::ceil(std::hypot(acrossX, acrossY) * print)),
                        static_cast<int>(std::ceil(std::hypot(downX, downY) * print)), document);
}

// The part `src` of the image (in its points) drawn from `pixels` into `dst`.
void paintPart(cairo_t* cr, double alpha, const Image& image, const Image::Drawable& pixels, const base::Rect& src,
               const base::Rect& dst, bool tile) {
  if (src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 || dst.height() <= 0) return;
  const double s = image.scale();
  const double sx = s * pixels.scaleX, sy = s * pixels.scaleY;
  // The part in the pixels read. One narrower than a pixel of them (a fixed
  // corner of a large picture read small) takes the pixel it falls in, so it
  // shows that pixel's colour rather than nothing.
  const auto span = [](double from, double length, int count) {
    if (length >= 1 || count < 1) return std::pair{from, length};
    return std::pair{std::clamp(std::floor(from), 0.0, count - 1.0), 1.0};
  };
  const auto [partX, partWidth] =
      span(src.x() * sx, src.width() * sx, cairo_image_surface_get_width(pixels.surface.get()));
  const auto [partY, partHeight] =
      span(src.y() * sy, src.height() * sy, cairo_image_surface_get_height(pixels.surface.get()));
  // The whole image is drawn from its own surface: a PDF holds a surface once
  // however often it is drawn, where a part made per drawing is a new picture
  // each time (a picture on every row of a form was stored a hundred times).
  const bool whole = src.x() == 0 && src.y() == 0 && std::abs(src.width() * s - image.pixelWidth()) < 1e-6 &&
                     std::abs(src.height() * s - image.pixelHeight()) < 1e-6;
  cairo_surface_t* sub = whole ? cairo_surface_reference(pixels.surface.get())
                               : cairo_surface_create_for_rectangle(pixels.surface.get(), partX, partY, partWidth,
                                                                    partHeight);
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, dst.x(), dst.y(), dst.width(), dst.height());
  cairo_clip(cr);
  cairo_translate(cr, dst.x(), dst.y());
  if (tile) {
    cairo_scale(cr, 1.0 / sx, 1.0 / sy);
  } else {
    cairo_scale(cr, dst.width() / partWidth, dst.height() / partHeight);
  }
  cairo_set_source_surface(cr, sub, 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), tile ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
  cairo_surface_destroy(sub);
}

}  // namespace

void Context::drawImagePart(const Image& image, const base::Rect& src, const base::Rect& dst, bool tile) {
  if (src.width() <= 0 || src.height() <= 0 || dst.width() <= 0 || dst.height() <= 0) return;
  // The size the whole image comes to drawn as this part is.
  const base::Size is = image.size();
  const base::Size covered =
      tile ? is : base::Size{dst.width() * is.width / src.width(), dst.height() * is.height / src.height()};
  const Image::Drawable pixels = pixelsCovering(cr_, image, covered);
  if (pixels.surface) paintPart(cr_, alpha_, image, pixels, src, dst, tile);
}

void Context::drawImage(const Image& image, const base::Rect& rect) {
  base::Rect dst = standardized(rect);
  base::Size is = image.size();
  if (!image.isResizable()) {
    drawImagePart(image, {0, 0, is.width, is.height}, dst, false);
    return;
  }
  if (dst.width() <= 0 || dst.height() <= 0) return;
  // Nine parts: corners keep their size, edges stretch along one axis, the
  // middle along both (or tiles). Caps shrink when the target is too small.
  auto caps = image.capInsets();
  double l = caps.left, r = caps.right, t = caps.top, b = caps.bottom;
  if (l + r > dst.width() && l + r > 0) {
    double f = dst.width() / (l + r);
    l *= f;
    r *= f;
  }
  if (t + b > dst.height() && t + b > 0) {
    double f = dst.height() / (t + b);
    t *= f;
    b *= f;
  }
  double sx[4] = {0, caps.left, is.width - caps.right, is.width};
  double sy[4] = {0, caps.top, is.height - caps.bottom, is.height};
  double dx[4] = {dst.x(), dst.x() + l, dst.maxX() - r, dst.maxX()};
  double dy[4] = {dst.y(), dst.y() + t, dst.maxY() - b, dst.maxY()};
  bool tile = image.resizingMode() == Image::ResizingMode::Tile;
  // Every part from the pixels read for the whole drawing: a fixed corner
  // drawn at its own size would ask for a large picture at full size.
  const Image::Drawable pixels = pixelsCovering(cr_, image, dst.size);
  if (!pixels.surface) return;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      base::Rect src{sx[j], sy[i], sx[j + 1] - sx[j], sy[i + 1] - sy[i]};
      base::Rect d{dx[j], dy[i], dx[j + 1] - dx[j], dy[i + 1] - dy[i]};
      bool middle = i == 1 || j == 1;
      paintPart(cr_, alpha_, image, pixels, src, d, tile && middle);
    }
  }
}

void Context::drawImage(const Image& image, base::Point topLeft) {
  base::Size s = image.size();
  drawImage(image, base::Rect{topLeft, s});
}

void Context::drawTiledImage(const Image& image, const base::Rect& rect) {
  cairo_save(cr_);
  cairo_new_path(cr_);
  addRect(rect);
  cairo_clip(cr_);
  cairo_pattern_t* p = cairo_pattern_create_for_surface(image.surface());
  cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, image.scale(), image.scale());
  cairo_pattern_set_matrix(p, &m);
  cairo_set_source(cr_, p);
  cairo_paint_with_alpha(cr_, alpha_);
  cairo_pattern_destroy(p);
  cairo_restore(cr_);
}

namespace {
// Link areas are given in user space; cairo wants them in the same space it
// draws in, so they pass through the current transform as a bounding box.
std::string linkRect(cairo_t* cr, const base::Rect& area) {
  double x0 = area.minX(), y0 = area.minY(), x1 = area.maxX(), y1 = area.maxY();
  double xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
  double minx = 1e300, miny = 1e300, maxx = -1e300, maxy = -1e300;
  for (int i = 0; i < 4; ++i) {
    double x = xs[i], y = ys[i];
    cairo_user_to_device(cr, &x, &y);
    minx = std::min(minx, x);
    miny = std::min(miny, y);
    maxx = std::max(maxx, x);
    maxy = std::max(maxy, y);
  }
  char buf[160];
  std::snprintf(buf, sizeof buf, "rect=[%.3f %.3f %.3f %.3f]", minx, miny, maxx - minx, maxy - miny);
  return buf;
}
}  // namespace

void Context::addLink(const base::Rect& area, const std::string& uri) {
  if (cairo_surface_get_type(cairo_get_target(cr_)) != CAIRO_SURFACE_TYPE_PDF || uri.empty()) return;
  std::string escaped;
  for (char c : uri) {
    if (c == '\\' || c == '\'') escaped.push_back('\\');
    escaped.push_back(c);
  }
  std::string attrs = linkRect(cr_, area) + " uri='" + escaped + "'";
  cairo_tag_begin(cr_, CAIRO_TAG_LINK, attrs.c_str());
  cairo_tag_end(cr_, CAIRO_TAG_LINK);
}

void Context::addPageLink(const base::Rect& area, int page) {
  if (cairo_surface_get_type(cairo_get_target(cr_)) != CAIRO_SURFACE_TYPE_PDF || page < 0) return;
  // The page's named destination (see PdfWriter): plain page links do not resolve.
  std::string attrs = linkRect(cr_, area) + " dest='page-" + std::to_string(page) + "'";
  cairo_tag_begin(cr_, CAIRO_TAG_LINK, attrs.c_str());
  cairo_tag_end(cr_, CAIRO_TAG_LINK);
}

namespace {
// One pango context per thread for drawing, brought up to date with the
// target before each text: making one per text was most of the cost of
// drawing many short texts.
PangoContext* drawingPangoContext() {
  struct Holder {
    PangoContext* pc;
    Holder() : pc(pango_font_map_create_context(PangoTextMeasurer::fontMap())) {
      cairo_font_options_t* opts = cairo_font_options_create();
      cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
      cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
      pango_cairo_context_set_font_options(pc, opts);
      cairo_font_options_destroy(opts);
    }
    ~Holder() { g_object_unref(pc); }
  };
  thread_local Holder holder;
  return holder.pc;
}
}  // namespace

namespace {
// Into a PDF page at one unit a point, the measuring context shapes as the
// drawing one would: lines the measurer shaped are drawn as they were shaped.
bool drawsAsMeasured(cairo_t* cr) {
  if (cairo_surface_get_type(cairo_get_target(cr)) != CAIRO_SURFACE_TYPE_PDF) return false;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  return m.xx == 1 && m.yy == 1 && m.xy == 0 && m.yx == 0;
}
}  // namespace

void Context::drawTextLayout(const TextLayout& layout, base::Point origin, double width, const Font& font,
                             const Color& color, TextAlignment alignment) {
  if (layout.lines.empty()) return;
  const ShapedText* shaped = layout.shaped && drawsAsMeasured(cr_) ? layout.shaped.get() : nullptr;
  // A layout of its own for the lines shaped here, made when the first is.
  PangoLayout* pl = nullptr;
  cairo_save(cr_);
  cairo_set_source_rgba(cr_, color.r(), color.g(), color.b(), color.alpha() * alpha_);
  double y = origin.y;
  for (std::size_t i = 0; i < layout.lines.size(); ++i) {
    const auto& line = layout.lines[i];
    double x = origin.x;
    if (alignment == TextAlignment::Center)
      x += (width - line.width) / 2;
    else if (alignment == TextAlignment::Right)
      x += width - line.width;
    PangoLayoutLine* pline = shaped ? shaped->line(i, line.text, font) : nullptr;
    if (!pline) {
      if (!pl) {
        PangoContext* pc = drawingPangoContext();
        pango_cairo_update_context(cr_, pc);
        pl = pango_layout_new(pc);
        PangoFontDescription* desc = PangoTextMeasurer::describe(font);
        pango_layout_set_font_description(pl, desc);
        pango_font_description_free(desc);
        pango_layout_set_single_paragraph_mode(pl, TRUE);
      }
      std::string storage;
      const std::string_view shown = shownText(line.text, storage);
      pango_layout_set_text(pl, shown.data(), static_cast<int>(shown.size()));
      pline = pango_layout_get_line_readonly(pl, 0);
    }
    if (pline) {
      cairo_move_to(cr_, x, y + layout.ascender);
      pango_cairo_show_layout_line(cr_, pline);
    }
    y += layout.lineHeight;
  }
  cairo_restore(cr_);
  if (pl) g_object_unref(pl);
}

base::Size Context::drawText(std::string_view text, const base::Rect& rect, const Font& font, const Color& color,
                             LineBreakMode mode, TextAlignment alignment, int maxLines) {
  TextLayout layout = TextMeasurer::current().layoutInSize(text, font, rect.size, mode, maxLines);
  drawTextLayout(layout, rect.origin, rect.width(), font, color, alignment);
  return layout.size;
}

base::Size Context::drawText(std::string_view text, base::Point p, const Font& font, const Color& color) {
  TextLayout layout = TextMeasurer::current().layout(text, font, 0, LineBreakMode::Clip, 1);
  drawTextLayout(layout, p, layout.size.width, font, color, TextAlignment::Left);
  return layout.size;
}

}  // namespace gfx
