// Thumbnails and fitting images into a size; file work only, so it runs on
// worker threads as well as on the main thread.
#include <algorithm>
#include <cmath>

#include "platform/base/Log.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// Width and height of an image of w x h shrunk by `factor`, at least one pixel.
std::pair<int, int> shrunk(int w, int h, double factor) {
  int nw = std::max(1, static_cast<int>(std::lround(w * factor)));
  int nh = std::max(1, static_cast<int>(std::lround(h * factor)));
  return {nw, nh};
}

}  // namespace

bool PublicFunction::createImgThumbWithImgName(const fs::path& fullPath, const fs::path& thumbPath) {
  std::error_code ec;
  if (fs::exists(thumbPath, ec)) return true;
  auto full = gfx::ImageData::decodeFile(fullPath);
  if (!full || full->empty()) {
    MV_LOG("no thumbnail: cannot read ", fullPath.string());
    return false;
  }
  const double factor = std::min({1.0, static_cast<double>(kThumbMaxWidth) / full->width,
                                  static_cast<double>(kThumbMaxHeight) / full->height});
  auto [w, h] = shrunk(full->width, full->height, factor);
  w = std::min(w, kThumbMaxWidth);
  h = std::min(h, kThumbMaxHeight);
  gfx::ImageData thumb = (w == full->width && h == full->height) ? std::move(*full) : full->scaled(w, h);
  // Written under a private name and renamed, so threads making the same
  // thumbnail at once never leave a torn file.
  if (!thumb.writePNG(thumbPath)) {
    MV_LOG("cannot write the thumbnail ", thumbPath.string());
    return false;
  }
  return true;
}

bool PublicFunction::image(const gfx::ImageData& img, base::Size isNeedToScaleToFitSize) {
  const double scale = screenScale();
  return img.width > isNeedToScaleToFitSize.width * scale || img.height > isNeedToScaleToFitSize.height * scale;
}

std::shared_ptr<const gfx::ImageData> PublicFunction::scaleImage(std::shared_ptr<const gfx::ImageData> img,
                                                            base::Size toFitSize) {
  if (!img || img->empty() || !(toFitSize.width > 0) || !(toFitSize.height > 0)) return img;
  if (!image(*img, toFitSize)) return img;
  const double scale = screenScale();
  const double factor =
      std::min(toFitSize.width * scale / img->width, toFitSize.height * scale / img->height);
  auto [w, h] = shrunk(img->width, img->height, factor);
  gfx::ImageData out = img->scaled(w, h);
  if (out.empty()) return img;
  return std::make_shared<const gfx::ImageData>(std::move(out));
}

}  // namespace mv
