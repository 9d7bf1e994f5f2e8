#pragma once
// A page indicator drawn by the control itself: a row of dots or pictures,
// one per page, the current one highlighted. A tap on the left or right
// half of the row moves one page back or forward and sends value-changed.
#include <cstdint>
#include <map>
#include <optional>

#include "platform/gfx/Image.hpp"
#include "platform/ui/Control.hpp"

namespace ui {
class ScrollView;
}

namespace mv {

enum PageControlAlignment : std::uint64_t {
  PageControlAlignmentLeft = 1,
  PageControlAlignmentCenter = 2,
  PageControlAlignmentRight = 3,
};

enum PageControlVerticalAlignment : std::uint64_t {
  PageControlVerticalAlignmentTop = 1,
  PageControlVerticalAlignmentMiddle = 2,
  PageControlVerticalAlignmentBottom = 3,
};

class PageControl : public ui::Control {
 public:
  static constexpr double kMinHeight = 36.0;
  static constexpr double kRightInset = 10.0;

  explicit PageControl(const ui::Rect& frame = {});

  std::int64_t numberOfPages() const { return numberOfPages_; }
  // Never below 0; the current and displayed pages stay within the new range.
  void setNumberOfPages(std::int64_t count);
  std::int64_t currentPage() const { return currentPage_; }
  // The page drawn as current (lags behind while display is deferred).
  std::int64_t displayedPage() const { return displayedPage_; }
  void setCurrentPage(std::int64_t page) { setCurrentPage(page, false, false); }
  // Pages outside 0 ... count-1 are ignored.
  void setCurrentPage(std::int64_t page, bool sendEvent, bool canDefer);
  void updateCurrentPageDisplay();

  bool hidesForSinglePage() const { return hidesForSinglePage_; }
  void setHidesForSinglePage(bool on) { hidesForSinglePage_ = on; }
  bool defersCurrentPageDisplay() const { return defersCurrentPageDisplay_; }
  void setDefersCurrentPageDisplay(bool on) { defersCurrentPageDisplay_ = on; }
  double indicatorMargin() const { return indicatorMargin_; }
  void setIndicatorMargin(double margin);
  double indicatorDiameter() const { return indicatorDiameter_; }
  void setIndicatorDiameter(double diameter);
  std::uint64_t alignment() const { return alignment_; }
  void setAlignment(std::uint64_t a) { alignment_ = a; }
  std::uint64_t verticalAlignment() const { return verticalAlignment_; }
  void setVerticalAlignment(std::uint64_t a) { verticalAlignment_ = a; }
  const gfx::ImagePtr& pageIndicatorImage() const { return pageIndicatorImage_; }
  void setPageIndicatorImage(gfx::ImagePtr image);
  const gfx::ImagePtr& currentPageIndicatorImage() const { return currentPageIndicatorImage_; }
  void setCurrentPageIndicatorImage(gfx::ImagePtr image);
  const std::optional<gfx::Color>& pageIndicatorTintColor() const { return pageIndicatorTintColor_; }
  void setPageIndicatorTintColor(std::optional<gfx::Color> c) { pageIndicatorTintColor_ = std::move(c); }
  const std::optional<gfx::Color>& currentPageIndicatorTintColor() const { return currentPageIndicatorTintColor_; }
  void setCurrentPageIndicatorTintColor(std::optional<gfx::Color> c) { currentPageIndicatorTintColor_ = std::move(c); }

  // Per-page pictures (pages in range only; nothing removes).
  void setImage(gfx::ImagePtr image, std::int64_t page);
  void setCurrentImage(gfx::ImagePtr image, std::int64_t page);
  gfx::ImagePtr imageForPage(std::int64_t page) const;
  gfx::ImagePtr currentImageForPage(std::int64_t page) const;

  // Measuring.
  double measuredIndicatorWidth() const { return measuredIndicatorWidth_; }
  double measuredIndicatorHeight() const { return measuredIndicatorHeight_; }
  ui::Size sizeForNumberOfPages(std::int64_t count) const;
  // The origin stays; the size fits the pages, at least 36 points high.
  void sizeToFit();
  // Where the page's indicator is drawn; the zero rectangle for a page out of range.
  ui::Rect rectForPageIndicator(std::int64_t page) const;
  double leftOffset() const;
  double topOffset() const;

  // Follows a paging scroll view: the page under its left edge.
  void updatePageNumberForScrollView(const ui::ScrollView& scrollView);
  // The same from a content offset and a page width (a page width of 0 or
  // less, or an offset that is not a number, changes nothing).
  void updatePageNumberForOffset(double offsetX, double pageWidth);

  void setFrame(const ui::Rect& frame) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;

 private:
  void updateMeasuredIndicatorSizes();
  std::int64_t clampedPage(std::int64_t page) const;

  std::int64_t displayedPage_ = 0;
  double measuredIndicatorWidth_ = 10.0;
  double measuredIndicatorHeight_ = 10.0;
  std::map<std::int64_t, gfx::ImagePtr> pageImages_;
  std::map<std::int64_t, gfx::ImagePtr> currentPageImages_;
  bool hidesForSinglePage_ = false;
  bool defersCurrentPageDisplay_ = false;
  std::int64_t numberOfPages_ = 0;
  std::int64_t currentPage_ = 0;
  double indicatorMargin_ = 10.0;
  double indicatorDiameter_ = 10.0;
  std::uint64_t alignment_ = PageControlAlignmentCenter;
  std::uint64_t verticalAlignment_ = PageControlVerticalAlignmentMiddle;
  gfx::ImagePtr pageIndicatorImage_;
  gfx::ImagePtr currentPageIndicatorImage_;
  std::optional<gfx::Color> pageIndicatorTintColor_;
  std::optional<gfx::Color> currentPageIndicatorTintColor_;
};

}  // namespace mv
