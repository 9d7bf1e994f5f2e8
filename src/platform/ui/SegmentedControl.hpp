#pragma once
#include <string>
#include <vector>

#include "platform/gfx/Font.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Control.hpp"

namespace ui {

// A row of segments, at most one selected. Tapping a segment selects it and
// sends value-changed; selecting in code sends nothing, and an index out of
// range is ignored.
class SegmentedControl : public Control {
 public:
  static constexpr long kNoSegment = -1;

  explicit SegmentedControl(const std::vector<std::string>& items = {});
  explicit SegmentedControl(const Rect& frame);

  std::size_t numberOfSegments() const { return segments_.size(); }
  long selectedSegmentIndex() const { return selected_; }
  void setSelectedSegmentIndex(long index);
  std::string titleForSegmentAtIndex(std::size_t index) const;
  void setTitle(const std::string& title, std::size_t index);
  gfx::ImagePtr imageForSegmentAtIndex(std::size_t index) const;
  void setImage(gfx::ImagePtr image, std::size_t index);
  void insertSegmentWithTitle(const std::string& title, std::size_t index, bool animated = false);
  void insertSegmentWithImage(gfx::ImagePtr image, std::size_t index, bool animated = false);
  void removeSegmentAtIndex(std::size_t index, bool animated = false);
  void removeAllSegments();
  void setEnabled(bool enabled, std::size_t index);
  bool isEnabledForSegmentAtIndex(std::size_t index) const;
  using Control::setEnabled;
  // 0 shares the width equally with the other automatic segments.
  void setWidth(double width, std::size_t index);
  double widthForSegmentAtIndex(std::size_t index) const;
  bool isMomentary() const { return momentary_; }
  void setMomentary(bool on) { momentary_ = on; }
  // The older bar styles (plain 0, bordered 1, bar 2, bezeled 3): drawing only.
  int segmentedControlStyle() const { return style_; }
  void setSegmentedControlStyle(int style) { style_ = style; setNeedsDisplay(); }
  const gfx::Font& font() const { return font_; }
  void setFont(const gfx::Font& f) { font_ = f; setNeedsDisplay(); }

  // The segment under a point in the control's coordinates, or kNoSegment.
  long segmentAtPoint(Point p) const;
  Rect rectForSegmentAtIndex(std::size_t index) const;

  void endTracking(const Touch* touch, const Event* event) override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 private:
  struct Segment {
    std::string title;
    gfx::ImagePtr image;
    bool enabled = true;
    double width = 0;
  };
  std::vector<Segment> segments_;
  long selected_ = kNoSegment;
  bool momentary_ = false;
  int style_ = 0;
  gfx::Font font_ = gfx::Font::systemFont(13);
};

}  // namespace ui
