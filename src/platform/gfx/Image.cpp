#include "platform/gfx/Image.hpp"

#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>

#include "platform/base/Log.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/PictureCache.hpp"

namespace gfx {

namespace fs = std::filesystem;

namespace {

std::atomic<double> gDeviceScale{1.0};

// The drawing layer may be used from worker threads (pictures and pages are
// made there), so the bundle pictures' cache takes a lock.
std::mutex& cacheMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, ImagePtr>& cache() {
  static std::map<std::string, ImagePtr> c;
  return c;
}

Image::SurfaceRef adopt(cairo_surface_t* s) {
  return Image::SurfaceRef(s, [](cairo_surface_t* p) { cairo_surface_destroy(p); });
}

bool surfaceOk(cairo_surface_t* s) { return s && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS; }

std::uint8_t premultiply(std::uint8_t c, std::uint8_t a) { return static_cast<std::uint8_t>((c * a + 127) / 255); }
std::uint8_t unpremultiply(std::uint8_t c, std::uint8_t a) {
  if (a == 0) return 0;
  return static_cast<std::uint8_t>(std::min(255, (c * 255 + a / 2) / a));
}

// "@2x" variant of a path: "dir/name@2x.ext".
fs::path retinaVariant(const fs::path& p) {
  fs::path v = p;
  v.replace_filename(p.stem().string() + "@2x" + p.extension().string());
  return v;
}

bool hasRetinaSuffix(const fs::path& p) {
  std::string stem = p.stem().string();
  return stem.size() >= 3 && stem.compare(stem.size() - 3, 3, "@2x") == 0;
}

// Premultiplied ARGB pixels of decoded data; nothing when cairo cannot hold them.
Image::SurfaceRef surfaceFromData(const ImageData& data) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, data.width, data.height);
  if (!surfaceOk(s)) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  cairo_surface_flush(s);
  unsigned char* px = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < data.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(px + static_cast<std::size_t>(y) * stride);
    const std::uint8_t* p = data.pixel(0, y);
    for (int x = 0; x < data.width; ++x, p += 4) {
      const std::uint8_t a = p[3];
      // Most pixels of a picture are opaque: they stay as they are.
      row[x] = a == 255 ? 0xff000000u | (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2]
                        : (std::uint32_t(a) << 24) | (std::uint32_t(premultiply(p[0], a)) << 16) |
                              (std::uint32_t(premultiply(p[1], a)) << 8) | premultiply(p[2], a);
    }
  }
  cairo_surface_mark_dirty(s);
  return adopt(s);
}

}  // namespace

struct Image::PendingFile : std::enable_shared_from_this<Image::PendingFile> {
  fs::path path;
  int width = 0, height = 0;
  std::once_flag once;
  SurfaceRef surface;
  // Past kWholeReadPixels: drawn from pictures read at the size drawn.
  bool readAtDrawnSize = false;
  std::mutex mutex;
  // The largest picture read for a drawing so far, the size of the read
  // under way on a worker (0: none), and whether a read found no picture.
  ImagePtr drawn;
  int readingWidth = 0, readingHeight = 0;
  bool unreadable = false;

  Drawable drawableOf(const ImagePtr& picture) const {
    return {picture->surface_, picture->pixelWidth() / static_cast<double>(width),
            picture->pixelHeight() / static_cast<double>(height)};
  }

  Drawable drawable(int wantWidth, int wantHeight, bool now) {
    // Enough pixels to cover the drawing both ways, the aspect kept, never
    // more than the file holds.
    const double factor = std::min(
        1.0, std::max(wantWidth / static_cast<double>(width), wantHeight / static_cast<double>(height)));
    const int needWidth = std::clamp(static_cast<int>(std::ceil(width * factor)), 1, width);
    const int needHeight = std::clamp(static_cast<int>(std::ceil(height * factor)), 1, height);
    const auto covers = [&](const ImagePtr& picture) {
      return picture && picture->pixelWidth() + 1 >= needWidth && picture->pixelHeight() + 1 >= needHeight;
    };
    if (now || !base::RunLoop::main().isMainThread()) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (covers(drawn)) return drawableOf(drawn);
      }
      if (auto picture = PictureCache::shared().picture(path, needWidth, needHeight)) return drawableOf(picture);
      return {};
    }
    std::lock_guard<std::mutex> lock(mutex);
    if (covers(drawn)) return drawableOf(drawn);
    // Another image of the file (a skin hands out a new one at every lookup)
    // may have had it read at this size already.
    if (auto picture = PictureCache::shared().kept(path, needWidth, needHeight)) {
      drawn = picture;
      return drawableOf(drawn);
    }
    if (!unreadable && (readingWidth < needWidth || readingHeight < needHeight)) {
      readingWidth = needWidth;
      readingHeight = needHeight;
      auto self = shared_from_this();
      base::WorkQueue::global().async([self, needWidth, needHeight](const base::CancelFlag&) {
        auto picture = PictureCache::shared().picture(self->path, needWidth, needHeight);
        base::RunLoop::main().post([self, picture, needWidth, needHeight] {
          self->arrived(picture, needWidth, needHeight);
        });
      });
    }
    return drawn ? drawableOf(drawn) : Drawable{};
  }

  void arrived(const ImagePtr& picture, int readWidth, int readHeight) {
    std::lock_guard<std::mutex> lock(mutex);
    if (readingWidth == readWidth && readingHeight == readHeight) readingWidth = readingHeight = 0;
    if (!picture) {
      // Read no more: it would fail at every frame the same way.
      MV_LOG("The picture ", path.string(), " cannot be read; it is left blank");
      unreadable = true;
      return;
    }
    if (!drawn || picture->pixelWidth() > drawn->pixelWidth()) drawn = picture;
  }

  bool pending() {
    std::lock_guard<std::mutex> lock(mutex);
    return readAtDrawnSize && !drawn && !unreadable;
  }

  cairo_surface_t* pixels() {
    std::call_once(once, [this] {
      auto data = ImageData::decodeFile(path);
      if (data && data->width == width && data->height == height) surface = surfaceFromData(*data);
      if (!surface) {
        // Its size is already laid out: a file that broke since its header
        // was read shows as nothing rather than taking the layout with it.
        MV_LOG("The picture ", path.string(), " cannot be read; it is left blank");
        surface = adopt(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
      }
    });
    return surface.get();
  }
};

struct Image::Held {
  ImagePtr standIn;
  std::shared_ptr<const ImageHold> hold;
  // The stand-in at the picture's size, for the calls that want every pixel.
  std::once_flag once;
  ImagePtr atSize;
};

const Image* Image::standingIn() const {
  if (!held_ || held_->hold->state() == ImageHold::State::Taken) return nullptr;
  return this;
}

Image::Image(SurfaceRef surface, double scale)
    : surface_(std::move(surface)),
      width_(cairo_image_surface_get_width(surface_.get())),
      height_(cairo_image_surface_get_height(surface_.get())),
      scale_(scale > 0 ? scale : 1) {}

Image::Image(std::shared_ptr<PendingFile> pending, double scale)
    : pending_(std::move(pending)),
      width_(pending_->width),
      height_(pending_->height),
      scale_(scale > 0 ? scale : 1) {}

cairo_surface_t* Image::surface() const {
  if (standingIn()) {
    std::call_once(held_->once, [this] {
      held_->atSize = held_->standIn ? held_->standIn->scaledToSize(size(), scale_) : blank(size(), scale_);
    });
    if (held_->atSize) return held_->atSize->surface();
  }
  return surface_ ? surface_.get() : pending_->pixels();
}

Image::Drawable Image::drawable(int pixelWidth, int pixelHeight, bool now) const {
  if (standingIn()) {
    if (!held_->standIn) return {};
    // The stand-in covers what the picture would: its pixels, counted
    // against the picture's.
    Drawable drawn = held_->standIn->drawable(pixelWidth, pixelHeight, now);
    drawn.scaleX *= held_->standIn->pixelWidth() / static_cast<double>(std::max(1, width_));
    drawn.scaleY *= held_->standIn->pixelHeight() / static_cast<double>(std::max(1, height_));
    return drawn;
  }
  if (surface_) return {surface_, 1, 1};
  if (pending_->readAtDrawnSize) return pending_->drawable(pixelWidth, pixelHeight, now);
  pending_->pixels();
  return {pending_->surface, 1, 1};
}

bool Image::pixelsPending() const {
  if (held_ && held_->hold->state() == ImageHold::State::Waiting) return true;
  if (standingIn()) return held_->standIn && held_->standIn->pixelsPending();
  return pending_ && pending_->pending();
}

const fs::path* Image::sourceFile() const { return pending_ ? &pending_->path : nullptr; }

ImagePtr Image::load(const fs::path& path, double scale, bool onFirstUse) {
  if (!onFirstUse) {
    auto data = ImageData::decodeFile(path);
    if (!data) return nullptr;
    return fromImageData(*data, scale);
  }
  auto size = ImageData::dimensionsOfFile(path);
  if (!size) return nullptr;
  auto pending = std::make_shared<PendingFile>();
  pending->path = path;
  pending->width = size->first;
  pending->height = size->second;
  pending->readAtDrawnSize = static_cast<std::uint64_t>(size->first) * static_cast<std::uint64_t>(size->second) >
                             kWholeReadPixels;
  return ImagePtr(new Image(std::move(pending), scale));
}

ImagePtr Image::loadPreferringVariant(const fs::path& path, bool onFirstUse) {
  std::error_code ec;
  if (deviceScale() >= 2 && !hasRetinaSuffix(path)) {
    fs::path v = retinaVariant(path);
    if (fs::is_regular_file(v, ec)) {
      if (auto img = load(v, 2.0, onFirstUse)) return img;
    }
  }
  if (!fs::is_regular_file(path, ec)) return nullptr;
  return load(path, hasRetinaSuffix(path) ? 2.0 : 1.0, onFirstUse);
}

Image::~Image() = default;

void Image::setDeviceScale(double scale) { gDeviceScale.store(scale >= 2 ? 2.0 : 1.0); }
double Image::deviceScale() { return gDeviceScale.load(); }

void Image::clearCache() {
  std::lock_guard<std::mutex> lock(cacheMutex());
  cache().clear();
}

ImagePtr Image::named(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return nullptr;
  fs::path file(name);
  std::string ext = file.extension().string();
  std::string stem = file.stem().string();
  if (ext.empty()) ext = ".png";
  std::string type = ext.substr(1);
  double want = deviceScale();
  std::string key = base::Bundle::resourceDir().string() + "|" + stem + ext + "|" + std::to_string(want);
  {
    std::lock_guard<std::mutex> lock(cacheMutex());
    auto it = cache().find(key);
    if (it != cache().end()) return it->second;
  }
  ImagePtr img;
  bool retinaName = hasRetinaSuffix(file);
  if (want >= 2 && !retinaName) {
    auto p = base::Bundle::pathForResource(stem + "@2x", type);
    if (!p.empty()) img = load(p, 2.0, true);
  }
  if (!img) {
    auto p = base::Bundle::pathForResource(stem, type);
    if (!p.empty()) img = load(p, retinaName ? 2.0 : 1.0, true);
  }
  if (!img) return nullptr;
  std::lock_guard<std::mutex> lock(cacheMutex());
  cache()[key] = img;
  return img;
}

ImagePtr Image::fromFile(const fs::path& path) { return loadPreferringVariant(path, false); }

ImagePtr Image::fromFileOnFirstUse(const fs::path& path) { return loadPreferringVariant(path, true); }

ImagePtr Image::fromData(std::string_view bytes, double scale) {
  auto data = ImageData::decode(bytes);
  if (!data) return nullptr;
  return fromImageData(*data, scale);
}

ImagePtr Image::fromData(const std::vector<std::uint8_t>& bytes, double scale) {
  return fromData(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), scale);
}

ImagePtr Image::fromImageData(const ImageData& data, double scale) {
  if (data.empty()) return nullptr;
  auto surface = surfaceFromData(data);
  if (!surface) return nullptr;
  return std::make_shared<Image>(std::move(surface), scale);
}

ImagePtr Image::fromSurface(cairo_surface_t* surface, double scale) {
  if (!surfaceOk(surface) || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return nullptr;
  return std::make_shared<Image>(adopt(cairo_surface_reference(surface)), scale);
}

ImagePtr Image::blank(base::Size size, double scale) {
  if (!(scale > 0)) scale = 1;
  int w = static_cast<int>(std::ceil(size.width * scale)), h = static_cast<int>(std::ceil(size.height * scale));
  if (w <= 0 || h <= 0 || w > ImageData::kMaxDimension || h > ImageData::kMaxDimension) return nullptr;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  if (!surfaceOk(s)) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return std::make_shared<Image>(adopt(s), scale);
}

ImagePtr Image::heldBack(const ImagePtr& picture, ImagePtr standIn, std::shared_ptr<const ImageHold> hold) {
  if (!picture || !hold) return picture;
  auto held = std::make_shared<Image>(*picture);
  held->held_ = std::make_shared<Held>();
  held->held_->standIn = std::move(standIn);
  held->held_->hold = std::move(hold);
  return held;
}

base::Size Image::size() const { return {pixelWidth() / scale_, pixelHeight() / scale_}; }
int Image::pixelWidth() const { return width_; }
int Image::pixelHeight() const { return height_; }

ImagePtr Image::resizableImage(base::EdgeInsets capInsets, ResizingMode mode) const {
  auto img = std::make_shared<Image>(*this);
  base::Size s = size();
  // Caps never overlap: clamp each pair to the image's size.
  capInsets.left = std::clamp(capInsets.left, 0.0, s.width);
  capInsets.right = std::clamp(capInsets.right, 0.0, s.width - capInsets.left);
  capInsets.top = std::clamp(capInsets.top, 0.0, s.height);
  capInsets.bottom = std::clamp(capInsets.bottom, 0.0, s.height - capInsets.top);
  img->caps_ = capInsets;
  img->mode_ = mode;
  img->leftCap_ = static_cast<int>(capInsets.left);
  img->topCap_ = static_cast<int>(capInsets.top);
  return img;
}

ImagePtr Image::stretchableImage(int leftCapWidth, int topCapHeight) const {
  base::Size s = size();
  base::EdgeInsets caps{};
  if (leftCapWidth > 0) {
    caps.left = leftCapWidth;
    caps.right = std::max(0.0, s.width - leftCapWidth - 1);
  }
  if (topCapHeight > 0) {
    caps.top = topCapHeight;
    caps.bottom = std::max(0.0, s.height - topCapHeight - 1);
  }
  auto img = resizableImage(caps, ResizingMode::Stretch);
  img->leftCap_ = std::max(0, leftCapWidth);
  img->topCap_ = std::max(0, topCapHeight);
  return img;
}

ImagePtr Image::scaledToSize(base::Size size, double scale) const {
  auto out = blank(size, scale);
  if (!out) return nullptr;
  cairo_t* cr = cairo_create(out->surface());
  double sx = out->pixelWidth() / static_cast<double>(pixelWidth());
  double sy = out->pixelHeight() / static_cast<double>(pixelHeight());
  cairo_scale(cr, sx, sy);
  cairo_set_source_surface(cr, surface(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(out->surface());
  return out;
}

Color Image::pixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight()) return Color::clear();
  cairo_surface_flush(surface());
  const unsigned char* px = cairo_image_surface_get_data(surface());
  int stride = cairo_image_surface_get_stride(surface());
  std::uint32_t v = reinterpret_cast<const std::uint32_t*>(px + static_cast<std::size_t>(y) * stride)[x];
  bool opaqueFormat = cairo_image_surface_get_format(surface()) == CAIRO_FORMAT_RGB24;
  std::uint8_t a = opaqueFormat ? 255 : static_cast<std::uint8_t>(v >> 24);
  auto ch = [&](int shift) { return unpremultiply(static_cast<std::uint8_t>((v >> shift) & 0xff), a) / 255.0; };
  return Color(ch(16), ch(8), ch(0), a / 255.0);
}

ImageData Image::toImageData() const {
  int w = pixelWidth(), h = pixelHeight();
  ImageData out(w, h);
  if (out.empty()) return out;
  cairo_surface_flush(surface());
  const unsigned char* px = cairo_image_surface_get_data(surface());
  int stride = cairo_image_surface_get_stride(surface());
  bool opaqueFormat = cairo_image_surface_get_format(surface()) == CAIRO_FORMAT_RGB24;
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<const std::uint32_t*>(px + static_cast<std::size_t>(y) * stride);
    std::uint8_t* p = out.pixel(0, y);
    for (int x = 0; x < w; ++x, p += 4) {
      const std::uint32_t v = row[x];
      const std::uint8_t a = opaqueFormat ? 255 : static_cast<std::uint8_t>(v >> 24);
      const auto r = static_cast<std::uint8_t>((v >> 16) & 0xff), g = static_cast<std::uint8_t>((v >> 8) & 0xff),
                 b = static_cast<std::uint8_t>(v & 0xff);
      // An opaque pixel (most of a screen) is its own colour: no division.
      if (a == 255) {
        p[0] = r, p[1] = g, p[2] = b;
      } else {
        p[0] = unpremultiply(r, a), p[1] = unpremultiply(g, a), p[2] = unpremultiply(b, a);
      }
      p[3] = a;
    }
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> Image::pngData() const { return toImageData().encodePNG(); }

std::optional<std::vector<std::uint8_t>> Image::jpegData(double quality) const {
  return toImageData().encodeJPEG(quality);
}

bool Image::writePNG(const fs::path& path) const { return toImageData().writePNG(path); }

bool Image::writeJPEG(const fs::path& path, double quality) const { return toImageData().writeJPEG(path, quality); }

}  // namespace gfx
