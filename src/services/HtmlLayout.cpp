#include "services/HtmlLayout.hpp"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/PangoTextMeasurer.hpp"

namespace svc {
namespace {

constexpr const char* kSerif = "Liberation Serif,Noto Serif CJK SC,DejaVu Sans";
constexpr const char* kMono = "Liberation Mono,Noto Sans Mono CJK SC,DejaVu Sans Mono";
constexpr double kIndentStep = 24;
constexpr double kMarkerGap = 6;
constexpr double kPictureSpacing = 8;
constexpr double kRuleHeight = 1;
// The link colour of the application's pages.
constexpr double kLinkRed = 0x2a / 255.0, kLinkGreen = 0x52 / 255.0, kLinkBlue = 0x85 / 255.0;

double fontSizeOf(const HtmlBlock& b) {
  static constexpr double kHeadingScale[7] = {1, 2, 1.5, 1.17, 1, 0.83, 0.67};
  return HtmlLayout::kBodyFontSize * kHeadingScale[b.heading >= 1 && b.heading <= 6 ? b.heading : 0];
}

// The margin a block keeps from its neighbours (the larger of two touching
// margins counts, as in a browser).
double marginOf(const HtmlBlock& b) {
  switch (b.kind) {
    case HtmlBlock::Kind::Image: return kPictureSpacing;
    case HtmlBlock::Kind::Rule: return HtmlLayout::kBodyFontSize / 2;
    case HtmlBlock::Kind::Text: break;
  }
  if (!b.marker.empty()) return 4;
  return fontSizeOf(b) * (b.heading ? 0.67 : 0.75);
}

struct ObjectUnref {
  void operator()(void* p) const { g_object_unref(p); }
};

PangoContext* newContext(PangoDirection direction) {
  PangoContext* ctx = pango_font_map_create_context(gfx::PangoTextMeasurer::fontMap());
  cairo_font_options_t* opts = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(opts, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(opts, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(ctx, opts);
  cairo_font_options_destroy(opts);
  pango_context_set_base_dir(ctx, direction);
  return ctx;
}

void addAttribute(PangoAttrList* list, PangoAttribute* a, const HtmlSpan& s) {
  a->start_index = static_cast<guint>(s.start);
  a->end_index = static_cast<guint>(s.end);
  pango_attr_list_insert(list, a);
}

PangoAttrList* attributesOf(const HtmlBlock& b) {
  PangoAttrList* list = pango_attr_list_new();
  const double size = fontSizeOf(b);
  for (const auto& s : b.spans) {
    if (s.style & HtmlBold) addAttribute(list, pango_attr_weight_new(PANGO_WEIGHT_BOLD), s);
    if (s.style & HtmlItalic) addAttribute(list, pango_attr_style_new(PANGO_STYLE_ITALIC), s);
    if (s.style & HtmlMonospace) addAttribute(list, pango_attr_family_new(kMono), s);
    if (s.style & HtmlUnderline) addAttribute(list, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE), s);
    if (s.style & (HtmlSuperscript | HtmlSubscript | HtmlSmall)) addAttribute(list, pango_attr_scale_new(0.75), s);
    if (s.style & HtmlSuperscript) addAttribute(list, pango_attr_rise_new(static_cast<int>(size * 0.4 * PANGO_SCALE)), s);
    if (s.style & HtmlSubscript) addAttribute(list, pango_attr_rise_new(static_cast<int>(-size * 0.2 * PANGO_SCALE)), s);
    if (!s.href.empty()) {
      addAttribute(list,
                   pango_attr_foreground_new(static_cast<guint16>(kLinkRed * 65535), static_cast<guint16>(kLinkGreen * 65535),
                                             static_cast<guint16>(kLinkBlue * 65535)),
                   s);
    }
  }
  return list;
}

double indentOf(const HtmlBlock& b) { return b.indent * kIndentStep; }

}  // namespace

// The pango layouts of the text blocks (null for other blocks), and the
// contexts they were made in.
struct HtmlLayout::Layouts {
  std::unique_ptr<PangoContext, ObjectUnref> natural, rightToLeft;
  std::vector<std::unique_ptr<PangoLayout, ObjectUnref>> blocks;
  std::vector<std::unique_ptr<PangoLayout, ObjectUnref>> markers;
};

gfx::ImagePtr HtmlImageCache::image(const std::filesystem::path& path) {
  if (path.empty()) return nullptr;
  auto found = images_.find(path);
  if (found != images_.end()) return found->second;
  gfx::ImagePtr img = gfx::Image::fromFile(path);
  if (img) {
    base::Size s = img->size();
    double factor = std::min(1.0, kMaximumSide / std::max(s.width, s.height));
    if (factor < 1) img = img->scaledToSize({s.width * factor, s.height * factor}, gfx::Image::deviceScale());
  }
  images_.emplace(path, img);
  return img;
}

HtmlLayout::HtmlLayout(std::shared_ptr<const HtmlContent> content, const HtmlPageStyle& style, double viewportWidth,
                       HtmlImageCache& images)
    : content_(std::move(content)), style_(style), viewportWidth_(std::max(0.0, viewportWidth)) {
  build(images);
}

HtmlLayout::~HtmlLayout() = default;

base::Point HtmlLayout::columnOrigin(int column) const {
  if (!isPaged()) return {kFlowMargin, kFlowMargin};
  const double pitch = usedWidth_ + style_.columnGap;
  int group = column / perViewport_;
  int slot = column % perViewport_;
  if (content_->direction == TextDirection::RightToLeft) slot = perViewport_ - 1 - slot;
  return {style_.padding + (group * perViewport_ + slot) * pitch, style_.padding};
}

void HtmlLayout::build(HtmlImageCache& images) {
  layouts_ = std::make_unique<Layouts>();
  layouts_->natural.reset(newContext(PANGO_DIRECTION_LTR));
  layouts_->rightToLeft.reset(newContext(PANGO_DIRECTION_RTL));
  const auto& blocks = content_->blocks;
  layouts_->blocks.resize(blocks.size());
  layouts_->markers.resize(blocks.size());

  // Column geometry as CSS multi-column layout computes it.
  if (isPaged()) {
    const double available = std::max(1.0, viewportWidth_ - 2 * style_.padding);
    perViewport_ = std::max(1, static_cast<int>(std::floor((available + style_.columnGap) /
                                                           (style_.columnWidth + style_.columnGap))));
    usedWidth_ = std::max(1.0, (available + style_.columnGap) / perViewport_ - style_.columnGap);
    columnHeight_ = style_.height;
  } else {
    perViewport_ = 1;
    usedWidth_ = std::max(1.0, viewportWidth_ - 2 * kFlowMargin);
    columnHeight_ = 0;
  }

  int column = 0;
  double y = 0;
  double previousMargin = 0;
  auto place = [&](double height) {
    if (columnHeight_ > 0 && y > 0 && y + height > columnHeight_) {
      ++column;
      y = 0;
    }
  };
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const HtmlBlock& b = blocks[i];
    const double margin = marginOf(b);
    if (y > 0) y += std::max(previousMargin, margin);
    previousMargin = margin;
    const double indent = indentOf(b);
    const double width = std::max(1.0, usedWidth_ - indent);
    const bool rtl = b.direction == TextDirection::RightToLeft ||
                     (b.direction == TextDirection::Natural && content_->direction == TextDirection::RightToLeft);
    // Indents are on the side the text starts from.
    const double start = rtl ? 0 : indent;
    if (b.kind == HtmlBlock::Kind::Rule) {
      place(kRuleHeight);
      Item item;
      item.kind = Item::Kind::Rule;
      item.block = i;
      item.column = column;
      base::Point o = columnOrigin(column);
      item.frame = {o.x + start, o.y + y, width, kRuleHeight};
      items_.push_back(std::move(item));
      y += kRuleHeight;
      continue;
    }
    if (b.kind == HtmlBlock::Kind::Image) {
      gfx::ImagePtr img = images.image(b.image);
      if (img) {
        base::Size s = img->size();
        double maxW = width * style_.imageMaxWidth;
        double maxH = columnHeight_ > 0 ? columnHeight_ * style_.imageMaxHeight : s.height;
        double factor = std::min({1.0, maxW / std::max(1.0, s.width), maxH / std::max(1.0, s.height)});
        base::Size fitted{std::max(1.0, std::floor(s.width * factor)), std::max(1.0, std::floor(s.height * factor))};
        place(fitted.height);
        base::Point o = columnOrigin(column);
        double x = start;
        if (b.alignment == BlockAlignment::Center || b.alignment == BlockAlignment::Natural)
          x += (width - fitted.width) / 2;
        else if (b.alignment == BlockAlignment::Right)
          x += width - fitted.width;
        Item item;
        item.kind = Item::Kind::Image;
        item.block = i;
        item.column = column;
        item.frame = {o.x + x, o.y + y, fitted.width, fitted.height};
        item.image = img;
        items_.push_back(std::move(item));
        y += fitted.height;
        continue;
      }
      if (b.alt.empty()) continue;
    }
    // Text, or the words that stand for a picture that cannot be shown.
    PangoLayout* layout = pango_layout_new(rtl ? layouts_->rightToLeft.get() : layouts_->natural.get());
    layouts_->blocks[i].reset(layout);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, b.preformatted ? kMono : kSerif);
    pango_font_description_set_absolute_size(desc, fontSizeOf(b) * PANGO_SCALE);
    if (b.heading) pango_font_description_set_weight(desc, PANGO_WEIGHT_BOLD);
    if (b.kind == HtmlBlock::Kind::Image) pango_font_description_set_style(desc, PANGO_STYLE_ITALIC);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    // An explicit direction is the paragraph's; otherwise its first letters decide.
    pango_layout_set_auto_dir(layout, b.direction == TextDirection::Natural && !rtl);
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    const std::string& text = b.kind == HtmlBlock::Kind::Image ? b.alt : b.text;
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    if (b.kind == HtmlBlock::Kind::Text) {
      PangoAttrList* attrs = attributesOf(b);
      pango_layout_set_attributes(layout, attrs);
      pango_attr_list_unref(attrs);
    }
    BlockAlignment alignment = b.alignment;
    if (alignment == BlockAlignment::Natural && b.paragraph && style_.justifyParagraphs) alignment = BlockAlignment::Justify;
    if (alignment == BlockAlignment::Natural && b.kind == HtmlBlock::Kind::Image) alignment = BlockAlignment::Center;
    switch (alignment) {
      case BlockAlignment::Center: pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER); break;
      case BlockAlignment::Right: pango_layout_set_alignment(layout, rtl ? PANGO_ALIGN_LEFT : PANGO_ALIGN_RIGHT); break;
      case BlockAlignment::Left: pango_layout_set_alignment(layout, rtl ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT); break;
      case BlockAlignment::Justify: pango_layout_set_justify(layout, TRUE); break;
      case BlockAlignment::Natural: break;
    }
    if (!b.marker.empty()) {
      PangoLayout* marker = pango_layout_new(rtl ? layouts_->rightToLeft.get() : layouts_->natural.get());
      layouts_->markers[i].reset(marker);
      PangoFontDescription* md = pango_font_description_new();
      pango_font_description_set_family(md, kSerif);
      pango_font_description_set_absolute_size(md, fontSizeOf(b) * PANGO_SCALE);
      pango_layout_set_font_description(marker, md);
      pango_font_description_free(md);
      pango_layout_set_text(marker, b.marker.data(), static_cast<int>(b.marker.size()));
    }

    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    int lineNumber = 0;
    do {
      int top = 0, bottom = 0;
      pango_layout_iter_get_line_yrange(iter, &top, &bottom);
      PangoRectangle logical;
      pango_layout_iter_get_line_extents(iter, nullptr, &logical);
      const double height = (bottom - top) / static_cast<double>(PANGO_SCALE);
      place(height);
      base::Point o = columnOrigin(column);
      Item item;
      item.kind = Item::Kind::Line;
      item.block = i;
      item.line = lineNumber++;
      item.column = column;
      item.frame = {o.x + start, o.y + y, width, height};
      item.lineX = logical.x / static_cast<double>(PANGO_SCALE);
      item.baseline = (pango_layout_iter_get_baseline(iter) - top) / static_cast<double>(PANGO_SCALE);
      items_.push_back(std::move(item));
      y += height;
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
  }

  columns_ = column + 1;
  if (isPaged()) {
    double width = 2 * style_.padding + columns_ * usedWidth_ + (columns_ - 1) * style_.columnGap;
    size_ = {std::max(viewportWidth_, std::ceil(width)), columnHeight_ + 2 * style_.padding};
  } else {
    size_ = {viewportWidth_, std::ceil(y + 2 * kFlowMargin)};
  }
}

const HtmlLayout::Item* HtmlLayout::lineItem(std::size_t block, int line) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), std::make_pair(block, line), [](const Item& item, const auto& key) {
    return std::make_pair(item.block, item.line) < key;
  });
  if (it == items_.end() || it->block != block || it->line != line) return nullptr;
  return &*it;
}

void HtmlLayout::draw(cairo_t* cr, const base::Rect& visible) const {
  cairo_save(cr);
  for (const Item& item : items_) {
    if (!item.frame.intersects(visible)) continue;
    switch (item.kind) {
      case Item::Kind::Rule:
        cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
        cairo_rectangle(cr, item.frame.x(), item.frame.y(), item.frame.width(), item.frame.height());
        cairo_fill(cr);
        break;
      case Item::Kind::Image: {
        cairo_surface_t* s = item.image->surface();
        const double sx = item.frame.width() / std::max(1, item.image->pixelWidth());
        const double sy = item.frame.height() / std::max(1, item.image->pixelHeight());
        cairo_save(cr);
        cairo_translate(cr, item.frame.x(), item.frame.y());
        cairo_scale(cr, sx, sy);
        cairo_set_source_surface(cr, s, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_restore(cr);
        break;
      }
      case Item::Kind::Line: {
        PangoLayout* layout = layouts_->blocks[item.block].get();
        PangoLayoutLine* line = layout ? pango_layout_get_line_readonly(layout, item.line) : nullptr;
        if (!line) break;
        cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
        cairo_move_to(cr, item.frame.x() + item.lineX, item.frame.y() + item.baseline);
        pango_cairo_show_layout_line(cr, line);
        PangoLayout* marker = layouts_->markers[item.block].get();
        if (marker && item.line == 0) {
          int w = 0, h = 0;
          pango_layout_get_pixel_size(marker, &w, &h);
          const bool rtl = pango_layout_get_context(layout) == layouts_->rightToLeft.get();
          double mx = rtl ? item.frame.maxX() + kMarkerGap : item.frame.x() - kMarkerGap - w;
          cairo_move_to(cr, mx, item.frame.y() + item.baseline);
          pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(marker, 0));
        }
        break;
      }
    }
  }
  cairo_restore(cr);
}

std::optional<std::string> HtmlLayout::linkAt(base::Point p) const {
  for (const Item& item : items_) {
    if (item.kind != Item::Kind::Line || !item.frame.contains(p)) continue;
    const HtmlBlock& b = content_->blocks[item.block];
    if (b.spans.empty()) return std::nullopt;
    PangoLayoutLine* line = pango_layout_get_line_readonly(layouts_->blocks[item.block].get(), item.line);
    int index = 0, trailing = 0;
    const double x = p.x - item.frame.x() - item.lineX;
    if (!line || !pango_layout_line_x_to_index(line, static_cast<int>(x * PANGO_SCALE), &index, &trailing))
      return std::nullopt;
    for (const auto& s : b.spans) {
      if (!s.href.empty() && static_cast<std::size_t>(index) >= s.start && static_cast<std::size_t>(index) < s.end)
        return s.href;
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<base::Point> HtmlLayout::positionOf(const HtmlPosition& position) const {
  if (position.block >= content_->blocks.size()) {
    if (items_.empty()) return std::nullopt;
    return base::Point{items_.back().frame.x(), items_.back().frame.maxY()};
  }
  // A block that was not laid out (a missing picture without words) stands
  // where the next one starts.
  for (std::size_t block = position.block; block < content_->blocks.size(); ++block) {
    PangoLayout* layout = layouts_->blocks[block].get();
    int line = 0;
    if (layout && block == position.block) {
      int x = 0;
      const int length = static_cast<int>(pango_layout_get_text(layout) ? std::strlen(pango_layout_get_text(layout)) : 0);
      pango_layout_index_to_line_x(layout, std::min(static_cast<int>(position.offset), length), FALSE, &line, &x);
    }
    if (const Item* item = lineItem(block, line)) return item->frame.origin;
  }
  return std::nullopt;
}

}  // namespace svc
