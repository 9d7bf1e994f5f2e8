#pragma once
#include <vector>

#include "platform/base/Geometry.hpp"

namespace gfx {

// A resolution-independent outline: subpaths of lines and curves, as shadow
// paths, signatures and chart shapes are built.
class Path {
 public:
  enum class Op { Move, Line, Curve, Close };
  struct Element {
    Op op;
    base::Point p[3];  // Move/Line: p[0]; Curve: control 1, control 2, end
  };

  static Path rect(const base::Rect& r);
  static Path ellipse(const base::Rect& r);
  // A rectangle with corners rounded by `radius` (clamped to half the short side).
  static Path roundedRect(const base::Rect& r, double radius);

  void moveTo(base::Point p);
  void lineTo(base::Point p);
  void curveTo(base::Point c1, base::Point c2, base::Point end);
  void quadTo(base::Point control, base::Point end);
  // Arc around `center` from `startAngle` to `endAngle` (radians; y grows
  // downwards so positive angles turn clockwise on screen).
  void arc(base::Point center, double radius, double startAngle, double endAngle, bool clockwise = true);
  void addRect(const base::Rect& r);
  void addEllipse(const base::Rect& r);
  void close();

  bool isEmpty() const { return elements_.empty(); }
  const std::vector<Element>& elements() const { return elements_; }
  base::Point currentPoint() const { return current_; }
  // Bounds of every point, control points included.
  base::Rect bounds() const;
  Path transformed(const base::AffineTransform& t) const;

  friend bool operator==(const Path& a, const Path& b);

 private:
  std::vector<Element> elements_;
  base::Point current_;
  base::Point start_;
};

}  // namespace gfx
