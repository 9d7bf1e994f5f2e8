#pragma once
#include <memory>
#include <ostream>

namespace gfx {

class Image;

// An RGBA colour with components in 0..1 (not premultiplied). A colour may
// instead carry a pattern image, which fills by tiling.
class Color {
 public:
  constexpr Color() = default;
  constexpr Color(double r, double g, double b, double a = 1.0) : r_(r), g_(g), b_(b), a_(a) {}

  static Color rgb(double r, double g, double b, double a = 1.0) { return {clamp(r), clamp(g), clamp(b), clamp(a)}; }
  // Components given on the 0-255 scale, as colour tables write them.
  static Color rgb255(double r, double g, double b, double a = 1.0) {
    return rgb(r / 255.0, g / 255.0, b / 255.0, a);
  }
  static Color white(double level, double a = 1.0) { return rgb(level, level, level, a); }
  // 0xRRGGBB
  static Color hex(unsigned rgbValue, double a = 1.0) {
    return rgb255((rgbValue >> 16) & 0xff, (rgbValue >> 8) & 0xff, rgbValue & 0xff, a);
  }
  static Color patternImage(std::shared_ptr<const Image> image);

  static Color clear() { return {0, 0, 0, 0}; }
  static Color black() { return {0, 0, 0, 1}; }
  static Color darkGray() { return white(1.0 / 3.0); }
  static Color lightGray() { return white(2.0 / 3.0); }
  static Color white() { return {1, 1, 1, 1}; }
  // The platform's textured grey behind full-screen scroll views (readers).
  static Color scrollViewTexturedBackgroundColor() { return {111 / 255.0, 113 / 255.0, 121 / 255.0, 1}; }
  static Color gray() { return white(0.5); }
  static Color red() { return {1, 0, 0, 1}; }
  static Color green() { return {0, 1, 0, 1}; }
  static Color blue() { return {0, 0, 1, 1}; }
  static Color cyan() { return {0, 1, 1, 1}; }
  static Color yellow() { return {1, 1, 0, 1}; }
  static Color magenta() { return {1, 0, 1, 1}; }
  static Color orange() { return {1, 0.5, 0, 1}; }
  static Color purple() { return {0.5, 0, 0.5, 1}; }
  static Color brown() { return {0.6, 0.4, 0.2, 1}; }

  // Components, 0..1.
  double r() const { return r_; }
  double g() const { return g_; }
  double b() const { return b_; }
  double alpha() const { return a_; }
  const std::shared_ptr<const Image>& pattern() const { return pattern_; }

  Color withAlphaComponent(double a) const {
    Color c = *this;
    c.a_ = clamp(a);
    return c;
  }
  bool isClear() const { return a_ <= 0 && !pattern_; }

  friend bool operator==(const Color& x, const Color& y) {
    return x.r_ == y.r_ && x.g_ == y.g_ && x.b_ == y.b_ && x.a_ == y.a_ && x.pattern_ == y.pattern_;
  }

 private:
  static constexpr double clamp(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
  double r_ = 0, g_ = 0, b_ = 0, a_ = 1;
  std::shared_ptr<const Image> pattern_;
};

inline std::ostream& operator<<(std::ostream& o, const Color& c) {
  return o << "rgba(" << c.r() << ", " << c.g() << ", " << c.b() << ", " << c.alpha() << ")";
}

}  // namespace gfx
