#pragma once
// The attribute rows of the comparison: one row per attribute field, in the
// order the fields first appear (the first product's fields, then those only
// later products have), each named by the first product that has it; a
// product's cell in a row shows its option list for the field.
#include <cstddef>
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

class CompareAttributeGrid {
 public:
  static constexpr double kRowHeight = 37;
  static constexpr double kCellWidth = 210;
  static constexpr double kValueWidth = 205;

  struct Cell {
    std::size_t product = 0;
    std::size_t row = 0;
    std::string text;
  };

  // Adds product `productIndex`'s attribute (fields without options are left out).
  void addAttributeShow(const product_attribute_cell_Entity& attribute, std::size_t productIndex);
  void clear();

  const std::vector<int>& attributesArray() const { return fieldIds_; }
  const std::vector<std::string>& names() const { return names_; }
  const std::vector<Cell>& cells() const { return cells_; }
  double contentHeight() const { return kRowHeight * static_cast<double>(names_.size()); }

  // The compare area's content width for that many products.
  static double contentWidth(std::size_t products, double areaWidth);

 private:
  std::vector<int> fieldIds_;
  std::vector<std::string> names_;
  std::vector<Cell> cells_;
};

}  // namespace mv
