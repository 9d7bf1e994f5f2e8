#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/Button.hpp"
#include "platform/ui/TabBarItem.hpp"
#include "platform/ui/View.hpp"

namespace ui {

// The system bar along the bottom of a tab bar controller: one button per
// item (image over title, a red badge when the item has one), the selected
// one tinted. Applications that draw their own bar hide it.
class TabBar : public View {
 public:
  explicit TabBar(const Rect& frame = {});

  // The items shown (not owned: each belongs to its controller).
  void setItems(std::vector<TabBarItem*> items);
  const std::vector<TabBarItem*>& items() const { return items_; }
  std::size_t selectedIndex() const { return selected_; }
  void setSelectedIndex(std::size_t index);
  // Called when the user taps an item's button.
  void setSelectAction(std::function<void(std::size_t)> action) { onSelect_ = std::move(action); }
  Button* buttonAtIndex(std::size_t index) const;
  std::optional<gfx::Color> barTintColor() const { return barTint_; }
  void setBarTintColor(std::optional<gfx::Color> c);
  const gfx::ImagePtr& backgroundImage() const { return backgroundImage_; }
  void setBackgroundImage(gfx::ImagePtr image);

  void refresh();
  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

  static constexpr double kHeight = 49;

 private:
  std::vector<TabBarItem*> items_;
  std::vector<std::shared_ptr<Button>> buttons_;
  std::vector<std::shared_ptr<Label>> badges_;
  std::size_t selected_ = static_cast<std::size_t>(-1);
  std::function<void(std::size_t)> onSelect_;
  std::optional<gfx::Color> barTint_;
  gfx::ImagePtr backgroundImage_;
};

}  // namespace ui
