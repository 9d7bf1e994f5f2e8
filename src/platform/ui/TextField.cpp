#include "platform/ui/TextField.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Window.hpp"

namespace ui {

namespace {
constexpr double kClearButtonSize = 19;
constexpr double kInset = 7;
constexpr double kSelectionAlpha = 0.25;
}  // namespace

TextField::TextField(const Rect& frame) : Control(frame) {
  setContentVerticalAlignment(ContentVerticalAlignment::Center);
  setOpaque(false);
  setBackgroundColor(std::nullopt);
  clearButton_ = std::make_shared<Button>();
  clearButton_->setTitle("\u2715");
  clearButton_->titleLabel().setFont(gfx::Font::systemFont(12));
  clearButton_->setTitleColor(gfx::Color::white());
  clearButton_->setBackgroundColor(gfx::Color::white(0.7));
  clearButton_->layer().setCornerRadius(kClearButtonSize / 2);
  clearButton_->setClipsToBounds(true);
  clearButton_->setHidden(true);
  clearButton_->addAction(
      [](Control& sender, const Event*) {
        if (auto* f = dynamic_cast<TextField*>(sender.superview())) f->clearButtonTapped();
      },
      ControlEventTouchUpInside);
  addSubview(clearButton_);
  addAction(
      [](Control& sender, const Event*) {
        // A press that asked already is not asked again: a delegate that
        // refused it (and, say, opened a popover instead) hears it once.
        if (auto* f = dynamic_cast<TextField*>(&sender); f && !f->askedOnPress_) f->becomeFirstResponder();
      },
      ControlEventTouchUpInside);
}

TextField::~TextField() = default;

void TextField::setText(const std::string& text) {
  text_ = sanitizeTypedText(text);
  sel_.select(text_, {text_.size(), 0});
  refreshAccessories();
  setNeedsDisplay();
}

void TextField::setPlaceholder(const std::string& p) {
  placeholder_ = p;
  setNeedsDisplay();
}

void TextField::setFont(const gfx::Font& f) {
  font_ = f;
  setNeedsDisplay();
}

void TextField::setTextColor(const gfx::Color& c) {
  textColor_ = c;
  setNeedsDisplay();
}

void TextField::setTextAlignment(gfx::TextAlignment a) {
  alignment_ = a;
  setNeedsDisplay();
}

void TextField::setBorderStyle(TextBorderStyle s) {
  borderStyle_ = s;
  setNeedsDisplay();
  setNeedsLayout();
}

void TextField::setBackground(gfx::ImagePtr image) {
  background_ = std::move(image);
  setNeedsDisplay();
}

void TextField::setClearButtonMode(TextFieldViewMode m) {
  clearButtonMode_ = m;
  refreshAccessories();
}

void TextField::setLeftView(std::shared_ptr<View> v) {
  if (leftView_) leftView_->removeFromSuperview();
  leftView_ = std::move(v);
  if (leftView_) addSubview(leftView_);
  refreshAccessories();
}

void TextField::setLeftViewMode(TextFieldViewMode m) {
  leftViewMode_ = m;
  refreshAccessories();
}

void TextField::setRightView(std::shared_ptr<View> v) {
  if (rightView_) rightView_->removeFromSuperview();
  rightView_ = std::move(v);
  if (rightView_) addSubview(rightView_);
  refreshAccessories();
}

void TextField::setRightViewMode(TextFieldViewMode m) {
  rightViewMode_ = m;
  refreshAccessories();
}

void TextField::setSecureTextEntry(bool on) {
  secure_ = on;
  setNeedsDisplay();
}

void TextField::setSelectedRange(TextRange r) {
  sel_.select(text_, r);
  setNeedsDisplay();
}

bool TextField::shows(TextFieldViewMode mode) const {
  switch (mode) {
    case TextFieldViewMode::Never: return false;
    case TextFieldViewMode::WhileEditing: return editing_;
    case TextFieldViewMode::UnlessEditing: return !editing_;
    case TextFieldViewMode::Always: return true;
  }
  return false;
}

void TextField::refreshAccessories() {
  clearButton_->setHidden(text_.empty() || !shows(clearButtonMode_));
  if (leftView_) leftView_->setHidden(!shows(leftViewMode_));
  if (rightView_) rightView_->setHidden(!shows(rightViewMode_) || !clearButton_->isHidden());
  setNeedsLayout();
}

// --- geometry -------------------------------------------------------------------

Rect TextField::borderRectForBounds(const Rect& b) const { return b; }

Rect TextField::leftViewRectForBounds(const Rect& b) const {
  if (!leftView_) return {};
  Size s = leftView_->bounds().size;
  return {b.x(), b.y() + std::round((b.height() - s.height) / 2), s.width, s.height};
}

Rect TextField::rightViewRectForBounds(const Rect& b) const {
  if (!rightView_) return {};
  Size s = rightView_->bounds().size;
  return {b.maxX() - s.width, b.y() + std::round((b.height() - s.height) / 2), s.width, s.height};
}

Rect TextField::clearButtonRectForBounds(const Rect& b) const {
  return {b.maxX() - kClearButtonSize - 5, b.y() + std::round((b.height() - kClearButtonSize) / 2), kClearButtonSize,
          kClearButtonSize};
}

Rect TextField::textRectForBounds(const Rect& b) const {
  double left = borderStyle_ == TextBorderStyle::None ? 0 : kInset;
  double right = borderStyle_ == TextBorderStyle::None ? 0 : kInset;
  if (leftView_ && !leftView_->isHidden()) left = std::max(left, leftViewRectForBounds(b).width());
  if (!clearButton_->isHidden())
    right = std::max(right, b.maxX() - clearButtonRectForBounds(b).minX());
  else if (rightView_ && !rightView_->isHidden())
    right = std::max(right, rightViewRectForBounds(b).width());
  return {b.x() + left, b.y(), std::max(0.0, b.width() - left - right), b.height()};
}

Rect TextField::placeholderRectForBounds(const Rect& b) const { return textRectForBounds(b); }

Rect TextField::editingRectForBounds(const Rect& b) const { return textRectForBounds(b); }

void TextField::layoutSubviews() {
  Rect b = bounds();
  clearButton_->setFrame(clearButtonRectForBounds(b));
  if (leftView_) leftView_->setFrame(leftViewRectForBounds(b));
  if (rightView_) rightView_->setFrame(rightViewRectForBounds(b));
}

Size TextField::sizeThatFits(Size) const {
  Size t = gfx::sizeWithFont(text_.empty() ? placeholder_ : displayText(), font_);
  double pad = borderStyle_ == TextBorderStyle::None ? 0 : 2 * kInset;
  return {std::ceil(t.width + pad), std::ceil(std::max(t.height, font_.lineHeight()) + (pad > 0 ? 8 : 0))};
}

// --- drawing ----------------------------------------------------------------------

gfx::Font TextField::drawingFont() const {
  if (!adjustsFont_ || text_.empty()) return font_;
  Rect r = textRectForBounds(bounds());
  double size = gfx::fitFontSize(displayText(), font_, std::max(minimumFontSize_, 1.0), r.width());
  return font_.withSize(size);
}

void TextField::drawPlaceholderInRect(gfx::Context& ctx, const Rect& rect) {
  double h = font_.lineHeight();
  double y = rect.y() + std::round((rect.height() - h) / 2);
  ctx.drawText(placeholder_, {rect.x(), y, rect.width(), h}, font_, gfx::Color::white(0.7),
               gfx::LineBreakMode::TailTruncation, alignment_, 1);
}

void TextField::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds();
  if (background_) {
    ctx.drawImage(*background_, borderRectForBounds(b));
  } else {
    switch (borderStyle_) {
      case TextBorderStyle::None: break;
      case TextBorderStyle::Line:
        ctx.setStrokeColor(gfx::Color::black());
        ctx.setLineWidth(1);
        ctx.strokeRect(b.inset(0.5, 0.5));
        break;
      case TextBorderStyle::Bezel:
        ctx.setStrokeColor(gfx::Color::gray());
        ctx.setLineWidth(1);
        ctx.strokeRect(b.inset(0.5, 0.5));
        break;
      case TextBorderStyle::RoundedRect:
        ctx.setFillColor(gfx::Color::white());
        ctx.fillRoundedRect(b, 5);
        ctx.setStrokeColor(gfx::Color::white(0.8));
        ctx.setLineWidth(1);
        ctx.strokeRoundedRect(b.inset(0.5, 0.5), 5);
        break;
    }
  }
  const Rect tr = textRoom();
  if (text_.empty() && sel_.marked().empty()) {
    if (!placeholder_.empty()) drawPlaceholderInRect(ctx, placeholderRectForBounds(b));
  } else {
    if (const Rect selected = selectionRect(); !selected.isEmpty()) {
      ctx.setFillColor(tintColor().value_or(gfx::Color::blue()).withAlphaComponent(kSelectionAlpha));
      ctx.fillRect(selected);
    }
    drawTextInRect(ctx, tr);
  }
  // A selection shows as its highlight; the caret stands where typing goes.
  if (editing_ && (sel_.range().length == 0 || !sel_.marked().empty())) {
    ctx.setFillColor(tintColor().value_or(gfx::Color::blue()));
    ctx.fillRect(caretRect());
  }
}

// --- editing ------------------------------------------------------------------------

void TextField::setEnabled(bool enabled) {
  Control::setEnabled(enabled);
  if (!enabled && editing_)
    if (Window* w = window(); w && w->firstResponder() == this) w->forceResignFirstResponder();
}

bool TextField::canBecomeFirstResponder() const { return isEnabled() && window() != nullptr; }

bool TextField::canResignFirstResponder() const {
  if (!editing_) return true;
  auto d = delegate();
  return !d || d->textFieldShouldEndEditing(*const_cast<TextField*>(this));
}

bool TextField::becomeFirstResponder() {
  if (editing_) return true;
  if (!canBecomeFirstResponder()) return false;
  auto keep = self();
  if (auto d = delegate(); d && !d->textFieldShouldBeginEditing(*this)) return false;
  if (!Responder::becomeFirstResponder()) return false;
  editing_ = true;
  if (clearsOnBegin_) text_.clear();
  sel_.select(text_, {text_.size(), 0});
  scroll_ = 0;
  refreshAccessories();
  setNeedsDisplay();
  if (auto d = delegate()) d->textFieldDidBeginEditing(*this);
  sendActionsForControlEvents(ControlEventEditingDidBegin);
  base::NotificationCenter::defaultCenter().post(TextDidBeginEditingNotification, this);
  if (Window* w = window()) w->updateKeyboard();
  return true;
}

bool TextField::resignFirstResponder() {
  if (!editing_) return Responder::resignFirstResponder();
  auto keep = self();
  Window* w = window();
  if (w && w->firstResponder() == this) {
    // Asked by code: the delegate may keep the focus here.
    if (!canResignFirstResponder()) return false;
    w->releaseFirstResponder(this);
  }
  finishEditing();
  return true;
}

void TextField::finishEditing() {
  if (!editing_) return;
  editing_ = false;
  sel_.setMarked("", 0, true);
  sel_.endDrag();
  scroll_ = 0;
  refreshAccessories();
  setNeedsDisplay();
  if (auto d = delegate()) d->textFieldDidEndEditing(*this);
  sendActionsForControlEvents(ControlEventEditingDidEnd);
  base::NotificationCenter::defaultCenter().post(TextDidEndEditingNotification, this);
  if (Window* w = window()) w->updateKeyboard(this);
}

void TextField::returnKeyPressed() {
  if (!editing_) return;
  if (enablesReturnAuto_ && text_.empty()) return;
  auto keep = self();
  auto d = delegate();
  bool ok = !d || d->textFieldShouldReturn(*this);
  if (!ok || !editing_) return;
  if (actionCount(ControlEventEditingDidEndOnExit) > 0) {
    sendActionsForControlEvents(ControlEventEditingDidEndOnExit);
    resignFirstResponder();
  }
}

bool TextField::clearButtonTapped() {
  auto keep = self();
  if (!editing_ && !becomeFirstResponder()) return false;
  if (auto d = delegate(); d && !d->textFieldShouldClear(*this)) return false;
  if (text_.empty()) return true;
  text_.clear();
  sel_.select(text_, {0, 0});
  refreshAccessories();
  setNeedsDisplay();
  sendActionsForControlEvents(ControlEventEditingChanged);
  base::NotificationCenter::defaultCenter().post(TextDidChangeNotification, this);
  return true;
}

}  // namespace ui
