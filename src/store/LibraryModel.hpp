#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "store/BaseDataModel.hpp"
#include "store/Entities.hpp"

namespace mv {

// The orders a caller may ask library files in.
enum class LibraryFileOrder {
  Title,     // "LOWER(title)"
  DateDesc,  // "date desc"
  TypeDesc,  // "type desc"
  Ordering,  // "ordering": the service's order
};

// Library files and categories, pending file updates and library favourites.
// Reads return published rows only.
class LibraryModel : public BaseDataModel {
 public:
  using BaseDataModel::BaseDataModel;
  [[nodiscard]] bool updateVersion() override;

  // One of the four clause texts (case and surrounding blanks ignored) as an
  // order; anything else gives the default, by title.
  static LibraryFileOrder orderFromClause(const std::string& clause);

  [[nodiscard]] bool saveToDatabaseLibraryFiles(const std::vector<marvisto_library_files_Entity>& files);
  [[nodiscard]] bool saveLibraryFileToDatabase(const marvisto_library_files_Entity& file);
  [[nodiscard]] bool saveToDatabaseLibraryCategory(const std::vector<marvisto_library_category_Entity>& categories);
  [[nodiscard]] bool updateOldNewFlags();

  std::vector<marvisto_library_files_Entity> getAllLibFiles();
  // How many of them there are; nothing when the count failed.
  [[nodiscard]] std::optional<std::int64_t> countLibFiles();
  std::vector<marvisto_library_files_Entity> getAllLibFilesOrderByDate();
  std::vector<marvisto_library_files_Entity> getAllLibFilesOrderByType();
  std::vector<marvisto_library_files_Entity> getAllLibFilesOrderByCMS();
  std::vector<marvisto_library_files_Entity> getLibFilesBysearchName(const std::string& text, LibraryFileOrder order);
  std::vector<marvisto_library_files_Entity> getLibFilesBysearchName(const std::string& text,
                                                                     const std::string& orderClause);
  // 0: the files in no category.
  std::vector<marvisto_library_files_Entity> getLibFilesBycatalogId(int categoryId);
  // Files of a published category; 0: the files in no category.
  std::vector<marvisto_library_files_Entity> getLibraryFilesByCategory_id(int categoryId);
  std::optional<marvisto_library_files_Entity> getFilesByFileId(int fileId);
  std::optional<std::string> getFileNameById(int fileId);
  std::optional<std::string> getCoverImageByFileName(const std::string& fileName);
  std::optional<std::string> getTitleByFileName(const std::string& fileName);
  // The last match when several files share the name.
  std::optional<std::string> getFileTypeByFileName(const std::string& fileName);
  // Nothing when the read failed.
  std::optional<std::vector<std::string>> getAllFilesImg();
  std::vector<marvisto_lib_category_cell_entity> getCategoryFilesCount();

  std::vector<marvisto_library_category_Entity> getLibraryCategorys();
  std::vector<marvisto_library_category_Entity> getLibSubCategoriesByParentCategoryID(int parentId);
  std::optional<marvisto_library_category_Entity> getLibraryCategoryByCategoryid(int categoryId);
  [[nodiscard]] int getLibParentCategoryIDByCategoryID(int categoryId);

  [[nodiscard]] bool saveToDatabaseLibraryUpdate(const marvisto_library_files_update_Entity& update);
  std::optional<marvisto_library_files_update_Entity> getLibFileUpdateByFileID(int fileId);
  std::vector<int> getAllLibFileUpdateIDs();
  [[nodiscard]] bool deleteFileUpdateWithFileID(int fileId);

  [[nodiscard]] bool saveToDatabaseLibraryFavorite(int fileId, const std::string& fileName);
  std::optional<marvisto_library_favorite_Entity> getLibraryFavoriteByFavoriteId(int fileId);
  [[nodiscard]] bool deleteLibraryFavoriteByFavoriteId(int fileId);
  [[nodiscard]] bool clearAllLibraryFavorites();
  // {"id": the file id as text, "file_name"} per favourite; empty when none,
  // nothing when the read failed.
  std::optional<std::vector<base::Value>> getAllFavoriteLibFilesDic();

 private:
  template <typename... Args>
  std::vector<marvisto_library_files_Entity> files(const std::string& where, const std::string& orderBy,
                                                   const Args&... args);
  std::vector<marvisto_library_category_Entity> categories(const std::string& sql, int arg);
};

}  // namespace mv
