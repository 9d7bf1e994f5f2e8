#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Error.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {
class FormDataRequest;
}

namespace svc {

class WebView;

enum class WebViewNavigationType { BackForward = 2, Reload = 3, Other = 5 };

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

// Shows a web page as text: the page is fetched over the transport (http
// and https, certificates validated; file URLs and files are read
// directly), parsed by libxml2's HTML parser, and its headings, paragraphs
// and list items are laid out in a scroll view. Scripts do not run.
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
  void loadRequest(const std::string& url);
  void loadFile(const std::filesystem::path& path);
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

  // The page: its title and its text, one entry per block.
  const std::string& pageTitle() const { return title_; }
  std::vector<std::string> pageText() const;
  // No script engine: "document.title" and "document.body.innerText" are
  // answered from the page; anything else answers empty.
  std::string stringByEvaluatingJavaScriptFromString(const std::string& script) const;

  bool scalesPageToFit() const { return scalesPageToFit_; }
  void setScalesPageToFit(bool on) { scalesPageToFit_ = on; }
  double timeoutSeconds() const { return timeout_; }
  void setTimeoutSeconds(double s) { timeout_ = s; }
  ui::ScrollView& scrollView() const { return *scroll_; }

  void layoutSubviews() override;

  // Pages larger than this are cut before parsing.
  static constexpr std::size_t kMaximumPageBytes = 8u << 20;
  static constexpr long kErrorCancelled = -999;
  static constexpr long kErrorUnsupportedURL = -1002;
  static constexpr long kErrorFileDoesNotExist = -1100;
  static inline const std::string ErrorDomain = "WebViewErrorDomain";

 private:
  friend class WebPageView;
  class Relay;
  struct Block {
    std::string text;
    int heading = 0;  // 1-6 for headings
    bool listItem = false;
    bool preformatted = false;
  };

  void navigate(const std::string& url, WebViewNavigationType type, bool record);
  void begin(const std::string& url);
  void cancelCurrent(bool tellDelegate);
  void releaseTransfer();
  void show(const std::string& html, const std::string& encoding);
  void finished(std::uint64_t generation, const std::string& html, const std::string& encoding);
  void failed(std::uint64_t generation, const base::Error& error);
  void relayout();
  static void parse(const std::string& html, const std::string& encoding, std::string& title, std::vector<Block>& blocks);

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
  std::string title_;
  std::vector<Block> blocks_;
  bool scalesPageToFit_ = false;
  double timeout_ = 30;
  double laidOutWidth_ = -1;
};

}  // namespace svc
