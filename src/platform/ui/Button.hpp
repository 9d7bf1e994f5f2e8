#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/Image.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"

namespace ui {

enum class ButtonType { Custom = 0, RoundedRect = 1, DetailDisclosure = 2, InfoLight = 3, InfoDark = 4, ContactAdd = 5, System = 1 };

// A control with a title, an image and a background image for each state
// (normal, highlighted, selected, disabled and their combinations). A state
// without its own value shows the normal one. The title and image are laid
// out side by side within the content rectangle, each shifted by its own
// edge insets; an image larger than its room is scaled down to fit it.
class Button : public Control {
 public:
  explicit Button(const Rect& frame = {}, ButtonType type = ButtonType::Custom);
  static std::shared_ptr<Button> buttonWithType(ButtonType type);

  ButtonType buttonType() const { return type_; }

  void setTitle(std::optional<std::string> title, unsigned state = ControlStateNormal);
  std::optional<std::string> titleForState(unsigned state) const;
  void setTitleColor(std::optional<gfx::Color> color, unsigned state = ControlStateNormal);
  std::optional<gfx::Color> titleColorForState(unsigned state) const;
  void setTitleShadowColor(std::optional<gfx::Color> color, unsigned state = ControlStateNormal);
  std::optional<gfx::Color> titleShadowColorForState(unsigned state) const;
  void setImage(gfx::ImagePtr image, unsigned state = ControlStateNormal);
  gfx::ImagePtr imageForState(unsigned state) const;
  void setBackgroundImage(gfx::ImagePtr image, unsigned state = ControlStateNormal);
  gfx::ImagePtr backgroundImageForState(unsigned state) const;

  // What the present state shows.
  std::string currentTitle() const;
  gfx::Color currentTitleColor() const;
  gfx::ImagePtr currentImage() const;
  gfx::ImagePtr currentBackgroundImage() const;

  Label& titleLabel() const { return *titleLabel_; }
  ImageView& imageView() const { return *imageView_; }

  EdgeInsets contentEdgeInsets() const { return contentInsets_; }
  void setContentEdgeInsets(EdgeInsets e);
  EdgeInsets titleEdgeInsets() const { return titleInsets_; }
  void setTitleEdgeInsets(EdgeInsets e);
  EdgeInsets imageEdgeInsets() const { return imageInsets_; }
  void setImageEdgeInsets(EdgeInsets e);
  bool adjustsImageWhenHighlighted() const { return adjustsHighlighted_; }
  void setAdjustsImageWhenHighlighted(bool on) { adjustsHighlighted_ = on; }
  bool adjustsImageWhenDisabled() const { return adjustsDisabled_; }
  void setAdjustsImageWhenDisabled(bool on) { adjustsDisabled_ = on; }
  bool showsTouchWhenHighlighted() const { return showsTouch_; }
  void setShowsTouchWhenHighlighted(bool on) { showsTouch_ = on; }
  bool reversesTitleShadowWhenHighlighted() const { return reversesShadow_; }
  void setReversesTitleShadowWhenHighlighted(bool on) { reversesShadow_ = on; }

  Rect contentRectForBounds(const Rect& bounds) const;
  Rect titleRectForContentRect(const Rect& contentRect) const;
  Rect imageRectForContentRect(const Rect& contentRect) const;

  Size sizeThatFits(Size size) const override;
  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

 protected:
  void stateDidChange() override;

 private:
  template <typename T>
  static std::optional<T> lookup(const std::map<unsigned, T>& m, unsigned state);
  void updateContent();
  Size titleSize(double maxWidth) const;
  // The current image's size as shown in `region`.
  Size imageSizeIn(const Rect& region) const;
  void placePair(const Rect& region, Size image, Size title, Rect* imageRect, Rect* titleRect) const;

  ButtonType type_;
  std::map<unsigned, std::optional<std::string>> titles_;
  std::map<unsigned, gfx::Color> titleColors_;
  std::map<unsigned, gfx::Color> shadowColors_;
  std::map<unsigned, gfx::ImagePtr> images_;
  std::map<unsigned, gfx::ImagePtr> backgrounds_;
  std::shared_ptr<Label> titleLabel_;
  std::shared_ptr<ImageView> imageView_;
  EdgeInsets contentInsets_{}, titleInsets_{}, imageInsets_{};
  bool adjustsHighlighted_ = true;
  bool adjustsDisabled_ = true;
  bool showsTouch_ = false;
  bool reversesShadow_ = false;
};

}  // namespace ui
