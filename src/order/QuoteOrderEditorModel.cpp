#include "order/QuoteOrderEditorModel.hpp"

#include <cmath>
#include <cstdio>

#include "order/QuoteOrderItemModel.hpp"
#include "util/Money.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace mv {

namespace {
constexpr const char* kStatusOK = "200";
constexpr const char* kStatusSessionExpired = "101";
}  // namespace

QuoteOrderEditorModel::Controls QuoteOrderEditorModel::controls(const Facts& f) {
  Controls c;
  c.fieldsEnabled = f.enable;
  c.saveEnabled = f.enable;
  c.pdfEnabled = f.hasLines;
  // A saved order can be submitted although nothing else takes input.
  c.submitEnabled = (f.customersOn && f.customerTextBlank) ? false : f.hasLines;
  c.discountEnabled = f.enable && f.couldModifyPrice && f.hasLines;
  if (!f.enable && !f.isInEdit && f.state == kSavedOrder) {
    // A signed order cannot be taken back into edit mode.
    c.saveTag = kEditTag;
    c.saveEnabled = !f.isSigned;
  }
  return c;
}

bool QuoteOrderEditorModel::linesReadOnly(int state, bool isInEdit, bool isSigned) {
  return state == kSubmittedOrder || !isInEdit || isSigned;
}

bool QuoteOrderEditorModel::canDeleteLines(int state, bool isSigned) { return state != kSubmittedOrder && !isSigned; }

bool QuoteOrderEditorModel::checkOrderIsEmpty(const QuoteOrderEntity& order) {
  return order.items.empty() && order.customerId == 0 && order.customerName.empty();
}

QuoteOrderEditorModel::Leave QuoteOrderEditorModel::leave(int state, const QuoteOrderEntity& order,
                                                          bool isOrderChanged) {
  if (state == kNewOrder && checkOrderIsEmpty(order)) return Leave::DropAndClose;
  if ((state == kNewOrder && order.hasItems()) || isOrderChanged) return Leave::AskToSave;
  return Leave::Close;
}

QuoteOrderEditorModel::SubmitOutcome QuoteOrderEditorModel::submitOutcome(const std::string& status, LoginType loginType) {
  if (status == kStatusOK) return SubmitOutcome::Submitted;
  if (status == kStatusSessionExpired || loginType == LoginType::None) return SubmitOutcome::RequireLogin;
  return SubmitOutcome::Failed;
}

void QuoteOrderEditorModel::applyDiscountRate(QuoteOrderEntity& order, double rate) {
  const double r = rate > 100 ? 100 : rate;
  // Kept in whole cents by the cents rule, so that what is stored, uploaded,
  // shown and printed is one amount.
  order.setDiscount(moneyPercent(order.total(), PublicFunction::absoluteDiscountRatFromShown(r)));
  order.discountRat = r;
}

void QuoteOrderEditorModel::applyDiscountTotal(QuoteOrderEntity& order, double discount) {
  const double total = order.total();
  // No more than the order is worth, as the rate and the line prices are capped.
  const double capped = discount > total ? total : discount;
  order.setDiscount(capped);
  if (total != 0) order.discountRat = PublicFunction::shownDiscountRatFromAbsolute(capped * 100 / total);
}

std::string QuoteOrderEditorModel::shownRateText(double rate) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.2f", std::round(rate * 100) / 100);
  return buf;
}

bool QuoteOrderEditorModel::saveOrderItem(QuoteOrderEntity& order, const marvisto_product_Entity& product,
                                          std::size_t index) {
  if (index >= order.items.size() || !order.items[index]) return true;
  for (std::size_t i = 0; i < order.items.size(); ++i) {
    const auto& other = order.items[i];
    if (i == index || !other) continue;
    if (other->attributes == product.attributes && other->sku == product.product_sku) {
      if (static_cast<long long>(other->quantity) + product.count > QuoteOrderItemModel::kMaxQuantity) return false;
      other->quantity += product.count;
      other->product.count = other->quantity;
      order.items.erase(order.items.begin() + static_cast<long>(index));
      order.resetDiscountAfterLineChange();
      return true;
    }
  }
  auto& line = *order.items[index];
  line.attributes = product.attributes;
  line.product.count = product.count;
  line.quantity = product.count;
  order.resetDiscountAfterLineChange();
  return true;
}

std::string QuoteOrderEditorModel::addressText(const QuoteOrderEntity& order, int language) {
  // Only the parts that are there, joined: no separator is left hanging
  // after the last of them or doubled where one is missing.
  std::string out;
  const char* separator = language == kLanguageChinese ? " " : ", ";
  auto part = [&](const std::string& value, const char* before) {
    if (isBlank(value)) return;
    if (!out.empty()) out += separator;
    out += before;
    out += trimUnicodeWhitespace(value);
  };
  if (language == kLanguageChinese) {
    part(order.state, "");
    part(order.city, "");
    part(order.customerAddress, "");
    part(order.zip_code, "邮编 ");
  } else {
    part(order.customerAddress, "");
    part(order.city, "");
    part(order.state, "");
    part(order.zip_code, "");
  }
  return out;
}

}  // namespace mv
