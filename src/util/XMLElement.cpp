#include "util/XMLElement.hpp"

#include <libxml/tree.h>

namespace mv {

std::shared_ptr<XMLNode> XMLElement::attributeForName(std::string_view name) const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return nullptr;
  std::string key(name);
  // libxml2 lays an attribute out like a node up to its namespace, which is all
  // the node wrapper reads; XPath results hand attributes out the same way.
  for (xmlAttrPtr attr = node_->properties; attr; attr = attr->next) {
    if (!attr->name) continue;
    std::string local(reinterpret_cast<const char*>(attr->name));
    std::string qualified = local;
    if (attr->ns && attr->ns->prefix) qualified = std::string(reinterpret_cast<const char*>(attr->ns->prefix)) + ":" + local;
    if (qualified == key || (local == key && !attr->ns)) return wrap(reinterpret_cast<xmlNodePtr>(attr));
  }
  return nullptr;
}

std::optional<std::string> XMLElement::attributeValue(std::string_view name) const {
  auto attr = attributeForName(name);
  if (!attr) return std::nullopt;
  return attr->stringValue();
}

}  // namespace mv
