#pragma once
// The category side of the catalogue's left panel without its views: the
// level shown (the children of `cid`, with the "uncategorized" row at the
// root), the row chosen, the product counts, and what each choice asks of
// the panel, the title and the grid. The panel animates and posts what the
// returned steps say.
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class DataAccessManager;

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

  std::vector<marvisto_category_Entity> dataArray_;
  std::vector<bool> hasChildren_;
  int cid_ = 0;
  // Absent where the level has no name (the root after "ALL" was chosen
  // there); the empty text at start.
  std::optional<std::string> cname_ = std::string();
  int clickIndex_ = 0;
  long m_selectRow_ = 0;
  std::size_t totalProductsNumber_ = 0;
};

}  // namespace mv
