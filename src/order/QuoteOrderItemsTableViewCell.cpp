#include "order/QuoteOrderItemsTableViewCell.hpp"

#include "platform/base/MainThread.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/NumericInputValidator.hpp"
#include "widgets/PictureLoader.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

using Field = QuoteOrderItemModel::Field;

namespace {

constexpr double kFieldHeight = 30;
const ui::Rect kSubtotalFrame{900, 35, 110, 30};
// The discounted price field ends 10 points before the subtotal, the
// currency symbol right before it; a field that takes input stays so.
const ui::Rect kDiscountPriceFrame{kSubtotalFrame.x() - 10 - QuoteOrderItemModel::kPriceFieldWidth, 37,
                                   QuoteOrderItemModel::kPriceFieldWidth, kFieldHeight};
const ui::Rect kCurrencyFrame{kDiscountPriceFrame.x() - 40, 35, 40, 30};

}  // namespace

QuoteOrderItemsTableViewCell::QuoteOrderItemsTableViewCell()
    : ui::TableViewCell(ui::TableViewCellStyle::Default, kReuseIdentifier) {
  setSelectionStyle(ui::TableViewCellSelectionStyle::None);
  auto white = std::make_shared<ui::View>();
  white->setBackgroundColor(gfx::Color::white());
  setBackgroundView(white);

  imageButton_ = std::make_shared<ui::Button>(ui::Rect{5, 10, 156, 80});
  imageButton_->addAction(
      [this](ui::Control&, const ui::Event*) {
        if (auto d = delegate()) d->tapImage(tag());
      },
      ui::ControlEventTouchUpInside);
  // The picture sits in a holder of its own so that fitting it never touches
  // the button's own parts.
  pictureHolder_ = std::make_shared<ui::View>(imageButton_->bounds());
  pictureHolder_->setUserInteractionEnabled(false);
  imageButton_->addSubview(pictureHolder_);
  contentView().addSubview(imageButton_);

  auto label = [this](const ui::Rect& frame, double size) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setFont(gfx::Font::systemFont(size));
    l->setBackgroundColor(gfx::Color::clear());
    contentView().addSubview(l);
    return l;
  };
  nameLabel_ = label({161, 8, 140, 40}, 15);
  nameLabel_->setNumberOfLines(2);
  skuLabel_ = label({161, 52, 140, 40}, 14);
  skuLabel_->setNumberOfLines(2);
  skuLabel_->setTextColor(gfx::Color::darkGray());
  attributesLabel_ = label({315, 0, 150, 100}, 15);
  attributesLabel_->setNumberOfLines(0);
  priceLabel_ = label({548, 35, 110, 30}, 15);
  priceLabel_->setTextAlignment(gfx::TextAlignment::Right);
  priceLabel_->setTextColor(gfx::Color::rgb255(kListPriceRed, kListPriceGreen, kListPriceBlue));
  percentLabel_ = label({735, 35, 15, 30}, 15);
  percentLabel_->setText("%");
  currencyLabel_ = label(kCurrencyFrame, 15);
  currencyLabel_->setTextAlignment(gfx::TextAlignment::Right);
  subTotalLabel_ = label(kSubtotalFrame, 15);
  subTotalLabel_->setTextAlignment(gfx::TextAlignment::Right);
  // Large amounts are drawn smaller rather than cut, as the fields' are.
  for (auto* amount : {priceLabel_.get(), subTotalLabel_.get()}) {
    amount->setAdjustsFontSizeToFitWidth(true);
    amount->setMinimumFontSize(kMinimumFontSize);
  }

  quantityTextField_ = makeField({480, 37, 60, kFieldHeight}, gfx::TextAlignment::Center, Field::Quantity);
  txtDiscountRat_ = makeField({667, 37, 68, kFieldHeight}, gfx::TextAlignment::Right, Field::DiscountRat);
  txtDiscountPrice_ = makeField(kDiscountPriceFrame, gfx::TextAlignment::Right, Field::DiscountPrice);
}

QuoteOrderItemsTableViewCell::~QuoteOrderItemsTableViewCell() { pictureReading_.cancel(); }

std::shared_ptr<TZTextField> QuoteOrderItemsTableViewCell::makeField(const ui::Rect& frame,
                                                                     gfx::TextAlignment alignment, Field field) {
  auto f = std::make_shared<TZTextField>(frame);
  f->setFont(gfx::Font::systemFont(15));
  f->setAdjustsFontSizeToFitWidth(true);
  f->setMinimumFontSize(kMinimumFontSize);
  f->setTextAlignment(alignment);
  f->setBorderStyle(ui::TextBorderStyle::RoundedRect);
  f->setKeyboardType(ui::KeyboardType::NumberPad);
  f->setInputValidator(std::make_shared<NumericInputValidator>());
  f->addAction([this, field](ui::Control&, const ui::Event*) { fieldDidBegin(field); },
               ui::ControlEventEditingDidBegin);
  f->addAction([this, field](ui::Control&, const ui::Event*) { fieldDidEnd(field); }, ui::ControlEventEditingDidEnd);
  // With an action for it, the return key ends the editing.
  f->addAction([](ui::Control&, const ui::Event*) {}, ui::ControlEventEditingDidEndOnExit);
  contentView().addSubview(f);
  return f;
}

TZTextField& QuoteOrderItemsTableViewCell::fieldView(Field field) const {
  switch (field) {
    case Field::Quantity:
      return *quantityTextField_;
    case Field::DiscountRat:
      return *txtDiscountRat_;
    case Field::DiscountPrice:
      break;
  }
  return *txtDiscountPrice_;
}

void QuoteOrderItemsTableViewCell::setQuoteOrderItem(std::shared_ptr<QuoteOrderItemEntity> item, std::string thumbnail) {
  MV_ASSERT_MAIN_THREAD();
  model_.setItem(std::move(item));
  const auto& line = model_.item();
  nameLabel_->setText(line ? line->product.product_name : std::string());
  skuLabel_->setText(line ? line->sku : std::string());
  attributesLabel_->setText(line ? line->attributesShow() : std::string());
  loadPicture(std::move(thumbnail));
  refresh();
}

void QuoteOrderItemsTableViewCell::setReadOnly(bool readOnly) {
  model_.setReadOnly(readOnly);
  refresh();
}

void QuoteOrderItemsTableViewCell::setCouldModifyPrice(bool could) {
  model_.setCouldModifyPrice(could);
  refresh();
}

void QuoteOrderItemsTableViewCell::setIsNullPrice(bool nullPrice) {
  model_.setIsNullPrice(nullPrice);
  refresh();
}

void QuoteOrderItemsTableViewCell::prepareForReuse() {
  ui::TableViewCell::prepareForReuse();
  pictureReading_.cancel();
  ++pictureGeneration_;
  ViewStyle::ImageViewSetImg(*pictureHolder_, nullptr);
  txtDiscountPrice_->setFrame(kDiscountPriceFrame);
  currencyLabel_->setFrame(kCurrencyFrame);
}

void QuoteOrderItemsTableViewCell::refresh() {
  const auto& texts = model_.texts();
  quantityTextField_->setText(texts.quantity);
  txtDiscountRat_->setText(texts.discountRat);
  txtDiscountPrice_->setText(texts.discountPrice);
  priceLabel_->setText(model_.listPriceText());
  priceLabel_->setTextAlignment(model_.isNullPrice() ? gfx::TextAlignment::Center : gfx::TextAlignment::Right);
  currencyLabel_->setText(model_.currencyText());
  percentLabel_->setText(model_.percentText());
  subTotalLabel_->setText(model_.subtotalText());
  applyLook(*quantityTextField_, model_.quantityLook(), gfx::TextAlignment::Center);
  applyLook(*txtDiscountRat_, model_.priceLook(), gfx::TextAlignment::Right);
  applyLook(*txtDiscountPrice_, model_.priceLook(), gfx::TextAlignment::Right);
}

void QuoteOrderItemsTableViewCell::applyLook(TZTextField& field, const QuoteOrderItemModel::FieldLook& look,
                                             gfx::TextAlignment alignment) {
  field.setEnabled(look.enabled);
  field.setBorderStyle(look.bordered ? ui::TextBorderStyle::RoundedRect : ui::TextBorderStyle::None);
  field.setTextAlignment(look.centred ? gfx::TextAlignment::Center : alignment);
  ui::Rect frame = field.frame();
  frame.origin.y = look.y;
  field.setFrame(frame);
}

void QuoteOrderItemsTableViewCell::fieldDidBegin(Field field) {
  fieldView(field).setText(model_.beginEdit(field));
  if (auto d = delegate()) d->QuoteOrderItemCellBeginEdit(*this);
}

void QuoteOrderItemsTableViewCell::fieldDidEnd(Field field) {
  TZTextField& view = fieldView(field);
  // The field's own alert tells the user what was wrong with the text.
  const bool valid = view.validate();
  const auto result = model_.endEdit(field, view.text(), valid);
  if (result == QuoteOrderItemModel::EndResult::Restored) {
    view.setText(model_.text(field));
  } else {
    refresh();
    fitDiscountedPriceField();
    if (result == QuoteOrderItemModel::EndResult::QuantityCapped) {
      auto alert = std::make_shared<ui::AlertView>(mv::text("QUANTITYTOOLARGE"), mv::text("ORDEROVERMAX"),
                                                   std::weak_ptr<ui::AlertViewDelegate>(), mv::text("OK"));
      alert->show();
    }
  }
  if (auto d = delegate()) d->QuoteOrderItemCellChanged(*this);
}

bool QuoteOrderItemsTableViewCell::undoQuantityEdit() {
  if (!model_.undoQuantityEdit()) return false;
  refresh();
  fitDiscountedPriceField();
  return true;
}

void QuoteOrderItemsTableViewCell::fitDiscountedPriceField() {
  // The "-" of a line without a price stays centred where the row put it.
  if (model_.isNullPrice()) return;
  const double textWidth =
      gfx::sizeWithFont(txtDiscountPrice_->text(), txtDiscountPrice_->font(),
                        {QuoteOrderItemModel::kMaxPriceTextWidth, kFieldHeight}, gfx::LineBreakMode::Clip)
          .width;
  const double width = QuoteOrderItemModel::discountedPriceWidth(textWidth, model_.priceFieldsEditable());
  ui::Rect frame = txtDiscountPrice_->frame();
  frame.origin.x = kSubtotalFrame.x() - 10 - width;
  frame.size.width = width;
  txtDiscountPrice_->setFrame(frame);
  ui::Rect currency = currencyLabel_->frame();
  currency.origin.x = frame.x() - currency.width();
  currencyLabel_->setFrame(currency);
}

void QuoteOrderItemsTableViewCell::loadPicture(std::string thumb) {
  MV_ASSERT_MAIN_THREAD();
  pictureReading_.cancel();
  const std::uint64_t generation = ++pictureGeneration_;
  ViewStyle::ImageViewSetImg(*pictureHolder_, nullptr);
  if (!model_.item()) return;
  std::weak_ptr<ui::View> weak = weak_from_this();
  // Read at the size the line shows it, through the picture cache.
  const auto [width, height] = PictureLoader::pixelBox(pictureHolder_->bounds().size);
  pictureReading_ = base::WorkQueue::global().async<gfx::ImagePtr>(
      [thumb, width, height](const base::CancelFlag&) {
        return PublicFunction::getLocalPicture(thumb, kFileTypeProductImage, width, height);
      },
      [weak, generation](gfx::ImagePtr image) {
        auto view = weak.lock();
        auto* cell = static_cast<QuoteOrderItemsTableViewCell*>(view.get());
        if (!cell || generation != cell->pictureGeneration_) return;
        ViewStyle::ImageViewSetImg(*cell->pictureHolder_, image);
      });
}

}  // namespace mv
