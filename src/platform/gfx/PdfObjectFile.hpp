#pragma once
// A PDF file's object structure: the document catalog, the pages in order and
// each page's boxes and rotation with the attributes it inherits from the
// page tree. Used where the drawing library offers no access (annotations,
// actions, destinations and name trees). Not thread-safe: one thread at a time.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/PdfObject.hpp"

namespace gfx {

// Where a page's content lies, in PDF user space (origin bottom left).
struct PdfPageBoxes {
  base::Rect mediaBox;
  // The crop box already clipped to the media box: what is shown.
  base::Rect visibleBox;
  // Clockwise, 0, 90, 180 or 270.
  int rotation = 0;
};

// The page's drawing transform: PDF user space to `target` (origin top
// left, y down), the visible box turned by the page's rotation and fitted
// into the target with its aspect kept, centred. Link areas are mapped with
// it, and pages are drawn with it (`PdfDocument::drawPage`).
base::AffineTransform pdfDrawingTransform(const PdfPageBoxes& boxes, const base::Rect& target);
// The visible box's size once turned by the rotation.
base::Size pdfRotatedSize(const PdfPageBoxes& boxes);

class PdfObjectFile {
 public:
  // Nothing when the file is missing or not a PDF, or is encrypted and
  // `password` (tried as given, the empty password first) opens it not.
  static std::unique_ptr<PdfObjectFile> open(const std::filesystem::path& path, const std::string& password = {});
  ~PdfObjectFile();
  PdfObjectFile(const PdfObjectFile&) = delete;
  PdfObjectFile& operator=(const PdfObjectFile&) = delete;

  // The document catalog (the trailer's /Root).
  PdfObject catalog() const;
  int pageCount() const { return static_cast<int>(pages_.size()); }
  // The page dictionary, 0-based; null out of range.
  PdfObject page(int index) const;
  // 0-based index of the page whose object is `id`, or -1.
  int pageIndexOfObject(std::uint64_t id) const;
  // Nothing out of range.
  std::optional<PdfPageBoxes> pageBoxes(int index) const;

  // Inherited page attributes are looked up through at most this many
  // parents; reference walks elsewhere use the same bound.
  static constexpr int kMaxDepth = 32;

 private:
  PdfObjectFile() = default;
  struct Impl;
  std::shared_ptr<Impl> impl_;
  std::vector<PdfObject> pages_;
};

}  // namespace gfx
