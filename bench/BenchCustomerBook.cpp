#include "BenchCustomerBook.hpp"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "store/SQLiteDatabase.hpp"
#include "shell/config/ConfigManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SessionServices.hpp"
#include "util/Session.hpp"

namespace bench {

namespace {

// The scratch folder's parent: a store's commits wait for the disk, which
// other processes of a shared machine keep busy for varying times, so it is
// in memory (/dev/shm) unless TMPDIR says otherwise.
std::filesystem::path scratchParent() {
  if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

}  // namespace

CustomerBookWorld::CustomerBookWorld()
    : root_(scratchParent() / ("marvisto-customer-bench-" + std::to_string(::getpid()))) {
  base::RunLoop::main().adoptCurrentThread();
  base::Paths::setRoot(root_);
  mv::Session session;
  session.clientID = "acme";
  session.acountID = "rep";
  mv::Session::publish(session);
  begin();
  if (services_) directory_ = services_->get<mv::CustomerDataModel>();
}

void CustomerBookWorld::begin() {
  mv::SessionServices::Registry registry;
  mv::ConfigManager::install(registry);
  registry.add<mv::CustomerDataModel>();
  services_ = mv::SessionServices::begin(std::move(registry));
  if (services_) config_ = services_->get<mv::ConfigManager>();
}

void CustomerBookWorld::beginAgain() {
  directory_.reset();
  config_.reset();
  services_.reset();
  mv::SessionServices::end();
  // What the last session left to the workers (a book freed) is done first.
  base::RunLoop::main().runUntil([] { return false; }, 0.1);
  base::WorkQueue::global().waitIdle();
  begin();
}

bool CustomerBookWorld::storeBook(int n) {
  auto& db = mv::SQLiteDatabase::sharedDataBase();
  const std::string ids =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(n) + ") ";
  const char* fields[] = {"Phone", "Bank Account", "Active", "Address", "City", "State/Province/Region", "Zip Code"};
  bool ok = db.execute("BEGIN");
  for (int f = 0; f < 7; ++f) {
    ok = ok && db.run("INSERT OR REPLACE INTO marvisto_fields_customer_attribute (field_id, field_name, data_type, "
                      "display, published) VALUES (?, ?, 'text', 1, 1)",
                      f + 1, std::string(fields[f]));
  }
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer (customer_id, customer_name, customer_publish) "
                              "SELECT i, printf('Customer %06d Trading Co', i), 1 FROM n");
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, "
                              "attribute_fields_id, attribute_value) SELECT 10 * i + f.field_id, i, f.field_id, "
                              "printf('%s of %d', f.field_name, i) FROM n, marvisto_fields_customer_attribute f");
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer_address (id, customer_id, address, city, state, "
                              "zip_code, isDefault) SELECT i, i, printf('%d Harbour Road', i), 'Springfield', "
                              "printf('State %d', i % 50), printf('%05d', i % 99999), 1 FROM n");
  ok = ok && db.execute(ids + "INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name, "
                              "last_name, job_title, work_phone, email) SELECT 2 * i + c, i, "
                              "printf('First%d', i), printf('Last%d', c), 'Buyer', '555-0100', "
                              "printf('buyer%d@example.com', i) FROM n, (SELECT 0 AS c UNION ALL SELECT 1)");
  return db.execute(ok ? "COMMIT" : "ROLLBACK") && ok;
}

CustomerBookWorld::~CustomerBookWorld() {
  directory_.reset();
  config_.reset();
  services_.reset();
  mv::SessionServices::end();
  mv::SessionDatabase::close();
  mv::Session::clear();
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

}  // namespace bench
