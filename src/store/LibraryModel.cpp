#include "store/LibraryModel.hpp"

#include "store/RowReaders.hpp"
#include "store/Schema.hpp"
#include "util/Text.hpp"

namespace mv {

namespace {
const char* const kPutFile =
    "INSERT OR REPLACE INTO marvisto_library_files (file_id, title, file_name, category, type, date, description, "
    "ordering, published, cover_image, info, isNew) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

// The only ORDER BY texts that ever reach SQL.
const char* orderSql(LibraryFileOrder order) {
  switch (order) {
    case LibraryFileOrder::DateDesc:
      return "date DESC";
    case LibraryFileOrder::TypeDesc:
      return "type DESC";
    case LibraryFileOrder::Ordering:
      return "ordering";
    case LibraryFileOrder::Title:
      break;
  }
  return "LOWER(title)";
}
}  // namespace

bool LibraryModel::updateVersion() { return Schema::upgradeGroup(db(), "library"); }

LibraryFileOrder LibraryModel::orderFromClause(const std::string& clause) {
  std::string c = lowercase(trimWhitespaceAndNewlines(clause));
  if (c == "date desc") return LibraryFileOrder::DateDesc;
  if (c == "type desc") return LibraryFileOrder::TypeDesc;
  if (c == "ordering") return LibraryFileOrder::Ordering;
  return LibraryFileOrder::Title;
}

bool LibraryModel::saveToDatabaseLibraryFiles(const std::vector<marvisto_library_files_Entity>& list) {
  return saveRows(kPutFile, list, [](SQLiteStatement& st, const auto& f) {
    st.bindAll(f.file_id, f.title, f.file_name, f.category, f.type, f.date, f.description, f.ordering, f.published,
               f.cover_image, f.info, f.isNew);
  });
}

bool LibraryModel::saveLibraryFileToDatabase(const marvisto_library_files_Entity& file) {
  return saveToDatabaseLibraryFiles({file});
}

bool LibraryModel::saveToDatabaseLibraryCategory(const std::vector<marvisto_library_category_Entity>& list) {
  return saveRows(
      "INSERT OR REPLACE INTO marvisto_library_category (category_id, name, ordering, published, parent_id) "
      "VALUES (?, ?, ?, ?, ?)",
      list, [](SQLiteStatement& st, const auto& c) {
        st.bindAll(c.categoryID, c.name, c.ordering, c.published, c.parent_id);
      });
}

bool LibraryModel::updateOldNewFlags() { return exec("UPDATE marvisto_library_files SET isNew = 0"); }

// The library's lists, categories and counts are only shown: a failed read
// shows as none. `where` and `orderBy` are fixed texts of this file; values
// are bound.
template <typename... Args>
std::vector<marvisto_library_files_Entity> LibraryModel::files(const std::string& where, const std::string& orderBy,
                                                               const Args&... args) {
  std::string sql = "SELECT * FROM marvisto_library_files WHERE published = 1";
  if (!where.empty()) sql += " AND " + where;
  if (!orderBy.empty()) sql += " ORDER BY " + orderBy;
  return shownAsEmpty(readRows(sql, rows::libraryFile, args...));
}

std::vector<marvisto_library_files_Entity> LibraryModel::getAllLibFiles() { return files("", "LOWER(title)"); }

std::optional<std::int64_t> LibraryModel::countLibFiles() {
  return countOf("SELECT COUNT(*) FROM marvisto_library_files WHERE published = 1");
}

std::vector<marvisto_library_files_Entity> LibraryModel::getAllLibFilesOrderByDate() {
  return files("", "date DESC, LOWER(title)");
}

std::vector<marvisto_library_files_Entity> LibraryModel::getAllLibFilesOrderByType() {
  return files("", "type DESC, LOWER(title)");
}

std::vector<marvisto_library_files_Entity> LibraryModel::getAllLibFilesOrderByCMS() { return files("", "ordering"); }

std::vector<marvisto_library_files_Entity> LibraryModel::getLibFilesBysearchName(const std::string& text,
                                                                                 LibraryFileOrder order) {
  return files("title LIKE ? ESCAPE '\\'", orderSql(order), likeContains(text));
}

std::vector<marvisto_library_files_Entity> LibraryModel::getLibFilesBysearchName(const std::string& text,
                                                                                 const std::string& orderClause) {
  return getLibFilesBysearchName(text, orderFromClause(orderClause));
}

std::vector<marvisto_library_files_Entity> LibraryModel::getLibFilesBycatalogId(int categoryId) {
  return files("category = ?", "LOWER(title)", categoryId);
}

std::vector<marvisto_library_files_Entity> LibraryModel::getLibraryFilesByCategory_id(int categoryId) {
  if (categoryId == 0) return files("category = 0", "title");
  return files(
      "category = ?1 AND EXISTS (SELECT 1 FROM marvisto_library_category c WHERE c.category_id = ?1 AND "
      "c.published = 1)",
      "title", categoryId);
}

std::optional<marvisto_library_files_Entity> LibraryModel::getFilesByFileId(int fileId) {
  auto found = files("file_id = ?", "", fileId);
  if (found.empty()) return std::nullopt;
  return found.front();
}

// The file's name, cover, title or type; a failed read finds no file.
std::optional<std::string> LibraryModel::getFileNameById(int fileId) {
  return scalarText("SELECT file_name FROM marvisto_library_files WHERE file_id = ? AND published = 1", fileId)
      .value_or(std::nullopt);
}

std::optional<std::string> LibraryModel::getCoverImageByFileName(const std::string& fileName) {
  return scalarText(
             "SELECT cover_image FROM marvisto_library_files WHERE file_name = ? AND published = 1 "
             "ORDER BY rowid LIMIT 1",
             fileName)
      .value_or(std::nullopt);
}

std::optional<std::string> LibraryModel::getTitleByFileName(const std::string& fileName) {
  return scalarText(
             "SELECT title FROM marvisto_library_files WHERE file_name = ? AND published = 1 ORDER BY rowid LIMIT 1",
             fileName)
      .value_or(std::nullopt);
}

std::optional<std::string> LibraryModel::getFileTypeByFileName(const std::string& fileName) {
  return scalarText(
             "SELECT type FROM marvisto_library_files WHERE file_name = ? AND published = 1 "
             "ORDER BY rowid DESC LIMIT 1",
             fileName)
      .value_or(std::nullopt);
}

std::optional<std::vector<std::string>> LibraryModel::getAllFilesImg() {
  return readRows(
      "SELECT DISTINCT cover_image FROM marvisto_library_files WHERE published = 1 AND cover_image IS NOT NULL",
      [](const SQLiteStatement& r) { return r.textAt(0); });
}

std::vector<marvisto_lib_category_cell_entity> LibraryModel::getCategoryFilesCount() {
  return shownAsEmpty(
      readRows("SELECT category, COUNT(*) FROM marvisto_library_files WHERE published = 1 GROUP BY category",
               [](const SQLiteStatement& r) {
                 marvisto_lib_category_cell_entity c;
                 c.category_id = r.intAt(0);
                 c.files_count = r.intAt(1);
                 return c;
               }));
}

std::vector<marvisto_library_category_Entity> LibraryModel::categories(const std::string& sql, int arg) {
  return shownAsEmpty(readRows(sql, rows::libraryCategory, arg));
}

std::vector<marvisto_library_category_Entity> LibraryModel::getLibraryCategorys() {
  return shownAsEmpty(readRows(
      "SELECT * FROM marvisto_library_category WHERE published = 1 ORDER BY ordering, LOWER(name)",
      rows::libraryCategory));
}

std::vector<marvisto_library_category_Entity> LibraryModel::getLibSubCategoriesByParentCategoryID(int parentId) {
  return categories(
      "SELECT * FROM marvisto_library_category WHERE published = 1 AND parent_id = ? ORDER BY ordering, LOWER(name)",
      parentId);
}

std::optional<marvisto_library_category_Entity> LibraryModel::getLibraryCategoryByCategoryid(int categoryId) {
  auto found =
      categories("SELECT * FROM marvisto_library_category WHERE published = 1 AND category_id = ?", categoryId);
  if (found.empty()) return std::nullopt;
  return found.front();
}

int LibraryModel::getLibParentCategoryIDByCategoryID(int categoryId) {
  // A failed read goes back to the top level.
  return static_cast<int>(scalarInt("SELECT parent_id FROM marvisto_library_category WHERE category_id = ?",
                                    categoryId)
                              .value_or(std::nullopt)
                              .value_or(0));
}

bool LibraryModel::saveToDatabaseLibraryUpdate(const marvisto_library_files_update_Entity& u) {
  return exec("INSERT OR REPLACE INTO marvisto_update (fileId, old_file_name, old_file_type) VALUES (?, ?, ?)",
              u.fileID, u.oldFileName, u.oldFileType);
}

std::optional<marvisto_library_files_update_Entity> LibraryModel::getLibFileUpdateByFileID(int fileId) {
  // A failed read finds no renamed copy: the file opens under its new name.
  return readFirst(
             "SELECT fileId, old_file_name, old_file_type FROM marvisto_update WHERE fileId = ?",
             [](const SQLiteStatement& r) {
               marvisto_library_files_update_Entity u;
               u.fileID = r.intAt(0);
               u.oldFileName = r.textAt(1);
               u.oldFileType = r.textAt(2);
               return u;
             },
             fileId)
      .value_or(std::nullopt);
}

std::vector<int> LibraryModel::getAllLibFileUpdateIDs() {
  return shownAsEmpty(readRows("SELECT fileId FROM marvisto_update ORDER BY rowid",
                               [](const SQLiteStatement& r) { return r.intAt(0); }));
}

bool LibraryModel::deleteFileUpdateWithFileID(int fileId) {
  return exec("DELETE FROM marvisto_update WHERE fileId = ?", fileId);
}

bool LibraryModel::saveToDatabaseLibraryFavorite(int fileId, const std::string& fileName) {
  const Schema::Table* t = Schema::table("marvisto_library_favorite");
  if (!t || !db().execute(t->createSql(t->name))) return false;
  return exec("INSERT OR REPLACE INTO marvisto_library_favorite (file_id, file_name) VALUES (?, ?)", fileId,
              fileName);
}

std::optional<marvisto_library_favorite_Entity> LibraryModel::getLibraryFavoriteByFavoriteId(int fileId) {
  // A failed read shows the file as not a favourite.
  if (!db().tableExists("marvisto_library_favorite")) return std::nullopt;
  return readFirst(
             "SELECT file_id, file_name FROM marvisto_library_favorite WHERE file_id = ?",
             [](const SQLiteStatement& r) {
               marvisto_library_favorite_Entity f;
               f.file_id = r.intAt(0);
               f.file_name = r.textAt(1);
               return f;
             },
             fileId)
      .value_or(std::nullopt);
}

bool LibraryModel::deleteLibraryFavoriteByFavoriteId(int fileId) {
  if (!db().tableExists("marvisto_library_favorite")) return true;
  return exec("DELETE FROM marvisto_library_favorite WHERE file_id = ?", fileId);
}

bool LibraryModel::clearAllLibraryFavorites() {
  if (!db().tableExists("marvisto_library_favorite")) return true;
  return exec("DELETE FROM marvisto_library_favorite");
}

std::optional<std::vector<base::Value>> LibraryModel::getAllFavoriteLibFilesDic() {
  // A database from before the favourites table has none.
  if (!db().tableExists("marvisto_library_favorite")) return std::vector<base::Value>{};
  return readRows("SELECT file_id, file_name FROM marvisto_library_favorite ORDER BY rowid",
                  [](const SQLiteStatement& r) {
                    base::Value v = base::Value::object();
                    v["id"] = std::to_string(r.intAt(0));
                    v["file_name"] = r.textAt(1);
                    return v;
                  });
}

}  // namespace mv
