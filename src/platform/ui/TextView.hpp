#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Font.hpp"
#include "platform/ui/ScrollView.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/TextRange.hpp"
#include "platform/ui/TextSelection.hpp"

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
// follows the text field's rules (a mouse's press begins it with the caret
// where it lands, drags and double taps select, the keys and the clipboard), except that the
// return key inserts a line break and Up and Down move between lines.
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
  TextRange selectedRange() const { return sel_.range(); }
  void setSelectedRange(TextRange r);
  const std::string& markedText() const { return sel_.marked(); }
  // Where the caret is drawn, and the selection's highlight line by line,
  // in the view's content (empty when not editing or nothing is selected).
  Rect caretRect() const;
  std::vector<Rect> selectionRects() const;
  // The caret's place in the text nearest to a point of the content.
  std::size_t textIndexAtPoint(Point p) const;
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
  bool pressKey(EditingKey key, bool shift) override;
  bool selectAll() override;
  bool extendSelectionTo(Point windowPoint) override;
  std::optional<std::string> copySelection() const override;
  std::optional<std::string> cutSelection() override;
  void paste(const std::string& text) override;
  void setMarkedText(const std::string& text, std::size_t caret) override;
  Rect caretRectInWindow() const override;
  // Space and the page keys are the text's while it is edited (the
  // arrows come as editing keys): nothing behind the view moves with them.
  bool pageKeyPressed(const KeyPress& /*press*/) override { return editable_; }

  // Touches on a selectable or editable text view stay with it.
  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;
  void layoutSubviews() override;
  Size sizeThatFits(Size size) const override;

 private:
  friend class TextViewContent;
  // A line as drawn: its bytes of the shown text (break excluded), its
  // width and where it starts.
  struct Line {
    std::size_t start = 0, end = 0;
    double x = 0, y = 0;
  };
  // False when the delegate refused the change.
  bool replace(TextRange range, const std::string& text);
  void relayoutText();
  void finishEditing();
  // The text with the composition in place of the selection, its lines,
  // and the caret in it.
  std::string shownText() const;
  std::vector<Line> shownLines(const std::string& shown) const;
  std::size_t shownCaret() const;
  static std::size_t lineOf(const std::vector<Line>& lines, std::size_t shownIndex);
  Point placeOf(const std::string& shown, const Line& line, std::size_t shownIndex) const;
  // The highlight of a range of the shown text, one rectangle per line.
  std::vector<Rect> rectsOf(TextRange shownRange) const;
  // The caret to `index`, or the selection stretched to it, kept in sight.
  void moveCaretTo(std::size_t index, bool extend);
  void selectionChanged();
  // The caret one line up or down, keeping to the place it started from.
  std::size_t verticalMove(std::size_t index, int direction);
  void scrollCaretToVisible();

  std::string text_;
  gfx::Font font_ = gfx::Font::systemFont(12);
  gfx::Color textColor_ = gfx::Color::black();
  gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
  bool editable_ = true;
  bool selectable_ = true;
  unsigned detectors_ = DataDetectorTypeNone;
  EdgeInsets textInset_{8, 5, 8, 5};
  bool editing_ = false;
  // The touch under way began editing (or was refused it) when it pressed.
  bool askedOnPress_ = false;
  TextSelection sel_;
  // Where Up and Down aim while they follow each other.
  std::optional<double> goalX_;
  std::shared_ptr<View> content_;
  double laidOutWidth_ = -1;
};

}  // namespace ui
