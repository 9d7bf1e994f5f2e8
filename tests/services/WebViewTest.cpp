// The web view on the engine, used as a person would: pages from a local
// server, a form filled in by tapping its fields and typing through the
// window, submitted with the return key; links followed by taps; back and
// forward through the engine's history; the page drawn into our window.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "EnginePageProcesses.hpp"
#include "PageAnswers.hpp"
#include "TestEnvironment.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/TableViewController.hpp"
#include "platform/ui/Window.hpp"
#include "services/WebEngine.hpp"
#include "services/WebOptionMenu.hpp"
#include "services/WebView.hpp"

using namespace ui;
using namespace svc;

namespace {

struct PageLog : WebViewDelegate {
  std::vector<std::string> log;
  std::vector<long> errors;
  std::vector<std::pair<std::string, WebViewNavigationType>> asked;
  std::function<bool(const std::string&)> allow = [](const std::string&) { return true; };
  int finished = 0;
  int drawn = 0;
  bool webViewShouldStartLoadWithRequest(WebView&, const std::string& url, WebViewNavigationType t, bool) override {
    asked.emplace_back(url, t);
    return allow(url);
  }
  void webViewDidStartLoad(WebView& w) override {
    EXPECT_TRUE(w.isLoading());
    log.push_back("start");
  }
  void webViewDidFinishLoad(WebView& w) override {
    EXPECT_FALSE(w.isLoading());
    log.push_back("finish");
    ++finished;
  }
  void webViewDidDrawPage(WebView& w) override {
    EXPECT_TRUE(w.pageDrawn());
    ++drawn;
  }
  void webViewDidFailLoadWithError(WebView&, const base::Error& e) override {
    log.push_back("fail");
    errors.push_back(e.code);
  }
};

// Fields and links at fixed places, so that a test taps where a person would.
constexpr const char* kFormPage =
    "<html><head><meta charset='utf-8'><title>Sign up</title><style>body{margin:0} input{position:absolute;left:20px;width:300px;"
    "height:40px;font-size:20px}</style></head><body>"
    "<form method='post' action='/submit'>"
    "<input name='name' style='top:20px'><input name='city' style='top:100px'>"
    "<input type='submit' value='Send' style='top:180px;width:120px'></form>"
    "<a href='/b' style='position:absolute;left:20px;top:260px;font-size:30px'>Next page</a>"
    "<div style='position:absolute;left:400px;top:20px;width:100px;height:100px;background:#ff0000'></div>"
    "</body></html>";

class WebViewTest : public mv::test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    useOwnHome();
    // The engine renders in processes of its own, in real time.
    realWorkUnderWay = [] { return true; };
    server.Get("/a", [](const httplib::Request&, httplib::Response& r) { r.set_content(kFormPage, "text/html"); });
    server.Get("/b", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><head><title>Page B</title></head><body style='height:5000px'>Second</body></html>",
                    "text/html");
    });
    server.Post("/submit", [this](const httplib::Request& req, httplib::Response& r) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        submitted.emplace_back(req.get_param_value("name"), req.get_param_value("city"));
      }
      r.set_content("<html><head><title>Thanks</title></head><body>Thanks</body></html>", "text/html");
    });
    server.set_keep_alive_max_count(1);
    // The engine may open a connection ahead of a click that never comes.
    server.set_read_timeout(1, 0);
    server.set_keep_alive_timeout(1);
    port = server.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    thread = std::thread([this] { server.listen_after_bind(); });
    for (int i = 0; i < 500 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(server.is_running());
    driver = std::make_unique<HeadlessDriver>();
    web = std::make_shared<WebView>(Rect{0, 0, 800, 600});
    web->setDelegate(log);
    driver->window().addSubview(web);
    driver->flush();
  }
  void TearDown() override {
    web.reset();
    driver.reset();
    server.stop();
    if (thread.joinable()) thread.join();
    ui::Application::freeInstance();
    TestEnvironment::TearDown();
  }
  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }
  bool finishedLoads(int n) {
    return runUntil([&] { return log->finished >= n && !web->isLoading(); }, 15);
  }
  std::size_t submissions() {
    std::lock_guard<std::mutex> lock(mutex);
    return submitted.size();
  }
  // The title comes with the page, told by the engine as it parses it.
  bool titled(const std::string& title) {
    return runUntil([&] { return web->pageTitle() == title; }, 10);
  }
  std::string focused() { return mv::test::answerOf(*web, "document.activeElement.name"); }
  std::string fieldValue(const std::string& name) {
    return mv::test::answerOf(*web, "document.getElementsByName('" + name + "')[0].value");
  }
  void tapPage(Point p) {
    driver->tapAt(p);
    driver->flush();
  }

  httplib::Server server;
  std::thread thread;
  int port = 0;
  std::mutex mutex;
  std::vector<std::pair<std::string, std::string>> submitted;
  std::unique_ptr<HeadlessDriver> driver;
  std::shared_ptr<WebView> web;
  std::shared_ptr<PageLog> log = std::make_shared<PageLog>();
};

TEST_F(WebViewTest, AFormFilledInThroughTheWindowReachesTheServer) {
  web->loadRequest(url("/a"));
  ASSERT_TRUE(finishedLoads(1));
  EXPECT_TRUE(titled("Sign up"));
  EXPECT_EQ(log->log, (std::vector<std::string>{"start", "finish"}));
  // A tap in the first field, typing, a tap in the second, typing, return.
  tapPage({100, 40});
  ASSERT_EQ(driver->firstResponder(), web.get());
  // As a person waits for the caret before typing.
  ASSERT_TRUE(runUntil([&] { return focused() == "name"; }, 10));
  driver->typeText("Ada Lovelace");
  // The engine takes keys and taps on queues of their own: as a person sees the
  // name typed before moving on, the test waits for it.
  ASSERT_TRUE(runUntil([&] { return fieldValue("name") == "Ada Lovelace"; }, 10));
  tapPage({100, 120});
  ASSERT_TRUE(runUntil([&] { return focused() == "city"; }, 10));
  driver->typeText("上海");
  driver->pressBackspace();
  driver->typeText("海 Road");
  ASSERT_TRUE(runUntil([&] { return fieldValue("city") == "上海 Road"; }, 10));
  driver->pressReturn();
  ASSERT_TRUE(runUntil([&] { return submissions() == 1 && log->finished == 2; }, 15));
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(submitted.front().first, "Ada Lovelace");
  EXPECT_EQ(submitted.front().second, "上海 Road");
  // The delegate was asked about the form's load, as a form.
  ASSERT_FALSE(log->asked.empty());
  EXPECT_EQ(log->asked.back().first, url("/submit"));
  EXPECT_EQ(log->asked.back().second, WebViewNavigationType::FormSubmitted);
  EXPECT_TRUE(titled("Thanks"));
}

TEST_F(WebViewTest, LinksBackAndForwardFollowTheEnginesHistory) {
  web->loadRequest(url("/a"));
  ASSERT_TRUE(finishedLoads(1));
  EXPECT_FALSE(web->canGoBack());
  EXPECT_FALSE(web->canGoForward());
  tapPage({60, 280});
  ASSERT_TRUE(finishedLoads(2));
  EXPECT_TRUE(titled("Page B"));
  EXPECT_EQ(log->asked.back(), std::make_pair(url("/b"), WebViewNavigationType::LinkClicked));
  EXPECT_TRUE(web->canGoBack());
  EXPECT_FALSE(web->canGoForward());
  web->goBack();
  ASSERT_TRUE(finishedLoads(3));
  EXPECT_TRUE(titled("Sign up"));
  EXPECT_EQ(web->url(), url("/a"));
  EXPECT_FALSE(web->canGoBack());
  EXPECT_TRUE(web->canGoForward());
  web->goForward();
  ASSERT_TRUE(finishedLoads(4));
  EXPECT_TRUE(titled("Page B"));
  EXPECT_TRUE(web->canGoBack());
  EXPECT_FALSE(web->canGoForward());
}

TEST_F(WebViewTest, ARefusedLinkLeavesThePageAsItWas) {
  log->allow = [this](const std::string& u) { return u != url("/b"); };
  web->loadRequest(url("/a"));
  ASSERT_TRUE(finishedLoads(1));
  tapPage({60, 280});
  ASSERT_TRUE(runUntil([&] { return log->asked.size() == 2; }, 10));
  advance(0.5);
  EXPECT_EQ(log->log, (std::vector<std::string>{"start", "finish"}));
  EXPECT_TRUE(titled("Sign up"));
  EXPECT_FALSE(web->canGoBack());
}

TEST_F(WebViewTest, ThePageIsDrawnIntoTheWindow) {
  web->loadRequest(url("/a"));
  ASSERT_TRUE(finishedLoads(1));
  ASSERT_TRUE(runUntil([&] { return web->hasPicture() && !WebEngine::isBusy(); }, 10));
  auto picture = driver->render(1);
  ASSERT_TRUE(picture);
  // The page's red square, where the page puts it.
  const auto red = picture->pixelAt(450, 70);
  EXPECT_GT(red.r(), 0.9);
  EXPECT_LT(red.g(), 0.1);
  const auto paper = picture->pixelAt(700, 500);
  EXPECT_GT(paper.g(), 0.9);
  // The first picture of each page loaded is told, once.
  EXPECT_TRUE(web->pageDrawn());
  EXPECT_EQ(log->drawn, 1);
  web->loadRequest(url("/b"));
  ASSERT_TRUE(finishedLoads(2));
  EXPECT_TRUE(runUntil([&] { return log->drawn >= 2 && !WebEngine::isBusy(); }, 10));
  EXPECT_EQ(log->drawn, 2);
}

TEST_F(WebViewTest, DragsAndTheWheelScrollThePage) {
  web->loadRequest(url("/b"));
  ASSERT_TRUE(finishedLoads(1));
  // As a person drags once the page shows: the engine has laid it out and
  // drawn it, and takes scrolls.
  ASSERT_TRUE(runUntil([&] { return web->pageDrawn() && web->hasPicture() && !WebEngine::isBusy(); }, 10));
  EXPECT_EQ(mv::test::answerOf(*web, "window.scrollY"), "0");
  driver->drag({{400, 500}, {400, 400}, {400, 300}});
  ASSERT_TRUE(runUntil(
      [&] { return std::stod(mv::test::answerOf(*web, "window.scrollY")) > 100; }, 10));
  const double afterDrag = std::stod(mv::test::answerOf(*web, "window.scrollY"));
  EXPECT_GT(afterDrag, 100);
  web->scrollWheel({400, 300}, {0, 400});
  ASSERT_TRUE(runUntil(
      [&] { return std::stod(mv::test::answerOf(*web, "window.scrollY")) > afterDrag + 100; }, 10));
  // A drag is no click: nothing was followed.
  EXPECT_EQ(log->finished, 1);
}

TEST_F(WebViewTest, StoppingEndsTheLoadAsCancelled) {
  server.Get("/slow", [](const httplib::Request&, httplib::Response& r) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    r.set_content("late", "text/plain");
  });
  web->loadRequest(url("/slow"));
  ASSERT_TRUE(runUntil([&] { return !log->log.empty(); }, 10));
  EXPECT_TRUE(web->isLoading());
  web->stopLoading();
  EXPECT_FALSE(web->isLoading());
  EXPECT_EQ(log->errors, std::vector<long>{WebView::kErrorCancelled});
  // What the engine still says of the stopped load is not told again.
  advance(0.5);
  runUntil([] { return false; }, 2);
  EXPECT_EQ(log->log, (std::vector<std::string>{"start", "fail"}));
  EXPECT_FALSE(WebEngine::isBusy());
}

TEST_F(WebViewTest, ADropDownListOpensAtItsBoxAndChoosesInThePage) {
  server.Get("/select", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><head><meta charset='utf-8'><title>Cities</title></head><body style='margin:0'>"
                  "<select id='city' style='position:absolute;left:300px;top:200px;width:200px;height:40px;"
                  "font-size:20px'><option value='sh'>Shanghai</option><optgroup label='North'>"
                  "<option value='bj'>Beijing</option><option value='tj' disabled>Tianjin</option></optgroup>"
                  "<option value='gz' selected>Guangzhou</option></select></body></html>",
                  "text/html");
  });
  // The page's view away from the window's corner, as in the application.
  web->setFrame({100, 80, 800, 600});
  driver->flush();
  web->loadRequest(url("/select"));
  ASSERT_TRUE(finishedLoads(1));
  ASSERT_TRUE(runUntil([&] { return web->hasPicture(); }, 10));
  const Point box = web->convertPointToView({400, 220}, nullptr);
  tapPage(box);
  ASSERT_TRUE(runUntil([&] { return web->optionMenu() != nullptr; }, 10));
  WebOptionMenu& menu = *web->optionMenu();
  std::vector<std::string> labels;
  for (const auto& option : menu.options()) labels.push_back(option.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"Shanghai", "North", "Beijing", "Tianjin", "Guangzhou"}));
  EXPECT_TRUE(menu.options()[1].groupLabel);
  EXPECT_TRUE(menu.options()[2].inGroup);
  EXPECT_FALSE(menu.options()[3].enabled);
  EXPECT_TRUE(menu.options()[4].selected);
  // The list shows inside the window, at the box: just under it.
  ASSERT_TRUE(menu.popover().popoverView());
  const Rect panel = menu.popover().popoverView()->frame();
  const Rect window = driver->window().bounds();
  EXPECT_TRUE(window.contains(panel)) << panel.x() << "," << panel.y();
  EXPECT_NEAR(panel.y(), box.y + 20, WebOptionMenu::kRowHeight);
  EXPECT_LT(panel.x(), box.x);
  EXPECT_GT(panel.maxX(), box.x);
  // A disabled option takes no tap; another one is chosen in the page.
  auto rowOf = [&](const std::string& label) -> View* { return driver->findByText(label, menu.popover().popoverView()); };
  ASSERT_TRUE(rowOf("Tianjin"));
  driver->tap(*rowOf("Tianjin"));
  EXPECT_TRUE(web->optionMenu());
  ASSERT_TRUE(rowOf("Beijing"));
  driver->tap(*rowOf("Beijing"));
  EXPECT_FALSE(web->optionMenu());
  EXPECT_TRUE(runUntil([&] { return mv::test::answerOf(*web, "city.value") == "bj"; }, 10));
  // Opened again and closed by a tap outside: the choice stays.
  tapPage(box);
  ASSERT_TRUE(runUntil([&] { return web->optionMenu() != nullptr; }, 10));
  EXPECT_TRUE(web->optionMenu()->options()[2].selected);
  tapPage({1000, 740});
  EXPECT_FALSE(web->optionMenu());
  runUntil([] { return false; }, 0.3);
  EXPECT_EQ(mv::test::answerOf(*web, "city.value"), "bj");
}

// A list of 200,000 options opens with only the rows in sight made and laid
// out, the selected one among them; a tap on a row beside it chooses that
// option in the page.
TEST_F(WebViewTest, AHugeDropDownListMakesOnlyTheRowsInSight) {
  server.Get("/huge", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("<html><head><meta charset='utf-8'></head><body style='margin:0'>"
                  "<select id='n' style='position:absolute;left:100px;top:100px;width:200px;height:40px'></select>"
                  "<script>const s = document.getElementById('n'); const parts = [];"
                  "for (let i = 0; i < 200000; ++i) parts.push('<option>Option ' + i + '</option>');"
                  "s.innerHTML = parts.join(''); s.selectedIndex = 150000;</script></body></html>",
                  "text/html");
  });
  web->setFrame({0, 0, 800, 600});
  driver->flush();
  web->loadRequest(url("/huge"));
  ASSERT_TRUE(finishedLoads(1));
  ASSERT_TRUE(runUntil([&] { return web->hasPicture(); }, 10));
  tapPage(web->convertPointToView({200, 120}, nullptr));
  ASSERT_TRUE(runUntil([&] { return web->optionMenu() != nullptr; }, 60));
  driver->flush();
  WebOptionMenu& menu = *web->optionMenu();
  ASSERT_EQ(menu.options().size(), 200000u);
  auto table = std::dynamic_pointer_cast<TableViewController>(menu.popover().contentViewController());
  ASSERT_TRUE(table);
  const auto cells = table->tableView()->visibleCells();
  EXPECT_LE(cells.size(), static_cast<std::size_t>(WebOptionMenu::kRowsShown) + 1);
  View* chosen = driver->findByText("Option 150002", menu.popover().popoverView());
  ASSERT_TRUE(chosen);
  driver->tap(*chosen);
  EXPECT_FALSE(web->optionMenu());
  EXPECT_TRUE(runUntil([&] { return mv::test::answerOf(*web, "n.selectedIndex") == "150002"; }, 10));
}

// The engine's memory watch reads the engine's own processes, the children
// of this one, and only while a page is open.
TEST_F(WebViewTest, TheMemoryWatchReadsOnlyTheEnginesProcessesWhileAPageIsOpen) {
  // (A page of an earlier test may still be ending.)
  EXPECT_TRUE(runUntil([] { return !WebEngine::isWatchingMemory(); }, 10)) << "no page is open yet";
  web->loadRequest(url("/b"));
  ASSERT_TRUE(finishedLoads(1));
  EXPECT_TRUE(WebEngine::isWatchingMemory());
  const auto before = WebEngine::memoryWatchCount();
  ASSERT_TRUE(runUntil([&] { return WebEngine::memoryWatchCount().turns >= before.turns + 4; }, 10));
  const auto during = WebEngine::memoryWatchCount();
  // The processes this one started, each naming it as its parent.
  std::size_t children = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream status(entry.path() / "status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("PPid:", 0) == 0 && std::stol(line.substr(5)) == ::getpid()) ++children;
  }
  const double perTurn =
      static_cast<double>(during.processesRead - before.processesRead) / static_cast<double>(during.turns - before.turns);
  EXPECT_GT(perTurn, 0);
  EXPECT_LE(perTurn, static_cast<double>(children) + 1);
  // The page closed, its process ends, and the watch once it has gone.
  mv::test::EnginePageProcesses processes;
  web->loadHTMLString("<html><body><script>for(;;){}</script></body></html>", url("/"));
  long held = 0;
  ASSERT_TRUE(runUntil([&] { return (held = processes.busyFor(1)) != 0; }, 30));
  web->removeFromSuperview();
  web.reset();
  EXPECT_TRUE(runUntil([&] { return mv::test::EnginePageProcesses::ended(held); }, 10));
  EXPECT_TRUE(runUntil([] { return !WebEngine::isWatchingMemory(); }, 10));
}

// An answer is as long as the page makes it, up to a bound: one past it comes
// as none.
TEST_F(WebViewTest, AnAnswerPastItsBoundComesAsNone) {
  web->loadRequest(url("/b"));
  ASSERT_TRUE(finishedLoads(1));
  const auto length = [&](const std::string& script) { return mv::test::answerOf(*web, script).size(); };
  EXPECT_EQ(length("'x'.repeat(1000)"), 1000u);
  EXPECT_EQ(length("'x'.repeat(" + std::to_string(WebView::kLongestAnswer) + ")"), WebView::kLongestAnswer);
  // Characters, not bytes: three bytes each as text.
  EXPECT_EQ(length("'\u4e0a'.repeat(300000)"), 900000u);
  EXPECT_EQ(length("'x'.repeat(" + std::to_string(WebView::kLongestAnswer + 1) + ")"), 0u);
  EXPECT_EQ(length("'x'.repeat(64 << 20)"), 0u);
  EXPECT_EQ(length("new Array(" + std::to_string(WebView::kLongestAnswer) + ").fill(7)"), 0u);
  // The page answers on as before.
  EXPECT_EQ(mv::test::answerOf(*web, "document.title"), "Page B");
}

TEST_F(WebViewTest, AFolderServesOnlyItsOwnFiles) {
  const auto folder = root / "book";
  std::filesystem::create_directories(folder / "text");
  auto served = WebEngine::serveFolder(folder);
  EXPECT_EQ(served->urlOf(folder / "text" / "a b.xhtml"),
            std::string("mvbook://") + served->host() + "/text/a%20b.xhtml");
  EXPECT_FALSE(served->urlOf(root / "other.xhtml"));
  auto file = served->fileOf(*served->urlOf(folder / "text" / "a b.xhtml") + "#place");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->first, folder / "text" / "a b.xhtml");
  EXPECT_EQ(file->second, "place");
  EXPECT_FALSE(served->fileOf("mvbook://" + served->host() + "/../secret"));
  EXPECT_FALSE(served->fileOf("mvbook://" + served->host() + "/text/../../secret"));
  EXPECT_FALSE(served->fileOf("mvbook://other/text/a.xhtml"));
  EXPECT_FALSE(served->fileOf("file://" + (folder / "text" / "a.xhtml").string()));
}

}  // namespace
