#pragma once
// The category side of the catalogue's left panel without its views: the
// level shown (the children of `cid`, with the "uncategorized" row at the
// root), the row chosen, the product counts, and what each choice asks of
// the panel, the title and the grid. The panel animates and posts what the
// returned steps say.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;
class ProductListReader;

class CategoryNavigator {
 public:
  static constexpr int kUncategorizedId = -1;

  // What a choice changes on screen. Texts are ready to show.
  struct Step {
    // The rows were replaced by another level: slide them.
    bool levelChanged = false;
    // The grid is to show this category (0 all products, -1 uncategorized).
    std::optional<int> displayCategory;
    std::optional<std::string> header;
    std::optional<bool> backShown;
    std::optional<std::string> title;
  };

  // A level's counts, which a worker makes over its own connection: the
  // products each row's choice shows (by category id, -1 for the
  // uncategorized row), the "ALL" row's, and whether the root has products
  // filed under no category.
  struct LevelCounts {
    int level = 0;
    bool read = false;
    std::map<int, int> perCategory;
    std::size_t total = 0;
    bool uncategorized = false;
  };
  static LevelCounts countLevel(ProductListReader& reader, int level);

  // Whether the counts (and the root's uncategorized row) are left to a
  // worker: the levels then show their rows at once, without counts, until
  // `applyCounts`. Counting reads every product under the level.
  void setCountsDeferred(bool deferred) { countsDeferred_ = deferred; }
  // The level whose counts are awaited.
  const std::optional<int>& pendingCounts() const { return pendingCounts_; }
  // Takes the counts of the level shown now; false (nothing changed) for
  // another level's or a failed read.
  bool applyCounts(const LevelCounts& counts);

  // Back to the top level: the root categories and the uncategorized row,
  // row 0 chosen, nothing asked of the grid yet.
  void loadRoot(DataAccessManager& store);
  // Row 0 is "ALL", row r > 0 shows `dataArray()[r - 1]`.
  Step tagTableSelectRow(DataAccessManager& store, long row);
  // Up one level.
  Step btnbackClicked(DataAccessManager& store);

  // The rows' categories, their counts in `category_numberOfProducts`.
  const std::vector<marvisto_category_Entity>& dataArray() const { return dataArray_; }
  std::size_t rowCount() const { return dataArray_.size() + 1; }
  int cid() const { return cid_; }
  const std::optional<std::string>& cname() const { return cname_; }
  int clickIndex() const { return clickIndex_; }
  long selectRow() const { return m_selectRow_; }
  void setSelectRow(long row) { m_selectRow_ = row; }
  // Shown on the "ALL" row: the products choosing it shows.
  std::size_t totalProductsNumber() const { return totalProductsNumber_; }
  bool atRoot() const { return cid_ == 0; }
  // Whether the row's category has published sub-categories (the arrow).
  bool rowHasChildren(std::size_t row) const;

 private:
  void setLevel(DataAccessManager& store, int categoryId);
  void calculateProductNumber(DataAccessManager& store);
  void addUncategorizedRow();

  std::vector<marvisto_category_Entity> dataArray_;
  std::vector<bool> hasChildren_;
  int cid_ = 0;
  // Absent where the level has no name (the root after "ALL" was chosen
  // there); the empty text at start.
  std::optional<std::string> cname_ = std::string();
  int clickIndex_ = 0;
  long m_selectRow_ = 0;
  std::size_t totalProductsNumber_ = 0;
  bool countsDeferred_ = false;
  std::optional<int> pendingCounts_;
};

}  // namespace mv
