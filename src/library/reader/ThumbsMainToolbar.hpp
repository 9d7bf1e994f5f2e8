#pragma once
// The thumbnails screen's top bar: Back (closes the screen and the reader),
// View (closes the screen) and the switch between all pages and the
// bookmarked ones; on an iPad the document's title.
#include <memory>
#include <string>

#include "library/reader/ReaderToolbarView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/SegmentedControl.hpp"

namespace mv {

class ThumbsMainToolbar;

class ThumbsMainToolbarDelegate {
 public:
  virtual ~ThumbsMainToolbarDelegate() = default;
  virtual void tappedInToolbarDoneButton(ThumbsMainToolbar& toolbar, ui::Button& button) = 0;
  virtual void tappedInToolbarViewButton(ThumbsMainToolbar& toolbar, ui::Button& button) = 0;
  virtual void tappedInToolbarShowControl(ThumbsMainToolbar& toolbar, ui::SegmentedControl& control) = 0;
};

class ThumbsMainToolbar : public ReaderToolbarView {
 public:
  static std::shared_ptr<ThumbsMainToolbar> initWithFrame(const ui::Rect& frame, const std::string& title = {});

  std::shared_ptr<ThumbsMainToolbarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ThumbsMainToolbarDelegate> d) { delegate_ = std::move(d); }

  const std::shared_ptr<ui::Button>& doneButton() const { return doneButton_; }
  const std::shared_ptr<ui::Button>& viewButton() const { return viewButton_; }
  const std::shared_ptr<ui::SegmentedControl>& showControl() const { return showControl_; }
  const std::shared_ptr<ui::Label>& titleLabel() const { return titleLabel_; }

 private:
  explicit ThumbsMainToolbar(const ui::Rect& frame) : ReaderToolbarView(frame) {}
  std::shared_ptr<ui::Button> doneButton_, viewButton_;
  std::shared_ptr<ui::SegmentedControl> showControl_;
  std::shared_ptr<ui::Label> titleLabel_;
  std::weak_ptr<ThumbsMainToolbarDelegate> delegate_;
};

}  // namespace mv
