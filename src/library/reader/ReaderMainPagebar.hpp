#pragma once
// The reader's bottom bar, a scrubber: small page thumbnails sampled across
// the document, a larger one marking the current page, and the page number
// in a box above the bar. Dragging along it previews pages; the reader turns
// to the previewed page a quarter of a second after the preview last changed,
// or when the finger lifts. Main thread only.
#include <map>
#include <memory>
#include <string>

#include "library/reader/ReaderDocument.hpp"
#include "library/reader/ReaderPagebarThumb.hpp"
#include "library/reader/ReaderTrackControl.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

class ReaderMainPagebar;

class ReaderMainPagebarDelegate {
 public:
  virtual ~ReaderMainPagebarDelegate() = default;
  virtual void pagebar(ReaderMainPagebar& pagebar, long gotoPage) = 0;
};

class ReaderMainPagebar : public ui::View {
 public:
  static constexpr double kHeight = 48;
  static constexpr double kInset = 4;
  static constexpr double kThumbPitch = 24;  // a small thumbnail and a 2-point gap
  static constexpr double kTimerInterval = 0.25;

  // How a bar of `barWidth` points lays out `pageCount` pages; a count of 0
  // gives no thumbnails and an empty track.
  struct Layout {
    int thumbs = 0;
    double trackWidth = 0;
    double trackX = 0;
    double stride = 0;
  };
  static Layout layoutFor(double barWidth, long pageCount);
  // The page the i-th small thumbnail shows.
  static long sampledPage(int index, double stride, long pageCount);
  // Where the large thumbnail stands for `page` on a track of that width.
  static double largeThumbX(long page, double trackWidth, long pageCount);
  // The page under the finger at `value` on a control of that width (0 for
  // a document without pages).
  static long pageForValue(double value, double controlWidth, long pageCount);
  // "%d of %d", localised where a table has it.
  static std::string pageNumberText(long page, long pageCount);

  static std::shared_ptr<ReaderMainPagebar> initWithFrame(const ui::Rect& frame,
                                                          std::shared_ptr<ReaderDocument> document);
  ~ReaderMainPagebar() override;

  std::shared_ptr<ReaderMainPagebarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ReaderMainPagebarDelegate> d) { delegate_ = std::move(d); }

  // The record's current page, when the bar is visible.
  void updatePagebar();
  void updatePagebarViews();
  void updatePageNumberText(long page);
  void updatePageThumbView(long page);
  void hidePagebar();
  void showPagebar();
  bool isBarVisible() const { return !isHidden(); }

  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
  void willMoveToSuperview(ui::View* newSuperview) override;

  const std::shared_ptr<ReaderTrackControl>& trackControl() const { return trackControl_; }
  const std::shared_ptr<ReaderPagebarThumb>& pageThumbView() const { return pageThumbView_; }
  const std::shared_ptr<ui::Label>& pageNumberLabel() const { return pageNumberLabel_; }
  const std::map<long, std::shared_ptr<ReaderPagebarThumb>>& miniThumbViews() const { return miniThumbViews_; }
  bool isTrackTimerRunning() const { return trackTimer_ != 0; }
  bool isEnableTimerRunning() const { return enableTimer_ != 0; }

  // The track control's events.
  void trackViewTouchDown(ReaderTrackControl& control);
  void trackViewValueChanged(ReaderTrackControl& control);
  void trackViewTouchUp(ReaderTrackControl& control);
  long trackViewPageNumber(const ReaderTrackControl& control) const;

 private:
  explicit ReaderMainPagebar(const ui::Rect& frame) : ui::View(frame) {}
  long pageCount() const { return document_->pageCount().value_or(0); }
  void restartTrackTimer();
  void startEnableTimer();
  void gotoPage(long page);

  std::shared_ptr<ReaderDocument> document_;
  std::shared_ptr<ReaderTrackControl> trackControl_;
  std::map<long, std::shared_ptr<ReaderPagebarThumb>> miniThumbViews_;
  std::shared_ptr<ReaderPagebarThumb> pageThumbView_;
  std::shared_ptr<ui::Label> pageNumberLabel_;
  std::shared_ptr<ui::View> pageNumberView_;
  base::CancelTracker timers_;
  base::CancelTracker::Id trackTimer_ = 0, enableTimer_ = 0;
  std::weak_ptr<ReaderMainPagebarDelegate> delegate_;
};

}  // namespace mv
