#pragma once
// The arithmetic of the product screen without its views: where the image
// strip comes to rest after a drag, how the tag strip lays its buttons out,
// and where a discount price stands beside the struck-through price.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"
#include "store/Entities.hpp"

namespace mv {

class ProductDetailLayout {
 public:
  static constexpr double kThumbWidth = 120;
  static constexpr double kThumbHeight = 92;
  static constexpr double kThumbGap = 8;
  static constexpr double kThumbPitch = kThumbWidth + kThumbGap;
  static constexpr double kTagHeight = 35;
  static constexpr double kTagGap = 10;
  static constexpr int kTagImages = 7;

  // The offset a dragged strip of thumbnails settles at: the edge of the
  // thumbnail under `x`, or of the next one when more than half of it shows.
  static double snappedThumbOffset(double x);
  // The frame of thumbnail i in the strip.
  static base::Rect thumbFrame(std::size_t i) {
    return {kThumbPitch * static_cast<double>(i), 0, kThumbWidth, kThumbHeight};
  }
  // The strip's content width for that many thumbnails.
  static double thumbContentWidth(std::size_t count) {
    return count == 0 ? 0 : kThumbPitch * static_cast<double>(count) - kThumbGap;
  }

  // The tag names of a product as the strip lists them: each once, in the
  // store's order, the tag the product was reached through first.
  static std::vector<std::string> tagNames(const std::vector<marvisto_tag_entity>& tags,
                                           const std::optional<std::string>& currentTag);

  struct TagButton {
    // The index in the list of names; it names the button's picture too.
    std::size_t index = 0;
    std::string name;
    base::Rect frame;
    bool selected = false;
    std::string imageName;
  };
  struct TagStrip {
    std::vector<TagButton> buttons;
    double contentWidth = 0;
  };
  // The buttons of the names (empty names get none), each 60 wide or as
  // wide as its title plus 20 when the title is wider than 40.
  static TagStrip tagStrip(const std::vector<std::string>& names, const std::optional<std::string>& currentTag,
                           double stripWidth, const std::function<double(const std::string&)>& titleWidth);

  // The discount price's x: right of the price text.
  static double discountX(double priceX, double priceTextWidth) { return priceX + priceTextWidth + 20; }
};

}  // namespace mv
