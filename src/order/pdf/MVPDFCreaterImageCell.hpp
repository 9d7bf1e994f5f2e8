#pragma once
#include "order/pdf/MVPDFCreaterBaseCell.hpp"
#include "platform/gfx/Image.hpp"

namespace mv {

// An image cell: the image stretched to fill the rectangle exactly (the
// aspect ratio is not kept); without an image it draws nothing.
class MVPDFCreaterImageCell : public MVPDFCreaterBaseCell {
 public:
  MVPDFCreaterImageCell() : MVPDFCreaterImageCell(base::Rect{}) {}
  explicit MVPDFCreaterImageCell(const base::Rect& frameInLine, gfx::ImagePtr image = nullptr)
      : MVPDFCreaterBaseCell(frameInLine), image_(std::move(image)) {}

  const gfx::ImagePtr& image() const { return image_; }
  void setImage(gfx::ImagePtr image) { image_ = std::move(image); }

  void drawInRect(const base::Rect& rect) override;

 private:
  gfx::ImagePtr image_;
};

}  // namespace mv
