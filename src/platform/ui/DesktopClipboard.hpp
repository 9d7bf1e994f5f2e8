#pragma once
// The desktop's clipboard text read in full. The desktop library reads the
// text only when its owner hands it over in one piece; a program handing a
// large text over in pieces (X11's incremental transfer, which GTK programs
// use past 256 KB and others past a megabyte) is read as nothing. This reads
// both, on an X connection of its own.
#include <cstddef>
#include <optional>
#include <string>

struct SDL_Window;

namespace ui {

struct ClipboardText {
  std::string text;
  // The owner had more than the limit: the text is its start.
  bool cut = false;
};

// The clipboard's text, at most `limit` bytes, waiting at most a second for
// each piece. Nothing when this cannot tell: no X display, no owner, or the
// desktop library that shows `window` holds the clipboard (its text is the
// library's to give, from the thread that would answer the request).
std::optional<ClipboardText> readDesktopClipboard(SDL_Window* window, std::size_t limit);

}  // namespace ui
