#pragma once
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/NavigationBar.hpp"
#include "platform/ui/TextField.hpp"

namespace ui {

class SearchBar;

// Hears a search bar. Every operation is optional; the defaults allow everything.
class SearchBarDelegate {
 public:
  virtual ~SearchBarDelegate() = default;
  virtual bool searchBarShouldBeginEditing(SearchBar& /*bar*/) {
    return true;
  }
  virtual void searchBarTextDidBeginEditing(SearchBar& /*bar*/) {}
  virtual bool searchBarShouldEndEditing(SearchBar& /*bar*/) {
    return true;
  }
  virtual void searchBarTextDidEndEditing(SearchBar& /*bar*/) {}
  // After every change by the user: typing, deleting, clearing.
  virtual void searchBarTextDidChange(SearchBar& /*bar*/, const std::string& /*searchText*/) {}
  virtual bool searchBarShouldChangeTextInRange(SearchBar& /*bar*/, TextRange /*range*/, const std::string& /*text*/) {
    return true;
  }
  // The keyboard's search (return) key.
  virtual void searchBarSearchButtonClicked(SearchBar& /*bar*/) {}
  virtual void searchBarCancelButtonClicked(SearchBar& /*bar*/) {}
  virtual void searchBarBookmarkButtonClicked(SearchBar& /*bar*/) {}
};

// A search field on a bar, with an optional prompt above it and an optional
// cancel button beside it. Its text field takes the focus and the typing;
// the delegate hears the edits, the search key (which leaves the focus
// where it is) and the cancel button. Setting the text by code tells the
// delegate nothing.
class SearchBar : public View {
 public:
  explicit SearchBar(const Rect& frame = {});
  ~SearchBar() override;

  std::shared_ptr<SearchBarDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<SearchBarDelegate> d) { delegate_ = std::move(d); }

  const std::string& text() const;
  void setText(const std::string& text);
  const std::string& placeholder() const;
  void setPlaceholder(const std::string& p);
  const std::string& prompt() const { return prompt_; }
  void setPrompt(const std::string& p);
  bool showsCancelButton() const { return showsCancel_; }
  void setShowsCancelButton(bool on, bool animated = false);
  bool showsBookmarkButton() const { return showsBookmark_; }
  void setShowsBookmarkButton(bool on) { showsBookmark_ = on; }
  BarStyle barStyle() const { return barStyle_; }
  void setBarStyle(BarStyle s);
  std::optional<gfx::Color> barTintColor() const { return barTint_; }
  void setBarTintColor(std::optional<gfx::Color> c);
  const gfx::ImagePtr& backgroundImage() const { return backgroundImage_; }
  void setBackgroundImage(gfx::ImagePtr image);
  TextAutocorrectionType autocorrectionType() const { return field_->autocorrectionType(); }
  void setAutocorrectionType(TextAutocorrectionType t) { field_->setAutocorrectionType(t); }
  TextAutocapitalizationType autocapitalizationType() const { return field_->autocapitalizationType(); }
  void setAutocapitalizationType(TextAutocapitalizationType t) { field_->setAutocapitalizationType(t); }
  KeyboardType keyboardType() const { return field_->keyboardType(); }
  void setKeyboardType(KeyboardType t) { field_->setKeyboardType(t); }

  TextField& textField() const { return *field_; }
  Button* cancelButton() const { return showsCancel_ ? cancelButton_.get() : nullptr; }
  // The cancel button as a tap on it.
  bool cancelButtonTapped();

  bool isFirstResponder() const { return field_->isFirstResponder(); }
  bool becomeFirstResponder() override { return field_->becomeFirstResponder(); }
  bool resignFirstResponder() override { return field_->resignFirstResponder(); }

  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;
  Size sizeThatFits(Size size) const override;

  static constexpr double kBarHeight = 44;

 private:
  class FieldDelegate;
  std::weak_ptr<SearchBarDelegate> delegate_;
  std::shared_ptr<FieldDelegate> fieldDelegate_;
  std::shared_ptr<TextField> field_;
  std::shared_ptr<Button> cancelButton_;
  std::shared_ptr<Label> promptLabel_;
  std::string prompt_;
  bool showsCancel_ = false;
  bool showsBookmark_ = false;
  BarStyle barStyle_ = BarStyle::Default;
  std::optional<gfx::Color> barTint_;
  gfx::ImagePtr backgroundImage_;
};

}  // namespace ui
