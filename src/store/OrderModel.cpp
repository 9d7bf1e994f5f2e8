#include "store/OrderModel.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <ranges>
#include <variant>

#include "platform/base/Log.hpp"
#include "store/RowReaders.hpp"
#include "store/SQLiteTransaction.hpp"
#include "store/Schema.hpp"
#include "util/Session.hpp"
#include "util/Json.hpp"
#include "util/Money.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace mv {

namespace {

const char* const kOrders = "marvisto_quote_order";
const char* const kLines = "marvisto_quote_order_item";

using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;

void bindValue(SQLiteStatement& st, int index, const SqlValue& v) {
  if (std::holds_alternative<std::int64_t>(v))
    st.bind(index, std::get<std::int64_t>(v));
  else if (std::holds_alternative<double>(v))
    st.bind(index, std::get<double>(v));
  else if (std::holds_alternative<std::string>(v))
    st.bind(index, std::get<std::string>(v));
  else
    st.bindNull(index);
}

// A JSON member as the column's type wants it; wrong kinds count as absent.
SqlValue valueForColumn(const Schema::Column& c, const base::Value& v) {
  if (c.decl.rfind("INTEGER", 0) == 0) return intValue(v);
  if (c.decl.rfind("REAL", 0) == 0) return doubleValue(v);
  auto s = optionalString(v);
  if (!s) return std::monostate{};
  return *s;
}

// INSERT OR REPLACE of the named columns; names come from the schema.
bool insertRow(SQLiteDatabase& db, const std::string& table, const std::vector<std::pair<std::string, SqlValue>>& cols) {
  std::string names, marks;
  for (const auto& name : cols | std::views::keys) {
    names += (names.empty() ? "" : ", ") + Schema::quote(name);
    marks += marks.empty() ? "?" : ", ?";
  }
  SQLiteStatement st = db.prepare("INSERT OR REPLACE INTO " + Schema::quote(table) + " (" + names + ") VALUES (" +
                                  marks + ")");
  if (!st) return false;
  int i = 1;
  for (const auto& value : cols | std::views::values) {
    bindValue(st, i++, value);
  }
  return st.run();
}

// A stored row as JSON: numbers as numbers, texts as texts ("" for NULL).
base::Value rowValue(const SQLiteStatement& r, const Schema::Table& t) {
  base::Value v = base::Value::object();
  for (const auto& c : t.columns) {
    if (c.name == "cdate_sort") continue;
    if (c.decl.rfind("INTEGER", 0) == 0)
      v[c.name] = r.int64(c.name);
    else if (c.decl.rfind("REAL", 0) == 0)
      v[c.name] = r.real(c.name);
    else
      v[c.name] = r.text(c.name);
  }
  return v;
}

// The member of a record that fills column `c`.
const base::Value* columnMember(const base::Value& row, const Schema::Column& c) {
  const base::Value* v = member(row, c.name);
  if (!v && c.name == "discount_rat") v = member(row, "discount_rats");
  return v;
}

// The lines a backup carries inside its order.
const base::Value* backupLines(const base::Value& order) {
  const base::Value* items = member(order, "order_item");
  if (!items) return nullptr;
  if (items->is_object()) return arrayMember(*items, "order_items");
  return items->is_array() ? items : nullptr;
}

// A line's quantity as the editor takes it: a whole number written as one,
// from 1 to the cap. A text is no quantity ("1e9" would be read as 1), nor is
// 2^63 - 1 (it would read back as -1).
bool plausibleQuantity(const base::Value& v) {
  std::int64_t quantity = 0;
  if (v.is_number_integer()) {
    quantity = intValue(v);
  } else if (v.is_number_float()) {
    const double d = v.get<double>();
    if (!(d >= 1 && d <= QuoteOrderItemEntity::kMaxQuantity) || d != std::floor(d)) return false;
    quantity = static_cast<std::int64_t>(d);
  } else {
    return false;
  }
  return quantity >= 1 && quantity <= QuoteOrderItemEntity::kMaxQuantity;
}

// Values the editor could have made: amounts whose whole cents a double holds
// and that are not below zero, rates from 0 to 100 %, and a plausible
// quantity on a line. Below zero are only an order's discount of -1 (none
// fixed) and the amounts and rate of a line without a price (its price is
// below zero, and so its subtotal and rate).
bool plausibleRecord(const base::Value& row, const Schema::Table& t) {
  const bool line = t.name == kLines;
  const base::Value* price = member(row, "product_item_price");
  const bool noPrice = line && price && doubleValue(*price) < 0;
  for (const auto& c : t.columns) {
    const base::Value* v = columnMember(row, c);
    if (line && c.name == "product_quantity") {
      if (!v || !plausibleQuantity(*v)) return false;
      continue;
    }
    if (!v) continue;
    const bool integer = c.decl.rfind("INTEGER", 0) == 0;
    if (!integer && c.decl.rfind("REAL", 0) != 0) continue;
    // Text where a number belongs ("NaN", "inf", an object, a list) would be
    // stored as 0: a price of nothing, a rate of a full discount, customer 0.
    // A flag may come as true or false.
    if (integer && v->is_boolean()) continue;
    const auto number = exactNumber(*v);
    if (!number || (integer && *number != std::trunc(*number))) return false;
    if (integer) continue;
    const double amount = *number;
    if (!moneyInRange(amount)) return false;
    if (amount > 100 && c.name == "discount_rat") return false;
    if (amount >= 0 || noPrice) continue;
    if (!(c.name == "order_discount" && amount == -1)) return false;
  }
  return true;
}

// An order with its lines, all plausible.
bool plausibleOrder(const base::Value& order) {
  const base::Value* lines = backupLines(order);
  return plausibleRecord(order, *Schema::table(kOrders)) &&
         (!lines || std::ranges::all_of(*lines, [](const base::Value& line) {
           return plausibleRecord(line, *Schema::table(kLines));
         }));
}

// Orders of the representative's own work: a backup holds them, a restore
// replaces them.
const char* const kUnsubmitted = "(order_id < 0 OR uploaded = 0)";

// An id of a document as the order records can hold it: an int whose
// negative is one too, since local ids are the negatives of the ids in use.
// Anything else counts as no id.
std::optional<int> idInRange(std::int64_t id) {
  if (id == 0 || id > std::numeric_limits<int>::max() || id < -std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(id);
}

bool digitsAt(const std::string& s, size_t from, size_t count) {
  if (from + count > s.size()) return false;
  for (size_t i = from; i < from + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

}  // namespace

std::optional<std::string> OrderModel::sortableTime(const std::string& time) {
  std::string t = trimWhitespaceAndNewlines(time);
  auto timePart = [&](size_t at) -> std::optional<std::string> {
    // " HH:mm" or " HH:mm:ss"
    if (t.size() == at + 6 && t[at] == ' ' && digitsAt(t, at + 1, 2) && t[at + 3] == ':' && digitsAt(t, at + 4, 2))
      return t.substr(at) + ":00";
    if (t.size() == at + 9 && t[at] == ' ' && digitsAt(t, at + 1, 2) && t[at + 3] == ':' && digitsAt(t, at + 4, 2) &&
        t[at + 6] == ':' && digitsAt(t, at + 7, 2))
      return t.substr(at);
    if (t.size() == at) return std::string(" 00:00:00");
    return std::nullopt;
  };
  // MM/dd/yyyy
  if (digitsAt(t, 0, 2) && t.size() >= 10 && t[2] == '/' && digitsAt(t, 3, 2) && t[5] == '/' && digitsAt(t, 6, 4)) {
    auto rest = timePart(10);
    if (!rest) return std::nullopt;
    return t.substr(6, 4) + "-" + t.substr(0, 2) + "-" + t.substr(3, 2) + *rest;
  }
  // yyyy-MM-dd
  if (digitsAt(t, 0, 4) && t.size() >= 10 && t[4] == '-' && digitsAt(t, 5, 2) && t[7] == '-' && digitsAt(t, 8, 2)) {
    auto rest = timePart(10);
    if (!rest) return std::nullopt;
    return t.substr(0, 10) + *rest;
  }
  return std::nullopt;
}

bool OrderModel::updateVersion() {
  if (!Schema::upgradeGroup(db(), "order")) return false;
  // Rows from before the sortable column: derive it from the shown text.
  bool ok = exec(
      "UPDATE marvisto_quote_order SET cdate_sort = substr(cdate, 7, 4) || '-' || substr(cdate, 1, 2) || '-' || "
      "substr(cdate, 4, 2) || substr(cdate, 11) WHERE cdate_sort IS NULL AND cdate GLOB "
      "'[0-9][0-9]/[0-9][0-9]/[0-9][0-9][0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'");
  ok = exec("UPDATE marvisto_quote_order SET cdate_sort = cdate WHERE cdate_sort IS NULL AND cdate GLOB "
            "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'") &&
       ok;
  return ok;
}

int OrderModel::nextLocalId(const char* highestIdSql) {
  std::optional<std::int64_t> highest;
  if (!query(highestIdSql, [&](const SQLiteStatement& r) { highest = r.optInt64At(0); })) return 0;
  const std::int64_t used = highest.value_or(0);
  if (used < 0 || used >= std::numeric_limits<int>::max()) {
    MV_LOG("No local id is left above ", used);
    return 0;
  }
  return -static_cast<int>(used + 1);
}

int OrderModel::nextOrderId() { return nextLocalId("SELECT MAX(ABS(order_id)) FROM marvisto_quote_order"); }

int OrderModel::nextLineId() { return nextLocalId("SELECT MAX(ABS(order_item_id)) FROM marvisto_quote_order_item"); }

std::optional<std::string> OrderModel::uniqueOrderNumber(const std::string& number, int orderId) {
  // Two orders made within one second would share "<account>_yyMMddHHmmss";
  // the later one moves on by a second until its number is free.
  std::string candidate = number;
  for (int i = 0; i < 1000; ++i) {
    auto taken = exists("SELECT 1 FROM marvisto_quote_order WHERE order_number = ? AND order_id != ? LIMIT 1",
                        candidate, orderId);
    if (!taken) return std::nullopt;
    if (!*taken) return candidate;
    auto underscore = candidate.rfind('_');
    if (underscore == std::string::npos) return number;
    std::string stamp = candidate.substr(underscore + 1);
    auto when = PublicFunction::dateFromString(stamp, kOrderNumberFormat);
    if (!when) return number;
    candidate = candidate.substr(0, underscore + 1) + PublicFunction::stringFromDate(*when + 1, kOrderNumberFormat);
  }
  return number;
}

int OrderModel::saveQuoteOrder(QuoteOrderEntity& order) {
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return 0;
  const int orderId = order.serial != 0 ? order.serial : nextOrderId();
  if (orderId == 0) return 0;
  const auto number = order.serial == 0 ? uniqueOrderNumber(order.number, orderId) : order.number;
  if (!number) return 0;
  const int vendorId = order.vendorId != 0 ? order.vendorId : static_cast<int>(Session::current().vendorId);

  SQLiteStatement put = db().prepare(
      "INSERT OR REPLACE INTO marvisto_quote_order (order_id, customer_id, customer_info_id, customer_name, "
      "vendor_id, order_number, order_total, order_subtotal, order_tax, order_tax_details, order_shipping, "
      "order_shipping_tax, coupon_discount, coupon_code, order_discount, order_currency, order_status, cdate, mdate, "
      "ship_method, customer_note, ip_address, uploaded, discount_rat, signature, address, city, state, zip_code, "
      "phone, bankAccount, cdate_sort) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
      "?, ?, ?, ?, ?, ?, ?, ?, ?)");
  if (!put) return 0;
  put.bindAll(orderId, order.customerId, order.customerInfoId, order.customerName, vendorId, *number, order.total(),
              order.originalTotal(), order.orderTax, order.orderTaxDetails, order.orderShipping,
              order.orderShippingTax, order.couponDiscount, order.couponCode, order.discount(), order.currency,
              order.status, order.cdate, order.mdate, order.shipMethod, order.customerNote(), order.ipAddress,
              order.isUploaded(), order.discountRat, order.signature, order.customerAddress, order.city, order.state,
              order.zip_code, order.phoneNumber, order.bankAccount, sortableTime(order.cdate));
  if (!put.run()) return 0;

  SQLiteStatement putLine = db().prepare(
      "INSERT OR REPLACE INTO marvisto_quote_order_item (order_item_id, order_id, customer_info_id, vendor_id, "
      "product_id, order_item_sku, order_item_name, product_quantity, product_item_price, product_final_price, "
      "order_item_currency, order_item_subtotal, order_status, cdate, mdate, product_attribute, discount_rat) "
      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
  if (!putLine) return 0;
  std::vector<std::pair<std::shared_ptr<QuoteOrderItemEntity>, int>> savedLines;
  for (const auto& line : order.items) {
    if (!line) continue;
    // Every line belongs to the order it is saved with.
    int lineId = line->serial != 0 ? line->serial : nextLineId();
    if (lineId == 0) return 0;
    putLine.reset();
    putLine.bindAll(lineId, orderId, line->customerInfoId.empty() ? order.customerInfoId : line->customerInfoId,
                    line->vendorId != 0 ? line->vendorId : vendorId, line->product.product_id, line->sku, line->name,
                    line->quantity, line->price, line->finalPrice, line->currency, line->subtotal(), line->status,
                    line->cdate, line->mdate, line->attributes, line->storedDiscontRat());
    if (!putLine.run()) return 0;
    savedLines.emplace_back(line, lineId);
  }
  // The order takes its ids, number and saved mark only once they are stored
  // for good. Should a transaction around this save fail later, the order
  // stays as it was: a kept id could meanwhile go to another order, which a
  // second save of this one would then replace.
  db().afterCommit([&order, orderId, number = *number, lines = std::move(savedLines)] {
    order.serial = orderId;
    order.number = number;
    order.unsaved = false;
    for (const auto& [line, lineId] : lines) {
      line->serial = lineId;
      line->orderID = orderId;
    }
  });
  if (!tx->commit()) return 0;
  return orderId;
}

int OrderModel::replaceQuoteOrder(QuoteOrderEntity& order) {
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return 0;
  if (order.serial != 0 && !removeQuoteOrderItemsByQuoteOrderID(order.serial)) return 0;
  const int id = saveQuoteOrder(order);
  if (id == 0) return 0;
  return tx->commit() ? id : 0;
}

bool OrderModel::removeQuoteOrder(int orderId) {
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return false;
  if (!exec("DELETE FROM marvisto_quote_order WHERE order_id = ?", orderId)) return false;
  if (!exec("DELETE FROM marvisto_quote_order_item WHERE order_id = ?", orderId)) return false;
  return tx->commit();
}

bool OrderModel::removeQuoteOrderItemsByQuoteOrderID(int orderId) {
  return exec("DELETE FROM marvisto_quote_order_item WHERE order_id = ?", orderId);
}

std::vector<std::shared_ptr<QuoteOrderItemEntity>> OrderModel::fetchQuoteOrderItemsWithQuoteOrder(int orderId) {
  return shownAsEmpty(readLines(orderId));
}

std::optional<std::vector<std::shared_ptr<QuoteOrderItemEntity>>> OrderModel::readLines(int orderId) {
  auto lines = readRows(
      "SELECT * FROM marvisto_quote_order_item WHERE order_id = ? ORDER BY rowid",
      [](const SQLiteStatement& r) { return std::make_shared<QuoteOrderItemEntity>(rows::orderItem(r)); }, orderId);
  if (!lines) return std::nullopt;
  for (auto& line : *lines) {
    auto product =
        readFirst("SELECT * FROM marvisto_product WHERE product_id = ?", rows::product, line->product.product_id);
    if (!product) return std::nullopt;
    if (*product) {
      line->product = std::move(**product);
    } else {
      // The product left the catalogue: the line still knows what it was.
      line->product.product_sku = line->sku;
      line->product.product_name = line->name;
    }
  }
  return lines;
}

std::vector<std::shared_ptr<QuoteOrderEntity>> OrderModel::fetchQuoteOrders(int condition,
                                                                           const std::string& searchText) {
  std::string sql = "SELECT * FROM marvisto_quote_order";
  if (condition == kUploadedOrders) sql += " WHERE uploaded = 1";
  if (condition == kUnsubmittedOrders) sql += " WHERE uploaded = 0";
  sql += " ORDER BY cdate_sort DESC, rowid DESC";
  const bool search = !isBlank(searchText);
  std::vector<std::shared_ptr<QuoteOrderEntity>> out;
  const bool ok = query(sql, [&](const SQLiteStatement& r) {
    auto order = std::make_shared<QuoteOrderEntity>(rows::order(r));
    if (search && !containsIgnoringCase(order->customerName, searchText) &&
        !containsIgnoringCase(order->number, searchText))
      return;
    out.push_back(std::move(order));
  });
  if (!ok) return {};
  // An order shown without the lines it has could be saved without them:
  // the list is all or nothing.
  for (auto& order : out) {
    auto lines = readLines(order->serial);
    if (!lines) return {};
    order->items = std::move(*lines);
  }
  return out;
}

std::string OrderModel::uploadFilter(int orderId, bool customersShown) {
  // An order without lines is not submitted, alone or with the others.
  std::string where = orderId == 0 ? "uploaded = 0" : "uploaded = 0 AND order_id = ?";
  where += " AND EXISTS (SELECT 1 FROM marvisto_quote_order_item i WHERE i.order_id = marvisto_quote_order.order_id)";
  if (customersShown)
    where += " AND TRIM(customer_name, ' ' || char(9) || char(10) || char(11) || char(12) || char(13)) != ''";
  return where;
}

std::string OrderModel::fetchQuoteOrdersDicString(int orderId, bool customersShown) {
  const Schema::Table& t = *Schema::table(kOrders);
  base::Value orders = base::Value::array();
  bool linesRead = true;
  auto onRow = [&](const SQLiteStatement& r) {
    base::Value o = rowValue(r, t);
    auto lines = lineValues(r.integer("order_id"), false);
    if (!lines) linesRead = false;
    o["order_item"] = lines ? std::move(*lines) : base::Value();
    orders.push_back(std::move(o));
  };
  std::string sql = "SELECT * FROM marvisto_quote_order WHERE " + uploadFilter(orderId, customersShown) + " ORDER BY rowid";
  // An order sent without the lines it holds would count as submitted once
  // the service took it: a failed read sends no order at all.
  const bool ok = orderId == 0 ? query(sql, onRow) : query(sql, onRow, orderId);
  if (!ok || !linesRead) orders = base::Value::array();
  base::Value doc = base::Value::object();
  doc["order"] = std::move(orders);
  return doc.dump(-1, ' ', false, base::Value::error_handler_t::replace);
}

std::optional<base::Value> OrderModel::lineValues(int orderId, bool backupForm) {
  const Schema::Table& t = *Schema::table(kLines);
  base::Value lines = base::Value::array();
  const bool ok = query(
      "SELECT * FROM marvisto_quote_order_item WHERE order_id = ? ORDER BY rowid",
      [&](const SQLiteStatement& r) {
        if (!backupForm) {
          lines.push_back(rowValue(r, t));
          return;
        }
        base::Value l = base::Value::object();
        l["order_item_id"] = r.int64("order_item_id");
        l["order_id"] = r.int64("order_id");
        l["customer_info_id"] = r.text("customer_info_id");
        l["vendor_id"] = r.int64("vendor_id");
        l["product_id"] = r.int64("product_id");
        l["order_item_sku"] = r.text("order_item_sku");
        l["order_item_name"] = r.text("order_item_name");
        l["product_quantity"] = r.int64("product_quantity");
        l["product_item_price"] = r.real("product_item_price");
        l["product_final_price"] = r.real("product_final_price");
        l["order_item_currency"] = r.text("order_item_currency");
        l["order_item_subtotal"] = r.real("order_item_subtotal");
        l["order_status"] = r.int64("order_status");
        l["cdate"] = r.text("cdate");
        l["mdate"] = r.text("mdate");
        l["product_attribute"] = r.text("product_attribute");
        l["discount_rat"] = r.real("discount_rat");
        lines.push_back(std::move(l));
      },
      orderId);
  if (!ok) return std::nullopt;
  base::Value wrapper = base::Value::object();
  wrapper["order_items"] = std::move(lines);
  return wrapper;
}

bool OrderModel::setQuoteOrdersToUploaded(int orderId, bool customersShown) {
  std::string sql = "UPDATE marvisto_quote_order SET uploaded = 1 WHERE " + uploadFilter(orderId, customersShown);
  return orderId == 0 ? exec(sql) : exec(sql, orderId);
}

bool OrderModel::setQuoteOrdersUploadedWithOrderNumber(const std::string& orderNumber) {
  if (orderNumber.empty()) return false;
  return exec("UPDATE marvisto_quote_order SET uploaded = 1 WHERE order_number = ?", orderNumber);
}

bool OrderModel::setQuoteOrdersUploadedWithOrderNumbers(const std::vector<std::string>& orderNumbers) {
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return false;
  for (const auto& number : orderNumbers)
    if (!number.empty() && !setQuoteOrdersUploadedWithOrderNumber(number)) return false;
  return tx->commit();
}

bool OrderModel::updateOrderIDWithOrderNumber(const std::string& orderNumber, int newOrderId) {
  // A number can repeat; the device's own order is the one being renamed.
  auto oldId = scalarInt(
                   "SELECT order_id FROM marvisto_quote_order WHERE order_number = ? ORDER BY order_id < 0 DESC, "
                   "rowid DESC LIMIT 1",
                   orderNumber)
                   .value_or(std::nullopt);
  if (!oldId || *oldId == 0) return false;
  if (*oldId == newOrderId) return true;
  const auto holder =
      scalarText("SELECT IFNULL(order_number, '') FROM marvisto_quote_order WHERE order_id = ?", newOrderId);
  if (!holder) return false;
  if (*holder && **holder != orderNumber) {
    // A service that hands an id out again (one that lost its own records)
    // must not make another order vanish: this one keeps its local id.
    MV_LOG("Order ", orderNumber, " keeps its id ", *oldId, ": the service's id ", newOrderId,
           " belongs to order ", **holder);
    return false;
  }
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return false;
  // An earlier copy of the same order stored under the service's id (a
  // history page) gives way, lines included, so that no lines mix.
  if (!exec("DELETE FROM marvisto_quote_order_item WHERE order_id = ?", newOrderId)) return false;
  if (!exec("DELETE FROM marvisto_quote_order WHERE order_id = ?", newOrderId)) return false;
  if (!exec("UPDATE marvisto_quote_order SET order_id = ? WHERE order_id = ?", newOrderId, *oldId)) return false;
  if (!exec("UPDATE marvisto_quote_order_item SET order_id = ? WHERE order_id = ?", newOrderId, *oldId)) return false;
  return tx->commit();
}

bool OrderModel::updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) {
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return false;
  for (const auto& c : customers)
    if (!exec("UPDATE marvisto_quote_order SET customer_id = ? WHERE customer_id = ?", c.customer_id, c.pid))
      return false;
  return tx->commit();
}

namespace {
// Orders of the account: the number begins with the account id and "_";
// compared as text, since "_" and "%" would be wildcards to LIKE.
const char* const kSubmittedOfAccount =
    "uploaded = 1 AND substr(order_number, 1, length(?1) + 1) = ?1 || '_'";
}  // namespace

int OrderModel::numberOfAllSubmittedOrder() {
  std::string account = Session::current().acountID;
  if (account.empty()) return 0;
  // The history's paging only: a failed read counts none.
  return static_cast<int>(
      scalarInt(std::string("SELECT COUNT(*) FROM marvisto_quote_order WHERE ") + kSubmittedOfAccount, account)
          .value_or(std::nullopt)
          .value_or(0));
}

std::optional<std::string> OrderModel::retriveEarliestSubmittedOrderTime() {
  std::string account = Session::current().acountID;
  if (account.empty()) return std::nullopt;
  return scalarText(std::string("SELECT cdate FROM marvisto_quote_order WHERE ") + kSubmittedOfAccount +
                        " AND cdate_sort IS NOT NULL ORDER BY cdate_sort ASC LIMIT 1",
                    account)
      .value_or(std::nullopt);
}

double OrderModel::timeDurationOfAllSubmittedOrder() {
  std::string account = Session::current().acountID;
  if (account.empty()) return 0;
  std::optional<std::string> first, last;
  const bool ok =
      query(std::string("SELECT MIN(cdate_sort), MAX(cdate_sort) FROM marvisto_quote_order WHERE ") +
                kSubmittedOfAccount,
            [&](const SQLiteStatement& r) {
              first = r.optTextAt(0);
              last = r.optTextAt(1);
            },
            account);
  if (!ok || !first || !last) return 0;
  auto a = PublicFunction::dateFromString(*first, kServerTimeFormat);
  auto b = PublicFunction::dateFromString(*last, kServerTimeFormat);
  if (!a || !b) return 0;
  return *b - *a;
}

bool OrderModel::deleteOrdersWhere(const std::string& where, const std::string& arg) {
  return exec("DELETE FROM marvisto_quote_order_item WHERE order_id IN (SELECT order_id FROM marvisto_quote_order "
              "WHERE " + where + ")",
              arg) &&
         exec("DELETE FROM marvisto_quote_order WHERE " + where, arg);
}

bool OrderModel::storeLineFromValue(const base::Value& line, std::optional<int> orderId) {
  if (!line.is_object()) return false;
  const Schema::Table& t = *Schema::table(kLines);
  std::vector<std::pair<std::string, SqlValue>> cols;
  for (const auto& c : t.columns) {
    if (c.name == "order_id" && orderId) {
      cols.emplace_back(c.name, std::int64_t{*orderId});
      continue;
    }
    const base::Value* v = columnMember(line, c);
    if (!v) continue;
    cols.emplace_back(c.name, valueForColumn(c, *v));
  }
  auto has = [&](const char* name) {
    for (const auto& [n, v] : cols)
      if (n == name && std::holds_alternative<std::int64_t>(v) && idInRange(std::get<std::int64_t>(v))) return true;
    return false;
  };
  if (!has("order_id")) return false;  // a line of no order cannot be shown
  if (!orderId) {
    // A line from the service lands only in a submitted order the device
    // holds: never in one of its own, nor under an order it skipped.
    for (const auto& [n, v] : cols) {
      if (n != "order_id") continue;
      const std::int64_t id = std::get<std::int64_t>(v);
      if (id < 0) return false;
      const auto held = exists("SELECT 1 FROM marvisto_quote_order WHERE order_id = ? AND uploaded = 1", id);
      if (!held || !*held) return false;
    }
  }
  if (!has("order_item_id")) {
    std::erase_if(cols, [](const auto& p) { return p.first == "order_item_id"; });
    const int lineId = nextLineId();
    if (lineId == 0) return false;
    cols.emplace_back("order_item_id", std::int64_t{lineId});
  }
  return insertRow(db(), kLines, cols);
}

int OrderModel::storeOrderFromValue(const base::Value& order, bool uploaded, bool localOrder) {
  const Schema::Table& t = *Schema::table(kOrders);
  std::vector<std::pair<std::string, SqlValue>> cols;
  std::string cdate;
  std::string number;
  std::int64_t orderId = 0;
  for (const auto& c : t.columns) {
    if (c.name == "cdate_sort" || c.name == "order_id") continue;
    if (c.name == "uploaded") {
      cols.emplace_back(c.name, std::int64_t{uploaded ? 1 : 0});
      continue;
    }
    const base::Value* v = columnMember(order, c);
    if (!v) continue;
    SqlValue value = valueForColumn(c, *v);
    if (c.name == "cdate" && std::holds_alternative<std::string>(value)) cdate = std::get<std::string>(value);
    if (c.name == "order_number" && std::holds_alternative<std::string>(value)) number = std::get<std::string>(value);
    cols.emplace_back(c.name, std::move(value));
  }
  orderId = idInRange(intMember(order, "order_id")).value_or(0);
  // The service numbers its orders from 1; a negative id is one of the
  // device's own orders, which a copy from the service never replaces. An
  // order of the device's own keeps a local id until it is submitted.
  if (localOrder ? orderId > 0 : orderId < 0) orderId = 0;
  // The order already stored under the id, if any: its number.
  auto held = readFirst("SELECT order_number FROM marvisto_quote_order WHERE order_id = ?",
                        [](const SQLiteStatement& r) { return r.textAt(0); }, orderId);
  if (!held) return 0;
  const bool taken = held->has_value();
  // Neither a restored order nor the service's copy takes the place of
  // another order: a service that hands an id out again (one that lost its
  // records) would make an order that may exist nowhere else vanish.
  if (orderId == 0 || (taken && (localOrder || **held != number))) {
    if (taken && !localOrder)
      MV_LOG("The service's copy of order ", number, " is stored apart: its id ", orderId, " belongs to order ",
             **held);
    orderId = nextOrderId();
    if (orderId == 0) return 0;
  }
  cols.emplace_back("order_id", orderId);
  if (auto key = sortableTime(cdate)) cols.emplace_back("cdate_sort", *key);
  if (!insertRow(db(), kOrders, cols)) return 0;

  if (localOrder) {
    if (const base::Value* list = backupLines(order))
      for (const auto& line : *list)
        if (line.is_object() && !storeLineFromValue(line, static_cast<int>(orderId))) return 0;
  }
  return static_cast<int>(orderId);
}

bool OrderModel::updateLocalHistoryOrderFromServer(const base::Value& order) { return storeHistoryOrder(order) != 0; }

int OrderModel::storeHistoryOrder(const base::Value& order) {
  if (!order.is_object()) return 0;
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return 0;
  std::string number = stringMember(order, "order_number");
  // A local order of that number not yet submitted may hold edits the
  // service's copy lacks (its upload reply was lost, or another device of
  // the account made an order in the same second); its next upload sends
  // them, so the copy is skipped rather than put in its place.
  if (!number.empty()) {
    const auto unsubmitted =
        exists("SELECT 1 FROM marvisto_quote_order WHERE order_number = ? AND uploaded = 0 LIMIT 1", number);
    if (!unsubmitted) return 0;
    if (*unsubmitted) {
      MV_LOG("The service's copy of order ", number, " is skipped: the order is not submitted from here yet");
      return 0;
    }
  }
  if (!number.empty() && !deleteOrdersWhere("order_number = ?", number)) return 0;
  const int stored = storeOrderFromValue(order, true, false);
  return stored != 0 && tx->commit() ? stored : 0;
}

int OrderModel::updateLocalHistoryPageFromServer(const std::vector<base::Value>& orders,
                                                 const std::vector<base::Value>& lines) {
  int skipped = 0;
  // The service's id of each order of the page -> the id its copy is stored
  // under (0: skipped, or the id named twice), so that a line follows its
  // order's copy and never lands in another order holding that id.
  std::map<int, int> storedAs;
  for (const auto& order : orders) {
    const int stored = storeHistoryOrder(order);
    if (stored == 0) ++skipped;
    const auto serviceId = order.is_object() ? idInRange(intMember(order, "order_id")) : std::nullopt;
    if (!serviceId) continue;
    auto [at, fresh] = storedAs.emplace(*serviceId, stored);
    if (!fresh) at->second = 0;
  }
  for (const auto& line : lines) {
    std::optional<int> orderId;
    if (const auto serviceId = line.is_object() ? idInRange(intMember(line, "order_id")) : std::nullopt)
      if (auto at = storedAs.find(*serviceId); at != storedAs.end()) orderId = at->second;
    if ((orderId && *orderId == 0) || !line.is_object() || !storeLineFromValue(line, orderId)) ++skipped;
  }
  return skipped;
}

bool OrderModel::updateLocalHistoryOrderItemFromServer(const base::Value& line) {
  if (!line.is_object()) return false;
  return storeLineFromValue(line, std::nullopt);
}

bool OrderModel::updateOrderSignature(const std::string& signature, int orderId) {
  return exec("UPDATE marvisto_quote_order SET signature = ? WHERE order_id = ?", signature, orderId);
}

std::optional<base::Value> OrderModel::fetchBackupOuoteOrdersDic() {
  base::Value orders = base::Value::array();
  const std::int64_t vendor = Session::current().vendorId;
  const bool ok =
      query("SELECT * FROM marvisto_quote_order WHERE uploaded = 0 ORDER BY rowid", [&](const SQLiteStatement& r) {
        base::Value o = base::Value::object();
        std::int64_t customer = r.int64("customer_id");
        o["order_id"] = r.int64("order_id");
        o["customer_id"] = customer < 0 ? 0 : customer;
        o["customer_name"] = r.text("customer_name");
        o["customer_info_id"] = r.text("customer_info_id");
        o["vendor_id"] = vendor;
        o["order_number"] = r.text("order_number");
        o["order_total"] = r.real("order_total");
        o["order_subtotal"] = r.real("order_subtotal");
        o["order_tax"] = r.real("order_tax");
        o["order_tax_details"] = r.text("order_tax_details");
        o["order_shipping"] = static_cast<double>(static_cast<float>(r.real("order_shipping")));
        o["order_shipping_tax"] = static_cast<double>(static_cast<float>(r.real("order_shipping_tax")));
        o["coupon_discount"] = r.real("coupon_discount");
        o["coupon_code"] = r.text("coupon_code");
        o["order_discount"] = r.real("order_discount");
        o["order_currency"] = r.text("order_currency");
        o["order_status"] = r.int64("order_status");
        o["cdate"] = r.text("cdate");
        o["mdate"] = r.text("mdate");
        o["ship_method"] = r.text("ship_method");
        o["customer_note"] = r.text("customer_note");
        o["ip_address"] = r.text("ip_address");
        o["uploaded"] = false;
        o["discount_rats"] = r.real("discount_rat");
        for (const char* c : {"signature", "address", "city", "state", "zip_code", "phone", "bankAccount"})
          o[c] = r.text(c);
        o["order_item"] = base::Value();  // filled below, keeping member order
        orders.push_back(std::move(o));
      });
  if (!ok) return std::nullopt;
  for (auto& o : orders) {
    auto lines = lineValues(static_cast<int>(o["order_id"].get<std::int64_t>()), true);
    if (!lines) return std::nullopt;
    o["order_item"] = std::move(*lines);
  }
  base::Value doc = base::Value::object();
  doc["order"] = std::move(orders);
  return doc;
}

bool OrderModel::removeAllLoaclOrders() {
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return false;
  // An unsubmitted order under a service's id was left by an older restore.
  if (!exec(std::string("DELETE FROM marvisto_quote_order_item WHERE order_id < 0 OR order_id IN (SELECT order_id "
                        "FROM marvisto_quote_order WHERE ") + kUnsubmitted + ")")) {
    return false;
  }
  if (!exec(std::string("DELETE FROM marvisto_quote_order WHERE ") + kUnsubmitted)) return false;
  return tx->commit();
}

bool OrderModel::isPlausibleBackupOrder(const base::Value& order) { return order.is_object() && plausibleOrder(order); }

bool OrderModel::restoreUnsubmittedOrderFromDic(const base::Value& order) {
  if (!isPlausibleBackupOrder(order)) {
    MV_LOG("restore: order ", stringMember(order, "order_number"), " holds a number the editor refuses");
    return false;
  }
  auto tx = SQLiteTransaction::begin(db());
  if (!tx) return false;
  std::string number = stringMember(order, "order_number");
  if (!number.empty() && !deleteOrdersWhere(std::string("order_number = ? AND ") + kUnsubmitted, number)) return false;
  if (storeOrderFromValue(order, false, true) == 0) return false;
  return tx->commit();
}

bool OrderModel::isInUnsubmitOrder(int customerId) {
  // Asked before a customer is deleted: a failed read keeps the customer.
  return exists("SELECT 1 FROM marvisto_quote_order WHERE customer_id = ? LIMIT 1", customerId).value_or(true);
}

}  // namespace mv
