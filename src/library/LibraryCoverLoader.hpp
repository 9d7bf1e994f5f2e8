#pragma once
// A library card's cover: read from disk on a background queue and fitted
// into the card's image view through the image fitting queue. A card reused
// for another file loads again at once, and the earlier file's cover, should
// it arrive later, is dropped: a reused card never shows a stale cover. Main
// thread only.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "widgets/ImageLoadOperation.hpp"

namespace mv {

class LibraryCoverLoader : public std::enable_shared_from_this<LibraryCoverLoader> {
 public:
  static std::shared_ptr<LibraryCoverLoader> create(std::shared_ptr<ui::ImageView> fileImageView);

  // The cover in the library images folder, or the type's stock picture.
  // The view turns transparent at once and shows the cover when it is fitted.
  void loadFileImageAsyncWithName(const std::string& coverName, int fileType, bool animation);
  // The same with the picture in hand.
  void loadFileImageWithImage(gfx::ImagePtr image, bool animation);

  const std::shared_ptr<ImageLoadOperation>& fileImageLoadOperation() const { return operation_; }

 private:
  explicit LibraryCoverLoader(std::shared_ptr<ui::ImageView> view) : view_(std::move(view)) {}
  void fit(gfx::ImagePtr image, bool animation);

  std::shared_ptr<ui::ImageView> view_;
  // Counts the loads; only the latest one's picture is fitted.
  std::uint64_t generation_ = 0;
  base::CancelFlag reading_;
  std::shared_ptr<ImageLoadOperation> operation_;
};

}  // namespace mv
