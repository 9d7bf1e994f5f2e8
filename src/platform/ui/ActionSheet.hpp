#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace ui {

class ActionSheet;
class BarButtonItem;
class PopoverController;

// Hears what happens to an action sheet. Every operation is optional.
class ActionSheetDelegate {
 public:
  virtual ~ActionSheetDelegate() = default;
  virtual void actionSheetClickedButtonAtIndex(ActionSheet& /*sheet*/, long /*buttonIndex*/) {}
  virtual void actionSheetCancel(ActionSheet& /*sheet*/) {}
  virtual void willPresentActionSheet(ActionSheet& /*sheet*/) {}
  virtual void didPresentActionSheet(ActionSheet& /*sheet*/) {}
  virtual void actionSheetWillDismissWithButtonIndex(ActionSheet& /*sheet*/, long /*buttonIndex*/) {}
  virtual void actionSheetDidDismissWithButtonIndex(ActionSheet& /*sheet*/, long /*buttonIndex*/) {}
};

// A list of choices shown in a popover pointing at a rectangle, a bar button
// or the middle of a view. The destructive button comes first, then the
// others, then the cancel button, which is not shown (a tap outside the
// popover stands for it: the delegate hears "clicked" with the cancel index,
// -1 without a cancel button). A choice tells the delegate the index, then
// closes the sheet and tells it again. The sheet keeps itself alive while it
// shows.
class ActionSheet : public View {
 public:
  ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate = {},
              std::optional<std::string> cancelButtonTitle = std::nullopt,
              std::optional<std::string> destructiveButtonTitle = std::nullopt,
              std::vector<std::string> otherButtonTitles = {});
  ~ActionSheet() override;

  const std::string& title() const { return title_; }
  void setTitle(const std::string& t);
  std::shared_ptr<ActionSheetDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ActionSheetDelegate> d) { delegate_ = std::move(d); }
  std::function<void(ActionSheet&, long)> onClicked;
  std::function<void(ActionSheet&, long)> onDismissed;

  long addButtonWithTitle(const std::string& title);
  std::string buttonTitleAtIndex(long index) const;
  long numberOfButtons() const { return static_cast<long>(titles_.size()); }
  long cancelButtonIndex() const { return cancelIndex_; }
  void setCancelButtonIndex(long index);
  long destructiveButtonIndex() const { return destructiveIndex_; }
  void setDestructiveButtonIndex(long index);
  long firstOtherButtonIndex() const;

  void showFromRect(const Rect& rect, View* view, bool animated);
  void showFromBarButtonItem(BarButtonItem& item, bool animated);
  void showInView(View* view);
  bool isVisible() const { return visible_; }
  void dismissWithClickedButtonIndex(long index, bool animated);

  // The button shown for an index (nothing for the cancel button).
  Button* buttonAtIndex(long index) const;
  // As a tap on the button (or, for the cancel index, outside).
  bool pressButton(long index);
  // Sheets showing now, oldest first.
  static std::vector<std::shared_ptr<ActionSheet>> showingSheets();
  // Drops every showing sheet without telling delegates (between tests).
  static void resetForTesting();

  void layoutSubviews() override;
  Size sizeThatFits(Size size) const override;

  static constexpr double kWidth = 272;
  static constexpr double kButtonHeight = 44;

 private:
  class Listener;
  void rebuild();
  void present(const std::function<void(PopoverController&)>& show);
  void buttonPressed(long index);
  void finish(long index);

  std::string title_;
  std::weak_ptr<ActionSheetDelegate> delegate_;
  std::vector<std::string> titles_;
  long cancelIndex_ = -1;
  long destructiveIndex_ = -1;
  std::shared_ptr<Label> titleLabel_;
  std::vector<std::shared_ptr<Button>> buttons_;  // one per index; none for the cancel one
  std::shared_ptr<PopoverController> popover_;
  std::shared_ptr<Listener> listener_;
  bool visible_ = false;
};

}  // namespace ui
