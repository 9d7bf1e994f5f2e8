#include "platform/gfx/Path.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gfx {

namespace {
constexpr double kKappa = 0.5522847498307936;  // control distance of a quarter circle
}

bool operator==(const Path& a, const Path& b) {
  if (a.elements_.size() != b.elements_.size()) return false;
  for (std::size_t i = 0; i < a.elements_.size(); ++i) {
    const auto& x = a.elements_[i];
    const auto& y = b.elements_[i];
    if (x.op != y.op || x.p[0] != y.p[0] || x.p[1] != y.p[1] || x.p[2] != y.p[2]) return false;
  }
  return true;
}

Path Path::rect(const base::Rect& r) {
  Path p;
  p.addRect(r);
  return p;
}

Path Path::ellipse(const base::Rect& r) {
  Path p;
  p.addEllipse(r);
  return p;
}

Path Path::roundedRect(const base::Rect& r, double radius) {
  Path p;
  double rad = std::max(0.0, std::min(radius, std::min(r.width(), r.height()) / 2));
  if (rad <= 0) {
    p.addRect(r);
    return p;
  }
  double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
  p.moveTo({x0 + rad, y0});
  p.lineTo({x1 - rad, y0});
  p.arc({x1 - rad, y0 + rad}, rad, -M_PI / 2, 0);
  p.lineTo({x1, y1 - rad});
  p.arc({x1 - rad, y1 - rad}, rad, 0, M_PI / 2);
  p.lineTo({x0 + rad, y1});
  p.arc({x0 + rad, y1 - rad}, rad, M_PI / 2, M_PI);
  p.lineTo({x0, y0 + rad});
  p.arc({x0 + rad, y0 + rad}, rad, M_PI, 3 * M_PI / 2);
  p.close();
  return p;
}

void Path::moveTo(base::Point p) {
  elements_.push_back({Op::Move, {p, {}, {}}});
  current_ = start_ = p;
}

void Path::lineTo(base::Point p) {
  if (elements_.empty()) {
    moveTo(p);
    return;
  }
  elements_.push_back({Op::Line, {p, {}, {}}});
  current_ = p;
}

void Path::curveTo(base::Point c1, base::Point c2, base::Point end) {
  if (elements_.empty()) moveTo(c1);
  elements_.push_back({Op::Curve, {c1, c2, end}});
  current_ = end;
}

void Path::quadTo(base::Point c, base::Point end) {
  base::Point s = current_;
  curveTo({s.x + 2.0 / 3.0 * (c.x - s.x), s.y + 2.0 / 3.0 * (c.y - s.y)},
          {end.x + 2.0 / 3.0 * (c.x - end.x), end.y + 2.0 / 3.0 * (c.y - end.y)}, end);
}

void Path::arc(base::Point center, double radius, double startAngle, double endAngle, bool clockwise) {
  radius = std::fabs(radius);
  base::Point start{center.x + radius * std::cos(startAngle), center.y + radius * std::sin(startAngle)};
  if (elements_.empty())
    moveTo(start);
  else
    lineTo(start);
  double sweep = endAngle - startAngle;
  if (clockwise) {
    while (sweep < 0) sweep += 2 * M_PI;
  } else {
    while (sweep > 0) sweep -= 2 * M_PI;
  }
  if (std::fabs(endAngle - startAngle) >= 2 * M_PI) sweep = clockwise ? 2 * M_PI : -2 * M_PI;
  int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (M_PI / 2) - 1e-9)));
  double step = sweep / segments;
  double a = startAngle;
  for (int i = 0; i < segments; ++i) {
    double b = a + step;
    double k = 4.0 / 3.0 * std::tan((b - a) / 4);
    base::Point p0{center.x + radius * std::cos(a), center.y + radius * std::sin(a)};
    base::Point p3{center.x + radius * std::cos(b), center.y + radius * std::sin(b)};
    base::Point c1{p0.x - k * radius * std::sin(a), p0.y + k * radius * std::cos(a)};
    base::Point c2{p3.x + k * radius * std::sin(b), p3.y - k * radius * std::cos(b)};
    elements_.push_back({Op::Curve, {c1, c2, p3}});
    current_ = p3;
    a = b;
  }
}

void Path::addRect(const base::Rect& r) {
  moveTo({r.minX(), r.minY()});
  lineTo({r.maxX(), r.minY()});
  lineTo({r.maxX(), r.maxY()});
  lineTo({r.minX(), r.maxY()});
  close();
}

void Path::addEllipse(const base::Rect& r) {
  double cx = r.midX(), cy = r.midY(), rx = r.width() / 2, ry = r.height() / 2;
  double kx = rx * kKappa, ky = ry * kKappa;
  moveTo({cx + rx, cy});
  curveTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
  curveTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
  curveTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
  curveTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
  close();
}

void Path::close() {
  if (elements_.empty()) return;
  elements_.push_back({Op::Close, {}});
  current_ = start_;
}

base::Rect Path::bounds() const {
  double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
  bool any = false;
  for (const auto& e : elements_) {
    int n = e.op == Op::Curve ? 3 : (e.op == Op::Close ? 0 : 1);
    for (int i = 0; i < n; ++i) {
      any = true;
      x0 = std::min(x0, e.p[i].x);
      y0 = std::min(y0, e.p[i].y);
      x1 = std::max(x1, e.p[i].x);
      y1 = std::max(y1, e.p[i].y);
    }
  }
  if (!any) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

Path Path::transformed(const base::AffineTransform& t) const {
  Path out = *this;
  for (auto& e : out.elements_)
    for (auto& p : e.p) p = t.apply(p);
  out.current_ = t.apply(current_);
  out.start_ = t.apply(start_);
  return out;
}

}  // namespace gfx
