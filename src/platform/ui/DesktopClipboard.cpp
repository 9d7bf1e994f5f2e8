#include "platform/ui/DesktopClipboard.hpp"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <climits>

// X11's headers last: the internal one, which tells a connection's window
// ids, defines macros named min and max.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#undef min
#undef max

namespace ui {

namespace {

// A connection and a window of our own to receive the text on.
class Receiver {
 public:
  Receiver() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
    // The pieces of an incremental transfer come as changes of the property.
    XSelectInput(display_, window_, PropertyChangeMask);
  }
  ~Receiver() {
    if (!display_) return;
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

  Display* display() const { return display_; }
  ::Window window() const { return window_; }

  // The next event of `type` for our window; false after a second without one.
  bool waitFor(int type, XEvent& event, Atom property) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::seconds(1);
    for (;;) {
      while (XPending(display_) > 0) {
        XNextEvent(display_, &event);
        if (event.type != type || event.xany.window != window_) continue;
        if (type == PropertyNotify && (event.xproperty.atom != property || event.xproperty.state != PropertyNewValue))
          continue;
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
      if (left <= 0) return false;
      pollfd connection{ConnectionNumber(display_), POLLIN, 0};
      ::poll(&connection, 1, static_cast<int>(left));
    }
  }

  // The property's value, deleted as it is read (which asks a sender in
  // pieces for the next one), added to `into` up to `limit` bytes. False
  // when it could not be read; `type` is what the owner said it holds,
  // `bytes` how much it held.
  bool take(Atom property, std::string& into, std::size_t limit, bool& cut, Atom& type, std::size_t& bytes) {
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, property, 0, LONG_MAX / 4, True, AnyPropertyType, &type, &format, &items,
                           &after, &data) != Success)
      return false;
    bytes = format == 8 ? items : 0;
    if (bytes > 0 && data) {
      const std::size_t room = limit - std::min(limit, into.size());
      into.append(reinterpret_cast<const char*>(data), std::min(bytes, room));
      cut = cut || bytes > room;
    }
    if (data) XFree(data);
    return true;
  }

 private:
  Display* display_;
  ::Window window_ = 0;
};

}  // namespace

std::optional<ClipboardText> readDesktopClipboard(SDL_Window* window, std::size_t limit) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return std::nullopt;
  Receiver receiver;
  Display* display = receiver.display();
  if (!display) return std::nullopt;
  const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const Atom incremental = XInternAtom(display, "INCR", False);
  const Atom property = XInternAtom(display, "MV_CLIPBOARD", False);
  const ::Window owner = XGetSelectionOwner(display, clipboard);
  // No owner: the desktop library looks in the old cut buffer.
  if (owner == None) return std::nullopt;
  // The desktop library holds the clipboard in a window of its own
  // connection (its ids share the connection's base), and answers from its
  // event loop: on this thread, which waits here.
  const _XDisplay* library = info.info.x11.display;
  if ((owner & ~library->resource_mask) == library->resource_base) return std::nullopt;
  XConvertSelection(display, clipboard, utf8, property, receiver.window(), CurrentTime);
  XFlush(display);
  XEvent event;
  // No answer, or an owner that has no text: nothing to paste.
  if (!receiver.waitFor(SelectionNotify, event, property) || event.xselection.property == None) return ClipboardText{};
  ClipboardText got;
  Atom type = None;
  std::size_t bytes = 0;
  if (!receiver.take(property, got.text, limit, got.cut, type, bytes)) return ClipboardText{};
  if (type != incremental) return got;
  // In pieces, each put in the property once we deleted the one before, an
  // empty one last. Past the limit the rest is left: the owner's transfer
  // ends with our window.
  // A transfer that stops half way gives what came, as cut.
  for (;;) {
    if (!receiver.waitFor(PropertyNotify, event, property) ||
        !receiver.take(property, got.text, limit, got.cut, type, bytes)) {
      got.cut = !got.text.empty();
      return got;
    }
    if (bytes == 0 || got.cut) return got;
  }
}

}  // namespace ui
