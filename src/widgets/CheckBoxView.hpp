#pragma once
// A labelled check box: a box picture on the left in one of five looks, a
// bold label beside it, a dimmed look while a finger is down, and a change
// report to a target (held weakly) or a block.
#include <functional>
#include <memory>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

enum CheckBoxViewStyle : int {
  CheckBoxViewStyleBox = 0,
  CheckBoxViewStyleDark = 1,
  CheckBoxViewStyleGlossy = 2,
  CheckBoxViewStyleGreen = 3,
  CheckBoxViewStyleMono = 4,
};

class CheckBoxView : public ui::View {
 public:
  using StateChanged = std::function<void(CheckBoxView&)>;

  static constexpr double kHeight = 36;

  // The frame's height is always 36.
  CheckBoxView(const ui::Rect& frame, int style, bool checked);

  int style() const { return style_; }
  bool checked() const { return checked_; }
  // Shows the state without reporting a change.
  void setChecked(bool checked);
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  void setText(const std::string& text);

  // The report of a change: to the target's selector while the target lives
  // (then the block is not called), else to the block.
  void setStateChangedTarget(std::weak_ptr<void> target, StateChanged selector);
  void setStateChangedBlock(StateChanged block) { stateChangedBlock_ = std::move(block); }
  const StateChanged& stateChangedBlock() const { return stateChangedBlock_; }

  ui::ImageView& checkBoxImageView() const { return *checkBoxImageView_; }
  ui::Label& textLabel() const { return *textLabel_; }

  static ui::Rect imageViewFrameForCheckBoxImage(const gfx::ImagePtr& image);
  // The application picture for the look and state; nothing for a look out of range.
  static gfx::ImagePtr checkBoxImageForStyle(int style, bool checked);

  bool canBecomeFirstResponder() const override { return true; }
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesMoved(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  void updateCheckBoxImage();

  int style_;
  bool checked_;
  bool enabled_ = true;
  std::shared_ptr<ui::ImageView> checkBoxImageView_;
  std::shared_ptr<ui::Label> textLabel_;
  StateChanged stateChangedSelector_;
  std::weak_ptr<void> delegate_;
  StateChanged stateChangedBlock_;
};

}  // namespace mv
