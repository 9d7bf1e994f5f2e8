#include "Glyphs.hpp"

#include <cmath>
#include <initializer_list>
#include <utility>

namespace mv::resources {
namespace {

// Glyphs are designed on a 24-unit grid with 2-unit strokes.
constexpr double kStroke = 2.0;

using Pt = std::pair<double, double>;

double rad(double degrees) { return degrees * M_PI / 180.0; }

void poly(cairo_t* cr, std::initializer_list<Pt> points, bool close = false) {
  bool first = true;
  for (auto [x, y] : points) {
    if (first) cairo_move_to(cr, x, y);
    else cairo_line_to(cr, x, y);
    first = false;
  }
  if (close) cairo_close_path(cr);
}

void line(cairo_t* cr, double x0, double y0, double x1, double y1) {
  cairo_move_to(cr, x0, y0);
  cairo_line_to(cr, x1, y1);
}

// An open arrowhead at (x, y) pointing in direction (dx, dy).
void arrowHead(cairo_t* cr, double x, double y, double dx, double dy, double length = 4.0) {
  const double n = std::hypot(dx, dy);
  dx /= n;
  dy /= n;
  const double bx = x - dx * length, by = y - dy * length;
  poly(cr, {{bx - dy * length, by + dx * length}, {x, y}, {bx + dy * length, by - dx * length}});
}

// Arc around (cx, cy) drawn clockwise from a0 to a1 (degrees) with a head at its end.
void arcArrow(cairo_t* cr, double cx, double cy, double r, double a0, double a1) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, r, rad(a0), rad(a1));
  const double ex = cx + r * std::cos(rad(a1)), ey = cy + r * std::sin(rad(a1));
  arrowHead(cr, ex, ey, -std::sin(rad(a1)), std::cos(rad(a1)), 3.5);
}

void finish(Canvas& c, Rgba color, bool filled) {
  if (filled) c.fill(color);
  else c.stroke(color, kStroke);
}

void star(cairo_t* cr, double cx, double cy, double outer, double inner) {
  for (int i = 0; i < 10; ++i) {
    const double r = i % 2 ? inner : outer;
    const double a = rad(-90 + 36 * i);
    if (i == 0) cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    else cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
  }
  cairo_close_path(cr);
}

void gear(cairo_t* cr, double cx, double cy) {
  const int teeth = 8;
  for (int i = 0; i < teeth; ++i) {
    const double a = 360.0 / teeth * i;
    const double pts[4][2] = {{7.2, a - 17}, {10, a - 9}, {10, a + 9}, {7.2, a + 17}};
    for (int k = 0; k < 4; ++k) {
      const double x = cx + pts[k][0] * std::cos(rad(pts[k][1]));
      const double y = cy + pts[k][0] * std::sin(rad(pts[k][1]));
      if (i == 0 && k == 0) cairo_move_to(cr, x, y);
      else cairo_line_to(cr, x, y);
    }
  }
  cairo_close_path(cr);
}

}  // namespace

void drawGlyph(Canvas& c, Glyph glyph, double x, double y, double size, Rgba color, bool filled) {
  cairo_t* cr = c.cr();
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, size / 24.0, size / 24.0);
  cairo_new_path(cr);
  switch (glyph) {
    case Glyph::Home:
      poly(cr, {{2.5, 11.5}, {12, 3}, {21.5, 11.5}});
      c.stroke(color, kStroke);
      if (filled) {
        poly(cr, {{5, 9.5}, {12, 3.5}, {19, 9.5}, {19, 21}, {14.5, 21}, {14.5, 15}, {9.5, 15}, {9.5, 21}, {5, 21}}, true);
        c.fill(color);
      } else {
        poly(cr, {{5, 10}, {5, 21}, {19, 21}, {19, 10}});
        c.stroke(color, kStroke);
        poly(cr, {{9.5, 21}, {9.5, 15}, {14.5, 15}, {14.5, 21}});
        c.stroke(color, kStroke);
      }
      break;
    case Glyph::Catalog:
      cairo_move_to(cr, 12, 6);
      cairo_curve_to(cr, 9, 4, 5.5, 3.8, 2.5, 5);
      cairo_line_to(cr, 2.5, 19.5);
      cairo_curve_to(cr, 5.5, 18.3, 9, 18.5, 12, 20.5);
      cairo_close_path(cr);
      cairo_move_to(cr, 12, 6);
      cairo_curve_to(cr, 15, 4, 18.5, 3.8, 21.5, 5);
      cairo_line_to(cr, 21.5, 19.5);
      cairo_curve_to(cr, 18.5, 18.3, 15, 18.5, 12, 20.5);
      cairo_close_path(cr);
      if (filled) {
        c.fill(color);
      } else {
        c.stroke(color, kStroke);
      }
      break;
    case Glyph::Customer:
      c.circle(12, 7.5, 4.2);
      finish(c, color, filled);
      cairo_move_to(cr, 3.5, 21);
      cairo_curve_to(cr, 3.5, 15.5, 7.5, 13.5, 12, 13.5);
      cairo_curve_to(cr, 16.5, 13.5, 20.5, 15.5, 20.5, 21);
      cairo_close_path(cr);
      finish(c, color, filled);
      break;
    case Glyph::Inventory:
      c.roundedRect(2.5, 12.5, 9, 8.5, 1);
      c.roundedRect(12.5, 12.5, 9, 8.5, 1);
      c.roundedRect(7.5, 3, 9, 8.5, 1);
      finish(c, color, filled);
      break;
    case Glyph::Library:
      c.roundedRect(3, 4, 4.5, 16.5, 0.8);
      c.roundedRect(9.5, 6, 4.5, 14.5, 0.8);
      poly(cr, {{15.5, 7.5}, {19.3, 6.5}, {22.3, 19.2}, {18.5, 20.2}}, true);
      finish(c, color, filled);
      break;
    case Glyph::Quote:
      c.roundedRect(4.5, 4, 15, 18, 2);
      if (filled) {
        c.fill(color);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_set_line_width(cr, 1.6);
        line(cr, 8, 11, 16, 11);
        line(cr, 8, 14.5, 16, 14.5);
        line(cr, 8, 18, 13, 18);
        cairo_stroke(cr);
      } else {
        c.stroke(color, kStroke);
        line(cr, 8, 11, 16, 11);
        line(cr, 8, 14.5, 16, 14.5);
        line(cr, 8, 18, 13, 18);
        c.stroke(color, kStroke);
      }
      c.roundedRect(8.5, 2, 7, 4, 1);
      c.fill(color);
      break;
    case Glyph::Sync:
      arcArrow(cr, 12, 12, 8, 195, 340);
      arcArrow(cr, 12, 12, 8, 15, 160);
      c.stroke(color, filled ? 2.6 : kStroke);
      break;
    case Glyph::Settings:
      gear(cr, 12, 12);
      if (filled) {
        c.circle(12, 12, 3);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        c.fill(color);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
      } else {
        c.stroke(color, kStroke);
        c.circle(12, 12, 3);
        c.stroke(color, kStroke);
      }
      break;
    case Glyph::Compare:
      c.roundedRect(3, 8, 7, 13, 1);
      c.roundedRect(14, 8, 7, 13, 1);
      finish(c, color, filled);
      line(cr, 7, 4, 17, 4);
      arrowHead(cr, 17, 4, 1, 0, 2.5);
      arrowHead(cr, 7, 4, -1, 0, 2.5);
      c.stroke(color, kStroke);
      break;
    case Glyph::Star:
      star(cr, 12, 12.8, 10, 4.3);
      finish(c, color, filled);
      break;
    case Glyph::Cart:
    case Glyph::CartPlus:
      poly(cr, {{2, 4}, {5, 4}, {8, 16}, {19, 16}, {21.5, 7.5}, {6.3, 7.5}});
      c.stroke(color, kStroke);
      c.circle(9, 20, 1.7);
      c.circle(18, 20, 1.7);
      c.fill(color);
      if (glyph == Glyph::CartPlus) {
        line(cr, 11, 11.8, 17, 11.8);
        line(cr, 14, 9, 14, 14.6);
        c.stroke(color, 1.8);
      }
      break;
    case Glyph::Share:
      poly(cr, {{8.5, 9}, {5, 9}, {5, 21}, {19, 21}, {19, 9}, {15.5, 9}});
      line(cr, 12, 3, 12, 15);
      arrowHead(cr, 12, 3, 0, -1, 4);
      c.stroke(color, kStroke);
      break;
    case Glyph::Pencil:
      poly(cr, {{4, 20}, {5, 15.5}, {16, 4.5}, {19.5, 8}, {8.5, 19}}, true);
      finish(c, color, filled);
      line(cr, 13.8, 6.7, 17.3, 10.2);
      c.stroke(filled ? Rgba{1, 1, 1, 1} : color, kStroke);
      break;
    case Glyph::Plus:
      line(cr, 5, 12, 19, 12);
      line(cr, 12, 5, 12, 19);
      c.stroke(color, kStroke * 1.2);
      break;
    case Glyph::Minus:
      line(cr, 5, 12, 19, 12);
      c.stroke(color, kStroke * 1.2);
      break;
    case Glyph::ChevronLeft:
      poly(cr, {{15.5, 4}, {7.5, 12}, {15.5, 20}});
      c.stroke(color, kStroke * 1.2);
      break;
    case Glyph::ChevronRight:
      poly(cr, {{8.5, 4}, {16.5, 12}, {8.5, 20}});
      c.stroke(color, kStroke * 1.2);
      break;
    case Glyph::ChevronDown:
      poly(cr, {{4, 8.5}, {12, 16.5}, {20, 8.5}});
      c.stroke(color, kStroke * 1.2);
      break;
    case Glyph::TriangleDown:
      poly(cr, {{5, 8.5}, {19, 8.5}, {12, 16.5}}, true);
      c.fill(color);
      break;
    case Glyph::Reload:
      arcArrow(cr, 12, 12.5, 8, -50, 245);
      c.stroke(color, kStroke);
      break;
    case Glyph::Check:
      poly(cr, {{4, 12.5}, {9.5, 18}, {20, 6}});
      c.stroke(color, kStroke * 1.3);
      break;
    case Glyph::Loop:
      cairo_move_to(cr, 4, 13.5);
      cairo_line_to(cr, 4, 10);
      cairo_arc(cr, 7.5, 10, 3.5, M_PI, 1.5 * M_PI);
      cairo_line_to(cr, 19, 6.5);
      arrowHead(cr, 19, 6.5, 1, 0, 3);
      cairo_move_to(cr, 20, 10.5);
      cairo_line_to(cr, 20, 14);
      cairo_arc(cr, 16.5, 14, 3.5, 0, 0.5 * M_PI);
      cairo_line_to(cr, 5, 17.5);
      arrowHead(cr, 5, 17.5, -1, 0, 3);
      c.stroke(color, kStroke);
      break;
    case Glyph::Play:
      poly(cr, {{7.5, 4.5}, {19.5, 12}, {7.5, 19.5}}, true);
      c.fill(color);
      break;
    case Glyph::Slideshow:
      c.roundedRect(2.5, 3.5, 19, 13, 1.5);
      c.stroke(color, kStroke);
      line(cr, 12, 16.5, 12, 20.5);
      line(cr, 8, 21, 16, 21);
      c.stroke(color, kStroke);
      poly(cr, {{10, 7}, {15, 10}, {10, 13}}, true);
      c.fill(color);
      break;
    case Glyph::Info:
      c.circle(12, 12, 9.5);
      if (filled) {
        c.fill(color);
        c.circle(12, 7.5, 1.4);
        c.fill(Rgba{1, 1, 1, 1});
        line(cr, 12, 11, 12, 17.5);
        c.stroke(Rgba{1, 1, 1, 1}, kStroke * 1.1);
      } else {
        c.stroke(color, kStroke);
        c.circle(12, 7.5, 1.4);
        c.fill(color);
        line(cr, 12, 11, 12, 17.5);
        c.stroke(color, kStroke * 1.1);
      }
      break;
    case Glyph::Mail:
      c.roundedRect(2.5, 5.5, 19, 13, 1.5);
      c.stroke(color, kStroke);
      poly(cr, {{3.5, 6.5}, {12, 13}, {20.5, 6.5}});
      c.stroke(color, kStroke);
      break;
    case Glyph::Menu:
      line(cr, 4, 6, 20, 6);
      line(cr, 4, 12, 20, 12);
      line(cr, 4, 18, 20, 18);
      c.stroke(color, kStroke);
      break;
    case Glyph::MenuSplit:
      c.roundedRect(2.5, 4, 19, 16, 1.5);
      line(cr, 9, 4, 9, 20);
      c.stroke(color, kStroke);
      line(cr, 4.8, 8.5, 6.8, 8.5);
      line(cr, 4.8, 12, 6.8, 12);
      line(cr, 4.8, 15.5, 6.8, 15.5);
      poly(cr, {{16.5, 9}, {13.5, 12}, {16.5, 15}});
      c.stroke(color, 1.6);
      break;
    case Glyph::Eye:
      cairo_move_to(cr, 2, 12);
      cairo_curve_to(cr, 6, 5, 18, 5, 22, 12);
      cairo_curve_to(cr, 18, 19, 6, 19, 2, 12);
      cairo_close_path(cr);
      c.stroke(color, kStroke);
      c.circle(12, 12, 3.2);
      c.fill(color);
      break;
    case Glyph::Thumbs:
      c.roundedRect(3.5, 3.5, 7.5, 7.5, 1);
      c.roundedRect(13, 3.5, 7.5, 7.5, 1);
      c.roundedRect(3.5, 13, 7.5, 7.5, 1);
      c.roundedRect(13, 13, 7.5, 7.5, 1);
      finish(c, color, filled);
      break;
    case Glyph::Bookmark:
      poly(cr, {{5.5, 2.5}, {18.5, 2.5}, {18.5, 21.5}, {12, 16}, {5.5, 21.5}}, true);
      finish(c, color, filled);
      break;
    case Glyph::Document:
      poly(cr, {{5.5, 2}, {14, 2}, {19, 7}, {19, 22}, {5.5, 22}}, true);
      c.stroke(color, kStroke);
      poly(cr, {{14, 2}, {14, 7}, {19, 7}});
      c.stroke(color, kStroke);
      line(cr, 8.5, 12, 16, 12);
      line(cr, 8.5, 15.5, 16, 15.5);
      line(cr, 8.5, 19, 13, 19);
      c.stroke(color, 1.5);
      break;
    case Glyph::Film:
      c.roundedRect(2.5, 4.5, 19, 15, 1.5);
      c.stroke(color, kStroke);
      poly(cr, {{10, 8.5}, {15.5, 12}, {10, 15.5}}, true);
      c.fill(color);
      break;
    case Glyph::Book:
      c.roundedRect(4.5, 2.5, 15, 19, 1.5);
      c.stroke(color, kStroke);
      line(cr, 8, 2.5, 8, 21.5);
      line(cr, 11, 8, 16.5, 8);
      line(cr, 11, 11.5, 16.5, 11.5);
      c.stroke(color, 1.6);
      break;
    case Glyph::Slides:
      c.roundedRect(2.5, 3.5, 19, 13, 1);
      c.stroke(color, kStroke);
      line(cr, 12, 16.5, 12, 19);
      line(cr, 12, 19, 8, 22);
      line(cr, 12, 19, 16, 22);
      c.stroke(color, kStroke);
      line(cr, 7.5, 13, 7.5, 10.5);
      line(cr, 12, 13, 12, 7.5);
      line(cr, 16.5, 13, 16.5, 9.5);
      c.stroke(color, kStroke);
      break;
    case Glyph::Sheet:
      c.roundedRect(3, 4, 18, 16, 1.5);
      line(cr, 3, 9.3, 21, 9.3);
      line(cr, 3, 14.6, 21, 14.6);
      line(cr, 9.5, 4, 9.5, 20);
      c.stroke(color, kStroke);
      break;
    case Glyph::Percent:
      line(cr, 6, 18.5, 18, 5.5);
      c.stroke(color, kStroke);
      c.circle(7.5, 7.5, 2.4);
      c.circle(16.5, 16.5, 2.4);
      c.stroke(color, kStroke);
      break;
    case Glyph::Close:
      line(cr, 6, 6, 18, 18);
      line(cr, 18, 6, 6, 18);
      c.stroke(color, kStroke * 1.2);
      break;
    case Glyph::Download:
      line(cr, 12, 3, 12, 15);
      arrowHead(cr, 12, 15, 0, 1, 4.5);
      c.stroke(color, kStroke);
      poly(cr, {{4, 15}, {4, 20.5}, {20, 20.5}, {20, 15}});
      c.stroke(color, kStroke);
      break;
    case Glyph::Pause:
      c.roundedRect(6.5, 5, 4, 14, 1);
      c.roundedRect(13.5, 5, 4, 14, 1);
      c.fill(color);
      break;
    case Glyph::Picture:
      c.roundedRect(2.5, 4.5, 19, 15, 1.5);
      c.stroke(color, kStroke);
      poly(cr, {{3, 17}, {8.5, 11.5}, {12.5, 15.5}, {15.5, 12.5}, {21, 18}});
      c.stroke(color, kStroke);
      c.circle(16, 8.8, 1.9);
      c.fill(color);
      break;
    case Glyph::Building:
      c.roundedRect(4, 3, 10, 18.5, 0.8);
      c.roundedRect(14, 9, 6, 12.5, 0.8);
      c.stroke(color, kStroke);
      for (double wy : {7.0, 11.0, 15.0}) {
        line(cr, 7, wy, 8, wy);
        line(cr, 10, wy, 11, wy);
      }
      line(cr, 17, 13, 17, 14);
      line(cr, 17, 16.5, 17, 17.5);
      c.stroke(color, kStroke);
      break;
    case Glyph::Related:
      c.roundedRect(3, 3, 11, 11, 2);
      c.stroke(color, kStroke);
      c.roundedRect(10, 10, 11, 11, 2);
      finish(c, color, filled);
      break;
    case Glyph::Materials:
      poly(cr, {{9, 5}, {9, 2.5}, {20, 2.5}, {20, 17}, {17, 17}});
      c.stroke(color, kStroke);
      poly(cr, {{4, 6}, {12.5, 6}, {16, 9.5}, {16, 21.5}, {4, 21.5}}, true);
      finish(c, color, filled);
      break;
    case Glyph::UpdateAll:
      arcArrow(cr, 12, 12.5, 8.5, -50, 245);
      c.stroke(color, kStroke);
      line(cr, 12, 8, 12, 16);
      arrowHead(cr, 12, 16, 0, 1, 3);
      c.stroke(color, kStroke);
      break;
    case Glyph::Trash:
      line(cr, 3.5, 6, 20.5, 6);
      poly(cr, {{9, 6}, {9, 3}, {15, 3}, {15, 6}});
      c.stroke(color, kStroke);
      poly(cr, {{5.5, 6}, {7, 21.5}, {17, 21.5}, {18.5, 6}});
      c.stroke(color, kStroke);
      line(cr, 10, 10, 10, 18);
      line(cr, 14, 10, 14, 18);
      c.stroke(color, 1.6);
      break;
  }
  cairo_new_path(cr);
  cairo_restore(cr);
}

}  // namespace mv::resources
