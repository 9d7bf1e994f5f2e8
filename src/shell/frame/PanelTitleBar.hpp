#pragma once
// The title bar of a left panel (the catalogue's categories and tags, the
// library's folders): the skin's bar picture holding the panel's title and a
// Back button that stays hidden until a lower level shows.
#include <functional>
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"

namespace mv {

struct PanelTitleBar {
  std::shared_ptr<ui::ImageView> bar;
  std::shared_ptr<ui::Label> title;
  std::shared_ptr<ui::Button> back;

  // A bar `width` by `height` with the title and the button at the frames
  // the panel lays them at; the button runs `onBack`.
  static PanelTitleBar make(double width, double height, const ui::Rect& titleFrame, const ui::Rect& backFrame,
                            std::function<void()> onBack);
};

}  // namespace mv
