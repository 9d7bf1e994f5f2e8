#pragma once
#include <memory>
#include <optional>
#include <string>

#include "platform/gfx/Font.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Control.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/TextRange.hpp"
#include "platform/ui/TextSelection.hpp"

namespace ui {

class TextField;

enum class TextBorderStyle { None = 0, Line = 1, Bezel = 2, RoundedRect = 3 };
enum class TextFieldViewMode { Never = 0, WhileEditing = 1, UnlessEditing = 2, Always = 3 };

// Hears and steers a text field's editing. Every operation is optional; the
// defaults allow everything.
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  virtual bool textFieldShouldBeginEditing(TextField& /*field*/) {
    return true;
  }
  virtual void textFieldDidBeginEditing(TextField& /*field*/) {}
  virtual bool textFieldShouldEndEditing(TextField& /*field*/) {
    return true;
  }
  virtual void textFieldDidEndEditing(TextField& /*field*/) {}
  // Typing, deleting and pasting: `range` (bytes of the present text) is to
  // become `replacement`; answering no leaves the text as it is.
  virtual bool textFieldShouldChangeCharactersInRange(TextField& /*field*/, TextRange /*range*/,
                                                      const std::string& /*replacement*/) {
    return true;
  }
  virtual bool textFieldShouldClear(TextField& /*field*/) {
    return true;
  }
  // The return key. Answering yes also ends editing when the field has
  // actions for the editing-did-end-on-exit event.
  virtual bool textFieldShouldReturn(TextField& /*field*/) {
    return true;
  }
};

// One line of editable text. A tap (or `becomeFirstResponder`) starts
// editing when the delegate agrees: the field takes the focus, the delegate
// hears did-begin, the editing-did-begin actions run, the begin notification
// is posted and the keyboard shows. A press of the desktop's mouse begins
// editing at once with the caret where it lands, so a drag from it selects
// (a finger's tap begins as it lifts, and it and `becomeFirstResponder`
// leave the caret at the end); while editing, a press moves it, a drag
// selects, a double tap selects a word (all of secure text) and a triple
// tap everything.
// Typed, pasted or deleted text replaces the selection after the delegate's
// should-change-characters, which sees each edit whole; each accepted change
// sends editing-changed and posts the change notification. Setting the text
// by code does neither. Editing ends when the focus moves elsewhere, the
// field leaves the screen, or `resignFirstResponder` (which the delegate's
// should-end may refuse).
class TextField : public Control, public TextInputTraits {
 public:
  explicit TextField(const Rect& frame = {});
  ~TextField() override;

  static inline const std::string TextDidBeginEditingNotification = "TextFieldTextDidBeginEditingNotification";
  static inline const std::string TextDidChangeNotification = "TextFieldTextDidChangeNotification";
  static inline const std::string TextDidEndEditingNotification = "TextFieldTextDidEndEditingNotification";

  std::shared_ptr<TextFieldDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<TextFieldDelegate> d) { delegate_ = std::move(d); }

  const std::string& text() const { return text_; }
  void setText(const std::string& text);
  const std::string& placeholder() const { return placeholder_; }
  void setPlaceholder(const std::string& p);
  const gfx::Font& font() const { return font_; }
  void setFont(const gfx::Font& f);
  const gfx::Color& textColor() const { return textColor_; }
  void setTextColor(const gfx::Color& c);
  gfx::TextAlignment textAlignment() const { return alignment_; }
  void setTextAlignment(gfx::TextAlignment a);
  TextBorderStyle borderStyle() const { return borderStyle_; }
  void setBorderStyle(TextBorderStyle s);
  const gfx::ImagePtr& background() const { return background_; }
  void setBackground(gfx::ImagePtr image);
  TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
  void setClearButtonMode(TextFieldViewMode m);
  bool clearsOnBeginEditing() const { return clearsOnBegin_; }
  void setClearsOnBeginEditing(bool on) { clearsOnBegin_ = on; }
  bool adjustsFontSizeToFitWidth() const { return adjustsFont_; }
  void setAdjustsFontSizeToFitWidth(bool on) { adjustsFont_ = on; setNeedsDisplay(); }
  double minimumFontSize() const { return minimumFontSize_; }
  void setMinimumFontSize(double s) { minimumFontSize_ = s; setNeedsDisplay(); }
  std::shared_ptr<View> leftView() const { return leftView_; }
  void setLeftView(std::shared_ptr<View> v);
  TextFieldViewMode leftViewMode() const { return leftViewMode_; }
  void setLeftViewMode(TextFieldViewMode m);
  std::shared_ptr<View> rightView() const { return rightView_; }
  void setRightView(std::shared_ptr<View> v);
  TextFieldViewMode rightViewMode() const { return rightViewMode_; }
  void setRightViewMode(TextFieldViewMode m);

  // Secure entry draws dots; the other keyboard traits are the field's
  // TextInputTraits.
  bool isSecureTextEntry() const { return secure_; }
  void setSecureTextEntry(bool on);
  // The return key does nothing while the text is empty.
  bool enablesReturnKeyAutomatically() const { return enablesReturnAuto_; }
  void setEnablesReturnKeyAutomatically(bool on) { enablesReturnAuto_ = on; }

  bool isEditing() const { return editing_; }
  // The selection (length 0: the caret), kept within the text.
  TextRange selectedRange() const { return sel_.range(); }
  void setSelectedRange(TextRange r);
  // An input method's composition while it lasts (see `setMarkedText`).
  const std::string& markedText() const { return sel_.marked(); }
  // The caret's place in the text nearest to a point of the field's bounds.
  std::size_t textIndexAtPoint(Point p) const;

  // The clear button as a tap on it: starts editing if needed, asks the
  // delegate, empties the text. False when refused or nothing shows it.
  bool clearButtonTapped();
  // The return key as the keyboard presses it.
  void returnKeyPressed();
  // The clear button view (shown by the clear button mode while there is text).
  Button& clearButton() const { return *clearButton_; }
  // What the field shows for its text: the text, or a dot per character when secure.
  std::string displayText() const;
  // While editing a text wider than the field, how far the text is moved
  // left so the caret stays in sight (0 otherwise): it moves only as far as
  // the caret leaves the room.
  double textScrollOffset() const;
  // Where the caret is drawn, in the field's bounds (empty when not editing).
  Rect caretRect() const;
  // The selection's highlight, in the field's bounds (empty when nothing is
  // selected or the field is not editing).
  Rect selectionRect() const;

  // Layout of the parts, for subclasses.
  virtual Rect borderRectForBounds(const Rect& bounds) const;
  virtual Rect textRectForBounds(const Rect& bounds) const;
  virtual Rect placeholderRectForBounds(const Rect& bounds) const;
  virtual Rect editingRectForBounds(const Rect& bounds) const;
  virtual Rect clearButtonRectForBounds(const Rect& bounds) const;
  virtual Rect leftViewRectForBounds(const Rect& bounds) const;
  virtual Rect rightViewRectForBounds(const Rect& bounds) const;
  virtual void drawTextInRect(gfx::Context& ctx, const Rect& rect);
  virtual void drawPlaceholderInRect(gfx::Context& ctx, const Rect& rect);

  // Responder.
  bool canBecomeFirstResponder() const override;
  bool canResignFirstResponder() const override;
  bool becomeFirstResponder() override;
  bool resignFirstResponder() override;
  void insertText(const std::string& text) override;
  void deleteBackward() override;
  bool hasText() const override { return !text_.empty(); }
  bool acceptsTextInput() const override { return true; }
  bool pressKey(EditingKey key, bool shift) override;
  bool selectAll() override;
  bool extendSelectionTo(Point windowPoint) override;
  std::optional<std::string> copySelection() const override;
  std::optional<std::string> cutSelection() override;
  void paste(const std::string& text) override;
  void setMarkedText(const std::string& text, std::size_t caret) override;
  Rect caretRectInWindow() const override;
  // Space and the page keys are the text's while it is edited (the
  // arrows come as editing keys): nothing behind the field moves with them.
  bool pageKeyPressed(const KeyPress& /*press*/) override { return true; }

  void touchesBegan(const TouchSet& touches, const Event& event) override;
  void touchesMoved(const TouchSet& touches, const Event& event) override;
  void touchesEnded(const TouchSet& touches, const Event& event) override;
  void touchesCancelled(const TouchSet& touches, const Event& event) override;
  void setEnabled(bool enabled) override;
  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;
  Size sizeThatFits(Size size) const override;
  // The font the text draws in: the field's, shrunk to fit the width when
  // the field adjusts its font size.
  gfx::Font drawingFont() const;

 private:
  bool shows(TextFieldViewMode mode) const;
  // False when the delegate refused the change.
  bool replace(TextRange range, const std::string& replacement);
  // Typed or pasted text in place of the selection, on one line.
  void replaceSelection(const std::string& typed);
  void finishEditing();
  void refreshAccessories();

  // The line as drawn: the shown text with the composition in place of the
  // selection, where in it a text offset falls, the caret and the composition.
  std::string shownText() const;
  std::size_t shownOffset(std::size_t textIndex) const;
  std::size_t shownCaret() const;
  TextRange shownMarked() const;
  // The room the text is drawn in, where the shown line starts in it, and a
  // shown offset's place, in the bounds.
  Rect textRoom() const;
  double textOriginX(const Rect& room, double width) const;
  double shownX(std::size_t shownIndex) const;
  double lineY(const Rect& room, double lineHeight) const;

  std::weak_ptr<TextFieldDelegate> delegate_;
  std::string text_;
  std::string placeholder_;
  gfx::Font font_ = gfx::Font::systemFont(17);
  gfx::Color textColor_ = gfx::Color::black();
  gfx::TextAlignment alignment_ = gfx::TextAlignment::Left;
  TextBorderStyle borderStyle_ = TextBorderStyle::None;
  gfx::ImagePtr background_;
  TextFieldViewMode clearButtonMode_ = TextFieldViewMode::Never;
  bool clearsOnBegin_ = false;
  bool adjustsFont_ = false;
  double minimumFontSize_ = 0;
  std::shared_ptr<View> leftView_, rightView_;
  TextFieldViewMode leftViewMode_ = TextFieldViewMode::Never;
  TextFieldViewMode rightViewMode_ = TextFieldViewMode::Never;
  bool secure_ = false;
  bool enablesReturnAuto_ = false;
  bool editing_ = false;
  // The touch under way began editing (or was refused it) when it pressed.
  bool askedOnPress_ = false;
  TextSelection sel_;
  // Kept from one picture to the next so the text moves only as the caret
  // leaves the room (see `textScrollOffset`).
  mutable double scroll_ = 0;
  std::shared_ptr<Button> clearButton_;
};

}  // namespace ui
