#include "sales-service/ImageFactory.hpp"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace mv::sales {

namespace {

struct SurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceFree>;

uint64_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

void setColor(cairo_t* cr, uint32_t rgb, double shade = 1.0, double alpha = 1.0) {
  double r = ((rgb >> 16) & 0xFF) / 255.0 * shade;
  double g = ((rgb >> 8) & 0xFF) / 255.0 * shade;
  double b = (rgb & 0xFF) / 255.0 * shade;
  cairo_set_source_rgba(cr, std::min(r, 1.0), std::min(g, 1.0), std::min(b, 1.0), alpha);
}

Surface draw(const PictureSpec& spec) {
  int w = std::max(1, spec.width);
  int h = std::max(1, spec.height);
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h));
  cairo_t* cr = cairo_create(surface.get());

  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, 0, h);
  double r = ((spec.color >> 16) & 0xFF) / 255.0;
  double g = ((spec.color >> 8) & 0xFF) / 255.0;
  double b = (spec.color & 0xFF) / 255.0;
  const double top = 0.55, bottom = 0.0, bottomScale = 0.8;
  cairo_pattern_add_color_stop_rgb(gradient, 0, top + r * (1 - top), top + g * (1 - top), top + b * (1 - top));
  cairo_pattern_add_color_stop_rgb(gradient, 1, bottom + r * bottomScale, bottom + g * bottomScale,
                                   bottom + b * bottomScale);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);

  uint64_t state = spec.seed;
  for (int i = 0; i < 5; ++i) {
    state = mix(state);
    double cx = static_cast<double>(state % 1000) / 1000.0 * w;
    double cy = static_cast<double>((state >> 10) % 1000) / 1000.0 * h;
    double radius = (0.08 + static_cast<double>((state >> 20) % 100) / 600.0) * std::min(w, h);
    setColor(cr, static_cast<uint32_t>(state >> 32) & 0xFFFFFF, 1.0, 0.55);
    if (i % 2 == 0) {
      cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    } else {
      cairo_rectangle(cr, cx - radius, cy - radius * 0.6, radius * 2, radius * 1.2);
    }
    cairo_fill(cr);
  }

  cairo_set_line_width(cr, std::max(1.0, std::min(w, h) / 60.0));
  setColor(cr, spec.color, 0.5);
  cairo_rectangle(cr, 1, 1, w - 2, h - 2);
  cairo_stroke(cr);

  if (!spec.label.empty()) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    double size = std::max(8.0, std::min(h / 5.0, w / (0.62 * spec.label.size() + 1)));
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, spec.label.c_str(), &ext);
    double x = (w - ext.width) / 2 - ext.x_bearing;
    double y = (h - ext.height) / 2 - ext.y_bearing;
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_move_to(cr, x + 1, y + 1);
    cairo_show_text(cr, spec.label.c_str());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, spec.label.c_str());
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface.get());
  return surface;
}

// ---- skin pieces ----------------------------------------------------------------

struct Rgb {
  double r, g, b;
};

Rgb rgbOf(uint32_t c) { return {((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0}; }

uint32_t packed(const Rgb& c) {
  auto channel = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
}

// `a` moved towards `b` by `t` (0 to 1).
uint32_t mixed(uint32_t a, uint32_t b, double t) {
  Rgb x = rgbOf(a), y = rgbOf(b);
  return packed({x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t});
}

double luminance(uint32_t c) {
  auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  Rgb x = rgbOf(c);
  return 0.2126 * linear(x.r) + 0.7152 * linear(x.g) + 0.0722 * linear(x.b);
}

Rgb fromHsl(double h, double s, double l) {
  auto hue = [](double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 0.5) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
  };
  const double q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
  return {hue(p, q, h + 1.0 / 3), hue(p, q, h), hue(p, q, h - 1.0 / 3)};
}

double hueOf(const Rgb& c) {
  const double mx = std::max({c.r, c.g, c.b}), mn = std::min({c.r, c.g, c.b}), d = mx - mn;
  if (d <= 0) return 0.6;  // a grey: a calm blue
  double h = mx == c.r ? (c.g - c.b) / d + (c.g < c.b ? 6 : 0) : mx == c.g ? (c.b - c.r) / d + 2 : (c.r - c.g) / d + 4;
  return h / 6;
}

constexpr uint32_t kWhite = 0xFFFFFF;

void fillColor(cairo_t* cr, uint32_t c, double alpha = 1.0) {
  Rgb x = rgbOf(c);
  cairo_set_source_rgba(cr, x.r, x.g, x.b, alpha);
}

void verticalGradient(cairo_t* cr, double w, double h, uint32_t top, uint32_t bottom) {
  cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, 0, h);
  Rgb t = rgbOf(top), b = rgbOf(bottom);
  cairo_pattern_add_color_stop_rgb(g, 0, t.r, t.g, t.b);
  cairo_pattern_add_color_stop_rgb(g, 1, b.r, b.g, b.b);
  cairo_set_source(cr, g);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

// Draws `text` bold, centred on (cx, cy), at most `maxWidth` wide and
// `size` high.
void centredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, double maxWidth) {
  cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, size);
  cairo_text_extents_t ext;
  cairo_text_extents(cr, text.c_str(), &ext);
  if (ext.width > maxWidth && ext.width > 0) {
    cairo_set_font_size(cr, size * maxWidth / ext.width);
    cairo_text_extents(cr, text.c_str(), &ext);
  }
  cairo_move_to(cr, cx - ext.width / 2 - ext.x_bearing, cy - ext.height / 2 - ext.y_bearing);
  cairo_show_text(cr, text.c_str());
}

void drawSkinPiece(cairo_t* cr, const SkinSpec& spec, double w, double h) {
  const uint32_t brand = spec.brand;
  switch (spec.piece) {
    case SkinPiece::BrandBar: {
      // A little lighter on top, never so light that white titles fade.
      uint32_t top = brand;
      for (double t = 0.14; t > 0; t -= 0.02) {
        top = mixed(brand, kWhite, t);
        if (ImageFactory::contrast(kWhite, top) >= 4.8) break;
        top = brand;
      }
      verticalGradient(cr, w, h, top, mixed(brand, 0x000000, 0.18));
      fillColor(cr, mixed(brand, 0x000000, 0.4));
      cairo_rectangle(cr, 0, h - 1, w, 1);
      cairo_fill(cr);
      break;
    }
    case SkinPiece::LightBar:
      verticalGradient(cr, w, h, 0xFBFBFC, 0xEEEFF2);
      fillColor(cr, brand);
      cairo_rectangle(cr, 0, 0, w, 2);
      cairo_fill(cr);
      fillColor(cr, 0xD0D3D8);
      cairo_rectangle(cr, 0, 2, w, 1);
      cairo_fill(cr);
      break;
    case SkinPiece::Logo: {
      const double mark = h * 0.72, pad = (h - mark) / 2;
      roundedRect(cr, pad, pad, mark, mark, mark * 0.22);
      fillColor(cr, brand);
      cairo_fill(cr);
      const std::string initial = spec.label.empty() ? "" : spec.label.substr(0, 1);
      fillColor(cr, kWhite);
      centredText(cr, initial, pad + mark / 2, h / 2, mark * 0.62, mark);
      const double textLeft = pad * 2 + mark, textWidth = w - textLeft - pad;
      fillColor(cr, brand);
      cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
      double size = h * 0.36;
      cairo_set_font_size(cr, size);
      cairo_text_extents_t ext;
      cairo_text_extents(cr, spec.label.c_str(), &ext);
      if (ext.width > textWidth && ext.width > 0) {
        cairo_set_font_size(cr, size * textWidth / ext.width);
        cairo_text_extents(cr, spec.label.c_str(), &ext);
      }
      cairo_move_to(cr, textLeft - ext.x_bearing, h / 2 - ext.height / 2 - ext.y_bearing);
      cairo_show_text(cr, spec.label.c_str());
      break;
    }
    case SkinPiece::Backdrop: {
      cairo_pattern_t* g = cairo_pattern_create_linear(0, 0, w * 0.4, h);
      Rgb a = rgbOf(mixed(brand, 0x000000, 0.2)), b = rgbOf(mixed(brand, kWhite, 0.22));
      cairo_pattern_add_color_stop_rgb(g, 0, a.r, a.g, a.b);
      cairo_pattern_add_color_stop_rgb(g, 1, b.r, b.g, b.b);
      cairo_set_source(cr, g);
      cairo_paint(cr);
      cairo_pattern_destroy(g);
      const double circles[][3] = {{0.88, 0.12, 0.32}, {0.1, 0.85, 0.36}, {0.62, 0.78, 0.12}};
      for (const auto& c : circles) {
        cairo_arc(cr, c[0] * w, c[1] * h, c[2] * std::min(w, h), 0, 2 * M_PI);
        fillColor(cr, kWhite, 0.07);
        cairo_fill(cr);
      }
      break;
    }
  }
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void jpegErrorExit(j_common_ptr info) {
  longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Everything the compressor touches lives on the heap, so that nothing local is
// changed between setjmp and a longjmp from the library's error exit.
struct JpegJob {
  jpeg_compress_struct cinfo{};
  JpegError error{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  bool created = false;
  ~JpegJob() {
    if (created) jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

bool compressJpeg(JpegJob& job, const std::string& rgbPixels, int w, int h, int quality) {
  job.cinfo.err = jpeg_std_error(&job.error.mgr);
  job.error.mgr.error_exit = jpegErrorExit;
  if (setjmp(job.error.jump)) return false;
  jpeg_create_compress(&job.cinfo);
  job.created = true;
  jpeg_mem_dest(&job.cinfo, &job.buffer, &job.size);
  job.cinfo.image_width = static_cast<JDIMENSION>(w);
  job.cinfo.image_height = static_cast<JDIMENSION>(h);
  job.cinfo.input_components = 3;
  job.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job.cinfo);
  jpeg_set_quality(&job.cinfo, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&job.cinfo, TRUE);
  while (job.cinfo.next_scanline < job.cinfo.image_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(
        rgbPixels.data() + static_cast<size_t>(job.cinfo.next_scanline) * w * 3));
    jpeg_write_scanlines(&job.cinfo, &row, 1);
  }
  jpeg_finish_compress(&job.cinfo);
  return true;
}

std::string encodeJpeg(const std::string& rgbPixels, int w, int h, int quality) {
  auto job = std::make_unique<JpegJob>();
  if (!compressJpeg(*job, rgbPixels, w, h, quality) || !job->buffer) return {};
  return std::string(reinterpret_cast<const char*>(job->buffer), job->size);
}

}  // namespace

std::string ImageFactory::png(const PictureSpec& spec) {
  Surface surface = draw(spec);
  std::string out;
  if (cairo_surface_write_to_png_stream(surface.get(), appendToString, &out) != CAIRO_STATUS_SUCCESS) {
    return {};
  }
  return out;
}

std::string ImageFactory::skinPng(const SkinSpec& spec) {
  const int w = std::max(1, spec.width), h = std::max(1, spec.height);
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
  cairo_t* cr = cairo_create(surface.get());
  drawSkinPiece(cr, spec, w, h);
  cairo_destroy(cr);
  cairo_surface_flush(surface.get());
  std::string out;
  if (cairo_surface_write_to_png_stream(surface.get(), appendToString, &out) != CAIRO_STATUS_SUCCESS) return {};
  return out;
}

uint32_t ImageFactory::brandColor(uint32_t color) {
  const double hue = hueOf(rgbOf(color));
  uint32_t out = 0;
  for (double l = 0.5; l > 0.05; l -= 0.01) {
    out = packed(fromHsl(hue, 0.6, l));
    if (contrast(kWhite, out) >= 5.0) break;
  }
  return out;
}

double ImageFactory::contrast(uint32_t a, uint32_t b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::string ImageFactory::rgb(const PictureSpec& spec) {
  Surface surface = draw(spec);
  int w = cairo_image_surface_get_width(surface.get());
  int h = cairo_image_surface_get_height(surface.get());
  int stride = cairo_image_surface_get_stride(surface.get());
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  std::string out(static_cast<size_t>(w) * h * 3, '\0');
  // Written through a pointer: every company's pictures pass here, in the
  // sanitizer build too, where each call of the string's operator counts.
  char* o = out.data();
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x, o += 3) {
      const uint32_t px = row[x];
      o[0] = static_cast<char>((px >> 16) & 0xFF);
      o[1] = static_cast<char>((px >> 8) & 0xFF);
      o[2] = static_cast<char>(px & 0xFF);
    }
  }
  return out;
}

std::string ImageFactory::jpeg(const PictureSpec& spec, int quality) {
  std::string pixels = rgb(spec);
  return encodeJpeg(pixels, std::max(1, spec.width), std::max(1, spec.height), quality);
}

void ImageFactory::releaseCaches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace mv::sales
