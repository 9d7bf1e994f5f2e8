// A desktop panel for the window tests: a dock window along one edge of the
// screen that reserves its strip (_NET_WM_STRUT_PARTIAL), as a taskbar does,
// so that the window manager's usable area leaves it out. It prints "ready"
// once the window is mapped and stays until it is ended.
//   strut-panel top|bottom PIXELS
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "top") != 0 && std::strcmp(argv[1], "bottom") != 0)) {
    std::fprintf(stderr, "usage: strut-panel top|bottom PIXELS\n");
    return 2;
  }
  const bool top = std::strcmp(argv[1], "top") == 0;
  const long height = std::strtol(argv[2], nullptr, 10);
  Display* display = XOpenDisplay(nullptr);
  if (!display || height <= 0) {
    std::fprintf(stderr, "strut-panel: no display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const long width = DisplayWidth(display, screen);
  const long screenHeight = DisplayHeight(display, screen);
  const long y = top ? 0 : screenHeight - height;
  Window panel = XCreateSimpleWindow(display, RootWindow(display, screen), 0, static_cast<int>(y),
                                     static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0x303030);
  const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
  XChangeProperty(display, panel, type, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
  // left, right, top, bottom, then the start and end of each along its edge.
  long strut[12] = {};
  strut[top ? 2 : 3] = height;
  strut[top ? 9 : 11] = width - 1;
  const Atom partial = XInternAtom(display, "_NET_WM_STRUT_PARTIAL", False);
  XChangeProperty(display, panel, partial, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(strut), 12);
  const Atom plain = XInternAtom(display, "_NET_WM_STRUT", False);
  XChangeProperty(display, panel, plain, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(strut),
                  4);
  XSelectInput(display, panel, StructureNotifyMask);
  XMapWindow(display, panel);
  XEvent event;
  do XNextEvent(display, &event);
  while (event.type != MapNotify);
  std::printf("ready\n");
  std::fflush(stdout);
  for (;;) XNextEvent(display, &event);
}
