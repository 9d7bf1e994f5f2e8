#include "sync/DownloadedPage.hpp"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "util/Text.hpp"

namespace mv {

namespace {

// What an open element is to the reading.
enum class Kind {
  Other,
  Row,     // a table row
  Block,   // a paragraph, heading, list item and the like
  Script,  // its text is code, read for the fields it makes
  Quiet,   // its text is never shown: styles, the head, an office suite's data
  Acting,  // a link that leaves the page, or a field, a button or a label
  Form,
};

struct Open {
  Kind kind = Kind::Other;
  std::size_t textAtStart = 0;
  bool posts = false;
};

struct Reading {
  DownloadedPage page;
  htmlParserCtxtPtr ctxt = nullptr;
  std::vector<Open> open;
  int scripts = 0;
  int quiet = 0;
  int acting = 0;
  int postingForms = 0;
  std::string script;
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string trimmedLower(const xmlChar* value) {
  std::string_view text = value ? reinterpret_cast<const char*>(value) : "";
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return asciiLowercase(text);
}

bool startsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

bool isOneOf(std::string_view text, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), text) != names.end();
}

// Characters a reader sees: not blanks, not no-break spaces (an office
// suite's empty paragraph), counted once per UTF-8 sequence.
std::size_t visibleCharacters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (isSpace(static_cast<char>(byte)) || (byte & 0xC0) == 0x80) continue;
    if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) continue;
    ++count;
  }
  return count;
}

bool isQuote(char c) { return c == '\'' || c == '"' || c == '`'; }

// Code that makes a password field or turns a field into one: the word
// as a value of its own ("password", 'pass' + 'word'), or a field's type
// written into markup it adds.
bool codeMakesPasswordField(std::string_view code) {
  // Lower case, without blanks and escapes, and with its quoted pieces
  // joined: a seam ('+') goes as soon as it is written, so that code of a
  // million pieces costs one pass, not a move of the rest per piece.
  std::string joined;
  joined.reserve(code.size());
  for (char c : code) {
    if (isSpace(c) || c == '\\') continue;
    joined += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const std::size_t n = joined.size();
    const bool seam = n >= 3 && joined[n - 2] == '+' && isQuote(joined[n - 1]) && joined[n - 3] == joined[n - 1];
    if (seam) joined.resize(n - 3);
  }
  for (const char* value : {"'password'", "\"password\"", "`password`", "type=password"}) {
    if (joined.find(value) != std::string::npos) return true;
  }
  return false;
}

// An address other than a file beside the page: one with a scheme (the
// web, a script, data, a blank page a script fills), or a host or a server's
// path of its own.
bool pointsElsewhere(const std::string& src) {
  if (src.empty()) return false;
  if (src.front() == '/') return true;
  const auto colon = src.find(':');
  if (colon == std::string::npos || colon == 0 || src.find_first_of("/?#") < colon) return false;
  return src.substr(0, colon) != "file";
}

// A field that asks who the reader is.
bool asksWhoTheReaderIs(const std::string& type, const std::string& name, const std::string& id,
                        const std::string& autocomplete) {
  if (type == "email") return true;
  for (const char* token : {"username", "email", "current-password", "one-time-code"}) {
    if (autocomplete.find(token) != std::string::npos) return true;
  }
  for (const std::string* label : {&name, &id}) {
    std::string letters;
    for (char c : *label) {
      if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) letters += c;
    }
    if (isOneOf(letters, {"username", "userid", "login", "loginname", "email", "emailaddress", "passwd", "pwd", "pin",
                          "voucher", "vouchercode", "accesscode"}))
      return true;
  }
  return false;
}

Kind kindOf(std::string_view name) {
  if (name == "tr") return Kind::Row;
  if (isOneOf(name, {"p", "li", "dt", "dd", "pre", "blockquote", "caption", "h1", "h2", "h3", "h4", "h5", "h6"}))
    return Kind::Block;
  if (name == "script") return Kind::Script;
  if (isOneOf(name, {"style", "head", "title", "noscript", "template", "xml"})) return Kind::Quiet;
  if (isOneOf(name, {"button", "select", "textarea", "label", "option"})) return Kind::Acting;
  if (name == "form") return Kind::Form;
  return Kind::Other;
}

void startElement(void* context, const xmlChar* tag, const xmlChar** attributes) {
  auto& r = *static_cast<Reading*>(context);
  DownloadedPage& page = r.page;
  if (page.tooDeep) return;
  if (r.open.size() >= static_cast<std::size_t>(DownloadedPage::kMostDepth)) {
    page.tooDeep = true;
    xmlStopParser(r.ctxt);
    return;
  }
  const std::string_view name = tag ? reinterpret_cast<const char*>(tag) : "";
  // An office suite's own elements (o:p, w:Sdt, x:ExcelWorkbook).
  if (const auto colon = name.find(':'); colon != std::string_view::npos) {
    if (isOneOf(name.substr(0, colon), {"o", "w", "x", "v", "m"})) page.officeMarks = true;
  }
  std::string type, fieldName, id, autocomplete, href, src, httpEquiv, method;
  for (const xmlChar** a = attributes; a && a[0]; a += 2) {
    const std::string_view attribute = reinterpret_cast<const char*>(a[0]);
    const xmlChar* value = a[1];
    if (startsWith(attribute, "on")) {
      // A handler that turns the field into a password field when it is used.
      if (value && codeMakesPasswordField(reinterpret_cast<const char*>(value))) page.asksForPassword = true;
    } else if (attribute == "class") {
      const std::string classes = trimmedLower(value);
      if (startsWith(classes, "mso") || classes.find(" mso") != std::string::npos) page.officeMarks = true;
    } else if (startsWith(attribute, "xmlns:")) {
      if (startsWith(trimmedLower(value), "urn:schemas-microsoft-com:office:")) page.officeMarks = true;
    } else if (attribute == "type") {
      type = trimmedLower(value);
    } else if (attribute == "name") {
      fieldName = trimmedLower(value);
    } else if (attribute == "id") {
      id = trimmedLower(value);
    } else if (attribute == "autocomplete") {
      autocomplete = trimmedLower(value);
    } else if (attribute == "href") {
      href = trimmedLower(value);
    } else if (attribute == "src" || (attribute == "data" && name == "object")) {
      src = trimmedLower(value);
    } else if (attribute == "http-equiv") {
      httpEquiv = trimmedLower(value);
    } else if (attribute == "method") {
      method = trimmedLower(value);
    }
  }
  Open open{kindOf(name), page.text, false};
  if (name == "input") {
    if (type == "password") {
      page.asksForPassword = true;
    } else if (type != "hidden") {
      ++page.controls;
      if (r.postingForms > 0 && asksWhoTheReaderIs(type, fieldName, id, autocomplete)) page.postsCredentials = true;
    }
  } else if (isOneOf(name, {"button", "select", "textarea"})) {
    ++page.controls;
  } else if (name == "a") {
    // Links within the page (a contents list) are the document's own, and
    // an address to write to or call leaves nothing to the network.
    if (!href.empty() && href.front() != '#' && !startsWith(href, "mailto:") && !startsWith(href, "tel:")) {
      open.kind = Kind::Acting;
      ++page.links;
    }
  } else if (isOneOf(name, {"iframe", "frame", "object", "embed"})) {
    if (pointsElsewhere(src)) page.framesElsewhere = true;
  } else if (name == "meta") {
    if (httpEquiv == "refresh") page.redirects = true;
    if (fieldName == "progid") page.officeMarks = true;
  } else if (name == "form") {
    open.posts = method == "post";
  }
  switch (open.kind) {
    case Kind::Script: ++r.scripts; break;
    case Kind::Quiet: ++r.quiet; break;
    case Kind::Acting: ++r.acting; break;
    case Kind::Form: r.postingForms += open.posts ? 1 : 0; break;
    default: break;
  }
  r.open.push_back(open);
}

void endElement(void* context, const xmlChar*) {
  auto& r = *static_cast<Reading*>(context);
  DownloadedPage& page = r.page;
  if (page.tooDeep || r.open.empty()) return;
  const Open open = r.open.back();
  r.open.pop_back();
  const bool heldText = page.text > open.textAtStart;
  switch (open.kind) {
    case Kind::Row: page.rows += heldText ? 1 : 0; break;
    case Kind::Block: page.blocks += heldText ? 1 : 0; break;
    case Kind::Script:
      --r.scripts;
      if (codeMakesPasswordField(r.script)) page.asksForPassword = true;
      r.script.clear();
      break;
    case Kind::Quiet: --r.quiet; break;
    case Kind::Acting: --r.acting; break;
    case Kind::Form: r.postingForms -= open.posts ? 1 : 0; break;
    default: break;
  }
}

void characters(void* context, const xmlChar* bytes, int length) {
  auto& r = *static_cast<Reading*>(context);
  if (r.page.tooDeep || !bytes || length <= 0) return;
  const std::string_view text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  if (r.scripts > 0) {
    r.script += text;
  } else if (r.quiet == 0 && r.acting == 0) {
    r.page.text += visibleCharacters(text);
  }
}

}  // namespace

DownloadedPage DownloadedPage::read(std::string_view bytes) {
  static std::once_flag initOnce;
  std::call_once(initOnce, [] { xmlInitParser(); });
  bytes = bytes.substr(0, std::min<std::size_t>(kMostBytes, INT_MAX));
  Reading reading;
  if (bytes.empty()) return reading.page;
  htmlParserCtxtPtr ctxt = htmlCreateMemoryParserCtxt(bytes.data(), static_cast<int>(bytes.size()));
  if (!ctxt) return reading.page;
  // Only the reading's own handlers: no tree is built, no error printed.
  htmlSAXHandler handlers{};
  handlers.startElement = startElement;
  handlers.endElement = endElement;
  handlers.characters = characters;
  handlers.cdataBlock = characters;
  htmlSAXHandlerPtr own = ctxt->sax;
  ctxt->sax = &handlers;
  ctxt->userData = &reading;
  reading.ctxt = ctxt;
  htmlCtxtUseOptions(ctxt, HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
  htmlParseDocument(ctxt);
  ctxt->sax = own;
  if (ctxt->myDoc) xmlFreeDoc(ctxt->myDoc);
  htmlFreeParserCtxt(ctxt);
  return reading.page;
}

}  // namespace mv
