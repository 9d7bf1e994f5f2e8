// The restore on its own: how the backup's rows are taken back, the time it
// asks for, an offline start, an empty backup and a locked user.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "BackupTestSupport.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/requests/RequestBackup.hpp"
#include "util/Json.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

using sales::FaultRule;

class RestoreManagerTest : public test::BackupRestoreTest {
 protected:
  RestoreManager& manager() { return *restoreManager; }

  // Has the service keep `document` as the user's latest backup.
  void storeBackup(const std::string& document) {
    auto request = std::make_shared<RequestBackup>();
    request->backupString = document;
    auto result = roundTrip(request, std::make_shared<test::Recorder>());
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, "200") << result->detail;
  }

  // A backup document of the nine lists the service keeps, each empty unless
  // given in `lists` (list text by name).
  static std::string backupWith(std::map<std::string, std::string> lists) {
    for (const char* name : {"favorite_product", "compare_product", "favorite_library_file", "download_library_file",
                             "order", "customer", "customer_address", "customer_attribute", "customer_contact"}) {
      lists.emplace(name, "[]");
    }
    std::string document;
    for (const auto& [key, value] : lists) document += (document.empty() ? "{\"" : ", \"") + key + "\": " + value;
    return document + "}";
  }

  std::string attribute(int attributeId) {
    auto st = db().prepare("SELECT attribute_value FROM marvisto_customer_attribute WHERE attribute_id = ?");
    st.bindAll(attributeId);
    return st.step() == SQLiteStatement::Step::Row ? st.textAt(0) : "<none>";
  }
};

TEST_F(RestoreManagerTest, BackupRowsAreTakenBackSoundly) {
  seedLocalWork();
  storeBackup(R"({
    "favorite_product": [{"product_id": 1001, "product_sku": "", "product_name": "Widget"}],
    "compare_product": [{"product_id": 1003, "product_sku": "SKU-1003", "product_name": "Gizmo"},
                        {"product_id": 1003, "product_sku": "SKU-1003", "product_name": "Gizmo"}],
    "favorite_library_file": [{"id": "9", "file_name": "intro.mp4"}],
    "download_library_file": [{"id": "9", "file_name": "intro.mp4"}, {"id": "3", "file_name": "gone.pdf"},
                              {"id": "4", "file_name": "../marvisto_lite.sqlite"}],
    "order": [{"order_id": -5, "customer_id": 0, "local_customer_id": -3, "customer_name": "Kiosk",
                   "order_number": "rep_240307080000", "cdate": "03/07/2024 08:00:00", "uploaded": false,
                   "order_item": {"order_items": [{"order_item_id": -9, "order_id": -5, "product_id": 1001,
                                                   "product_quantity": 2}]}}],
    "order_item": [{"order_item_id": -77, "order_id": -5}],
    "customer": [{"customer_id": -3, "customer_info_id": "", "customer_name": "Kiosk", "customer_publish": 1,
                  "customer_ordering": 0, "discount": 2.5},
                 {"customer_id": 42, "customer_name": "Hijacked", "customer_publish": 1}],
    "customer_attribute": [
      {"attribute_id": -11, "customer_id": -3, "attribute_fields_id": 1, "attribute_value": 0},
      {"attribute_id": -12, "customer_id": -3, "attribute_fields_id": 1, "attribute_value": 1},
      {"attribute_id": -13, "customer_id": -3, "attribute_fields_id": 1, "attribute_value": "0"},
      {"attribute_id": -14, "customer_id": -3, "attribute_fields_id": 1, "attribute_value": "NO"},
      {"attribute_id": -15, "customer_id": -3, "attribute_fields_id": 2, "attribute_value": 12},
      {"attribute_id": -16, "customer_id": -3, "attribute_fields_id": 2, "attribute_value": 0.5},
      {"attribute_id": 43, "customer_id": 42, "attribute_fields_id": 1, "attribute_value": 0}],
    "customer_address": [{"id": -21, "customer_id": -3, "address": "3 Kiosk Sq", "city": "Town"},
                         {"id": 42, "customer_id": -3, "address": "Hijacked Rd"}],
    "customer_contact": [{"customer_id": -3, "contact_id": -31, "first_name": "Kim"},
                         {"customer_id": -3, "contact_id": 42, "first_name": "Hijacked"}]
  })");
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u)
      << (restoreDelegate->failures.empty() ? "" : restoreDelegate->failures[0]);

  // Numbers of the "Active" field are its two words again; other numbers are text.
  EXPECT_EQ(attribute(-11), "NO");
  EXPECT_EQ(attribute(-12), "YES");
  EXPECT_EQ(attribute(-13), "NO");
  EXPECT_EQ(attribute(-14), "NO");
  EXPECT_EQ(attribute(-15), "12");
  EXPECT_EQ(attribute(-16), "0.5");
  // The service's customer and its rows are the sync's business.
  EXPECT_EQ(attribute(43), "<none>");
  EXPECT_EQ(attribute(42), "YES");
  EXPECT_EQ(count("marvisto_customer", "customer_id = 42 AND customer_name = 'Server Co'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = 42 AND customer_id = 42 AND address = '9 Service Rd'"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = 42 AND customer_id = 42 AND first_name = 'Sam'"), 1);
  // Which of the service's customers this device uploaded since the backup
  // cannot be told: a reply reusing the id of one held is not taken for it.
  EXPECT_EQ(count("marvisto_uploaded_customer", "customer_id = 42"), 1);
  // Only the backup's local customer; the device's own is replaced.
  EXPECT_EQ(count("marvisto_customer", "customer_id < 0"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Kiosk'"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -3"), 1);

  // The order names its restored customer; submitted orders stay.
  EXPECT_EQ(count("marvisto_quote_order", "order_id < 0"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -5 AND customer_id = -3 AND uploaded = 0"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id = -5"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = 7 AND uploaded = 1"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id = 7"), 1);

  // Lists: a repeated product counts once,
  // and the generated SKU is stored as it was.
  EXPECT_EQ(count("marvisto_favorite"), 1);
  EXPECT_EQ(count("marvisto_favorite", "product_id = 1001 AND product_sku = 'acme_1001'"), 1);
  EXPECT_EQ(count("marvisto_compare"), 1);
  EXPECT_EQ(count("marvisto_library_favorite"), 1);
  EXPECT_EQ(count("marvisto_library_favorite", "file_id = 9"), 1);

  // Files to fetch again: plain names only, with the library's type word, or
  // none when the file left the library.
  ASSERT_EQ(restoreDelegate->files[0].size(), 2u);
  EXPECT_EQ(restoreDelegate->files[0][0].file_name, "intro.mp4");
  EXPECT_EQ(restoreDelegate->files[0][0].type, "VEDIO");
  EXPECT_EQ(restoreDelegate->files[0][1].file_name, "gone.pdf");
  EXPECT_EQ(restoreDelegate->files[0][1].type, "");
}

// The restore lives as long as its session: logging out stops one under way
// and closes its wait box without a word, and the local work stays as it was.
TEST_F(RestoreManagerTest, TheSessionsEndStopsARestoreUnderWayQuietly) {
  seedLocalWork();
  ASSERT_TRUE(backUp());
  alterLocalWork();
  const auto before = snapshot();
  auto ended = restoreManager;
  ASSERT_TRUE(ended->startToRestore());
  ASSERT_TRUE(ended->isRestoring());
  scope->endServices();
  EXPECT_FALSE(ended->isRestoring());
  EXPECT_EQ(waitBox->openCount(), 0);
  EXPECT_TRUE(restoreDelegate->successes.empty());
  EXPECT_TRUE(restoreDelegate->failures.empty());
  EXPECT_EQ(restoreDelegate->stops, 0);

  // The next session restores on its own; the ended one never wrote.
  scope->restart();
  takeManagers();
  ASSERT_NE(restoreManager, ended);
  EXPECT_EQ(snapshot(), before);
  ASSERT_TRUE(restore());
  EXPECT_EQ(restoreDelegate->successes.size(), 1u);
  EXPECT_EQ(restoreDelegate->stops, 0);
  EXPECT_TRUE(restoreDelegate->failures.empty());
}

TEST_F(RestoreManagerTest, AsksForTheStoredTimeAndHandsBackTheFilesWithTheirTypes) {
  seedLocalWork();
  // No stored time: zero, written with six decimals. The service has no
  // backup yet and says so with its own status, not the file endpoint's "404".
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->failures.size(), 1u);
  EXPECT_EQ(restoreDelegate->failures[0], test::textOfKey("212"));
  auto sent = messagesNamed("restoreData");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(stringMember(sent[0].parameters, "last_backup_date"), "0.000000");
  EXPECT_EQ(sent[0].status, "212");

  ASSERT_TRUE(backUp());
  const double when = backupManager->lastBackupDate();
  ASSERT_NE(when, 0);
  // A time an older version stored in single precision still reads, and the
  // service's nearest backup answers it.
  const double narrowed = static_cast<double>(static_cast<float>(when));
  base::UserDefaults::standard().setDouble("acme-rep-last_backup_date", narrowed);
  session->type = LoginType::Offline;
  // The service wants a full resync, and tells the restore's sign-in.
  ASSERT_TRUE(service->backend().requestFullSync("acme", "rep"));
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u)
      << (restoreDelegate->failures.size() > 1 ? restoreDelegate->failures[1] : "");
  sent = messagesNamed("restoreData");
  ASSERT_EQ(sent.size(), 2u);
  char expected[64];
  std::snprintf(expected, sizeof expected, "%f", narrowed);
  EXPECT_EQ(stringMember(sent[1].parameters, "last_backup_date"), expected);
  // The offline start signed in first.
  auto all = messagesNamed("");
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2].methodName, "login");
  EXPECT_EQ(session->type, LoginType::Online);
  // The next sync asks for every part in full, into the store as it is.
  EXPECT_EQ(session->fullSyncsAsked, 1);

  ASSERT_EQ(restoreDelegate->files[0].size(), 1u);
  EXPECT_EQ(restoreDelegate->files[0][0].type, "PDF");
  // A file no longer in the library comes back without a type.
  sql("DELETE FROM marvisto_library_files WHERE file_id = 7");
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 2u);
  ASSERT_EQ(restoreDelegate->files[1].size(), 1u);
  EXPECT_EQ(restoreDelegate->files[1][0].file_name, "brochure.pdf");
  EXPECT_EQ(restoreDelegate->files[1][0].type, "");
}

TEST_F(RestoreManagerTest, EmptyBackupClearsTheLocalWorkAndLockedUserEndsQuietly) {
  seedCatalogue();
  sql("DELETE FROM marvisto_library_files");
  ASSERT_TRUE(backUp());
  ASSERT_EQ(backupDelegate->successes.size(), 1u);
  seedLocalWork();

  service->addFault(FaultRule::statusFor("restoreData", "11411"));
  ASSERT_TRUE(restore());
  EXPECT_EQ(restoreDelegate->stops, 1);
  EXPECT_TRUE(restoreDelegate->failures.empty());
  EXPECT_FALSE(manager().isRestoring());
  EXPECT_EQ(waitBox->openCount(), 0);
  ASSERT_EQ(sink->locked.size(), 1u);
  EXPECT_EQ(count("marvisto_quote_order", "order_id < 0"), 2);

  service->clearFaults();
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u);
  EXPECT_TRUE(restoreDelegate->files[0].empty());
  for (const char* table : {"marvisto_favorite", "marvisto_compare", "marvisto_library_favorite"}) {
    EXPECT_EQ(count(table), 0) << table;
  }
  EXPECT_EQ(count("marvisto_quote_order", "order_id < 0"), 0);
  EXPECT_EQ(count("marvisto_quote_order_item", "order_id < 0"), 0);
  EXPECT_EQ(count("marvisto_customer", "customer_id < 0"), 0);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id < 0"), 0);
  EXPECT_EQ(count("marvisto_customer_address", "customer_id < 0"), 0);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id < 0"), 0);
  // What came from the service stays.
  EXPECT_EQ(count("marvisto_customer", "customer_id = 42"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = 42"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = 7"), 1);
}

TEST_F(RestoreManagerTest, ATamperedBackupFailsWholeAndChangesNoLocalRow) {
  seedLocalWork();
  const auto before = snapshot();
  // Each is a sound backup but for one element.
  const std::string order = R"({"order_id": -5, "customer_id": 0, "order_number": "rep_1", "vendor_id": 11,
                                "order_item": {"order_items": [{"order_item_id": -9, "product_id": 1001,
                                                                "product_quantity": 1}]}})";
  const std::string customer = R"({"customer_id": -3, "customer_name": "Kiosk"})";
  const std::vector<std::pair<std::string, std::string>> tamperedLists = {
      {"favorite_product", R"([{"product_id": 1001}, 5])"},
      {"compare_product", R"([{"product_sku": "no id"}])"},
      {"favorite_library_file", R"([{"id": 9, "file_name": "intro.mp4"}, "x"])"},
      {"download_library_file", "[null]"},
      {"order", "[" + order + ", 17]"},
      {"order", R"([{"order_id": -6, "customer_id": 0}])"},
      {"order", R"([{"order_id": -6, "order_number": ""}])"},
      {"order", R"([{"order_id": -6, "order_number": 12}])"},
      {"order", R"([{"order_id": -6, "order_number": "rep_2", "order_item": {"order_items": [7]}}])"},
      {"order", R"([{"order_id": -6, "order_number": "rep_2", "order_item": {"order_items": "x"}}])"},
      {"order_item", R"([{"order_item_id": -9}, "x"])"},
      {"customer", "[" + customer + R"(, "junk"])"},
      {"customer_address", R"([{"customer_id": -3, "address": "no id"}])"},
      {"customer_attribute", R"([{"customer_id": -3, "attribute_value": "no id"}])"},
      {"customer_contact", R"([{"customer_id": -3, "first_name": "no id"}])"},
      // Text, objects and lists where numbers belong.
      {"customer", R"([{"customer_id": {"id": -3}, "customer_name": "Kiosk"}])"},
      {"customer", R"([{"customer_id": -3, "customer_name": "Kiosk", "discount": "NaN"}])"},
      {"customer", R"([{"customer_id": -3, "customer_name": "Kiosk", "discount": [5]}])"},
      {"customer_address", R"([{"id": -4, "customer_id": {"id": -3}, "address": "1 Elm"}])"},
      {"customer_attribute", R"([{"attribute_id": -4, "customer_id": -3, "attribute_fields_id": "inf"}])"},
      {"customer_contact", R"([{"contact_id": -4, "customer_id": [-3], "first_name": "Ann"}])"}};
  for (const auto& [name, list] : tamperedLists) {
    SCOPED_TRACE(name + ": " + list);
    std::map<std::string, std::string> lists = {{"order", "[" + order + "]"}, {"customer", "[" + customer + "]"}};
    lists[name] = list;
    const std::size_t failures = restoreDelegate->failures.size();
    storeBackup(backupWith(lists));
    ASSERT_TRUE(restore());
    ASSERT_EQ(restoreDelegate->failures.size(), failures + 1);
    EXPECT_EQ(restoreDelegate->failures.back(), test::textOfKey("RESTOREDAMAGED"));
    EXPECT_EQ(snapshot(), before);
  }
  EXPECT_TRUE(restoreDelegate->successes.empty());
  EXPECT_FALSE(manager().isRestoring());
  EXPECT_EQ(waitBox->openCount(), 0);

  // Untouched, the same backup is taken.
  storeBackup(backupWith({{"order", "[" + order + "]"}, {"customer", "[" + customer + "]"}}));
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u);
  EXPECT_EQ(count("marvisto_quote_order", "order_id < 0 AND order_number = 'rep_1'"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Kiosk'"), 1);
}

// Numbers the order editor never makes (a quantity the store would read
// back as -1, amounts past whole cents or below zero, rates past 100 %, text
// or objects where numbers belong) refuse the restore as a damaged backup:
// nothing of it is stored, the local work stays as it was.
TEST_F(RestoreManagerTest, AnOrderWithNumbersTheEditorRefusesFailsTheRestore) {
  seedLocalWork();
  const auto before = snapshot();
  auto backupOf = [](const std::string& orderMembers, const std::string& lineMembers) {
    return backupWith({{"order", R"([{"order_id": -5, "order_number": "rep_1", )" + orderMembers +
                                     R"("order_item": {"order_items": [{"order_item_id": -9, "product_id": 1001, )" +
                                     lineMembers + "}]}}]"}});
  };
  const std::pair<const char*, const char*> absurd[] = {
      {"", R"("product_quantity": 9223372036854775807)"},
      {"", R"("product_quantity": 1000001)"},
      {"", R"("product_quantity": -3)"},
      {"", R"("product_quantity": 2, "product_final_price": 1e308)"},
      {"", R"("product_quantity": 2, "order_item_subtotal": "1e300")"},
      {R"("order_total": 1e308, )", R"("product_quantity": 2)"},
      {R"("order_discount": -1e20, )", R"("product_quantity": 2)"},
      {R"("discount_rats": 1e308, )", R"("product_quantity": 2)"},
      // A rate over 100 %, a negative amount, a quantity of 0 or none, a
      // quantity given as text or in part.
      {R"("discount_rats": 100.5, )", R"("product_quantity": 2)"},
      {R"("discount_rats": -10, )", R"("product_quantity": 2)"},
      {"", R"("product_quantity": 2, "discount_rat": 250)"},
      {R"("order_total": -40.5, )", R"("product_quantity": 2)"},
      {R"("order_discount": -2, )", R"("product_quantity": 2)"},
      {"", R"("product_quantity": 2, "product_item_price": 4, "product_final_price": -3)"},
      {"", R"("product_quantity": 2, "order_item_subtotal": -6)"},
      {"", R"("product_quantity": 0)"},
      {"", R"("product_final_price": 3)"},
      {"", R"("product_quantity": "1e9")"},
      {"", R"("product_quantity": "4")"},
      {"", R"("product_quantity": 2.5)"},
      // Text, objects and lists where numbers belong: no rate of 0 (all
      // off), no price or total of 0, no customer 0.
      {R"("discount_rats": "NaN", )", R"("product_quantity": 2)"},
      {R"("order_total": "NaN", )", R"("product_quantity": 2)"},
      {R"("order_subtotal": "inf", )", R"("product_quantity": 2)"},
      {"", R"("product_quantity": 2, "discount_rat": "-inf")"},
      {"", R"("product_quantity": 2, "product_item_price": {"amount": 4})"},
      {"", R"("product_quantity": 2, "product_final_price": [4])"},
      {"", R"("product_quantity": 2, "order_item_subtotal": "8 dollars")"},
      {R"("customer_id": {"id": 7}, )", R"("product_quantity": 2)"},
      {R"("customer_id": 7.5, )", R"("product_quantity": 2)"},
      {R"("local_customer_id": {"id": -3}, )", R"("product_quantity": 2)"},
  };
  for (const auto& [orderMembers, lineMembers] : absurd) {
    SCOPED_TRACE(std::string(orderMembers) + lineMembers);
    const std::size_t failures = restoreDelegate->failures.size();
    storeBackup(backupOf(orderMembers, lineMembers));
    ASSERT_TRUE(restore());
    ASSERT_EQ(restoreDelegate->failures.size(), failures + 1);
    EXPECT_EQ(restoreDelegate->failures.back(), test::textOfKey("RESTOREDAMAGED"));
    EXPECT_EQ(snapshot(), before);
  }
  EXPECT_TRUE(restoreDelegate->successes.empty());

  // At the cap and in whole cents, with rates at their bounds, the order is
  // taken, with a line that has no price (its amounts below zero).
  storeBackup(backupWith(
      {{"order", R"([{"order_id": -5, "order_number": "rep_1", "order_total": " 90071992547409.91",
                      "order_discount": -1, "discount_rats": 100, "order_item": {"order_items": [
                      {"order_item_id": -9, "product_id": 1001, "product_quantity": 1000000,
                       "product_final_price": 0.5, "discount_rat": 0},
                      {"order_item_id": -10, "product_id": 1002, "product_quantity": 3, "product_item_price": -1,
                       "product_final_price": -1, "order_item_subtotal": -3, "discount_rat": -1}]}}])"}}));
  ASSERT_TRUE(restore());
  ASSERT_EQ(restoreDelegate->successes.size(), 1u);
  EXPECT_EQ(count("marvisto_quote_order", "order_number = 'rep_1' AND order_id < 0 AND uploaded = 0"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 1000000"), 1);
  EXPECT_EQ(count("marvisto_quote_order_item", "product_quantity = 3 AND product_item_price = -1"), 1);
}

TEST_F(RestoreManagerTest, ABackupOfAnotherRepresentativeIsRefusedWithItsReason) {
  seedLocalWork();
  const auto before = snapshot();
  auto backupOf = [](const std::string& vendor) {
    return backupWith({{"order", R"([{"order_id": -5, "order_number": "rep_1", "vendor_id": )" + vendor +
                                     R"(, "order_item": {"order_items": []}}])"}});
  };
  for (const char* vendor : {"12", "\"12\"", "0", "\"eleven\""}) {
    SCOPED_TRACE(vendor);
    storeBackup(backupOf(vendor));
    ASSERT_TRUE(restore());
    ASSERT_FALSE(restoreDelegate->failures.empty());
    EXPECT_EQ(restoreDelegate->failures.back(), test::textOfKey("RESTOREOTHERVENDOR"));
    EXPECT_EQ(snapshot(), before);
  }
  EXPECT_TRUE(restoreDelegate->successes.empty());

  // The representative's own backup, with the id as a number or as text, is taken.
  for (const char* vendor : {"11", "\"11\""}) {
    storeBackup(backupOf(vendor));
    ASSERT_TRUE(restore());
  }
  EXPECT_EQ(restoreDelegate->successes.size(), 2u);
  EXPECT_EQ(count("marvisto_quote_order", "order_id < 0"), 1);
  EXPECT_EQ(count("marvisto_favorite"), 0);
}

}  // namespace
}  // namespace mv
