// The web view in the desktop window as its user drives it: a click in a
// page's field, typing, Tab and Shift+Tab through the page's own fields and
// the editing keys, the wheel and the page keys, each given as the
// desktop's own events.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "DesktopSupport.hpp"
#include "PageAnswers.hpp"
#include "TestEnvironment.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/TableViewController.hpp"
#include "platform/ui/Window.hpp"
#include "services/WebEngine.hpp"
#include "services/WebOptionMenu.hpp"
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
  void TearDown() override {
    // The test's window and its page go before the next test's.
    ui::Application::freeInstance();
    TestEnvironment::TearDown();
  }

  // A web view of 800 by 600 points at (100, 80) in a window on the
  // desktop, once it has loaded and drawn `html`; null when it could not.
  std::unique_ptr<DesktopWindow> show(const std::shared_ptr<svc::WebView>& web, const std::string& html,
                                      const std::string& url) {
    // The engine works in processes of its own, in real time.
    realWorkUnderWay = [] { return true; };
    auto window = std::make_shared<ui::Window>();
    window->setBackgroundColor(gfx::Color::white());
    web->setFrame({100, 80, 800, 600});
    window->addSubview(web);
    window->makeKeyAndVisible();
    std::string error;
    auto desktop = DesktopWindow::open(window, {}, &error);
    EXPECT_TRUE(desktop) << error;
    if (!desktop) return nullptr;
    web->loadHTMLString(html, url);
    if (!runUntil([&] { return !web->isLoading() && web->hasPicture(); }, 15)) {
      ADD_FAILURE() << "the page was not drawn";
      return nullptr;
    }
    return desktop;
  }
};

TEST_F(WebViewDesktopTest, TabAndTheEditingKeysMoveThroughThePagesFields) {
  mv::test::runDesktop([this] {
    auto web = std::make_shared<svc::WebView>();
    auto desktop = show(web, kForm, "http://127.0.0.1/form");
    ASSERT_TRUE(desktop);
    auto ask = [&](const std::string& script) { return mv::test::answerOf(*web, script); };
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

TEST_F(WebViewDesktopTest, TheClipboardKeysCopyCutAndPasteThroughTheDesktopsClipboard) {
  mv::test::runDesktop([this] {
    auto web = std::make_shared<svc::WebView>();
    // An address field, a password field and a note, as on the page that
    // asks for a forgotten password.
    // Told of the pastes cut to what a field takes.
    struct Cuts {
      int told = 0;
    };
    auto cuts = std::make_shared<Cuts>();
    base::Observation cutTold(ui::TextInputTraits::TextCutNotification, web.get(),
                              [cuts](const base::Notification&) { ++cuts->told; });
    auto desktop = show(web,
                        "<html><head><meta charset='utf-8'><style>body{margin:0} input{position:absolute;left:20px;"
                        "width:300px;height:40px;font-size:20px}</style></head><body>"
                        "<input name='mail' style='top:20px'><input name='secret' type='password' style='top:100px'>"
                        "<input name='note' style='top:180px'><textarea name='story' style='position:absolute;"
                        "left:20px;top:260px;width:300px;height:40px'></textarea>"
                        "<input name='code' maxlength='6' style='top:340px'></body></html>",
                        "http://127.0.0.1/forgot");
    ASSERT_TRUE(desktop);
    auto ask = [&](const std::string& script) { return mv::test::answerOf(*web, script); };
    auto value = [&](const std::string& name) {
      return ask("document.getElementsByName('" + name + "')[0].value");
    };
    auto clickField = [&](double top, const std::string& name) {
      const Point at = web->convertPointToView({100, top + 20}, nullptr);
      desktop->pushMouseDown(at);
      desktop->pushMouseUp(at);
      desktop->runFrame();
      return runUntil([&] { return ask("document.activeElement.name") == name; }, 10);
    };
    // The engine answers a copy or a cut on a later turn, the window going on.
    auto ctrl = [&](Key k) {
      desktop->pushKey(k, DesktopWindow::Ctrl);
      desktop->runFrame();
      runUntil([] { return !svc::WebEngine::isBusy(); }, 10);
    };
    auto clipboard = [] {
      char* text = SDL_GetClipboardText();
      std::string copy = text ? text : "";
      SDL_free(text);
      return copy;
    };

    // An address copied elsewhere is pasted into the page's field.
    ASSERT_EQ(SDL_SetClipboardText("ada@example.com"), 0);
    ASSERT_TRUE(clickField(20, "mail"));
    ctrl(Key::V);
    EXPECT_TRUE(runUntil([&] { return value("mail") == "ada@example.com"; }, 10)) << value("mail");
    // and a password into the password field.
    ASSERT_EQ(SDL_SetClipboardText("s3cret!"), 0);
    ASSERT_TRUE(clickField(100, "secret"));
    ctrl(Key::V);
    EXPECT_TRUE(runUntil([&] { return value("secret") == "s3cret!"; }, 10)) << value("secret");
    // A password does not leave its field.
    ctrl(Key::A);
    ctrl(Key::C);
    ctrl(Key::X);
    EXPECT_EQ(clipboard(), "s3cret!");
    EXPECT_EQ(value("secret"), "s3cret!");

    // Select all and copy put the page's text on the desktop's clipboard;
    // a cut takes it out of the field too.
    ASSERT_TRUE(clickField(180, "note"));
    desktop->pushText("Call on Tuesday");
    desktop->runFrame();
    ASSERT_TRUE(runUntil([&] { return value("note") == "Call on Tuesday"; }, 10));
    ctrl(Key::A);
    ctrl(Key::C);
    EXPECT_EQ(clipboard(), "Call on Tuesday");
    EXPECT_EQ(value("note"), "Call on Tuesday");
    ASSERT_TRUE(clickField(20, "mail"));
    ctrl(Key::A);
    ctrl(Key::X);
    EXPECT_EQ(clipboard(), "ada@example.com");
    EXPECT_TRUE(runUntil([&] { return value("mail").empty(); }, 10)) << value("mail");
    // What was cut goes back in where the caret is.
    ASSERT_TRUE(clickField(180, "note"));
    desktop->pushKey(Key::End);
    desktop->pushText(" ");
    desktop->runFrame();
    ASSERT_TRUE(runUntil([&] { return value("note") == "Call on Tuesday "; }, 10)) << value("note");
    ctrl(Key::V);
    EXPECT_TRUE(runUntil([&] { return value("note") == "Call on Tuesday ada@example.com"; }, 10)) << value("note");
    EXPECT_EQ(cuts->told, 0);

    // A megabyte of lines goes into a text area at once, as much as a field
    // takes, and a code into its field as far as the field's own length:
    // each cut is told.
    std::string lines;
    while (lines.size() < (1u << 20)) lines += "Line of the order notes\n";
    ASSERT_EQ(SDL_SetClipboardText(lines.c_str()), 0);
    ASSERT_TRUE(clickField(260, "story"));
    ctrl(Key::V);
    const std::string taken = std::to_string(ui::TextInputTraits::kDefaultMaximumTextBytes);
    EXPECT_TRUE(runUntil([&] { return ask("String(document.getElementsByName('story')[0].value.length)") == taken; }, 10));
    EXPECT_EQ(value("story").substr(0, 48), lines.substr(0, 48));
    EXPECT_EQ(cuts->told, 1);
    ASSERT_EQ(SDL_SetClipboardText("A1B2C3D4"), 0);
    ASSERT_TRUE(clickField(340, "code"));
    ctrl(Key::V);
    EXPECT_TRUE(runUntil([&] { return value("code") == "A1B2C3"; }, 10)) << value("code");
    EXPECT_EQ(cuts->told, 2);
  });
}

TEST_F(WebViewDesktopTest, TheArrowsMoveThroughAnOpenDropDownListReturnChoosesAndEscapeClosesItAsItWas) {
  mv::test::runDesktop([this] {
    auto web = std::make_shared<svc::WebView>();
    auto desktop = show(web,
                        "<html><head><meta charset='utf-8'></head><body style='margin:0'>"
                        "<select id='city' style='position:absolute;left:300px;top:200px;width:200px;height:40px;"
                        "font-size:20px'><option value='sh'>Shanghai</option><optgroup label='North'>"
                        "<option value='bj'>Beijing</option><option value='tj' disabled>Tianjin</option></optgroup>"
                        "<option value='gz' selected>Guangzhou</option><option value='sz'>Shenzhen</option></select>"
                        "</body></html>",
                        "http://127.0.0.1/select");
    ASSERT_TRUE(desktop);
    auto value = [&] { return mv::test::answerOf(*web, "city.value"); };
    auto press = [&](Key k) {
      desktop->pushKey(k);
      desktop->runFrame();
    };
    const Point box = web->convertPointToView({400, 220}, nullptr);
    auto openList = [&] {
      desktop->pushMouseDown(box);
      desktop->pushMouseUp(box);
      desktop->runFrame();
      return runUntil([&] { return web->optionMenu() != nullptr; }, 10);
    };
    // The row shown highlighted in the open list.
    auto highlighted = [&]() -> std::string {
      desktop->runFrame();
      auto* menu = web->optionMenu();
      if (!menu) return "(closed)";
      auto table = std::dynamic_pointer_cast<ui::TableViewController>(menu->popover().contentViewController());
      auto row = table ? table->tableView()->indexPathForSelectedRow() : std::nullopt;
      auto* cell = row ? table->tableView()->cellForRowAtIndexPath(*row) : nullptr;
      return cell && cell->isSelected() ? cell->textLabel().text() : "(none)";
    };
    ASSERT_TRUE(openList());
    // The arrows go from the selected option through those that can be
    // chosen (not the group's label, not the disabled one), no further than
    // the ends; the value behind the list stays until one is chosen.
    press(Key::Down);
    EXPECT_EQ(highlighted(), "Shenzhen");
    press(Key::Down);
    EXPECT_EQ(highlighted(), "Shenzhen");
    press(Key::Up);
    press(Key::Up);
    EXPECT_EQ(highlighted(), "Beijing");
    press(Key::Home);
    EXPECT_EQ(highlighted(), "Shanghai");
    press(Key::End);
    press(Key::Up);
    press(Key::Up);
    EXPECT_EQ(highlighted(), "Beijing");
    desktop->pushText("s");
    desktop->runFrame();
    EXPECT_EQ(value(), "gz") << "a key changed the value behind the open list";
    // Return chooses the highlighted option in the page and closes the list.
    press(Key::Return);
    EXPECT_FALSE(web->optionMenu());
    EXPECT_TRUE(runUntil([&] { return value() == "bj"; }, 10)) << value();

    // Opened again, the keys start from the new choice; Escape closes the
    // list as it was.
    ASSERT_TRUE(openList());
    press(Key::Down);
    EXPECT_EQ(highlighted(), "Guangzhou");
    press(Key::Escape);
    EXPECT_FALSE(web->optionMenu());
    runUntil([] { return false; }, 0.3);
    EXPECT_EQ(value(), "bj");
  });
}

TEST_F(WebViewDesktopTest, TheWheelAndThePageKeysScrollALongPage) {
  mv::test::runDesktop([this] {
    auto web = std::make_shared<svc::WebView>();
    // A red band at the top of a page far taller than the view.
    auto desktop = show(web,
                        "<html><body style='margin:0'><div style='height:300px;background:#f00'></div>"
                        "<div style='height:5000px'></div></body></html>",
                        "http://127.0.0.1/long");
    ASSERT_TRUE(desktop);
    const Point inBand = web->convertPointToView({400, 250}, nullptr);
    auto redAt = [&](Point p) {
      desktop->runFrame(true);
      auto frame = desktop->lastFrame();
      if (!frame) return false;
      const auto c = frame->pixelAt(static_cast<int>(p.x * desktop->scale()), static_cast<int>(p.y * desktop->scale()));
      return c.r() > 0.9 && c.g() < 0.1;
    };
    ASSERT_TRUE(runUntil([&] { return redAt(inBand); }, 10));
    // Ten notches towards the user take the band out of sight.
    for (int i = 0; i < 10; ++i) desktop->pushWheel(inBand, 0, -1);
    desktop->runFrame();
    auto scrolled = [&] { return std::stod(mv::test::answerOf(*web, "window.scrollY")); };
    EXPECT_TRUE(runUntil([&] { return scrolled() >= 100; }, 10));
    EXPECT_TRUE(runUntil([&] { return !redAt(inBand); }, 10));

    // Page Down and Page Up, once a click gave the page the focus.
    desktop->pushMouseDown(inBand);
    desktop->pushMouseUp(inBand);
    desktop->runFrame();
    const double wheeled = scrolled();
    desktop->pushKey(Key::PageDown);
    desktop->runFrame();
    EXPECT_TRUE(runUntil([&] { return scrolled() >= wheeled + 300; }, 10)) << scrolled();
    desktop->pushKey(Key::PageUp);
    desktop->runFrame();
    EXPECT_TRUE(runUntil([&] { return scrolled() <= wheeled; }, 10)) << scrolled();
  });
}

}  // namespace
