#include "util/XMLNode.hpp"

#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "util/XMLElement.hpp"

namespace mv {
namespace detail {

XMLDocumentStorage::~XMLDocumentStorage() {
  if (doc) xmlFreeDoc(doc);
}

}  // namespace detail

namespace {

const xmlChar* xml(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

std::string text(const xmlChar* s) { return s ? std::string(reinterpret_cast<const char*>(s)) : std::string(); }

// Collects the evaluation's messages instead of letting libxml2 print them.
#if LIBXML_VERSION >= 21200
void collectXPathError(void* userData, const xmlError* error) {
#else
void collectXPathError(void* userData, xmlErrorPtr error) {
#endif
  auto* messages = static_cast<std::string*>(userData);
  if (!messages || !error || !error->message) return;
  if (!messages->empty()) messages->append("; ");
  std::string message(error->message);
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  messages->append(message);
}

struct XPathContext {
  explicit XPathContext(xmlDocPtr doc) : ctx(xmlXPathNewContext(doc)) {}
  ~XPathContext() {
    if (ctx) xmlXPathFreeContext(ctx);
  }
  XPathContext(const XPathContext&) = delete;
  XPathContext& operator=(const XPathContext&) = delete;
  xmlXPathContextPtr ctx;
};

struct XPathResult {
  ~XPathResult() {
    if (obj) xmlXPathFreeObject(obj);
  }
  xmlXPathObjectPtr obj = nullptr;
};

void setXPathError(base::Error* error, std::string_view xpath, const std::string& reason) {
  if (!error) return;
  error->domain = kXMLErrorDomain;
  error->code = kXMLErrorXPath;
  error->description = "The XPath expression \"" + std::string(xpath) + "\" could not be evaluated";
  error->failureReason = reason;
}

}  // namespace

std::optional<XMLNode::NodeList> XMLNode::nodesForXPath(std::string_view xpath, base::Error* error) const {
  return nodesForXPath(xpath, {}, {}, error);
}

std::optional<XMLNode::NodeList> XMLNode::nodesForXPath(std::string_view xpath,
                                                        const NamespaceMappings& namespaceMappings,
                                                        base::Error* error) const {
  return nodesForXPath(xpath, namespaceMappings, {}, error);
}

std::optional<XMLNode::NodeList> XMLNode::nodesForXPath(std::string_view xpath,
                                                        const NamespaceMappings& namespaceMappings,
                                                        const XPathVariables& variables, base::Error* error) const {
  if (!storage_ || !storage_->doc || !node_) {
    setXPathError(error, xpath, "no document");
    return std::nullopt;
  }
  std::string expression(xpath);
  if (expression.find('\0') != std::string::npos) {
    setXPathError(error, xpath, "the expression contains a NUL character");
    return std::nullopt;
  }
  XPathContext context(storage_->doc);
  if (!context.ctx) {
    setXPathError(error, xpath, "out of memory");
    return std::nullopt;
  }
  std::string messages;
  context.ctx->node = node_;
  context.ctx->error = collectXPathError;
  context.ctx->userData = &messages;
  for (const auto& [prefix, uri] : namespaceMappings) {
    if (xmlXPathRegisterNs(context.ctx, xml(prefix), xml(uri)) != 0) {
      setXPathError(error, xpath, "the namespace prefix \"" + prefix + "\" cannot be bound");
      return std::nullopt;
    }
  }
  for (const auto& [name, value] : variables) {
    // The context owns the registered value and frees it with itself.
    xmlXPathObjectPtr object = xmlXPathNewString(xml(value));
    if (!object || xmlXPathRegisterVariable(context.ctx, xml(name), object) != 0) {
      if (object) xmlXPathFreeObject(object);
      setXPathError(error, xpath, "the variable \"" + name + "\" cannot be bound");
      return std::nullopt;
    }
  }
  XPathResult result;
  result.obj = xmlXPathEvalExpression(xml(expression), context.ctx);
  if (!result.obj) {
    setXPathError(error, xpath, messages.empty() ? std::string("invalid expression") : messages);
    return std::nullopt;
  }
  NodeList nodes;
  if (result.obj->type == XPATH_NODESET && result.obj->nodesetval) {
    xmlNodeSetPtr set = result.obj->nodesetval;
    nodes.reserve(static_cast<std::size_t>(set->nodeNr));
    for (int i = 0; i < set->nodeNr; ++i) {
      xmlNodePtr node = set->nodeTab[i];
      // Namespace nodes in a result are temporary copies owned by the result
      // object; they cannot outlive it, so they are not handed out.
      if (!node || node->type == XML_NAMESPACE_DECL) continue;
      nodes.push_back(wrap(node));
    }
  }
  return nodes;
}

std::shared_ptr<XMLNode> XMLNode::nodeForXPath(std::string_view xpath, base::Error* error) const {
  return nodeForXPath(xpath, {}, {}, error);
}

std::shared_ptr<XMLNode> XMLNode::nodeForXPath(std::string_view xpath, const NamespaceMappings& namespaceMappings,
                                               base::Error* error) const {
  return nodeForXPath(xpath, namespaceMappings, {}, error);
}

std::shared_ptr<XMLNode> XMLNode::nodeForXPath(std::string_view xpath, const NamespaceMappings& namespaceMappings,
                                               const XPathVariables& variables, base::Error* error) const {
  auto nodes = nodesForXPath(xpath, namespaceMappings, variables, error);
  if (!nodes || nodes->empty()) return nullptr;
  return nodes->back();
}

std::string XMLNode::stringValue() const {
  if (!node_) return {};
  xmlChar* content = xmlNodeGetContent(node_);
  std::string value = text(content);
  if (content) xmlFree(content);
  return value;
}

std::string XMLNode::localName() const {
  if (!node_) return {};
  switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      return text(node_->name);
    default:
      return {};
  }
}

std::string XMLNode::name() const {
  std::string local = localName();
  if (local.empty()) return local;
  if (node_->ns && node_->ns->prefix) return text(node_->ns->prefix) + ":" + local;
  return local;
}

XMLNode::Kind XMLNode::kind() const {
  if (!node_) return Kind::Other;
  switch (node_->type) {
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return Kind::Document;
    case XML_ELEMENT_NODE:
      return Kind::Element;
    case XML_ATTRIBUTE_NODE:
      return Kind::Attribute;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
      return Kind::Text;
    case XML_COMMENT_NODE:
      return Kind::Comment;
    default:
      return Kind::Other;
  }
}

XMLNode::NodeList XMLNode::children() const {
  NodeList list;
  if (!node_) return list;
  if (node_->type != XML_ELEMENT_NODE && node_->type != XML_DOCUMENT_NODE) return list;
  for (xmlNodePtr child = node_->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) list.push_back(wrap(child));
  }
  return list;
}

std::shared_ptr<XMLNode> XMLNode::parent() const {
  if (!node_ || !node_->parent) return nullptr;
  return wrap(node_->parent);
}

std::shared_ptr<XMLNode> XMLNode::wrap(_xmlNode* node) const {
  if (!node) return nullptr;
  if (node->type == XML_ELEMENT_NODE) return std::make_shared<XMLElement>(storage_, node);
  struct PlainNode : XMLNode {
    PlainNode(std::shared_ptr<const detail::XMLDocumentStorage> s, _xmlNode* n) : XMLNode(std::move(s), n) {}
  };
  return std::make_shared<PlainNode>(storage_, node);
}

}  // namespace mv
