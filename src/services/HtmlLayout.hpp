#pragma once
// Lays out a page's content with pango and draws it with cairo: as one tall
// column (a web page), or, once the page's style gives its columns a height
// and a width, as columns side by side that the reader pages through
// horizontally, as CSS multi-column layout does: the column count per
// viewport is what fits the requested width, the columns share the room
// left, and a right-to-left document fills each viewport's columns from the
// right.
#include <cairo.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Image.hpp"
#include "services/HtmlContent.hpp"

typedef struct _PangoLayout PangoLayout;
typedef struct _PangoContext PangoContext;

namespace svc {

// The style rules the page was given, in points; zeros are rules not given.
struct HtmlPageStyle {
  double padding = 0;
  double height = 0;
  double columnWidth = 0;
  double columnGap = 0;
  bool justifyParagraphs = false;
  // Largest picture as a share of the column (1: the whole column).
  double imageMaxWidth = 1;
  double imageMaxHeight = 1;

  // Columns need both a height and a width.
  bool isPaged() const { return height > 0 && columnWidth > 0; }
  friend bool operator==(const HtmlPageStyle&, const HtmlPageStyle&) = default;
};

// Pictures of one page, decoded once and kept no larger than a screen.
class HtmlImageCache {
 public:
  // The picture, or nothing when the file is missing or not a PNG or JPEG.
  gfx::ImagePtr image(const std::filesystem::path& path);
  static constexpr double kMaximumSide = 1536;

 private:
  std::map<std::filesystem::path, gfx::ImagePtr> images_;
};

class HtmlLayout {
 public:
  // Something laid out: a line of a text block, a picture or a rule, with its
  // frame in content coordinates.
  struct Item {
    enum class Kind { Line, Image, Rule };
    Kind kind = Kind::Line;
    std::size_t block = 0;
    int line = 0;
    int column = 0;
    base::Rect frame;
    double lineX = 0;     // where the line starts within the frame (alignment)
    double baseline = 0;  // below the frame's top
    gfx::ImagePtr image;
  };

  HtmlLayout(std::shared_ptr<const HtmlContent> content, const HtmlPageStyle& style, double viewportWidth,
             HtmlImageCache& images);
  ~HtmlLayout();
  HtmlLayout(const HtmlLayout&) = delete;
  HtmlLayout& operator=(const HtmlLayout&) = delete;

  bool isPaged() const { return style_.isPaged(); }
  int columnCount() const { return columns_; }
  int columnsPerViewport() const { return perViewport_; }
  double columnWidth() const { return usedWidth_; }
  // The width the content takes (never less than the viewport) and its height.
  base::Size contentSize() const { return size_; }
  const std::vector<Item>& items() const { return items_; }

  void draw(cairo_t* cr, const base::Rect& visible) const;
  // The link under a point of the content, if any.
  std::optional<std::string> linkAt(base::Point p) const;
  // The top left of the line (or picture) holding that place; nothing for a
  // place the content lacks.
  std::optional<base::Point> positionOf(const HtmlPosition& position) const;

  // The margin of a page laid out as one column.
  static constexpr double kFlowMargin = 20;
  static constexpr double kBodyFontSize = 16;

 private:
  struct Layouts;
  void build(HtmlImageCache& images);
  base::Point columnOrigin(int column) const;
  const Item* lineItem(std::size_t block, int line) const;

  std::shared_ptr<const HtmlContent> content_;
  HtmlPageStyle style_;
  double viewportWidth_;
  std::unique_ptr<Layouts> layouts_;
  std::vector<Item> items_;
  int columns_ = 1;
  int perViewport_ = 1;
  double usedWidth_ = 0;
  double columnHeight_ = 0;
  base::Size size_;
};

}  // namespace svc
