#include "catalog/CompareAttributeGrid.hpp"

#include <algorithm>

#include "util/Text.hpp"

namespace mv {

void CompareAttributeGrid::addAttributeShow(const product_attribute_cell_Entity& attribute, std::size_t productIndex) {
  if (isBlank(trimWhitespaceAndNewlines(attribute.attributeList))) return;
  auto at = std::find(fieldIds_.begin(), fieldIds_.end(), attribute.field_id);
  if (at == fieldIds_.end()) {
    fieldIds_.push_back(attribute.field_id);
    names_.push_back(attribute.fieldName);
    at = fieldIds_.end() - 1;
  }
  cells_.push_back({productIndex, static_cast<std::size_t>(at - fieldIds_.begin()), attribute.attributeList});
}

void CompareAttributeGrid::clear() {
  fieldIds_.clear();
  names_.clear();
  cells_.clear();
}

double CompareAttributeGrid::contentWidth(std::size_t products, double areaWidth) {
  return std::max(kCellWidth * static_cast<double>(products), areaWidth);
}

}  // namespace mv
