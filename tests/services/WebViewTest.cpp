#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

#include <fstream>
#include <thread>

#include "TestEnvironment.hpp"
#include "services/WebView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;
using namespace svc;

namespace {

class WebViewTest : public mv::test::TestEnvironment {
 protected:
  void TearDown() override {
    ui::Application::freeInstance();
    TestEnvironment::TearDown();
  }
};

struct PageLog : WebViewDelegate {
  std::vector<std::string> log;
  std::vector<long> errors;
  bool allow = true;
  bool webViewShouldStartLoadWithRequest(WebView&, const std::string& url, WebViewNavigationType t) override {
    log.push_back("should:" + url + ":" + std::to_string(static_cast<int>(t)));
    return allow;
  }
  void webViewDidStartLoad(WebView& w) override {
    EXPECT_TRUE(w.isLoading());
    log.push_back("start");
  }
  void webViewDidFinishLoad(WebView& w) override {
    EXPECT_FALSE(w.isLoading());
    log.push_back("finish");
  }
  void webViewDidFailLoadWithError(WebView&, const base::Error& e) override {
    log.push_back("fail");
    errors.push_back(e.code);
  }
};

// A tiny HTTP server on loopback: answers GET /page with a page and anything
// else with a 404 page, one request per connection.
class PageServer {
 public:
  PageServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd_, 8) != 0) return;
    socklen_t len = sizeof addr;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~PageServer() { stop(); }
  int port() const { return port_; }
  void stop() {
    if (stopping_.exchange(true)) return;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    if (thread_.joinable()) thread_.join();
  }

 private:
  void serve() {
    while (!stopping_) {
      int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      std::string request;
      char buf[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = ::read(c, buf, sizeof buf);
        if (n <= 0) break;
        request.append(buf, static_cast<std::size_t>(n));
      }
      bool page = request.rfind("GET /page ", 0) == 0;
      std::string body = page ? "<html><head><title>Served</title></head><body><p>From the server</p></body></html>"
                              : "<p>Not here</p>";
      std::string reply = std::string(page ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
                          "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                          std::to_string(body.size()) + "\r\n\r\n" + body;
      std::size_t sent = 0;
      while (sent < reply.size()) {
        ssize_t n = ::write(c, reply.data() + sent, reply.size() - sent);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      ::close(c);
    }
  }
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

void writeFile(const std::filesystem::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary);
  out << s;
}

}  // namespace

TEST_F(WebViewTest, ParsesThePageTextAndReportsTheLoad) {
  HeadlessDriver driver;
  auto web = std::make_shared<WebView>(Rect{0, 0, 600, 400});
  auto log = std::make_shared<PageLog>();
  web->setDelegate(log);
  driver.window().addSubview(web);
  web->loadHTMLString(
      "<html><head><title>  Price   list </title><style>p{color:red}</style><script>var x = '<p>no</p>';</script></head>"
      "<body><h1>Catalogue</h1><p>Chairs &amp; tables,\n   in   stock.</p><ul><li>Oak</li><li>Pine</li></ul>"
      "<div>Line one<br>Line two</div><p>中文 说明</p></body></html>");
  EXPECT_EQ(log->log, (std::vector<std::string>{"should:about:blank:5", "start"}));
  EXPECT_TRUE(web->isLoading());
  driver.flush();
  EXPECT_EQ(log->log.back(), "finish");
  EXPECT_EQ(web->pageTitle(), "Price list");
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"Catalogue", "Chairs & tables, in stock.", "Oak", "Pine", "Line one",
                                                       "Line two", "中文 说明"}));
  EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("document.title"), "Price list");
  EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("alert(1)"), "");
  EXPECT_GT(web->scrollView().contentSize().height, 7 * 16.0);
  auto img = driver.render(*web);
  ASSERT_TRUE(img);
  bool ink = false;
  for (int y = 0; y < 60 && !ink; ++y)
    for (int x = 0; x < 300 && !ink; ++x) ink = img->pixelAt(x, y) != gfx::Color::white();
  EXPECT_TRUE(ink);

  // Hostile markup: deep nesting and broken tags parse without harm.
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "<div>";
  deep += "bottom";
  web->loadHTMLString(deep + "<p>after<b>unclosed</p></i></table>");
  driver.flush();
  EXPECT_EQ(log->log.back(), "finish");
  web->loadHTMLString("");
  driver.flush();
  EXPECT_TRUE(web->pageText().empty());
}

TEST_F(WebViewTest, FilesHistoryStopAndFailures) {
  HeadlessDriver driver;
  auto web = std::make_shared<WebView>(Rect{0, 0, 600, 400});
  auto log = std::make_shared<PageLog>();
  web->setDelegate(log);
  driver.window().addSubview(web);
  writeFile(root / "one.html", "<p>first page</p>");
  writeFile(root / "two page.html", "<p>second page</p>");

  EXPECT_FALSE(web->canGoBack());
  web->loadFile(root / "one.html");
  driver.flush();
  web->loadRequest("file://" + (root / "two%20page.html").string());
  driver.flush();
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"second page"}));
  EXPECT_TRUE(web->canGoBack());
  EXPECT_FALSE(web->canGoForward());
  web->goBack();
  driver.flush();
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"first page"}));
  EXPECT_TRUE(web->canGoForward());
  EXPECT_EQ(log->log[log->log.size() - 3].substr(log->log[log->log.size() - 3].size() - 2), ":2");  // back/forward
  web->goForward();
  driver.flush();
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"second page"}));
  web->reload();
  driver.flush();
  EXPECT_EQ(log->log.back(), "finish");

  // Failures come as failures, on a later turn.
  log->log.clear();
  web->loadFile(root / "missing.html");
  EXPECT_EQ(log->log.back(), "start");
  driver.flush();
  EXPECT_EQ(log->log.back(), "fail");
  EXPECT_EQ(log->errors.back(), WebView::kErrorFileDoesNotExist);
  web->loadRequest("mailto:someone@example.invalid");
  driver.flush();
  EXPECT_EQ(log->errors.back(), WebView::kErrorUnsupportedURL);

  // Stopped, or replaced by another load: cancelled, and the first never finishes.
  log->log.clear();
  web->loadFile(root / "one.html");
  web->stopLoading();
  driver.flush();
  EXPECT_EQ(log->log.back(), "fail");
  EXPECT_EQ(log->errors.back(), WebView::kErrorCancelled);
  EXPECT_FALSE(web->isLoading());
  log->log.clear();
  web->loadFile(root / "one.html");
  web->loadFile(root / "two page.html");
  driver.flush();
  EXPECT_EQ(std::count(log->log.begin(), log->log.end(), "finish"), 1);
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"second page"}));
  // A refused load does not start.
  log->allow = false;
  log->log.clear();
  web->loadFile(root / "one.html");
  driver.flush();
  EXPECT_EQ(log->log.size(), 1u);
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"second page"}));
  // Freed while loading: nothing arrives later.
  log->allow = true;
  web->loadFile(root / "one.html");
  web->removeFromSuperview();
  web.reset();
  driver.flush();
}

TEST_F(WebViewTest, FetchesOverHttp) {
  // The page comes through the transport, whose time-outs run in real time.
  useRealClock();
  PageServer server;
  int port = server.port();
  ASSERT_GT(port, 0);
  ::setenv("no_proxy", "127.0.0.1,localhost", 1);

  HeadlessDriver driver;
  auto web = std::make_shared<WebView>(Rect{0, 0, 600, 400});
  auto log = std::make_shared<PageLog>();
  web->setDelegate(log);
  driver.window().addSubview(web);
  std::string base = "http://127.0.0.1:" + std::to_string(port);
  web->loadRequest(base + "/page");
  EXPECT_TRUE(runUntil([&] { return !web->isLoading(); }, 10));
  EXPECT_EQ(log->log.back(), "finish");
  EXPECT_EQ(web->pageTitle(), "Served");
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"From the server"}));
  // An error status still shows the server's page.
  web->loadRequest(base + "/missing");
  EXPECT_TRUE(runUntil([&] { return !web->isLoading(); }, 10));
  EXPECT_EQ(log->log.back(), "finish");
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"Not here"}));
  server.stop();
  // Nobody listening: a failure.
  web->loadRequest(base + "/page");
  EXPECT_TRUE(runUntil([&] { return !web->isLoading(); }, 15));
  EXPECT_EQ(log->log.back(), "fail");
  EXPECT_TRUE(web->canGoBack());
}
