// The welcome screen driven as a person would, against the local sales
// service: typing a login with completion, the shortcut strip (saved and demo
// shortcuts, delete mode), the panel's refusals and the guide.
#include <SDL.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>

#include "DesktopTestWindow.hpp"
#include "FullDisk.hpp"
#include "ScreenTestSupport.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/TextInputTraits.hpp"
#include "sales-service/FaultInjector.hpp"
#include "sales-service/ZipBuilder.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/FeaturePendingViewController.hpp"
#include "shell/app/HomeViewController.hpp"
#include "shell/config/Language.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/frame/WebViewController.hpp"
#include "sync/PictureVerdicts.hpp"
#include "sync/SyncModel.hpp"
#include "util/DiskRoom.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ProgressHUD.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

sales::CompanyConfig initech() {
  sales::CompanyConfig c = sales::ServiceConfig::defaults().companies[0];
  c.clientId = "initech";
  c.name = "Initech";
  c.data.clientId = "initech";
  c.data.companyName = "Initech";
  c.category = "0";
  c.sync = "0";
  return c;
}

base::Value login(const std::string& user, const std::string& password, const std::string& client,
                  const char* shortcut = nullptr) {
  base::Value entry = {{"Input_UserID", user}, {"Input_PassWord", password}, {"Input_ClientID", client}};
  if (shortcut) entry["INPUT_USESHORTCUT"] = shortcut;
  return entry;
}

LoginItem* itemFor(ui::HeadlessDriver& d, const std::string& clientId) {
  for (LoginItem* item : d.findAllOf<LoginItem>(nullptr, false)) {
    if (item->clientId() == clientId) return item;
  }
  return nullptr;
}

TEST_F(ScreenFlowTest, TypedLoginWithCompletionLandsOnTheConfiguredTabs) {
  ASSERT_TRUE(service->backend().addCompany(initech()));
  service->backend().prepare();  // built now, not while a sign-in waits
  saveLogins(base::Value::array({login("rep", "old", "initech"), login("Rex", "x", "globex")}));
  launchAgainstService();
  auto w = welcome();
  ASSERT_TRUE(w);
  LoginCheckBox& panel = w->loginCheckBox();
  // The first saved login fills user and client, never the password.
  EXPECT_EQ(panel.userNameInputText().text(), "rep");
  EXPECT_EQ(panel.clientIDInputText().text(), "initech");
  EXPECT_EQ(panel.passWordInputText().text(), "");

  // The user name: "r" proposes "rep" only (user names compare with case).
  tap(panel.userNameInputText());
  ASSERT_TRUE(driver().pressClear());
  typeKeys("r");
  EXPECT_EQ(panel.userNameInputText().autoTextStr().value_or(""), "ep");
  EXPECT_EQ(panel.loginData(), std::vector<std::string>{"rep"});
  // The keyboard moved the panel up.
  EXPECT_DOUBLE_EQ(w->homeBg().frame().y(), WeclomeViewController::kKeyboardShift);
  // Next accepts the suggestion and moves on.
  driver().pressReturn();
  settle();
  EXPECT_EQ(panel.userNameInputText().text(), "rep");
  EXPECT_EQ(driver().firstResponder(), &panel.passWordInputText());
  typeKeys("secret");
  EXPECT_FALSE(panel.userNameInputText().isShowingSuggestion());
  driver().pressReturn();
  settle();
  ASSERT_EQ(driver().firstResponder(), &panel.clientIDInputText());
  // No saved login has this password: the client id is left as it was.
  EXPECT_EQ(panel.clientIDInputText().text(), "initech");
  ASSERT_TRUE(driver().pressClear());
  typeKeys("INI");
  EXPECT_EQ(panel.clientIDInputText().autoTextStr().value_or(""), "tech");
  // Done signs in with the whole saved client id, in its saved spelling.
  service->clearRequestLog();
  driver().pressReturn();
  EXPECT_EQ(panel.clientIDInputText().text(), "initech");
  EXPECT_TRUE(MessageBox::sharedInstance().currentText().has_value());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  ASSERT_FALSE(messages("login").empty());
  EXPECT_EQ(messages("login").back().parameters["clientId"], "initech");
  EXPECT_EQ(messages("login").back().parameters["accountId"], "rep");
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);

  // The service has data this device lacks: the home screen offers a sync;
  // "not now" leaves it for later.
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("CONTENTUPDATED"));
  EXPECT_EQ(alert()->message(), en("HAVEUPDATE"));
  press(0);
  EXPECT_TRUE(SyncModel::sharedInstance()->showUpdate());

  // The tab bar shows what the company allows, laid out after the first selection.
  auto tab = tabBar();
  ASSERT_TRUE(tab);
  settle();
  std::vector<double> shownX;
  for (int tag = 0; tag < UITabBarControllerExt::kButtonCount; ++tag) {
    if (!tab->button(tag).isHidden()) shownX.push_back(tab->button(tag).frame().x());
  }
  EXPECT_TRUE(tab->button(1).isHidden());
  EXPECT_TRUE(tab->button(6).isHidden());
  EXPECT_EQ(shownX, (std::vector<double>{320, 420, 520, 620, 720, 820}));
  EXPECT_EQ(tab->iCurSelectTab(), 0);
  EXPECT_TRUE(tab->button(0).isSelected());
  EXPECT_TRUE(std::dynamic_pointer_cast<HomeViewController>(tab->screen(0))->isVisible());
  // Every visible tab title reads as its key says.
  auto texts = visibleTexts();
  for (const char* key : {"HOME", "CUSTOMER", "INVENTORY", "SALESLIBRARY", "ORDER", "SETTINGS"}) {
    EXPECT_NE(std::find(texts.begin(), texts.end(), en(key)), texts.end()) << key;
  }
  // The typed login is saved first, its password refreshed.
  const base::Value saved = base::UserDefaults::standard().arrayForKey("Login_Info_Array");
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0]["Input_ClientID"], "initech");
  EXPECT_EQ(saved[0]["Input_PassWord"], "secret");

  // A tap on a tab shows its (not yet built) screen.
  tap(tab->button(2).btn());
  EXPECT_EQ(tab->iCurSelectTab(), 2);
  auto pending = std::dynamic_pointer_cast<FeaturePendingViewController>(tab->screen(2));
  ASSERT_TRUE(pending);
  EXPECT_TRUE(pending->isVisible());
  EXPECT_EQ(pending->lblMessage().text(), en("FEATURENOTBUILT"));
  EXPECT_GE(pending->loadByConfigCount(), 1);
}

TEST_F(ScreenFlowTest, SavedAndDemoShortcutsSignInAndCanBeDeleted) {
  saveLogins(base::Value::array({login("rep", "secret", "acme", "YES"), login("manager", "secret2", "acme", "NO")}));
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  // Both demo companies, then the one saved shortcut.
  ASSERT_EQ(panel.loginItemList().itemList().size(), 3u);
  LoginItem* saved = itemFor(driver(), "acme");
  ASSERT_TRUE(saved);
  EXPECT_FALSE(saved->isDemo());
  EXPECT_EQ(saved->lblCompany().text(), "acme");
  EXPECT_FALSE(saved->lblCompany().isHidden());  // no logo: the client id shows

  // A tap on the saved shortcut signs in online with its login.
  service->clearRequestLog();
  tap(*saved);
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginType::Online);
  EXPECT_EQ(messages("login").back().parameters["accountId"], "rep");

  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("CONTENTUPDATED"));
  // Back to the welcome screen, which the old session's question does not cover.
  app->showLoginPage();
  settle();
  EXPECT_FALSE(alert());
  // Delete mode from a long press.
  LoginCheckBox& again = welcome()->loginCheckBox();
  LoginItemList& list = again.loginItemList();
  ASSERT_EQ(list.itemList().size(), 3u);
  LoginItem* demo = itemFor(driver(), "quimbeset_");
  ASSERT_TRUE(demo);
  driver().longPress(driver().centerOf(*demo));
  settle();
  EXPECT_TRUE(list.isShaking());
  for (auto& item : list.itemList()) {
    EXPECT_TRUE(item->shaking());
    EXPECT_FALSE(item->btnDelete()->isHidden());
    EXPECT_TRUE(item->layer().animationForKey(LoginItem::kShakeAnimationKey));
  }
  // A tap on a shaking shortcut signs nobody in.
  tap(*itemFor(driver(), "acme"));
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_FALSE(alert());

  // The saved shortcut's badge: confirm the deletion.
  LoginItem* acme = itemFor(driver(), "acme");
  tap(*acme->btnDelete());
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), Language::format(en("DELETESHORTCUT"), {"acme"}));
  press(1);
  EXPECT_EQ(list.itemList().size(), 2u);
  EXPECT_FALSE(itemFor(driver(), "acme"));
  base::Value logins = base::UserDefaults::standard().arrayForKey("Login_Info_Array");
  ASSERT_EQ(logins.size(), 2u);
  // Kept for completion, at the end and no longer a shortcut.
  EXPECT_EQ(logins[1]["Input_UserID"], "rep");
  EXPECT_EQ(logins[1]["INPUT_USESHORTCUT"], "NO");
  EXPECT_EQ(logins[0]["Input_UserID"], "manager");
  // The rest keep shaking, laid out anew: two shortcuts on one page.
  EXPECT_TRUE(list.itemList()[0]->shaking());
  EXPECT_DOUBLE_EQ(list.itemList()[0]->frame().x(), LoginItemList::itemFrame(0, 2).x());

  // A demo shortcut, deleted for good; cancelling first changes nothing.
  tap(*itemFor(driver(), "quimbeset_")->btnDelete());
  EXPECT_EQ(alert()->message(), en("DELETEDEMOSHORTCUT"));
  press(0);
  EXPECT_EQ(list.itemList().size(), 2u);
  tap(*itemFor(driver(), "quimbeset_")->btnDelete());
  press(1);
  EXPECT_EQ(list.itemList().size(), 1u);
  EXPECT_FALSE(base::UserDefaults::standard().boolForKey("Z_DUVO_SHORTCUT"));
  // A background tap well above the strip ends delete mode.
  driver().tapAt({100, 100});
  settle();
  EXPECT_FALSE(list.isShaking());
  EXPECT_FALSE(list.itemList()[0]->shaking());

  // The remaining demo shortcut signs in at once, without a wait box or a request.
  service->clearRequestLog();
  tap(*itemFor(driver(), "tolvaren_"));
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }, 5));
  EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginType::Demo);
  EXPECT_TRUE(messages("login").empty());
  // The demo help points at the logo, once per installation.
  auto home = std::dynamic_pointer_cast<HomeViewController>(tabBar()->screen(0));
  ASSERT_TRUE(waitFor([&] { return home->helpPopController() && home->helpPopController()->isPopoverVisible(); }, 5));
  auto texts = visibleTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), en("HELPLOGOUT")), texts.end());
  EXPECT_TRUE(HomeViewController::hasShownHelpLogout());
  app->showLoginPage();
  settle();
  tap(*itemFor(driver(), "tolvaren_"));
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }, 5));
  settle(0.5);
  auto again2 = std::dynamic_pointer_cast<HomeViewController>(tabBar()->screen(0));
  EXPECT_FALSE(again2->helpPopController());
}

TEST_F(ScreenFlowTest, ThePanelRefusesWhatCannotSignIn) {
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  service->clearRequestLog();
  // Spaces only count as empty. Read (by Escape, or its OK), the alert
  // leaves the user in the empty field, and Tab goes on from there.
  panel.userNameInputText().setText("   ");
  panel.passWordInputText().setText("secret");
  panel.clientIDInputText().setText("acme");
  tap(panel.clientIDInputText());
  tap(panel.loginBut());
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("FIELDNOTFILLED"));
  EXPECT_EQ(alert()->message(), en("INPUTCANTNOTNULL"));
  EXPECT_TRUE(driver().window().pressEscape());
  settle();
  ASSERT_EQ(driver().firstResponder(), &panel.userNameInputText());
  ASSERT_TRUE(driver().pressClear());
  typeKeys("rep");
  EXPECT_EQ(panel.userNameInputText().text(), "rep");
  EXPECT_TRUE(driver().window().moveFocusToNextField(false));
  EXPECT_EQ(driver().firstResponder(), &panel.passWordInputText());
  ASSERT_TRUE(driver().pressClear());
  // Done in the last field: the empty password is named.
  tap(panel.clientIDInputText());
  driver().pressReturn();
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), en("FIELDNOTFILLED"));
  press(0);
  EXPECT_EQ(driver().firstResponder(), &panel.passWordInputText());
  typeKeys("secret");
  // A client id that cannot name a folder never leaves the panel.
  for (const char* bad : {"..", "../etc", "a/b", "acme ", "."}) {
    panel.clientIDInputText().setText(bad);
    tap(panel.loginBut());
    ASSERT_TRUE(alert()) << bad;
    EXPECT_EQ(alert()->message(), en("CLIENTIDINVALID")) << bad;
    press(0);
    EXPECT_EQ(driver().firstResponder(), &panel.clientIDInputText()) << bad;
  }
  settle(0.3);
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  EXPECT_TRUE(messages("login").empty());
  // A refused password comes back as the service's message, and the panel stays.
  panel.clientIDInputText().setText("acme");
  panel.passWordInputText().setText("wrong");
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->title(), en("LOGINERRO"));
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
}

// A client's first sign-in on a disk already full, and on one that fills
// while the sign-in stores the account's settings: each time the alert
// says the device has no room, not that the settings could not be loaded,
// and the panel keeps what was typed; once room is made the same tap signs
// in.
TEST_F(ScreenFlowTest, ADiskWithoutRoomForTheSettingsSaysSoAndKeepsTheLogin) {
  ASSERT_TRUE(service->backend().addCompany(initech()));
  service->backend().prepare();  // built now, not while a sign-in waits
  FullDisk disk;
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  const auto typeInto = [&](ui::TextField& field, const std::string& text) {
    tap(field);
    ASSERT_TRUE(driver().pressClear());
    typeKeys(text);
  };
  typeInto(panel.userNameInputText(), "rep");
  typeInto(panel.passWordInputText(), "secret");
  typeInto(panel.clientIDInputText(), "initech");
  const auto toldNoRoomAndKept = [&] {
    ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->title(), en("LOGINERRO"));
    EXPECT_EQ(alert()->message(), en("SIGNINNOROOM"));
    press(0);
    EXPECT_TRUE(app->isWelcomeRoot());
    EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
    EXPECT_EQ(panel.userNameInputText().text(), "rep");
    EXPECT_EQ(panel.passWordInputText().text(), "secret");
    EXPECT_EQ(panel.clientIDInputText().text(), "initech");
  };

  // Not even a store for the account fits: none is begun.
  DiskRoom::setReading([](const fs::path&) -> std::optional<DiskRoom::Space> {
    return DiskRoom::Space{std::uint64_t{16} << 30, 0};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  tap(panel.loginBut());
  ASSERT_NO_FATAL_FAILURE(toldNoRoomAndKept());
  const fs::path folder = base::Paths::documents() / "initech";
  EXPECT_FALSE(fs::exists(folder / "marvisto_lite.sqlite"));
  EXPECT_FALSE(fs::exists(folder / "marvisto_lite.sqlite.partial"));
  DiskRoom::setReading(nullptr);
  service->clearRequestLog();

  // The settings' reply waits until the disk is full.
  service->addFault(sales::FaultRule::stallFor("loadConfigurationData", 0));
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return !messages("loadConfigurationData").empty(); }));
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), en("SYNUSERCONFIG"));
  disk.fill();
  service->clearFaults();
  service->releaseStalls();
  ASSERT_NO_FATAL_FAILURE(toldNoRoomAndKept());
  EXPECT_GT(disk.refusedWrites(), 0);

  disk.makeRoom();
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot() || alert() != nullptr; }));
  EXPECT_FALSE(app->isWelcomeRoot()) << (alert() ? alert()->message() : std::string());
}

TEST_F(ScreenFlowTest, FullResyncSignInLeavesNoWaitBoxOverTheMainScreen) {
  ASSERT_TRUE(service->backend().addCompany(initech()));
  service->backend().prepare();  // built now, not while a sign-in waits
  ASSERT_TRUE(service->backend().requestFullSync("initech", "rep"));
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  panel.userNameInputText().setText("rep");
  panel.passWordInputText().setText("secret");
  panel.clientIDInputText().setText("initech");
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot() || alert() != nullptr; }));
  ASSERT_FALSE(app->isWelcomeRoot()) << (alert() ? alert()->message() : std::string());
  // The box that covered the full resync and the configuration step is gone
  // with the sign-in: the main screen can be used at once.
  settle(0.5);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  EXPECT_TRUE(driver().findAllOf<ProgressHUD>().empty());
}

TEST_F(ScreenFlowTest, ASignInThatWaitsOnTheServiceCanBeCancelled) {
  ASSERT_TRUE(service->backend().addCompany(initech()));
  service->backend().prepare();  // built now, not while a sign-in waits
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  auto& box = MessageBox::sharedInstance();
  const auto signInTyped = [&] {
    panel.userNameInputText().setText("rep");
    panel.passWordInputText().setText("secret");
    panel.clientIDInputText().setText("initech");
    tap(panel.loginBut());
  };
  // The answer comes late, after the user has given up: first by the box's
  // own button, then by Escape.
  for (const bool byEscape : {false, true}) {
    SCOPED_TRACE(byEscape ? "Escape" : "Cancel button");
    service->clearRequestLog();
    service->addFault(sales::FaultRule::stallFor("login", 1.0));
    signInTyped();
    ASSERT_NE(box.waitMsgBoxtag(), 0);
    EXPECT_EQ(box.currentText(), en("LOGINWAITING"));
    EXPECT_TRUE(waitFor([&] { return !messages("login").empty(); }, 5));
    if (byEscape) {
      EXPECT_TRUE(driver().window().pressEscape());
      settle();
    } else {
      ASSERT_TRUE(tapControl(en("CANCEL")));
    }
    EXPECT_EQ(box.boxCount(), 0u);
    settle(0.5);
    EXPECT_TRUE(driver().findAllOf<ProgressHUD>().empty());
    // The late answer changes nothing: no session, no alert, still the panel.
    waitFor([] { return false; }, 1.5);
    EXPECT_TRUE(app->isWelcomeRoot());
    EXPECT_FALSE(alert());
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginType::None);
    EXPECT_EQ(box.boxCount(), 0u);
    service->clearFaults();
  }
  // Escape with nothing to close does nothing.
  EXPECT_FALSE(driver().window().pressEscape());
  // The panel signs in as before.
  signInTyped();
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  // A box whose work went past the point of no return offers no way out.
  EXPECT_FALSE(box.cancelCurrent());
}

// A file server that keeps the skin's connection open and sends nothing:
// the wait for the company's pictures can be left, the sign-in completes
// with the pictures there were, and the user hears they were not loaded.
TEST_F(ScreenFlowTest, AWaitForTheCompanysPicturesCanBeLeftAndIsTold) {
  ASSERT_TRUE(service->backend().addCompany(initech()));
  service->backend().prepare();
  launchAgainstService();
  // The toast that tells stays as long as it does for the user.
  ui::View::setAnimationsEnabled(true);
  sales::FaultRule silent;
  silent.path = "*SkinImages_iOS7.zip";
  silent.kind = sales::FaultKind::Stall;
  silent.seconds = 0;
  service->addFault(silent);
  LoginCheckBox& panel = welcome()->loginCheckBox();
  panel.userNameInputText().setText("rep");
  panel.passWordInputText().setText("secret");
  panel.clientIDInputText().setText("initech");
  tap(panel.loginBut());
  auto& box = MessageBox::sharedInstance();
  const auto skinAsked = [&] {
    for (const auto& e : fileRequests())
      if (e.path.find("SkinImages") != std::string::npos) return true;
    return false;
  };
  ASSERT_TRUE(waitFor(skinAsked, 10));
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_EQ(box.currentText(), en("SYNUSERCONFIG"));
  ASSERT_TRUE(driver().tapControl(en("CANCEL")));
  EXPECT_TRUE(waitFor([&] { return toastSays(en("SKINNOTLOADED")); }, 2));
  EXPECT_FALSE(app->isWelcomeRoot());
  EXPECT_EQ(box.boxCount(), 0u);
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "initech" / "SkinImages"));
  for (const auto& ack : messages("syncDataFinished")) EXPECT_NE(ack.parameters.value("tableType", ""), "skin");
}

// A company's skin whose pictures each hold their check as a picture of
// the slow shape does for seconds (only reading it through tells it whole):
// the main screen comes at once after the sign-in, its pictures drawn as
// the application's own while their checks run, and as the company's once
// settled.
TEST_F(ScreenFlowTest, TheMainScreenComesAtOnceWhileTheSkinsPicturesAreChecked) {
  ASSERT_TRUE(service->backend().addCompany(initech()));
  service->backend().prepare();
  // Of a colour none of the application's own pictures has.
  gfx::ImageData skinColour(64, 64);
  for (std::size_t at = 0; at < skinColour.pixels.size(); at += 4) {
    skinColour.pixels[at] = 250;
    skinColour.pixels[at + 1] = 10;
    skinColour.pixels[at + 2] = 200;
    skinColour.pixels[at + 3] = 255;
  }
  const auto png = skinColour.encodePNG();
  ASSERT_TRUE(png);
  sales::ZipBuilder skin;
  // Without their IEND chunk: whole, as only reading them through tells.
  for (const char* name : {"SkinImages/bg-home.png", "SkinImages/btmbar-bg.png", "SkinImages/topnavbar.png"})
    ASSERT_TRUE(skin.add(name, std::string(png->begin(), png->end() - 12)));
  sales::FaultRule served;
  served.path = "*SkinImages_iOS7.zip";
  served.kind = sales::FaultKind::FileContent;
  served.content = skin.finish().value_or("");
  ASSERT_FALSE(served.content.empty());
  service->addFault(served);
  std::mutex mutex;
  std::condition_variable released;
  bool letGo = false;
  int held = 0;
  PictureVerdicts::setCheckObserver([&](const fs::path&) {
    std::unique_lock<std::mutex> lock(mutex);
    ++held;
    released.wait_for(lock, std::chrono::seconds(30), [&] { return letGo; });
  });
  struct Restore {
    ~Restore() { PictureVerdicts::setCheckObserver({}); }
  } restore;
  const auto holding = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return held;
  };
  launchAgainstService();
  LoginCheckBox& panel = welcome()->loginCheckBox();
  panel.userNameInputText().setText("rep");
  panel.passWordInputText().setText("secret");
  panel.clientIDInputText().setText("initech");
  tap(panel.loginBut());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  ASSERT_TRUE(waitFor([&] { return holding() > 0; }));
  auto home = std::dynamic_pointer_cast<HomeViewController>(tabBar()->screen(0));
  ASSERT_TRUE(home);
  const auto skinShown = [&] {
    auto drawn = driver().render(home->homeBg());
    if (!drawn) return false;
    const gfx::Color c = drawn->pixelAt(drawn->pixelWidth() / 2, drawn->pixelHeight() / 2);
    return std::lround(c.r() * 255) == 250 && std::lround(c.g() * 255) == 10 && std::lround(c.b() * 255) == 200;
  };
  settle();
  EXPECT_FALSE(skinShown());
  EXPECT_EQ(holding(), 1);
  {
    std::lock_guard<std::mutex> lock(mutex);
    letGo = true;
    released.notify_all();
  }
  EXPECT_TRUE(waitFor(skinShown));
  EXPECT_TRUE(waitFor([&] { return holding() == 3; }));
}

// A sign-in that ends on the welcome screen (the company's configuration
// could not be had) after its reply named the company's address: the demo
// after it, and another company whose reply names none, show no address
// but their own on their home screen.
TEST_F(ScreenFlowTest, ASignInAfterAnotherShowsOnlyItsOwnCompanysLink) {
  sales::CompanyConfig company = initech();
  company.link = "http://www.initech.example";
  ASSERT_TRUE(service->backend().addCompany(company));
  sales::CompanyConfig other = initech();
  other.clientId = other.data.clientId = "hooli";
  other.name = other.data.companyName = "Hooli";
  other.link = "";
  ASSERT_TRUE(service->backend().addCompany(other));
  service->backend().prepare();
  launchAgainstService();
  sales::FaultRule refused = sales::FaultRule::statusFor("loadConfigurationData", "500");
  const auto signInTyped = [&](const std::string& client) {
    LoginCheckBox& panel = welcome()->loginCheckBox();
    panel.userNameInputText().setText("rep");
    panel.passWordInputText().setText("secret");
    panel.clientIDInputText().setText(client);
    tap(panel.loginBut());
  };
  const auto homeLink = [&]() -> std::optional<std::string> {
    auto home = std::dynamic_pointer_cast<HomeViewController>(tabBar()->screen(0));
    if (!home || home->linklblWebsite().isHidden()) return std::nullopt;
    return home->linklblWebsite().text();
  };
  for (const bool demo : {true, false}) {
    SCOPED_TRACE(demo ? "the demo" : "another company");
    refused.times = 1;
    service->addFault(refused);
    signInTyped("initech");
    ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
    ASSERT_TRUE(app->isWelcomeRoot());
    press(0);
    if (demo) {
      LoginItem* shortcut = itemFor(driver(), SkinManager::kDemoClientTolvaren);
      ASSERT_TRUE(shortcut);
      tap(*shortcut);
    } else {
      signInTyped("hooli");
    }
    ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
    settle();
    EXPECT_EQ(homeLink(), std::nullopt);
    app->showLoginPage();
    settle();
    service->clearFaults();
  }
}

TEST_F(ScreenFlowTest, ForgottenPasswordPageThatCannotLoadSaysSo) {
  launchAgainstService();
  auto w = welcome();
  LoginCheckBox& panel = w->loginCheckBox();
  // The file endpoint's pages are not served here: the link opens the page,
  // whose failure is shown rather than an empty page.
  auto& defaults = base::UserDefaults::standard();
  defaults.setString("ImageIP", "127.0.0.1");
  defaults.setInteger("ImagePort", service->messagePort());
  PublicFunction::GetServer();
  panel.linkLabelTouche(panel.forgotPasswordLink(), LoginCheckBox::kForgotPasswordTag);
  settle();
  auto page = std::dynamic_pointer_cast<WebViewController>(
      std::shared_ptr<ui::ViewController>(w->presentedViewController()->shared_from_this()));
  ASSERT_TRUE(page);
  EXPECT_EQ(page->url(), PublicFunction::forgetPassWordUrl());
  EXPECT_FALSE(page->btnBack()->isEnabled());
  EXPECT_FALSE(page->btnForward()->isEnabled());
  EXPECT_TRUE(page->btnReload()->isEnabled());
  ASSERT_TRUE(waitFor([&] { return !page->contentWebView()->isLoading(); }));
  // The close button hands the page back.
  tap(*page->btnClose());
  EXPECT_EQ(w->presentedViewController(), nullptr);
}

using SignInDesktopTest = DesktopFixture<ScreenTest>;

// A paste past what the user name holds goes in as far as it fits, and a
// toast says the rest was left out (one at a time; none for a paste that fits).
TEST_F(SignInDesktopTest, APasteTooLongForTheFieldIsCutAndTheToastSaysSo) {
  runDesktop([&] {
    launch();
    // The toast shows for a while, as it does for the user.
    ui::View::setAnimationsEnabled(true);
    auto w = welcome();
    ASSERT_TRUE(w);
    ui::TextField& name = w->loginCheckBox().userNameInputText();
    auto desktop = openDesktop(driver().windowPtr());
    ASSERT_TRUE(desktop);
    desktop->runFrame(true);
    DesktopUser user(*desktop);
    const ui::Rect r = name.convertRectToView(name.bounds(), nullptr);
    user.click({r.midX(), r.midY()});
    ASSERT_TRUE(name.isEditing());
    const std::string said = mv::text("TEXTCUT");
    ASSERT_FALSE(said.empty());

    ASSERT_EQ(SDL_SetClipboardText("rep"), 0);
    user.key(ui::DesktopWindow::Key::V, ui::DesktopWindow::Ctrl);
    EXPECT_EQ(name.text(), "rep");
    EXPECT_FALSE(UIToast::isShowing(said));

    const std::string large(3 * ui::TextInputTraits::kDefaultMaximumTextBytes, 'r');
    ASSERT_EQ(SDL_SetClipboardText(large.c_str()), 0);
    user.key(ui::DesktopWindow::Key::A, ui::DesktopWindow::Ctrl);
    user.key(ui::DesktopWindow::Key::V, ui::DesktopWindow::Ctrl);
    EXPECT_EQ(name.text(), large.substr(0, ui::TextInputTraits::kDefaultMaximumTextBytes));
    EXPECT_TRUE(UIToast::isShowing(said));
    // Pasted again into the full field: nothing goes in, and the toast
    // already there says it.
    user.key(ui::DesktopWindow::Key::V, ui::DesktopWindow::Ctrl);
    EXPECT_EQ(name.text().size(), ui::TextInputTraits::kDefaultMaximumTextBytes);
    int toasts = 0;
    for (const auto& view : driver().windowPtr()->subviews()) toasts += std::dynamic_pointer_cast<UIToast>(view) ? 1 : 0;
    EXPECT_EQ(toasts, 1);
  });
}

}  // namespace
}  // namespace mv::test
