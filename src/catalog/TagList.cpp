#include "catalog/TagList.hpp"

#include <set>

namespace mv {

void TagList::setDataArray(std::vector<marvisto_tag_entity> tags) {
  m_selectRow_ = -1;
  m_sortDict_.clear();
  for (auto& tag : tags) m_sortDict_[tag.tag_name] = std::move(tag);
  // std::map orders its keys by plain byte comparison already.
  m_sortTags_.clear();
  for (const auto& entry : m_sortDict_) m_sortTags_.push_back(entry.first);
}

const marvisto_tag_entity& TagList::tagAt(std::size_t row) const { return m_sortDict_.at(m_sortTags_.at(row)); }

std::optional<std::size_t> TagList::rowOfName(const std::string& name) const {
  for (std::size_t i = 0; i < m_sortTags_.size(); ++i) {
    if (m_sortTags_[i] == name) return i;
  }
  return std::nullopt;
}

std::vector<marvisto_product_Entity> TagList::productsOfTag(const std::vector<marvisto_product_Entity>& allProducts,
                                                            const std::vector<int>& ids) {
  const std::set<int> wanted(ids.begin(), ids.end());
  std::vector<marvisto_product_Entity> out;
  for (const auto& p : allProducts) {
    if (wanted.count(p.product_id)) out.push_back(p);
  }
  return out;
}

}  // namespace mv
