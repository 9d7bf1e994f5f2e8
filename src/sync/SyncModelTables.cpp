// Storing the tables of the sync replies: each reply in one transaction, so
// that a failure leaves the store as it was before the reply. The product and
// customer replies, which grow with the company, are stored on a worker.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/FolderWriters.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/WorkerDatabase.hpp"
#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestSyncAllTable.hpp"
#include "sync/requests/RequestSyncCustomerTable.hpp"
#include "sync/requests/RequestSyncFileTable.hpp"
#include "sync/SyncModel.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

// Runs one save of a table the reply carried; a table it did not carry is
// left alone.
template <typename Rows, typename Save>
bool saveIfPresent(const std::optional<Rows>& rows, Save save, const char* failureLine) {
  if (!rows) return true;
  if (save(*rows)) return true;
  MV_LOG(failureLine);
  return false;
}

// Each step logs its own failure; this names the tables that stayed as they were.
bool stored(bool ok, const char* what) {
  if (!ok) MV_LOG("the ", what, " tables were left as they were: ", SQLiteDatabase::sharedDataBase().lastError());
  return ok;
}

bool fileExists(const std::optional<fs::path>& path) {
  std::error_code ec;
  return path && fs::is_regular_file(*path, ec);
}

}  // namespace

bool SyncModel::saveProductRows(DataAccessManager& store, const SyncAllTableRst& r, bool dropOldAttributes,
                                bool dropOldLinks) {
  DataAccessManager* dam = &store;
  // Saving a product drops its attribute values, which the next save writes
  // again: the order matters.
  return dam->runInTransaction([&] {
    return
      saveIfPresent(r.productTable, [&](const auto& v) { return dam->saveToDatabaseProduct(v, dropOldAttributes); },
                    "Error on product sync!") &&
      saveIfPresent(r.productAttributeTable, [&](const auto& v) { return dam->saveToDatabaseProductAttribute(v); },
                    "Error on ProductAttribute sync!") &&
      saveIfPresent(r.fieldsAttributeTable, [&](const auto& v) { return dam->saveToDatabaseFieldsProductAttribute(v); },
                    "Error on fieldsProductAttribute sync!") &&
      saveIfPresent(
          r.productCategoryXrefTable,
          [&](const auto& v) {
            // Every product of the reply loses its old links, also one whose
            // list is now empty.
            std::vector<int> productIds;
            if (r.productTable) {
              for (const auto& p : *r.productTable) productIds.push_back(p.product_id);
            }
            return dam->saveToDatabasePxrefC(v, productIds, dropOldLinks);
          },
          "Error on productAndcategoryTable sync!") &&
      saveIfPresent(r.productPriceTable, [&](const auto& v) { return dam->saveToDatabasePrice(v); },
                    "Error on Price sync!") &&
      saveIfPresent(r.productRelatedTable, [&](const auto& v) { return dam->saveToDatabaseProductrelated(v); },
                    "Error on productrelated sync!") &&
      saveIfPresent(r.imagesTable, [&](const auto& v) { return dam->saveToDatabaseImage(v); },
                    "Error on imageTable sync!") &&
      saveIfPresent(r.categoryTable, [&](const auto& v) { return dam->saveToDatabaseCategory(v); },
                    "Error on category sync!") &&
      saveIfPresent(r.productRelatedFilesTable, [&](const auto& v) { return dam->saveToDatabaseProductRelatedFile(v); },
                    "Error on productRelatedFilesTable sync!") &&
      saveIfPresent(r.productTagTable, [&](const auto& v) { return dam->saveToDatabaseProductTag(v); },
                    "Error on productTagTable sync!") &&
      saveIfPresent(r.productRelateTagTable, [&](const auto& v) { return dam->saveToDatabaseProductRelatedTag(v); },
                    "Error on productRelateTagTable sync!");
  });
}

namespace {

// One transaction for the whole reply, on a connection of its own: the
// reply is read and stored on the network model's decoding worker (a reply
// read whole is stored where the engine settles it), so the main loop goes
// on while a company of a hundred thousand products or customers is stored.
// Nothing here touches the engine: what the store learns waits in it until
// the engine settles the reply on the main thread.
class ReplyTransaction {
 public:
  // `began` is told, on the store's thread, when the store begins.
  // `moved` counts the batches stored.
  ReplyTransaction(fs::path database, std::function<void()> began, std::shared_ptr<std::atomic<std::uint64_t>> moved)
      : database_(std::move(database)), began_(std::move(began)), moved_(std::move(moved)) {}

  // The batch under way is the last: nothing of the reply is kept.
  void stop() { stop_.cancel(); }

  // Runs `read(store)` in the transaction; true when what it stored is kept.
  bool run(const std::function<bool(DataAccessManager&)>& read) {
    if (stop_.isCancelled()) return false;
    // It writes into the client's folder: deleting the folder stops it.
    auto pass = base::FolderWriters::shared().enter(database_, stop_);
    if (!pass) return false;
    auto worker = WorkerDatabase::open(database_);
    if (!worker) return false;
    if (began_) began_();
    DataAccessManager& dam = worker->store();
    // The user's writes meanwhile do not wait for it (SessionDatabase::UserWrite).
    const bool kept = worker->runInLongTransaction([&] {
      dam_ = &dam;
      const bool whole = read(dam);
      dam_ = nullptr;
      return whole && !stop_.isCancelled();
    });
    dam_ = nullptr;
    // The connection is the store's own: whatever it found of the disk is the run's.
    if (dam.diskFulls() > 0) diskFull_ = true;
    return kept;
  }

  // A write of the store found the disk full. Read once the store is done.
  bool foundDiskFull() const { return diskFull_; }

  // The facade of the store's connection while `read` runs and the store
  // was not stopped; null otherwise.
  DataAccessManager* reading() const { return stop_.isCancelled() ? nullptr : dam_; }

  // Tells a batch stored, with its outcome.
  bool stored(bool ok) {
    if (ok && moved_) ++*moved_;
    return ok;
  }

 private:
  fs::path database_;
  std::function<void()> began_;
  std::shared_ptr<std::atomic<std::uint64_t>> moved_;
  base::CancelFlag stop_;
  DataAccessManager* dam_ = nullptr;
  std::atomic<bool> diskFull_ = false;
};

}  // namespace

class SyncModel::ProductStore : public SyncAllTableStore {
 public:
  // `keepStored`: after a run that did not finish, the pictures the stored
  // rows name are kept, read before the reply's first batch. `keepListed`: a
  // full reply lists every picture of the company, and those already on
  // disk are whole (a download is moved into place only once all of it
  // arrived), so the pictures of its published rows stay: a first sync cut
  // short resumes rather than fetching them again. Else the pictures of its
  // rows are changed ones, less the kept.
  ProductStore(std::filesystem::path database, bool keepStored, bool keepListed, std::function<void()> began,
               std::shared_ptr<std::atomic<std::uint64_t>> moved)
      : transaction_(std::move(database), std::move(began), std::move(moved)),
        keepStored_(keepStored),
        keepListed_(keepListed) {}

  void stop() { transaction_.stop(); }
  bool foundDiskFull() const { return transaction_.foundDiskFull(); }

  bool whileReading(const std::function<bool()>& read) override {
    changed_.clear();
    shownNames_.clear();
    kept_.clear();
    const bool kept = transaction_.run([&](DataAccessManager& dam) {
      // Read before the first batch: the later batches must not drop what
      // the earlier ones wrote.
      if (keepStored_) kept_ = SyncModel::publishedPictureNames(dam);
      hadAttributes_ = dam.hasProductAttributes();
      hadLinks_ = dam.hasCategoryLinks();
      return read();
    });
    // Settled here: the sets hold a name per picture of the company, and
    // ending them takes the main thread tens of milliseconds.
    if (kept) {
      std::erase_if(changed_, [&](const std::string& name) { return shownNames_.count(name) > 0; });
    } else {
      changed_.clear();
    }
    std::set<std::string>().swap(shownNames_);
    std::set<std::string>().swap(kept_);
    return kept;
  }

  bool store(const SyncAllTableRst& rows) override {
    DataAccessManager* dam = transaction_.reading();
    if (!dam) return false;
    if (rows.imagesTable) {
      for (const auto& image : *rows.imagesTable) {
        const bool shown = keepListed_ && image.image_publis == 1;
        for (const std::string* name : {&image.image_thumb_address, &image.image_full_address}) {
          if (shown) {
            shownNames_.insert(*name);
          } else if (!kept_.count(*name)) {
            changed_.push_back(*name);
          }
        }
      }
    }
    return transaction_.stored(SyncModel::saveProductRows(*dam, rows, hadAttributes_, hadLinks_));
  }

  // The picture and thumbnail names of the stored image rows, less the kept
  // (and, of a full reply, less those a published row names).
  std::vector<std::string> takeChanged() { return std::exchange(changed_, {}); }

 private:
  ReplyTransaction transaction_;
  bool keepStored_ = false;
  bool keepListed_ = false;
  std::set<std::string> kept_;
  std::vector<std::string> changed_;
  std::set<std::string> shownNames_;
  bool hadAttributes_ = true;
  bool hadLinks_ = true;
};

// The customer reply's rows, stored as they are read.
class SyncModel::CustomerStore : public SyncCustomerTableStore {
 public:
  CustomerStore(std::filesystem::path database, std::function<void()> began,
                std::shared_ptr<std::atomic<std::uint64_t>> moved)
      : transaction_(std::move(database), std::move(began), std::move(moved)) {}

  void stop() { transaction_.stop(); }
  bool foundDiskFull() const { return transaction_.foundDiskFull(); }

  bool whileReading(const std::function<bool()>& read) override {
    counted_ = 0;
    return transaction_.run([&](DataAccessManager&) { return read(); });
  }

  bool store(const SyncCustomerTableRst& rows) override {
    DataAccessManager* dam = transaction_.reading();
    if (!dam) return false;
    counted_ += rows.resultCount();
    return transaction_.stored(SyncModel::saveCustomerRows(*dam, rows));
  }

  // What SyncCustomerTableRst::resultCount counts of the rows stored.
  std::size_t counted() const { return counted_; }

 private:
  ReplyTransaction transaction_;
  std::size_t counted_ = 0;
};

std::function<void()> SyncModel::storeBeganReporter() {
  // The main loop hears when a store begins, while the run lasts.
  auto began = run_.guard([this] { storingTables_ = true; });
  return [began] { base::RunLoop::main().post(began); };
}

std::shared_ptr<SyncAllTableStore> SyncModel::makeProductStore() {
  productStore_ = std::make_shared<ProductStore>(database_->databasePath(), retryKeepsFiles(), productFull_,
                                                 storeBeganReporter(), moved_);
  return productStore_;
}

std::shared_ptr<SyncCustomerTableStore> SyncModel::makeCustomerStore() {
  customerStore_ = std::make_shared<CustomerStore>(database_->databasePath(), storeBeganReporter(), moved_);
  return customerStore_;
}

void SyncModel::dropTableStores() {
  if (productStore_) productStore_->stop();
  productStore_.reset();
  if (customerStore_) customerStore_->stop();
  customerStore_.reset();
  storingTables_ = false;
}

bool SyncModel::storeProductReply(const SyncAllTableRst& reply, std::vector<std::string>& changedPictures) {
  auto store = std::exchange(productStore_, nullptr);
  storingTables_ = false;
  if (reply.storedWhileRead) {
    if (store && store->foundDiskFull()) diskFull_ = true;
    if (reply.storeFailed || !store) return stored(false, "product");
    changedPictures = store->takeChanged();
    return true;
  }
  // A reply read whole (no store was given): stored as one batch.
  if (!store) {
    store = std::make_shared<ProductStore>(database_->databasePath(), reply.imagesTable && retryKeepsFiles(),
                                           productFull_, nullptr, moved_);
  }
  const bool kept = store->whileReading([&] { return store->store(reply); });
  if (store->foundDiskFull()) diskFull_ = true;
  if (!kept) return stored(false, "product");
  changedPictures = store->takeChanged();
  return true;
}

bool SyncModel::saveLibraryTables(const SyncFileTableRst& r) {
  DataAccessManager* dam = database_.get();
  // The published files before the reply, and those of them whose document
  // is on the device.
  const std::vector<marvisto_library_files_Entity> localFiles = dam->getAllLibFiles();
  std::map<int, marvisto_library_files_Entity> local;
  std::map<int, marvisto_library_files_Entity> downloaded;
  for (const auto& f : localFiles) {
    local[f.file_id] = f;
    if (fileExists(PublicFunction::filePathWithName(f.file_name, PublicFunction::getFileType(f.type)))) {
      downloaded[f.file_id] = f;
    }
  }
  const bool full = r.isFull != "false";

  const auto write = [&] {
    std::optional<std::vector<marvisto_library_files_Entity>> files = r.libFileTable;
    if (files && !(full && localFiles.empty())) {
      bool anyNew = false;
      for (auto& f : *files) {
        if (!local.count(f.file_id)) {
          f.isNew = 1;
          anyNew = true;
        }
      }
      if (anyNew) {
        if (!dam->updateOldNewFlags()) {
          MV_LOG("the new-file marks could not be cleared");
          return false;
        }
      } else {
        for (auto& f : *files) f.isNew = local[f.file_id].isNew;
      }
    }
    if (!saveIfPresent(
            files, [&](const auto& v) { return dam->saveToDatabaseLibraryFiles(v); }, "Error on Files sync!") ||
        !saveIfPresent(
            r.libCategoryTable, [&](const auto& v) { return dam->saveToDatabaseLibraryCategory(v); },
            "Error on libraryCategory sync!")) {
      return false;
    }
    // A downloaded document the service renamed stays readable under its old
    // name until the user fetches the new one.
    if (r.libFileUpdateTable && !full) {
      for (const std::string& text : *r.libFileUpdateTable) {
        auto id = idValue(base::Value(text));
        if (!id) continue;
        auto old = downloaded.find(*id);
        if (old == downloaded.end()) continue;
        auto saved = dam->getFilesByFileId(*id);
        if (!saved || saved->file_name == old->second.file_name) continue;
        marvisto_library_files_update_Entity update;
        update.fileID = *id;
        update.oldFileName = old->second.file_name;
        update.oldFileType = old->second.type;
        if (!dam->saveToDatabaseLibraryUpdate(update)) {
          MV_LOG("Failed to save to marvisto_update!");
          return false;
        }
        saved->isNew = 0;
        if (!dam->saveLibraryFileToDatabase(*saved)) {
          MV_LOG("Failed to save to marvisto_library_files");
          return false;
        }
      }
    }
    return true;
  };
  const bool ok = noteDiskFull(*dam, [&] { return dam->runInTransaction(write); });
  return stored(ok, "library");
}

bool SyncModel::saveCustomerRows(DataAccessManager& store, const SyncCustomerTableRst& r) {
  DataAccessManager* dam = &store;
  // Saving a customer drops its attributes, addresses and contacts, which the
  // later saves write again: the order matters.
  return dam->runInTransaction([&] {
    return
      saveIfPresent(r.customerTable, [&](const auto& v) { return dam->saveToDatabaseCustomer(v); },
                    "Error on Customer sync!") &&
      saveIfPresent(r.customerAttributeTable, [&](const auto& v) { return dam->saveToDatabaseCustomerAttribute(v); },
                    "Error on CustomerAttribute sync!") &&
      saveIfPresent(r.fieldsAttributeTable, [&](const auto& v) { return dam->saveToDatabaseFieldsCustomerAttribute(v); },
                    "Error on fieldsCustomerAttribute sync!") &&
      saveIfPresent(r.customerAddressTable, [&](const auto& v) { return dam->saveToDatabaseCustomerAddress(v); },
                    "Error on customerAddressTable sync!") &&
      saveIfPresent(r.customerContactTable, [&](const auto& v) { return dam->saveToDatabaseCustomerContact(v); },
                    "Error on saveToDatabaseCustomerContact sync!");
  });
}

bool SyncModel::storeCustomerReply(const SyncCustomerTableRst& reply, std::size_t& counted) {
  auto store = std::exchange(customerStore_, nullptr);
  storingTables_ = false;
  if (reply.storedWhileRead) {
    if (store && store->foundDiskFull()) diskFull_ = true;
    if (reply.storeFailed || !store) return stored(false, "customer");
    counted = store->counted();
    return true;
  }
  // A reply read whole (no store was given): stored here.
  counted = reply.resultCount();
  return stored(noteDiskFull(*database_, [&] { return saveCustomerRows(*database_, reply); }), "customer");
}

}  // namespace mv
