#include "library/epub/EPUBView.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "shell/frame/DesktopLink.hpp"
#include "util/OpenableLink.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// The unit's own first style sheet that can take rules takes them (one that
// did not load cannot); a unit without one gets a new style element first,
// so that it is paged all the same.
constexpr const char* kFindStyleSheet =
    "var mySheet = null; for (var i = 0; i < document.styleSheets.length && !mySheet; i++) { try { "
    "document.styleSheets[i].cssRules.length; mySheet = document.styleSheets[i]; } catch (e) {} } "
    "if (!mySheet) { var myStyle = document.createElement('style'); "
    "(document.head || document.documentElement).appendChild(myStyle); mySheet = myStyle.sheet; }";
constexpr const char* kAddRuleFunction =
    "function addCSSRule(selector, newRule) {if (mySheet.addRule) {mySheet.addRule(selector, newRule);} else "
    "{ruleIndex = mySheet.cssRules.length;mySheet.insertRule(selector + '{' + newRule + ';}', ruleIndex);}}";

// Text that runs across: columns side by side, two to a page.
std::string columnRule(double height, double width) {
  char rule[256];
  std::snprintf(rule, sizeof rule,
                "addCSSRule('html', 'padding: 10px; height: %fpx; -webkit-column-gap: 20px; -webkit-column-width: "
                "%fpx;')",
                height, width);
  return rule;
}

// Text that runs down: a column is a page's height, and the columns follow
// each other down the document (a column's width is its height here).
std::string downwardColumnRule(double width, double pageHeight) {
  char rule[256];
  std::snprintf(rule, sizeof rule,
                "addCSSRule('html', 'padding: 10px; width: %fpx; height: %fpx; -webkit-column-gap: 20px; "
                "-webkit-column-width: %fpx;')",
                width, pageHeight - 20, pageHeight - 40);
  return rule;
}

// The unit's direction and writing mode, wherever it sets them, become the
// root's (which lays out the columns); answers how its text runs.
constexpr const char* kTakeFlow =
    "(function(){var d=document.documentElement,b=document.body;if(b){var r=getComputedStyle(d),s=getComputedStyle(b);"
    "if(s.writingMode!==r.writingMode)d.style.setProperty('writing-mode',s.writingMode);"
    "if(s.direction!==r.direction)d.style.setProperty('direction',s.direction);}var c=getComputedStyle(d);"
    "return /^(vertical|tb|sideways)/.test(c.writingMode)?'down':c.direction==='rtl'?'rtl':'ltr';})()";

// The rules for text that flows, sent in one go: the unit's own style sheet
// takes them, its direction and writing mode go to the root, and the page
// answers how its text runs and how far its columns reach that way
// ("<flow> <extent>", the extent made a number there, whatever the unit's
// own scripts make of the page's sizes, so that the answer stays a few
// characters long). The last page is scrolled to like the others: empty
// columns after the text make the room a page needs when the text ends
// short of it, added with no second measure (each measure lays the whole
// unit out again, seconds for a long one): a column past the room needed is
// never shown, the count of pages being the text's.
std::string textLayout(const ui::Rect& frame, const ui::Size& page, double columnHeightInset,
                       double columnWidthInset) {
  char room[640];
  std::snprintf(room, sizeof room,
                "var d=document.documentElement,b=document.body||d,down=flow==='down',"
                "E=down?d.scrollHeight:d.scrollWidth,P=down?%f:%f,step=down?P-40:P/2-20,"
                "need=Math.max(1,Math.ceil(E/P))*P-E,n=need>0?Math.min(4,Math.ceil(need/step)+1):0;"
                "for(var i=0;i<n;i++){var s=document.createElement('div');s.style.cssText="
                "'break-before:column;-webkit-column-break-before:always;height:1px;width:1px';b.appendChild(s);}"
                "return flow+' '+(+E);",
                page.height, page.width);
  return std::string(kFindStyleSheet) + ";" + kAddRuleFunction + ";(function(){var flow=" + kTakeFlow +
         ";if(flow==='down')" + downwardColumnRule(frame.width() - columnHeightInset, page.height) + ";else " +
         columnRule(frame.height() - columnHeightInset, (frame.width() - columnWidthInset) / 2) +
         ";addCSSRule('p', 'text-align: justify;');"
         "addCSSRule('img', 'max-width:100%; max-height:100%;border:none;');"
         "addCSSRule('highlight', 'background-color: yellow;');" +
         room + "})()";
}

// A page of fixed layout is drawn at the size its viewport names (an SVG
// page: its view box; a page that names none: the size it takes), scaled to
// fit the view and centred in it. The page's own background (its root's,
// else its body's) fills the page and no more: around it is white, as around
// the web view. The body becomes the page: its margins go inside it, so
// that what it holds stays where the page put it. A body with a background
// of its own beside the root's keeps it, within its margins, under what it
// holds.
std::string fitPage(double width, double height) {
  char script[4000];
  std::snprintf(script, sizeof script,
                "(function(W,H){var d=document.documentElement,w=0,h=0;"
                "if(d.namespaceURI==='http://www.w3.org/2000/svg'){"
                "if(!d.getAttribute('viewBox')){w=parseFloat(d.getAttribute('width'));h=parseFloat(d.getAttribute('height'));"
                "if(w>0&&h>0)d.setAttribute('viewBox','0 0 '+w+' '+h);}"
                "d.setAttribute('width',W);d.setAttribute('height',H);return 'svg';}"
                "var m=document.querySelector('meta[name=viewport]');"
                "if(m){(m.getAttribute('content')||'').split(/[,;]/).forEach(function(p){var kv=p.split('=');"
                "var k=(kv[0]||'').trim().toLowerCase(),v=parseFloat(kv[1]);if(k==='width')w=v;if(k==='height')h=v;});}"
                "if(!(w>0&&h>0)){w=d.scrollWidth;h=d.scrollHeight;}"
                "var s=Math.min(W/w,H/h),x=(W-w*s)/2,y=(H-h*s)/2,b=document.body,st=document.createElement('style');"
                "var place='transform-origin:0 0;transform:translate('+x+'px,'+y+'px) scale('+s+')';"
                "if(!b){st.textContent=':where(html){background-color:#fff}html{width:'+w+'px;height:'+h+'px;"
                "overflow:hidden;margin:0;'+place+';}';(document.head||d).appendChild(st);return (+w)+'x'+(+h);}"
                "var r=getComputedStyle(d),q=getComputedStyle(b);"
                "var bare=function(c){return c.backgroundImage==='none'&&"
                "(c.backgroundColor==='transparent'||/^rgba\\(.*,\\s*0\\)$/.test(c.backgroundColor));};"
                "var f=bare(r)?(bare(q)?null:q):r,paint='background-color:#fff !important;background-image:none !important;';"
                "if(f)paint=['color','image','size','position','repeat'].map(function(n){"
                "return 'background-'+n+':'+f.getPropertyValue('background-'+n)+' !important;';}).join('');"
                "var layers=function(c){return ['color','image','size','position','repeat','origin','clip'].map(function(n){"
                "return 'background-'+n+':'+c.getPropertyValue('background-'+n)+' !important;';}).join('');};"
                "var margin=function(n){return (parseFloat(q.getPropertyValue('margin-'+n))||0)+'px';};"
                "var own=f===r&&!bare(q)?'body::before{content:\\'\\' !important;position:absolute !important;"
                "z-index:-1 !important;pointer-events:none !important;top:'+margin('top')+' !important;right:'+"
                "margin('right')+' !important;bottom:'+margin('bottom')+' !important;left:'+margin('left')+"
                "' !important;'+layers(q)+'}':'';"
                "var edge=function(n){return (parseFloat(q.getPropertyValue('margin-'+n))||0)+"
                "(parseFloat(q.getPropertyValue('padding-'+n))||0)+'px';};"
                "st.textContent='html{background:#fff !important;margin:0 !important;padding:0 !important;width:'+W+'px;"
                "height:'+H+'px;overflow:hidden !important;}body{box-sizing:border-box !important;margin:0 !important;"
                "padding:'+edge('top')+' '+edge('right')+' '+edge('bottom')+' '+edge('left')+' !important;width:'+w+"
                "'px !important;height:'+h+'px !important;overflow:hidden !important;'+paint+place+' !important;}'+own;"
                "(document.head||d).appendChild(st);return (+w)+'x'+(+h);})(%f,%f)",
                width, height);
  return script;
}
// A text as a script's string literal.
// Bytes that are not UTF-8 (a link's place percent-decoded) are replaced,
// not thrown on.
std::string scriptString(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

EPUBView::EPUBView(const ui::Rect& frame) : View(frame) {
  setBackgroundColor(gfx::Color::white());
  webView_ = std::make_shared<svc::WebView>(bounds());
  // Drags, the wheel and the arrows do not scroll the page: the view turns it.
  webView_->setPagedByOwner(true);
  // A book may not tell a server who opened it, or when.
  webView_->setServedFoldersOnly(true);
  addSubview(webView_);

  leftSwipe_ = std::make_shared<ui::SwipeGestureRecognizer>();
  leftSwipe_->direction = ui::SwipeLeft;
  rightSwipe_ = std::make_shared<ui::SwipeGestureRecognizer>();
  rightSwipe_->direction = ui::SwipeRight;
  webView_->addGestureRecognizer(leftSwipe_);
  webView_->addGestureRecognizer(rightSwipe_);

  pageLabel_ = std::make_shared<ui::Label>();
  pageLabel_->setFont(gfx::Font::systemFont(11));
  pageLabel_->setTextAlignment(gfx::TextAlignment::Center);
  pageLabel_->setBackgroundColor(std::nullopt);
  addSubview(pageLabel_);
}

std::shared_ptr<EPUBView> EPUBView::create(const ui::Rect& frame) {
  auto view = std::make_shared<EPUBView>(frame);
  view->webView_->setDelegate(std::weak_ptr<svc::WebViewDelegate>(view));
  std::weak_ptr<EPUBView> weak = view;
  view->leftSwipe_->addTarget([weak](ui::GestureRecognizer& g) {
    if (auto v = weak.lock(); v && g.state() == ui::GestureRecognized) v->lSwipe();
  });
  view->rightSwipe_->addTarget([weak](ui::GestureRecognizer& g) {
    if (auto v = weak.lock(); v && g.state() == ui::GestureRecognized) v->rSwipe();
  });
  return view;
}

EPUBView::~EPUBView() = default;

void EPUBView::layoutSubviews() {
  const ui::Rect b = bounds();
  const double h = b.height();
  const ui::Point c{b.midX(), b.midY()};
  // The page above, the label in the strip below it, clear of the page.
  webView_->setFrame({c.x - kPageWidth / 2, 0, kPageWidth, std::max(0.0, h - kLabelHeight)});
  // A new size lays the unit out anew: its page shows again once it has.
  if (!loading_ && pageCount_ > 0) gotoPage(currentPageIndex_);
  pageLabel_->setFrame({c.x - kPageWidth / 2, std::max(0.0, h - kLabelHeight), kPageWidth, kLabelHeight});
}

bool EPUBView::wheelTurned(const ui::WheelEvent& event) {
  if (event.zoom != 0) return false;
  const ui::WheelPages::Turn turn = wheelPages_.add(event.delta, event.timestamp);
  if (!turn.any() || loading_) return true;
  // Down reads on; sideways shows what lies that side, as the arrows do.
  const bool readOn = turn.y != 0 ? turn.y > 0 : (turn.x > 0) != rightToLeft_;
  const bool sameTurn =
      wheelTurned_ >= 0 && event.timestamp - wheelTurned_ < kWheelTurnTime && readOn == wheelReadOn_;
  if (sameTurn) return true;
  wheelTurned_ = event.timestamp;
  wheelReadOn_ = readOn;
  next_ = readOn;
  flipPage();
  return true;
}

void EPUBView::setBookFolder(const fs::path& folder) { folder_ = svc::WebEngine::serveFolder(folder); }

void EPUBView::loadSpine(const EPUBSpine& spine) {
  MV_ASSERT_MAIN_THREAD();
  spineTitle_ = spine.title;
  loadingPath_ = spine.path;
  loadingFixedLayout_ = spine.fixedLayout;
  auto url = folder_ ? folder_->urlOf(spine.path) : std::nullopt;
  if (!url) {
    MV_LOG("epub: the unit ", spine.path.string(), " is not in the book's folder");
    return;
  }
  // What the unit before still had to answer is of no use now.
  unitAnswers_.cancelAll();
  layoutAsked_ = false;
  loading_ = true;
  loadBound_ = unitAnswers_.after(kLoadBound, [this] { loadOutlasted(); });
  webView_->loadRequest(*url);
}

void EPUBView::stopLoading() {
  unitAnswers_.cancelAll();
  if (!loading_) return;
  webView_->stopLoading();
  loading_ = false;
  pendingAnchor_.clear();
  endLoadWait();
}

bool EPUBView::webViewShouldStartLoadWithRequest(svc::WebView& web, const std::string& url,
                                                 svc::WebViewNavigationType type, bool byUser) {
  auto file = folder_ ? folder_->fileOf(url) : std::nullopt;
  if (!file) {
    // Not the book: the network and mail open on the desktop, nothing else opens.
    if (auto link = openableLink(url); link && type == svc::WebViewNavigationType::LinkClicked)
      openLinkOnDesktop(web, *link, byUser);
    else
      MV_LOG("epub: refused to open ", url);
    return false;
  }
  // The reader's own loads of the book's units.
  if (type != svc::WebViewNavigationType::LinkClicked) return true;
  auto [path, anchor] = *file;
  if (loading_) return false;
  if (path == spinePath_.lexically_normal()) {
    if (anchor.empty()) {
      gotoPage(0);
    } else {
      pageOfAnchor(anchor, [this](std::optional<int> page) {
        if (page) gotoPage(*page);
      });
    }
    return false;
  }
  auto d = delegate();
  if (!d) return false;
  pendingAnchor_ = anchor;
  if (!d->gotoLinkedSpine(path)) pendingAnchor_.clear();
  return false;
}

void EPUBView::webViewDidStartLoad(svc::WebView&) {
  loading_ = true;
  // A load the unit's own script started is bound as the reader's are.
  if (!unitAnswers_.isTracked(loadBound_)) loadBound_ = unitAnswers_.after(kLoadBound, [this] { loadOutlasted(); });
  beginLoadWait();
}

void EPUBView::webViewDidFinishLoad(svc::WebView&) {
  spinePath_ = loadingPath_;
  fixedLayout_ = loadingFixedLayout_;
  unitAnswers_.cancel(loadBound_);
  // A unit shown as it stands whose load ended after all is laid out now.
  loading_ = true;
  endLoadWait();
  // The page's size decides the columns: take the one the view has now.
  layoutIfNeeded();
  paginate();
}

void EPUBView::webViewDidFailLoadWithError(svc::WebView&, const base::Error& error) {
  // A load replaced by another is no failure of the unit now loading.
  if (error.code == svc::WebView::kErrorCancelled) return;
  // The counts and the label keep what they showed.
  unitAnswers_.cancelAll();
  loading_ = false;
  pendingAnchor_.clear();
  MV_LOG("epub: a unit did not load: ", error.description);
  endLoadWait();
  if (error.code == svc::WebView::kErrorPageTooLarge) {
    if (auto d = delegate()) d->epubViewPageTooLarge();
  }
}

void EPUBView::webViewDidDrawPage(svc::WebView&) {
  // The unit loaded waits for this before it is laid out.
  if (unitAnswers_.isTracked(drawWait_)) askLayout();
}

void EPUBView::paginate() {
  currentPageIndex_ = 0;
  pageCount_ = 0;
  flow_ = Flow::LeftToRight;
  shownAsItStands_ = false;
  layoutAsked_ = false;
  layoutBound_ = unitAnswers_.after(kLayoutBound, [this] { showAsItStands(); });
  // The page is asked at once whether it answers at all (a question that
  // touches nothing of it): a page caught in its own script is then ended
  // before the next unit loads behind it, or with the view.
  tellPage("document.readyState");
  // Columns asked for before the engine has drawn the unit once cost it
  // several times as long to lay out (tens of seconds for a long unit).
  if (webView_->pageDrawn()) return askLayout();
  drawWait_ = unitAnswers_.after(kFirstDrawWait, [this] { askLayout(); });
}

void EPUBView::askLayout() {
  layoutAsked_ = true;
  unitAnswers_.cancel(drawWait_);
  const double pageWidth = webView_->bounds().width();
  const double pageHeight = webView_->bounds().height();
  // A unit of fixed layout is one page, whole: no columns and none of the
  // rules for flowing text.
  webView_->evaluateJavaScript(
      fixedLayout_ ? fitPage(pageWidth, pageHeight)
                   : textLayout(webView_->frame(), {pageWidth, pageHeight}, kColumnHeightInset, kColumnWidthInset),
      unitAnswers_, [this](const std::string& answer) {
        unitAnswers_.cancel(layoutBound_);
        laidOut(answer);
      });
}

void EPUBView::laidOut(const std::string& answer) {
  shownAsItStands_ = false;
  flow_ = Flow::LeftToRight;
  if (fixedLayout_) {
    pageCount_ = 1;
  } else {
    char flow[8] = {0};
    double extent = 0;
    if (std::sscanf(answer.c_str(), "%7s %lf", flow, &extent) != 2) extent = 0;
    flow_ = std::string(flow) == "down" ? Flow::Downward : std::string(flow) == "rtl" ? Flow::RightToLeft : Flow::LeftToRight;
    const double pageExtent = pageExtentAlongFlow();
    // However odd the answer, a unit has at least one page; a size the
    // engine lays out no page to (not a number, none, past its longest) is
    // no size at all.
    const bool sized = std::isfinite(extent) && extent > 0 && extent <= kLongestExtent;
    pageCount_ = pageExtent > 0 && sized
                     ? std::max(1, static_cast<int>(std::min<double>(kMaxPages, std::ceil(extent / pageExtent))))
                     : 1;
  }
  unitShown();
}

void EPUBView::unitShown() {
  loading_ = false;
  currentPageIndex_ = 0;
  if (auto d = delegate()) d->epubViewLoadFinished();
  updatePageLabelText();
  if (pendingAnchor_.empty()) return;
  const std::string anchor = std::move(pendingAnchor_);
  pendingAnchor_.clear();
  pageOfAnchor(anchor, [this](std::optional<int> page) {
    if (page) gotoPage(*page);
  });
}

void EPUBView::showAsItStands() {
  MV_LOG("epub: the page of ", spinePath_.string(), " did not answer in time: shown as it stands");
  shownAsItStands_ = true;
  loading_ = false;
  pendingAnchor_.clear();
  pageCount_ = 1;
  currentPageIndex_ = 0;
  flow_ = Flow::LeftToRight;
  updatePageLabelText();
}

void EPUBView::loadOutlasted() {
  MV_LOG("epub: ", loadingPath_.string(), " did not load in time");
  spinePath_ = loadingPath_;
  fixedLayout_ = loadingFixedLayout_;
  endLoadWait();
  // Asked whether it answers at all: a page caught in its own script is
  // then ended before the next unit loads behind it.
  tellPage("0");
  showAsItStands();
}

// Whatever the page's scripts make of what is asked, the answer is nothing.
void EPUBView::tellPage(const std::string& script) {
  webView_->evaluateJavaScript("void (" + script + ")", unitAnswers_);
}

double EPUBView::pageExtentAlongFlow() const {
  return flow_ == Flow::Downward ? webView_->bounds().height() : webView_->bounds().width();
}

void EPUBView::beginLoadWait() {
  if (!loadingDial_) loadingDial_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  const ui::Rect page = webView_->frame();
  loadingDial_->setCenter({std::round(page.midX()), std::round(page.midY())});
  ViewStyle::showDial(*this, loadingDial_);
}

void EPUBView::endLoadWait() {
  if (loadingDial_ && loadingDial_->superview() == this) ViewStyle::hideDial(*this, loadingDial_);
}

void EPUBView::pageOfAnchor(const std::string& anchor, std::function<void(std::optional<int>)> found) {
  const std::string id = scriptString(anchor);
  // How far into the unit the place starts, along the way its pages follow.
  const std::string along = flow_ == Flow::Downward ? "r.top+window.scrollY"
                            : flow_ == Flow::RightToLeft
                                ? std::to_string(webView_->bounds().width()) + "-(r.right+window.scrollX)"
                                : "r.left+window.scrollX";
  webView_->evaluateJavaScript(
      "(function(){var e=document.getElementById(" + id + ")||document.getElementsByName(" + id +
          ")[0];if(!e)return '';var r=e.getBoundingClientRect();return ''+(+(" + along + "));})()",
      unitAnswers_, [this, found = std::move(found)](const std::string& answer) {
        const double extent = pageExtentAlongFlow();
        const double x = std::strtod(answer.c_str(), nullptr);
        if (answer.empty() || extent <= 0 || !std::isfinite(x)) return found(std::nullopt);
        // Within the unit's pages before it becomes a whole number.
        const double page = std::clamp(std::floor(x / extent), 0.0, static_cast<double>(std::max(0, pageCount_ - 1)));
        found(static_cast<int>(page));
      });
}

void EPUBView::gotoPage(int page) {
  currentPageIndex_ = std::clamp(page, 0, std::max(0, pageCount_ - 1));
  // A unit whose text runs from the right scrolls from the right: leftward
  // offsets are negative.
  const long offset = std::lround(currentPageIndex_ * pageExtentAlongFlow());
  const long x = flow_ == Flow::LeftToRight ? offset : flow_ == Flow::RightToLeft ? -offset : 0;
  const long y = flow_ == Flow::Downward ? offset : 0;
  if (pageCount_ > 0 && !shownAsItStands_)
    tellPage("window.scrollTo(" + std::to_string(x) + "," + std::to_string(y) + ")");
  updatePageLabelText();
}

void EPUBView::updatePageLabelText() {
  const std::string title = spineTitle_.empty() ? std::string() : " - " + spineTitle_ + ".";
  if (shownAsItStands_) {
    pageLabel_->setText(text(kNotLaidOutKey) + title);
    return;
  }
  // Nothing laid out yet (or a unit that failed): no page to name.
  if (pageCount_ <= 0) {
    pageLabel_->setText(spineTitle_);
    return;
  }
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%d / %d", currentPageIndex_ + 1, pageCount_);
  pageLabel_->setText(numbers + title);
}

void EPUBView::flipPage() {
  if (loading_) return;
  auto d = delegate();
  if (next_ && currentPageIndex_ + 1 >= pageCount_) {
    if (d) d->gotoNextSpine();
  } else if (!next_ && currentPageIndex_ == 0) {
    if (d) d->gotoPrevSpine();
  } else {
    gotoPage(currentPageIndex_ + (next_ ? 1 : -1));
  }
}

void EPUBView::lSwipe() {
  next_ = !rightToLeft_;
  flipPage();
}

void EPUBView::rSwipe() {
  next_ = rightToLeft_;
  flipPage();
}

}  // namespace mv
