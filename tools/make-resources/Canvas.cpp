#include "Canvas.hpp"

#include <jpeglib.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace mv::resources {
namespace {

PangoLayout* makeLayout(cairo_t* cr, const std::string& utf8, double size, bool bold) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, "Liberation Sans,DejaVu Sans,Noto Sans CJK SC,sans-serif");
  pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
  pango_layout_set_text(layout, utf8.c_str(), -1);
  return layout;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

Canvas::Canvas(int width, int height)
    : width_(width),
      height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
      cr_(cairo_create(surface_)) {
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void Canvas::roundedRect(double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr_, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr_, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr_, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr_);
}

void Canvas::circle(double cx, double cy, double r) {
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, cx, cy, r, 0, 2 * M_PI);
  cairo_close_path(cr_);
}

void Canvas::fill(Rgba c) {
  cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
  cairo_fill(cr_);
}

void Canvas::stroke(Rgba c, double lineWidth) {
  cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
  cairo_set_line_width(cr_, lineWidth);
  cairo_stroke(cr_);
}

void Canvas::fillAndStroke(Rgba fillColor, Rgba strokeColor, double lineWidth) {
  cairo_set_source_rgba(cr_, fillColor.r, fillColor.g, fillColor.b, fillColor.a);
  cairo_fill_preserve(cr_);
  stroke(strokeColor, lineWidth);
}

void Canvas::fillVertical(Rgba top, Rgba bottom, double y0, double y1) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(p, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(p, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr_, p);
  cairo_fill(cr_);
  cairo_pattern_destroy(p);
}

void Canvas::paint(Rgba c) {
  cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
  cairo_paint(cr_);
}

void Canvas::verticalGradient(Rgba top, Rgba bottom) {
  cairo_rectangle(cr_, 0, 0, width_, height_);
  fillVertical(top, bottom, 0, height_);
}

void Canvas::text(const std::string& utf8, double x, double y, double w, double h, double size, Rgba color,
                  bool bold, Align align) {
  PangoLayout* layout = makeLayout(cr_, utf8, size, bold);
  pango_layout_set_width(layout, static_cast<int>(w * PANGO_SCALE));
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_alignment(layout, align == Align::Left     ? PANGO_ALIGN_LEFT
                                     : align == Align::Right ? PANGO_ALIGN_RIGHT
                                                             : PANGO_ALIGN_CENTER);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  cairo_move_to(cr_, x, y + (h - logical.height) / 2.0);
  cairo_set_source_rgba(cr_, color.r, color.g, color.b, color.a);
  pango_cairo_show_layout(cr_, layout);
  cairo_new_path(cr_);
  g_object_unref(layout);
}

double Canvas::textWidth(const std::string& utf8, double size, bool bold) const {
  PangoLayout* layout = makeLayout(cr_, utf8, size, bold);
  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(layout, &ink, &logical);
  g_object_unref(layout);
  return logical.width;
}

bool Canvas::writePng(const fs::path& file) const {
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, file.c_str()) == CAIRO_STATUS_SUCCESS;
}

bool Canvas::writeJpeg(const fs::path& file, int quality) const {
  cairo_surface_flush(surface_);
  std::unique_ptr<std::FILE, FileCloser> out(std::fopen(file.c_str(), "wb"));
  if (!out) return false;
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, out.get());
  info.image_width = static_cast<JDIMENSION>(width_);
  info.image_height = static_cast<JDIMENSION>(height_);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int stride = cairo_image_surface_get_stride(surface_);
  std::vector<unsigned char> row(static_cast<std::size_t>(width_) * 3);
  while (info.next_scanline < info.image_height) {
    auto* px = reinterpret_cast<const std::uint32_t*>(data + info.next_scanline * stride);
    for (int i = 0; i < width_; ++i) {
      // premultiplied ARGB over white: the pages are opaque, this only guards
      // against a stray transparent pixel turning black
      const std::uint32_t p = px[i];
      const unsigned a = p >> 24;
      row[i * 3 + 0] = static_cast<unsigned char>(((p >> 16) & 0xff) + (255 - a));
      row[i * 3 + 1] = static_cast<unsigned char>(((p >> 8) & 0xff) + (255 - a));
      row[i * 3 + 2] = static_cast<unsigned char>((p & 0xff) + (255 - a));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fflush(out.get()) == 0 && !std::ferror(out.get());
}

std::optional<Canvas::Probe> Canvas::probe(const fs::path& file) {
  Probe result;
  if (file.extension() == ".png") {
    cairo_surface_t* s = cairo_image_surface_create_from_png(file.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(s);
      return std::nullopt;
    }
    result.width = cairo_image_surface_get_width(s);
    result.height = cairo_image_surface_get_height(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const auto first = *reinterpret_cast<const std::uint32_t*>(data);
    for (int y = 0; y < result.height && result.uniform; ++y) {
      auto* px = reinterpret_cast<const std::uint32_t*>(data + y * stride);
      for (int x = 0; x < result.width; ++x)
        if (px[x] != first) {
          result.uniform = false;
          break;
        }
    }
    cairo_surface_destroy(s);
    return result;
  }
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(file.c_str(), "rb"));
  if (!in) return std::nullopt;
  // the files checked here are the tool's own output; a corrupt one makes
  // libjpeg print its message and exit, which fails the check as well
  jpeg_decompress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, in.get());
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_start_decompress(&info);
  result.width = static_cast<int>(info.output_width);
  result.height = static_cast<int>(info.output_height);
  const std::size_t rowSize = static_cast<std::size_t>(info.output_width) * info.output_components;
  std::vector<unsigned char> row(rowSize), firstRow;
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    if (firstRow.empty()) firstRow.assign(row.begin(), row.begin() + info.output_components);
    for (std::size_t i = 0; i < rowSize && result.uniform; ++i)
      if (row[i] != firstRow[i % firstRow.size()]) result.uniform = false;
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return result;
}

}  // namespace mv::resources
