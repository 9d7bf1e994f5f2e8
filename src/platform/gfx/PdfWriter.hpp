#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/Context.hpp"

namespace gfx {

// Writes a PDF page by page into a file or into memory. Each page is drawn
// through a Context in points with the origin at the top left of the page.
class PdfWriter {
 public:
  // Nothing when the file cannot be created.
  static std::unique_ptr<PdfWriter> toFile(const std::filesystem::path& path, base::Rect mediaBox);
  static std::unique_ptr<PdfWriter> toMemory(base::Rect mediaBox);
  ~PdfWriter();
  PdfWriter(const PdfWriter&) = delete;
  PdfWriter& operator=(const PdfWriter&) = delete;

  // Starts a page with the document's media box or its own; ends the page
  // before it when one is open.
  Context& beginPage();
  Context& beginPage(base::Rect pageBounds);
  void endPage();
  // The open page's context, or nothing between pages.
  Context* context() { return page_.get(); }
  int pageCount() const { return pages_; }
  base::Rect mediaBox() const { return mediaBox_; }

  // Finishes the document. False when anything failed (the file then holds
  // no usable PDF).
  [[nodiscard]] bool close();
  // The document written into memory (after `close`).
  const std::vector<std::uint8_t>& data() const { return bytes_; }

 private:
  PdfWriter() = default;
  // cairo's write callback, in the source.
  friend struct PdfWriterSink;

  cairo_surface_t* surface_ = nullptr;
  std::unique_ptr<Context> page_;
  base::Rect mediaBox_;
  std::vector<std::uint8_t> bytes_;
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  bool failed_ = false;
  bool closed_ = false;
  int pages_ = 0;
};

}  // namespace gfx
