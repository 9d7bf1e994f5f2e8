// Whole sign-in runs against the local sales service: the application is
// launched headless, signs in through the welcome screen's delegate, and the
// outcome is read from the window, the store, the defaults and the service's
// request log.
#include <filesystem>
#include <fstream>

#include "ShellTestSupport.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "sales-service/FaultInjector.hpp"
#include "sales-service/ZipBuilder.hpp"
#include "sales-service/SampleData.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/frame/UIToast.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/DiskRoom.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "store/KeptRowsFile.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "util/PublicFunction.hpp"
#include "util/ZipArchive.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using sales::FaultKind;
using sales::FaultRule;

// A session service that notes, when its session ends, whether the client's
// data is still there and its database still open.
struct SessionEndProbe {
  struct Seen {
    bool ended = false;
    bool databaseFileThere = false;
    bool databaseOpen = false;
  };
  SessionEndProbe(std::shared_ptr<Seen> seen, std::filesystem::path file) : seen_(std::move(seen)), file_(std::move(file)) {}
  void sessionEnded() {
    seen_->ended = true;
    seen_->databaseFileThere = fs::exists(file_);
    seen_->databaseOpen = SQLiteDatabase::sharedDataBase().isOpen();
  }
  std::shared_ptr<Seen> seen_;
  std::filesystem::path file_;
};

TEST_F(SignInTest, FirstLaunchThenOnlineFirstTime) {
  launch();
  auto& defaults = base::UserDefaults::standard();
  // First launch: the guide, both demo shortcuts, the demo data unpacked.
  ASSERT_TRUE(welcome());
  EXPECT_TRUE(welcome()->guideShown());
  EXPECT_FALSE(defaults.boolForKey("SHOULDSHOWGUIDE"));
  EXPECT_TRUE(defaults.boolForKey("Z_DUVO_SHORTCUT"));
  EXPECT_TRUE(defaults.boolForKey("TOLVAREN_SHORTCUT"));
  ASSERT_TRUE(waitFor([] { return !SkinManager::sharedInstance().isDemoUnpacking(); }));
  EXPECT_TRUE(fs::is_regular_file(base::Paths::documents() / "quimbeset_" / "marvisto_lite.sqlite"));
  EXPECT_TRUE(fs::is_regular_file(base::Paths::documents() / "tolvaren_" / "marvisto_lite.sqlite"));
  EXPECT_FALSE(MessageBox::sharedInstance().isShowing(welcome()->demoWaitTag()));

  // Online, first time, with the catalogue switched off and the box ticked.
  service->backend().addCompany([] {
    sales::CompanyConfig c = sales::ServiceConfig::defaults().companies[0];
    c.clientId = "initech";
    c.name = "Initech";
    c.data.clientId = "initech";
    c.data.companyName = "Initech";
    c.category = "0";
    return c;
  }());
  // Its data is built now, not while the sign-in waits for its reply.
  service->backend().prepare();
  signIn("initech", "rep", "secret", true);
  ASSERT_FALSE(app->isWelcomeRoot()) << (welcome() && !welcome()->errors().empty() ? welcome()->errors().back() : "");
  auto lm = LoginMode::existingInstance();
  ASSERT_TRUE(lm);
  EXPECT_EQ(lm->loginType(), LoginType::Online);
  EXPECT_EQ(mainScreen()->tabsShown(), (std::vector<int>{0, 2, 3, 4, 5, 6}));
  EXPECT_EQ(mainScreen()->selectedIndex(), 0);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);

  const base::Value saved = defaults.arrayForKey("Login_Info_Array");
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0]["Input_UserID"], "rep");
  EXPECT_EQ(saved[0]["Input_ClientID"], "initech");
  EXPECT_EQ(saved[0]["INPUT_USESHORTCUT"], "YES");
  EXPECT_EQ(defaults.stringForKey("initech-App_version"), app->currentVersion());
  EXPECT_TRUE(fs::is_regular_file(base::Paths::documents() / "initech" / "SkinImages" / "homelogo.png"));
  EXPECT_TRUE(fs::is_directory(base::Paths::documents() / "initech" / "ProductImages"));
  ASSERT_TRUE(service->waitForRequests(1, 1));
  ASSERT_TRUE(waitFor([&] { return !messages("syncDataFinished").empty(); }, 5));
  EXPECT_EQ(messages("syncDataFinished")[0].parameters["tableType"], "skin");

  // The login carried the lower-case digest and "firstLogin" YES.
  auto logins = messages("login");
  ASSERT_FALSE(logins.empty());
  const std::string digest = logins.back().parameters["password"];
  EXPECT_EQ(digest, "5ebe2294ecd0e0f08eab7690d2a6ee69");
  EXPECT_EQ(logins.back().parameters["firstLogin"], "YES");

  // The local user row serves offline sign-ins later.
  DataAccessManager* dam = SessionDatabase::open().get();
  ASSERT_NE(dam, nullptr);
  EXPECT_EQ(dam->checkLocalUserInfo(lm->loginInfo()), "200");
}

TEST_F(SignInTest, OfflineAfterLogoutAndItsRefusals) {
  launch();
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  std::weak_ptr<LoginMode> before = LoginMode::existingInstance();
  app->showLoginPage();
  ASSERT_TRUE(app->isWelcomeRoot());
  // The old session is gone; the new welcome screen starts a fresh one.
  EXPECT_TRUE(before.expired());
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  EXPECT_EQ(LoginMode::existingInstance()->clientID(), "");

  // The service cannot be reached: the same user signs in offline.
  pointNowhere();
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  auto lm = LoginMode::existingInstance();
  EXPECT_EQ(lm->loginType(), LoginType::Offline);
  auto notice = alertTitled(en("LOGINABNORMAL"));
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->message(), en("USINGOFFLINE"));
  EXPECT_EQ(lm->email(), "rep@acme.example.com");

  // A wrong password: the text of the local check "206".
  app->showLoginPage();
  ui::AlertView::resetForTesting();
  signIn("acme", "rep", "wrong");
  ASSERT_TRUE(app->isWelcomeRoot());
  ASSERT_FALSE(welcome()->errors().empty());
  EXPECT_EQ(welcome()->errors().back(), en("206"));
  EXPECT_TRUE(welcome()->loginButtonEnabled());
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  auto error = alertTitled(en("LOGINERRO"));
  ASSERT_TRUE(error);
  EXPECT_EQ(error->message(), en("206"));

  // An unknown user of a known client: "202"; an unknown client: never signed in here.
  signIn("acme", "nobody", "secret");
  EXPECT_EQ(welcome()->errors().back(), en("202"));
  signIn("globex", "rep", "secret");
  // It says which service did not answer: the network may well be up.
  const ServerInfo server = PublicFunction::GetServer();
  EXPECT_EQ(welcome()->errors().back(),
            en("FIRSTLOGINNETWORKERRO") + " " +
                Language::format(en("SERVERNOTREACHED"), {server.strIP + ":" + std::to_string(server.httpPort)}));
  EXPECT_NE(welcome()->errors().back().find(":" + std::to_string(server.httpPort)), std::string::npos);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "globex"));
  // In Chinese the second sentence follows the first one's full stop with
  // no space between them.
  LanguageManager::sharedInstance().setCurrentLanguage(2);
  signIn("globex", "rep", "secret");
  const std::string chinese = en("FIRSTLOGINNETWORKERRO");
  ASSERT_TRUE(chinese.ends_with("\u3002")) << chinese;
  EXPECT_EQ(welcome()->errors().back(),
            chinese + Language::format(en("SERVERNOTREACHED"), {server.strIP + ":" + std::to_string(server.httpPort)}));
  LanguageManager::sharedInstance().setCurrentLanguage(1);

  // A service that answers, but more slowly than the floor: it was reached.
  pointAt(*service);
  HttpNetworkCtrl::Settings slow = HttpNetworkCtrl::sharedInstance().settings();
  slow.messageLowSpeedBytesPerSecond = 10;
  slow.messageAverageFloorBytesPerSecond = 1024;
  slow.messageAverageFloorSeconds = 1;
  HttpNetworkCtrl::sharedInstance().setSettings(slow);
  service->addFault(FaultRule::trickleFor("login", 10, 0.25));
  signIn("globex", "rep", "secret");
  const ServerInfo reached = PublicFunction::GetServer();
  EXPECT_EQ(welcome()->errors().back(),
            Language::format(en("SERVERTOOSLOW"), {reached.strIP + ":" + std::to_string(reached.httpPort)}));
}

TEST_F(SignInTest, RefusalsEndTheSignInAndTheNextAttemptWorks) {
  launch();
  // The service refuses the login with a status of its own.
  service->addFault(FaultRule::statusFor("login", "205"));
  signIn("acme", "rep", "secret");
  ASSERT_TRUE(app->isWelcomeRoot());
  ASSERT_EQ(welcome()->errors().size(), 1u);
  EXPECT_EQ(welcome()->errors()[0], en("115"));
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  service->clearFaults();

  // A reply of one object of 800,000 members (9 MB), which a search through
  // the members for each new one would read for many minutes while the
  // wait box's Cancel did nothing: refused as damaged, and the wait is over.
  std::string members = "{";
  for (int i = 0; i < 800000; ++i) members += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":0";
  FaultRule many = FaultRule::contentFor("login", members + "}");
  many.times = 1;
  service->addFault(many);
  signIn("acme", "rep", "secret");
  ASSERT_TRUE(app->isWelcomeRoot());
  ASSERT_EQ(welcome()->errors().size(), 2u);
  EXPECT_EQ(welcome()->errors().back(), en("115"));
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);

  // The configuration is refused.
  service->addFault(FaultRule::statusFor("loadConfigurationData", "500"));
  signIn("acme", "rep", "secret");
  ASSERT_TRUE(app->isWelcomeRoot());
  ASSERT_EQ(welcome()->errors().size(), 3u);
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  service->clearFaults();

  // A configuration without the module list: the sign-in cannot complete.
  FaultRule shape;
  shape.method = "loadConfigurationData";
  shape.kind = FaultKind::WrongShape;
  shape.shape = sales::WrongShape::ContentTooShort;
  service->addFault(shape);
  signIn("acme", "rep", "secret");
  ASSERT_TRUE(app->isWelcomeRoot());
  ASSERT_EQ(welcome()->errors().size(), 4u);
  EXPECT_EQ(welcome()->errors().back(), en("CONFIGRATIONINFOERROR"));
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);

  // Offline, the same client has a user but no configuration: it says so
  // instead of leaving the user on the welcome screen.
  pointNowhere();
  signIn("acme", "rep", "secret");
  ASSERT_TRUE(app->isWelcomeRoot());
  EXPECT_EQ(welcome()->errors().back(), en("CONFIGRATIONINFOERROR"));
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  EXPECT_FALSE(alertTitled(en("LOGINABNORMAL")));

  // The next attempt, with the service healthy again, works.
  service->clearFaults();
  pointAt(*service);
  signIn("acme", "rep", "secret");
  EXPECT_FALSE(app->isWelcomeRoot());
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::Online);

  // The password changed on the service: the old one is refused online and
  // does not fall back to the offline sign-in that still knows it.
  app->showLoginPage();
  base::RunLoop::main().drain();
  ui::AlertView::resetForTesting();
  ASSERT_TRUE(service->backend().setPassword("acme", "rep", "renewed"));
  signIn("acme", "rep", "secret");
  ASSERT_TRUE(app->isWelcomeRoot());
  EXPECT_EQ(welcome()->errors().back(), en("206"));
  EXPECT_FALSE(alertTitled(en("LOGINABNORMAL")));
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  // An unknown client id is refused with a text that says so.
  signIn("nobody", "rep", "secret");
  EXPECT_EQ(welcome()->errors().back(), en("208"));
  signIn("acme", "rep", "renewed");
  EXPECT_FALSE(app->isWelcomeRoot());
}

TEST_F(SignInTest, LockedUserLosesTheLocalDataAfterTheAlert) {
  launch();
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  auto& defaults = base::UserDefaults::standard();
  defaults.setString("acme-FileSynced", "YES");
  defaults.setString("acme-ProductSynced", "YES");
  defaults.setDouble("acme-lastsync", 5);
  app->showLoginPage();

  ASSERT_TRUE(service->backend().setLocked("acme", "rep", true));
  auto w = welcome();
  LoginInfo info = makeLogin("rep", PublicFunction::getDeviceUDID(), "secret", "acme");
  w->login(info, true, false);
  ASSERT_TRUE(waitFor([&] { return alertTitled(en("INVALIDDEVICE")) != nullptr; }));
  auto alert = alertTitled(en("INVALIDDEVICE"));
  EXPECT_EQ(alert->tag(), MarvistoAppDelegate::kLockedAlertTag);
  EXPECT_EQ(app->deviceStatus(), "114");
  // Until the user has read it, nothing is deleted; Escape, as the window
  // takes it, is no answer to it.
  EXPECT_FALSE(app->window()->pressEscape());
  base::RunLoop::main().drain();
  EXPECT_EQ(ui::AlertView::visibleAlert(), alert);
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "acme" / "marvisto_lite.sqlite"));
  ASSERT_TRUE(alert->pressButton(0));
  base::RunLoop::main().drain();
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme"));
  for (const char* key : {"acme-FileSynced", "acme-ProductSynced", "acme-lastsync", "acme-App_version"}) {
    EXPECT_FALSE(defaults.hasKey(key)) << key;
  }
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_TRUE(app->isWelcomeRoot());
  EXPECT_TRUE(w->loginButtonEnabled());
  // The demo companies are untouched.
  ASSERT_TRUE(waitFor([] { return !SkinManager::sharedInstance().isDemoUnpacking(); }));
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "quimbeset_"));
}

TEST_F(SignInTest, FullResyncKeepsTheUsersOwnWork) {
  launch();
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  // Work of the user: an order not yet submitted, a customer made here, and
  // a row the service will send again.
  SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
  ASSERT_TRUE(SessionDatabase::open().get());
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_customer (customer_id, customer_name) VALUES (-1, 'Walk-in')"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_customer_address (id, customer_id, address) VALUES (-1, -1, 'Here 1')"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_customer (customer_id, customer_name) VALUES (5, 'Synced')"));
  // What the user set on customers of the service, and the user's lists.
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_customer (customer_id, customer_name, has_note, note) "
                         "VALUES (6, 'Noted', 1, 'Call before noon'), (7, 'Marked', 0, NULL)"));
  ASSERT_TRUE(db.execute("UPDATE marvisto_customer SET important = 1, hidden = 1 WHERE customer_id = 7"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_favorite (product_id, product_name) VALUES (11, 'Fav')"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_compare (product_id, product_name) VALUES (12, 'Cmp'), (13, 'Cmp2')"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_library_favorite (file_id, file_name) VALUES (21, 'brochure.pdf')"));
  // A customer uploaded earlier: its local id is not given out again.
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_customer (customer_id, customer_name) VALUES (-4, 'Uploaded')"));
  ASSERT_TRUE(db.execute("UPDATE marvisto_customer SET customer_id = 44 WHERE customer_id = -4"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_quote_order (order_id, customer_id, order_number, uploaded) "
                         "VALUES (-1, -1, 'rep_1', 0), (-2, 5, 'rep_2', 1)"));
  ASSERT_TRUE(db.execute("INSERT INTO marvisto_quote_order_item (order_item_id, order_id, order_item_name) "
                         "VALUES (-1, -1, 'Widget'), (-2, -2, 'Gadget')"));
  // Rows an earlier upgrade could not keep in their table.
  ASSERT_TRUE(db.execute("CREATE TABLE marvisto_favorite__kept (product_id TEXT, product_name TEXT);"
                         "INSERT INTO marvisto_favorite__kept VALUES ('01', 'kept favourite')"));
  auto& defaults = base::UserDefaults::standard();
  defaults.setString("acme-ProductSynced", "YES");
  fs::create_directories(base::Paths::documents() / "acme" / "ProductImages");
  std::ofstream(base::Paths::documents() / "acme" / "ProductImages" / "old.jpg") << "x";
  app->showLoginPage();

  ASSERT_TRUE(service->backend().requestFullSync("acme", "rep"));
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  EXPECT_FALSE(defaults.hasKey("acme-ProductSynced"));
  // The pictures stay for the full sync, which keeps those the service
  // still lists.
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "acme" / "ProductImages" / "old.jpg"));
  ASSERT_TRUE(SessionDatabase::open().get());
  auto countOf = [&](const char* sql) {
    SQLiteStatement st = db.prepare(sql);
    return st && st.step() == SQLiteStatement::Step::Row ? st.int64At(0) : -1;
  };
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_customer WHERE customer_id = -1"), 1);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_customer_address WHERE id = -1"), 1);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_customer WHERE customer_id = 5"), 0);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_customer WHERE customer_id = 6 AND has_note = 1 AND "
                    "note = 'Call before noon'"),
            1);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_customer WHERE customer_id = 7 AND important = 1 AND hidden = 1"),
            1);
  // The service no longer has them: they stay out of the book, as a sync
  // would have taken them out of it.
  for (int gone : {6, 7}) {
    const auto shown = SessionDatabase::open()->getCustomer(gone, true);
    ASSERT_TRUE(shown);
    EXPECT_FALSE(*shown) << gone;
  }
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_favorite WHERE product_id = 11"), 1);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_compare WHERE product_id IN (12, 13)"), 2);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_library_favorite WHERE file_id = 21"), 1);
  EXPECT_EQ(SessionDatabase::open().get()->getLastLocalCustomerId(), -4);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_quote_order"), 1);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_quote_order_item WHERE order_id = -1"), 1);
  EXPECT_EQ(countOf("SELECT count(*) FROM marvisto_quote_order_item"), 1);
  // The user and the configuration are there again.
  EXPECT_EQ(SessionDatabase::open().get()->checkLocalUserInfo(LoginMode::existingInstance()->loginInfo()),
            "200");
  EXPECT_TRUE(ConfigManager::queryConfig(*SessionDatabase::open()));
  // Nothing was left aside.
  for (auto& e : fs::directory_iterator(base::Paths::tmp())) {
    EXPECT_EQ(e.path().filename().string().find("-kept-"), std::string::npos) << e.path();
  }
  // The kept rows are in a dated file in the client folder, which the next
  // full resync leaves alone.
  auto keptFiles = KeptRowsFile::filesIn(base::Paths::documents() / "acme");
  ASSERT_EQ(keptFiles.size(), 1u);
  EXPECT_TRUE(KeptRowsFile::keptTables(db).empty());
  auto keptRowsIn = [](const fs::path& file) {
    SQLiteDatabase saved;
    if (!saved.open(file)) return std::string("<unreadable>");
    SQLiteStatement st = saved.prepare("SELECT product_id || ' ' || product_name FROM marvisto_favorite__kept");
    return st && st.step() == SQLiteStatement::Step::Row ? st.textAt(0) : std::string("<none>");
  };
  EXPECT_EQ(keptRowsIn(keptFiles[0]), "01 kept favourite");
  app->showLoginPage();
  ASSERT_TRUE(service->backend().requestFullSync("acme", "rep"));
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  EXPECT_FALSE(defaults.hasKey("acme-ProductSynced"));
  EXPECT_EQ(KeptRowsFile::filesIn(base::Paths::documents() / "acme"), keptFiles);
  EXPECT_EQ(keptRowsIn(keptFiles[0]), "01 kept favourite");
}

TEST_F(SignInTest, DemoSignInSendsNothingAndShowsItsTabs) {
  launch();
  ASSERT_TRUE(waitFor([] { return !SkinManager::sharedInstance().isDemoUnpacking(); }));
  service->clearRequestLog();
  welcome()->loginDemo("quimbeset_");
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  auto lm = LoginMode::existingInstance();
  EXPECT_EQ(lm->loginType(), LoginType::Demo);
  EXPECT_EQ(lm->acountID(), "DEMO");
  EXPECT_EQ(lm->companyName(), "Demo Company");
  EXPECT_EQ(MessageBox::sharedInstance().boxCount(), 0u);
  EXPECT_FALSE(mainScreen()->tabsShown().empty());
  EXPECT_EQ(mainScreen()->tabsShown().size(), 7u);
  // Real data behind the tabs.
  DataAccessManager* dam = SessionDatabase::open().get();
  ASSERT_NE(dam, nullptr);
  EXPECT_FALSE(dam->getAllProducts().empty());
  EXPECT_FALSE(dam->getAllCustomers(false).empty());
  EXPECT_FALSE(dam->getAllLibFiles().empty());
  base::RunLoop::main().drain();
  EXPECT_TRUE(messages("login").empty());
  EXPECT_TRUE(base::UserDefaults::standard().arrayForKey("Login_Info_Array").empty());
  // A demo session stays a demo session without the network.
  network->setStatus(ReachabilityStatus::NotReachable);
  waitFor([] { return false; }, 0.2);
  EXPECT_EQ(lm->loginType(), LoginType::Demo);
  network->setStatus(ReachabilityStatus::ReachableViaWiFi);
  waitFor([] { return false; }, 0.3);
  EXPECT_TRUE(messages("login").empty());

  // The other demo company after a logout.
  app->showLoginPage();
  welcome()->loginDemo("tolvaren_");
  EXPECT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  EXPECT_EQ(LoginMode::existingInstance()->clientID(), "tolvaren_");
}

TEST_F(SignInTest, DemoBrokenOrStillUnpacking) {
  launch();
  ASSERT_TRUE(waitFor([] { return !SkinManager::sharedInstance().isDemoUnpacking(); }));
  // A demo folder deleted: the next welcome screen unpacks both again.
  fs::remove_all(base::Paths::documents() / "tolvaren_");
  EXPECT_TRUE(SkinManager::sharedInstance().needInitializeDemo());
  app->showLoginPage();
  // Tapped while the data is being written: the sign-in waits for it.
  EXPECT_TRUE(SkinManager::sharedInstance().isDemoUnpacking());
  const int demoBox = welcome()->demoWaitTag();
  EXPECT_TRUE(MessageBox::sharedInstance().isShowing(demoBox));
  welcome()->loginDemo("tolvaren_");
  EXPECT_TRUE(app->isWelcomeRoot());
  ASSERT_TRUE(waitFor([&] { return !app->isWelcomeRoot(); }));
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::Demo);
  EXPECT_FALSE(MessageBox::sharedInstance().isShowing(demoBox));

  // A demo database without its configuration: an error, not an empty main screen.
  app->showLoginPage();
  ASSERT_TRUE(waitFor([] { return !SkinManager::sharedInstance().isDemoUnpacking(); }));
  {
    SQLiteDatabase db;
    ASSERT_TRUE(db.open(base::Paths::documents() / "quimbeset_" / "marvisto_lite.sqlite"));
    ASSERT_TRUE(db.execute("DELETE FROM marvisto_config"));
  }
  welcome()->loginDemo("quimbeset_");
  base::RunLoop::main().drain();
  ASSERT_TRUE(app->isWelcomeRoot());
  ASSERT_FALSE(welcome()->errors().empty());
  EXPECT_EQ(welcome()->errors().back(), en("CONFIGRATIONINFOERROR"));
  EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None);
  EXPECT_FALSE(base::UserDefaults::standard().boolForKey("Z_DUVO_SHORTCUT"));
  EXPECT_TRUE(SkinManager::sharedInstance().needUpdateDemo());
}

TEST_F(SignInTest, SignedInReachabilityAndForeground) {
  launch();
  auto seenAtEnd = std::make_shared<SessionEndProbe::Seen>();
  app->wiring().services.add<SessionEndProbe>([seenAtEnd](SessionServices&) {
    return std::make_shared<SessionEndProbe>(seenAtEnd, base::Paths::documents() / "acme" / "marvisto_lite.sqlite");
  });
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  ASSERT_TRUE(SessionServices::current()->get<SessionEndProbe>());
  auto lm = LoginMode::existingInstance();
  ASSERT_EQ(lm->loginType(), LoginType::Online);
  EXPECT_FALSE(lm->isNotWifi());

  // The network goes: offline.
  network->setStatus(ReachabilityStatus::NotReachable);
  ASSERT_TRUE(waitFor([&] { return lm->loginType() == LoginType::Offline; }, 2));
  // It comes back through the cellular network: a silent login, online again.
  service->clearRequestLog();
  network->setStatus(ReachabilityStatus::ReachableViaCellular);
  ASSERT_TRUE(waitFor([&] { return lm->isNotWifi() && lm->loginType() == LoginType::Online; }, 10));
  ASSERT_TRUE(waitFor([&] { return MessageBox::sharedInstance().waitMsgBoxtag() == 0; }, 10));
  EXPECT_EQ(messages("login").size(), 1u);
  EXPECT_FALSE(app->isWelcomeRoot());

  // While another flow's box is up (a sync's), a silent re-login neither
  // retitles it nor closes it.
  network->setStatus(ReachabilityStatus::NotReachable);
  ASSERT_TRUE(waitFor([&] { return lm->loginType() == LoginType::Offline; }, 2));
  const int syncBox = MessageBox::sharedInstance().BeginBlockWait("sync running", 300);
  service->clearRequestLog();
  network->setStatus(ReachabilityStatus::ReachableViaWiFi);
  ASSERT_TRUE(waitFor([&] { return lm->loginType() == LoginType::Online; }, 10));
  ASSERT_TRUE(waitFor([&] { return !messages("loadConfigurationData").empty(); }, 10));
  waitFor([] { return false; }, 0.5);
  EXPECT_TRUE(MessageBox::sharedInstance().isShowing(syncBox));
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), syncBox);
  EXPECT_EQ(MessageBox::sharedInstance().currentText().value_or(""), "sync running");
  MessageBox::sharedInstance().EndBlockWait(syncBox);

  // A refused silent login asks whether to stay.
  network->setStatus(ReachabilityStatus::NotReachable);
  ASSERT_TRUE(waitFor([&] { return lm->loginType() == LoginType::Offline; }, 2));
  service->addFault(FaultRule::statusFor("login", "206"));
  network->setStatus(ReachabilityStatus::ReachableViaWiFi);
  ASSERT_TRUE(waitFor([&] { return alertTitled(en("RELOGIN")) != nullptr; }));
  auto relogin = alertTitled(en("RELOGIN"));
  EXPECT_EQ(relogin->tag(), LoginMode::kReloginAlertTag);
  EXPECT_NE(relogin->message().find(en("STAYOFFLINEORLOGIN")), std::string::npos);
  ASSERT_TRUE(relogin->pressButton(relogin->cancelButtonIndex()));
  base::RunLoop::main().drain();
  EXPECT_FALSE(app->isWelcomeRoot());
  EXPECT_EQ(LoginMode::existingInstance(), lm);
  service->clearFaults();

  // Back in the foreground: the device check answers "11412", nothing happens.
  lm->setLoginType(LoginType::Online);
  service->clearRequestLog();
  minimiseAndRestore();
  ASSERT_TRUE(waitFor([&] { return !messages("checkDeviceStatus").empty() && !messages("checkAppVersion").empty(); }));
  waitFor([] { return false; }, 0.3);
  EXPECT_EQ(app->deviceStatus(), "11412");
  EXPECT_FALSE(alertTitled(en("INVALIDDEVICE")));
  EXPECT_FALSE(app->isWelcomeRoot());

  // Then it answers "207": the data goes and the user is logged out. A reply
  // still under way when the user reads the alert (the user information,
  // which writes into the store) is cancelled before the database closes and
  // its folder goes, so nothing brings the folder back.
  ASSERT_TRUE(service->backend().setDeviceStatus("acme", "rep", "207"));
  minimiseAndRestore();
  ASSERT_TRUE(waitFor([&] { return alertTitled(en("INVALIDDEVICE")) != nullptr; }));
  service->addFault(FaultRule::stallFor("getuserinfo", 1.0));
  service->clearRequestLog();
  lm->getUserinfo();
  ASSERT_TRUE(waitFor([&] { return !service->requestLog().empty(); }, 5));
  EXPECT_FALSE(seenAtEnd->ended);
  alertTitled(en("INVALIDDEVICE"))->pressButton(0);
  // The session's services ended while its data was still there and open,
  // before it was deleted.
  EXPECT_TRUE(seenAtEnd->ended);
  EXPECT_TRUE(seenAtEnd->databaseFileThere);
  EXPECT_TRUE(seenAtEnd->databaseOpen);
  ASSERT_TRUE(waitFor([&] { return app->isWelcomeRoot(); }, 2));
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme"));
  ASSERT_TRUE(waitFor([&] { return messages("getuserinfo").size() == 1 && messages("getuserinfo")[0].completed; }, 5));
  waitFor([] { return false; }, 0.3);
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme"));
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  EXPECT_EQ(LoginMode::existingInstance() ? LoginMode::existingInstance()->loginType() : LoginType::None,
            LoginType::None);
}

TEST_F(SignInTest, SessionAndNetworkFailuresNeverStrandTheUser) {
  launch();
  // "101" answered to the login itself: the alert, and the box is not left up.
  service->addFault(FaultRule::statusFor("login", "101"));
  auto w = welcome();
  w->login(makeLogin("rep", PublicFunction::getDeviceUDID(), "secret", "acme"), true, false);
  ASSERT_TRUE(waitFor([&] { return alertTitled(en("REQUIRELOGIN")) != nullptr; }));
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_TRUE(w->loginButtonEnabled());
  alertTitled(en("REQUIRELOGIN"))->pressButton(0);
  service->clearFaults();
  ui::AlertView::resetForTesting();

  // The same answers to the configuration request end the sign-in the same
  // way: not online, the database closed, the panel back, the alert up.
  for (const char* status : {"101", "114"}) {
    service->addFault(FaultRule::statusFor("loadConfigurationData", status));
    w->login(makeLogin("rep", PublicFunction::getDeviceUDID(), "secret", "acme"), true, false);
    const std::string title = en(std::string(status) == "101" ? "REQUIRELOGIN" : "INVALIDDEVICE");
    ASSERT_TRUE(waitFor([&] { return alertTitled(title) != nullptr; })) << status;
    base::RunLoop::main().drain();
    EXPECT_TRUE(app->isWelcomeRoot()) << status;
    EXPECT_EQ(LoginMode::existingInstance()->loginType(), LoginType::None) << status;
    EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen()) << status;
    EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0) << status;
    EXPECT_TRUE(w->loginButtonEnabled()) << status;
    alertTitled(title)->pressButton(0);
    base::RunLoop::main().drain();
    service->clearFaults();
    ui::AlertView::resetForTesting();
  }

  // A skin download answered with an error page: the sign-in completes with
  // the application's own images, the user hears the company's were not
  // loaded, and the skin is not acknowledged.
  service->addFault(FaultRule::fileStatus("*SkinImages_iOS7.zip", 500));
  signIn("acme", "rep", "secret");
  ASSERT_FALSE(app->isWelcomeRoot());
  EXPECT_TRUE(waitFor([&] { return toastSays(en("SKINNOTLOADED")); }, 2));
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme" / "SkinImages"));
  waitFor([] { return false; }, 0.3);
  EXPECT_TRUE(messages("syncDataFinished").empty());

  // A device check that cannot reach the service leaves the session alone.
  pointNowhere();
  minimiseAndRestore();
  waitFor([] { return false; }, 3);
  EXPECT_FALSE(alertTitled(en("INVALIDDEVICE")));
  EXPECT_FALSE(app->isWelcomeRoot());
  EXPECT_EQ(app->deviceStatus(), "999");
}

TEST_F(SignInTest, HostileSkinsAreRefusedAndLeaveNothingBehind) {
  launch();
  // Whatever a skin download leaves bears the skin's name: the archive, its
  // partial data, a folder unpacked or half unpacked.
  auto skinLeftovers = [] {
    std::vector<std::string> found;
    for (const fs::path& top : {base::Paths::documents() / "acme", base::Paths::tmp()}) {
      std::error_code ec;
      for (auto it = fs::recursive_directory_iterator(top, ec); !ec && it != fs::recursive_directory_iterator();
           it.increment(ec)) {
        if (it->path().filename().string().find("SkinImages") != std::string::npos) found.push_back(it->path().string());
      }
    }
    return found;
  };
  auto skinRequests = [&] {
    std::size_t count = 0;
    for (const auto& e : service->requestLog()) count += e.endpoint == "file" && e.path.find("SkinImages") != std::string::npos;
    return count;
  };
  // A skin sent compressed though the download asked for none: some
  // thirty kilobytes that would inflate to 32 MB.
  FaultRule gzipped;
  gzipped.path = "*SkinImages_iOS7.zip";
  gzipped.kind = FaultKind::Gzipped;
  gzipped.chunkBytes = 32 << 20;
  // A skin of more empty entries than any archive may hold.
  sales::ZipBuilder countless;
  for (int i = 0; i <= 10000; ++i) ASSERT_TRUE(countless.add("SkinImages/" + std::to_string(i) + ".png", ""));
  FaultRule crowded;
  crowded.path = gzipped.path;
  crowded.kind = FaultKind::FileContent;
  crowded.content = countless.finish().value_or("");
  ASSERT_FALSE(crowded.content.empty());

  // A skin of deep names: about a megabyte that would make 200,000 folders.
  sales::ZipBuilder deepNames;
  std::string levels;
  for (int level = 0; level < 50; ++level) levels += "/d";
  for (int i = 0; i < 4000; ++i) ASSERT_TRUE(deepNames.add("SkinImages/" + std::to_string(i) + levels + "/x.png", ""));
  FaultRule deep = crowded;
  deep.content = deepNames.finish().value_or("");
  ASSERT_LT(deep.content.size(), 2u << 20);
  // A skin of thirty pictures of a mebibyte of zeros each: each passes on
  // its own, together 30 MiB from some thirty kilobytes.
  sales::ZipBuilder zeros;
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(zeros.add("SkinImages/" + std::to_string(i) + ".png", std::string(1u << 20, '\0')));
  FaultRule packed = crowded;
  packed.content = zeros.finish().value_or("");
  ASSERT_LT(packed.content.size(), 100u << 10);
  for (const FaultRule& hostile : {gzipped, crowded, deep, packed}) {
    SCOPED_TRACE(std::string(sales::faultKindName(hostile.kind)) + " " + std::to_string(hostile.content.size()));
    service->clearRequestLog();
    service->addFault(hostile);
    signIn("acme", "rep", "secret");
    // The sign-in completes with the application's own images; the skin is
    // not acknowledged, and not asked for twice.
    ASSERT_FALSE(app->isWelcomeRoot());
    EXPECT_EQ(skinRequests(), 1u);
    // The user hears why the company's pictures are missing.
    if (hostile.kind != FaultKind::Gzipped) {
      EXPECT_TRUE(waitFor([&] { return toastSays(en("SKINTOOLARGE")); }, 2));
    }
    for (const auto& ack : messages("syncDataFinished")) EXPECT_NE(ack.parameters.value("tableType", ""), "skin");
    EXPECT_EQ(skinLeftovers(), std::vector<std::string>{});
    service->clearFaults();
    app->showLoginPage();
    ASSERT_TRUE(app->isWelcomeRoot());
  }

  // The company's own skin on a disk nearly full: the user hears that the
  // device is short of room, not that the pictures are too large, whether
  // the archive arrived and found no room to unpack or found none to arrive.
  const std::uint64_t archive =
      service->backend().currentData("acme")->files.at(sales::SampleData::skinArchiveName())->size();
  const fs::path arrived = base::Paths::documents() / "acme" / SkinManager::kSkinArchiveName;
  const std::uint64_t capacity = std::uint64_t{16} << 30;
  for (const std::uint64_t room : {archive, archive - 1}) {
    SCOPED_TRACE(room);
    DiskRoom::setReading([&](const fs::path&) -> std::optional<DiskRoom::Space> {
      std::error_code ec;
      const std::uint64_t taken = fs::exists(arrived, ec) ? archive : 0;
      return DiskRoom::Space{capacity, DiskRoom::kMarginBytes + room - taken};
    });
    struct Restore {
      ~Restore() { DiskRoom::setReading(nullptr); }
    } restore;
    service->clearRequestLog();
    signIn("acme", "rep", "secret");
    ASSERT_FALSE(app->isWelcomeRoot());
    EXPECT_EQ(skinRequests(), 1u);
    EXPECT_TRUE(waitFor([&] { return toastSays(en("SKINNOROOM")); }, 2));
    EXPECT_EQ(skinLeftovers(), std::vector<std::string>{});
    app->showLoginPage();
    ASSERT_TRUE(app->isWelcomeRoot());
  }
}

}  // namespace
}  // namespace mv::test
