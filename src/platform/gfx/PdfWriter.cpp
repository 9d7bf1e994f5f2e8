#include "platform/gfx/PdfWriter.hpp"

#include <cairo-pdf.h>

#include <cstdio>
#include <string>

#include "platform/base/Log.hpp"

namespace gfx {

namespace {
base::Rect sanePage(base::Rect r) {
  // A page needs a positive size; fall back to A4 in points.
  if (!(r.width() > 0) || !(r.height() > 0) || r.width() > 14400 || r.height() > 14400) return {0, 0, 595, 842};
  return r;
}
}  // namespace

struct PdfWriterSink {
  static cairo_status_t write(void* closure, const unsigned char* data, unsigned int length);
};

cairo_status_t PdfWriterSink::write(void* closure, const unsigned char* data, unsigned int length) {
  auto* self = static_cast<PdfWriter*>(closure);
  if (self->file_) {
    if (std::fwrite(data, 1, length, self->file_) != length) {
      self->failed_ = true;
      return CAIRO_STATUS_WRITE_ERROR;
    }
    return CAIRO_STATUS_SUCCESS;
  }
  self->bytes_.insert(self->bytes_.end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

std::unique_ptr<PdfWriter> PdfWriter::toFile(const std::filesystem::path& path, base::Rect mediaBox) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return nullptr;
  std::unique_ptr<PdfWriter> w(new PdfWriter());
  w->file_ = f;
  w->path_ = path;
  w->mediaBox_ = sanePage(mediaBox);
  w->surface_ = cairo_pdf_surface_create_for_stream(&PdfWriterSink::write, w.get(), w->mediaBox_.width(),
                                                    w->mediaBox_.height());
  return w;
}

std::unique_ptr<PdfWriter> PdfWriter::toMemory(base::Rect mediaBox) {
  std::unique_ptr<PdfWriter> w(new PdfWriter());
  w->mediaBox_ = sanePage(mediaBox);
  w->surface_ = cairo_pdf_surface_create_for_stream(&PdfWriterSink::write, w.get(), w->mediaBox_.width(),
                                                    w->mediaBox_.height());
  return w;
}

PdfWriter::~PdfWriter() {
  // A writer dropped unclosed has nobody to tell: the log says it.
  if (!closed_ && !close()) MV_LOG("A PDF dropped before it was closed could not be finished");
}

Context& PdfWriter::beginPage() { return beginPage(mediaBox_); }

Context& PdfWriter::beginPage(base::Rect pageBounds) {
  if (page_) endPage();
  pageBounds = sanePage(pageBounds);
  cairo_pdf_surface_set_size(surface_, pageBounds.width(), pageBounds.height());
  cairo_t* cr = cairo_create(surface_);
  cairo_translate(cr, -pageBounds.x(), -pageBounds.y());
  // Every page is a named destination, which is how links to pages resolve.
  std::string dest = "name='page-" + std::to_string(pages_) + "' x=0 y=0";
  cairo_tag_begin(cr, CAIRO_TAG_DEST, dest.c_str());
  cairo_tag_end(cr, CAIRO_TAG_DEST);
  page_ = std::make_unique<Context>(cr, pageBounds.size, 1.0);
  cairo_destroy(cr);
  return *page_;
}

void PdfWriter::endPage() {
  if (!page_) return;
  cairo_show_page(page_->cairo());
  if (cairo_status(page_->cairo()) != CAIRO_STATUS_SUCCESS) failed_ = true;
  page_.reset();
  ++pages_;
}

bool PdfWriter::close() {
  if (closed_) return !failed_;
  closed_ = true;
  if (page_) endPage();
  if (pages_ == 0) {
    // A PDF needs at least one page; an empty document still gets a blank one.
    beginPage();
    endPage();
  }
  cairo_surface_finish(surface_);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) failed_ = true;
  cairo_surface_destroy(surface_);
  surface_ = nullptr;
  if (file_) {
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    if (failed_) {
      std::error_code ec;
      std::filesystem::remove(path_, ec);
    }
  }
  return !failed_;
}

}  // namespace gfx
