// The sign-in panel's completion rules and the shortcut strip's arithmetic,
// case by case, and the panel's accept and drop paths on a panel in a window.
#include <cmath>
#include <filesystem>

#include "ScreenTestSupport.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/ImageData.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/session/LoginItem.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

base::Value entry(const std::string& user, const std::string& client, const std::string& password = "pw",
                  const char* shortcut = nullptr) {
  base::Value e = {{"Input_UserID", user}, {"Input_PassWord", password}, {"Input_ClientID", client}};
  if (shortcut) e["INPUT_USESHORTCUT"] = shortcut;
  return e;
}

TEST(PanelCompletionRules, CandidatesFollowTheTypedText) {
  const base::Value saved = base::Value::array({entry("abc", "ACME"), entry("Abd", "acorn"), entry("abe", "beta"),
                                                entry("ab", "ac"), base::Value("not an entry"),
                                                base::Value::object({{"Input_UserID", 42}})});
  struct Case {
    std::vector<std::string> before;
    std::string text;
    bool client;
    std::vector<std::string> after;
  };
  const Case cases[] = {
      // User names compare with their case; an equal value is no candidate.
      {{}, "ab", false, {"abc", "abe"}},
      {{}, "A", false, {"Abd"}},
      {{}, "abc", false, {}},
      // Client ids ignore case and keep their saved spelling.
      {{}, "ac", true, {"ACME", "acorn"}},
      {{}, "AC", true, {"ACME", "acorn"}},
      {{}, "acm", true, {"ACME"}},
      // Candidates keep the place they were first given across keystrokes.
      {{"acorn", "ACME"}, "a", true, {"acorn", "ACME", "ac"}},
      // Empty text empties the list.
      {{"abc"}, "", false, {}},
      {{}, "zzz", true, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> data = c.before;
    LoginCheckBox::updateCandidates(data, saved, c.text, c.client);
    EXPECT_EQ(data, c.after) << c.text << (c.client ? " (client)" : " (user)");
  }
}

TEST(PanelCompletionRules, SuffixesEditsAndSavedLogins) {
  // The suffix is the candidate after as many characters as were typed.
  EXPECT_EQ(LoginCheckBox::suggestionSuffix("ACME", "ac"), "ME");
  EXPECT_EQ(LoginCheckBox::suggestionSuffix("abc", "ab"), "c");
  EXPECT_EQ(LoginCheckBox::suggestionSuffix("Müller", "mü"), "ller");
  EXPECT_EQ(LoginCheckBox::suggestionSuffix("ab", "abcdef"), "");
  // A lower-cased comparison can pair texts of different byte lengths: the
  // cut never leaves the candidate or splits a character.
  EXPECT_EQ(LoginCheckBox::suggestionSuffix("İx", "i̇xyz"), "");
  EXPECT_EQ(LoginCheckBox::suggestionSuffix("ǅx", "ǆ"), "x");

  // An insertion counts as typed at the end; a deletion cuts at its start.
  EXPECT_EQ(LoginCheckBox::prospectiveText("ac", {1, 0}, "x"), "acx");
  EXPECT_EQ(LoginCheckBox::prospectiveText("acme", {2, 1}, ""), "ac");
  EXPECT_EQ(LoginCheckBox::prospectiveText("acme", {9, 1}, ""), "acme");

  // The client ids of exactly this user and password, distinct, in saved order.
  const base::Value saved = base::Value::array({entry("rep", "acme", "s"), entry("rep", "globex", "s"),
                                                entry("rep", "acme", "s"), entry("Rep", "initech", "s"),
                                                entry("rep", "umbrella", "other")});
  EXPECT_EQ(LoginCheckBox::companyIdsFor(saved, "rep", "s"), (std::vector<std::string>{"acme", "globex"}));
  EXPECT_EQ(LoginCheckBox::companyIdsFor(saved, "Rep", "s"), (std::vector<std::string>{"initech"}));
  EXPECT_TRUE(LoginCheckBox::companyIdsFor(saved, "rep", "S").empty());

  // Another user's shortcut for the same client id (user names ignoring case).
  const base::Value shortcuts = base::Value::array(
      {entry("alice", "acme", "p", "YES"), entry("bob", "globex", "p", "NO"), entry("carol", "Initech", "p", "YES")});
  EXPECT_TRUE(LoginCheckBox::isExistCheck(shortcuts, "acme", "bob"));
  EXPECT_FALSE(LoginCheckBox::isExistCheck(shortcuts, "acme", "ALICE"));
  EXPECT_FALSE(LoginCheckBox::isExistCheck(shortcuts, "globex", "alice"));
  EXPECT_FALSE(LoginCheckBox::isExistCheck(shortcuts, "initech", "bob"));
  EXPECT_FALSE(LoginCheckBox::isExistCheck(base::Value::array(), "acme", "bob"));
}

TEST(ShortcutStrip, WhatCountsAsAShortcut) {
  EXPECT_TRUE(LoginItemList::isShortcutEntry(entry("a", "b", "c", "YES")));
  EXPECT_TRUE(LoginItemList::isShortcutEntry(entry("a", "b", "c", "yes")));
  EXPECT_FALSE(LoginItemList::isShortcutEntry(entry("a", "b", "c", "NO")));
  EXPECT_FALSE(LoginItemList::isShortcutEntry(entry("a", "b", "c", "  ")));
  EXPECT_FALSE(LoginItemList::isShortcutEntry(entry("a", "b", "c")));
}

class PanelTest : public ScreenTest {};

// A company's logo, however large, is drawn within its shortcut card; the
// demo cards say "Demo" in the interface's language.
TEST_F(PanelTest, ShortcutCardsHoldTheirLogoAndSayDemoInTheLanguage) {
  saveLogins(base::Value::array({entry("rep", "acme", "s", "YES")}));
  auto folder = PublicFunction::clientFolder("acme");
  ASSERT_TRUE(folder);
  std::filesystem::create_directories(*folder / SkinManager::kSkinFolderName);
  ASSERT_TRUE(gfx::ImageData(900, 300).writePNG(*folder / SkinManager::kSkinFolderName / "homelogo.png"));
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  launch();
  std::vector<LoginItem*> demos;
  LoginItem* acme = nullptr;
  for (LoginItem* item : driver().findAllOf<LoginItem>(nullptr, false)) {
    if (item->isDemo()) demos.push_back(item);
    if (item->clientId() == "acme") acme = item;
  }
  ASSERT_TRUE(acme);
  const ui::Rect card = acme->convertRectToView(acme->bounds(), nullptr);
  const ui::Rect logo = acme->imageView().convertRectToView(acme->imageView().bounds(), nullptr);
  EXPECT_TRUE(card.contains(logo)) << logo.x() << "," << logo.y() << " " << logo.width() << "x" << logo.height();
  EXPECT_NEAR(logo.width() / logo.height(), 3, 0.05);
  ASSERT_FALSE(demos.empty());
  for (LoginItem* demo : demos) EXPECT_EQ(demo->lblCompany().text(), "演示");
  LanguageManager::sharedInstance().setCurrentLanguage(1);
}

TEST_F(PanelTest, AcceptAndDropPaths) {
  saveLogins(base::Value::array(
      {entry("rep", "Acme", "s"), entry("rex", "acorn", "s"), entry("rep", "globex", "t"), entry("rep", "initech", "s")}));
  launch();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  AutoInputTextField& user = panel.userNameInputText();
  AutoInputTextField& client = panel.clientIDInputText();

  // Moving to another field by a tap drops the suggestion.
  tap(user);
  driver().pressClear();
  typeKeys("re");
  EXPECT_EQ(panel.loginData(), (std::vector<std::string>{"rep", "rex"}));
  EXPECT_EQ(user.autoTextStr().value_or(""), "p");
  // Drawn after the typed text.
  EXPECT_NEAR(user.x(), gfx::sizeWithFont("re", user.font()).width, 0.5);
  tap(panel.passWordInputText());
  EXPECT_EQ(user.text(), "re");
  EXPECT_FALSE(user.isShowingSuggestion());
  EXPECT_TRUE(panel.loginData().empty());

  // A background tap accepts the whole first candidate.
  tap(client);
  driver().pressClear();
  typeKeys("ac");
  EXPECT_EQ(client.autoTextStr().value_or(""), "me");
  driver().tapAt({150, 150});
  settle();
  EXPECT_EQ(client.text(), "Acme");
  EXPECT_EQ(driver().firstResponder(), nullptr);

  // The end of editing accepts the whole candidate, in its saved case.
  tap(client);
  driver().pressClear();
  typeKeys("aC");
  panel.resignTextFirstResponder();
  settle();
  EXPECT_EQ(client.text(), "Acme");

  // A deletion hides the suggestion at once; the clear button drops it.
  tap(client);
  driver().pressClear();
  typeKeys("aco");
  EXPECT_TRUE(client.isShowingSuggestion());
  driver().pressBackspace();
  settle();
  EXPECT_FALSE(client.isShowingSuggestion());
  EXPECT_TRUE(panel.loginData().empty());
  typeKeys("o");
  EXPECT_TRUE(client.isShowingSuggestion());
  driver().pressClear();
  settle();
  EXPECT_FALSE(client.isShowingSuggestion());
  EXPECT_EQ(client.text(), "");

  // Next in the password field fills the client id when exactly one fits.
  user.setText("rep");
  tap(panel.passWordInputText());
  driver().typeText("t");
  driver().pressReturn();
  settle();
  EXPECT_EQ(client.text(), "globex");
  EXPECT_EQ(driver().firstResponder(), &client);
  client.setText("");
  tap(panel.passWordInputText());
  driver().pressBackspace();
  driver().typeText("s");
  driver().pressReturn();
  settle();
  EXPECT_EQ(client.text(), "");  // two clients fit: nothing is filled
  EXPECT_EQ(panel.loginData(), (std::vector<std::string>{"Acme", "initech"}));
  panel.resignTextFirstResponder();
  settle();
}

TEST_F(PanelTest, ShortcutBoxReplaceAlertAndTheStripsNotifications) {
  saveLogins(base::Value::array({entry("alice", "acme", "p", "YES")}));
  launch();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  LoginItemList& list = panel.loginItemList();
  // Another user ticks the box for a client id with a saved shortcut.
  panel.userNameInputText().setText("bob");
  panel.clientIDInputText().setText("acme");
  tap(panel.btnAutologin());
  EXPECT_TRUE(panel.btnAutologin().isSelected());
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), Language::format(en("SHORTCUTEXISTS"), {"acme"}));
  press(1);  // CANCEL unticks
  EXPECT_FALSE(panel.btnAutologin().isSelected());
  tap(panel.btnAutologin());
  press(0);  // REPLACE keeps it
  EXPECT_TRUE(panel.btnAutologin().isSelected());
  // The same user: no question.
  panel.userNameInputText().setText("ALICE");
  tap(panel.btnAutologin());
  tap(panel.btnAutologin());
  EXPECT_FALSE(alert());

  // A saved login change alone does not rebuild the strip; a demo switch does.
  const auto* first = list.itemList().front().get();
  auto& defaults = base::UserDefaults::standard();
  defaults.setObject("Login_Info_Array", base::Value::array());
  EXPECT_EQ(list.itemList().front().get(), first);
  EXPECT_EQ(list.itemList().size(), 3u);
  defaults.setBool("TOLVAREN_SHORTCUT", false);
  EXPECT_EQ(list.itemList().size(), 2u);
  EXPECT_FALSE(list.itemList()[1]->isDemo());

  // Shaking pauses in the background and comes back.
  list.addDeleteItemBtn();
  base::NotificationCenter::defaultCenter().post("AppWillEnterBackgound");
  EXPECT_TRUE(list.isShaking());
  EXPECT_FALSE(list.itemList()[0]->shaking());
  base::NotificationCenter::defaultCenter().post("AppWillEnterForegroud");
  EXPECT_TRUE(list.itemList()[0]->shaking());
  // Editing a field leaves delete mode.
  tap(panel.userNameInputText());
  EXPECT_FALSE(list.isShaking());

  // Pages: the page control follows the strip.
  base::Value many = base::Value::array();
  for (int i = 0; i < 5; ++i) many.push_back(entry("u", "c" + std::to_string(i), "p", "YES"));
  saveLogins(many);
  app->showLoginPage();
  settle();
  LoginCheckBox& again = welcome()->loginCheckBox();
  EXPECT_EQ(again.loginItemList().page(), 2);  // one demo shortcut and five saved
  EXPECT_EQ(again.pageControl().numberOfPages(), 2);
  EXPECT_DOUBLE_EQ(again.loginItemList().contentSize().width, 2 * LoginItemList::kPageWidth);
  again.loginItemList().setContentOffset({LoginItemList::kPageWidth, 0});
  EXPECT_EQ(again.pageControl().currentPage(), 1);
  const ui::Rect pc = again.pageControl().frame();
  EXPECT_DOUBLE_EQ(pc.x(), (1024 - pc.width()) / 2);
  EXPECT_DOUBLE_EQ(pc.maxY(), 758);
}

}  // namespace
}  // namespace mv::test
