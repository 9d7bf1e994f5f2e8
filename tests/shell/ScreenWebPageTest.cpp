// The in-app web page against a small local web server: the buttons follow
// the history, a page that cannot be loaded (refused, or no valid TLS) says
// so, and leaving during a load stops it and ends what its page runs.
// Hostile pages: one that offers files to download, one whose script sends
// it to mail addresses, one that takes memory without end.
#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <signal.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "EnginePageProcesses.hpp"
#include "ScreenTestSupport.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "shell/frame/DesktopLink.hpp"
#include "shell/config/Language.hpp"
#include "services/DesktopLauncher.hpp"
#include "services/PrintInteractionController.hpp"
#include "services/WebEngine.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/frame/WebViewController.hpp"
#include "util/TextLookup.hpp"

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

// `mebibytes` MiB of zeros, gzipped: about a thousandth of their size. One
// mebibyte is deflated after a full flush, which makes its bytes the same
// whatever came before, and repeated.
std::string gzipOfZeros(std::size_t mebibytes) {
  const std::string zeros(std::size_t{1} << 20, '\0');
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string block(deflateBound(&stream, static_cast<uLong>(zeros.size())) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
  stream.avail_in = static_cast<uInt>(zeros.size());
  stream.next_out = reinterpret_cast<Bytef*>(block.data());
  stream.avail_out = static_cast<uInt>(block.size());
  EXPECT_EQ(deflate(&stream, Z_FULL_FLUSH), Z_OK);
  block.resize(block.size() - stream.avail_out);
  deflateEnd(&stream);
  const uLong chunkCrc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(zeros.data()),
                               static_cast<uInt>(zeros.size()));
  uLong crc = crc32(0, nullptr, 0);
  std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
  out.reserve(out.size() + block.size() * mebibytes + 10);
  for (std::size_t i = 0; i < mebibytes; ++i) {
    out += block;
    crc = crc32_combine(crc, chunkCrc, static_cast<z_off_t>(zeros.size()));
  }
  out += std::string("\x03\x00", 2);  // the last block: empty
  const std::uint32_t size = static_cast<std::uint32_t>((mebibytes << 20) & 0xffffffffu);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((crc >> (8 * i)) & 0xff));
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((size >> (8 * i)) & 0xff));
  return out;
}

// Takes every job, printing none.
class RecordingPrinter : public svc::PrintInteractionController {
 public:
  std::vector<svc::PrintingItem> jobs;
  std::vector<std::string> names;
  bool isPrintingAvailable() const override { return true; }
  void print(svc::PrintingItem item, svc::PrintInfo info, Completion done) override {
    jobs.push_back(std::move(item));
    names.push_back(info.jobName);
    base::RunLoop::main().post([done] { done(svc::PrintOutcome{true, std::nullopt, {}}); });
  }
};

class WebPageTest : public ScreenFlowTest {
 protected:
  void SetUp() override {
    ScreenFlowTest::SetUp();
    // Whatever the engine would write goes into the test's own folders.
    downloads = useOwnHome();
    server.Get("/a", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Page A</title></head><body><p>First page</p></body></html>", "text/html");
    });
    server.Get("/note", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Note</title></head><body style='margin:0'><textarea name='note' "
                    "maxlength='20' style='position:absolute;left:20px;top:20px;width:300px;height:60px'>"
                    "</textarea></body></html>",
                    "text/html");
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
    // A file offered as an attachment, and one the engine cannot show.
    server.Get("/report", [](const httplib::Request&, httplib::Response& r) {
      r.set_header("Content-Disposition", "attachment; filename=\"report.txt\"");
      r.set_content("the quarter's figures", "text/plain");
    });
    server.Get("/tool.bin", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string(4096, '\x7f'), "application/octet-stream");
    });
    // A hidden frame's attachment and a script's click on a download link, unasked.
    server.Get("/offers", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Offers</title></head><body><p>Offers</p>"
                    "<iframe src='/report' style='display:none'></iframe><script>"
                    "setTimeout(function(){var a=document.createElement('a');a.href='/tool.bin';"
                    "a.download='tool.bin';document.body.appendChild(a);a.click();},100);</script></body></html>",
                    "text/html");
    });
    server.Get("/report-link", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Reports</title></head><body><a href='/report' style='position:absolute;"
                    "left:20px;top:20px;font-size:30px;display:block;width:400px'>report</a></body></html>",
                    "text/html");
    });
    // Sends itself to a mail address every 300 ms, then clicks a mail link, as no user did.
    server.Get("/mailer", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Mailer</title></head><body><a id='mail' "
                    "href='mailto:sales@example.invalid?subject=Offer&amp;attach=/etc/passwd' "
                    "style='position:absolute;left:20px;top:20px;font-size:30px;display:block;width:400px'>mail</a>"
                    "<script>var n=0;var t=setInterval(function(){if(++n<=5){location.href='mailto:loop@example.invalid';"
                    "return;}clearInterval(t);document.getElementById('mail').click();document.title='Tried';},300);"
                    "</script></body></html>",
                    "text/html");
    });
    // Takes as many megabytes as its query says, then keeps them.
    server.Get("/swell", [](const httplib::Request& q, httplib::Response& r) {
      r.set_content("<html><head><title>Swelling</title></head><body><script>var kept=[];function grow(){"
                    "if(kept.length*4>=" + q.get_param_value("mb") + "){document.title='Swollen';return;}"
                    "var a=new Uint8Array(4<<20);for(var i=0;i<a.length;i+=4096)a[i]=1;kept.push(a);"
                    "setTimeout(grow,10);}grow();</script></body></html>",
                    "text/html");
    });
    // Takes more memory every moment, far past any ceiling.
    server.Get("/hungry", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Hungry</title></head><body><p>Growing</p><script>var kept=[];var n=0;"
                    "function grow(){if(n++>=128){document.title='Grown';return;}var a=new Uint8Array(4<<20);"
                    "for(var i=0;i<a.length;i+=4096)a[i]=1;kept.push(a);setTimeout(grow,40);}grow();"
                    "</script></body></html>",
                    "text/html");
    });
    // A tap on its mail link starts more mail sends from the tap's own
    // script, five at once and five a moment apart each; and it asks to
    // print as it loads, and again on a tap on its button, and once more a
    // moment after that.
    server.Get("/storm", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Storm</title></head><body><a id='mail' href='mailto:sales@example.invalid' "
                    "style='position:absolute;left:20px;top:20px;font-size:30px;display:block;width:400px' "
                    "onclick=\"for(var i=1;i<=5;i++){var a=document.createElement('a');a.href='mailto:storm'+i+"
                    "'@example.invalid';document.body.appendChild(a);a.click();}for(var j=1;j<=5;j++)setTimeout("
                    "function(n){location.href='mailto:late'+n+'@example.invalid';},j*150,j);\">mail</a><button id='print' style='position:absolute;left:20px;"
                    "top:120px;font-size:30px;width:400px' onclick=\"window.print();setTimeout(function(){"
                    "window.print();document.title='Printed twice';},300);\">print</button><script>window.print();"
                    "document.title='Storm';</script></body></html>",
                    "text/html");
    });
    // A body of 4 MB that inflates to 4 GB, read whole by the page.
    server.Get("/inflate.bin", [](const httplib::Request&, httplib::Response& r) {
      static const std::string packed = gzipOfZeros(4096);
      r.set_header("Content-Encoding", "gzip");
      r.set_content(packed, "application/octet-stream");
    });
    server.Get("/inflate", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Inflate</title></head><body><p>Inflating</p><script>"
                    "fetch('/inflate.bin').then(function(r){return r.arrayBuffer();}).then(function(b){"
                    "document.title='Inflated '+b.byteLength;});</script></body></html>",
                    "text/html");
    });
    // Blobs of 16 MB, kept, one after another without end: the engine keeps
    // their bytes in its network process.
    server.Get("/blobs", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Blobs</title></head><body><p>Blobs</p><script>var kept=[];var n=0;"
                    "function more(){if(n++>=256){document.title='Blobs kept';return;}"
                    "kept.push(new Blob([new Uint8Array(16<<20).fill(n)]));setTimeout(more,20);}more();"
                    "</script></body></html>",
                    "text/html");
    });
    // Its script never ends, and its load with it.
    server.Get("/spin", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Spin</title></head><body><p>Spinning</p><script>for(;;){}</script>"
                    "</body></html>",
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

  // The message over the page, when one shows.
  static std::string message(WebViewController& page) {
    return page.lblLoadError()->isHidden() ? std::string() : page.lblLoadError()->text();
  }
  void tapAt(svc::WebView& web, ui::Point inPage) {
    driver().tapAt(web.convertPointToView(inPage, nullptr));
    settle();
  }

  httplib::Server server;
  std::thread thread;
  std::atomic<bool> stopping{false};
  int port = 0;
  std::filesystem::path downloads;
};

// Every file under `folder` (none for a folder that is not there).
std::vector<std::filesystem::path> filesUnder(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec)) found.push_back(it->path());
  }
  return found;
}

// The memory of its own (resident or swapped, not the libraries it shares),
// in megabytes, of the engine's largest page process this test started (0
// when none runs): what the engine holds against the ceiling.
// Of our own children named `wanted`, the largest and its pid.
std::pair<double, pid_t> largestChild(const std::string& wanted) {
  double largest = 0;
  pid_t largestPid = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc", ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    std::ifstream status(it->path() / "status");
    std::string line, name;
    long parent = -1;
    double megabytes = 0;
    while (std::getline(status, line)) {
      if (line.rfind("Name:", 0) == 0) name = line.substr(line.find_first_not_of(" \t", 5));
      if (line.rfind("PPid:", 0) == 0) parent = std::strtol(line.c_str() + 5, nullptr, 10);
      if (line.rfind("RssAnon:", 0) == 0 || line.rfind("VmSwap:", 0) == 0)
        megabytes += std::strtod(line.c_str() + line.find(':') + 1, nullptr) / 1024;
    }
    if (parent == static_cast<long>(getpid()) && name.rfind(wanted, 0) == 0 && megabytes >= largest) {
      largest = megabytes;
      largestPid = static_cast<pid_t>(std::strtol(it->path().filename().c_str(), nullptr, 10));
    }
  }
  return {largest, largestPid};
}

double pageProcessMegabytes(const std::string& wanted = "WebKitWebProces") { return largestChild(wanted).first; }

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

TEST_F(WebPageTest, APageSavesNoFile) {
  const auto home = downloads.parent_path();
  launchAgainstService();
  realWorkUnderWay = [] { return true; };
  auto page = open(url("/offers"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  // The hidden frame's attachment and the script's download are refused, and the page says so.
  EXPECT_TRUE(waitFor([&] { return message(*page) == en("DOWNLOADREFUSED"); }, 10)) << message(*page);
  EXPECT_EQ(page->contentWebView()->pageTitle(), "Offers");
  tap(*page->btnClose());

  // A download link the user taps: the page stays, with the same message.
  page = open(url("/report-link"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  auto& web = *page->contentWebView();
  ASSERT_TRUE(waitFor([&] { return web.hasPicture(); }, 10));
  tapAt(web, {60, 35});
  EXPECT_TRUE(waitFor([&] { return !message(*page).empty() && !web.isLoading(); }, 10));
  EXPECT_EQ(message(*page), en("DOWNLOADREFUSED"));
  EXPECT_EQ(web.url(), url("/report-link"));
  // Nothing was written in the download folder or the home folder (but
  // for the desktop's caches: the engine's drawing keeps its shaders there).
  EXPECT_TRUE(filesUnder(downloads).empty());
  auto written = filesUnder(home);
  std::erase_if(written, [&](const std::filesystem::path& file) {
    return file == home / ".config" / "user-dirs.dirs" || *file.lexically_relative(home).begin() == ".cache";
  });
  EXPECT_TRUE(written.empty()) << written.size() << " files, the first " << written.front();
}

TEST_F(WebPageTest, OnlyTheUsersTapOpensTheDesktop) {
  std::vector<std::string> opened;
  bool mailProgram = true;
  ui::Application::sharedInstance().setOpenURLHandler([&](const std::string& u) {
    opened.push_back(u);
    return mailProgram;
  });
  launchAgainstService();
  realWorkUnderWay = [] { return true; };
  auto page = open(url("/mailer"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  auto& web = *page->contentWebView();
  // Five sends and a click by the page's script: no mail program opened.
  ASSERT_TRUE(waitFor([&] { return web.pageTitle() == "Tried"; }, 10));
  settle(0.2);
  EXPECT_TRUE(opened.empty()) << opened.size() << " opened, the first " << opened.front();
  // The user's own tap opens the mail program, once.
  ASSERT_TRUE(waitFor([&] { return web.hasPicture(); }, 10));
  tapAt(web, {60, 35});
  EXPECT_TRUE(waitFor([&] { return !opened.empty(); }, 10));
  // Only the recipients, the subject and the body: no file is attached.
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:sales@example.invalid?subject=Offer"});
  EXPECT_FALSE(alert());
  // Without a mail program the tap says so.
  mailProgram = false;
  tapAt(web, {60, 35});
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 10));
  EXPECT_EQ(alert()->message(), en("NOAPPFORLINK"));
  EXPECT_EQ(opened.size(), 2u);
  alert()->dismissWithClickedButtonIndex(0, false);

  // As the application opens links: a desktop with a mail program whose
  // helper cannot start it says so once the helper has failed.
  std::vector<std::vector<std::string>> launched;
  svc::DesktopLauncher::install(
      [&](const std::vector<std::string>& argv, svc::DesktopLauncher::Done done) {
        launched.push_back(argv);
        done(svc::DesktopLauncher::kNotStarted);
      },
      [](const std::string&) { return true; });
  struct Restore {
    ~Restore() {
      svc::DesktopLauncher::install(nullptr);
      ui::Application::sharedInstance().setOpenURLHandler(nullptr);
    }
  } restore;
  installDesktopLinkOpener();
  tapAt(web, {60, 35});
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 10));
  EXPECT_EQ(launched, (std::vector<std::vector<std::string>>{{"xdg-open", "mailto:sales@example.invalid?subject=Offer"}}));
  EXPECT_EQ(alert()->title(), en("LINKOPENFAILED"));
  EXPECT_EQ(alert()->message(), en("LINKNOTSTARTED"));
}

TEST_F(WebPageTest, OneTapLaunchesOneProgramAndPrintsOnlyThroughTheApplication) {
  std::vector<std::string> opened;
  ui::Application::sharedInstance().setOpenURLHandler([&](const std::string& u) {
    opened.push_back(u);
    return true;
  });
  auto printer = std::make_shared<RecordingPrinter>();
  svc::PrintInteractionController::install(printer);
  launchAgainstService();
  realWorkUnderWay = [] { return true; };
  auto page = open(url("/storm"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  auto& web = *page->contentWebView();
  // The print the page asked for as it loaded neither printed nor held the window.
  ASSERT_TRUE(waitFor([&] { return web.pageTitle() == "Storm" && web.hasPicture(); }, 10));
  settle(0.2);
  EXPECT_TRUE(printer->jobs.empty());
  // One tap on the mail link: one address opens, none of the ten more its
  // script sends with it.
  tapAt(web, {60, 35});
  waitFor([] { return false; }, 2);
  EXPECT_EQ(opened.size(), 1u) << opened.size() << " opened, the last " << (opened.empty() ? "" : opened.back());
  EXPECT_EQ(web.url(), url("/storm"));
  // A tap on the print button: the page as shown goes to the application's
  // printer, once; the page's second print, a moment later, does not.
  tapAt(web, {60, 135});
  ASSERT_TRUE(waitFor([&] { return web.pageTitle() == "Printed twice"; }, 10));
  settle(0.5);
  ASSERT_EQ(printer->jobs.size(), 1u);
  const auto* pictures = std::get_if<std::vector<gfx::ImagePtr>>(&printer->jobs[0]);
  ASSERT_TRUE(pictures && pictures->size() == 1 && pictures->front());
  EXPECT_EQ(printer->names[0], "Storm");
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_FALSE(alert());
  svc::PrintInteractionController::install(nullptr);
}

TEST_F(WebPageTest, APagePastTheMemoryCeilingIsStopped) {
  // The ceiling is set before the engine starts, once a process: an earlier
  // test of this program may have started it.
  mv::test::runInFreshProgram([this] {
    // A low ceiling for the test: the pages ask for far more, or near it.
    constexpr unsigned kCeiling = 320;
    ASSERT_TRUE(svc::WebEngine::setMemoryCeiling(kCeiling)) << "the engine started before the test set its ceiling";
    launchAgainstService();
    realWorkUnderWay = [] { return true; };
    std::shared_ptr<WebViewController> page;
    // A page's process that ends unasked: one last read near the ceiling
    // (more than two thirds of it; the engine's own check may end it between
    // two readings of the watch, with no cause told) is said to be too large,
    // one far below it to have stopped.
    for (const unsigned megabytes : {0u, kCeiling / 2}) {
      SCOPED_TRACE(megabytes);
      page = open(url("/swell?mb=" + std::to_string(megabytes)));
      ASSERT_TRUE(page);
      ASSERT_TRUE(waitFor([&] { return page->contentWebView()->pageTitle() == "Swollen"; }, 30));
      const auto read = svc::WebEngine::memoryWatchCount().turns;
      ASSERT_TRUE(waitFor([&] { return svc::WebEngine::memoryWatchCount().turns >= read + 2; }, 10));
      const auto [grown, pid] = largestChild("WebKitWebProces");
      ASSERT_GT(pid, 0);
      ASSERT_LT(grown, kCeiling);
      if (megabytes > 0) {
        ASSERT_GT(grown, kCeiling * 2 / 3);
      }
      ASSERT_EQ(::kill(pid, SIGKILL), 0);
      ASSERT_TRUE(waitFor([&] { return !message(*page).empty(); }, 30));
      EXPECT_EQ(message(*page), megabytes > 0 ? en("PAGETOOLARGE") : en("PAGELOADFAILED") + "\nThe page stopped.");
      tap(*page->btnClose());
    }

    page = open(url("/hungry"));
    ASSERT_TRUE(page);
    double largest = 0;
    const bool stopped = waitFor([&] {
      largest = std::max(largest, pageProcessMegabytes());
      return !message(*page).empty();
    }, 60);
    ASSERT_TRUE(stopped) << "the page grew to " << largest << " MB";
    EXPECT_EQ(message(*page), en("PAGETOOLARGE"));
    EXPECT_NE(page->contentWebView()->pageTitle(), "Grown");
    EXPECT_FALSE(page->contentWebView()->isLoading());
    // The page's process went near its ceiling, not past it by much.
    EXPECT_GT(largest, 0);
    EXPECT_LT(largest, kCeiling * 1.5);
    EXPECT_LT(pageProcessMegabytes(), kCeiling);
    // The message follows the language.
    LanguageManager::sharedInstance().setCurrentLanguage(2);
    EXPECT_EQ(message(*page), textOrEmpty(Language::stringWithName("PAGETOOLARGE")));
    LanguageManager::sharedInstance().setCurrentLanguage(1);
    tap(*page->btnClose());

    // Pages that keep their process too busy to measure itself: a body that
    // inflates from 4 MB to 4 GB, and blobs that pile up in the network
    // process. Each is stopped within seconds of passing the ceiling, and says so.
    struct Hostile {
      const char* path;
      const char* process;
    };
    for (const Hostile hostile : {Hostile{"/inflate", "WebKitWebProces"}, Hostile{"/blobs", "WebKitNetworkPr"}}) {
      SCOPED_TRACE(hostile.path);
      page = open(url(hostile.path));
      ASSERT_TRUE(page);
      double grown = 0;
      const auto began = std::chrono::steady_clock::now();
      const bool ended = waitFor([&] {
        grown = std::max(grown, pageProcessMegabytes(hostile.process));
        return !message(*page).empty();
      }, 60);
      ASSERT_TRUE(ended) << "the process grew to " << grown << " MB";
      EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(20));
      EXPECT_EQ(message(*page), en("PAGETOOLARGE"));
      EXPECT_LT(grown, kCeiling * 3) << "stopped soon after it passed the ceiling";
      EXPECT_LT(pageProcessMegabytes(hostile.process), kCeiling);
      EXPECT_EQ(page->contentWebView()->pageTitle().rfind("Inflated", 0), std::string::npos);
      EXPECT_NE(page->contentWebView()->pageTitle(), "Blobs kept");
      tap(*page->btnClose());
    }
  });
}

TEST_F(WebPageTest, APasteLongerThanTheFieldTakesIsCutAndSaidSo) {
  launchAgainstService();
  realWorkUnderWay = [] { return true; };
  auto page = open(url("/note"));
  ASSERT_TRUE(page);
  ASSERT_TRUE(loaded(*page));
  auto& web = *page->contentWebView();
  ASSERT_TRUE(waitFor([&] { return web.hasPicture(); }, 10));
  // The page's answer to a question, as the screen's own would come.
  auto ask = [&](const std::string& script) {
    std::optional<std::string> answer;
    base::CancelTracker asking;
    web.evaluateJavaScript(script, asking, [&](const std::string& value) { answer = value; });
    waitFor([&] { return answer.has_value(); }, 10);
    return answer.value_or("");
  };
  tapAt(web, {100, 50});
  ASSERT_TRUE(waitFor([&] { return ask("document.activeElement.name") == "note"; }, 10));
  auto toasts = [&] {
    std::vector<std::string> shown;
    for (auto* toast : driver().findAllOf<UIToast>(nullptr, false)) shown.push_back(toast->text());
    return shown;
  };
  // What fits goes in without a word; more is cut to the field's length, and a toast says so.
  web.paste("Call Ada");
  settle(0.5);
  EXPECT_TRUE(toasts().empty());
  web.paste(" on Tuesday at ten, about the lamps");
  EXPECT_TRUE(waitFor([&] { return !toasts().empty(); }, 10));
  EXPECT_EQ(toasts(), std::vector<std::string>{en("TEXTCUT")});
  EXPECT_EQ(ask("document.getElementsByName('note')[0].value"), "Call Ada on Tuesday ");
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

  // A page whose own script goes round and round before its load ends:
  // closed, what it ran ends with it.
  realWorkUnderWay = [] { return true; };
  EnginePageProcesses processes;
  page = open(url("/spin"));
  ASSERT_TRUE(page);
  long held = 0;
  ASSERT_TRUE(waitFor([&] { return (held = processes.busyFor(1)) != 0; }, 60));
  EXPECT_TRUE(page->contentWebView()->isLoading());
  tap(*page->btnClose());
  page.reset();
  EXPECT_TRUE(waitFor([&] { return EnginePageProcesses::ended(held); }, 10)) << "the closed page's process runs on";
}

}  // namespace
}  // namespace mv::test
