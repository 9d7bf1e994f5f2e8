#include "platform/gfx/Color.hpp"

#include "platform/gfx/Image.hpp"

namespace gfx {

Color Color::patternImage(std::shared_ptr<const Image> image) {
  Color c{0, 0, 0, 1};
  c.pattern_ = std::move(image);
  return c;
}

}  // namespace gfx
