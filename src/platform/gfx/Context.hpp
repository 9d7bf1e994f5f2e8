#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/CairoHandles.hpp"
#include "platform/gfx/Color.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/Path.hpp"
#include "platform/gfx/TextMeasurer.hpp"

namespace gfx {

// Colour stops along a gradient, locations in 0..1.
struct Gradient {
  struct Stop {
    double location;
    Color color;
  };
  std::vector<Stop> stops;
  // Evenly spaced colours.
  static Gradient of(const std::vector<Color>& colors);
};

enum GradientOptions : unsigned { GradientDrawsBeforeStart = 1, GradientDrawsAfterEnd = 2 };
enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };

// A drawing context in points with the origin top left and y growing down:
// over a bitmap (an image being drawn), a PDF page or any cairo target. A
// view's `drawRect` draws into one; the current context is also reachable for
// helpers that draw without being handed one.
class Context {
 public:
  // A bitmap of `size` points at `scale` pixels per point; transparent
  // unless `opaque`, which starts it white.
  static std::unique_ptr<Context> bitmap(base::Size size, double scale = 1.0, bool opaque = false);
  // Draws through `cr` (a reference is taken); `size` is the drawable area in points.
  Context(cairo_t* cr, base::Size size, double scale = 1.0);
  ~Context();
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  // The bitmap drawn so far (a copy); nothing when the target is not a bitmap.
  ImagePtr makeImage() const;
  cairo_t* cairo() const { return cr_; }
  base::Size size() const { return size_; }
  double scale() const { return scale_; }

  // The innermost pushed context of this thread, or nothing.
  static Context* current();
  static void push(Context* ctx);
  static void pop();
  // Makes a context current for one scope.
  class Scope {
   public:
    explicit Scope(Context& c) { push(&c); }
    ~Scope() { pop(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
  };

  // State.
  void save();
  void restore();
  void translate(double dx, double dy);
  void scaleBy(double sx, double sy);
  void rotate(double angle);
  void concat(const base::AffineTransform& t);
  base::AffineTransform ctm() const;
  void setFillColor(const Color& c) { fill_ = c; }
  void setStrokeColor(const Color& c) { stroke_ = c; }
  const Color& fillColor() const { return fill_; }
  const Color& strokeColor() const { return stroke_; }
  void setLineWidth(double w);
  void setLineCap(LineCap cap);
  void setLineJoin(LineJoin join);
  void setLineDash(double phase, const std::vector<double>& lengths);
  // Global alpha applied to every later fill, stroke, image and text.
  void setAlpha(double a) { alpha_ = a < 0 ? 0 : (a > 1 ? 1 : a); }
  double alpha() const { return alpha_; }

  // Shapes.
  void fillRect(const base::Rect& r);
  void strokeRect(const base::Rect& r);
  // Makes the area transparent (white on targets without alpha).
  void clearRect(const base::Rect& r);
  void fillEllipse(const base::Rect& r);
  void strokeEllipse(const base::Rect& r);
  void fillRoundedRect(const base::Rect& r, double radius);
  void strokeRoundedRect(const base::Rect& r, double radius);
  void strokeLine(base::Point a, base::Point b);

  // The current path.
  void beginPath();
  void moveTo(base::Point p);
  void lineTo(base::Point p);
  void curveTo(base::Point c1, base::Point c2, base::Point end);
  void quadTo(base::Point control, base::Point end);
  void arc(base::Point center, double radius, double startAngle, double endAngle, bool clockwise = true);
  void addRect(const base::Rect& r);
  void addEllipse(const base::Rect& r);
  void addPath(const Path& path);
  void closePath();
  bool isPathEmpty() const;
  // Fill, stroke or clip by the current path; each consumes it.
  void fillPath(bool evenOdd = false);
  void strokePath();
  void fillAndStrokePath();
  void clip(bool evenOdd = false);
  void clipToRect(const base::Rect& r);
  base::Rect clipBounds() const;

  // Gradients.
  void drawLinearGradient(const Gradient& g, base::Point start, base::Point end, unsigned options = 0);
  void drawRadialGradient(const Gradient& g, base::Point startCenter, double startRadius, base::Point endCenter,
                          double endRadius, unsigned options = 0);

  // Images: scaled into `rect`; a resizable image keeps its caps and
  // stretches or tiles its middle.
  void drawImage(const Image& image, const base::Rect& rect);
  void drawImage(const Image& image, base::Point topLeft);
  // A pattern of the image repeated from the origin across `rect`.
  void drawTiledImage(const Image& image, const base::Rect& rect);

  // Links (PDF targets only; bitmaps ignore them): an area that opens a URI
  // or goes to a page (0-based) of the same document (pages written by
  // PdfWriter are link targets once they have content).
  void addLink(const base::Rect& area, const std::string& uri);
  void addPageLink(const base::Rect& area, int page);

  // Text: wrapped into `rect` (as many lines as fit, or `maxLines`), aligned;
  // returns the size used.
  base::Size drawText(std::string_view text, const base::Rect& rect, const Font& font, const Color& color,
                      LineBreakMode mode = LineBreakMode::WordWrap, TextAlignment alignment = TextAlignment::Left,
                      int maxLines = 0);
  // One line with its top left at `p`.
  base::Size drawText(std::string_view text, base::Point p, const Font& font, const Color& color);
  // Lines already laid out, top left at `origin`, aligned within `width`.
  void drawTextLayout(const TextLayout& layout, base::Point origin, double width, const Font& font,
                      const Color& color, TextAlignment alignment);

  // The pixels a picture drawn into a document (a PDF page) has for each of
  // its points: 300 dots an inch, what a printer resolves. A large file is
  // read at that size at once, never past the pixels it holds.
  static constexpr double kDocumentPixelsPerPoint = 300.0 / 72;

 private:
  void setSource(const Color& c);
  void paintSource();
  void drawImagePart(const Image& image, const base::Rect& src, const base::Rect& dst, bool tile);
  void renderPath(const Path& path);

  cairo_t* cr_;
  base::Size size_;
  double scale_;
  Color fill_ = Color::black();
  Color stroke_ = Color::black();
  double alpha_ = 1;
  std::vector<std::pair<Color, Color>> savedColors_;
  std::vector<double> savedAlpha_;
};

}  // namespace gfx
