#include "platform/ui/Responder.hpp"

#include "platform/ui/Window.hpp"

namespace ui {

void Responder::touchesBegan(const TouchSet& touches, const Event& event) {
  if (Responder* next = nextResponder()) next->touchesBegan(touches, event);
}

void Responder::touchesMoved(const TouchSet& touches, const Event& event) {
  if (Responder* next = nextResponder()) next->touchesMoved(touches, event);
}

void Responder::touchesEnded(const TouchSet& touches, const Event& event) {
  if (Responder* next = nextResponder()) next->touchesEnded(touches, event);
}

void Responder::touchesCancelled(const TouchSet& touches, const Event& event) {
  if (Responder* next = nextResponder()) next->touchesCancelled(touches, event);
}

bool Responder::becomeFirstResponder() {
  if (!canBecomeFirstResponder()) return false;
  Window* w = focusWindow();
  if (!w) return false;
  return w->setFirstResponder(this);
}

bool Responder::resignFirstResponder() {
  if (!canResignFirstResponder()) return false;
  Window* w = focusWindow();
  if (w && w->firstResponder() == this) w->setFirstResponder(nullptr);
  return true;
}

bool Responder::isFirstResponder() const {
  Window* w = focusWindow();
  return w && w->firstResponder() == this;
}

}  // namespace ui
