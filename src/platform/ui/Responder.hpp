#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/ui/DesktopInput.hpp"

namespace ui {

class Touch;
class Event;
using TouchSet = std::vector<std::shared_ptr<Touch>>;

// Something that handles events: views, view controllers, the window and the
// application. Touches a responder does not handle go on to its next
// responder (a view's controller, else its superview).
class Responder {
 public:
  virtual ~Responder() = default;

  virtual Responder* nextResponder() const { return nullptr; }

  virtual void touchesBegan(const TouchSet& touches, const Event& event);
  virtual void touchesMoved(const TouchSet& touches, const Event& event);
  virtual void touchesEnded(const TouchSet& touches, const Event& event);
  virtual void touchesCancelled(const TouchSet& touches, const Event& event);

  // Keyboard focus. Text input (typed text and backspace) goes to the first
  // responder of the key window.
  virtual bool canBecomeFirstResponder() const { return false; }
  virtual bool canResignFirstResponder() const { return true; }
  virtual bool becomeFirstResponder();
  virtual bool resignFirstResponder();
  bool isFirstResponder() const;
  virtual void insertText(const std::string& /*text*/) {}
  virtual void deleteBackward() {}
  virtual bool hasText() const { return false; }
  // Whether the responder edits text, so that the keyboard shows while it
  // has the focus (text fields, text views and search bars).
  virtual bool acceptsTextInput() const { return false; }

  // A hardware keyboard's keys beyond typing. The arrows, Home and End move
  // the caret (with `shift` they stretch the selection from where it was
  // anchored); Delete deletes forward. A responder that has no use for a
  // key answers false, and the window does its own with it: Tab and
  // Shift+Tab move to the next and previous field.
  enum class EditingKey { Left, Right, Up, Down, Home, End, Delete, Tab };
  virtual bool pressKey(EditingKey /*key*/, bool /*shift*/) { return false; }
  virtual bool selectAll() { return false; }
  // Shift and a click in the text being edited: the selection stretches
  // from where it was anchored to the text under the point (window
  // coordinates). False when the responder is not editing there.
  virtual bool extendSelectionTo(base::Point /*windowPoint*/) { return false; }
  // The clipboard. What a copy takes: the selected text, nothing when none
  // is selected or it may not leave the responder (secure text). A cut
  // removes it as any deletion, which the delegate may refuse (nothing
  // then). A paste replaces the selection as typing does, taken or refused
  // whole.
  virtual std::optional<std::string> copySelection() const { return std::nullopt; }
  virtual std::optional<std::string> cutSelection() { return std::nullopt; }
  // A responder whose text lives elsewhere (a web page, in the engine's
  // process) copies or cuts without waiting for it: it answers true and
  // tells `answered` what it took on a later turn (nothing, or never, when
  // it took nothing). False: the responder answers at once, as above.
  using CopyAnswer = std::function<void(std::optional<std::string>)>;
  virtual bool copySelectionLater(bool /*cut*/, CopyAnswer /*answered*/) { return false; }
  virtual void paste(const std::string& /*text*/) {}
  // An input method's composition, shown where the typing goes but not part
  // of the text until the method commits it through `insertText`; `caret`
  // is a byte offset into it. Empty text ends the composition.
  virtual void setMarkedText(const std::string& /*text*/, std::size_t /*caret*/) {}
  // Where typing goes, in window coordinates (the input method puts its
  // candidates beside it); empty for a responder that shows none.
  virtual base::Rect caretRectInWindow() const { return {}; }

  // The desktop's wheel, and the keys that move through what is shown (see
  // Window::turnWheel and Window::pressPageKey). True when the responder
  // took the event; otherwise the window offers it to the next one.
  virtual bool wheelTurned(const WheelEvent& /*event*/) { return false; }
  virtual bool pageKeyPressed(const KeyPress& /*press*/) { return false; }
  // Escape: what shows in front closes, as its cancel or close button
  // would (see Window::pressEscape). True when the responder took it: it
  // closed, or it stays and holds Escape back from what lies under it.
  virtual bool escapePressed() { return false; }

 protected:
  // The window whose focus this responder takes (views answer their window).
  virtual class Window* focusWindow() const { return nullptr; }
};

}  // namespace ui
