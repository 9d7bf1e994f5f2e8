#pragma once
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/base/Error.hpp"
#include "util/XMLElement.hpp"
#include "util/XMLNode.hpp"

namespace mv {

// A parsed XML document. Parsing recovers from errors where it can, prints no
// warnings or errors and never touches the network (no external entities or
// DTDs are fetched). Queries on the document take it as their context.
class XMLDocument : public XMLNode {
 public:
  // Reads and parses the file; null (with `error` filled) when it cannot be
  // read or holds no document. `options` is kept for callers and unused.
  [[nodiscard]] static std::shared_ptr<XMLDocument> initWithContentsOfURL(const std::filesystem::path& path,
                                                                          int options = 0,
                                                                          base::Error* error = nullptr);
  // Parses XML held in memory.
  [[nodiscard]] static std::shared_ptr<XMLDocument> initWithData(std::string_view bytes, int options = 0,
                                                                 base::Error* error = nullptr);

  // YES when the bytes are a well-formed XML document, as a strict parser
  // (one that stops at the first error) takes them; nothing is fetched.
  [[nodiscard]] static bool isWellFormed(std::string_view bytes);

  std::shared_ptr<XMLElement> rootElement() const;

  XMLDocument(std::shared_ptr<const detail::XMLDocumentStorage> storage, _xmlNode* node)
      : XMLNode(std::move(storage), node) {}
};

}  // namespace mv
