#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "util/XMLNode.hpp"

namespace mv {

class XMLElement : public XMLNode {
 public:
  XMLElement(std::shared_ptr<const detail::XMLDocumentStorage> storage, _xmlNode* node)
      : XMLNode(std::move(storage), node) {}

  // The attribute of that name as a node; null when absent.
  std::shared_ptr<XMLNode> attributeForName(std::string_view name) const;
  // The attribute's value; nothing when absent.
  std::optional<std::string> attributeValue(std::string_view name) const;
};

}  // namespace mv
