#include "catalog/CategoryNavigator.hpp"

#include "catalog/CategorySelection.hpp"
#include "store/DataAccessManager.hpp"
#include "store/ProductListReader.hpp"
#include "util/TextLookup.hpp"

namespace mv {

void CategoryNavigator::loadRoot(DataAccessManager& store) {
  cid_ = 0;
  clickIndex_ = 0;
  cname_ = std::string();
  m_selectRow_ = 0;
  setLevel(store, 0);
}

// The level's rows: the children of `categoryId`, and at the root the
// products filed under no category as a row of their own when there are any.
void CategoryNavigator::setLevel(DataAccessManager& store, int categoryId) {
  dataArray_ = store.getCategoryWithParentCategoryid(categoryId);
  if (countsDeferred_) {
    pendingCounts_ = categoryId;
    totalProductsNumber_ = 0;
    hasChildren_.clear();
    for (const auto& c : dataArray_) {
      hasChildren_.push_back(c.category_id > 0 && store.getCategoryCountUnderCategoryid(c.category_id) > 0);
    }
    return;
  }
  pendingCounts_.reset();
  if (categoryId == 0 && !store.getProductsByCategory_id(kUncategorizedId).empty()) addUncategorizedRow();
  calculateProductNumber(store);
}

void CategoryNavigator::addUncategorizedRow() {
  marvisto_category_Entity pseudo;
  pseudo.category_id = kUncategorizedId;
  pseudo.category_name = text("UNCATEGORIZED");
  pseudo.category_type = "category";
  pseudo.category_publish = 1;
  pseudo.category_ordering = static_cast<int>(dataArray_.size());
  pseudo.category_parent_id = 0;
  dataArray_.push_back(std::move(pseudo));
  hasChildren_.push_back(false);
}

CategoryNavigator::LevelCounts CategoryNavigator::countLevel(ProductListReader& reader, int level) {
  LevelCounts out;
  out.level = level;
  for (const auto& c : reader.getCategoryWithParentCategoryid(level)) {
    out.perCategory[c.category_id] =
        static_cast<int>(CategorySelection::getAllproductsEntity(reader, c.category_id).size());
  }
  if (level == 0) {
    const auto loose = CategorySelection::getAllproductsEntity(reader, kUncategorizedId).size();
    out.uncategorized = loose > 0;
    out.perCategory[kUncategorizedId] = static_cast<int>(loose);
  }
  out.total = CategorySelection::getAllproductsEntity(reader, level).size();
  out.read = !reader.failed();
  return out;
}

bool CategoryNavigator::applyCounts(const LevelCounts& counts) {
  if (!counts.read || pendingCounts_ != counts.level || cid_ != counts.level) return false;
  pendingCounts_.reset();
  if (counts.level == 0 && counts.uncategorized) addUncategorizedRow();
  for (auto& c : dataArray_) {
    auto at = counts.perCategory.find(c.category_id);
    c.category_numberOfProducts = at == counts.perCategory.end() ? 0 : at->second;
  }
  totalProductsNumber_ = counts.total;
  return true;
}

// Each count is what choosing the row shows, so a product filed in two
// places below a row counts once.
void CategoryNavigator::calculateProductNumber(DataAccessManager& store) {
  hasChildren_.clear();
  for (auto& c : dataArray_) {
    c.category_numberOfProducts =
        static_cast<int>(CategorySelection::getAllproductsEntity(store, c.category_id).size());
    hasChildren_.push_back(c.category_id > 0 && store.getCategoryCountUnderCategoryid(c.category_id) > 0);
  }
  totalProductsNumber_ = CategorySelection::getAllproductsEntity(store, cid_).size();
}

bool CategoryNavigator::rowHasChildren(std::size_t row) const {
  return row > 0 && row - 1 < hasChildren_.size() && hasChildren_[row - 1];
}

CategoryNavigator::Step CategoryNavigator::tagTableSelectRow(DataAccessManager& store, long row) {
  Step step;
  if (row > 0 && static_cast<std::size_t>(row) <= dataArray_.size()) {
    const marvisto_category_Entity c = dataArray_[static_cast<std::size_t>(row - 1)];
    clickIndex_ = c.category_id;
    if (c.category_id > 0 && !store.getCategoryWithParentCategoryid(c.category_id).empty()) {
      cid_ = c.category_id;
      cname_ = c.category_name;
      setLevel(store, cid_);
      m_selectRow_ = 0;
      step.levelChanged = true;
      step.header = cname_.value_or(std::string());
      step.backShown = true;
    } else if (c.category_parent_id != 0) {
      step.header = cname_.value_or(std::string());
      step.backShown = true;
    }
    step.title = cname_.value_or(std::string());
    step.displayCategory = clickIndex_;
    return step;
  }
  if (row != 0) return step;
  const std::optional<std::string> levelName = store.getCategoryWithCategoryid(cid_).category_name;
  // Right after a level was entered its products have been asked for already.
  const bool repeat = clickIndex_ == cid_ && cname_ && levelName && *cname_ == *levelName;
  clickIndex_ = cid_;
  cname_ = levelName;
  if (cid_ != 0) {
    step.header = cname_.value_or(std::string());
    step.title = step.header;
    step.backShown = true;
  } else {
    step.header = text("CATEGORY");
    step.title = text("ALL");
  }
  if (!repeat) step.displayCategory = cid_;
  return step;
}

CategoryNavigator::Step CategoryNavigator::btnbackClicked(DataAccessManager& store) {
  const int parent = CategorySelection::parentOf(store, cid_);
  cid_ = parent;
  clickIndex_ = parent;
  cname_ = store.getCategoryWithCategoryid(parent).category_name;
  setLevel(store, parent);
  m_selectRow_ = 0;
  Step step;
  step.levelChanged = true;
  step.displayCategory = parent;
  if (parent == 0) {
    step.backShown = false;
    step.header = text("CATEGORY");
  } else {
    step.backShown = true;
    step.header = cname_.value_or(std::string());
  }
  return step;
}

}  // namespace mv
