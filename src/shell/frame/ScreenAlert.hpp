#pragma once
// An alert as a screen's presenter decides it: its tag, texts and buttons
// (the cancel button, when there is one, takes index 0 and the others follow
// in order). The screen shows it with itself as the delegate.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/AlertView.hpp"

namespace mv {

struct ScreenAlert {
  long tag = 0;
  std::string title;
  std::string message;
  std::optional<std::string> cancel;
  std::vector<std::string> others;
  // The button Escape presses, one that discards, changes and sends
  // nothing; none: Escape closes the alert unanswered (see
  // ui::AlertView::backOutButtonIndex).
  std::optional<long> backOut = std::nullopt;

  std::shared_ptr<ui::AlertView> show(std::weak_ptr<ui::AlertViewDelegate> delegate) const;
  // Whether an alert with the same title, message and buttons is up or waits.
  bool isShowing() const;
  // Shows it unless the same alert is up already: screens that each hear of
  // one event (a failed download) tell the user once. Null when not shown.
  std::shared_ptr<ui::AlertView> showOnce(std::weak_ptr<ui::AlertViewDelegate> delegate) const;
  bool operator==(const ScreenAlert&) const = default;
};

}  // namespace mv
