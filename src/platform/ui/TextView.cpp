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
    Rect b = bounds();
    EdgeInsets in = tv->textInset_;
    Rect r = b.inset(in);
    ctx.drawText(tv->text_, r, tv->font_, tv->textColor_, gfx::LineBreakMode::WordWrap, tv->alignment_, 0);
    if (tv->editing_) {
      // The caret at the end of the last line.
      auto layout = gfx::TextMeasurer::current().layout(tv->text_.substr(0, tv->selection_.end()), tv->font_, r.width(),
                                                        gfx::LineBreakMode::WordWrap, 0);
      double h = tv->font_.lineHeight();
      double x = r.x(), y = r.y();
      if (!layout.lines.empty()) {
        x += layout.lines.back().width;
        y += h * static_cast<double>(layout.lines.size() - 1);
        if (!tv->text_.empty() && tv->text_[std::min(tv->selection_.end(), tv->text_.size()) - 1] == '\n') {
          x = r.x();
          y += h;
        }
      }
      ctx.setFillColor(tv->tintColor().value_or(gfx::Color::blue()));
      ctx.fillRect({x, y, 2, h});
    }
  }
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
  selection_ = {text_.size(), 0};
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
  std::size_t start = codePointBoundary(text_, std::min(r.location, text_.size()));
  std::size_t end = codePointBoundary(text_, std::min(r.location + r.length, text_.size()));
  selection_ = {start, end >= start ? end - start : 0};
  if (auto d = delegate()) d->textViewDidChangeSelection(*this);
  content_->setNeedsDisplay();
}

void TextView::relayoutText() {
  Rect b = bounds();
  double w = b.width();
  double inner = std::max(0.0, w - textInset_.left - textInset_.right);
  Size s = text_.empty() ? Size{inner, 0}
                         : gfx::sizeWithFont(text_, font_, Size{inner, 0}, gfx::LineBreakMode::WordWrap);
  double lines = std::max(s.height, font_.lineHeight());
  if (!text_.empty() && text_.back() == '\n') lines += font_.lineHeight();
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
  selection_ = {text_.size(), 0};
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
  content_->setNeedsDisplay();
  if (auto d = delegate()) d->textViewDidEndEditing(*this);
  base::NotificationCenter::defaultCenter().post(TextDidEndEditingNotification, this);
  if (Window* w = window()) w->updateKeyboard(this);
}

void TextView::replace(TextRange range, const std::string& text) {
  auto keep = self();
  if (auto d = delegate(); d && !d->textViewShouldChangeTextInRange(*this, range, text)) return;
  if (range.location > text_.size()) return;
  range.length = std::min(range.length, text_.size() - range.location);
  text_.replace(range.location, range.length, text);
  selection_ = {range.location + text.size(), 0};
  relayoutText();
  if (auto d = delegate()) d->textViewDidChange(*this);
  base::NotificationCenter::defaultCenter().post(TextDidChangeNotification, this);
  scrollRangeToVisible(selection_);
}

void TextView::insertText(const std::string& typed) {
  if (!editing_ || typed.empty()) return;
  std::string text = sanitizeTypedText(typed);
  std::replace(text.begin(), text.end(), '\r', '\n');
  setSelectedRange(selection_);
  replace(selection_, text);
}

void TextView::deleteBackward() {
  if (!editing_) return;
  TextRange r = selection_;
  if (r.length == 0) {
    if (r.location == 0) return;
    std::size_t start = previousCodePoint(text_, r.location);
    r = {start, r.location - start};
  }
  replace(r, "");
}

void TextView::touchesBegan(const TouchSet& touches, const Event& event) {
  if (!editable_ && !selectable_) ScrollView::touchesBegan(touches, event);
}

void TextView::touchesMoved(const TouchSet& touches, const Event& event) {
  if (!editable_ && !selectable_) ScrollView::touchesMoved(touches, event);
}

void TextView::touchesEnded(const TouchSet& touches, const Event& event) {
  if (editable_ && !isDragging()) {
    becomeFirstResponder();
    return;
  }
  if (!selectable_) ScrollView::touchesEnded(touches, event);
}

void TextView::touchesCancelled(const TouchSet& touches, const Event& event) {
  if (!editable_ && !selectable_) ScrollView::touchesCancelled(touches, event);
}

}  // namespace ui
