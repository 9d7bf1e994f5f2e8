// Thumbnails and fitting images into a size; file work only, so it runs on
// worker threads as well as on the main thread.
#include "platform/base/Log.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {

bool PublicFunction::createImgThumbWithImgName(const fs::path& fullPath, const fs::path& thumbPath) {
  std::error_code ec;
  if (fs::exists(thumbPath, ec)) return true;
  // Shrunk as it is read: the full picture is never held whole.
  auto thumb = gfx::ImageData::decodeFileFitting(fullPath, kThumbMaxWidth, kThumbMaxHeight);
  if (!thumb || thumb->empty()) {
    MV_LOG("no thumbnail: cannot read ", fullPath.string());
    return false;
  }
  // Written under a private name and renamed, so threads making the same
  // thumbnail at once never leave a torn file.
  if (!thumb->writePNG(thumbPath)) {
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
  const auto [w, h] = gfx::ImageData::fittedSize(img->width, img->height, static_cast<int>(toFitSize.width * scale),
                                                 static_cast<int>(toFitSize.height * scale));
  gfx::ImageData out = img->scaled(w, h);
  if (out.empty()) return img;
  return std::make_shared<const gfx::ImageData>(std::move(out));
}

}  // namespace mv
