// The representative's own work survives a backup and a restore row for row,
// including the link of an order to a customer made on the device and a
// deactivated customer; a restore that cannot complete changes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "BackupTestSupport.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "util/Json.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using sales::WrongShape;

class BackupRoundTripTest : public test::BackupRestoreTest {};

const base::Value* elementWith(const base::Value& list, const char* key, std::int64_t value) {
  for (const auto& e : list) {
    if (intMember(e, key) == value) return &e;
  }
  return nullptr;
}

TEST_F(BackupRoundTripTest, EveryRowComesBackAfterTheLocalWorkWasChanged) {
  seedLocalWork();
  // A name with a NUL character in it comes back whole, on the customer and
  // on its order.
  sql("UPDATE marvisto_customer SET customer_name = 'Corner' || char(0) || 'Shop' WHERE customer_id = -1");
  sql("UPDATE marvisto_quote_order SET customer_name = 'Corner' || char(0) || 'Shop' WHERE customer_id = -1");
  const auto before = snapshot();
  ASSERT_EQ(before.at("marvisto_quote_order").size(), 3u);

  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u) << (backupDelegate->failures.empty() ? "" : backupDelegate->failures[0]);
  EXPECT_EQ(backupDelegate->progress, (std::vector<float>{0.1f, 0.3f, 0.5f, 0.7f}));
  EXPECT_FALSE(backupManager->isBackingUp());

  // What the service keeps.
  auto stored = service->backend().backups("acme", "rep");
  ASSERT_EQ(stored.size(), 1u);
  auto doc = JSONValue(stored[0].document);
  ASSERT_TRUE(doc && doc->is_object());
  EXPECT_EQ(doc->size(), 9u);
  const base::Value& orders = (*doc)["order"];
  ASSERT_EQ(orders.size(), 2u);  // the submitted order is not the user's unsaved work
  const base::Value* local = elementWith(orders, "order_id", -1);
  ASSERT_TRUE(local);
  EXPECT_EQ((*local)["customer_id"], 0);
  EXPECT_EQ((*local)["local_customer_id"], -1);
  EXPECT_EQ((*local)["vendor_id"], 11);
  EXPECT_EQ((*local)["order_item"]["order_items"].size(), 2u);
  const base::Value* forServerCustomer = elementWith(orders, "order_id", -2);
  ASSERT_TRUE(forServerCustomer);
  EXPECT_EQ((*forServerCustomer)["customer_id"], 42);
  EXPECT_FALSE(forServerCustomer->contains("local_customer_id"));
  ASSERT_EQ((*doc)["customer"].size(), 1u);
  const base::Value* active = elementWith((*doc)["customer_attribute"], "attribute_id", -1);
  ASSERT_TRUE(active);
  EXPECT_EQ((*active)["attribute_value"], 0);
  const base::Value* gadget = elementWith((*doc)["favorite_product"], "product_id", 1002);
  ASSERT_TRUE(gadget);
  EXPECT_EQ((*gadget)["product_sku"], "");
  ASSERT_EQ((*doc)["download_library_file"].size(), 1u);
  EXPECT_EQ((*doc)["download_library_file"][0]["id"], "7");

  // The time of the backup, kept at full precision where the restore reads it.
  const double when = backupManager->lastBackupDate();
  EXPECT_DOUBLE_EQ(when, stored[0].time);
  EXPECT_EQ(base::UserDefaults::standard().doubleForKey("acme-rep-last_backup_date"), when);
  EXPECT_TRUE(session->hasBackup);
  EXPECT_EQ(session->lastBackupDate, when);

  alterLocalWork();
  ASSERT_NE(snapshot(), before);

  // A service that wants its own time back exactly finds the backup.
  service->backend().setStrictRestore(true);
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u)
      << (restoreDelegate->failures.empty() ? "" : restoreDelegate->failures[0]);
  EXPECT_FALSE(restoreManager->isRestoring());
  const auto after = snapshot();
  for (const auto& [table, rows] : before) EXPECT_EQ(after.at(table), rows) << table;

  // The order names its customer again, and the customer is still inactive.
  auto link = db().prepare("SELECT o.customer_id, a.attribute_value FROM marvisto_quote_order o JOIN "
                           "marvisto_customer_attribute a ON a.customer_id = o.customer_id AND "
                           "a.attribute_fields_id = 1 WHERE o.order_id = -1");
  ASSERT_EQ(link.step(), SQLiteStatement::Step::Row);
  EXPECT_EQ(link.intAt(0), -1);
  EXPECT_EQ(link.textAt(1), "NO");

  // The downloaded files come back with their library type.
  ASSERT_EQ(restoreDelegate->files[0].size(), 1u);
  EXPECT_EQ(restoreDelegate->files[0][0].file_id, 7);
  EXPECT_EQ(restoreDelegate->files[0][0].file_name, "brochure.pdf");
  EXPECT_EQ(restoreDelegate->files[0][0].type, "PDF");

  // The wait box showed for at most five seconds and is closed again.
  ASSERT_EQ(waitBox->boxes.size(), 1u);
  EXPECT_EQ(waitBox->boxes.begin()->second.timeout, RestoreManager::kWaitTimeout);
  EXPECT_EQ(waitBox->openCount(), 0);
  auto sent = messagesNamed("restoreData");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(textDoubleValue(stringMember(sent[0].parameters, "last_backup_date")), when);
}

TEST_F(BackupRoundTripTest, ARestoreOnAFreshDataRootReattachesOrdersToTheirCustomers) {
  seedLocalWork();
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  // The application installed anew: nothing local but the server settings.
  scope->endServices();
  const fs::path fresh = test::makeTempDir("fresh-root");
  base::Paths::setRoot(fresh);
  base::UserDefaults::resetStandard();
  pointAt(*service);
  scope->restart();
  takeManagers();
  ASSERT_EQ(count("marvisto_quote_order"), 0);
  ASSERT_EQ(count("marvisto_customer"), 0);

  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u)
      << (restoreDelegate->failures.empty() ? "" : restoreDelegate->failures[0]);
  auto link = db().prepare("SELECT o.customer_id, c.customer_name FROM marvisto_quote_order o JOIN "
                           "marvisto_customer c ON c.customer_id = o.customer_id WHERE o.order_id = -1");
  ASSERT_EQ(link.step(), SQLiteStatement::Step::Row);
  EXPECT_EQ(link.intAt(0), -1);
  EXPECT_EQ(link.textAt(1), "Corner Shop");
  // The order for the service's customer keeps that customer's id.
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -2 AND customer_id = 42"), 1);
  scope->endServices();
  std::error_code ec;
  fs::remove_all(fresh, ec);
}

TEST_F(BackupRoundTripTest, EveryFailedRestoreLeavesEveryLocalRowAsItWas) {
  seedLocalWork();
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  alterLocalWork();
  const auto before = snapshot();

  struct Case {
    const char* name;
    FaultRule rule;
  };
  FaultRule noNetwork = FaultRule::statusFor("restoreData", "999");
  FaultRule noStatus;
  noStatus.method = "restoreData";
  noStatus.kind = FaultKind::WrongShape;
  noStatus.shape = WrongShape::NoResults;
  FaultRule notAnObject = noStatus;
  notAnObject.shape = WrongShape::ContentNotArray;
  FaultRule notJson = noStatus;
  notJson.shape = WrongShape::NotJson;
  FaultRule errorPage;
  errorPage.method = "restoreData";
  errorPage.kind = FaultKind::Html500;
  for (const Case& c : {Case{"999", noNetwork}, Case{"no status", noStatus}, Case{"content not an object", notAnObject},
                        Case{"not JSON", notJson}, Case{"error page", errorPage}}) {
    SCOPED_TRACE(c.name);
    service->clearFaults();
    service->addFault(c.rule);
    const std::size_t failures = restoreDelegate->failures.size();
    ASSERT_TRUE(restore());
    ASSERT_EQ(restoreDelegate->failures.size(), failures + 1);
    EXPECT_TRUE(restoreDelegate->successes.empty());
    EXPECT_FALSE(restoreManager->isRestoring());
    EXPECT_EQ(waitBox->openCount(), 0);
    EXPECT_EQ(snapshot(), before);
  }
  EXPECT_EQ(restoreDelegate->failures[0], test::textOfKey("999"));
  EXPECT_EQ(restoreDelegate->failures[1], test::textOfKey("115"));
  EXPECT_EQ(restoreDelegate->failures[2], test::textOfKey("115"));

  // A store that fails half-way takes the clearing back with it.
  service->clearFaults();
  sql("CREATE TEMP TRIGGER refuse_contacts BEFORE INSERT ON marvisto_customer_contact "
      "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->failures.size(), 6u);
  EXPECT_TRUE(restoreDelegate->successes.empty());
  EXPECT_EQ(snapshot(), before);
  sql("DROP TRIGGER refuse_contacts");

  // A reply that carries no lists replaces nothing.
  FaultRule empty = noStatus;
  empty.shape = WrongShape::ContentTooShort;
  service->addFault(empty);
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u);
  EXPECT_TRUE(restoreDelegate->files[0].empty());
  EXPECT_EQ(snapshot(), before);
}

TEST_F(BackupRoundTripTest, CancelledRestoreHasItsOwnOutcomeAndStopsOnlyItsOwnRequests) {
  seedLocalWork();
  ASSERT_TRUE(backUp());
  alterLocalWork();
  const auto before = snapshot();

  service->addFault(FaultRule::stallFor("restoreData", 3));
  service->addFault(FaultRule::stallFor("getuserinfo", 1));
  auto other = std::make_shared<test::Recorder>();
  auto unrelated = std::make_shared<RequestGetUserinfo>();
  ASSERT_TRUE(restoreManager->startToRestore());
  EXPECT_TRUE(restoreManager->isRestoring());
  EXPECT_FALSE(restoreManager->startToRestore());  // one at a time
  other->send(unrelated);
  waitFor(0.5);  // both are with the service now
  ASSERT_EQ(waitBox->openCount(), 1);

  restoreManager->cancelRestore();
  EXPECT_FALSE(restoreManager->isRestoring());
  EXPECT_EQ(restoreDelegate->stops, 1);
  EXPECT_EQ(waitBox->openCount(), 0);
  // The unrelated request still gets its answer; the restore's never lands.
  ASSERT_TRUE(runUntil([&] { return !other->results.empty(); }, 10));
  EXPECT_EQ(other->results[0]->status, "200");
  waitFor(3.5);
  EXPECT_TRUE(restoreDelegate->successes.empty());
  EXPECT_TRUE(restoreDelegate->failures.empty());
  EXPECT_EQ(snapshot(), before);

  // Nothing running: cancel still closes the box and says so, nothing else.
  restoreManager->cancelRestore();
  EXPECT_EQ(restoreDelegate->stops, 2);
  EXPECT_TRUE(restoreDelegate->successes.empty());

  // A later restore is not disturbed by the cancelled one.
  service->clearFaults();
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u);
}

}  // namespace
}  // namespace mv
