// Office documents for the preview: Word, Excel and PowerPoint files that the
// tests make and every Office file of the shared corpus are read and laid out
// as one long page; damaged and hostile files are refused with a reason;
// mailed files carry the MIME type of their extension; legacy files are
// converted to PDF once, where LibreOffice is installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "platform/gfx/ImageData.hpp"
#include "sales-service/DocumentFactory.hpp"
#include "services/DocumentPreviewView.hpp"
#include "services/OfficeConverter.hpp"
#include "services/OfficeDocument.hpp"
#include "util/ZipWriter.hpp"

namespace fs = std::filesystem;
using namespace svc;
using mv::sales::DocumentFactory;

namespace {

class OfficeDocumentTest : public mv::test::TestEnvironment {
 protected:
  fs::path write(const std::string& name, const std::string& bytes) {
    const fs::path path = root / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The texts of the document's blocks and table cells, in order.
  static std::vector<std::string> texts(const OfficeDocument& doc) {
    std::vector<std::string> out;
    for (const auto& section : doc.sections) {
      if (!section.title.empty()) out.push_back("# " + section.title);
      for (const auto& block : section.blocks) {
        if (block.kind == OfficeBlock::Kind::Table) {
          for (const auto& row : block.rows) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) line += (i ? "|" : "") + row[i];
            out.push_back(line);
          }
        } else {
          out.push_back(block.text);
        }
      }
    }
    return out;
  }
  // A ZIP package of those entries.
  fs::path zip(const std::string& name, const std::vector<std::pair<std::string, std::string>>& entries) {
    const fs::path path = root / name;
    mv::ZipWriter writer;
    EXPECT_TRUE(writer.open(path));
    for (const auto& [entry, bytes] : entries) EXPECT_TRUE(writer.addBytes(entry, bytes));
    EXPECT_TRUE(writer.close());
    return path;
  }
  static bool contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
};

TEST_F(OfficeDocumentTest, ReadsTheThreeKindsTheSampleServiceMakes) {
  auto docx = OfficeDocument::read(
      write("Guide.DOCX", DocumentFactory::docx("Product guide", {"First paragraph.", "Second one, with <markup> & more."})));
  ASSERT_TRUE(docx);
  EXPECT_EQ(docx->kind, OfficeDocument::Kind::Word);
  const auto words = texts(*docx);
  EXPECT_TRUE(contains(words, "Product guide"));
  EXPECT_TRUE(contains(words, "Second one, with <markup> & more."));

  auto xlsx = OfficeDocument::read(write(
      "prices.xlsx", DocumentFactory::xlsx("Prices 2014", {{"SKU", "Product", "Price"}, {"A-1", "Lamp", "12.5"},
                                                          {"B-2", "Chair", "40"}})));
  ASSERT_TRUE(xlsx);
  ASSERT_EQ(xlsx->sections.size(), 1u);
  EXPECT_EQ(xlsx->sections[0].title, "Prices 2014");
  EXPECT_EQ(texts(*xlsx), (std::vector<std::string>{"# Prices 2014", "SKU|Product|Price", "A-1|Lamp|12.5", "B-2|Chair|40"}));

  auto pptx = OfficeDocument::read(write(
      "pitch.pptx", DocumentFactory::pptx({{"Why us", {"Range", "Prices"}}, {"Next steps", {"Order samples"}}})));
  ASSERT_TRUE(pptx);
  ASSERT_EQ(pptx->sections.size(), 2u) << "one section per slide, in order";
  const auto slides = texts(*pptx);
  EXPECT_TRUE(contains(slides, "Why us"));
  EXPECT_TRUE(contains(slides, "Order samples"));
  EXPECT_LT(std::find_if(slides.begin(), slides.end(), [](auto& l) { return l.find("Why us") != std::string::npos; }),
            std::find_if(slides.begin(), slides.end(), [](auto& l) { return l.find("Next steps") != std::string::npos; }));
}

TEST_F(OfficeDocumentTest, EveryCorpusFileIsReadAndLaidOut) {
  const auto files = mv::test::corpusFiles("office");
  if (files.empty()) GTEST_SKIP() << "no shared corpus here";
  DocumentPreviewView preview({0, 0, 1024, 768});
  mv::test::checkEveryFile(files, [&](const fs::path& file) {
    std::string error;
    auto doc = OfficeDocument::read(file, &error);
    ASSERT_TRUE(doc) << file << ": " << error;
    preview.showDocument(*doc);
    EXPECT_GT(preview.pageHeight(), 0) << file;
    // Something a person can see: text, or the pictures of a slide of pictures.
    const bool pictures = std::any_of(preview.items().begin(), preview.items().end(), [](const auto& item) {
      return item.kind == DocumentPreviewView::Item::Kind::Picture;
    });
    EXPECT_TRUE(!preview.pageText().empty() || pictures) << file;
    auto band = preview.renderBand(0, std::min(preview.pageHeight(), 768.0));
    ASSERT_TRUE(band) << file;
  });
  // The corpus's pictures are shown.
  for (const char* name : {"picture.pptx", "having-images.docx"}) {
    auto it = std::find_if(files.begin(), files.end(), [&](const fs::path& f) { return f.filename() == name; });
    if (it == files.end()) continue;
    auto doc = OfficeDocument::read(*it);
    ASSERT_TRUE(doc);
    bool picture = false;
    for (const auto& section : doc->sections) {
      for (const auto& block : section.blocks) picture = picture || block.kind == OfficeBlock::Kind::Picture;
    }
    EXPECT_TRUE(picture) << name;
  }
}

TEST_F(OfficeDocumentTest, TheLongPageGrowsWithTheDocumentAndDrawsItsText) {
  std::vector<std::string> paragraphs;
  for (int i = 0; i < 120; ++i) {
    paragraphs.push_back("Paragraph " + std::to_string(i) +
                         " of the long guide, which goes on about lamps, chairs and tables for a good while.");
  }
  auto doc = OfficeDocument::read(write("long.docx", DocumentFactory::docx("Long guide", paragraphs)));
  ASSERT_TRUE(doc);
  DocumentPreviewView preview({0, 0, 1024, 768});
  preview.showDocument(*doc);
  EXPECT_GT(preview.pageHeight(), 2 * 768) << "far taller than the view";
  EXPECT_EQ(preview.contentSize().height, preview.pageHeight());
  const auto shown = preview.pageText();
  EXPECT_TRUE(contains(shown, "Paragraph 119 of the long guide"));
  // A band drawn from the middle has ink on it.
  auto band = preview.renderBand(preview.pageHeight() / 2, 300);
  ASSERT_TRUE(band);
  EXPECT_EQ(band->size().height, 300);
  // Narrower, the same text takes more height.
  const double wide = preview.pageHeight();
  preview.setFrame({0, 0, 500, 768});
  preview.layoutIfNeeded();
  EXPECT_GT(preview.pageHeight(), wide);
}

TEST_F(OfficeDocumentTest, DamagedAndHostileFilesAreRefusedWithAReason) {
  const auto good = DocumentFactory::docx("Guide", {"Text"});
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"text.docx", "plain text, not a package"},
      {"truncated.docx", good.substr(0, good.size() / 2)},
      {"empty.xlsx", ""},
      {"notes.txt", good},
  };
  std::vector<fs::path> files;
  for (const auto& c : cases) files.push_back(write(c.name, c.bytes));
  files.push_back(zip("nothing.pptx", {{"readme.txt", "no document here"}}));
  files.push_back(zip("broken.docx", {{"word/document.xml", "<w:document><w:body><w:p>unclosed"}}));
  for (const auto& file : files) {
    std::string error;
    auto doc = OfficeDocument::read(file, &error);
    if (file.filename() == "broken.docx" && doc) continue;  // read leniently, whatever could be read
    EXPECT_FALSE(doc) << file;
    EXPECT_FALSE(error.empty()) << file;
  }
  // Cell references far out and shared-string indexes past the table are
  // left out, not trusted.
  const auto book = zip("hostile.xlsx", {
      {"xl/workbook.xml",
           R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="S" r:id="rId1"/></sheets></workbook>)"},
      {"xl/_rels/workbook.xml.rels",
           R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
      {"xl/worksheets/sheet1.xml",
           R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row><c r="A1" t="s"><v>99</v></c><c r="ZZZZ1"><v>1</v></c><c r="XFD1"><v>2</v></c><c r="B1" t="b"><v>1</v></c></row></sheetData></worksheet>)"}});
  auto hostile = OfficeDocument::read(book);
  ASSERT_TRUE(hostile);
  ASSERT_EQ(hostile->sections.size(), 1u);
  EXPECT_EQ(texts(*hostile), (std::vector<std::string>{"# S", "|TRUE"}));
}

TEST_F(OfficeDocumentTest, MailedFilesCarryTheMimeTypeOfTheirExtension) {
  const std::vector<std::pair<std::string, std::string>> table = {
      {"a.ppt", "application/vnd.ms-powerpoint"},
      {"a.PPTX", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
      {"a.xls", "application/vnd.ms-excel"},
      {"a.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
      {"a.Doc", "application/msword"},
      {"a.docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {"a.key", "application/octet-stream"},
      {"noextension", "application/octet-stream"},
  };
  for (const auto& [name, type] : table) EXPECT_EQ(OfficeDocument::mimeTypeForPath(name), type) << name;
}

TEST_F(OfficeDocumentTest, LegacyFilesAreConvertedOnceWhereLibreOfficeIsInstalled) {
  EXPECT_TRUE(OfficeConverter::isLegacyOfficeFile("old.DOC"));
  EXPECT_TRUE(OfficeConverter::isLegacyOfficeFile("old.xls"));
  EXPECT_TRUE(OfficeConverter::isLegacyOfficeFile("old.ppt"));
  EXPECT_FALSE(OfficeConverter::isLegacyOfficeFile("new.docx"));
  const fs::path cache = root / "cache";
  const fs::path source = write("letter.doc", "version one");
  const auto first = OfficeConverter::cachedPdfPath(source, cache);
  ASSERT_TRUE(first);
  EXPECT_EQ(OfficeConverter::cachedPdfPath(source, cache), first) << "the same file, the same entry";
  write("letter.doc", "version two, longer");
  EXPECT_NE(OfficeConverter::cachedPdfPath(source, cache), first) << "a changed file is converted again";
  EXPECT_FALSE(OfficeConverter::cachedPdfPath(root / "missing.doc", cache));

  if (!OfficeConverter::program()) {
    std::string error;
    EXPECT_FALSE(OfficeConverter::convertToPdf(source, cache, 5, &error));
    EXPECT_FALSE(error.empty());
    GTEST_SKIP() << "LibreOffice is not installed here";
  }
  // A Word file LibreOffice reads: the generated .docx under a legacy name is
  // enough for its filters, which look at the content.
  const fs::path doc = write("guide.doc", DocumentFactory::docx("Converted guide", {"Shown through its PDF."}));
  std::string error;
  auto pdf = OfficeConverter::convertToPdf(doc, cache, 120, &error);
  ASSERT_TRUE(pdf) << error;
  DocumentPreviewView preview({0, 0, 1024, 768});
  ASSERT_TRUE(preview.showPdf(*pdf));
  EXPECT_TRUE(contains(preview.pageText(), "Converted guide"));
  const auto stamp = fs::last_write_time(*pdf);
  EXPECT_EQ(OfficeConverter::convertToPdf(doc, cache, 120, &error), pdf);
  EXPECT_EQ(fs::last_write_time(*pdf), stamp) << "kept, not converted again";
}

}  // namespace
