#pragma once
// A node of a parsed XML document. Every node holds the document storage, so a
// node stays valid after the XMLDocument object that produced it is gone.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Error.hpp"

struct _xmlNode;
struct _xmlDoc;

namespace mv {

inline constexpr const char* kXMLErrorDomain = "XMLErrorDomain";

enum XMLErrorCode : long {
  kXMLErrorUnreadable = 1,  // the file could not be read
  kXMLErrorUnparsable = 2,  // the bytes hold no XML document
  kXMLErrorXPath = 3,       // the expression could not be evaluated
};

namespace detail {
// Owns the parsed document; shared by the document object and all its nodes.
struct XMLDocumentStorage {
  explicit XMLDocumentStorage(_xmlDoc* d) : doc(d) {}
  ~XMLDocumentStorage();
  XMLDocumentStorage(const XMLDocumentStorage&) = delete;
  XMLDocumentStorage& operator=(const XMLDocumentStorage&) = delete;
  _xmlDoc* doc;
};
}  // namespace detail

class XMLNode {
 public:
  enum class Kind { Document, Element, Attribute, Text, Comment, Other };
  // prefix -> namespace URI
  using NamespaceMappings = std::map<std::string, std::string>;
  // variable name (used as $name in the expression) -> text value
  using XPathVariables = std::map<std::string, std::string>;
  using NodeList = std::vector<std::shared_ptr<XMLNode>>;

  virtual ~XMLNode() = default;

  // Evaluates an XPath 1.0 expression with this node as context. Answers the
  // selected nodes in document order (elements as XMLElement), an empty list
  // when nothing is selected or the result is not a node set, and nothing (with
  // `error` filled) when the expression cannot be evaluated. Values bound as
  // variables never need quoting, whatever characters they hold.
  std::optional<NodeList> nodesForXPath(std::string_view xpath, base::Error* error = nullptr) const;
  std::optional<NodeList> nodesForXPath(std::string_view xpath, const NamespaceMappings& namespaceMappings,
                                        base::Error* error = nullptr) const;
  std::optional<NodeList> nodesForXPath(std::string_view xpath, const NamespaceMappings& namespaceMappings,
                                        const XPathVariables& variables, base::Error* error = nullptr) const;

  // The LAST node the expression selects; null when none (or on error).
  std::shared_ptr<XMLNode> nodeForXPath(std::string_view xpath, base::Error* error = nullptr) const;
  std::shared_ptr<XMLNode> nodeForXPath(std::string_view xpath, const NamespaceMappings& namespaceMappings,
                                        base::Error* error = nullptr) const;
  std::shared_ptr<XMLNode> nodeForXPath(std::string_view xpath, const NamespaceMappings& namespaceMappings,
                                        const XPathVariables& variables, base::Error* error = nullptr) const;

  // An attribute's value, a text node's text, or for an element or document the
  // concatenated text of all its descendants.
  std::string stringValue() const;
  // The qualified name ("prefix:local" when the node has a prefix); "" for
  // nodes without a name.
  std::string name() const;
  std::string localName() const;
  Kind kind() const;

  // The element children, in document order.
  NodeList children() const;
  std::shared_ptr<XMLNode> parent() const;

  _xmlNode* rawNode() const { return node_; }

 protected:
  XMLNode(std::shared_ptr<const detail::XMLDocumentStorage> storage, _xmlNode* node)
      : storage_(std::move(storage)), node_(node) {}

  // Wraps a node of the same document (an XMLElement for elements).
  std::shared_ptr<XMLNode> wrap(_xmlNode* node) const;

  std::shared_ptr<const detail::XMLDocumentStorage> storage_;
  _xmlNode* node_;
};

}  // namespace mv
