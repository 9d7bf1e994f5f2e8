#include "sales-service/DocumentFactory.hpp"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "sales-service/ImageFactory.hpp"
#include "sales-service/ZipBuilder.hpp"

namespace mv::sales {

namespace {

const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

uint64_t mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

bool looksNumeric(const std::string& s) {
  if (s.empty()) return false;
  char* end = nullptr;
  std::strtod(s.c_str(), &end);
  return end && *end == '\0';
}

// Characters, not bytes, of a UTF-8 text.
std::size_t utf8Characters(const std::string& s) {
  return static_cast<std::size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string columnName(size_t index) {
  std::string name;
  size_t n = index + 1;
  while (n > 0) {
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    n = (n - 1) / 26;
  }
  return name;
}

void putLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void putLe16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void setLe32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

const char* kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const char* kOfficeDocRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
const char* kCoreRel = "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";

std::string corePart(const std::string& title) {
  return std::string(kXmlHead) +
         "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:title>" +
         DocumentFactory::xmlEscape(title) +
         "</dc:title><dc:creator>Sales Service</dc:creator>"
         "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2024-01-01T12:00:00Z</dcterms:created>"
         "</cp:coreProperties>";
}

std::string packageRels(const std::string& mainTarget) {
  return std::string(kXmlHead) + "<Relationships xmlns=\"" + kRelsNs + "\">" +
         "<Relationship Id=\"rId1\" Type=\"" + kOfficeDocRel + "\" Target=\"" + mainTarget + "\"/>" +
         "<Relationship Id=\"rId2\" Type=\"" + kCoreRel + "\" Target=\"docProps/core.xml\"/>" +
         "</Relationships>";
}

std::string contentTypes(const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::string out = std::string(kXmlHead) +
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                    "<Override PartName=\"/docProps/core.xml\" ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>";
  for (const auto& [part, type] : overrides) {
    out += "<Override PartName=\"" + part + "\" ContentType=\"" + type + "\"/>";
  }
  return out + "</Types>";
}

const char* kPresentationNs =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";

const char* kEmptyTree =
    "<p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
    "<p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/><a:chOff x=\"0\" y=\"0\"/>"
    "<a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr>";

std::string themePart() {
  auto solid = [](const char* scheme) {
    return std::string("<a:solidFill><a:schemeClr val=\"") + scheme + "\"/></a:solidFill>";
  };
  auto line = [&](int w) {
    return "<a:ln w=\"" + std::to_string(w) + "\">" + solid("phClr") + "</a:ln>";
  };
  auto color = [](const char* name, const char* rgb) {
    return std::string("<a:") + name + "><a:srgbClr val=\"" + rgb + "\"/></a:" + name + ">";
  };
  std::string t = std::string(kXmlHead) +
                  "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Sales\">"
                  "<a:themeElements><a:clrScheme name=\"Sales\">"
                  "<a:dk1><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:dk1>"
                  "<a:lt1><a:sysClr val=\"window\" lastClr=\"FFFFFF\"/></a:lt1>" +
                  color("dk2", "1F497D") + color("lt2", "EEECE1") + color("accent1", "4F81BD") +
                  color("accent2", "C0504D") + color("accent3", "9BBB59") + color("accent4", "8064A2") +
                  color("accent5", "4BACC6") + color("accent6", "F79646") + color("hlink", "0000FF") +
                  color("folHlink", "800080") +
                  "</a:clrScheme><a:fontScheme name=\"Sales\">"
                  "<a:majorFont><a:latin typeface=\"Calibri\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/></a:majorFont>"
                  "<a:minorFont><a:latin typeface=\"Calibri\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/></a:minorFont>"
                  "</a:fontScheme><a:fmtScheme name=\"Sales\"><a:fillStyleLst>" +
                  solid("phClr") + solid("phClr") + solid("phClr") + "</a:fillStyleLst><a:lnStyleLst>" +
                  line(9525) + line(25400) + line(38100) +
                  "</a:lnStyleLst><a:effectStyleLst>"
                  "<a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle>"
                  "<a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst><a:bgFillStyleLst>" +
                  solid("phClr") + solid("phClr") + solid("phClr") +
                  "</a:bgFillStyleLst></a:fmtScheme></a:themeElements></a:theme>";
  return t;
}

// A text box of a slide, full width, at `y` with height `cy` (EMU).
std::string textShape(int id, const char* name, long y, long cy, const std::string& paragraphs) {
  return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
         "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"457200\" y=\"" +
         std::to_string(y) + "\"/><a:ext cx=\"8229600\" cy=\"" + std::to_string(cy) +
         "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr><p:txBody><a:bodyPr/><a:lstStyle/>" +
         paragraphs + "</p:txBody></p:sp>";
}

}  // namespace

std::string DocumentFactory::xmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

std::string DocumentFactory::pdf(const std::string& title, int pages, uint64_t seed) {
  const double width = 842, height = 595;  // A4 landscape, points
  std::string out;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(appendToString, &out, width, height);
  // A fixed creation date keeps the file the same from run to run.
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Sales Service");
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2024-01-01T12:00:00");
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_MOD_DATE, "2024-01-01T12:00:00");
  cairo_t* cr = cairo_create(surface);
  uint64_t state = seed;
  for (int page = 1; page <= std::max(1, pages); ++page) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.16, 0.32, 0.55);
    cairo_rectangle(cr, 0, 0, width, 70);
    cairo_fill(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 28);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 36, 46);
    cairo_show_text(cr, title.c_str());

    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 14);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    for (int line = 0; line < 12; ++line) {
      state = mix(state);
      char text[160];
      std::snprintf(text, sizeof text, "Page %d, line %d: item %llu, quantity %llu, reference %06llu.", page,
                    line + 1, static_cast<unsigned long long>(state % 997),
                    static_cast<unsigned long long>((state >> 12) % 250),
                    static_cast<unsigned long long>((state >> 24) % 1000000));
      cairo_move_to(cr, 36, 110 + line * 22);
      cairo_show_text(cr, text);
    }
    // a small bar chart
    for (int bar = 0; bar < 6; ++bar) {
      state = mix(state);
      double h = 40 + static_cast<double>(state % 180);
      cairo_set_source_rgb(cr, 0.2 + bar * 0.1, 0.5, 0.8 - bar * 0.1);
      cairo_rectangle(cr, 520 + bar * 45, 480 - h, 32, h);
      cairo_fill(cr);
    }
    char footer[64];
    std::snprintf(footer, sizeof footer, "%d / %d", page, std::max(1, pages));
    cairo_set_source_rgb(cr, 0.4, 0.4, 0.4);
    cairo_set_font_size(cr, 11);
    cairo_move_to(cr, width / 2 - 12, height - 24);
    cairo_show_text(cr, footer);
    // links for the reader: to the next page, and on the first page to a web page
    cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
    if (page < pages) {
      const std::string target = "page=" + std::to_string(page + 1) + " pos=[0 0]";
      cairo_tag_begin(cr, CAIRO_TAG_LINK, target.c_str());
      cairo_move_to(cr, width - 120, height - 24);
      cairo_show_text(cr, "Next page");
      cairo_tag_end(cr, CAIRO_TAG_LINK);
    }
    if (page == 1) {
      cairo_tag_begin(cr, CAIRO_TAG_LINK, "uri='http://www.example.com/catalogue'");
      cairo_move_to(cr, 36, height - 24);
      cairo_show_text(cr, "www.example.com/catalogue");
      cairo_tag_end(cr, CAIRO_TAG_LINK);
    }
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok ? out : std::string();
}

std::string DocumentFactory::epub(const std::string& title, const std::vector<Chapter>& chapters,
                                  const std::string& picture) {
  ZipBuilder zip;
  zip.add("mimetype", "application/epub+zip", true);
  zip.add("META-INF/container.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
          "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
          "</rootfiles></container>\n");
  const std::string uid = "urn:uuid:sales-" + std::to_string(mix(title.size() * 131 + chapters.size()) % 100000000);
  std::string manifest = "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>"
                         "<item id=\"style\" href=\"style.css\" media-type=\"text/css\"/>";
  std::string spine;
  std::string nav;
  for (size_t i = 0; i < chapters.size(); ++i) {
    const std::string id = "chapter" + std::to_string(i + 1);
    const std::string href = id + ".xhtml";
    manifest += "<item id=\"" + id + "\" href=\"" + href + "\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"" + id + "\"/>";
    nav += "<navPoint id=\"navPoint-" + std::to_string(i + 1) + "\" playOrder=\"" + std::to_string(i + 1) +
           "\"><navLabel><text>" + xmlEscape(chapters[i].title) + "</text></navLabel><content src=\"" + href +
           "\"/></navPoint>";
    std::string body = "<h1>" + xmlEscape(chapters[i].title) + "</h1>";
    if (i == 0 && !picture.empty()) body += "<p><img src=\"picture.png\" alt=\"" + xmlEscape(title) + "\"/></p>";
    for (const auto& p : chapters[i].paragraphs) body += "<p>" + xmlEscape(p) + "</p>";
    // The first chapter ends with the net price as a formula, as price lists print it.
    if (i == 0) {
      body += "<math xmlns=\"http://www.w3.org/1998/Math/MathML\" display=\"block\"><mi>p</mi><mo>=</mo>"
              "<mfrac><mrow><mi>l</mi><mo>&#x00D7;</mo><mo>(</mo><mn>100</mn><mo>&#x2212;</mo><mi>d</mi><mo>)</mo>"
              "</mrow><mn>100</mn></mfrac><mo>+</mo><msqrt><msup><mi>t</mi><mn>2</mn></msup></msqrt></math>";
    }
    zip.add("OEBPS/" + href,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" \"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>" +
                xmlEscape(chapters[i].title) +
                "</title><link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/></head><body>" + body +
                "</body></html>\n");
  }
  zip.add("OEBPS/style.css", "body { font-family: serif; margin: 5%; }\nh1 { color: #2a5285; }\n");
  if (!picture.empty()) {
    zip.add("OEBPS/picture.png", picture);
    manifest += "<item id=\"picture\" href=\"picture.png\" media-type=\"image/png\"/>";
  }
  zip.add("OEBPS/content.opf",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<package xmlns=\"http://www.idpf.org/2007/opf\" unique-identifier=\"BookId\" version=\"2.0\">"
          "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:opf=\"http://www.idpf.org/2007/opf\">"
          "<dc:title>" +
              xmlEscape(title) +
              "</dc:title><dc:language>en</dc:language><dc:identifier id=\"BookId\">" + uid +
              "</dc:identifier><dc:creator>Sales Service</dc:creator></metadata><manifest>" + manifest +
              "</manifest><spine toc=\"ncx\">" + spine + "</spine></package>\n");
  zip.add("OEBPS/toc.ncx",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\"><head>"
          "<meta name=\"dtb:uid\" content=\"" +
              uid +
              "\"/><meta name=\"dtb:depth\" content=\"1\"/><meta name=\"dtb:totalPageCount\" content=\"0\"/>"
              "<meta name=\"dtb:maxPageNumber\" content=\"0\"/></head><docTitle><text>" +
              xmlEscape(title) + "</text></docTitle><navMap>" + nav + "</navMap></ncx>\n");
  return zip.finish().value_or(std::string());
}

std::string DocumentFactory::docx(const std::string& title, const std::vector<std::string>& paragraphs) {
  const char* ns = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  std::string body = "<w:p><w:r><w:rPr><w:b/><w:sz w:val=\"40\"/></w:rPr><w:t>" + xmlEscape(title) +
                     "</w:t></w:r></w:p>";
  for (const auto& p : paragraphs) {
    body += "<w:p><w:r><w:t xml:space=\"preserve\">" + xmlEscape(p) + "</w:t></w:r></w:p>";
  }
  ZipBuilder zip;
  zip.add("[Content_Types].xml",
          contentTypes({{"/word/document.xml",
                         "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"}}));
  zip.add("_rels/.rels", packageRels("word/document.xml"));
  zip.add("docProps/core.xml", corePart(title));
  zip.add("word/document.xml", std::string(kXmlHead) + "<w:document xmlns:w=\"" + ns + "\"><w:body>" + body +
                                   "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>");
  return zip.finish().value_or(std::string());
}

std::string DocumentFactory::xlsx(const std::string& sheetName, const std::vector<std::vector<std::string>>& rows) {
  std::string data;
  for (size_t r = 0; r < rows.size(); ++r) {
    data += "<row r=\"" + std::to_string(r + 1) + "\">";
    for (size_t c = 0; c < rows[r].size(); ++c) {
      const std::string ref = columnName(c) + std::to_string(r + 1);
      const std::string& cell = rows[r][c];
      if (r > 0 && looksNumeric(cell)) {
        data += "<c r=\"" + ref + "\"><v>" + cell + "</v></c>";
      } else {
        data += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + xmlEscape(cell) + "</t></is></c>";
      }
    }
    data += "</row>";
  }
  // Each column as wide as its longest text (in characters, with a margin),
  // so no cell is cut by the one beside it.
  std::vector<std::size_t> longest;
  for (const auto& row : rows) {
    if (longest.size() < row.size()) longest.resize(row.size(), 0);
    for (size_t c = 0; c < row.size(); ++c) longest[c] = std::max(longest[c], utf8Characters(row[c]));
  }
  std::string cols;
  for (size_t c = 0; c < longest.size(); ++c) {
    const std::string n = std::to_string(c + 1);
    cols += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"" + std::to_string(std::max<std::size_t>(longest[c], 8) + 2) +
            "\" customWidth=\"1\"/>";
  }
  if (!cols.empty()) cols = "<cols>" + cols + "</cols>";
  const char* ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const char* rNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  ZipBuilder zip;
  zip.add("[Content_Types].xml",
          contentTypes({{"/xl/workbook.xml", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"},
                        {"/xl/worksheets/sheet1.xml",
                         "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"}}));
  zip.add("_rels/.rels", packageRels("xl/workbook.xml"));
  zip.add("docProps/core.xml", corePart(sheetName));
  zip.add("xl/workbook.xml", std::string(kXmlHead) + "<workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rNs +
                                 "\"><sheets><sheet name=\"" + xmlEscape(sheetName) +
                                 "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  zip.add("xl/_rels/workbook.xml.rels",
          std::string(kXmlHead) + "<Relationships xmlns=\"" + kRelsNs +
              "\"><Relationship Id=\"rId1\" "
              "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
              "Target=\"worksheets/sheet1.xml\"/></Relationships>");
  zip.add("xl/worksheets/sheet1.xml",
          std::string(kXmlHead) + "<worksheet xmlns=\"" + ns + "\">" + cols + "<sheetData>" + data +
              "</sheetData></worksheet>");
  return zip.finish().value_or(std::string());
}

std::string DocumentFactory::pptx(const std::vector<Chapter>& slides) {
  const std::string relBase = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  auto rel = [&](const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + relBase + type + "\" Target=\"" + target + "\"/>";
  };
  auto rels = [&](const std::string& inner) {
    return std::string(kXmlHead) + "<Relationships xmlns=\"" + kRelsNs + "\">" + inner + "</Relationships>";
  };
  std::vector<std::pair<std::string, std::string>> overrides = {
      {"/ppt/presentation.xml", "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml"},
      {"/ppt/slideMasters/slideMaster1.xml",
       "application/vnd.openxmlformats-officedocument.presentationml.slideMaster+xml"},
      {"/ppt/slideLayouts/slideLayout1.xml",
       "application/vnd.openxmlformats-officedocument.presentationml.slideLayout+xml"},
      {"/ppt/theme/theme1.xml", "application/vnd.openxmlformats-officedocument.theme+xml"}};
  std::string slideIds, presentationRels = rel("rId1", "slideMaster", "slideMasters/slideMaster1.xml");
  ZipBuilder zip;
  std::vector<std::pair<std::string, std::string>> slideParts;
  for (size_t i = 0; i < slides.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    overrides.push_back({"/ppt/slides/slide" + n + ".xml",
                         "application/vnd.openxmlformats-officedocument.presentationml.slide+xml"});
    slideIds += "<p:sldId id=\"" + std::to_string(256 + i) + "\" r:id=\"rId" + std::to_string(i + 3) + "\"/>";
    presentationRels += rel("rId" + std::to_string(i + 3), "slide", "slides/slide" + n + ".xml");
    std::string bullets;
    for (const auto& line : slides[i].paragraphs) {
      bullets += "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"2000\"/><a:t>" + xmlEscape(line) + "</a:t></a:r></a:p>";
    }
    if (bullets.empty()) bullets = "<a:p><a:endParaRPr lang=\"en-US\"/></a:p>";
    const std::string title = "<a:p><a:r><a:rPr lang=\"en-US\" sz=\"3600\" b=\"1\"/><a:t>" +
                              xmlEscape(slides[i].title) + "</a:t></a:r></a:p>";
    const std::string shapes = textShape(2, "Title", 457200, 1143000, title) +
                               textShape(3, "Body", 1828800, 4114800, bullets);
    slideParts.push_back({"ppt/slides/slide" + n + ".xml",
                          std::string(kXmlHead) + "<p:sld " + kPresentationNs + "><p:cSld><p:spTree>" + kEmptyTree +
                              shapes + "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>"});
    slideParts.push_back({"ppt/slides/_rels/slide" + n + ".xml.rels",
                          rels(rel("rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"))});
  }
  presentationRels += rel("rId2", "theme", "theme/theme1.xml");
  zip.add("[Content_Types].xml", contentTypes(overrides));
  zip.add("_rels/.rels", packageRels("ppt/presentation.xml"));
  zip.add("docProps/core.xml", corePart(slides.empty() ? "Presentation" : slides.front().title));
  zip.add("ppt/presentation.xml",
          std::string(kXmlHead) + "<p:presentation " + kPresentationNs +
              "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst><p:sldIdLst>" +
              slideIds +
              "</p:sldIdLst><p:sldSz cx=\"9144000\" cy=\"6858000\" type=\"screen4x3\"/>"
              "<p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>");
  zip.add("ppt/_rels/presentation.xml.rels", rels(presentationRels));
  zip.add("ppt/slideMasters/slideMaster1.xml",
          std::string(kXmlHead) + "<p:sldMaster " + kPresentationNs + "><p:cSld><p:spTree>" + kEmptyTree +
              "</p:spTree></p:cSld><p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" "
              "accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" "
              "hlink=\"hlink\" folHlink=\"folHlink\"/><p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" "
              "r:id=\"rId1\"/></p:sldLayoutIdLst></p:sldMaster>");
  zip.add("ppt/slideMasters/_rels/slideMaster1.xml.rels",
          rels(rel("rId1", "slideLayout", "../slideLayouts/slideLayout1.xml") +
               rel("rId2", "theme", "../theme/theme1.xml")));
  zip.add("ppt/slideLayouts/slideLayout1.xml",
          std::string(kXmlHead) + "<p:sldLayout " + kPresentationNs +
              " type=\"blank\" preserve=\"1\"><p:cSld name=\"Blank\"><p:spTree>" + kEmptyTree +
              "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>");
  zip.add("ppt/slideLayouts/_rels/slideLayout1.xml.rels",
          rels(rel("rId1", "slideMaster", "../slideMasters/slideMaster1.xml")));
  zip.add("ppt/theme/theme1.xml", themePart());
  for (const auto& [name, data] : slideParts) zip.add(name, data);
  return zip.finish().value_or(std::string());
}

std::string DocumentFactory::video(int frames, int fps, int width, int height, uint64_t seed) {
  frames = std::max(1, frames);
  fps = std::max(1, fps);
  std::vector<std::string> jpegs;
  size_t largest = 0;
  for (int i = 0; i < frames; ++i) {
    PictureSpec spec;
    spec.width = width;
    spec.height = height;
    spec.seed = seed + static_cast<uint64_t>(i);
    spec.color = static_cast<uint32_t>(0x204060 + (i * 0x0A0503) % 0x808080);
    spec.label = std::to_string(i + 1);
    jpegs.push_back(ImageFactory::jpeg(spec, 75));
    if (jpegs.back().empty()) return {};
    largest = std::max(largest, jpegs.back().size());
  }

  std::string out = "RIFF";
  putLe32(out, 0);  // patched below
  out += "AVI ";
  // header list
  out += "LIST";
  size_t hdrlSizeAt = out.size();
  putLe32(out, 0);
  out += "hdrl";
  out += "avih";
  putLe32(out, 56);
  putLe32(out, static_cast<uint32_t>(1000000 / fps));                // microseconds per frame
  putLe32(out, static_cast<uint32_t>(largest * fps));                // max bytes per second
  putLe32(out, 0);                                                   // padding granularity
  putLe32(out, 0x10);                                                // has index
  putLe32(out, static_cast<uint32_t>(frames));                       // total frames
  putLe32(out, 0);                                                   // initial frames
  putLe32(out, 1);                                                   // streams
  putLe32(out, static_cast<uint32_t>(largest));                      // suggested buffer size
  putLe32(out, static_cast<uint32_t>(width));
  putLe32(out, static_cast<uint32_t>(height));
  for (int i = 0; i < 4; ++i) putLe32(out, 0);
  out += "LIST";
  size_t strlSizeAt = out.size();
  putLe32(out, 0);
  out += "strl";
  out += "strh";
  putLe32(out, 56);
  out += "vidsMJPG";
  putLe32(out, 0);  // flags
  putLe16(out, 0);  // priority
  putLe16(out, 0);  // language
  putLe32(out, 0);  // initial frames
  putLe32(out, 1);  // scale
  putLe32(out, static_cast<uint32_t>(fps));  // rate
  putLe32(out, 0);  // start
  putLe32(out, static_cast<uint32_t>(frames));
  putLe32(out, static_cast<uint32_t>(largest));
  putLe32(out, 0xFFFFFFFFu);  // quality: default
  putLe32(out, 0);            // sample size
  putLe16(out, 0);
  putLe16(out, 0);
  putLe16(out, static_cast<uint16_t>(width));
  putLe16(out, static_cast<uint16_t>(height));
  out += "strf";
  putLe32(out, 40);
  putLe32(out, 40);
  putLe32(out, static_cast<uint32_t>(width));
  putLe32(out, static_cast<uint32_t>(height));
  putLe16(out, 1);
  putLe16(out, 24);
  out += "MJPG";
  putLe32(out, static_cast<uint32_t>(width * height * 3));
  for (int i = 0; i < 4; ++i) putLe32(out, 0);
  setLe32(out, strlSizeAt, static_cast<uint32_t>(out.size() - strlSizeAt - 4));
  setLe32(out, hdrlSizeAt, static_cast<uint32_t>(out.size() - hdrlSizeAt - 4));

  out += "LIST";
  size_t moviSizeAt = out.size();
  putLe32(out, 0);
  size_t moviStart = out.size();
  out += "movi";
  std::string index;
  for (const auto& frame : jpegs) {
    uint32_t offset = static_cast<uint32_t>(out.size() - moviStart);
    out += "00dc";
    putLe32(out, static_cast<uint32_t>(frame.size()));
    out += frame;
    if (frame.size() % 2) out.push_back('\0');
    index += "00dc";
    putLe32(index, 0x10);  // key frame
    putLe32(index, offset);
    putLe32(index, static_cast<uint32_t>(frame.size()));
  }
  setLe32(out, moviSizeAt, static_cast<uint32_t>(out.size() - moviSizeAt - 4));
  out += "idx1";
  putLe32(out, static_cast<uint32_t>(index.size()));
  out += index;
  setLe32(out, 4, static_cast<uint32_t>(out.size() - 8));
  return out;
}

}  // namespace mv::sales
