#include "shell/frame/UIToast.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "util/TextLookup.hpp"

namespace mv {

UIToast::UIToast() : ui::View({0, 0, 0, 0}) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
}

void UIToast::show(const std::string& text) {
  MV_ASSERT_MAIN_THREAD();
  show(text, kGravityLower, kLengthShort);
}

void UIToast::showTextOf(const std::string& key) {
  auto toast = std::make_shared<UIToast>();
  toast->show(mv::text(key));
}

void UIToast::showTextOnceOf(const std::string& key) {
  if (!isShowing(mv::text(key))) showTextOf(key);
}

bool UIToast::isShowing(const std::string& text) {
  for (const auto& window : ui::Application::sharedInstance().windows())
    for (const auto& view : window->subviews())
      if (auto toast = std::dynamic_pointer_cast<UIToast>(view); toast && toast->text() == text) return true;
  return false;
}

ui::Rect UIToast::frameForBox(ui::Size box, int gravity, ui::Size screen) {
  const double f = gravity == kGravityLower ? 0.75 : gravity == kGravityMiddle ? 0.5 : 0.25;
  return {(screen.width - box.width) / 2, screen.height * f - box.height / 2, box.width, box.height};
}

double UIToast::readableSeconds(int length) { return 0.2 + 0.1 + (length == kLengthLong ? 3.0 : 0.5); }

void UIToast::show(const std::string& text, int gravity, int length) {
  m_length = length;
  m_gravity = gravity;
  animation = 0;
  text_ = text;
  auto windows = ui::Application::sharedInstance().windows();
  if (windows.empty()) return;
  const auto& window = windows.front();
  const ui::Size screen = window->bounds().size;
  const gfx::Font font = gfx::Font::named("Arial", 18);
  const base::Size measured =
      gfx::sizeWithFont(text, font, base::Size{kTextWidth, 300}, gfx::LineBreakMode::WordWrap);
  setFrame(frameForBox({measured.width + 2 * kPadding.width, measured.height + 2 * kPadding.height}, gravity, screen));
  // The window is laid out in the interface's orientation already, so the
  // toast needs no turning of its own.
  orientation_ = ui::AffineTransform::identity();
  setTransform(orientation_.concat(ui::AffineTransform::scale(0.01, 0.01)));
  window->addSubview(self());

  animationView = std::make_shared<ui::View>(bounds());
  // The text wraps within the padding it was measured with, so that no line
  // runs to the edge of the box.
  textLabel_ = std::make_shared<ui::Label>(bounds().inset(kPadding.width, kPadding.height));
  textLabel_->setText(text);
  textLabel_->setFont(font);
  textLabel_->setNumberOfLines(0);
  textLabel_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  textLabel_->setTextColor(gfx::Color::white(1.0));
  textLabel_->setTextAlignment(gfx::TextAlignment::Center);
  textLabel_->setBackgroundColor(gfx::Color::clear());
  animationView->addSubview(textLabel_);
  animationView->setBackgroundColor(gfx::Color::rgb255(90, 90, 90, 0.85));
  animationView->layer().setCornerRadius(8);
  animationView->setClipsToBounds(true);
  animationView->layer().setShadowColor(gfx::Color::black());
  animationView->layer().setShadowOffset({5, 3});
  animationView->layer().setShadowOpacity(0.6);
  animationView->layer().setShadowRadius(5);
  addSubview(animationView);
  nextStep();
}

void UIToast::nextStep() {
  MV_ASSERT_MAIN_THREAD();
  const std::int64_t step = animation++;
  auto self = std::static_pointer_cast<UIToast>(shared_from_this());
  // Each step takes its time whether or not views animate: where nothing
  // animates (no window watches, or a test's), the toast still stays up as
  // long as it takes to read.
  auto over = [this, self](double seconds, const std::function<void()>& change) {
    if (ui::View::areAnimationsEnabled()) {
      ui::View::animate(seconds, change, [self](bool) { self->nextStep(); });
      return;
    }
    change();
    // The window holds the toast while it shows; one gone with its window
    // takes its next step with it.
    steps_.after(seconds, [weak = std::weak_ptr<UIToast>(self)] {
      if (auto toast = weak.lock()) toast->nextStep();
    });
  };
  switch (step) {
    case 0: {
      addSubview(std::make_shared<ui::View>(bounds()));
      over(0.2, [this] { setTransform(orientation_.concat(ui::AffineTransform::scale(1.15, 1.15))); });
      break;
    }
    case 1:
      over(0.1, [this] { setTransform(orientation_.concat(ui::AffineTransform::scale(0.999, 0.999))); });
      break;
    case 2:
      over(m_length == kLengthLong ? 3.0 : 0.5,
           [this] { setTransform(orientation_.concat(ui::AffineTransform::scale(1.0, 1.0))); });
      break;
    case 3:
      over(1.0, [this] {
        setTransform(orientation_.concat(ui::AffineTransform::scale(1.1, 0.01)));
        setAlpha(0);
      });
      break;
    default: {
      auto children = subviews();
      for (auto it = children.rbegin(); it != children.rend(); ++it) (*it)->removeFromSuperview();
      animationView.reset();
      textLabel_.reset();
      removeFromSuperview();
      break;
    }
  }
}

}  // namespace mv
