#include "platform/ui/Keyboard.hpp"

namespace ui {

base::Rect Keyboard::shownFrame(const base::Rect& w) { return {w.x(), w.maxY() - kHeight, w.width(), kHeight}; }

base::Rect Keyboard::hiddenFrame(const base::Rect& w) { return {w.x(), w.maxY(), w.width(), kHeight}; }

base::Value Keyboard::rectValue(const base::Rect& r) {
  base::Value v = base::Value::object();
  v["x"] = r.x();
  v["y"] = r.y();
  v["width"] = r.width();
  v["height"] = r.height();
  return v;
}

std::optional<base::Rect> Keyboard::rectFromUserInfo(const base::Value& info, const std::string& key) {
  if (!info.is_object()) return std::nullopt;
  auto it = info.find(key);
  if (it == info.end() || !it->is_object()) return std::nullopt;
  double parts[4];
  const char* names[4] = {"x", "y", "width", "height"};
  for (int i = 0; i < 4; ++i) {
    auto m = it->find(names[i]);
    if (m == it->end() || !m->is_number()) return std::nullopt;
    parts[i] = m->get<double>();
  }
  return base::Rect{parts[0], parts[1], parts[2], parts[3]};
}

base::Value Keyboard::userInfo(const base::Rect& begin, const base::Rect& end) {
  base::Value v = base::Value::object();
  v[FrameBeginUserInfoKey] = rectValue(begin);
  v[FrameEndUserInfoKey] = rectValue(end);
  v[AnimationDurationUserInfoKey] = kAnimationDuration;
  v[AnimationCurveUserInfoKey] = 7;
  return v;
}

}  // namespace ui
