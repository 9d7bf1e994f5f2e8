// The list a library grid shows, built from the store and the download
// manager: grouping and sorting, tabs, filters, category restriction (loops
// in the category parents included), search with hostile text, and deleting
// a file from the device.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LibraryTestSupport.hpp"
#include "library/epub/EPUBBook.hpp"
#include "library/LibraryCategoryCounter.hpp"
#include "library/LibraryCategoryTree.hpp"
#include "library/LibraryListModel.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "transport/FormDataRequest.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using File = marvisto_library_files_Entity;

std::vector<std::string> titles(const std::vector<File>& files) {
  std::vector<std::string> out;
  for (const auto& f : files) out.push_back(f.title);
  return out;
}

marvisto_library_category_Entity category(int id, const std::string& name, int parent, int ordering,
                                          int published = 1) {
  marvisto_library_category_Entity c;
  c.categoryID = id;
  c.name = name;
  c.parent_id = parent;
  c.ordering = ordering;
  c.published = published;
  return c;
}

class LibraryListModelTest : public test::LibraryTest {
 protected:
  File file(int id, const std::string& title, int category = 0, int isNew = 0) {
    auto f = test::libraryFile(id, title, "file" + std::to_string(id) + ".pdf", "PDF", category);
    f.isNew = isNew;
    return f;
  }
  void present(const File& f) {
    putOnDisk(f.file_name, f.type);
    manager->loadExistsFiles();
  }
};

TEST_F(LibraryListModelTest, DefaultGroupingTabsAndFilters) {
  // Favourite and new: once, among the favourites; new with an update:
  // among the new ones; then updates, then the rest, each by title.
  const std::vector<File> files = {file(1, "delta"), file(2, "Alpha", 0, 1), file(3, "echo", 0, 1), file(4, "bravo"),
                                   file(5, "Charlie"), file(6, "foxtrot")};
  save(files);
  ASSERT_TRUE(store().saveToDatabaseLibraryFavorite(2, "file2.pdf"));
  ASSERT_TRUE(store().saveToDatabaseLibraryFavorite(6, "file6.pdf"));
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({3, "old3.pdf", "PDF"}));
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({4, "old4.pdf", "PDF"}));
  putOnDisk("old3.pdf", "PDF");
  putOnDisk("old4.pdf", "PDF");
  present(files[0]);  // delta
  manager->sendRequest(SaleslibraryModel::requestForFile(files[4]));  // Charlie downloading

  LibraryListModel library(manager, 0);
  library.reload();
  EXPECT_EQ(titles(library.libfilesArray),
            (std::vector<std::string>{"Alpha", "foxtrot", "echo", "bravo", "Charlie", "delta"}));
  EXPECT_EQ(library.libFilesArrayIDS.size(), 2u);
  library.selectSort(1, "");
  library.reload();
  EXPECT_EQ(titles(library.libfilesArray),
            (std::vector<std::string>{"Alpha", "bravo", "Charlie", "delta", "echo", "foxtrot"}));

  // The collection: present (old versions too), downloading or paused.
  LibraryListModel collection(manager, 1);
  manager->pauseDownloadFile("file5.pdf");
  collection.reload();
  EXPECT_EQ(titles(collection.libfilesArray), (std::vector<std::string>{"echo", "bravo", "Charlie", "delta"}));

  EXPECT_EQ(LibraryListModel::filterKeys(0),
            (std::vector<std::string>{"SHOWALL", "NEWADDED", "FAVORITES", "HIDEDOWNLOADED"}));
  EXPECT_EQ(LibraryListModel::filterKeys(1), (std::vector<std::string>{"SHOWALL", "NEWADDED", "FAVORITES"}));
  library.selectSort(0, "");
  library.selectFilter(3);
  library.reload();
  EXPECT_EQ(titles(library.libfilesArray), (std::vector<std::string>{"Alpha", "foxtrot", "Charlie"}));
  EXPECT_EQ(titles(library.catalogDisplayFileArray), titles(library.libfilesArray)) << "the tree counts what is shown";
  library.selectFilter(1);
  library.reload();
  EXPECT_EQ(titles(library.libfilesArray), (std::vector<std::string>{"Alpha", "echo"}));
  library.selectFilter(2);
  library.reload();
  EXPECT_EQ(titles(library.libfilesArray), (std::vector<std::string>{"Alpha", "foxtrot"}));
  library.selectFilter(7);
  library.reload();
  EXPECT_EQ(library.libfilesArray.size(), 6u);
}

TEST_F(LibraryListModelTest, CategoryRestrictionWalksParentsAndEndsOnLoops) {
  ASSERT_TRUE(store().saveToDatabaseLibraryCategory({category(1, "Brochures", 0, 1), category(2, "Sub", 1, 2),
                                                    category(3, "Grandchild", 2, 3), category(7, "Loop A", 8, 4),
                                                    category(8, "Loop B", 7, 5), category(9, "Self", 9, 6)}));
  save({file(1, "none"), file(2, "top", 1), file(3, "deep", 3), file(4, "looped", 8), file(5, "self", 9)});
  LibraryListModel model(manager, 0);
  model.selectedCategory = 1;
  model.reload();
  EXPECT_EQ(titles(model.libfilesArray), (std::vector<std::string>{"deep", "top"}));
  EXPECT_EQ(model.catalogDisplayFileArray.size(), 5u) << "the tree counts before the restriction";
  model.selectedCategory = 0;
  model.reload();
  EXPECT_EQ(titles(model.libfilesArray), std::vector<std::string>{"none"});
  model.selectedCategory = 7;
  model.reload();
  EXPECT_EQ(titles(model.libfilesArray), std::vector<std::string>{"looped"});
  model.selectedCategory = 2;
  model.reload();
  EXPECT_EQ(titles(model.libfilesArray), std::vector<std::string>{"deep"});
  EXPECT_FALSE(model.fileIsInCategory(file(5, "self", 9), 1));
  EXPECT_FALSE(model.fileIsInCategory(file(4, "looped", 8), 1));
}

TEST_F(LibraryListModelTest, SearchTextIsOnlyEverMatchedAsText) {
  save({file(1, "50% off"), file(2, "5000 off"), file(3, "a_b"), file(4, "axb"), file(5, "O'Brien's guide"),
        file(6, "back\\slash")});
  auto c = file(7, "zeta order first");
  c.ordering = -1;
  save({c});
  LibraryListModel model(manager, 0);
  model.searchBegan("");
  EXPECT_TRUE(model.isSearching);
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"%", {"50% off"}},
      {"_", {"a_b"}},
      {"'", {"O'Brien's guide"}},
      {"\\", {"back\\slash"}},
      {"') OR 1=1 --", {}},
  };
  for (const auto& [text, expected] : cases) {
    model.searchTextChanged(text);
    model.reload();
    EXPECT_EQ(titles(model.libfilesArray), expected) << text;
  }
  // Typing with the server order sorts by title; choosing it orders by "ordering".
  model.selectSort(4, "o");
  model.searchTextChanged("o");
  model.reload();
  EXPECT_EQ(titles(model.libfilesArray),
            (std::vector<std::string>{"50% off", "5000 off", "O'Brien's guide", "zeta order first"}));
  model.selectSort(4, "o");
  model.reload();
  ASSERT_FALSE(model.libfilesArray.empty());
  EXPECT_EQ(model.libfilesArray.front().title, "zeta order first");
  // Clearing the field ends the search and the category choice.
  model.selectedCategory = 3;
  model.selectedRow = 2;
  model.searchTextChanged("");
  EXPECT_FALSE(model.isSearching);
  EXPECT_EQ(model.selectedCategory, -1);
  EXPECT_EQ(model.selectedRow, 0);
  model.reload();
  EXPECT_EQ(model.libfilesArray.size(), 7u);
  EXPECT_STREQ(LibraryListModel::pickerOrderClause(9), "LOWER(title)");
  EXPECT_STREQ(LibraryListModel::typingOrderClause(LibraryListModel::kSortServer), "LOWER(title)");
}

TEST_F(LibraryListModelTest, DeletingABookRemovesTheFolderItWasUnpackedInto) {
  auto bookFile = test::libraryFile(5, "Handbook", "handbook.epub", "EPUB");
  auto other = file(6, "other");
  save({bookFile, other});
  const fs::path bookPath = putOnDisk("handbook.epub", "EPUB");
  const fs::path unpacked = bookPath.parent_path() / "handbook";
  fs::create_directories(unpacked / "OEBPS");
  std::ofstream(unpacked / EPUBBook::kExtractionMarker) << "1 2\n";
  std::ofstream(unpacked / "OEBPS" / "one.xhtml") << "<html/>";
  // A folder of the same name that is not an unpacked book stays.
  const fs::path otherPath = putOnDisk("file6.pdf", "PDF");
  const fs::path notABook = otherPath.parent_path() / "file6";
  fs::create_directories(notABook);
  std::ofstream(notABook / "keep.txt") << "mine";
  manager->loadExistsFiles();
  LibraryListModel model(manager, 1);
  model.deleteFile(bookFile);
  EXPECT_FALSE(fs::exists(bookPath));
  EXPECT_FALSE(fs::exists(unpacked));
  model.deleteFile(other);
  EXPECT_FALSE(fs::exists(otherPath));
  EXPECT_TRUE(fs::exists(notABook / "keep.txt"));
}

TEST_F(LibraryListModelTest, DeletingRemovesTheRightFileOrDownload) {
  auto updated = file(1, "updated");
  auto plain = file(2, "plain");
  auto running = test::libraryFile(3, "running", "running.avi", "VEDIO");
  auto gone = file(4, "gone");
  save({updated, plain, running, gone});
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({1, "updated_old.doc", "WORD"}));
  const fs::path old = putOnDisk("updated_old.doc", "WORD");
  const fs::path plainPath = putOnDisk("file2.pdf", "PDF");
  ASSERT_TRUE(store().saveToDatabaseLibraryFavorite(2, "file2.pdf"));
  manager->loadExistsFiles();
  manager->sendRequest(SaleslibraryModel::requestForFile(running));
  const fs::path partial = HttpNetworkCtrl::partialPathWithName("running.avi", kFileTypeVideo);
  fs::create_directories(partial.parent_path());
  std::ofstream(partial) << "part";

  // The update offer's "CANCEL" opens the old version by its old type.
  auto oldOpen = LibraryListModel::oldVersionToOpen(store(), updated);
  ASSERT_TRUE(oldOpen);
  EXPECT_EQ(oldOpen->path, old);
  EXPECT_EQ(oldOpen->action, LibraryOpenAction::OfficeViewer);
  EXPECT_FALSE(LibraryListModel::oldVersionToOpen(store(), plain));

  EXPECT_EQ(LibraryListModel::deletePath(updated, true, store().getLibFileUpdateByFileID(1)), old);
  EXPECT_EQ(LibraryListModel::deletePath(updated, false, store().getLibFileUpdateByFileID(1)),
            PublicFunction::filePathWithName("file1.pdf", kFileTypePdf));

  LibraryListModel model(manager, 1);
  model.deleteFile(updated);
  EXPECT_FALSE(fs::exists(old));
  EXPECT_FALSE(store().getLibFileUpdateByFileID(1));
  EXPECT_FALSE(manager->isExists(1));
  model.deleteFile(plain);
  EXPECT_FALSE(fs::exists(plainPath));
  EXPECT_FALSE(store().getLibraryFavoriteByFavoriteId(2));
  model.deleteFile(running);
  EXPECT_EQ(cancelled(), std::vector<std::string>{"running.avi"});
  EXPECT_FALSE(manager->isInDownloadList("running.avi"));
  EXPECT_FALSE(fs::exists(partial));
  model.deleteFile(gone);
  EXPECT_TRUE(manager->existsFiles().empty());

  // A file that cannot be removed stays present with its favourite. Here a
  // folder holding something takes its place once the manager has seen it:
  // not even the superuser removes that.
  auto stuck = file(6, "stuck");
  save({stuck});
  const fs::path stuckPath = putOnDisk("file6.pdf", "PDF");
  ASSERT_TRUE(store().saveToDatabaseLibraryFavorite(6, "file6.pdf"));
  manager->loadExistsFiles();
  ASSERT_TRUE(manager->isExists(6));
  fs::remove(stuckPath);
  fs::create_directories(stuckPath);
  std::ofstream(stuckPath / "inside") << "x";
  model.deleteFile(stuck);
  EXPECT_TRUE(manager->isExists(6)) << "still on disk, still shown";
  EXPECT_TRUE(store().getLibraryFavoriteByFavoriteId(6));
  // The same for an old version waiting for its update: the record that
  // names it stays.
  auto stale = file(7, "stale");
  save({stale});
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({7, "stale_old.doc", "WORD"}));
  const fs::path stalePath = putOnDisk("stale_old.doc", "WORD");
  manager->loadExistsFiles();
  ASSERT_TRUE(manager->isExists(7));
  fs::remove(stalePath);
  fs::create_directories(stalePath);
  std::ofstream(stalePath / "inside") << "x";
  model.deleteFile(stale);
  EXPECT_TRUE(manager->isExists(7));
  EXPECT_TRUE(store().getLibFileUpdateByFileID(7));

  // Opening a new file marks it not new in the store.
  auto fresh = file(5, "fresh", 0, 1);
  save({fresh});
  ASSERT_TRUE(model.markNotNew(fresh));
  EXPECT_EQ(store().getFilesByFileId(5)->isNew, 0);
}

TEST_F(LibraryListModelTest, DeletingDropsPartialDataLeftByAnySessionAndSparesAPathAnotherFileHas) {
  // Partial data with its resume record, of the current version and of the
  // old one, left by an earlier session: this manager never sent the file.
  auto updated = file(1, "updated");
  auto other = test::libraryFile(2, "other", "shared.doc", "WORD");
  save({updated, other});
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({1, "shared.doc", "WORD"}));
  std::vector<fs::path> leftOver;
  for (const auto& [name, type] : {std::pair{std::string("file1.pdf"), kFileTypePdf},
                                   std::pair{std::string("shared.doc"), kFileTypeWord}}) {
    const fs::path partial = HttpNetworkCtrl::partialPathWithName(name, type);
    fs::create_directories(partial.parent_path());
    std::ofstream(partial) << "part";
    std::ofstream(FormDataRequest::resumeRecordPath(partial)) << "\n1000\n";
    leftOver.push_back(partial);
    leftOver.push_back(FormDataRequest::resumeRecordPath(partial));
  }
  // The old version's path is now the other file's.
  const fs::path shared = putOnDisk("shared.doc", "WORD");
  manager->loadExistsFiles();
  ASSERT_TRUE(manager->isExists(1));

  LibraryListModel model(manager, 1);
  model.deleteFile(updated);
  for (const auto& path : leftOver) EXPECT_FALSE(fs::exists(path)) << path;
  EXPECT_TRUE(fs::exists(shared)) << "another file's copy stays";
  EXPECT_FALSE(store().getLibFileUpdateByFileID(1));
  EXPECT_FALSE(manager->isExists(1));
}

TEST_F(LibraryListModelTest, CategoryCountsSumDescendantsWhateverTheOrder) {
  // Children before parents and parents before children give the same sums.
  const std::vector<marvisto_library_category_Entity> parentsFirst = {
      category(1, "A", 0, 1), category(2, "A1", 1, 2), category(3, "A1x", 2, 3), category(4, "B", 0, 4),
      category(7, "L1", 8, 5), category(8, "L2", 7, 6)};
  const std::vector<marvisto_library_category_Entity> childrenFirst(parentsFirst.rbegin(), parentsFirst.rend());
  const std::vector<File> files = {file(1, "a", 1), file(2, "a1", 2), file(3, "a1x", 3), file(4, "a1x'", 3),
                                   file(5, "b", 4), file(6, "loop", 8), file(7, "hidden cat", 42), file(8, "none", 0)};
  for (const auto* order : {&parentsFirst, &childrenFirst}) {
    LibraryCategoryCounter counter;
    counter.countData(*order, files);
    std::map<int, std::pair<int, bool>> got;
    for (const auto& c : counter.allCatagoryArray()) got[c.categoryID] = {c.count, c.hasChild};
    EXPECT_EQ(got[1], std::make_pair(4, true));
    EXPECT_EQ(got[2], std::make_pair(3, true));
    EXPECT_EQ(got[3], std::make_pair(2, false));
    EXPECT_EQ(got[4], std::make_pair(1, false));
    EXPECT_EQ(got[7], std::make_pair(1, true));
    EXPECT_EQ(got[8], std::make_pair(1, true));
  }

  // Rows from the store: the uncategorised row last at the top, only its own files.
  ASSERT_TRUE(store().saveToDatabaseLibraryCategory(parentsFirst));
  ASSERT_TRUE(store().saveToDatabaseLibraryCategory({category(5, "Unpublished child", 4, 7, 0)}));
  save({file(1, "a", 1)});
  EXPECT_EQ(LibraryCategoryCounter::levelCategories(store(), 0).size(), 2u) << "no files in no category: no such row";
  save(files);
  LibraryCategoryCounter counter;
  counter.countData(store(), files);
  auto level = LibraryCategoryCounter::levelCategories(store(), 0);
  ASSERT_EQ(level.size(), 3u);
  EXPECT_EQ(level.back().categoryID, 0);
  auto rows = counter.rows(0, level);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_TRUE(rows[0].isAll);
  EXPECT_EQ(rows[0].count, 8) << "all files shown, unpublished categories included";
  EXPECT_EQ(rows[1].count, 4);
  EXPECT_TRUE(rows[1].child);
  EXPECT_EQ(rows[2].count, 1);
  EXPECT_FALSE(rows[2].child) << "a category with only unpublished children is a leaf";
  EXPECT_TRUE(rows[3].isUncategorized);
  EXPECT_EQ(rows[3].count, 1);
  EXPECT_FALSE(rows[3].child);
  auto inside = counter.rows(2, LibraryCategoryCounter::levelCategories(store(), 2));
  ASSERT_EQ(inside.size(), 2u);
  EXPECT_EQ(inside[0].count, 3);
  EXPECT_EQ(inside[1].count, 2);
  auto unknown = counter.rows(99, {category(98, "Unknown", 99, 1)});
  EXPECT_EQ(unknown[0].count, 0);
  EXPECT_TRUE(unknown[0].child);
  EXPECT_EQ(unknown[1].count, 0);
  EXPECT_TRUE(unknown[1].child);
}

TEST_F(LibraryListModelTest, TreeChoiceDescendsReturnsAndAgreesWithTheGrid) {
  using Step = LibraryCategoryTree::Step;
  ASSERT_TRUE(store().saveToDatabaseLibraryCategory({category(1, "Brochures", 0, 1), category(2, "Sub", 1, 2),
                                                    category(3, "Training", 0, 3), category(4, "Hidden", 3, 4, 0)}));
  save({file(1, "none"), file(2, "sub", 2)});
  LibraryCategoryTree tree(manager->databaseHandle());
  ASSERT_EQ(tree.cataArr.size(), 3u);
  EXPECT_EQ(tree.cataArr[2].categoryID, 0) << "the uncategorised row comes last";
  EXPECT_EQ(tree.titleKey, "CATEGORY");
  EXPECT_FALSE(tree.backShown);

  EXPECT_EQ(tree.selectRow(1), Step::Descend);
  EXPECT_EQ(tree.cid, 1);
  EXPECT_EQ(tree.cname, "Brochures");
  EXPECT_EQ(tree.clickIndex, 1);
  EXPECT_EQ(tree.m_selectRow, 0);
  ASSERT_EQ(tree.cataArr.size(), 1u);
  EXPECT_TRUE(tree.backShown);
  EXPECT_EQ(tree.selectRow(0), Step::Nothing) << "the chosen row again";
  EXPECT_EQ(tree.selectRow(1), Step::Post);
  EXPECT_EQ(tree.clickIndex, 2);
  EXPECT_EQ(tree.selectRow(0), Step::Post);
  EXPECT_EQ(tree.clickIndex, 1);

  EXPECT_EQ(tree.backToParentCategory(), Step::Ascend);
  EXPECT_EQ(tree.cid, 0);
  EXPECT_EQ(tree.clickIndex, -1);
  EXPECT_FALSE(tree.backShown);
  EXPECT_EQ(tree.titleKey, "CATEGORY");
  EXPECT_EQ(tree.cataArr.size(), 3u);
  // A category whose sub-categories are all unpublished is a leaf.
  EXPECT_EQ(tree.selectRow(2), Step::Post);
  EXPECT_EQ(tree.cid, 0);
  EXPECT_EQ(tree.clickIndex, 3);
  EXPECT_EQ(tree.selectRow(3), Step::Post);
  EXPECT_EQ(tree.clickIndex, 0);

  // The grid of the other tab ignores the choice; the grid of this tab takes it.
  LibraryListModel library(manager, 0), collection(manager, 1);
  EXPECT_FALSE(collection.displayCatalog(tree.tabIndex, tree.m_selectRow, tree.clickIndex));
  EXPECT_EQ(collection.selectedCategory, -1);
  ASSERT_TRUE(library.displayCatalog(tree.tabIndex, tree.m_selectRow, tree.clickIndex));
  library.reload();
  EXPECT_EQ(titles(library.libfilesArray), std::vector<std::string>{"none"});
  // Its refresh agrees: the tree keeps its level. A switch to the other
  // tab's grid, which shows another choice, makes the tree post once.
  EXPECT_EQ(tree.answerRefresh(library.selectedCategory, library.selectedRow, library.libraryTab(), false),
            Step::Nothing);
  EXPECT_EQ(tree.answerRefresh(collection.selectedCategory, collection.selectedRow, collection.libraryTab(), true),
            Step::Post);
  EXPECT_EQ(tree.tabIndex, 1);
  ASSERT_TRUE(collection.displayCatalog(tree.tabIndex, tree.m_selectRow, tree.clickIndex));
  EXPECT_EQ(tree.answerRefresh(collection.selectedCategory, collection.selectedRow, collection.libraryTab(), false),
            Step::Nothing);
  // Rebuilt from a leaf inside a category: the level of its parent.
  tree.clickIndex = 2;
  tree.m_selectRow = 1;
  EXPECT_EQ(tree.answerRefresh(2, 1, 0, false), Step::Nothing);
  EXPECT_EQ(tree.cid, 1);
  EXPECT_TRUE(tree.backShown);
  // The grid cleared its category for a search: a refresh without a tab
  // switch does not impose the tree's old choice again, the tree takes the
  // grid's and shows the top level.
  library.displayCatalog(0, 1, 2);
  library.searchBegan("");
  EXPECT_EQ(tree.answerRefresh(library.selectedCategory, library.selectedRow, 0, false), Step::Nothing);
  EXPECT_EQ(tree.clickIndex, -1);
  EXPECT_EQ(tree.m_selectRow, 0);
  EXPECT_EQ(tree.cid, 0);
  EXPECT_FALSE(tree.backShown);
}

}  // namespace
}  // namespace mv
