#pragma once
// What the window asks of the desktop's window manager itself, on X11. Kept
// apart: the X headers' macros clash with the toolkit's names.
struct SDL_Window;

namespace ui {

// Whether a window manager runs on the window's X display (it names its own
// check window on the root). Without one no frame is ever drawn or told.
// Other desktops, and a display that cannot be asked, count as managed.
bool hasWindowManager(SDL_Window* window);

}  // namespace ui
