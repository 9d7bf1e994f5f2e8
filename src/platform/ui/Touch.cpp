#include "platform/ui/Touch.hpp"

#include <algorithm>

#include "platform/ui/GestureRecognizer.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

Touch::Touch(long identifier, base::Point windowPoint, double timestamp)
    : id_(identifier), location_(windowPoint), previous_(windowPoint), start_(windowPoint), timestamp_(timestamp) {}

View* Touch::view() const { return view_.lock().get(); }

Window* Touch::window() const { return window_.lock().get(); }

base::Point Touch::locationInView(const View* v) const {
  if (!v) return location_;
  return v->convertPointFromView(location_, nullptr);
}

base::Point Touch::previousLocationInView(const View* v) const {
  if (!v) return previous_;
  return v->convertPointFromView(previous_, nullptr);
}

std::vector<std::shared_ptr<GestureRecognizer>> Touch::gestureRecognizers() const {
  std::vector<std::shared_ptr<GestureRecognizer>> out;
  for (auto& w : recognizers_)
    if (auto g = w.lock()) out.push_back(std::move(g));
  return out;
}

void Touch::setView(const std::shared_ptr<View>& v) { view_ = v; }

void Touch::setWindow(const std::shared_ptr<Window>& w) { window_ = w; }

void Touch::update(TouchPhase phase, base::Point windowPoint, double timestamp) {
  phase_ = phase;
  previous_ = location_;
  location_ = windowPoint;
  timestamp_ = timestamp;
}

void Touch::addGestureRecognizer(const std::shared_ptr<GestureRecognizer>& g) { recognizers_.push_back(g); }

void Touch::removeGestureRecognizer(const GestureRecognizer* g) {
  recognizers_.erase(std::remove_if(recognizers_.begin(), recognizers_.end(),
                                    [g](const auto& w) {
                                      auto s = w.lock();
                                      return !s || s.get() == g;
                                    }),
                     recognizers_.end());
}

}  // namespace ui
