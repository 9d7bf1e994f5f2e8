#pragma once
// The counts of the library's category tree: how many of the files a grid
// shows lie in each category and its descendants, and the rows of one level
// with their counts and arrows. Main thread only.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;

class LibraryCategoryCounter {
 public:
  // One row of a level: row 0 is "ALL" of the level.
  struct Row {
    int categoryID = -1;  // -1 for the all-files row
    std::string name;
    bool isAll = false;
    bool isUncategorized = false;
    int count = 0;
    bool child = false;  // shows the arrow
  };

  // The categories shown below `cid`: its published sub-categories, and at
  // the top level the uncategorised pseudo category when files lie in no
  // category.
  static std::vector<marvisto_library_category_Entity> levelCategories(DataAccessManager& store, int cid);
  // The pseudo category standing for the files in no category.
  static marvisto_library_category_Entity uncategorized(int ordering);

  // Counts `files` (the grid's list) into every published category: each
  // gets its own files and all its descendants'. A loop in the parents is
  // walked once.
  void countData(const std::vector<marvisto_library_category_Entity>& categories,
                 const std::vector<marvisto_library_files_Entity>& files);
  // The same with the store's categories.
  void countData(DataAccessManager& store, const std::vector<marvisto_library_files_Entity>& files);

  // Published categories with `count`, `childCount` (the descendants' part)
  // and `hasChild` filled in, in the store's order.
  const std::vector<marvisto_library_category_Entity>& allCatagoryArray() const { return all_; }
  // The files directly in a category (0: in none).
  int ownCount(int categoryID) const;

  // The rows of the level below `cid` showing `cataArr`.
  std::vector<Row> rows(int cid, const std::vector<marvisto_library_category_Entity>& cataArr) const;

 private:
  const marvisto_library_category_Entity* find(int categoryID) const;

  std::vector<marvisto_library_category_Entity> all_;
  std::map<int, int> own_;
  std::size_t fileCount_ = 0;
};

}  // namespace mv
