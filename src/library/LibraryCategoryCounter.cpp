#include "library/LibraryCategoryCounter.hpp"

#include <functional>
#include <set>

#include "platform/base/MainThread.hpp"
#include "store/DataAccessManager.hpp"
#include "util/TextLookup.hpp"

namespace mv {

marvisto_library_category_Entity LibraryCategoryCounter::uncategorized(int ordering) {
  marvisto_library_category_Entity c;
  c.categoryID = 0;
  c.name = textForKey("UNCATEGORIZED").value_or("UNCATEGORIZED");
  c.published = 1;
  c.ordering = ordering;
  return c;
}

std::vector<marvisto_library_category_Entity> LibraryCategoryCounter::levelCategories(DataAccessManager& store,
                                                                                      int cid) {
  MV_ASSERT_MAIN_THREAD();
  auto level = store.getLibSubCategoriesByParentCategoryID(cid);
  if (cid == 0 && !store.getLibFilesBycatalogId(0).empty()) {
    level.push_back(uncategorized(static_cast<int>(level.size())));
  }
  return level;
}

void LibraryCategoryCounter::countData(DataAccessManager& store,
                                       const std::vector<marvisto_library_files_Entity>& files) {
  MV_ASSERT_MAIN_THREAD();
  countData(store.getLibraryCategorys(), files);
}

void LibraryCategoryCounter::countData(const std::vector<marvisto_library_category_Entity>& categories,
                                       const std::vector<marvisto_library_files_Entity>& files) {
  all_ = categories;
  own_.clear();
  fileCount_ = files.size();
  for (const auto& f : files) ++own_[f.category];

  std::multimap<int, std::size_t> children;
  for (std::size_t i = 0; i < all_.size(); ++i) {
    if (all_[i].parent_id != 0 && all_[i].parent_id != all_[i].categoryID) children.emplace(all_[i].parent_id, i);
  }
  // Each category sums the distinct categories below it; a category reached
  // twice through a loop counts once.
  for (auto& c : all_) {
    std::set<int> seen = {c.categoryID};
    std::vector<int> pending = {c.categoryID};
    int below = 0;
    while (!pending.empty()) {
      const int id = pending.back();
      pending.pop_back();
      auto [from, to] = children.equal_range(id);
      for (auto it = from; it != to; ++it) {
        const int childId = all_[it->second].categoryID;
        if (!seen.insert(childId).second) continue;
        below += ownCount(childId);
        pending.push_back(childId);
      }
    }
    c.hasChild = children.count(c.categoryID) > 0;
    c.childCount = below;
    c.count = ownCount(c.categoryID) + below;
  }
}

int LibraryCategoryCounter::ownCount(int categoryID) const {
  auto it = own_.find(categoryID);
  return it == own_.end() ? 0 : it->second;
}

const marvisto_library_category_Entity* LibraryCategoryCounter::find(int categoryID) const {
  for (const auto& c : all_) {
    if (c.categoryID == categoryID) return &c;
  }
  return nullptr;
}

std::vector<LibraryCategoryCounter::Row> LibraryCategoryCounter::rows(
    int cid, const std::vector<marvisto_library_category_Entity>& cataArr) const {
  std::vector<Row> out;
  Row all;
  all.isAll = true;
  all.name = textForKey("ALL").value_or("ALL");
  if (cid == 0) {
    all.count = static_cast<int>(fileCount_);
    all.child = true;
  } else {
    all.categoryID = cid;
    const auto* c = find(cid);
    all.count = c ? c->count : 0;
    all.child = c ? c->hasChild : true;
  }
  out.push_back(all);
  for (const auto& entry : cataArr) {
    Row r;
    r.categoryID = entry.categoryID;
    r.name = entry.name;
    if (entry.categoryID == 0) {
      // Only its own files; it has no sub-categories to open.
      r.isUncategorized = true;
      r.count = ownCount(0);
      r.child = false;
    } else {
      const auto* c = find(entry.categoryID);
      r.count = c ? c->count : 0;
      r.child = c ? c->hasChild : true;
    }
    out.push_back(r);
  }
  return out;
}

}  // namespace mv
