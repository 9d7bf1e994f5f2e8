#include "sync/RestoreManager.hpp"

#include <set>

#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "sync/BackupDocument.hpp"
#include "sync/BackupManager.hpp"
#include "sync/BlockWaitBox.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/SessionServices.hpp"
#include "sync/requests/RequestLogin.hpp"
#include "sync/requests/RequestRestore.hpp"
#include "sync/RequestSender.hpp"
#include "sync/SessionServices.hpp"
#include "sync/SyncSession.hpp"
#include "sync/UnsubmittedCustomerModel.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

bool failed(const char* what) {
  MV_LOG("restore: ", what, " failed; the local work stays as it was");
  return false;
}

// The fields named "Active": their value travels as the number 0 or 1.
std::set<int> activeFieldIds(SQLiteDatabase& db) {
  std::set<int> ids;
  SQLiteStatement st = db.prepare("SELECT field_id FROM marvisto_fields_customer_attribute WHERE field_name = ?");
  if (!st) return ids;
  st.bindAll(std::string("Active"));
  while (st.step() == SQLiteStatement::Step::Row) ids.insert(st.intAt(0));
  return ids;
}

// The SKU as it was stored: the backup sends the generated one as "".
std::string storedSku(const std::string& sku, int productId) {
  const std::string client = Session::current().clientID;
  if (!sku.empty() || client.empty()) return sku;
  return client + "_" + std::to_string(productId);
}

template <typename Row>
std::vector<Row> firstPerProduct(const std::vector<Row>& rows) {
  std::set<int> seen;
  std::vector<Row> out;
  for (const Row& row : rows) {
    if (seen.insert(row.product_id).second) out.push_back(row);
  }
  return out;
}

bool storeCustomers(DataAccessManager& dam, SQLiteDatabase& db, const RestoreRst& b) {
  std::vector<marvisto_customer_Entity> customers;
  for (const auto& c : *b.customerArray) {
    // Customers that came from the service are the sync's to write.
    if (c.customer_id < 0) {
      customers.push_back(c);
    } else {
      logSkippedRow("customer", "not a customer made on the device");
    }
  }
  if (!dam.saveToDatabaseCustomer(customers)) return failed("storing the customers");
  for (const auto& c : customers) {
    if (c.hidden != 0 && !dam.updateCustomerTableHiddenWithCustomerId(c.customer_id, c.hidden)) {
      return failed("storing a customer's hidden mark");
    }
    if (c.important != 0 && !dam.updateCustomerTableImportantWithCustomerId(c.customer_id, c.important)) {
      return failed("storing a customer's importance");
    }
    if (c.has_note != 0 && !dam.updateCustomerTableHasNoteWithCustomerId(c.customer_id, c.has_note)) {
      return failed("storing a customer's note mark");
    }
    if (c.note && !dam.updateCustomerTableNoteWithCustomerId(c.customer_id, *c.note)) {
      return failed("storing a customer's note");
    }
  }

  if (b.customerAttributeArray) {
    const std::set<int> active = activeFieldIds(db);
    std::vector<marvisto_customer_attribute_Entity> rows;
    for (auto a : *b.customerAttributeArray) {
      if (a.customer_id >= 0 || a.attribute_id >= 0) continue;
      if (active.count(a.attribute_fields_id)) {
        if (auto number = exactNumber(base::Value(a.attribute_value))) a.attribute_value = *number == 0 ? "NO" : "YES";
      }
      rows.push_back(std::move(a));
    }
    if (!dam.saveToDatabaseCustomerAttribute(rows)) return failed("storing the customer attributes");
  }
  if (b.customerAddressArray) {
    std::vector<marvisto_customer_address_Entity> rows;
    for (const auto& a : *b.customerAddressArray) {
      if (a.customerId < 0 && a.indexId < 0) rows.push_back(a);
    }
    if (!dam.saveToDatabaseCustomerAddress(rows)) return failed("storing the customer addresses");
  }
  if (b.customerContactArray) {
    std::vector<marvisto_customer_contact_entity> rows;
    for (const auto& c : *b.customerContactArray) {
      if (c.customerID < 0 && c.contactID < 0) rows.push_back(c);
    }
    if (!dam.saveToDatabaseCustomerContact(rows)) return failed("storing the customer contacts");
  }
  return true;
}

// Orders are written under the representative's vendor id: a backup whose
// orders name another one is someone else's work, and would be submitted as
// this representative's.
bool ownBackup(const RestoreRst& backup) {
  if (!backup.orderArray) return true;
  const std::int64_t vendor = Session::current().vendorId;
  for (const base::Value& order : *backup.orderArray) {
    if (member(order, "vendor_id") && int64Of(order, "vendor_id") != vendor) {
      MV_LOG("restore: an order names vendor ", textOf(order, "vendor_id"), ", not ", vendor, "; refused");
      return false;
    }
  }
  return true;
}

// Orders with numbers the editor could have made, each naming its local
// customer, when it does, by an id.
bool soundOrders(const RestoreRst& backup) {
  if (!backup.orderArray) return true;
  for (const base::Value& order : *backup.orderArray) {
    if (!DataAccessManager::isPlausibleBackupOrder(order)) {
      MV_LOG("restore: order ", textOf(order, "order_number"), " holds a number the editor refuses");
      return false;
    }
    if (member(order, BackupDocument::kLocalCustomerIdKey) && !idOf(order, BackupDocument::kLocalCustomerIdKey)) {
      MV_LOG("restore: order ", textOf(order, "order_number"), " names its customer by no id");
      return false;
    }
  }
  return true;
}

}  // namespace

void RestoreManager::sessionEnded() {
  MV_ASSERT_MAIN_THREAD();
  run_.cancelAll();
  closeWaitBox();
  isRestoring_ = false;
  delegate_.reset();
}

bool RestoreManager::startToRestore() {
  MV_ASSERT_MAIN_THREAD();
  if (!run_.empty()) {
    MV_LOG("a restore is already under way");
    return false;
  }
  isRestoring_ = true;
  auto session = SyncSession::current();
  if (session && session->loginType() == LoginType::Online) {
    requestToRestore();
  } else {
    sendSilentLogin();
  }
  return true;
}

void RestoreManager::sendSilentLogin() {
  if (SessionServices::currentSender()->sendFor<LoginRst>(
          std::make_shared<RequestLogin>(), run_, [this](const LoginRst& result) { loginReplied(result); },
          [this](const NetBaseRst&) { stopQuietly(); }) < 0) {
    fail(text("FAILED"));
  }
}

void RestoreManager::requestToRestore() {
  isRestoring_ = true;
  auto request = std::make_shared<RequestRestore>();
  request->lastBackupDate = BackupManager::storedLastBackupDate();
  if (SessionServices::currentSender()->sendFor<RestoreRst>(
          request, run_, [this](const RestoreRst& result) { restoreFinishWithRst(result); },
          [this](const NetBaseRst&) { stopQuietly(); }) < 0) {
    fail(text("FAILED"));
    return;
  }
  closeWaitBox();
  if (auto box = BlockWaitBox::installed()) {
    waitBoxTag_ = box->BeginBlockWait(text("RESTORING"), kWaitTimeout);
  }
}

void RestoreManager::closeWaitBox() {
  if (waitBoxTag_ == 0) return;
  const int tag = waitBoxTag_;
  waitBoxTag_ = 0;
  if (auto box = BlockWaitBox::installed()) box->EndBlockWait(tag);
}

void RestoreManager::cancelRestore() {
  MV_ASSERT_MAIN_THREAD();
  closeWaitBox();
  run_.cancelAll();
  isRestoring_ = false;
  if (auto d = delegate()) d->didStopRestore(*this);
}

void RestoreManager::stopQuietly() {
  run_.cancelAll();
  closeWaitBox();
  isRestoring_ = false;
  if (auto d = delegate()) d->didStopRestore(*this);
}

void RestoreManager::fail(const std::string& message) {
  run_.cancelAll();
  closeWaitBox();
  isRestoring_ = false;
  if (auto d = delegate()) d->didFailedRestoreWithMessage(*this, message);
}

// Only the reply to the request on its way arrives: the tracker cancelled
// any other.
bool RestoreManager::endedBySession(const NetBaseRst& result) {
  if (!isLockedStatus(result.status) && !isSessionExpiredStatus(result.status)) return false;
  stopQuietly();
  return true;
}

void RestoreManager::loginReplied(const LoginRst& result) {
  MV_ASSERT_MAIN_THREAD();
  if (endedBySession(result)) return;
  if (SyncSession::takeSilentLoginReply(result)) {
    requestToRestore();
  } else {
    fail(result.message);
  }
}

void RestoreManager::restoreFinishWithRst(const RestoreRst& backup) {
  MV_ASSERT_MAIN_THREAD();
  if (endedBySession(backup)) return;
  isRestoring_ = false;
  closeWaitBox();
  if (backup.damaged) {
    fail(text("RESTOREDAMAGED"));
    return;
  }
  if (!backup.isSuccess()) {
    fail(backup.message);
    return;
  }
  if (!ownBackup(backup)) {
    fail(text("RESTOREOTHERVENDOR"));
    return;
  }
  // Taken whole or not at all: one row that cannot be what the user made
  // stops the restore before anything is cleared.
  if (!soundOrders(backup)) {
    fail(text("RESTOREDAMAGED"));
    return;
  }
  if (!restoreLocalWork(backup)) {
    fail(text("FAILED"));
    return;
  }
  std::vector<marvisto_library_files_Entity> files;
  if (backup.downloadLibFileArray) {
    auto services = SessionServices::current();
    DataAccessManager* dam = services ? &services->database() : nullptr;
    for (auto file : *backup.downloadLibFileArray) {
      // The names are fetched again later: only plain file names pass.
      if (!PublicFunction::isSafeFileName(file.file_name)) {
        logSkippedRow("download_library_file", "not a plain file name");
        continue;
      }
      if (dam) file.type = dam->getFileTypeByFileName(file.file_name).value_or(std::string());
      files.push_back(std::move(file));
    }
  }
  if (auto d = delegate()) d->didSuccessRestoreWithMessage(*this, backup.message, files);
}

bool RestoreManager::restoreLocalWork(const RestoreRst& b) {
  auto services = SessionServices::current();
  if (!services) return failed("reaching the session's database");
  DataAccessManager* dam = &services->database();
  SQLiteDatabase& db = SQLiteDatabase::sharedDataBase();
  auto customers = UnsubmittedCustomerModel::current();

  // Clearing and storing are one transaction: a store that fails takes the
  // clearing back with it.
  bool stored = false;
  const bool committed = dam->runInTransaction([&] {
    if (b.compareProductArray && !dam->deleteAllCompare()) return failed("clearing the compare list");
    if (b.favProductArray && !dam->deleteAllFavorites()) return failed("clearing the favourites");
    if (b.favLibFileArray && !dam->clearAllLibraryFavorites()) return failed("clearing the library favourites");
    if (b.orderArray && !dam->removeAllLoaclOrders()) return failed("clearing the local orders");
    if (b.customerArray && !customers->deleteAllUnsubmittedCustomer()) return failed("clearing the local customers");

    if (b.compareProductArray) {
      for (const auto& c : firstPerProduct(*b.compareProductArray)) {
        if (!dam->saveToDatabaseCompare(c.product_id, storedSku(c.product_sku, c.product_id), c.product_name)) {
          return failed("storing the compare list");
        }
      }
    }
    if (b.favProductArray) {
      for (const auto& f : firstPerProduct(*b.favProductArray)) {
        if (!dam->saveToDatabaseFavorite(f.product_id, storedSku(f.product_sku, f.product_id), f.product_name)) {
          return failed("storing the favourites");
        }
      }
    }
    if (b.favLibFileArray) {
      for (const auto& f : *b.favLibFileArray) {
        if (!dam->saveToDatabaseLibraryFavorite(f.file_id, f.file_name))
          return failed("storing the library favourites");
      }
    }
    if (b.orderArray) {
      for (const base::Value& element : *b.orderArray) {
        base::Value order = element;
        // An order made for a customer made on the device names it again.
        if (auto local = idOf(order, BackupDocument::kLocalCustomerIdKey); local && *local < 0) {
          order["customer_id"] = *local;
        }
        if (!dam->restoreUnsubmittedOrderFromDic(order)) return failed("storing an order");
      }
    }
    if (b.customerArray && !storeCustomers(*dam, db, b)) return false;
    // The restored customers may have been uploaded since the backup, and
    // new ones made after it may take their local ids again: which of the
    // service's customers this device uploaded cannot be told.
    if (b.customerArray && !dam->noteStoredCustomersUploaded()) return failed("noting the uploaded customers");
    stored = true;
    return true;
  });
  if (!committed && stored) return failed("committing");
  return committed;
}

}  // namespace mv
