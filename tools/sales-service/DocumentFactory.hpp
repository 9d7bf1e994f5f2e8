#pragma once
// Builds the sales-library documents of the sample data set: PDF pages drawn
// with cairo, EPUB books, minimal Office Open XML files (Word, Excel,
// PowerPoint) and a short motion-JPEG video. Same input, same bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace mv::sales {

struct Chapter {
  std::string title;
  std::vector<std::string> paragraphs;
};

class DocumentFactory {
 public:
  // A PDF of `pages` A4-landscape pages, each with a heading, text and a chart.
  static std::string pdf(const std::string& title, int pages, uint64_t seed);
  // An EPUB 2 book: "mimetype" stored first, META-INF/container.xml, an OPF
  // package with manifest and spine, an NCX table of contents, XHTML chapters.
  // A picture (PNG bytes) is shown under the first chapter's heading.
  static std::string epub(const std::string& title, const std::vector<Chapter>& chapters,
                          const std::string& picture = {});
  static std::string docx(const std::string& title, const std::vector<std::string>& paragraphs);
  // First row is the header; cells that read as numbers are written as numbers.
  static std::string xlsx(const std::string& sheetName, const std::vector<std::vector<std::string>>& rows);
  // One slide per entry: a title and bullet lines.
  static std::string pptx(const std::vector<Chapter>& slides);
  // An AVI file with `frames` motion-JPEG frames at `fps` frames per second.
  static std::string video(int frames, int fps, int width, int height, uint64_t seed);

  static std::string xmlEscape(const std::string& text);
};

}  // namespace mv::sales
