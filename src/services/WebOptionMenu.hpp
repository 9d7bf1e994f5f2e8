#pragma once
// The options of a page's drop-down list, shown by the application in a
// popover at the list's box: the engine's own menu would open at the
// screen's corner, since the page lies in a window nobody sees. A tap on an
// option chooses it and closes the list; group labels and disabled options
// take no tap; a tap outside closes the list as it was. The keyboard moves
// a highlight through the options that can be chosen (from the selected
// one), and chooses the highlighted one.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TableViewController.hpp"

namespace svc {

class WebOptionMenu : public ui::PopoverControllerDelegate, public std::enable_shared_from_this<WebOptionMenu> {
 public:
  struct Option {
    std::string label;
    bool groupLabel = false;
    bool inGroup = false;
    bool enabled = true;
    bool selected = false;
  };
  // `chosen` hears the index of the option tapped; `closed` that the list
  // went, chosen or not (never after the menu itself is gone).
  static std::shared_ptr<WebOptionMenu> make(std::vector<Option> options, std::function<void(std::size_t)> chosen,
                                             std::function<void()> closed);
  ~WebOptionMenu() override;

  // Shows the list at `rect` of `view` (in its coordinates), below it when
  // there is room, else above.
  void present(const ui::Rect& rect, ui::View& view);
  // Takes the list down; `closed` is told.
  void dismiss();
  bool isShown() const { return popover_ && popover_->isPopoverVisible(); }
  ui::PopoverController& popover() const { return *popover_; }
  const std::vector<Option>& options() const { return options_; }
  // Moves the highlight by `step` choosable options (towards the end for a
  // positive step), no further than the first or last; the highlighted row
  // shows selected, in sight.
  void moveHighlight(int step);
  // Chooses the highlighted option, as a tap on it would; false with none.
  bool chooseHighlighted();
  std::optional<std::size_t> highlighted() const { return highlighted_; }

  void popoverControllerDidDismissPopover(ui::PopoverController& popover) override;

  static constexpr double kRowHeight = 40;
  static constexpr double kMinimumWidth = 220;
  static constexpr double kMaximumWidth = 480;
  // More options than these scroll.
  static constexpr int kRowsShown = 8;

 private:
  class List;
  WebOptionMenu() = default;
  void choose(std::size_t index);
  void tellClosed();

  std::vector<Option> options_;
  std::function<void(std::size_t)> chosen_;
  std::function<void()> closed_;
  bool choosable(std::size_t index) const;
  std::optional<std::size_t> highlighted_;
  std::shared_ptr<List> list_;
  std::shared_ptr<ui::PopoverController> popover_;
};

}  // namespace svc
