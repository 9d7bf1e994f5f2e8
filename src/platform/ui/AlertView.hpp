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

class AlertView;

// Hears what happens to an alert. Every operation is optional; the defaults
// do nothing.
class AlertViewDelegate {
 public:
  virtual ~AlertViewDelegate() = default;
  virtual void alertViewClickedButtonAtIndex(AlertView& /*alert*/, long /*buttonIndex*/) {}
  virtual void alertViewCancel(AlertView& /*alert*/) {}
  virtual void willPresentAlertView(AlertView& /*alert*/) {}
  virtual void didPresentAlertView(AlertView& /*alert*/) {}
  virtual void alertViewWillDismissWithButtonIndex(AlertView& /*alert*/, long /*buttonIndex*/) {}
  virtual void alertViewDidDismissWithButtonIndex(AlertView& /*alert*/, long /*buttonIndex*/) {}
};

// A modal message with a title, a message and buttons: the cancel button
// (when given) is index 0 and the others follow in order. Showing puts the
// alert into the key window's overlay, over a dimming view, so it has a
// superview; while one alert shows, later ones wait their turn. A button
// press tells the delegate the index, then dismisses the alert (0.2 s fade)
// and tells the delegate again once it is gone. When the user backed out
// (the back-out button, Escape, a touch beside it, an acknowledgement's only
// button), the text input the alert interrupted takes the focus again, when
// it is still on show and nothing else took it.
class AlertView : public View {
 public:
  AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate = {},
            std::optional<std::string> cancelButtonTitle = std::nullopt,
            std::vector<std::string> otherButtonTitles = {});
  ~AlertView() override;

  const std::string& title() const { return title_; }
  void setTitle(const std::string& t);
  const std::string& message() const { return message_; }
  void setMessage(const std::string& m);
  std::shared_ptr<AlertViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<AlertViewDelegate> d) { delegate_ = std::move(d); }
  // Closures run alongside the delegate (button index as argument).
  std::function<void(AlertView&, long)> onClicked;
  std::function<void(AlertView&, long)> onDismissed;

  long addButtonWithTitle(const std::string& title);
  std::string buttonTitleAtIndex(long index) const;
  long numberOfButtons() const { return static_cast<long>(buttonTitles_.size()); }
  long cancelButtonIndex() const { return cancelIndex_; }
  void setCancelButtonIndex(long index);
  long firstOtherButtonIndex() const;
  // The button Return presses: the first other button, else the cancel
  // button; -1 without buttons.
  long defaultButtonIndex() const;
  // Escape backs out: the alert goes and everything stays as it was. It
  // presses the back-out button: the only button of an alert that has one
  // (an acknowledgement), else the button the alert's screen names as one
  // that discards, changes and sends nothing (most often, not always, the
  // cancel button). With none named, Escape closes the alert unanswered: the
  // delegate hears `alertViewCancel` and the dismissal with no button
  // (kNoButton), and the user stays where the question found them. An alert
  // that must be answered takes no Escape.
  static constexpr long kNoButton = -1;
  long backOutButtonIndex() const;
  void setBackOutButtonIndex(long index) { backOut_ = index; }
  bool requiresAnswer() const { return requiresAnswer_; }
  void setRequiresAnswer(bool required) { requiresAnswer_ = required; }
  // The text input that has the focus back once the alert is gone: by
  // default the one that had it when the alert showed; an alert about a
  // value refused as its field ended editing names that field.
  void setReturnsFocusTo(std::weak_ptr<View> input) { returnFocus_ = std::move(input); }

  // Shown now (false while waiting behind another alert).
  bool isVisible() const { return visible_; }
  virtual void show();
  // As if button `index` was pressed, without telling the delegate "clicked".
  void dismissWithClickedButtonIndex(long index, bool animated);

  Label& titleLabel() const { return *titleLabel_; }
  Label& messageLabel() const { return *messageLabel_; }
  Button* buttonAtIndex(long index) const;

  // Presses button `index` as a tap would (the window's Escape and Return
  // do, and tests). False when there is no such button.
  bool pressButton(long index);
  // Alerts shown and not yet dismissed: the visible one first, then those waiting.
  static std::vector<std::shared_ptr<AlertView>> showingAlerts();
  static std::shared_ptr<AlertView> visibleAlert();
  // Drops every alert without telling delegates (between tests).
  static void resetForTesting();

  // The window's Escape (see backOutButtonIndex): true when the alert went.
  bool escapePressed() override;

  void layoutSubviews() override;
  Size sizeThatFits(Size size) const override;

  static constexpr double kWidth = 270;

 private:
  void present();
  void buttonPressed(long index);
  void finishDismiss(long index);
  void rebuildButtons();
  static void presentNext();

  std::string title_, message_;
  std::weak_ptr<AlertViewDelegate> delegate_;
  std::vector<std::string> buttonTitles_;
  long cancelIndex_ = -1;
  std::shared_ptr<Label> titleLabel_, messageLabel_;
  std::vector<std::shared_ptr<Button>> buttons_;
  std::shared_ptr<View> dim_;
  bool visible_ = false;
  bool dismissing_ = false;
  std::weak_ptr<View> returnFocus_;
  std::optional<long> backOut_;
  bool requiresAnswer_ = false;
};

}  // namespace ui
