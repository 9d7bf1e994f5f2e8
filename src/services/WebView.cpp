#include "services/WebView.hpp"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>

#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "transport/FormDataRequest.hpp"
#include "transport/RequestDelegate.hpp"

namespace svc {

using ui::FlexibleHeight;
using ui::FlexibleWidth;
using ui::Point;
using ui::Rect;
using ui::ScrollView;
using ui::Size;
using ui::View;

namespace {

constexpr double kMargin = 20;
constexpr double kBlockSpacing = 10;
constexpr double kListIndent = 24;
constexpr std::size_t kMaximumTextBytes = 2u << 20;
constexpr int kMaximumDepth = 256;

gfx::Font fontFor(int heading) {
  static const double sizes[7] = {16, 28, 24, 20, 18, 16, 14};
  if (heading <= 0 || heading > 6) return gfx::Font::systemFont(sizes[0]);
  return gfx::Font::boldSystemFont(sizes[heading]);
}

bool isBlockElement(const char* n) {
  static const char* blocks[] = {"p",     "div",   "h1",   "h2",     "h3",    "h4",    "h5",     "h6",
                                 "li",    "ul",    "ol",   "tr",     "table", "section", "article", "header",
                                 "footer", "nav",  "aside", "main",  "blockquote", "pre", "dl",  "dt",
                                 "dd",    "form",  "hr",   "address", "figure", "figcaption", "body", "center"};
  for (const char* b : blocks)
    if (std::strcmp(n, b) == 0) return true;
  return false;
}

bool isSkipped(const char* n) {
  static const char* skipped[] = {"script", "style", "head", "noscript", "template", "svg", "iframe", "object", "canvas"};
  for (const char* s : skipped)
    if (std::strcmp(n, s) == 0) return true;
  return false;
}

// Collapses runs of white space into one space.
void appendCollapsed(std::string& out, const char* text) {
  for (const char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += *p;
    }
  }
}

// A file URL's path with its %XX escapes decoded (malformed ones are kept as they are).
std::string decodedPath(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string trimmed(const std::string& s) {
  std::size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  std::size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
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

// The laid-out text of the page.
class WebPageView : public View {
 public:
  using View::View;
  WebView* owner = nullptr;
  std::vector<double> tops;  // top of each block

  void drawRect(gfx::Context& ctx, const Rect& dirty) override {
    if (!owner) return;
    double width = bounds().width() - 2 * kMargin;
    for (std::size_t i = 0; i < owner->blocks_.size() && i < tops.size(); ++i) {
      const auto& b = owner->blocks_[i];
      double next = i + 1 < tops.size() ? tops[i + 1] : bounds().height();
      if (next < dirty.minY() || tops[i] > dirty.maxY()) continue;
      double indent = b.listItem ? kListIndent : 0;
      gfx::Font f = fontFor(b.heading);
      if (b.listItem) ctx.drawText("\u2022", Point{kMargin + 6, tops[i]}, f, gfx::Color::black());
      ctx.drawText(b.text, {kMargin + indent, tops[i], std::max(1.0, width - indent), next - tops[i]}, f,
                   gfx::Color::black(), gfx::LineBreakMode::WordWrap, gfx::TextAlignment::Left, 0);
    }
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
}

WebView::~WebView() {
  static_cast<WebPageView*>(page_.get())->owner = nullptr;
  if (request_) request_->clearDelegatesAndCancel();
}

std::vector<std::string> WebView::pageText() const {
  std::vector<std::string> out;
  for (auto& b : blocks_) out.push_back(b.text);
  return out;
}

std::string WebView::stringByEvaluatingJavaScriptFromString(const std::string& script) const {
  if (script == "document.title") return title_;
  if (script == "document.body.innerText") {
    std::string all;
    for (auto& b : blocks_) {
      if (!all.empty()) all += "\n";
      all += b.text;
    }
    return all;
  }
  return {};
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
    std::filesystem::path path = decodedPath(url.substr(7));
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
  title_.clear();
  blocks_.clear();
  parse(html.size() > kMaximumPageBytes ? html.substr(0, kMaximumPageBytes) : html, encoding, title_, blocks_);
  scroll_->setContentOffset({0, 0});
  relayout();
}

void WebView::parse(const std::string& html, const std::string& encoding, std::string& title, std::vector<Block>& blocks) {
  if (html.empty()) return;
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_COMPACT;
  htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr,
                                  encoding.empty() ? nullptr : encoding.c_str(), options);
  if (!doc) return;
  std::size_t total = 0;
  Block current;
  auto flush = [&] {
    std::string t = current.preformatted ? current.text : trimmed(current.text);
    if (!t.empty() && total < kMaximumTextBytes) {
      total += t.size();
      Block b = current;
      b.text = std::move(t);
      blocks.push_back(std::move(b));
    }
    current = Block{};
  };
  std::function<void(xmlNodePtr, int, int, bool, bool)> walk = [&](xmlNodePtr node, int depth, int heading, bool list,
                                                                     bool pre) {
    if (depth > kMaximumDepth) return;
    for (xmlNodePtr n = node; n; n = n->next) {
      if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
        if (!n->content) continue;
        current.heading = heading;
        current.listItem = current.listItem || list;
        current.preformatted = pre;
        if (pre)
          current.text += reinterpret_cast<const char*>(n->content);
        else
          appendCollapsed(current.text, reinterpret_cast<const char*>(n->content));
        continue;
      }
      if (n->type != XML_ELEMENT_NODE || !n->name) continue;
      const char* name = reinterpret_cast<const char*>(n->name);
      if (isSkipped(name)) continue;
      if (std::strcmp(name, "br") == 0) {
        flush();
        continue;
      }
      bool block = isBlockElement(name);
      int h = heading;
      if (name[0] == 'h' && name[1] >= '1' && name[1] <= '6' && name[2] == 0) h = name[1] - '0';
      bool li = list || std::strcmp(name, "li") == 0;
      bool p = pre || std::strcmp(name, "pre") == 0;
      if (block) flush();
      walk(n->children, depth + 1, h, li, p);
      if (block) flush();
    }
  };
  // The title lives in the head, which is not shown.
  std::function<xmlNodePtr(xmlNodePtr, int)> findTitle = [&](xmlNodePtr node, int depth) -> xmlNodePtr {
    if (depth > kMaximumDepth) return nullptr;
    for (xmlNodePtr n = node; n; n = n->next) {
      if (n->type != XML_ELEMENT_NODE || !n->name) continue;
      if (std::strcmp(reinterpret_cast<const char*>(n->name), "title") == 0) return n;
      if (xmlNodePtr t = findTitle(n->children, depth + 1)) return t;
    }
    return nullptr;
  };
  if (xmlNodePtr t = findTitle(xmlDocGetRootElement(doc), 0)) {
    if (xmlChar* content = xmlNodeGetContent(t)) {
      std::string s;
      appendCollapsed(s, reinterpret_cast<const char*>(content));
      title = trimmed(s);
      xmlFree(content);
    }
  }
  walk(xmlDocGetRootElement(doc), 0, 0, false, false);
  flush();
  xmlFreeDoc(doc);
}

void WebView::relayout() {
  auto* page = static_cast<WebPageView*>(page_.get());
  double w = bounds().width();
  double width = std::max(1.0, w - 2 * kMargin);
  page->tops.clear();
  double y = kMargin;
  for (auto& b : blocks_) {
    page->tops.push_back(y);
    double indent = b.listItem ? kListIndent : 0;
    Size s = gfx::sizeWithFont(b.text, fontFor(b.heading), Size{std::max(1.0, width - indent), 0}, gfx::LineBreakMode::WordWrap);
    y += std::ceil(s.height) + kBlockSpacing;
  }
  y += kMargin;
  page->setFrame({0, 0, w, y});
  scroll_->setContentSize({w, y});
  page->setNeedsDisplay();
  laidOutWidth_ = w;
}

void WebView::layoutSubviews() {
  scroll_->setFrame(bounds());
  if (bounds().width() != laidOutWidth_) relayout();
}

}  // namespace svc
