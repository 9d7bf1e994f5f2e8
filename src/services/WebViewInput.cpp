// The view's input handed to the engine's page as the desktop's own events.
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cmath>
#include <cstring>
#include <memory>

#include <nlohmann/json.hpp>

#include "platform/base/RunLoop.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/TextRange.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Touch.hpp"
#include "services/WebEngine.hpp"
#include "services/WebOptionMenu.hpp"
#include "services/WebView.hpp"

namespace svc {

using ui::Point;

namespace {

GdkDevice* pointerDevice() { return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())); }
GdkDevice* keyboardDevice() { return gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())); }

}  // namespace

// A copy or a cut under way (see WebView::copySelectionLater). Each step of
// the engine's holds the copy until the next.
struct WebView::ClipboardCopy {
  using Held = std::shared_ptr<ClipboardCopy>;
  std::weak_ptr<ui::View> view;
  CopyAnswer answered;
  base::CancelTracker::Ticket ticket;
  base::CancelTracker::Id hold = 0;
  bool cut = false;
  GtkClipboard* clipboard = nullptr;
  gulong ownerChanged = 0;

  void stopWatching() {
    if (ownerChanged) g_signal_handler_disconnect(clipboard, ownerChanged);
    ownerChanged = 0;
  }

  static void commandAnswered(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<Held> held(static_cast<Held*>(data));
    const Held& copy = *held;
    const bool can = webkit_web_view_can_execute_editing_command_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
    // Refused, or given up on meanwhile: nothing taken.
    if (!can || !copy->ticket.isLive()) return finish(copy, std::nullopt);
    copy->ownerChanged = g_signal_connect_data(
        copy->clipboard, "owner-change", G_CALLBACK(written), new Held(copy),
        [](gpointer d, GClosure*) { delete static_cast<Held*>(d); }, GConnectFlags{});
    webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(source),
                                            copy->cut ? WEBKIT_EDITING_COMMAND_CUT : WEBKIT_EDITING_COMMAND_COPY);
  }

  static void written(GtkClipboard* clipboard, GdkEvent*, gpointer data) {
    Held copy = *static_cast<Held*>(data);
    copy->stopWatching();
    gtk_clipboard_request_text(clipboard, textRead, new Held(copy));
  }

  static void textRead(GtkClipboard*, const gchar* text, gpointer data) {
    std::unique_ptr<Held> copy(static_cast<Held*>(data));
    finish(*copy, text ? std::optional<std::string>(text) : std::nullopt);
  }

  // Ends the copy with what it took, on a later turn of our loop.
  static void finish(const Held& copy, std::optional<std::string> text) {
    copy->stopWatching();
    base::RunLoop::main().post([copy, text = std::move(text)] {
      if (!copy->ticket.finish()) return;
      if (auto v = copy->view.lock()) {
        auto& web = static_cast<WebView&>(*v);
        web.endAnswerHold(copy->hold);
        if (copy->cut) {
          web.holdWorkAfterInput();
          web.refreshPicture();
        }
      }
      if (copy->answered) copy->answered(text);
    });
  }
};

bool WebView::selectAll() {
  auto* page = static_cast<GtkWidget*>(pageWidget());
  if (!page) return false;
  webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(page), WEBKIT_EDITING_COMMAND_SELECT_ALL);
  WebEngine::settle(kInputSettle);
  refreshPicture();
  return true;
}

bool WebView::copySelectionLater(bool cut, CopyAnswer answered) {
  auto* widget = static_cast<GtkWidget*>(pageWidget());
  if (!widget) return false;
  // The engine is asked whether it would run the command (nothing to copy
  // without a selection, nothing out of a password field), runs it, and
  // writes the clipboard from its page's process: the command is done when
  // the clipboard changes hands, and what it wrote is then ours to read
  // (the engine's side of the clipboard lives in this process). Each step
  // answers on a later turn; a page that never answers leaves the
  // clipboard as it was.
  auto copy = std::make_shared<ClipboardCopy>();
  copy->view = weak_from_this();
  copy->answered = std::move(answered);
  copy->cut = cut;
  copy->clipboard = gtk_widget_get_clipboard(widget, GDK_SELECTION_CLIPBOARD);
  copy->hold = beginAnswerHold();
  copy->ticket = clipboardCommands_.track([weak = std::weak_ptr<ClipboardCopy>(copy)] {
    if (auto c = weak.lock()) c->stopWatching();
  });
  webkit_web_view_can_execute_editing_command(WEBKIT_WEB_VIEW(widget),
                                              cut ? WEBKIT_EDITING_COMMAND_CUT : WEBKIT_EDITING_COMMAND_COPY, nullptr,
                                              ClipboardCopy::commandAnswered, new ClipboardCopy::Held(copy));
  return true;
}

void WebView::paste(const std::string& text) {
  if (!pageWidget() || text.empty()) return;
  // The text goes into the focused field in one piece from a script of the
  // view's own, in order with the keys before and after it: the engine's
  // typing command takes minutes over a long text of many lines, and its
  // clipboard would take the desktop's from the window that holds it. A
  // text field takes the lines as one (as the engine does), and the
  // field's own maximum length holds.
  // As much as the application's own fields hold goes in, and a cut is told
  // the same way as theirs.
  const std::size_t room = ui::TextInputTraits::kDefaultMaximumTextBytes;
  const std::string_view part =
      text.size() <= room ? std::string_view(text) : std::string_view(text).substr(0, ui::codePointBoundary(text, room));
  const std::string script =
      "(function(t,cut){var e=document.activeElement;"
      "while(e&&e.contentDocument&&e.contentDocument.activeElement)e=e.contentDocument.activeElement;"
      "if(!e)return '';var d=e.ownerDocument;"
      "if(typeof e.setRangeText==='function'&&typeof e.selectionStart==='number'){"
      "if(e.readOnly||e.disabled)return '';"
      "if(e.tagName!=='TEXTAREA')t=t.replace(/\\r\\n|\\r|\\n/g,' ');"
      "var s=e.selectionStart,f=e.selectionEnd,m=e.maxLength;"
      "if(m>=0){var r=Math.max(0,m-(e.value.length-(f-s)));if(t.length>r){"
      "if(r>0&&/[\\ud800-\\udbff]/.test(t.charAt(r-1)))r--;t=t.slice(0,r);cut=true;}}"
      "e.setRangeText(t,s,f,'end');"
      "}else if(e.isContentEditable){var g=d.getSelection();if(!g||!g.rangeCount)return '';"
      "var a=g.getRangeAt(0);a.deleteContents();var p=d.createDocumentFragment();"
      "t.split(/\\r\\n|\\r|\\n/).forEach(function(l,i){if(i)p.appendChild(d.createElement('br'));"
      "if(l)p.appendChild(d.createTextNode(l));});var z=p.lastChild;a.insertNode(p);"
      "if(z){a.setStartAfter(z);a.collapse(true);g.removeAllRanges();g.addRange(a);}"
      "}else{if(!d.execCommand('insertText',false,t))return '';}"
      "e.dispatchEvent(new InputEvent('input',{bubbles:true,inputType:'insertFromPaste',data:t}));"
      "return cut?'cut':'whole';})(" +
      nlohmann::json(part).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "," +
      (part.size() < text.size() ? "true" : "false") + ")";
  runScript(script, clipboardCommands_,
            [weak = ui::weakAs<WebView>(this)](const std::string& answer) {
              auto v = weak.lock();
              if (v && answer == "cut")
                base::NotificationCenter::defaultCenter().post(ui::TextInputTraits::TextCutNotification, v.get());
            },
            kEditingWorld);
  holdWorkAfterInput();
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
  if (!pageWidget()) return;
  // Return chooses in the page's open drop-down list; nothing else is typed
  // behind it.
  if (listShown()) {
    if (text == "\n" || text == "\r") optionMenu()->chooseHighlighted();
    return;
  }
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
  // The page's drop-down list is open over it: the arrows, Home and End
  // move through its options, and no key changes the value behind it
  // (Return chooses, Escape or a tap outside closes the list).
  if (auto* list = optionMenu()) {
    const int all = static_cast<int>(list->options().size());
    if (key == EditingKey::Up || key == EditingKey::Down) list->moveHighlight(key == EditingKey::Down ? 1 : -1);
    if (key == EditingKey::Home || key == EditingKey::End) list->moveHighlight(key == EditingKey::End ? all : -all);
    return true;
  }
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
  // Page Up and Page Down move through an open list a list's height at a time.
  if (auto* list = optionMenu()) {
    if (press.key == ui::KeyPress::Key::PageUp || press.key == ui::KeyPress::Key::PageDown)
      list->moveHighlight(press.key == ui::KeyPress::Key::PageDown ? WebOptionMenu::kRowsShown : -WebOptionMenu::kRowsShown);
    return true;
  }
  if (pagedByOwner_ || !pageWidget()) return false;
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
