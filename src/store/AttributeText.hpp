#pragma once
// The attribute text: a product's chosen attributes as the one string that
// travels from the catalogue into the quote orders. It is stored with each
// order line, printed on the order form, sent to the service, and compared
// byte for byte when an added product may join an existing line, so it is
// made and read here only.
//
// The text is "name:value" pairs joined by "," with nothing escaped:
// "Size:M,Color:Red". Attributes without a value (nothing chosen, or only
// spaces) are left out. A name or value that itself holds "," or ":" does
// not read back as one pair; such pairs are dropped by `parse`.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

// The records of an attribute picker: shared with its owner, which reads the
// choices straight from them.
using AttributeCells = std::vector<std::shared_ptr<product_attribute_cell_Entity>>;

class AttributeText {
 public:
  // The text of the records, in their order.
  static std::string build(const std::vector<product_attribute_cell_Entity>& cells);
  static std::string build(const AttributeCells& cells);
  // The pairs of a text as records (fieldName, attributeValue), in text order;
  // pieces that are not exactly one name and one value are skipped.
  static std::vector<product_attribute_cell_Entity> parse(std::string_view text);
  // The options of an attribute list: the texts between its commas, kept as
  // they are ("Red, Blue" offers "Red" and " Blue"; "" offers one empty option).
  static std::vector<std::string> options(std::string_view attributeList);
  // A value that goes into the text: chosen and not blank.
  static bool hasValue(const std::optional<std::string>& value);
  // Copies of the records that the picker and its owner can share.
  static AttributeCells shared(const std::vector<product_attribute_cell_Entity>& cells);
};

}  // namespace mv
