#include "PiecewiseClipboard.hpp"

// GoogleTest before X11, whose macros (None) would rename its types.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on
#include <poll.h>
#include <unistd.h>

#include <algorithm>

namespace mv::test {

struct PiecewiseClipboard::Connection {
  static constexpr std::size_t kPiece = 64 * 1024;
  std::string text;
  Display* display = XOpenDisplay(nullptr);
  Window window = 0, to = 0;
  Atom property = None;
  std::size_t sent = 0;
  int wake[2] = {-1, -1};

  ~Connection() {
    for (int fd : wake)
      if (fd >= 0) ::close(fd);
    if (display) XCloseDisplay(display);
  }

  // Asked for the text: it is announced, then given piece by piece as the
  // reader deletes each.
  void answer(const XSelectionRequestEvent& asked) {
    to = asked.requestor;
    property = asked.target == XInternAtom(display, "UTF8_STRING", False) ? asked.property : None;
    sent = 0;
    if (property != None) {
      XSelectInput(display, to, PropertyChangeMask);
      const long size = static_cast<long>(text.size());
      XChangeProperty(display, to, property, XInternAtom(display, "INCR", False), 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&size), 1);
    }
    XEvent told{};
    told.xselection = {SelectionNotify, 0, True, display, to, asked.selection, asked.target, property, asked.time};
    XSendEvent(display, to, False, 0, &told);
  }

  void givePiece() {
    const std::size_t n = std::min(kPiece, text.size() - sent);
    XChangeProperty(display, to, property, XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text.data() + sent), static_cast<int>(n));
    // The empty piece ends it.
    sent += n == 0 ? 1 : n;
  }

  void serve() {
    for (;;) {
      while (XPending(display) > 0) {
        XEvent e;
        XNextEvent(display, &e);
        if (e.type == SelectionRequest) answer(e.xselectionrequest);
        if (e.type == PropertyNotify && e.xproperty.state == PropertyDelete && e.xproperty.window == to &&
            e.xproperty.atom == property && sent <= text.size())
          givePiece();
        XFlush(display);
      }
      pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {wake[0], POLLIN, 0}};
      ::poll(waits, 2, -1);
      if (waits[1].revents != 0) return;
    }
  }
};

PiecewiseClipboard::PiecewiseClipboard(std::string text) : x_(std::make_unique<Connection>()) {
  x_->text = std::move(text);
  if (!x_->display || ::pipe(x_->wake) != 0) return;
  x_->window = XCreateSimpleWindow(x_->display, DefaultRootWindow(x_->display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(x_->display, XInternAtom(x_->display, "CLIPBOARD", False), x_->window, CurrentTime);
  XSync(x_->display, False);
  serving_ = std::thread([x = x_.get()] { x->serve(); });
}

PiecewiseClipboard::~PiecewiseClipboard() {
  if (!serving_.joinable()) return;
  EXPECT_EQ(::write(x_->wake[1], "x", 1), 1);
  serving_.join();
}

}  // namespace mv::test
