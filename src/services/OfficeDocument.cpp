#include "services/OfficeDocument.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <functional>
#include <map>

#include "util/XMLDocument.hpp"
#include "util/XMLElement.hpp"
#include "util/ZipArchive.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

using Node = std::shared_ptr<mv::XMLNode>;

std::string lowerExtension(const fs::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

// An attribute by its local name, whatever prefix the file gave its namespace.
std::optional<std::string> attribute(const Node& node, const std::string& prefix, const std::string& local) {
  auto element = std::dynamic_pointer_cast<mv::XMLElement>(node);
  if (!element) return std::nullopt;
  if (auto v = element->attributeValue(prefix + ":" + local)) return v;
  return element->attributeValue(local);
}

std::vector<Node> elementChildren(const Node& node) {
  std::vector<Node> out;
  if (!node) return out;
  for (auto& child : node->children()) {
    if (child && child->kind() == mv::XMLNode::Kind::Element) out.push_back(child);
  }
  return out;
}

Node child(const Node& node, const std::string& local) {
  for (auto& c : elementChildren(node)) {
    if (c->localName() == local) return c;
  }
  return nullptr;
}

// Every descendant with that local name, in document order.
void collect(const Node& node, const std::string& local, std::vector<Node>& out) {
  for (auto& c : elementChildren(node)) {
    if (c->localName() == local) {
      out.push_back(c);
    } else {
      collect(c, local, out);
    }
  }
}

class Package {
 public:
  bool open(const fs::path& path, std::string* error) {
    if (!zip_.UnzipOpenFile(path)) return setError(error, "not a ZIP package");
    return true;
  }
  // A picture part, decoded and scaled down to the preview's limit; nothing
  // for a missing part, another format or more pictures than allowed.
  std::shared_ptr<const gfx::ImageData> picture(const std::string& name) {
    if (pictures_ >= OfficeDocument::kMaxPictures) return nullptr;
    auto bytes = zip_.contentsOfEntry(name, OfficeDocument::kMaxPartBytes);
    if (!bytes) return nullptr;
    auto image = gfx::ImageData::decode(std::string_view(*bytes));
    if (!image || image->empty()) return nullptr;
    ++pictures_;
    const int side = std::max(image->width, image->height);
    if (side > OfficeDocument::kMaxPictureSide) {
      const double f = static_cast<double>(OfficeDocument::kMaxPictureSide) / side;
      *image = image->scaled(std::max(1, static_cast<int>(image->width * f)), std::max(1, static_cast<int>(image->height * f)));
    }
    return std::make_shared<const gfx::ImageData>(std::move(*image));
  }
  // The part parsed as XML; nothing when it is missing or not XML.
  std::shared_ptr<mv::XMLDocument> part(const std::string& name) {
    auto bytes = zip_.contentsOfEntry(name, OfficeDocument::kMaxPartBytes);
    if (!bytes) return nullptr;
    auto doc = mv::XMLDocument::initWithData(*bytes);
    return doc && doc->rootElement() ? doc : nullptr;
  }
  // Relationship id -> target of a part's relationships, resolved against
  // the folder of the part ("word/document.xml" -> "word/...").
  std::map<std::string, std::string> relationships(const std::string& partName) {
    std::map<std::string, std::string> out;
    const auto slash = partName.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : partName.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? partName : partName.substr(slash + 1);
    auto rels = part(folder + "_rels/" + file + ".rels");
    if (!rels) return out;
    for (auto& r : elementChildren(rels->rootElement())) {
      auto id = attribute(r, "", "Id");
      auto target = attribute(r, "", "Target");
      if (!id || !target || target->empty()) continue;
      out[*id] = (*target)[0] == '/' ? target->substr(1) : resolve(folder, *target);
    }
    return out;
  }
  static bool setError(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
  }

 private:
  // "ppt/" + "../media/x" -> "media/x": ".." steps up, never above the root.
  static std::string resolve(const std::string& folder, const std::string& target) {
    std::vector<std::string> parts;
    auto push = [&](const std::string& path) {
      std::size_t start = 0;
      while (start <= path.size()) {
        const auto end = path.find('/', start);
        const std::string piece = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (piece == "..") {
          if (!parts.empty()) parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
          parts.push_back(piece);
        }
        if (end == std::string::npos) break;
        start = end + 1;
      }
    };
    push(folder);
    push(target);
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
  }

  mv::ZipArchive zip_;
  std::size_t pictures_ = 0;
};

// The pictures a node shows (its blips and VML image data), in order.
void addPictures(Package& package, const Node& node, const std::map<std::string, std::string>& rels,
                 std::vector<OfficeBlock>& blocks) {
  std::vector<Node> blips;
  collect(node, "blip", blips);
  collect(node, "imagedata", blips);
  for (auto& blip : blips) {
    auto id = attribute(blip, "r", "embed");
    if (!id) id = attribute(blip, "r", "id");
    auto target = id ? rels.find(*id) : rels.end();
    if (target == rels.end()) continue;
    if (auto image = package.picture(target->second)) {
      OfficeBlock block;
      block.kind = OfficeBlock::Kind::Picture;
      block.picture = std::move(image);
      blocks.push_back(std::move(block));
    }
  }
}

OfficeBlock paragraphBlock(std::string text) {
  OfficeBlock block;
  block.text = std::move(text);
  return block;
}

// ---- text runs -------------------------------------------------------------------------

// The text of a paragraph: its runs' texts, tabs and breaks.
std::string paragraphText(const Node& paragraph) {
  std::string out;
  std::function<void(const Node&)> walk = [&](const Node& node) {
    for (auto& c : elementChildren(node)) {
      const std::string name = c->localName();
      if (name == "t") {
        out += c->stringValue();
      } else if (name == "tab") {
        out += '\t';
      } else if (name == "br" || name == "cr") {
        out += '\n';
      } else if (name != "rPr" && name != "pPr" && name != "instrText" && name != "delText") {
        walk(c);
      }
    }
  };
  walk(paragraph);
  return out;
}

// Rows of cells, each cell the text of its paragraphs; ragged rows padded.
std::vector<std::vector<std::string>> tableRows(const Node& table) {
  std::vector<std::vector<std::string>> rows;
  std::size_t width = 0;
  for (auto& tr : elementChildren(table)) {
    if (tr->localName() != "tr" || rows.size() >= OfficeDocument::kMaxRows) continue;
    std::vector<std::string> row;
    for (auto& tc : elementChildren(tr)) {
      if (tc->localName() != "tc" || row.size() >= OfficeDocument::kMaxColumns) continue;
      std::vector<Node> paragraphs;
      collect(tc, "p", paragraphs);
      std::string cell;
      for (auto& p : paragraphs) cell += (cell.empty() ? "" : "\n") + paragraphText(p);
      row.push_back(cell);
    }
    width = std::max(width, row.size());
    rows.push_back(std::move(row));
  }
  for (auto& row : rows) row.resize(width);
  return rows;
}

// ---- Word ------------------------------------------------------------------------------

bool isHeadingStyle(const std::string& style) {
  std::string s = style;
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s.rfind("heading", 0) == 0 || s == "title" || s == "subtitle";
}

bool readWord(Package& package, OfficeDocument& doc, std::string* error) {
  auto main = package.part("word/document.xml");
  if (!main) return Package::setError(error, "no document part");
  auto body = child(main->rootElement(), "body");
  if (!body) return Package::setError(error, "no document body");
  const auto rels = package.relationships("word/document.xml");
  OfficeSection section;
  for (auto& node : elementChildren(body)) {
    const std::string name = node->localName();
    if (name == "p") {
      OfficeBlock block;
      block.text = paragraphText(node);
      auto style = attribute(child(child(node, "pPr"), "pStyle"), "w", "val");
      if (style && isHeadingStyle(*style)) block.kind = OfficeBlock::Kind::Heading;
      section.blocks.push_back(std::move(block));
      addPictures(package, node, rels, section.blocks);
    } else if (name == "tbl") {
      OfficeBlock block;
      block.kind = OfficeBlock::Kind::Table;
      block.rows = tableRows(node);
      if (!block.rows.empty()) section.blocks.push_back(std::move(block));
    } else if (name == "sdt") {
      // Content controls hold ordinary paragraphs.
      std::vector<Node> paragraphs;
      collect(child(node, "sdtContent"), "p", paragraphs);
      for (auto& p : paragraphs) section.blocks.push_back(paragraphBlock(paragraphText(p)));
    }
  }
  doc.sections.push_back(std::move(section));
  return true;
}

// ---- Workbook --------------------------------------------------------------------------

// "BC12" -> column 54 (0-based "A" = 0); nothing for a malformed reference.
std::optional<std::size_t> columnOf(const std::string& reference) {
  std::size_t column = 0;
  std::size_t letters = 0;
  for (char c : reference) {
    if (c < 'A' || c > 'Z') break;
    column = column * 26 + static_cast<std::size_t>(c - 'A' + 1);
    if (++letters > 3) return std::nullopt;
  }
  if (letters == 0) return std::nullopt;
  return column - 1;
}

bool readWorkbook(Package& package, OfficeDocument& doc, std::string* error) {
  auto book = package.part("xl/workbook.xml");
  if (!book) return Package::setError(error, "no workbook part");
  std::vector<std::string> shared;
  if (auto strings = package.part("xl/sharedStrings.xml")) {
    for (auto& si : elementChildren(strings->rootElement())) {
      if (si->localName() != "si") continue;
      std::vector<Node> texts;
      collect(si, "t", texts);
      std::string text;
      for (auto& t : texts) {
        // Phonetic runs (rPh) repeat the reading; they are not shown.
        auto parent = t->parent();
        if (parent && parent->localName() == "rPh") continue;
        text += t->stringValue();
      }
      shared.push_back(std::move(text));
    }
  }
  const auto rels = package.relationships("xl/workbook.xml");
  auto sheets = child(book->rootElement(), "sheets");
  for (auto& sheet : elementChildren(sheets)) {
    if (doc.sections.size() >= OfficeDocument::kMaxSections) break;
    auto id = attribute(sheet, "r", "id");
    auto target = id ? rels.find(*id) : rels.end();
    if (target == rels.end()) continue;
    auto part = package.part(target->second);
    if (!part) continue;
    OfficeSection section;
    section.title = attribute(sheet, "", "name").value_or("");
    OfficeBlock table;
    table.kind = OfficeBlock::Kind::Table;
    std::size_t width = 0;
    for (auto& row : elementChildren(child(part->rootElement(), "sheetData"))) {
      if (row->localName() != "row" || table.rows.size() >= OfficeDocument::kMaxRows) continue;
      std::vector<std::string> cells;
      std::size_t next = 0;
      for (auto& c : elementChildren(row)) {
        if (c->localName() != "c") continue;
        // A cell without a reference follows the one before; one with a
        // reference that cannot be read is left out.
        const auto reference = attribute(c, "", "r");
        const auto parsed = reference ? columnOf(*reference) : std::optional<std::size_t>(next);
        if (!parsed) continue;
        const std::size_t column = *parsed;
        next = column + 1;
        if (column >= OfficeDocument::kMaxColumns) continue;
        const std::string type = attribute(c, "", "t").value_or("n");
        std::string value;
        if (type == "inlineStr") {
          std::vector<Node> texts;
          collect(c, "t", texts);
          for (auto& t : texts) value += t->stringValue();
        } else if (auto v = child(c, "v")) {
          value = v->stringValue();
          if (type == "s") {
            char* end = nullptr;
            const unsigned long index = std::strtoul(value.c_str(), &end, 10);
            value = end && *end == '\0' && !value.empty() && index < shared.size() ? shared[index] : std::string();
          } else if (type == "b") {
            value = value == "1" ? "TRUE" : "FALSE";
          }
        }
        if (cells.size() <= column) cells.resize(column + 1);
        cells[column] = std::move(value);
      }
      // Rows keep their own gaps out: an empty row stays empty.
      width = std::max(width, cells.size());
      table.rows.push_back(std::move(cells));
    }
    while (!table.rows.empty() && std::all_of(table.rows.back().begin(), table.rows.back().end(),
                                              [](const std::string& c) { return c.empty(); })) {
      table.rows.pop_back();
    }
    for (auto& r : table.rows) r.resize(width);
    if (!table.rows.empty() && width > 0) section.blocks.push_back(std::move(table));
    doc.sections.push_back(std::move(section));
  }
  if (doc.sections.empty()) return Package::setError(error, "the workbook has no sheets");
  return true;
}

// ---- Presentation ----------------------------------------------------------------------

bool isTitlePlaceholder(const Node& shape) {
  auto ph = child(child(child(shape, "nvSpPr"), "nvPr"), "ph");
  if (!ph) return false;
  const std::string type = attribute(ph, "", "type").value_or("");
  return type == "title" || type == "ctrTitle";
}

void readShapes(Package& package, const std::map<std::string, std::string>& rels, const Node& tree,
                OfficeSection& section) {
  for (auto& shape : elementChildren(tree)) {
    const std::string name = shape->localName();
    if (name == "sp") {
      std::vector<Node> paragraphs;
      collect(child(shape, "txBody"), "p", paragraphs);
      const bool title = isTitlePlaceholder(shape);
      std::string titleText;
      for (auto& p : paragraphs) {
        std::string text = paragraphText(p);
        if (text.empty()) continue;
        if (title) {
          titleText += (titleText.empty() ? "" : " ") + text;
        } else {
          section.blocks.push_back(paragraphBlock(std::move(text)));
        }
      }
      if (title && section.title.empty()) section.title = titleText;
    } else if (name == "graphicFrame") {
      std::vector<Node> tables;
      collect(shape, "tbl", tables);
      for (auto& t : tables) {
        OfficeBlock block;
        block.kind = OfficeBlock::Kind::Table;
        block.rows = tableRows(t);
        if (!block.rows.empty()) section.blocks.push_back(std::move(block));
      }
    } else if (name == "pic") {
      addPictures(package, shape, rels, section.blocks);
    } else if (name == "grpSp") {
      readShapes(package, rels, shape, section);
    }
  }
}

bool readPresentation(Package& package, OfficeDocument& doc, std::string* error) {
  auto presentation = package.part("ppt/presentation.xml");
  if (!presentation) return Package::setError(error, "no presentation part");
  const auto rels = package.relationships("ppt/presentation.xml");
  for (auto& slideId : elementChildren(child(presentation->rootElement(), "sldIdLst"))) {
    if (doc.sections.size() >= OfficeDocument::kMaxSections) break;
    auto id = attribute(slideId, "r", "id");
    auto target = id ? rels.find(*id) : rels.end();
    if (target == rels.end()) continue;
    auto slide = package.part(target->second);
    if (!slide) continue;
    OfficeSection section;
    const auto slideRels = package.relationships(target->second);
    readShapes(package, slideRels, child(child(slide->rootElement(), "cSld"), "spTree"), section);
    // The speaker notes follow their slide.
    for (const auto& [relId, notesPart] : slideRels) {
      if (notesPart.find("notesSlides/") == std::string::npos) continue;
      auto notes = package.part(notesPart);
      if (!notes) continue;
      std::vector<Node> shapes;
      collect(child(child(notes->rootElement(), "cSld"), "spTree"), "sp", shapes);
      for (auto& shape : shapes) {
        auto ph = child(child(child(shape, "nvSpPr"), "nvPr"), "ph");
        // Only the notes' own text: not the slide number or the slide's picture.
        if (!ph || attribute(ph, "", "type").value_or("") != "body") continue;
        std::vector<Node> paragraphs;
        collect(child(shape, "txBody"), "p", paragraphs);
        for (auto& p : paragraphs) {
          std::string text = paragraphText(p);
          if (text.empty()) continue;
          OfficeBlock block = paragraphBlock(std::move(text));
          block.kind = OfficeBlock::Kind::Note;
          section.blocks.push_back(std::move(block));
        }
      }
    }
    doc.sections.push_back(std::move(section));
  }
  if (doc.sections.empty()) return Package::setError(error, "the presentation has no slides");
  return true;
}

}  // namespace

bool OfficeDocument::isReadable(const fs::path& path) {
  const std::string ext = lowerExtension(path);
  return ext == ".docx" || ext == ".xlsx" || ext == ".pptx";
}

std::string OfficeDocument::mimeTypeForPath(const fs::path& path) {
  static const std::map<std::string, std::string> kTypes = {
      {".ppt", "application/vnd.ms-powerpoint"},
      {".pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {".xls", "application/vnd.ms-excel"},
      {".xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {".doc", "application/msword"},
      {".docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
  };
  auto it = kTypes.find(lowerExtension(path));
  return it == kTypes.end() ? "application/octet-stream" : it->second;
}

std::optional<OfficeDocument> OfficeDocument::read(const fs::path& path, std::string* error) {
  const std::string ext = lowerExtension(path);
  OfficeDocument doc;
  if (ext == ".docx") {
    doc.kind = Kind::Word;
  } else if (ext == ".xlsx") {
    doc.kind = Kind::Workbook;
  } else if (ext == ".pptx") {
    doc.kind = Kind::Presentation;
  } else {
    Package::setError(error, "not an Office Open XML file");
    return std::nullopt;
  }
  Package package;
  if (!package.open(path, error)) return std::nullopt;
  bool ok = false;
  switch (doc.kind) {
    case Kind::Word: ok = readWord(package, doc, error); break;
    case Kind::Workbook: ok = readWorkbook(package, doc, error); break;
    case Kind::Presentation: ok = readPresentation(package, doc, error); break;
  }
  if (!ok) return std::nullopt;
  return doc;
}

}  // namespace svc
