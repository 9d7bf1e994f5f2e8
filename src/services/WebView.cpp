#include "services/WebView.hpp"

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "platform/base/RunLoop.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "transport/FormDataRequest.hpp"
#include "transport/RequestDelegate.hpp"
#include "util/Text.hpp"

namespace svc {

using ui::FlexibleHeight;
using ui::FlexibleWidth;
using ui::Point;
using ui::Rect;
using ui::ScrollView;
using ui::Size;
using ui::View;

namespace {

std::string trimmed(std::string_view s) { return mv::trimWhitespaceAndNewlines(s); }

// The number a CSS value starts with ("10px", "100%"); nothing without one.
std::optional<double> leadingNumber(const std::string& value) {
  char* end = nullptr;
  double v = std::strtod(value.c_str(), &end);
  if (end == value.c_str() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Applies "prop: value; ..." for `selector` to the style; false for a rule
// that changes nothing the page shows.
bool applyDeclarations(const std::string& selector, const std::string& declarations, HtmlPageStyle& style) {
  bool applied = false;
  std::size_t start = 0;
  while (start < declarations.size()) {
    std::size_t end = declarations.find(';', start);
    if (end == std::string::npos) end = declarations.size();
    std::string decl = declarations.substr(start, end - start);
    start = end + 1;
    auto colon = decl.find(':');
    if (colon == std::string::npos) continue;
    const std::string property = mv::lowercase(trimmed(decl.substr(0, colon)));
    const std::string value = mv::lowercase(trimmed(decl.substr(colon + 1)));
    auto number = leadingNumber(value);
    auto length = [&](double& field) {
      if (!number || *number < 0 || *number > 100000) return;
      field = *number;
      applied = true;
    };
    auto share = [&](double& field) {
      if (!number || value.find('%') == std::string::npos || *number <= 0) return;
      field = std::min(1.0, *number / 100);
      applied = true;
    };
    if (selector == "html" || selector == "body") {
      if (property == "padding") length(style.padding);
      if (property == "height") length(style.height);
      if (property == "-webkit-column-gap" || property == "column-gap") length(style.columnGap);
      if (property == "-webkit-column-width" || property == "column-width") length(style.columnWidth);
    } else if (selector == "p" && property == "text-align") {
      style.justifyParagraphs = value == "justify";
      applied = true;
    } else if (selector == "img") {
      if (property == "max-width") share(style.imageMaxWidth);
      if (property == "max-height") share(style.imageMaxHeight);
    }
  }
  return applied;
}

// "addCSSRule('selector', 'declarations')" as the application sends it.
std::optional<std::pair<std::string, std::string>> styleRule(std::string_view script) {
  std::string s = trimmed(script);
  while (!s.empty() && s.back() == ';') s.pop_back();
  static const std::string kCall = "addCSSRule(";
  if (s.rfind(kCall, 0) != 0 || s.back() != ')') return std::nullopt;
  std::string_view args(s);
  args = args.substr(kCall.size(), args.size() - kCall.size() - 1);
  std::vector<std::string> values;
  std::size_t i = 0;
  while (i < args.size() && values.size() < 2) {
    char quote = args[i];
    if (quote != '\'' && quote != '"') {
      ++i;
      continue;
    }
    std::size_t close = args.find(quote, i + 1);
    if (close == std::string_view::npos) return std::nullopt;
    values.emplace_back(args.substr(i + 1, close - i - 1));
    i = close + 1;
  }
  if (values.size() != 2) return std::nullopt;
  return std::make_pair(mv::lowercase(trimmed(values[0])), values[1]);
}

// The file a file URL names: without fragment or query, escapes decoded.
std::filesystem::path filePathOf(const std::string& fileURL) {
  std::string rest = fileURL.substr(7);
  return mv::percentDecode(rest.substr(0, rest.find_first_of("#?")));
}

std::string withoutFragment(const std::string& url) { return url.substr(0, url.find('#')); }

// A link of the page resolved against the page's own URL.
std::string resolveLink(const std::string& page, const std::string& href) {
  if (href.empty()) return page;
  auto colon = href.find(':');
  if (colon != std::string::npos && colon < href.find_first_of("/?#")) return href;  // has a scheme
  if (href.front() == '#') return withoutFragment(page) + href;
  auto schemeEnd = page.find("://");
  if (schemeEnd == std::string::npos) return href;
  if (href.rfind("//", 0) == 0) return page.substr(0, schemeEnd + 1) + href;
  const std::size_t pathStart = page.find('/', schemeEnd + 3);
  const std::string origin = pathStart == std::string::npos ? page : page.substr(0, pathStart);
  if (href.front() == '/') return origin + href;
  std::string base = withoutFragment(page);
  base = base.substr(0, base.find('?'));
  std::string folder = pathStart == std::string::npos ? "/" : base.substr(pathStart, base.rfind('/') + 1 - pathStart);
  std::string fragment;
  std::string path = href;
  if (auto hash = path.find('#'); hash != std::string::npos) {
    fragment = path.substr(hash);
    path = path.substr(0, hash);
  }
  // ".." and "." are resolved on the path alone.
  std::string joined = std::filesystem::path(folder + path).lexically_normal().generic_string();
  if (joined.rfind("/..", 0) == 0) joined = "/";
  return origin + joined + fragment;
}

}  // namespace

// Passes the transport's answer back to the web view that is still waiting for it.
class WebView::Relay : public mv::RequestDelegate {
 public:
  Relay(std::weak_ptr<View> view, std::uint64_t generation) : view_(std::move(view)), generation_(generation) {}
  void requestFinished(mv::FormDataRequest& request) override {
    auto v = std::static_pointer_cast<WebView>(view_.lock());
    if (!v) return;
    std::string encoding;
    std::string type = request.responseHeader("Content-Type");
    auto at = type.find("charset=");
    if (at != std::string::npos) {
      encoding = type.substr(at + 8);
      auto end = encoding.find_first_of("; \"");
      if (end != std::string::npos) encoding = encoding.substr(0, end);
    }
    v->finished(generation_, request.responseData(), encoding);
  }
  void requestFailed(mv::FormDataRequest& request) override {
    auto v = std::static_pointer_cast<WebView>(view_.lock());
    if (!v) return;
    base::Error e = request.error() ? *request.error() : base::Error{WebView::ErrorDomain, -1, "The page could not be loaded.", {}};
    v->failed(generation_, e);
  }

 private:
  std::weak_ptr<View> view_;
  std::uint64_t generation_;
};

// The laid-out page, drawn where it is visible; taps on links follow them.
class WebPageView : public View {
 public:
  using View::View;
  WebView* owner = nullptr;

  void drawRect(gfx::Context& ctx, const Rect&) override {
    if (owner && owner->layout_) owner->layout_->draw(ctx.cairo(), ctx.clipBounds());
  }
};

WebView::WebView(const Rect& frame) : View(frame) {
  setBackgroundColor(gfx::Color::white());
  scroll_ = std::make_shared<ScrollView>(bounds());
  scroll_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
  scroll_->setAlwaysBounceVertical(true);
  addSubview(scroll_);
  auto page = std::make_shared<WebPageView>(Rect{0, 0, frame.width(), 0});
  page->owner = this;
  page->setBackgroundColor(std::nullopt);
  page->setOpaque(false);
  page_ = page;
  scroll_->addSubview(page_);
  // Only a tap on a link is taken; every other touch goes on as before.
  auto tap = std::make_shared<ui::TapGestureRecognizer>();
  std::weak_ptr<View> weak = page_;
  auto linkUnder = [weak](ui::GestureRecognizer& g) -> std::optional<std::string> {
    auto p = std::static_pointer_cast<WebPageView>(weak.lock());
    if (!p || !p->owner) return std::nullopt;
    return p->owner->linkAt(g.locationInView(p.get()));
  };
  tap->shouldBegin = [linkUnder](ui::GestureRecognizer& g) { return linkUnder(g).has_value(); };
  tap->addTarget([weak, linkUnder](ui::GestureRecognizer& g) {
    if (g.state() != ui::GestureRecognized) return;
    auto p = std::static_pointer_cast<WebPageView>(weak.lock());
    if (!p || !p->owner) return;
    if (auto href = linkUnder(g)) p->owner->followLink(*href);
  });
  page_->addGestureRecognizer(tap);
}

WebView::~WebView() {
  static_cast<WebPageView*>(page_.get())->owner = nullptr;
  if (request_) request_->clearDelegatesAndCancel();
}

std::string WebView::stringByEvaluatingJavaScriptFromString(const std::string& script) {
  if (script == "document.title") return content_->title;
  if (script == "document.body.innerText") {
    std::string all;
    for (auto& line : content_->lines()) {
      if (!all.empty()) all += "\n";
      all += line;
    }
    return all;
  }
  if (script == "document.documentElement.scrollWidth") {
    return std::to_string(static_cast<long long>(std::ceil(pageLayout().contentSize().width)));
  }
  if (auto rule = styleRule(script)) {
    HtmlPageStyle next = style_;
    if (applyDeclarations(rule->first, rule->second, next) && !(next == style_)) {
      style_ = next;
      invalidateLayout();
    }
  }
  return {};
}

const HtmlLayout& WebView::pageLayout() {
  if (!layout_) relayout();
  return *layout_;
}

std::optional<Point> WebView::anchorPosition(const std::string& id) {
  auto found = content_->anchors.find(id);
  if (found == content_->anchors.end()) return std::nullopt;
  return pageLayout().positionOf(found->second);
}

std::optional<std::string> WebView::linkAt(Point p) { return pageLayout().linkAt(p); }

void WebView::followLink(const std::string& href) {
  auto keep = self();
  const std::string target = resolveLink(url_, href);
  if (auto d = delegate(); d && !d->webViewShouldStartLoadWithRequest(*this, target, WebViewNavigationType::LinkClicked))
    return;
  const auto hash = target.find('#');
  if (hash != std::string::npos && withoutFragment(target) == withoutFragment(url_)) {
    if (auto at = anchorPosition(target.substr(hash + 1))) {
      Point offset = pageLayout().isPaged()
                         ? Point{std::floor(at->x / std::max(1.0, bounds().width())) * bounds().width(), 0}
                         : Point{0, at->y};
      scroll_->setContentOffset(scroll_->clampedContentOffset(offset));
    }
    return;
  }
  navigate(target, WebViewNavigationType::LinkClicked, true);
}

void WebView::loadRequest(const std::string& url) { navigate(url, WebViewNavigationType::Other, true); }

void WebView::loadFile(const std::filesystem::path& path) {
  navigate("file://" + std::filesystem::absolute(path).string(), WebViewNavigationType::Other, true);
}

void WebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
  auto keep = self();
  std::string url = baseURL.empty() ? "about:blank" : baseURL;
  if (auto d = delegate(); d && !d->webViewShouldStartLoadWithRequest(*this, url, WebViewNavigationType::Other)) return;
  begin(url);
  std::uint64_t g = generation_;
  std::weak_ptr<View> weak = weak_from_this();
  std::string copy = html;
  base::RunLoop::main().post([weak, g, copy] {
    if (auto v = std::static_pointer_cast<WebView>(weak.lock())) v->finished(g, copy, "UTF-8");
  });
}

void WebView::cancelCurrent(bool tellDelegate) {
  if (!loading_) return;
  ++generation_;
  loading_ = false;
  if (request_) request_->clearDelegatesAndCancel();
  releaseTransfer();
  if (tellDelegate)
    if (auto d = delegate()) d->webViewDidFailLoadWithError(*this, base::Error{ErrorDomain, kErrorCancelled, "cancelled", {}});
}

void WebView::releaseTransfer() {
  // The answer arrives from inside the request's own report: both go once it has returned.
  if (!request_ && !relay_) return;
  base::RunLoop::main().post([request = std::move(request_), relay = std::move(relay_)] {});
  request_.reset();
  relay_.reset();
}

void WebView::stopLoading() {
  auto keep = self();
  cancelCurrent(true);
}

void WebView::begin(const std::string& url) {
  cancelCurrent(true);
  ++generation_;
  loading_ = true;
  url_ = url;
  if (auto d = delegate()) d->webViewDidStartLoad(*this);
}

void WebView::navigate(const std::string& url, WebViewNavigationType type, bool record) {
  auto keep = self();
  if (auto d = delegate(); d && !d->webViewShouldStartLoadWithRequest(*this, url, type)) return;
  if (record) {
    if (index_ + 1 < static_cast<long>(history_.size())) history_.resize(static_cast<std::size_t>(index_ + 1));
    history_.push_back(url);
    index_ = static_cast<long>(history_.size()) - 1;
  }
  begin(url);
  std::uint64_t g = generation_;
  std::weak_ptr<View> weak = weak_from_this();
  auto later = [weak, g](std::function<void(WebView&)> f) {
    base::RunLoop::main().post([weak, g, f] {
      auto v = std::static_pointer_cast<WebView>(weak.lock());
      if (v && v->generation_ == g) f(*v);
    });
  };
  if (url.rfind("http://", 0) == 0 || url.rfind("https://", 0) == 0) {
    auto request = std::make_shared<mv::FormDataRequest>(url);
    request->setTimeOutSeconds(timeout_);
    // The page's certificate is checked like every other transfer's.
    request->setValidatesSecureCertificate(true);
    relay_ = std::make_shared<Relay>(weak, g);
    request->setDelegate(relay_.get());
    request_ = request;
    if (!request->startAsynchronous())
      later([g](WebView& v) { v.failed(g, base::Error{ErrorDomain, -1, "The request could not start.", {}}); });
    return;
  }
  if (url.rfind("file://", 0) == 0) {
    std::filesystem::path path = filePathOf(url);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
      later([g](WebView& v) {
        v.failed(g, base::Error{ErrorDomain, kErrorFileDoesNotExist, "The file does not exist.", {}});
      });
      return;
    }
    std::ifstream in(path, std::ios::binary);
    std::string data;
    data.resize(kMaximumPageBytes);
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    later([g, data](WebView& v) { v.finished(g, data, ""); });
    return;
  }
  if (url == "about:blank") {
    later([g](WebView& v) { v.finished(g, "", "UTF-8"); });
    return;
  }
  later([g](WebView& v) { v.failed(g, base::Error{ErrorDomain, kErrorUnsupportedURL, "unsupported URL", {}}); });
}

void WebView::reload() {
  if (url_.empty()) return;
  navigate(url_, WebViewNavigationType::Reload, false);
}

void WebView::goBack() {
  if (!canGoBack()) return;
  --index_;
  navigate(history_[static_cast<std::size_t>(index_)], WebViewNavigationType::BackForward, false);
}

void WebView::goForward() {
  if (!canGoForward()) return;
  ++index_;
  navigate(history_[static_cast<std::size_t>(index_)], WebViewNavigationType::BackForward, false);
}

void WebView::finished(std::uint64_t generation, const std::string& html, const std::string& encoding) {
  if (generation != generation_ || !loading_) return;
  auto keep = self();
  loading_ = false;
  releaseTransfer();
  show(html, encoding);
  if (auto d = delegate()) d->webViewDidFinishLoad(*this);
}

void WebView::failed(std::uint64_t generation, const base::Error& error) {
  if (generation != generation_ || !loading_) return;
  auto keep = self();
  loading_ = false;
  releaseTransfer();
  if (auto d = delegate()) d->webViewDidFailLoadWithError(*this, error);
}

void WebView::show(const std::string& html, const std::string& encoding) {
  // Pictures are read only for pages that come from files.
  std::filesystem::path base;
  if (url_.rfind("file://", 0) == 0) base = filePathOf(url_).parent_path();
  content_ = std::make_shared<const HtmlContent>(HtmlContent::parse(html, encoding, base));
  style_ = HtmlPageStyle{};
  images_ = HtmlImageCache{};
  scroll_->setContentOffset({0, 0});
  invalidateLayout();
}

void WebView::invalidateLayout() {
  layout_.reset();
  setNeedsLayout();
}

void WebView::relayout() {
  const double w = bounds().width();
  layout_ = std::make_unique<HtmlLayout>(content_, style_, w, images_);
  laidOutWidth_ = w;
  Size size = layout_->contentSize();
  page_->setFrame({0, 0, size.width, size.height});
  // Columns are read a viewport at a time: the last one must be reachable whole.
  if (layout_->isPaged() && w > 0) size.width = std::ceil(size.width / w - 1e-9) * w;
  scroll_->setContentSize(size);
  page_->setNeedsDisplay();
}

void WebView::layoutSubviews() {
  scroll_->setFrame(bounds());
  if (!layout_ || bounds().width() != laidOutWidth_) relayout();
}

}  // namespace svc
