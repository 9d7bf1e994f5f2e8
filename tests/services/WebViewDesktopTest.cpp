// The web view in the desktop window as its user drives it: a click in a
// page's field, typing, Tab and Shift+Tab through the page's own fields and
// the editing keys, each given as the desktop's own events.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DesktopSupport.hpp"
#include "TestEnvironment.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/ui/Window.hpp"
#include "services/WebView.hpp"

using ui::DesktopWindow;
using ui::Point;
using Key = ui::DesktopWindow::Key;

namespace {

// Three fields at fixed places, so that the test clicks where a person would.
constexpr const char* kForm =
    "<html><head><meta charset='utf-8'><style>body{margin:0} input{position:absolute;left:20px;width:300px;"
    "height:40px;font-size:20px}</style></head><body><input name='name' style='top:20px'>"
    "<input name='city' style='top:100px'><input name='note' style='top:180px'></body></html>";

class WebViewDesktopTest : public mv::test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    MV_USE_VIRTUAL_SCREEN();
    useOwnHome();
  }
};

TEST_F(WebViewDesktopTest, TabAndTheEditingKeysMoveThroughThePagesFields) {
  mv::test::runDesktop([this] {
    // The engine works in processes of its own, in real time.
    realWorkUnderWay = [] { return true; };
    auto window = std::make_shared<ui::Window>();
    window->setBackgroundColor(gfx::Color::white());
    auto web = std::make_shared<svc::WebView>(ui::Rect{100, 80, 800, 600});
    window->addSubview(web);
    window->makeKeyAndVisible();
    std::string error;
    auto desktop = DesktopWindow::open(window, {}, &error);
    ASSERT_TRUE(desktop) << error;
    web->loadHTMLString(kForm, "http://127.0.0.1/form");
    ASSERT_TRUE(runUntil([&] { return !web->isLoading() && web->hasPicture(); }, 15));
    auto ask = [&](const std::string& script) { return web->stringByEvaluatingJavaScriptFromString(script); };
    auto focused = [&] { return ask("document.activeElement.name"); };
    auto value = [&](const std::string& name) {
      return ask("document.getElementsByName('" + name + "')[0].value");
    };
    auto key = [&](Key k, unsigned modifiers = DesktopWindow::None, int times = 1) {
      for (int i = 0; i < times; ++i) desktop->pushKey(k, modifiers);
      desktop->runFrame();
    };
    auto type = [&](const std::string& text) {
      desktop->pushText(text);
      desktop->runFrame();
    };

    // A click in the first field, and typing.
    const Point name = web->convertPointToView({100, 40}, nullptr);
    desktop->pushMouseDown(name);
    desktop->pushMouseUp(name);
    desktop->runFrame();
    ASSERT_TRUE(runUntil([&] { return focused() == "name"; }, 10));
    type("Ada Lovelace");
    ASSERT_TRUE(runUntil([&] { return value("name") == "Ada Lovelace"; }, 10));
    // Tab goes on to the page's next field, Shift+Tab back.
    key(Key::Tab);
    ASSERT_TRUE(runUntil([&] { return focused() == "city"; }, 10));
    type("Paris");
    key(Key::Tab);
    ASSERT_TRUE(runUntil([&] { return focused() == "note"; }, 10));
    key(Key::Tab, DesktopWindow::Shift, 2);
    ASSERT_TRUE(runUntil([&] { return focused() == "name"; }, 10));
    EXPECT_EQ(value("city"), "Paris");
    // Home and Delete take the first letter; Shift+Left from the end
    // selects the last word, which typing replaces.
    key(Key::Home);
    key(Key::Delete);
    key(Key::End);
    key(Key::Left, DesktopWindow::Shift, 8);
    type("King");
    EXPECT_TRUE(runUntil([&] { return value("name") == "da King"; }, 10)) << value("name");
  });
}

}  // namespace
