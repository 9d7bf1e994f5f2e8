#include "order/AddToOrderController.hpp"

#include "order/OrderScreenParts.hpp"

#include "order/QuoteOrderItemModel.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/DataAccessManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/NumericInputValidator.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

namespace {
}  // namespace

AddToOrderController::Check AddToOrderController::check(bool everyAttributeChosen, const std::string& countText) {
  Check c;
  if (!everyAttributeChosen) {
    c.verdict = Verdict::ChooseAttribute;
    return c;
  }
  std::optional<InputValidationError> error;
  const bool valid = NumericInputValidator().validateInput(countText, &error);
  const int count = QuoteOrderItemModel::intValue(countText);
  // Nothing, or less than one whole piece, is no quantity to add.
  if (!valid || count < 1) {
    c.verdict = Verdict::InvalidInput;
    if (!error) NumericInputValidator().validateInput("", &error);
    c.failureReason = error ? error->localizedFailureReason : std::string();
    return c;
  }
  if (count > kMaxCount) {
    c.verdict = Verdict::TooLarge;
    c.count = kMaxCount;
    return c;
  }
  c.count = count;
  return c;
}

std::string AddToOrderController::deleteCount(const std::string& countText) {
  const int value = QuoteOrderItemModel::intValue(countText);
  return value >= 2 ? std::to_string(value - 1) : countText;
}

std::string AddToOrderController::addCount(const std::string& countText) {
  const int value = QuoteOrderItemModel::intValue(countText);
  return std::to_string(value < std::numeric_limits<int>::max() ? value + 1 : value);
}

AddToOrderController::AddToOrderController(std::shared_ptr<DataAccessManager> database)
    : database_(std::move(database)) {
  setPreferredContentSize({kWidth, kHeight});
}

void AddToOrderController::loadView() {
  auto v = std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kHeight});
  v->setBackgroundColor(gfx::Color::white());
  setView(v);
}

void AddToOrderController::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  BaseViewController::viewDidLoad();
  auto root = view();
  attributeList_ = ProductAttributesListView::initWithFrame(ProductAttributesListView::kAddToOrderFrame,
                                                            ProductAttributesListView::kInlineMode);
  root->addSubview(attributeList_);
  auto divider = std::make_shared<ui::ImageView>(ui::Rect{3, 177, 395, 1});
  divider->setImage(WidgetSkin::skinFromImageName("productDetaildivideline.png"));
  root->addSubview(divider);
  minus_ = std::make_shared<ui::Button>(ui::Rect{24, 198, 28, 28});
  minus_->setImage(WidgetSkin::skinFromImageName("icon-remove.png"));
  minus_->setAccessibilityLabel(text("FEWER"));
  minus_->addAction([this](ui::Control&, const ui::Event*) { deleteCount(); }, ui::ControlEventTouchUpInside);
  root->addSubview(minus_);
  // As wide as the room between minus and plus allows.
  countField_ = std::make_shared<ui::TextField>(ui::Rect{66, 198, 66, 30});
  countField_->setText("1");
  countField_->setTextAlignment(gfx::TextAlignment::Center);
  // The largest quantity, 1000000, shows whole in the small field.
  countField_->setAdjustsFontSizeToFitWidth(true);
  countField_->setMinimumFontSize(kCountMinimumFontSize);
  countField_->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  countField_->setBackground(WidgetSkin::skinFromImageName("bg_input.png"));
  countField_->setKeyboardType(ui::KeyboardType::NumberPad);
  root->addSubview(countField_);
  plus_ = std::make_shared<ui::Button>(ui::Rect{146, 198, 28, 28});
  plus_->setImage(WidgetSkin::skinFromImageName("icon-add.png"));
  plus_->setAccessibilityLabel(text("MORE"));
  plus_->addAction([this](ui::Control&, const ui::Event*) { addCount(); }, ui::ControlEventTouchUpInside);
  root->addSubview(plus_);
  ok_ = std::make_shared<IconButton>(ui::Rect{230, 198, 143, 34});
  ViewStyle::initializeToButtonHeight34(*ok_);
  ok_->setIconType(IconButtonTypeAddToOrder);
  ok_->addAction([this](ui::Control&, const ui::Event*) { addToOrderOKButtonClicked(); },
                 ui::ControlEventTouchUpInside);
  root->addSubview(ok_);
  loadAttributes();
  finishViewDidLoad();
}

void AddToOrderController::loadAttributes() {
  MV_ASSERT_MAIN_THREAD();
  attributes_ = AttributeText::shared(database_->getProductAttributeByProductId(product_.product_id));
  attributeList_->setAttributeAry(attributes_);
}

void AddToOrderController::updateLanguage(ui::ViewController& /*sender*/) {
  if (!isViewLoaded()) return;
  ok_->reloadText();
  loadAttributes();
}

void AddToOrderController::deleteCount() { countField_->setText(deleteCount(countField_->text())); }

void AddToOrderController::addCount() { countField_->setText(addCount(countField_->text())); }

void AddToOrderController::addToOrderOKButtonClicked() {
  const Check c = check(attributeList_->allChosen(), countField_->text());
  switch (c.verdict) {
    case Verdict::ChooseAttribute: {
      auto toast = std::make_shared<UIToast>();
      toast->show(text("CHOOSEATTRIBUTE"));
      return;
    }
    case Verdict::InvalidInput: {
      auto alert = std::make_shared<ui::AlertView>(text("INVALIDINPUT"), c.failureReason,
                                                   std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
      // The quantity is put right in its field: typing goes on there.
      alert->setReturnsFocusTo(countField_);
      alert->show();
      return;
    }
    case Verdict::TooLarge: {
      countField_->setText(std::to_string(kMaxCount));
      auto alert = std::make_shared<ui::AlertView>(text("QUANTITYTOOLARGE"), text("ORDEROVERMAX"),
                                                   std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
      alert->setReturnsFocusTo(countField_);
      alert->show();
      return;
    }
    case Verdict::Add:
      break;
  }
  auto delegate = delegate_.lock();
  if (!delegate) return;
  product_.attributes = attributeList_->attributes();
  product_.count = c.count;
  delegate->addProductToOrderWithProduct(product_, cellIndex_);
}

}  // namespace mv
