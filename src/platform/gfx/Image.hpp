#pragma once
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/CairoHandles.hpp"
#include "platform/gfx/Color.hpp"

namespace gfx {

struct ImageData;

class Image;
using ImagePtr = std::shared_ptr<Image>;

// Whether a picture held back (see Image::heldBack) may be drawn: settled
// once, on any thread; a drawing after that shows what it settled on.
class ImageHold {
 public:
  enum class State { Waiting, Taken, Refused };
  void settle(bool taken) { state_.store(taken ? State::Taken : State::Refused); }
  State state() const { return state_.load(); }

 private:
  std::atomic<State> state_{State::Waiting};
};

// An immutable bitmap with a scale (pixels per point) and, for images that
// stretch, the cap insets that stay unscaled. Pixels live in a cairo image
// surface (premultiplied ARGB), shared between an image and the resizable
// variants made from it.
class Image {
 public:
  enum class ResizingMode { Tile, Stretch };

  // The bundle resource by name ("Back.png", or "Back" meaning PNG); the
  // "@2x" file is preferred at device scale 2. Cached; nothing when missing.
  // Decoded on first use, like fromFileOnFirstUse: screens name many
  // pictures they may never draw.
  static ImagePtr named(const std::string& name);
  // A file by path; "name@2x.ext" is preferred at device scale 2 and a file
  // whose name has "@2x" is scale 2. Nothing when missing or unreadable.
  static ImagePtr fromFile(const std::filesystem::path& path);
  // The same, but only the file's header is read now: its pixels are decoded
  // the first time they are needed, on whichever thread needs them. Nothing
  // when the file is missing or its header unreadable; a file whose pixels
  // turn out unreadable later gives a transparent image of its size.
  // A file of more than kWholeReadPixels (a skin's picture may be of tens of
  // megapixels) is drawn from a picture read at the size the drawing needs,
  // shrunk as it is read through PictureCache: on a worker when drawn on the
  // main thread (drawn as nothing until it has come, or from the picture
  // read for a smaller drawing; its arrival is posted to the main loop, so
  // the next frame shows it), at once on other threads and into a document
  // (see Context::kDocumentPixelsPerPoint). Only the calls that
  // want every pixel (surface, pixelAt, toImageData) decode it whole.
  static ImagePtr fromFileOnFirstUse(const std::filesystem::path& path);
  static constexpr std::uint64_t kWholeReadPixels = 2048 * 2048;
  // PNG or JPEG bytes; nothing for bytes that are not a readable image.
  static ImagePtr fromData(std::string_view bytes, double scale = 1.0);
  static ImagePtr fromData(const std::vector<std::uint8_t>& bytes, double scale = 1.0);
  static ImagePtr fromImageData(const ImageData& data, double scale = 1.0);
  // Takes its own reference to an image surface (ARGB32 or RGB24).
  static ImagePtr fromSurface(cairo_surface_t* surface, double scale = 1.0);
  // A transparent bitmap of that size in points.
  static ImagePtr blank(base::Size size, double scale = 1.0);
  // `picture`, laid out at its size but drawn as `standIn` (stretched to
  // that size; as nothing without one) for as long as `hold` waits, and for
  // good once it refuses the picture: a picture whose check is under way
  // shows as the one it stands for, and the next drawing after its check
  // shows the picture. Its variants (resizable, stretchable) follow the
  // same hold.
  static ImagePtr heldBack(const ImagePtr& picture, ImagePtr standIn, std::shared_ptr<const ImageHold> hold);

  // Scale the "@2x" preference follows (the screen sets it).
  static void setDeviceScale(double scale);
  static double deviceScale();
  static void clearCache();

  ~Image();

  // Size in points: pixels / scale.
  base::Size size() const;
  double scale() const { return scale_; }
  int pixelWidth() const;
  int pixelHeight() const;
  // Decodes the pixels of an image read on first use.
  cairo_surface_t* surface() const;
  // The pixels to draw it with when the whole image covers `pixelWidth` x
  // `pixelHeight` pixels of the target: its surface, or for a large file
  // read on first use one read at about that size (`scaleX`, `scaleY`: its
  // pixels per pixel of the image); no surface while it is being read.
  // `now`: read at once on the main thread too (a document's page is
  // written once: no later frame would show what comes after).
  struct Drawable {
    std::shared_ptr<cairo_surface_t> surface;
    double scaleX = 1, scaleY = 1;
  };
  Drawable drawable(int pixelWidth, int pixelHeight, bool now = false) const;
  // Whether a drawing now would still wait for the picture being read, or
  // for its hold.
  bool pixelsPending() const;
  // The file an image read on first use comes from; nothing for the others.
  const std::filesystem::path* sourceFile() const;

  // Stretching.
  ImagePtr resizableImage(base::EdgeInsets capInsets, ResizingMode mode = ResizingMode::Tile) const;
  // Caps of `leftCapWidth` and `topCapHeight` with a one-point stretchable
  // middle, as the older stretch call defines it (0 leaves that axis plain).
  ImagePtr stretchableImage(int leftCapWidth, int topCapHeight) const;
  base::EdgeInsets capInsets() const { return caps_; }
  ResizingMode resizingMode() const { return mode_; }
  bool isResizable() const { return caps_ != base::EdgeInsets{}; }
  int leftCapWidth() const { return leftCap_; }
  int topCapHeight() const { return topCap_; }

  // The image drawn scaled to `size` points at `scale`.
  ImagePtr scaledToSize(base::Size size, double scale = 1.0) const;
  // The pixel at (x, y), not premultiplied; clear outside the image.
  Color pixelAt(int x, int y) const;
  ImageData toImageData() const;

  std::optional<std::vector<std::uint8_t>> pngData() const;
  // JPEG at quality 0..1; transparent pixels are laid over white.
  std::optional<std::vector<std::uint8_t>> jpegData(double quality) const;
  bool writePNG(const std::filesystem::path& path) const;
  bool writeJPEG(const std::filesystem::path& path, double quality) const;

  using SurfaceRef = std::shared_ptr<cairo_surface_t>;
  Image(SurfaceRef surface, double scale);

 private:
  struct PendingFile;
  struct Held;
  Image(std::shared_ptr<PendingFile> pending, double scale);
  // The stand-in of a picture held back, while it stands in.
  const Image* standingIn() const;
  // One file at that scale, decoded now or on first use.
  static ImagePtr load(const std::filesystem::path& path, double scale, bool onFirstUse);
  static ImagePtr loadPreferringVariant(const std::filesystem::path& path, bool onFirstUse);

  SurfaceRef surface_;
  // The file still to decode; shared with the resizable variants made from it.
  std::shared_ptr<PendingFile> pending_;
  std::shared_ptr<Held> held_;
  int width_ = 0, height_ = 0;
  double scale_ = 1;
  base::EdgeInsets caps_{};
  ResizingMode mode_ = ResizingMode::Tile;
  int leftCap_ = 0, topCap_ = 0;
};

}  // namespace gfx
