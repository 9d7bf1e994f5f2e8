#pragma once
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Error.hpp"
#include "platform/ui/ScrollView.hpp"
#include "services/HtmlLayout.hpp"

namespace mv {
class FormDataRequest;
}

namespace svc {

class WebView;

enum class WebViewNavigationType { LinkClicked = 0, BackForward = 2, Reload = 3, Other = 5 };

// Hears a web view load. Every operation is optional.
class WebViewDelegate {
 public:
  virtual ~WebViewDelegate() = default;
  // Asked before every load; no stops it before it starts.
  virtual bool webViewShouldStartLoadWithRequest(WebView& /*webView*/, const std::string& /*url*/, WebViewNavigationType /*type*/) {
    return true;
  }
  virtual void webViewDidStartLoad(WebView& /*webView*/) {}
  virtual void webViewDidFinishLoad(WebView& /*webView*/) {}
  virtual void webViewDidFailLoadWithError(WebView& /*webView*/, const base::Error& /*error*/) {}
};

// Shows a web page: the page is fetched over the transport (http and https,
// certificates validated; file URLs and files are read directly), parsed
// into styled text and pictures (pictures only for pages read from files)
// and laid out with pango in a scroll view, as one tall column, or in columns
// side by side once style rules sent as scripts ask for them. Scripts do not
// run: the few the application sends are recognised (see
// `stringByEvaluatingJavaScriptFromString`). A tap on a link asks the
// delegate (link-clicked) and then loads the link, or, for a place in the
// page shown, scrolls there.
//
// Every load is announced to the delegate (should-start, then did-start)
// and ends with did-finish or did-fail on a later turn of the main loop; a
// load stopped or replaced by another fails with the cancelled error
// (code -999). An HTTP error status still shows the page the server sent.
// Back and forward move through the pages loaded by URL.
class WebView : public ui::View {
 public:
  explicit WebView(const ui::Rect& frame = {});
  ~WebView() override;

  std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<WebViewDelegate> d) { delegate_ = std::move(d); }

  // http, https, file and about:blank URLs; others fail as unsupported.
  virtual void loadRequest(const std::string& url);
  virtual void loadFile(const std::filesystem::path& path);
  void loadHTMLString(const std::string& html, const std::string& baseURL = {});
  void stopLoading();
  void reload();
  void goBack();
  void goForward();
  bool canGoBack() const { return index_ > 0; }
  bool canGoForward() const { return index_ + 1 < static_cast<long>(history_.size()); }
  bool isLoading() const { return loading_; }
  // The URL of the page shown or loading.
  const std::string& url() const { return url_; }

  // The page: its title and its text, one entry per line.
  const std::string& pageTitle() const { return content_->title; }
  std::vector<std::string> pageText() const { return content_->lines(); }
  // No script engine. Answered from the page: "document.title",
  // "document.body.innerText", "document.documentElement.scrollWidth" (the
  // width of the laid-out content). Style rules sent as
  // "addCSSRule('selector', 'declarations')" are applied to the page shown
  // until the next load: for "html" its padding, height, column width and
  // column gap (in px), for "p" its text alignment, for "img" its largest
  // width and height (in %). Anything else answers empty.
  virtual std::string stringByEvaluatingJavaScriptFromString(const std::string& script);
  // Where the element of that id (or the anchor of that name) starts, in
  // content coordinates; nothing when the page has none.
  virtual std::optional<ui::Point> anchorPosition(const std::string& id);
  // The link under a point of the content, as the page writes it.
  std::optional<std::string> linkAt(ui::Point p);
  // Follows a link as a tap would: asks the delegate, then scrolls to a place
  // of the page shown or loads the link resolved against the page's URL.
  void followLink(const std::string& href);
  const HtmlPageStyle& pageStyle() const { return style_; }
  // The layout of the page shown (made now if the page changed).
  const HtmlLayout& pageLayout();

  bool scalesPageToFit() const { return scalesPageToFit_; }
  void setScalesPageToFit(bool on) { scalesPageToFit_ = on; }
  double timeoutSeconds() const { return timeout_; }
  void setTimeoutSeconds(double s) { timeout_ = s; }
  ui::ScrollView& scrollView() const { return *scroll_; }

  void layoutSubviews() override;

  // Pages larger than this are cut before parsing.
  static constexpr std::size_t kMaximumPageBytes = HtmlContent::kMaximumPageBytes;
  static constexpr long kErrorCancelled = -999;
  static constexpr long kErrorUnsupportedURL = -1002;
  static constexpr long kErrorFileDoesNotExist = -1100;
  static inline const std::string ErrorDomain = "WebViewErrorDomain";

 private:
  friend class WebPageView;
  class Relay;

  void navigate(const std::string& url, WebViewNavigationType type, bool record);
  void begin(const std::string& url);
  void cancelCurrent(bool tellDelegate);
  void releaseTransfer();
  void show(const std::string& html, const std::string& encoding);
  void finished(std::uint64_t generation, const std::string& html, const std::string& encoding);
  void failed(std::uint64_t generation, const base::Error& error);
  void invalidateLayout();
  void relayout();

  std::weak_ptr<WebViewDelegate> delegate_;
  std::shared_ptr<ui::ScrollView> scroll_;
  std::shared_ptr<ui::View> page_;
  std::vector<std::string> history_;
  long index_ = -1;
  std::string url_;
  bool loading_ = false;
  std::uint64_t generation_ = 0;
  std::shared_ptr<mv::FormDataRequest> request_;
  std::shared_ptr<Relay> relay_;
  std::shared_ptr<const HtmlContent> content_ = std::make_shared<HtmlContent>();
  HtmlPageStyle style_;
  HtmlImageCache images_;
  std::unique_ptr<HtmlLayout> layout_;
  double laidOutWidth_ = -1;
  bool scalesPageToFit_ = false;
  double timeout_ = 30;
};

}  // namespace svc
