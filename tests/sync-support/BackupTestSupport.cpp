#include "BackupTestSupport.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "SessionFixture.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/DownloadedFilesModel.hpp"
#include "sync/UnsubmittedCustomerModel.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace mv::test {

void FakeSyncSession::setClientID(const std::string& v) {
  client = v;
  mv::test::signInAs(client, account);
}

void FakeSyncSession::setSessionId(const std::string& v) {
  sessionId = v;
  mv::test::changeSession([&](Session& s) { s.sessionId = v; });
}

void FakeSyncSession::setVendorId(std::int64_t v) {
  vendorId = v;
  changeSession([&](Session& s) { s.vendorId = v; });
}

int FakeWaitBox::openCount() const {
  int open = 0;
  for (const auto& [tag, box] : boxes) open += box.open ? 1 : 0;
  return open;
}

void BackupRestoreTest::SetUp() {
  NetworkTest::SetUp();
  session = std::make_shared<FakeSyncSession>();
  SyncSession::setCurrent(session);
  changeSession([&](Session& s) {
    s.vendorId = session->vendorId;
    s.deviceID = "0123456789abcdef";
  });
  waitBox = std::make_shared<FakeWaitBox>();
  BlockWaitBox::install(waitBox);
  signIn();
  session->sessionId = Session::current().sessionId;
  scope.emplace(Session::current(), sessionRegistry());
  backupDelegate = std::make_shared<BackupRecorder>();
  restoreDelegate = std::make_shared<RestoreRecorder>();
  takeManagers();
}

SessionServices::Registry BackupRestoreTest::sessionRegistry() {
  SessionServices::Registry registry;
  registry.add<BackupManager>([](SessionServices&) { return std::make_shared<BackupManager>(); });
  registry.add<RestoreManager>([](SessionServices&) { return std::make_shared<RestoreManager>(); });
  return registry;
}

void BackupRestoreTest::takeManagers() {
  ASSERT_TRUE(scope && scope->services());
  backupManager = scope->services()->get<BackupManager>();
  restoreManager = scope->services()->get<RestoreManager>();
  ASSERT_TRUE(backupManager && restoreManager);
  backupManager->setDelegate(backupDelegate);
  restoreManager->setDelegate(restoreDelegate);
}

void BackupRestoreTest::TearDown() {
  if (restoreManager) restoreManager->setDelegate({});
  if (backupManager) backupManager->setDelegate({});
  BlockWaitBox::install(nullptr);
  // The session's end stops what still runs.
  scope.reset();
  backupManager.reset();
  restoreManager.reset();
  NetworkTest::TearDown();
}

void BackupRestoreTest::seedCatalogue() {
  std::vector<marvisto_product_Entity> products;
  for (auto [id, sku, name, publish] : std::vector<std::tuple<int, std::string, std::string, int>>{
           {1001, "SKU-1001", "Widget", 1}, {1002, "acme_1002", "Gadget", 1}, {1003, "SKU-1003", "Gizmo", 1},
           {1004, "SKU-1004", "Retired", -1}}) {
    products.push_back(makeProduct(id, name, sku));
    products.back().product_publish = publish;
  }
  ASSERT_TRUE(dam().saveToDatabaseProduct(products));

  std::vector<marvisto_library_files_Entity> files;
  for (auto [id, name, type] : std::vector<std::tuple<int, std::string, std::string>>{
           {7, "brochure.pdf", "PDF"}, {8, "prices.xlsx", "EXCEL"}, {9, "intro.mp4", "VEDIO"}}) {
    files.push_back(libraryFile(id, name, name, type));
  }
  ASSERT_TRUE(dam().saveToDatabaseLibraryFiles(files));
  // The brochure is on the device.
  auto path = PublicFunction::filePathWithName("brochure.pdf", PublicFunction::getFileType("PDF"));
  ASSERT_TRUE(path);
  std::filesystem::create_directories(path->parent_path());
  std::ofstream(*path) << "%PDF-1.4 brochure";

  std::vector<marvisto_fields_customer_attribute_Entity> fields;
  for (auto [id, name] : std::vector<std::pair<int, std::string>>{{1, "Active"}, {2, "Region"}}) {
    marvisto_fields_customer_attribute_Entity f;
    f.field_id = id;
    f.field_name = name;
    f.data_type = "text";
    f.display = 1;
    f.published = 1;
    fields.push_back(f);
  }
  ASSERT_TRUE(dam().saveToDatabaseFieldsCustomerAttribute(fields));
}

void BackupRestoreTest::seedLocalWork() {
  seedCatalogue();
  sql("INSERT INTO marvisto_favorite (product_id, product_sku, product_name) VALUES "
      "(1001, 'SKU-1001', 'Widget'), (1002, 'acme_1002', 'Gadget')");
  sql("INSERT INTO marvisto_compare (product_id, product_sku, product_name) VALUES "
      "(1001, 'SKU-1001', 'Widget'), (1003, 'SKU-1003', 'Gizmo')");
  sql("INSERT INTO marvisto_library_favorite (file_id, file_name) VALUES (7, 'brochure.pdf'), (8, 'prices.xlsx')");

  // A customer from the service, and one made on the device.
  sql("INSERT INTO marvisto_customer (customer_id, customer_info_id, customer_name, customer_publish, "
      "customer_ordering, discount, hidden, important, has_note, note) VALUES "
      "(42, 'C-42', 'Server Co', 1, 3, 0, 0, 0, 0, NULL), "
      "(-1, '', 'Corner Shop', 1, 0, 5.5, 0, 1, 1, 'Call before noon')");
  sql("INSERT INTO marvisto_customer_address (id, customer_id, address, city, state, zip_code, isDefault) VALUES "
      "(42, 42, '9 Service Rd', 'Capital', 'CA', '90001', 1), "
      "(-1, -1, '1 Main St', 'Springfield', 'IL', '62701', 1), "
      "(-2, -1, '2 Side St', 'Springfield', 'IL', '62702', 0)");
  sql("INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, attribute_fields_id, attribute_value) "
      "VALUES (42, 42, 1, 'YES'), (-1, -1, 1, 'NO'), (-2, -1, 2, 'North')");
  sql("INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name, last_name, job_title, "
      "work_phone, mobile_phone, email, im, note, isDefault) VALUES "
      "(42, 42, 'Sam', 'Server', 'Buyer', '555-0042', '', 'sam@server.example', '', '', 1), "
      "(-1, -1, 'Casey', 'Corner', 'Owner', '555-0101', '555-0102', 'casey@corner.example', 'casey', "
      "'prefers mornings', 1)");

  const std::string orderColumns =
      "INSERT INTO marvisto_quote_order (order_id, customer_id, customer_info_id, customer_name, vendor_id, "
      "order_number, order_total, order_subtotal, order_tax, order_tax_details, order_shipping, order_shipping_tax, "
      "coupon_discount, coupon_code, order_discount, order_currency, order_status, cdate, mdate, ship_method, "
      "customer_note, ip_address, uploaded, discount_rat, signature, address, city, state, zip_code, phone, "
      "bankAccount, cdate_sort) VALUES ";
  sql(orderColumns +
      "(-1, -1, '', 'Corner Shop', 11, 'rep_240304102030', 110.5, 100.25, 10.25, 'VAT 10%', 2.5, 0.25, 1.5, "
      "'SPRING', -1, 'USD', 0, '03/04/2024 10:20:30', '03/04/2024 11:00:00', 'Ground', 'Leave at door', "
      "'10.0.0.5', 0, 95.5, 'iVBORw0KGgoAAAANSUhEUg==', '1 Main St', 'Springfield', 'IL', '62701', '555-0101', "
      "'DE00 1234', '2024-03-04 10:20:30'), "
      "(-2, 42, 'C-42', 'Server Co', 11, 'rep_240305090000', 40, 40, 0, '', 0, 0, 0, '', 5, 'USD', 0, "
      "'03/05/2024 09:00:00', '03/05/2024 09:00:00', '', '', '', 0, 100, 'c2lnbmVk', '9 Service Rd', 'Capital', "
      "'CA', '90001', '555-0042', '', '2024-03-05 09:00:00'), "
      "(7, 42, 'C-42', 'Server Co', 11, 'rep_240101080000', 12, 12, 0, '', 0, 0, 0, '', -1, 'USD', 1, "
      "'01/01/2024 08:00:00', '01/01/2024 08:00:00', '', '', '', 1, 100, '', '', '', '', '', '', '', "
      "'2024-01-01 08:00:00')");
  sql("INSERT INTO marvisto_quote_order_item (order_item_id, order_id, customer_info_id, vendor_id, product_id, "
      "order_item_sku, order_item_name, product_quantity, product_item_price, product_final_price, "
      "order_item_currency, order_item_subtotal, order_status, cdate, mdate, product_attribute, discount_rat) VALUES "
      "(-1, -1, '', 11, 1001, 'SKU-1001', 'Widget', 3, 20.5, 19.25, 'USD', 57.75, 0, '03/04/2024 10:20:30', "
      "'03/04/2024 10:21:00', 'Colour: red', 93.9), "
      "(-2, -1, '', 11, 1003, 'SKU-1003', 'Gizmo', 1, 42.5, 42.5, 'USD', 42.5, 0, '03/04/2024 10:20:30', "
      "'03/04/2024 10:22:00', '', 100), "
      "(-3, -2, 'C-42', 11, 1002, '', 'Gadget', 4, 10, 10, 'USD', 40, 0, '03/05/2024 09:00:00', "
      "'03/05/2024 09:00:00', 'Size: L', 100), "
      "(1, 7, 'C-42', 11, 1001, 'SKU-1001', 'Widget', 1, 12, 12, 'USD', 12, 1, '01/01/2024 08:00:00', "
      "'01/01/2024 08:00:00', '', 100)");
}

void BackupRestoreTest::alterLocalWork() {
  sql("DELETE FROM marvisto_favorite");
  sql("INSERT INTO marvisto_compare (product_id, product_sku, product_name) VALUES (1002, 'acme_1002', 'Gadget')");
  sql("DELETE FROM marvisto_library_favorite WHERE file_id = 8");
  sql("DELETE FROM marvisto_quote_order_item WHERE order_id = -1");
  sql("DELETE FROM marvisto_quote_order WHERE order_id = -1");
  sql("UPDATE marvisto_quote_order SET order_total = 999, signature = '' WHERE order_id = -2");
  sql("INSERT INTO marvisto_quote_order (order_id, customer_id, customer_name, order_number, uploaded) VALUES "
      "(-3, -2, 'Newer Shop', 'rep_240306120000', 0)");
  sql("INSERT INTO marvisto_quote_order_item (order_item_id, order_id, product_id, product_quantity) VALUES "
      "(-4, -3, 1001, 9)");
  sql("DELETE FROM marvisto_customer_contact WHERE customer_id = -1");
  sql("UPDATE marvisto_customer_attribute SET attribute_value = 'YES' WHERE attribute_id = -1");
  sql("INSERT INTO marvisto_customer (customer_id, customer_name, customer_publish) VALUES (-2, 'Newer Shop', 1)");
}

std::map<std::string, std::vector<std::string>> BackupRestoreTest::snapshot() {
  std::map<std::string, std::vector<std::string>> out;
  for (const char* table :
       {"marvisto_favorite", "marvisto_compare", "marvisto_library_favorite", "marvisto_quote_order",
        "marvisto_quote_order_item", "marvisto_customer", "marvisto_customer_address", "marvisto_customer_attribute",
        "marvisto_customer_contact"}) {
    std::vector<std::string> rows;
    auto st = db().prepare(std::string("SELECT * FROM \"") + table + "\"");
    while (st.step() == SQLiteStatement::Step::Row) {
      std::string line;
      for (int i = 0; i < st.columnCount(); ++i) {
        line += st.columnName(i) + "=" + (st.isNull(i) ? std::string("<null>") : st.textAt(i)) + "|";
      }
      rows.push_back(line);
    }
    std::sort(rows.begin(), rows.end());
    out[table] = std::move(rows);
  }
  return out;
}

bool BackupRestoreTest::backUp(double timeout) {
  const std::size_t before = backupDelegate->outcomes();
  if (!backupManager->startBackup()) return false;
  return runUntil([&] { return backupDelegate->outcomes() > before; }, timeout);
}

bool BackupRestoreTest::restore(double timeout) {
  const std::size_t before = restoreDelegate->outcomes();
  if (!restoreManager->startToRestore()) return false;
  return runUntil([&] { return restoreDelegate->outcomes() > before; }, timeout);
}

}  // namespace mv::test
