#include "store/QuoteOrderItemEntity.hpp"

#include "store/AttributeText.hpp"
#include "util/Money.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

namespace {
std::string money(double amount, const std::string& currency) {
  return PublicFunction::flagWithCurrency(currency) + PublicFunction::doubleFormate(amount);
}
}  // namespace

double QuoteOrderItemEntity::subtotal() const { return moneyProduct(finalPrice, quantity); }

double QuoteOrderItemEntity::discontRat() const {
  if (price < 0) return -1;
  if (discontRat_ != 0) return discontRat_;
  if (price != 0) return finalPrice * 100 / price;
  return 0;
}

std::string QuoteOrderItemEntity::attributesShow() const {
  std::string out = attributes;
  for (char& c : out)
    if (c == ',') c = '\n';
  return out;
}

std::vector<product_attribute_cell_Entity> QuoteOrderItemEntity::attributesArray() const {
  return AttributeText::parse(attributes);
}

std::string QuoteOrderItemEntity::strPrice() const { return price < 0 ? "-" : money(price, currency); }

std::string QuoteOrderItemEntity::strFinalPrice() const {
  return price < 0 || finalPrice < 0 ? "-" : money(finalPrice, currency);
}

std::string QuoteOrderItemEntity::strSubtotal() const {
  double s = subtotal();
  return s < 0 ? "-" : money(s, currency);
}

}  // namespace mv
