#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/Error.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/DesktopInput.hpp"
#include "platform/ui/View.hpp"

namespace svc {

class WebView;
class WebOptionMenu;

enum class WebViewNavigationType { LinkClicked = 0, FormSubmitted = 1, BackForward = 2, Reload = 3, FormResubmitted = 4, Other = 5 };

// Hears a web view load. Every operation is optional.
class WebViewDelegate {
 public:
  virtual ~WebViewDelegate() = default;
  // Asked before every load of the page (a link, a form, a load by code,
  // back, forward, reload); no stops it before it starts. `byUser` holds
  // for a load the user's own tap or key started, not a script's.
  virtual bool webViewShouldStartLoadWithRequest(WebView& /*webView*/, const std::string& /*url*/,
                                                 WebViewNavigationType /*type*/, bool /*byUser*/) {
    return true;
  }
  virtual void webViewDidStartLoad(WebView& /*webView*/) {}
  virtual void webViewDidFinishLoad(WebView& /*webView*/) {}
  // The engine drew the page of the latest load for the first time: its
  // first picture came (once a load; see WebView::pageDrawn).
  virtual void webViewDidDrawPage(WebView& /*webView*/) {}
  virtual void webViewDidFailLoadWithError(WebView& /*webView*/, const base::Error& /*error*/) {}
  // The page (or a frame of it) offered a file to save: nothing was saved.
  virtual void webViewDidRefuseDownload(WebView& /*webView*/, const std::string& /*url*/) {}
  // The page asked to be printed right after the user's tap (a print asked
  // without one is refused before it gets here): the owner prints it its
  // own way, if at all. The desktop's print dialog never opens.
  virtual void webViewDidAskToPrint(WebView& /*webView*/) {}
};

// A web page shown by the web engine (see WebEngine): the engine lays the
// page out and runs its scripts in a page of the view's size, and the view
// draws the engine's latest picture of it, taken again whenever the page
// changes. The view hands the page its input: a tap is a click, a drag
// and the wheel scroll the page, and typed text and the keys the window
// gives go to the element that has the page's focus. A page its owner
// turns (`setPagedByOwner`: the book) does not scroll by drags, and leaves
// the wheel and the arrow keys to its owner.
//
// Every load is announced to the delegate (should-start, then did-start)
// and ends with did-finish or did-fail on a later turn of the main loop; a
// load stopped or replaced by another fails with the cancelled error
// (code -999). Back and forward follow the engine's history. Without a
// display the engine cannot start: every load then fails. A page caught in
// a script of its own (it has answered nothing for kScriptTimeout) is
// ended before the next load, which would wait behind it; and whatever a
// page runs, loaded or not, ends with its view.
//
// A page writes nothing on the device: what it offers to download (an
// attachment, a file the engine would not show) is refused and the
// delegate told. A page whose process passes the engine's memory ceiling
// is stopped: the delegate hears a failure with kErrorPageTooLarge (with
// kErrorPageEnded when the process ended otherwise), and the view shows
// nothing of it until the next load.
class WebView : public ui::View {
 public:
  explicit WebView(const ui::Rect& frame = {});
  ~WebView() override;

  std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<WebViewDelegate> d) { delegate_ = std::move(d); }

  void loadRequest(const std::string& url);
  void loadFile(const std::filesystem::path& path);
  void loadHTMLString(const std::string& html, const std::string& baseURL = {});
  void stopLoading();
  void reload();
  void goBack();
  void goForward();
  bool canGoBack() const;
  bool canGoForward() const;
  bool isLoading() const;
  // The URL of the page shown or loading.
  std::string url() const;
  std::string pageTitle() const;

  // Runs the script in the page; its value comes to `answered` as text
  // (empty for none, or for a script that failed) on a later turn of the
  // main loop. Nothing waits for it: a page whose own script runs on and on
  // answers late or never, and the window goes on meanwhile. The scripts
  // of one page run in the order they were given. `owner` cancelling (or
  // ending) means `answered` hears nothing. An answer longer than
  // kLongestAnswer characters comes as none (empty).
  using ScriptAnswer = std::function<void(const std::string&)>;
  void evaluateJavaScript(const std::string& script, base::CancelTracker& owner, ScriptAnswer answered = {});
  // The script world of the view's own editing: the page's scripts cannot
  // change what its scripts call.
  static constexpr const char* kEditingWorld = "marvisto-editing";

  // A tap in the page lets it hand one thing to the desktop (a program
  // launched for a link, a print) soon after: the first ask within
  // kLaunchWindow seconds of the tap takes it, and every other ask, by the
  // same tap's script or by none, is refused. True when this ask takes it.
  bool takeLaunchAllowance();
  static constexpr double kLaunchWindow = 1.5;

  void setPagedByOwner(bool on) { pagedByOwner_ = on; }
  // Before the first load: the page's style sheets, pictures, scripts,
  // fonts and frames come only from the folders the engine serves (and the
  // page's own data), nothing else is asked of any server.
  void setServedFoldersOnly(bool on) { servedFoldersOnly_ = on; }
  // The engine's pictures of the page drawn so far; the next comes with the
  // next change of the page.
  std::uint64_t picturesTaken() const { return pictures_; }
  // The engine has drawn the page of the latest load (once its content
  // came) at least once: a picture of it was taken.
  bool pageDrawn() const { return pageDrawn_; }
  bool hasPicture() const { return picture_ != nullptr; }
  // The engine's latest picture of the page, as shown; nothing before the first.
  gfx::ImagePtr picture() const;
  // Asks for a new picture now.
  void refreshPicture();
  // The options of the drop-down list the page shows now (a tap on a list
  // opens them at it); nothing while none shows.
  WebOptionMenu* optionMenu() const;
  // The page's drop-down list is open: the keyboard waits for it to close.
  bool listShown() const;

  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const ui::Rect& rect) override;
  // The desktop wheel over the page (`at` in the view, `delta` in points).
  void scrollWheel(ui::Point at, ui::Point delta);
  // The window's wheel, Page Up and Page Down scroll the page, unless its
  // owner turns it; Space comes to the page as typed text.
  bool wheelTurned(const ui::WheelEvent& event) override;
  bool pageKeyPressed(const ui::KeyPress& press) override;

  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesMoved(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesEnded(const ui::TouchSet& touches, const ui::Event& event) override;
  void touchesCancelled(const ui::TouchSet& touches, const ui::Event& event) override;
  bool canBecomeFirstResponder() const override { return true; }
  bool acceptsTextInput() const override { return true; }
  void insertText(const std::string& text) override;
  void deleteBackward() override;
  // The desktop's editing keys and Tab, as the page takes them: Tab moves
  // through the page's own fields. While the page's drop-down list is open
  // the arrows, Home, End and the page keys move through its options and
  // Return chooses (see WebOptionMenu); nothing reaches the page behind it.
  bool pressKey(EditingKey key, bool shift) override;
  // The engine's own editing commands on the page's focused field or its
  // selection, with the desktop's clipboard. A copy or a cut answers once
  // the engine has run it (see ui::Responder::copySelectionLater), with
  // what it took (nothing where the engine refuses, as in a password
  // field). A paste goes into the focused field at once, in one piece, as
  // much of it as the field takes (ui::pasteablePart, and the field's own
  // maximum length); the delegate hears when it was cut.
  bool selectAll() override;
  bool copySelectionLater(bool cut, CopyAnswer answered) override;
  void paste(const std::string& text) override;

  // A touch that moves less than this is a tap.
  static constexpr double kTapSlop = 8;
  // The engine scrolls this many points per wheel step.
  static constexpr double kPointsPerScrollStep = 40;
  // While a script or an editing command has no answer, the engine counts
  // as busy (see WebEngine::beginWork), for this long at most.
  static constexpr double kScriptTimeout = 5;
  static constexpr std::size_t kLongestAnswer = std::size_t{1} << 20;
  static constexpr double kInputGrace = 0.4;
  // The longest a key or click waits for the engine to take it.
  static constexpr double kInputSettle = 0.1;

  static constexpr long kErrorCancelled = -999;
  static constexpr long kErrorUnsupportedURL = -1002;
  static constexpr long kErrorFileDoesNotExist = -1100;
  static constexpr long kErrorPageTooLarge = -1103;
  static constexpr long kErrorPageEnded = -1005;
  static constexpr long kErrorNoEngine = -1;
  static inline const std::string ErrorDomain = "WebViewErrorDomain";

 private:
  struct Engine;
  friend struct Engine;
  struct ClipboardCopy;
  void runScript(const std::string& script, base::CancelTracker& owner, ScriptAnswer answered, const char* world);

  bool ensureEngine();
  void failWithoutEngine(const std::string& url);
  void loadStarted();
  void loadCommitted();
  void loadEnded(bool failed, const base::Error& error);
  void processEnded(bool tooLarge);
  void pictureArrived(void* surface);
  void sendClick(ui::Point p);
  void sendScroll(ui::Point at, ui::Point delta);
  void sendKey(unsigned keyval, bool shift = false);
  // Holds the engine busy for an answer still to come, kScriptTimeout at
  // most; the hold's number, for `endAnswerHold`.
  base::CancelTracker::Id beginAnswerHold();
  void endAnswerHold(base::CancelTracker::Id hold);
  // The engine's page (a GtkWidget*), once made.
  void* pageWidget() const;
  void holdWork();
  void releaseWork();
  // A load asked for: `issue` hands it to the engine now, and again should
  // the page before it turn out to have stopped answering (none for a load
  // that may not be asked twice).
  void requestLoad(std::function<void()> issue);
  // Ends the page's process when the page has not answered within
  // kScriptTimeout since it last did: a script of its own holds it.
  void endUnansweringPage();
  // Ends the page's process, quietly: nothing more is to come from it.
  void endPageProcess();
  void endLoadWork();
  void holdWorkAfterInput();

  std::weak_ptr<WebViewDelegate> delegate_;
  std::unique_ptr<Engine> engine_;
  // The ends of the short waits after input (see holdWorkAfterInput).
  base::CancelTracker inputGraces_;
  // The ends of the holds for answers (see beginAnswerHold).
  base::CancelTracker answerHolds_;
  // The clipboard commands under way.
  base::CancelTracker clipboardCommands_;
  std::shared_ptr<void> picture_;
  std::uint64_t pictures_ = 0;
  bool requested_ = false;
  bool engineLoading_ = false;
  bool failed_ = false;
  bool stopped_ = false;
  int workHeld_ = 0;
  bool loadWorkHeld_ = false;
  bool pagedByOwner_ = false;
  bool servedFoldersOnly_ = false;
  // The page's process ended: what its loads still report is not told.
  bool processGone_ = false;
  // A question to the page went unanswered past kScriptTimeout, and none
  // was answered since.
  bool pageUnanswered_ = false;
  // How the load asked for and not yet started was handed to the engine.
  std::function<void()> pendingLoad_;
  // Nothing loaded yet: nothing waits to be drawn.
  bool pageDrawn_ = true;
  // The number the pictures of the page loaded come after.
  unsigned firstPictureOfPage_ = 0;
  bool snapshotInFlight_ = false;
  bool snapshotAgain_ = false;
  unsigned snapshotId_ = 0;
  ui::Point touchStart_;
  ui::Point touchLast_;
  bool dragging_ = false;
  bool touching_ = false;
  // Until when (on the run loop's clock) the last tap allows a launch; below
  // zero when none does.
  double launchAllowedUntil_ = -1;
  double engineWidth_ = -1, engineHeight_ = -1;
};

}  // namespace svc
