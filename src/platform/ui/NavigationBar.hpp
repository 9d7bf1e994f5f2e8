#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/NavigationItem.hpp"
#include "platform/ui/View.hpp"

namespace ui {

enum class BarStyle { Default = 0, Black = 1 };

// The bar along the top of a navigation controller: the top item's title (or
// title view) in the middle, its left and right buttons, and a back button
// titled after the item below when the top item has no left buttons of its
// own (unless it hides the back button). Items are laid out in the lower 44
// points; a status bar strip above them takes the bar's background.
class NavigationBar : public View {
 public:
  explicit NavigationBar(const Rect& frame = {});

  // The items shown: the top one and the one below it (nothing at the root).
  void setItems(NavigationItem* top, NavigationItem* back);
  NavigationItem* topItem() const { return top_; }
  NavigationItem* backItem() const { return back_; }
  // Rebuilds the buttons and title from the items.
  void refresh();
  // Called when the back button is tapped.
  void setBackAction(std::function<void()> action) { onBack_ = std::move(action); }

  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle s);
  std::optional<gfx::Color> barTintColor() const { return barTint_; }
  void setBarTintColor(std::optional<gfx::Color> c);
  bool isTranslucent() const { return translucent_; }
  void setTranslucent(bool on) { translucent_ = on; }
  const gfx::ImagePtr& backgroundImage() const { return backgroundImage_; }
  void setBackgroundImage(gfx::ImagePtr image);
  const gfx::Font& titleFont() const { return titleFont_; }
  void setTitleFont(const gfx::Font& f);
  const gfx::Color& titleColor() const { return titleColor_; }
  void setTitleColor(const gfx::Color& c);
  double statusStripHeight() const { return strip_; }
  void setStatusStripHeight(double h);

  Label& titleLabel() const { return *titleLabel_; }
  // The back button while shown.
  Button* backButton() const { return backButton_.get(); }
  // The title shown on the back button for the current items.
  std::string backButtonTitle() const;

  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

  static constexpr double kHeight = 44;

 private:
  std::shared_ptr<View> viewForItem(const std::shared_ptr<BarButtonItem>& item);

  NavigationItem* top_ = nullptr;
  NavigationItem* back_ = nullptr;
  std::function<void()> onBack_;
  BarStyle barStyle_ = BarStyle::Default;
  std::optional<gfx::Color> barTint_;
  bool translucent_ = true;
  gfx::ImagePtr backgroundImage_;
  gfx::Font titleFont_ = gfx::Font::boldSystemFont(17);
  gfx::Color titleColor_ = gfx::Color::black();
  double strip_ = 0;
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<View> titleView_;
  std::shared_ptr<Button> backButton_;
  std::vector<std::shared_ptr<View>> left_, right_;
};

}  // namespace ui
