#include "library/reader/ReaderContentPage.hpp"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "library/reader/ReaderDocument.hpp"
#include "platform/base/MainThread.hpp"

namespace mv {

namespace {

double evenFloor(double v) {
  long n = v > 0 ? static_cast<long>(v) : 0;
  return static_cast<double>(n - (n % 2));
}

// An address from a link: printable ASCII without spaces, as URLs are written.
std::optional<std::string> urlText(const std::string& bytes) {
  if (bytes.empty()) return std::nullopt;
  for (unsigned char c : bytes)
    if (c <= 0x20 || c >= 0x7F) return std::nullopt;
  return bytes;
}

// The object reader of the file opened last, shared: the reader opens a page
// view for each page it shows and for its neighbours, and reading the
// objects of a file is a good part of opening one. A file changed on disk
// since (a new download under the same name) is read again. Main thread.
std::shared_ptr<gfx::PdfObjectFile> objectsOf(const std::filesystem::path& file, const std::string& password) {
  struct Last {
    std::filesystem::path path;
    std::string password;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
    std::shared_ptr<gfx::PdfObjectFile> objects;
  };
  // Kept for the process's life and never destroyed: at exit the object
  // library may be gone before a destructor of ours would run.
  static Last& last = *new Last;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  const auto time = ec ? std::filesystem::file_time_type() : std::filesystem::last_write_time(file, ec);
  if (ec) return nullptr;
  if (last.objects && last.path == file && last.password == password && last.size == size && last.time == time)
    return last.objects;
  std::shared_ptr<gfx::PdfObjectFile> objects(gfx::PdfObjectFile::open(file, password).release());
  last = objects ? Last{file, password, size, time, objects} : Last{};
  return objects;
}

}  // namespace

base::Size ReaderContentPage::viewSizeFor(const gfx::PdfPageBoxes& boxes) {
  base::Size s = gfx::pdfRotatedSize(boxes);
  return {evenFloor(s.width), evenFloor(s.height)};
}

bool ReaderContentPage::anyPageDrawable(const gfx::PdfDocument& document) {
  for (int i = 0, n = document.pageCount(); i < n; ++i) {
    const base::Size s = document.pageSize(i);
    if (evenFloor(s.width) > 0 && evenFloor(s.height) > 0) return true;
  }
  return false;
}

std::shared_ptr<ReaderContentPage> ReaderContentPage::initWithURL(const std::filesystem::path& fileURL, long page,
                                                                  const std::string& password) {
  MV_ASSERT_MAIN_THREAD();
  auto document = ReaderOpenPDFDocument(fileURL, password);
  if (!document) return nullptr;
  const int count = document->pageCount();
  if (count < 1) return nullptr;
  page = std::clamp(page, 1L, static_cast<long>(count));
  const int index = static_cast<int>(page - 1);
  base::Size drawn = document->pageSize(index);

  std::shared_ptr<gfx::PdfObjectFile> objects = objectsOf(fileURL, password);
  gfx::PdfPageBoxes boxes{{0, 0, drawn.width, drawn.height}, {0, 0, drawn.width, drawn.height}, 0};
  if (objects) {
    // The object reader and the drawing library see the same boxes for any
    // sound file; where they part (a file only one of them could mend), the
    // drawing wins and the page has no links.
    auto read = objects->pageBoxes(index);
    base::Size turned = read ? gfx::pdfRotatedSize(*read) : base::Size{};
    if (read && std::abs(turned.width - drawn.width) < 1 && std::abs(turned.height - drawn.height) < 1)
      boxes = *read;
    else
      objects.reset();
  }
  base::Size size = viewSizeFor(boxes);
  if (size.width <= 0 || size.height <= 0) return nullptr;

  std::shared_ptr<ReaderContentPage> view(new ReaderContentPage({0, 0, size.width, size.height}));
  view->document_ = std::move(document);
  view->objects_ = std::move(objects);
  view->page_ = page;
  view->boxes_ = boxes;
  view->pageSize_ = gfx::pdfRotatedSize(boxes);
  view->setUserInteractionEnabled(false);
  view->setAutoresizesSubviews(false);
  view->setBackgroundColor(gfx::Color::clear());
  view->setContentMode(ui::ContentMode::Redraw);
  view->buildAnnotationLinksList();
  std::weak_ptr<ui::View> weak = view;
  view->tiles_ = std::make_unique<ReaderContentTile>(view->document_, index, size, [weak] {
    if (auto v = weak.lock()) v->setNeedsDisplay();
  });
  return view;
}

ReaderContentPage::~ReaderContentPage() = default;

double ReaderContentPage::pageOffsetX() const {
  const auto& b = boxes_.visibleBox;
  return boxes_.rotation == 90 || boxes_.rotation == 270 ? b.y() : b.x();
}

double ReaderContentPage::pageOffsetY() const {
  const auto& b = boxes_.visibleBox;
  return boxes_.rotation == 90 || boxes_.rotation == 270 ? b.x() : b.y();
}

base::AffineTransform ReaderContentPage::pageTransform() const { return gfx::pdfDrawingTransform(boxes_, bounds()); }

void ReaderContentPage::buildAnnotationLinksList() {
  links_.clear();
  if (!objects_) return;
  gfx::PdfObject annots = objects_->page(static_cast<int>(page_ - 1)).get("Annots");
  for (std::size_t i = 0; i < annots.size(); ++i) {
    gfx::PdfObject a = annots.at(i);
    if (!a.isDictionary() || a.get("Subtype").name() != "Link") continue;
    if (auto link = linkFromAnnotation(a)) links_.insert(links_.begin(), std::move(*link));
  }
}

std::optional<ReaderDocumentLink> ReaderContentPage::linkFromAnnotation(const gfx::PdfObject& annotation) const {
  gfx::PdfObject r = annotation.get("Rect");
  if (!r.isArray()) return std::nullopt;
  double v[4];
  for (std::size_t i = 0; i < 4; ++i) v[i] = r.at(i).number().value_or(0);
  base::Rect area{std::min(v[0], v[2]), std::min(v[1], v[3]), std::abs(v[2] - v[0]), std::abs(v[3] - v[1])};
  // Corners go through the very transform the page is drawn with, so the
  // areas sit on what they cover at every rotation and crop-box origin.
  base::Rect mapped = pageTransform().apply(area);
  base::Rect rect{std::trunc(mapped.minX()), std::trunc(mapped.minY()), std::trunc(mapped.width()),
                  std::trunc(mapped.height())};
  return ReaderDocumentLink(rect, annotation);
}

ReaderLinkTarget ReaderContentPage::processSingleTap(base::Point point) const {
  for (const auto& link : links_) {
    if (link.rect().contains(point)) return annotationLinkTarget(link.dictionary());
  }
  return {};
}

ReaderLinkTarget ReaderContentPage::annotationLinkTarget(const gfx::PdfObject& annotation) const {
  if (!objects_) return {};
  gfx::PdfObject destination;
  gfx::PdfObject action = annotation.get("A");
  if (action.isDictionary()) {
    auto kind = action.get("S").name();
    if (kind == "URI") {
      auto text = action.get("URI").string();
      if (auto url = text ? urlText(*text) : std::nullopt) return *url;
      return {};
    }
    if (kind != "GoTo") return {};
    destination = action.get("D");
  } else {
    destination = annotation.get("Dest");
  }
  gfx::PdfObject catalog = objects_->catalog();
  if (auto named = destination.string()) {
    destination = destinationWithName(*named, catalog.get("Names").get("Dests"));
  } else if (auto name = destination.name()) {
    // The older destinations dictionary: an array, or a dictionary holding one.
    gfx::PdfObject entry = catalog.get("Dests").get(*name);
    destination = entry.isDictionary() ? entry.get("D") : entry;
  }
  return destinationTarget(destination);
}

ReaderLinkTarget ReaderContentPage::destinationTarget(const gfx::PdfObject& destination) const {
  if (!destination.isArray() || destination.size() == 0) return {};
  gfx::PdfObject first = destination.at(0);
  if (first.isDictionary()) {
    int index = objects_->pageIndexOfObject(first.id());
    if (index < 0) return {};
    return static_cast<long>(index + 1);
  }
  if (auto n = first.integer(); n && *n + 1 >= 1 && *n < objects_->pageCount()) return static_cast<long>(*n + 1);
  return {};
}

gfx::PdfObject ReaderContentPage::destinationWithName(const std::string& name, const gfx::PdfObject& node) const {
  std::set<std::uint64_t> seen;
  return treeLookup(name, node, 0, seen);
}

gfx::PdfObject ReaderContentPage::treeLookup(const std::string& name, const gfx::PdfObject& node, int depth,
                                             std::set<std::uint64_t>& seen) const {
  // A downloaded file may hold a tree that loops or never ends.
  if (!node.isDictionary() || depth > gfx::PdfObjectFile::kMaxDepth) return {};
  if (std::uint64_t id = node.id(); id != 0 && !seen.insert(id).second) return {};
  gfx::PdfObject limits = node.get("Limits");
  if (limits.size() == 2) {
    auto low = limits.at(0).string(), high = limits.at(1).string();
    if (low && high && (name < *low || name > *high)) return {};
  }
  gfx::PdfObject names = node.get("Names");
  if (names.size() > 0) {
    for (std::size_t i = 0; i + 1 < names.size(); i += 2) {
      if (names.at(i).string() != name) continue;
      gfx::PdfObject value = names.at(i + 1);
      if (value.isArray()) return value;
      if (value.isDictionary()) return value.get("D");
      return {};
    }
    return {};
  }
  gfx::PdfObject kids = node.get("Kids");
  for (std::size_t i = 0; i < kids.size(); ++i) {
    gfx::PdfObject found = treeLookup(name, kids.at(i), depth + 1, seen);
    if (!found.isNull()) return found;
  }
  return {};
}

void ReaderContentPage::highlightPageLinks() {
  for (const auto& link : links_) {
    auto box = std::make_shared<ui::View>(link.rect());
    box->setUserInteractionEnabled(false);
    box->setBackgroundColor(gfx::Color::rgb(0, 0, 1, 0.15));
    addSubview(box);
  }
}

void ReaderContentPage::drawRect(gfx::Context& ctx, const ui::Rect& rect) {
  // What of the page the target shows: the clip, within the page.
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  cairo_clip_extents(ctx.cairo(), &x1, &y1, &x2, &y2);
  ui::Rect visible = ui::Rect{x1, y1, x2 - x1, y2 - y1}.intersection(rect);
  base::AffineTransform m = ctx.ctm();
  tiles_->draw(ctx, visible, std::hypot(m.a, m.b));
}

void ReaderContentPage::willMoveToSuperview(ui::View* newSuperview) {
  if (!newSuperview) tiles_->clear();
  ui::View::willMoveToSuperview(newSuperview);
}

}  // namespace mv
