#pragma once
// One tab of a browser-style tab strip: a background picture, the centred
// title and a close mark shown on the selected tab of a strip of two or more.
// Touching the tab selects it; the close mark reacts to nothing.
#include <memory>
#include <string>

#include "platform/gfx/Color.hpp"
#include "platform/gfx/Font.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class BrowserTabView;

class BrowserTab : public ui::View {
 public:
  inline static const ui::Rect kCloseMarkOffset{115, 12, 19, 18};

  // Call `init` once held by a shared pointer.
  BrowserTab(std::string reuseIdentifier, BrowserTabView* delegate);

  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  const std::string& title() const { return title_; }
  void setTitle(const std::string& title);
  const gfx::Font& titleFont() const { return titleFont_; }
  void setTitleFont(const gfx::Font& font);
  void setNormalTitleColor(const gfx::Color& c) { normalTitleColor_ = c; }
  void setSelectedTitleColor(const gfx::Color& c) { selectedTitleColor_ = c; }
  void setTabNormalImage(gfx::ImagePtr image) { tabNormalImage_ = std::move(image); }
  void setTabSelectedImage(gfx::ImagePtr image) { tabSelectedImage_ = std::move(image); }
  long index() const { return index_; }
  void setIndex(long index) { index_ = index; }
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  // The strip that owns the tab; it clears this before it lets the tab go.
  BrowserTabView* delegate() const { return delegate_; }
  void setDelegate(BrowserTabView* d) { delegate_ = d; }
  // Back to a blank tab before it is used again.
  void prepareForReuse();

  ui::ImageView& imageView() const { return *imageView_; }
  ui::Label& textLabel() const { return *textLabel_; }
  ui::ImageView& imageViewClose() const { return *imageViewClose_; }

  void layoutSubviews() override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  std::string reuseIdentifier_;
  std::string title_;
  gfx::Font titleFont_ = gfx::Font::boldSystemFont(18);
  gfx::Color normalTitleColor_ = gfx::Color::black();
  gfx::Color selectedTitleColor_ = gfx::Color::black();
  gfx::ImagePtr tabNormalImage_;
  gfx::ImagePtr tabSelectedImage_;
  long index_ = 0;
  bool selected_ = false;
  BrowserTabView* delegate_ = nullptr;
  std::shared_ptr<ui::ImageView> imageView_;
  std::shared_ptr<ui::Label> textLabel_;
  std::shared_ptr<ui::ImageView> imageViewClose_;
};

}  // namespace mv
