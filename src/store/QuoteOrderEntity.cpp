#include "store/QuoteOrderEntity.hpp"

#include <algorithm>

#include "platform/base/Date.hpp"
#include "store/OrderModel.hpp"
#include "util/Money.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace mv {

namespace {
std::string money(double amount, const std::string& currency) {
  if (amount < 0) return "-";
  return PublicFunction::flagWithCurrency(currency) + PublicFunction::doubleFormate(amount);
}
}  // namespace

std::string QuoteOrderEntity::currentTimeText() {
  return PublicFunction::stringFromDate(base::Date::now(), kLocalTimeFormat);
}

std::string QuoteOrderEntity::orderNumberAt(const std::string& acountID, double secondsSince1970) {
  return acountID + "_" + PublicFunction::stringFromDate(secondsSince1970, kOrderNumberFormat);
}

QuoteOrderEntity::QuoteOrderEntity(Blank) {}

QuoteOrderEntity::QuoteOrderEntity(const Session& session) {
  double now = base::Date::now();
  isInEdit = false;
  unsaved = true;
  discount_ = -1.0;
  discountRat = 100;
  number = orderNumberAt(session.acountID, now);
  ipAddress = session.deviceID;
  uploaded_ = false;
  cdate = mdate = PublicFunction::stringFromDate(now, kLocalTimeFormat);
}

std::string QuoteOrderEntity::customerNote() const { return isBlank(customerNote_) ? std::string() : customerNote_; }

double QuoteOrderEntity::discount() const {
  return discount_ == -1.0 ? moneyPercent(total(), discountRat) : discount_;
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderEntity::duplicateOrder(const Session& session) const {
  auto copy = std::make_shared<QuoteOrderEntity>(session);
  copy->customerId = customerId;
  copy->customerName = customerName;
  copy->customerInfoId = customerInfoId;
  copy->customerAddress = customerAddress;
  copy->city = city;
  copy->state = state;
  copy->zip_code = zip_code;
  copy->phoneNumber = phoneNumber;
  copy->bankAccount = bankAccount;
  copy->currency = currency;
  copy->discount_ = discount_;
  copy->discountRat = discountRat;
  copy->status = status;
  copy->customerNote_ = customerNote_;
  for (const auto& line : items) {
    if (!line) continue;
    auto item = std::make_shared<QuoteOrderItemEntity>();
    item->product = line->product;
    item->quantity = line->quantity;
    item->sku = line->sku;
    item->name = line->name;
    item->attributes = line->attributes;
    item->price = line->price;
    item->finalPrice = line->finalPrice;
    item->setSubtotal(line->subtotal());
    item->currency = line->currency;
    item->cdate = item->mdate = copy->cdate;
    copy->items.push_back(std::move(item));
  }
  return copy;
}

void QuoteOrderEntity::resetDiscountAfterLineChange() {
  discount_ = -1.0;
  // Only an order worth nothing goes back to full price; a rate the user
  // chose (0 included) stays while there is a total to apply it to.
  if (total() == 0) discountRat = 100;
}

int QuoteOrderEntity::newItemIndex() const {
  int highest = 0;
  for (const auto& line : items)
    if (line && line->serial > highest) highest = line->serial;
  return highest + 1;
}

// Line amounts are in cents, so their sum is too once the binary noise of
// adding them is rounded away.
double QuoteOrderEntity::total() const {
  double sum = 0;
  for (const auto& line : items)
    if (line && line->finalPrice >= 0) sum += line->subtotal();
  return moneyRounded(sum);
}

double QuoteOrderEntity::originalTotal() const {
  double sum = 0;
  for (const auto& line : items)
    if (line && line->price >= 0) sum += moneyProduct(line->price, line->quantity);
  return moneyRounded(sum);
}

std::string QuoteOrderEntity::mdateShow(const std::string& shortDateFormat) const {
  // Orders paged down from the service may carry its own time form.
  auto sortable = OrderModel::sortableTime(mdate);
  auto when = sortable ? PublicFunction::dateFromString(*sortable, kServerTimeFormat) : std::nullopt;
  if (!when) return std::string();
  return PublicFunction::stringFromDate(*when, "HH:mm") + " " + PublicFunction::stringFromDate(*when, shortDateFormat);
}

std::string QuoteOrderEntity::strOriginalTotal() const { return money(originalTotal(), currency); }

std::string QuoteOrderEntity::strTotal() const { return money(total(), currency); }

std::string QuoteOrderEntity::strDiscount() const { return money(discount(), currency); }

}  // namespace mv
