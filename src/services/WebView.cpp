#include "services/WebView.hpp"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/WeakAs.hpp"
#include "services/WebEngine.hpp"
#include "services/WebOptionMenu.hpp"

namespace svc {

using ui::Rect;

namespace {

// A script given to the page, until its answer comes. Answers that come back
// from the engine after their asker may be gone are looked up by number: a
// gone asker's number is simply no longer there.
struct PendingScript {
  std::weak_ptr<ui::View> view;
  WebView::ScriptAnswer answered;
  base::CancelTracker::Ticket ticket;
  base::CancelTracker::Id hold = 0;
};
std::map<unsigned, std::shared_ptr<PendingScript>>& pendingScripts() {
  static std::map<unsigned, std::shared_ptr<PendingScript>> scripts;
  return scripts;
}
std::map<unsigned, std::weak_ptr<ui::View>>& pictureAskers() {
  static std::map<unsigned, std::weak_ptr<ui::View>> askers;
  return askers;
}
// The views whose page lives, for stopping them all at once.
std::set<WebView*>& livePages() {
  static std::set<WebView*> pages;
  return pages;
}

unsigned nextNumber() {
  static unsigned n = 0;
  return ++n;
}

WebViewNavigationType navigationType(WebKitNavigationType type) {
  switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED: return WebViewNavigationType::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED: return WebViewNavigationType::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD: return WebViewNavigationType::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD: return WebViewNavigationType::Reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED: return WebViewNavigationType::FormResubmitted;
    default: return WebViewNavigationType::Other;
  }
}

base::Error errorOf(const GError* error) {
  // A response refused (a file offered for download) interrupts its load:
  // the page stays as it was, as for a load stopped.
  const bool cancelled = (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED) ||
                         (error->domain == WEBKIT_POLICY_ERROR &&
                          error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
  const bool unsupported = error->domain == WEBKIT_POLICY_ERROR &&
                           error->code == WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI;
  const bool missing = error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST;
  long code = cancelled     ? WebView::kErrorCancelled
              : unsupported ? WebView::kErrorUnsupportedURL
              : missing     ? WebView::kErrorFileDoesNotExist
                            : static_cast<long>(error->code);
  return base::Error{WebView::ErrorDomain, code, error->message ? error->message : "The page could not be loaded.", {}};
}

// How many characters the value is as text, read where it lives.
double textLengthOf(JSCValue* value) {
  JSCValue* measure = jsc_context_evaluate(jsc_value_get_context(value), "(function(v){return String(v).length;})", -1);
  JSCValue* length = measure ? jsc_value_function_call(measure, JSC_TYPE_VALUE, value, G_TYPE_NONE) : nullptr;
  const double n = length && jsc_value_is_number(length) ? jsc_value_to_double(length) : 0;
  if (length) g_object_unref(length);
  if (measure) g_object_unref(measure);
  return n;
}

}  // namespace

// The engine's side of one view: an offscreen window holding the page.
struct WebView::Engine {
  GtkWidget* window = nullptr;
  WebKitWebView* page = nullptr;
  std::weak_ptr<ui::View> owner;
  std::vector<gulong> handlers;
  gulong downloads = 0;
  // The drop-down list the page asked for, while it shows.
  std::shared_ptr<WebKitOptionMenu> shownMenu;
  gulong shownMenuClosed = 0;
  std::shared_ptr<WebOptionMenu> options;
  // The view is ending the page's process: its end is not the page's failure.
  bool endingQuietly = false;
  // The page's process is ended because the network process it filled was.
  bool endingForNetworkMemory = false;

  WebView* view() const {
    auto v = owner.lock();
    return v ? static_cast<WebView*>(v.get()) : nullptr;
  }

  // Everything the engine reports is handled on a later turn of our own
  // loop, never from inside the engine's dispatch (which may be nested in a
  // script's wait).
  void later(std::function<void(WebView&)> f) const {
    std::weak_ptr<ui::View> weak = owner;
    base::RunLoop::main().post([weak, f = std::move(f)] {
      if (auto v = weak.lock()) f(static_cast<WebView&>(*v));
    });
  }

  void tellDownloadRefused(const std::string& url) const {
    later([url](WebView& v) {
      if (auto d = v.delegate()) d->webViewDidRefuseDownload(v, url);
    });
  }

  // What the engine would save rather than show (an attachment, in any
  // frame; a page it cannot show) is refused: a page writes no file.
  static gboolean decideResponse(Engine* self, WebKitResponsePolicyDecision* decision) {
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    // Files of a served folder come with no headers at all.
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    char* disposition = nullptr;
    const bool attachment = headers && soup_message_headers_get_content_disposition(headers, &disposition, nullptr) &&
                            g_ascii_strcasecmp(disposition, "attachment") == 0;
    g_free(disposition);
    if (!attachment && webkit_response_policy_decision_is_mime_type_supported(decision)) return FALSE;
    // A frame's content the engine cannot show is left out, as the engine does.
    if (!attachment && !webkit_response_policy_decision_is_main_frame_main_resource(decision)) return FALSE;
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
    const gchar* uri = webkit_uri_response_get_uri(response);
    self->tellDownloadRefused(uri ? uri : "");
    return TRUE;
  }

  static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                               gpointer data) {
    auto* self = static_cast<Engine*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
      return decideResponse(self, WEBKIT_RESPONSE_POLICY_DECISION(decision));
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION && type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION)
      return FALSE;
    auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const std::string url = webkit_uri_request_get_uri(request) ? webkit_uri_request_get_uri(request) : "";
    const WebViewNavigationType kind = navigationType(webkit_navigation_action_get_navigation_type(action));
    const bool byUser = webkit_navigation_action_is_user_gesture(action);
    const bool newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
    // The delegate answers on our own loop; the engine waits for it.
    std::shared_ptr<WebKitPolicyDecision> held(WEBKIT_POLICY_DECISION(g_object_ref(decision)),
                                               [](WebKitPolicyDecision* d) { g_object_unref(d); });
    self->later([held, url, kind, byUser, newWindow](WebView& v) {
      auto keep = v.self();
      bool allowed = true;
      if (auto d = v.delegate()) allowed = d->webViewShouldStartLoadWithRequest(v, url, kind, byUser);
      if (allowed && !newWindow) {
        webkit_policy_decision_use(held.get());
        return;
      }
      webkit_policy_decision_ignore(held.get());
      // A load asked for by code that is refused never starts.
      if (!newWindow && v.requested_ && !v.engineLoading_) {
        v.requested_ = false;
        v.endLoadWork();
      }
      // No second window: a link meant for one opens here.
      if (allowed && v.engine_) webkit_web_view_load_uri(v.engine_->page, url.c_str());
    });
    return TRUE;
  }

  static void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    if (event == WEBKIT_LOAD_STARTED) self->later([](WebView& v) { v.loadStarted(); });
    if (event == WEBKIT_LOAD_COMMITTED) self->later([](WebView& v) { v.loadCommitted(); });
    if (event == WEBKIT_LOAD_FINISHED) self->later([](WebView& v) { v.loadEnded(false, {}); });
  }

  static gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    base::Error e = errorOf(error);
    self->later([e](WebView& v) { v.loadEnded(true, e); });
    return TRUE;  // no error page of the engine's own: the screen says it
  }

  // The engine cancels every download as it starts (see WebEngine); the
  // view whose page asked for it tells its delegate.
  static void downloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    if (webkit_download_get_web_view(download) != self->page) return;
    WebKitURIRequest* request = webkit_download_get_request(download);
    const gchar* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    self->tellDownloadRefused(uri ? uri : "");
  }

  // window.print(): never the desktop's dialog, which would hold the
  // window until it closes. A print the user's tap just allowed goes to the
  // delegate; any other is refused.
  static gboolean printAsked(WebKitWebView*, WebKitPrintOperation*, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    self->later([](WebView& v) {
      auto keep = v.self();
      if (!v.takeLaunchAllowance()) {
        MV_LOG("web view: the page asked to print with no tap to allow it: refused");
        return;
      }
      if (auto d = v.delegate()) d->webViewDidAskToPrint(v);
    });
    return TRUE;
  }

  static void processTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    // Ended by the view itself, as a page that stopped answering.
    if (self->endingQuietly) return;
    // Ended with the network process it filled, by the engine's own check, or
    // by the engine's watch (which kills the process outright, as a crash
    // would look); the watch hears of any end but the first, so that it
    // takes no other end for this one.
    const bool tooLarge = self->endingForNetworkMemory || WebEngine::endedForMemoryRecently() ||
                          reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT;
    self->later([tooLarge](WebView& v) { v.processEnded(tooLarge); });
  }

  static gboolean showOptionMenu(WebKitWebView*, WebKitOptionMenu* menu, GdkEvent*, GdkRectangle* rect,
                                 gpointer data) {
    auto* self = static_cast<Engine*>(data);
    std::shared_ptr<WebKitOptionMenu> held(WEBKIT_OPTION_MENU(g_object_ref(menu)),
                                           [](WebKitOptionMenu* m) { g_object_unref(m); });
    const ui::Rect at{static_cast<double>(rect->x), static_cast<double>(rect->y), static_cast<double>(rect->width),
                      static_cast<double>(rect->height)};
    self->later([held, at](WebView& v) {
      if (v.engine_) v.engine_->showOptions(v, held, at);
    });
    return TRUE;
  }

  void showOptions(WebView& v, std::shared_ptr<WebKitOptionMenu> menu, const ui::Rect& at) {
    if (options) options->dismiss();
    std::vector<WebOptionMenu::Option> list;
    for (guint i = 0, n = webkit_option_menu_get_n_items(menu.get()); i < n; ++i) {
      WebKitOptionMenuItem* item = webkit_option_menu_get_item(menu.get(), i);
      const gchar* label = webkit_option_menu_item_get_label(item);
      list.push_back({label ? label : "", webkit_option_menu_item_is_group_label(item) != FALSE,
                      webkit_option_menu_item_is_group_child(item) != FALSE,
                      webkit_option_menu_item_is_enabled(item) != FALSE,
                      webkit_option_menu_item_is_selected(item) != FALSE});
    }
    shownMenu = std::move(menu);
    shownMenuClosed = g_signal_connect(shownMenu.get(), "close", G_CALLBACK(Engine::optionsClosedByPage), this);
    options = WebOptionMenu::make(
        std::move(list),
        [this](std::size_t index) {
          if (shownMenu) webkit_option_menu_activate_item(shownMenu.get(), static_cast<guint>(index));
        },
        [this] { releaseOptions(); });
    options->present(at, v);
  }

  // The list went on our side: the engine's menu closes with it.
  void releaseOptions() {
    auto menu = std::move(shownMenu);
    shownMenu = nullptr;
    if (!menu) return;
    g_signal_handler_disconnect(menu.get(), shownMenuClosed);
    shownMenuClosed = 0;
    webkit_option_menu_close(menu.get());
  }

  // The page closed the list itself (a script, the element gone).
  static void optionsClosedByPage(WebKitOptionMenu* menu, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    self->later([menu](WebView& v) {
      if (v.engine_ && v.engine_->options && v.engine_->shownMenu.get() == menu) v.engine_->options->dismiss();
    });
  }

  static gboolean damaged(GtkWidget*, GdkEvent*, gpointer data) {
    auto* self = static_cast<Engine*>(data);
    self->later([](WebView& v) { v.refreshPicture(); });
    return FALSE;
  }

  static void pictureDone(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    cairo_surface_t* surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (error) g_error_free(error);
    const unsigned number = GPOINTER_TO_UINT(data);
    auto found = pictureAskers().find(number);
    std::shared_ptr<ui::View> asker = found != pictureAskers().end() ? found->second.lock() : nullptr;
    if (found != pictureAskers().end()) pictureAskers().erase(found);
    if (!asker) {
      if (surface) cairo_surface_destroy(surface);
      return;
    }
    static_cast<WebView&>(*asker).pictureArrived(surface);
  }

  static void scriptDone(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    std::string text;
#ifdef __SANITIZE_ADDRESS__
    // The test build only: the engine makes a script machine for answers and
    // drops it a second later; dropping it runs the standard library's
    // release through the copy in our instrumented libraries, whose type check
    // cannot see the engine's hidden classes and stops the test. The machines
    // are kept there for the life of the (short) test process instead.
    static std::set<JSCContext*> kept;
    if (value && kept.insert(jsc_value_get_context(value)).second) g_object_ref(jsc_value_get_context(value));
#endif
    if (value && !jsc_value_is_undefined(value) && !jsc_value_is_null(value)) {
      // A page may make any answer as long as it likes: one past the bound
      // is no answer, and is not copied out.
      if (const double length = textLengthOf(value); length > static_cast<double>(WebView::kLongestAnswer)) {
        MV_LOG("web view: the page answered ", length, " characters: taken as no answer");
      } else {
        gchar* s = jsc_value_to_string(value);
        if (s) text = s;
        g_free(s);
      }
    }
    if (value) g_object_unref(value);
    if (error) g_error_free(error);
    auto found = pendingScripts().find(GPOINTER_TO_UINT(data));
    if (found == pendingScripts().end()) return;
    auto pending = std::move(found->second);
    pendingScripts().erase(found);
    base::RunLoop::main().post([pending, text = std::move(text)] {
      auto v = pending->view.lock();
      // The page answers again, late or not.
      if (v) static_cast<WebView&>(*v).pageUnanswered_ = false;
      if (v) {
        auto& web = static_cast<WebView&>(*v);
        web.endAnswerHold(pending->hold);
        web.refreshPicture();
      }
      // Unless the asker gave up on it meanwhile.
      if (pending->ticket.finish() && pending->answered) pending->answered(text);
    });
  }

  ~Engine() {
    options.reset();
    releaseOptions();
    for (gulong h : handlers) g_signal_handler_disconnect(page, h);
    if (downloads) g_signal_handler_disconnect(WebEngine::context(), downloads);
    // The window owns the page.
    gtk_widget_destroy(window);
  }
};

WebView::WebView(const Rect& frame) : View(frame) {
  setBackgroundColor(gfx::Color::white());
  setMultipleTouchEnabled(false);
}

WebView::~WebView() {
  livePages().erase(this);
  if (engine_) {
    pictureAskers().erase(snapshotId_);
    // Whatever the page still runs (a script of its own, before its load
    // ended or after, a pile of memory) would run on without its view: its
    // process ends with it.
    endPageProcess();
    engine_.reset();
    WebEngine::pageClosed();
  }
  while (workHeld_ > 0) releaseWork();
}

void WebView::holdWork() {
  ++workHeld_;
  WebEngine::beginWork();
}

void WebView::releaseWork() {
  if (workHeld_ <= 0) return;
  --workHeld_;
  WebEngine::endWork();
}

bool WebView::ensureEngine() {
  MV_ASSERT_MAIN_THREAD();
  if (engine_) return true;
  if (!WebEngine::start()) return false;
  engine_ = std::make_unique<Engine>();
  engine_->owner = weak_from_this();
  engine_->window = gtk_offscreen_window_new();
  // A page kept to the served folders asks nothing of anywhere else: the
  // policy holds as if its server had sent it, whatever the page says.
  const std::string policy = servedFoldersOnly_ ? std::string("default-src ") + WebEngine::kFolderScheme +
                                                      ": data: blob: 'unsafe-inline' 'unsafe-eval'"
                                                : std::string();
  engine_->page = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                               static_cast<WebKitWebContext*>(WebEngine::context()),
                                               "default-content-security-policy",
                                               policy.empty() ? nullptr : policy.c_str(), nullptr));
  WebKitSettings* settings = webkit_web_view_get_settings(engine_->page);
  webkit_settings_set_enable_developer_extras(settings, FALSE);
  webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
  // Scrolls land at once: the picture taken next shows where they landed.
  webkit_settings_set_enable_smooth_scrolling(settings, FALSE);
  gtk_container_add(GTK_CONTAINER(engine_->window), GTK_WIDGET(engine_->page));
  Engine* e = engine_.get();
  e->handlers.push_back(g_signal_connect(e->page, "decide-policy", G_CALLBACK(Engine::decidePolicy), e));
  e->handlers.push_back(g_signal_connect(e->page, "load-changed", G_CALLBACK(Engine::loadChanged), e));
  e->handlers.push_back(g_signal_connect(e->page, "load-failed", G_CALLBACK(Engine::loadFailed), e));
  e->handlers.push_back(
      g_signal_connect(e->page, "web-process-terminated", G_CALLBACK(Engine::processTerminated), e));
  e->handlers.push_back(g_signal_connect(e->page, "show-option-menu", G_CALLBACK(Engine::showOptionMenu), e));
  e->handlers.push_back(g_signal_connect(e->page, "print", G_CALLBACK(Engine::printAsked), e));
  e->downloads = g_signal_connect(WebEngine::context(), "download-started", G_CALLBACK(Engine::downloadStarted), e);
  g_signal_connect(e->window, "damage-event", G_CALLBACK(Engine::damaged), e);
  engineWidth_ = engineHeight_ = -1;
  layoutSubviews();
  gtk_widget_show_all(e->window);
  gtk_widget_grab_focus(GTK_WIDGET(e->page));
  // The offscreen window never gets the desktop's focus: it is told it has it,
  // so that the page shows its caret and takes keys.
  GdkEvent* focus = gdk_event_new(GDK_FOCUS_CHANGE);
  focus->focus_change.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(e->window)));
  focus->focus_change.in = TRUE;
  focus->focus_change.send_event = TRUE;
  gtk_widget_send_focus_change(GTK_WIDGET(e->page), focus);
  gdk_event_free(focus);
  WebEngine::pageOpened();
  livePages().insert(this);
  // A network process filled past the ceiling was ended; the pages that
  // filled it live on in their own processes and would fill the next one:
  // each is ended too, and says why.
  WebEngine::setNetworkStoppedForMemory([] {
    for (WebView* view : std::set<WebView*>(livePages())) {
      if (!view->engine_ || view->processGone_) continue;
      // The engine tells of the end within the call.
      view->engine_->endingForNetworkMemory = true;
      webkit_web_view_terminate_web_process(view->engine_->page);
      view->engine_->endingForNetworkMemory = false;
    }
  });
  return true;
}

void WebView::failWithoutEngine(const std::string& url) {
  auto keep = self();
  if (auto d = delegate(); d && !d->webViewShouldStartLoadWithRequest(*this, url, WebViewNavigationType::Other, false))
    return;
  requested_ = true;
  stopped_ = false;
  auto weak = ui::weakAs<WebView>(this);
  base::RunLoop::main().post([weak] {
    auto v = weak.lock();
    if (!v || !v->requested_) return;
    v->requested_ = false;
    if (auto d = v->delegate()) d->webViewDidStartLoad(*v);
    if (auto d = v->delegate())
      d->webViewDidFailLoadWithError(*v, base::Error{ErrorDomain, kErrorNoEngine, "No display for web pages.", {}});
  });
}

void WebView::endUnansweringPage() {
  if (!engine_ || !pageUnanswered_) return;
  MV_LOG("web view: the page stopped answering: its process is ended");
  endPageProcess();
}

void WebView::endPageProcess() {
  pageUnanswered_ = false;
  // The engine tells of the end within the call.
  engine_->endingQuietly = true;
  webkit_web_view_terminate_web_process(engine_->page);
  engine_->endingQuietly = false;
  // Nothing more is to come from it: nor of the load it held, if any.
  engineLoading_ = false;
  for (std::size_t held = answerHolds_.count(); held > 0; --held) releaseWork();
  answerHolds_.cancelAll();
}

void WebView::requestLoad(std::function<void()> issue) {
  // A page caught in its own script would hold the next load behind it.
  endUnansweringPage();
  pendingLoad_ = std::move(issue);
  requested_ = true;
  stopped_ = false;
  processGone_ = false;
  if (!loadWorkHeld_) {
    loadWorkHeld_ = true;
    holdWork();
  }
  if (pendingLoad_) pendingLoad_();
}

void WebView::endLoadWork() {
  if (!loadWorkHeld_) return;
  loadWorkHeld_ = false;
  releaseWork();
}

void WebView::holdWorkAfterInput() {
  // What the page does with the input (a link followed, a form sent) starts
  // in the engine a moment later.
  holdWork();
  inputGraces_.after(kInputGrace, [this] { releaseWork(); });
}

void WebView::loadRequest(const std::string& url) {
  if (!ensureEngine()) return failWithoutEngine(url);
  requestLoad([this, url] { webkit_web_view_load_uri(engine_->page, url.c_str()); });
}

void WebView::loadFile(const std::filesystem::path& path) {
  gchar* uri = g_filename_to_uri(std::filesystem::absolute(path).c_str(), nullptr, nullptr);
  loadRequest(uri ? uri : "");
  g_free(uri);
}

void WebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
  if (!ensureEngine()) return failWithoutEngine(baseURL.empty() ? "about:blank" : baseURL);
  requestLoad([this, html, baseURL] {
    webkit_web_view_load_html(engine_->page, html.c_str(), baseURL.empty() ? nullptr : baseURL.c_str());
  });
}

void WebView::stopLoading() {
  auto keep = self();
  if (!isLoading()) return;
  stopped_ = true;
  requested_ = false;
  engineLoading_ = false;
  if (engine_) webkit_web_view_stop_loading(engine_->page);
  endLoadWork();
  if (auto d = delegate()) d->webViewDidFailLoadWithError(*this, base::Error{ErrorDomain, kErrorCancelled, "cancelled", {}});
}

void WebView::reload() {
  if (!engine_) return;
  requestLoad([this] { webkit_web_view_reload(engine_->page); });
}

void WebView::goBack() {
  if (!canGoBack()) return;
  // Not asked again behind a page that stops answering: the engine's
  // history may have moved already.
  requestLoad({});
  webkit_web_view_go_back(engine_->page);
}

void WebView::goForward() {
  if (!canGoForward()) return;
  requestLoad({});
  webkit_web_view_go_forward(engine_->page);
}

bool WebView::canGoBack() const { return engine_ && webkit_web_view_can_go_back(engine_->page); }

bool WebView::canGoForward() const { return engine_ && webkit_web_view_can_go_forward(engine_->page); }

bool WebView::isLoading() const { return !stopped_ && (requested_ || engineLoading_); }

std::string WebView::url() const {
  const gchar* uri = engine_ ? webkit_web_view_get_uri(engine_->page) : nullptr;
  return uri ? uri : "";
}

std::string WebView::pageTitle() const {
  const gchar* title = engine_ ? webkit_web_view_get_title(engine_->page) : nullptr;
  return title ? title : "";
}

void WebView::loadStarted() {
  auto keep = self();
  stopped_ = false;
  if (!loadWorkHeld_) {
    loadWorkHeld_ = true;
    holdWork();
  }
  engineLoading_ = true;
  requested_ = false;
  pendingLoad_ = nullptr;
  failed_ = false;
  if (auto d = delegate()) d->webViewDidStartLoad(*this);
}

void WebView::loadCommitted() {
  // The pictures asked for from here on are of the page loading.
  pageDrawn_ = false;
  firstPictureOfPage_ = nextNumber();
}

void WebView::loadEnded(bool failed, const base::Error& error) {
  auto keep = self();
  // What a stopped load still reports was already told; the end of a load
  // another has replaced before it started belongs to that older load.
  if (stopped_ || processGone_ || (requested_ && !engineLoading_)) return;
  if (!failed && failed_) {
    // The end of a load whose failure was told.
    failed_ = false;
    return;
  }
  failed_ = failed;
  engineLoading_ = false;
  requested_ = false;
  endLoadWork();
  if (!failed) refreshPicture();
  if (auto d = delegate()) {
    if (failed)
      d->webViewDidFailLoadWithError(*this, error);
    else
      d->webViewDidFinishLoad(*this);
  }
}

void WebView::processEnded(bool tooLarge) {
  auto keep = self();
  // The page is gone with its process: its last picture is not shown as if
  // it were still there, and the load under way, if any, ends here.
  processGone_ = true;
  picture_.reset();
  setNeedsDisplay();
  engineLoading_ = false;
  requested_ = false;
  failed_ = true;
  endLoadWork();
  MV_LOG("web view: the page's process ended", tooLarge ? " past the memory ceiling" : "");
  const base::Error error{ErrorDomain, tooLarge ? kErrorPageTooLarge : kErrorPageEnded,
                          tooLarge ? "The page needed more memory than a page may use." : "The page stopped.", {}};
  if (auto d = delegate()) d->webViewDidFailLoadWithError(*this, error);
}

void WebView::evaluateJavaScript(const std::string& script, base::CancelTracker& owner, ScriptAnswer answered) {
  runScript(script, owner, std::move(answered), nullptr);
}

void WebView::runScript(const std::string& script, base::CancelTracker& owner, ScriptAnswer answered,
                        const char* world) {
  MV_ASSERT_MAIN_THREAD();
  if (!ensureEngine()) {
    // No engine, no page: an empty answer, as from a page without the value.
    owner.after(0, [answered = std::move(answered)] {
      if (answered) answered({});
    });
    return;
  }
  auto pending = std::make_shared<PendingScript>();
  pending->view = weak_from_this();
  pending->answered = std::move(answered);
  pending->hold = beginAnswerHold();
  const unsigned number = nextNumber();
  // The asker giving up drops only its answer: the hold stays until the
  // page answers, for it tells whether the page still does.
  pending->ticket = owner.track([weak = std::weak_ptr<PendingScript>(pending)] {
    if (auto gone = weak.lock()) gone->answered = nullptr;
  });
  pendingScripts()[number] = pending;
  webkit_web_view_evaluate_javascript(engine_->page, script.c_str(), -1, world, nullptr, nullptr, Engine::scriptDone,
                                      GUINT_TO_POINTER(number));
}

base::CancelTracker::Id WebView::beginAnswerHold() {
  holdWork();
  // A page that does not answer does not keep the engine busy for ever.
  base::CancelTracker::Id hold = 0;
  hold = answerHolds_.after(kScriptTimeout, [this] {
    MV_LOG("web view: the page did not answer in time");
    pageUnanswered_ = true;
    releaseWork();
    // A load asked for since (and not started) waits behind the page's
    // script, whether the load before it ended or not: the page goes and the
    // load is asked again.
    if (requested_ && pendingLoad_) {
      auto issue = pendingLoad_;
      endUnansweringPage();
      issue();
    }
  });
  return hold;
}

void WebView::endAnswerHold(base::CancelTracker::Id hold) {
  if (!answerHolds_.isTracked(hold)) return;
  answerHolds_.cancel(hold);
  releaseWork();
}

WebOptionMenu* WebView::optionMenu() const {
  return engine_ && engine_->options && engine_->options->isShown() ? engine_->options.get() : nullptr;
}

bool WebView::listShown() const { return optionMenu() != nullptr; }

void WebView::refreshPicture() {
  if (!engine_) return;
  if (snapshotInFlight_) {
    snapshotAgain_ = true;
    return;
  }
  snapshotInFlight_ = true;
  snapshotAgain_ = false;
  snapshotId_ = nextNumber();
  pictureAskers()[snapshotId_] = weak_from_this();
  holdWork();
  webkit_web_view_get_snapshot(engine_->page, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
                               Engine::pictureDone, GUINT_TO_POINTER(snapshotId_));
}

void WebView::pictureArrived(void* surface) {
  snapshotInFlight_ = false;
  releaseWork();
  if (surface && processGone_) {
    cairo_surface_destroy(static_cast<cairo_surface_t*>(surface));
  } else if (surface) {
    picture_ = std::shared_ptr<void>(surface, [](void* s) { cairo_surface_destroy(static_cast<cairo_surface_t*>(s)); });
    ++pictures_;
    setNeedsDisplay();
    if (!pageDrawn_ && snapshotId_ > firstPictureOfPage_) {
      pageDrawn_ = true;
      auto keep = self();
      if (auto d = delegate()) d->webViewDidDrawPage(*this);
    }
  }
  if (snapshotAgain_) refreshPicture();
}

gfx::ImagePtr WebView::picture() const {
  return picture_ ? gfx::Image::fromSurface(static_cast<cairo_surface_t*>(picture_.get())) : nullptr;
}

void WebView::layoutSubviews() {
  if (!engine_) return;
  const int w = std::max(1, static_cast<int>(std::lround(bounds().width())));
  const int h = std::max(1, static_cast<int>(std::lround(bounds().height())));
  if (w == engineWidth_ && h == engineHeight_) return;
  engineWidth_ = w;
  engineHeight_ = h;
  gtk_widget_set_size_request(GTK_WIDGET(engine_->page), w, h);
  gtk_window_resize(GTK_WINDOW(engine_->window), w, h);
  refreshPicture();
}

void WebView::drawRect(gfx::Context& ctx, const Rect&) {
  if (!picture_) return;
  auto* surface = static_cast<cairo_surface_t*>(picture_.get());
  const int pw = cairo_image_surface_get_width(surface);
  const int ph = cairo_image_surface_get_height(surface);
  if (pw <= 0 || ph <= 0) return;
  cairo_t* cr = ctx.cairo();
  cairo_save(cr);
  // The picture is of the page at its own size; drawn at the view's.
  cairo_scale(cr, bounds().width() / pw, bounds().height() / ph);
  cairo_set_source_surface(cr, surface, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
}

void* WebView::pageWidget() const { return engine_ ? GTK_WIDGET(engine_->page) : nullptr; }

}  // namespace svc
