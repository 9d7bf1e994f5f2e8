#pragma once
// The pictograms of the shipped icons, drawn with strokes of one weight so
// that every icon of the application shares one look.
#include "Canvas.hpp"

namespace mv::resources {

enum class Glyph {
  Home,
  Catalog,
  Customer,
  Inventory,
  Library,
  Quote,
  Sync,
  Settings,
  Compare,
  Star,
  Cart,
  CartPlus,
  Share,
  Pencil,
  Plus,
  Minus,
  ChevronLeft,
  ChevronRight,
  ChevronDown,
  TriangleDown,
  Reload,
  Check,
  Loop,
  Play,
  Slideshow,
  Info,
  Mail,
  Menu,
  MenuSplit,
  Eye,
  Thumbs,
  Bookmark,
  Document,
  Film,
  Book,
  Slides,
  Sheet,
  Percent,
  Close,
  Download,
  Pause,
  Picture,
  Building,
  Related,
  Materials,
  UpdateAll,
  Trash,
};

// Draws the glyph into the square (x, y, size, size). `filled` selects the
// solid variant where a glyph has one (star, bookmark, gear, person...).
void drawGlyph(Canvas& canvas, Glyph glyph, double x, double y, double size, Rgba color, bool filled = false);

}  // namespace mv::resources
