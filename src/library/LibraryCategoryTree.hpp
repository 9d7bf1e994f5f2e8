#pragma once
// The category tree's choice, headless: which level it shows (`cid`,
// `cataArr`), which row is chosen (`m_selectRow`) and which category the grid
// is asked to show (`clickIndex`: -1 all, 0 uncategorised, else an id), its
// title and back button, and its answer to a grid refresh. The tree and the
// grid exchange "display_catalog" and "reloadlibrarycatalog" until their
// choices agree. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;

class LibraryCategoryTree {
 public:
  // What a choice asks of the panel.
  enum class Step {
    Nothing,  // the chosen row again
    Post,     // post "display_catalog"
    Descend,  // slide into the level of `cid`, posting "display_catalog" midway
    Ascend,   // slide back out to the level of `cid`, posting "display_catalog" midway
  };

  // Reads the categories of `store` (never null).
  explicit LibraryCategoryTree(std::shared_ptr<DataAccessManager> store);

  Step selectRow(int row);
  // The library changed (after a sync or restore): the level of `cid` is
  // read again, the top level when that category is gone, and nothing is
  // chosen.
  void reloadLevel();
  Step backToParentCategory();
  // The grid refreshed with this choice and tab. After a tab switch or the
  // grid's appearing (`changeTab`) a grid showing another choice is told the
  // tree's own again (Post). Otherwise the grid's choice stands (it cleared
  // its category for a search, say): the tree takes it and rebuilds its
  // level from it (Nothing), and `m_selectRow` is the row to select.
  Step answerRefresh(int gridSelectedCategory, int gridSelectedRow, int gridTab, bool changeTab);

  int cid = 0;
  std::string cname;
  std::vector<marvisto_library_category_Entity> cataArr;
  int clickIndex = -1;
  int m_selectRow = -1;
  int tabIndex = 0;
  // The title's text key ("CATEGORY") at the top level, else empty and the
  // title is `cname`.
  std::string titleKey = "CATEGORY";
  bool backShown = false;

 private:
  void showLevel(int categoryID);
  std::string nameOf(int categoryID) const;
  bool hasSubCategories(int categoryID) const;

  std::shared_ptr<DataAccessManager> store_;
};

}  // namespace mv
