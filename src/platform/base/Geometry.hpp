#pragma once
#include <algorithm>
#include <cmath>
#include <ostream>

namespace base {

struct Point {
  double x = 0, y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  double width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct EdgeInsets {
  double top = 0, left = 0, bottom = 0, right = 0;
  friend bool operator==(const EdgeInsets&, const EdgeInsets&) = default;
};

struct Rect {
  Point origin;
  Size size;

  Rect() = default;
  Rect(double x, double y, double w, double h) : origin{x, y}, size{w, h} {}
  Rect(Point o, Size s) : origin(o), size(s) {}

  double x() const { return origin.x; }
  double y() const { return origin.y; }
  double width() const { return size.width; }
  double height() const { return size.height; }

  // Min/mid/max work on the standardised rectangle, as the platform's do.
  double minX() const { return std::min(origin.x, origin.x + size.width); }
  double maxX() const { return std::max(origin.x, origin.x + size.width); }
  double midX() const { return origin.x + size.width / 2; }
  double minY() const { return std::min(origin.y, origin.y + size.height); }
  double maxY() const { return std::max(origin.y, origin.y + size.height); }
  double midY() const { return origin.y + size.height / 2; }
  Point center() const { return {midX(), midY()}; }

  bool isEmpty() const { return size.width <= 0 || size.height <= 0; }
  // Half-open: a point on the right or bottom edge is outside.
  bool contains(Point p) const {
    return !isEmpty() && p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
  }
  bool contains(const Rect& r) const {
    return !isEmpty() && !r.isEmpty() && r.minX() >= minX() && r.maxX() <= maxX() &&
           r.minY() >= minY() && r.maxY() <= maxY();
  }
  // Strict overlap: rectangles that only touch at an edge do not intersect.
  bool intersects(const Rect& r) const {
    return !isEmpty() && !r.isEmpty() && r.minX() < maxX() && r.maxX() > minX() &&
           r.minY() < maxY() && r.maxY() > minY();
  }
  // The overlap, or the empty rectangle at the origin when there is none.
  Rect intersection(const Rect& r) const {
    if (!intersects(r)) return Rect{};
    double x0 = std::max(minX(), r.minX()), y0 = std::max(minY(), r.minY());
    double x1 = std::min(maxX(), r.maxX()), y1 = std::min(maxY(), r.maxY());
    return Rect{x0, y0, x1 - x0, y1 - y0};
  }
  Rect unionWith(const Rect& r) const {
    if (isEmpty()) return r;
    if (r.isEmpty()) return *this;
    double x0 = std::min(minX(), r.minX()), y0 = std::min(minY(), r.minY());
    double x1 = std::max(maxX(), r.maxX()), y1 = std::max(maxY(), r.maxY());
    return Rect{x0, y0, x1 - x0, y1 - y0};
  }
  Rect inset(double dx, double dy) const {
    return Rect{origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy};
  }
  Rect inset(const EdgeInsets& e) const {
    return Rect{origin.x + e.left, origin.y + e.top, size.width - e.left - e.right,
                size.height - e.top - e.bottom};
  }
  Rect offset(double dx, double dy) const {
    return Rect{origin.x + dx, origin.y + dy, size.width, size.height};
  }
  Rect integral() const {
    double x0 = std::floor(minX()), y0 = std::floor(minY());
    double x1 = std::ceil(maxX()), y1 = std::ceil(maxY());
    return Rect{x0, y0, x1 - x0, y1 - y0};
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline std::ostream& operator<<(std::ostream& o, const Point& p) {
  return o << "{" << p.x << ", " << p.y << "}";
}
inline std::ostream& operator<<(std::ostream& o, const Size& s) {
  return o << "{" << s.width << ", " << s.height << "}";
}
inline std::ostream& operator<<(std::ostream& o, const Rect& r) {
  return o << "{" << r.origin << ", " << r.size << "}";
}

// A 2-D affine transform (a b c d tx ty), as the drawing and view layers use it.
struct AffineTransform {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  static AffineTransform identity() { return {}; }
  static AffineTransform rotation(double angle) {
    double s = std::sin(angle), co = std::cos(angle);
    return {co, s, -s, co, 0, 0};
  }
  static AffineTransform scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
  static AffineTransform translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
  bool isIdentity() const { return *this == AffineTransform{}; }
  // this then other
  AffineTransform concat(const AffineTransform& o) const {
    return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c,
            c * o.b + d * o.d, tx * o.a + ty * o.c + o.tx, tx * o.b + ty * o.d + o.ty};
  }
  AffineTransform inverted() const {
    double det = a * d - b * c;
    if (det == 0) return *this;
    return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
  }
  Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
  Rect apply(const Rect& r) const {
    Point p[4] = {apply(Point{r.minX(), r.minY()}), apply(Point{r.maxX(), r.minY()}),
                  apply(Point{r.minX(), r.maxY()}), apply(Point{r.maxX(), r.maxY()})};
    double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    for (auto& q : p) {
      x0 = std::min(x0, q.x); x1 = std::max(x1, q.x);
      y0 = std::min(y0, q.y); y1 = std::max(y1, q.y);
    }
    return Rect{x0, y0, x1 - x0, y1 - y0};
  }
  friend bool operator==(const AffineTransform&, const AffineTransform&) = default;
};

}  // namespace base
