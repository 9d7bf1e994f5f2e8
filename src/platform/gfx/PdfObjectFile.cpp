#include "platform/gfx/PdfObjectFile.hpp"

// qpdf's own smart pointer is not used here.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>

namespace gfx {

// A handle of qpdf's with the file it belongs to kept alive.
struct PdfObject::Impl {
  std::shared_ptr<QPDF> file;
  QPDFObjectHandle handle;
};

namespace {

PdfObject wrap(const std::shared_ptr<QPDF>& file, QPDFObjectHandle h) {
  return PdfObject(std::make_shared<PdfObject::Impl>(PdfObject::Impl{file, std::move(h)}));
}

}  // namespace

// qpdf reports damaged objects by throwing; every read here turns that into
// the null answer.
PdfObject::PdfObject() = default;
PdfObject::~PdfObject() = default;
PdfObject::PdfObject(const PdfObject&) = default;
PdfObject& PdfObject::operator=(const PdfObject&) = default;
PdfObject::PdfObject(std::shared_ptr<Impl> impl) : impl_(std::move(impl)) {}

PdfObject::Type PdfObject::type() const {
  if (!impl_) return Type::Null;
  try {
    auto h = impl_->handle;
    if (h.isBool()) return Type::Boolean;
    if (h.isInteger()) return Type::Integer;
    if (h.isReal()) return Type::Real;
    if (h.isString()) return Type::String;
    if (h.isName()) return Type::Name;
    if (h.isArray()) return Type::Array;
    if (h.isStream()) return Type::Stream;
    if (h.isDictionary()) return Type::Dictionary;
  } catch (const std::exception&) {
  }
  return Type::Null;
}

std::optional<long long> PdfObject::integer() const {
  if (type() != Type::Integer) return std::nullopt;
  try {
    return impl_->handle.getIntValue();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<double> PdfObject::number() const {
  auto t = type();
  if (t != Type::Integer && t != Type::Real) return std::nullopt;
  try {
    double v = impl_->handle.getNumericValue();
    if (!std::isfinite(v)) return std::nullopt;
    return v;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> PdfObject::string() const {
  if (type() != Type::String) return std::nullopt;
  try {
    return impl_->handle.getStringValue();
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::string> PdfObject::name() const {
  if (type() != Type::Name) return std::nullopt;
  try {
    std::string n = impl_->handle.getName();
    if (!n.empty() && n[0] == '/') n.erase(0, 1);
    return n;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::size_t PdfObject::size() const {
  if (type() != Type::Array) return 0;
  try {
    return static_cast<std::size_t>(std::max(0, impl_->handle.getArrayNItems()));
  } catch (const std::exception&) {
    return 0;
  }
}

PdfObject PdfObject::at(std::size_t index) const {
  if (index >= size()) return {};
  try {
    return wrap(impl_->file, impl_->handle.getArrayItem(static_cast<int>(index)));
  } catch (const std::exception&) {
    return {};
  }
}

PdfObject PdfObject::get(const std::string& key) const {
  if (!isDictionary()) return {};
  try {
    auto dict = impl_->handle.isStream() ? impl_->handle.getDict() : impl_->handle;
    if (!dict.hasKey("/" + key)) return {};
    return wrap(impl_->file, dict.getKey("/" + key));
  } catch (const std::exception&) {
    return {};
  }
}

bool PdfObject::has(const std::string& key) const { return !get(key).isNull(); }

std::uint64_t PdfObject::id() const {
  if (!impl_ || !impl_->handle.isIndirect()) return 0;
  auto og = impl_->handle.getObjGen();
  return (static_cast<std::uint64_t>(og.getObj()) << 16) ^ static_cast<std::uint64_t>(og.getGen() & 0xFFFF);
}

// --- the file -------------------------------------------------------------------

struct PdfObjectFile::Impl {
  std::shared_ptr<QPDF> file;
};

namespace {

std::shared_ptr<QPDF> load(const std::filesystem::path& path, const std::string& password) {
  auto q = std::make_shared<QPDF>();
  q->setSuppressWarnings(true);
  q->setAttemptRecovery(true);
  q->processFile(path.c_str(), password.c_str());
  return q;
}

// A rectangle array as a normalised rectangle; nothing unless it holds four numbers.
std::optional<base::Rect> rectangle(const PdfObject& a) {
  if (a.size() != 4) return std::nullopt;
  double v[4];
  for (std::size_t i = 0; i < 4; ++i) {
    auto n = a.at(i).number();
    if (!n) return std::nullopt;
    v[i] = *n;
  }
  double x0 = std::min(v[0], v[2]), x1 = std::max(v[0], v[2]);
  double y0 = std::min(v[1], v[3]), y1 = std::max(v[1], v[3]);
  return base::Rect{x0, y0, x1 - x0, y1 - y0};
}

// The page's own value of an inheritable attribute, else its nearest
// ancestor's; the walk up stops at a cycle or after kMaxDepth parents.
PdfObject inherited(const PdfObject& page, const std::string& key) {
  std::set<std::uint64_t> seen;
  PdfObject node = page;
  for (int depth = 0; depth <= PdfObjectFile::kMaxDepth && node.isDictionary(); ++depth) {
    PdfObject v = node.get(key);
    if (!v.isNull()) return v;
    if (std::uint64_t id = node.id(); id != 0 && !seen.insert(id).second) break;
    node = node.get("Parent");
  }
  return {};
}

}  // namespace

std::unique_ptr<PdfObjectFile> PdfObjectFile::open(const std::filesystem::path& path, const std::string& password) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  std::shared_ptr<QPDF> q;
  try {
    q = load(path, "");
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() != qpdf_e_password || password.empty()) return nullptr;
  } catch (const std::exception&) {
    return nullptr;
  }
  try {
    if (!q) q = load(path, password);
    std::unique_ptr<PdfObjectFile> f(new PdfObjectFile());
    f->impl_ = std::make_shared<Impl>(Impl{q});
    for (auto& p : q->getAllPages()) f->pages_.push_back(wrap(q, p));
    return f;
  } catch (const std::exception&) {
    return nullptr;
  }
}

PdfObjectFile::~PdfObjectFile() = default;

PdfObject PdfObjectFile::catalog() const {
  try {
    return wrap(impl_->file, impl_->file->getRoot());
  } catch (const std::exception&) {
    return {};
  }
}

PdfObject PdfObjectFile::page(int index) const {
  if (index < 0 || index >= pageCount()) return {};
  return pages_[static_cast<std::size_t>(index)];
}

int PdfObjectFile::pageIndexOfObject(std::uint64_t id) const {
  if (id == 0) return -1;
  for (std::size_t i = 0; i < pages_.size(); ++i)
    if (pages_[i].id() == id) return static_cast<int>(i);
  return -1;
}

std::optional<PdfPageBoxes> PdfObjectFile::pageBoxes(int index) const {
  PdfObject p = page(index);
  if (p.isNull()) return std::nullopt;
  PdfPageBoxes boxes;
  // A page without a usable media box is US Letter, as readers draw it.
  boxes.mediaBox = rectangle(inherited(p, "MediaBox")).value_or(base::Rect{0, 0, 612, 792});
  auto crop = rectangle(inherited(p, "CropBox"));
  boxes.visibleBox = crop ? crop->intersection(boxes.mediaBox) : boxes.mediaBox;
  if (boxes.visibleBox.isEmpty()) boxes.visibleBox = boxes.mediaBox;
  long long r = inherited(p, "Rotate").integer().value_or(0);
  r = ((r % 360) + 360) % 360;
  boxes.rotation = r % 90 == 0 ? static_cast<int>(r) : 0;
  return boxes;
}

base::Size pdfRotatedSize(const PdfPageBoxes& boxes) {
  const base::Rect& b = boxes.visibleBox;
  if (boxes.rotation == 90 || boxes.rotation == 270) return {b.height(), b.width()};
  return b.size;
}

base::AffineTransform pdfDrawingTransform(const PdfPageBoxes& boxes, const base::Rect& target) {
  const base::Rect& b = boxes.visibleBox;
  const double x0 = b.minX(), y0 = b.minY(), x1 = b.maxX(), y1 = b.maxY();
  // User space to the turned page at one point per point, y down. /Rotate
  // turns the page clockwise as shown.
  base::AffineTransform turn;
  switch (boxes.rotation) {
    case 90: turn = {0, 1, 1, 0, -y0, -x0}; break;       // X = y - y0, Y = x - x0
    case 180: turn = {-1, 0, 0, 1, x1, -y0}; break;      // X = x1 - x, Y = y - y0
    case 270: turn = {0, -1, -1, 0, y1, x1}; break;      // X = y1 - y, Y = x1 - x
    default: turn = {1, 0, 0, -1, -x0, y1}; break;       // X = x - x0, Y = y1 - y
  }
  base::Size turned = pdfRotatedSize(boxes);
  if (turned.width <= 0 || turned.height <= 0) return turn;
  double s = std::min(target.width() / turned.width, target.height() / turned.height);
  double tx = target.x() + (target.width() - turned.width * s) / 2;
  double ty = target.y() + (target.height() - turned.height * s) / 2;
  return turn.concat({s, 0, 0, s, tx, ty});
}

}  // namespace gfx
