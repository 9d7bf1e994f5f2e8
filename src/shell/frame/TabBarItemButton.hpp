#pragma once
// One button of the main tab bar: an icon with its title under it, the
// selected look, a badge that can bounce, and an icon that blinks while a
// sync runs.
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/Image.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

class TabBarItemButton : public ui::View {
 public:
  static constexpr double kBlinkDuration = 1.5;
  static constexpr double kBadgeCentreX = 50;
  static constexpr const char* kBounceKey = "bounce";
  static constexpr const char* kBounce2Key = "bounce2";

  explicit TabBarItemButton(const ui::Rect& frame = {0, 0, 64, 56});

  const std::string& title() const { return title_; }
  void setTitle(const std::string& title);
  const gfx::ImagePtr& imgNormal() const { return imgNormal_; }
  void setImgNormal(gfx::ImagePtr image);
  const gfx::ImagePtr& imgFocus() const { return imgFocus_; }
  void setImgFocus(gfx::ImagePtr image);
  bool isSelected() const;
  void setSelected(bool selected);
  // The title's colours, chosen by the bar to read on it.
  static gfx::Color defaultTitleColor() { return gfx::Color::rgb255(70, 70, 70); }
  static gfx::Color defaultSelectedTitleColor() { return gfx::Color::rgb255(49, 122, 181); }
  void setTitleColors(const gfx::Color& normal, const gfx::Color& selected);

  // Target-action and the tag go to the icon button.
  void addTarget(ui::Control::Action action, unsigned events);
  long buttonTag() const;
  void setButtonTag(long tag);

  // Nothing or "" hides the badge.
  void setBadgeValue(const std::optional<std::string>& value, bool animated);
  bool isBadgeShown() const { return !badgeView_->isHidden(); }
  std::string badgeText() const { return badgeLabel_->text(); }
  // The badge's width for a text of width `textWidth`.
  static double badgeWidth(double textWidth);

  void startBlinkIcon();
  void stopBlinkIcon();
  bool isBlinking() const { return blinking_; }

  // The title names the icon button: a press anywhere on the item, its
  // title too, is a press on the button.
  bool pointInside(ui::Point p, const ui::Event* event) const override;
  ui::View* hitTest(ui::Point p, const ui::Event* event) override;

  ui::Button& btn() const { return *btn_; }
  ui::ImageView& animatedImageView() const { return *animatedImageView_; }
  ui::Label& lableTitle() const { return *lableTitle_; }
  ui::ImageView& badgeView() const { return *badgeView_; }
  ui::Label& badgeLabel() const { return *badgeLabel_; }

 private:
  void animateBadgeBouncing();

  std::shared_ptr<ui::Button> btn_;
  std::shared_ptr<ui::ImageView> animatedImageView_;
  std::shared_ptr<ui::Label> lableTitle_;
  std::shared_ptr<ui::ImageView> badgeView_;
  std::shared_ptr<ui::Label> badgeLabel_;
  gfx::ImagePtr imgNormal_, imgFocus_;
  std::string title_;
  gfx::Color titleColor_ = defaultTitleColor();
  gfx::Color selectedTitleColor_ = defaultSelectedTitleColor();
  bool blinking_ = false;
};

}  // namespace mv
