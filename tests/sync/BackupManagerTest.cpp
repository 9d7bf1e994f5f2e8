// The backup on its own: the document of an empty device, an offline start,
// the reply's time, and every way a backup ends early.
#include <gtest/gtest.h>

#include "SessionFixture.hpp"
#include "BackupTestSupport.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "util/Json.hpp"
#include "util/Session.hpp"

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using sales::WrongShape;

class BackupManagerTest : public test::BackupRestoreTest {
 protected:
  BackupManager& manager() { return *backupManager; }
  base::Value lastDocument() {
    auto stored = service->backend().backups("acme", "rep");
    if (stored.empty()) return base::Value();
    return JSONValue(stored.back().document).value_or(base::Value());
  }
};

TEST_F(BackupManagerTest, EmptyDeviceSendsNineEmptyListsAndAReplyWithoutTimeChangesNothingStored) {
  seedCatalogue();
  // A favourite whose product left the catalogue is not backed up.
  sql("INSERT INTO marvisto_favorite (product_id, product_sku, product_name) VALUES (1004, 'SKU-1004', 'Retired')");
  sql("DELETE FROM marvisto_library_files WHERE file_id = 7");  // the brochure on disk is no library file now
  auto& defaults = base::UserDefaults::standard();
  defaults.setDouble("acme-rep-last_backup_date", 1700000000.25);

  FaultRule noTime;
  noTime.method = "backupData";
  noTime.kind = FaultKind::WrongShape;
  noTime.shape = WrongShape::ContentTooShort;
  service->addFault(noTime);
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  EXPECT_EQ(backupDelegate->successes[0], test::textOfKey("200"));
  EXPECT_EQ(manager().lastBackupDate(), 0);
  EXPECT_EQ(defaults.doubleForKey("acme-rep-last_backup_date"), 1700000000.25);
  EXPECT_FALSE(session->hasBackup);

  base::Value doc = lastDocument();
  ASSERT_TRUE(doc.is_object());
  ASSERT_EQ(doc.size(), 9u);
  for (const char* member : {"favorite_product", "compare_product", "favorite_library_file", "download_library_file",
                             "order", "customer", "customer_address", "customer_attribute", "customer_contact"}) {
    ASSERT_TRUE(doc.contains(member)) << member;
    EXPECT_TRUE(doc[member].is_array() && doc[member].empty()) << member;
  }
}

TEST_F(BackupManagerTest, OfflineStartSignsInFirstAndTakesTheSessionFromTheReply) {
  seedLocalWork();
  session->type = LoginType::Offline;
  session->vendorId = 0;  // an offline start knows no vendor number
  session->setSessionId("");
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  auto sent = messagesNamed("");
  ASSERT_EQ(sent.size(), 3u);  // the test's own sign-in, then the silent one
  EXPECT_EQ(sent[1].methodName, "login");
  EXPECT_EQ(sent[2].methodName, "backupData");
  EXPECT_EQ(session->type, LoginType::Online);
  EXPECT_EQ(session->client, "acme");
  EXPECT_EQ(session->vendorId, 11);
  EXPECT_FALSE(session->sessionId.empty());
  const base::Value doc = lastDocument();
  ASSERT_EQ(doc["order"].size(), 2u);
  for (const auto& order : doc["order"]) EXPECT_EQ(order["vendor_id"], 11);

  // Without the network the sign-in fails: offline, and the backup fails.
  session->type = LoginType::Offline;
  auto& defaults = base::UserDefaults::standard();
  defaults.setInteger("Port", unusedPort());
  ASSERT_TRUE(backUp(15));
  ASSERT_EQ(backupDelegate->failures.size(), 1u);
  EXPECT_EQ(backupDelegate->failures[0], test::textOfKey("999"));
  EXPECT_EQ(session->type, LoginType::Offline);
  EXPECT_FALSE(manager().isBackingUp());
  pointAt(*service);

  // A refused sign-in leaves the session signed out.
  mv::test::changeSession([&](Session& s) { s.password = "wrong"; });
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->failures.size(), 2u);
  EXPECT_EQ(session->type, LoginType::None);
  EXPECT_EQ(service->backend().backups("acme", "rep").size(), 1u);
}

// The backup lives as long as its session: logging out stops one under way
// without a word, and the next session's backup runs on its own.
TEST_F(BackupManagerTest, TheSessionsEndStopsABackupUnderWayQuietly) {
  seedLocalWork();
  auto ended = backupManager;
  ASSERT_TRUE(ended->startBackup());
  ASSERT_TRUE(ended->isBackingUp());
  const std::size_t shown = backupDelegate->progress.size();
  scope->endServices();
  EXPECT_FALSE(ended->isBackingUp());
  EXPECT_EQ(backupDelegate->outcomes(), 0u);

  scope->restart();
  takeManagers();
  ASSERT_NE(backupManager, ended);
  EXPECT_FALSE(backupManager->isBackingUp());
  ASSERT_TRUE(backUp());
  // Only the new backup was heard of: nothing of the ended one came through.
  EXPECT_EQ(backupDelegate->successes.size(), 1u);
  EXPECT_EQ(backupDelegate->outcomes(), 1u);
  EXPECT_GT(backupDelegate->progress.size(), shown);
  EXPECT_FALSE(ended->isBackingUp());
}

TEST_F(BackupManagerTest, FailureLockAndCancelEachClearTheBackingUpState) {
  seedLocalWork();
  service->addFault(FaultRule::statusFor("backupData", "999"));
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->failures.size(), 1u);
  EXPECT_EQ(backupDelegate->failures[0], test::textOfKey("999"));
  EXPECT_FALSE(manager().isBackingUp());
  EXPECT_EQ(manager().lastBackupDate(), 0);

  // A locked user: the session handler tells the user, the backup just ends.
  service->clearFaults();
  service->addFault(FaultRule::statusFor("backupData", "114"));
  ASSERT_TRUE(backUp());
  EXPECT_EQ(backupDelegate->stops, 1);
  EXPECT_EQ(backupDelegate->failures.size(), 1u);
  EXPECT_FALSE(manager().isBackingUp());
  ASSERT_EQ(sink->locked.size(), 1u);
  EXPECT_EQ(sink->locked[0].first, "114");

  // Cancel stops the backup's request, and only that one.
  service->clearFaults();
  service->addFault(FaultRule::stallFor("backupData", 2));
  service->addFault(FaultRule::stallFor("getuserinfo", 1));
  auto other = std::make_shared<test::Recorder>();
  auto unrelated = std::make_shared<RequestGetUserinfo>();
  ASSERT_TRUE(manager().startBackup());
  EXPECT_FALSE(manager().startBackup());  // one at a time
  other->send(unrelated);
  waitFor(0.5);
  manager().cancelBackup();
  EXPECT_FALSE(manager().isBackingUp());
  EXPECT_EQ(backupDelegate->stops, 2);
  ASSERT_TRUE(runUntil([&] { return !other->results.empty(); }, 10));
  EXPECT_EQ(other->results[0]->status, "200");
  waitFor(2.5);
  EXPECT_TRUE(backupDelegate->successes.empty());
  EXPECT_EQ(backupDelegate->failures.size(), 1u);

  // And a new backup runs to its end afterwards.
  service->clearFaults();
  ASSERT_TRUE(backUp());
  EXPECT_EQ(backupDelegate->successes.size(), 1u);
  EXPECT_NE(manager().lastBackupDate(), 0);
}

TEST_F(BackupManagerTest, NoDatabaseFailsWithoutSendingAndOddTextStillBacksUp) {
  // A client whose database cannot be opened has no session services: a
  // manager left from the session before finds no database.
  scope->endServices();
  backupManager->setDelegate(backupDelegate);
  mv::test::signInAs("../elsewhere", "rep");
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->failures.size(), 1u);
  EXPECT_FALSE(manager().isBackingUp());
  EXPECT_TRUE(messagesNamed("backupData").empty());

  mv::test::signInAs("acme", "rep");
  scope->restart();
  takeManagers();
  seedLocalWork();
  sql("UPDATE marvisto_customer SET customer_name = 'Caf' || char(233) || CAST(X'FF' AS TEXT) WHERE customer_id = -1");
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  EXPECT_EQ(lastDocument()["customer"].size(), 1u);
}

// A list that cannot be read fails the backup before anything is sent: a
// document without it would replace the last good backup with less.
TEST_F(BackupManagerTest, AListThatCannotBeReadFailsWithoutSending) {
  seedLocalWork();
  for (const char* broken : {"marvisto_compare", "marvisto_quote_order_item"}) {
    SCOPED_TRACE(broken);
    sql(std::string("ALTER TABLE ") + broken + " RENAME TO set_aside");
    ASSERT_TRUE(backUp());
    ASSERT_EQ(backupDelegate->failures.size(), 1u);
    EXPECT_TRUE(backupDelegate->successes.empty());
    EXPECT_TRUE(messagesNamed("backupData").empty());
    sql(std::string("ALTER TABLE set_aside RENAME TO ") + broken);
    backupDelegate->failures.clear();
  }
  ASSERT_TRUE(backUp());
  EXPECT_EQ(backupDelegate->successes.size(), 1u);
}

TEST_F(BackupManagerTest, TheDebugLogNamesBodiesByTheirSizeAndNeverTheSession) {
  seedLocalWork();
  const std::string sessionId = Session::current().sessionId;
  ASSERT_FALSE(sessionId.empty());
  const bool wasLogging = base::logEnabled();
  base::setLogEnabled(true);
  testing::internal::CaptureStderr();
  const bool backedUp = backUp();
  const bool restored = restore();
  const std::string log = testing::internal::GetCapturedStderr();
  base::setLogEnabled(wasLogging);
  ASSERT_TRUE(backedUp);
  ASSERT_TRUE(restored);
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  ASSERT_EQ(restoreDelegate->successes.size(), 1u);
  // The requests and replies went by, named by their sizes...
  EXPECT_NE(log.find("bytes)"), std::string::npos) << log;
  // ...with nothing of the session, the customers, the orders or the
  // signature they carried.
  for (const std::string& secret : {sessionId, std::string("Corner Shop"), std::string("casey@corner.example"),
                                    std::string("rep_240304102030"), std::string("iVBORw0KGgo")}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret;
  }
}

}  // namespace
}  // namespace mv
