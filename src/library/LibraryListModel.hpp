#pragma once
// The list a library file grid shows, and what a tap or a delete does to a
// file: the grid's tab, sort, filter, category restriction and search turn
// the store's published files into the files shown (`libfilesArray`) and the
// files the category tree counts (`catalogDisplayFileArray`). Main thread
// only; every list is read again from the store and the download manager on
// each reload.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/LibraryFileOpener.hpp"
#include "library/LibraryFileState.hpp"
#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;
class SaleslibraryModel;

enum class LibraryTapAction {
  Pause,        // downloading
  Resume,       // paused
  ShowInfo,     // not on the device: the information popup
  OfferUpdate,  // on the device with a pending update: alert 2500 + index
  Open,         // on the device: marked not new, then opened by its type
  Nothing,      // on the device, collection tab in edit mode
};

class LibraryListModel {
 public:
  using StateReader = LibraryFileState::Reader;

  // Sort types.
  static constexpr int kSortDefault = 0;
  static constexpr int kSortByDate = 1;
  static constexpr int kSortByType = 2;
  static constexpr int kSortByTitle = 3;
  static constexpr int kSortServer = 4;
  // The update offer's alert tag is this plus the file's index.
  static constexpr int kUpdateOfferTagBase = 2500;

  // Reads the session's files through `manager` (never null); the states of
  // the files from `reader`, else from the manager.
  LibraryListModel(std::shared_ptr<SaleslibraryModel> manager, int libraryTab, StateReader reader = {});

  int libraryTab() const { return libraryTab_; }

  // --- pickers ---
  // "SHOWALL", "NEWADDED", "FAVORITES", and on tab 0 "HIDEDOWNLOADED".
  static std::vector<std::string> filterKeys(int libraryTab);
  static const std::vector<std::string>& sortKeys();
  // Any index outside the table means the first entry.
  void selectFilter(int index);
  // While searching, the results are asked for again in the picker's order.
  void selectSort(int index, const std::string& searchText);
  // The order clause of a sort picker entry, and of typing with a sort type.
  static const char* pickerOrderClause(int index);
  static const char* typingOrderClause(int sortType);

  // --- search ---
  // Editing begins: an empty field starts a search over everything.
  void searchBegan(const std::string& text);
  // The text changed: an empty one ends the search and the category choice.
  void searchTextChanged(const std::string& text);

  // The category tree's choice ("display_catalog"); false, and nothing
  // changes, when it was made for the other tab.
  bool displayCatalog(int treeTabIndex, int treeSelectRow, int treeClickIndex);

  // --- the lists ---
  // Reads the pending-update ids and builds the lists.
  void reload();
  void filterAndSortArray();
  // In the category or one of its descendants; 0 is the files in no category.
  // Ends on a cycle in the category parents.
  bool fileIsInCategory(const marvisto_library_files_Entity& file, int categoryID) const;

  // --- a file ---
  static LibraryTapAction tapAction(const LibraryFileState& state, int libraryTab, bool isEditing);
  LibraryTapAction tapAction(const marvisto_library_files_Entity& file) const;
  // A new file opened is new no more; false when it could not be saved.
  [[nodiscard]] bool markNotNew(marvisto_library_files_Entity& file) const;
  // The file a delete removes: the old version while a pending update has
  // not arrived, else the file itself; nothing for a name that cannot be local.
  static std::optional<std::filesystem::path> deletePath(const marvisto_library_files_Entity& file, bool present,
                                                         const std::optional<marvisto_library_files_update_Entity>& update);
  // Deletes the file from the device: its file and favourite row, or its
  // download with the partial data; its pending update goes with the old
  // version. Asks nothing (demo sessions are refused before).
  void deleteFile(const marvisto_library_files_Entity& file) const;
  // The update offer's "CANCEL": the old version by its old name and type.
  std::optional<LibraryOpenDecision> oldVersionToOpen(const marvisto_library_files_Entity& file) const;
  static std::optional<LibraryOpenDecision> oldVersionToOpen(DataAccessManager& store,
                                                             const marvisto_library_files_Entity& file);

  SaleslibraryModel& manager() const { return *manager_; }
  const StateReader& stateReader() const { return reader_; }

  // Filter.
  bool showOnlyNewFiles = false;
  bool showOnlyMarkedFiles = false;
  bool showCollectionInLibrary = true;
  int sortType = kSortDefault;
  bool isSearching = false;
  // -1 all files, 0 the files in no category, else a category id.
  int selectedCategory = -1;
  int selectedRow = 0;
  bool isEditing = false;

  std::vector<marvisto_library_files_Entity> searchResultArray;
  std::vector<marvisto_library_files_Entity> libfilesArray;
  std::vector<marvisto_library_files_Entity> catalogDisplayFileArray;
  std::vector<int> libFilesArrayIDS;

 private:
  void search(const std::string& text, const char* orderClause);
  DataAccessManager& store() const;

  std::shared_ptr<SaleslibraryModel> manager_;
  int libraryTab_;
  StateReader reader_;
};

}  // namespace mv
