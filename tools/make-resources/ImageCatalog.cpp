#include "ImageCatalog.hpp"

#include <cmath>

#include "Glyphs.hpp"

namespace mv::resources {
namespace {

// One palette for every picture: a blue theme (also the colour the top bar
// reduces to), greys for ink and lines, and three signal colours.
// Deep enough that white titles on the bars read (contrast above 4.5:1).
constexpr Rgba kTheme = rgb(36, 102, 156);
constexpr Rgba kThemeTop = rgb(44, 114, 172);
constexpr Rgba kThemeDark = rgb(28, 80, 126);
constexpr Rgba kThemeDeep = rgb(22, 58, 96);
constexpr Rgba kThemeLight = rgb(217, 232, 246);
constexpr Rgba kThemePale = rgb(236, 244, 251);
constexpr Rgba kInk = rgb(70, 70, 70);
constexpr Rgba kMuted = rgb(150, 152, 156);
constexpr Rgba kLine = rgb(214, 217, 222);
constexpr Rgba kPaper = rgb(246, 247, 249);
constexpr Rgba kWhite = rgb(255, 255, 255);
constexpr Rgba kOrange = rgb(242, 146, 40);
constexpr Rgba kRed = rgb(222, 67, 56);
constexpr Rgba kGreen = rgb(66, 170, 96);
constexpr Rgba kGold = rgb(245, 186, 40);
constexpr Rgba kPullArrow = rgb(87, 108, 137);

using Paint = std::function<void(Canvas&)>;

// --- shared pieces -------------------------------------------------------

// A title bar in the theme colour with a darker edge at the bottom.
void themeBar(Canvas& c) {
  c.verticalGradient(kThemeTop, kTheme);
  cairo_rectangle(c.cr(), 0, c.height() - 1, c.width(), 1);
  c.fill(kThemeDark);
}

// A light bar with an edge line at the top or the bottom.
void lightBar(Canvas& c, bool lineAtTop) {
  c.verticalGradient(rgb(252, 252, 253), rgb(238, 240, 243));
  cairo_rectangle(c.cr(), 0, lineAtTop ? 0 : c.height() - 1, c.width(), 1);
  c.fill(kLine);
}

// A filled button face in the theme colour, stretchable between its corners.
void themeButton(Canvas& c, Rgba top, Rgba bottom, double radius) {
  c.roundedRect(0.5, 0.5, c.width() - 1, c.height() - 1, radius);
  c.fillVertical(top, bottom, 0, c.height());
  c.roundedRect(0.5, 0.5, c.width() - 1, c.height() - 1, radius);
  c.stroke(withAlpha(kThemeDeep, 0.35), 1);
}

void glyphCentered(Canvas& c, Glyph g, double size, Rgba color, bool filled = false) {
  drawGlyph(c, g, (c.width() - size) / 2, (c.height() - size) / 2, size, color, filled);
}

Paint glyphOnly(Glyph g, double size, Rgba color, bool filled = false) {
  return [=](Canvas& c) { glyphCentered(c, g, size, color, filled); };
}

// Round button on a white screen: outlined when off, filled when on.
Paint roundButton(Glyph g, bool on) {
  return [=](Canvas& c) {
    const double r = c.width() / 2.0 - 2;
    c.circle(c.width() / 2.0, c.height() / 2.0, r);
    if (on) c.fill(kTheme);
    else c.fillAndStroke(kWhite, kTheme, 1.8);
    glyphCentered(c, g, c.width() * 0.5, on ? kWhite : kTheme, on);
  };
}

// The application's mark: a rounded square with an "M" drawn as one stroke.
void appMark(Canvas& c, double x, double y, double s, Rgba top, Rgba bottom) {
  c.roundedRect(x, y, s, s, s * 0.22);
  c.fillVertical(top, bottom, y, y + s);
  cairo_t* cr = c.cr();
  cairo_move_to(cr, x + s * 0.26, y + s * 0.72);
  cairo_line_to(cr, x + s * 0.26, y + s * 0.30);
  cairo_line_to(cr, x + s * 0.50, y + s * 0.56);
  cairo_line_to(cr, x + s * 0.74, y + s * 0.30);
  cairo_line_to(cr, x + s * 0.74, y + s * 0.72);
  c.stroke(kWhite, s * 0.095);
  c.circle(x + s * 0.74, y + s * 0.72 + s * 0.001, s * 0.065);
  c.fill(kOrange);
}

// Soft translucent discs used on the large backgrounds.
void discs(Canvas& c, std::initializer_list<std::tuple<double, double, double, double>> list, Rgba color) {
  for (auto [x, y, r, a] : list) {
    c.circle(x, y, r);
    c.fill(withAlpha(color, a));
  }
}

// A document stock thumbnail: a page with a folded corner, the format's
// glyph and a band with its name in the format's colour.
Paint fileThumbnail(Glyph g, const std::string& label, Rgba color) {
  return [=](Canvas& c) {
    cairo_t* cr = c.cr();
    const double w = c.width(), h = c.height(), fold = 22;
    cairo_move_to(cr, 4, 3);
    cairo_line_to(cr, w - 4 - fold, 3);
    cairo_line_to(cr, w - 4, 3 + fold);
    cairo_line_to(cr, w - 4, h - 3);
    cairo_line_to(cr, 4, h - 3);
    cairo_close_path(cr);
    c.fillAndStroke(kWhite, kLine, 1.5);
    cairo_move_to(cr, w - 4 - fold, 3);
    cairo_line_to(cr, w - 4 - fold, 3 + fold);
    cairo_line_to(cr, w - 4, 3 + fold);
    cairo_close_path(cr);
    c.fillAndStroke(kPaper, kLine, 1.5);
    drawGlyph(c, g, (w - 52) / 2, 36, 52, color);
    cairo_rectangle(cr, 4, h - 40, w - 8, 26);
    c.fill(color);
    c.text(label, 4, h - 40, w - 8, 26, 15, kWhite, true);
  };
}

// A corner ribbon across the top-left of a library card.
Paint ribbon(const std::string& label, Rgba color, double fontSize) {
  return [=](Canvas& c) {
    cairo_t* cr = c.cr();
    cairo_move_to(cr, 0, 26);
    cairo_line_to(cr, 26, 0);
    cairo_line_to(cr, 46, 0);
    cairo_line_to(cr, 0, 46);
    cairo_close_path(cr);
    c.fill(color);
    cairo_move_to(cr, 0, 46);
    cairo_line_to(cr, 0, 50);
    cairo_line_to(cr, 3, 43);
    cairo_close_path(cr);
    c.fill(mix(color, rgb(0, 0, 0), 0.35));
    cairo_save(cr);
    cairo_translate(cr, 18, 18);
    cairo_rotate(cr, -M_PI / 4);
    c.text(label, -30, -8, 60, 16, fontSize, kWhite, true);
    cairo_restore(cr);
  };
}

// The "signed" stamp on an order.
Paint signedStamp(const std::string& label, bool small) {
  return [=](Canvas& c) {
    cairo_t* cr = c.cr();
    const double w = c.width(), h = c.height();
    const Rgba ink = withAlpha(kRed, 0.85);
    cairo_save(cr);
    if (!small) {
      cairo_translate(cr, w / 2, h / 2);
      cairo_rotate(cr, -8 * M_PI / 180);
      cairo_translate(cr, -w / 2, -h / 2);
    }
    const double inset = small ? 1.5 : 12;
    c.roundedRect(inset, inset, w - 2 * inset, h - 2 * inset, small ? 6 : 10);
    c.stroke(ink, small ? 1.6 : 3.5);
    if (!small) {
      c.roundedRect(inset + 5, inset + 5, w - 2 * inset - 10, h - 2 * inset - 10, 7);
      c.stroke(ink, 1.2);
    }
    c.text(label, inset, inset, w - 2 * inset, h - 2 * inset, small ? 13 : 28, ink, true);
    cairo_restore(cr);
  };
}

// Check box images: the box, and on the "on" images a check mark.
enum class BoxLook { Box, Dark, Glossy, Green, Mono };

Paint checkBox(BoxLook look, bool on) {
  return [=](Canvas& c) {
    const double s = c.width();
    switch (look) {
      case BoxLook::Box:
        c.roundedRect(1.5, 1.5, s - 3, s - 3, 4);
        c.fillAndStroke(kWhite, kMuted, 1.5);
        if (on) drawGlyph(c, Glyph::Check, 3, 3, s - 6, kTheme);
        break;
      case BoxLook::Dark:
        c.roundedRect(1.5, 1.5, s - 3, s - 3, 4);
        c.fillAndStroke(rgb(64, 66, 70), rgb(30, 30, 32), 1.5);
        if (on) drawGlyph(c, Glyph::Check, 3, 3, s - 6, kWhite);
        break;
      case BoxLook::Glossy:
        c.roundedRect(1.5, 1.5, s - 3, s - 3, 6);
        c.fillVertical(rgb(170, 205, 235), kTheme, 1.5, s - 1.5);
        c.roundedRect(1.5, 1.5, s - 3, s - 3, 6);
        c.stroke(kThemeDark, 1.2);
        if (on) drawGlyph(c, Glyph::Check, 3, 3, s - 6, kWhite);
        break;
      case BoxLook::Green:
        c.roundedRect(1.5, 1.5, s - 3, s - 3, 4);
        if (on) {
          c.fill(kGreen);
          drawGlyph(c, Glyph::Check, 3, 3, s - 6, kWhite);
        } else {
          c.fillAndStroke(kWhite, kGreen, 1.8);
        }
        break;
      case BoxLook::Mono:
        cairo_rectangle(c.cr(), 1.5, 1.5, s - 3, s - 3);
        c.fillAndStroke(kWhite, rgb(20, 20, 20), 1.5);
        if (on) drawGlyph(c, Glyph::Check, 3, 3, s - 6, rgb(20, 20, 20));
        break;
    }
  };
}

// --- the guide pages -----------------------------------------------------

struct GuideText {
  const char* title;
  const char* line;
};

constexpr GuideText kGuideEn[4] = {
    {"Welcome to Marvisto", "Your catalog, your customers and your orders, always with you."},
    {"Show your whole catalog", "Browse categories and tags, compare products and present them full screen."},
    {"Quote on the spot", "Write quote orders, give discounts, take the customer's signature and send a PDF."},
    {"Sync, then work anywhere", "One sync brings products, materials and customers to your tablet, online or offline."},
};
constexpr GuideText kGuideCn[4] = {
    {"欢迎使用 Marvisto", "产品目录、客户与订单，随时随身。"},
    {"随时展示全部产品", "按分类和标签浏览、对比产品，并全屏展示。"},
    {"现场报价", "填写报价单、给出折扣、请客户签名并发送 PDF。"},
    {"同步后随处工作", "一次同步，即可把产品、资料和客户带到平板上，在线离线均可使用。"},
};

void tabletFrame(Canvas& c, double x, double y, double w, double h) {
  c.roundedRect(x, y, w, h, 26);
  c.fill(rgb(32, 36, 44));
  c.roundedRect(x + 18, y + 18, w - 36, h - 36, 4);
  c.fill(kPaper);
  c.circle(x + w - 9, y + h / 2, 4);
  c.fill(rgb(70, 74, 82));
}

void guideIllustration(Canvas& c, int page, bool chinese, double x, double y, double w, double h) {
  tabletFrame(c, x, y, w, h);
  const double sx = x + 18, sy = y + 18, sw = w - 36, sh = h - 36;
  cairo_rectangle(c.cr(), sx, sy, sw, 26);
  c.fill(kTheme);
  switch (page) {
    case 0: {
      appMark(c, sx + sw / 2 - 60, sy + 60, 120, kThemeTop, kThemeDark);
      c.text("Marvisto", sx, sy + 190, sw, 40, 30, kThemeDark, true);
      break;
    }
    case 1: {
      for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 4; ++col) {
          const double cw = (sw - 50) / 4, ch = (sh - 70) / 2;
          const double cx = sx + 10 + col * (cw + 10), cy = sy + 36 + row * (ch + 10);
          c.roundedRect(cx, cy, cw, ch, 6);
          c.fillAndStroke(kWhite, kLine, 1);
          drawGlyph(c, Glyph::Picture, cx + cw / 2 - 22, cy + 14, 44, mix(kTheme, kWhite, 0.35));
          c.roundedRect(cx + 10, cy + ch - 30, cw - 20, 7, 3);
          c.fill(kLine);
          c.roundedRect(cx + 10, cy + ch - 18, (cw - 20) * 0.6, 7, 3);
          c.fill(kOrange);
        }
      break;
    }
    case 2: {
      const double px = sx + 30, py = sy + 40, pw = sw - 60;
      for (int i = 0; i < 5; ++i) {
        c.roundedRect(px, py + i * 30, pw * (i % 2 ? 0.75 : 0.9), 10, 4);
        c.fill(i == 0 ? kTheme : kLine);
      }
      cairo_t* cr = c.cr();
      cairo_move_to(cr, px + 10, py + 205);
      cairo_curve_to(cr, px + 40, py + 160, px + 60, py + 240, px + 95, py + 190);
      cairo_curve_to(cr, px + 120, py + 160, px + 130, py + 225, px + 170, py + 200);
      c.stroke(kThemeDark, 3);
      drawGlyph(c, Glyph::Check, px + pw - 70, py + 170, 54, kGreen);
      c.text(chinese ? "报价单" : "Quote", px + pw - 170, py + 160, 100, 30, 18, kInk, true);
      break;
    }
    default: {
      drawGlyph(c, Glyph::Sync, sx + sw / 2 - 70, sy + 60, 140, kTheme, true);
      drawGlyph(c, Glyph::Catalog, sx + 40, sy + sh - 70, 44, kOrange);
      drawGlyph(c, Glyph::Library, sx + sw / 2 - 22, sy + sh - 70, 44, kGreen);
      drawGlyph(c, Glyph::Customer, sx + sw - 84, sy + sh - 70, 44, kThemeDark);
      break;
    }
  }
}

Paint guidePage(int page, bool chinese) {
  return [=](Canvas& c) {
    c.verticalGradient(kThemeDeep, kTheme);
    discs(c, {{120.0 + page * 180, 120, 160, 0.07}, {930.0 - page * 60, 650, 240, 0.06}, {880, 90, 70, 0.08}}, kWhite);
    const GuideText& t = (chinese ? kGuideCn : kGuideEn)[page];
    c.text(t.title, 80, 70, 864, 70, 46, kWhite, true);
    c.text(t.line, 120, 140, 784, 60, 22, withAlpha(kWhite, 0.85));
    // the buttons lie at the bottom of the first page and at the right of the last
    guideIllustration(c, page, chinese, page == 3 ? 240 : 262, 230, 500, 370);
    for (int i = 0; i < 4; ++i) {
      c.circle(512 - 30 + i * 20, 730, 5);
      c.fill(withAlpha(kWhite, i == page ? 0.95 : 0.35));
    }
  };
}

// --- the catalogue -------------------------------------------------------

void add(std::vector<Picture>& list, std::string name, int w, int h, Paint paint) {
  list.push_back(Picture{std::move(name), w, h, std::move(paint)});
}

void backgrounds(std::vector<Picture>& list) {
  add(list, "bg-welcome.png", 1024, 768, [](Canvas& c) {
    c.verticalGradient(kThemeDeep, kTheme);
    discs(c, {{90, 700, 260, 0.06}, {960, 120, 220, 0.07}, {820, 720, 120, 0.05}, {160, 90, 80, 0.06}}, kWhite);
    appMark(c, 512 - 42, 120, 84, kThemeTop, kThemeDark);
    c.roundedRect(512 - 42, 120, 84, 84, 18);
    c.stroke(withAlpha(kWhite, 0.6), 2);
    c.text("Marvisto", 212, 215, 600, 70, 52, kWhite, true);
    cairo_rectangle(c.cr(), 452, 292, 120, 2);
    c.fill(withAlpha(kOrange, 0.9));
  });
  add(list, "bg-home.png", 1024, 712, [](Canvas& c) {
    c.verticalGradient(kThemePale, kPaper);
    discs(c, {{860, 140, 300, 0.05}, {120, 620, 240, 0.05}, {600, 560, 90, 0.05}}, kTheme);
    cairo_t* cr = c.cr();
    for (int i = -8; i < 24; ++i) {
      cairo_move_to(cr, i * 64.0, 712);
      cairo_line_to(cr, i * 64.0 + 712, 0);
    }
    c.stroke(withAlpha(kTheme, 0.035), 14);
  });
  add(list, "bg_video_playing.png", 1024, 748, [](Canvas& c) {
    c.verticalGradient(rgb(30, 33, 38), rgb(10, 11, 13));
    glyphCentered(c, Glyph::Film, 260, withAlpha(kWhite, 0.07));
  });
  add(list, "bg_category.png", 244, 704, [](Canvas& c) {
    c.paint(rgb(247, 248, 250));
    cairo_rectangle(c.cr(), 243, 0, 1, 704);
    c.fill(kLine);
  });
  add(list, "bg_selected_cell.png", 244, 58, [](Canvas& c) {
    c.paint(kThemeLight);
    cairo_rectangle(c.cr(), 0, 0, 4, 58);
    c.fill(kTheme);
    cairo_rectangle(c.cr(), 0, 57, 244, 1);
    c.fill(mix(kThemeLight, kTheme, 0.3));
  });
  add(list, "product-info-bg.png", 1024, 260, [](Canvas& c) {
    c.paint(rgb(0, 0, 0, 0.72));
    cairo_rectangle(c.cr(), 0, 0, 1024, 1);
    c.fill(withAlpha(kWhite, 0.25));
  });
  add(list, "admin_backgroud.png", 328, 99, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 327, 98, 6);
    c.fillAndStroke(withAlpha(kWhite, 0.96), withAlpha(kThemeDeep, 0.4), 1);
    cairo_rectangle(c.cr(), 10, 33, 308, 1);
    cairo_rectangle(c.cr(), 10, 66, 308, 1);
    c.fill(kLine);
  });
  add(list, "registered_line.png", 500, 106, [](Canvas& c) {
    // centred over the three step labels laid out under the picture
    const double xs[3] = {55, 250, 445};
    cairo_rectangle(c.cr(), xs[0], 51, xs[2] - xs[0], 4);
    c.fill(kThemeLight);
    for (int i = 0; i < 3; ++i) {
      c.circle(xs[i], 53, 28);
      c.fill(i == 0 ? kTheme : mix(kTheme, kWhite, 0.25 * i));
      c.text(std::to_string(i + 1), xs[i] - 28, 25, 56, 56, 28, kWhite, true);
    }
  });
}

void bars(std::vector<Picture>& list) {
  add(list, "topbar-bg.png", 1024, 64, themeBar);
  add(list, "topbar-left-bg.png", 361, 64, themeBar);
  add(list, "topbar-right-bg.png", 663, 64, themeBar);
  add(list, "topnavbar.png", 244, 44, themeBar);
  add(list, "btmbar-bg.png", 1024, 56, [](Canvas& c) { lightBar(c, true); });
  add(list, "quote-topbar.png", 1026, 40, [](Canvas& c) { lightBar(c, false); });
  add(list, "bg_searchbar.png", 260, 44, [](Canvas& c) {
    c.paint(rgb(231, 231, 231));
    cairo_rectangle(c.cr(), 0, 43, 260, 1);
    c.fill(kLine);
  });
  add(list, "sync_bar.png", 20, 8, [](Canvas& c) {
    c.roundedRect(0, 0, 20, 8, 4);
    c.fill(rgb(226, 229, 233));
    c.roundedRect(0.5, 0.5, 19, 7, 3.5);
    c.stroke(rgb(208, 212, 218), 1);
  });
  add(list, "sync_bar_on.png", 20, 8, [](Canvas& c) {
    c.roundedRect(0, 0, 20, 8, 4);
    c.fillVertical(kThemeTop, kThemeDark, 0, 8);
  });
  add(list, "Line_Pixel_1x1.png", 1, 1, [](Canvas& c) { c.paint(rgb(0, 0, 0)); });
  add(list, "line_gray_px1.png", 1, 1, [](Canvas& c) { c.paint(kLine); });
  add(list, "divideline.png", 1, 192, [](Canvas& c) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, 192);
    cairo_pattern_add_color_stop_rgba(p, 0, kLine.r, kLine.g, kLine.b, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.2, kLine.r, kLine.g, kLine.b, 1);
    cairo_pattern_add_color_stop_rgba(p, 0.8, kLine.r, kLine.g, kLine.b, 1);
    cairo_pattern_add_color_stop_rgba(p, 1, kLine.r, kLine.g, kLine.b, 0);
    cairo_set_source(c.cr(), p);
    cairo_paint(c.cr());
    cairo_pattern_destroy(p);
  });
  for (auto [name, w, color] : {std::tuple{"productDetaildivideline.png", 395, kLine},
                                std::tuple{"product-info-line.png", 984, withAlpha(kWhite, 0.5)}}) {
    add(list, name, w, 1, [color = color](Canvas& c) {
      cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, c.width(), 0);
      cairo_pattern_add_color_stop_rgba(p, 0, color.r, color.g, color.b, 0);
      cairo_pattern_add_color_stop_rgba(p, 0.1, color.r, color.g, color.b, color.a);
      cairo_pattern_add_color_stop_rgba(p, 0.9, color.r, color.g, color.b, color.a);
      cairo_pattern_add_color_stop_rgba(p, 1, color.r, color.g, color.b, 0);
      cairo_set_source(c.cr(), p);
      cairo_paint(c.cr());
      cairo_pattern_destroy(p);
    });
  }
  add(list, "rightline.png", 20, 2, [](Canvas& c) {
    c.paint(withAlpha(kInk, 0.85));
    cairo_rectangle(c.cr(), 0, 1, 20, 1);
    c.fill(withAlpha(kInk, 0.6));
  });
}

void buttons(std::vector<Picture>& list) {
  add(list, "Button-default_H34.png", 40, 34, [](Canvas& c) { themeButton(c, kThemeTop, kThemeDark, 5); });
  add(list, "Button-default_H30.png", 40, 30, [](Canvas& c) { themeButton(c, kThemeTop, kThemeDark, 5); });
  add(list, "Button-backward_H34.png", 60, 34, [](Canvas& c) {
    cairo_t* cr = c.cr();
    cairo_move_to(cr, 1, 17);
    cairo_line_to(cr, 13, 0.5);
    cairo_arc(cr, 54.5, 5.5, 5, -M_PI / 2, 0);
    cairo_arc(cr, 54.5, 28.5, 5, 0, M_PI / 2);
    cairo_line_to(cr, 13, 33.5);
    cairo_close_path(cr);
    c.fillVertical(kThemeTop, kThemeDark, 0, 34);
  });
  add(list, "btn-login.png", 328, 36, [](Canvas& c) { themeButton(c, rgb(74, 163, 226), rgb(44, 130, 198), 5); });
  add(list, "btn-login_on.png", 328, 36, [](Canvas& c) { themeButton(c, kTheme, kThemeDeep, 5); });
  for (bool on : {false, true}) {
    add(list, on ? "guide_button_on.png" : "guide_button.png", 185, 55, [on](Canvas& c) {
      c.roundedRect(1.5, 1.5, 182, 52, 26);
      c.fillAndStroke(withAlpha(kWhite, on ? 0.38 : 0.16), withAlpha(kWhite, 0.85), 2);
      drawGlyph(c, Glyph::ChevronRight, 150, 17.5, 20, kWhite);
    });
  }
  add(list, "btn_guide_start.png", 236, 46, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 235, 45, 23);
    c.fillVertical(rgb(248, 166, 70), rgb(230, 126, 20), 0, 46);
  });
  add(list, "btn_file_open.png", 40, 34, [](Canvas& c) {
    c.roundedRect(1, 1, 38, 32, 4);
    c.fillAndStroke(kWhite, rgb(0, 137, 247), 1.5);
  });
  // The file card's delete button: a white bin on a red deep enough to read.
  add(list, "btn_file_delete.png", 34, 34, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 33, 33, 5);
    c.fillVertical(rgb(200, 48, 38), rgb(176, 36, 28), 0, 34);
    glyphCentered(c, Glyph::Trash, 22, kWhite);
  });
  add(list, "btn_sort.png", 80, 30, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 79, 29, 5);
    c.fillAndStroke(kWhite, rgb(196, 200, 206), 1);
    drawGlyph(c, Glyph::TriangleDown, 59, 8, 14, rgb(72, 129, 176));
  });
  for (auto [name, w] : {std::pair{"bg_input.png", 54}, std::pair{"bg_textfield.png", 20}}) {
    add(list, name, w, 30, [](Canvas& c) {
      c.roundedRect(0.5, 0.5, c.width() - 1, 29, 4);
      c.fillAndStroke(kWhite, rgb(190, 194, 200), 1);
      cairo_rectangle(c.cr(), 4, 1.5, c.width() - 8, 1);
      c.fill(rgb(236, 238, 241));
    });
  }
  add(list, "bg_popbutton.png", 110, 30, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 109, 29, 5);
    c.fillAndStroke(rgb(242, 243, 245), rgb(200, 203, 208), 1);
  });
  add(list, "btn_copy_highlighted.png", 60, 34, [](Canvas& c) { themeButton(c, kThemeTop, kThemeDark, 5); });
  add(list, "btn_delete_highlighted.png", 60, 34, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 59, 33, 5);
    c.fillVertical(rgb(232, 92, 80), rgb(200, 52, 42), 0, 34);
  });
  add(list, "bg_tab_selected.png", 160, 44, [](Canvas& c) {
    cairo_t* cr = c.cr();
    cairo_move_to(cr, 0, 44);
    cairo_arc(cr, 6, 6, 6, M_PI, 1.5 * M_PI);
    cairo_arc(cr, 154, 6, 6, 1.5 * M_PI, 2 * M_PI);
    cairo_line_to(cr, 160, 44);
    cairo_close_path(cr);
    c.fill(kWhite);
    cairo_rectangle(cr, 6, 0, 148, 3);
    c.fill(kTheme);
  });
  add(list, "tab_close.png", 16, 16, [](Canvas& c) {
    c.circle(8, 8, 7.5);
    c.fill(kMuted);
    drawGlyph(c, Glyph::Close, 3, 3, 10, kWhite);
  });
  add(list, "page.png", 8, 8, [](Canvas& c) {
    c.circle(4, 4, 3.5);
    c.fill(rgb(200, 203, 208));
  });
  add(list, "page_on.png", 8, 8, [](Canvas& c) {
    c.circle(4, 4, 3.5);
    c.fill(kTheme);
  });
  for (bool right : {false, true})
    for (bool on : {false, true}) {
      std::string name = std::string("catalogswitch_") + (right ? "right" : "left") + (on ? "_on" : "") + ".png";
      add(list, name, 102, 34, [right, on](Canvas& c) {
        cairo_t* cr = c.cr();
        const double r = 6, w = 102, h = 34;
        if (right) {
          cairo_move_to(cr, 0, 0.75);
          cairo_arc(cr, w - r - 0.75, r + 0.75, r, -M_PI / 2, 0);
          cairo_arc(cr, w - r - 0.75, h - r - 0.75, r, 0, M_PI / 2);
          cairo_line_to(cr, 0, h - 0.75);
        } else {
          cairo_move_to(cr, w, 0.75);
          cairo_line_to(cr, w, h - 0.75);
          cairo_arc(cr, r + 0.75, h - r - 0.75, r, M_PI / 2, M_PI);
          cairo_arc(cr, r + 0.75, r + 0.75, r, M_PI, 1.5 * M_PI);
        }
        cairo_close_path(cr);
        c.fillAndStroke(on ? kTheme : kWhite, kTheme, 1.5);
      });
    }
  const Rgba tagColors[7] = {rgb(224, 236, 249), rgb(253, 233, 214), rgb(226, 244, 230), rgb(249, 227, 238),
                             rgb(236, 231, 250), rgb(255, 244, 205), rgb(223, 242, 244)};
  for (int i = 0; i < 7; ++i) {
    add(list, "tag_" + std::to_string(i) + ".png", 60, 35, [color = tagColors[i]](Canvas& c) {
      c.roundedRect(1, 4, 58, 27, 13.5);
      c.fillAndStroke(color, mix(color, rgb(90, 90, 90), 0.25), 1);
    });
  }
  const std::pair<const char*, Rgba> selections[5] = {{"GridSelection.png", kTheme},
                                                      {"GridSelectionGray.png", rgb(140, 142, 146)},
                                                      {"GridSelectionGrayBlue.png", rgb(108, 128, 158)},
                                                      {"GridSelectionGreen.png", kGreen},
                                                      {"GridSelectionRed.png", kRed}};
  for (auto [name, color] : selections) {
    add(list, name, 120, 120, [color = color](Canvas& c) {
      c.roundedRect(2, 2, 116, 116, 8);
      c.fillAndStroke(withAlpha(color, 0.16), color, 3);
    });
  }
}

void tabIcons(std::vector<Picture>& list) {
  const std::pair<const char*, Glyph> tabs[7] = {{"btn-home", Glyph::Home},          {"btn-catalog", Glyph::Catalog},
                                                 {"btn-customer", Glyph::Customer},  {"btn-inventory", Glyph::Inventory},
                                                 {"btn-sales", Glyph::Library},      {"btn-quote", Glyph::Quote},
                                                 {"btn-sync", Glyph::Sync}};
  for (auto [base, glyph] : tabs) {
    add(list, std::string(base) + ".png", 40, 40, glyphOnly(glyph, 30, rgb(118, 120, 124)));
    add(list, std::string(base) + "-on.png", 40, 40, glyphOnly(glyph, 30, kTheme, true));
  }
  add(list, "Icon_Settings_40x40.png", 40, 40, glyphOnly(Glyph::Settings, 30, rgb(118, 120, 124)));
  add(list, "Icon_Settings_On_40x40.png", 40, 40, glyphOnly(Glyph::Settings, 30, kTheme, true));
  add(list, "bg_badge.png", 20, 20, [](Canvas& c) {
    c.circle(10, 10, 9.2);
    c.fillAndStroke(kRed, kWhite, 1.4);
  });
  add(list, "bg_category_number.png", 24, 17, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 23, 16, 8);
    c.fillAndStroke(kThemePale, mix(kThemeLight, kTheme, 0.3), 1);
  });
  add(list, "bg_category_number_on.png", 24, 17, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 23, 16, 8);
    c.fill(kThemeDark);
  });
  for (bool on : {false, true}) {
    add(list, on ? "homelogo_highlight.png" : "homelogo.png", 225, 51, [on](Canvas& c) {
      appMark(c, 6, 5, 41, on ? kTheme : kThemeTop, on ? kThemeDeep : kThemeDark);
      c.text("Marvisto", 56, 5, 165, 41, 27, on ? kThemeDeep : kThemeDark, true, Canvas::Align::Left);
    });
  }
}

void welcomeImages(std::vector<Picture>& list) {
  add(list, "logobtn.png", 148, 43, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 147, 42, 6);
    c.fillAndStroke(withAlpha(kWhite, 0.94), rgb(205, 210, 218), 1);
  });
  add(list, "logobtn-on.png", 148, 43, [](Canvas& c) {
    c.roundedRect(1, 1, 146, 41, 6);
    c.fillAndStroke(kThemeLight, kTheme, 2);
  });
  add(list, "icon-default_shortchut.png", 27, 27, glyphOnly(Glyph::Building, 27, kTheme));
  for (auto [name, letter, color] : {std::tuple{"icon_quimbeset.png", "Q", kOrange},
                                     std::tuple{"icon_tolvaren.png", "T", kGreen}}) {
    add(list, name, 33, 33, [letter = letter, color = color](Canvas& c) {
      c.roundedRect(1, 1, 31, 31, 7);
      c.fillVertical(mix(color, kWhite, 0.15), mix(color, rgb(0, 0, 0), 0.15), 1, 32);
      c.text(letter, 1, 1, 31, 31, 21, kWhite, true);
    });
  }
  add(list, "btn_remove.png", 30, 30, [](Canvas& c) {
    c.circle(15, 15, 13);
    c.fillAndStroke(kRed, kWhite, 2);
    drawGlyph(c, Glyph::Minus, 7, 7, 16, kWhite);
  });
  add(list, "checkbox-off.png", 22, 22, [](Canvas& c) {
    c.roundedRect(1.5, 1.5, 19, 19, 4);
    c.fillAndStroke(withAlpha(kWhite, 0.12), kWhite, 1.8);
  });
  add(list, "checkbox-on.png", 22, 22, [](Canvas& c) {
    c.roundedRect(1.5, 1.5, 19, 19, 4);
    c.fill(kWhite);
    drawGlyph(c, Glyph::Check, 3, 3, 16, kTheme);
  });
  add(list, "icon_plus.png", 16, 16, [](Canvas& c) {
    c.circle(8, 8, 7);
    c.stroke(kWhite, 1.5);
    drawGlyph(c, Glyph::Plus, 3, 3, 10, kWhite);
  });
  for (int page = 0; page < 4; ++page) {
    add(list, "guide_en" + std::to_string(page + 1) + ".jpg", 1024, 768, guidePage(page, false));
    add(list, "guide_cn" + std::to_string(page + 1) + ".jpg", 1024, 768, guidePage(page, true));
  }
  add(list, "icon_app.png", 114, 114, [](Canvas& c) { appMark(c, 0, 0, 114, kThemeTop, kThemeDeep); });
  add(list, "icon_success.png", 69, 56, [](Canvas& c) {
    c.circle(34.5, 28, 26);
    c.fill(kGreen);
    drawGlyph(c, Glyph::Check, 16.5, 10, 36, kWhite);
  });
  add(list, "icon_email.png", 71, 50, [](Canvas& c) {
    c.roundedRect(3, 3, 65, 44, 5);
    c.fillAndStroke(kThemePale, kTheme, 2.5);
    cairo_move_to(c.cr(), 6, 7);
    cairo_line_to(c.cr(), 35.5, 29);
    cairo_line_to(c.cr(), 65, 7);
    c.stroke(kTheme, 2.5);
  });
}

void screenIcons(std::vector<Picture>& list) {
  // white pictograms for buttons that sit on the blue title bars
  const std::pair<const char*, Glyph> onBar[] = {
      {"btn-compare.png", Glyph::Compare},     {"btn-fav.png", Glyph::Star},
      {"btn-share.png", Glyph::Share},
      {"icon-menu.png", Glyph::Menu},          {"icon-menu-split.png", Glyph::MenuSplit},
      {"btn_add.png", Glyph::Plus}};
  for (auto [name, glyph] : onBar) add(list, name, 34, 34, glyphOnly(glyph, 24, kWhite));
  // The library's head bar is light: its bulk buttons are theme discs with a
  // white sign, which read on the disc and stand out from the bar.
  const std::pair<const char*, Glyph> onLightBar[] = {{"btn_download_all.png", Glyph::Download},
                                                      {"btn_update_all.png", Glyph::UpdateAll},
                                                      {"btn_cancel_all.png", Glyph::Close}};
  for (auto [name, glyph] : onLightBar) {
    add(list, name, 34, 34, [glyph](Canvas& c) {
      c.circle(17, 17, 16);
      c.fill(kTheme);
      glyphCentered(c, glyph, 20, kWhite);
    });
  }
  const std::pair<const char*, Glyph> small[] = {{"icon_arrow_left.png", Glyph::ChevronLeft},
                                                 {"icon_arrow_right.png", Glyph::ChevronRight},
                                                 {"icon_reload.png", Glyph::Reload},
                                                 {"icon_slideshow.png", Glyph::Slideshow}};
  for (auto [name, glyph] : small) add(list, name, 24, 24, glyphOnly(glyph, 22, kWhite));
  add(list, "icon_loop_play_off.png", 24, 24, glyphOnly(Glyph::Loop, 22, withAlpha(kWhite, 0.6)));
  add(list, "icon_loop_play.png", 24, 24, [](Canvas& c) {
    glyphCentered(c, Glyph::Loop, 22, kWhite);
    c.circle(12, 12, 2.6);
    c.fill(kOrange);
  });
  add(list, "icon_addToOrder.png", 20, 20, glyphOnly(Glyph::CartPlus, 20, kWhite));
  add(list, "icon_sort_arrow.png", 14, 14, glyphOnly(Glyph::TriangleDown, 14, kWhite));
  add(list, "icon_arrow_down.png", 30, 30, glyphOnly(Glyph::ChevronDown, 16, kMuted));
  add(list, "icon_checkmark.png", 30, 30, glyphOnly(Glyph::Check, 18, kTheme));
  add(list, "icon-arrowrgt.png", 15, 15, glyphOnly(Glyph::ChevronRight, 15, kMuted));
  add(list, "btn-edit.png", 34, 34, glyphOnly(Glyph::Pencil, 22, kTheme));
  for (auto [name, glyph] : {std::pair{"icon-add.png", Glyph::Plus}, std::pair{"icon-remove.png", Glyph::Minus}}) {
    add(list, name, 28, 28, [glyph = glyph](Canvas& c) {
      c.circle(14, 14, 12);
      c.fillAndStroke(kWhite, kTheme, 2);
      drawGlyph(c, glyph, 6, 6, 16, kTheme);
    });
  }
  // the cart of a product card, on the card's white
  add(list, "btn-cart.png", 34, 34, roundButton(Glyph::Cart, true));
  add(list, "btn-addcompare.png", 44, 44, roundButton(Glyph::Compare, false));
  add(list, "btn-compareAdded.png", 44, 44, roundButton(Glyph::Compare, true));
  add(list, "btn-addfav.png", 44, 44, roundButton(Glyph::Star, false));
  add(list, "btn-favAdded.png", 44, 44, roundButton(Glyph::Star, true));
  add(list, "btn-related.png", 44, 44, roundButton(Glyph::Related, false));
  add(list, "btn-materials.png", 44, 44, roundButton(Glyph::Materials, false));
  add(list, "btn_info.png", 23, 23, glyphOnly(Glyph::Info, 23, kMuted));
  add(list, "btn_info_highlighted.png", 23, 23, glyphOnly(Glyph::Info, 23, kTheme, true));
  add(list, "btn_file_fav.png", 20, 20, glyphOnly(Glyph::Star, 20, kMuted));
  add(list, "btn_file_fav_added.png", 20, 20, [](Canvas& c) {
    glyphCentered(c, Glyph::Star, 20, kGold, true);
  });
  add(list, "customer_notes.png", 10, 10, [](Canvas& c) {
    cairo_move_to(c.cr(), 0, 0);
    cairo_line_to(c.cr(), 10, 0);
    cairo_line_to(c.cr(), 10, 10);
    cairo_close_path(c.cr());
    c.fill(kOrange);
  });
  add(list, "Icon_Local.png", 55, 23, [](Canvas& c) {
    c.roundedRect(0.5, 0.5, 54, 22, 5);
    c.fillVertical(rgb(248, 166, 70), rgb(230, 126, 20), 0, 23);
  });
  add(list, "Icon_Discount_30x30.png", 30, 30, [](Canvas& c) {
    c.circle(15, 15, 14);
    c.fill(kTheme);
    drawGlyph(c, Glyph::Percent, 6, 6, 18, kWhite);
  });
  for (bool right : {false, true})
    for (bool on : {false, true}) {
      std::string name = std::string("Icon_Arrow_") + (right ? "Right" : "Left") + (on ? "_Highlighted" : "") + "_23x87.png";
      add(list, name, 23, 87, [right, on](Canvas& c) {
        c.roundedRect(0, 0, 23, 87, 5);
        c.fill(on ? withAlpha(kTheme, 0.9) : rgb(0, 0, 0, 0.35));
        drawGlyph(c, right ? Glyph::ChevronRight : Glyph::ChevronLeft, 1.5, 33.5, 20, kWhite);
      });
    }
  for (bool on : {false, true}) {
    add(list, on ? "product-info-on.png" : "product-info-off.png", 50, 50, [on](Canvas& c) {
      c.circle(25, 25, 21);
      c.fill(on ? kTheme : rgb(0, 0, 0, 0.35));
      drawGlyph(c, Glyph::Info, 11, 11, 28, kWhite);
    });
  }
  add(list, "checkbox_customer-off.png", 26, 26, [](Canvas& c) {
    c.circle(13, 13, 11.5);
    c.fillAndStroke(kWhite, kMuted, 1.5);
  });
  add(list, "checkbox_customer-on.png", 26, 26, [](Canvas& c) {
    c.circle(13, 13, 12);
    c.fill(kTheme);
    drawGlyph(c, Glyph::Check, 5, 5, 16, kWhite);
  });
  add(list, "blueArrow.png", 23, 60, [](Canvas& c) {
    c.roundedRect(9, 2, 5, 40, 2);
    c.fill(kPullArrow);
    cairo_move_to(c.cr(), 1, 37);
    cairo_line_to(c.cr(), 22, 37);
    cairo_line_to(c.cr(), 11.5, 58);
    cairo_close_path(c.cr());
    c.fill(kPullArrow);
  });
  add(list, "Reader-View.png", 24, 24, glyphOnly(Glyph::Eye, 24, rgb(60, 62, 66)));
  add(list, "Reader-Thumbs.png", 24, 24, glyphOnly(Glyph::Thumbs, 22, rgb(60, 62, 66)));
  add(list, "Reader-Mark-N.png", 16, 24, [](Canvas& c) { drawGlyph(c, Glyph::Bookmark, -4, 0, 24, kMuted); });
  add(list, "Reader-Mark-Y.png", 16, 24, [](Canvas& c) { drawGlyph(c, Glyph::Bookmark, -4, 0, 24, kRed, true); });
  const std::pair<const char*, BoxLook> looks[5] = {{"cb_box_", BoxLook::Box},
                                                    {"cb_dark_", BoxLook::Dark},
                                                    {"cb_glossy_", BoxLook::Glossy},
                                                    {"cb_green_", BoxLook::Green},
                                                    {"cb_mono_", BoxLook::Mono}};
  for (auto [prefix, look] : looks) {
    add(list, std::string(prefix) + "on.png", 22, 22, checkBox(look, true));
    add(list, std::string(prefix) + "off.png", 22, 22, checkBox(look, false));
  }
}

void libraryAndOrders(std::vector<Picture>& list) {
  auto card = [](Canvas& c, Rgba border, double width) {
    c.roundedRect(6, 8, 168, 228, 8);
    c.fill(rgb(0, 0, 0, 0.06));
    c.roundedRect(4, 4, 172, 228, 8);
    c.fillAndStroke(kWhite, border, width);
  };
  add(list, "bg_file.png", 180, 240, [card](Canvas& c) { card(c, kLine, 1); });
  add(list, "bg_file_downloaded.png", 180, 240, [card](Canvas& c) {
    card(c, mix(kGreen, kWhite, 0.3), 1.5);
    c.roundedRect(4, 228, 172, 4, 2);
    c.fill(kGreen);
  });
  for (auto [name, glyph] : {std::pair{"bg_file_downloading.png", Glyph::Download},
                             std::pair{"bg_file_paused.png", Glyph::Pause}}) {
    add(list, name, 180, 240, [glyph = glyph](Canvas& c) {
      c.roundedRect(4, 4, 172, 228, 8);
      c.fill(rgb(20, 24, 30, 0.75));
      c.circle(90, 100, 34);
      c.stroke(withAlpha(kWhite, 0.9), 2.5);
      drawGlyph(c, glyph, 70, 80, 40, kWhite, true);
    });
  }
  add(list, "ribbon_new_en.png", 50, 55, ribbon("NEW", kRed, 11));
  add(list, "ribbon_new_cn.png", 50, 55, ribbon("新", kRed, 12));
  add(list, "ribbon_update_en.png", 50, 55, ribbon("UPDATE", kOrange, 8.5));
  add(list, "ribbon_update_cn.png", 50, 55, ribbon("更新", kOrange, 11));
  add(list, "thumbnail_pdf.png", 105, 147, fileThumbnail(Glyph::Document, "PDF", rgb(208, 72, 46)));
  add(list, "thumbnail_video.png", 105, 147, fileThumbnail(Glyph::Film, "VIDEO", rgb(140, 107, 187)));
  add(list, "thumbnail_excel.png", 105, 147, fileThumbnail(Glyph::Sheet, "XLS", rgb(86, 147, 50)));
  add(list, "thumbnail_word.png", 105, 147, fileThumbnail(Glyph::Document, "DOC", rgb(33, 143, 244)));
  add(list, "thumbnail_epub.png", 105, 147, fileThumbnail(Glyph::Book, "EPUB", rgb(133, 185, 22)));
  add(list, "thumbnail_slide.png", 105, 147, fileThumbnail(Glyph::Slides, "KEY", rgb(229, 118, 43)));
  add(list, "fileDefault.png", 400, 400, [](Canvas& c) {
    c.paint(rgb(240, 241, 243));
    c.roundedRect(0.5, 0.5, 399, 399, 2);
    c.stroke(kLine, 1);
    glyphCentered(c, Glyph::Picture, 160, rgb(196, 199, 204));
  });
  add(list, "icon_signed_en.png", 164, 87, signedStamp("SIGNED", false));
  add(list, "icon_signed_cn.png", 164, 87, signedStamp("已签名", false));
  add(list, "icon_signed_small_en.png", 62, 30, signedStamp("SIGNED", true));
  add(list, "icon_signed_small_cn.png", 62, 30, signedStamp("已签名", true));
}

}  // namespace

std::vector<Picture> imageCatalog() {
  std::vector<Picture> list;
  backgrounds(list);
  bars(list);
  buttons(list);
  tabIcons(list);
  welcomeImages(list);
  screenIcons(list);
  libraryAndOrders(list);
  return list;
}

}  // namespace mv::resources
