#pragma once
// The two-way switch of the catalogue's category panel: browse by category
// (0) or by tag (1). The visible part is a two-segment control; the owner
// hears of every change, and only of changes.
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/SegmentedControl.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class SwitchButton;

class SwitchButtonDelegate {
 public:
  virtual ~SwitchButtonDelegate() = default;
  virtual void selectSwitchButton(SwitchButton& sender, long index) = 0;
};

class SwitchButton : public ui::View {
 public:
  explicit SwitchButton(const ui::Rect& frame);

  long currentIndex() const { return currentIndex_; }
  // Selects the segment and tells the delegate when the index changes;
  // anything but 0 or 1 is ignored.
  void setCurrentIndex(long index);
  std::shared_ptr<SwitchButtonDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<SwitchButtonDelegate> delegate) { delegate_ = std::move(delegate); }

  std::string leftTittle() const;
  void setLeftTittle(const std::string& title);
  std::string rightTittle() const;
  void setRightTittle(const std::string& title);

  ui::SegmentedControl& segmentedControl() const { return *segmentedControl_; }
  const std::shared_ptr<ui::SegmentedControl>& segmentedControlPtr() const { return segmentedControl_; }
  ui::Button& leftButton() const { return *btnLeft_; }
  ui::Button& rightButton() const { return *btnRight_; }

  // The segmented control's value changed.
  void valueChanged(ui::SegmentedControl& sender);
  // One of the half buttons went down.
  void btnClick(ui::Button& sender);

 private:
  std::shared_ptr<ui::Button> btnLeft_;
  std::shared_ptr<ui::Button> btnRight_;
  std::shared_ptr<ui::SegmentedControl> segmentedControl_;
  long currentIndex_ = 0;
  std::weak_ptr<SwitchButtonDelegate> delegate_;
};

}  // namespace mv
