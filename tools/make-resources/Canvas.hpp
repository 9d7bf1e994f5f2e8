#pragma once
// A drawing surface for the shipped pictures: cairo underneath, pango for
// text, written out as PNG or JPEG.
#include <cairo.h>

#include <filesystem>
#include <optional>
#include <string>

namespace mv::resources {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 1;
};

constexpr Rgba rgb(int r, int g, int b, double a = 1.0) { return Rgba{r / 255.0, g / 255.0, b / 255.0, a}; }
constexpr Rgba withAlpha(Rgba c, double a) { return Rgba{c.r, c.g, c.b, a}; }
// t = 0 gives a, t = 1 gives b.
constexpr Rgba mix(Rgba a, Rgba b, double t) {
  return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

class Canvas {
 public:
  enum class Align { Left, Center, Right };

  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return cr_; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Paths.
  void roundedRect(double x, double y, double w, double h, double r);
  void circle(double cx, double cy, double r);

  // Painting the current path; each call consumes the path.
  void fill(Rgba c);
  void stroke(Rgba c, double lineWidth);
  void fillAndStroke(Rgba fillColor, Rgba strokeColor, double lineWidth);
  void fillVertical(Rgba top, Rgba bottom, double y0, double y1);

  // The whole surface.
  void paint(Rgba c);
  void verticalGradient(Rgba top, Rgba bottom);

  // Text laid out in the box (x, y, w, h), vertically centred, in a sans font
  // that covers Latin and Chinese; `size` in pixels.
  void text(const std::string& utf8, double x, double y, double w, double h, double size, Rgba color,
            bool bold = false, Align align = Align::Center);
  double textWidth(const std::string& utf8, double size, bool bold = false) const;

  bool writePng(const std::filesystem::path& file) const;
  bool writeJpeg(const std::filesystem::path& file, int quality) const;

  // Width, height and whether the pixels differ at all, of a written PNG or
  // JPEG; std::nullopt when the file cannot be decoded.
  struct Probe {
    int width = 0;
    int height = 0;
    bool uniform = true;
  };
  static std::optional<Probe> probe(const std::filesystem::path& file);

 private:
  int width_;
  int height_;
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

}  // namespace mv::resources
