#include "services/HtmlContent.hpp"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <array>
#include <cstring>
#include <memory>

#include "util/Text.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

struct DocDeleter {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocDeleter>;

template <std::size_t N>
bool isOneOf(const char* name, const std::array<const char*, N>& names) {
  for (const char* n : names)
    if (std::strcmp(name, n) == 0) return true;
  return false;
}

bool isBlockElement(const char* n) {
  static constexpr std::array<const char*, 40> kBlocks = {
      "p",      "div",     "h1",    "h2",         "h3",      "h4",      "h5",     "h6",      "li",      "ul",
      "ol",     "tr",      "table", "section",    "article", "header",  "footer", "nav",     "aside",   "main",
      "blockquote", "pre", "dl",    "dt",         "dd",      "form",    "figure", "figcaption", "body", "center",
      "address", "caption", "hgroup", "details", "summary", "html",    "thead",  "tbody",   "tfoot",   "fieldset"};
  return isOneOf(n, kBlocks);
}

bool isSkipped(const char* n) {
  // Invisible parts, and ruby annotations that would double the text they gloss.
  static constexpr std::array<const char*, 14> kSkipped = {
      "script", "style",  "head", "noscript", "template", "iframe", "object",
      "canvas", "rt",     "rp",   "audio",    "video",    "annotation", "annotation-xml"};
  return isOneOf(n, kSkipped);
}

unsigned inlineStyle(const char* n) {
  static constexpr std::array<const char*, 3> kBold = {"b", "strong", "th"};
  static constexpr std::array<const char*, 6> kItalic = {"i", "em", "cite", "var", "dfn", "address"};
  static constexpr std::array<const char*, 5> kMono = {"code", "tt", "kbd", "samp", "pre"};
  static constexpr std::array<const char*, 2> kUnderline = {"u", "ins"};
  unsigned s = 0;
  if (isOneOf(n, kBold)) s |= HtmlBold;
  if (isOneOf(n, kItalic)) s |= HtmlItalic;
  if (isOneOf(n, kMono)) s |= HtmlMonospace;
  if (isOneOf(n, kUnderline)) s |= HtmlUnderline;
  if (std::strcmp(n, "sup") == 0) s |= HtmlSuperscript;
  if (std::strcmp(n, "sub") == 0) s |= HtmlSubscript;
  if (std::strcmp(n, "small") == 0) s |= HtmlSmall;
  return s;
}

bool isSpace(unsigned char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\f'; }

std::string attribute(xmlNode* node, const char* name) {
  xmlChar* v = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  if (!v) return {};
  std::string s(reinterpret_cast<const char*>(v));
  xmlFree(v);
  return s;
}

// xlink:href and href alike (pictures inside SVG use either).
std::string linkAttribute(xmlNode* node) {
  for (xmlAttr* a = node->properties; a; a = a->next) {
    if (!a->name || std::strcmp(reinterpret_cast<const char*>(a->name), "href") != 0) continue;
    xmlChar* v = xmlNodeGetContent(reinterpret_cast<xmlNode*>(a));
    if (!v) continue;
    std::string s(reinterpret_cast<const char*>(v));
    xmlFree(v);
    return s;
  }
  return {};
}

// The value of one property in a style attribute ("text-align: center; ...").
std::string styleProperty(const std::string& style, std::string_view property) {
  std::size_t start = 0;
  while (start < style.size()) {
    std::size_t end = style.find(';', start);
    if (end == std::string::npos) end = style.size();
    std::string_view decl(style.data() + start, end - start);
    auto colon = decl.find(':');
    if (colon != std::string_view::npos &&
        mv::lowercase(mv::trimWhitespaceAndNewlines(decl.substr(0, colon))) == property) {
      return mv::lowercase(mv::trimWhitespaceAndNewlines(decl.substr(colon + 1)));
    }
    start = end + 1;
  }
  return {};
}

BlockAlignment alignmentFrom(const std::string& word, BlockAlignment fallback) {
  if (word == "left" || word == "start") return BlockAlignment::Left;
  if (word == "right" || word == "end") return BlockAlignment::Right;
  if (word == "center") return BlockAlignment::Center;
  if (word == "justify") return BlockAlignment::Justify;
  return fallback;
}

TextDirection directionFrom(const std::string& word, TextDirection fallback) {
  std::string w = mv::lowercase(word);
  if (w == "rtl") return TextDirection::RightToLeft;
  if (w == "ltr") return TextDirection::LeftToRight;
  return fallback;
}

// A picture named by a page read from `base`: relative names only, without
// fragment or query, escapes decoded; nothing for pictures of the network.
fs::path picturePath(const fs::path& base, const std::string& src) {
  if (base.empty() || src.empty()) return {};
  std::string s = src;
  if (s.rfind("file://", 0) == 0) return fs::path(mv::percentDecode(s.substr(7, s.find_first_of("#?") - 7)));
  if (s.find(':') != std::string::npos && s.find(':') < s.find('/')) return {};  // another scheme
  if (s.front() == '/') return {};
  s = s.substr(0, s.find_first_of("#?"));
  return (base / mv::percentDecode(s)).lexically_normal();
}

// What an element hands down to its content.
struct Context {
  int heading = 0;
  bool paragraph = false;
  bool preformatted = false;
  unsigned style = 0;
  std::string href;
  BlockAlignment alignment = BlockAlignment::Natural;
  TextDirection direction = TextDirection::Natural;
  int indent = 0;
  bool ordered = false;
};

class Flattener {
 public:
  explicit Flattener(HtmlContent& out, fs::path base) : out_(out), base_(std::move(base)) {}

  void walk(xmlNode* first, const Context& ctx, int depth) {
    if (depth > HtmlContent::kMaximumDepth) return;
    for (xmlNode* n = first; n; n = n->next) {
      if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
        if (n->content) append(reinterpret_cast<const char*>(n->content), ctx);
        continue;
      }
      if (n->type != XML_ELEMENT_NODE || !n->name) continue;
      element(n, ctx, depth);
    }
  }

  void finish() { flush(); }

 private:
  void element(xmlNode* n, const Context& parent, int depth) {
    const char* name = reinterpret_cast<const char*>(n->name);
    if (isSkipped(name)) return;
    const std::string style = attribute(n, "style");
    if (xmlHasProp(n, reinterpret_cast<const xmlChar*>("hidden")) || styleProperty(style, "display") == "none") return;
    Context ctx = parent;
    ctx.direction = directionFrom(attribute(n, "dir"), ctx.direction);
    ctx.alignment = alignmentFrom(mv::lowercase(attribute(n, "align")), ctx.alignment);
    ctx.alignment = alignmentFrom(styleProperty(style, "text-align"), ctx.alignment);
    if (std::strcmp(name, "html") == 0 || std::strcmp(name, "body") == 0) out_.direction = ctx.direction;

    if (std::strcmp(name, "br") == 0) {
      if (!current_.text.empty()) appendRaw("\n", ctx);
      return;
    }
    if (std::strcmp(name, "hr") == 0) {
      flush();
      HtmlBlock rule;
      rule.kind = HtmlBlock::Kind::Rule;
      rule.indent = ctx.indent;
      out_.blocks.push_back(std::move(rule));
      return;
    }
    if (std::strcmp(name, "img") == 0 || std::strcmp(name, "image") == 0) {
      picture(n, std::strcmp(name, "img") == 0 ? attribute(n, "src") : linkAttribute(n), ctx);
      return;
    }
    if (std::strcmp(name, "svg") == 0) {
      // Only a picture the drawing shows is taken from it (cover pages draw one that way).
      for (xmlNode* c = n->children; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && c->name && std::strcmp(reinterpret_cast<const char*>(c->name), "image") == 0)
          picture(c, linkAttribute(c), ctx);
      }
      return;
    }

    const bool block = isBlockElement(name);
    if (block) flush();
    anchor(attribute(n, "id"));
    if (std::strcmp(name, "a") == 0) {
      anchor(attribute(n, "name"));
      std::string href = attribute(n, "href");
      if (!href.empty()) ctx.href = href;
    }
    ctx.style |= inlineStyle(name);
    if (name[0] == 'h' && name[1] >= '1' && name[1] <= '6' && name[2] == 0) ctx.heading = name[1] - '0';
    if (std::strcmp(name, "p") == 0) ctx.paragraph = true;
    if (std::strcmp(name, "pre") == 0) ctx.preformatted = true;
    if (std::strcmp(name, "center") == 0) ctx.alignment = BlockAlignment::Center;
    if (std::strcmp(name, "ul") == 0 || std::strcmp(name, "ol") == 0 || std::strcmp(name, "blockquote") == 0 ||
        std::strcmp(name, "dd") == 0) {
      ++ctx.indent;
      ctx.ordered = std::strcmp(name, "ol") == 0;
    }
    if (std::strcmp(name, "td") == 0 || std::strcmp(name, "th") == 0) {
      if (!current_.text.empty()) appendRaw("\t", ctx);
    }
    int savedCounter = counter_;
    if (std::strcmp(name, "ol") == 0 || std::strcmp(name, "ul") == 0) counter_ = 0;
    if (std::strcmp(name, "li") == 0) marker_ = ctx.ordered ? std::to_string(++counter_) + "." : "\u2022";
    walk(n->children, ctx, depth + 1);
    if (std::strcmp(name, "ol") == 0 || std::strcmp(name, "ul") == 0) counter_ = savedCounter;
    if (block) flush();
  }

  void picture(xmlNode* n, const std::string& src, const Context& ctx) {
    flush();
    anchor(attribute(n, "id"));
    HtmlBlock b;
    b.kind = HtmlBlock::Kind::Image;
    b.image = picturePath(base_, src);
    b.alt = attribute(n, "alt");
    b.alignment = ctx.alignment;
    b.indent = ctx.indent;
    out_.blocks.push_back(std::move(b));
  }

  void anchor(const std::string& id) {
    if (!id.empty()) out_.anchors.emplace(id, HtmlPosition{out_.blocks.size(), current_.text.size()});
  }

  // Text as the page shows it: runs of white space become one space (none at
  // the start of a line), except in preformatted text.
  void append(const char* text, const Context& ctx) {
    if (ctx.preformatted) {
      appendRaw(text, ctx);
      return;
    }
    std::string collapsed;
    bool space = !current_.text.empty() && !isSpace(static_cast<unsigned char>(current_.text.back())) &&
                 current_.text.back() != '\n';
    bool pendingSpace = false;
    for (const char* p = text; *p; ++p) {
      if (isSpace(static_cast<unsigned char>(*p))) {
        pendingSpace = true;
        continue;
      }
      if (pendingSpace && (space || !collapsed.empty())) collapsed += ' ';
      pendingSpace = false;
      collapsed += *p;
    }
    if (pendingSpace && (space || !collapsed.empty())) collapsed += ' ';
    if (!collapsed.empty()) appendRaw(collapsed, ctx);
  }

  void appendRaw(std::string_view text, const Context& ctx) {
    if (total_ + text.size() > HtmlContent::kMaximumTextBytes) return;
    total_ += text.size();
    if (current_.text.empty() && current_.marker.empty()) start(ctx);
    std::size_t from = current_.text.size();
    current_.text += text;
    if (ctx.style == 0 && ctx.href.empty()) return;
    if (!current_.spans.empty()) {
      HtmlSpan& last = current_.spans.back();
      if (last.end == from && last.style == ctx.style && last.href == ctx.href) {
        last.end = current_.text.size();
        return;
      }
    }
    current_.spans.push_back(HtmlSpan{from, current_.text.size(), ctx.style, ctx.href});
  }

  void start(const Context& ctx) {
    current_.heading = ctx.heading;
    current_.paragraph = ctx.paragraph;
    current_.preformatted = ctx.preformatted;
    current_.alignment = ctx.alignment;
    current_.direction = ctx.direction;
    current_.indent = ctx.indent;
    current_.marker = std::move(marker_);
    marker_.clear();
  }

  void flush() {
    std::string& t = current_.text;
    std::size_t end = t.size();
    if (!current_.preformatted) {
      while (end > 0 && (t[end - 1] == ' ' || t[end - 1] == '\n' || t[end - 1] == '\t')) --end;
    } else {
      while (end > 0 && t[end - 1] == '\n') --end;
    }
    t.resize(end);
    for (auto& s : current_.spans) s.end = std::min(s.end, end);
    std::erase_if(current_.spans, [](const HtmlSpan& s) { return s.start >= s.end; });
    if (!t.empty()) out_.blocks.push_back(std::move(current_));
    current_ = HtmlBlock{};
  }

  HtmlContent& out_;
  fs::path base_;
  HtmlBlock current_;
  std::string marker_;
  int counter_ = 0;
  std::size_t total_ = 0;
};

xmlNode* findTitle(xmlNode* node, int depth) {
  if (depth > HtmlContent::kMaximumDepth) return nullptr;
  for (xmlNode* n = node; n; n = n->next) {
    if (n->type != XML_ELEMENT_NODE || !n->name) continue;
    const char* name = reinterpret_cast<const char*>(n->name);
    if (std::strcmp(name, "title") == 0) return n;
    if (std::strcmp(name, "body") == 0) continue;  // the title lives in the head
    if (xmlNode* t = findTitle(n->children, depth + 1)) return t;
  }
  return nullptr;
}

DocPtr parseDocument(std::string_view bytes, const std::string& encoding) {
  const int size = static_cast<int>(bytes.size());
  const char* enc = encoding.empty() ? nullptr : encoding.c_str();
  // Well-formed XHTML first, so that "<a id='x'/>" stays empty; entities that
  // only an HTML DTD defines (&nbsp;) make it fall back to the HTML parser.
  DocPtr doc(xmlReadMemory(bytes.data(), size, nullptr, enc, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (doc && xmlDocGetRootElement(doc.get())) return doc;
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET | HTML_PARSE_COMPACT;
  return DocPtr(htmlReadMemory(bytes.data(), size, nullptr, enc, options));
}

}  // namespace

HtmlContent HtmlContent::parse(std::string_view bytes, const std::string& encoding, const fs::path& baseFolder) {
  HtmlContent out;
  if (bytes.size() > kMaximumPageBytes) bytes = bytes.substr(0, kMaximumPageBytes);
  if (bytes.empty()) return out;
  DocPtr doc = parseDocument(bytes, encoding);
  if (!doc) return out;
  xmlNode* root = xmlDocGetRootElement(doc.get());
  if (xmlNode* t = findTitle(root, 0)) {
    if (xmlChar* content = xmlNodeGetContent(t)) {
      std::string s;
      for (const char* p = reinterpret_cast<const char*>(content); *p; ++p) {
        if (isSpace(static_cast<unsigned char>(*p))) {
          if (!s.empty() && s.back() != ' ') s += ' ';
        } else {
          s += *p;
        }
      }
      out.title = mv::trimWhitespace(s);
      xmlFree(content);
    }
  }
  Flattener flat(out, baseFolder);
  flat.walk(root, Context{}, 0);
  flat.finish();
  return out;
}

std::vector<std::string> HtmlContent::lines() const {
  std::vector<std::string> out;
  for (const auto& b : blocks) {
    if (b.kind != HtmlBlock::Kind::Text) continue;
    std::size_t start = 0;
    while (start <= b.text.size()) {
      std::size_t end = b.text.find('\n', start);
      if (end == std::string::npos) end = b.text.size();
      if (end > start) out.push_back(b.text.substr(start, end - start));
      start = end + 1;
    }
  }
  return out;
}

}  // namespace svc
