#include "platform/ui/HeadlessDriver.hpp"

#include "platform/base/RunLoop.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/WindowFit.hpp"

namespace ui {

namespace {
constexpr double kTapHold = 0.05;
constexpr double kBetweenTaps = 0.1;
}  // namespace

HeadlessDriver::HeadlessDriver(std::shared_ptr<Window> window) : window_(std::move(window)) {
  if (!window_) window_ = Application::sharedInstance().keyWindowPtr();
  if (!window_) {
    window_ = std::make_shared<Window>(Screen::mainScreen().bounds());
    window_->makeKeyAndVisible();
  }
}

void HeadlessDriver::flush() {
  base::RunLoop::main().drain();
  View::layoutPendingViews();
}

void HeadlessDriver::windowEvent(WindowEvent event) {
  Application::sharedInstance().windowEvent(event);
  flush();
}

void HeadlessDriver::advance(double seconds) {
  base::RunLoop::main().advance(seconds);
  View::layoutPendingViews();
}

gfx::ImagePtr HeadlessDriver::render(double scale) {
  flush();
  return Renderer::renderToImage(*window_, scale, gfx::Color::black());
}

gfx::ImagePtr HeadlessDriver::renderInDesktopWindow(int pixelWidth, int pixelHeight) {
  flush();
  if (pixelWidth <= 0 || pixelHeight <= 0) return nullptr;
  auto canvas = gfx::Context::bitmap({double(pixelWidth), double(pixelHeight)}, 1, true);
  Renderer::renderFrame(*window_, *canvas, WindowFit::of(window_->bounds().size, pixelWidth, pixelHeight));
  return canvas->makeImage();
}

gfx::ImagePtr HeadlessDriver::render(View& view, double scale) {
  flush();
  return Renderer::renderToImage(view, scale);
}

bool HeadlessDriver::snapshot(const std::filesystem::path& path, double scale) {
  auto img = render(scale);
  return img && img->writePNG(path);
}

bool HeadlessDriver::isVisible(const View& v) {
  if (!v.window()) return false;
  for (const View* p = &v; p; p = p->superview())
    if (p->isHidden() || p->alpha() < 0.01) return false;
  return true;
}

std::vector<View*> HeadlessDriver::findAll(const std::function<bool(View&)>& match, View* root,
                                           bool visibleOnly) const {
  std::vector<View*> out;
  std::function<void(View&)> walk = [&](View& v) {
    if (visibleOnly && (v.isHidden() || v.alpha() < 0.01)) return;
    if (match(v)) out.push_back(&v);
    for (auto& s : v.subviews()) walk(*s);
  };
  walk(root ? *root : *window_);
  return out;
}

View* HeadlessDriver::findByTag(long tag, View* root) const {
  auto all = findAll([tag](View& v) { return v.tag() == tag; }, root);
  return all.empty() ? nullptr : all.back();
}

View* HeadlessDriver::findByText(const std::string& text, View* root) const {
  auto all = findAll(
      [&](View& v) {
        if (auto* l = dynamic_cast<Label*>(&v)) {
          // A button's own title label counts as the button.
          if (dynamic_cast<Button*>(l->superview())) return false;
          return l->text() == text;
        }
        if (auto* b = dynamic_cast<Button*>(&v)) return b->currentTitle() == text;
        return false;
      },
      root);
  return all.empty() ? nullptr : all.back();
}

View* HeadlessDriver::findControl(const std::string& name, View* root) const {
  if (name.empty()) return nullptr;
  auto all = findAll(
      [&](View& v) {
        if (v.accessibilityLabel() == name) return true;
        auto* b = dynamic_cast<Button*>(&v);
        return b && b->currentTitle() == name;
      },
      root);
  return all.empty() ? nullptr : all.back();
}

bool HeadlessDriver::tapControl(const std::string& name, View* root) {
  View* v = findControl(name, root);
  if (!v) return false;
  tap(*v);
  return true;
}

std::vector<std::string> HeadlessDriver::visibleTexts(View* root) const {
  std::vector<std::string> out;
  for (View* v : findAll([](View& x) { return dynamic_cast<Label*>(&x) != nullptr; }, root)) {
    auto* l = static_cast<Label*>(v);
    if (!l->text().empty()) out.push_back(l->text());
  }
  return out;
}

Point HeadlessDriver::centerOf(const View& v) const {
  Rect r = v.convertRectToView(v.bounds(), nullptr);
  Rect visible = r.intersection(window_->bounds());
  if (visible.isEmpty()) visible = r;
  return {visible.midX(), visible.midY()};
}

long HeadlessDriver::nextTouchId() { return touchIds_++; }

bool HeadlessDriver::tap(const View& v, int taps) {
  flush();
  return tapAt(centerOf(v), taps);
}

bool HeadlessDriver::tapAt(Point p, int taps) {
  flush();
  bool hit = window_->hitTest(p, nullptr) != nullptr;
  for (int i = 0; i < std::max(1, taps); ++i) {
    if (i > 0) advance(kBetweenTaps);
    long id = nextTouchId();
    window_->touchDown(id, p);
    advance(kTapHold);
    window_->touchUp(id, p);
    flush();
  }
  return hit;
}

bool HeadlessDriver::longPress(Point p, double seconds) {
  flush();
  bool hit = window_->hitTest(p, nullptr) != nullptr;
  long id = nextTouchId();
  window_->touchDown(id, p);
  advance(seconds);
  window_->touchUp(id, p);
  flush();
  return hit;
}

bool HeadlessDriver::swipe(Point from, Point to, double seconds, int steps) {
  steps = std::max(1, steps);
  std::vector<Point> path;
  for (int i = 0; i <= steps; ++i) {
    double f = static_cast<double>(i) / steps;
    path.push_back({from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
  }
  return drag(path, seconds / steps);
}

bool HeadlessDriver::drag(const std::vector<Point>& path, double secondsPerStep) {
  if (path.empty()) return false;
  flush();
  bool hit = window_->hitTest(path.front(), nullptr) != nullptr;
  long id = nextTouchId();
  window_->touchDown(id, path.front());
  for (std::size_t i = 1; i < path.size(); ++i) {
    advance(secondsPerStep);
    window_->touchMove(id, path[i]);
  }
  advance(secondsPerStep);
  window_->touchUp(id, path.back());
  flush();
  return hit;
}

bool HeadlessDriver::multiTap(const std::vector<Point>& points) {
  if (points.empty()) return false;
  flush();
  bool hit = window_->hitTest(points.front(), nullptr) != nullptr;
  std::vector<std::pair<long, Point>> touches;
  for (auto& p : points) touches.emplace_back(nextTouchId(), p);
  window_->touchesDown(touches);
  advance(kTapHold);
  window_->touchesUp(touches);
  flush();
  return hit;
}

bool HeadlessDriver::pressAlertButton(long index) {
  flush();
  auto alert = visibleAlert();
  if (!alert) return false;
  Button* b = alert->buttonAtIndex(index);
  if (!b) return false;
  if (alert->window() && isVisible(*b)) {
    tap(*b);
    return true;
  }
  return alert->pressButton(index);
}

bool HeadlessDriver::typeText(const std::string& text) {
  Responder* r = window_->firstResponder();
  if (!r) return false;
  r->insertText(text);
  flush();
  return true;
}

bool HeadlessDriver::pressBackspace() {
  Responder* r = window_->firstResponder();
  if (!r) return false;
  r->deleteBackward();
  flush();
  return true;
}

}  // namespace ui

namespace ui {

bool HeadlessDriver::pressReturn() {
  Responder* r = window_->firstResponder();
  if (!r) return false;
  r->insertText("\n");
  flush();
  return true;
}

bool HeadlessDriver::pressClear() {
  auto* field = dynamic_cast<TextField*>(window_->firstResponder());
  if (!field) return false;
  bool cleared = field->clearButtonTapped();
  flush();
  return cleared;
}

}  // namespace ui
