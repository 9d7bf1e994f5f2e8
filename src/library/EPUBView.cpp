#include "library/EPUBView.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "shell/frame/MessageBox.hpp"
#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// The unit's own first style sheet takes the rules; a unit without one gets
// a new style element first, so that it is paged all the same.
constexpr const char* kFindStyleSheet =
    "var mySheet = document.styleSheets[0]; if (!mySheet) { var myStyle = document.createElement('style'); "
    "(document.head || document.documentElement).appendChild(myStyle); mySheet = myStyle.sheet; }";
constexpr const char* kAddRuleFunction =
    "function addCSSRule(selector, newRule) {if (mySheet.addRule) {mySheet.addRule(selector, newRule);} else "
    "{ruleIndex = mySheet.cssRules.length;mySheet.insertRule(selector + '{' + newRule + ';}', ruleIndex);}}";
constexpr const char* kScrollWidth = "document.documentElement.scrollWidth";

std::string columnRule(double height, double width) {
  char rule[256];
  std::snprintf(rule, sizeof rule,
                "addCSSRule('html', 'padding: 10px; height: %fpx; -webkit-column-gap: 20px; -webkit-column-width: "
                "%fpx;')",
                height, width);
  return rule;
}

// The file a file URL names and the place after its "#".
std::pair<fs::path, std::string> splitFileURL(const std::string& url) {
  const std::string rest = url.substr(7);
  const auto hash = rest.find('#');
  std::string path = rest.substr(0, std::min(hash, rest.find('?')));
  return {fs::path(percentDecode(path)).lexically_normal(),
          hash == std::string::npos ? std::string() : percentDecode(rest.substr(hash + 1))};
}

}  // namespace

EPUBView::EPUBView(const ui::Rect& frame, std::shared_ptr<svc::WebView> webView) : View(frame) {
  setBackgroundColor(gfx::Color::white());
  webView_ = webView ? std::move(webView) : std::make_shared<svc::WebView>(bounds());
  webView_->setFrame(bounds());
  webView_->setBackgroundColor(std::nullopt);
  webView_->setOpaque(false);
  ui::ScrollView& scroll = webView_->scrollView();
  scroll.setAlwaysBounceHorizontal(true);
  scroll.setAlwaysBounceVertical(false);
  scroll.setBounces(true);
  scroll.setShowsHorizontalScrollIndicator(false);
  scroll.setShowsVerticalScrollIndicator(false);
  scroll.setPagingEnabled(true);
  scroll.setBackgroundColor(std::nullopt);
  addSubview(webView_);

  // The swipes see the same touches as the scroll view's drag.
  auto both = [](ui::GestureRecognizer&, ui::GestureRecognizer&) { return true; };
  leftSwipe_ = std::make_shared<ui::SwipeGestureRecognizer>();
  leftSwipe_->direction = ui::SwipeLeft;
  leftSwipe_->shouldRecognizeSimultaneously = both;
  rightSwipe_ = std::make_shared<ui::SwipeGestureRecognizer>();
  rightSwipe_->direction = ui::SwipeRight;
  rightSwipe_->shouldRecognizeSimultaneously = both;
  webView_->addGestureRecognizer(leftSwipe_);
  webView_->addGestureRecognizer(rightSwipe_);

  pageLabel_ = std::make_shared<ui::Label>();
  pageLabel_->setFont(gfx::Font::systemFont(11));
  pageLabel_->setTextAlignment(gfx::TextAlignment::Center);
  pageLabel_->setBackgroundColor(std::nullopt);
  addSubview(pageLabel_);
}

std::shared_ptr<EPUBView> EPUBView::create(const ui::Rect& frame, std::shared_ptr<svc::WebView> webView) {
  auto view = std::make_shared<EPUBView>(frame, std::move(webView));
  view->webView_->setDelegate(std::weak_ptr<svc::WebViewDelegate>(view));
  view->webView_->scrollView().setDelegate(std::weak_ptr<ui::ScrollViewDelegate>(view));
  std::weak_ptr<EPUBView> weak = view;
  view->leftSwipe_->addTarget([weak](ui::GestureRecognizer& g) {
    if (auto v = weak.lock(); v && g.state() == ui::GestureRecognized) v->lSwipe();
  });
  view->rightSwipe_->addTarget([weak](ui::GestureRecognizer& g) {
    if (auto v = weak.lock(); v && g.state() == ui::GestureRecognized) v->rSwipe();
  });
  return view;
}

EPUBView::~EPUBView() { endWait(); }

void EPUBView::layoutSubviews() {
  const ui::Rect b = bounds();
  const double h = b.height();
  const ui::Point c{b.midX(), b.midY()};
  webView_->setFrame({0, 0, kPageWidth, std::max(0.0, h - kLabelHeight)});
  webView_->setCenter(c);
  gotoPage(currentPageIndex_);
  pageLabel_->setFrame({0, 0, kPageWidth, kLabelHeight});
  pageLabel_->setCenter({c.x, c.y + (h - kLabelHeight) / 2});
}

void EPUBView::loadSpine(const EPUBSpine& spine) {
  MV_ASSERT_MAIN_THREAD();
  spineTitle_ = spine.title;
  loadingPath_ = spine.path;
  ++unitGeneration_;
  webView_->loadFile(spine.path);
}

bool EPUBView::webViewShouldStartLoadWithRequest(svc::WebView&, const std::string& url, svc::WebViewNavigationType type) {
  if (type != svc::WebViewNavigationType::LinkClicked) return true;
  // Links are the book's own business: a place in this unit, or another unit.
  if (url.rfind("file://", 0) != 0 || loading_) return false;
  auto [path, anchor] = splitFileURL(url);
  if (path == spinePath_.lexically_normal()) {
    if (auto page = anchor.empty() ? std::optional<int>(0) : pageOfAnchor(anchor)) gotoPage(*page);
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
  endWait();
  waitTag_ = MessageBox::sharedInstance().BeginBlockWait("", kWaitTimeout);
}

void EPUBView::webViewDidFinishLoad(svc::WebView&) {
  loading_ = false;
  spinePath_ = loadingPath_;
  // The page's size decides the columns: take the one the view has now.
  layoutIfNeeded();
  paginate();
  if (auto d = delegate()) d->epubViewLoadFinished();
  if (!pendingAnchor_.empty()) {
    if (auto page = pageOfAnchor(pendingAnchor_)) gotoPage(*page);
    pendingAnchor_.clear();
  }
  endWait();
}

void EPUBView::webViewDidFailLoadWithError(svc::WebView&, const base::Error& error) {
  // The counts and the label keep what they showed.
  loading_ = false;
  pendingAnchor_.clear();
  if (error.code != svc::WebView::kErrorCancelled) MV_LOG("epub: a unit did not load: ", error.description);
  endWait();
}

void EPUBView::paginate() {
  const ui::Rect frame = webView_->frame();
  const double height = frame.height() - kColumnHeightInset;
  const double width = (frame.width() - kColumnWidthInset) / 2;
  webView_->stringByEvaluatingJavaScriptFromString(kFindStyleSheet);
  webView_->stringByEvaluatingJavaScriptFromString(kAddRuleFunction);
  webView_->stringByEvaluatingJavaScriptFromString(columnRule(height, width));
  webView_->stringByEvaluatingJavaScriptFromString("addCSSRule('p', 'text-align: justify;')");
  webView_->stringByEvaluatingJavaScriptFromString("addCSSRule('img', 'max-width:100%; max-height:100%;border:none;')");
  webView_->stringByEvaluatingJavaScriptFromString("addCSSRule('highlight', 'background-color: yellow;')");
  const std::string answer = webView_->stringByEvaluatingJavaScriptFromString(kScrollWidth);
  const double scrollWidth = std::max(0.0, std::strtod(answer.c_str(), nullptr));
  const double pageWidth = webView_->bounds().width();
  // However odd the answer, a unit has at least one page.
  pageCount_ = pageWidth > 0 && std::isfinite(scrollWidth)
                   ? std::max(1, static_cast<int>(std::min(1e6, std::ceil(scrollWidth / pageWidth))))
                   : 1;
  currentPageIndex_ = 0;
}

void EPUBView::endWait() {
  if (waitTag_ == 0) return;
  MessageBox::sharedInstance().EndBlockWait(waitTag_);
  waitTag_ = 0;
}

std::optional<int> EPUBView::pageOfAnchor(const std::string& anchor) const {
  const double width = webView_->bounds().width();
  auto at = webView_->anchorPosition(anchor);
  if (!at || width <= 0) return std::nullopt;
  return static_cast<int>(std::floor(at->x / width));
}

void EPUBView::gotoPage(int page) {
  currentPageIndex_ = std::clamp(page, 0, std::max(0, pageCount_ - 1));
  ui::ScrollView& scroll = webView_->scrollView();
  const float x = static_cast<float>(currentPageIndex_ * webView_->bounds().width());
  scroll.setContentOffset({x, scroll.contentOffset().y}, false);
  updatePageLabelText();
}

void EPUBView::updatePageLabelText() {
  char text[64];
  std::snprintf(text, sizeof text, "%d / %d", currentPageIndex_ + 1, pageCount_);
  pageLabel_->setText(spineTitle_.empty() ? std::string(text) : std::string(text) + " - " + spineTitle_ + ".");
}

void EPUBView::flipPage() {
  if (loading_) return;
  auto d = delegate();
  if (next_ && currentPageIndex_ + 1 >= pageCount_) {
    if (d) d->gotoNextSpine();
  } else if (!next_ && currentPageIndex_ == 0) {
    if (d) d->gotoPrevSpine();
  }
  updatePageLabelText();
}

void EPUBView::lSwipe() {
  next_ = true;
  flipPage();
}

void EPUBView::rSwipe() {
  next_ = false;
  flipPage();
}

void EPUBView::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
  touchBeginPoint_ = scrollView.contentOffset();
  dragGeneration_ = unitGeneration_;
}

void EPUBView::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) {
  const double x = scrollView.contentOffset().x;
  // A drag during which another unit came (a swipe of the same stroke) has done its turn.
  if (x != touchBeginPoint_.x && !loading_ && dragGeneration_ == unitGeneration_) {
    next_ = x > touchBeginPoint_.x;
    const double width = scrollView.frame().width();
    const double lastOffset = std::max(0, pageCount_ - 1) * width;
    // Only a real pull past the end leaves the unit; a short one springs back.
    const bool pastEnd = next_ ? x - lastOffset > kCrossingPull : -x > kCrossingPull;
    const bool atEnd = next_ ? currentPageIndex_ + 1 >= pageCount_ : currentPageIndex_ == 0;
    if (pastEnd && atEnd) {
      flipPage();
      return;
    }
  }
  if (!willDecelerate) pageSettled();
}

void EPUBView::scrollViewDidEndDecelerating(ui::ScrollView&) { pageSettled(); }

void EPUBView::pageSettled() {
  if (loading_) return;
  const double width = webView_->scrollView().frame().width();
  if (width <= 0) return;
  const double x = webView_->scrollView().contentOffset().x;
  currentPageIndex_ = std::clamp(static_cast<int>(std::lround(x / width)), 0, std::max(0, pageCount_ - 1));
  updatePageLabelText();
}

}  // namespace mv
