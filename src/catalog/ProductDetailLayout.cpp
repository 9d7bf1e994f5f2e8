#include "catalog/ProductDetailLayout.hpp"

#include <algorithm>
#include <cmath>

namespace mv {

double ProductDetailLayout::snappedThumbOffset(double x) {
  if (x <= 0) return 0;
  const double r = x - kThumbPitch * std::trunc(x / kThumbPitch);
  return r - kThumbGap < kThumbWidth / 2 ? x - r : x + (kThumbPitch - r);
}

std::vector<std::string> ProductDetailLayout::tagNames(const std::vector<marvisto_tag_entity>& tags,
                                                       const std::optional<std::string>& currentTag) {
  std::vector<std::string> names;
  for (const auto& tag : tags) {
    if (std::find(names.begin(), names.end(), tag.tag_name) == names.end()) names.push_back(tag.tag_name);
  }
  if (currentTag) {
    std::erase(names, *currentTag);
    names.insert(names.begin(), *currentTag);
  }
  return names;
}

ProductDetailLayout::TagStrip ProductDetailLayout::tagStrip(
    const std::vector<std::string>& names, const std::optional<std::string>& currentTag, double stripWidth,
    const std::function<double(const std::string&)>& titleWidth) {
  TagStrip strip;
  double x = 0;
  double right = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) continue;
    TagButton button;
    button.index = i;
    button.name = names[i];
    const double title = titleWidth(names[i]);
    const double width = title > 40 ? title + 20 : 60;
    button.frame = {x, 0, width, kTagHeight};
    button.selected = currentTag && *currentTag == names[i];
    button.imageName = "tag_" + std::to_string(i % kTagImages) + ".png";
    strip.buttons.push_back(std::move(button));
    right = x + width;
    x = right + kTagGap;
  }
  // The gaps count too: the content ends at the last tag's right edge.
  strip.contentWidth = std::max(stripWidth, right);
  return strip;
}

}  // namespace mv
