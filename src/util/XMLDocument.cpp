#include "util/XMLDocument.hpp"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>

namespace mv {
namespace {

constexpr int kParseOptions = XML_PARSE_RECOVER | XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_NONET;

void setError(base::Error* error, long code, std::string description, std::string reason) {
  if (!error) return;
  error->domain = kXMLErrorDomain;
  error->code = code;
  error->description = std::move(description);
  error->failureReason = std::move(reason);
}

void initParser() {
  static std::once_flag initOnce;
  std::call_once(initOnce, [] { xmlInitParser(); });
}

std::shared_ptr<XMLDocument> parse(std::string_view bytes, const std::string& url, base::Error* error) {
  initParser();
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    setError(error, kXMLErrorUnparsable, "The XML document is too large", url);
    return nullptr;
  }
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) {
    setError(error, kXMLErrorUnparsable, "The XML document could not be parsed", "out of memory");
    return nullptr;
  }
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()),
                                    url.empty() ? nullptr : url.c_str(), nullptr, kParseOptions);
  std::string reason;
  if (xmlErrorPtr last = xmlCtxtGetLastError(ctxt); last && last->message) {
    reason = last->message;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ')) reason.pop_back();
  }
  xmlFreeParserCtxt(ctxt);
  // Recovery can leave a document without any element; that is no document.
  if (doc && !xmlDocGetRootElement(doc)) {
    xmlFreeDoc(doc);
    doc = nullptr;
  }
  if (!doc) {
    setError(error, kXMLErrorUnparsable, "The XML document could not be parsed",
             reason.empty() ? std::string("no root element") : reason);
    return nullptr;
  }
  auto storage = std::make_shared<const detail::XMLDocumentStorage>(doc);
  return std::make_shared<XMLDocument>(storage, reinterpret_cast<xmlNodePtr>(doc));
}

}  // namespace

std::shared_ptr<XMLDocument> XMLDocument::initWithContentsOfURL(const std::filesystem::path& path, int /*options*/,
                                                                base::Error* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    setError(error, kXMLErrorUnreadable, "The XML file could not be read", path.string());
    return nullptr;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    setError(error, kXMLErrorUnreadable, "The XML file could not be read", path.string());
    return nullptr;
  }
  std::string bytes = std::move(buffer).str();
  return parse(bytes, path.string(), error);
}

std::shared_ptr<XMLDocument> XMLDocument::initWithData(std::string_view bytes, int /*options*/, base::Error* error) {
  return parse(bytes, {}, error);
}

bool XMLDocument::isWellFormed(std::string_view bytes) {
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  initParser();
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) return false;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                    XML_PARSE_NOWARNING | XML_PARSE_NOERROR | XML_PARSE_NONET);
  const bool wellFormed = doc && ctxt->wellFormed && xmlDocGetRootElement(doc);
  if (doc) xmlFreeDoc(doc);
  xmlFreeParserCtxt(ctxt);
  return wellFormed;
}

std::shared_ptr<XMLElement> XMLDocument::rootElement() const {
  if (!storage_ || !storage_->doc) return nullptr;
  xmlNodePtr root = xmlDocGetRootElement(storage_->doc);
  if (!root) return nullptr;
  return std::make_shared<XMLElement>(storage_, root);
}

}  // namespace mv
