#pragma once
// The tag side of the catalogue's left panel without its views: one row per
// distinct tag name, sorted byte by byte ("A" before "a" before "b"), the
// row chosen, and the products a tag stands for.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class TagList {
 public:
  // New tags: nothing chosen. Of several tags with one name the last counts.
  void setDataArray(std::vector<marvisto_tag_entity> tags);

  std::size_t rowCount() const { return m_sortTags_.size(); }
  const std::vector<std::string>& sortedNames() const { return m_sortTags_; }
  const marvisto_tag_entity& tagAt(std::size_t row) const;
  // The first row of that exact name.
  std::optional<std::size_t> rowOfName(const std::string& name) const;
  // -1 when no row is chosen.
  long selectRow() const { return m_selectRow_; }
  void setSelectRow(long row) { m_selectRow_ = row; }

  // The entries of `allProducts` whose id is one of `ids`, in the order of
  // `allProducts`, each once; ids of products not in it are skipped.
  static std::vector<marvisto_product_Entity> productsOfTag(const std::vector<marvisto_product_Entity>& allProducts,
                                                            const std::vector<int>& ids);

 private:
  std::map<std::string, marvisto_tag_entity> m_sortDict_;
  std::vector<std::string> m_sortTags_;
  long m_selectRow_ = -1;
};

}  // namespace mv
