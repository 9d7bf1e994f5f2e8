#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "platform/ui/WindowFit.hpp"

struct SDL_Window;
struct SDL_Surface;
union SDL_Event;

namespace ui {

class Responder;

// Shows a toolkit window in a desktop window (SDL2) and feeds it the
// desktop's input. The desktop window takes any size the user gives it
// (dragged, maximised): the window's 1024 x 768 points are drawn scaled to
// fit it whole at its own pixels (see WindowFit), the rest in the
// background colour, and every pointer event is mapped back to points. It
// opens at the size it had last time when its size is kept
// (`Options::sizeKey`), else the layout's, made smaller where need be so
// that its frame, title bar and all, lies within the screen's usable area
// (the screen less its panels): it is placed again once the window manager
// has framed it and the frame's size is known. The mouse is one finger;
// dragging with Alt or Ctrl held is a two-finger pinch mirrored about the
// point pressed (Ctrl where the desktop takes Alt-drag to move windows),
// with Shift a two-finger pan, except
// that Shift and a press in the text being edited stretch its selection.
// Touches carry the time the desktop stamped on each event, so a flick keeps
// the speed it had however late its events are handled. The second press of a
// double click goes only to the view the first one went to: when the first
// closed what held it, what lies beneath hears nothing. A press outside the
// text being edited ends its editing first. The keyboard goes to the first
// responder: typed text and an input method's composition, Backspace,
// Return, Delete, the arrows, Home and End (Shift stretching the
// selection), Ctrl+A, and Ctrl+C, Ctrl+X and Ctrl+V with the desktop's
// clipboard; Tab and Shift+Tab move to the next and previous field unless
// the responder takes them. Page Up and Down, Space, Home, End and the
// arrows that no text takes go to `Window::pressPageKey`. Escape goes to
// `Window::pressEscape`; while an alert shows, Return answers it
// (`Window::pressReturn`) and no other key or text reaches what lies behind. The wheel and the touchpad
// (fractions of a notch) go to `Window::turnWheel`, zooming with Ctrl held;
// the window minimised, hidden, restored or
// its focus changing goes to the application (`Application::windowEvent`). The main loop keeps its clock (the real
// one in the application); `run` drives it until the window is closed: a
// task posted to the main loop from any thread wakes the window's wait, every
// task due runs before it waits again, and a new picture is drawn at most once
// per display refresh however many tasks ran. Only the parts of a picture
// that differ from the one on screen go to the display (the window's own
// pixels, not the GL path: a progress bar moving costs its own rectangle, not
// the whole window).
class DesktopWindow {
 public:
  struct Options {
    // The window opens at exactly the layout times `scale` pixels; 0: at the
    // size kept under `sizeKey`, else the layout at the screen's scale,
    // made smaller where the screen's usable area is.
    double scale = 0;
    // The user defaults key under which the window's size is kept when it
    // closes, for the next start (empty: not kept).
    std::string sizeKey;
    std::string title = "Marvisto";
    bool hidden = false;
    // Kept for callers: the window is always drawn by the processor.
    bool softwareRendering = false;
  };

  // Starts the desktop's display system. Starting it may fork a helper (the
  // desktop bus's launcher, where no bus runs), and a child forked while other
  // threads hold locks can hang before it runs: a process calls this before it
  // starts any thread. False (and `error` says why) when there is no display.
  static bool startDisplay(std::string* error = nullptr);
  // Opens the desktop window; nothing when no display can be opened (`error`
  // then says why).
  static std::unique_ptr<DesktopWindow> open(std::shared_ptr<Window> window, const Options& options,
                                             std::string* error = nullptr);
  ~DesktopWindow();
  DesktopWindow(const DesktopWindow&) = delete;
  DesktopWindow& operator=(const DesktopWindow&) = delete;

  // Handles the queued desktop events. False once the window was closed.
  bool processEvents();
  // One turn: events, every task and timer due on the main loop (as long as
  // more keep coming, for at most one display refresh), layout, and a new
  // picture when anything happened and a refresh has passed since the last
  // one (or when forced; an idle window is not drawn again). False once
  // closed.
  bool runFrame(bool forceRender = false);
  // Waits, at most `atMostSeconds`, until there is something to do: a
  // desktop event, a task posted to the main loop (from any thread), a timer
  // due, a picture held back until the next refresh.
  void waitForWork(double atMostSeconds = kIdleWait);
  // Draws the window now.
  void renderFrame();
  // Runs frames, waiting for work between them, until the window is closed.
  void run();
  // Seconds of one refresh of the window's display.
  double refreshInterval() const { return refreshInterval_; }
  bool isClosed() const { return closed_; }
  int framesRendered() const { return frames_; }
  // A pixel of what the display was given (opaque; black outside the window).
  gfx::Color shownPixelAt(int x, int y) const;
  // Pixels handed to the display so far (a whole window's for the first
  // picture, only what changed afterwards).
  std::int64_t pixelsPresented() const { return pixelsPresented_; }

  // The last picture shown, as drawn (the desktop window's pixels).
  gfx::ImagePtr lastFrame() const;
  // Where the input method was last told the caret stands, in the desktop
  // window's pixels (its candidates show beside it); empty before any.
  base::Rect inputMethodRect() const { return inputMethodPixels_; }
  // The desktop window's size in pixels.
  base::Size pixelSize() const { return {static_cast<double>(pixelWidth_), static_cast<double>(pixelHeight_)}; }
  // How the layout stands in it: pixels per point, and where.
  const WindowFit& fit() const { return fit_; }
  double scale() const { return fit_.scale(); }
  // Asks the desktop for a new size, as the user dragging an edge of the
  // window does; the window follows once the desktop says it changed.
  void resize(int pixelWidth, int pixelHeight);

  // The size a window opens at: the size kept from last time (`kept`, none
  // when absent or smaller than `kMinimumSize`), else `layout` (the layout
  // at the screen's scale); made to fit within `usable` (no bound where
  // empty), the layout keeping its proportions.
  static base::Size openingSize(std::optional<base::Size> kept, base::Size layout, base::Size usable);
  // The smallest the window is made (a quarter of the layout each way).
  static constexpr base::Size kMinimumSize{256, 192};
  // How many times the window, shown or exposed, is placed again while its
  // frame is not known.
  static constexpr int kPlacementLooks = 3;

  // Input through the desktop's own event queue, as the user would give it
  // (window points), stamped with the main loop's time. `clicks` counts the
  // presses of a double (2) or triple click, as the desktop tells them.
  enum Modifier : unsigned { None = 0, Shift = 1, Alt = 2, Ctrl = 4 };
  void pushMouseDown(base::Point p, unsigned modifiers = None, int clicks = 1);
  void pushMouseMove(base::Point p);
  void pushMouseUp(base::Point p, int clicks = 1);
  void pushText(const std::string& text);
  enum class Key { Return, Backspace, Delete, Tab, Left, Right, Up, Down, Home, End, A, C, X, V, PageUp, PageDown, Space, Escape };
  void pushKey(Key key, unsigned modifiers = None);
  // An input method's composition as it stands (`cursor` in characters);
  // empty when it ends. What it commits comes as typed text.
  void pushComposition(const std::string& text, int cursor);
  // Notches of the wheel (fractions from a touchpad): positive `dy` away
  // from the user, positive `dx` to the right.
  void pushWheel(base::Point at, double dx, double dy, unsigned modifiers = None);
  // A change of the window as the desktop would report it.
  void pushWindowEvent(WindowEvent event);
  void pushQuit();

  static constexpr double kFingerSpread = 40;
  // The most of the clipboard a paste reads, in bytes: a text input holds
  // far less (`TextInputTraits::maximumTextBytes`).
  static constexpr std::size_t kClipboardLimit = 16u << 20;
  static constexpr double kWheelStep = kWheelNotch;
  // The longest an idle window waits before it looks again (it draws
  // nothing then unless something happened).
  static constexpr double kIdleWait = 0.5;

 private:
  struct Wake;

  DesktopWindow() = default;
  void handle(const SDL_Event& e);
  // The keys of text editing; false for a key the responder did not take.
  bool handleKey(Responder& r, int key, unsigned modifiers);
  // The desktop's clipboard text, for a paste into `pasteInto`: at most
  // `kClipboardLimit` bytes (past that, `TextInputTraits::TextCutNotification`
  // for it says the rest was left).
  std::string clipboardText(const Responder& pasteInto) const;
  // A press outside the text being edited ends its editing, as Return would.
  void endEditingOutside(base::Point p);
  // Shift and a press in the text being edited: its selection stretches to
  // the point. False when the press is elsewhere.
  bool extendsSelection(base::Point p);
  // Tells the input method where the caret is, so its candidates stand beside it.
  void placeInputMethod();
  base::Point toPoints(int x, int y) const;
  // Sizes and places the window so that its frame lies within the screen's
  // usable area (at the kept size or the layout's, made smaller where need
  // be) while the window manager's frame is not yet known.
  void fitWithinUsableArea();
  // The canvas and the fit for the desktop window's size now; false when
  // the canvas could not be made.
  bool takeWindowSize(std::string* error = nullptr);
  // An event of our desktop window (or one the desktop stamped with no window).
  bool isOurs(std::uint32_t windowID) const;
  // Where the finger or fingers the mouse stands for are with the pointer at `p`.
  Window::TouchPoints fingersAt(base::Point p) const;
  // Learns how the desktop's event stamps stand to the main loop's clock
  // from a batch of events just taken from the queue.
  void noteEventTimes(const std::vector<SDL_Event>& batch);
  // An event's stamp on the main loop's clock.
  double eventTime(std::uint32_t ticks) const;
  void press(const SDL_Event& e);
  // Hands what changed since the last picture shown to the display.
  void present();

  std::shared_ptr<Window> window_;
  SDL_Window* sdlWindow_ = nullptr;
  std::unique_ptr<gfx::Context> canvas_;
  // The canvas's pixels as a desktop surface, and a copy of what the
  // display was last given (compared tile by tile with each new picture).
  SDL_Surface* canvasSurface_ = nullptr;
  std::vector<std::uint32_t> shown_;
  // The display holds nothing of ours (first picture, exposed again).
  bool presentAll_ = true;
  std::int64_t pixelsPresented_ = 0;
  WindowFit fit_;
  int pixelWidth_ = 0, pixelHeight_ = 0;
  std::string sizeKey_;
  // What the window opens at (see `openingSize`), until it was placed with
  // its frame known.
  struct Fitting {
    std::optional<base::Size> kept;
    base::Size layout;
    // The size last asked for, in pixels.
    std::pair<int, int> asked{0, 0};
    bool placed = false;
    bool framed = false;
    // Shown or exposed since it opened: a desktop that never tells a frame
    // (no window manager) is given up on after a few, so the window is not
    // put back each time it shows again after the user moved it.
    int looks = 0;
  };
  std::optional<Fitting> fitting_;
  bool closed_ = false;
  bool dirty_ = true;
  int frames_ = 0;
  double lastRender_ = -1;
  double refreshInterval_ = 1.0 / 60;
  // Shared with the main loop's wake hook, which may run on any thread.
  std::shared_ptr<Wake> wake_;
  // The finger (or fingers) the mouse stands for while a button is down.
  bool pressed_ = false;
  enum class Gesture { OneFinger, Pinch, Pan };
  Gesture gesture_ = Gesture::OneFinger;
  base::Point anchor_;
  base::Rect inputMethodCaret_;
  base::Rect inputMethodPixels_;
  // The view the first press of a click went to, and whether the press
  // now down reaches nothing (see the class comment).
  std::weak_ptr<View> clickTarget_;
  bool swallowed_ = false;
  // The main loop's time less the desktop's stamp, at its smallest lately
  // (the delivery delay of an event that came at once).
  double stampGap_ = 0;
  bool stampGapKnown_ = false;
  double gapNoted_ = 0;
  std::uint32_t lastStamp_ = 0;
};

}  // namespace ui
