#include "platform/ui/Event.hpp"

#include <algorithm>

#include "platform/ui/GestureRecognizer.hpp"
#include "platform/ui/Touch.hpp"
#include "platform/ui/View.hpp"

namespace ui {

TouchSet Event::touchesForView(const View* view) const {
  TouchSet out;
  for (const auto& t : all_)
    if (t->view() == view) out.push_back(t);
  return out;
}

TouchSet Event::touchesForGestureRecognizer(const GestureRecognizer* g) const {
  TouchSet out;
  for (const auto& t : all_) {
    auto gs = t->gestureRecognizers();
    if (std::any_of(gs.begin(), gs.end(), [g](const auto& p) { return p.get() == g; })) out.push_back(t);
  }
  return out;
}

}  // namespace ui
