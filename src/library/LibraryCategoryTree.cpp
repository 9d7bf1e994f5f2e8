#include "library/LibraryCategoryTree.hpp"

#include "library/LibraryCategoryCounter.hpp"
#include "platform/base/MainThread.hpp"
#include "store/DataAccessManager.hpp"

namespace mv {

LibraryCategoryTree::LibraryCategoryTree(std::shared_ptr<DataAccessManager> store) : store_(std::move(store)) {
  showLevel(0);
}

std::string LibraryCategoryTree::nameOf(int categoryID) const {
  if (categoryID == 0) return {};
  auto c = store_->getLibraryCategoryByCategoryid(categoryID);
  return c ? c->name : std::string();
}

bool LibraryCategoryTree::hasSubCategories(int categoryID) const {
  return categoryID != 0 && !store_->getLibSubCategoriesByParentCategoryID(categoryID).empty();
}

void LibraryCategoryTree::showLevel(int categoryID) {
  MV_ASSERT_MAIN_THREAD();
  cid = categoryID;
  cname = nameOf(categoryID);
  cataArr = LibraryCategoryCounter::levelCategories(*store_, categoryID);
  titleKey = categoryID == 0 ? "CATEGORY" : "";
  backShown = categoryID != 0;
}

void LibraryCategoryTree::reloadLevel() {
  const bool exists = cid != 0 && store_->getLibraryCategoryByCategoryid(cid).has_value();
  showLevel(exists ? cid : 0);
  clickIndex = -1;
  m_selectRow = -1;
}

LibraryCategoryTree::Step LibraryCategoryTree::selectRow(int row) {
  MV_ASSERT_MAIN_THREAD();
  if (row == m_selectRow || row < 0 || row > static_cast<int>(cataArr.size())) return Step::Nothing;
  m_selectRow = row;
  if (row == 0) {
    cname = nameOf(cid);
    clickIndex = cid == 0 ? -1 : cid;
    titleKey = cid == 0 ? "CATEGORY" : "";
    backShown = cid != 0;
    return Step::Post;
  }
  const auto chosen = cataArr[static_cast<std::size_t>(row - 1)];
  clickIndex = chosen.categoryID;
  if (hasSubCategories(chosen.categoryID)) {
    showLevel(chosen.categoryID);
    m_selectRow = 0;
    return Step::Descend;
  }
  if (chosen.parent_id != 0) {
    titleKey.clear();
    backShown = true;
  }
  return Step::Post;
}

LibraryCategoryTree::Step LibraryCategoryTree::backToParentCategory() {
  MV_ASSERT_MAIN_THREAD();
  const int parent = store_->getLibParentCategoryIDByCategoryID(cid);
  showLevel(parent);
  clickIndex = parent == 0 ? -1 : parent;
  m_selectRow = 0;
  return Step::Ascend;
}

LibraryCategoryTree::Step LibraryCategoryTree::answerRefresh(int gridSelectedCategory, int gridSelectedRow,
                                                             int gridTab, bool changeTab) {
  MV_ASSERT_MAIN_THREAD();
  tabIndex = gridTab;
  if (clickIndex != gridSelectedCategory || m_selectRow != gridSelectedRow) {
    if (changeTab) return Step::Post;
    clickIndex = gridSelectedCategory;
    m_selectRow = gridSelectedRow;
  }
  if (clickIndex == -1) {
    showLevel(0);
    m_selectRow = 0;
  } else if (clickIndex == 0) {
    showLevel(0);
  } else if (hasSubCategories(clickIndex)) {
    showLevel(clickIndex);
  } else {
    showLevel(store_->getLibParentCategoryIDByCategoryID(clickIndex));
  }
  return Step::Nothing;
}

}  // namespace mv
