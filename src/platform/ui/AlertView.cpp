#include "platform/ui/AlertView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/Application.hpp"
#include "platform/ui/PressedInput.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {

constexpr double kPadding = 16;
constexpr double kButtonHeight = 44;

// Alerts shown and not dismissed, in order of showing; the first is visible.
std::vector<std::shared_ptr<AlertView>>& queue() {
  static std::vector<std::shared_ptr<AlertView>> q;
  return q;
}

}  // namespace

AlertView::AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
                     std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : View(Rect{0, 0, kWidth, 120}), title_(std::move(title)), message_(std::move(message)), delegate_(std::move(delegate)) {
  setBackgroundColor(gfx::Color::white(0.97));
  layer().setCornerRadius(7);
  setClipsToBounds(true);
  titleLabel_ = std::make_shared<Label>();
  titleLabel_->setFont(gfx::Font::boldSystemFont(17));
  titleLabel_->setTextAlignment(gfx::TextAlignment::Center);
  titleLabel_->setNumberOfLines(0);
  titleLabel_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  titleLabel_->setText(title_);
  messageLabel_ = std::make_shared<Label>();
  messageLabel_->setFont(gfx::Font::systemFont(13));
  messageLabel_->setTextAlignment(gfx::TextAlignment::Center);
  messageLabel_->setNumberOfLines(0);
  messageLabel_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  messageLabel_->setText(message_);
  addSubview(titleLabel_);
  addSubview(messageLabel_);
  if (cancelButtonTitle) {
    buttonTitles_.push_back(*cancelButtonTitle);
    cancelIndex_ = 0;
  }
  for (auto& t : otherButtonTitles) buttonTitles_.push_back(t);
  rebuildButtons();
}

AlertView::~AlertView() = default;

void AlertView::setTitle(const std::string& t) {
  title_ = t;
  titleLabel_->setText(t);
  setNeedsLayout();
}

void AlertView::setMessage(const std::string& m) {
  message_ = m;
  messageLabel_->setText(m);
  setNeedsLayout();
}

long AlertView::addButtonWithTitle(const std::string& title) {
  buttonTitles_.push_back(title);
  rebuildButtons();
  return static_cast<long>(buttonTitles_.size()) - 1;
}

std::string AlertView::buttonTitleAtIndex(long index) const {
  if (index < 0 || index >= numberOfButtons()) return {};
  return buttonTitles_[static_cast<std::size_t>(index)];
}

void AlertView::setCancelButtonIndex(long index) {
  if (index >= -1 && index < numberOfButtons()) cancelIndex_ = index;
  setNeedsLayout();
}

long AlertView::firstOtherButtonIndex() const {
  for (long i = 0; i < numberOfButtons(); ++i)
    if (i != cancelIndex_) return i;
  return -1;
}

long AlertView::defaultButtonIndex() const {
  const long other = firstOtherButtonIndex();
  return other >= 0 ? other : cancelIndex_;
}

long AlertView::backOutButtonIndex() const {
  if (backOut_) return *backOut_ < numberOfButtons() ? *backOut_ : kNoButton;
  return numberOfButtons() == 1 ? 0 : kNoButton;
}

bool AlertView::escapePressed() {
  if (!visible_ || dismissing_ || requiresAnswer_) return false;
  if (const long index = backOutButtonIndex(); index >= 0) return pressButton(index);
  auto keep = View::self();
  if (auto d = delegate()) d->alertViewCancel(*this);
  dismissWithClickedButtonIndex(kNoButton, true);
  return true;
}

Button* AlertView::buttonAtIndex(long index) const {
  if (index < 0 || index >= static_cast<long>(buttons_.size())) return nullptr;
  return buttons_[static_cast<std::size_t>(index)].get();
}

void AlertView::rebuildButtons() {
  for (auto& b : buttons_) b->removeFromSuperview();
  buttons_.clear();
  for (std::size_t i = 0; i < buttonTitles_.size(); ++i) {
    auto b = std::make_shared<Button>(Rect{}, ButtonType::System);
    b->setTitle(buttonTitles_[i]);
    if (static_cast<long>(i) == cancelIndex_) b->titleLabel().setFont(gfx::Font::boldSystemFont(17));
    else b->titleLabel().setFont(gfx::Font::systemFont(17));
    long index = static_cast<long>(i);
    // Through the button's superview: a button that outlives its alert has none.
    b->addAction(
        [index](Control& sender, const Event*) {
          if (auto* alert = dynamic_cast<AlertView*>(sender.superview())) alert->buttonPressed(index);
        },
        ControlEventTouchUpInside);
    addSubview(b);
    buttons_.push_back(b);
  }
  setNeedsLayout();
}

Size AlertView::sizeThatFits(Size) const {
  double inner = kWidth - 2 * kPadding;
  double h = kPadding + 4;
  if (!title_.empty()) h += gfx::sizeWithFont(title_, titleLabel_->font(), Size{inner, 0}, gfx::LineBreakMode::WordWrap).height + 4;
  if (!message_.empty())
    h += gfx::sizeWithFont(message_, messageLabel_->font(), Size{inner, 0}, gfx::LineBreakMode::WordWrap).height;
  h += kPadding;
  std::size_t n = buttons_.size();
  if (n == 2)
    h += kButtonHeight;
  else
    h += kButtonHeight * static_cast<double>(n);
  return {kWidth, h};
}

void AlertView::layoutSubviews() {
  double inner = kWidth - 2 * kPadding;
  double y = kPadding + 4;
  Size ts = title_.empty() ? Size{} : gfx::sizeWithFont(title_, titleLabel_->font(), Size{inner, 0}, gfx::LineBreakMode::WordWrap);
  titleLabel_->setFrame({kPadding, y, inner, ts.height});
  if (!title_.empty()) y += ts.height + 4;
  Size ms = message_.empty() ? Size{} : gfx::sizeWithFont(message_, messageLabel_->font(), Size{inner, 0}, gfx::LineBreakMode::WordWrap);
  messageLabel_->setFrame({kPadding, y, inner, ms.height});
  y += ms.height + kPadding;
  std::size_t n = buttons_.size();
  if (n == 2) {
    // Side by side: cancel on the left.
    long left = cancelIndex_ >= 0 ? cancelIndex_ : 0;
    long right = 1 - left;
    buttons_[static_cast<std::size_t>(left)]->setFrame({0, y, kWidth / 2, kButtonHeight});
    buttons_[static_cast<std::size_t>(right)]->setFrame({kWidth / 2, y, kWidth / 2, kButtonHeight});
  } else {
    // Stacked: the others in order, the cancel button last.
    for (std::size_t i = 0; i < n; ++i) {
      if (static_cast<long>(i) == cancelIndex_) continue;
      buttons_[i]->setFrame({0, y, kWidth, kButtonHeight});
      y += kButtonHeight;
    }
    if (cancelIndex_ >= 0 && static_cast<std::size_t>(cancelIndex_) < n)
      buttons_[static_cast<std::size_t>(cancelIndex_)]->setFrame({0, y, kWidth, kButtonHeight});
  }
}

void AlertView::show() {
  auto self = std::static_pointer_cast<AlertView>(View::self());
  if (!self) return;  // an alert must be held by a shared pointer to be shown
  auto& q = queue();
  if (std::find(q.begin(), q.end(), self) != q.end()) return;
  q.push_back(self);
  if (q.size() == 1) present();
}

void AlertView::present() {
  auto keep = View::self();
  if (auto d = delegate()) d->willPresentAlertView(*this);
  Size s = sizeThatFits({});
  setBounds({0, 0, s.width, s.height});
  setAlpha(1);
  dismissing_ = false;
  visible_ = true;
  if (Window* w = Application::sharedInstance().keyWindow()) {
    // The input being edited, or the one whose editing the press that
    // raised the alert ended.
    auto* focused = dynamic_cast<View*>(w->firstResponder());
    auto editing = focused && focused->acceptsTextInput() ? focused->self() : pressed_input::input();
    if (editing && returnFocus_.expired()) returnFocus_ = editing;
    Rect wb = w->bounds();
    setCenter({std::round(wb.midX()), std::round(wb.midY())});
    dim_ = std::make_shared<View>(wb);
    dim_->setBackgroundColor(gfx::Color::black().withAlphaComponent(0.4));
    dim_->setAutoresizingMask(FlexibleWidth | FlexibleHeight);
    w->overlay().addSubview(dim_);
    w->overlay().addSubview(keep);
  }
  layoutIfNeeded();
  auto weak = weakAs<AlertView>(this);
  View::animate(0.2, {}, [weak](bool) {
    auto s = weak.lock();
    if (s && s->visible_)
      if (auto d = s->delegate()) d->didPresentAlertView(*s);
  });
}

void AlertView::buttonPressed(long index) {
  if (!visible_ || dismissing_) return;
  auto keep = View::self();
  if (auto d = delegate()) d->alertViewClickedButtonAtIndex(*this, index);
  if (onClicked) onClicked(*this, index);
  dismissWithClickedButtonIndex(index, true);
}

void AlertView::dismissWithClickedButtonIndex(long index, bool animated) {
  auto self = std::static_pointer_cast<AlertView>(View::self());
  if (!self || dismissing_) return;
  auto& q = queue();
  auto it = std::find(q.begin(), q.end(), self);
  if (it == q.end()) return;
  if (!visible_) {
    // Still waiting: it leaves the queue without ever showing.
    q.erase(it);
    if (auto d = delegate()) d->alertViewWillDismissWithButtonIndex(*this, index);
    if (auto d = delegate()) d->alertViewDidDismissWithButtonIndex(*this, index);
    if (onDismissed) onDismissed(*this, index);
    return;
  }
  dismissing_ = true;
  if (auto d = delegate()) d->alertViewWillDismissWithButtonIndex(*this, index);
  if (!animated) {
    finishDismiss(index);
    return;
  }
  auto weak = weakAs<AlertView>(this);
  View::animate(
      0.2, [this] { setAlpha(0); },
      [weak, index](bool) {
        if (auto s = weak.lock()) s->finishDismiss(index);
      });
}

void AlertView::finishDismiss(long index) {
  auto self = std::static_pointer_cast<AlertView>(View::self());
  auto& q = queue();
  auto it = std::find(q.begin(), q.end(), self);
  if (it == q.end()) return;  // reset meanwhile
  q.erase(it);
  visible_ = false;
  dismissing_ = false;
  removeFromSuperview();
  if (dim_) {
    dim_->removeFromSuperview();
    dim_.reset();
  }
  if (auto d = delegate()) d->alertViewDidDismissWithButtonIndex(*this, index);
  if (onDismissed) onDismissed(*this, index);
  presentNext();
  // Typing goes on where it was once the user backed out of the alert (an
  // acknowledgement's only button backs out), unless another alert came or
  // the focus went elsewhere. An answer that goes on with what the alert
  // held up (a line deleted, an order stored, a screen closed) moves on.
  auto input = returnFocus_.lock();
  returnFocus_.reset();
  if (index != kNoButton && index != backOutButtonIndex()) return;
  Window* w = input ? input->window() : nullptr;
  if (!w || !q.empty() || w->firstResponder()) return;
  for (View* v = input.get(); v; v = v->superview())
    if (v->isHidden() || v->alpha() <= 0) return;
  input->becomeFirstResponder();
}

void AlertView::presentNext() {
  auto& q = queue();
  if (!q.empty() && !q.front()->visible_) q.front()->present();
}

bool AlertView::pressButton(long index) {
  Button* b = buttonAtIndex(index);
  if (!b || !visible_) return false;
  b->sendActionsForControlEvents(ControlEventTouchUpInside);
  return true;
}

std::vector<std::shared_ptr<AlertView>> AlertView::showingAlerts() { return queue(); }

std::shared_ptr<AlertView> AlertView::visibleAlert() {
  auto& q = queue();
  if (!q.empty() && q.front()->visible_) return q.front();
  return nullptr;
}

void AlertView::resetForTesting() {
  auto q = std::move(queue());
  queue().clear();
  for (auto& a : q) {
    a->visible_ = false;
    a->removeFromSuperview();
    if (a->dim_) a->dim_->removeFromSuperview();
    a->dim_.reset();
  }
}

}  // namespace ui
