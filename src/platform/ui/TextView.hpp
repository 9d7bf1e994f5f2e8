#pragma once
#include <memory>
#include <string>

#include "platform/gfx/Font.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/TextRange.hpp"

namespace ui {

class TextView;

enum DataDetectorTypes : unsigned {
  DataDetectorTypeNone = 0,
  DataDetectorTypeAll = ~0u,
};

// Hears and steers a text view's editing (and its scrolling). Every
// operation is optional; the defaults allow everything.
class TextViewDelegate : public ScrollViewDelegate {
 public:
  virtual bool textViewShouldBeginEditing(TextView& /*tv*/) {
    return true;
  }
  virtual void textViewDidBeginEditing(TextView& /*tv*/) {}
  virtual bool textViewShouldEndEditing(TextView& /*tv*/) {
    return true;
  }
  virtual void textViewDidEndEditing(TextView& /*tv*/) {}
  // `range` (bytes of the present text) is to become `text`; the return key
  // comes as "\n".
  virtual bool textViewShouldChangeTextInRange(TextView& /*tv*/, TextRange /*range*/, const std::string& /*text*/) {
    return true;
  }
  virtual void textViewDidChange(TextView& /*tv*/) {}
  virtual void textViewDidChangeSelection(TextView& /*tv*/) {}
};

// Several lines of text, wrapped to the width and scrolled when longer than
// the view; editable (a tap starts editing) unless switched off. Editing
// follows the text field's rules, except that the return key inserts a
// line break.
class TextView : public ScrollView, public TextInputTraits {
 public:
  explicit TextView(const Rect& frame = {});
  ~TextView() override;

  static inline const std::string TextDidBeginEditingNotification = "TextViewTextDidBeginEditingNotification";
  static inline const std::string TextDidChangeNotification = "TextViewTextDidChangeNotification";
  static inline const std::string TextDidEndEditingNotification = "TextViewTextDidEndEditingNotification";

  // The delegate as a text view delegate (nothing when it is only a scroll view delegate).
  std::shared_ptr<TextViewDelegate> delegate() const;

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const gfx::Font& font() const { return font_; }
  void setFont(const gfx::Font& f);
  const gfx::Color& textColor() const { return textColor_; }
  void setTextColor(const gfx::Color& c);
  gfx::TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(gfx::TextAlignment a);
  bool isEditable() const { return editable_; }
  void setEditable(bool on);
  bool isSelectable() const { return selectable_; }
  void setSelectable(bool on) { selectable_ = on; }
  unsigned dataDetectorTypes() const { return detectors_; }
  void setDataDetectorTypes(unsigned types) { detectors_ = types; }
  EdgeInsets textContainerInset() const { return textInset_; }
  void setTextContainerInset(EdgeInsets e);

  bool isEditing() const { return editing_; }
  TextRange selectedRange() const { return selection_; }
  void setSelectedRange(TextRange r);
  // Scrolls so that the text range is in sight.
  void scrollRangeToVisible(TextRange r);

  bool canBecomeFirstResponder() const override;
  bool canResignFirstResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  void insertText(const std::string& text) override;
  void deleteBackward() override;
  bool hasText() const override { return !text_.empty(); }
  bool acceptsTextInput() const override { return editable_; }
  // The arrows, Space and the page keys are the text's while it is edited:
  // nothing behind the view moves with them.
  bool keyPressed(const KeyPress& /*press*/) override { return editable_; }

  // Touches on a selectable or editable text view stay with it.
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;
  void layoutSubviews() override;
  Size sizeThatFits(Size size) const override;

 private:
  friend class TextViewContent;
  void replace(TextRange range, const std::string& text);
  void relayoutText();
  void finishEditing();

  std::string text_;
  gfx::Font font_ = gfx::Font::systemFont(12);
  gfx::Color textColor_ = gfx::Color::black();
  gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
  bool editable_ = true;
  bool selectable_ = true;
  unsigned detectors_ = DataDetectorTypeNone;
  EdgeInsets textInset_{8, 5, 8, 5};
  bool editing_ = false;
  TextRange selection_;
  std::shared_ptr<View> content_;
  double laidOutWidth_ = -1;
};

}  // namespace ui
