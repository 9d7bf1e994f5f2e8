#pragma once
// The text of an Office document, read for its preview: a Word document's
// paragraphs (headings told apart) and tables, a workbook's sheets as
// tables, a presentation's slides in order with their titles, text and
// tables. Only the OOXML forms (.docx, .xlsx, .pptx) are read here, with the
// project's ZIP and XML layers; the files come from the service and are not
// trusted: parts and tables are read within limits, and a damaged file is an
// error, never a crash.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/ImageData.hpp"

namespace svc {

struct OfficeBlock {
  // Notes: a slide's speaker notes.
  enum class Kind { Heading, Paragraph, Table, Picture, Note };
  Kind kind = Kind::Paragraph;
  std::string text;
  // Tables: rows of cells, each row as wide as the widest.
  std::vector<std::vector<std::string>> rows;
  // Pictures (PNG and JPEG), at most `kMaxPictureSide` wide or high.
  std::shared_ptr<const gfx::ImageData> picture;
};

// A sheet or a slide (a Word document is one section without a title).
struct OfficeSection {
  std::string title;
  std::vector<OfficeBlock> blocks;
};

class OfficeDocument {
 public:
  enum class Kind { Word, Workbook, Presentation };
  // Limits against hostile files.
  static constexpr std::size_t kMaxPartBytes = std::size_t(64) << 20;
  static constexpr std::size_t kMaxSections = 500;
  static constexpr std::size_t kMaxRows = 5000;
  static constexpr std::size_t kMaxColumns = 200;
  static constexpr std::size_t kMaxPictures = 200;
  static constexpr int kMaxPictureSide = 1600;

  // Reads a .docx, .xlsx or .pptx file (told by its extension, any case);
  // nothing, with the reason in `error`, for another kind or a damaged file.
  static std::optional<OfficeDocument> read(const std::filesystem::path& path, std::string* error = nullptr);
  // The extension is one of the three read here.
  static bool isReadable(const std::filesystem::path& path);
  // The MIME type of an Office file by its extension (".ppt", ".pptx",
  // ".xls", ".xlsx", ".doc", ".docx", any case); "application/octet-stream"
  // for others.
  static std::string mimeTypeForPath(const std::filesystem::path& path);

  Kind kind = Kind::Word;
  std::vector<OfficeSection> sections;
};

}  // namespace svc
