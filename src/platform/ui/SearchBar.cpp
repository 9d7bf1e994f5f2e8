#include "platform/ui/SearchBar.hpp"

#include <cmath>

namespace ui {

// Passes the field's editing on to the search bar's delegate.
class SearchBar::FieldDelegate : public TextFieldDelegate {
 public:
  explicit FieldDelegate(SearchBar* bar) : bar_(bar) {}
  void detach() { bar_ = nullptr; }

  bool textFieldShouldBeginEditing(TextField&) override {
    auto d = bar_ ? bar_->delegate() : nullptr;
    return !d || d->searchBarShouldBeginEditing(*bar_);
  }
  void textFieldDidBeginEditing(TextField&) override {
    if (auto d = bar_ ? bar_->delegate() : nullptr) d->searchBarTextDidBeginEditing(*bar_);
  }
  bool textFieldShouldEndEditing(TextField&) override {
    auto d = bar_ ? bar_->delegate() : nullptr;
    return !d || d->searchBarShouldEndEditing(*bar_);
  }
  void textFieldDidEndEditing(TextField&) override {
    if (auto d = bar_ ? bar_->delegate() : nullptr) d->searchBarTextDidEndEditing(*bar_);
  }
  bool textFieldShouldChangeCharactersInRange(TextField&, TextRange range, const std::string& text) override {
    auto d = bar_ ? bar_->delegate() : nullptr;
    return !d || d->searchBarShouldChangeTextInRange(*bar_, range, text);
  }
  bool textFieldShouldReturn(TextField&) override {
    if (auto d = bar_ ? bar_->delegate() : nullptr) d->searchBarSearchButtonClicked(*bar_);
    return true;
  }

 private:
  SearchBar* bar_;
};

SearchBar::SearchBar(const Rect& frame) : View(frame) {
  setOpaque(false);
  fieldDelegate_ = std::make_shared<FieldDelegate>(this);
  field_ = std::make_shared<TextField>();
  field_->setBorderStyle(TextBorderStyle::RoundedRect);
  field_->setFont(gfx::Font::systemFont(14));
  field_->setClearButtonMode(TextFieldViewMode::WhileEditing);
  field_->setReturnKeyType(ReturnKeyType::Search);
  field_->setAutocorrectionType(TextAutocorrectionType::No);
  field_->setAutocapitalizationType(TextAutocapitalizationType::None);
  field_->setDelegate(fieldDelegate_);
  field_->addAction(
      [](Control& sender, const Event*) {
        auto* bar = dynamic_cast<SearchBar*>(sender.superview());
        if (!bar) return;
        auto keep = bar->self();
        if (auto d = bar->delegate()) d->searchBarTextDidChange(*bar, bar->text());
      },
      ControlEventEditingChanged);
  addSubview(field_);
  cancelButton_ = std::make_shared<Button>(Rect{}, ButtonType::System);
  cancelButton_->setTitle("Cancel");
  cancelButton_->setTitleColor(tintColor().value_or(gfx::Color::blue()));
  cancelButton_->setHidden(true);
  cancelButton_->addAction(
      [](Control& sender, const Event*) {
        if (auto* bar = dynamic_cast<SearchBar*>(sender.superview())) bar->cancelButtonTapped();
      },
      ControlEventTouchUpInside);
  addSubview(cancelButton_);
  promptLabel_ = std::make_shared<Label>();
  promptLabel_->setFont(gfx::Font::systemFont(13));
  promptLabel_->setTextAlignment(gfx::TextAlignment::Center);
  promptLabel_->setHidden(true);
  addSubview(promptLabel_);
}

SearchBar::~SearchBar() { fieldDelegate_->detach(); }

const std::string& SearchBar::text() const { return field_->text(); }

void SearchBar::setText(const std::string& text) { field_->setText(text); }

const std::string& SearchBar::placeholder() const { return field_->placeholder(); }

void SearchBar::setPlaceholder(const std::string& p) { field_->setPlaceholder(p); }

void SearchBar::setPrompt(const std::string& p) {
  prompt_ = p;
  promptLabel_->setText(p);
  promptLabel_->setHidden(p.empty());
  setNeedsLayout();
}

void SearchBar::setShowsCancelButton(bool on, bool) {
  showsCancel_ = on;
  cancelButton_->setHidden(!on);
  setNeedsLayout();
}

void SearchBar::setBarStyle(BarStyle s) {
  barStyle_ = s;
  setNeedsDisplay();
}

void SearchBar::setBarTintColor(std::optional<gfx::Color> c) {
  barTint_ = std::move(c);
  setNeedsDisplay();
}

void SearchBar::setBackgroundImage(gfx::ImagePtr image) {
  backgroundImage_ = std::move(image);
  setNeedsDisplay();
}

bool SearchBar::cancelButtonTapped() {
  if (!showsCancel_) return false;
  auto keep = self();
  if (auto d = delegate()) d->searchBarCancelButtonClicked(*this);
  return true;
}

Size SearchBar::sizeThatFits(Size size) const {
  return {size.width, prompt_.empty() ? kBarHeight : kBarHeight + 30};
}

void SearchBar::layoutSubviews() {
  Rect b = bounds();
  double top = 0;
  if (!prompt_.empty()) {
    promptLabel_->setFrame({0, 4, b.width(), 22});
    top = 30;
  }
  double right = b.width() - 8;
  if (showsCancel_) {
    Size s = cancelButton_->sizeThatFits({});
    double w = std::ceil(s.width) + 12;
    cancelButton_->setFrame({right - w, top, w, kBarHeight});
    right -= w + 4;
  }
  field_->setFrame({8, top + 8, std::max(0.0, right - 8), kBarHeight - 16});
}

void SearchBar::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds();
  if (backgroundImage_) {
    ctx.drawImage(*backgroundImage_, b);
    return;
  }
  gfx::Color bg = barTint_ ? *barTint_
                           : (barStyle_ == BarStyle::Black ? gfx::Color::rgb255(30, 30, 30) : gfx::Color::rgb255(201, 201, 206));
  ctx.setFillColor(bg);
  ctx.fillRect(b);
}

}  // namespace ui
