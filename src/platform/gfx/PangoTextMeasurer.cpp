#include "platform/gfx/PangoTextMeasurer.hpp"

#include <pango/pangocairo.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/ShownText.hpp"

namespace gfx {

namespace {

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

struct ThreadPango {
  PangoFontMap* map = nullptr;
  PangoContext* ctx = nullptr;
  std::map<std::string, std::pair<double, double>> metrics;  // ascent, descent
  // The font asked last, with its metrics: a text asks for them several
  // times in a row.
  std::optional<Font> lastFont;
  std::pair<double, double> lastMetrics;
  ThreadPango() {
    map = pango_cairo_font_map_new();
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(map), 72.0);
    ctx = pango_font_map_create_context(map);
    cairo_font_options_t* opts = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(ctx, opts);
    cairo_font_options_destroy(opts);
    pango_context_set_language(ctx, pango_language_from_string("en"));
  }
  ~ThreadPango() {
    if (ctx) g_object_unref(ctx);
    if (map) g_object_unref(map);
  }
};

ThreadPango& threadPango() {
  thread_local ThreadPango tp;
  return tp;
}

std::string metricsKey(const Font& f) {
  return f.familyName() + "|" + std::to_string(static_cast<int>(f.weight())) + "|" + (f.isItalic() ? "i" : "r") + "|" +
         std::to_string(f.pointSize());
}

const std::pair<double, double>& measuredMetrics(const Font& f) {
  auto& tp = threadPango();
  auto key = metricsKey(f);
  auto it = tp.metrics.find(key);
  if (it != tp.metrics.end()) return it->second;
  PangoFontDescription* desc = PangoTextMeasurer::describe(f);
  PangoFontMetrics* m = pango_context_get_metrics(tp.ctx, desc, pango_language_from_string("en"));
  double asc = pango_font_metrics_get_ascent(m) / static_cast<double>(PANGO_SCALE);
  double desc_ = pango_font_metrics_get_descent(m) / static_cast<double>(PANGO_SCALE);
  pango_font_metrics_unref(m);
  pango_font_description_free(desc);
  if (tp.metrics.size() > 512) tp.metrics.clear();
  return tp.metrics.emplace(key, std::make_pair(asc, desc_)).first->second;
}

const std::pair<double, double>& fontMetrics(const Font& f) {
  auto& tp = threadPango();
  if (tp.lastFont && tp.lastFont->familyName() == f.familyName() && tp.lastFont->weight() == f.weight() &&
      tp.lastFont->isItalic() == f.isItalic() && tp.lastFont->pointSize() == f.pointSize())
    return tp.lastMetrics;
  const auto& metrics = measuredMetrics(f);
  tp.lastFont = f;
  tp.lastMetrics = metrics;
  return tp.lastMetrics;
}

LayoutPtr makeLayout(std::string_view text, const Font& f) {
  LayoutPtr layout(pango_layout_new(PangoTextMeasurer::context()));
  PangoFontDescription* desc = PangoTextMeasurer::describe(f);
  pango_layout_set_font_description(layout.get(), desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
  return layout;
}

}  // namespace

PangoFontDescription* PangoTextMeasurer::describe(const Font& font) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, font.familyName().c_str());
  pango_font_description_set_absolute_size(d, font.pointSize() * PANGO_SCALE);
  PangoWeight w = PANGO_WEIGHT_NORMAL;
  if (font.weight() == Font::Weight::Bold) w = PANGO_WEIGHT_BOLD;
  if (font.weight() == Font::Weight::Light) w = PANGO_WEIGHT_LIGHT;
  pango_font_description_set_weight(d, w);
  pango_font_description_set_style(d, font.isItalic() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return d;
}

PangoContext* PangoTextMeasurer::context() { return threadPango().ctx; }

PangoFontMap* PangoTextMeasurer::fontMap() { return threadPango().map; }

double PangoTextMeasurer::lineHeight(const Font& font) {
  auto& m = fontMetrics(font);
  return m.first + m.second;
}

double PangoTextMeasurer::ascender(const Font& font) { return fontMetrics(font).first; }

double PangoTextMeasurer::descender(const Font& font) { return -fontMetrics(font).second; }

double PangoTextMeasurer::widthOf(std::string_view whole, const Font& font) {
  std::string storage;
  const std::string_view text = shownText(whole, storage);
  if (text.empty()) return 0;
  auto layout = makeLayout(text, font);
  pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
  PangoRectangle logical;
  pango_layout_get_extents(layout.get(), nullptr, &logical);
  return logical.width / static_cast<double>(PANGO_SCALE);
}

namespace {

// Calls `each` with every line of the text wrapped to `width` (<= 0: no
// wrapping): the layout's line, its text without the break character, and
// whether the text or a hard break ends it.
template <typename Each>
LayoutPtr forEachLine(std::string_view text, const Font& font, double width, LineBreakMode mode, Each each) {
  if (text.empty()) return nullptr;
  auto layout = makeLayout(text, font);
  if (width > 0) {
    pango_layout_set_width(layout.get(), static_cast<int>(std::floor(width * PANGO_SCALE)));
    pango_layout_set_wrap(layout.get(), mode == LineBreakMode::CharacterWrap ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
  }
  const char* base = pango_layout_get_text(layout.get());
  int n = pango_layout_get_line_count(layout.get());
  for (int i = 0; i < n; ++i) {
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout.get(), i);
    std::string_view s(base + line->start_index, static_cast<std::size_t>(line->length));
    bool hardEnd = i + 1 == n;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) {
      s.remove_suffix(1);
      hardEnd = true;
    }
    // A break right after the line (pango leaves it out of the line) ends it too.
    const std::size_t after = static_cast<std::size_t>(line->start_index + line->length);
    if (after < text.size() && (base[after] == '\n' || base[after] == '\r')) hardEnd = true;
    each(line, s, hardEnd);
  }
  return layout;
}

}  // namespace

std::vector<std::string> PangoTextMeasurer::wrap(std::string_view whole, const Font& font, double width,
                                                 LineBreakMode mode) {
  std::string storage;
  const std::string_view text = shownText(whole, storage);
  std::vector<std::string> out;
  forEachLine(text, font, width, mode, [&](PangoLayoutLine*, std::string_view s, bool) { out.emplace_back(s); });
  return out;
}

namespace {

double lineWidth(PangoLayoutLine* line) {
  PangoRectangle logical;
  pango_layout_line_get_extents(line, nullptr, &logical);
  return logical.width / static_cast<double>(PANGO_SCALE);
}

// Every run of the line goes left to right at the paragraph's own level: its
// glyphs are in the order the line alone would show them.
bool leftToRight(PangoLayoutLine* line) {
  for (GSList* r = line->runs; r; r = r->next)
    if (static_cast<PangoGlyphItem*>(r->data)->item->analysis.level != 0) return false;
  return true;
}

// The blank a line was wrapped at is its last glyph, emptied: the line alone
// draws it as a space, which shows nothing either.
bool endsInEmptiedBlank(PangoLayoutLine* line, std::string_view s) {
  if (s.size() < 2 || s.back() != ' ' || s[s.size() - 2] == ' ' || s[s.size() - 2] == '\t') return false;
  GSList* last = g_slist_last(line->runs);
  if (!last) return false;
  const PangoGlyphString* glyphs = static_cast<PangoGlyphItem*>(last->data)->glyphs;
  return glyphs->num_glyphs > 0 && glyphs->glyphs[glyphs->num_glyphs - 1].glyph == PANGO_GLYPH_EMPTY;
}

}  // namespace

TextMeasurer::WrappedLines PangoTextMeasurer::wrapMeasured(std::string_view whole, const Font& font, double width,
                                                           LineBreakMode mode) {
  std::string storage;
  const std::string_view text = shownText(whole, storage);
  WrappedLines out;
  auto shaped = std::make_shared<ShapedText>(font);
  auto layout = forEachLine(text, font, width, mode, [&](PangoLayoutLine* line, std::string_view s, bool hardEnd) {
    // The paragraph's line draws as the line alone would: the whole text,
    // or a line left to right that a break ends or that was wrapped at one
    // blank (a line wrapped inside a word ends in a hyphen it does not draw).
    const bool plain = s.find_first_of("\r\n") == std::string_view::npos;
    PangoLayoutLine* drawn = nullptr;
    if (s.size() == text.size() || (plain && leftToRight(line) && (hardEnd || endsInEmptiedBlank(line, s))))
      drawn = line;
    // A line that ends its paragraph was shaped as the text it draws: its
    // extent is its width. A wrapped line ends in the blank it broke at,
    // which is not counted.
    const bool blankEnd = !s.empty() && (s.back() == ' ' || s.back() == '\t');
    double w = 0;
    if (hardEnd && !blankEnd && s.find('\n') == std::string_view::npos) {
      w = lineWidth(line);
    } else if (!blankEnd) {
      // Shaped on its own, as its width is measured and as it is drawn.
      LayoutPtr alone = makeLayout(s, font);
      pango_layout_set_single_paragraph_mode(alone.get(), TRUE);
      PangoRectangle logical;
      pango_layout_get_extents(alone.get(), nullptr, &logical);
      w = logical.width / static_cast<double>(PANGO_SCALE);
      if (!drawn) drawn = pango_layout_get_line_readonly(alone.get(), 0);
      if (drawn != line) shaped->layouts_.emplace_back(alone.release());
    } else {
      std::string_view trimmed = s;
      while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) trimmed.remove_suffix(1);
      w = widthOf(trimmed, font);
    }
    shaped->lines_.push_back({s, drawn});
    out.lines.push_back({std::string(s), w});
  });
  if (layout) {
    // The lines' texts are within it.
    shaped->layouts_.emplace_back(layout.release());
    out.shaped = std::move(shaped);
  }
  return out;
}

PangoLayoutLine* ShapedText::line(std::size_t index, std::string_view text, const Font& font) const {
  if (std::this_thread::get_id() != thread_ || index >= lines_.size()) return nullptr;
  const Line& l = lines_[index];
  if (!l.line || l.text != text) return nullptr;
  const bool sameFace = font.familyName() == font_.familyName() && font.weight() == font_.weight() &&
                        font.isItalic() == font_.isItalic() && font.pointSize() == font_.pointSize();
  return sameFace ? l.line : nullptr;
}

}  // namespace gfx
