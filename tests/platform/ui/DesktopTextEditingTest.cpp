#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "DesktopSupport.hpp"
#include "DesktopTestWindow.hpp"
#include "PiecewiseClipboard.hpp"
#include "UiTestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/DesktopWindow.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "platform/ui/TextView.hpp"
#include "platform/ui/Window.hpp"

using ui::DesktopWindow;
using ui::Point;
using ui::Rect;
using ui::TextRange;
using Key = ui::DesktopWindow::Key;

namespace {

class DesktopTextEditingTest : public mv::test::UiTestEnvironment {
 protected:
  void SetUp() override {
    UiTestEnvironment::SetUp();
    MV_USE_VIRTUAL_SCREEN();
  }
};

// The user at the desktop: clicks, drags, keys and an input method, each
// given as the desktop's own events and handled as the window handles them.
class User {
 public:
  explicit User(DesktopWindow& w) : w_(w) {}
  // `times` presses in quick succession (a double click is two).
  void click(Point p, int times = 1) {
    base::RunLoop::main().advance(1);
    for (int i = 0; i < times; ++i) {
      w_.pushMouseDown(p);
      w_.pushMouseUp(p);
      w_.runFrame();
    }
  }
  // Shift is held while the press is handled, let go with the button.
  void shiftClick(Point p) {
    base::RunLoop::main().advance(1);
    w_.pushMouseDown(p, DesktopWindow::Shift);
    w_.runFrame();
    w_.pushMouseUp(p);
    w_.runFrame();
  }
  void drag(Point from, Point to) {
    base::RunLoop::main().advance(1);
    w_.pushMouseDown(from);
    for (int i = 1; i <= 4; ++i) w_.pushMouseMove({from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4});
    w_.pushMouseUp(to);
    w_.runFrame();
  }
  void key(Key k, unsigned modifiers = DesktopWindow::None, int times = 1) {
    for (int i = 0; i < times; ++i) w_.pushKey(k, modifiers);
    w_.runFrame();
  }
  void type(const std::string& text) {
    w_.pushText(text);
    w_.runFrame();
  }
  void compose(const std::string& text, int cursor) {
    w_.pushComposition(text, cursor);
    w_.runFrame();
  }
  // The picture on the display now.
  gfx::Color pixel(Point p) {
    w_.runFrame(true);
    return w_.shownPixelAt(static_cast<int>(p.x * w_.scale()), static_cast<int>(p.y * w_.scale()));
  }

 private:
  DesktopWindow& w_;
};

std::unique_ptr<DesktopWindow> show(const std::shared_ptr<ui::Window>& window) {
  window->setBackgroundColor(gfx::Color::white());
  window->makeKeyAndVisible();
  std::string error;
  auto desktop = DesktopWindow::open(window, {}, &error);
  EXPECT_TRUE(desktop) << error;
  if (desktop) desktop->runFrame(true);
  return desktop;
}

std::shared_ptr<ui::TextField> field(ui::Window& window, const Rect& frame, const std::string& text,
                                     gfx::TextAlignment alignment = gfx::TextAlignment::Left) {
  auto f = std::make_shared<ui::TextField>(frame);
  f->setText(text);
  f->setTextAlignment(alignment);
  window.addSubview(f);
  return f;
}

std::shared_ptr<ui::TextView> textView(ui::Window& window, const Rect& frame, const std::string& text) {
  auto v = std::make_shared<ui::TextView>(frame);
  v->setFont(gfx::Font::systemFont(17));
  v->setText(text);
  window.addSubview(v);
  return v;
}

// In window points: `past` to the right of where the text view shows the
// end of `shown` on its first line, half way down the line.
Point onFirstLine(const ui::TextView& v, const std::string& shown, double past) {
  const auto inset = v.textContainerInset();
  return {v.frame().x() + inset.left + gfx::TextMeasurer::current().widthOf(shown, v.font()) + past,
          v.frame().y() + inset.top + v.font().lineHeight() / 2};
}

// In window points: where the field shows the text before byte offset
// `index`, while it shows its text from its left edge.
Point before(const ui::TextField& f, std::size_t index) {
  const double x = gfx::TextMeasurer::current().widthOf(f.text().substr(0, index), f.drawingFont());
  return {f.frame().x() + x, f.frame().midY()};
}

double width(const std::string& text, const ui::TextField& f) {
  return gfx::TextMeasurer::current().widthOf(text, f.drawingFont());
}

bool isBlue(const gfx::Color& c) { return c.b() > 0.9 && c.r() < 0.9; }

// The window's text field as a user mends a long name: a click puts the
// caret where it lands, the keys move it and stretch a selection, a double
// click selects a word, a drag selects what it passes, Shift and a click
// stretch the selection; what the field shows follows.
TEST_F(DesktopTextEditingTest, AClickPlacesTheCaretAndTheKeysAndMouseSelect) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    auto name = field(*window, {40, 40, 500, 30}, "Harbour Lights Trading");
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);

    // A click just inside the "L" of "Lights": the caret stands before it.
    user.click({before(*name, 8).x + 1, 55});
    ASSERT_TRUE(name->isEditing());
    EXPECT_EQ(name->selectedRange(), (TextRange{8, 0}));
    const Rect caret = name->convertRectToView(name->caretRect(), nullptr);
    EXPECT_NEAR(caret.x(), before(*name, 8).x, 1.5);
    EXPECT_TRUE(isBlue(user.pixel(caret.center())));
    user.type("Bright ");
    EXPECT_EQ(name->text(), "Harbour Bright Lights Trading");

    // Home, three to the right, Delete: the "b" goes.
    user.key(Key::Home);
    user.key(Key::Right, DesktopWindow::None, 3);
    user.key(Key::Delete);
    EXPECT_EQ(name->text(), "Harour Bright Lights Trading");
    // From the end, Shift+Left seven times selects "Trading", drawn highlighted.
    user.key(Key::End);
    user.key(Key::Left, DesktopWindow::Shift, 7);
    const std::size_t trading = name->text().size() - 7;
    EXPECT_EQ(name->selectedRange(), (TextRange{trading, 7}));
    const Rect selected = name->convertRectToView(name->selectionRect(), nullptr);
    EXPECT_NEAR(selected.x(), before(*name, trading).x, 1.5);
    EXPECT_NEAR(selected.width(), width("Trading", *name), 1.5);
    const gfx::Color highlight = user.pixel({selected.x() + 1, selected.y() + 1});
    EXPECT_TRUE(highlight.b() > 0.9 && highlight.r() < 0.9 && highlight.r() > 0.5) << highlight.r();
    // Shift+Right gives one back; Left without Shift collapses to the start.
    user.key(Key::Right, DesktopWindow::Shift);
    EXPECT_EQ(name->selectedRange(), (TextRange{trading + 1, 6}));
    user.key(Key::Left);
    EXPECT_EQ(name->selectedRange(), (TextRange{trading + 1, 0}));
    // Typing replaces a selection.
    user.key(Key::End, DesktopWindow::Shift);
    user.type("rading Co");
    EXPECT_EQ(name->text(), "Harour Bright Lights Trading Co");

    // A double click selects the word under it.
    user.click({before(*name, 9).x, 55}, 2);
    EXPECT_EQ(name->selectedRange(), (TextRange{7, 6}));
    // A drag from the start into "Lights" selects what it passed.
    user.drag({before(*name, 0).x + 1, 55}, {before(*name, 17).x + 1, 55});
    EXPECT_EQ(name->selectedRange(), (TextRange{0, 17}));
    user.key(Key::Backspace);
    EXPECT_EQ(name->text(), "hts Trading Co");
    EXPECT_EQ(name->selectedRange(), (TextRange{0, 0}));
    // Shift and a click stretch the selection from where it was anchored,
    // forward and then back before the anchor.
    user.click({before(*name, 4).x + 1, 55});
    user.shiftClick({before(*name, 11).x + 1, 55});
    EXPECT_EQ(name->selectedRange(), (TextRange{4, 7}));
    user.shiftClick({before(*name, 0).x + 1, 55});
    EXPECT_EQ(name->selectedRange(), (TextRange{0, 4}));
    user.type("North ");
    EXPECT_EQ(name->text(), "North Trading Co");
  });
}

// A drag across a field or a text view not yet being edited selects what it
// passed, as a drag in one being edited does: the press takes the focus
// with the caret where it landed. A delegate that refuses to begin editing
// is asked once per click.
TEST_F(DesktopTextEditingTest, ADragSelectsInATextNotYetBeingEdited) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    auto name = field(*window, {40, 40, 500, 30}, "Harbour Lights Trading");
    auto city = field(*window, {40, 100, 500, 30}, "North Harbour");
    auto note = textView(*window, {40, 160, 400, 120}, "Deliver before noon");
    auto address = field(*window, {40, 300, 500, 30}, "1 Elm");
    struct Refuses : ui::TextFieldDelegate {
      int asked = 0;
      bool textFieldShouldBeginEditing(ui::TextField&) override {
        ++asked;
        return false;
      }
    };
    auto refuses = std::make_shared<Refuses>();
    address->setDelegate(refuses);
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);

    // Across "Lights" of a field nobody edits yet, then copied.
    user.drag({before(*name, 8).x + 1, 55}, {before(*name, 14).x + 1, 55});
    ASSERT_TRUE(name->isEditing());
    EXPECT_EQ(name->selectedRange(), (TextRange{8, 6}));
    user.key(Key::C, DesktopWindow::Ctrl);
    char* clip = SDL_GetClipboardText();
    EXPECT_STREQ(clip, "Lights");
    SDL_free(clip);
    // Backwards across "North" of the next field: typing replaces it.
    user.drag({before(*city, 5).x + 1, 115}, {before(*city, 0).x + 1, 115});
    ASSERT_TRUE(city->isEditing());
    EXPECT_FALSE(name->isEditing());
    EXPECT_EQ(city->selectedRange(), (TextRange{0, 5}));
    user.type("South");
    EXPECT_EQ(city->text(), "South Harbour");
    // Again in the field now being edited.
    user.drag({before(*city, 6).x + 1, 115}, {city->frame().maxX() - 5, 115});
    EXPECT_EQ(city->selectedRange(), (TextRange{6, 7}));

    // The text view, from the start of its line into "before".
    user.drag(onFirstLine(*note, "", 1), onFirstLine(*note, "Deliver before", 1));
    ASSERT_TRUE(note->isEditing());
    EXPECT_EQ(note->selectedRange(), (TextRange{0, 14}));
    user.key(Key::X, DesktopWindow::Ctrl);
    EXPECT_EQ(note->text(), " noon");
    clip = SDL_GetClipboardText();
    EXPECT_STREQ(clip, "Deliver before");
    SDL_free(clip);

    user.click(address->frame().center());
    EXPECT_FALSE(address->isEditing());
    EXPECT_EQ(refuses->asked, 1);
  });
}

// Ctrl+A, Ctrl+C, Ctrl+X and Ctrl+V with the desktop's clipboard between
// two fields; a delegate that refuses a paste refuses it whole, and secure
// text never reaches the clipboard nor shows its words.
TEST_F(DesktopTextEditingTest, TheClipboardCarriesTextBetweenFieldsThroughTheDelegate) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    auto mail = field(*window, {40, 40, 400, 30}, "rep@harbour.example");
    auto other = field(*window, {40, 100, 400, 30}, "");
    auto quantity = field(*window, {40, 160, 100, 30}, "3", gfx::TextAlignment::Center);
    auto password = field(*window, {40, 220, 400, 30}, "open sesame");
    password->setSecureTextEntry(true);
    // Digits only, asked once per edit.
    struct Digits : ui::TextFieldDelegate {
      std::vector<std::string> asked;
      bool textFieldShouldChangeCharactersInRange(ui::TextField&, TextRange, const std::string& s) override {
        asked.push_back(s);
        return s.find_first_not_of("0123456789") == std::string::npos;
      }
    };
    auto digits = std::make_shared<Digits>();
    quantity->setDelegate(digits);
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);

    user.click(mail->frame().center());
    user.key(Key::A, DesktopWindow::Ctrl);
    EXPECT_EQ(mail->selectedRange(), (TextRange{0, mail->text().size()}));
    user.key(Key::C, DesktopWindow::Ctrl);
    char* clip = SDL_GetClipboardText();
    EXPECT_STREQ(clip, "rep@harbour.example");
    SDL_free(clip);
    user.click(other->frame().center());
    user.key(Key::V, DesktopWindow::Ctrl);
    EXPECT_EQ(other->text(), "rep@harbour.example");
    EXPECT_EQ(other->selectedRange(), (TextRange{other->text().size(), 0}));
    // Cut: the selection leaves the field for the clipboard.
    user.key(Key::Left, DesktopWindow::Shift, 8);
    user.key(Key::X, DesktopWindow::Ctrl);
    EXPECT_EQ(other->text(), "rep@harbour");
    clip = SDL_GetClipboardText();
    EXPECT_STREQ(clip, ".example");
    SDL_free(clip);

    // Letters pasted among digits: refused whole, asked once.
    user.click(quantity->frame().center());
    user.key(Key::End);
    user.key(Key::V, DesktopWindow::Ctrl);
    EXPECT_EQ(quantity->text(), "3");
    EXPECT_EQ(digits->asked, (std::vector<std::string>{".example"}));
    SDL_SetClipboardText("25");
    user.key(Key::V, DesktopWindow::Ctrl);
    EXPECT_EQ(quantity->text(), "325");
    // A selection cut out of a field that refuses nothing but letters.
    user.key(Key::A, DesktopWindow::Ctrl);
    user.key(Key::X, DesktopWindow::Ctrl);
    EXPECT_EQ(quantity->text(), "");

    // The password is selected but neither copied nor cut; a double click
    // selects it whole, telling nothing of the words in it.
    user.click(password->frame().center());
    user.key(Key::A, DesktopWindow::Ctrl);
    user.key(Key::C, DesktopWindow::Ctrl);
    user.key(Key::X, DesktopWindow::Ctrl);
    EXPECT_EQ(password->text(), "open sesame");
    user.click({password->frame().x() + 8, password->frame().midY()}, 2);
    EXPECT_EQ(password->selectedRange(), (TextRange{0, 11}));
    clip = SDL_GetClipboardText();
    EXPECT_STREQ(clip, "325");
    SDL_free(clip);
  });
}

// A paste past what a field holds goes in as far as it fits, cut at a
// character, and the field says the rest was left out; a large text that
// another program hands over in pieces is read whole. A full field takes no
// more typing, and says so too.
TEST_F(DesktopTextEditingTest, APasteLongerThanTheFieldHoldsGoesInAsFarAsItFits) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    auto name = field(*window, {40, 40, 400, 30}, "");
    auto note = textView(*window, {40, 100, 400, 200}, "");
    int cuts = 0;
    base::Observation cut(ui::TextInputTraits::TextCutNotification, nullptr, [&](const base::Notification&) { ++cuts; });
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);

    // 1.5 MB from another program: the field's 64 KiB of it.
    std::string large;
    while (large.size() < 1500000) large += "客户 Harbour Lights " + std::to_string(large.size()) + "号\n";
    {
      mv::test::PiecewiseClipboard other(large);
      ASSERT_TRUE(other.owns());
      user.click(name->frame().center());
      user.key(Key::V, DesktopWindow::Ctrl);
      // Its start on one line, cut before a character.
      const std::size_t held = name->text().size();
      std::string line = large.substr(0, held);
      std::replace(line.begin(), line.end(), '\n', ' ');
      EXPECT_EQ(name->text(), line);
      EXPECT_LE(held, ui::TextInputTraits::kDefaultMaximumTextBytes);
      EXPECT_GT(held + 4, ui::TextInputTraits::kDefaultMaximumTextBytes);
      EXPECT_NE(static_cast<unsigned char>(large[held]) & 0xC0, 0x80);
      EXPECT_EQ(cuts, 1);
      // Its end shows before the caret, where the field has scrolled to.
      desktop->runFrame(true);
      const Rect caret = name->caretRectInWindow();
      int ink = 0;
      for (int x = static_cast<int>(caret.x()) - 40; x < static_cast<int>(caret.x()) - 1; ++x)
        ink += desktop->shownPixelAt(x, static_cast<int>(caret.midY())).r() < 0.5 ? 1 : 0;
      EXPECT_GT(ink, 2);
      user.type("客户");
      EXPECT_EQ(cuts, 2);
      EXPECT_LE(name->text().size(), ui::TextInputTraits::kDefaultMaximumTextBytes);

      // A text view's room, as small as its owner makes it; lines kept.
      note->setMaximumTextBytes(40);
      user.click(note->frame().center());
      user.key(Key::V, DesktopWindow::Ctrl);
      EXPECT_EQ(note->text(), large.substr(0, 40));
      EXPECT_EQ(cuts, 3);
    }
    // What fits goes in whole, and says nothing.
    user.key(Key::A, DesktopWindow::Ctrl);
    ASSERT_EQ(SDL_SetClipboardText("Lights"), 0);
    user.key(Key::V, DesktopWindow::Ctrl);
    EXPECT_EQ(note->text(), "Lights");
    EXPECT_EQ(cuts, 3);
    // A text its owner set past the room (a note stored long ago) takes an
    // edit that does not lengthen it; none that does.
    note->setText(std::string(100, 'n'));
    user.key(Key::A, DesktopWindow::Ctrl);
    user.key(Key::Right);
    for (int i = 0; i < 3; ++i) user.key(Key::Left, DesktopWindow::Shift);
    user.type("ps");
    EXPECT_EQ(note->text(), std::string(97, 'n') + "ps");
    user.type("!");
    EXPECT_EQ(note->text(), std::string(97, 'n') + "ps");
    EXPECT_EQ(cuts, 4);
  });
}

// The caret stands where typing goes in centred and right-aligned fields,
// and in a text that scrolls inside its field.
TEST_F(DesktopTextEditingTest, TheCaretIsDrawnWhereTypingGoesWhateverTheAlignment) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    auto centred = field(*window, {40, 40, 120, 30}, "", gfx::TextAlignment::Center);
    auto right = field(*window, {40, 100, 120, 30}, "", gfx::TextAlignment::Right);
    auto longName = field(*window, {40, 160, 150, 30}, "");
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);

    for (auto* f : {centred.get(), right.get()}) {
      user.click(f->frame().center());
      user.type("125");
      const Rect caret = f->convertRectToView(f->caretRect(), nullptr);
      // Just past the text's ink, which ends where the field's alignment puts it.
      const double textEnd = f->textAlignment() == gfx::TextAlignment::Center
                                 ? f->frame().midX() + width("125", *f) / 2
                                 : f->frame().maxX() - 2;
      EXPECT_NEAR(caret.x(), textEnd, 1.5) << static_cast<int>(f->textAlignment());
      EXPECT_TRUE(isBlue(user.pixel(caret.center())));
      // Left twice: between the 1 and the 2.
      user.key(Key::Left, DesktopWindow::None, 2);
      const double one = f->convertRectToView(f->caretRect(), nullptr).x();
      EXPECT_NEAR(caret.x() - one, width("25", *f), 1.5);
      user.type("0");
      EXPECT_EQ(f->text(), "1025");
    }

    // Longer than its field: the caret stays in sight at both ends.
    user.click(longName->frame().center());
    user.type("Harbour Lights International Trading Company");
    EXPECT_GT(longName->textScrollOffset(), 0);
    EXPECT_NEAR(longName->caretRect().maxX(), longName->bounds().width(), 1);
    user.key(Key::Home);
    EXPECT_EQ(longName->textScrollOffset(), 0);
    EXPECT_EQ(longName->caretRect().x(), 0);
    // A click in the middle of what shows puts the caret under it.
    user.click({longName->frame().x() + width("Harbour ", *longName) + 1, longName->frame().midY()});
    EXPECT_EQ(longName->selectedRange(), (TextRange{8, 0}));
  });
}

// A Chinese input method's composition shows underlined where typing goes,
// is not yet text, and what it commits is.
TEST_F(DesktopTextEditingTest, AnInputMethodsCompositionShowsAndIsCommitted) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    auto name = field(*window, {40, 40, 400, 30}, "客户");
    int changes = 0;
    name->addAction([&](ui::Control&, const ui::Event*) { ++changes; }, ui::ControlEventEditingChanged);
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);
    user.click(name->frame().center());
    ASSERT_TRUE(name->isEditing());
    const double caretBefore = name->caretRect().x();

    user.compose("zhong", 5);
    EXPECT_EQ(name->markedText(), "zhong");
    EXPECT_EQ(name->text(), "客户");
    EXPECT_EQ(changes, 0);
    EXPECT_NEAR(name->caretRect().x() - caretBefore, width("zhong", *name), 1.5);
    user.compose("中文", 1);
    EXPECT_NEAR(name->caretRect().x() - caretBefore, width("中", *name), 1.5);
    // Committed: the text takes it, the composition is gone.
    user.compose("", 0);
    user.type("中文");
    EXPECT_EQ(name->text(), "客户中文");
    EXPECT_EQ(name->markedText(), "");
    EXPECT_EQ(changes, 1);
    EXPECT_NEAR(name->caretRect().x() - caretBefore, width("中文", *name), 1.5);

    // Whatever the window's size, the input method is told where the caret
    // shows on the display, in the window's pixels, so its candidates stand
    // beside it.
    for (const auto& [w, h] : {std::pair{1366, 700}, std::pair{2048, 1536}}) {
      ASSERT_TRUE(mv::test::resizeTo(*desktop, w, h));
      user.compose("wen", 3);
      const Rect told = desktop->inputMethodRect();
      const Rect caret = name->caretRectInWindow();
      const Point corner = desktop->fit().toPixels(caret.origin);
      EXPECT_NEAR(told.x(), corner.x, 1) << w;
      EXPECT_NEAR(told.y(), corner.y, 1) << w;
      EXPECT_NEAR(told.height(), caret.height() * desktop->scale(), 1) << w;
      // The caret is drawn there, within the pixel the rectangle starts in.
      desktop->runFrame(true);
      const int x = static_cast<int>(told.x()), y = static_cast<int>(told.midY());
      EXPECT_TRUE(isBlue(desktop->shownPixelAt(x, y)) || isBlue(desktop->shownPixelAt(x + 1, y))) << w;
      user.compose("", 0);
    }
  });
}

// Tab and Shift+Tab go through a form's fields in reading order, passing
// over one that shows nothing and one that will not edit; a click outside
// the field ends its editing as Return would.
TEST_F(DesktopTextEditingTest, TabMovesThroughTheFormAndAClickOutsideEndsEditing) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    // Added out of order: the reading order is the rows, left to right.
    auto city = field(*window, {300, 100, 200, 30}, "");
    auto street = field(*window, {40, 100, 200, 30}, "");
    auto name = field(*window, {40, 40, 460, 30}, "");
    auto hidden = field(*window, {40, 160, 200, 30}, "");
    hidden->setHidden(true);
    auto disabled = field(*window, {40, 220, 200, 30}, "");
    disabled->setEnabled(false);
    auto zip = field(*window, {40, 280, 200, 30}, "");
    struct Ends : ui::TextFieldDelegate {
      std::vector<std::string> ended;
      void textFieldDidEndEditing(ui::TextField& f) override { ended.push_back(f.text()); }
    };
    auto ends = std::make_shared<Ends>();
    zip->setDelegate(ends);
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);

    user.click(name->frame().center());
    std::vector<ui::Responder*> visited;
    for (int i = 0; i < 4; ++i) {
      user.key(Key::Tab);
      visited.push_back(window->firstResponder());
    }
    EXPECT_EQ(visited, (std::vector<ui::Responder*>{street.get(), city.get(), zip.get(), name.get()}));
    user.key(Key::Tab, DesktopWindow::Shift);
    EXPECT_EQ(window->firstResponder(), zip.get());
    user.type("4051");
    // A click on nothing: editing ends with the value typed.
    user.click({700, 600});
    EXPECT_EQ(window->firstResponder(), nullptr);
    EXPECT_FALSE(zip->isEditing());
    EXPECT_EQ(ends->ended, (std::vector<std::string>{"", "4051"}));
  });
}

// Several lines: Up and Down move between them keeping to the column, a
// click places the caret on the line it lands on, a drag or Shift and a
// click select across.
TEST_F(DesktopTextEditingTest, UpAndDownMoveBetweenTheLinesOfATextView) {
  mv::test::runDesktop([] {
    auto window = std::make_shared<ui::Window>();
    // Lines that begin alike, so a column is the same letters on each.
    auto note = textView(*window, {40, 40, 400, 200}, "sector one\nsector two\nsector");
    auto desktop = show(window);
    ASSERT_TRUE(desktop);
    User user(*desktop);
    const double h = note->font().lineHeight();
    const auto inset = note->textContainerInset();
    auto lineY = [&](int line) { return note->frame().y() + inset.top + h * (line + 0.5); };
    auto xOf = [&](const std::string& text) {
      return note->frame().x() + inset.left + gfx::TextMeasurer::current().widthOf(text, note->font());
    };

    user.click({xOf("sec") + 1, lineY(1)});
    ASSERT_TRUE(note->isEditing());
    EXPECT_EQ(note->selectedRange(), (TextRange{14, 0}));
    user.key(Key::Up);
    EXPECT_EQ(note->selectedRange(), (TextRange{3, 0}));
    user.key(Key::Down, DesktopWindow::None, 2);
    EXPECT_EQ(note->selectedRange(), (TextRange{25, 0}));
    EXPECT_NEAR(note->caretRect().y(), inset.top + 2 * h, 0.5);
    EXPECT_NEAR(note->convertRectToView(note->caretRect(), nullptr).x(), xOf("sec"), 1.5);
    // From the end, Shift+Up selects back to the same column of the line above.
    user.key(Key::End);
    user.key(Key::Up, DesktopWindow::Shift);
    EXPECT_EQ(note->selectedRange(), (TextRange{17, 11}));
    EXPECT_EQ(note->selectionRects().size(), 2u);
    user.key(Key::C, DesktopWindow::Ctrl);
    char* clip = SDL_GetClipboardText();
    EXPECT_STREQ(clip, " two\nsector");
    SDL_free(clip);

    user.drag({xOf("se") + 1, lineY(0)}, {xOf("se") + 1, lineY(1)});
    EXPECT_EQ(note->selectedRange(), (TextRange{2, 11}));
    user.key(Key::Delete);
    EXPECT_EQ(note->text(), "sector two\nsector");
    // Shift and a click on the next line select across it.
    user.click({xOf("sector ") + 1, lineY(0)});
    user.shiftClick({xOf("sec") + 1, lineY(1)});
    EXPECT_EQ(note->selectedRange(), (TextRange{7, 7}));
    user.key(Key::X, DesktopWindow::Ctrl);
    EXPECT_EQ(note->text(), "sector tor");
  });
}

}  // namespace
