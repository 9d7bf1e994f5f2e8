#include "widgets/PictureLoader.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/MainThread.hpp"
#include "platform/ui/Screen.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ImageLoadQueueManager.hpp"

namespace mv {

std::shared_ptr<PictureLoader> PictureLoader::create(std::shared_ptr<ui::ImageView> fileImageView) {
  return std::shared_ptr<PictureLoader>(new PictureLoader(std::move(fileImageView)));
}

void PictureLoader::loadFileImageAsyncWithName(const std::string& coverName, int fileType, bool animation) {
  MV_ASSERT_MAIN_THREAD();
  if (view_) view_->setAlpha(0);
  const std::uint64_t generation = ++generation_;
  reading_.cancel();
  std::weak_ptr<PictureLoader> weak = weak_from_this();
  // Read at the size the view shows it: a picture of tens of megapixels
  // costs a card no more than its own pixels.
  const auto [width, height] = pixelBox(view_ ? view_->bounds().size : ui::Size{});
  reading_ = base::WorkQueue::global().async<gfx::ImagePtr>(
      [coverName, fileType, width, height](const base::CancelFlag&) {
        return PublicFunction::getLocalPicture(coverName, fileType, width, height);
      },
      [weak, generation, animation](gfx::ImagePtr image) {
        auto self = weak.lock();
        if (!self || generation != self->generation_) return;
        self->fit(std::move(image), animation);
      });
}

std::pair<int, int> PictureLoader::pixelBox(ui::Size box) {
  const double scale = ui::Screen::mainScreen().scale();
  if (box.width <= 0 || box.height <= 0) box = ui::Screen::mainScreen().bounds().size;
  return {std::max(1, static_cast<int>(std::ceil(box.width * scale))),
          std::max(1, static_cast<int>(std::ceil(box.height * scale)))};
}

void PictureLoader::loadFileImageWithImage(gfx::ImagePtr image, bool animation) {
  MV_ASSERT_MAIN_THREAD();
  if (view_) view_->setAlpha(0);
  ++generation_;
  reading_.cancel();
  fit(std::move(image), animation);
}

void PictureLoader::fit(gfx::ImagePtr image, bool animation) {
  if (operation_ && (operation_->isReady() || operation_->isExecuting())) operation_->cancel();
  operation_ = ImageLoadOperation::initWithImageName(std::move(image), view_, animation);
  ImageLoadQueueManager::sharedInstance().loadImageWithOperation(operation_, false);
}

}  // namespace mv
