#pragma once
// A cell of the thumbnails screen: a white card with a drop shadow that
// shrinks or grows to the page's picture, centred in the cell, the page
// number until the picture covers it, a dark veil while touched and the
// bookmark ribbon at the picture's top right.
#include <memory>
#include <string>

#include "library/reader/ReaderThumbView.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

class ThumbsPageThumb : public ReaderThumbView {
 public:
  static constexpr double kInset = 8;

  explicit ThumbsPageThumb(const ui::Rect& frame);
  // The largest picture the cell shows: its bounds inset by 8 on every side.
  ui::Size maximumContentSize() const { return maximumSize_; }
  // The ribbon's place in the image view: 8 points from its right edge, 2 above its top.
  ui::Rect markRectInImageView() const;

  void showImage(const gfx::ImagePtr& image) override;
  void reuse() override;
  void showTouched(bool touched) override;
  void showBookmark(bool show);
  void showText(const std::string& text);

  const std::shared_ptr<ui::View>& backView() const { return backView_; }
  const std::shared_ptr<ui::View>& tintView() const { return tintView_; }
  const std::shared_ptr<ui::Label>& textLabel() const { return textLabel_; }
  const std::shared_ptr<ui::ImageView>& bookMark() const { return bookMark_; }
  const ui::Rect& defaultRect() const { return defaultRect_; }

 private:
  void placeCard(const ui::Rect& bounds, ui::Point center);
  std::shared_ptr<ui::View> backView_, tintView_;
  std::shared_ptr<ui::Label> textLabel_;
  std::shared_ptr<ui::ImageView> bookMark_;
  ui::Size maximumSize_;
  ui::Rect defaultRect_;
};

}  // namespace mv
