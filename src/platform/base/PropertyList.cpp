#include "platform/base/PropertyList.hpp"

#include "platform/base/FileIO.hpp"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace base {
namespace {

std::string text(xmlNodePtr n) {
  xmlChar* c = xmlNodeGetContent(n);
  std::string s = c ? reinterpret_cast<const char*>(c) : "";
  if (c) xmlFree(c);
  return s;
}

bool named(xmlNodePtr n, const char* name) {
  return n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

xmlNodePtr nextElement(xmlNodePtr n) {
  while (n && n->type != XML_ELEMENT_NODE) n = n->next;
  return n;
}

std::optional<Value> convert(xmlNodePtr n, int depth) {
  if (depth > 256) return std::nullopt;
  if (named(n, "dict")) {
    Value obj = Value::object();
    for (xmlNodePtr k = nextElement(n->children); k; k = nextElement(k->next)) {
      if (!named(k, "key")) return std::nullopt;
      xmlNodePtr v = nextElement(k->next);
      if (!v) return std::nullopt;
      auto cv = convert(v, depth + 1);
      if (!cv) return std::nullopt;
      obj[text(k)] = std::move(*cv);
      k = v;
    }
    return obj;
  }
  if (named(n, "array")) {
    Value arr = Value::array();
    for (xmlNodePtr c = nextElement(n->children); c; c = nextElement(c->next)) {
      auto cv = convert(c, depth + 1);
      if (!cv) return std::nullopt;
      arr.push_back(std::move(*cv));
    }
    return arr;
  }
  if (named(n, "string") || named(n, "date")) return Value(text(n));
  if (named(n, "data")) {
    std::string s = text(n), out;
    for (char c : s)
      if (!std::isspace(static_cast<unsigned char>(c))) out += c;
    return Value(out);
  }
  if (named(n, "integer")) {
    std::string s = text(n);
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (end == s.c_str()) return std::nullopt;
    return Value(static_cast<std::int64_t>(v));
  }
  if (named(n, "real")) {
    std::string s = text(n);
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str()) return std::nullopt;
    return Value(v);
  }
  if (named(n, "true")) return Value(true);
  if (named(n, "false")) return Value(false);
  return std::nullopt;
}

void escape(std::ostringstream& o, const std::string& s) {
  for (char c : s) {
    switch (c) {
      case '&': o << "&amp;"; break;
      case '<': o << "&lt;"; break;
      case '>': o << "&gt;"; break;
      default: o << c;
    }
  }
}

void emit(std::ostringstream& o, const Value& v, int indent) {
  std::string pad(static_cast<std::size_t>(indent), '\t');
  if (v.is_object()) {
    o << pad << "<dict>\n";
    for (auto it = v.begin(); it != v.end(); ++it) {
      o << pad << "\t<key>";
      escape(o, it.key());
      o << "</key>\n";
      emit(o, it.value(), indent + 1);
    }
    o << pad << "</dict>\n";
  } else if (v.is_array()) {
    o << pad << "<array>\n";
    for (auto& e : v) emit(o, e, indent + 1);
    o << pad << "</array>\n";
  } else if (v.is_boolean()) {
    o << pad << (v.get<bool>() ? "<true/>" : "<false/>") << "\n";
  } else if (v.is_number_integer()) {
    o << pad << "<integer>" << v.get<std::int64_t>() << "</integer>\n";
  } else if (v.is_number()) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v.get<double>());
    o << pad << "<real>" << buf << "</real>\n";
  } else if (v.is_string()) {
    o << pad << "<string>";
    escape(o, v.get<std::string>());
    o << "</string>\n";
  } else {
    o << pad << "<string></string>\n";
  }
}

}  // namespace

std::optional<Value> PropertyList::parse(const std::string& xml) {
  xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "plist.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return std::nullopt;
  std::optional<Value> result;
  xmlNodePtr root = xmlDocGetRootElement(doc);
  if (root && named(root, "plist")) {
    if (xmlNodePtr first = nextElement(root->children)) result = convert(first, 0);
  }
  xmlFreeDoc(doc);
  return result;
}

std::optional<Value> PropertyList::read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream ss;
  ss << in.rdbuf();
  return parse(ss.str());
}

std::string PropertyList::serialize(const Value& value) {
  std::ostringstream o;
  o << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<plist version=\"1.0\">\n";
  emit(o, value, 0);
  o << "</plist>\n";
  return o.str();
}

bool PropertyList::write(const Value& value, const fs::path& file) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  return writeFileAtomically(file, serialize(value));
}

}  // namespace base
