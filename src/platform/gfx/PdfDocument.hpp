#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/Image.hpp"

typedef struct _PopplerDocument PopplerDocument;
typedef struct _PopplerPage PopplerPage;

namespace gfx {

// A PDF opened for reading: pages, their sizes, text and links, and pages
// rendered to images. Pages are numbered from 0. The drawing library's
// documents are not thread-safe: every call on one document runs alone (a
// lock per document), so threads may share one.
class PdfDocument {
 public:
  struct Link {
    base::Rect area;       // in page points, origin top left
    int targetPage = -1;   // a page of this document, or -1
    std::string uri;       // an external link, or empty
  };

  // Nothing when the file is missing, not a PDF, or locked with another
  // password. Embedded fonts the library cannot load are left out, so their
  // text is drawn in the system's fonts (see pdfWithoutDamagedFonts).
  static std::unique_ptr<PdfDocument> open(const std::filesystem::path& path, const std::string& password = {});
  static std::unique_ptr<PdfDocument> openData(std::vector<std::uint8_t> bytes, const std::string& password = {});
  // True when the file is a PDF that stays locked without its password
  // (`password` is not it); false when it opens or is no PDF at all.
  static bool needsPassword(const std::filesystem::path& path, const std::string& password = {});
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  int pageCount() const;
  // Size in points; zero for a page out of range.
  base::Size pageSize(int page) const;
  std::string text(int page) const;
  std::vector<Link> links(int page) const;
  // Where the text stands on the page (page points, origin top left), one
  // area per occurrence, case ignored; none for empty text.
  std::vector<base::Rect> findText(int page, const std::string& text) const;
  // How many times the page draws an image (an image drawn twice counts twice).
  int imageCount(int page) const;
  // The page on white at `scale` pixels per point; nothing out of range.
  ImagePtr renderPage(int page, double scale = 1.0) const;
  std::string title() const;
  // Draws the page's visible area, turned as the page says, fitted into
  // `target` (context points) with its aspect kept and centred, over what is
  // there (no background). False for a page out of range.
  bool drawPage(int page, Context& ctx, const base::Rect& target) const;

 private:
  PdfDocument() = default;
  static std::unique_ptr<PdfDocument> openShared(std::shared_ptr<const std::vector<std::uint8_t>> bytes,
                                                 const std::string& password);
  // The page drawn last, kept (under the lock): the library keeps what it
  // gathers while drawing a page (its text), which each later drawing of it
  // (every tile, every zoom) would otherwise gather again.
  PopplerPage* drawnPage(int page) const;
  mutable std::recursive_mutex mutex_;
  PopplerDocument* doc_ = nullptr;
  mutable PopplerPage* lastPage_ = nullptr;
  mutable int lastPageIndex_ = -1;
  std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
};

}  // namespace gfx
