#pragma once
// The reader's top bar: Back, Thumbnails, Share and Bookmark buttons and, on
// an iPad, the document's title. It fades out and in with the page bar. Main
// thread only.
#include <climits>
#include <memory>
#include <string>

#include "library/reader/ReaderToolbarView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

class ReaderMainToolbar;

class ReaderMainToolbarDelegate {
 public:
  virtual ~ReaderMainToolbarDelegate() = default;
  virtual void tappedInToolbarDoneButton(ReaderMainToolbar& toolbar, ui::Button& button) = 0;
  virtual void tappedInToolbarThumbsButton(ReaderMainToolbar& toolbar, ui::Button& button) = 0;
  virtual void tappedInToolbarMarkButton(ReaderMainToolbar& toolbar, ui::Button& button) = 0;
  virtual void tappedInToolbarShareButton(ReaderMainToolbar& toolbar, ui::Button& button) = 0;
};

class ReaderMainToolbar : public ReaderToolbarView {
 public:
  static constexpr double kHeight = 44;
  // The bookmark button's tag before any state was set.
  static constexpr long kNoState = LONG_MIN;

  static std::shared_ptr<ReaderMainToolbar> initWithFrame(const ui::Rect& frame, const std::string& documentName);

  std::shared_ptr<ReaderMainToolbarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ReaderMainToolbarDelegate> d) { delegate_ = std::move(d); }

  // Shown at once while the bar is visible, else when it shows again.
  void setBookmarkState(bool state);
  void updateBookmarkImage();
  void hideToolbar();
  void showToolbar();
  bool isBarVisible() const { return !isHidden(); }

  const std::shared_ptr<ui::Button>& doneButton() const { return doneButton_; }
  const std::shared_ptr<ui::Button>& thumbsButton() const { return thumbsButton_; }
  const std::shared_ptr<ui::Button>& markButton() const { return markButton_; }
  const std::shared_ptr<ui::Button>& shareButton() const { return shareButton_; }
  const std::shared_ptr<ui::Label>& titleLabel() const { return titleLabel_; }

 private:
  explicit ReaderMainToolbar(const ui::Rect& frame) : ReaderToolbarView(frame) {}
  std::shared_ptr<ui::Button> doneButton_, thumbsButton_, markButton_, shareButton_;
  std::shared_ptr<ui::Label> titleLabel_;
  gfx::ImagePtr markImageN_, markImageY_;
  std::weak_ptr<ReaderMainToolbarDelegate> delegate_;
};

}  // namespace mv
