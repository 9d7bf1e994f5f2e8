#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/gfx/Image.hpp"

namespace ui {

// What the tab bar shows for a controller: a title, images and a badge.
class TabBarItem {
 public:
  TabBarItem() = default;
  TabBarItem(std::string title, gfx::ImagePtr image, long tag) : title_(std::move(title)), image_(std::move(image)), tag_(tag) {}

  const std::string& title() const { return title_; }
  void setTitle(std::string t) { title_ = std::move(t); changed(); }
  const gfx::ImagePtr& image() const { return image_; }
  void setImage(gfx::ImagePtr i) { image_ = std::move(i); changed(); }
  const gfx::ImagePtr& selectedImage() const { return selectedImage_; }
  void setSelectedImage(gfx::ImagePtr i) { selectedImage_ = std::move(i); changed(); }
  const std::optional<std::string>& badgeValue() const { return badge_; }
  void setBadgeValue(std::optional<std::string> b) { badge_ = std::move(b); changed(); }
  long tag() const { return tag_; }
  void setTag(long t) { tag_ = t; }
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool e) { enabled_ = e; changed(); }
  // Whether the title was set on the item itself (else the controller's title shows).
  bool hasOwnTitle() const { return !title_.empty(); }

  void setChangeHandler(std::function<void()> handler) { onChange_ = std::move(handler); }

 private:
  void changed() {
    if (onChange_) {
      auto keep = onChange_;
      keep();
    }
  }
  std::string title_;
  gfx::ImagePtr image_, selectedImage_;
  std::optional<std::string> badge_;
  long tag_ = 0;
  bool enabled_ = true;
  std::function<void()> onChange_;
};

}  // namespace ui
