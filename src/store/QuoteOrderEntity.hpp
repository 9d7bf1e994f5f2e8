#pragma once
#include <memory>
#include <string>
#include <vector>

#include "store/QuoteOrderItemEntity.hpp"
#include "util/Session.hpp"

namespace mv {

// One quote order with its lines. Money is in the order's currency.
class QuoteOrderEntity {
 public:
  // Tag for a record without the defaults of a new order (reads from the store).
  struct Blank {};

  // A new order: no lines, not in edit, unsaved, no fixed discount (-1) and
  // nothing off (rate 100), a fresh number "<account>_yyMMddHHmmss", the device
  // identifier as its address field, not uploaded, created and modified now;
  // the account and the device are the session's.
  explicit QuoteOrderEntity(const Session& session);
  explicit QuoteOrderEntity(Blank);

  int serial = 0;  // order id: 0 until saved, negative while only local
  int customerId = 0;
  std::string customerName;
  std::string customerInfoId;
  std::string customerAddress;
  std::string city;
  std::string state;
  std::string zip_code;
  std::string phoneNumber;
  std::string bankAccount;
  std::string number;
  std::string currency;
  double discountRat = 100;  // percentage of the total that is charged
  int status = 0;
  std::string cdate;  // "MM/dd/yyyy HH:mm:ss"
  std::string mdate;
  bool isInEdit = false;
  bool unsaved = false;
  std::string signature;  // Base64 JPEG; blank = unsigned
  std::vector<std::shared_ptr<QuoteOrderItemEntity>> items;
  // Further stored columns, carried unchanged.
  int vendorId = 0;
  std::string ipAddress;
  double orderTax = 0;
  std::string orderTaxDetails;
  double orderShipping = 0;
  double orderShippingTax = 0;
  double couponDiscount = 0;
  std::string couponCode;
  std::string shipMethod;

  // "" when absent or blank.
  std::string customerNote() const;
  void setCustomerNote(const std::string& note) { customerNote_ = note; }

  // The amount to pay: the fixed value unless it is -1, else total x rate / 100
  // in cents.
  double discount() const;
  double storedDiscount() const { return discount_; }
  void setDiscount(double value) { discount_ = value; }

  bool isUploaded() const { return uploaded_; }
  void setUploaded(bool value) { uploaded_ = value; }

  // A new order carrying this one's customer, address, currency, discount,
  // status, note and copies of the lines, all dated now, numbered for the
  // account of `session`.
  std::shared_ptr<QuoteOrderEntity> duplicateOrder(const Session& session) const;
  // Highest positive line serial + 1; 1 when there is none.
  int newItemIndex() const;
  bool hasItems() const { return !items.empty(); }
  // Sum of the line amounts quantity x finalPrice, each in cents, over lines
  // with finalPrice >= 0.
  double total() const;
  // The same of quantity x price over lines with price >= 0.
  double originalTotal() const;
  // After a line was changed or deleted: the discount follows the rate again,
  // and the rate goes back to 100 only when the order has no total.
  void resetDiscountAfterLineChange();
  // "HH:mm" and the date in `shortDateFormat` (the configured format), from
  // either time form; "" when the time cannot be read.
  std::string mdateShow(const std::string& shortDateFormat = "MM/dd/yy") const;
  // Currency symbol and money text; "-" when the amount is below 0.
  std::string strOriginalTotal() const;
  std::string strTotal() const;
  std::string strDiscount() const;

  // "MM/dd/yyyy HH:mm:ss" of the current time, and the order number of it.
  static std::string currentTimeText();
  static std::string orderNumberAt(const std::string& acountID, double secondsSince1970);

 private:
  std::string customerNote_;
  double discount_ = -1.0;
  bool uploaded_ = false;
};

}  // namespace mv
