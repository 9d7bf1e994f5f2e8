#include "platform/ui/TextView.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/NotificationCenter.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

// Draws the text view's text; as tall as the wrapped text.
class TextViewContent : public View {
 public:
  using View::View;
  void drawRect(gfx::Context& ctx, const Rect&) override {
    auto* tv = dynamic_cast<TextView*>(superview());
    if (!tv) return;
    const gfx::Color tint = tv->tintColor().value_or(gfx::Color::blue());
    ctx.setFillColor(tint.withAlphaComponent(kSelectionAlpha));
    for (const Rect& r : tv->selectionRects()) ctx.fillRect(r);
    ctx.drawText(tv->shownText(), bounds().inset(tv->textInset_), tv->font_, tv->textColor_,
                 gfx::LineBreakMode::WordWrap, tv->alignment_, 0);
    if (const std::string& marked = tv->sel_.marked(); !marked.empty()) {
      // The composition is underlined until the input method commits it.
      ctx.setFillColor(tv->textColor_);
      for (const Rect& r : tv->rectsOf({tv->sel_.range().location, marked.size()}))
        ctx.fillRect({r.x(), r.maxY() - 1, r.width(), 1});
    }
    if (tv->editing_ && (tv->sel_.range().length == 0 || !tv->sel_.marked().empty())) {
      ctx.setFillColor(tint);
      ctx.fillRect(tv->caretRect());
    }
  }

  static constexpr double kSelectionAlpha = 0.25;
};

TextView::TextView(const Rect& frame) : ScrollView(frame) {
  setBackgroundColor(gfx::Color::white());
  setAlwaysBounceVertical(false);
  content_ = std::make_shared<TextViewContent>(Rect{0, 0, frame.width(), frame.height()});
  content_->setBackgroundColor(std::nullopt);
  content_->setOpaque(false);
  content_->setUserInteractionEnabled(false);
  addSubview(content_);
  relayoutText();
}

TextView::~TextView() = default;

std::shared_ptr<TextViewDelegate> TextView::delegate() const {
  return std::dynamic_pointer_cast<TextViewDelegate>(ScrollView::delegate());
}

void TextView::setText(const std::string& text) {
  text_ = sanitizeTypedText(text);
  sel_.select(text_, {text_.size(), 0});
  relayoutText();
}

void TextView::setFont(const gfx::Font& f) {
  font_ = f;
  relayoutText();
}

void TextView::setTextColor(const gfx::Color& c) {
  textColor_ = c;
  content_->setNeedsDisplay();
}

void TextView::setTextAlignment(gfx::TextAlignment a) {
  alignment_ = a;
  content_->setNeedsDisplay();
}

void TextView::setEditable(bool on) {
  editable_ = on;
  if (!on && editing_)
    if (Window* w = window(); w && w->firstResponder() == this) w->forceResignFirstResponder();
}

void TextView::setTextContainerInset(EdgeInsets e) {
  textInset_ = e;
  relayoutText();
}

void TextView::setSelectedRange(TextRange r) {
  sel_.select(text_, r);
  goalX_.reset();
  if (auto d = delegate()) d->textViewDidChangeSelection(*this);
  content_->setNeedsDisplay();
}

void TextView::relayoutText() {
  Rect b = bounds();
  double w = b.width();
  double inner = std::max(0.0, w - textInset_.left - textInset_.right);
  const std::string shown = shownText();
  Size s = shown.empty() ? Size{inner, 0}
                         : gfx::sizeWithFont(shown, font_, Size{inner, 0}, gfx::LineBreakMode::WordWrap);
  double lines = std::max(s.height, font_.lineHeight());
  if (!shown.empty() && shown.back() == '\n') lines += font_.lineHeight();
  double h = std::ceil(lines + textInset_.top + textInset_.bottom);
  content_->setFrame({0, 0, w, std::max(h, b.height())});
  setContentSize({w, h});
  laidOutWidth_ = w;
  content_->setNeedsDisplay();
}

void TextView::layoutSubviews() {
  if (bounds().width() != laidOutWidth_) relayoutText();
}

Size TextView::sizeThatFits(Size size) const {
  double inner = std::max(0.0, size.width - textInset_.left - textInset_.right);
  Size s = gfx::sizeWithFont(text_, font_, Size{inner, 0}, gfx::LineBreakMode::WordWrap);
  return {size.width, std::ceil(std::max(s.height, font_.lineHeight()) + textInset_.top + textInset_.bottom)};
}

void TextView::scrollRangeToVisible(TextRange r) {
  double inner = std::max(0.0, bounds().width() - textInset_.left - textInset_.right);
  std::size_t end = std::min(r.end(), text_.size());
  Size s = gfx::sizeWithFont(text_.substr(0, end), font_, Size{inner, 0}, gfx::LineBreakMode::WordWrap);
  double y = textInset_.top + std::max(0.0, s.height - font_.lineHeight());
  scrollRectToVisible({0, y, 1, font_.lineHeight() + textInset_.bottom}, false);
}

// --- editing --------------------------------------------------------------------------

bool TextView::canBecomeFirstResponder() const { return editable_ && window() != nullptr; }

bool TextView::canResignFirstResponder() const {
  if (!editing_) return true;
  auto d = delegate();
  return !d || d->textViewShouldEndEditing(*const_cast<TextView*>(this));
}

bool TextView::becomeFirstResponder() {
  if (editing_) return true;
  if (!canBecomeFirstResponder()) return false;
  auto keep = self();
  if (auto d = delegate(); d && !d->textViewShouldBeginEditing(*this)) return false;
  if (!Responder::becomeFirstResponder()) return false;
  editing_ = true;
  sel_.select(text_, {text_.size(), 0});
  content_->setNeedsDisplay();
  if (auto d = delegate()) d->textViewDidBeginEditing(*this);
  base::NotificationCenter::defaultCenter().post(TextDidBeginEditingNotification, this);
  if (Window* w = window()) w->updateKeyboard();
  return true;
}

bool TextView::resignFirstResponder() {
  if (!editing_) return Responder::resignFirstResponder();
  auto keep = self();
  Window* w = window();
  if (w && w->firstResponder() == this) {
    if (!canResignFirstResponder()) return false;
    w->releaseFirstResponder(this);
  }
  finishEditing();
  return true;
}

void TextView::finishEditing() {
  if (!editing_) return;
  editing_ = false;
  sel_.endDrag();
  if (!sel_.marked().empty()) {
    sel_.setMarked("", 0, false);
    relayoutText();
  }
  content_->setNeedsDisplay();
  if (auto d = delegate()) d->textViewDidEndEditing(*this);
  base::NotificationCenter::defaultCenter().post(TextDidEndEditingNotification, this);
  if (Window* w = window()) w->updateKeyboard(this);
}

}  // namespace ui
