#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Keyboard.hpp"
#include "platform/ui/SearchBar.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/TextView.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class TextInputTest : public mv::test::UiTestEnvironment {};

// Logs every question and answers by its switches.
struct FieldDelegate : TextFieldDelegate {
  std::vector<std::string>* log;
  std::string name;
  bool mayBegin = true, mayEnd = true, mayClear = true, mayReturn = true;
  std::size_t maxLength = 100;
  bool refuseDigits = false;
  std::vector<std::pair<TextRange, std::string>> changes;
  FieldDelegate(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
  bool textFieldShouldBeginEditing(TextField&) override {
    log->push_back(name + ":shouldBegin");
    return mayBegin;
  }
  void textFieldDidBeginEditing(TextField& f) override {
    EXPECT_TRUE(f.isEditing());
    log->push_back(name + ":didBegin");
  }
  bool textFieldShouldEndEditing(TextField&) override {
    log->push_back(name + ":shouldEnd");
    return mayEnd;
  }
  void textFieldDidEndEditing(TextField&) override { log->push_back(name + ":didEnd"); }
  bool textFieldShouldChangeCharactersInRange(TextField& f, TextRange r, const std::string& s) override {
    changes.push_back({r, s});
    if (refuseDigits && s.find_first_of("0123456789") != std::string::npos) return false;
    std::string next = f.text();
    next.replace(r.location, r.length, s);
    return next.size() <= maxLength;
  }
  bool textFieldShouldClear(TextField&) override {
    log->push_back(name + ":shouldClear");
    return mayClear;
  }
  bool textFieldShouldReturn(TextField&) override {
    log->push_back(name + ":shouldReturn");
    return mayReturn;
  }
};

struct KeyboardLog {
  std::vector<std::string>* log;
  std::vector<std::pair<Rect, Rect>> frames;
  std::vector<base::Observation> observations;
  explicit KeyboardLog(std::vector<std::string>* l) : log(l) {
    for (const auto& name : {Keyboard::WillShowNotification, Keyboard::DidShowNotification, Keyboard::WillHideNotification,
                             Keyboard::DidHideNotification}) {
      observations.emplace_back(name, nullptr, [this](const base::Notification& n) {
        std::string shortName = n.name.substr(std::string("Keyboard").size());
        log->push_back(shortName.substr(0, shortName.size() - std::string("Notification").size()));
        auto b = Keyboard::rectFromUserInfo(n.userInfo, Keyboard::FrameBeginUserInfoKey);
        auto e = Keyboard::rectFromUserInfo(n.userInfo, Keyboard::FrameEndUserInfoKey);
        EXPECT_TRUE(b && e);
        if (b && e) frames.push_back({*b, *e});
      });
    }
  }
};

}  // namespace

TEST_F(TextInputTest, TheDelegateCanRefuseAChange) {
  HeadlessDriver driver;
  std::vector<std::string> log;
  auto field = std::make_shared<TextField>(Rect{100, 100, 300, 30});
  auto d = std::make_shared<FieldDelegate>(&log, "f");
  d->refuseDigits = true;
  d->maxLength = 9;  // bytes
  field->setDelegate(d);
  driver.window().addSubview(field);
  int changed = 0, notified = 0;
  field->addAction([&](Control&, const Event*) { ++changed; }, ControlEventEditingChanged);
  base::Observation obs(TextField::TextDidChangeNotification, field.get(), [&](const base::Notification&) { ++notified; });

  // Typing goes nowhere before editing begins.
  EXPECT_TRUE(driver.tap(*field));
  EXPECT_TRUE(field->isEditing());
  EXPECT_EQ(driver.firstResponder(), field.get());
  for (std::string s : {"a", "b", "1", "c"}) driver.typeText(s);
  EXPECT_EQ(field->text(), "abc");
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(notified, 3);
  ASSERT_EQ(d->changes.size(), 4u);
  EXPECT_EQ(d->changes[2].first, (TextRange{2, 0}));
  EXPECT_EQ(d->changes[2].second, "1");
  // Too long as a whole: refused as a whole.
  driver.typeText("defghij");
  EXPECT_EQ(field->text(), "abc");
  driver.typeText("中文");
  EXPECT_EQ(field->text(), "abc中文");
  // Backspace takes one character (three bytes here), asking with an empty replacement.
  driver.pressBackspace();
  EXPECT_EQ(field->text(), "abc中");
  EXPECT_EQ(d->changes.back().first, (TextRange{6, 3}));
  EXPECT_EQ(d->changes.back().second, "");
  // A replaced selection.
  field->setSelectedRange({1, 2});
  driver.typeText("X");
  EXPECT_EQ(field->text(), "aX中");
  EXPECT_EQ(field->selectedRange(), (TextRange{2, 0}));
  // Malformed text is made safe; line breaks in pasted text become spaces.
  d->maxLength = 100;
  field->setSelectedRange({100, 0});
  driver.typeText(std::string("\xff") + "\n");
  EXPECT_EQ(field->text(), "aX中\xEF\xBF\xBD ");
  // Setting the text by code asks nobody and tells nobody.
  int before = changed;
  field->setText("by code");
  EXPECT_EQ(changed, before);
  EXPECT_EQ(field->displayText(), "by code");
  field->setSecureTextEntry(true);
  EXPECT_EQ(field->displayText(), "\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF\u25CF");
  // Editing refused from the start: no focus at all.
  auto other = std::make_shared<TextField>(Rect{100, 200, 300, 30});
  auto od = std::make_shared<FieldDelegate>(&log, "o");
  od->mayBegin = false;
  other->setDelegate(od);
  driver.window().addSubview(other);
  EXPECT_FALSE(other->becomeFirstResponder());
  EXPECT_EQ(driver.firstResponder(), field.get());
  driver.typeText("z");
  EXPECT_EQ(other->text(), "");
  // A disabled field cannot be edited.
  od->mayBegin = true;
  other->setEnabled(false);
  EXPECT_FALSE(other->becomeFirstResponder());
  EXPECT_TRUE(driver.render());
}

TEST_F(TextInputTest, ReturnAndClear) {
  HeadlessDriver driver;
  std::vector<std::string> log;
  auto field = std::make_shared<TextField>(Rect{100, 100, 300, 30});
  field->setClearButtonMode(TextFieldViewMode::WhileEditing);
  field->setReturnKeyType(ReturnKeyType::Next);
  auto d = std::make_shared<FieldDelegate>(&log, "f");
  field->setDelegate(d);
  field->setText("start");
  driver.window().addSubview(field);
  driver.flush();
  EXPECT_TRUE(field->clearButton().isHidden());  // not while not editing

  field->becomeFirstResponder();
  driver.flush();
  EXPECT_FALSE(field->clearButton().isHidden());
  // Return: asked, but without an end-on-exit action the field keeps editing.
  log.clear();
  driver.pressReturn();
  EXPECT_EQ(log, (std::vector<std::string>{"f:shouldReturn"}));
  EXPECT_TRUE(field->isEditing());
  EXPECT_EQ(field->text(), "start");
  // With one, a yes ends editing.
  int exits = 0;
  field->addAction([&](Control&, const Event*) { ++exits; }, ControlEventEditingDidEndOnExit);
  d->mayReturn = false;
  driver.pressReturn();
  EXPECT_EQ(exits, 0);
  EXPECT_TRUE(field->isEditing());
  d->mayReturn = true;
  log.clear();
  driver.pressReturn();
  EXPECT_EQ(exits, 1);
  EXPECT_FALSE(field->isEditing());
  EXPECT_EQ(log, (std::vector<std::string>{"f:shouldReturn", "f:shouldEnd", "f:didEnd"}));

  // Clear: refused, then allowed; the clear button of a field not editing starts editing first.
  log.clear();
  d->mayClear = false;
  EXPECT_FALSE(driver.pressClear());  // no field is being edited
  field->becomeFirstResponder();
  EXPECT_FALSE(driver.pressClear());
  EXPECT_EQ(field->text(), "start");
  d->mayClear = true;
  int notified = 0;
  base::Observation obs(TextField::TextDidChangeNotification, field.get(), [&](const base::Notification&) { ++notified; });
  driver.flush();
  driver.tap(field->clearButton());
  EXPECT_EQ(field->text(), "");
  EXPECT_EQ(notified, 1);
  EXPECT_TRUE(field->clearButton().isHidden());
  EXPECT_EQ(log, (std::vector<std::string>{"f:shouldBegin", "f:didBegin", "f:shouldClear", "f:shouldClear"}));
  // An empty field's return key does nothing when it enables itself automatically.
  log.clear();
  field->setEnablesReturnKeyAutomatically(true);
  driver.pressReturn();
  EXPECT_TRUE(log.empty());
  driver.pressBackspace();  // nothing to delete: nothing asked
  EXPECT_EQ(d->changes.size(), 0u);
}

TEST_F(TextInputTest, KeyboardNotificationsCarryAFrame) {
  HeadlessDriver driver;
  std::vector<std::string> log;
  KeyboardLog keyboard(&log);
  auto a = std::make_shared<TextField>(Rect{100, 100, 300, 30});
  auto b = std::make_shared<TextField>(Rect{100, 200, 300, 30});
  auto da = std::make_shared<FieldDelegate>(&log, "a");
  auto db = std::make_shared<FieldDelegate>(&log, "b");
  a->setDelegate(da);
  b->setDelegate(db);
  driver.window().addSubview(a);
  driver.window().addSubview(b);

  EXPECT_FALSE(driver.window().isKeyboardVisible());
  a->becomeFirstResponder();
  EXPECT_EQ(log, (std::vector<std::string>{"a:shouldBegin", "a:didBegin", "WillShow"}));
  EXPECT_TRUE(driver.window().isKeyboardVisible());
  EXPECT_EQ(driver.window().keyboardFrame(), (Rect{0, 768 - Keyboard::kHeight, 1024, Keyboard::kHeight}));
  driver.advance(0.3);
  EXPECT_EQ(log.back(), "DidShow");
  ASSERT_EQ(keyboard.frames.size(), 2u);
  EXPECT_EQ(keyboard.frames[0].first, (Rect{0, 768, 1024, 352}));
  EXPECT_EQ(keyboard.frames[0].second, (Rect{0, 416, 1024, 352}));

  // Moving between fields keeps the keyboard: nothing is posted.
  log.clear();
  b->becomeFirstResponder();
  driver.advance(0.3);
  EXPECT_EQ(log, (std::vector<std::string>{"b:shouldBegin", "a:shouldEnd", "a:didEnd", "b:didBegin"}));

  log.clear();
  b->resignFirstResponder();
  EXPECT_EQ(log, (std::vector<std::string>{"b:shouldEnd", "b:didEnd", "WillHide"}));
  driver.advance(0.3);
  EXPECT_EQ(log.back(), "DidHide");
  EXPECT_EQ(keyboard.frames.back().first, (Rect{0, 416, 1024, 352}));
  EXPECT_EQ(keyboard.frames.back().second, (Rect{0, 768, 1024, 352}));
  EXPECT_EQ(driver.window().keyboardFrame(), Rect{});

  // Shown and hidden again before the animation ends: the stale did-show never comes.
  log.clear();
  a->becomeFirstResponder();
  driver.advance(0.1);
  a->resignFirstResponder();
  driver.advance(0.5);
  EXPECT_EQ(log, (std::vector<std::string>{"a:shouldBegin", "a:didBegin", "WillShow", "a:shouldEnd", "a:didEnd", "WillHide",
                                           "DidHide"}));
  EXPECT_FALSE(Keyboard::rectFromUserInfo(base::Value::object(), Keyboard::FrameEndUserInfoKey));
  base::Value bad = base::Value::object();
  bad[Keyboard::FrameEndUserInfoKey] = {{"x", "zero"}};
  EXPECT_FALSE(Keyboard::rectFromUserInfo(bad, Keyboard::FrameEndUserInfoKey));
}

// A desktop has its own keyboard: a field takes the focus and the typing
// with nothing shown or posted, and the window keeps its whole height.
TEST_F(TextInputTest, WithoutAnOnScreenKeyboardNothingIsShownOrPosted) {
  HeadlessDriver driver;
  std::vector<std::string> log;
  KeyboardLog keyboard(&log);
  auto a = std::make_shared<TextField>(Rect{100, 100, 300, 30});
  auto da = std::make_shared<FieldDelegate>(&log, "a");
  a->setDelegate(da);
  driver.window().addSubview(a);
  // Shown while the window had one, hidden the moment it has none.
  a->becomeFirstResponder();
  ASSERT_TRUE(driver.window().isKeyboardVisible());
  log.clear();
  driver.window().setHasOnScreenKeyboard(false);
  EXPECT_FALSE(driver.window().isKeyboardVisible());
  driver.advance(0.5);
  EXPECT_EQ(log, (std::vector<std::string>{"WillHide", "DidHide"}));
  a->resignFirstResponder();

  log.clear();
  driver.tap(*a);
  EXPECT_TRUE(a->isFirstResponder());
  driver.typeText("typed");
  driver.advance(0.5);
  EXPECT_EQ(a->text(), "typed");
  EXPECT_FALSE(driver.window().isKeyboardVisible());
  EXPECT_EQ(driver.window().keyboardFrame(), Rect{});
  for (const auto& line : log) EXPECT_EQ(line.rfind("a:", 0), 0u) << line;
  a->resignFirstResponder();
  driver.advance(0.5);
  for (const auto& line : log) EXPECT_EQ(line.rfind("a:", 0), 0u) << line;
}

TEST_F(TextInputTest, FirstResponderMovesBetweenFields) {
  HeadlessDriver driver;
  std::vector<std::string> log;
  auto form = std::make_shared<View>(Rect{0, 0, 1024, 768});
  driver.window().addSubview(form);
  auto a = std::make_shared<TextField>(Rect{100, 100, 300, 30});
  auto b = std::make_shared<TextField>(Rect{100, 200, 300, 30});
  auto da = std::make_shared<FieldDelegate>(&log, "a");
  auto db = std::make_shared<FieldDelegate>(&log, "b");
  a->setDelegate(da);
  b->setDelegate(db);
  form->addSubview(a);
  form->addSubview(b);

  driver.tap(*a);
  driver.typeText("one");
  driver.tap(*b);
  driver.typeText("two");
  EXPECT_EQ(a->text(), "one");
  EXPECT_EQ(b->text(), "two");
  EXPECT_EQ(driver.firstResponder(), b.get());
  EXPECT_FALSE(a->isEditing());

  // A field that will not end editing keeps the focus.
  db->mayEnd = false;
  EXPECT_FALSE(a->becomeFirstResponder());
  EXPECT_EQ(driver.firstResponder(), b.get());
  EXPECT_FALSE(b->resignFirstResponder());
  EXPECT_FALSE(form->endEditing(false));
  EXPECT_TRUE(b->isEditing());
  // ... unless editing is ended by force.
  log.clear();
  EXPECT_TRUE(form->endEditing(true));
  EXPECT_EQ(log, (std::vector<std::string>{"b:didEnd"}));
  EXPECT_EQ(driver.firstResponder(), nullptr);
  EXPECT_FALSE(driver.window().isKeyboardVisible());

  // A field that leaves the window while editing ends editing and takes the keyboard with it.
  db->mayEnd = true;
  a->becomeFirstResponder();
  EXPECT_TRUE(driver.window().isKeyboardVisible());
  log.clear();
  form->removeFromSuperview();
  EXPECT_EQ(log, (std::vector<std::string>{"a:didEnd"}));
  EXPECT_FALSE(driver.window().isKeyboardVisible());
  EXPECT_EQ(driver.firstResponder(), nullptr);
  EXPECT_FALSE(a->becomeFirstResponder());  // no window, no focus
}

TEST_F(TextInputTest, LongTextStaysOutOfTheClearButtonAndShowsItsEndWhileTyping) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  HeadlessDriver driver;
  auto field = std::make_shared<TextField>(Rect{0, 0, 200, 30});
  field->setBorderStyle(TextBorderStyle::RoundedRect);
  field->setClearButtonMode(TextFieldViewMode::WhileEditing);
  driver.window().addSubview(field);
  driver.tap(*field);
  driver.typeText("a");
  const Rect clear = field->clearButtonRectForBounds(field->bounds());
  const Rect room = field->editingRectForBounds(field->bounds());
  auto pixels = [&] { return driver.render(*field)->toImageData(); };
  const auto shortText = pixels();
  driver.typeText("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
  const auto longText = pixels();
  // Nothing of the text is drawn beside or under the clear button.
  for (int y = 0; y < 30; ++y) {
    // (The caret stands in the first points past the text.)
    for (int x = static_cast<int>(room.maxX()) + 3; x < static_cast<int>(clear.maxX()); ++x) {
      ASSERT_TRUE(std::equal(shortText.pixel(x, y), shortText.pixel(x, y) + 4, longText.pixel(x, y))) << x << "," << y;
    }
  }
  // The end of what is typed is in view: ink right before the clear button.
  bool ink = false;
  for (int y = 0; y < 30 && !ink; ++y) {
    for (int x = static_cast<int>(room.maxX()) - 12; x < static_cast<int>(room.maxX()); ++x) {
      if (longText.pixel(x, y)[0] < 128) ink = true;
    }
  }
  EXPECT_TRUE(ink);
}

TEST_F(TextInputTest, TextViewAndSearchBar) {
  HeadlessDriver driver;
  struct ViewDelegate : TextViewDelegate {
    std::vector<std::string> log;
    bool textViewShouldChangeTextInRange(TextView&, TextRange, const std::string& t) override {
      return t.find('#') == std::string::npos;
    }
    void textViewDidChange(TextView& tv) override { log.push_back("change:" + tv.text()); }
    void textViewDidBeginEditing(TextView&) override { log.push_back("begin"); }
    void textViewDidEndEditing(TextView&) override { log.push_back("end"); }
  };
  auto tv = std::make_shared<TextView>(Rect{0, 0, 300, 100});
  auto vd = std::make_shared<ViewDelegate>();
  tv->setDelegate(vd);
  driver.window().addSubview(tv);
  driver.tap(*tv);
  EXPECT_TRUE(tv->isEditing());
  EXPECT_TRUE(driver.window().isKeyboardVisible());
  driver.typeText("line");
  driver.pressReturn();
  driver.typeText("#no");
  driver.typeText("two");
  EXPECT_EQ(tv->text(), "line\ntwo");
  EXPECT_EQ(vd->log, (std::vector<std::string>{"begin", "change:line", "change:line\n", "change:line\ntwo"}));
  double h = tv->contentSize().height;
  for (int i = 0; i < 10; ++i) driver.pressReturn();
  EXPECT_GT(tv->contentSize().height, h + 9 * tv->font().lineHeight());
  EXPECT_GT(tv->contentOffset().y, 0);  // kept the caret in sight
  tv->setEditable(false);
  EXPECT_FALSE(tv->isEditing());
  EXPECT_EQ(vd->log.back(), "end");

  struct BarDelegate : SearchBarDelegate {
    std::vector<std::string> log;
    void searchBarTextDidBeginEditing(SearchBar&) override { log.push_back("begin"); }
    void searchBarTextDidChange(SearchBar&, const std::string& t) override { log.push_back("change:" + t); }
    void searchBarSearchButtonClicked(SearchBar& b) override { log.push_back("search:" + b.text()); }
    void searchBarCancelButtonClicked(SearchBar&) override { log.push_back("cancel"); }
    bool searchBarShouldChangeTextInRange(SearchBar&, TextRange, const std::string& t) override { return t != "!"; }
  };
  auto bar = std::make_shared<SearchBar>(Rect{0, 200, 400, 44});
  auto bd = std::make_shared<BarDelegate>();
  bar->setDelegate(bd);
  bar->setPlaceholder("Search");
  bar->setShowsCancelButton(true);
  driver.window().addSubview(bar);
  driver.tap(bar->textField());
  EXPECT_TRUE(bar->isFirstResponder());
  EXPECT_EQ(bar->textField().returnKeyType(), ReturnKeyType::Search);
  driver.typeText("ab");
  driver.typeText("!");
  driver.pressReturn();
  EXPECT_TRUE(bar->isFirstResponder());  // searching leaves the focus where it is
  driver.pressClear();
  ASSERT_NE(bar->cancelButton(), nullptr);
  driver.tap(*bar->cancelButton());
  EXPECT_EQ(bd->log, (std::vector<std::string>{"begin", "change:ab", "search:ab", "change:", "cancel"}));
  bar->setText("quiet");
  EXPECT_EQ(bd->log.size(), 5u);
  EXPECT_TRUE(driver.render());
}

// What a double click selects: a word, the blanks or punctuation between
// words as their own run, an e-mail address whole, and Chinese by its words
// rather than whole lines.
TEST_F(TextInputTest, ADoubleClickSelectsTheWordUnderIt) {
  struct Case {
    std::string text;
    std::size_t at;
    std::string word;
  };
  for (const Case& c : {Case{"Harbour Lights Trading", 9, "Lights"}, Case{"Harbour Lights Trading", 7, " "},
                        Case{"Harbour Lights Trading", 22, "Trading"}, Case{"rep@harbour.example", 6, "rep@harbour.example"},
                        Case{"北京远航商贸", 0, "北京"}, Case{"", 0, ""}}) {
    const TextRange r = wordRangeAt(c.text, c.at);
    EXPECT_EQ(c.text.substr(r.location, r.length), c.word) << c.text << " @" << c.at;
  }
}
