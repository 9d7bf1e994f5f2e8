#include "platform/gfx/PdfDocument.hpp"

#include <poppler.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gfx/PdfFontRepair.hpp"

namespace gfx {

namespace {

struct PageRef {
  PopplerPage* p;
  explicit PageRef(PopplerPage* page) : p(page) {}
  ~PageRef() {
    if (p) g_object_unref(p);
  }
  PageRef(const PageRef&) = delete;
  PageRef& operator=(const PageRef&) = delete;
};

int destinationPage(PopplerDocument* doc, PopplerDest* dest) {
  if (!dest) return -1;
  if (dest->type == POPPLER_DEST_NAMED && dest->named_dest) {
    PopplerDest* named = poppler_document_find_dest(doc, dest->named_dest);
    int page = named ? named->page_num - 1 : -1;
    if (named) poppler_dest_free(named);
    return page;
  }
  return dest->page_num - 1;
}

}  // namespace

namespace {

// The drawing library sets up its fonts and settings when the first document
// opens and drops them with the last one; a reader that opens a document for
// each page it shows would set them up for every page. One empty document
// kept for the process's life keeps them. True when it is kept.
bool keepLibrarySettings() {
  struct Keeper {
    PopplerDocument* doc = nullptr;
    std::string bytes;
    Keeper() {
      const std::string objects[] = {"<< /Type /Catalog /Pages 2 0 R >>",
                                     "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                     "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 1 1] >>"};
      bytes = "%PDF-1.4\n";
      std::vector<std::size_t> offsets;
      for (std::size_t i = 0; i < std::size(objects); ++i) {
        offsets.push_back(bytes.size());
        bytes += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
      }
      const std::size_t xref = bytes.size();
      bytes += "xref\n0 4\n0000000000 65535 f \n";
      for (std::size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        bytes += line;
      }
      bytes += "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
      GBytes* gb = g_bytes_new_static(bytes.data(), bytes.size());
      doc = poppler_document_new_from_bytes(gb, nullptr, nullptr);
      g_bytes_unref(gb);
    }
    ~Keeper() {
      if (doc) g_object_unref(doc);
    }
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;
  };
  // Never destroyed: at exit the library's own state may go first.
  static const Keeper& keeper = *new Keeper;
  return keeper.doc != nullptr;
}

// The drawing library's document of the file, or nothing with whether the
// file asked for a password it was not given.
PopplerDocument* openFile(const std::filesystem::path& path, const std::string& password, bool* locked) {
  keepLibrarySettings();
  if (locked) *locked = false;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  GError* err = nullptr;
  char* uri = g_filename_to_uri(std::filesystem::absolute(path, ec).c_str(), nullptr, nullptr);
  if (!uri) return nullptr;
  PopplerDocument* doc = poppler_document_new_from_file(uri, password.empty() ? nullptr : password.c_str(), &err);
  g_free(uri);
  if (!doc && err && locked) *locked = err->domain == POPPLER_ERROR && err->code == POPPLER_ERROR_ENCRYPTED;
  if (err) g_error_free(err);
  return doc;
}

}  // namespace

std::unique_ptr<PdfDocument> PdfDocument::open(const std::filesystem::path& path, const std::string& password) {
  PopplerDocument* doc = openFile(path, password, nullptr);
  if (!doc) return nullptr;
  if (auto copy = pdfWithoutDamagedFonts(path, password)) {
    if (auto repaired = openShared(std::move(copy), {})) {
      g_object_unref(doc);
      return repaired;
    }
  }
  std::unique_ptr<PdfDocument> d(new PdfDocument());
  d->doc_ = doc;
  return d;
}

bool PdfDocument::needsPassword(const std::filesystem::path& path, const std::string& password) {
  bool locked = false;
  if (PopplerDocument* doc = openFile(path, password, &locked)) g_object_unref(doc);
  return locked;
}

std::unique_ptr<PdfDocument> PdfDocument::openData(std::vector<std::uint8_t> bytes, const std::string& password) {
  if (bytes.empty()) return nullptr;
  return openShared(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes)), password);
}

std::unique_ptr<PdfDocument> PdfDocument::openShared(std::shared_ptr<const std::vector<std::uint8_t>> held,
                                                     const std::string& password) {
  keepLibrarySettings();
  GBytes* gb = g_bytes_new_static(held->data(), held->size());
  GError* err = nullptr;
  PopplerDocument* doc =
      poppler_document_new_from_bytes(gb, password.empty() ? nullptr : password.c_str(), &err);
  g_bytes_unref(gb);
  if (!doc) {
    if (err) g_error_free(err);
    return nullptr;
  }
  std::unique_ptr<PdfDocument> d(new PdfDocument());
  d->doc_ = doc;
  d->bytes_ = std::move(held);
  return d;
}

PdfDocument::~PdfDocument() {
  if (lastPage_) g_object_unref(lastPage_);
  if (doc_) g_object_unref(doc_);
}

PopplerPage* PdfDocument::drawnPage(int page) const {
  if (lastPage_ && lastPageIndex_ == page) return lastPage_;
  PopplerPage* p = poppler_document_get_page(doc_, page);
  if (!p) return nullptr;
  if (lastPage_) g_object_unref(lastPage_);
  lastPage_ = p;
  lastPageIndex_ = page;
  return p;
}

int PdfDocument::pageCount() const {
  std::lock_guard lock(mutex_);
  return poppler_document_get_n_pages(doc_);
}

base::Size PdfDocument::pageSize(int page) const {
  std::lock_guard lock(mutex_);
  if (page < 0 || page >= pageCount()) return {};
  PageRef p(poppler_document_get_page(doc_, page));
  if (!p.p) return {};
  double w = 0, h = 0;
  poppler_page_get_size(p.p, &w, &h);
  return {w, h};
}

std::string PdfDocument::text(int page) const {
  std::lock_guard lock(mutex_);
  if (page < 0 || page >= pageCount()) return {};
  PageRef p(poppler_document_get_page(doc_, page));
  if (!p.p) return {};
  char* t = poppler_page_get_text(p.p);
  std::string out = t ? t : "";
  g_free(t);
  return out;
}

std::vector<PdfDocument::Link> PdfDocument::links(int page) const {
  std::lock_guard lock(mutex_);
  std::vector<Link> out;
  if (page < 0 || page >= pageCount()) return out;
  PageRef p(poppler_document_get_page(doc_, page));
  if (!p.p) return out;
  double w = 0, h = 0;
  poppler_page_get_size(p.p, &w, &h);
  GList* list = poppler_page_get_link_mapping(p.p);
  for (GList* l = list; l; l = l->next) {
    auto* m = static_cast<PopplerLinkMapping*>(l->data);
    Link link;
    // Poppler's areas have the origin bottom left.
    link.area = {m->area.x1, h - m->area.y2, m->area.x2 - m->area.x1, m->area.y2 - m->area.y1};
    if (m->action) {
      if (m->action->type == POPPLER_ACTION_URI && m->action->uri.uri) link.uri = m->action->uri.uri;
      if (m->action->type == POPPLER_ACTION_GOTO_DEST) link.targetPage = destinationPage(doc_, m->action->goto_dest.dest);
    }
    out.push_back(std::move(link));
  }
  poppler_page_free_link_mapping(list);
  return out;
}

std::vector<base::Rect> PdfDocument::findText(int page, const std::string& text) const {
  std::lock_guard lock(mutex_);
  std::vector<base::Rect> out;
  if (text.empty() || page < 0 || page >= pageCount()) return out;
  PageRef p(poppler_document_get_page(doc_, page));
  if (!p.p) return out;
  double w = 0, h = 0;
  poppler_page_get_size(p.p, &w, &h);
  GList* list = poppler_page_find_text(p.p, text.c_str());
  for (GList* l = list; l; l = l->next) {
    auto* r = static_cast<PopplerRectangle*>(l->data);
    // Poppler's areas have the origin bottom left.
    out.push_back({r->x1, h - r->y2, r->x2 - r->x1, r->y2 - r->y1});
    poppler_rectangle_free(r);
  }
  g_list_free(list);
  return out;
}

int PdfDocument::imageCount(int page) const {
  std::lock_guard lock(mutex_);
  if (page < 0 || page >= pageCount()) return 0;
  PageRef p(poppler_document_get_page(doc_, page));
  if (!p.p) return 0;
  // Only the count: poppler's areas for images are not reliable in size.
  GList* list = poppler_page_get_image_mapping(p.p);
  int n = static_cast<int>(g_list_length(list));
  poppler_page_free_image_mapping(list);
  return n;
}

ImagePtr PdfDocument::renderPage(int page, double scale) const {
  std::lock_guard lock(mutex_);
  if (page < 0 || page >= pageCount() || !(scale > 0)) return nullptr;
  PopplerPage* p = drawnPage(page);
  if (!p) return nullptr;
  double w = 0, h = 0;
  poppler_page_get_size(p, &w, &h);
  int pw = std::max(1, static_cast<int>(std::ceil(w * scale)));
  int ph = std::max(1, static_cast<int>(std::ceil(h * scale)));
  if (pw > 16384 || ph > 16384) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, scale, scale);
  poppler_page_render(p, cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  auto img = Image::fromSurface(s, scale);
  cairo_surface_destroy(s);
  return img;
}

std::string PdfDocument::title() const {
  std::lock_guard lock(mutex_);
  char* t = poppler_document_get_title(doc_);
  std::string out = t ? t : "";
  g_free(t);
  return out;
}

bool PdfDocument::drawPage(int page, Context& ctx, const base::Rect& target) const {
  std::lock_guard lock(mutex_);
  if (page < 0 || page >= pageCount()) return false;
  PopplerPage* p = drawnPage(page);
  if (!p) return false;
  // The drawing library lays the page out turned and cropped, origin top
  // left, one unit per point.
  double w = 0, h = 0;
  poppler_page_get_size(p, &w, &h);
  if (!(w > 0) || !(h > 0) || target.isEmpty()) return false;
  double s = std::min(target.width() / w, target.height() / h);
  cairo_t* cr = ctx.cairo();
  cairo_save(cr);
  cairo_translate(cr, target.x() + (target.width() - w * s) / 2, target.y() + (target.height() - h * s) / 2);
  cairo_scale(cr, s, s);
  cairo_rectangle(cr, 0, 0, w, h);
  cairo_clip(cr);
  poppler_page_render(p, cr);
  cairo_restore(cr);
  return true;
}

}  // namespace gfx
