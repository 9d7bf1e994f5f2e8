// The session object on its own: identity, saved logins, local data removal,
// upgrades and the sign-in branches that need no service.
#include <filesystem>
#include <fstream>

#include "FakeRequestSender.hpp"
#include "SessionScope.hpp"
#include "ShellTestSupport.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/FolderCopies.hpp"
#include "platform/base/FolderWriters.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/PdfWriter.hpp"
#include "services/MailComposer.hpp"
#include "services/PrintInteractionController.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/session/AccountStorage.hpp"
#include "store/DataAccessManager.hpp"
#include "store/Schema.hpp"
#include "store/SessionDatabase.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/BlockWaitBox.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using SessionTest = ShellTest;

TEST_F(SessionTest, IdentityAndItsNamingRules) {
  auto lm = LoginMode::sharedInstance();
  EXPECT_EQ(lm, LoginMode::sharedInstance());
  EXPECT_EQ(lm->loginType(), LoginType::None);
  EXPECT_EQ(lm->clientID(), "");
  lm->setClientID("AcmeCo");
  lm->setAcountID("rep");
  lm->setDeviceID("dev-1");
  lm->setVendorId(11);
  // The folder is lower-cased, the per-client keys keep the id as typed.
  EXPECT_EQ(lm->clientFolder()->filename(), "acmeco");
  EXPECT_EQ(lm->skinFolder()->filename(), "SkinImages");
  EXPECT_EQ(lm->perClientKey("FileSynced"), "AcmeCo-FileSynced");
  // The lower layers read the session value it publishes.
  EXPECT_EQ(Session::current().clientID, "AcmeCo");
  EXPECT_EQ(Session::current().deviceID, "dev-1");
  EXPECT_EQ(Session::current().vendorId, 11);
  // The sync layer works for this session and opens these wait boxes.
  ASSERT_TRUE(SyncSession::current());
  EXPECT_EQ(SyncSession::current().get(), static_cast<SyncSession*>(lm.get()));
  auto box = BlockWaitBox::installed();
  ASSERT_TRUE(box);
  const int tag = box->BeginBlockWait("syncing", 300);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), tag);
  box->EndBlockWait(tag);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);

  // A new record each time; changing it leaves the session alone.
  LoginInfo info = lm->loginInfo();
  info.clientId = "other";
  EXPECT_EQ(lm->loginInfo().clientId, "AcmeCo");

  // An id that cannot name a folder names none.
  for (const char* bad : {"", "..", ".", "a/b", "/etc", "a\\b"}) {
    lm->setClientID(bad);
    EXPECT_FALSE(lm->clientFolder()) << bad;
  }
  LoginMode::freeInstance();
  EXPECT_FALSE(LoginMode::existingInstance());
  EXPECT_FALSE(SyncSession::current());
  EXPECT_EQ(Session::current().clientID, "");
  auto fresh = LoginMode::sharedInstance();
  EXPECT_NE(fresh, lm);
  EXPECT_EQ(fresh->loginType(), LoginType::None);
  EXPECT_EQ(fresh->acountID(), "");
}

TEST_F(SessionTest, SavedLoginsFollowTheWriteRules) {
  auto& defaults = base::UserDefaults::standard();
  auto lm = LoginMode::sharedInstance();
  auto signIn = [&](const std::string& client, const std::string& user, const std::string& password, bool tick) {
    lm->setClientID(client);
    lm->setAcountID(user);
    lm->setPassword(password);
    lm->setDeviceID("dev-1");
    lm->setAutoLogin(tick);
    lm->refreshLastLogininfo();
  };
  auto saved = [&] { return defaults.arrayForKey("Login_Info_Array"); };

  signIn("acme", "alice", "pw1", false);
  ASSERT_EQ(saved().size(), 1u);
  EXPECT_FALSE(saved()[0].contains("INPUT_USESHORTCUT"));
  EXPECT_EQ(saved()[0]["Input_DeviceID"], "dev-1");

  signIn("acme", "bob", "pw2", true);
  ASSERT_EQ(saved().size(), 2u);
  EXPECT_EQ(saved()[0]["Input_UserID"], "bob");
  EXPECT_EQ(saved()[0]["INPUT_USESHORTCUT"], "YES");
  // The other user of the client is no shortcut any more.
  EXPECT_EQ(saved()[1]["INPUT_USESHORTCUT"], "NO");

  // Signing in again moves the entry to the front with the new password; an
  // untick leaves the shortcut as it was.
  signIn("globex", "carol", "pw3", true);
  signIn("acme", "bob", "pw2-new", false);
  ASSERT_EQ(saved().size(), 3u);
  EXPECT_EQ(saved()[0]["Input_UserID"], "bob");
  EXPECT_EQ(saved()[0]["Input_PassWord"], "pw2-new");
  EXPECT_EQ(saved()[0]["INPUT_USESHORTCUT"], "YES");
  EXPECT_EQ(saved()[1]["Input_UserID"], "carol");

  // User names are compared exactly.
  signIn("acme", "Alice", "pw4", true);
  ASSERT_EQ(saved().size(), 4u);
  EXPECT_EQ(saved()[0]["Input_UserID"], "Alice");
  for (const auto& entry : saved()) {
    if (entry["Input_ClientID"] == "acme" && entry["Input_UserID"] != "Alice") {
      EXPECT_EQ(entry["INPUT_USESHORTCUT"], "NO");
    }
  }
  EXPECT_EQ(saved().back()["Input_UserID"], "alice");

  // A blank client id never becomes an entry; entries of the wrong shape are dropped.
  defaults.setObject("Login_Info_Array", base::Value::array({42, saved()[0]}));
  signIn("  ", "x", "y", true);
  ASSERT_EQ(saved().size(), 1u);
  EXPECT_EQ(saved()[0]["Input_UserID"], "Alice");
}

TEST_F(SessionTest, RemovingAnAccountTouchesOnlyItsOwnFolderAndFlags) {
  auto& defaults = base::UserDefaults::standard();
  const fs::path docs = base::Paths::documents();
  fs::create_directories(docs / "acme" / "ProductImages");
  fs::create_directories(docs / "quimbeset_");
  fs::create_directories(docs / "other");
  auto lm = LoginMode::sharedInstance();

  // A blank client id would name Documents itself; it is refused.
  lm->setClientID("");
  EXPECT_FALSE(lm->removeBlockAccount());
  lm->setClientID("..");
  EXPECT_FALSE(lm->removeBlockAccount());
  lm->setClientID("quimbeset_");
  EXPECT_FALSE(lm->removeBlockAccount());
  EXPECT_TRUE(fs::exists(docs / "acme"));
  EXPECT_TRUE(fs::exists(docs / "quimbeset_"));

  lm->setClientID("ACME");
  ASSERT_NE(SessionDatabase::open().get(), nullptr);  // open while it is deleted
  for (const char* flag : {"FileSynced", "ProductSynced", "CustomerSynced", "IconSynced", "lastsync", "App_version"}) {
    defaults.setString(std::string("ACME-") + flag, "x");
  }
  defaults.setString("other-FileSynced", "x");
  EXPECT_TRUE(lm->removeBlockAccount());
  EXPECT_FALSE(fs::exists(docs / "acme"));
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  EXPECT_TRUE(fs::exists(docs / "other"));
  for (const char* flag : {"FileSynced", "ProductSynced", "CustomerSynced", "IconSynced", "lastsync", "App_version"}) {
    EXPECT_FALSE(defaults.hasKey(std::string("ACME-") + flag)) << flag;
  }
  EXPECT_TRUE(defaults.hasKey("other-FileSynced"));
}

// What an account mailed and printed is its own: another account signed in
// on the device does not see it, and it goes when the locked account's data
// is wiped (a full resync keeps it).
TEST_F(SessionTest, AnAccountsMailedAndPrintedDocumentsAreItsOwnAndGoWithIt) {
  svc::PrintInteractionController::install(std::make_shared<svc::SpoolPrintController>(std::nullopt, false));
  const auto sendAndPrint = [&](const std::string& subject) {
    svc::Mail mail;
    mail.subject = subject;
    mail.toRecipients = {"buyer@example.test"};
    bool mailed = false;
    bool printed = false;
    svc::MailComposer::shared()->compose(mail, [&](const svc::MailOutcome& o) {
      mailed = o.result == svc::MailComposeResult::Saved;
    });
    auto pdf = gfx::PdfWriter::toMemory({0, 0, 200, 100});
    pdf->beginPage();
    pdf->endPage();
    ASSERT_TRUE(pdf->close());
    svc::PrintInteractionController::sharedPrintController()->print(
        pdf->data(), svc::PrintInfo{svc::PrintOutputType::General, svc::PrintDuplex::None, subject},
        [&](const svc::PrintOutcome& o) { printed = o.completed; });
    ASSERT_TRUE(runUntil([&] { return mailed && printed; }));
  };
  const auto filesIn = [](const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) files.push_back(e.path());
    return files;
  };
  auto lm = LoginMode::sharedInstance();

  // Nobody signed in: nothing to keep mail or jobs for, and nothing is kept.
  EXPECT_FALSE(svc::MailComposer::shared()->canSendMail());
  EXPECT_FALSE(svc::PrintInteractionController::sharedPrintController()->isPrintingAvailable());
  std::optional<svc::MailComposeResult> unsent;
  std::optional<bool> unprinted;
  svc::MailComposer::shared()->compose(svc::Mail{{"buyer@example.test"}, "Order 0", "", {}},
                                       [&](const svc::MailOutcome& o) { unsent = o.result; });
  svc::PrintInteractionController::sharedPrintController()->print(
      std::vector<gfx::ImagePtr>{gfx::Image::blank({10, 10})}, svc::PrintInfo{},
      [&](const svc::PrintOutcome& o) { unprinted = o.completed; });
  ASSERT_TRUE(runUntil([&] { return unsent && unprinted; }));
  EXPECT_EQ(*unsent, svc::MailComposeResult::Failed);
  EXPECT_FALSE(*unprinted);
  EXPECT_FALSE(fs::exists(base::Paths::root() / "Outbox"));
  EXPECT_FALSE(fs::exists(base::Paths::root() / "Spool"));

  lm->setClientID("ACME");
  Session::publish(Session{"ACME", "alice", "s1", "d1", 1, LoginType::Online, "pw"});
  sendAndPrint("Order 1");
  const fs::path acmeOutbox = svc::OutboxMailComposer::defaultOutbox();
  const fs::path acmeSpool = svc::SpoolPrintController::defaultSpool();
  EXPECT_EQ(filesIn(acmeOutbox).size(), 1u);
  EXPECT_EQ(filesIn(acmeSpool).size(), 1u);

  // Another account sees none of it, and its own goes elsewhere.
  Session::publish(Session{"Other", "bob", "s2", "d1", 2, LoginType::Online, "pw"});
  EXPECT_NE(svc::OutboxMailComposer::defaultOutbox(), acmeOutbox);
  EXPECT_TRUE(filesIn(svc::OutboxMailComposer::defaultOutbox()).empty());
  EXPECT_TRUE(filesIn(svc::SpoolPrintController::defaultSpool()).empty());
  sendAndPrint("Order 2");
  const fs::path otherOutbox = svc::OutboxMailComposer::defaultOutbox();
  const fs::path otherSpool = svc::SpoolPrintController::defaultSpool();

  // A full resync of ACME keeps them; its wipe takes them, and only them.
  Session::publish(Session{"ACME", "alice", "s3", "d1", 1, LoginType::Online, "pw"});
  ASSERT_TRUE(AccountStorage("ACME").wipeForFullSync());
  EXPECT_EQ(filesIn(acmeOutbox).size(), 1u);
  EXPECT_EQ(filesIn(acmeSpool).size(), 1u);
  // What a full resync cut short left in tmp, ACME's and another client's
  // (whose name begins with ACME's).
  const fs::path tmp = base::Paths::tmp();
  fs::create_directories(tmp / "acme-kept-rows-12");
  for (const char* name : {"acme-kept-12.sqlite", "acme-kept-12.sqlite-wal", "acme-kept-rows-12/rows.sqlite",
                           "acme-x-kept-12.sqlite", "other-kept-12.sqlite"})
    std::ofstream(tmp / name) << "kept";
  EXPECT_TRUE(lm->removeBlockAccount());
  EXPECT_FALSE(fs::exists(acmeOutbox));
  EXPECT_FALSE(fs::exists(acmeSpool));
  for (const char* name : {"acme-kept-rows-12", "acme-kept-12.sqlite", "acme-kept-12.sqlite-wal"})
    EXPECT_FALSE(fs::exists(tmp / name)) << name;
  for (const char* name : {"acme-x-kept-12.sqlite", "other-kept-12.sqlite"}) EXPECT_TRUE(fs::exists(tmp / name)) << name;
  EXPECT_EQ(filesIn(otherOutbox).size(), 1u);
  EXPECT_EQ(filesIn(otherSpool).size(), 1u);
  svc::PrintInteractionController::install(nullptr);
  Session::clear();
}

TEST_F(SessionTest, AWipeIsDoneOnlyWhenTheFolderAndWhatWasMadeFromItAreGone) {
  const fs::path folder = base::Paths::documents() / "acme";
  fs::create_directories(folder / "ProductImages");
  std::ofstream(folder / "ProductImages" / "a.jpg") << "picture";
  AccountStorage::setWriterBoundForTesting(std::chrono::milliseconds(20));
  AccountStorage storage("acme");

  // Work in the folder that does not stop: a full resync wipes nothing, and
  // the folder takes work again afterwards.
  auto stuck = base::FolderWriters::shared().enter(folder / "ProductImages" / "b.jpg");
  ASSERT_TRUE(stuck);
  EXPECT_FALSE(storage.wipeForFullSync());
  EXPECT_TRUE(fs::exists(folder / "ProductImages" / "a.jpg"));
  EXPECT_TRUE(base::FolderWriters::shared().enter(folder / "epub"));
  stuck.reset();

  // Copies made from the files that cannot be removed: the deletion is not
  // done, and stays owed.
  std::vector<fs::path> asked;
  bool removable = false;
  base::FolderCopies::install("test", [&](const fs::path& f) {
    asked.push_back(f);
    return removable;
  });
  EXPECT_FALSE(storage.removeBlockAccount());
  EXPECT_EQ(asked, std::vector<fs::path>{folder});
  EXPECT_TRUE(AccountStorage::hasUnfinishedWipe("ACME"));
  EXPECT_FALSE(base::FolderWriters::shared().enter(folder / "epub"));
  removable = true;
  AccountStorage::finishUnfinishedWipes();
  EXPECT_FALSE(AccountStorage::hasUnfinishedWipe("acme"));
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(base::FolderWriters::shared().enter(folder / "epub"));
  base::FolderCopies::install("test", {});
  AccountStorage::setWriterBoundForTesting(std::chrono::seconds(5));
}

// A full resync cut short after its new store was made, whose set-aside
// store a later start carries over: into a store a sync has filled since,
// and in which the user has set marks of their own. The customers made on
// the device come back whole; of the service's customers only the user's
// marks come, into rows that have none, so that neither the service's newer
// rows nor the user's newer note give way to older ones; and a customer the
// service no longer sends stays out of the book.
TEST_F(SessionTest, WorkCarriedBackAfterAResyncKeepsWhatTheStoreHeldSince) {
  const fs::path folder = base::Paths::documents() / "acme";
  fs::create_directories(folder);
  const fs::path kept = base::Paths::tmp() / "acme-kept-12.sqlite";
  const auto made = [](const fs::path& file, const char* rows) {
    SQLiteDatabase db;
    return db.open(file) && Schema::createAll(db) && db.execute(rows);
  };
  ASSERT_TRUE(made(kept,
                   "INSERT INTO marvisto_customer (customer_id, customer_name, has_note, note, important) VALUES "
                   "(-1, 'Walk-in', 0, NULL, 0), (501, 'Oak & Co', 1, 'Call before noon', 0), "
                   "(502, 'Beech Ltd', 1, 'Old note', 0), (503, 'Gone Ltd', 0, NULL, 1)"));
  ASSERT_TRUE(made(folder / DataAccessManager::kDatabaseFileName,
                   "INSERT INTO marvisto_customer (customer_id, customer_name, has_note, note) VALUES "
                   "(501, 'Oak & Co (North)', 0, NULL), (502, 'Beech Ltd', 1, 'Asked for the spring prices')"));

  AccountStorage::carryBackSetAside();

  EXPECT_FALSE(fs::exists(kept));
  SQLiteDatabase db;
  ASSERT_TRUE(db.open(folder / DataAccessManager::kDatabaseFileName));
  std::vector<std::string> rows;
  SQLiteStatement st = db.prepare(
      "SELECT customer_id || ' ' || customer_name || ' ' || customer_publish || ' ' || important || ' ' || "
      "coalesce(note, '-') FROM marvisto_customer ORDER BY customer_id");
  while (st && st.step() == SQLiteStatement::Step::Row) rows.push_back(st.textAt(0));
  EXPECT_EQ(rows, (std::vector<std::string>{"-1 Walk-in 1 0 -", "501 Oak & Co (North) 1 0 Call before noon",
                                            "502 Beech Ltd 1 0 Asked for the spring prices",
                                            "503 Gone Ltd 0 1 -"}));
}

namespace {

// A session service that writes into the database when the session ends, as
// the order store does with an order being edited.
struct EndProbe {
  explicit EndProbe(SessionServices& services) : database(services.databaseHandle()) {}
  void sessionEnded() {
    heardEnd = true;
    openAtEnd = SessionDatabase::isOpen() && SQLiteDatabase::sharedDataBase().isOpen();
    wroteAtEnd = database->saveToDatabaseFavorite(7, "SKU-7", "Kept to the end");
  }
  std::shared_ptr<DataAccessManager> database;
  bool heardEnd = false;
  bool openAtEnd = false;
  bool wroteAtEnd = false;
};

}  // namespace

TEST_F(SessionTest, ALockedAccountsDataGoesOnlyAfterItsSessionServicesEnded) {
  auto lm = LoginMode::sharedInstance();
  lm->setClientID("acme");
  SessionServices::Registry registry;
  registry.add<EndProbe>();
  SessionScope scope(Session::current(), std::move(registry));
  ASSERT_TRUE(scope.services());
  auto probe = scope.services()->get<EndProbe>();
  ASSERT_TRUE(probe);
  ASSERT_TRUE(fs::exists(base::Paths::documents() / "acme" / DataAccessManager::kDatabaseFileName));

  EXPECT_TRUE(lm->removeBlockAccount());
  // The service heard the end while its database was still open, and its
  // last write reached a live connection, never a closed one.
  EXPECT_TRUE(probe->heardEnd);
  EXPECT_TRUE(probe->openAtEnd);
  EXPECT_TRUE(probe->wroteAtEnd);
  // Then the session was over, the connection closed and the data gone.
  EXPECT_FALSE(SessionServices::current());
  EXPECT_FALSE(SessionDatabase::isOpen());
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme"));
}

TEST_F(SessionTest, UpgradesAreRecordedOnlyWhenTheyHappen) {
  auto& defaults = base::UserDefaults::standard();
  auto lm = LoginMode::sharedInstance();
  EXPECT_TRUE(lm->versionCompare());  // no client: nothing
  lm->setClientID("Acme");
  fs::create_directories(base::Paths::documents() / "acme" / "SkinImages");
  ASSERT_TRUE(lm->versionCompare());
  EXPECT_EQ(defaults.stringForKey("Acme-App_version"), base::Bundle::shortVersion());
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "acme" / "SkinImages"));
  EXPECT_TRUE(fs::is_directory(base::Paths::documents() / "acme" / "Pdf"));
  EXPECT_TRUE(fs::is_directory(base::Paths::documents() / "acme" / "tempDownload"));

  // Same version: the skin stays.
  fs::create_directories(base::Paths::documents() / "acme" / "SkinImages");
  EXPECT_TRUE(lm->versionCompare());
  EXPECT_TRUE(fs::exists(base::Paths::documents() / "acme" / "SkinImages"));

  // Folders that cannot be made are not recorded as upgraded either.
  defaults.setString("Acme-App_version", "old");
  const fs::path temp = base::Paths::documents() / "acme" / "tempDownload";
  fs::remove_all(temp);
  std::ofstream(temp) << "in the way";
  EXPECT_FALSE(lm->versionCompare());
  EXPECT_EQ(defaults.stringForKey("Acme-App_version"), "old");
  fs::remove(temp);

  // A database that cannot be opened is not recorded as upgraded.
  defaults.setString("Acme-App_version", "  ");
  SessionDatabase::close();
  fs::remove(base::Paths::documents() / "acme" / "marvisto_lite.sqlite");
  fs::create_directory(base::Paths::documents() / "acme" / "marvisto_lite.sqlite");
  EXPECT_FALSE(lm->versionCompare());
  EXPECT_EQ(defaults.stringForKey("Acme-App_version"), "  ");
}

TEST_F(SessionTest, BadClientIdsAndNetworkChangesWithoutAService) {
  auto lm = LoginMode::sharedInstance();
  auto delegate = std::make_shared<DelegateRecorder>();
  lm->setDelegate(delegate);
  MessageBox::sharedInstance().BeginBlockWait("waiting", 300);
  lm->login(makeLogin("rep", "dev", "pw", "../outside"), true, false);
  ASSERT_EQ(delegate->errors.size(), 1u);
  EXPECT_EQ(delegate->errors[0], en("COMPANYIDNOTVALID"));
  EXPECT_EQ(delegate->buttonResets, 1);
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_EQ(lm->clientID(), "");
  EXPECT_FALSE(lm->isLoginPending());
  EXPECT_EQ(NetworkModel::sharedInstance().requestCount(), 0u);

  // Network notifications: 1 -> 2 on loss, demo stays 3, nobody signed in sends nothing.
  lm->setLoginType(LoginType::Online);
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  EXPECT_EQ(lm->loginType(), LoginType::Offline);
  lm->setLoginType(LoginType::Demo);
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  base::NotificationCenter::defaultCenter().post("netconnect");
  EXPECT_EQ(lm->loginType(), LoginType::Demo);
  lm->setLoginType(LoginType::None);
  base::NotificationCenter::defaultCenter().post("netconnect");
  EXPECT_FALSE(lm->isLoginPending());
  // Session requests are for online sessions only.
  lm->checkDeviceStatus();
  lm->getUserinfo();
  lm->getRuntimeConfig();
  EXPECT_EQ(NetworkModel::sharedInstance().requestCount(), 0u);

  // A freed session hears no more notifications.
  std::weak_ptr<LoginMode> weak = lm;
  lm.reset();
  LoginMode::freeInstance();
  EXPECT_TRUE(weak.expired());
  base::NotificationCenter::defaultCenter().post("netUnconnect");
}

TEST_F(SessionTest, UpdateOffersAreSnoozedForAWeek) {
  auto lm = LoginMode::sharedInstance();
  auto& defaults = base::UserDefaults::standard();
  lm->setCheckLocalVersion(false);  // asked for by the user: always
  for (int type : {0, 1, 2, 3}) EXPECT_TRUE(lm->isNeedCheckVersionAlert(type));
  lm->setCheckLocalVersion(true);
  EXPECT_FALSE(lm->isNeedCheckVersionAlert(0));
  EXPECT_FALSE(lm->isNeedCheckVersionAlert(9));
  EXPECT_TRUE(lm->isNeedCheckVersionAlert(3));
  EXPECT_TRUE(lm->isNeedCheckVersionAlert(2));
  defaults.setDate("UpdateVersionSuggest", base::Date::now());
  advance(604800);
  EXPECT_FALSE(lm->isNeedCheckVersionAlert(2));
  EXPECT_TRUE(lm->isNeedCheckVersionAlert(1));
  advance(1);
  EXPECT_TRUE(lm->isNeedCheckVersionAlert(2));
  EXPECT_FALSE(defaults.hasKey("UpdateVersionSuggest"));
}

TEST_F(SessionTest, TimedStepsDieWithTheSession) {
  auto fake = std::make_shared<FakeRequestSender>();
  auto accept = [&](const std::shared_ptr<LoginMode>& lm) {
    lm->setSender(fake);
    lm->login(makeLogin("rep", "dev", "pw", "acme"), true, false);
    const int code = lm->pendingLoginCode();
    EXPECT_NE(code, 0);
    EXPECT_TRUE(fake->lastSent(kCmdLogin));
    auto reply = std::make_shared<LoginRst>();
    reply->cmdCode = kCmdLogin;
    reply->requestCode = code;
    reply->status = "200";
    reply->sessionId = "s-1";
    reply->vendor_id = "11";
    EXPECT_TRUE(fake->answer(reply));
  };
  // The configuration request follows 1.5 s after the configuration title.
  auto lm = LoginMode::sharedInstance();
  auto delegate = std::make_shared<DelegateRecorder>();
  lm->setDelegate(delegate);
  accept(lm);
  EXPECT_EQ(lm->loginType(), LoginType::Online);
  EXPECT_EQ(lm->vendorId(), 11);
  EXPECT_EQ(lm->clientID(), "acme");  // the reply named no client: the typed one stays
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), en("SYNUSERCONFIG"));
  advance(1.4);
  EXPECT_FALSE(fake->lastSent(kCmdConfig));
  advance(0.2);
  auto config = fake->lastSent(kCmdConfig);
  ASSERT_TRUE(config);
  EXPECT_TRUE(fake->isWaiting(config));
  fake->clearSent();

  // Logged out before the step: nothing fires, nothing is sent, and what
  // the old session sent is cancelled.
  lm = LoginMode::sharedInstance();
  accept(lm);
  std::weak_ptr<LoginMode> weak = lm;
  lm.reset();
  LoginMode::freeInstance();
  EXPECT_TRUE(weak.expired());
  EXPECT_FALSE(fake->isWaiting(config));
  advance(5);
  EXPECT_FALSE(fake->lastSent(kCmdConfig));
  EXPECT_EQ(delegate->successes + static_cast<int>(delegate->errors.size()), 0);
}

}  // namespace
}  // namespace mv::test
