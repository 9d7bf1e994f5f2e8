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
  // Plain pieces stay light so the application's dark text reads on them.
  const double top = spec.plain ? 0.85 : 0.55, bottom = spec.plain ? 0.62 : 0.0;
  const double bottomScale = spec.plain ? 0.38 : 0.8;
  cairo_pattern_add_color_stop_rgb(gradient, 0, top + r * (1 - top), top + g * (1 - top), top + b * (1 - top));
  cairo_pattern_add_color_stop_rgb(gradient, 1, bottom + r * bottomScale, bottom + g * bottomScale,
                                   bottom + b * bottomScale);
  cairo_set_source(cr, gradient);
  cairo_paint(cr);
  cairo_pattern_destroy(gradient);

  uint64_t state = spec.seed;
  for (int i = 0; i < (spec.plain ? 0 : 5); ++i) {
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

  if (!spec.plain) {
    cairo_set_line_width(cr, std::max(1.0, std::min(w, h) / 60.0));
    setColor(cr, spec.color, 0.5);
    cairo_rectangle(cr, 1, 1, w - 2, h - 2);
    cairo_stroke(cr);
  }

  if (!spec.label.empty()) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    double size = std::max(8.0, std::min(h / 5.0, w / (0.62 * spec.label.size() + 1)));
    cairo_set_font_size(cr, size);
    cairo_text_extents_t ext;
    cairo_text_extents(cr, spec.label.c_str(), &ext);
    double x = (w - ext.width) / 2 - ext.x_bearing;
    double y = (h - ext.height) / 2 - ext.y_bearing;
    if (spec.plain) {
      setColor(cr, spec.color, 0.55);
    } else {
      cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
      cairo_move_to(cr, x + 1, y + 1);
      cairo_show_text(cr, spec.label.c_str());
      cairo_set_source_rgb(cr, 1, 1, 1);
    }
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, spec.label.c_str());
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface.get());
  return surface;
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

std::string ImageFactory::rgb(const PictureSpec& spec) {
  Surface surface = draw(spec);
  int w = cairo_image_surface_get_width(surface.get());
  int h = cairo_image_surface_get_height(surface.get());
  int stride = cairo_image_surface_get_stride(surface.get());
  const unsigned char* data = cairo_image_surface_get_data(surface.get());
  std::string out(static_cast<size_t>(w) * h * 3, '\0');
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      uint32_t px = row[x];
      size_t o = (static_cast<size_t>(y) * w + x) * 3;
      out[o] = static_cast<char>((px >> 16) & 0xFF);
      out[o + 1] = static_cast<char>((px >> 8) & 0xFF);
      out[o + 2] = static_cast<char>(px & 0xFF);
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
