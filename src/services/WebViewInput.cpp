// The view's input handed to the engine's page as the desktop's own events.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/Touch.hpp"
#include "services/WebEngine.hpp"
#include "services/WebView.hpp"

namespace svc {

using ui::Point;

namespace {

GdkDevice* pointerDevice() { return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())); }
GdkDevice* keyboardDevice() { return gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())); }

// The longest the engine may take to answer about an editing command, or
// to put what it copied on the clipboard.
constexpr double kEditingWait = 2;

// Whether the page would carry out an editing command now: nothing to copy
// without a selection, nothing to copy or cut out of a password field.
bool canExecute(WebKitWebView* page, const char* command) {
  struct Answer {
    bool done = false;
    bool yes = false;
  };
  auto answer = std::make_shared<Answer>();
  // The answer may come after the wait gave up: it holds its own reference.
  webkit_web_view_can_execute_editing_command(
      page, command, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::shared_ptr<Answer>> held(static_cast<std::shared_ptr<Answer>*>(data));
        (*held)->yes = webkit_web_view_can_execute_editing_command_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
        (*held)->done = true;
      },
      new std::shared_ptr<Answer>(answer));
  WebEngine::pumpUntil([&] { return answer->done; }, kEditingWait);
  return answer->yes;
}

}  // namespace

bool WebView::selectAll() {
  auto* page = static_cast<GtkWidget*>(pageWidget());
  if (!page) return false;
  webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(page), WEBKIT_EDITING_COMMAND_SELECT_ALL);
  WebEngine::settle(kInputSettle);
  refreshPicture();
  return true;
}

std::optional<std::string> WebView::clipboardCommand(const char* command) const {
  auto* widget = static_cast<GtkWidget*>(pageWidget());
  if (!widget) return std::nullopt;
  auto* page = WEBKIT_WEB_VIEW(widget);
  if (!canExecute(page, command)) return std::nullopt;
  // The engine writes the clipboard from its page's process: the command is
  // done when the clipboard changes hands, and what it wrote is then ours
  // to read (the engine's side of the clipboard lives in this process).
  GtkClipboard* clipboard = gtk_widget_get_clipboard(widget, GDK_SELECTION_CLIPBOARD);
  auto changes = std::make_shared<int>(0);
  const gulong handler = g_signal_connect_data(
      clipboard, "owner-change",
      G_CALLBACK(+[](GtkClipboard*, GdkEvent*, gpointer data) { ++**static_cast<std::shared_ptr<int>*>(data); }),
      new std::shared_ptr<int>(changes), [](gpointer data, GClosure*) { delete static_cast<std::shared_ptr<int>*>(data); },
      GConnectFlags{});
  webkit_web_view_execute_editing_command(page, command);
  const bool written = WebEngine::pumpUntil([&] { return *changes > 0; }, kEditingWait);
  g_signal_handler_disconnect(clipboard, handler);
  if (!written) return std::nullopt;
  gchar* text = gtk_clipboard_wait_for_text(clipboard);
  if (!text) return std::nullopt;
  std::string taken(text);
  g_free(text);
  return taken;
}

std::optional<std::string> WebView::copySelection() const { return clipboardCommand(WEBKIT_EDITING_COMMAND_COPY); }

std::optional<std::string> WebView::cutSelection() {
  auto cut = clipboardCommand(WEBKIT_EDITING_COMMAND_CUT);
  holdWorkAfterInput();
  refreshPicture();
  return cut;
}

void WebView::paste(const std::string& text) {
  auto* page = static_cast<GtkWidget*>(pageWidget());
  if (!page || text.empty()) return;
  // The text goes in through the engine's own command, as typing would;
  // handing it over through the engine's clipboard would take the desktop's
  // clipboard from the window that holds it.
  webkit_web_view_execute_editing_command_with_argument(WEBKIT_WEB_VIEW(page), "InsertText", text.c_str());
  WebEngine::settle(kInputSettle);
  holdWorkAfterInput();
  refreshPicture();
}

void WebView::sendClick(Point p) {
  auto* page = static_cast<GtkWidget*>(pageWidget());
  if (!page) return;
  GdkWindow* target = gtk_widget_get_window(page);
  // Where the pointer is first, as a mouse would move there.
  GdkEvent* motion = gdk_event_new(GDK_MOTION_NOTIFY);
  motion->motion.window = GDK_WINDOW(g_object_ref(target));
  motion->motion.send_event = TRUE;
  motion->motion.time = GDK_CURRENT_TIME;
  motion->motion.x = motion->motion.x_root = p.x;
  motion->motion.y = motion->motion.y_root = p.y;
  gdk_event_set_device(motion, pointerDevice());
  gtk_widget_event(page, motion);
  gdk_event_free(motion);
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* ev = gdk_event_new(type);
    ev->button.window = GDK_WINDOW(g_object_ref(target));
    ev->button.send_event = TRUE;
    ev->button.time = GDK_CURRENT_TIME;
    ev->button.x = ev->button.x_root = p.x;
    ev->button.y = ev->button.y_root = p.y;
    ev->button.button = 1;
    ev->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
    gdk_event_set_device(ev, pointerDevice());
    gtk_widget_event(page, ev);
    gdk_event_free(ev);
  }
  WebEngine::settle(kInputSettle);
  refreshPicture();
}

void WebView::sendScroll(Point at, Point delta) {
  auto* page = static_cast<GtkWidget*>(pageWidget());
  if (!page) return;
  GdkEvent* ev = gdk_event_new(GDK_SCROLL);
  ev->scroll.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(page)));
  ev->scroll.send_event = TRUE;
  ev->scroll.time = GDK_CURRENT_TIME;
  ev->scroll.x = ev->scroll.x_root = at.x;
  ev->scroll.y = ev->scroll.y_root = at.y;
  ev->scroll.direction = GDK_SCROLL_SMOOTH;
  ev->scroll.delta_x = delta.x / kPointsPerScrollStep;
  ev->scroll.delta_y = delta.y / kPointsPerScrollStep;
  gdk_event_set_device(ev, pointerDevice());
  gtk_widget_event(page, ev);
  gdk_event_free(ev);
  refreshPicture();
}

void WebView::sendKey(unsigned keyval, bool shift) {
  auto* page = static_cast<GtkWidget*>(pageWidget());
  if (!page) return;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
  guint16 keycode = 0;
  guint8 group = 0;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  if (gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &count) && count > 0) {
    keycode = static_cast<guint16>(keys[0].keycode);
    group = static_cast<guint8>(keys[0].group);
  }
  g_free(keys);
  char text[8] = {0};
  if (gunichar c = gdk_keyval_to_unicode(keyval); c >= 0x20) g_unichar_to_utf8(c, text);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* ev = gdk_event_new(type);
    ev->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(page)));
    ev->key.send_event = TRUE;
    ev->key.time = GDK_CURRENT_TIME;
    ev->key.keyval = keyval;
    ev->key.state = shift ? GDK_SHIFT_MASK : 0;
    ev->key.hardware_keycode = keycode;
    ev->key.group = group;
    ev->key.string = g_strdup(text);
    ev->key.length = static_cast<gint>(std::strlen(text));
    gdk_event_set_device(ev, keyboardDevice());
    gtk_widget_event(page, ev);
    gdk_event_free(ev);
  }
  WebEngine::settle(kInputSettle);
}

void WebView::insertText(const std::string& text) {
  if (!pageWidget() || listShown()) return;
  const char* p = text.c_str();
  const char* end = p + text.size();
  while (p < end) {
    gunichar c = g_utf8_get_char_validated(p, end - p);
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) break;
    if (c == '\n' || c == '\r') {
      sendKey(GDK_KEY_Return);
    } else if (c == '\t') {
      sendKey(GDK_KEY_Tab);
    } else {
      // Every character as a key, in one queue with the others so that the
      // page gets them in order; one no key of the keyboard types (Chinese,
      // from the desktop's input method) is committed as its code point.
      sendKey(gdk_unicode_to_keyval(c));
    }
    p = g_utf8_next_char(p);
  }
  holdWorkAfterInput();
  refreshPicture();
}

void WebView::deleteBackward() {
  if (listShown()) return;
  sendKey(GDK_KEY_BackSpace);
  refreshPicture();
}

bool WebView::pressKey(EditingKey key, bool shift) {
  if (!pageWidget()) return false;
  // The page's drop-down list is open over it: the keys do not change the
  // list's value behind it (Escape or a tap closes the list).
  if (listShown()) return true;
  const bool arrow = key == EditingKey::Left || key == EditingKey::Right || key == EditingKey::Up || key == EditingKey::Down;
  // The arrows, Home and End turn the pages of a page its owner turns.
  if ((arrow || key == EditingKey::Home || key == EditingKey::End) && pagedByOwner_) return false;
  guint keyval = GDK_KEY_VoidSymbol;
  switch (key) {
    case EditingKey::Left: keyval = GDK_KEY_Left; break;
    case EditingKey::Right: keyval = GDK_KEY_Right; break;
    case EditingKey::Up: keyval = GDK_KEY_Up; break;
    case EditingKey::Down: keyval = GDK_KEY_Down; break;
    case EditingKey::Home: keyval = GDK_KEY_Home; break;
    case EditingKey::End: keyval = GDK_KEY_End; break;
    case EditingKey::Delete: keyval = GDK_KEY_Delete; break;
    // The page moves its focus through its own fields and links; the
    // desktop's keyboard gives Shift+Tab as a key of its own.
    case EditingKey::Tab: keyval = shift ? GDK_KEY_ISO_Left_Tab : GDK_KEY_Tab; break;
  }
  sendKey(keyval, shift);
  holdWorkAfterInput();
  refreshPicture();
  return true;
}

void WebView::scrollWheel(Point at, Point delta) { sendScroll(at, delta); }

bool WebView::wheelTurned(const ui::WheelEvent& event) {
  if (pagedByOwner_ || event.zoom != 0 || !pageWidget()) return false;
  sendScroll(convertPointFromView(event.location, nullptr), event.delta);
  return true;
}

bool WebView::pageKeyPressed(const ui::KeyPress& press) {
  if (pagedByOwner_ || !pageWidget()) return false;
  if (listShown()) return true;
  if (press.key == ui::KeyPress::Key::PageUp || press.key == ui::KeyPress::Key::PageDown) {
    sendKey(press.key == ui::KeyPress::Key::PageUp ? GDK_KEY_Page_Up : GDK_KEY_Page_Down);
    holdWorkAfterInput();
    refreshPicture();
  }
  return true;
}

void WebView::touchesBegan(const ui::TouchSet& touches, const ui::Event&) {
  if (touches.empty()) return;
  touching_ = true;
  dragging_ = false;
  touchStart_ = touchLast_ = touches.front()->locationInView(this);
}

void WebView::touchesMoved(const ui::TouchSet& touches, const ui::Event&) {
  if (touches.empty() || !touching_) return;
  const Point p = touches.front()->locationInView(this);
  if (!dragging_ && std::hypot(p.x - touchStart_.x, p.y - touchStart_.y) > kTapSlop) dragging_ = true;
  if (dragging_ && !pagedByOwner_) sendScroll(p, {touchLast_.x - p.x, touchLast_.y - p.y});
  touchLast_ = p;
}

void WebView::touchesEnded(const ui::TouchSet& touches, const ui::Event&) {
  if (touches.empty() || !touching_) return;
  touching_ = false;
  if (dragging_) return;
  becomeFirstResponder();
  launchAllowedUntil_ = base::RunLoop::main().now() + kLaunchWindow;
  sendClick(touchStart_);
  holdWorkAfterInput();
}

void WebView::touchesCancelled(const ui::TouchSet&, const ui::Event&) { touching_ = false; }

bool WebView::takeLaunchAllowance() {
  const bool allowed = launchAllowedUntil_ >= 0 && base::RunLoop::main().now() <= launchAllowedUntil_;
  launchAllowedUntil_ = -1;
  return allowed;
}

}  // namespace svc
