#include "store/AttributeText.hpp"

#include "util/Text.hpp"

namespace mv {
namespace {

std::vector<std::string> splitAt(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    pieces.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

void appendPair(std::string& out, const product_attribute_cell_Entity& cell) {
  if (!AttributeText::hasValue(cell.attributeValue)) return;
  if (!out.empty()) out += ',';
  out += cell.fieldName;
  out += ':';
  out += *cell.attributeValue;
}

}  // namespace

bool AttributeText::hasValue(const std::optional<std::string>& value) { return value && !isBlank(*value); }

std::string AttributeText::build(const std::vector<product_attribute_cell_Entity>& cells) {
  std::string out;
  for (const auto& cell : cells) appendPair(out, cell);
  return out;
}

std::string AttributeText::build(const AttributeCells& cells) {
  std::string out;
  for (const auto& cell : cells) {
    if (cell) appendPair(out, *cell);
  }
  return out;
}

std::vector<product_attribute_cell_Entity> AttributeText::parse(std::string_view text) {
  std::vector<product_attribute_cell_Entity> cells;
  if (text.empty()) return cells;
  for (const std::string& piece : splitAt(text, ',')) {
    auto parts = splitAt(piece, ':');
    if (parts.size() != 2) continue;
    product_attribute_cell_Entity cell;
    cell.fieldName = std::move(parts[0]);
    cell.attributeValue = std::move(parts[1]);
    cells.push_back(std::move(cell));
  }
  return cells;
}

std::vector<std::string> AttributeText::options(std::string_view attributeList) { return splitAt(attributeList, ','); }

AttributeCells AttributeText::shared(const std::vector<product_attribute_cell_Entity>& cells) {
  AttributeCells out;
  out.reserve(cells.size());
  for (const auto& cell : cells) out.push_back(std::make_shared<product_attribute_cell_Entity>(cell));
  return out;
}

}  // namespace mv
