#include "order/DiscountPopController.hpp"

#include "order/QuoteOrderItemModel.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/WeakAs.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/NumericInputValidator.hpp"

namespace mv {

DiscountPopController::DiscountPopController() { setPreferredContentSize({kContentWidth, kContentHeight}); }

const std::shared_ptr<TZTextField>& DiscountPopController::txtDiscountRat() {
  view();
  return txtDiscountRat_;
}

void DiscountPopController::loadView() {
  auto v = std::make_shared<ui::View>(ui::Rect{0, 0, kContentWidth, kContentHeight});
  v->setBackgroundColor(gfx::Color::white());
  setView(v);
}

void DiscountPopController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  txtDiscountRat_ = std::make_shared<TZTextField>(ui::Rect{15, 10, 80, 30});
  txtDiscountRat_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  txtDiscountRat_->setTextAlignment(gfx::TextAlignment::Center);
  txtDiscountRat_->setKeyboardType(ui::KeyboardType::NumberPad);
  txtDiscountRat_->setAdjustsFontSizeToFitWidth(true);
  txtDiscountRat_->setMinimumFontSize(10);
  txtDiscountRat_->setInputValidator(std::make_shared<NumericInputValidator>());
  txtDiscountRat_->setDelegate(ui::weakAs<ui::TextFieldDelegate>(this));
  view()->addSubview(txtDiscountRat_);

  lblPercentFlag_ = std::make_shared<ui::Label>(ui::Rect{98, 8, 20, 30});
  lblPercentFlag_->setBackgroundColor(gfx::Color::clear());
  lblPercentFlag_->setText("%");
  view()->addSubview(lblPercentFlag_);
}

void DiscountPopController::textFieldDidBeginEditing(ui::TextField& field) {
  previousText_ = field.text();
  if (!field.text().empty()) field.setText(QuoteOrderItemModel::ungrouped(field.text()));
}

bool DiscountPopController::textFieldShouldEndEditing(ui::TextField& /*field*/) {
  if (auto d = delegate()) d->discountWillEndInput();
  return true;
}

void DiscountPopController::textFieldDidEndEditing(ui::TextField& /*field*/) {
  MV_ASSERT_MAIN_THREAD();
  // The field's alert tells what was wrong; a refused entry is not applied,
  // so a typing slip never wipes the order's discount.
  if (!txtDiscountRat_->validate()) {
    txtDiscountRat_->setText(previousText_);
    return;
  }
  const double rate = QuoteOrderItemModel::doubleValue(txtDiscountRat_->text());
  txtDiscountRat_->setText(PublicFunction::doubleFormate(rate));
  if (auto d = delegate()) d->discountRatChanged(rate);
}

bool DiscountPopController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

}  // namespace mv
