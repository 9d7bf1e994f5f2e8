#include "library/LibraryListModel.hpp"

#include <algorithm>
#include <map>
#include <set>
#include <system_error>

#include "library/epub/EPUBBook.hpp"
#include "library/SaleslibraryModel.hpp"
#include "platform/base/Log.hpp"
#include "services/OfficeConverter.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/StoreDownloadedFilesModel.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using File = marvisto_library_files_Entity;

std::optional<fs::path> localPath(const std::string& name, const std::string& type) {
  return PublicFunction::filePathWithName(name, PublicFunction::getFileType(type));
}

}  // namespace

LibraryListModel::LibraryListModel(std::shared_ptr<SaleslibraryModel> manager, int libraryTab, StateReader reader)
    : manager_(std::move(manager)),
      libraryTab_(libraryTab),
      reader_(reader ? std::move(reader) : LibraryFileState::readerOf(manager_)) {}

DataAccessManager& LibraryListModel::store() const { return manager_->database(); }

std::vector<std::string> LibraryListModel::filterKeys(int libraryTab) {
  std::vector<std::string> keys = {"SHOWALL", "NEWADDED", "FAVORITES"};
  if (libraryTab == 0) keys.push_back("HIDEDOWNLOADED");
  return keys;
}

const std::vector<std::string>& LibraryListModel::sortKeys() {
  static const std::vector<std::string> keys = {"BYDEFAULT", "BYTITLE", "BYDATE", "BYTYPE", "BYCMS"};
  return keys;
}

void LibraryListModel::selectFilter(int index) {
  showOnlyNewFiles = index == 1;
  showOnlyMarkedFiles = index == 2;
  showCollectionInLibrary = index != 3;
}

void LibraryListModel::selectSort(int index, const std::string& searchText) {
  static constexpr int kTypes[] = {kSortDefault, kSortByTitle, kSortByDate, kSortByType, kSortServer};
  sortType = index >= 1 && index <= 4 ? kTypes[index] : kSortDefault;
  if (isSearching) search(searchText, pickerOrderClause(index));
}

const char* LibraryListModel::pickerOrderClause(int index) {
  switch (index) {
    case 2: return "date desc";
    case 3: return "type desc";
    case 4: return "ordering";
    default: return "LOWER(title)";
  }
}

const char* LibraryListModel::typingOrderClause(int sortType) {
  if (sortType == kSortByType) return "type desc";
  if (sortType == kSortByDate) return "date desc";
  return "LOWER(title)";
}

void LibraryListModel::searchBegan(const std::string& text) {
  if (!text.empty()) return;
  isSearching = true;
  selectedCategory = -1;
  selectedRow = 0;
}

void LibraryListModel::searchTextChanged(const std::string& text) {
  if (text.empty()) {
    isSearching = false;
    selectedRow = 0;
    selectedCategory = -1;
  } else {
    isSearching = true;
  }
  search(text, typingOrderClause(sortType));
}

void LibraryListModel::search(const std::string& text, const char* orderClause) {
  searchResultArray = store().getLibFilesBysearchName(text, orderClause);
}

bool LibraryListModel::displayCatalog(int treeTabIndex, int treeSelectRow, int treeClickIndex) {
  if (treeTabIndex != libraryTab_) return false;
  selectedRow = treeSelectRow;
  selectedCategory = treeClickIndex;
  return true;
}

void LibraryListModel::reload() {
  libFilesArrayIDS = store().getAllLibFileUpdateIDs();
  filterAndSortArray();
}

void LibraryListModel::filterAndSortArray() {
  if (!isSearching) {
    DataAccessManager& dam = store();
    if (sortType == kSortServer) {
      searchResultArray = dam.getAllLibFilesOrderByCMS();
    } else if (sortType == kSortByType) {
      searchResultArray = dam.getAllLibFilesOrderByType();
    } else if (sortType == kSortByDate) {
      searchResultArray = dam.getAllLibFilesOrderByDate();
    } else {
      searchResultArray = dam.getAllLibFiles();
    }
  }
  std::map<int, LibraryFileState> states;
  auto state = [&](const File& f) -> const LibraryFileState& {
    auto it = states.find(f.file_id);
    if (it == states.end()) it = states.emplace(f.file_id, reader_(f)).first;
    return it->second;
  };

  if (sortType == kSortDefault) {
    // Favourites, then new files, then files with a pending update, then the
    // rest; each group keeps the source order.
    auto group = [&](const File& f) {
      const auto& s = state(f);
      if (s.favourite) return 0;
      if (s.isNew) return 1;
      if (s.pendingUpdate) return 2;
      return 3;
    };
    std::stable_sort(searchResultArray.begin(), searchResultArray.end(),
                     [&](const File& a, const File& b) { return group(a) < group(b); });
  }
  libfilesArray = searchResultArray;
  if (libraryTab_ == 1) {
    std::erase_if(libfilesArray, [&](const File& f) {
      const auto& s = state(f);
      return !(s.present || s.downloading || s.paused);
    });
  }
  catalogDisplayFileArray = libfilesArray;
  if (selectedCategory != -1) {
    std::erase_if(libfilesArray, [&](const File& f) { return !fileIsInCategory(f, selectedCategory); });
  }
  std::function<bool(const File&)> hidden;
  if (showOnlyNewFiles) {
    hidden = [&](const File& f) { return !state(f).isNew; };
  } else if (showOnlyMarkedFiles) {
    hidden = [&](const File& f) { return !state(f).favourite; };
  } else if (!showCollectionInLibrary) {
    hidden = [&](const File& f) { return state(f).present; };
  }
  if (hidden) {
    std::erase_if(libfilesArray, hidden);
    std::erase_if(catalogDisplayFileArray, hidden);
  }
}

bool LibraryListModel::fileIsInCategory(const File& file, int categoryID) const {
  if (file.category == categoryID) return true;
  if (file.category == 0) return false;
  DataAccessManager& dam = store();
  // Categories come from the service: a parent chain may loop.
  std::set<int> visited = {file.category};
  int parent = dam.getLibParentCategoryIDByCategoryID(file.category);
  while (parent != 0 && visited.insert(parent).second) {
    if (parent == categoryID) return true;
    parent = dam.getLibParentCategoryIDByCategoryID(parent);
  }
  return false;
}

LibraryTapAction LibraryListModel::tapAction(const LibraryFileState& state, int libraryTab, bool isEditing) {
  if (state.downloading) return LibraryTapAction::Pause;
  if (state.paused) return LibraryTapAction::Resume;
  if (!state.present) return LibraryTapAction::ShowInfo;
  if (libraryTab == 1 && isEditing) return LibraryTapAction::Nothing;
  return state.pendingUpdate ? LibraryTapAction::OfferUpdate : LibraryTapAction::Open;
}

LibraryTapAction LibraryListModel::tapAction(const File& file) const {
  return tapAction(reader_(file), libraryTab_, isEditing);
}

bool LibraryListModel::markNotNew(File& file) const {
  if (file.isNew == 0) return true;
  file.isNew = 0;
  return store().saveLibraryFileToDatabase(file);
}

std::optional<fs::path> LibraryListModel::deletePath(const File& file, bool present,
                                                     const std::optional<marvisto_library_files_update_Entity>& update) {
  if (present && update) return localPath(update->oldFileName, update->oldFileType);
  return localPath(file.file_name, file.type);
}

void LibraryListModel::deleteFile(const File& file) const {
  DataAccessManager& dam = store();
  SaleslibraryModel& manager = *manager_;
  const bool present = manager.isExists(file.file_id);
  auto update = dam.getLibFileUpdateByFileID(file.file_id);
  auto path = deletePath(file, present, update);
  // Whatever is still on its way for the file stops, and its partial data
  // goes, whoever left it.
  manager.cancelDownloadFile(file.file_name);
  StoreDownloadedFilesModel::discardPartialData(dam, file);
  // An old version's path that another file now has is that file's.
  if (path && present && update && StoreDownloadedFilesModel::isPathOfAnotherFile(dam, *path, file.file_id)) {
    path.reset();
  }
  std::error_code ec;
  // A file that stays on disk stays shown as present, with its favourite and
  // the record that names its old version.
  const bool onDisk = path && fs::exists(*path, ec);
  if (onDisk && !fs::remove(*path, ec) && fs::exists(*path)) {
    MV_LOG("cannot remove library file ", path->string(), ": ", ec.message());
    return;
  }
  if (path) {
    // A book read here was unpacked beside its file: the folder goes with it.
    EPUBBook::removeUnpackedFolder(*path);
    svc::OfficeConverter::dropPreviews(*path);
  }
  if (present && update && !dam.deleteFileUpdateWithFileID(file.file_id)) {
    MV_LOG("cannot delete the pending update of library file ", file.file_id);
  }
  if (onDisk && dam.getLibraryFavoriteByFavoriteId(file.file_id) &&
      !dam.deleteLibraryFavoriteByFavoriteId(file.file_id)) {
    MV_LOG("cannot delete the favourite of library file ", file.file_id);
  }
  manager.removeExistsFiles(file.file_id);
}

std::optional<LibraryOpenDecision> LibraryListModel::oldVersionToOpen(const File& file) const {
  return oldVersionToOpen(store(), file);
}

std::optional<LibraryOpenDecision> LibraryListModel::oldVersionToOpen(DataAccessManager& store, const File& file) {
  auto update = store.getLibFileUpdateByFileID(file.file_id);
  if (!update) return std::nullopt;
  return LibraryFileOpener::decideForFile(update->oldFileName, update->oldFileType);
}

}  // namespace mv
