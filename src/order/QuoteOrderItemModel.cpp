#include "order/QuoteOrderItemModel.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "util/Json.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

namespace {
constexpr const char* kNoPrice = "-";
}  // namespace

void QuoteOrderItemModel::setItem(std::shared_ptr<QuoteOrderItemEntity> item) {
  item_ = std::move(item);
  editingFieldOldValue_.clear();
  editingField_.reset();
  fillTexts();
}

void QuoteOrderItemModel::setIsNullPrice(bool nullPrice) {
  isNullPrice_ = nullPrice;
  fillTexts();
}

void QuoteOrderItemModel::fillTexts() {
  if (!item_) {
    texts_ = {};
    return;
  }
  texts_.quantity = PublicFunction::intFormate(item_->quantity);
  if (isNullPrice_) {
    texts_.discountRat = kNoPrice;
    texts_.discountPrice = kNoPrice;
  } else {
    texts_.discountRat = twoDecimals(item_->discontRat());
    texts_.discountPrice = PublicFunction::doubleFormate(item_->finalPrice);
  }
}

template <class T>
auto& QuoteOrderItemModel::textOf(T& texts, Field field) {
  switch (field) {
    case Field::Quantity:
      return texts.quantity;
    case Field::DiscountRat:
      return texts.discountRat;
    case Field::DiscountPrice:
      break;
  }
  return texts.discountPrice;
}

const std::string& QuoteOrderItemModel::text(Field field) const { return textOf(texts_, field); }

std::string& QuoteOrderItemModel::textRef(Field field) { return textOf(texts_, field); }

QuoteOrderItemModel::FieldLook QuoteOrderItemModel::quantityLook() const {
  if (readOnly_) return {false, false, 40, false};
  return {true, true, 38, false};
}

QuoteOrderItemModel::FieldLook QuoteOrderItemModel::priceLook() const {
  if (isNullPrice_) return {false, false, 40, true};
  if (priceFieldsEditable()) return {true, true, 38, false};
  return {false, false, 40, false};
}

std::string QuoteOrderItemModel::listPriceText() const {
  if (!item_ || isNullPrice_) return kNoPrice;
  return PublicFunction::flagWithCurrency(item_->currency) + PublicFunction::doubleFormate(item_->price);
}

std::string QuoteOrderItemModel::currencyText() const {
  if (!item_ || isNullPrice_) return {};
  return PublicFunction::flagWithCurrency(item_->currency);
}

std::string QuoteOrderItemModel::percentText() const { return isNullPrice_ ? std::string() : std::string("%"); }

std::string QuoteOrderItemModel::subtotalText() const {
  // A line without a price has no amount to show, as everywhere else.
  if (!item_ || isNullPrice_) return kNoPrice;
  return PublicFunction::flagWithCurrency(item_->currency) + PublicFunction::doubleFormate(item_->subtotal());
}

std::string QuoteOrderItemModel::beginEdit(Field field) {
  std::string& shown = textRef(field);
  editingFieldOldValue_ = shown;
  editingField_ = field;
  if (!shown.empty()) shown = ungrouped(shown);
  return shown;
}

QuoteOrderItemModel::EndResult QuoteOrderItemModel::endEdit(Field field, const std::string& text, bool valid) {
  // The rate and price of a line without a price take no input; should one
  // arrive all the same, it changes nothing.
  const bool priceField = field != Field::Quantity;
  if (!valid || !item_ || (priceField && isNullPrice_)) {
    textRef(field) = editingFieldOldValue_;
    return EndResult::Restored;
  }
  EndResult result = EndResult::Applied;
  const double listPrice = item_->price;
  switch (field) {
    case Field::Quantity: {
      int quantity = intValue(ungrouped(text));
      if (quantity > kMaxQuantity) {
        quantity = kMaxQuantity;
        result = EndResult::QuantityCapped;
      }
      texts_.quantity = PublicFunction::intFormate(quantity);
      break;
    }
    case Field::DiscountRat: {
      // The rate is kept in single precision, as it is entered.
      float rate = static_cast<float>(doubleValue(ungrouped(text)));
      rate = std::min(rate, 100.0f);
      texts_.discountPrice = twoDecimals(static_cast<double>(rate) * listPrice / 100);
      texts_.discountRat = PublicFunction::doubleFormate(rate);
      break;
    }
    case Field::DiscountPrice: {
      double price = doubleValue(ungrouped(text));
      if (price >= listPrice) price = listPrice;
      const float rate = listPrice == 0 ? 100.0f : std::round(static_cast<float>(price * 100 / listPrice));
      texts_.discountRat = twoDecimals(rate);
      texts_.discountPrice = PublicFunction::doubleFormate(price);
      break;
    }
  }
  writeBack();
  return result;
}

bool QuoteOrderItemModel::undoQuantityEdit() {
  if (!item_ || editingField_ != Field::Quantity || editingFieldOldValue_.empty()) return false;
  // The old text is the grouped one the row showed ("1,200").
  texts_.quantity = PublicFunction::intFormate(intValue(ungrouped(editingFieldOldValue_)));
  writeBack();
  editingField_.reset();
  editingFieldOldValue_.clear();
  return true;
}

void QuoteOrderItemModel::writeBack() {
  item_->quantity = intValue(ungrouped(texts_.quantity));
  // The "-" of a line without a price is no rate and no price: only the
  // quantity goes back, and the line keeps showing "-".
  if (isNullPrice_ || item_->price < 0) return;
  item_->setDiscontRat(doubleValue(ungrouped(texts_.discountRat)));
  // Through its text the price is kept in whole cents.
  item_->finalPrice = doubleValue(ungrouped(texts_.discountPrice));
  item_->setSubtotal(item_->subtotal());
}

double QuoteOrderItemModel::discountedPriceWidth(double textWidth, bool editable) {
  return editable ? kPriceFieldWidth : std::min(textWidth, kMaxPriceTextWidth);
}

int QuoteOrderItemModel::intValue(const std::string& text) {
  const std::int64_t value = textIntValue(text);
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max()));
}

double QuoteOrderItemModel::doubleValue(const std::string& text) { return textDoubleValue(text); }

std::string QuoteOrderItemModel::ungrouped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ',') out += c;
  }
  return out;
}

std::string QuoteOrderItemModel::twoDecimals(double value) {
  char buf[400];  // room for the largest double
  std::snprintf(buf, sizeof buf, "%.2f", value);
  return buf;
}

}  // namespace mv
