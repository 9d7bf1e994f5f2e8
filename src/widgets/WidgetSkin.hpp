#pragma once
// Where the widgets take their skinned pictures. The client's skin lives in
// the shell, which sits above the widgets; it points this hook at its skin
// lookup when it starts. Until then (and in tests) a skinned picture is the
// application's own picture of the same name. Main thread only, like the
// views that show the pictures.
#include <functional>
#include <string>

#include "platform/gfx/Image.hpp"

namespace mv {

class WidgetSkin {
 public:
  using Provider = std::function<gfx::ImagePtr(const std::string& name)>;

  // Installs the skin lookup; an empty function restores the bundle lookup.
  static void setSkinImageProvider(Provider provider);
  // The current skin's picture of that name; nothing for a blank name or a
  // picture neither the skin nor the bundle has.
  static gfx::ImagePtr skinFromImageName(const std::string& name);
  // The application's own picture, never a skin's.
  static gfx::ImagePtr bundleImage(const std::string& name);
};

}  // namespace mv
