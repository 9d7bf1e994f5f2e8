#pragma once
// One reading unit of a book in a web view whose text is laid out in columns
// by style rules sent after each load, two columns to a page and one page per
// width of the view. Text that runs from the right (Arabic, Hebrew) is paged
// from the right; text that runs down (vertical Japanese) is paged down, a
// column to a page. A unit of fixed layout is one page, scaled to fit the
// view by its viewport. The unit's folder is served to the page alone: the
// page reads the files of the book and nothing else, and asks no server for
// anything (style sheets, pictures, scripts and fonts come from the book).
// The user turns pages by swiping sideways, forward against the way the
// book's pages follow each other (leftward, or rightward in a book paged
// from right to left); turning on past a unit's last page, or back before
// its first, asks the delegate for the next or previous unit. A label under
// the text shows the page, the page count and the unit's title.
//
// While a unit loads, a dial turns over the page, which waits; nothing else
// does: the window goes on (Back leaves at once). A unit whose own script
// holds its load (a loop inline, or in its load handler) is shown as it
// stands once kLoadBound has passed, one page, and the label says so; its
// load, should it end later, lays it out then.
//
// The unit is laid out by asking its page once the engine has drawn it
// (asked before, the engine may take many times as long over a long unit),
// and nothing waits for the page's answers: a page whose own script keeps
// it from answering within kLayoutBound of its load is shown as it stands
// likewise; its answer, should it come later, lays it out then. The page's
// answers are the reader's own numbers, checked: whatever the book's
// scripts make of the page, a unit has from one to kMaxPages pages.
//
// Links to places of the book go to that place; links to the network or to
// a mail address that the user taps open on the desktop; any other link
// (and one a script follows) is not followed out of the book.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "library/epub/EPUBSpine.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/SwipeGestureRecognizer.hpp"
#include "services/WebEngine.hpp"
#include "services/WebView.hpp"

namespace mv {

class EPubViewDelegate {
 public:
  virtual ~EPubViewDelegate() = default;
  virtual void gotoPrevSpine() = 0;
  virtual void gotoNextSpine() = 0;
  // After a unit was laid out: the place to show is the delegate's to pick.
  virtual void epubViewLoadFinished() {}
  // A link of the unit shown points at another file of the book: YES when it
  // is a unit that is now being loaded (the view then shows the linked place).
  virtual bool gotoLinkedSpine(const std::filesystem::path& /*unit*/) { return false; }
  // The unit's page passed the engine's memory ceiling and was stopped.
  virtual void epubViewPageTooLarge() {}
};

class EPUBView : public ui::View, public svc::WebViewDelegate {
 public:
  // A view whose web view and swipes report to it.
  static std::shared_ptr<EPUBView> create(const ui::Rect& frame);
  explicit EPUBView(const ui::Rect& frame);
  ~EPUBView() override;

  std::shared_ptr<EPubViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<EPubViewDelegate> d) { delegate_ = std::move(d); }

  // The unpacked book: the only folder its pages may read.
  void setBookFolder(const std::filesystem::path& folder);
  // Loads the unit's file into the web view and takes its title.
  void loadSpine(const EPUBSpine& spine);
  // Stops the unit loading, if any (the reader leaves).
  void stopLoading();
  // Shows that page of the unit (within its pages).
  void gotoPage(int page);
  void updatePageLabelText();
  // Turns a page in `next`'s direction, or crosses into the next or
  // previous unit at the unit's end.
  void flipPage();
  // Swipes: leftward turns forward, rightward back; the other way round in
  // a book whose pages follow each other from right to left.
  void lSwipe();
  void rSwipe();
  void setRightToLeft(bool rightToLeft) { rightToLeft_ = rightToLeft; }
  bool isRightToLeft() const { return rightToLeft_; }

  bool isNext() const { return next_; }
  void setNext(bool next) { next_ = next; }
  int pageCount() const { return pageCount_; }
  int currentPageIndex() const { return currentPageIndex_; }
  const std::string& spineTitle() const { return spineTitle_; }
  const std::filesystem::path& spinePath() const { return spinePath_; }
  // A unit is being loaded; turns wait for it.
  bool isLoading() const { return loading_; }
  svc::WebView& webView() const { return *webView_; }
  ui::Label& pageLabel() const { return *pageLabel_; }

  // Shows `anchor` (an element id) once the unit now loading is laid out.
  void setPendingAnchor(std::string anchor) { pendingAnchor_ = std::move(anchor); }
  // Asks the page which of the unit's pages a place of it is on; `found`
  // hears it on a later turn (nothing for a place the unit lacks), unless
  // another unit loads first.
  void pageOfAnchor(const std::string& anchor, std::function<void(std::optional<int>)> found);
  // The unit loaded was asked to lay itself out (its answer may be to come).
  bool layoutAsked() const { return layoutAsked_; }
  // The unit's page did not answer in time: it is shown as it stands.
  bool isShownAsItStands() const { return shownAsItStands_; }

  void layoutSubviews() override;
  // The wheel turns the pages: down (or right, in a book paged from the
  // left) reads on a page a notch, up reads back. Notches the same way
  // within `kWheelTurnTime` of a turn belong to it, as they do while a
  // paging scroll view settles.
  bool wheelTurned(const ui::WheelEvent& event) override;

  // svc::WebViewDelegate
  bool webViewShouldStartLoadWithRequest(svc::WebView& webView, const std::string& url,
                                         svc::WebViewNavigationType type, bool byUser) override;
  void webViewDidStartLoad(svc::WebView& webView) override;
  void webViewDidFinishLoad(svc::WebView& webView) override;
  void webViewDidDrawPage(svc::WebView& webView) override;
  void webViewDidFailLoadWithError(svc::WebView& webView, const base::Error& error) override;

  // Layout: the web view's width, the page label's height; and the room the
  // column rules leave around the text.
  static constexpr double kPageWidth = 964;
  static constexpr double kLabelHeight = 30;
  static constexpr double kColumnHeightInset = 80;
  static constexpr double kColumnWidthInset = 60;
  // How long a unit has to load before it is shown as it stands.
  static constexpr double kLoadBound = 10;
  // How long the unit's page has to answer how it is laid out.
  static constexpr double kLayoutBound = 5;
  // How long a loaded unit's page has to be drawn before it is laid out all
  // the same (its own script may keep the engine from drawing it).
  static constexpr double kFirstDrawWait = 1;
  static constexpr const char* kNotLaidOutKey = "PAGESHOWNASITSTANDS";
  // The most pages a unit is taken to have, whatever its page answers; and
  // the longest a page is laid out (the engine's own limit, in points).
  static constexpr int kMaxPages = 1000000;
  static constexpr double kLongestExtent = 33554432;
  static constexpr double kWheelTurnTime = 0.3;

 private:
  // How the unit's pages follow each other.
  enum class Flow { LeftToRight, RightToLeft, Downward };

  // Lays the unit loaded out: its page is asked once drawn; `laidOut`
  // follows its answer.
  void paginate();
  void askLayout();
  void laidOut(const std::string& answer);
  // The unit is shown: the delegate picks its place, the anchor asked for
  // is found.
  void unitShown();
  void showAsItStands();
  // The unit's bound passed before its load ended.
  void loadOutlasted();
  // Runs a script in the unit's page whose answer the view does not need.
  void tellPage(const std::string& script);
  // A page's width, or its height where pages follow each other down.
  double pageExtentAlongFlow() const;
  void beginLoadWait();
  void endLoadWait();

  std::weak_ptr<EPubViewDelegate> delegate_;
  std::shared_ptr<svc::WebView> webView_;
  std::shared_ptr<ui::Label> pageLabel_;
  std::shared_ptr<ui::SwipeGestureRecognizer> leftSwipe_, rightSwipe_;
  std::unique_ptr<svc::WebEngine::ServedFolder> folder_;
  bool next_ = true;
  bool rightToLeft_ = false;
  bool fixedLayout_ = false;
  bool loadingFixedLayout_ = false;
  Flow flow_ = Flow::LeftToRight;
  int pageCount_ = 0;
  int currentPageIndex_ = 0;
  std::string spineTitle_;
  std::filesystem::path spinePath_;
  std::filesystem::path loadingPath_;
  bool loading_ = false;
  bool shownAsItStands_ = false;
  bool layoutAsked_ = false;
  base::CancelTracker::Id layoutBound_ = 0;
  base::CancelTracker::Id loadBound_ = 0;
  // While tracked, the unit loaded waits for its page to be drawn before it
  // is laid out.
  base::CancelTracker::Id drawWait_ = 0;
  // Turns over the page while a unit loads.
  std::shared_ptr<ui::ActivityIndicatorView> loadingDial_;
  // The questions to the unit's page: a new unit or leaving drops them.
  base::CancelTracker unitAnswers_;
  std::string pendingAnchor_;
  ui::WheelPages wheelPages_;
  // The last page the wheel turned: when, and whether it read on.
  double wheelTurned_ = -1;
  bool wheelReadOn_ = false;
};

}  // namespace mv
