#pragma once
#include <memory>
#include <string>
#include <vector>

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

  // The desktop's wheel and keys (see Window::turnWheel and
  // Window::pressKey). True when the responder took the event; otherwise
  // the window offers it to the next one.
  virtual bool wheelTurned(const WheelEvent& /*event*/) { return false; }
  virtual bool keyPressed(const KeyPress& /*press*/) { return false; }

 protected:
  // The window whose focus this responder takes (views answer their window).
  virtual class Window* focusWindow() const { return nullptr; }
};

}  // namespace ui
