#include "store/Entities.hpp"

#include "util/PublicFunction.hpp"

namespace mv {

namespace {
std::string moneyText(double amount, const std::string& currency) {
  if (amount < 0) return "";
  return PublicFunction::flagWithCurrency(currency) + PublicFunction::doubleFormate(amount);
}
}  // namespace

bool marvisto_product_price_Entity::discountActiveAt(double now) const {
  if (price < 0 || !discount_start_date || !discount_end_date) return false;
  return *discount_start_date <= now && now <= *discount_end_date;
}

std::string marvisto_product_price_Entity::strPrice() const { return moneyText(price, currency); }

std::string marvisto_product_price_Entity::strDiscountPrice() const { return moneyText(discount_price, currency); }

std::string marvisto_library_files_Entity::infoShow() const {
  auto comma = info.find(',');
  return comma == std::string::npos ? info : info.substr(0, comma);
}

std::string marvisto_library_files_Entity::duration() const {
  auto comma = info.find(',');
  if (comma == std::string::npos) return "";
  std::string rest = info.substr(comma + 1);
  return rest.size() > 1 ? rest : "";
}

void marvisto_customer_group_Entity::addAttributeVaue(const std::optional<std::string>& value,
                                                      const std::string& key) {
  customer_attribute_cell_Entity cell;
  cell.fieldName = key;
  cell.attributeValue = value.value_or("");
  customerAttributes.push_back(std::move(cell));
}

}  // namespace mv
