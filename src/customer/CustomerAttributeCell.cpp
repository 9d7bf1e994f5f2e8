#include "customer/CustomerAttributeCell.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/ui/TextRange.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

// The text field's delegate: the cell, which owns it.
class CustomerAttributeCell::FieldDelegate : public ui::TextFieldDelegate {
 public:
  explicit FieldDelegate(CustomerAttributeCell* cell) : cell_(cell) {}

  void textFieldDidBeginEditing(ui::TextField&) override {
    if (auto d = cell_->delegate_.lock()) d->customerAttributeCellTextFieldBegin(*cell_);
  }
  bool textFieldShouldChangeCharactersInRange(ui::TextField& field, ui::TextRange range,
                                              const std::string& replacement) override {
    // The form holds every keystroke at once.
    cell_->report(ui::textAfterReplacing(field.text(), range, replacement));
    return true;
  }
  void textFieldDidEndEditing(ui::TextField& field) override { cell_->report(field.text()); }
  bool textFieldShouldReturn(ui::TextField&) override {
    // Moving on is the form's work.
    if (auto d = cell_->delegate_.lock()) d->customerAttributeCellShouldReturn(cell_->section_, cell_->row_);
    return false;
  }

 private:
  CustomerAttributeCell* cell_;
};

CustomerAttributeCell::CustomerAttributeCell() : ui::TableViewCell(ui::TableViewCellStyle::Default, kReuseIdentifier) {
  MV_ASSERT_MAIN_THREAD();
  setSelectionStyle(ui::TableViewCellSelectionStyle::None);

  lblFiledName_ = std::make_shared<ui::Label>(ui::Rect{kLabelX, kTextTop, kLabelWidth, kTextHeight});
  lblFiledName_->setFont(gfx::Font::systemFont(17));
  lblFiledName_->setTextColor(gfx::Color::black());
  lblFiledName_->setTextAlignment(gfx::TextAlignment::Right);
  lblFiledName_->setNumberOfLines(0);
  lblFiledName_->setBackgroundColor(gfx::Color::clear());
  contentView().addSubview(lblFiledName_);

  fieldDelegate_ = std::make_shared<FieldDelegate>(this);
  txtAttributeValue_ = std::make_shared<ui::TextField>(ui::Rect{kValueX, kTextTop, kValueWidth, kTextHeight});
  txtAttributeValue_->setFont(gfx::Font::systemFont(17));
  txtAttributeValue_->setTextColor(ViewStyle::colorOfMainTheme());
  txtAttributeValue_->setReturnKeyType(ui::ReturnKeyType::Next);
  txtAttributeValue_->setAutocorrectionType(ui::TextAutocorrectionType::No);
  txtAttributeValue_->setDelegate(fieldDelegate_);
  contentView().addSubview(txtAttributeValue_);

  lblAttributeValueDefaul_ = std::make_shared<ui::Label>(ui::Rect{kValueX, kTextTop, kValueWidth, kTextHeight});
  lblAttributeValueDefaul_->setFont(gfx::Font::systemFont(17));
  lblAttributeValueDefaul_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  lblAttributeValueDefaul_->setNumberOfLines(0);
  lblAttributeValueDefaul_->setBackgroundColor(gfx::Color::clear());
  lblAttributeValueDefaul_->setHidden(true);
  contentView().addSubview(lblAttributeValueDefaul_);

  switchValue_ = std::make_shared<ui::Switch>(ui::Rect{290, 3, 51, 31});
  switchValue_->setOn(true);
  switchValue_->setHidden(true);
  switchValue_->addAction([this](ui::Control&, const ui::Event*) { switchAction(); }, ui::ControlEventValueChanged);
  contentView().addSubview(switchValue_);

  redStarFlag_ = std::make_shared<ui::Label>(ui::Rect{100, 12, 20, 25});
  redStarFlag_->setText("*");
  redStarFlag_->setFont(gfx::Font::boldSystemFont(25));
  redStarFlag_->setTextColor(gfx::Color::red());
  redStarFlag_->setBackgroundColor(gfx::Color::clear());
  redStarFlag_->setHidden(true);
  contentView().addSubview(redStarFlag_);
}

CustomerAttributeCell::~CustomerAttributeCell() {
  // The field may outlive the cell in a reuse queue's last moments.
  txtAttributeValue_->setDelegate({});
}

void CustomerAttributeCell::report(const std::string& value) {
  if (auto d = delegate_.lock()) d->customerAttributeCellTextFieldcEnd(value, section_, row_, lblFiledName_->text());
}

void CustomerAttributeCell::switchAction() {
  MV_ASSERT_MAIN_THREAD();
  if (auto d = delegate_.lock()) d->customerAttributeCellSwitchViewAction(switchValue_->isOn());
}

void CustomerAttributeCell::prepareForReuse() {
  ui::TableViewCell::prepareForReuse();
  delegate_.reset();
  txtAttributeValue_->setText("");
  lblAttributeValueDefaul_->setText("");
}

}  // namespace mv
