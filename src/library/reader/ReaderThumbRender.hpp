#pragma once
// Draws a page thumbnail from the PDF: the page fitted into the request's box
// (the smaller of the two ratios, sides truncated to even points) on white,
// at the request's scale; keeps it in the memory cache, delivers it, and
// writes it to the disk cache (also when cancelled meanwhile, so the next
// opening finds it).
#include <filesystem>

#include "library/reader/ReaderThumbOperation.hpp"
#include "platform/base/Geometry.hpp"

namespace mv {

class ReaderThumbRender : public ReaderThumbOperation {
 public:
  using ReaderThumbOperation::ReaderThumbOperation;
  // Makes the folder first.
  std::filesystem::path thumbFileURL() const;
  void main() override;

  // The thumbnail size for a page of `page` points (turned as shown) in
  // `box`: the smaller ratio, each side truncated and made even.
  static base::Size fitSize(base::Size page, base::Size box);
};

}  // namespace mv
