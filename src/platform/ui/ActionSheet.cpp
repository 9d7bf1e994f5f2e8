#include "platform/ui/ActionSheet.hpp"

#include <algorithm>
#include <cmath>

#include "platform/ui/PopoverController.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/WeakAs.hpp"

namespace ui {

namespace {
// The sheets showing now: they stay alive while they show.
std::vector<std::shared_ptr<ActionSheet>>& showing() {
  static std::vector<std::shared_ptr<ActionSheet>> list;
  return list;
}
}  // namespace

// Turns a tap outside the popover into the cancel choice.
class ActionSheet::Listener : public PopoverControllerDelegate {
 public:
  explicit Listener(ActionSheet* sheet) : sheet_(sheet) {}
  void detach() { sheet_ = nullptr; }
  bool popoverControllerShouldDismissPopover(PopoverController&) override {
    if (!sheet_) return true;
    auto keep = sheet_->self();
    if (auto d = sheet_->delegate()) d->actionSheetCancel(*sheet_);
    sheet_->buttonPressed(sheet_->cancelIndex_);
    return false;  // the sheet closes the popover itself
  }

 private:
  ActionSheet* sheet_;
};

ActionSheet::ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate,
                         std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
                         std::vector<std::string> otherButtonTitles)
    : View(Rect{0, 0, kWidth, kButtonHeight}), title_(std::move(title)), delegate_(std::move(delegate)) {
  setBackgroundColor(gfx::Color::white());
  titleLabel_ = std::make_shared<Label>();
  titleLabel_->setFont(gfx::Font::systemFont(13));
  titleLabel_->setTextColor(gfx::Color::gray());
  titleLabel_->setTextAlignment(gfx::TextAlignment::Center);
  titleLabel_->setNumberOfLines(0);
  titleLabel_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  titleLabel_->setText(title_);
  addSubview(titleLabel_);
  if (destructiveButtonTitle) {
    destructiveIndex_ = 0;
    titles_.push_back(*destructiveButtonTitle);
  }
  for (auto& t : otherButtonTitles) titles_.push_back(t);
  if (cancelButtonTitle) {
    cancelIndex_ = static_cast<long>(titles_.size());
    titles_.push_back(*cancelButtonTitle);
  }
  listener_ = std::make_shared<Listener>(this);
  rebuild();
}

ActionSheet::~ActionSheet() {
  listener_->detach();
  if (popover_) popover_->setDelegate({});
}

void ActionSheet::setTitle(const std::string& t) {
  title_ = t;
  titleLabel_->setText(t);
  setNeedsLayout();
}

long ActionSheet::addButtonWithTitle(const std::string& title) {
  titles_.push_back(title);
  rebuild();
  return static_cast<long>(titles_.size()) - 1;
}

std::string ActionSheet::buttonTitleAtIndex(long index) const {
  if (index < 0 || index >= numberOfButtons()) return {};
  return titles_[static_cast<std::size_t>(index)];
}

void ActionSheet::setCancelButtonIndex(long index) {
  if (index >= -1 && index < numberOfButtons()) cancelIndex_ = index;
  rebuild();
}

void ActionSheet::setDestructiveButtonIndex(long index) {
  if (index >= -1 && index < numberOfButtons()) destructiveIndex_ = index;
  rebuild();
}

long ActionSheet::firstOtherButtonIndex() const {
  for (long i = 0; i < numberOfButtons(); ++i)
    if (i != cancelIndex_ && i != destructiveIndex_) return i;
  return -1;
}

Button* ActionSheet::buttonAtIndex(long index) const {
  if (index < 0 || index >= static_cast<long>(buttons_.size())) return nullptr;
  return buttons_[static_cast<std::size_t>(index)].get();
}

void ActionSheet::rebuild() {
  for (auto& b : buttons_)
    if (b) b->removeFromSuperview();
  buttons_.clear();
  for (std::size_t i = 0; i < titles_.size(); ++i) {
    long index = static_cast<long>(i);
    if (index == cancelIndex_) {
      buttons_.push_back(nullptr);
      continue;
    }
    auto b = std::make_shared<Button>(Rect{}, ButtonType::System);
    b->setTitle(titles_[i]);
    b->setTitleColor(index == destructiveIndex_ ? gfx::Color::rgb255(255, 59, 48)
                                                : tintColor().value_or(gfx::Color::blue()));
    b->titleLabel().setFont(gfx::Font::systemFont(20));
    b->addAction(
        [index](Control& sender, const Event*) {
          if (auto* sheet = dynamic_cast<ActionSheet*>(sender.superview())) sheet->buttonPressed(index);
        },
        ControlEventTouchUpInside);
    addSubview(b);
    buttons_.push_back(b);
  }
  setNeedsLayout();
}

Size ActionSheet::sizeThatFits(Size) const {
  double h = 0;
  if (!title_.empty())
    h += std::ceil(gfx::sizeWithFont(title_, titleLabel_->font(), Size{kWidth - 32, 0}, gfx::LineBreakMode::WordWrap).height) + 24;
  for (auto& b : buttons_)
    if (b) h += kButtonHeight;
  return {kWidth, std::max(h, kButtonHeight)};
}

void ActionSheet::layoutSubviews() {
  double y = 0;
  if (!title_.empty()) {
    double th = std::ceil(gfx::sizeWithFont(title_, titleLabel_->font(), Size{kWidth - 32, 0}, gfx::LineBreakMode::WordWrap).height);
    titleLabel_->setFrame({16, 12, kWidth - 32, th});
    y = th + 24;
  } else {
    titleLabel_->setFrame({});
  }
  for (auto& b : buttons_) {
    if (!b) continue;
    b->setFrame({0, y, kWidth, kButtonHeight});
    y += kButtonHeight;
  }
}

void ActionSheet::present(const std::function<void(PopoverController&)>& show) {
  if (visible_) return;
  auto self = View::self();
  if (!self) return;  // must be held by a shared pointer
  auto keep = self;
  if (auto d = delegate()) d->willPresentActionSheet(*this);
  auto content = std::make_shared<ViewController>();
  Size s = sizeThatFits({});
  setFrame({0, 0, s.width, s.height});
  content->setView(self);
  content->setPreferredContentSize(s);
  popover_ = std::make_shared<PopoverController>(content);
  popover_->setDelegate(listener_);
  show(*popover_);
  if (!popover_->isPopoverVisible()) {
    popover_.reset();
    return;
  }
  visible_ = true;
  showing().push_back(std::static_pointer_cast<ActionSheet>(self));
  if (auto d = delegate()) d->didPresentActionSheet(*this);
}

void ActionSheet::showFromRect(const Rect& rect, View* view, bool animated) {
  present([&](PopoverController& p) { p.presentPopoverFromRect(rect, view, PopoverArrowDirectionAny, animated); });
}

void ActionSheet::showFromBarButtonItem(BarButtonItem& item, bool animated) {
  present([&](PopoverController& p) { p.presentPopoverFromBarButtonItem(item, PopoverArrowDirectionAny, animated); });
}

void ActionSheet::showInView(View* view) {
  if (!view) return;
  Rect b = view->bounds();
  present([&](PopoverController& p) {
    p.presentPopoverFromRect({b.midX(), b.midY(), 1, 1}, view, PopoverArrowDirectionAny, true);
  });
}

void ActionSheet::buttonPressed(long index) {
  if (!visible_) return;
  auto keep = View::self();
  if (auto d = delegate()) d->actionSheetClickedButtonAtIndex(*this, index);
  if (onClicked) onClicked(*this, index);
  dismissWithClickedButtonIndex(index, true);
}

void ActionSheet::dismissWithClickedButtonIndex(long index, bool animated) {
  if (!visible_) return;
  auto keep = View::self();
  visible_ = false;
  if (auto d = delegate()) d->actionSheetWillDismissWithButtonIndex(*this, index);
  if (popover_) popover_->dismissPopoverAnimated(animated);
  if (!animated || !View::areAnimationsEnabled()) {
    finish(index);
    return;
  }
  auto weak = weakAs<ActionSheet>(this);
  View::animate(PopoverController::kAnimationDuration, {}, [weak, index](bool) {
    if (auto s = weak.lock()) s->finish(index);
  });
}

void ActionSheet::finish(long index) {
  auto keep = View::self();
  if (popover_) {
    if (auto c = popover_->contentViewController()) c->setView(nullptr);
    popover_.reset();
  }
  if (auto d = delegate()) d->actionSheetDidDismissWithButtonIndex(*this, index);
  if (onDismissed) onDismissed(*this, index);
  auto& list = showing();
  list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& s) { return s.get() == this; }), list.end());
}

std::vector<std::shared_ptr<ActionSheet>> ActionSheet::showingSheets() { return showing(); }

void ActionSheet::resetForTesting() {
  auto list = std::move(showing());
  showing().clear();
  for (auto& s : list) {
    s->visible_ = false;
    if (s->popover_) {
      s->popover_->setDelegate({});
      s->popover_->dismissPopoverAnimated(false);
      if (auto c = s->popover_->contentViewController()) c->setView(nullptr);
      s->popover_.reset();
    }
  }
}

bool ActionSheet::pressButton(long index) {
  if (!visible_ || index < -1 || index >= numberOfButtons()) return false;
  if (index == cancelIndex_ || index == -1) {
    if (popover_) return popover_->dismissByOutsideTap() || !visible_;
    return false;
  }
  buttonPressed(index);
  return true;
}

}  // namespace ui
