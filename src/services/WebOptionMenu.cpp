#include "services/WebOptionMenu.hpp"

#include <algorithm>
#include <cstdlib>

#include "platform/ui/TableView.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace svc {

// One row per option, the selected one checked.
class WebOptionMenu::List : public ui::TableViewController {
 public:
  explicit List(std::weak_ptr<WebOptionMenu> menu) : menu_(std::move(menu)) {}

  long tableViewNumberOfRowsInSection(ui::TableView&, long) override {
    auto menu = menu_.lock();
    return menu ? static_cast<long>(menu->options_.size()) : 0;
  }

  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) override {
    return kRowHeight;
  }

  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& table,
                                                                   const ui::IndexPath& path) override {
    auto cell = table.dequeueReusableCellWithIdentifier(kCell);
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCell);
    auto menu = menu_.lock();
    const auto row = static_cast<std::size_t>(std::max(0L, path.row));
    if (!menu || row >= menu->options_.size()) return cell;
    const Option& option = menu->options_[row];
    const bool choosable = option.enabled && !option.groupLabel;
    cell->textLabel().setText(option.label);
    cell->textLabel().setFont(option.groupLabel ? gfx::Font::boldSystemFont(15) : gfx::Font::systemFont(16));
    cell->textLabel().setTextColor(choosable ? gfx::Color::black() : gfx::Color::gray());
    cell->setIndentationLevel(option.inGroup ? 2 : 0);
    cell->setSelectionStyle(choosable ? ui::TableViewCellSelectionStyle::Gray : ui::TableViewCellSelectionStyle::None);
    cell->setAccessoryType(option.selected ? ui::TableViewCellAccessoryType::Checkmark
                                           : ui::TableViewCellAccessoryType::None);
    return cell;
  }

  std::optional<ui::IndexPath> tableViewWillSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& path) override {
    auto menu = menu_.lock();
    const auto row = static_cast<std::size_t>(std::max(0L, path.row));
    if (!menu || row >= menu->options_.size()) return std::nullopt;
    if (!menu->choosable(row)) return std::nullopt;
    return path;
  }

  void tableViewDidSelectRowAtIndexPath(ui::TableView& table, const ui::IndexPath& path) override {
    table.deselectRowAtIndexPath(path, false);
    if (auto menu = menu_.lock()) menu->choose(static_cast<std::size_t>(std::max(0L, path.row)));
  }

 private:
  static constexpr const char* kCell = "WebOptionCell";
  std::weak_ptr<WebOptionMenu> menu_;
};

std::shared_ptr<WebOptionMenu> WebOptionMenu::make(std::vector<Option> options, std::function<void(std::size_t)> chosen,
                                                   std::function<void()> closed) {
  std::shared_ptr<WebOptionMenu> menu(new WebOptionMenu());
  menu->options_ = std::move(options);
  menu->chosen_ = std::move(chosen);
  menu->closed_ = std::move(closed);
  menu->list_ = std::make_shared<List>(menu);
  menu->popover_ = std::make_shared<ui::PopoverController>(menu->list_);
  menu->popover_->setDelegate(std::weak_ptr<ui::PopoverControllerDelegate>(menu));
  return menu;
}

WebOptionMenu::~WebOptionMenu() {
  // Gone with its owner: the owner is told nothing more.
  closed_ = nullptr;
  if (popover_) popover_->dismissPopoverAnimated(false);
}

void WebOptionMenu::present(const ui::Rect& rect, ui::View& view) {
  const double width = std::clamp(rect.width(), kMinimumWidth, kMaximumWidth);
  const int rows = std::min(static_cast<int>(options_.size()), kRowsShown);
  popover_->setPopoverContentSize({width, kRowHeight * std::max(rows, 1)});
  list_->tableView()->reloadData();
  popover_->presentPopoverFromRect(rect, &view, ui::PopoverArrowDirectionUp | ui::PopoverArrowDirectionDown, false);
  // The selected option in sight, as the list opens, and the keys' start.
  const auto selected = std::find_if(options_.begin(), options_.end(), [](const Option& o) { return o.selected; });
  highlighted_.reset();
  if (selected != options_.end()) {
    const auto index = static_cast<std::size_t>(std::distance(options_.begin(), selected));
    if (choosable(index)) highlighted_ = index;
    if (index >= static_cast<std::size_t>(kRowsShown))
      list_->tableView()->scrollToRowAtIndexPath(ui::IndexPath::forRow(static_cast<long>(index), 0),
                                                 ui::TableViewScrollPosition::Middle, false);
  }
  if (!popover_->isPopoverVisible()) tellClosed();
}

bool WebOptionMenu::choosable(std::size_t index) const {
  return index < options_.size() && options_[index].enabled && !options_[index].groupLabel;
}

void WebOptionMenu::moveHighlight(int step) {
  if (step == 0 || options_.empty()) return;
  // From before the first (or after the last) when nothing is highlighted.
  long at = highlighted_ ? static_cast<long>(*highlighted_) : step > 0 ? -1 : static_cast<long>(options_.size());
  const long direction = step > 0 ? 1 : -1;
  std::optional<std::size_t> landed;
  for (int left = std::abs(step); left > 0;) {
    at += direction;
    if (at < 0 || at >= static_cast<long>(options_.size())) break;
    if (!choosable(static_cast<std::size_t>(at))) continue;
    landed = static_cast<std::size_t>(at);
    --left;
  }
  if (!landed) return;
  highlighted_ = landed;
  const auto row = ui::IndexPath::forRow(static_cast<long>(*landed), 0);
  list_->tableView()->selectRowAtIndexPath(row, false, ui::TableViewScrollPosition::None);
  list_->tableView()->scrollToRowAtIndexPath(row, ui::TableViewScrollPosition::None, false);
}

bool WebOptionMenu::chooseHighlighted() {
  if (!highlighted_ || !isShown()) return false;
  choose(*highlighted_);
  return true;
}

void WebOptionMenu::dismiss() {
  if (popover_->isPopoverVisible()) popover_->dismissPopoverAnimated(false);
  tellClosed();
}

void WebOptionMenu::choose(std::size_t index) {
  if (index >= options_.size()) return;
  auto keep = shared_from_this();
  if (chosen_) chosen_(index);
  dismiss();
}

void WebOptionMenu::popoverControllerDidDismissPopover(ui::PopoverController&) { tellClosed(); }

void WebOptionMenu::tellClosed() {
  // Told once.
  auto closed = std::move(closed_);
  closed_ = nullptr;
  if (closed) closed();
}

}  // namespace svc
