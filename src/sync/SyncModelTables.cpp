// Storing the tables of the sync replies: each reply in one transaction, so
// that a failure leaves the store as it was before the reply.
#include <filesystem>
#include <map>
#include <set>

#include "platform/base/Log.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
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

bool SyncModel::saveProductTables(const SyncAllTableRst& r) {
  DataAccessManager* dam = database_.get();
  // Saving a product drops its attribute values, which the next save writes
  // again: the order matters.
  const bool ok = dam->runInTransaction([&] {
    return
      saveIfPresent(r.productTable, [&](const auto& v) { return dam->saveToDatabaseProduct(v); },
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
            return dam->saveToDatabasePxrefC(v, productIds);
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
  return stored(ok, "product");
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

  const bool ok = dam->runInTransaction([&] {
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
  });
  return stored(ok, "library");
}

bool SyncModel::saveCustomerTables(const SyncCustomerTableRst& r) {
  DataAccessManager* dam = database_.get();
  // Saving a customer drops its attributes, addresses and contacts, which the
  // later saves write again.
  const bool ok = dam->runInTransaction([&] {
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
  return stored(ok, "customer");
}

}  // namespace mv
