#pragma once
// The one way a screen shows a picture file (a product's picture, a library
// card's cover): read on a background queue at the size its image view
// shows it (the view's points times the screen's scale) through the
// process's picture cache, and fitted into the view through the image
// fitting queue. A view reused for another file loads again at once, and
// the earlier file's picture, should it arrive later, is dropped: a reused
// view never shows a stale picture. Main thread only.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "widgets/ImageLoadOperation.hpp"

namespace mv {

class PictureLoader : public std::enable_shared_from_this<PictureLoader> {
 public:
  static std::shared_ptr<PictureLoader> create(std::shared_ptr<ui::ImageView> fileImageView);

  // The file of that name in its type's folder, or the type's stock picture.
  // The view turns transparent at once and shows the picture when it is fitted.
  void loadFileImageAsyncWithName(const std::string& coverName, int fileType, bool animation);
  // The same with the picture in hand.
  void loadFileImageWithImage(gfx::ImagePtr image, bool animation);

  const std::shared_ptr<ImageLoadOperation>& fileImageLoadOperation() const { return operation_; }

  // The pixels a picture is read at to show in a view of that size: its
  // points times the screen's scale (the screen's size for a view not laid
  // out yet).
  static std::pair<int, int> pixelBox(ui::Size points);

 private:
  explicit PictureLoader(std::shared_ptr<ui::ImageView> view) : view_(std::move(view)) {}
  void fit(gfx::ImagePtr image, bool animation);

  std::shared_ptr<ui::ImageView> view_;
  // Counts the loads; only the latest one's picture is fitted.
  std::uint64_t generation_ = 0;
  base::CancelFlag reading_;
  std::shared_ptr<ImageLoadOperation> operation_;
};

}  // namespace mv
