#pragma once
#include <array>
#include <cmath>

#include "platform/base/Geometry.hpp"

namespace ui {

// A 4 x 4 homogeneous transform, row-vector convention (a point is
// [x y z 1] x M), as layers keep their transform.
struct Transform3D {
  std::array<std::array<double, 4>, 4> m{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

  static Transform3D identity() { return {}; }
  static Transform3D translation(double tx, double ty, double tz = 0) {
    Transform3D t;
    t.m[3][0] = tx;
    t.m[3][1] = ty;
    t.m[3][2] = tz;
    return t;
  }
  static Transform3D scale(double sx, double sy, double sz = 1) {
    Transform3D t;
    t.m[0][0] = sx;
    t.m[1][1] = sy;
    t.m[2][2] = sz;
    return t;
  }
  // Rotation by `angle` about the axis (x, y, z); nothing for a zero axis.
  static Transform3D rotation(double angle, double x = 0, double y = 0, double z = 1);
  static Transform3D fromAffine(const base::AffineTransform& a) {
    Transform3D t;
    t.m[0][0] = a.a;
    t.m[0][1] = a.b;
    t.m[1][0] = a.c;
    t.m[1][1] = a.d;
    t.m[3][0] = a.tx;
    t.m[3][1] = a.ty;
    return t;
  }

  bool isIdentity() const { return *this == Transform3D{}; }
  // True when the transform only acts in the plane (no z or perspective terms).
  bool isAffine() const {
    return m[0][2] == 0 && m[0][3] == 0 && m[1][2] == 0 && m[1][3] == 0 && m[2][0] == 0 && m[2][1] == 0 &&
           m[2][2] == 1 && m[2][3] == 0 && m[3][2] == 0 && m[3][3] == 1;
  }
  // The plane part; a perspective or z term is dropped.
  base::AffineTransform affine() const { return {m[0][0], m[0][1], m[1][0], m[1][1], m[3][0], m[3][1]}; }
  // this then other
  Transform3D concat(const Transform3D& o) const {
    Transform3D r;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        double s = 0;
        for (int k = 0; k < 4; ++k) s += m[i][k] * o.m[k][j];
        r.m[i][j] = s;
      }
    return r;
  }
  friend bool operator==(const Transform3D&, const Transform3D&) = default;
};

inline Transform3D Transform3D::rotation(double angle, double x, double y, double z) {
  double len = std::sqrt(x * x + y * y + z * z);
  if (len == 0) return {};
  x /= len;
  y /= len;
  z /= len;
  double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  Transform3D r;
  r.m[0] = {t * x * x + c, t * x * y + z * s, t * x * z - y * s, 0};
  r.m[1] = {t * x * y - z * s, t * y * y + c, t * y * z + x * s, 0};
  r.m[2] = {t * x * z + y * s, t * y * z - x * s, t * z * z + c, 0};
  r.m[3] = {0, 0, 0, 1};
  return r;
}

}  // namespace ui
