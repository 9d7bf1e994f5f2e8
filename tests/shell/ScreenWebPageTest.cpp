// The in-app web page against a small local web server: the buttons follow
// the history, a page that cannot be loaded (refused, or no valid TLS) says
// so, and leaving during a load stops it.
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "ScreenTestSupport.hpp"
#include "platform/ui/Application.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/WebViewController.hpp"

namespace mv::test {
namespace {

// A key and a certificate that signs itself, for "127.0.0.1", as PEM files.
bool writeSelfSignedCertificate(const std::string& certFile, const std::string& keyFile) {
  EVP_PKEY* key = EVP_RSA_gen(2048);
  X509* cert = X509_new();
  bool ok = key && cert;
  if (ok) {
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    ok = X509_sign(cert, key, EVP_sha256()) > 0;
  }
  if (ok) {
    FILE* c = std::fopen(certFile.c_str(), "wb");
    FILE* k = std::fopen(keyFile.c_str(), "wb");
    ok = c && k && PEM_write_X509(c, cert) && PEM_write_PrivateKey(k, key, nullptr, nullptr, 0, nullptr, nullptr);
    if (c) std::fclose(c);
    if (k) std::fclose(k);
  }
  X509_free(cert);
  EVP_PKEY_free(key);
  return ok;
}

// The server's thread starts listening soon after it is made; a test whose
// server never does fails instead of hanging.
bool startedWithin(const httplib::Server& server, double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!server.is_running()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class WebPageTest : public ScreenFlowTest {
 protected:
  void SetUp() override {
    ScreenFlowTest::SetUp();
    server.Get("/a", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Page A</title></head><body><p>First page</p></body></html>", "text/html");
    });
    server.Get("/b", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Page B</title></head><body><p>Second page</p></body></html>", "text/html");
    });
    server.Get("/links", [this](const httplib::Request&, httplib::Response& r) {
      auto link = [](const std::string& href, int top, const std::string& text) {
        return "<a href='" + href + "' style='position:absolute;left:20px;top:" + std::to_string(top) +
               "px;font-size:30px;display:block;width:400px'>" + text + "</a>";
      };
      r.set_content("<html><head><title>Links</title></head><body>" +
                        link("file://" + (root / "settings.plist").string(), 20, "file") +
                        link("mailto:sales@example.invalid", 120, "mail") + link("ftp://127.0.0.1/x", 220, "ftp") +
                        link("/b", 320, "web") + "</body></html>",
                    "text/html");
    });
    server.Get("/slow", [this](const httplib::Request&, httplib::Response& r) {
      for (int i = 0; i < 40 && !stopping; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      r.set_content("<html><body>late</body></html>", "text/html");
    });
    // One request per connection, so that stopping never waits for an idle one.
    server.set_keep_alive_max_count(1);
    port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    thread = std::thread([this] { server.listen_after_bind(); });
    ASSERT_TRUE(startedWithin(server, 5));
  }
  void TearDown() override {
    stopping = true;
    server.stop();
    if (thread.joinable()) thread.join();
    ScreenFlowTest::TearDown();
  }
  std::string url(const std::string& path, const char* scheme = "http") const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + path;
  }
  std::shared_ptr<WebViewController> open(const std::string& address) {
    welcome()->openURLInWebView(address);
    settle();
    auto* presented = welcome()->presentedViewController();
    return presented ? std::dynamic_pointer_cast<WebViewController>(presented->shared_from_this()) : nullptr;
  }
  bool loaded(WebViewController& page) {
    return waitFor([&] { return !page.contentWebView()->isLoading(); }, 10);
  }

  httplib::Server server;
  std::thread thread;
  std::atomic<bool> stopping{false};
  int port = 0;
};

TEST_F(WebPageTest, ButtonsFollowTheHistory) {
  launchAgainstService();
  realWorkUnderWay = [] { return true; };
  auto page = open(url("/a"));
  ASSERT_TRUE(page);
  // At once: back and forward off, reload on.
  EXPECT_FALSE(page->btnBack()->isEnabled());
  EXPECT_FALSE(page->btnForward()->isEnabled());
  EXPECT_TRUE(page->btnReload()->isEnabled());
  ASSERT_TRUE(loaded(*page));
  EXPECT_FALSE(ui::Application::sharedInstance().isNetworkActivityIndicatorVisible());
  EXPECT_TRUE(waitFor([&] { return page->contentWebView()->pageTitle() == "Page A"; }, 10));
  EXPECT_TRUE(page->lblLoadError()->isHidden());
  // A second page: back becomes possible.
  page->contentWebView()->loadRequest(url("/b"));
  ASSERT_TRUE(loaded(*page));
  EXPECT_TRUE(page->btnBack()->isEnabled());
  EXPECT_FALSE(page->btnForward()->isEnabled());
  tap(*page->btnBack());
  ASSERT_TRUE(loaded(*page));
  EXPECT_TRUE(waitFor([&] { return page->contentWebView()->pageTitle() == "Page A"; }, 10));
  EXPECT_FALSE(page->btnBack()->isEnabled());
  EXPECT_TRUE(page->btnForward()->isEnabled());
  tap(*page->btnForward());
  ASSERT_TRUE(loaded(*page));
  EXPECT_TRUE(waitFor([&] { return page->contentWebView()->pageTitle() == "Page B"; }, 10));
  // The title bar's close button asks the presenter to take the page down.
  EXPECT_EQ(page->btnClose()->currentTitle(), en("CLOSE"));
  tap(*page->btnClose());
  EXPECT_FALSE(welcome()->presentedViewController());
}

TEST_F(WebPageTest, FailedLoadsAreShown) {
  launchAgainstService();
  // Nothing listens: the failure is on screen, not an empty page.
  stopping = true;
  server.stop();
  thread.join();
  auto page = open(url("/a"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  EXPECT_FALSE(page->lblLoadError()->isHidden());
  EXPECT_EQ(page->lblLoadError()->text().rfind(en("PAGELOADFAILED"), 0), 0u);
  EXPECT_FALSE(ui::Application::sharedInstance().isNetworkActivityIndicatorVisible());
  EXPECT_FALSE(page->btnBack()->isEnabled());
  EXPECT_FALSE(page->btnForward()->isEnabled());
  // The message follows the language.
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  EXPECT_EQ(page->lblLoadError()->text().rfind(textOrEmpty(Language::stringWithName("PAGELOADFAILED")), 0), 0u);
  LanguageManager::sharedInstance().setCurrentLanguage(1);
  tap(*page->btnClose());

  // A server that cannot prove itself over TLS (here: none at all on that
  // port) is not trusted: the page does not load.
  page = open("https://127.0.0.1:" + std::to_string(service->messagePort()) + "/");
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  EXPECT_FALSE(page->lblLoadError()->isHidden());
  EXPECT_TRUE(page->contentWebView()->pageTitle().empty());
}

TEST_F(WebPageTest, ASelfSignedCertificateIsRefused) {
  const std::string cert = (root / "cert.pem").string(), key = (root / "key.pem").string();
  ASSERT_TRUE(writeSelfSignedCertificate(cert, key));
  httplib::SSLServer secure(cert.c_str(), key.c_str());
  ASSERT_TRUE(secure.is_valid());
  std::atomic<int> served{0};
  secure.Get("/a", [&](const httplib::Request&, httplib::Response& r) {
    ++served;
    r.set_content("<html><head><title>Secret</title></head><body>x</body></html>", "text/html");
  });
  secure.set_keep_alive_max_count(1);
  const int securePort = secure.bind_to_any_port("127.0.0.1");
  ASSERT_GT(securePort, 0);
  std::thread serving([&] { secure.listen_after_bind(); });
  if (!startedWithin(secure, 5)) {
    secure.stop();
    serving.join();
    FAIL() << "the secure server did not start";
  }
  launchAgainstService();
  auto page = open("https://127.0.0.1:" + std::to_string(securePort) + "/a");
  ASSERT_TRUE(page);
  const bool done = loaded(*page);
  secure.stop();
  serving.join();
  ASSERT_TRUE(done);
  // The page never came: the certificate was checked and refused.
  EXPECT_EQ(served.load(), 0);
  EXPECT_FALSE(page->lblLoadError()->isHidden());
  EXPECT_TRUE(page->contentWebView()->pageTitle().empty());
}

TEST_F(WebPageTest, ANetworkPageLeadsOnlyToTheNetwork) {
  EXPECT_EQ(WebViewController::navigationRule("https://a.example/x"), WebViewController::NavigationRule::Load);
  EXPECT_EQ(WebViewController::navigationRule("HTTP://a.example/x"), WebViewController::NavigationRule::Load);
  EXPECT_EQ(WebViewController::navigationRule("mailto:a@b.example"), WebViewController::NavigationRule::Desktop);
  EXPECT_EQ(WebViewController::navigationRule("file:///etc/passwd"), WebViewController::NavigationRule::Refuse);
  EXPECT_EQ(WebViewController::navigationRule("javascript:alert(1)"), WebViewController::NavigationRule::Refuse);
  EXPECT_EQ(WebViewController::navigationRule("data:text/html,x"), WebViewController::NavigationRule::Refuse);
  EXPECT_EQ(WebViewController::navigationRule("relative/page"), WebViewController::NavigationRule::Refuse);

  std::ofstream(root / "settings.plist") << "<plist>saved password</plist>";
  std::vector<std::string> opened;
  ui::Application::sharedInstance().setOpenURLHandler([&](const std::string& u) {
    opened.push_back(u);
    return true;
  });
  launchAgainstService();
  realWorkUnderWay = [] { return true; };
  auto page = open(url("/links"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  auto& web = *page->contentWebView();
  ASSERT_TRUE(waitFor([&] { return web.hasPicture(); }, 10));
  auto tapLink = [&](double top) {
    driver().tapAt(web.convertPointToView({60, top + 15}, nullptr));
    waitFor([] { return false; }, 1);
  };
  // The local file, the mail address, another scheme: the page stays.
  tapLink(20);
  tapLink(120);
  tapLink(220);
  EXPECT_EQ(web.pageTitle(), "Links");
  EXPECT_EQ(web.url(), url("/links"));
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:sales@example.invalid"});
  // Another page of the network loads.
  tapLink(320);
  ASSERT_TRUE(waitFor([&] { return web.pageTitle() == "Page B" && !web.isLoading(); }, 10));
  EXPECT_TRUE(page->btnBack()->isEnabled());
}

TEST_F(WebPageTest, LeavingDuringALoadStopsIt) {
  launchAgainstService();
  auto page = open(url("/slow"));
  ASSERT_TRUE(page);
  settle();
  EXPECT_TRUE(page->contentWebView()->isLoading());
  // The engine says the load began: the indicator turns on.
  ASSERT_TRUE(waitFor([] { return ui::Application::sharedInstance().isNetworkActivityIndicatorVisible(); }, 10));
  EXPECT_TRUE(page->contentWebView()->isLoading());
  tap(*page->btnClose());
  EXPECT_FALSE(page->contentWebView()->isLoading());
  EXPECT_FALSE(ui::Application::sharedInstance().isNetworkActivityIndicatorVisible());
  EXPECT_TRUE(page->lblLoadError()->isHidden());
}

}  // namespace
}  // namespace mv::test
