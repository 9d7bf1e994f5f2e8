#include "platform/ui/DesktopWindow.hpp"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>

#include "platform/base/Log.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/DesktopClipboard.hpp"
#include "platform/ui/DesktopManager.hpp"
#include "platform/ui/PressedInput.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {

constexpr long kFirstFinger = 1;
constexpr long kSecondFinger = 2;

int& openWindows() {
  static int n = 0;
  return n;
}

// The byte offset of a character offset into UTF-8 text (input methods
// count characters).
std::size_t utf8Offset(const char* text, Sint32 characters) {
  return gfx::utf8Prefix(text, characters > 0 ? static_cast<std::size_t>(characters) : 0).size();
}

// The desktop event that a task posted to the main loop sends; 0 when the
// desktop has no user event left to give.
Uint32 wakeEventType() {
  static const Uint32 type = [] {
    const Uint32 t = SDL_RegisterEvents(1);
    return t == static_cast<Uint32>(-1) ? 0 : t;
  }();
  return type;
}

// The toolkit's name for a change of the window the desktop reports.
std::optional<WindowEvent> windowEventOf(Uint8 event) {
  switch (event) {
    case SDL_WINDOWEVENT_SHOWN: return WindowEvent::Shown;
    case SDL_WINDOWEVENT_HIDDEN: return WindowEvent::Hidden;
    case SDL_WINDOWEVENT_MINIMIZED: return WindowEvent::Minimized;
    case SDL_WINDOWEVENT_RESTORED: return WindowEvent::Restored;
    case SDL_WINDOWEVENT_FOCUS_GAINED: return WindowEvent::FocusGained;
    case SDL_WINDOWEVENT_FOCUS_LOST: return WindowEvent::FocusLost;
    default: return std::nullopt;
  }
}

// The size kept under `key` when the last window closed; none when absent
// or not two numbers (the file is the user's to edit).
std::optional<base::Size> keptSize(const std::string& key) {
  if (key.empty()) return std::nullopt;
  const base::Value kept = base::UserDefaults::standard().dictionaryForKey(key);
  const auto width = kept.find("width"), height = kept.find("height");
  if (width == kept.end() || height == kept.end() || !width->is_number() || !height->is_number()) return std::nullopt;
  return base::Size{width->get<double>(), height->get<double>()};
}

Uint8 sdlWindowEventOf(WindowEvent event) {
  switch (event) {
    case WindowEvent::Shown: return SDL_WINDOWEVENT_SHOWN;
    case WindowEvent::Hidden: return SDL_WINDOWEVENT_HIDDEN;
    case WindowEvent::Minimized: return SDL_WINDOWEVENT_MINIMIZED;
    case WindowEvent::Restored: return SDL_WINDOWEVENT_RESTORED;
    case WindowEvent::FocusGained: return SDL_WINDOWEVENT_FOCUS_GAINED;
    case WindowEvent::FocusLost: return SDL_WINDOWEVENT_FOCUS_LOST;
  }
  return SDL_WINDOWEVENT_NONE;
}

}  // namespace

// One wake event at a time waits in the desktop's queue: posts that come
// before the window runs its tasks need no second one.
struct DesktopWindow::Wake {
  std::atomic<bool> pending{false};
  Uint32 eventType = 0;
};

bool DesktopWindow::startDisplay(std::string* error) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  if (error) *error = SDL_GetError();
  return false;
}

std::unique_ptr<DesktopWindow> DesktopWindow::open(std::shared_ptr<Window> window, const Options& options,
                                                   std::string* error) {
  if (!window) {
    if (error) *error = "no window to show";
    return nullptr;
  }
  // A long composition of an input method comes whole rather than cut at
  // 32 bytes (read as each composition is sent).
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  if (!startDisplay(error)) return nullptr;
  std::unique_ptr<DesktopWindow> dw(new DesktopWindow());
  ++openWindows();
  dw->window_ = std::move(window);
  // The desktop's own keyboard types; nothing slides up over the window.
  dw->window_->setHasOnScreenKeyboard(false);
  dw->sizeKey_ = options.sizeKey;
  const base::Size points = dw->window_->bounds().size;
  // The screen less its panels; nothing where the desktop does not say.
  SDL_Rect area{0, 0, 0, 0};
  const bool knowsArea = SDL_GetDisplayUsableBounds(0, &area) == 0 && area.w > 0 && area.h > 0;
  const base::Size usable = knowsArea ? base::Size{double(area.w), double(area.h)} : base::Size{};
  const double layoutScale = options.scale > 0 ? options.scale : Screen::mainScreen().scale();
  const base::Size layout{points.width * layoutScale, points.height * layoutScale};
  const std::optional<base::Size> kept = options.scale > 0 ? std::nullopt : keptSize(options.sizeKey);
  const base::Size size = options.scale > 0 ? layout : openingSize(kept, layout, usable);
  const int width = static_cast<int>(size.width), height = static_cast<int>(size.height);
  Uint32 flags = (options.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN) | SDL_WINDOW_RESIZABLE;
  const int x = knowsArea ? area.x + std::max(0, (area.w - width) / 2) : int(SDL_WINDOWPOS_CENTERED);
  const int y = knowsArea ? area.y + std::max(0, (area.h - height) / 2) : int(SDL_WINDOWPOS_CENTERED);
  dw->sdlWindow_ = SDL_CreateWindow(options.title.c_str(), x, y, width, height, flags);
  if (!dw->sdlWindow_) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  SDL_SetWindowMinimumSize(dw->sdlWindow_, static_cast<int>(kMinimumSize.width), static_cast<int>(kMinimumSize.height));
  // The window's own pixels rather than a GL texture: the pictures are drawn
  // by the processor anyway, and only the rectangles that changed are sent
  // on (the GL path sends the whole window every time). Only X11 has pixels
  // of its own to give; elsewhere the desktop's texture path stays.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver && std::strcmp(driver, "x11") == 0)
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  if (options.scale <= 0) {
    dw->fitting_ = Fitting{kept, layout};
    dw->fitWithinUsableArea();
    // Placed once and for all where nothing frames it.
    if (!hasWindowManager(dw->sdlWindow_)) dw->fitting_.reset();
  }
  if (!dw->takeWindowSize(error)) return nullptr;
  SDL_DisplayMode mode;
  if (SDL_GetWindowDisplayMode(dw->sdlWindow_, &mode) == 0 && mode.refresh_rate > 0)
    dw->refreshInterval_ = 1.0 / mode.refresh_rate;
  if (const Uint32 type = wakeEventType()) {
    dw->wake_ = std::make_shared<Wake>();
    dw->wake_->eventType = type;
    base::RunLoop::main().setWakeHook([wake = dw->wake_] {
      if (wake->pending.exchange(true)) return;
      SDL_Event e{};
      e.type = wake->eventType;
      SDL_PushEvent(&e);
    });
  }
  SDL_StartTextInput();
  return dw;
}

DesktopWindow::~DesktopWindow() {
  // The size the user left the window at is the one it opens at next time.
  if (!sizeKey_.empty() && sdlWindow_ && pixelWidth_ > 0 && pixelHeight_ > 0)
    base::UserDefaults::standard().setObject(sizeKey_, base::Value{{"width", pixelWidth_}, {"height", pixelHeight_}});
  if (wake_) base::RunLoop::main().setWakeHook(nullptr);
  if (canvasSurface_) SDL_FreeSurface(canvasSurface_);
  if (sdlWindow_) SDL_DestroyWindow(sdlWindow_);
  // The video system stays up once started: starting it again in the same
  // process reloads the display libraries, and their state goes with the process.
  if (--openWindows() == 0) SDL_StopTextInput();
}

base::Point DesktopWindow::toPoints(int x, int y) const { return fit_.toPoints(x, y); }

base::Size DesktopWindow::openingSize(std::optional<base::Size> kept, base::Size layout, base::Size usable) {
  const double maxWidth = usable.width > 0 ? usable.width : HUGE_VAL;
  const double maxHeight = usable.height > 0 ? usable.height : HUGE_VAL;
  if (kept && kept->width >= kMinimumSize.width && kept->height >= kMinimumSize.height)
    return {std::floor(std::min(kept->width, maxWidth)), std::floor(std::min(kept->height, maxHeight))};
  const double shrink = std::min({1.0, maxWidth / layout.width, maxHeight / layout.height});
  return {std::floor(layout.width * shrink), std::floor(layout.height * shrink)};
}

void DesktopWindow::fitWithinUsableArea() {
  if (!fitting_ || !sdlWindow_) return;
  // The window manager's frame (title bar, edges) is known only once it has
  // framed the window, some time after the window was made: until then it
  // counts as none, and the window is looked at again when it shows.
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(sdlWindow_, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
  const bool framed = top > 0 || left > 0 || bottom > 0 || right > 0;
  if (framed) fitting_->framed = true;
  SDL_Rect area{0, 0, 0, 0};
  const int display = std::max(0, SDL_GetWindowDisplayIndex(sdlWindow_));
  if (SDL_GetDisplayUsableBounds(display, &area) != 0 || area.w <= 0 || area.h <= 0) return;
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(sdlWindow_, &x, &y);
  SDL_GetWindowSize(sdlWindow_, &width, &height);
  const bool inside = x - left >= area.x && y - top >= area.y && x + width + right <= area.x + area.w &&
                      y + height + bottom <= area.y + area.h;
  if (inside && fitting_->placed) return;
  // The frame whole within the usable area, whatever size was kept.
  const base::Size room{double(std::max(1, area.w - left - right)), double(std::max(1, area.h - top - bottom))};
  const base::Size size = openingSize(fitting_->kept, fitting_->layout, room);
  const int w = static_cast<int>(size.width), h = static_cast<int>(size.height);
  fitting_->asked = {w, h};
  if (w != width || h != height) {
    SDL_SetWindowSize(sdlWindow_, w, h);
    std::string why;
    if (!takeWindowSize(&why)) MV_LOG("The window keeps its picture's size: ", why);
  }
  SDL_SetWindowPosition(sdlWindow_, area.x + left + std::max(0, (int(room.width) - w) / 2),
                        area.y + top + std::max(0, (int(room.height) - h) / 2));
  fitting_->placed = true;
}

bool DesktopWindow::takeWindowSize(std::string* error) {
  // The surface the window's pixels go to has the window's size now.
  SDL_Surface* screen = SDL_GetWindowSurface(sdlWindow_);
  if (!screen) {
    if (error) *error = SDL_GetError();
    return false;
  }
  const int width = std::max(1, screen->w), height = std::max(1, screen->h);
  if (canvas_ && width == pixelWidth_ && height == pixelHeight_) return true;
  auto canvas = gfx::Context::bitmap({double(width), double(height)}, 1, true);
  cairo_surface_t* pixels = cairo_get_target(canvas->cairo());
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      cairo_image_surface_get_data(pixels), cairo_image_surface_get_width(pixels),
      cairo_image_surface_get_height(pixels), 32, cairo_image_surface_get_stride(pixels), SDL_PIXELFORMAT_ARGB8888);
  if (!surface) {
    if (error) *error = SDL_GetError();
    return false;
  }
  SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_NONE);
  if (canvasSurface_) SDL_FreeSurface(canvasSurface_);
  canvasSurface_ = surface;
  canvas_ = std::move(canvas);
  pixelWidth_ = width;
  pixelHeight_ = height;
  fit_ = WindowFit::of(window_->bounds().size, width, height);
  // Nothing of the last picture stands where it stood.
  shown_.clear();
  presentAll_ = true;
  inputMethodCaret_ = {};
  dirty_ = true;
  return true;
}

bool DesktopWindow::isOurs(std::uint32_t windowID) const {
  return windowID == 0 || windowID == SDL_GetWindowID(sdlWindow_);
}

void DesktopWindow::resize(int pixelWidth, int pixelHeight) { SDL_SetWindowSize(sdlWindow_, pixelWidth, pixelHeight); }

Window::TouchPoints DesktopWindow::fingersAt(base::Point p) const {
  if (gesture_ == Gesture::OneFinger) return {{kFirstFinger, p}};
  base::Point a, b;
  if (gesture_ == Gesture::Pinch) {
    // Mirrored about where the button went down: apart to the right, together to the left.
    base::Point v{kFingerSpread + (p.x - anchor_.x), p.y - anchor_.y};
    a = {anchor_.x - v.x, anchor_.y - v.y};
    b = {anchor_.x + v.x, anchor_.y + v.y};
  } else {
    a = p;
    b = {p.x + kFingerSpread, p.y};
  }
  return {{kFirstFinger, a}, {kSecondFinger, b}};
}

namespace {

constexpr std::uint32_t kHalfStampRange = 0x80000000u;
// How fast the smallest gap between the two clocks may grow (seconds per
// second): more than the clocks drift apart, far less than a delivery delay.
constexpr double kGapRelax = 0.001;

// Events whose times the toolkit uses: presses, drags, the wheel and keys
// (the pointer passing over the window counts for nothing).
bool isTimedInput(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
    case SDL_KEYDOWN: return true;
    case SDL_MOUSEMOTION: return (e.motion.state & SDL_BUTTON_LMASK) != 0;
    default: return false;
  }
}

std::optional<KeyPress> keyPressOf(const SDL_Keysym& key) {
  KeyPress press;
  press.shift = (key.mod & KMOD_SHIFT) != 0;
  switch (key.sym) {
    case SDLK_PAGEUP: press.key = KeyPress::Key::PageUp; break;
    case SDLK_PAGEDOWN: press.key = KeyPress::Key::PageDown; break;
    case SDLK_SPACE: press.key = KeyPress::Key::Space; break;
    case SDLK_LEFT: press.key = KeyPress::Key::Left; break;
    case SDLK_RIGHT: press.key = KeyPress::Key::Right; break;
    case SDLK_UP: press.key = KeyPress::Key::Up; break;
    case SDLK_DOWN: press.key = KeyPress::Key::Down; break;
    case SDLK_HOME: press.key = KeyPress::Key::Home; break;
    case SDLK_END: press.key = KeyPress::Key::End; break;
    default: return std::nullopt;
  }
  return press;
}

}  // namespace

void DesktopWindow::noteEventTimes(const std::vector<SDL_Event>& batch) {
  // The newest input of the batch came by now at the latest. The smallest
  // gap between the clocks seen lately is the truest (that event waited
  // least); it may grow only slowly, as the clocks drift apart.
  bool any = false;
  std::uint32_t newest = 0;
  for (const SDL_Event& e : batch) {
    if (!isTimedInput(e)) continue;
    // Stamps count in 32 bits and wrap after 49 days.
    if (!any || e.common.timestamp - newest < kHalfStampRange) newest = e.common.timestamp;
    any = true;
  }
  if (!any) return;
  const double now = base::RunLoop::main().now();
  const double gap = now - newest / 1000.0;
  const bool wrapped = lastStamp_ - newest > kHalfStampRange;
  if (!stampGapKnown_ || wrapped) {
    stampGap_ = gap;
    stampGapKnown_ = true;
  } else {
    stampGap_ = std::min(gap, stampGap_ + kGapRelax * std::max(0.0, now - gapNoted_));
  }
  gapNoted_ = now;
  lastStamp_ = newest;
}

double DesktopWindow::eventTime(std::uint32_t ticks) const {
  const double now = base::RunLoop::main().now();
  return stampGapKnown_ ? std::min(now, ticks / 1000.0 + stampGap_) : now;
}

void DesktopWindow::press(const SDL_Event& e) {
  auto& w = *window_;
  base::Point p = toPoints(e.button.x, e.button.y);
  View* hit = w.hitTest(p, nullptr);
  if (e.button.clicks > 1) {
    // A double click is aimed at one thing: the first press may have closed
    // the popover or screen that held it, and the second must not land on
    // what lay beneath.
    auto target = clickTarget_.lock();
    if (!target || target->window() != &w || !hit || (hit != target.get() && !hit->isDescendantOfView(target.get()))) {
      swallowed_ = true;
      return;
    }
  } else {
    clickTarget_ = hit ? hit->self() : nullptr;
  }
  endEditingOutside(p);
  SDL_Keymod mods = SDL_GetModState();
  // Shift and a click in the text being edited stretch its selection, as on
  // any desktop, rather than make the two fingers of a gesture.
  if ((mods & KMOD_SHIFT) && !(mods & KMOD_ALT) && extendsSelection(p)) return;
  // Alt or Ctrl pinches: a desktop whose window manager moves windows with
  // Alt-drag leaves Ctrl-drag to the window.
  const bool pinch = (mods & (KMOD_ALT | KMOD_CTRL)) != 0;
  gesture_ = pinch ? Gesture::Pinch : (mods & KMOD_SHIFT) ? Gesture::Pan : Gesture::OneFinger;
  anchor_ = p;
  pressed_ = true;
  w.touchesDown(fingersAt(p), eventTime(e.button.timestamp));
}

void DesktopWindow::handle(const SDL_Event& e) {
  auto& w = *window_;
  switch (e.type) {
    case SDL_QUIT:
      closed_ = true;
      break;
    case SDL_WINDOWEVENT:
      // A desktop window closed before this one may have left events behind.
      if (!isOurs(e.window.windowID)) return;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) closed_ = true;
      // Shown, the window has its frame: it is placed again with it, once.
      if (fitting_ && (e.window.event == SDL_WINDOWEVENT_SHOWN || e.window.event == SDL_WINDOWEVENT_EXPOSED)) {
        fitWithinUsableArea();
        if (fitting_->framed || ++fitting_->looks >= kPlacementLooks) fitting_.reset();
      }
      // A size the window did not ask for is the user's (or the desktop's
      // own fit): it is left as it is.
      if (fitting_ && e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED &&
          (e.window.data1 != fitting_->asked.first || e.window.data2 != fitting_->asked.second))
        fitting_.reset();
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        std::string why;
        if (!takeWindowSize(&why)) MV_LOG("The window keeps its picture's size: ", why);
      }
      // The desktop may have lost what it showed of the window.
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN ||
          e.window.event == SDL_WINDOWEVENT_RESTORED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        presentAll_ = true;
      if (auto event = windowEventOf(e.window.event)) Application::sharedInstance().windowEvent(*event);
      dirty_ = true;
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (!isOurs(e.button.windowID)) return;
      if (e.button.button != SDL_BUTTON_LEFT || pressed_ || swallowed_) break;
      press(e);
      break;
    case SDL_MOUSEMOTION:
      if (pressed_) w.touchesMove(fingersAt(toPoints(e.motion.x, e.motion.y)), eventTime(e.motion.timestamp));
      break;
    case SDL_MOUSEBUTTONUP: {
      if (e.button.button != SDL_BUTTON_LEFT) break;
      if (swallowed_) {
        swallowed_ = false;
        break;
      }
      if (!pressed_) break;
      // The fingers lift where they are, at the time the button came up.
      const auto fingers = fingersAt(toPoints(e.button.x, e.button.y));
      const double at = eventTime(e.button.timestamp);
      w.touchesMove(fingers, at);
      w.touchesUp(fingers, at);
      pressed_ = false;
      gesture_ = Gesture::OneFinger;
      break;
    }
    case SDL_MOUSEWHEEL: {
      WheelEvent wheel;
      wheel.location = toPoints(e.wheel.mouseX, e.wheel.mouseY);
      wheel.timestamp = eventTime(e.wheel.timestamp);
      // A touchpad gives fractions of a notch; a wheel whole ones.
      const double flip = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
      const double x = flip * e.wheel.preciseX, y = flip * e.wheel.preciseY;
      if (SDL_GetModState() & KMOD_CTRL)
        wheel.zoom = y;
      else
        wheel.delta = {x * kWheelStep, -y * kWheelStep};
      w.turnWheel(wheel);
      break;
    }
    case SDL_TEXTINPUT:
      // An alert waits for its answer: typing goes nowhere behind it.
      if (AlertView::visibleAlert()) break;
      if (Responder* r = w.firstResponder()) r->insertText(e.text.text);
      break;
    case SDL_TEXTEDITING:
      if (AlertView::visibleAlert()) break;
      if (Responder* r = w.firstResponder()) r->setMarkedText(e.edit.text, utf8Offset(e.edit.text, e.edit.start));
      break;
    case SDL_TEXTEDITING_EXT:
      // A composition too long for the plain event; its text is ours to free.
      if (Responder* r = w.firstResponder(); r && e.editExt.text && !AlertView::visibleAlert())
        r->setMarkedText(e.editExt.text, utf8Offset(e.editExt.text, e.editExt.start));
      SDL_free(e.editExt.text);
      break;
    case SDL_KEYDOWN: {
      const SDL_Keycode sym = e.key.keysym.sym;
      if (sym == SDLK_ESCAPE) {
        w.pressEscape();
        break;
      }
      if (AlertView::visibleAlert()) {
        if (sym == SDLK_RETURN || sym == SDLK_KP_ENTER) w.pressReturn();
        break;
      }
      // The keys of editing go to the text being edited; the paging keys
      // it leaves go to what is shown.
      bool taken = false;
      if (Responder* r = w.firstResponder()) {
        const Uint16 mods = e.key.keysym.mod;
        taken = handleKey(*r, e.key.keysym.sym, ((mods & KMOD_SHIFT) ? Shift : None) | ((mods & KMOD_CTRL) ? Ctrl : None));
      }
      if (auto key = keyPressOf(e.key.keysym); key && !taken) w.pressPageKey(*key);
      break;
    }
    default:
      return;
  }
  dirty_ = true;
}

bool DesktopWindow::handleKey(Responder& r, int key, unsigned modifiers) {
  const bool shift = modifiers & Shift;
  if (modifiers & Ctrl) {
    switch (key) {
      case SDLK_a: r.selectAll(); return true;
      case SDLK_c:
      case SDLK_x: {
        const bool cut = key == SDLK_x;
        // The desktop's clipboard takes the text when it comes, the window's
        // events going on meanwhile.
        auto toClipboard = [](const std::optional<std::string>& text) {
          if (text) SDL_SetClipboardText(text->c_str());
        };
        if (!r.copySelectionLater(cut, toClipboard)) toClipboard(cut ? r.cutSelection() : r.copySelection());
        return true;
      }
      case SDLK_v:
        if (auto text = clipboardText(r); !text.empty()) r.paste(text);
        return true;
      default: return false;
    }
  }
  using K = Responder::EditingKey;
  switch (key) {
    case SDLK_BACKSPACE: r.deleteBackward(); return true;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: r.insertText("\n"); return true;
    case SDLK_TAB:
      if (!r.pressKey(K::Tab, shift)) window_->moveFocusToNextField(shift);
      return true;
    case SDLK_DELETE: r.pressKey(K::Delete, shift); return true;
    case SDLK_LEFT: return r.pressKey(K::Left, shift);
    case SDLK_RIGHT: return r.pressKey(K::Right, shift);
    case SDLK_UP: return r.pressKey(K::Up, shift);
    case SDLK_DOWN: return r.pressKey(K::Down, shift);
    case SDLK_HOME: return r.pressKey(K::Home, shift);
    case SDLK_END: return r.pressKey(K::End, shift);
    default: return false;
  }
}

std::string DesktopWindow::clipboardText(const Responder& pasteInto) const {
  if (auto read = readDesktopClipboard(sdlWindow_, kClipboardLimit)) {
    if (read->cut) base::NotificationCenter::defaultCenter().post(TextInputTraits::TextCutNotification, &pasteInto);
    return std::move(read->text);
  }
  // The window's own copy, or a desktop other than X11.
  std::string text;
  if (SDL_HasClipboardText()) {
    char* got = SDL_GetClipboardText();
    if (got) text = got;
    SDL_free(got);
  }
  return text;
}

void DesktopWindow::endEditingOutside(base::Point p) {
  auto* editing = dynamic_cast<View*>(window_->firstResponder());
  if (!editing || !editing->acceptsTextInput()) return;
  // A press on a text input (this one, or one the press moves the focus
  // to) leaves the focus to the press.
  for (View* v = window_->hitTest(p, nullptr); v; v = v->superview())
    if (v == editing || (v->acceptsTextInput() && v->canBecomeFirstResponder())) return;
  pressed_input::pressEndsEditingOf(*editing);
  editing->resignFirstResponder();
}

bool DesktopWindow::extendsSelection(base::Point p) {
  Responder* editing = window_->firstResponder();
  auto* view = dynamic_cast<View*>(editing);
  if (!view || !view->acceptsTextInput()) return false;
  for (View* v = window_->hitTest(p, nullptr); v; v = v->superview())
    if (v == view) return editing->extendSelectionTo(p);
  return false;
}

void DesktopWindow::placeInputMethod() {
  Responder* r = window_->firstResponder();
  const base::Rect caret = r ? r->caretRectInWindow() : base::Rect{};
  if (caret.isEmpty() || caret == inputMethodCaret_) return;
  inputMethodCaret_ = caret;
  const base::Point at = fit_.toPixels(caret.origin);
  SDL_Rect pixels{static_cast<int>(at.x), static_cast<int>(at.y),
                  std::max(1, static_cast<int>(caret.width() * fit_.scale())),
                  std::max(1, static_cast<int>(caret.height() * fit_.scale()))};
  SDL_SetTextInputRect(&pixels);
  inputMethodPixels_ = {double(pixels.x), double(pixels.y), double(pixels.w), double(pixels.h)};
}

bool DesktopWindow::processEvents() {
  std::vector<SDL_Event> batch;
  SDL_Event e;
  while (SDL_PollEvent(&e)) batch.push_back(e);
  noteEventTimes(batch);
  for (const SDL_Event& event : batch) {
    if (closed_) break;
    handle(event);
  }
  return !closed_;
}

void DesktopWindow::renderFrame() {
  Renderer::renderFrame(*window_, *canvas_, fit_);
  present();
  ++frames_;
  dirty_ = false;
  lastRender_ = base::RunLoop::main().now();
}

void DesktopWindow::present() {
  SDL_Surface* screen = SDL_GetWindowSurface(sdlWindow_);
  if (!screen) return;
  // A window whose size changed since the picture was drawn waits for the
  // next one: the display refuses what lies outside the window.
  if (screen->w != canvasSurface_->w || screen->h != canvasSurface_->h) {
    presentAll_ = true;
    return;
  }
  const int width = canvasSurface_->w;
  const int height = canvasSurface_->h;
  const auto* pixels = static_cast<const std::uint32_t*>(canvasSurface_->pixels);
  const std::size_t pitch = static_cast<std::size_t>(canvasSurface_->pitch) / sizeof(std::uint32_t);
  if (shown_.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    shown_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    presentAll_ = true;
  }
  // Tiles that differ from the picture shown, joined along each band.
  constexpr int kTile = 64;
  std::vector<SDL_Rect> changed;
  for (int y = 0; y < height; y += kTile) {
    const int rows = std::min(kTile, height - y);
    int runStart = -1;
    // One step past the last tile, which ends a run reaching the right edge
    // (the width need not be a whole number of tiles).
    for (int x = 0; x < width + kTile; x += kTile) {
      bool differs = false;
      if (x < width) {
        const int columns = std::min(kTile, width - x);
        const std::size_t bytes = static_cast<std::size_t>(columns) * sizeof(std::uint32_t);
        for (int r = 0; r < rows && !differs; ++r) {
          const std::uint32_t* now = pixels + static_cast<std::size_t>(y + r) * pitch + x;
          const std::uint32_t* before = shown_.data() + static_cast<std::size_t>(y + r) * width + x;
          differs = presentAll_ || std::memcmp(now, before, bytes) != 0;
        }
      }
      if (differs && runStart < 0) runStart = x;
      if (!differs && runStart >= 0) {
        changed.push_back(SDL_Rect{runStart, y, std::min(x, width) - runStart, rows});
        runStart = -1;
      }
    }
  }
  presentAll_ = false;
  for (SDL_Rect& rect : changed) {
    for (int r = 0; r < rect.h; ++r) {
      const std::uint32_t* from = pixels + static_cast<std::size_t>(rect.y + r) * pitch + rect.x;
      std::memcpy(shown_.data() + static_cast<std::size_t>(rect.y + r) * width + rect.x, from,
                  static_cast<std::size_t>(rect.w) * sizeof(std::uint32_t));
    }
    SDL_Rect target = rect;
    SDL_BlitSurface(canvasSurface_, &rect, screen, &target);
    pixelsPresented_ += static_cast<std::int64_t>(rect.w) * rect.h;
  }
  if (!changed.empty()) SDL_UpdateWindowSurfaceRects(sdlWindow_, changed.data(), static_cast<int>(changed.size()));
}

gfx::Color DesktopWindow::shownPixelAt(int x, int y) const {
  SDL_Surface* screen = SDL_GetWindowSurface(sdlWindow_);
  if (!screen || x < 0 || y < 0 || x >= screen->w || y >= screen->h) return gfx::Color::black();
  Uint32 value = 0;
  const auto* row = static_cast<const Uint8*>(screen->pixels) + static_cast<std::size_t>(y) * screen->pitch;
  std::memcpy(&value, row + static_cast<std::size_t>(x) * screen->format->BytesPerPixel,
              std::min<std::size_t>(sizeof value, screen->format->BytesPerPixel));
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(value, screen->format, &r, &g, &b);
  return gfx::Color::rgb255(r, g, b);
}

bool DesktopWindow::runFrame(bool forceRender) {
  processEvents();
  if (closed_) return false;
  auto& loop = base::RunLoop::main();
  // Work that keeps coming yields to a picture and the desktop's events
  // after one refresh.
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(refreshInterval_);
  while (loop.runOnce(0)) {
    dirty_ = true;
    if (std::chrono::steady_clock::now() >= until) break;
  }
  View::layoutPendingViews();
  placeInputMethod();
  const double since = loop.now() - lastRender_;
  if (forceRender || lastRender_ < 0 || (dirty_ && since >= refreshInterval_)) renderFrame();
  return !closed_;
}

void DesktopWindow::waitForWork(double atMostSeconds) {
  if (closed_) return;
  auto& loop = base::RunLoop::main();
  // Tasks posted from here on send a wake event; those posted before are
  // on the loop, where the wait below sees them.
  if (wake_) {
    wake_->pending.store(false);
    SDL_FlushEvent(wake_->eventType);
  }
  const double since = lastRender_ < 0 ? 0 : loop.now() - lastRender_;
  // A picture held back is due at the next refresh.
  const double picture = dirty_ ? refreshInterval_ - since : atMostSeconds;
  const double wait = std::min({atMostSeconds, loop.secondsUntilDue(), picture});
  if (!(wait > 0)) return;
  SDL_WaitEventTimeout(nullptr, static_cast<int>(std::ceil(wait * 1000)));
}

void DesktopWindow::run() {
  while (runFrame()) waitForWork();
}

gfx::ImagePtr DesktopWindow::lastFrame() const { return canvas_ ? canvas_->makeImage() : nullptr; }

// --- injected input ---------------------------------------------------------------

namespace {

// Into the queue as the desktop puts its own events there, stamped with
// the main loop's time (pushing would stamp the desktop's).
void pushStamped(SDL_Event& e) {
  e.common.timestamp = static_cast<Uint32>(std::llround(base::RunLoop::main().now() * 1000));
  SDL_PeepEvents(&e, 1, SDL_ADDEVENT, 0, 0);
}

// `pixel`: where in the desktop window.
void pushButton(Uint32 type, base::Point pixel, int clicks) {
  SDL_Event e{};
  e.type = type;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = static_cast<Uint8>(std::clamp(clicks, 1, 255));
  e.button.x = static_cast<Sint32>(std::lround(pixel.x));
  e.button.y = static_cast<Sint32>(std::lround(pixel.y));
  pushStamped(e);
}

SDL_Keymod keymodOf(unsigned modifiers) {
  int mod = 0;
  if (modifiers & DesktopWindow::Alt) mod |= KMOD_LALT;
  if (modifiers & DesktopWindow::Shift) mod |= KMOD_LSHIFT;
  if (modifiers & DesktopWindow::Ctrl) mod |= KMOD_LCTRL;
  return static_cast<SDL_Keymod>(mod);
}

SDL_Keycode keycodeOf(DesktopWindow::Key key) {
  static constexpr SDL_Keycode kCodes[] = {SDLK_RETURN, SDLK_BACKSPACE, SDLK_DELETE, SDLK_TAB,   SDLK_LEFT,     SDLK_RIGHT,
                                           SDLK_UP,     SDLK_DOWN,      SDLK_HOME,   SDLK_END,   SDLK_a,        SDLK_c,
                                           SDLK_x,      SDLK_v,         SDLK_PAGEUP, SDLK_PAGEDOWN, SDLK_SPACE,
                                           SDLK_ESCAPE};
  return kCodes[static_cast<std::size_t>(key)];
}

}  // namespace

void DesktopWindow::pushMouseDown(base::Point p, unsigned modifiers, int clicks) {
  SDL_SetModState(keymodOf(modifiers));
  pushButton(SDL_MOUSEBUTTONDOWN, fit_.toPixels(p), clicks);
}

void DesktopWindow::pushMouseUp(base::Point p, int clicks) {
  pushButton(SDL_MOUSEBUTTONUP, fit_.toPixels(p), clicks);
  SDL_SetModState(KMOD_NONE);
}

void DesktopWindow::pushMouseMove(base::Point p) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.state = SDL_BUTTON_LMASK;
  const base::Point at = fit_.toPixels(p);
  e.motion.x = static_cast<Sint32>(std::lround(at.x));
  e.motion.y = static_cast<Sint32>(std::lround(at.y));
  pushStamped(e);
}

void DesktopWindow::pushText(const std::string& text) {
  // Text events carry at most 31 bytes; longer text goes in pieces cut at code point starts.
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t n = std::min<std::size_t>(text.size() - i, SDL_TEXTINPUTEVENT_TEXT_SIZE - 1);
    while (n > 0 && i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) --n;
    if (n == 0) break;
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::memcpy(e.text.text, text.data() + i, n);
    e.text.text[n] = 0;
    pushStamped(e);
    i += n;
  }
}

void DesktopWindow::pushKey(Key key, unsigned modifiers) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = keycodeOf(key);
  e.key.keysym.mod = static_cast<Uint16>(keymodOf(modifiers));
  pushStamped(e);
}

void DesktopWindow::pushComposition(const std::string& text, int cursor) {
  SDL_Event e{};
  e.type = SDL_TEXTEDITING;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(SDL_TEXTEDITINGEVENT_TEXT_SIZE - 1));
  std::memcpy(e.edit.text, text.data(), n);
  e.edit.text[n] = 0;
  e.edit.start = cursor;
  pushStamped(e);
}

void DesktopWindow::pushWheel(base::Point at, double dx, double dy, unsigned modifiers) {
  SDL_SetModState(keymodOf(modifiers));
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.x = static_cast<Sint32>(dx);
  e.wheel.y = static_cast<Sint32>(dy);
  e.wheel.preciseX = static_cast<float>(dx);
  e.wheel.preciseY = static_cast<float>(dy);
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  const base::Point pixel = fit_.toPixels(at);
  e.wheel.mouseX = static_cast<Sint32>(std::lround(pixel.x));
  e.wheel.mouseY = static_cast<Sint32>(std::lround(pixel.y));
  pushStamped(e);
}

void DesktopWindow::pushWindowEvent(WindowEvent event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = sdlWindowEventOf(event);
  e.window.windowID = SDL_GetWindowID(sdlWindow_);
  pushStamped(e);
}

void DesktopWindow::pushQuit() {
  SDL_Event e{};
  e.type = SDL_QUIT;
  pushStamped(e);
}

}  // namespace ui
